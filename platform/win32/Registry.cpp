#include "Registry.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "CodePage.h"
#include "RegistryStore.h"

namespace {

// Rights that let a handle change or remove what it names.
constexpr REGSAM kDeleteRight = 0x10000;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kDeleteRight;

struct OpenKey {
    RegRoot root = RegRoot::CurrentUser;
    RegPath path;
    REGSAM access = 0;
};

// Open handles by value; values are never reused, so a closed handle stays
// invalid instead of reaching a later key.
struct HandleTable {
    std::mutex mutex;
    std::unordered_map<uintptr_t, OpenKey> keys;
    uintptr_t next = 0x10000;
};

HandleTable& Handles()
{
    static auto* table = new HandleTable();
    return *table;
}

// The root a predefined handle stands for. Code that builds the handle from
// the 32-bit value without sign extension reaches the same root.
bool PredefinedRoot(HKEY key, RegRoot* root)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    if (v >> 32 != 0 && v >> 32 != 0xFFFFFFFFu) return false;
    switch (static_cast<uint32_t>(v)) {
    case 0x80000000u: *root = RegRoot::ClassesRoot; return true;
    case 0x80000001u: *root = RegRoot::CurrentUser; return true;
    case 0x80000002u: *root = RegRoot::LocalMachine; return true;
    default: return false;
    }
}

bool Resolve(HKEY key, OpenKey* out)
{
    if (PredefinedRoot(key, &out->root)) {
        out->path.clear();
        out->access = KEY_ALL_ACCESS;
        return true;
    }
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> g(t.mutex);
    auto it = t.keys.find(reinterpret_cast<uintptr_t>(key));
    if (it == t.keys.end()) return false;
    *out = it->second;
    return true;
}

HKEY NewHandle(OpenKey key)
{
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> g(t.mutex);
    uintptr_t id = t.next;
    t.next += 4;
    t.keys.emplace(id, std::move(key));
    return reinterpret_cast<HKEY>(id);
}

std::wstring_view NameOf(const wchar_t* name) { return name ? std::wstring_view(name) : std::wstring_view(); }

// The handle's key with a sub-key path added; false when the text names a
// key no registry could hold.
bool Join(const OpenKey& base, const wchar_t* subKey, OpenKey* out)
{
    RegPath rel;
    if (subKey && !RegistryStore::SplitPath(subKey, &rel)) return false;
    *out = base;
    out->path.insert(out->path.end(), rel.begin(), rel.end());
    return out->path.size() <= RegistryStore::kMaxDepth;
}

// An operation on base\subKey. A missing target is ERROR_FILE_NOT_FOUND,
// unless the handle's own key is gone, which is ERROR_KEY_DELETED.
template <class F>
LONG OnSubKey(const OpenKey& base, const OpenKey& target, F op)
{
    LONG rc = op();
    if (rc != ERROR_KEY_DELETED || target.path.size() == base.path.size()) return rc;
    LONG baseRc = RegistryStore::Instance().KeyExists(base.root, base.path);
    return baseRc == ERROR_SUCCESS ? static_cast<LONG>(ERROR_FILE_NOT_FOUND) : baseRc;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Hands data out the Win32 way: size only, ERROR_MORE_DATA with the size
// needed, or the bytes.
LONG CopyOut(const std::string& bytes, BYTE* data, DWORD* dataBytes)
{
    if (!dataBytes) return ERROR_SUCCESS;
    DWORD need = static_cast<DWORD>(bytes.size());
    if (data && *dataBytes < need) {
        *dataBytes = need;
        return ERROR_MORE_DATA;
    }
    if (data && need) std::memcpy(data, bytes.data(), need);
    *dataBytes = need;
    return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, std::wstring_view name, const DWORD* reserved, const BYTE* data, const DWORD* dataBytes,
                RegValueData* value)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (reserved || (data && !dataBytes)) return ERROR_INVALID_PARAMETER;
    if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return RegistryStore::Instance().GetValue(k.root, k.path, name, value);
}

LONG SetValue(HKEY key, std::wstring_view name, DWORD reserved, DWORD type, std::string_view bytes)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (reserved) return ERROR_INVALID_PARAMETER;
    if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return RegistryStore::Instance().SetValue(k.root, k.path, name, type, bytes);
}

// Copies a name into a caller's buffer of *chars characters (NUL included).
LONG CopyName(const std::wstring& name, wchar_t* buffer, DWORD* chars)
{
    if (!buffer || !chars) return ERROR_INVALID_PARAMETER;
    if (name.size() >= *chars) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    *chars = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD, REGSAM access, PHKEY result)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey base, target;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    if (!Join(base, subKey, &target)) return ERROR_FILE_NOT_FOUND;
    LONG rc = OnSubKey(base, target, [&] { return RegistryStore::Instance().KeyExists(target.root, target.path); });
    if (rc != ERROR_SUCCESS) return rc;
    target.access = access;
    *result = NewHandle(std::move(target));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD reserved, wchar_t*, DWORD, REGSAM access, const void*,
                     PHKEY result, DWORD* disposition)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey base, target;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    if (reserved || !Join(base, subKey, &target)) return ERROR_INVALID_PARAMETER;
    RegistryStore& store = RegistryStore::Instance();
    bool created = false;
    LONG rc = store.KeyExists(target.root, target.path);
    if (rc != ERROR_SUCCESS) {
        rc = store.KeyExists(base.root, base.path);
        if (rc != ERROR_SUCCESS) return rc;
        if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        rc = store.CreateKey(target.root, target.path, &created);
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    target.access = access;
    *result = NewHandle(std::move(target));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    RegRoot root;
    if (PredefinedRoot(key, &root)) return ERROR_SUCCESS;
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> g(t.mutex);
    return t.keys.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    RegValueData v;
    LONG rc = QueryValue(key, NameOf(valueName), reserved, data, dataBytes, &v);
    if (rc != ERROR_SUCCESS) return rc;
    if (type) *type = v.type;
    return CopyOut(v.bytes, data, dataBytes);
}

LONG RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes)
{
    if (!data && dataBytes) return ERROR_INVALID_PARAMETER;
    std::string_view bytes = data ? std::string_view(reinterpret_cast<const char*>(data), dataBytes) : "";
    return SetValue(key, NameOf(valueName), reserved, type, bytes);
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes)
{
    if (!data && dataBytes) return ERROR_INVALID_PARAMETER;
    std::string_view bytes = data ? std::string_view(reinterpret_cast<const char*>(data), dataBytes) : "";
    std::wstring name = valueName ? MultiByteToWide(CP_ACP, valueName) : std::wstring();
    if (!IsStringType(type)) return SetValue(key, name, reserved, type, bytes);
    std::wstring text = MultiByteToWide(CP_ACP, bytes);
    if (text.empty() || text.back() != L'\0') text += L'\0';
    return SetValue(key, name, reserved, type, WideToUtf16LeBytes(text));
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes)
{
    std::wstring name = valueName ? MultiByteToWide(CP_ACP, valueName) : std::wstring();
    RegValueData v;
    LONG rc = QueryValue(key, name, reserved, data, dataBytes, &v);
    if (rc != ERROR_SUCCESS) return rc;
    if (type) *type = v.type;
    if (IsStringType(v.type)) v.bytes = WideToMultiByte(CP_ACP, Utf16LeBytesToWide(v.bytes.data(), v.bytes.size()));
    return CopyOut(v.bytes, data, dataBytes);
}

LONG RegDeleteValueW(HKEY key, const wchar_t* valueName)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return RegistryStore::Instance().DeleteValue(k.root, k.path, NameOf(valueName));
}

LONG RegDeleteKeyW(HKEY key, const wchar_t* subKey)
{
    OpenKey base, target;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    if (!(base.access & kWriteRights)) return ERROR_ACCESS_DENIED;
    if (!Join(base, subKey, &target)) return ERROR_FILE_NOT_FOUND;
    return OnSubKey(base, target, [&] { return RegistryStore::Instance().DeleteKey(target.root, target.path); });
}

LONG RegDeleteTreeW(HKEY key, const wchar_t* subKey)
{
    OpenKey base, target;
    if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
    if (!(base.access & kWriteRights)) return ERROR_ACCESS_DENIED;
    if (!Join(base, subKey, &target)) return ERROR_FILE_NOT_FOUND;
    bool deleteItself = target.path.size() > base.path.size();
    return OnSubKey(base, target,
                    [&] { return RegistryStore::Instance().DeleteTree(target.root, target.path, deleteItself); });
}

LONG RegQueryInfoKeyW(HKEY key, wchar_t* keyClass, DWORD* classChars, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                      DWORD* maxValueLen, DWORD* securityDescriptorBytes, FILETIME* lastWriteTime)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (reserved || (keyClass && !classChars)) return ERROR_INVALID_PARAMETER;
    if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    RegKeyInfo info;
    LONG rc = RegistryStore::Instance().QueryInfo(k.root, k.path, &info);
    if (rc != ERROR_SUCCESS) return rc;
    if (keyClass && *classChars) keyClass[0] = 0;
    if (classChars) *classChars = 0;
    if (subKeys) *subKeys = info.subKeys;
    if (maxSubKeyLen) *maxSubKeyLen = info.maxSubKeyLen;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = info.values;
    if (maxValueNameLen) *maxValueNameLen = info.maxValueNameLen;
    if (maxValueLen) *maxValueLen = info.maxValueLen;
    if (securityDescriptorBytes) *securityDescriptorBytes = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME();
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars, DWORD* reserved, wchar_t* keyClass,
                   DWORD* classChars, FILETIME* lastWriteTime)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (reserved || !name || !nameChars || (keyClass && !classChars)) return ERROR_INVALID_PARAMETER;
    if (!(k.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    std::wstring found;
    LONG rc = RegistryStore::Instance().EnumSubKey(k.root, k.path, index, &found);
    if (rc != ERROR_SUCCESS) return rc;
    rc = CopyName(found, name, nameChars);
    if (rc != ERROR_SUCCESS) return rc;
    if (keyClass && *classChars) keyClass[0] = 0;
    if (classChars) *classChars = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME();
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, wchar_t* valueName, DWORD* valueNameChars, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataBytes)
{
    OpenKey k;
    if (!Resolve(key, &k)) return ERROR_INVALID_HANDLE;
    if (reserved || !valueName || !valueNameChars || (data && !dataBytes)) return ERROR_INVALID_PARAMETER;
    if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    RegValueData v;
    LONG rc = RegistryStore::Instance().EnumValue(k.root, k.path, index, &v);
    if (rc != ERROR_SUCCESS) return rc;
    rc = CopyName(v.name, valueName, valueNameChars);
    if (rc != ERROR_SUCCESS) return rc;
    if (type) *type = v.type;
    return CopyOut(v.bytes, data, dataBytes);
}

LONG RegSetTextValue(HKEY key, const wchar_t* valueName, std::wstring_view text)
{
    return SetValue(key, NameOf(valueName), 0, REG_SZ, WideToUtf16LeBytes(text) + std::string(2, '\0'));
}

LONG RegGetTextValue(HKEY key, const wchar_t* valueName, std::wstring* text)
{
    RegValueData v;
    LONG rc = QueryValue(key, NameOf(valueName), nullptr, nullptr, nullptr, &v);
    if (rc != ERROR_SUCCESS) return rc;
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    size_t end = 0;
    while (end + 1 < v.bytes.size() && (v.bytes[end] || v.bytes[end + 1])) end += 2;
    if (end + 1 >= v.bytes.size()) end = v.bytes.size();  // no NUL: the text ends with the data
    *text = Utf16LeBytesToWide(v.bytes.data(), end);
    return ERROR_SUCCESS;
}
