// The platform's debug output: OutputDebugStringW reaches the trace viewer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/DebugOutput.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"

namespace {

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

}  // namespace
