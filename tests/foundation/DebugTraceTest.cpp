#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/DebugTrace.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"
#include "tests/support/WaitUntil.h"

namespace {

// An argument that counts how often it is formatted.
struct CountingArg {
    int* count;
    const wchar_t* GetString() const
    {
        ++*count;
        return L"arg";
    }
};

class DebugTraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A runtime folder of this test's own, so no real viewer interferes.
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    TempDir dir_;
};

TEST_F(DebugTraceTest, WithoutViewerNothingIsFormattedOrSent)
{
    int formatted = 0;
    DebugTrace(L"%s %d", CountingArg{&formatted}, 5);
    EXPECT_EQ(0, formatted);
}

TEST_F(DebugTraceTest, ViewerReceivesCopyDataRecordInAnsi)
{
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    int formatted = 0;
    DebugTrace(L"%s:%d \uD55C", CountingArg{&formatted}, 7);
    DebugTrace(L"");
    EXPECT_EQ(1, formatted);
    std::vector<std::string> records = viewer.Records();
    ASSERT_EQ(2u, records.size());
    ASSERT_EQ(sizeof(TraceRecordHeader) + 9, records[0].size());
    TraceRecordHeader h;
    std::memcpy(&h, records[0].data(), sizeof h);
    EXPECT_EQ(0u, h.dwData);
    EXPECT_EQ(9u, h.cbData);  // "arg:7 " + two CP949 bytes + NUL
    EXPECT_EQ(std::string("arg:7 \xC7\xD1\0", 9), records[0].substr(sizeof h));
    // The empty text arrives as one NUL byte.
    ASSERT_EQ(sizeof(TraceRecordHeader) + 1, records[1].size());
    std::memcpy(&h, records[1].data(), sizeof h);
    EXPECT_EQ(1u, h.cbData);
    EXPECT_EQ('\0', records[1][sizeof h]);
}

TEST_F(DebugTraceTest, ListenerToolPrintsWhatArrives)
{
    std::string out = dir_.File("listener.out");
    // In the background, and never for longer than the test may take.
    std::string cmd = std::string("XDG_RUNTIME_DIR='") + dir_.path() + "' timeout 60 '" + RIVO_TEST_TOOLS_DIR +
                      "/rivo-trace-listen' --count 1 > '" + out + "' 2>/dev/null &";
    ASSERT_EQ(0, std::system(cmd.c_str()));
    ASSERT_TRUE(WaitUntil("the listener's socket", [] {
        int probe = ConnectDebugViewer();
        if (probe < 0) return false;
        close(probe);
        return true;
    }));
    DebugTrace(L"hello %s", L"\uD55C\uAE00");
    const std::string expected = "hello \xED\x95\x9C\xEA\xB8\x80\n";
    EXPECT_TRUE(WaitUntil("the listener's line", [&] { return ReadBytes(out) == expected; })) << ReadBytes(out);
}

}  // namespace
