// CSrcFileStream: a local file as the byte stream of an asynchronous reader
// (CFileStreamReader), for the container types that have no source filter
// of their own. Opening the file also guesses its byte-stream subtype from
// the check bytes registered under the Stream media type.
//
// The lock is re-entrant: the reader's I/O worker holds it around each
// positioned read, and Read takes it again.
#pragma once

#include <mutex>

#include "platform/dshow/AsyncReader.h"
#include "platform/win32/Collections.h"
#include "platform/win32/Guid.h"

class CSrcFileStream : public CAsyncStream {
public:
    CSrcFileStream();
    ~CSrcFileStream() override;
    CSrcFileStream(const CSrcFileStream&) = delete;
    CSrcFileStream& operator=(const CSrcFileStream&) = delete;

    // Opens the file for reading (others may read, write and delete it
    // meanwhile), takes its size and detects the subtype; the file pointer
    // is left at 0. E_FAIL when the file cannot be opened. A path of any
    // length is taken.
    HRESULT OpenFile(const wchar_t* path);

    HRESULT SetPointer(LONGLONG position) override;
    // Reads at the current pointer under the lock; S_OK also for a short
    // read, E_FAIL when the read fails.
    HRESULT Read(BYTE* buffer, DWORD count, BOOL aligned, LPDWORD read) override;
    LONGLONG Size(LONGLONG* available = nullptr) override;
    DWORD Alignment() override { return 1; }
    void Lock() override { m_lock.lock(); }
    void Unlock() override { m_lock.unlock(); }

    // The subtype found at open time; GUID_NULL when no registered line
    // matched.
    const GUID& Subtype() const { return m_subtype; }

    // Walks the registered check-byte lines of the byte-stream subtypes and
    // takes the subtype of the first line that matches the file; true when
    // one matched and its key named a class id.
    bool DetectMediaType();

private:
    // One check-byte line (the registry's text) against the file.
    bool LineMatches(const std::wstring& line);
    bool QuadrupleMatches(LONGLONG offset, LONG count, const CByteArray& mask, const CByteArray& value);

    std::recursive_mutex m_lock;
    HANDLE m_file = nullptr;
    LONGLONG m_size = 0;
    GUID m_subtype{};
};
