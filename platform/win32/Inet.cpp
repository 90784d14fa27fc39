#include "Inet.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "CString.h"
#include "CodePage.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::string_view_literals;

// How much of a body is held before the server is held back.
constexpr size_t kBodyWindow = 256 * 1024;

void EnsureCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Timeouts {
    DWORD connect = 60000;
    DWORD send = 30000;
    DWORD receive = 30000;
    DWORD dataSend = 30000;
    DWORD dataReceive = 30000;
};

enum class Kind { Session, Connection, Request };

struct InetObject {
    explicit InetObject(Kind k) : kind(k) {}
    virtual ~InetObject() = default;
    Kind kind;
    Timeouts timeouts;
    std::string agent;
    bool directProxy = false;
};

struct Connection : InetObject {
    Connection() : InetObject(Kind::Connection) {}
    std::wstring host;
    INTERNET_PORT port = 0;
};

// ---- Handle table ------------------------------------------------------------------
std::mutex g_tableLock;
std::unordered_map<uintptr_t, std::shared_ptr<InetObject>> g_table;
uintptr_t g_nextId = 0x00CC0000u;

HINTERNET Register(std::shared_ptr<InetObject> object)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    g_nextId += 4;  // ids are never reused
    g_table.emplace(g_nextId, std::move(object));
    return reinterpret_cast<HINTERNET>(g_nextId);
}

std::shared_ptr<InetObject> Lookup(HINTERNET handle)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

std::mutex g_routesLock;
std::vector<std::string> g_routes;

// ---- Text helpers ----------------------------------------------------------------------
bool IsSchemeChar(wchar_t c, bool first)
{
    if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return true;
    return !first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.');
}

// Length of the scheme before ':' or 0 when the text has none.
size_t SchemeLength(std::wstring_view url)
{
    size_t i = 0;
    while (i < url.size() && IsSchemeChar(url[i], i == 0)) ++i;
    return (i > 0 && i < url.size() && url[i] == L':') ? i : 0;
}

// End of "scheme://authority" (0 when the URL has no authority).
size_t AuthorityEnd(std::wstring_view url)
{
    size_t scheme = SchemeLength(url);
    if (scheme == 0 || url.substr(scheme, 3) != L"://"sv) return 0;
    size_t end = url.find_first_of(L"/?#", scheme + 3);
    return end == std::wstring_view::npos ? url.size() : end;
}

char HexDigit(unsigned v) { return "0123456789ABCDEF"[v & 15]; }

// Percent-encodes the bytes a request line cannot carry as they are.
std::string EncodeWireBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += HexDigit(b >> 4);
            out += HexDigit(b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

// The URL as libcurl takes it: the authority in UTF-8 (host names outside
// ASCII are left to IDN), the rest as bytes of the ANSI code page with
// anything unsafe percent-encoded.
std::string UrlForWire(std::wstring_view url)
{
    size_t a = AuthorityEnd(url);
    return WideToUtf8(url.substr(0, a)) + EncodeWireBytes(WideToMultiByte(CP_ACP, url.substr(a)));
}

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string HeaderName(const std::string& line) { return Trim(line.substr(0, line.find(':'))); }

// Splits "Name: value" lines (CRLF or LF separated) into narrow header lines;
// false for a line that is no header.
bool ParseHeaderText(LPCWSTR text, DWORD length, std::vector<std::string>& out)
{
    if (!text) return true;
    size_t n = length == static_cast<DWORD>(-1) ? std::wcslen(text) : length;
    std::string bytes = WideToMultiByte(CP_ACP, std::wstring_view(text, n));
    size_t pos = 0;
    while (pos <= bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos) eol = bytes.size();
        std::string line = Trim(std::string_view(bytes).substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty()) continue;
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return false;
        std::string name = HeaderName(line);
        if (name.empty() || name.find_first_of(" \t\r") != std::string::npos) return false;
        if (line.find('\r') != std::string::npos) return false;
        out.push_back(line);
    }
    return true;
}

DWORD ErrorFromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OK: return ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_TOO_MANY_REDIRECTS: return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_PEER_FAILED_VERIFICATION: return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_BAD_CONTENT_ENCODING: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

// ---- Requests ---------------------------------------------------------------------------
class Request : public InetObject {
public:
    Request() : InetObject(Kind::Request) {}
    ~Request() override
    {
        if (multi_ && easy_) curl_multi_remove_handle(multi_, easy_);
        if (easy_) curl_easy_cleanup(easy_);
        if (multi_) curl_multi_cleanup(multi_);
        curl_slist_free_all(headerList_);
        curl_slist_free_all(routeList_);
    }

    std::string url;
    bool http10 = false;
    std::vector<std::string> headers;

    bool sent() const { return sent_; }
    BOOL Send();
    BOOL Available(DWORD* available);
    BOOL Read(void* buffer, DWORD toRead, DWORD* read);
    // The response's texts; false when absent.
    bool Query(DWORD level, const std::string& customName, DWORD index, std::string& value) const;

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnConnected(void* self, char*, char*, int, int);

    size_t Buffered() const { return body_.size() - bodyPos_; }
    void Resume();
    // Drives the transfer until ready() holds or the transfer ends; false
    // when the server stayed silent longer than the receive time-out.
    bool Pump(const std::function<bool()>& ready);
    // The error a read at the end of the buffered data reports, or 0.
    DWORD BodyError() const;

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headerList_ = nullptr;
    curl_slist* routeList_ = nullptr;
    bool sent_ = false;

    std::string version_;
    std::string statusText_;
    int status_ = 0;
    bool hasLocation_ = false;
    std::vector<std::pair<std::string, std::string>> responseHeaders_;
    bool headersDone_ = false;
    bool connected_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    DWORD stickyError_ = 0;
    bool paused_ = false;
    std::string body_;
    size_t bodyPos_ = 0;
    Clock::time_point lastActivity_;
};

size_t Request::OnHeader(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<Request*>(self);
    size_t length = size * count;
    r->lastActivity_ = Clock::now();
    std::string line = Trim(std::string_view(data, length));
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response (after 1xx or a redirect): forget the previous one.
        r->responseHeaders_.clear();
        r->hasLocation_ = false;
        r->headersDone_ = false;
        size_t sp = line.find(' ');
        r->version_ = line.substr(0, sp);
        r->statusText_.clear();
        r->status_ = 0;
        if (sp != std::string::npos) {
            size_t b = sp + 1;
            size_t e = line.find(' ', b);
            r->statusText_ = line.substr(b, e == std::string::npos ? std::string::npos : e - b);
            r->status_ = std::atoi(r->statusText_.c_str());
        }
    } else if (line.empty()) {
        bool redirect = r->status_ >= 300 && r->status_ < 400 && r->hasLocation_;
        if (r->status_ >= 200 && !redirect) r->headersDone_ = true;
    } else if (line.find(':') != std::string::npos) {
        std::string name = HeaderName(line);
        std::string value = Trim(std::string_view(line).substr(line.find(':') + 1));
        if (EqualsNoCase(name, "location")) r->hasLocation_ = true;
        r->responseHeaders_.emplace_back(std::move(name), std::move(value));
    }
    return length;
}

size_t Request::OnBody(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<Request*>(self);
    size_t length = size * count;
    r->headersDone_ = true;
    if (r->Buffered() >= kBodyWindow) {
        // Hold the server back until the reader has taken what is here;
        // libcurl keeps this piece and hands it over again on resuming.
        r->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (r->bodyPos_ > 0 && r->bodyPos_ >= r->body_.size() / 2) {
        r->body_.erase(0, r->bodyPos_);
        r->bodyPos_ = 0;
    }
    r->body_.append(data, length);
    r->lastActivity_ = Clock::now();
    return length;
}

int Request::OnConnected(void* self, char*, char*, int, int)
{
    auto* r = static_cast<Request*>(self);
    // From here on the receive time-out measures the server's silence; before
    // it the connect time-out of libcurl governs.
    r->connected_ = true;
    r->lastActivity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
}

void Request::Resume()
{
    if (!paused_ || done_) return;
    paused_ = false;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
}

bool Request::Pump(const std::function<bool()>& ready)
{
    lastActivity_ = Clock::now();
    for (;;) {
        if (ready() || done_) return true;
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            done_ = true;
            result_ = CURLE_OUT_OF_MEMORY;
            return true;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                done_ = true;
                result_ = msg->data.result;
            }
        }
        if (ready() || done_) return true;
        int waitMs = 100;
        if (connected_) {
            auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity_).count();
            long long left = static_cast<long long>(timeouts.receive) - silent;
            if (left <= 0) return false;
            waitMs = static_cast<int>(std::min<long long>(waitMs, left));
        }
        curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
    }
}

DWORD Request::BodyError() const
{
    if (stickyError_) return stickyError_;
    // A body cut short of its announced length just ends, as the original
    // client reports it; the reader notices the short count.
    if (done_ && result_ != CURLE_OK && result_ != CURLE_PARTIAL_FILE) return ErrorFromCurl(result_);
    return 0;
}

BOOL Request::Send()
{
    if (sent_) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    EnsureCurl();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (!easy_ || !multi_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    sent_ = true;
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION,
                     static_cast<long>(http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max<DWORD>(timeouts.connect, 1)));
    if (!agent.empty()) curl_easy_setopt(easy_, CURLOPT_USERAGENT, agent.c_str());
    if (directProxy) curl_easy_setopt(easy_, CURLOPT_PROXY, "");
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &Request::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &Request::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &Request::OnConnected);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
    for (const std::string& h : headers) headerList_ = curl_slist_append(headerList_, h.c_str());
    if (headerList_) curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    {
        std::lock_guard<std::mutex> lock(g_routesLock);
        for (const std::string& route : g_routes) routeList_ = curl_slist_append(routeList_, route.c_str());
    }
    if (routeList_) curl_easy_setopt(easy_, CURLOPT_CONNECT_TO, routeList_);
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return FALSE;
    }
    if (!Pump([this] { return headersDone_; })) {
        stickyError_ = ERROR_INTERNET_TIMEOUT;
        SetLastError(ERROR_INTERNET_TIMEOUT);
        return FALSE;
    }
    // A final redirect that was not followed still is a complete response.
    if (!headersDone_ && done_ && result_ == CURLE_OK && status_ > 0) headersDone_ = true;
    if (!headersDone_) {
        SetLastError(result_ != CURLE_OK ? ErrorFromCurl(result_) : ERROR_HTTP_INVALID_SERVER_RESPONSE);
        return FALSE;
    }
    return TRUE;
}

BOOL Request::Available(DWORD* available)
{
    if (Buffered() == 0 && !done_ && !stickyError_) {
        Resume();
        if (!Pump([this] { return Buffered() > 0; })) stickyError_ = ERROR_INTERNET_TIMEOUT;
    }
    if (Buffered() == 0) {
        if (DWORD e = BodyError()) {
            SetLastError(e);
            return FALSE;
        }
    }
    *available = static_cast<DWORD>(std::min<size_t>(Buffered(), 0xFFFFFFFFu));
    return TRUE;
}

BOOL Request::Read(void* buffer, DWORD toRead, DWORD* read)
{
    auto* out = static_cast<char*>(buffer);
    DWORD got = 0;
    while (got < toRead) {
        size_t take = std::min<size_t>(Buffered(), toRead - got);
        if (take > 0) {
            std::memcpy(out + got, body_.data() + bodyPos_, take);
            bodyPos_ += take;
            got += static_cast<DWORD>(take);
            if (bodyPos_ == body_.size()) {
                body_.clear();
                bodyPos_ = 0;
            }
            continue;
        }
        if (done_ || stickyError_) break;
        Resume();
        if (!Pump([this] { return Buffered() > 0; })) {
            stickyError_ = ERROR_INTERNET_TIMEOUT;
            break;
        }
    }
    if (got == 0 && toRead > 0) {
        if (DWORD e = BodyError()) {
            SetLastError(e);
            return FALSE;
        }
    }
    *read = got;
    return TRUE;
}

bool Request::Query(DWORD level, const std::string& customName, DWORD index, std::string& value) const
{
    const char* name = nullptr;
    switch (level) {
    case HTTP_QUERY_STATUS_CODE:
        if (index > 0 || statusText_.empty()) return false;
        value = statusText_;
        return true;
    case HTTP_QUERY_VERSION:
        if (index > 0 || version_.empty()) return false;
        value = version_;
        return true;
    case HTTP_QUERY_CONTENT_TYPE: name = "Content-Type"; break;
    case HTTP_QUERY_CONTENT_LENGTH: name = "Content-Length"; break;
    case HTTP_QUERY_CUSTOM: name = customName.c_str(); break;
    default: return false;
    }
    DWORD seen = 0;
    for (const auto& [n, v] : responseHeaders_) {
        if (!EqualsNoCase(n, name)) continue;
        if (seen++ == index) {
            value = v;
            return true;
        }
    }
    return false;
}

template <class T>
std::shared_ptr<T> LookupAs(HINTERNET handle, Kind kind)
{
    auto object = Lookup(handle);
    if (!object) return nullptr;
    if (object->kind != kind) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

// ---- URL parts ---------------------------------------------------------------------------
struct UrlParts {
    std::wstring_view scheme, user, password, host, path, extra;
    INTERNET_PORT port = 0;
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
};

DWORD SplitUrl(std::wstring_view url, UrlParts& parts)
{
    size_t schemeLength = SchemeLength(url);
    if (schemeLength == 0) return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    parts.scheme = url.substr(0, schemeLength);
    struct Known {
        const wchar_t* name;
        INTERNET_SCHEME scheme;
        INTERNET_PORT port;
    } const known[] = {{L"http", INTERNET_SCHEME_HTTP, 80},
                       {L"https", INTERNET_SCHEME_HTTPS, 443},
                       {L"ftp", INTERNET_SCHEME_FTP, 21},
                       {L"gopher", INTERNET_SCHEME_GOPHER, 70},
                       {L"file", INTERNET_SCHEME_FILE, 0}};
    for (const Known& k : known) {
        if (CompareNoCase(parts.scheme, k.name) == 0) {
            parts.nScheme = k.scheme;
            parts.port = k.port;
        }
    }
    size_t rest = schemeLength + 1;
    size_t authorityEnd = AuthorityEnd(url);
    if (authorityEnd > 0) {
        std::wstring_view authority = url.substr(rest + 2, authorityEnd - rest - 2);
        size_t at = authority.rfind(L'@');
        if (at != std::wstring_view::npos) {
            std::wstring_view userInfo = authority.substr(0, at);
            size_t colon = userInfo.find(L':');
            parts.user = userInfo.substr(0, colon);
            if (colon != std::wstring_view::npos) parts.password = userInfo.substr(colon + 1);
            authority = authority.substr(at + 1);
        }
        size_t portColon = std::wstring_view::npos;
        if (!authority.empty() && authority[0] == L'[') {
            size_t close = authority.find(L']');
            if (close == std::wstring_view::npos) return ERROR_INTERNET_INVALID_URL;
            parts.host = authority.substr(1, close - 1);
            if (close + 1 < authority.size()) {
                if (authority[close + 1] != L':') return ERROR_INTERNET_INVALID_URL;
                portColon = close + 1;
            }
        } else {
            portColon = authority.find(L':');
            parts.host = authority.substr(0, portColon);
        }
        if (portColon != std::wstring_view::npos) {
            std::wstring_view digits = authority.substr(portColon + 1);
            if (!digits.empty()) {
                unsigned value = 0;
                for (wchar_t c : digits) {
                    if (c < L'0' || c > L'9') return ERROR_INTERNET_INVALID_URL;
                    value = value * 10 + static_cast<unsigned>(c - L'0');
                    if (value > 65535) return ERROR_INTERNET_INVALID_URL;
                }
                if (value == 0) return ERROR_INTERNET_INVALID_URL;
                parts.port = static_cast<INTERNET_PORT>(value);
            }
        }
        rest = authorityEnd;
    }
    std::wstring_view tail = url.substr(rest);
    size_t extra = tail.find_first_of(L"?#");
    parts.path = tail.substr(0, extra);
    if (extra != std::wstring_view::npos) parts.extra = tail.substr(extra);
    return ERROR_SUCCESS;
}

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

// RFC 3986 section 5.2.4: removes "." and ".." segments from a path.
std::wstring RemoveDotSegments(std::wstring_view in)
{
    std::wstring out;
    while (!in.empty()) {
        if (in.substr(0, 3) == L"../"sv) {
            in.remove_prefix(3);
        } else if (in.substr(0, 2) == L"./"sv) {
            in.remove_prefix(2);
        } else if (in.substr(0, 3) == L"/./"sv) {
            in.remove_prefix(2);
        } else if (in == L"/."sv) {
            in = L"/";
        } else if (in.substr(0, 4) == L"/../"sv || in == L"/.."sv) {
            in = in.size() == 3 ? std::wstring_view(L"/") : in.substr(3);
            size_t cut = out.rfind(L'/');
            out.erase(cut == std::wstring::npos ? 0 : cut);
        } else if (in == L"."sv || in == L".."sv) {
            in = {};
        } else {
            size_t next = in.find(L'/', in[0] == L'/' ? 1 : 0);
            if (next == std::wstring_view::npos) next = in.size();
            out.append(in.substr(0, next));
            in.remove_prefix(next);
        }
    }
    return out;
}

void AppendEscaped(std::wstring& out, unsigned char b)
{
    out += L'%';
    out += static_cast<wchar_t>(HexDigit(b >> 4));
    out += static_cast<wchar_t>(HexDigit(b));
}

}  // namespace

// ---- Public calls ------------------------------------------------------------------------
HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR, LPCWSTR, DWORD)
{
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    EnsureCurl();
    auto session = std::make_shared<InetObject>(Kind::Session);
    if (agent) session->agent = WideToMultiByte(CP_ACP, agent);
    if (session->agent.find_first_of("\r\n") != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    session->directProxy = accessType == INTERNET_OPEN_TYPE_DIRECT;
    return Register(std::move(session));
}

BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength)
{
    auto object = Lookup(handle);
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

HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR)
{
    auto s = LookupAs<InetObject>(session, Kind::Session);
    if (!s) return nullptr;
    if (!url || !*url) {
        SetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    UrlParts parts;
    if (DWORD e = SplitUrl(url, parts)) {
        SetLastError(e);
        return nullptr;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        return nullptr;
    }
    auto request = std::make_shared<Request>();
    request->timeouts = s->timeouts;
    request->agent = s->agent;
    request->directProxy = s->directProxy;
    request->url = UrlForWire(url);
    if (!ParseHeaderText(headers, headersLength, request->headers)) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return nullptr;
    }
    if (flags & INTERNET_FLAG_PRAGMA_NOCACHE) request->headers.emplace_back("Pragma: no-cache");
    if (!request->Send()) return nullptr;
    return Register(std::move(request));
}

HINTERNET InternetConnectW(HINTERNET session, LPCWSTR serverName, INTERNET_PORT port, LPCWSTR, LPCWSTR,
                           DWORD service, DWORD, DWORD_PTR)
{
    auto s = LookupAs<InetObject>(session, Kind::Session);
    if (!s) return nullptr;
    if (service != INTERNET_SERVICE_HTTP) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!serverName || !*serverName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto c = std::make_shared<Connection>();
    c->timeouts = s->timeouts;
    c->agent = s->agent;
    c->directProxy = s->directProxy;
    c->host = serverName;
    c->port = port;
    return Register(std::move(c));
}

HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR objectName, LPCWSTR version, LPCWSTR,
                           LPCWSTR*, DWORD flags, DWORD_PTR)
{
    auto c = LookupAs<Connection>(connection, Kind::Connection);
    if (!c) return nullptr;
    if (verb && *verb && std::wcscmp(verb, L"GET") != 0) {
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
    auto request = std::make_shared<Request>();
    request->timeouts = c->timeouts;
    request->agent = c->agent;
    request->directProxy = c->directProxy;
    request->http10 = http10;
    request->url = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port) +
                   EncodeWireBytes(WideToMultiByte(CP_ACP, object));
    if (flags & INTERNET_FLAG_PRAGMA_NOCACHE) request->headers.emplace_back("Pragma: no-cache");
    return Register(std::move(request));
}

BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD headersLength, DWORD modifiers)
{
    auto r = LookupAs<Request>(request, Kind::Request);
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
    if (!headers || !ParseHeaderText(headers, headersLength, lines) || lines.empty()) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return FALSE;
    }
    if (mode == HTTP_ADDREQ_FLAG_ADD_IF_NEW) {
        for (const std::string& line : lines) {
            std::string name = HeaderName(line);
            for (const std::string& have : r->headers) {
                if (EqualsNoCase(HeaderName(have), name)) {
                    SetLastError(ERROR_HTTP_HEADER_ALREADY_EXISTS);
                    return FALSE;
                }
            }
        }
    }
    r->headers.insert(r->headers.end(), lines.begin(), lines.end());
    return TRUE;
}

BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength)
{
    auto r = LookupAs<Request>(request, Kind::Request);
    if (!r) return FALSE;
    if (optional && optionalLength > 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (r->sent()) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    if (!ParseHeaderText(headers, headersLength, r->headers)) {
        SetLastError(ERROR_HTTP_INVALID_HEADER);
        return FALSE;
    }
    return r->Send();
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index)
{
    auto r = LookupAs<Request>(request, Kind::Request);
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
    auto r = LookupAs<Request>(file, Kind::Request);
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
    auto r = LookupAs<Request>(file, Kind::Request);
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

BOOL InternetCloseHandle(HINTERNET handle)
{
    std::shared_ptr<InetObject> object;
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
        if (it == g_table.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        g_table.erase(it);
    }
    object.reset();  // the transfer ends and its connection closes here
    return TRUE;
}

BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD bufferLength, DWORD flags)
{
    if (!url || !bufferLength || flags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring_view text(url);
    auto blank = [](wchar_t c) { return c <= L' ' || c == 0x7F; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);

    std::wstring source(text);
    size_t authorityEnd = AuthorityEnd(source);
    if (authorityEnd > 0) {
        size_t pathEnd = source.find_first_of(L"?#", authorityEnd);
        if (pathEnd == std::wstring::npos) pathEnd = source.size();
        std::wstring path = RemoveDotSegments(std::wstring_view(source).substr(authorityEnd, pathEnd - authorityEnd));
        source = source.substr(0, authorityEnd) + path + source.substr(pathEnd);
    }
    std::wstring out;
    for (size_t i = 0; i < source.size(); ++i) {
        wchar_t c = source[i];
        if (c < 0x80) {
            if (c <= L' ' || c == 0x7F || std::wcschr(L"\"<>\\^`{|}", c)) {
                AppendEscaped(out, static_cast<unsigned char>(c));
            } else {
                out += c;
            }
        } else if (i < authorityEnd) {
            out += c;  // host names outside ASCII stay for the resolver
        } else {
            for (unsigned char b : WideToMultiByte(CP_ACP, std::wstring_view(&source[i], 1))) AppendEscaped(out, b);
        }
    }
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
    UrlParts parts;
    if (DWORD e = SplitUrl(whole, parts)) {
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

void SetInternetConnectRoutes(const std::vector<std::string>& routes)
{
    std::lock_guard<std::mutex> lock(g_routesLock);
    g_routes = routes;
}
