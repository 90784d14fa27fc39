#include "platform/win32/Module.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/Folders.h"
#include "tests/platform/fixtures/FixtureServer.h"
#include "tests/support/TempDir.h"

namespace {

std::wstring UpperCase(std::wstring s)
{
    for (wchar_t& c : s) c = static_cast<wchar_t>(towupper(c));
    return s;
}

int Bump(HMODULE m)
{
    auto bump = reinterpret_cast<FixtureBumpFn>(GetProcAddress(m, "FixtureBump"));
    return bump ? bump() : -1;
}

}  // namespace

TEST(Module, LoadsByBareNameFromTheProgramFolderInAnyCase)
{
    HMODULE m = LoadLibraryW(L"fixtureSERVER.DLL");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Bump(m), 1);
    EXPECT_EQ(Bump(m), 2);

    // The same file by full path, in other letter case, is the same module
    // with the same state.
    std::wstring path = Utf8ToWide(GetProgramFolderNative()) + L"FixtureServer.dll";
    HMODULE again = LoadLibraryW(UpperCase(path).c_str());
    ASSERT_EQ(again, m);
    EXPECT_EQ(GetModuleHandleW(L"FIXTURESERVER.dll"), m);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), m);

    // Every load needs its own free; only the last one unloads.
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(Bump(m), 3);
    EXPECT_TRUE(FreeLibrary(m));
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleW(L"FixtureServer.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(m));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetProcAddress(m, "FixtureBump"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // Loaded afresh, the module starts over.
    HMODULE fresh = LoadLibraryW(L"FixtureServer.dll");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(Bump(fresh), 1);
    EXPECT_TRUE(FreeLibrary(fresh));
}

TEST(Module, GetProcAddressFindsOnlyTheModulesOwnExports)
{
    HMODULE m = LoadLibraryW(L"FixtureServer.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_NE(GetProcAddress(m, "DllGetClassObject"), nullptr);
    EXPECT_NE(GetProcAddress(m, "FixtureLiveObjects"), nullptr);
    struct Row {
        const char* name;
    } missing[] = {
        {"NoSuchExport"},
        {"fixturebump"},  // export names keep their case
        {"malloc"},       // an export of a library the module uses
        {""},
        {reinterpret_cast<const char*>(static_cast<uintptr_t>(5))},  // by ordinal
    };
    for (const Row& row : missing) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(m, row.name), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    }
    EXPECT_TRUE(FreeLibrary(m));

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(nullptr, "FixtureBump"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleW(nullptr), "NoSuchExport"), nullptr);
}

TEST(Module, MissingOrBrokenModulesFail)
{
    TempDir dir;
    WriteBytes(dir.File("text.dll"), "not a shared object\n");
    std::wstring rows[] = {
        L"NoSuchModule.dll",   L"Kernel32.dll",        dir.WFile("missing.dll"),
        dir.WFile("text.dll"), Utf8ToWide(dir.path()), L"",
    };
    for (const std::wstring& name : rows) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryW(name.c_str()), nullptr) << WideToUtf8(name);
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << WideToUtf8(name);
    }
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleW(L"Kernel32.dll"), nullptr);
}
