#include "SystemModules.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "CString.h"

namespace {

bool InterfaceUp(const std::string& sysRoot, const std::string& name)
{
    if (name.empty() || name == "lo" || name.find('/') != std::string::npos) return false;
    std::ifstream f(sysRoot + "/class/net/" + name + "/flags");
    std::string text;
    if (!(f >> text)) return false;
    return (std::strtoul(text.c_str(), nullptr, 16) & 0x1) != 0;  // IFF_UP
}

bool AnyRoute(const std::string& file, int ifaceField, int flagsField, int flagsBase, const std::string& sysRoot)
{
    std::ifstream f(file);
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string field;
        std::string iface, flags;
        for (int i = 0; in >> field; ++i) {
            if (i == ifaceField) iface = field;
            if (i == flagsField) flags = field;
        }
        if (iface.empty() || flags.empty()) continue;
        char* end = nullptr;
        unsigned long v = std::strtoul(flags.c_str(), &end, flagsBase);
        if (end == flags.c_str() || !(v & 0x1)) continue;  // RTF_UP
        if (InterfaceUp(sysRoot, iface)) return true;
    }
    return false;
}

const SystemModuleExport kWininetExports[] = {
    {"InternetGetConnectedState", reinterpret_cast<FARPROC>(&InternetGetConnectedState)},
};
const SystemModuleExport kSensapiExports[] = {
    {"IsNetworkAlive", reinterpret_cast<FARPROC>(&IsNetworkAlive)},
};
const SystemModule kModules[] = {
    {L"Wininet.dll", kWininetExports, std::size(kWininetExports)},
    {L"Sensapi.dll", kSensapiExports, std::size(kSensapiExports)},
};

// The built-in stand-ins, then those added by the libraries above.
struct ModuleList {
    std::mutex lock;
    std::vector<const SystemModule*> modules;
    ModuleList()
    {
        for (const auto& m : kModules) modules.push_back(&m);
    }
};

ModuleList& Modules()
{
    static ModuleList* const list = new ModuleList;  // never destroyed: handles stay valid to the end
    return *list;
}

}  // namespace

void AddSystemModule(const SystemModule* module)
{
    if (!module || !module->fileName) return;
    ModuleList& list = Modules();
    std::lock_guard<std::mutex> guard(list.lock);
    for (const SystemModule* m : list.modules)
        if (m == module || CompareNoCase(m->fileName, module->fileName) == 0) return;
    list.modules.push_back(module);
}

const SystemModule* FindSystemModule(std::wstring_view fileName)
{
    ModuleList& list = Modules();
    std::lock_guard<std::mutex> guard(list.lock);
    for (const SystemModule* m : list.modules)
        if (CompareNoCase(m->fileName, fileName) == 0) return m;
    return nullptr;
}

bool IsSystemModule(const void* handle)
{
    ModuleList& list = Modules();
    std::lock_guard<std::mutex> guard(list.lock);
    for (const SystemModule* m : list.modules)
        if (handle == m) return true;
    return false;
}

bool HasNetworkRoute(const std::string& procRoot, const std::string& sysRoot)
{
    // IPv4: "Iface Destination Gateway Flags ..." with hex flags; IPv6: ten
    // fields ending in the flags (hex) and the device name.
    return AnyRoute(procRoot + "/net/route", 0, 3, 16, sysRoot) ||
           AnyRoute(procRoot + "/net/ipv6_route", 9, 8, 16, sysRoot);
}

BOOL InternetGetConnectedState(DWORD* flags, DWORD)
{
    bool up = HasNetworkRoute();
    if (flags) *flags = up ? INTERNET_CONNECTION_LAN : 0;
    return up ? TRUE : FALSE;
}

BOOL IsNetworkAlive(DWORD* flags)
{
    bool up = HasNetworkRoute();
    if (flags) *flags = up ? NETWORK_ALIVE_LAN : 0;
    SetLastError(ERROR_SUCCESS);
    return up ? TRUE : FALSE;
}
