#include "DebugTrace.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Folders.h"

std::string DebugTraceSocketPath()
{
    std::string folder = GetPrivateRuntimeFolder();
    return folder.empty() ? std::string() : folder + "RECV.sock";
}

namespace debug_trace_detail {

int ConnectViewer()
{
    std::string path = DebugTraceSocketPath();
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(s);
        return -1;
    }
    return s;
}

void SendAndClose(int socket, const std::wstring& text)
{
    std::string narrow = WideToMultiByte(CP_ACP, text);
    TraceRecordHeader h{0, static_cast<uint32_t>(narrow.size() + 1)};
    std::vector<char> msg(sizeof h + narrow.size() + 1, '\0');
    std::memcpy(msg.data(), &h, sizeof h);
    std::memcpy(msg.data() + sizeof h, narrow.data(), narrow.size());
    // A viewer that went away, or a message too large for one datagram, is
    // simply not traced.
    send(socket, msg.data(), msg.size(), MSG_NOSIGNAL);
    close(socket);
}

}  // namespace debug_trace_detail
