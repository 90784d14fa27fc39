// Code-page conversions with the meanings of MultiByteToWideChar and
// WideCharToMultiByte. Linux has no ANSI code page: one process setting stands
// in for it (949 by default). Conversions never stop at a bad byte: each bad
// sequence becomes one U+FFFD and the conversion goes on with the byte after
// it (in a double-byte code page a lead byte and a byte that may follow it
// are one sequence, whether or not the pair has a character). Characters
// the target code page cannot hold become '?'.
#pragma once

#include <string>
#include <string_view>

#include "WinTypes.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF16LE = 1200;
constexpr UINT CP_UTF16BE = 1201;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// The process's stand-in for the system ANSI code page.
UINT GetACP();
void SetAnsiCodePage(UINT codePage);
// True when a conversion to or from the code page is available here.
bool IsValidCodePage(UINT codePage);

std::wstring MultiByteToWide(UINT codePage, std::string_view bytes);
std::string WideToMultiByte(UINT codePage, std::wstring_view text, bool* usedDefaultChar = nullptr);

// Win32 shapes: a source length of -1 means NUL-terminated (the NUL is
// converted and counted); a destination size of 0 asks for the needed size.
// Returns the count written (or needed), 0 on failure (GetLastError tells).
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcBytes, wchar_t* dst, int dstChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* src, int srcChars, char* dst, int dstBytes,
                        const char* defaultChar, BOOL* usedDefaultChar);

// UTF-8 and UTF-16 at file, library and record borders.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view units);
// UTF-16LE bytes (no mark); an odd trailing byte becomes U+FFFD.
std::wstring Utf16LeBytesToWide(const void* bytes, size_t byteCount);
std::string WideToUtf16LeBytes(std::wstring_view text);
