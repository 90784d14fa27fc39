// Locale-aware text comparison in the shape of CompareStringW. The user's
// collation comes from the environment (LC_ALL / LC_COLLATE / LANG) when that
// locale is installed; otherwise texts compare by code point.
#pragma once

#include "WinTypes.h"

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_INVARIANT = 0x007F;
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Lengths of -1 mean NUL-terminated. Returns 0 for bad arguments.
int CompareStringW(LCID locale, DWORD flags, const wchar_t* a, int aLength, const wchar_t* b, int bLength);
