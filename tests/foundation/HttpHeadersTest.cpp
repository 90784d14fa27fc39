#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "foundation/HttpHeaders.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

TEST(HttpHeaders, ContentLengthTexts)
{
    struct Case {
        const wchar_t* text;
        bool parses;
        int64_t length;
    };
    const Case cases[] = {
        {L"0", true, 0},
        {L"42", true, 42},
        {L"007", true, 7},
        {L"1000000000000000000", true, 1000000000000000000},
        {L"9223372036854775799", true, 9223372036854775799},
        {L"", false, 0},
        {L" 42", false, 0},
        {L"42 ", false, 0},
        {L"+42", false, 0},
        {L"-1", false, 0},
        {L"4x2", false, 0},
        {L"0x10", false, 0},
        {L"\uFF14\uFF12", false, 0},  // full-width digits
        {L"9223372036854775808", false, 0},
        {L"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        int64_t length = -5;
        EXPECT_EQ(c.parses, ParseContentLength(c.text, &length)) << c.text;
        EXPECT_EQ(c.parses ? c.length : -5, length) << c.text;
    }
}

// The headers of answers of the loopback server, read into the buffer of
// 64 characters: each one that is there and fits, none that is missing or
// too long for it.
TEST(HttpHeaders, HeaderTextsOfAnAnswer)
{
    LoopbackHttpServer server([](const TestHttpRequest& request) {
        TestHttpReply reply;
        reply.body = "twelve bytes";
        if (request.target == "/long") {
            reply.headers = {{"Content-Type", std::string(70, 't')}};
        } else {
            reply.headers = {};
            reply.sendLength = false;
        }
        return reply;
    });
    HINTERNET session = InternetOpenW(L"test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_TRUE(session);
    struct Case {
        const char* path;
        DWORD level;
        bool found;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"/long", HTTP_QUERY_STATUS_CODE, true, L"200"},
        {"/long", HTTP_QUERY_CONTENT_LENGTH, true, L"12"},
        {"/long", HTTP_QUERY_VERSION, true, L"HTTP/1.1"},
        {"/long", HTTP_QUERY_CONTENT_TYPE, false, L""},  // 70 characters do not fit
        {"/bare", HTTP_QUERY_CONTENT_LENGTH, false, L""},
        {"/bare", HTTP_QUERY_CONTENT_TYPE, false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " " << c.level);
        HINTERNET request = InternetOpenUrlW(session, server.WUrl(c.path).c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
        ASSERT_TRUE(request);
        wchar_t text[64];
        std::fill(std::begin(text), std::end(text), L'x');
        EXPECT_EQ(c.found, QueryHeaderText(request, c.level, text));
        EXPECT_STREQ(c.text, text);
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
}

}  // namespace
