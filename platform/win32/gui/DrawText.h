// Formatted text in a rectangle with the rules of the system's DrawText:
// lines break at CR, LF and CR LF unless DT_SINGLELINE; DT_WORDBREAK wraps at
// blanks (a word wider than the rectangle is broken between characters);
// DT_VCENTER and DT_BOTTOM act only together with DT_SINGLELINE; '&' marks
// the next character as a mnemonic ("&&" is one '&') unless DT_NOPREFIX;
// DT_EXPANDTABS expands tabs to every 8 average character widths, or to the
// count in bits 8-15 with DT_TABSTOP (those bits are then no flags); the
// ellipsis flags shorten lines wider than the rectangle; drawing is clipped
// to the rectangle unless DT_NOCLIP. The result is the text's height, or
// with DT_VCENTER or DT_BOTTOM the offset from the rectangle's top to the
// bottom of the text; DT_CALCRECT only measures, setting the rectangle's
// right and bottom edges.
#pragma once

#include "UserTypes.h"

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

// A count of -1 means the text ends with a NUL.
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
