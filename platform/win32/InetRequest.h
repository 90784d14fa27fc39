// InetRequest: one HTTP request of the internet layer over libcurl, as the
// request handles of Inet.h work it.
//
// Requests speak HTTP/1.1 (or HTTP/1.0 when asked), never HTTP/2, send no
// Accept-Encoding (ranges and lengths are on the raw bytes), follow redirects
// between http and https addresses (at most 10), and verify https
// certificates. Nothing is cached. The body is read as it arrives: at most a
// small window of it is held in memory, the server is held back (TCP flow
// control) while the reader does not read. A receive time-out is the longest
// silence allowed while waiting for the response or its data. Errors are
// reported by result and SetLastError with the internet layer's codes.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "InetHandleTable.h"

// Header texts of requests and responses.
// Splits "Name: value" lines (CRLF or LF separated) into narrow header lines
// (the ANSI code page) appended to out; false for a line that is no header.
// headersLength (DWORD)-1 means NUL-ended; a null text holds no lines.
bool ParseHttpHeaderText(LPCWSTR text, DWORD length, std::vector<std::string>& out);
// The name of a "Name: value" line, without blanks around it.
std::string HttpHeaderName(const std::string& line);
// ASCII letters compared without regard to case.
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);

class InetRequest final : public InetObject {
public:
    InetRequest() : InetObject(InetKind::Request) {}
    ~InetRequest() override;

    // Set before Send: the URL as libcurl takes it, HTTP/1.0 instead of 1.1,
    // and the request's header lines.
    std::string url;
    bool http10 = false;
    std::vector<std::string> headers;

    // Readies libcurl for the process (once); every request does it too.
    static void InitLibrary();
    // Test seam behind SetInternetConnectRoutes: the routes every request
    // made afterwards connects by.
    static void SetConnectRoutes(const std::vector<std::string>& routes);

    bool sent() const { return sent_; }
    // Sends the request and waits for the response's headers (once).
    BOOL Send();
    // Waits for body data; what can be read without waiting, 0 at the end.
    BOOL Available(DWORD* available);
    // Waits until the buffer is full or the body has ended.
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
    std::chrono::steady_clock::time_point lastActivity_;
};
