#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "foundation/HttpFileReader.h"
#include "platform/win32/CodePage.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

constexpr DWORD kTimeout = 10000;

std::string ReadBytes(CHttpFileReader& reader, DWORD count)
{
    std::string buf(count, '\0');
    DWORD got = reader.Read(buf.data(), count);
    buf.resize(got);
    return buf;
}

// Routes connections for rivo-test.invalid:PORT to the loopback server while
// it lives, so URLs can name any port without leaving the machine.
class Route {
public:
    Route(int urlPort, const LoopbackHttpServer& server)
    {
        SetInternetConnectRoutes(
            {"rivo-test.invalid:" + std::to_string(urlPort) + ":127.0.0.1:" + std::to_string(server.port())});
    }
    ~Route() { SetInternetConnectRoutes({}); }
};

TEST(HttpFileReaderTest, PercentEncodeUrlEscapesBlanksAndHighBytes)
{
    struct Row {
        const wchar_t* url;
        const wchar_t* expected;
    } rows[] = {
        {L"http://h/my clip.avi", L"http://h/my%20clip.avi"},
        {L"http://h/\uD55C\uAE00.avi", L"http://h/%c7%d1%b1%db.avi"},  // code page 949 bytes
        {L"http://h/a%20b?x=<1>&y=#z", L"http://h/a%20b?x=<1>&y=#z"},
        {L"", L""},
    };
    for (const Row& r : rows) {
        std::unique_ptr<wchar_t[]> encoded(PercentEncodeUrl(r.url));
        ASSERT_TRUE(encoded);
        EXPECT_EQ(std::wstring(r.expected), encoded.get());
    }
    EXPECT_EQ(nullptr, PercentEncodeUrl(nullptr));
}

TEST(HttpFileReaderTest, OpenReadsTheHeadWithARangeFromZero)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) {
        TestHttpReply reply = LoopbackHttpServer::Resource(r, 1000, true);
        reply.headers[0].second = "xgm/application";
        return reply;
    });
    CHttpFileReader reader(kTimeout, L"HttpGetFile");
    EXPECT_EQ(-1, reader.GetPosition());
    EXPECT_EQ(0, reader.GetLength());
    ASSERT_TRUE(reader.Open(server.WUrl("/clip.avi?id=7").c_str()));
    EXPECT_EQ(0, reader.GetPosition());
    EXPECT_EQ(1000, reader.GetLength());
    EXPECT_TRUE(reader.CanSeek());
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 256), ReadBytes(reader, 256));
    EXPECT_EQ(256, reader.GetPosition());

    wchar_t type[64];
    EXPECT_EQ(15, reader.GetContentType(type, 64));
    EXPECT_EQ(std::wstring(L"xgm/application"), type);
    EXPECT_EQ(15, reader.GetContentType(type, 15));
    EXPECT_EQ(std::wstring(), type);

    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/clip.avi?id=7", requests[0].target);
    EXPECT_EQ("HTTP/1.1", requests[0].version);
    EXPECT_EQ("bytes=0-", requests[0].Header("Range"));
    EXPECT_EQ("HttpGetFile", requests[0].Header("User-Agent"));
    EXPECT_EQ(0, reader.ReservedQuery());
    EXPECT_EQ(0, reader.ReservedControl(1, 2));
}

TEST(HttpFileReaderTest, CanSeekNeedsHttp11AndALength)
{
    struct Row {
        const char* version;
        bool sendLength;
        bool canSeek;
    } rows[] = {
        {"HTTP/1.1", true, true},
        {"HTTP/1.0", true, false},
        {"HTTP/1.1", false, false},
    };
    for (const Row& row : rows) {
        LoopbackHttpServer server([&row](const TestHttpRequest& r) {
            TestHttpReply reply = LoopbackHttpServer::Resource(r, 500, true, row.version);
            reply.sendLength = row.sendLength;
            return reply;
        });
        CHttpFileReader reader(kTimeout, L"HttpGetFile");
        ASSERT_TRUE(reader.Open(server.WUrl("/a.ogg").c_str())) << row.version;
        EXPECT_EQ(row.sendLength ? 500 : 0, reader.GetLength());
        EXPECT_EQ(row.canSeek, reader.CanSeek()) << row.version << " length " << row.sendLength;
        EXPECT_EQ(LoopbackHttpServer::Pattern(0, 500), ReadBytes(reader, 500));
    }
}

TEST(HttpFileReaderTest, SeekAsksForTheRangeAndReadsTheBytesThere)
{
    constexpr int64_t kLength = 5LL << 30;  // past every 32-bit limit, made on the fly
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kLength, true); });
    CHttpFileReader reader(kTimeout, L"HttpGetFile");
    ASSERT_TRUE(reader.Open(server.WUrl("/big.mp4").c_str()));
    EXPECT_EQ(kLength, reader.GetLength());
    struct Row {
        int64_t position;
        const char* range;
    } rows[] = {
        {500, "bytes=500-"},
        {2147483653LL, "bytes=2147483653-"},
        {4294967303LL, "bytes=4294967303-"},
        {kLength - 10, "bytes=5368709110-"},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(r.position, reader.SeekTo(r.position));
        EXPECT_EQ(r.range, server.Requests().back().Header("Range"));
        EXPECT_EQ(LoopbackHttpServer::Pattern(r.position, 10), ReadBytes(reader, 10)) << r.position;
        EXPECT_EQ(r.position + 10, reader.GetPosition());
    }
    // Seeking to where the reader stands sends nothing.
    size_t before = server.RequestCount();
    EXPECT_EQ(kLength, reader.SeekTo(kLength));
    EXPECT_EQ(before, server.RequestCount());
}

TEST(HttpFileReaderTest, SeekAnsweredFromTheStartOrRefusedIsAFailure)
{
    struct Row {
        bool honourRange;
        int64_t position;
    } rows[] = {
        {false, 100},  // 200 with the whole resource for a ranged request
        {true, 1000},  // 416: the position is past the end
    };
    for (const Row& row : rows) {
        LoopbackHttpServer server(
            [&row](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 1000, row.honourRange); });
        CHttpFileReader reader(kTimeout, L"HttpGetFile");
        ASSERT_TRUE(reader.Open(server.WUrl("/a.avi").c_str()));
        EXPECT_EQ(-1, reader.SeekTo(row.position));
        EXPECT_EQ(-1, reader.GetPosition());
        char buf[16];
        EXPECT_EQ(0u, reader.Read(buf, sizeof(buf))) << "no bytes from the wrong place";
        EXPECT_FALSE(reader.CanSeek());
        // The reader can still be sent back to a good place.
        EXPECT_EQ(0, reader.SeekTo(0));
        EXPECT_EQ(LoopbackHttpServer::Pattern(0, 16), ReadBytes(reader, 16));
    }
}

TEST(HttpFileReaderTest, ShortReadAsksExactlyOnceMoreFromTheSamePlace)
{
    struct Row {
        bool everyReplyShort;
        DWORD expected;
    } rows[] = {{false, 1000}, {true, 300}};
    for (const Row& row : rows) {
        std::atomic<int> served{0};
        LoopbackHttpServer server([&row, &served](const TestHttpRequest& r) {
            TestHttpReply reply = LoopbackHttpServer::Resource(r, 1200, true);
            if (served++ == 0 || row.everyReplyShort) reply.sendLimit = 300;  // then the connection drops
            return reply;
        });
        CHttpFileReader reader(kTimeout, L"HttpGetFile");
        ASSERT_TRUE(reader.Open(server.WUrl("/cut.avi").c_str()));
        EXPECT_EQ(LoopbackHttpServer::Pattern(0, row.expected), ReadBytes(reader, 1000));
        EXPECT_EQ(static_cast<int64_t>(row.expected), reader.GetPosition());
        auto requests = server.Requests();
        ASSERT_EQ(2u, requests.size());
        EXPECT_EQ("bytes=0-", requests[0].Header("Range"));
        EXPECT_EQ("bytes=0-", requests[1].Header("Range"));
    }
}

TEST(HttpFileReaderTest, ReadingToTheKnownEndAsksNothingMore)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 100, true); });
    CHttpFileReader reader(kTimeout, L"HttpGetFile");
    ASSERT_TRUE(reader.Open(server.WUrl("/tiny.ogg").c_str()));
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 100), ReadBytes(reader, 256));
    EXPECT_EQ(100, reader.GetPosition());
    EXPECT_EQ("", ReadBytes(reader, 256));
    EXPECT_EQ(100, reader.GetPosition());
    EXPECT_EQ(1u, server.RequestCount());
}

TEST(HttpFileReaderTest, PortAndBlankInTheUrlReachTheServer)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 64, true); });
    Route route(8080, server);
    CHttpFileReader reader(kTimeout, L"HttpGetFile");
    ASSERT_TRUE(reader.Open(L"http://rivo-test.invalid:8080/my clip.avi"));
    EXPECT_EQ(LoopbackHttpServer::Pattern(0, 64), ReadBytes(reader, 64));
    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/my%20clip.avi", requests[0].target);
    EXPECT_EQ("rivo-test.invalid:8080", requests[0].Header("Host"));
}

TEST(HttpFileReaderTest, HttpsWithoutAPortSpeaksTlsTo443)
{
    LoopbackHttpServer server([](const TestHttpRequest&) { return TestHttpReply{}; });
    {
        Route route(443, server);
        CHttpFileReader reader(kTimeout, L"HttpGetFile");
        EXPECT_FALSE(reader.Open(L"https://rivo-test.invalid/clip.avi"));  // the loopback server speaks no TLS
        EXPECT_EQ(-1, reader.GetPosition());
        auto requests = server.Requests();
        ASSERT_EQ(1u, requests.size());
        ASSERT_GE(requests[0].firstBytes.size(), 1u);
        EXPECT_EQ(0x16, requests[0].firstBytes[0]) << "a TLS handshake arrived on the port for 443";

        // After a failed open the same reader opens again.
        LoopbackHttpServer plain([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 10, true); });
        ASSERT_TRUE(reader.Open(plain.WUrl("/again.avi").c_str()));
        EXPECT_EQ(LoopbackHttpServer::Pattern(0, 10), ReadBytes(reader, 10));
    }
}

TEST(HttpFileReaderTest, OpenFailsWithoutTrafficForBadUrlsAndSucceedsOnAnyStatus)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.statusLine = "HTTP/1.1 404 Not Found";
        reply.body = "no such clip";
        return reply;
    });
    CHttpFileReader reader(kTimeout, L"HttpGetFile");
    std::wstring tooLong = server.WUrl("/") + std::wstring(700, L' ');  // 2,100 characters once encoded
    EXPECT_FALSE(reader.Open(tooLong.c_str()));
    EXPECT_FALSE(reader.Open(L"www.example.com/clip.avi"));
    EXPECT_FALSE(reader.Open(nullptr));
    EXPECT_EQ(0u, server.RequestCount());

    std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(LoopbackHttpServer::UnusedPort()) + L"/x.avi";
    EXPECT_FALSE(reader.Open(refused.c_str()));
    EXPECT_EQ(-1, reader.GetPosition());

    // The status is not the reader's business: probing asks for it separately.
    ASSERT_TRUE(reader.Open(server.WUrl("/missing.avi").c_str()));
    EXPECT_EQ(12, reader.GetLength());
    EXPECT_EQ("no such clip", ReadBytes(reader, 256));
    reader.Close();
    EXPECT_EQ(-1, reader.GetPosition());
    char buf[4];
    EXPECT_EQ(0u, reader.Read(buf, sizeof(buf)));
}

}  // namespace
