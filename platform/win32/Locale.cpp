#include "Locale.h"

#include <locale.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "CString.h"

namespace {

locale_t UserCollation()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_COLLATE_MASK, "", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_COLLATE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

}  // namespace

int CompareStringW(LCID, DWORD flags, const wchar_t* a, int aLength, const wchar_t* b, int bLength)
{
    if (!a || !b || aLength < -1 || bLength < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring x = aLength < 0 ? std::wstring(a) : std::wstring(a, static_cast<size_t>(aLength));
    std::wstring y = bLength < 0 ? std::wstring(b) : std::wstring(b, static_cast<size_t>(bLength));
    if (flags & NORM_IGNORECASE) {
        for (auto& c : x) c = ToLowerChar(c);
        for (auto& c : y) c = ToLowerChar(c);
    }
    int r = UserCollation() ? wcscoll_l(x.c_str(), y.c_str(), UserCollation()) : x.compare(y);
    if (r == 0) r = x.compare(y);  // collation ties still order deterministically
    return r < 0 ? CSTR_LESS_THAN : (r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL);
}
