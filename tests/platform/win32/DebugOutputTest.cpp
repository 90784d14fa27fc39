// The platform's debug output: OutputDebugStringW reaches the trace viewer,
// and every gap (a call answered with E_NOTIMPL, a path not offered yet)
// writes its line once per process, however often it is reached.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/DebugOutput.h"
#include "platform/win32/Inet.h"
#include "platform/win32/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"

namespace {

struct Unfinished {
    HRESULT Answer() { return RIVO_NOT_IMPLEMENTED(); }
    HRESULT Other() { return RIVO_NOT_IMPLEMENTED(); }
};

class DebugOutputTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    TempDir dir_;
};

TEST_F(DebugOutputTest, LinesReachTheViewerAsRecordsInAnsi)
{
    // Without a viewer nothing is sent and nothing fails.
    OutputDebugStringW(L"nobody listens");
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    OutputDebugStringW(L"line \uD55C");
    OutputDebugStringW(nullptr);
    std::vector<std::string> records = viewer.Records();
    ASSERT_EQ(records.size(), 2u);
    TraceRecordHeader h{};
    ASSERT_EQ(records[0].size(), sizeof h + 8);
    std::memcpy(&h, records[0].data(), sizeof h);
    EXPECT_EQ(h.dwData, 0u);
    EXPECT_EQ(h.cbData, 8u);  // "line " + two CP949 bytes + NUL
    EXPECT_EQ(records[0].substr(sizeof h), std::string("line \xC7\xD1\0", 8));
    EXPECT_EQ(records[1].substr(sizeof h), std::string(1, '\0'));
}

TEST_F(DebugOutputTest, EachGapWritesItsLineOnceWhateverReachesIt)
{
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    Unfinished unfinished;
    STARTUPINFOW inherit{};
    inherit.cb = sizeof inherit;
    inherit.dwFlags = STARTF_USESTDHANDLES;
    struct Case {
        const char* name;
        std::function<void()> reach;
        std::string line;
    };
    const Case cases[] = {
        {"a method answered with E_NOTIMPL", [&] { EXPECT_EQ(unfinished.Answer(), E_NOTIMPL); },
         "gap: {anonymous}::Unfinished::Answer: not implemented"},
        {"another method is another place", [&] { EXPECT_EQ(unfinished.Other(), E_NOTIMPL); },
         "gap: {anonymous}::Unfinished::Other: not implemented"},
        {"a start with the caller's standard handles",
         [&] {
             PROCESS_INFORMATION pi{};
             wchar_t command[] = L"/bin/true";
             EXPECT_FALSE(
                 CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &inherit, &pi));
             EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
         },
         "gap: CreateProcessW: a suspended start or standard handles of the caller's"},
        {"a connection to a server of another service",
         [&] {
             HINTERNET session = InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
             ASSERT_NE(session, nullptr);
             EXPECT_EQ(InternetConnectW(session, L"example.invalid", 21, nullptr, nullptr, 1, 0, 0), nullptr);
             EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
             InternetCloseHandle(session);
         },
         "gap: InternetConnectW: a service other than HTTP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i) c.reach();
        EXPECT_EQ(viewer.Lines(), std::vector<std::string>{c.line});
    }
    // Once written, a gap stays quiet for the rest of the process.
    for (const Case& c : cases) c.reach();
    EXPECT_TRUE(viewer.Lines().empty());
}

}  // namespace
