// The shipped layer of the registry: seen under HKEY_CLASSES_ROOT beneath
// the user's own keys, never written to the user's store, never deleted.
#include <gtest/gtest.h>

#include <string>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/ShippedRegistrations.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"

namespace {

RegPath PathOf(const wchar_t* text)
{
    RegPath p;
    RegistryStore::SplitPath(text, &p);
    return p;
}

std::string UserClassesFile()
{
    std::string text;
    ReadWholeFile(RegistryStore::Instance().FileOf(RegRoot::ClassesRoot), &text);
    return text;
}

std::wstring Text(HKEY key, const wchar_t* name)
{
    std::wstring v;
    EXPECT_EQ(RegGetTextValue(key, name, &v), ERROR_SUCCESS) << WideToUtf8(name);
    return v;
}

}  // namespace

TEST(RegistryOverlayTest, ShippedKeysAreReadBeneathTheUsersOwn)
{
    // A fresh name each time the test runs in the same process.
    static int run = 0;
    const std::wstring root = L"OverlayProbe" + std::to_wstring(++run);
    const std::string rootNarrow = WideToUtf8(root);
    auto at = [&](const wchar_t* sub) { return root + sub; };
    auto& store = RegistryStore::Instance();
    ASSERT_EQ(store.AddShippedValue(RegRoot::ClassesRoot, PathOf(at(L"\\Kind").c_str()), L"Name", REG_SZ,
                                    WideToUtf16LeBytes(L"shipped") + std::string(2, '\0')),
              ERROR_SUCCESS);
    ASSERT_EQ(store.AddShippedValue(RegRoot::ClassesRoot, PathOf(at(L"\\Kind").c_str()), L"Other", REG_SZ,
                                    WideToUtf16LeBytes(L"kept") + std::string(2, '\0')),
              ERROR_SUCCESS);
    ASSERT_EQ(store.AddShippedKey(RegRoot::ClassesRoot, PathOf(at(L"\\Bravo").c_str())), ERROR_SUCCESS);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, at(L"\\Kind").c_str(), 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, L"name"), L"shipped");
    // Nothing of it is in the user's store.
    EXPECT_EQ(UserClassesFile().find(rootNarrow), std::string::npos);

    // The user's own value hides the shipped one; the shipped one stays.
    ASSERT_EQ(RegSetTextValue(key, L"Name", L"mine"), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, L"Name"), L"mine");
    EXPECT_EQ(Text(key, L"Other"), L"kept");
    EXPECT_NE(UserClassesFile().find(rootNarrow), std::string::npos);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    // Shipped values and keys cannot be deleted.
    EXPECT_EQ(RegDeleteValueW(key, L"Other"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(key, L"Name"), ERROR_SUCCESS);  // the user's goes
    EXPECT_EQ(Text(key, L"Name"), L"shipped");                // and the shipped one shows again
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, root.c_str()), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, at(L"\\Kind").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, L"Other"), L"kept");
    RegCloseKey(key);

    // A user's key beside the shipped ones: enumeration shows all, in order.
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, at(L"\\Alpha").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(made);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, root.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[64];
        DWORD chars = 64;
        if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Alpha", L"Bravo", L"Kind"}));
}

TEST(RegistryOverlayTest, ProgramRegistrationsNeedNoInstallStep)
{
    InstallShippedRegistrations();
    std::wstring path = L"Media Type\\" + GuidToString(MEDIATYPE_Stream) + L"\\" + GuidToString(MEDIASUBTYPE_Avi);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, L"0"), L"0,4,,52494646,8,4,,41564920");
    EXPECT_EQ(Text(key, L"Source Filter"), GuidToString(CLSID_AsyncReader));
    RegCloseKey(key);
    EXPECT_EQ(UserClassesFile().find("Media Type"), std::string::npos);
}
