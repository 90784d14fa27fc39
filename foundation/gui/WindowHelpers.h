// Small window and text-measuring helpers of the message dialog, shared with
// the skin framework.
#pragma once

#include "platform/win32/gui/UserTypes.h"

// Pixel width of the text in the DC's font; 0 for no text.
int GetTextWidth(HDC dc, const wchar_t* text);
// (1 + number of LF characters) x the font's character height, plus the
// external leading per line when withLeading is set.
int GetTextBlockHeight(HDC dc, BOOL withLeading, const wchar_t* text);
// The width of the widest LF-separated line.
int GetTextBlockWidth(HDC dc, const wchar_t* text);
// Fills opaquely with the colour and leaves the DC's background colour as it was.
void FillRectWithColor(HDC dc, const RECT& r, COLORREF color);
// Columns 0 to width-1 over the full height; column i gets, per channel,
// left - (left - right) * i / width in integers.
void FillHorizontalGradient(COLORREF left, COLORREF right, int width, HDC dc, int height);
// The work area and whole area of the monitor nearest the rectangle or
// point; without monitor information, the system work area and the full
// screen from (0, 0).
void GetMonitorRectsOfRect(const RECT& r, RECT* work, RECT* monitor);
void GetMonitorRectsAtPoint(POINT p, RECT* work, RECT* monitor);
// Moves the rectangle into the area (by default the work area of the
// monitor nearest it): one wider or taller than the area takes the area's
// edges on that axis; otherwise it is shifted back inside.
void FitRectIntoWorkArea(const RECT& r, RECT* out, const RECT* area = nullptr);
void RectScreenToClient(HWND window, RECT* r);
void RectClientToScreen(HWND window, RECT* r);
// Registers a window class of the name, with the procedure and the arrow
// cursor and no background brush (the window paints all of itself), unless
// a class of that name is registered already, which is then kept as it is.
void RegisterPaintedWindowClass(const wchar_t* name, WNDPROC proc);
