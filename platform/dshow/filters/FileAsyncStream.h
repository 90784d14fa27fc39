// CFileAsyncStream: the bytes of one local file for the asynchronous reader
// classes. Reads are positioned (pread), so the stream's lock only keeps the
// pointer and the read that follows it together; the size is taken when the
// file opens. Only regular files open: a FIFO or device is refused, so no
// reader can block on one.
#pragma once

#include <mutex>
#include <string>

#include "platform/dshow/AsyncReader.h"

class CFileAsyncStream final : public CAsyncStream {
public:
    CFileAsyncStream() = default;
    ~CFileAsyncStream() override;
    CFileAsyncStream(const CFileAsyncStream&) = delete;
    CFileAsyncStream& operator=(const CFileAsyncStream&) = delete;

    // S_OK, or the failure as a Win32 code (file not found, access denied,
    // not a regular file). An open file is closed first.
    HRESULT Open(const std::wstring& path);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    HRESULT SetPointer(LONGLONG position) override;
    HRESULT Read(BYTE* buffer, DWORD count, BOOL aligned, LPDWORD read) override;
    LONGLONG Size(LONGLONG* available = nullptr) override;
    DWORD Alignment() override { return 1; }
    void Lock() override { lock_.lock(); }
    void Unlock() override { lock_.unlock(); }

private:
    std::recursive_mutex lock_;
    int fd_ = -1;
    LONGLONG size_ = 0;
    LONGLONG position_ = 0;
};
