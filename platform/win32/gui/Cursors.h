// Cursors and icons. The stock cursor ids map to Qt's shapes; cursor files
// (.cur) are read from memory with their hot spot; icons are images the
// program registers under a resource id and loads with LoadIconW.
#pragma once

#include "UserTypes.h"

inline LPCWSTR IdcName(WORD id) { return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(id)); }
inline LPCWSTR const IDC_ARROW = IdcName(32512);
inline LPCWSTR const IDC_IBEAM = IdcName(32513);
inline LPCWSTR const IDC_WAIT = IdcName(32514);
inline LPCWSTR const IDC_CROSS = IdcName(32515);
inline LPCWSTR const IDC_UPARROW = IdcName(32516);
inline LPCWSTR const IDC_SIZE = IdcName(32640);
inline LPCWSTR const IDC_ICON = IdcName(32641);
inline LPCWSTR const IDC_SIZENWSE = IdcName(32642);
inline LPCWSTR const IDC_SIZENESW = IdcName(32643);
inline LPCWSTR const IDC_SIZEWE = IdcName(32644);
inline LPCWSTR const IDC_SIZENS = IdcName(32645);
inline LPCWSTR const IDC_SIZEALL = IdcName(32646);
inline LPCWSTR const IDC_NO = IdcName(32648);
inline LPCWSTR const IDC_HAND = IdcName(32649);
inline LPCWSTR const IDC_APPSTARTING = IdcName(32650);
inline LPCWSTR const IDC_HELP = IdcName(32651);
inline LPCWSTR const IDI_APPLICATION = IdcName(32512);

// A stock cursor (null instance and an IDC_ id); stock cursors are shared
// and never destroyed. Other instances load registered icons only.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
// Reads a .cur (or .ico) file.
HCURSOR LoadCursorFromFileW(LPCWSTR path);
// A cursor from the bytes of a .cur file: the first image of the directory,
// with the hot spot the directory gives. Null for data that is not a valid
// cursor file (every size and offset is checked against the data).
HCURSOR CreateCursorFromFileData(const void* data, size_t size);
BOOL DestroyCursor(HCURSOR cursor);
// Makes the cursor current and shows it over our windows; returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);

struct ICONINFO {
    BOOL fIcon = TRUE;
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    HBITMAP hbmMask = nullptr;
    HBITMAP hbmColor = nullptr;
};
// The hot spot and size of a cursor or icon (no bitmaps are handed out).
BOOL GetIconInfo(HICON icon, ICONINFO* info);
BOOL GetCursorSize(HCURSOR cursor, SIZE* size);

// IDI_APPLICATION with a null instance is the system's shared application
// icon; any other id is the program's registered icon (a new handle each
// call), whatever the instance, as the program is the one module with icons.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
BOOL DestroyIcon(HICON icon);
constexpr UINT DI_NORMAL = 0x0003;
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
