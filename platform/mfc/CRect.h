// The class library's point, size and rectangle: the Win32 structures with
// their arithmetic and tests.
#pragma once

#include <algorithm>

#include "platform/win32/gui/WindowGeometry.h"

class CPoint : public POINT {
public:
    CPoint() { x = y = 0; }
    CPoint(int px, int py)
    {
        x = px;
        y = py;
    }
    CPoint(POINT p) : POINT(p) {}  // NOLINT(google-explicit-constructor)
    // A point packed into an LPARAM (signed 16-bit halves).
    explicit CPoint(LPARAM packed)
    {
        x = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(packed)));
        y = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(packed)));
    }
    void Offset(int dx, int dy)
    {
        x += dx;
        y += dy;
    }
    bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
    bool operator!=(const POINT& o) const { return !(*this == o); }
    CPoint operator+(const POINT& o) const { return CPoint(x + o.x, y + o.y); }
    CPoint operator-(const POINT& o) const { return CPoint(x - o.x, y - o.y); }
};

class CSize : public SIZE {
public:
    CSize() { cx = cy = 0; }
    CSize(int w, int h)
    {
        cx = w;
        cy = h;
    }
    CSize(SIZE s) : SIZE(s) {}  // NOLINT(google-explicit-constructor)
    bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const SIZE& o) const { return !(*this == o); }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& r) : RECT(r) {}  // NOLINT(google-explicit-constructor)
    CRect(POINT p, SIZE s) : CRect(p.x, p.y, p.x + s.cx, p.y + s.cy) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(int l, int t, int r, int b) { *this = CRect(l, t, r, b); }
    void SetRectEmpty() { *this = CRect(); }
    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void InflateRect(int dx, int dy)
    {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void NormalizeRect()
    {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
    }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    BOOL IntersectRect(const RECT* a, const RECT* b) { return ::IntersectRect(this, a, b); }
    BOOL UnionRect(const RECT* a, const RECT* b) { return ::UnionRect(this, a, b); }
    operator LPRECT() { return this; }         // NOLINT(google-explicit-constructor)
    operator LPCRECT() const { return this; }  // NOLINT(google-explicit-constructor)
    bool operator==(const RECT& o) const { return ::EqualRect(this, &o) != FALSE; }
    bool operator!=(const RECT& o) const { return !(*this == o); }
};
