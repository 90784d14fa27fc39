#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"
#include "tests/support/WaitUntil.h"

#define EXPECT_RC(code, expr) EXPECT_EQ(static_cast<LONG>(code), (expr))
#define ASSERT_RC(code, expr) ASSERT_EQ(static_cast<LONG>(code), (expr))

namespace {

// UTF-16LE bytes of UTF-16 code units: what the application hands over at
// the registry border.
std::string Le(std::u16string_view units)
{
    std::string out;
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::u16string AsciiU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::wstring FlipCase(std::wstring s)
{
    for (wchar_t& c : s)
        c = std::iswlower(static_cast<wint_t>(c)) ? static_cast<wchar_t>(std::towupper(c))
                                                  : static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Every line of a store file is whole and one of the three kinds.
bool StoreTextIsClean(const std::string& text)
{
    if (text.empty() || text.back() != '\n') return false;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("#", 0) != 0 && line.rfind("key \"", 0) != 0 && line.rfind("value \"", 0) != 0) return false;
    return true;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> out;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) out.emplace_back(e->d_name);
        closedir(d);
    }
    return out;
}

struct Read {
    LONG rc = 0;
    DWORD type = 0;
    std::string bytes;
};

Read ReadValue(HKEY key, const wchar_t* name)
{
    Read r;
    DWORD size = 0;
    r.rc = RegQueryValueExW(key, name, nullptr, &r.type, nullptr, &size);
    if (r.rc != ERROR_SUCCESS) return r;
    r.bytes.assign(size, '\0');
    r.rc = RegQueryValueExW(key, name, nullptr, &r.type, reinterpret_cast<BYTE*>(r.bytes.data()), &size);
    r.bytes.resize(size);
    return r;
}

LONG WriteValue(HKEY key, const wchar_t* name, DWORD type, const std::string& bytes)
{
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

HKEY CreateKey(HKEY root, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    EXPECT_RC(ERROR_SUCCESS,
              RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, disposition));
    return key;
}

HKEY OpenKey(HKEY root, const wchar_t* path, REGSAM access = KEY_READ)
{
    HKEY key = nullptr;
    EXPECT_RC(ERROR_SUCCESS, RegOpenKeyExW(root, path, 0, access, &key));
    return key;
}

std::vector<std::wstring> SubKeys(HKEY key)
{
    std::vector<std::wstring> out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[300];
        DWORD chars = 300;
        LONG rc = RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) {
            EXPECT_RC(ERROR_NO_MORE_ITEMS, rc);
            break;
        }
        out.emplace_back(name, chars);
    }
    return out;
}

std::vector<std::wstring> ValueNames(HKEY key)
{
    std::vector<std::wstring> out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[300];
        DWORD chars = 300;
        LONG rc = RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) {
            EXPECT_RC(ERROR_NO_MORE_ITEMS, rc);
            break;
        }
        out.emplace_back(name, chars);
    }
    return out;
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) { return remove(path); }

// Each test gets a fresh configuration folder (and home) and a store that
// reads the environment again.
class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kVariables) {
            const char* v = std::getenv(name);
            saved_.emplace(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/rivo-registry-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(nullptr, mkdtemp(buf.data()));
        dir_ = buf.data();
        config_ = dir_ + "/config";
        home_ = dir_ + "/home";
        setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        RegistryStoreReset();
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        RegistryStoreReset();
        if (!dir_.empty()) nftw(dir_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    std::string RegistryFolder() const { return config_ + "/rivoenc/registry"; }
    std::string UserFile() const { return RegistryFolder() + "/HKEY_CURRENT_USER.txt"; }

    static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"};
    std::map<std::string, std::optional<std::string>> saved_;
    std::string dir_, config_, home_;
};

using RegistryValues = RegistryFixture;
using RegistryKeys = RegistryFixture;
using RegistryHandles = RegistryFixture;
using RegistryProcesses = RegistryFixture;
using RegistryFiles = RegistryFixture;
using RegistryShellFolders = RegistryFixture;

struct ValueCase {
    const wchar_t* name;
    DWORD type;
    std::string bytes;
};

TEST_F(RegistryValues, EveryTypeKeepsItsExactBytesAcrossReloadAndNameCase)
{
    const ValueCase cases[] = {
        {L"Binary.Zeros", REG_BINARY, std::string("\x00\xFF\x00\x00\xFF\x7F", 6)},
        {L"Binary.Empty", REG_BINARY, ""},
        {L"Dword.FourCC", REG_DWORD, "XVID"},
        {L"Qword.Big", REG_QWORD, std::string("\xEF\xCD\xAB\x89\x67\x45\x23\x01", 8)},
        {L"Text.Hangul", REG_SZ, Le(u"\uD55C\uAE00 \U0001F600") + std::string(2, '\0')},
        {L"Text.Multi", REG_MULTI_SZ, Le(std::u16string_view(u"C:\\Videos\0second\0\0", 19))},
        {L"Text.NoNul", REG_EXPAND_SZ, Le(u"%HOME%")},
        {L"Odd \"name\"\n100% \uAC12 %{41}", REG_NONE, "\x01"},
        {L"", REG_SZ, Le(std::u16string_view(u"default\0", 8))},
        {L"Custom.Type", 0x12345, "abc"},
    };
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Values");
    for (const auto& c : cases) ASSERT_RC(ERROR_SUCCESS, WriteValue(key, c.name, c.type, c.bytes));

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "cached" : "after reload");
        HKEY other = OpenKey(HKEY_CURRENT_USER, L"SOFTWARE/rivo\\\\VALUES\\");
        for (const auto& c : cases) {
            for (HKEY k : {key, other}) {
                for (const std::wstring& name : {std::wstring(c.name), FlipCase(c.name)}) {
                    Read r = ReadValue(k, name.c_str());
                    ASSERT_RC(ERROR_SUCCESS, r.rc) << c.type;
                    EXPECT_EQ(c.type, r.type);
                    EXPECT_EQ(c.bytes, r.bytes) << c.type;
                }
            }
        }
        EXPECT_EQ(Le(std::u16string_view(u"default\0", 8)), ReadValue(key, nullptr).bytes);
        RegCloseKey(other);
        RegistryStoreReset();
    }
    RegCloseKey(key);

    // The store lives under XDG_CONFIG_HOME, closed to other users.
    struct stat st;
    ASSERT_EQ(0, stat(RegistryFolder().c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    ASSERT_EQ(0, stat(UserFile().c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_TRUE(StoreTextIsClean(ReadFileText(UserFile())));
}

TEST_F(RegistryValues, RootsAreSeparateAndHomeConfigIsTheFallback)
{
    unsetenv("XDG_CONFIG_HOME");
    RegistryStoreReset();
    const std::pair<HKEY, const char*> roots[] = {{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT.txt"},
                                                  {HKEY_CURRENT_USER, "HKEY_CURRENT_USER.txt"},
                                                  {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE.txt"}};
    DWORD n = 0;
    for (const auto& [root, file] : roots) {
        HKEY key = CreateKey(root, L".rvp");
        ASSERT_RC(ERROR_SUCCESS, WriteValue(key, L"", REG_DWORD, Dword(++n)));
        RegCloseKey(key);
        struct stat st;
        EXPECT_EQ(0, stat((home_ + "/.config/rivoenc/registry/" + file).c_str(), &st)) << file;
    }
    RegistryStoreReset();
    n = 0;
    for (const auto& [root, file] : roots) {
        HKEY key = OpenKey(root, L".RVP");
        EXPECT_EQ(Dword(++n), ReadValue(key, L"").bytes) << file;
        RegCloseKey(key);
    }

    // A relative XDG_CONFIG_HOME is not a base folder.
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    RegistryStoreReset();
    EXPECT_EQ(home_ + "/.config/rivoenc/registry/HKEY_CURRENT_USER.txt",
              RegistryStore::Instance().FileOf(RegRoot::CurrentUser));
}

TEST_F(RegistryValues, QueryReportsSizesAndMoreData)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Sizes");
    const std::string text = Le(std::u16string_view(u"abc\0", 4));  // 8 bytes
    ASSERT_RC(ERROR_SUCCESS, WriteValue(key, L"Text", REG_MULTI_SZ, text));

    DWORD type = 0, size = 0;
    EXPECT_RC(ERROR_SUCCESS, RegQueryValueExW(key, L"Text", nullptr, &type, nullptr, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(REG_MULTI_SZ, type);

    BYTE buf[16];
    std::memset(buf, 0xAA, sizeof buf);
    size = 7;
    EXPECT_RC(ERROR_MORE_DATA, RegQueryValueExW(key, L"Text", nullptr, &type, buf, &size));
    EXPECT_EQ(8u, size);
    size = 8;
    EXPECT_RC(ERROR_SUCCESS, RegQueryValueExW(key, L"Text", nullptr, nullptr, buf, &size));
    EXPECT_EQ(text, std::string(reinterpret_cast<char*>(buf), size));
    EXPECT_EQ(0xAA, buf[8]);  // nothing written past the value

    EXPECT_RC(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, L"Text", nullptr, nullptr, buf, nullptr));
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"Missing", nullptr, nullptr, nullptr, &size));

    // A number read into a 4-byte buffer takes whatever 4 bytes are stored.
    ASSERT_RC(ERROR_SUCCESS, WriteValue(key, L"Short", REG_SZ, Le(std::u16string_view(u"1\0", 2))));
    DWORD number = 0;
    size = 4;
    EXPECT_RC(ERROR_SUCCESS,
              RegQueryValueExW(key, L"Short", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size));
    EXPECT_EQ(0x31u, number);
    size = 4;
    EXPECT_RC(ERROR_MORE_DATA,
              RegQueryValueExW(key, L"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size));

    // Enumeration reports the same sizes and refuses a short name buffer.
    wchar_t name[8];
    DWORD chars = 4;
    EXPECT_RC(ERROR_MORE_DATA, RegEnumValueW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    chars = 5;
    size = 2;
    EXPECT_RC(ERROR_MORE_DATA, RegEnumValueW(key, 0, name, &chars, nullptr, &type, buf, &size));
    EXPECT_EQ(8u, size);
    chars = 5;
    size = sizeof buf;
    EXPECT_RC(ERROR_SUCCESS, RegEnumValueW(key, 0, name, &chars, nullptr, &type, buf, &size));
    EXPECT_EQ(std::wstring(L"Text"), std::wstring(name, chars));
    EXPECT_EQ(8u, size);
    RegCloseKey(key);
}

TEST_F(RegistryValues, AnsiFunctionsConvertStringsAtTheBorder)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Ansi");
    const std::string hangul949("\xC7\xD1\xB1\xDB", 4);  // "한글" in the default ANSI code page
    const std::string withNul = hangul949 + '\0';

    const struct {
        const char* name;
        DWORD type;
        std::string given;
        std::string stored;
    } cases[] = {
        {"WithNul", REG_SZ, withNul, Le(std::u16string_view(u"\uD55C\uAE00\0", 3))},
        {"NoNul", REG_SZ, hangul949, Le(std::u16string_view(u"\uD55C\uAE00\0", 3))},
        {"Empty", REG_SZ, "", Le(std::u16string_view(u"\0", 1))},
        {"Binary", REG_BINARY, hangul949, hangul949},
        {"\xC0\xCC\xB8\xA7", REG_SZ, std::string("x", 2), Le(std::u16string_view(u"x\0", 2))},  // "이름"
    };
    for (const auto& c : cases) {
        ASSERT_RC(ERROR_SUCCESS, RegSetValueExA(key, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.given.data()),
                                                static_cast<DWORD>(c.given.size())));
        std::string back = c.type == REG_SZ ? (c.given.empty() || c.given.back() ? c.given + '\0' : c.given) : c.given;
        DWORD type = 0, size = 0;
        ASSERT_RC(ERROR_SUCCESS, RegQueryValueExA(key, c.name, nullptr, &type, nullptr, &size));
        EXPECT_EQ(back.size(), size) << c.name;
        std::string got(size, '\0');
        ASSERT_RC(ERROR_SUCCESS,
                  RegQueryValueExA(key, c.name, nullptr, &type, reinterpret_cast<BYTE*>(got.data()), &size));
        EXPECT_EQ(back, got) << c.name;
        EXPECT_EQ(c.type, type);
    }
    EXPECT_EQ(cases[0].stored, ReadValue(key, L"WithNul").bytes);
    EXPECT_EQ(cases[1].stored, ReadValue(key, L"NoNul").bytes);
    EXPECT_EQ(cases[2].stored, ReadValue(key, L"Empty").bytes);
    EXPECT_EQ(cases[3].stored, ReadValue(key, L"Binary").bytes);
    EXPECT_EQ(cases[4].stored, ReadValue(key, L"\uC774\uB984").bytes);

    // The typed text helpers convert to and from UTF-16LE with one NUL.
    ASSERT_RC(ERROR_SUCCESS, RegSetTextValue(key, L"Wide", L"\uD55C \U0001F600"));
    EXPECT_EQ(Le(std::u16string_view(u"\uD55C \U0001F600\0", 5)), ReadValue(key, L"Wide").bytes);
    std::wstring text;
    EXPECT_RC(ERROR_SUCCESS, RegGetTextValue(key, L"wide", &text));
    EXPECT_EQ(L"\uD55C \U0001F600", text);
    EXPECT_RC(ERROR_SUCCESS, RegGetTextValue(key, L"NoNul", &text));
    EXPECT_EQ(L"\uD55C\uAE00", text);
    EXPECT_RC(ERROR_INVALID_DATA, RegGetTextValue(key, L"Binary", &text));
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegGetTextValue(key, L"Missing", &text));
    RegCloseKey(key);
}

TEST_F(RegistryKeys, EnumerationOrderAndCaseAsFirstWritten)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Order");
    for (const wchar_t* sub : {L"beta", L"Alpha", L"gamma", L"ALPHA2", L"BETA"}) RegCloseKey(CreateKey(key, sub));
    for (const wchar_t* name : {L"z", L"a", L"Mid", L"MID"})
        ASSERT_RC(ERROR_SUCCESS, WriteValue(key, name, REG_DWORD, Dword(1)));
    ASSERT_RC(ERROR_SUCCESS, WriteValue(key, L"A", REG_DWORD, Dword(2)));  // same value, other case

    const std::vector<std::wstring> keys = {L"Alpha", L"ALPHA2", L"beta", L"gamma"};
    const std::vector<std::wstring> values = {L"z", L"a", L"Mid"};
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(keys, SubKeys(key));
        EXPECT_EQ(values, ValueNames(key));
        EXPECT_EQ(Dword(2), ReadValue(key, L"a").bytes);
        DWORD subKeys = 0, maxSubKey = 0, valueCount = 0, maxName = 0, maxData = 0;
        ASSERT_RC(ERROR_SUCCESS, RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                                                  &valueCount, &maxName, &maxData, nullptr, nullptr));
        EXPECT_EQ(4u, subKeys);
        EXPECT_EQ(6u, maxSubKey);
        EXPECT_EQ(3u, valueCount);
        EXPECT_EQ(3u, maxName);
        EXPECT_EQ(4u, maxData);
        RegistryStoreReset();
    }
    // The first-written spelling of a key stays when it is reached otherwise.
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, L"Vendor\\Product"));
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, L"VENDOR\\PRODUCT\\new"));
    HKEY root = OpenKey(HKEY_LOCAL_MACHINE, L"vendor");
    EXPECT_EQ(std::vector<std::wstring>{L"Vendor"}, SubKeys(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(std::vector<std::wstring>{L"Product"}, SubKeys(root));

    // A short name buffer and the end of the list.
    wchar_t name[8];
    DWORD chars = 5;  // "Alpha" needs 6 with its NUL
    EXPECT_RC(ERROR_MORE_DATA, RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    chars = 6;
    EXPECT_RC(ERROR_SUCCESS, RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(5u, chars);
    chars = 8;
    EXPECT_RC(ERROR_NO_MORE_ITEMS, RegEnumKeyExW(key, 5, name, &chars, nullptr, nullptr, nullptr, nullptr));

    ASSERT_RC(ERROR_SUCCESS, RegDeleteValueW(key, L"A"));
    EXPECT_EQ((std::vector<std::wstring>{L"z", L"Mid"}), ValueNames(key));
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key, L"a"));
    RegCloseKey(root);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, CreateReportsDispositionAndDeleteRules)
{
    DWORD disposition = 0;
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree\\A\\B", KEY_ALL_ACCESS, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, L"software\\rivo\\tree\\a", KEY_ALL_ACCESS, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
    HKEY tree = OpenKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree", KEY_ALL_ACCESS);
    HKEY c = CreateKey(tree, L"C");
    ASSERT_RC(ERROR_SUCCESS, WriteValue(c, L"v", REG_DWORD, Dword(7)));
    ASSERT_RC(ERROR_SUCCESS, WriteValue(tree, L"top", REG_DWORD, Dword(1)));

    // As on the platform, a key with sub-keys is not deleted by RegDeleteKeyW.
    EXPECT_RC(ERROR_ACCESS_DENIED, RegDeleteKeyW(tree, L"A"));
    EXPECT_RC(ERROR_SUCCESS, RegDeleteKeyW(tree, L"A\\B"));
    EXPECT_RC(ERROR_SUCCESS, RegDeleteKeyW(tree, L"a"));
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(tree, L"A"));
    EXPECT_RC(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, nullptr));

    // RegDeleteTreeW without a sub-key empties the key and keeps it.
    RegCloseKey(CreateKey(tree, L"D\\E\\F"));
    EXPECT_RC(ERROR_SUCCESS, RegDeleteTreeW(tree, nullptr));
    RegistryStoreReset();
    EXPECT_TRUE(SubKeys(tree).empty());
    EXPECT_TRUE(ValueNames(tree).empty());
    EXPECT_RC(ERROR_KEY_DELETED, ReadValue(c, L"v").rc);

    // With a sub-key it removes that key and everything below it.
    RegCloseKey(CreateKey(tree, L"G\\H\\I"));
    EXPECT_RC(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree"));
    HKEY gone = nullptr;
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree", 0, KEY_READ, &gone));
    EXPECT_EQ(nullptr, gone);
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree"));
    RegistryStoreReset();
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rivo\\Tree", 0, KEY_READ, &gone));
    HKEY rivo = OpenKey(HKEY_CURRENT_USER, L"Software\\Rivo");
    EXPECT_TRUE(SubKeys(rivo).empty());
    RegCloseKey(rivo);
    RegCloseKey(c);
    RegCloseKey(tree);
}

TEST_F(RegistryHandles, ReadOnlyAndWriteOnlyHandlesRefuseTheOtherUse)
{
    HKEY full = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Rights");
    RegCloseKey(CreateKey(full, L"Existing\\Child"));
    ASSERT_RC(ERROR_SUCCESS, WriteValue(full, L"v", REG_DWORD, Dword(5)));

    HKEY ro = OpenKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Rights", KEY_READ);
    const std::string four = Dword(9);
    const std::vector<std::pair<const char*, std::function<LONG()>>> writes = {
        {"set", [&] { return WriteValue(ro, L"v", REG_DWORD, four); }},
        {"set ansi",
         [&] { return RegSetValueExA(ro, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(four.data()), 4); }},
        {"delete value", [&] { return RegDeleteValueW(ro, L"v"); }},
        {"create new",
         [&] {
             HKEY k = nullptr;
             return RegCreateKeyExW(ro, L"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
         }},
        {"delete key", [&] { return RegDeleteKeyW(ro, L"Existing\\Child"); }},
        {"delete tree", [&] { return RegDeleteTreeW(ro, L"Existing"); }},
        {"text", [&] { return RegSetTextValue(ro, L"v", L"x"); }},
    };
    for (const auto& [what, op] : writes) EXPECT_RC(ERROR_ACCESS_DENIED, op()) << what;
    EXPECT_EQ(Dword(5), ReadValue(ro, L"v").bytes);
    EXPECT_EQ(std::vector<std::wstring>{L"Existing"}, SubKeys(ro));
    // Opening an existing key writes nothing, so a read-only parent may do it.
    DWORD disposition = 0;
    RegCloseKey(CreateKey(ro, L"Existing", KEY_READ, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);

    HKEY wo = OpenKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Rights", KEY_WRITE);
    EXPECT_RC(ERROR_ACCESS_DENIED, ReadValue(wo, L"v").rc);
    wchar_t name[16];
    DWORD chars = 16;
    EXPECT_RC(ERROR_ACCESS_DENIED, RegEnumKeyExW(wo, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
    EXPECT_RC(ERROR_SUCCESS, WriteValue(wo, L"v", REG_DWORD, Dword(6)));
    EXPECT_EQ(Dword(6), ReadValue(ro, L"v").bytes);
    RegCloseKey(wo);
    RegCloseKey(ro);
    RegCloseKey(full);
}

TEST_F(RegistryHandles, BadHandlesAreRefusedWithoutTouchingAnything)
{
    HKEY closed = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Closed");
    EXPECT_RC(ERROR_SUCCESS, RegCloseKey(closed));
    const HKEY bad[] = {nullptr, closed, reinterpret_cast<HKEY>(uintptr_t{0x1234}),
                        reinterpret_cast<HKEY>(uintptr_t{0x80000003}), reinterpret_cast<HKEY>(uintptr_t{0x1280000001})};
    for (HKEY h : bad) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
        HKEY out = reinterpret_cast<HKEY>(uintptr_t{1});
        EXPECT_RC(ERROR_INVALID_HANDLE, RegOpenKeyExW(h, L"x", 0, KEY_READ, &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_RC(ERROR_INVALID_HANDLE,
                  RegCreateKeyExW(h, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr));
        DWORD size = 4, type = 0;
        BYTE data[4];
        EXPECT_RC(ERROR_INVALID_HANDLE, RegQueryValueExW(h, L"v", nullptr, &type, data, &size));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegQueryValueExA(h, "v", nullptr, &type, data, &size));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegSetValueExW(h, L"v", 0, REG_BINARY, data, 4));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegSetValueExA(h, "v", 0, REG_BINARY, data, 4));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegDeleteValueW(h, L"v"));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegDeleteKeyW(h, L"x"));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegDeleteTreeW(h, L"x"));
        DWORD count = 0;
        EXPECT_RC(ERROR_INVALID_HANDLE, RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                                         nullptr, nullptr, nullptr, nullptr, nullptr));
        wchar_t name[8];
        DWORD chars = 8;
        EXPECT_RC(ERROR_INVALID_HANDLE, RegEnumKeyExW(h, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegEnumValueW(h, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
        std::wstring text;
        EXPECT_RC(ERROR_INVALID_HANDLE, RegGetTextValue(h, L"v", &text));
        EXPECT_RC(ERROR_INVALID_HANDLE, RegCloseKey(h));
    }
    // The predefined roots are never really closed, and the 32-bit value
    // without sign extension names the same root.
    EXPECT_RC(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_EQ(0xFFFFFFFF80000001u, reinterpret_cast<uintptr_t>(HKEY_CURRENT_USER));
    EXPECT_RC(ERROR_SUCCESS, WriteValue(HKEY_CURRENT_USER, L"rootValue", REG_DWORD, Dword(3)));
    EXPECT_EQ(Dword(3), ReadValue(reinterpret_cast<HKEY>(uintptr_t{0x80000001}), L"ROOTVALUE").bytes);
    EXPECT_RC(ERROR_FILE_NOT_FOUND, ReadValue(HKEY_LOCAL_MACHINE, L"rootValue").rc);
}

TEST_F(RegistryHandles, HandleToDeletedKeyAnswersKeyDeleted)
{
    HKEY h = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Gone");
    ASSERT_RC(ERROR_SUCCESS, WriteValue(h, L"v", REG_DWORD, Dword(1)));
    ASSERT_RC(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Rivo\\Gone"));

    const std::string four = Dword(2);
    wchar_t name[8];
    DWORD chars = 8;
    HKEY out = nullptr;
    const std::vector<std::pair<const char*, std::function<LONG()>>> ops = {
        {"query", [&] { return ReadValue(h, L"v").rc; }},
        {"set", [&] { return WriteValue(h, L"v", REG_DWORD, four); }},
        {"delete value", [&] { return RegDeleteValueW(h, L"v"); }},
        {"open sub-key", [&] { return RegOpenKeyExW(h, L"x", 0, KEY_READ, &out); }},
        {"open itself", [&] { return RegOpenKeyExW(h, nullptr, 0, KEY_READ, &out); }},
        {"create sub-key",
         [&] { return RegCreateKeyExW(h, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr); }},
        {"delete sub-key", [&] { return RegDeleteKeyW(h, L"x"); }},
        {"enum keys", [&] { return RegEnumKeyExW(h, 0, name, &chars, nullptr, nullptr, nullptr, nullptr); }},
        {"enum values", [&] { return RegEnumValueW(h, 0, name, &chars, nullptr, nullptr, nullptr, nullptr); }},
        {"info",
         [&] {
             return RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr);
         }},
    };
    for (const auto& [what, op] : ops) EXPECT_RC(ERROR_KEY_DELETED, op()) << what;
    EXPECT_EQ(nullptr, out);
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rivo\\Gone", 0, KEY_READ, &out));
    EXPECT_RC(ERROR_SUCCESS, RegCloseKey(h));
}

// Waits for a child and tells whether it ended with status 0.
// The forked child's end, within the deadline (a child that outlives it is
// killed: a lock that is never given up shows as a failure, not a hang).
bool ChildSucceeded(pid_t pid)
{
    int status = 0;
    bool ended = WaitUntil("the child's end", [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        ADD_FAILURE() << "child " << pid << " killed";
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(RegistryProcesses, HandlesAndProcessesSeeEachOthersWrites)
{
    HKEY a = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Shared");
    HKEY b = OpenKey(HKEY_CURRENT_USER, L"software\\rivo\\shared", KEY_ALL_ACCESS);
    ASSERT_RC(ERROR_SUCCESS, WriteValue(a, L"same", REG_DWORD, Dword(1)));
    EXPECT_EQ(Dword(1), ReadValue(b, L"same").bytes);

    // The child changes a value in place (same size) and adds one; the parent
    // sees both through the handles it already holds.
    pid_t pid = fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) {
        bool ok = ReadValue(a, L"same").bytes == Dword(1) && WriteValue(a, L"same", REG_DWORD, Dword(2)) == 0 &&
                  WriteValue(a, L"fromChild", REG_SZ, Le(u"hi")) == 0;
        _exit(ok ? 0 : 1);
    }
    ASSERT_TRUE(ChildSucceeded(pid));
    EXPECT_EQ(Dword(2), ReadValue(b, L"same").bytes);
    EXPECT_EQ(Le(u"hi"), ReadValue(a, L"FROMCHILD").bytes);

    // Two writers at once: every write of each lands (read-modify-write runs
    // under the store lock, so neither loses the other's values).
    int start[2];
    ASSERT_EQ(0, pipe(start));
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_NE(-1, writers[w]);
        if (writers[w] == 0) {
            close(start[1]);
            char c;
            while (read(start[0], &c, 1) < 0) {}
            bool ok = true;
            for (DWORD i = 0; i < 40; ++i) {
                std::wstring name = L"w" + std::to_wstring(w) + L"-" + std::to_wstring(i);
                ok = ok && WriteValue(b, name.c_str(), REG_DWORD, Dword(i)) == 0;
            }
            _exit(ok ? 0 : 1);
        }
    }
    close(start[0]);
    close(start[1]);
    EXPECT_TRUE(ChildSucceeded(writers[0]));
    EXPECT_TRUE(ChildSucceeded(writers[1]));
    for (int w = 0; w < 2; ++w) {
        for (DWORD i = 0; i < 40; ++i) {
            std::wstring name = L"w" + std::to_wstring(w) + L"-" + std::to_wstring(i);
            EXPECT_EQ(Dword(i), ReadValue(a, name.c_str()).bytes) << w << " " << i;
        }
    }
    DWORD values = 0;
    ASSERT_RC(ERROR_SUCCESS, RegQueryInfoKeyW(a, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                              nullptr, nullptr, nullptr));
    EXPECT_EQ(82u, values);

    // A key deleted by another process is deleted for our handles too.
    pid = fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) _exit(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Rivo\\Shared") == 0 ? 0 : 1);
    ASSERT_TRUE(ChildSucceeded(pid));
    EXPECT_RC(ERROR_KEY_DELETED, ReadValue(a, L"same").rc);
    RegCloseKey(a);
    RegCloseKey(b);
}

TEST_F(RegistryFiles, KilledWriterLeavesOneCompleteState)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Crash");
    for (DWORD i = 0; i < 20; ++i)
        ASSERT_RC(ERROR_SUCCESS, WriteValue(key, (L"keep" + std::to_wstring(i)).c_str(), REG_DWORD, Dword(i)));
    const size_t blobSize = 64 * 1024;
    for (int delayUs : {0, 100, 500, 1000, 2000, 4000, 8000, 16000}) {
        SCOPED_TRACE(delayUs);
        int ready[2];
        ASSERT_EQ(0, pipe(ready));
        pid_t pid = fork();
        ASSERT_NE(-1, pid);
        if (pid == 0) {
            close(ready[0]);
            for (unsigned i = 0;; ++i) {
                std::string blob(blobSize, static_cast<char>(i));
                if (WriteValue(key, L"blob", REG_BINARY, blob) != 0) _exit(1);
                if (i == 0 && write(ready[1], "x", 1) != 1) _exit(1);
            }
        }
        close(ready[1]);
        char c;
        ASSERT_EQ(1, read(ready[0], &c, 1));  // the first write is complete
        close(ready[0]);
        usleep(static_cast<useconds_t>(delayUs));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        // Whatever the moment, the store file is one whole state.
        EXPECT_TRUE(StoreTextIsClean(ReadFileText(UserFile())));
        for (const auto& entry : FolderEntries(RegistryFolder()))
            EXPECT_TRUE(entry == "HKEY_CURRENT_USER.txt" || entry == ".lock" || entry.rfind(".~", 0) == 0) << entry;
        RegistryStoreReset();
        Read blob = ReadValue(key, L"blob");
        ASSERT_RC(ERROR_SUCCESS, blob.rc);
        ASSERT_EQ(blobSize, blob.bytes.size());
        EXPECT_EQ(std::string(blobSize, blob.bytes[0]), blob.bytes);
        for (DWORD i = 0; i < 20; ++i)
            EXPECT_EQ(Dword(i), ReadValue(key, (L"keep" + std::to_wstring(i)).c_str()).bytes);
    }
    // The next write clears what killed writers left behind.
    ASSERT_RC(ERROR_SUCCESS, WriteValue(key, L"after", REG_DWORD, Dword(1)));
    for (const auto& entry : FolderEntries(RegistryFolder())) EXPECT_NE(0u, entry.rfind(".~", 0)) << entry;
    RegCloseKey(key);
}

TEST_F(RegistryFiles, DamagedFileLoadsWhatItCanAndIsRewrittenClean)
{
    ASSERT_EQ(0, mkdir(config_.c_str(), 0700));
    ASSERT_EQ(0, mkdir((config_ + "/rivoenc").c_str(), 0700));
    ASSERT_EQ(0, mkdir(RegistryFolder().c_str(), 0700));
    const std::string text = std::string() +
                             "# hand-damaged\n"
                             "value \"RootValue\" REG_DWORD 01000000\n"
                             "key \"Software\\Rivo\"\n"
                             "value \"Good\" REG_BINARY 0aff\n"
                             "value \"BadHex\" REG_BINARY 0g\n"
                             "value \"OddHex\" REG_BINARY abc\n"
                             "value \"BadType\" REG_WHATEVER 00\n"
                             "value \"HugeType\" 99999999999 00\n"
                             "value \"Bad%{zz}Escape\" REG_DWORD 01000000\n"
                             "value NoQuotes REG_DWORD 01000000\n"
                             "value \"Unterminated REG_DWORD 01000000\n"
                             "garbage \x01\xff\xfe line\n" +
                             std::string("\0\0\0\n", 4) +
                             "value \"Numbered\" 5 01020304\n"
                             "key \"Broken\n"
                             "value \"Orphan\" REG_DWORD 02000000\n"
                             "key \"Software\\Rivo\\Child\"\n"
                             "value \"Fine\" REG_SZ 41000000\n"
                             "value \"Long" +
                             std::string(20000, 'x') +
                             "\" REG_DWORD 01000000\n"
                             "value \"Cut\" REG_DWORD 0100";
    WriteFileText(UserFile(), text);

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "damaged file" : "rewritten file");
        EXPECT_EQ(Dword(1), ReadValue(HKEY_CURRENT_USER, L"RootValue").bytes);
        HKEY rivo = OpenKey(HKEY_CURRENT_USER, L"Software\\Rivo");
        EXPECT_EQ((std::vector<std::wstring>{L"Good", L"Numbered"}), ValueNames(rivo));
        EXPECT_EQ(std::string("\x0a\xff", 2), ReadValue(rivo, L"Good").bytes);
        Read numbered = ReadValue(rivo, L"Numbered");
        EXPECT_EQ(5u, numbered.type);
        EXPECT_EQ(std::vector<std::wstring>{L"Child"}, SubKeys(rivo));
        HKEY child = OpenKey(rivo, L"Child", KEY_ALL_ACCESS);
        const std::vector<std::wstring> childValues =
            pass == 0 ? std::vector<std::wstring>{L"Fine"} : std::vector<std::wstring>{L"Fine", L"Added"};
        EXPECT_EQ(childValues, ValueNames(child));
        EXPECT_EQ(std::vector<std::wstring>{L"Software"}, SubKeys(HKEY_CURRENT_USER));
        if (pass == 0) {
            ASSERT_RC(ERROR_SUCCESS, WriteValue(child, L"Added", REG_DWORD, Dword(9)));
        }
        EXPECT_EQ(Dword(9), ReadValue(child, L"Added").bytes);
        RegCloseKey(child);
        RegCloseKey(rivo);
        RegistryStoreReset();
    }
    EXPECT_TRUE(StoreTextIsClean(ReadFileText(UserFile())));
}

TEST_F(RegistryFiles, EveryCutOfTheFileLoadsOnlyWholeValues)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, L"Software\\Rivo\\Cut");
    std::map<std::wstring, std::pair<DWORD, std::string>> written = {
        {L"a", {REG_DWORD, Dword(0x01020304)}},
        {L"text \"q\"", {REG_SZ, Le(std::u16string_view(u"\uD55C\uAE00\0", 3))}},
        {L"bin", {REG_BINARY, std::string("\x00\x01\x02\xFF\xFE", 5)}},
        {L"multi", {REG_MULTI_SZ, Le(std::u16string_view(u"x\0y\0\0", 5))}},
    };
    for (const auto& [name, v] : written) ASSERT_RC(ERROR_SUCCESS, WriteValue(key, name.c_str(), v.first, v.second));
    RegCloseKey(CreateKey(key, L"Sub"));
    RegCloseKey(key);
    const std::string whole = ReadFileText(UserFile());
    ASSERT_TRUE(StoreTextIsClean(whole));

    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        WriteFileText(UserFile(), whole.substr(0, cut));
        RegistryStoreReset();
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rivo\\Cut", 0, KEY_READ, &k) != ERROR_SUCCESS) continue;
        size_t found = 0;
        for (const auto& name : ValueNames(k)) {
            auto it = written.find(name);
            ASSERT_NE(written.end(), it) << cut;
            Read r = ReadValue(k, name.c_str());
            EXPECT_EQ(it->second.first, r.type) << cut;
            EXPECT_EQ(it->second.second, r.bytes) << cut;
            ++found;
        }
        if (cut == whole.size()) {
            EXPECT_EQ(written.size(), found);
            EXPECT_EQ(std::vector<std::wstring>{L"Sub"}, SubKeys(k));
        }
        RegCloseKey(k);
    }
}

TEST_F(RegistryFiles, UnreadableStoreIsNeitherReadNorReplaced)
{
    HKEY classes = CreateKey(HKEY_CLASSES_ROOT, L".rvp");  // makes the folder
    ASSERT_RC(ERROR_SUCCESS, WriteValue(classes, L"", REG_SZ, Le(std::u16string_view(u"RivoEncoder.rvp\0", 16))));
    ASSERT_EQ(0, mkfifo(UserFile().c_str(), 0600));

    HKEY out = nullptr;
    EXPECT_RC(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Rivo", 0, KEY_READ, &out));
    EXPECT_RC(ERROR_CANTWRITE,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"Rivo", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr));
    EXPECT_RC(ERROR_CANTWRITE, WriteValue(HKEY_CURRENT_USER, L"v", REG_DWORD, Dword(1)));
    struct stat st;
    ASSERT_EQ(0, lstat(UserFile().c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    // The other roots go on working.
    EXPECT_EQ(Le(std::u16string_view(u"RivoEncoder.rvp\0", 16)), ReadValue(classes, L"").bytes);
    RegCloseKey(classes);
}

TEST_F(RegistryShellFolders, ValuesAnswerTheXdgFolders)
{
    ASSERT_EQ(0, mkdir(config_.c_str(), 0700));
    WriteFileText(config_ + "/user-dirs.dirs",
                  "# written by the desktop\n"
                  "XDG_DOCUMENTS_DIR=\"$HOME/\xEB\xAC\xB8\xEC\x84\x9C\"\n"  // "문서"
                  "XDG_MUSIC_DIR=\"/srv/music/\"\n"
                  "XDG_PICTURES_DIR=\"Pictures\"\n"
                  "XDG_VIDEOS_DIR=\"$HOME/My \\\"Videos\\\"\"\n");
    const std::u16string home = AsciiU16(home_);
    const std::pair<const wchar_t*, std::u16string> expected[] = {
        {L"Personal", home + u"/\uBB38\uC11C"},
        {L"AppData", home + u"/.local/share"},
        {L"Local AppData", home + u"/.local/share"},
        {L"Desktop", home + u"/Desktop"},
        {L"My Music", u"/srv/music"},
        {L"My Pictures", home},
        {L"My Video", home + u"/My \"Videos\""},
    };
    for (const wchar_t* path : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                L"software\\microsoft\\windows\\currentversion\\explorer\\user shell folders"}) {
        HKEY key = OpenKey(HKEY_CURRENT_USER, path);
        for (const auto& [name, folder] : expected) {
            Read r = ReadValue(key, name);
            ASSERT_RC(ERROR_SUCCESS, r.rc);
            EXPECT_EQ(REG_SZ, r.type);
            EXPECT_EQ(Le(folder) + std::string(2, '\0'), r.bytes);
        }
        std::vector<std::wstring> names;
        for (const auto& [name, folder] : expected) names.emplace_back(name);
        EXPECT_EQ(names, ValueNames(key));
        EXPECT_RC(ERROR_FILE_NOT_FOUND, ReadValue(key, L"Common AppData").rc);
        RegCloseKey(key);
    }

    // Computed when read: a changed environment shows at once.
    setenv("XDG_DATA_HOME", "/data/home/", 1);
    HKEY key = OpenKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       KEY_ALL_ACCESS);
    EXPECT_EQ(Le(u"/data/home") + std::string(2, '\0'), ReadValue(key, L"appdata").bytes);

    // Never stored, and not writable.
    EXPECT_RC(ERROR_ACCESS_DENIED, WriteValue(key, L"Personal", REG_SZ, Le(u"/x")));
    EXPECT_RC(ERROR_ACCESS_DENIED, RegDeleteValueW(key, L"Personal"));
    HKEY out = nullptr;
    EXPECT_RC(ERROR_ACCESS_DENIED, RegCreateKeyExW(key, L"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr));
    struct stat st;
    EXPECT_NE(0, stat(UserFile().c_str(), &st));
    RegCloseKey(key);

    // The keys above them exist and list them beside stored keys.
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Stored"));
    HKEY explorer = OpenKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
    EXPECT_EQ((std::vector<std::wstring>{L"Shell Folders", L"Stored", L"User Shell Folders"}), SubKeys(explorer));
    RegCloseKey(explorer);

    // The machine root has no shared data folder to give.
    EXPECT_RC(
        ERROR_FILE_NOT_FOUND,
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &out));
}

}  // namespace
