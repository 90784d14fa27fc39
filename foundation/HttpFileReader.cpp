#include "HttpFileReader.h"

#include <cwchar>
#include <memory>
#include <string>

#include "HttpHeaders.h"
#include "platform/win32/CodePage.h"

CByteSource::~CByteSource() = default;

namespace {

// Reload, no cache write, keep the connection; https adds secure.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
static_assert(kRequestFlags == 0x84400000u);
static_assert((kRequestFlags | INTERNET_FLAG_SECURE) == 0x84C00000u);

constexpr size_t kMaxEncodedUrl = 2048;

// The number a Content-Length text holds; 0 when it holds none.
int64_t ParseLength(const wchar_t* text)
{
    int64_t value = 0;
    return ParseContentLength(text, &value) ? value : 0;
}

// The first byte position of a "bytes FIRST-LAST/TOTAL" text; -1 when the
// text is not of that form.
int64_t ContentRangeStart(const wchar_t* text)
{
    if (std::wcsncmp(text, L"bytes ", 6) != 0) return -1;
    text += 6;
    int64_t value = 0;
    const wchar_t* digits = text;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        if (value > (INT64_MAX - 9) / 10) return -1;
        value = value * 10 + (*text - L'0');
    }
    return text > digits && *text == L'-' ? value : -1;
}

}  // namespace

CHttpFileReader::CHttpFileReader(DWORD timeoutMs, const wchar_t* agent)
    : m_nTimeout(timeoutMs), m_sAgent(agent ? agent : L"")
{
}

CHttpFileReader::~CHttpFileReader() { Close(); }

void CHttpFileReader::CloseRequest()
{
    if (m_hRequest) InternetCloseHandle(m_hRequest);
    m_hRequest = nullptr;
    m_nPosition = -1;
}

void CHttpFileReader::Close()
{
    if (m_hSession) InternetCloseHandle(m_hSession);
    m_hSession = nullptr;
    if (m_hConnection) InternetCloseHandle(m_hConnection);
    m_hConnection = nullptr;
    CloseRequest();
}

bool CHttpFileReader::Open(const wchar_t* url)
{
    Close();
    m_nContentLength = 0;
    m_sContentType.Empty();
    std::unique_ptr<wchar_t[]> encoded(PercentEncodeUrl(url));
    if (!encoded || std::wcslen(encoded.get()) >= kMaxEncodedUrl) return false;

    wchar_t scheme[32];
    wchar_t host[256];
    wchar_t path[kMaxEncodedUrl];
    wchar_t extra[kMaxEncodedUrl];
    URL_COMPONENTSW parts;
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = 32;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = kMaxEncodedUrl;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = kMaxEncodedUrl;
    if (!InternetCrackUrlW(encoded.get(), 0, 0, &parts)) return false;
    m_sScheme = scheme;
    m_sHost = host;
    m_sObject = parts.dwUrlPathLength > 0 ? CString(path) + extra : CString();
    m_nPort = m_sScheme.CompareNoCase(L"https") == 0 ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    if (parts.nPort != 0) m_nPort = parts.nPort;

    m_hSession = InternetOpenW(m_sAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (m_hSession) {
        for (DWORD option :
             {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
              INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
            InternetSetOptionW(m_hSession, option, &m_nTimeout, sizeof(m_nTimeout));
        }
        m_hConnection = InternetConnectW(m_hSession, m_sHost, m_nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    }
    if (!m_hConnection || SeekTo(0) < 0) {
        Close();
        return false;
    }
    wchar_t text[64];
    m_nContentLength = QueryHeaderText(m_hRequest, HTTP_QUERY_CONTENT_LENGTH, text) ? ParseLength(text) : 0;
    if (QueryHeaderText(m_hRequest, HTTP_QUERY_CONTENT_TYPE, text)) m_sContentType = text;
    return true;
}

int64_t CHttpFileReader::SeekTo(int64_t position)
{
    if (position == m_nPosition) return position;
    if (position < 0 || !m_hConnection) return -1;
    // A 64-bit position: resources of 2 GiB and more are continued correctly.
    CString range;
    range.Format(L"Range: bytes=%I64d-", position);
    CloseRequest();
    DWORD flags = kRequestFlags;
    if (m_sScheme.CompareNoCase(L"https") == 0) flags |= INTERNET_FLAG_SECURE;
    m_hRequest = HttpOpenRequestW(m_hConnection, L"GET", m_sObject, L"HTTP/1.1", nullptr, nullptr, flags, 0);
    if (!m_hRequest) return -1;
    if (!HttpAddRequestHeadersW(m_hRequest, range, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW) ||
        !HttpSendRequestW(m_hRequest, nullptr, 0, nullptr, 0)) {
        CloseRequest();
        return -1;
    }
    wchar_t status[64];
    bool haveStatus = QueryHeaderText(m_hRequest, HTTP_QUERY_STATUS_CODE, status);
    if (position > 0) {
        // A server that ignores the range answers from the first byte (200),
        // and one that cannot serve it answers 416: reading on would hand out
        // bytes from the wrong place, so only a partial answer that starts
        // exactly at the position is taken.
        wchar_t contentRange[64] = L"Content-Range";
        DWORD size = sizeof(contentRange);
        bool partial = haveStatus && std::wcscmp(status, L"206") == 0 &&
                       HttpQueryInfoW(m_hRequest, HTTP_QUERY_CUSTOM, contentRange, &size, nullptr) &&
                       ContentRangeStart(contentRange) == position;
        if (!partial) {
            CloseRequest();
            return -1;
        }
    }
    m_nPosition = position;
    return position;
}

DWORD CHttpFileReader::Read(void* buffer, DWORD count)
{
    if (!m_hRequest || !buffer || count == 0) return 0;
    DWORD got = 0;
    if (!InternetReadFile(m_hRequest, buffer, count, &got)) got = 0;
    // A read that stops short of the known length means the connection was
    // lost: ask once more from the same place. A read that stops at the
    // known end is just the end.
    if (got < count && m_nContentLength > 0 && m_nPosition + static_cast<int64_t>(got) < m_nContentLength) {
        int64_t from = m_nPosition;
        m_nPosition = -1;
        if (SeekTo(from) < 0) return 0;
        got = 0;
        if (!InternetReadFile(m_hRequest, buffer, count, &got)) got = 0;
    }
    m_nPosition += got;
    return got;
}

bool CHttpFileReader::CanSeek()
{
    if (!m_hRequest || m_nContentLength <= 0) return false;
    wchar_t version[64];
    return QueryHeaderText(m_hRequest, HTTP_QUERY_VERSION, version) && std::wcscmp(version, L"HTTP/1.1") == 0;
}

int CHttpFileReader::GetContentType(wchar_t* buffer, int capacity) const
{
    int length = m_sContentType.GetLength();
    if (buffer && capacity > 0) {
        if (length < capacity) {
            std::wmemcpy(buffer, m_sContentType.GetString(), static_cast<size_t>(length) + 1);
        } else {
            buffer[0] = L'\0';
        }
    }
    return length;
}

wchar_t* PercentEncodeUrl(const wchar_t* url)
{
    if (!url) return nullptr;
    std::string bytes = WideToMultiByte(CP_ACP, url);
    std::string encoded;
    encoded.reserve(bytes.size() * 3 + 1);
    for (unsigned char b : bytes) {
        if (b == ' ' || b >= 0x80) {
            encoded += '%';
            encoded += "0123456789abcdef"[b >> 4];
            encoded += "0123456789abcdef"[b & 15];
        } else {
            encoded += static_cast<char>(b);
        }
    }
    std::wstring wide = MultiByteToWide(CP_ACP, encoded);
    auto* result = new wchar_t[wide.size() + 1];
    std::wmemcpy(result, wide.c_str(), wide.size() + 1);
    return result;
}
