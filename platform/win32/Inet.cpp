#include "Inet.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <utility>

#include "CString.h"
#include "CodePage.h"
#include "DebugOutput.h"
#include "InetHandleTable.h"
#include "InetRequest.h"
#include "InetUrl.h"

namespace {

// A server to send requests to; nothing is connected until one is sent.
struct Connection : InetObject {
    Connection() : InetObject(InetKind::Connection) {}
    std::wstring host;
    INTERNET_PORT port = 0;
};

bool PutPart(std::wstring_view part, LPWSTR& pointer, DWORD& length, const wchar_t* base, std::wstring_view whole)
{
    if (length == 0) return true;
    if (!pointer) {
        // A pointer into the caller's own text.
        size_t offset = part.empty() ? 0 : static_cast<size_t>(part.data() - whole.data());
        pointer = const_cast<LPWSTR>(base) + offset;
        length = static_cast<DWORD>(part.size());
        return true;
    }
    if (part.size() + 1 > length) {
        length = static_cast<DWORD>(part.size() + 1);
        return false;
    }
    std::wmemcpy(pointer, part.data(), part.size());
    pointer[part.size()] = L'\0';
    length = static_cast<DWORD>(part.size());
    return true;
}

}  // namespace

HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR, LPCWSTR, DWORD)
{
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    InetRequest::InitLibrary();
    auto session = std::make_shared<InetObject>(InetKind::Session);
    if (agent) session->agent = WideToMultiByte(CP_ACP, agent);
    if (session->agent.find_first_of("\r\n") != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    session->directProxy = accessType == INTERNET_OPEN_TYPE_DIRECT;
    return InetHandleTable::Register(std::move(session));
}

BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength)
{
    auto object = InetHandleTable::Lookup(handle);
    if (!object) return FALSE;
    DWORD* slot = nullptr;
    switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: slot = &object->timeouts.connect; break;
    case INTERNET_OPTION_SEND_TIMEOUT: slot = &object->timeouts.send; break;
    case INTERNET_OPTION_RECEIVE_TIMEOUT: slot = &object->timeouts.receive; break;
    case INTERNET_OPTION_DATA_SEND_TIMEOUT: slot = &object->timeouts.dataSend; break;
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT: slot = &object->timeouts.dataReceive; break;
    default: SetLastError(ERROR_INTERNET_INVALID_OPTION); return FALSE;
    }
    if (!buffer || bufferLength != sizeof(DWORD)) {
        SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
        return FALSE;
    }
    std::memcpy(slot, buffer, sizeof(DWORD));
    return TRUE;
}

HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength, DWORD flags, DWORD_PTR)
{
    auto s = InetHandleTable::LookupAs<InetObject>(session, InetKind::Session);
    if (!s) return nullptr;
    if (!url || !*url) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    InetUrlParts parts;
    if (DWORD e = SplitUrl(url, &parts)) {
        SetLastError(e);
        return nullptr;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return nullptr;
    }
    auto request = std::make_shared<InetRequest>();
    request->Inherit(*s);
    request->url = UrlForWire(url);
    if (!ParseHttpHeaderText(headers, headersLength, request->headers)) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return nullptr;
    }
    if (flags & INTERNET_FLAG_PRAGMA_NOCACHE) request->headers.emplace_back("Pragma: no-cache");
    if (!request->Send()) return nullptr;
    return InetHandleTable::Register(std::move(request));
}

HINTERNET InternetConnectW(HINTERNET session, LPCWSTR serverName, INTERNET_PORT port, LPCWSTR, LPCWSTR, DWORD service,
                           DWORD, DWORD_PTR)
{
    auto s = InetHandleTable::LookupAs<InetObject>(session, InetKind::Session);
    if (!s) return nullptr;
    if (service != INTERNET_SERVICE_HTTP) {
        RIVO_TRACE_GAP(L"a service other than HTTP");
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!serverName || !*serverName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto c = std::make_shared<Connection>();
    c->Inherit(*s);
    c->host = serverName;
    c->port = port;
    return InetHandleTable::Register(std::move(c));
}

HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR objectName, LPCWSTR version, LPCWSTR, LPCWSTR*,
                           DWORD flags, DWORD_PTR)
{
    auto c = InetHandleTable::LookupAs<Connection>(connection, InetKind::Connection);
    if (!c) return nullptr;
    if (verb && *verb && std::wcscmp(verb, L"GET") != 0) {
        RIVO_TRACE_GAP(L"a verb other than GET");
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    bool http10 = false;
    if (version && *version) {
        if (CompareNoCase(version, L"HTTP/1.0") == 0) {
            http10 = true;
        } else if (CompareNoCase(version, L"HTTP/1.1") != 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
    INTERNET_PORT port = c->port != INTERNET_INVALID_PORT_NUMBER
                             ? c->port
                             : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    std::wstring object = objectName ? objectName : L"";
    if (object.empty() || object[0] != L'/') object.insert(0, L"/");
    std::string host = WideToUtf8(c->host);
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    auto request = std::make_shared<InetRequest>();
    request->Inherit(*c);
    request->http10 = http10;
    request->url = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port) +
                   EncodeUrlBytes(WideToMultiByte(CP_ACP, object));
    if (flags & INTERNET_FLAG_PRAGMA_NOCACHE) request->headers.emplace_back("Pragma: no-cache");
    return InetHandleTable::Register(std::move(request));
}

BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD headersLength, DWORD modifiers)
{
    auto r = InetHandleTable::LookupAs<InetRequest>(request, InetKind::Request);
    if (!r) return FALSE;
    if (r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    DWORD mode = modifiers & 0xFFFF0000u;
    if (mode != 0 && mode != HTTP_ADDREQ_FLAG_ADD && mode != HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> lines;
    if (!headers || !ParseHttpHeaderText(headers, headersLength, lines) || lines.empty()) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return FALSE;
    }
    if (mode == HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
        for (const std::string& line : lines) {
            std::string name = HttpHeaderName(line);
            for (const std::string& have : r->headers) {
                if (EqualsNoCaseAscii(HttpHeaderName(have), name)) {
                    SetLastError(ERROR_HTTP_HEADER_ALREADY_EXISTS);
                    return FALSE;
                }
            }
        }
    }
    r->headers.insert(r->headers.end(), lines.begin(), lines.end());
    return TRUE;
}

BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength)
{
    auto r = InetHandleTable::LookupAs<InetRequest>(request, InetKind::Request);
    if (!r) return FALSE;
    if (optional && optionalLength > 0) {
        RIVO_TRACE_GAP(L"a request body");
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    if (!ParseHttpHeaderText(headers, headersLength, r->headers)) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return FALSE;
    }
    return r->Send();
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index)
{
    auto r = InetHandleTable::LookupAs<InetRequest>(request, InetKind::Request);
    if (!r) return FALSE;
    if (!bufferLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    std::string customName;
    if (infoLevel == HTTP_QUERY_CUSTOM) {
        if (!buffer) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const auto* name = static_cast<const wchar_t*>(buffer);
        size_t maxChars = *bufferLength / sizeof(wchar_t);
        customName = WideToMultiByte(CP_ACP, std::wstring_view(name, wcsnlen(name, maxChars)));
    } else if (infoLevel != HTTP_QUERY_STATUS_CODE && infoLevel != HTTP_QUERY_VERSION &&
               infoLevel != HTTP_QUERY_CONTENT_TYPE && infoLevel != HTTP_QUERY_CONTENT_LENGTH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string value;
    if (!r->Query(infoLevel, customName, index ? *index : 0, value)) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    std::wstring text = MultiByteToWide(CP_ACP, value);
    DWORD needed = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (!buffer || *bufferLength < needed) {
        *bufferLength = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::wmemcpy(static_cast<wchar_t*>(buffer), text.c_str(), text.size() + 1);
    *bufferLength = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (index) ++*index;
    return TRUE;
}

BOOL InternetQueryDataAvailable(HINTERNET file, LPDWORD available, DWORD, DWORD_PTR)
{
    auto r = InetHandleTable::LookupAs<InetRequest>(file, InetKind::Request);
    if (!r) return FALSE;
    if (!available) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    return r->Available(available);
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read)
{
    auto r = InetHandleTable::LookupAs<InetRequest>(file, InetKind::Request);
    if (!r) return FALSE;
    if (!read || (!buffer && toRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *read = 0;
    if (!r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    return r->Read(buffer, toRead, read);
}

BOOL InternetCloseHandle(HINTERNET handle) { return InetHandleTable::Close(handle) ? TRUE : FALSE; }

BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD bufferLength, DWORD flags)
{
    if (!url || !bufferLength || flags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring out = CanonicalizeUrl(url);
    DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (!buffer || *bufferLength < needed) {
        *bufferLength = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::wmemcpy(buffer, out.c_str(), needed);
    *bufferLength = needed - 1;
    return TRUE;
}

BOOL InternetCrackUrlW(LPCWSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSW* components)
{
    if (!url || !components || flags != 0 || components->dwStructSize != sizeof(URL_COMPONENTSW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring_view whole(url, urlLength == 0 ? std::wcslen(url) : urlLength);
    InetUrlParts parts;
    if (DWORD e = SplitUrl(whole, &parts)) {
        SetLastError(e);
        return FALSE;
    }
    URL_COMPONENTSW& uc = *components;
    bool ok = PutPart(parts.scheme, uc.lpszScheme, uc.dwSchemeLength, url, whole);
    ok = PutPart(parts.host, uc.lpszHostName, uc.dwHostNameLength, url, whole) && ok;
    ok = PutPart(parts.user, uc.lpszUserName, uc.dwUserNameLength, url, whole) && ok;
    ok = PutPart(parts.password, uc.lpszPassword, uc.dwPasswordLength, url, whole) && ok;
    ok = PutPart(parts.path, uc.lpszUrlPath, uc.dwUrlPathLength, url, whole) && ok;
    ok = PutPart(parts.extra, uc.lpszExtraInfo, uc.dwExtraInfoLength, url, whole) && ok;
    uc.nScheme = parts.nScheme;
    uc.nPort = parts.port;
    if (!ok) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

void SetInternetConnectRoutes(const std::vector<std::string>& routes) { InetRequest::SetConnectRoutes(routes); }
