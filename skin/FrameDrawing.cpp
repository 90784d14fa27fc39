#include "skin/FrameDrawing.h"

#include <algorithm>

#include "skin/HDib.h"

namespace {

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// The w by h piece of the source at (sx, sy) repeated over the area.
void TilePiece(const HDib& source, HDib* target, int sx, int sy, int w, int h, const RECT& area, int keyed)
{
    if (area.right <= area.left || area.bottom <= area.top || w <= 0 || h <= 0) return;
    source.Tile(target, area, 0, 0, keyed, sx, sy, w, h);
}

}  // namespace

void DrawFrame(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed, int fillCentre)
{
    if (!target) return;
    if (fillCentre && Height(from) == Height(to)) {
        DrawHorizontalThreePart(source, target, from, to, keyed);
        return;
    }
    const int g = std::min(Width(to), Width(from)) / 3;
    const int c = std::min(Height(to), Height(from)) / 3;
    if (g < 1 || c < 1) return;
    const RECT& S = from;
    const RECT& D = to;
    TilePiece(source, target, S.left + g, S.top, g, c, RECT{D.left + g, D.top, D.right - g, D.top + c}, keyed);
    TilePiece(source, target, S.left + g, S.bottom - c, g, c, RECT{D.left + g, D.bottom - c, D.right - g, D.bottom},
              keyed);
    TilePiece(source, target, S.left, S.top + c, g, c, RECT{D.left, D.top + c, D.left + g, D.bottom - c}, keyed);
    TilePiece(source, target, S.left, S.top, g, c, RECT{D.left, D.top, D.left + g, D.top + c}, keyed);
    TilePiece(source, target, S.left, S.bottom - c, g, c, RECT{D.left, D.bottom - c, D.left + g, D.bottom}, keyed);
    TilePiece(source, target, S.right - g, S.top + c, g, c, RECT{D.right - g, D.top + c, D.right, D.bottom - c}, keyed);
    TilePiece(source, target, S.right - g, S.top, g, c, RECT{D.right - g, D.top, D.right, D.top + c}, keyed);
    TilePiece(source, target, S.right - g, S.bottom - c, g, c, RECT{D.right - g, D.bottom - c, D.right, D.bottom},
              keyed);
    if (fillCentre)
        TilePiece(source, target, S.left + g, S.top + c, g, c, RECT{D.left + g, D.top + c, D.right - g, D.bottom - c},
                  keyed);
}

void DrawHorizontalThreePart(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed)
{
    if (!target) return;
    const RECT& S = from;
    const RECT& D = to;
    if (Width(S) / 2 < Width(D)) {
        const int t = Width(S) / 3;
        const int h = Height(S);
        TilePiece(source, target, S.left, S.top, t, h, RECT{D.left, D.top, D.left + t, D.bottom}, keyed);
        TilePiece(source, target, S.left + 2 * t, S.top, t, h, RECT{D.right - t, D.top, D.right, D.bottom}, keyed);
        TilePiece(source, target, S.left + t, S.top, t, h, RECT{D.left + t, D.top, D.right - t, D.bottom}, keyed);
    } else {
        const int h = Width(D) / 2 + 1;
        source.Copy(target, D.left, D.top, S.left, S.top, h, Height(S));
        source.Copy(target, D.right - h, D.top, S.right - h, S.top, h, Height(S));
    }
}

void DrawVerticalThreePart(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed)
{
    if (!target) return;
    const RECT& S = from;
    const RECT& D = to;
    if (Height(S) / 2 < Height(D)) {
        const int t = Height(S) / 3;
        const int w = Width(S);
        TilePiece(source, target, S.left, S.top, w, t, RECT{D.left, D.top, D.right, D.top + t}, keyed);
        TilePiece(source, target, S.left, S.top + 2 * t, w, t, RECT{D.left, D.bottom - t, D.right, D.bottom}, keyed);
        TilePiece(source, target, S.left, S.top + t, w, t, RECT{D.left, D.top + t, D.right, D.bottom - t}, keyed);
    } else {
        const int h = Height(D) / 2 + 1;
        source.Copy(target, D.left, D.top, S.left, S.top, Width(S), h);
        source.Copy(target, D.left, D.bottom - h, S.left, S.bottom - h, Width(S), h);
    }
}
