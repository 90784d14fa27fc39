#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "foundation/DebugTrace.h"
#include "tests/support/TempDir.h"

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

    int BindViewer()
    {
        int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string path = DebugTraceSocketPath();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        EXPECT_EQ(0, bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
        return s;
    }

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
    int s = BindViewer();
    int formatted = 0;
    DebugTrace(L"%s:%d \uD55C", CountingArg{&formatted}, 7);
    DebugTrace(L"");
    EXPECT_EQ(1, formatted);
    char buf[256];
    ssize_t n = recv(s, buf, sizeof buf, MSG_DONTWAIT);
    ASSERT_EQ(static_cast<ssize_t>(sizeof(TraceRecordHeader) + 9), n);
    TraceRecordHeader h;
    std::memcpy(&h, buf, sizeof h);
    EXPECT_EQ(0u, h.dwData);
    EXPECT_EQ(9u, h.cbData);  // "arg:7 " + two CP949 bytes + NUL
    EXPECT_EQ(std::string("arg:7 \xC7\xD1\0", 9), std::string(buf + sizeof h, 9));
    // The empty text arrives as one NUL byte.
    n = recv(s, buf, sizeof buf, MSG_DONTWAIT);
    ASSERT_EQ(static_cast<ssize_t>(sizeof(TraceRecordHeader) + 1), n);
    std::memcpy(&h, buf, sizeof h);
    EXPECT_EQ(1u, h.cbData);
    EXPECT_EQ('\0', buf[sizeof h]);
    close(s);
}

TEST_F(DebugTraceTest, ListenerToolPrintsWhatArrives)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin);
    std::string out = dir_.File("listener.out");
    std::string cmd = std::string("XDG_RUNTIME_DIR='") + dir_.path() + "' '" + bin + "/rivo-trace-listen' --count 1 > '" +
                      out + "' 2>/dev/null &";
    ASSERT_EQ(0, std::system(cmd.c_str()));
    // Wait for the viewer to appear, then trace once.
    for (int i = 0; i < 500; ++i) {
        int probe = debug_trace_detail::ConnectViewer();
        if (probe >= 0) {
            close(probe);
            break;
        }
        usleep(10000);
    }
    DebugTrace(L"hello %s", L"\uD55C\uAE00");
    for (int i = 0; i < 500 && ReadBytes(out).empty(); ++i) usleep(10000);
    usleep(50000);
    EXPECT_EQ("hello \xED\x95\x9C\xEA\xB8\x80\n", ReadBytes(out));
}

}  // namespace
