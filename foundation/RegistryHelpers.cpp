#include "RegistryHelpers.h"

#include <string>
#include <vector>

#include "platform/win32/ByteOrder.h"
#include "platform/win32/CodePage.h"

namespace {

// Opened for writing: opened with write access, or created when it cannot be.
HKEY OpenForWrite(HKEY root, const wchar_t* subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_WRITE | KEY_READ, &key) == ERROR_SUCCESS) return key;
    if (RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr, &key,
                        nullptr) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

bool WriteValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD type, const void* data, DWORD bytes)
{
    HKEY key = OpenForWrite(root, subKey);
    if (!key) return false;
    LONG r = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

// The value's bytes after asking its size first.
bool ReadBytes(HKEY root, const wchar_t* subKey, const wchar_t* valueName, std::vector<BYTE>* bytes, DWORD* type)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG r = RegQueryValueExW(key, valueName, nullptr, type, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        bytes->assign(size, 0);
        r = RegQueryValueExW(key, valueName, nullptr, type, bytes->data(), &size);
        bytes->resize(size);
    }
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

}  // namespace

bool RegWriteDword(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD value)
{
    BYTE le[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                  static_cast<BYTE>(value >> 24)};
    return WriteValue(root, subKey, valueName, REG_DWORD, le, 4);
}

bool RegReadDword(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* value, DWORD defaultValue)
{
    if (value) *value = defaultValue;
    std::vector<BYTE> b;
    DWORD type = 0;
    if (!ReadBytes(root, subKey, valueName, &b, &type) || b.size() != 4) return false;
    if (value) *value = LoadLE32(b.data());
    return true;
}

bool RegWriteDwordStr(HKEY root, const CString& subKey, const CString& valueName, DWORD value)
{
    return RegWriteDword(root, subKey, valueName, value);
}

bool RegReadDwordStr(HKEY root, const CString& subKey, const CString& valueName, DWORD* value, DWORD defaultValue)
{
    return RegReadDword(root, subKey, valueName, value, defaultValue);
}

bool RegWriteMultiString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const CString& text)
{
    std::string bytes = WideToUtf16LeBytes(text.str());
    bytes.append(2, '\0');
    return WriteValue(root, subKey, valueName, REG_MULTI_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool RegWriteStringAnsi(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const CString& text)
{
    HKEY key = OpenForWrite(root, subKey);
    if (!key) return false;
    std::string name = WideToMultiByte(CP_ACP, valueName ? valueName : L"");
    std::string data = WideToMultiByte(CP_ACP, text.str());
    LONG r = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool RegWriteBinary(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const BYTE* bytes, DWORD count)
{
    return WriteValue(root, subKey, valueName, REG_BINARY, bytes, count);
}

bool RegReadString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, CString& value)
{
    std::vector<BYTE> b;
    DWORD type = 0;
    if (!ReadBytes(root, subKey, valueName, &b, &type)) return false;
    std::wstring text = Utf16LeBytesToWide(b.data(), b.size());
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    value = CString(text);
    return true;
}

bool RegReadStringDefault(HKEY root, const wchar_t* subKey, const wchar_t* valueName, CString& value,
                          const CString& defaultValue)
{
    if (RegReadString(root, subKey, valueName, value)) return true;
    value = defaultValue;
    return false;
}

CString RegReadClassesRootDefault(const wchar_t* subKey)
{
    CString v;
    return RegReadString(HKEY_CLASSES_ROOT, subKey, L"", v) ? v : CString();
}

bool RegReadBinaryAlloc(HKEY root, const wchar_t* subKey, const wchar_t* valueName, BYTE** buffer, DWORD* size)
{
    std::vector<BYTE> b;
    DWORD type = 0;
    if (!buffer || !size || !ReadBytes(root, subKey, valueName, &b, &type)) return false;
    *buffer = new BYTE[b.empty() ? 1 : b.size()];
    std::copy(b.begin(), b.end(), *buffer);
    *size = static_cast<DWORD>(b.size());
    return true;
}

bool RegDeleteValueOf(HKEY root, const wchar_t* subKey, const wchar_t* valueName)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    LONG r = RegDeleteValueW(key, valueName);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool RegDeleteKeyTree(HKEY root, const wchar_t* subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    DWORD subKeys = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return false;
    }
    // Children from the highest index down, each with its own tree.
    for (DWORD i = subKeys; i > 0; --i) {
        wchar_t name[261];
        DWORD chars = 261;
        if (RegEnumKeyExW(key, i - 1, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            RegCloseKey(key);
            return false;
        }
        CString child = CString(subKey ? subKey : L"") + L"\\" + name;
        if (!RegDeleteKeyTree(root, child)) {
            RegCloseKey(key);
            return false;
        }
    }
    RegCloseKey(key);
    // The answer is whether the key itself is gone.
    return RegDeleteKeyW(root, subKey) == ERROR_SUCCESS;
}

bool DeleteClassesRootKey(const CString& firstPart, const CString& secondPart)
{
    return RegDeleteKeyTree(HKEY_CLASSES_ROOT, firstPart + secondPart);
}
