#include "tests/support/TraceViewer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/win32/DebugOutput.h"

TraceViewer::TraceViewer()
{
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = DebugOutputSocketPath();
    if (fd_ < 0 || path.empty() || path.size() >= sizeof addr.sun_path) return;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());  // a socket file a killed viewer left behind
    bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

TraceViewer::~TraceViewer()
{
    if (fd_ >= 0) close(fd_);
}

std::vector<std::string> TraceViewer::Records()
{
    std::vector<std::string> out;
    char buf[65536];
    ssize_t n;
    while (fd_ >= 0 && (n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT)) >= 0)
        out.emplace_back(buf, static_cast<size_t>(n));
    return out;
}

std::vector<std::string> TraceViewer::Lines()
{
    std::vector<std::string> out;
    for (const std::string& r : Records()) {
        if (r.size() < sizeof(TraceRecordHeader)) continue;
        std::string text = r.substr(sizeof(TraceRecordHeader));
        while (!text.empty() && text.back() == '\0') text.pop_back();
        out.push_back(text);
    }
    return out;
}

std::string TraceViewer::Text()
{
    std::string all;
    for (const std::string& line : Lines()) all += line + "\n";
    return all;
}
