// Source probing of network addresses against the loopback server: what the
// first bytes and the content type make of an address, the HTTP failures of
// the first and of later probes, the stream agent's rules, and no head file
// left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "encoder/core/SourceProbe.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

std::string AsfHeaderGuid()
{
    return std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
}

TestHttpReply Ok(const std::string& body, const std::string& contentType = "application/octet-stream")
{
    TestHttpReply r;
    r.headers = {{"Content-Type", contentType}};
    r.body = body;
    return r;
}

TestHttpReply Status(const std::string& line, const std::string& body = "")
{
    TestHttpReply r;
    r.statusLine = line;
    r.body = body;
    return r;
}

class SourceProbeRemoteTest : public CoreTest {
protected:
    // Files left in the private temporary folder.
    std::vector<std::string> TempFiles() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::recursive_directory_iterator(temp().File("runtime"), ec))
            if (e.is_regular_file()) names.push_back(e.path().filename().string());
        return names;
    }
};

struct ContentCase {
    const char* name;
    TestHttpReply reply;
    SourceTypeCode code;
};

TEST_F(SourceProbeRemoteTest, FirstBytesAndContentTypeOfA200)
{
    const std::string riff = std::string("RIFF\x10\0\0\0AVI LIST", 16) + std::string(300, 'a');
    const ContentCase cases[] = {
        {"xgm", Ok(riff, "xgm/application"), kSourceXgmHttp},
        {"avi", Ok(riff), kSourceAviHttp},
        {"asf", Ok(AsfHeaderGuid() + std::string(40, '\0')), kSourceAsfStream},
        {"ogg", Ok("OggS" + std::string(100, '\0')), kSourceOggHttp},
        {"swf", Ok("FWS\x08" + std::string(100, '\0')), kSourceSwf},
        {"cws", Ok("CWS"), kSourceSwf},
        // The first probe does not know MP4; the later one fetches its head
        // into a file and finds the box.
        {"mp4",
         Ok(std::string("\0\0\0\x18"
                        "ftypisom",
                        12) +
            std::string(100, '\0')),
         kSourceMp4Http},
        {"short-asf", Ok(AsfHeaderGuid().substr(0, 20)), kSourceUnknown},
        {"noise", Ok(std::string(300, 'z')), kSourceUnknown},
    };
    for (const ContentCase& c : cases) {
        LoopbackHttpServer server([&](const TestHttpRequest&) { return c.reply; });
        std::string target = std::string("/").append(c.name);
        SourceTypeCode code = ProbeMediaSource(CString(server.WUrl(target)));
        EXPECT_EQ(c.code, code) << c.name << " gave 0x" << std::hex << code;
        for (const TestHttpRequest& r : server.Requests()) EXPECT_EQ(target, r.target);
    }
    EXPECT_TRUE(TempFiles().empty()) << TempFiles().front();
}

TEST_F(SourceProbeRemoteTest, FailureStatusOfTheFirstProbe)
{
    const std::pair<const char*, SourceTypeCode> cases[] = {
        {"HTTP/1.1 401 Unauthorized", static_cast<int>(0xF0000401u)},
        {"HTTP/1.1 403 Forbidden", static_cast<int>(0xF0000403u)},
        {"HTTP/1.1 404 Not Found", static_cast<int>(0xF0000404u)},
        {"HTTP/1.1 406 Not Acceptable", static_cast<int>(0xF0000406u)},
        {"HTTP/1.1 503 Service Unavailable", static_cast<int>(0xF0000503u)},
        {"HTTP/1.1 500 Internal Server Error", kSourceUnknown},
    };
    for (auto [line, code] : cases) {
        for (const char* body : {"", "<html>no</html>"}) {
            LoopbackHttpServer server([&](const TestHttpRequest& r) {
                // The stream agent is never given a 500 page either.
                return r.Header("User-Agent") == "NSPlayer" ? Status(line) : Status(line, body);
            });
            EXPECT_EQ(code, ProbeMediaSource(CString(server.WUrl("/movie.avi")))) << line << " body " << body;
        }
    }
}

// The first probe finds nothing; a later one meets 404 or 403.
TEST_F(SourceProbeRemoteTest, FailureStatusOfALaterProbe)
{
    const std::pair<const char*, SourceTypeCode> cases[] = {
        {"HTTP/1.1 404 Not Found", kSourceHttpNotFound},
        {"HTTP/1.1 403 Forbidden", kSourceHttpForbidden},
    };
    for (auto [line, code] : cases) {
        std::atomic<int> served{0};
        LoopbackHttpServer server([&](const TestHttpRequest&) {
            // The first probe's read and its status question.
            return ++served <= 2 ? Ok(std::string(64, 'q')) : Status(line, "gone");
        });
        EXPECT_EQ(code, ProbeMediaSource(CString(server.WUrl("/later.avi")))) << line;
    }
}

TEST_F(SourceProbeRemoteTest, StreamAgentRules)
{
    struct Case {
        const char* name;
        const char* otherBody;  // what every other agent gets with a 500
        SourceTypeCode code;
    };
    const Case cases[] = {
        // Nothing at all for the ordinary agent: the first probe asks as the
        // stream agent.
        {"first", "", kSourceAsfStream},
        // An error page for the ordinary agent: only the ASF probe asks as
        // the stream agent.
        {"later", "<html>use a player</html>", kSourceAsfNoIndex},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server([&](const TestHttpRequest& r) {
            if (r.Header("User-Agent") == "NSPlayer") return Ok(std::string(300, 's'));
            return Status("HTTP/1.1 500 Internal Server Error", c.otherBody);
        });
        EXPECT_EQ(c.code, ProbeMediaSource(CString(server.WUrl("/live")))) << c.name;
        int streamAgent = 0, other = 0;
        for (const TestHttpRequest& r : server.Requests())
            (r.Header("User-Agent") == "NSPlayer" ? streamAgent : other)++;
        EXPECT_EQ(1, streamAgent) << c.name;
        EXPECT_GT(other, 0) << c.name;
        for (const TestHttpRequest& r : server.Requests()) {
            std::string agent = r.Header("User-Agent");
            EXPECT_TRUE(agent == "NSPlayer" || agent == "HttpGetFile") << agent;
        }
    }
}

TEST_F(SourceProbeRemoteTest, AvisAddressesAreFetchedOverHttp)
{
    const std::string riff = std::string("RIFF\x10\0\0\0AVI LIST", 16) + std::string(100, 'a');
    LoopbackHttpServer server([&](const TestHttpRequest&) { return Ok(riff); });
    std::string url = server.Url("/clip.avi?x=1");
    std::string avis = "AVIS" + url.substr(4);
    EXPECT_EQ(kSourceAviHttp, ProbeMediaSource(CString(Utf8ToWide(avis))));
    EXPECT_EQ(2, ProbeAvi(CString(Utf8ToWide(avis))));
    ASSERT_FALSE(server.Requests().empty());
    for (const TestHttpRequest& r : server.Requests()) EXPECT_EQ("/clip.avi?x=1", r.target);
}

TEST_F(SourceProbeRemoteTest, AnAddressWhereNothingListensIsUnknownAtOnce)
{
    std::wstring url = L"http://127.0.0.1:" + std::to_wstring(LoopbackHttpServer::UnusedPort()) + L"/movie.avi";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(kSourceUnknown, ProbeMediaSource(CString(url)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(SourceProbeRemoteTest, RemoteHeadsOfOggAndMp4UseAPrivateFileThatGoes)
{
    LoopbackHttpServer server([&](const TestHttpRequest& r) {
        return r.target == "/a.ogg" ? Ok("OggS" + std::string(20, '\0'))
                                    : Ok(std::string("\0\0\0\x20moov", 8) + std::string(20, '\0'));
    });
    EXPECT_EQ(1, ProbeOggSource(CString(server.WUrl("/a.ogg"))));
    EXPECT_EQ(-1, ProbeOggSource(CString(server.WUrl("/b.mp4"))));
    EXPECT_EQ(1, ProbeMp4(CString(server.WUrl("/b.mp4"))));
    EXPECT_EQ(-1, ProbeMp4(CString(server.WUrl("/a.ogg"))));
    // A ".mov" address is never MP4, and is not even fetched.
    size_t before = server.RequestCount();
    EXPECT_EQ(-1, ProbeMp4(CString(server.WUrl("/b.MOV"))));
    EXPECT_EQ(before, server.RequestCount());
    EXPECT_TRUE(TempFiles().empty());
}

}  // namespace
