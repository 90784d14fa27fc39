#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/UrlDownload.h"
#include "platform/win32/CodePage.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int64_t kSmall = 25000;

// Records the download messages as "START n", "PROGRESS n", "COMPLETE n".
class UrlDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessagePoster([this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
            std::lock_guard<std::mutex> guard(lock_);
            std::string name = m == start_      ? "START"
                               : m == progress_ ? "PROGRESS"
                               : m == complete_ ? "COMPLETE"
                                                : "OTHER";
            trace_.push_back(name + " " + std::to_string(lp));
            windows_.push_back(w);
            numbers_.push_back(wp);
            return TRUE;
        });
    }
    void TearDown() override { SetMessagePoster(nullptr); }

    std::vector<std::string> Trace()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return trace_;
    }
    void ExpectAllFor(DWORD number)
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (WPARAM n : numbers_) EXPECT_EQ(number, n);
        for (HWND w : windows_) EXPECT_EQ(window_, w);
    }
    void ClearTrace()
    {
        std::lock_guard<std::mutex> guard(lock_);
        trace_.clear();
        numbers_.clear();
        windows_.clear();
    }

    // A memory-mode download with a window; the block is freed by the test.
    int Download(const std::string& url, int limit, std::string* bytes, DWORD* count, int64_t* length = nullptr,
                 const wchar_t* agent = L"HttpGetFile", const wchar_t* headers = nullptr, DWORD* number = nullptr)
    {
        BYTE* block = nullptr;
        int result = StartUrlDownload(Utf8ToWide(url).c_str(), nullptr, window_, number, agent, limit, FALSE, &block,
                                      count, 0, length, headers);
        if (block) {
            bytes->assign(reinterpret_cast<char*>(block), *count);
            EXPECT_EQ(0, block[*count]) << "the block ends with a NUL";
            std::free(block);
        }
        return result;
    }

    HWND window_ = reinterpret_cast<HWND>(0x5150);
    const UINT start_ = RegisterWindowMessageW(L"WM_HTTPGETFILE_START");
    const UINT progress_ = RegisterWindowMessageW(L"wm_httpgetfile_progress");
    const UINT complete_ = RegisterWindowMessageW(L"WM_HTTPGETFILE_COMPLETE");

private:
    std::mutex lock_;
    std::vector<std::string> trace_;
    std::vector<HWND> windows_;
    std::vector<WPARAM> numbers_;
};

using Lines = std::vector<std::string>;

TEST_F(UrlDownloadTest, MemoryModeDeliversTheBytesAndMessagesInOrder)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kSmall, false); });
    std::string bytes;
    DWORD count = 1, number = 0;
    int64_t length = 0;
    ASSERT_EQ(1, Download(server.Url("/clip.avi"), -1, &bytes, &count, &length, L"HttpGetFile", L"X-Probe: yes\r\n",
                          &number));
    EXPECT_EQ(static_cast<DWORD>(kSmall), count);
    EXPECT_EQ(kSmall, length);
    EXPECT_TRUE(bytes == LoopbackHttpServer::Pattern(0, kSmall));
    // The last, empty read of memory mode posts no progress.
    EXPECT_EQ((Lines{"START 25000", "PROGRESS 10240", "PROGRESS 20480", "PROGRESS 25000", "COMPLETE 1"}), Trace());
    ExpectAllFor(number);

    auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("HttpGetFile", requests[0].Header("User-Agent"));
    EXPECT_EQ("yes", requests[0].Header("X-Probe"));
    EXPECT_EQ("no-cache", requests[0].Header("Pragma"));

    // Request numbers count on.
    DWORD next = 0;
    ClearTrace();
    ASSERT_EQ(1, Download(server.Url("/clip.avi"), 8, &bytes, &count, nullptr, L"HttpGetFile", nullptr, &next));
    EXPECT_EQ(number + 1, next);
    ExpectAllFor(next);
}

TEST_F(UrlDownloadTest, FileModeReplacesTheFileAndRepeatsTheLastCount)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kSmall, false); });
    TempDir dir;
    std::string path = dir.File("head.chk");
    WriteBytes(path, std::string(40000, 'x'));
    DWORD count = 0;
    ASSERT_EQ(1, StartUrlDownload(server.WUrl("/clip.avi").c_str(), Utf8ToWide(path).c_str(), window_, nullptr,
                                  L"HttpGetFile", -1, TRUE, nullptr, &count, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(kSmall), count);
    EXPECT_TRUE(ReadBytes(path) == LoopbackHttpServer::Pattern(0, kSmall));
    EXPECT_EQ(
        (Lines{"START 25000", "PROGRESS 10240", "PROGRESS 20480", "PROGRESS 25000", "PROGRESS 25000", "COMPLETE 1"}),
        Trace());
}

TEST_F(UrlDownloadTest, NotFoundEndsAfterStartWithoutProgress)
{
    LoopbackHttpServer server([](const TestHttpRequest&) {
        TestHttpReply reply;
        reply.statusLine = "HTTP/1.1 404 Not Found";
        reply.body = "missing";
        return reply;
    });
    std::string bytes;
    DWORD count = 5;
    int64_t length = 0;
    EXPECT_EQ(0, Download(server.Url("/gone.avi"), -1, &bytes, &count, &length));
    EXPECT_EQ(7, length);
    EXPECT_EQ(0u, count);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ((Lines{"START 7", "COMPLETE 0"}), Trace());
    EXPECT_FALSE(DownloadOpenFailed());

    // The caller's block pointer and count are reset before anything is read.
    static BYTE sentinel[1];
    BYTE* block = sentinel;
    count = 9;
    EXPECT_EQ(0, StartUrlDownload(server.WUrl("/gone.avi").c_str(), nullptr, nullptr, nullptr, L"HttpGetFile", -1,
                                  FALSE, &block, &count, 0, nullptr, nullptr));
    EXPECT_EQ(nullptr, block);
    EXPECT_EQ(0u, count);
}

TEST_F(UrlDownloadTest, ByteLimitIsCheckedAfterEachChunk)
{
    constexpr int64_t kHuge = 1LL << 30;
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, kHuge, false); });
    struct Row {
        int limit;
        DWORD expected;
    } rows[] = {{4, 10240}, {8, 10240}, {256, 10240}, {10240, 10240}, {10241, 20480}};
    for (const Row& r : rows) {
        ClearTrace();
        std::string bytes;
        DWORD count = 0;
        ASSERT_EQ(1, Download(server.Url("/huge.avi"), r.limit, &bytes, &count)) << r.limit;
        EXPECT_EQ(r.expected, count) << r.limit;
        EXPECT_TRUE(bytes == LoopbackHttpServer::Pattern(0, count));
        Lines expected{"START 1073741824"};
        for (DWORD n = 10240; n <= r.expected; n += 10240) expected.push_back("PROGRESS " + std::to_string(n));
        expected.push_back("COMPLETE 1");
        EXPECT_EQ(expected, Trace());
    }
    EXPECT_LT(server.BodyBytesSent(), 256LL << 20) << "the resource is never read whole";

    // File mode without a file name still counts what it reads.
    DWORD count = 0;
    EXPECT_EQ(1, StartUrlDownload(server.WUrl("/huge.avi").c_str(), nullptr, nullptr, nullptr, L"HttpGetFile", 8, TRUE,
                                  nullptr, &count, 0, nullptr, nullptr));
    EXPECT_EQ(10240u, count);
}

TEST_F(UrlDownloadTest, RepliesWithoutLengthOrFromOldServersStillDeliver)
{
    struct Row {
        const char* statusLine;
        bool sendLength;
        const char* start;
    } rows[] = {
        {"HTTP/1.1 200 OK", false, "START -1"},
        {"HTTP/1.0 200 OK", false, "START -1"},
        {"HTTP/1.0 200 OK", true, "START 3000"},
    };
    for (const Row& r : rows) {
        LoopbackHttpServer server([&r](const TestHttpRequest&) {
            TestHttpReply reply;
            reply.statusLine = r.statusLine;
            reply.sendLength = r.sendLength;
            reply.body = LoopbackHttpServer::Pattern(0, 3000);
            return reply;
        });
        ClearTrace();
        std::string bytes;
        DWORD count = 0;
        int64_t length = 0;
        ASSERT_EQ(1, Download(server.Url("/a.ogg"), -1, &bytes, &count, &length)) << r.statusLine;
        EXPECT_EQ(3000u, count);
        EXPECT_EQ(r.sendLength ? 3000 : -1, length);
        EXPECT_EQ(LoopbackHttpServer::Pattern(0, 3000), bytes);
        EXPECT_EQ((Lines{r.start, "PROGRESS 3000", "COMPLETE 1"}), Trace());
    }
}

TEST_F(UrlDownloadTest, UnopenableUrlSetsOpenFailedUntilTheNextCall)
{
    std::string refused = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "/x.avi";
    std::string bytes;
    DWORD count = 0;
    EXPECT_EQ(0, Download(refused, 12, &bytes, &count));
    EXPECT_TRUE(DownloadOpenFailed());
    EXPECT_TRUE(DownloadOpenFailed());
    EXPECT_EQ((Lines{"COMPLETE 0"}), Trace());

    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 100, false); });
    EXPECT_EQ(1, Download(server.Url("/x.avi"), 12, &bytes, &count));
    EXPECT_FALSE(DownloadOpenFailed());
}

TEST_F(UrlDownloadTest, CallsThatCannotStartPostNothing)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) { return LoopbackHttpServer::Resource(r, 100, false); });
    std::wstring agent511(511, L'a');
    std::wstring agent512(512, L'a');
    std::string bytes;
    DWORD count = 0;
    EXPECT_EQ(0, Download(server.Url("/x"), -1, &bytes, &count, nullptr, agent512.c_str()));
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(0u, server.RequestCount());

    TempDir dir;
    EXPECT_EQ(0, StartUrlDownload(server.WUrl("/x").c_str(), dir.WFile("no/such/folder/f.chk").c_str(), window_,
                                  nullptr, L"HttpGetFile", -1, TRUE, nullptr, &count, 0, nullptr, nullptr));
    EXPECT_EQ(0, StartUrlDownload(nullptr, nullptr, window_, nullptr, L"HttpGetFile", -1, FALSE, nullptr, &count, 0,
                                  nullptr, nullptr));
    EXPECT_TRUE(Trace().empty());
    EXPECT_EQ(0u, server.RequestCount());

    EXPECT_EQ(1, Download(server.Url("/x"), -1, &bytes, &count, nullptr, agent511.c_str()));
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ(std::string(511, 'a'), server.Requests()[0].Header("User-Agent"));
}

TEST_F(UrlDownloadTest, StatusCodeOfAnAddress)
{
    LoopbackHttpServer server([](const TestHttpRequest& r) {
        TestHttpReply reply;
        reply.statusLine = "HTTP/1.1 " + r.target.substr(1) + " Whatever";
        return reply;
    });
    for (int status : {200, 206, 401, 403, 404, 406, 503}) {
        EXPECT_EQ(status,
                  GetHttpStatusCode(server.WUrl("/" + std::to_string(status)).c_str(), L"HttpGetFile", nullptr));
    }
    EXPECT_EQ(404, GetHttpStatusCode(server.WUrl("/404").c_str(), L"NSPlayer", L"X-Probe: 1\r\n"));
    TestHttpRequest last = server.Requests().back();
    EXPECT_EQ("NSPlayer", last.Header("User-Agent"));
    EXPECT_EQ("1", last.Header("X-Probe"));

    std::string refused = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "/";
    EXPECT_EQ(-1, GetHttpStatusCode(Utf8ToWide(refused).c_str(), L"HttpGetFile", nullptr));
    EXPECT_EQ(0, GetHttpStatusCode(server.WUrl("/200").c_str(), std::wstring(512, L'a').c_str(), nullptr));
    EXPECT_TRUE(Trace().empty()) << "no messages without a window";
}

}  // namespace
