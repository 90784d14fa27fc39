#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "foundation/FileAssociation.h"
#include "foundation/PathHelpers.h"
#include "foundation/RegistryHelpers.h"
#include "foundation/ShellHelpers.h"
#include "platform/win32/RegistryStore.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

// Every test gets an empty store of its own.
class RegistryHelpersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (config_.path() + "/data").c_str(), 1);
        RegistryStoreReset();
    }
    void TearDown() override
    {
        RegistryStoreReset();
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }
    TempDir config_;
};

const wchar_t* kKey = L"SOFTWARE\\HALVANE\\RIVOENCODER\\OPTION";

TEST_F(RegistryHelpersTest, TypedValuesRoundTrip)
{
    DWORD v = 0;
    EXPECT_FALSE(RegReadDword(HKEY_CURRENT_USER, kKey, L"nMissing", &v, 77));
    EXPECT_EQ(77u, v);
    ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, kKey, L"nEncFormat", 0xDEADBEEF));
    EXPECT_TRUE(RegReadDwordStr(HKEY_CURRENT_USER, CString(kKey), L"NENCFORMAT", &v, 0));
    EXPECT_EQ(0xDEADBEEFu, v);

    ASSERT_TRUE(RegWriteStringAnsi(HKEY_CURRENT_USER, kKey, L"sTitle", L"\uD55C\uAE00 ok"));
    CString s = L"untouched";
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kKey, L"sTitle", s));
    EXPECT_EQ(L"\uD55C\uAE00 ok", s);
    s = L"untouched";
    EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kKey, L"sNone", s));
    EXPECT_EQ(L"untouched", s);
    EXPECT_FALSE(RegReadStringDefault(HKEY_CURRENT_USER, kKey, L"sNone", s, L"dflt"));
    EXPECT_EQ(L"dflt", s);

    // REG_MULTI_SZ with the text and one NUL: length x 2 + 2 bytes.
    ASSERT_TRUE(RegWriteMultiString(HKEY_CURRENT_USER, kKey, L"m", L"abc"));
    BYTE* buf = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(RegReadBinaryAlloc(HKEY_CURRENT_USER, kKey, L"m", &buf, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(std::string("a\0b\0c\0\0\0", 8), std::string(reinterpret_cast<char*>(buf), size));
    delete[] buf;

    const BYTE bin[] = {0, 1, 0xFF, 0};
    ASSERT_TRUE(RegWriteBinary(HKEY_CURRENT_USER, kKey, L"b", bin, 4));
    ASSERT_TRUE(RegReadBinaryAlloc(HKEY_CURRENT_USER, kKey, L"b", &buf, &size));
    EXPECT_EQ(std::string("\0\1\xFF\0", 4), std::string(reinterpret_cast<char*>(buf), size));
    delete[] buf;

    EXPECT_TRUE(RegDeleteValueOf(HKEY_CURRENT_USER, kKey, L"b"));
    EXPECT_FALSE(RegDeleteValueOf(HKEY_CURRENT_USER, kKey, L"b"));
}

TEST_F(RegistryHelpersTest, DeleteKeyTreeRemovesNestedKeys)
{
    ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, L"T\\a\\b\\c", L"x", 1));
    ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, L"T\\a\\d", L"x", 1));
    ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, L"T\\e", L"x", 1));
    ASSERT_TRUE(RegWriteDword(HKEY_CURRENT_USER, L"Keep", L"x", 1));
    EXPECT_TRUE(RegDeleteKeyTree(HKEY_CURRENT_USER, L"T"));
    HKEY k;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"T", 0, KEY_READ, &k));
    DWORD v;
    EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, L"Keep", L"x", &v, 0));
    EXPECT_FALSE(RegDeleteKeyTree(HKEY_CURRENT_USER, L"T")) << "a missing key changes nothing";
}

TEST_F(RegistryHelpersTest, AssociationBackupAndRestoreSequences)
{
    const CString prefix = L"RivoEncoder", ext = L".rvp";
    // Another program owns the extension first.
    ASSERT_TRUE(RegWriteStringAnsi(HKEY_CLASSES_ROOT, ext, L"", L"Other.File"));
    ASSERT_TRUE(RegisterFileType(prefix, ext, L"RivoEnc preset", L"/opt/rivo/RivoEnc,1", L"RivoEnc \"%1\"", true));
    EXPECT_EQ(L"RivoEnc preset", RegReadClassesRootDefault(L"RivoEncoder.rvp"));
    EXPECT_EQ(L"open", RegReadClassesRootDefault(L"RivoEncoder.rvp\\shell"));
    EXPECT_EQ(L"RivoEnc \"%1\"", RegReadClassesRootDefault(L"RivoEncoder.rvp\\shell\\open\\command"));
    BYTE* flags = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(RegReadBinaryAlloc(HKEY_CLASSES_ROOT, L"RivoEncoder.rvp", L"EditFlags", &flags, &size));
    EXPECT_EQ(std::string("\0\0\1\0", 4), std::string(reinterpret_cast<char*>(flags), size));
    delete[] flags;

    ASSERT_TRUE(SetFileAssociation(prefix, ext));
    EXPECT_EQ(L"RivoEncoder.rvp", RegReadClassesRootDefault(L".rvp"));
    CString backup;
    ASSERT_TRUE(RegReadString(HKEY_CLASSES_ROOT, L".rvp", L"RivoEncoder_bak", backup));
    EXPECT_EQ(L"Other.File", backup);
    // A second call writes nothing, so the first backup stays.
    ASSERT_TRUE(SetFileAssociation(prefix, ext));
    ASSERT_TRUE(RegReadString(HKEY_CLASSES_ROOT, L".rvp", L"RivoEncoder_bak", backup));
    EXPECT_EQ(L"Other.File", backup);

    ASSERT_TRUE(RestoreFileAssociation(prefix, ext));
    EXPECT_EQ(L"Other.File", RegReadClassesRootDefault(L".rvp"));
    EXPECT_FALSE(RegReadString(HKEY_CLASSES_ROOT, L".rvp", L"RivoEncoder_bak", backup));
    EXPECT_TRUE(DeleteClassesRootKey(prefix, ext));
    EXPECT_EQ(L"", RegReadClassesRootDefault(L"RivoEncoder.rvp"));

    // Restore after a take-over deletes the backup and leaves the new owner.
    ASSERT_TRUE(SetFileAssociation(prefix, ext));
    ASSERT_TRUE(RegWriteStringAnsi(HKEY_CLASSES_ROOT, ext, L"", L"Third.File"));
    ASSERT_TRUE(RestoreFileAssociation(prefix, ext));
    EXPECT_EQ(L"Third.File", RegReadClassesRootDefault(L".rvp"));
    EXPECT_FALSE(RegReadString(HKEY_CLASSES_ROOT, L".rvp", L"RivoEncoder_bak", backup));
}

TEST_F(RegistryHelpersTest, DataFolderFollowsXdgAndFallsBackToProgramFolder)
{
    CString folder = GetDataFolder(L"Halvane", L"RivoEncoder", HKEY_CURRENT_USER);
    CString expected = Utf8ToWide(config_.path() + "/data/Halvane/RivoEncoder/").c_str();
    EXPECT_EQ(expected, folder);
    EXPECT_TRUE(IsFolder(folder));
    // A data folder that cannot be made gives the program folder.
    WriteBytes(config_.path() + "/blocker", "");
    setenv("XDG_DATA_HOME", (config_.path() + "/blocker").c_str(), 1);
    EXPECT_EQ(GetModuleDirectory(), GetDataFolder(L"a", L"b", HKEY_CURRENT_USER));
    EXPECT_EQ(14, GetOsVersionCode());
}

TEST_F(RegistryHelpersTest, RegisteredBrowserGetsTheAddressAsOneArgument)
{
    // A "browser" that records its arguments, one per line.
    std::string script = config_.path() + "/browser.sh";
    std::string log = config_.path() + "/args.txt";
    WriteBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + log + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    CString command = CString(Utf8ToWide(script).c_str()) + L" --new \"%1\"";
    ASSERT_TRUE(RegWriteStringAnsi(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", command));
    CString url = L"http://example.invalid/a b?x=\"q\"&y=$(id)";
    ASSERT_TRUE(OpenUrlInDefaultBrowser(url));
    const std::string expected = "--new\nhttp://example.invalid/a b?x=\"q\"&y=$(id)\n";
    EXPECT_TRUE(WaitUntil("the browser's run", [&] { return ReadBytes(log) == expected; })) << ReadBytes(log);
}

}  // namespace

#include "foundation/ConnectionCheck.h"
#include "platform/win32/SystemModules.h"

namespace {

TEST(ConnectionCheck, AnswersFromTheSystemsNetworkState)
{
    CConnectionCheck check;
    EXPECT_EQ(HasNetworkRoute(), check.IsConnected());
    EXPECT_EQ(HasNetworkRoute(), IsInternetConnected());
}

}  // namespace
