// Trace viewer: receives the encoder's diagnostic lines and prints each one
// (converted from the ANSI code page to UTF-8) on standard output.
//
//   rivo-trace-listen [--count N]
//
// With --count it ends after N messages; otherwise it runs until interrupted.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/DebugOutput.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }
}  // namespace

int main(int argc, char** argv)
{
    long count = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: %s [--count N]\n", argv[0]);
            return 2;
        }
    }
    std::string path = DebugOutputSocketPath();
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "rivo-trace-listen: no private runtime folder\n");
        return 1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return 1;
    // A socket file left by a viewer that died is replaced; a live one is not.
    int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        std::fprintf(stderr, "rivo-trace-listen: another viewer is listening on %s\n", path.c_str());
        return 1;
    }
    if (probe >= 0) close(probe);
    unlink(path.c_str());
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("rivo-trace-listen: bind");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::fprintf(stderr, "rivo-trace-listen: listening on %s\n", path.c_str());
    std::vector<char> buf(1 << 20);
    while (!g_stop && count != 0) {
        ssize_t n = recv(s, buf.data(), buf.size(), 0);
        if (n < 0) {
            if (errno == EINTR) continue;  // a signal: the loop's test decides
            // Any other failure lasts: end instead of asking again at once.
            std::perror("rivo-trace-listen: recv");
            break;
        }
        if (static_cast<size_t>(n) < sizeof(TraceRecordHeader)) continue;
        TraceRecordHeader h;
        std::memcpy(&h, buf.data(), sizeof h);
        size_t len = std::min<size_t>(h.cbData, static_cast<size_t>(n) - sizeof h);
        std::string text(buf.data() + sizeof h, len);
        if (!text.empty() && text.back() == '\0') text.pop_back();
        std::printf("%s\n", WideToUtf8(MultiByteToWide(CP_ACP, text)).c_str());
        std::fflush(stdout);
        if (count > 0) --count;
    }
    close(s);
    unlink(path.c_str());
    return 0;
}
