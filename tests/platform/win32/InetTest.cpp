#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Inet.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Closes an internet handle at the end of a scope.
struct Handle {
    HINTERNET h = nullptr;
    explicit Handle(HINTERNET handle) : h(handle) {}
    ~Handle()
    {
        if (h) InternetCloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    operator HINTERNET() const { return h; }  // NOLINT(google-explicit-constructor)
};

std::wstring Query(HINTERNET request, DWORD level, const wchar_t* custom = nullptr)
{
    wchar_t text[256] = {};
    if (custom) std::wcscpy(text, custom);
    DWORD size = sizeof(text);
    if (!HttpQueryInfoW(request, level, text, &size, nullptr))
        return L"<error " + std::to_wstring(GetLastError()) + L">";
    EXPECT_EQ(std::wcslen(text) * sizeof(wchar_t), size);
    return text;
}

std::string ReadAll(HINTERNET request, DWORD chunk)
{
    std::string all;
    std::vector<char> buf(chunk);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request, buf.data(), chunk, &got)) {
            ADD_FAILURE() << "read failed with " << GetLastError();
            break;
        }
        if (got == 0) break;
        all.append(buf.data(), got);
    }
    return all;
}

HINTERNET OpenUrl(HINTERNET session, const std::wstring& url, const wchar_t* headers = nullptr, DWORD flags = 0)
{
    return InternetOpenUrlW(session, url.c_str(), headers, static_cast<DWORD>(-1), flags, 0);
}

void SetTimeout(HINTERNET h, DWORD option, DWORD ms) { ASSERT_TRUE(InternetSetOptionW(h, option, &ms, sizeof(ms))); }

TEST(InetTest, CrackUrlSplitsTheParts)
{
    struct Row {
        const wchar_t* url;
        INTERNET_SCHEME scheme;
        const wchar_t* schemeText;
        const wchar_t* host;
        INTERNET_PORT port;
        const wchar_t* user;
        const wchar_t* password;
        const wchar_t* path;
        const wchar_t* extra;
    } rows[] = {
        {L"https://media.example/a/b.avi", INTERNET_SCHEME_HTTPS, L"https", L"media.example", 443, L"", L"",
         L"/a/b.avi", L""},
        {L"http://user:pw@Host.example:8080/a%20b.avi?x=1#f", INTERNET_SCHEME_HTTP, L"http", L"Host.example", 8080,
         L"user", L"pw", L"/a%20b.avi", L"?x=1#f"},
        {L"HTTP://host", INTERNET_SCHEME_HTTP, L"HTTP", L"host", 80, L"", L"", L"", L""},
        {L"http://host:/x#top", INTERNET_SCHEME_HTTP, L"http", L"host", 80, L"", L"", L"/x", L"#top"},
        {L"http://[::1]:81/v", INTERNET_SCHEME_HTTP, L"http", L"::1", 81, L"", L"", L"/v", L""},
        {L"ftp://files/p", INTERNET_SCHEME_FTP, L"ftp", L"files", 21, L"", L"", L"/p", L""},
        {L"mms://stream/live", INTERNET_SCHEME_UNKNOWN, L"mms", L"stream", 0, L"", L"", L"/live", L""},
    };
    for (const Row& r : rows) {
        wchar_t scheme[16], host[64], user[16], password[16], path[64], extra[64];
        URL_COMPONENTSW uc;
        uc.dwStructSize = sizeof(uc);
        uc.lpszScheme = scheme;
        uc.dwSchemeLength = 16;
        uc.lpszHostName = host;
        uc.dwHostNameLength = 64;
        uc.lpszUserName = user;
        uc.dwUserNameLength = 16;
        uc.lpszPassword = password;
        uc.dwPasswordLength = 16;
        uc.lpszUrlPath = path;
        uc.dwUrlPathLength = 64;
        uc.lpszExtraInfo = extra;
        uc.dwExtraInfoLength = 64;
        ASSERT_TRUE(InternetCrackUrlW(r.url, 0, 0, &uc)) << WideToUtf8(r.url);
        EXPECT_EQ(r.scheme, uc.nScheme);
        EXPECT_EQ(std::wstring(r.schemeText), scheme);
        EXPECT_EQ(std::wstring(r.host), host);
        EXPECT_EQ(r.port, uc.nPort) << WideToUtf8(r.url);
        EXPECT_EQ(std::wstring(r.user), user);
        EXPECT_EQ(std::wstring(r.password), password);
        EXPECT_EQ(std::wstring(r.path), path);
        EXPECT_EQ(std::wstring(r.extra), extra);
        EXPECT_EQ(std::wcslen(path), uc.dwUrlPathLength);
    }
}

TEST(InetTest, CrackUrlRefusesWhatIsNoUrlAndReportsBufferSizes)
{
    struct Row {
        const wchar_t* url;
        DWORD error;
    } rows[] = {
        {L"www.example.com/a.avi", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {L"/local/file.avi", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {L"http://h:99999/", ERROR_INTERNET_INVALID_URL},
        {L"http://h:8x/", ERROR_INTERNET_INVALID_URL},
        {L"http://[::1/", ERROR_INTERNET_INVALID_URL},
    };
    for (const Row& r : rows) {
        URL_COMPONENTSW uc;
        uc.dwStructSize = sizeof(uc);
        uc.dwHostNameLength = 1;
        SetLastError(0);
        EXPECT_FALSE(InternetCrackUrlW(r.url, 0, 0, &uc)) << WideToUtf8(r.url);
        EXPECT_EQ(r.error, GetLastError()) << WideToUtf8(r.url);
    }

    // A buffer one character short; then pointers into the URL itself.
    const wchar_t* url = L"http://hostname/path?q";
    wchar_t host[8];
    URL_COMPONENTSW small;
    small.dwStructSize = sizeof(small);
    small.lpszHostName = host;
    small.dwHostNameLength = 8;
    EXPECT_FALSE(InternetCrackUrlW(url, 0, 0, &small));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

    URL_COMPONENTSW inPlace;
    inPlace.dwStructSize = sizeof(inPlace);
    inPlace.dwHostNameLength = 1;
    inPlace.dwUrlPathLength = 1;
    inPlace.dwExtraInfoLength = 1;
    ASSERT_TRUE(InternetCrackUrlW(url, 0, 0, &inPlace));
    EXPECT_EQ(url + 7, inPlace.lpszHostName);
    EXPECT_EQ(8u, inPlace.dwHostNameLength);
    EXPECT_EQ(std::wstring(L"/path"), std::wstring(inPlace.lpszUrlPath, inPlace.dwUrlPathLength));
    EXPECT_EQ(std::wstring(L"?q"), std::wstring(inPlace.lpszExtraInfo, inPlace.dwExtraInfoLength));
}

TEST(InetTest, CanonicalizeEscapesAndCleansTheUrl)
{
    struct Row {
        const wchar_t* url;
        const wchar_t* expected;
    } rows[] = {
        {L"  http://h/a b/./c/../d.avi \t", L"http://h/a%20b/d.avi"},
        {L"http://h/%41<x>|{y}", L"http://h/%41%3Cx%3E%7C%7By%7D"},
        {L"http://h/../../top", L"http://h/top"},
        {L"http://h/\uD55C.avi?q=\uAE00", L"http://h/%C7%D1.avi?q=%B1%DB"},  // ANSI code page 949
        {L"http://h:8080", L"http://h:8080"},
    };
    for (const Row& r : rows) {
        wchar_t out[128];
        DWORD length = 128;
        ASSERT_TRUE(InternetCanonicalizeUrlW(r.url, out, &length, 0)) << WideToUtf8(r.url);
        EXPECT_EQ(std::wstring(r.expected), out);
        EXPECT_EQ(std::wcslen(r.expected), length);
    }
    // Exactly the characters plus the NUL fit; one less asks for that many.
    wchar_t out[32];
    DWORD length = 14;  // "http://h/a%20b" is 14 characters
    EXPECT_FALSE(InternetCanonicalizeUrlW(L"http://h/a b", out, &length, 0));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(15u, length);
    EXPECT_TRUE(InternetCanonicalizeUrlW(L"http://h/a b", out, &length, 0));
    EXPECT_EQ(14u, length);
}

TEST(InetTest, OpenUrlSendsAgentHeadersAndAnswersHeaderQueries)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.headers.emplace_back("Content-Type", "text/plain");
        reply.body = "hello world";
        return reply;
    });
    Handle session(InternetOpenW(L"RivoAgent/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    ASSERT_TRUE(session.h);
    Handle request(OpenUrl(session, server.WUrl("/file.txt"), L"X-Extra: one\r\nX-Other: two\r\n",
                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE));
    ASSERT_TRUE(request.h) << GetLastError();

    EXPECT_EQ(L"200", Query(request, HTTP_QUERY_STATUS_CODE));
    EXPECT_EQ(L"HTTP/1.1", Query(request, HTTP_QUERY_VERSION));
    EXPECT_EQ(L"11", Query(request, HTTP_QUERY_CONTENT_LENGTH));
    EXPECT_EQ(L"text/plain", Query(request, HTTP_QUERY_CONTENT_TYPE));
    EXPECT_EQ(L"close", Query(request, HTTP_QUERY_CUSTOM, L"connection"));
    EXPECT_EQ(L"<error 12150>", Query(request, HTTP_QUERY_CUSTOM, L"X-Missing"));

    // Too small a buffer reports the bytes needed with the NUL.
    wchar_t small[2];
    DWORD size = sizeof(small);
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, small, &size, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(3 * sizeof(wchar_t), size);

    EXPECT_EQ("hello world", ReadAll(request, 4));
    DWORD got = 99;
    EXPECT_TRUE(InternetReadFile(request, small, sizeof(small), &got));
    EXPECT_EQ(0u, got);

    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    const TestHttpRequest& r = requests[0];
    EXPECT_EQ("GET", r.method);
    EXPECT_EQ("/file.txt", r.target);
    EXPECT_EQ("HTTP/1.1", r.version);
    EXPECT_EQ("RivoAgent/1.0", r.Header("User-Agent"));
    EXPECT_EQ("one", r.Header("X-Extra"));
    EXPECT_EQ("two", r.Header("X-Other"));
    EXPECT_EQ("no-cache", r.Header("Pragma"));
    EXPECT_EQ(0, r.HeaderCount("Accept-Encoding"));
    EXPECT_EQ("127.0.0.1:" + std::to_string(server.port()), r.Header("Host"));
}

TEST(InetTest, ResponseVersionAndStatusAreTheServers)
{
    struct Row {
        const char* statusLine;
        const wchar_t* version;
        const wchar_t* status;
    } rows[] = {
        {"HTTP/1.0 200 OK", L"HTTP/1.0", L"200"},
        {"HTTP/1.1 404 Not Found", L"HTTP/1.1", L"404"},
        {"HTTP/1.1 403 Forbidden", L"HTTP/1.1", L"403"},
    };
    for (const Row& row : rows) {
        LoopbackHttpServer server([&row](const TestHttpRequest&) {
            TestHttpReply reply;
            reply.statusLine = row.statusLine;
            reply.body = "body";
            return reply;
        });
        Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        Handle request(OpenUrl(session, server.WUrl("/")));
        ASSERT_TRUE(request.h) << row.statusLine;
        EXPECT_EQ(row.version, Query(request, HTTP_QUERY_VERSION));
        EXPECT_EQ(row.status, Query(request, HTTP_QUERY_STATUS_CODE));
        EXPECT_EQ("body", ReadAll(request, 100));
    }
}

TEST(InetTest, RedirectsAreFollowedToTheFinalResponse)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) {
        TestHttpReply reply;
        if (r.target == "/new") {
            reply.body = "here";
            return reply;
        }
        reply.statusLine = "HTTP/1.1 302 Found";
        reply.headers.emplace_back("Location", r.target == "/old" ? "/new" : "/loop");
        reply.body = "moved";
        return reply;
    });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Handle request(OpenUrl(session, server.WUrl("/old")));
    ASSERT_TRUE(request.h);
    EXPECT_EQ(L"200", Query(request, HTTP_QUERY_STATUS_CODE));
    EXPECT_EQ(L"<error 12150>", Query(request, HTTP_QUERY_CUSTOM, L"Location"));
    EXPECT_EQ("here", ReadAll(request, 64));

    EXPECT_EQ(nullptr, OpenUrl(session, server.WUrl("/loop")));
    EXPECT_EQ(ERROR_HTTP_REDIRECT_FAILED, GetLastError());
}

TEST(InetTest, RequestOnConnectionAddsHeadersOnlyIfNewAndEncodesTheObject)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 100, true); });
    Handle session(InternetOpenW(L"agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Handle connection(InternetConnectW(session, L"127.0.0.1", static_cast<INTERNET_PORT>(server.port()), nullptr,
                                       nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    ASSERT_TRUE(connection.h);
    Handle request(HttpOpenRequestW(connection, L"GET", L"/dir/a b.avi?q=1", L"HTTP/1.1", nullptr, nullptr,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION,
                                    0));
    ASSERT_TRUE(request.h);
    wchar_t text[32];
    DWORD size = sizeof(text);
    EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_STATE, GetLastError());

    EXPECT_TRUE(
        HttpAddRequestHeadersW(request, L"Range: bytes=5-", static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    EXPECT_FALSE(
        HttpAddRequestHeadersW(request, L"range: bytes=9-", static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    EXPECT_EQ(ERROR_HTTP_HEADER_ALREADY_EXISTS, GetLastError());
    EXPECT_FALSE(HttpAddRequestHeadersW(request, L"no colon here", static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD));
    EXPECT_EQ(ERROR_HTTP_INVALID_HEADER, GetLastError());
    ASSERT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0)) << GetLastError();
    EXPECT_FALSE(HttpAddRequestHeadersW(request, L"X-Late: 1", static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_STATE, GetLastError());

    EXPECT_EQ(L"206", Query(request, HTTP_QUERY_STATUS_CODE));
    EXPECT_EQ(L"bytes 5-99/100", Query(request, HTTP_QUERY_CUSTOM, L"Content-Range"));
    EXPECT_EQ(LoopbackHttpServer::Pattern(5, 95), ReadAll(request, 1000));

    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/dir/a%20b.avi?q=1", requests[0].target);
    EXPECT_EQ("bytes=5-", requests[0].Header("Range"));
    EXPECT_EQ(1, requests[0].HeaderCount("Range"));
}

TEST(InetTest, HugeBodyStreamsWhileTheReaderReads)
{
    constexpr int64_t kLength = 4LL << 30;  // 4 GiB, made on the fly
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kLength, true); });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    auto start = Clock::now();
    Handle request(OpenUrl(session, server.WUrl("/huge.bin")));
    ASSERT_TRUE(request.h);
    EXPECT_EQ(L"4294967296", Query(request, HTTP_QUERY_CONTENT_LENGTH));

    std::string first(10240, '\0');
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request, first.data(), 10240, &got));
    ASSERT_EQ(10240u, got);
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 10240), first);

    // The reader pauses: the server may fill socket buffers and a small
    // window, never the resource.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(server.BodyBytesSent(), 32LL << 20);

    std::string more(1 << 20, '\0');
    ASSERT_TRUE(InternetReadFile(request, more.data(), 1 << 20, &got));
    ASSERT_EQ(1u << 20, got);
    EXPECT_EQ(LoopbackHttpServer::Pattern(10240, 1 << 20), more);
    EXPECT_TRUE(InternetCloseHandle(request.h));
    request.h = nullptr;
    EXPECT_LT(server.BodyBytesSent(), 64LL << 20);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}

TEST(InetTest, LongBodyArrivesIntactThroughManySmallReads)
{
    constexpr int64_t kLength = 6 << 20;
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kLength, false); });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Handle request(OpenUrl(session, server.WUrl("/long.bin")));
    ASSERT_TRUE(request.h);
    std::string all = ReadAll(request, 10240);
    ASSERT_EQ(static_cast<size_t>(kLength), all.size());
    EXPECT_TRUE(all == LoopbackHttpServer::Pattern(0, kLength));
}

TEST(InetTest, SlowSenderIsWaitedForUntilTheBufferIsFull)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.body = LoopbackHttpServer::Pattern(0, 2000);
        reply.pieceBytes = 200;
        reply.pieceDelayMs = 30;
        return reply;
    });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Handle request(OpenUrl(session, server.WUrl("/slow")));
    ASSERT_TRUE(request.h);
    DWORD available = 0;
    ASSERT_TRUE(InternetQueryDataAvailable(request, &available, 0, 0));
    EXPECT_GT(available, 0u);
    EXPECT_LE(available, 2000u);
    std::string body(2000, '\0');
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request, body.data(), 2000, &got));
    EXPECT_EQ(2000u, got);
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 2000), body);
    ASSERT_TRUE(InternetQueryDataAvailable(request, &available, 0, 0));
    EXPECT_EQ(0u, available);
}

TEST(InetTest, SilenceLongerThanTheReceiveTimeoutFailsTheRead)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.body = "late";
        reply.stallMs = 20000;
        return reply;
    });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    SetTimeout(session, INTERNET_OPTION_RECEIVE_TIMEOUT, 300);
    Handle request(OpenUrl(session, server.WUrl("/stall")));
    ASSERT_TRUE(request.h);
    auto start = Clock::now();
    char buf[8];
    DWORD got = 7;
    EXPECT_FALSE(InternetReadFile(request, buf, sizeof(buf), &got));
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, GetLastError());
    EXPECT_EQ(0u, got);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}

TEST(InetTest, BodyCutShortOfItsLengthJustEnds)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.body = LoopbackHttpServer::Pattern(0, 1000);
        reply.sendLimit = 600;
        return reply;
    });
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Handle request(OpenUrl(session, server.WUrl("/short")));
    ASSERT_TRUE(request.h);
    std::string body(1000, '\0');
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(request, body.data(), 1000, &got));
    EXPECT_EQ(600u, got);
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 600), body.substr(0, 600));
    ASSERT_TRUE(InternetReadFile(request, body.data(), 1000, &got));
    EXPECT_EQ(0u, got);
}

TEST(InetTest, FailuresReportTheirErrors)
{
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    SetTimeout(session, INTERNET_OPTION_CONNECT_TIMEOUT, 5000);
    struct Row {
        std::wstring url;
        DWORD error;
    } rows[] = {
        {L"http://127.0.0.1:" + std::to_wstring(LoopbackHttpServer::UnusedPort()) + L"/x",
         ERROR_INTERNET_CANNOT_CONNECT},
        {L"ftp://127.0.0.1/x", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {L"127.0.0.1/x", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        {L"http://127.0.0.1:0/x", ERROR_INTERNET_INVALID_URL},
    };
    for (const Row& r : rows) {
        SetLastError(0);
        EXPECT_EQ(nullptr, OpenUrl(session, r.url)) << WideToUtf8(r.url);
        EXPECT_EQ(r.error, GetLastError()) << WideToUtf8(r.url);
    }

    DWORD value = 1;
    EXPECT_FALSE(InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, 2));
    EXPECT_EQ(ERROR_INTERNET_BAD_OPTION_LENGTH, GetLastError());
    EXPECT_FALSE(InternetSetOptionW(session, 9999, &value, sizeof(value)));
    EXPECT_EQ(ERROR_INTERNET_INVALID_OPTION, GetLastError());

    char buf[4];
    DWORD got = 0;
    EXPECT_FALSE(InternetReadFile(session, buf, 4, &got));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, GetLastError());
    HINTERNET stale = InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    EXPECT_TRUE(InternetCloseHandle(stale));
    EXPECT_FALSE(InternetCloseHandle(stale));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(InternetReadFile(stale, buf, 4, &got));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(InetTest, SecureRequestSpeaksTlsToPort443)
{
    // The route sends connections for the unresolvable name's port 443 to the
    // loopback server, which sees what arrives and closes: a TLS hello.
    LoopbackHttpServer server([](const TestHttpRequest&) { return TestHttpReply{}; });
    SetInternetConnectRoutes({"rivo-test.invalid:443:127.0.0.1:" + std::to_string(server.port())});
    Handle session(InternetOpenW(L"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    SetTimeout(session, INTERNET_OPTION_CONNECT_TIMEOUT, 5000);
    SetLastError(0);
    EXPECT_EQ(nullptr, OpenUrl(session, L"https://rivo-test.invalid/clip.avi"));
    EXPECT_EQ(ERROR_INTERNET_SECURITY_CHANNEL_ERROR, GetLastError());
    SetInternetConnectRoutes({});

    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    ASSERT_GE(requests[0].firstBytes.size(), 2u);
    EXPECT_EQ(0x16, requests[0].firstBytes[0]);  // TLS handshake record
    EXPECT_EQ(0x03, requests[0].firstBytes[1]);
}

}  // namespace
