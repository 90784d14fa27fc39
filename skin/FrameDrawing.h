// Frame drawing shared by the static and button controls and the window's
// background: a nine-part frame (corners kept, edges and centre tiled) and
// three-part strips (both ends kept, the middle tiled), from a rectangle of
// a source image into a rectangle of a target of the same depth.
#pragma once

#include "platform/win32/WinTypes.h"

class HDib;

// Corners of a third of the smaller of the two rectangles in each
// direction; nothing when a corner would be under a pixel. With fillCentre
// a source as high as the destination is drawn as a horizontal strip.
void DrawFrame(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed, int fillCentre);
// When half the source is narrower than the destination, its thirds are
// tiled (ends kept); otherwise both halves of the destination are copied
// opaquely from the source's ends.
void DrawHorizontalThreePart(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed);
void DrawVerticalThreePart(const HDib& source, HDib* target, const RECT& from, const RECT& to, int keyed);
