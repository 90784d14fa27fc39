// The platform's stand-ins for system libraries that the application loads by
// name and calls through GetProcAddress ("Wininet.dll" and "Sensapi.dll" for
// the on-line test; the window layer adds "User32.dll" for the monitor
// functions). LoadLibraryW hands them out when no module file of that name
// lies in the program folder.
#pragma once

#include <string>
#include <string_view>

#include "Module.h"
#include "WinTypes.h"

struct SystemModuleExport {
    const char* name;
    FARPROC proc;
};

struct SystemModule {
    const wchar_t* fileName;
    const SystemModuleExport* exports;
    size_t exportCount;
};

// Adds a stand-in that a library above this one provides. The module must
// live for the whole run; a second module of a file name already known is
// ignored. Safe during static initialisation and on any thread.
void AddSystemModule(const SystemModule* module);
// The stand-in of that file name (without regard to case), or null.
const SystemModule* FindSystemModule(std::wstring_view fileName);
// True when the pointer is one of the stand-ins.
bool IsSystemModule(const void* handle);

constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;
constexpr DWORD NETWORK_ALIVE_LAN = 0x01;

// The system's network state: on line when an interface other than loopback
// is up and carries a route. procRoot and sysRoot name where the kernel's
// route tables and interface flags are read (tests point them elsewhere).
bool HasNetworkRoute(const std::string& procRoot = "/proc", const std::string& sysRoot = "/sys");

BOOL InternetGetConnectedState(DWORD* flags, DWORD reserved);
BOOL IsNetworkAlive(DWORD* flags);
