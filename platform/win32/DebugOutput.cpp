#include "DebugOutput.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "CodePage.h"
#include "Folders.h"

namespace {

// "virtual HRESULT CFilterGraph::GetEventHandle(OAEVENT*)" -> "CFilterGraph::GetEventHandle".
std::string_view ShortPlace(std::string_view place)
{
    size_t open = place.find('(');
    if (open != std::string_view::npos) place = place.substr(0, open);
    size_t space = place.rfind(' ');
    if (space != std::string_view::npos) place = place.substr(space + 1);
    while (!place.empty() && (place.front() == '*' || place.front() == '&')) place.remove_prefix(1);
    return place;
}

}  // namespace

std::string DebugOutputSocketPath()
{
    std::string folder = GetPrivateRuntimeFolder();
    return folder.empty() ? std::string() : folder + "RECV.sock";
}

int ConnectDebugViewer()
{
    std::string path = DebugOutputSocketPath();
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

void SendDebugText(int socket, std::wstring_view text)
{
    std::string narrow = WideToMultiByte(CP_ACP, text);
    TraceRecordHeader h{0, static_cast<uint32_t>(narrow.size() + 1)};
    std::vector<char> msg(sizeof h + narrow.size() + 1, '\0');
    std::memcpy(msg.data(), &h, sizeof h);
    std::memcpy(msg.data() + sizeof h, narrow.data(), narrow.size());
    send(socket, msg.data(), msg.size(), MSG_NOSIGNAL);
    close(socket);
}

void OutputDebugStringW(LPCWSTR text)
{
    int s = ConnectDebugViewer();
    if (s < 0) return;
    SendDebugText(s, text ? std::wstring_view(text) : std::wstring_view());
}

void TraceGap(const char* place, const wchar_t* what)
{
    int s = ConnectDebugViewer();
    if (s < 0) return;
    std::wstring line = L"gap: ";
    line += MultiByteToWide(CP_UTF8, ShortPlace(place ? place : ""));
    line += L": ";
    line += what ? what : L"";
    SendDebugText(s, line);
}
