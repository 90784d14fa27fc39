#include "encoder/pipeline/SrcFileStream.h"

#include <cwchar>
#include <string>

#include "foundation/TextHelpers.h"
#include "platform/win32/Files.h"
#include "platform/win32/Registry.h"

namespace {

// The key of the byte-stream media type and a subkey of it that is never
// taken for a file's subtype.
constexpr wchar_t kStreamKey[] = L"\\Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}";
constexpr wchar_t kSkippedSubtype[] = L"{90B118A8-6974-4F9A-83A9-DCD7EF91825C}";
// Names and values are read into buffers of this many characters.
constexpr DWORD kTextChars = 256;

// A decimal field: optional sign and digits, up to the first other
// character, as a signed 32-bit number.
LONG DecimalField(const std::wstring& text)
{
    const wchar_t* p = text.c_str();
    while (*p == L' ' || *p == L'\t') ++p;
    bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+') ++p;
    long long v = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        v = v * 10 + (*p - L'0');
        if (v > 0x80000000LL) v = 0x80000000LL;
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
    return static_cast<LONG>(v);
}

// A value of the subkey named "0", "1", ... as text; false when it is
// missing, is no string or does not fit the buffer.
bool ReadLine(HKEY key, int index, std::wstring* line)
{
    wchar_t name[16];
    std::swprintf(name, 16, L"%d", index);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kTextChars * 2) return false;
    return RegGetTextValue(key, name, line) == ERROR_SUCCESS;
}

}  // namespace

CSrcFileStream::CSrcFileStream() = default;

CSrcFileStream::~CSrcFileStream()
{
    if (m_file && m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

HRESULT CSrcFileStream::OpenFile(const wchar_t* path)
{
    if (!path) return E_FAIL;
    // Every system here is of the family that shares deletion too.
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE || !h) return E_FAIL;
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (m_file && m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    m_file = h;
    DWORD high = 0;
    DWORD low = GetFileSize(m_file, &high);
    m_size = (static_cast<LONGLONG>(high) << 32) | low;
    DetectMediaType();
    SetPointer(0);
    return S_OK;
}

HRESULT CSrcFileStream::SetPointer(LONGLONG position)
{
    LONG high = static_cast<LONG>(position >> 32);
    SetLastError(0);
    DWORD r = SetFilePointer(m_file, static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN);
    if (r == INVALID_SET_FILE_POINTER && GetLastError() != 0) return E_FAIL;
    return S_OK;
}

HRESULT CSrcFileStream::Read(BYTE* buffer, DWORD count, BOOL, LPDWORD read)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    DWORD done = 0;
    BOOL ok = ReadFile(m_file, buffer, count, &done, nullptr);
    if (read) *read = done;
    return ok ? S_OK : E_FAIL;
}

LONGLONG CSrcFileStream::Size(LONGLONG* available)
{
    if (available) *available = m_size;
    return m_size;
}

bool CSrcFileStream::QuadrupleMatches(LONGLONG offset, LONG count, const CByteArray& mask, const CByteArray& value)
{
    bool placed = false;
    if (offset >= 0) placed = SUCCEEDED(SetPointer(offset));
    if (!placed) {
        LONGLONG fromEnd = m_size + offset;
        if (fromEnd < 0 || FAILED(SetPointer(fromEnd))) return false;
    }
    std::string bytes(static_cast<size_t>(count), '\0');
    DWORD got = 0;
    if (FAILED(Read(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(count), FALSE, &got)) ||
        got != static_cast<DWORD>(count))
        return false;
    for (LONG i = 0; i < count; ++i) {
        BYTE m = i < mask.GetSize() ? mask[i] : 0xFF;
        if ((static_cast<BYTE>(bytes[static_cast<size_t>(i)]) & m) != value[i]) return false;
    }
    return true;
}

bool CSrcFileStream::LineMatches(const std::wstring& line)
{
    std::wstring text = line + L",";
    LONGLONG offset = 0;
    LONG count = 0;
    CByteArray mask, value;
    int fields = 0, matched = 0;
    size_t start = 0;
    for (size_t comma = text.find(L','); comma != std::wstring::npos; comma = text.find(L',', start)) {
        std::wstring field = text.substr(start, comma - start);
        start = comma + 1;
        switch (fields % 4) {
        case 0: offset = DecimalField(field); break;
        case 1: count = DecimalField(field); break;
        case 2: HexStringToBytes(CString(field.c_str()), mask); break;
        default:
            HexStringToBytes(CString(field.c_str()), value);
            if (count > 0 && value.GetSize() == count && QuadrupleMatches(offset, count, mask, value)) ++matched;
            break;
        }
        ++fields;
    }
    return matched > 0 && matched * 4 == fields;
}

bool CSrcFileStream::DetectMediaType()
{
    m_subtype = GUID{};
    HKEY types = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kStreamKey, 0, KEY_READ, &types) != ERROR_SUCCESS) return false;
    bool found = false;
    for (DWORD index = 0; !found; ++index) {
        wchar_t name[kTextChars];
        DWORD chars = kTextChars;
        if (RegEnumKeyExW(types, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::wcscmp(name, kSkippedSubtype) == 0) continue;
        std::wstring path = std::wstring(kStreamKey) + L"\\" + name;
        HKEY subtype = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &subtype) != ERROR_SUCCESS) continue;
        std::wstring line;
        for (int n = 0; ReadLine(subtype, n, &line); ++n) {
            if (LineMatches(line)) {
                found = true;
                break;
            }
        }
        RegCloseKey(subtype);
        if (found) {
            RegCloseKey(types);
            return SUCCEEDED(CLSIDFromString(name, &m_subtype));
        }
    }
    RegCloseKey(types);
    return false;
}
