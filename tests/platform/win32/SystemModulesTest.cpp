#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32/Module.h"
#include "platform/win32/SystemModules.h"
#include "tests/support/TempDir.h"

namespace {

// A fake kernel view: route tables under proc/net, interface flags under sys.
struct FakeSystem {
    TempDir dir;
    std::string proc() const { return dir.path() + "/proc"; }
    std::string sys() const { return dir.path() + "/sys"; }
    FakeSystem()
    {
        std::filesystem::create_directories(proc() + "/net");
        WriteBytes(proc() + "/net/route", "Iface\tDestination\tGateway \tFlags\n");
        WriteBytes(proc() + "/net/ipv6_route", "");
    }
    void Interface(const std::string& name, const char* flags)
    {
        std::filesystem::create_directories(sys() + "/class/net/" + name);
        WriteBytes(sys() + "/class/net/" + name + "/flags", flags);
    }
};

TEST(SystemModules, NetworkStateNeedsAnUpInterfaceWithARouteOtherThanLoopback)
{
    struct Row {
        const char* route;
        const char* ipv6;
        const char* ethFlags;
        bool online;
    } rows[] = {
        {"lo\t0000007F\t00000000\t0001\n", "", "0x1003", false},    // loopback only
        {"eth0\t00000000\t0101A8C0\t0003\n", "", "0x1003", true},   // default route on an up interface
        {"eth0\t00000000\t0101A8C0\t0003\n", "", "0x1002", false},  // interface down
        {"eth0\t00000000\t0101A8C0\t0002\n", "", "0x1003", false},  // route not up
        {"",
         "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
         "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 eth0\n",
         "0x1003", true},  // IPv6 only
        {"garbage line\n\n", "x y\n", "0x1003", false},
    };
    for (const auto& r : rows) {
        FakeSystem f;
        f.Interface("eth0", r.ethFlags);
        f.Interface("lo", "0x9");
        WriteBytes(f.proc() + "/net/route", std::string("Iface\tDestination\tGateway \tFlags\n") + r.route);
        WriteBytes(f.proc() + "/net/ipv6_route", r.ipv6);
        EXPECT_EQ(r.online, HasNetworkRoute(f.proc(), f.sys())) << r.route << r.ipv6 << r.ethFlags;
    }
    EXPECT_FALSE(HasNetworkRoute("/nonexistent", "/nonexistent"));
}

TEST(SystemModules, LoadedByNameInAnyCase)
{
    HMODULE wininet = LoadLibraryW(L"WININET.DLL");
    ASSERT_NE(nullptr, wininet);
    auto fn = reinterpret_cast<BOOL (*)(DWORD*, DWORD)>(GetProcAddress(wininet, "InternetGetConnectedState"));
    ASSERT_NE(nullptr, fn);
    DWORD flags = 99;
    BOOL on = fn(&flags, 0);
    EXPECT_EQ(HasNetworkRoute() ? TRUE : FALSE, on);
    EXPECT_EQ(on ? INTERNET_CONNECTION_LAN : 0u, flags);
    EXPECT_EQ(nullptr, GetProcAddress(wininet, "InternetOpenW"));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
    EXPECT_TRUE(FreeLibrary(wininet));
    HMODULE sensapi = LoadLibraryW(L"sensapi.dll");
    ASSERT_NE(nullptr, sensapi);
    EXPECT_NE(nullptr, GetProcAddress(sensapi, "IsNetworkAlive"));
    EXPECT_TRUE(FreeLibrary(sensapi));
    EXPECT_EQ(nullptr, LoadLibraryW(L"Kernel32.dll"));
}

}  // namespace
