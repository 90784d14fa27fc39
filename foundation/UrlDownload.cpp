#include "UrlDownload.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

#include "HttpHeaders.h"
#include "platform/win32/Files.h"
#include "platform/win32/Inet.h"

namespace {

const UINT WM_HTTPGETFILE_START = RegisterWindowMessageW(L"WM_HTTPGETFILE_START");
const UINT WM_HTTPGETFILE_PROGRESS = RegisterWindowMessageW(L"WM_HTTPGETFILE_PROGRESS");
const UINT WM_HTTPGETFILE_COMPLETE = RegisterWindowMessageW(L"WM_HTTPGETFILE_COMPLETE");

constexpr DWORD kConnectTimeoutMs = 10000;
constexpr DWORD kChunkBytes = 10240;
// Reload, no cache write, no user interface, pragma no-cache.
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kOpenFlags == 0x84000300u);

std::atomic<bool> g_openFailed{false};
std::mutex g_counterLock;
DWORD g_requestCounter = 0;

void Notify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window) PostMessageW(window, message, wParam, lParam);
}

// The number a Content-Length text holds; -1 when it holds none.
int64_t ParseLength(const wchar_t* text)
{
    int64_t value = 0;
    return ParseContentLength(text, &value) ? value : -1;
}

// Thread priorities of the emulated platform (-2 lowest .. 2 highest, -15
// idle, 15 time-critical) as nice values of the calling thread. Raising a
// priority needs a privilege an ordinary user lacks; then the thread keeps
// the priority it has, which is only ever a matter of scheduling.
void SetCallingThreadPriority(int priority)
{
    int nice = std::clamp(-priority * 5, -19, 19);
    pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    errno = 0;
    int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0 && current == nice) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
}

void StoreCount(const SUrlDownloadRequest& r, uint64_t total)
{
    if (r.pnBytes) *r.pnBytes = static_cast<DWORD>(std::min<uint64_t>(total, 0xFFFFFFFFu));
}

// Reads the opened URL into the record's target; true on success.
bool Transfer(SUrlDownloadRequest& r, HINTERNET url)
{
    wchar_t text[64];
    int64_t contentLength = QueryHeaderText(url, HTTP_QUERY_CONTENT_LENGTH, text) ? ParseLength(text) : -1;
    if (r.pnContentLength) *r.pnContentLength = contentLength;
    Notify(r.hNotifyWnd, WM_HTTPGETFILE_START, r.nRequest, static_cast<LPARAM>(contentLength));
    if (QueryHeaderText(url, HTTP_QUERY_STATUS_CODE, text) && text[0] != L'2') return false;

    std::vector<BYTE> chunk(kChunkBytes);
    uint64_t total = 0;
    DWORD available = 0;
    while (InternetQueryDataAvailable(url, &available, 0, 0)) {
        DWORD got = 0;
        if (!InternetReadFile(url, chunk.data(), kChunkBytes, &got)) return false;
        if (r.bToFile) {
            if (r.hFile != INVALID_HANDLE_VALUE && got > 0) {
                DWORD written = 0;
                if (!WriteFile(r.hFile, chunk.data(), got, &written, nullptr) || written != got) return false;
            }
            // Without a file the bytes read still count as received, so a
            // limit ends such a download as it ends any other.
        } else {
            if (got == 0) {
                StoreCount(r, total);
                return true;
            }
            if (r.ppBuffer) {
                auto* grown = static_cast<BYTE*>(std::realloc(*r.ppBuffer, total + got + 1));
                if (!grown) return false;
                std::memcpy(grown + total, chunk.data(), got);
                grown[total + got] = 0;
                *r.ppBuffer = grown;
            }
        }
        total += got;
        StoreCount(r, total);
        Notify(r.hNotifyWnd, WM_HTTPGETFILE_PROGRESS, r.nRequest,
               static_cast<LPARAM>(std::min<uint64_t>(total, INT64_MAX)));
        if ((r.nByteLimit != -1 && static_cast<int64_t>(total) >= r.nByteLimit) || got == 0) return true;
    }
    return false;
}

}  // namespace

int RunUrlDownload(SUrlDownloadRequest* request)
{
    if (!request) return 0;
    std::unique_ptr<SUrlDownloadRequest> r(request);
    SetCallingThreadPriority(r->nThreadPriority);

    bool ok = false;
    HINTERNET session = InternetOpenW(r->sAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session) {
        DWORD timeout = kConnectTimeoutMs;
        InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
        HINTERNET url = InternetOpenUrlW(session, r->sUrl, r->bHasHeaders ? r->sHeaders.GetString() : nullptr,
                                         static_cast<DWORD>(-1), kOpenFlags, 0);
        if (!url) {
            g_openFailed = true;
        } else {
            ok = Transfer(*r, url);
            InternetCloseHandle(url);
        }
        InternetCloseHandle(session);
    }
    if (!ok && !r->bToFile && r->ppBuffer && *r->ppBuffer) {
        std::free(*r->ppBuffer);
        *r->ppBuffer = nullptr;
    }
    if (r->hFile && r->hFile != INVALID_HANDLE_VALUE) CloseHandle(r->hFile);
    Notify(r->hNotifyWnd, WM_HTTPGETFILE_COMPLETE, r->nRequest, ok ? 1 : 0);
    return ok ? 1 : 0;
}

int StartUrlDownload(const wchar_t* url, const wchar_t* fileName, HWND notifyWindow, DWORD* requestNumber,
                     const wchar_t* agent, int byteLimit, BOOL toFile, BYTE** buffer, DWORD* byteCount,
                     int threadPriority, int64_t* contentLength, const wchar_t* extraHeaders)
{
    g_openFailed = false;
    if (!url) return 0;
    wchar_t canonical[kUrlDownloadMaxUrl];
    DWORD length = kUrlDownloadMaxUrl;
    if (!InternetCanonicalizeUrlW(url, canonical, &length, 0)) return 0;
    if (agent && std::wcslen(agent) > static_cast<size_t>(kUrlDownloadMaxAgent)) return 0;

    HANDLE file = nullptr;
    if (toFile) {
        file = INVALID_HANDLE_VALUE;
        if (fileName && *fileName) {
            file = CreateFileW(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) return 0;
        }
    }

    DWORD number;
    {
        std::lock_guard<std::mutex> lock(g_counterLock);
        g_requestCounter = (g_requestCounter + 1) % 0x7FFFFFFFu;
        number = g_requestCounter;
    }
    if (requestNumber) *requestNumber = number;

    auto* r = new SUrlDownloadRequest;
    r->bToFile = toFile ? TRUE : FALSE;
    r->sUrl = canonical;
    r->hFile = file;
    r->nRequest = number;
    r->hNotifyWnd = notifyWindow;
    r->sAgent = agent ? agent : L"";
    r->nByteLimit = byteLimit;
    r->ppBuffer = toFile ? nullptr : buffer;
    r->pnBytes = byteCount;
    r->nThreadPriority = threadPriority;
    r->pnContentLength = contentLength;
    if (extraHeaders) {
        r->sHeaders = extraHeaders;
        r->bHasHeaders = true;
    }
    if (buffer) *buffer = nullptr;
    if (byteCount) *byteCount = 0;
    return RunUrlDownload(r);
}

int GetHttpStatusCode(const wchar_t* url, const wchar_t* agent, const wchar_t* extraHeaders)
{
    if (!url) return 0;
    wchar_t canonical[kUrlDownloadMaxUrl];
    DWORD length = kUrlDownloadMaxUrl;
    if (!InternetCanonicalizeUrlW(url, canonical, &length, 0)) return 0;
    if (agent && std::wcslen(agent) > static_cast<size_t>(kUrlDownloadMaxAgent)) return 0;

    int status = -1;
    HINTERNET session = InternetOpenW(agent ? agent : L"", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session) return -1;
    // The same connect limit as a download: an address that never answers
    // must not hold the caller (the user-interface thread) for a minute.
    DWORD timeout = kConnectTimeoutMs;
    InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
    HINTERNET request = InternetOpenUrlW(session, canonical, extraHeaders, static_cast<DWORD>(-1), kOpenFlags, 0);
    if (request) {
        wchar_t text[64];
        if (QueryHeaderText(request, HTTP_QUERY_STATUS_CODE, text) && text[0])
            status = static_cast<int>(std::wcstol(text, nullptr, 10));
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    return status;
}

bool DownloadOpenFailed() { return g_openFailed; }
