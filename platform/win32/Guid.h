// GUID with the Windows layout and its text form, the registry form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex as StringFromGUID2
// writes it; read in either case).
#pragma once

#include <cstring>
#include <functional>
#include <string>

#include "WinTypes.h"

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    BYTE Data4[8] = {};
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool operator<(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }
inline bool IsEqualIID(const GUID& a, const GUID& b) { return a == b; }
inline bool IsEqualCLSID(const GUID& a, const GUID& b) { return a == b; }

inline constexpr GUID GUID_NULL{};

// Writes the braced upper-case form into buf (at least 39 characters); returns
// the character count including the terminating NUL, or 0 when buf is too small.
int StringFromGUID2(const GUID& g, wchar_t* buf, int cch);
std::wstring GuidToString(const GUID& g);  // braced form
// The one parser of the text form: exactly the braced pattern, every field
// its full width of hex digits in either case, nothing before or after.
// False (and *out GUID_NULL) for anything else.
bool GuidFromString(const std::wstring& text, GUID* out);
// The same with the system's answer: S_OK, or E_INVALIDARG leaving *out as
// GUID_NULL.
HRESULT CLSIDFromString(const wchar_t* text, CLSID* out);

template <>
struct std::hash<GUID> {
    size_t operator()(const GUID& g) const noexcept
    {
        uint64_t a, b;
        std::memcpy(&a, &g, 8);
        std::memcpy(&b, reinterpret_cast<const char*>(&g) + 8, 8);
        return std::hash<uint64_t>()(a ^ (b * 0x9E3779B97F4A7C15ull));
    }
};
