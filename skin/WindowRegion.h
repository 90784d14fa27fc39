// The shape of a skin window: a "SetWindowRgn" element whose "Rgn" children
// (rect, ellipse, roundrect or the opaque pixels of a skin image) are
// combined in order, and the region of the pixels of an image that are not
// the key colour.
#pragma once

#include "foundation/XmlDocument.h"
#include "platform/win32/gui/Regions.h"

class HDib;
class SkinOwner;

// 1 with the combined region (empty without children). On an error 0, with
// the skin error code and detail, and the region built so far left in
// *region for the caller to delete. An element not named "SetWindowRgn"
// gives 0 without an error code.
int ParseWindowRegion(const CXmlNode* element, HRGN* region, int* errorCode, CString* detail, SkinOwner* window);
// The CombineRgn mode of a region's "Mode" text: "and", "copy", "diff",
// "or", "xor"; any other text is RGN_OR.
int RegionCombineMode(const CString& mode);
// The pixels that differ from the key colour, null for an empty image or
// when the region cannot be built.
HRGN RegionFromBitmap(const HDib* image, COLORREF key);
