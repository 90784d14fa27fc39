#include "InetRequest.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "CodePage.h"

namespace {

using Clock = std::chrono::steady_clock;

// How much of a body is held before the server is held back.
constexpr size_t kBodyWindow = 256 * 1024;

std::mutex g_routesLock;
std::vector<std::string> g_routes;

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
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

}  // namespace

bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
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

std::string HttpHeaderName(const std::string& line) { return Trim(line.substr(0, line.find(':'))); }

bool ParseHttpHeaderText(LPCWSTR text, DWORD length, std::vector<std::string>& out)
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
        std::string name = HttpHeaderName(line);
        if (name.empty() || name.find_first_of(" \t\r") != std::string::npos) return false;
        if (line.find('\r') != std::string::npos) return false;
        out.push_back(line);
    }
    return true;
}

void InetRequest::InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void InetRequest::SetConnectRoutes(const std::vector<std::string>& routes)
{
    std::lock_guard<std::mutex> lock(g_routesLock);
    g_routes = routes;
}

InetRequest::~InetRequest()
{
    if (multi_ && easy_) curl_multi_remove_handle(multi_, easy_);
    if (easy_) curl_easy_cleanup(easy_);
    if (multi_) curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
    curl_slist_free_all(routeList_);
}

size_t InetRequest::OnHeader(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<InetRequest*>(self);
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
        std::string name = HttpHeaderName(line);
        std::string value = Trim(std::string_view(line).substr(line.find(':') + 1));
        if (EqualsNoCaseAscii(name, "location")) r->hasLocation_ = true;
        r->responseHeaders_.emplace_back(std::move(name), std::move(value));
    }
    return length;
}

size_t InetRequest::OnBody(char* data, size_t size, size_t count, void* self)
{
    auto* r = static_cast<InetRequest*>(self);
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

int InetRequest::OnConnected(void* self, char*, char*, int, int)
{
    auto* r = static_cast<InetRequest*>(self);
    // From here on the receive time-out measures the server's silence; before
    // it the connect time-out of libcurl governs.
    r->connected_ = true;
    r->lastActivity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
}

void InetRequest::Resume()
{
    if (!paused_ || done_) return;
    paused_ = false;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
}

bool InetRequest::Pump(const std::function<bool()>& ready)
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

DWORD InetRequest::BodyError() const
{
    if (stickyError_) return stickyError_;
    // A body cut short of its announced length just ends, as the platform's
    // client reports it; the reader notices the short count.
    if (done_ && result_ != CURLE_OK && result_ != CURLE_PARTIAL_FILE) return ErrorFromCurl(result_);
    return 0;
}

BOOL InetRequest::Send()
{
    if (sent_) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return FALSE;
    }
    InitLibrary();
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
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &InetRequest::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &InetRequest::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &InetRequest::OnConnected);
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

BOOL InetRequest::Available(DWORD* available)
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

BOOL InetRequest::Read(void* buffer, DWORD toRead, DWORD* read)
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

bool InetRequest::Query(DWORD level, const std::string& customName, DWORD index, std::string& value) const
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
        if (!EqualsNoCaseAscii(n, name)) continue;
        if (seen++ == index) {
            value = v;
            return true;
        }
    }
    return false;
}
