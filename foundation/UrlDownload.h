// Fetching a URL into a file or a memory block on the caller's thread, usually
// only its first bytes, with optional progress messages to a window, and the
// two questions source probing asks when an address does not answer: its HTTP
// status and whether it could be opened at all.
//
// Progress goes to the notify window (when one is named) as three registered,
// posted messages, wParam the request number:
//   "WM_HTTPGETFILE_START"     lParam the content length, -1 when unknown
//   "WM_HTTPGETFILE_PROGRESS"  lParam the bytes received so far
//   "WM_HTTPGETFILE_COMPLETE"  lParam 1 success, 0 failure
// START comes before any PROGRESS, COMPLETE is always the last.
#pragma once

#include <cstdint>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"
#include "platform/win32/WindowMessages.h"

constexpr int kUrlDownloadMaxAgent = 511;
constexpr int kUrlDownloadMaxUrl = 1024;

// One request, filled by StartUrlDownload and consumed by RunUrlDownload.
struct SUrlDownloadRequest {
    BOOL bToFile = FALSE;    // 0: keep the data in memory
    CString sUrl;            // canonical form, below kUrlDownloadMaxUrl characters
    HANDLE hFile = nullptr;  // none in memory mode; the created file, or INVALID_HANDLE_VALUE
    DWORD nRequest = 0;
    HWND hNotifyWnd = nullptr;  // may be none
    CString sAgent;             // at most kUrlDownloadMaxAgent characters
    int nByteLimit = -1;        // -1: no limit
    BYTE** ppBuffer = nullptr;  // memory mode: the caller's block pointer (may be none)
    DWORD* pnBytes = nullptr;   // the caller's byte counter (may be none)
    int nThreadPriority = 0;
    int64_t* pnContentLength = nullptr;  // may be none
    CString sHeaders;                    // private copy of the extra request headers
    bool bHasHeaders = false;
};

// 1 when the download succeeded, 0 when it could not be started or failed.
// Memory mode: *buffer receives a block from malloc holding the bytes and one
// NUL after them; the caller frees it with free(). *buffer is set to none and
// *byteCount to 0 before anything is read. A limit of -1 reads everything;
// otherwise reading stops once the limit is reached, which may be up to one
// 10,240-byte chunk past it. A file made for the download is replaced when it
// exists and stays with what was written when the download fails.
int StartUrlDownload(const wchar_t* url, const wchar_t* fileName, HWND notifyWindow, DWORD* requestNumber,
                     const wchar_t* agent, int byteLimit, BOOL toFile, BYTE** buffer, DWORD* byteCount,
                     int threadPriority, int64_t* contentLength, const wchar_t* extraHeaders);
// Performs one request and frees the record; 1 or 0.
int RunUrlDownload(SUrlDownloadRequest* request);
// The status code of the URL; 0 when the URL cannot be canonicalised or the
// agent is too long; -1 when the session or the URL cannot be opened or no
// status came back.
int GetHttpStatusCode(const wchar_t* url, const wchar_t* agent, const wchar_t* extraHeaders);
// True when the last StartUrlDownload could not open its URL.
bool DownloadOpenFailed();
