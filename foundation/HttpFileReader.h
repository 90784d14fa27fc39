// Reading an http or https resource as a byte stream that can be continued at
// any byte offset: every seek sends a fresh request with a Range header.
#pragma once

#include <cstdint>

#include "platform/win32/CString.h"
#include "platform/win32/Inet.h"
#include "platform/win32/WinTypes.h"

// A readable, possibly seekable stream of bytes.
class CByteSource {
public:
    virtual ~CByteSource();
    // Kept in the interface for its users; answers 0.
    virtual int ReservedQuery() { return 0; }
    virtual bool Open(const wchar_t* url) = 0;
    // The bytes read; 0 on failure or at the end.
    virtual DWORD Read(void* buffer, DWORD count) = 0;
    // The new position, or -1 on failure.
    virtual int64_t SeekTo(int64_t position) = 0;
    virtual bool CanSeek() { return true; }
    // Kept in the interface for its users; answers 0.
    virtual int ReservedControl(DWORD_PTR, DWORD_PTR) { return 0; }
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetLength() = 0;
    virtual void Close() = 0;
};

class CHttpFileReader : public CByteSource {
public:
    CHttpFileReader(DWORD timeoutMs, const wchar_t* agent);
    ~CHttpFileReader() override;
    CHttpFileReader(const CHttpFileReader&) = delete;
    CHttpFileReader& operator=(const CHttpFileReader&) = delete;

    // True when a request to the URL has been sent (whatever its status).
    bool Open(const wchar_t* url) override;
    DWORD Read(void* buffer, DWORD count) override;
    int64_t SeekTo(int64_t position) override;
    // True when the response came as HTTP/1.1 with a known length.
    bool CanSeek() override;
    int64_t GetPosition() override { return m_nPosition; }
    // The content length; 0 when unknown.
    int64_t GetLength() override { return m_nContentLength; }
    // Copies the content type when it is shorter than capacity, else stores "";
    // returns the content type's length.
    int GetContentType(wchar_t* buffer, int capacity) const;
    void Close() override;

private:
    void CloseRequest();

    HINTERNET m_hSession = nullptr;
    HINTERNET m_hConnection = nullptr;
    HINTERNET m_hRequest = nullptr;
    DWORD m_nTimeout;
    CString m_sAgent;
    CString m_sScheme;
    CString m_sHost;
    INTERNET_PORT m_nPort = 0;
    CString m_sObject;
    int64_t m_nContentLength = 0;
    CString m_sContentType;
    int64_t m_nPosition = -1;
};

// Writes every blank and every byte 0x80-0xFF of the URL (in the ANSI code
// page) as "%xx" with lower-case hex digits; a new text from new[] that the
// caller frees with delete[], or null for a null URL.
wchar_t* PercentEncodeUrl(const wchar_t* url);
