#include "skin/WindowRegion.h"

#include <cstring>
#include <vector>

#include "platform/win32/Format.h"
#include "platform/win32/TextScan.h"
#include "skin/HDib.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

int RegionCombineMode(const CString& mode)
{
    if (mode == L"and") return RGN_AND;
    if (mode == L"copy") return RGN_COPY;
    if (mode == L"diff") return RGN_DIFF;
    if (mode == L"xor") return RGN_XOR;
    return RGN_OR;
}

namespace {

// OR-s the collected rectangles into the result; false when it fails.
bool Flush(std::vector<RECT>& rects, HRGN result, LONG width, LONG height)
{
    if (rects.empty()) return true;
    const size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    std::vector<char> buffer(bytes);
    RGNDATAHEADER header;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header.rcBound = RECT{0, 0, width, height};
    std::memcpy(buffer.data(), &header, sizeof header);
    std::memcpy(buffer.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
    rects.clear();
    HRGN part = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), reinterpret_cast<const RGNDATA*>(buffer.data()));
    if (!part) return false;
    const int combined = CombineRgn(result, result, part, RGN_OR);
    DeleteObject(part);
    return combined != ERROR;
}

}  // namespace

HRGN RegionFromBitmap(const HDib* image, COLORREF key)
{
    if (!image || image->IsEmpty()) return nullptr;
    HDib copy(*image);
    if (!copy.ConvertDepth(24) || copy.GetBitCount() != 24) return nullptr;
    const BYTE kb = GetBValue(key), kg = GetGValue(key), kr = GetRValue(key);
    const int width = copy.GetWidth(), height = copy.GetHeight();
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    std::vector<RECT> rects;
    for (int y = 0; y < height; ++y) {
        const BYTE* p = copy.PixelAddress(0, y);
        int x = 0;
        while (x < width) {
            while (x < width && p[x * 3] == kb && p[x * 3 + 1] == kg && p[x * 3 + 2] == kr) ++x;
            if (x >= width) break;
            const int start = x;
            while (x < width && !(p[x * 3] == kb && p[x * 3 + 1] == kg && p[x * 3 + 2] == kr)) ++x;
            rects.push_back(RECT{start, y, x, y + 1});
        }
        if (rects.size() >= 1000 && !Flush(rects, result, width, height)) {
            DeleteObject(result);
            return nullptr;
        }
    }
    if (!Flush(rects, result, width, height)) {
        DeleteObject(result);
        return nullptr;
    }
    return result;
}

int ParseWindowRegion(const CXmlNode* element, HRGN* region, int* errorCode, CString* detail, SkinOwner* window)
{
    if (!element || !region || element->m_nKind != CXmlNode::kElement || element->GetName() != L"SetWindowRgn")
        return 0;
    int code = SKINERR_NONE;
    CString text;
    auto fail = [&](int c, CString d) {
        code = c;
        text = std::move(d);
        return 0;
    };
    *region = CreateRectRgn(0, 0, 0, 0);
    int result = 1;
    POSITION pos = element->GetFirstChildPosition();
    while (CXmlNode* child = element->GetNextChild(pos)) {
        if (child->m_nKind != CXmlNode::kElement) continue;
        if (child->GetName() != L"Rgn") {
            result = fail(SKINERR_BAD_CHILD_TAG, child->GetName());
            break;
        }
        CString type, param, mode;
        if (!child->GetAttribute(L"Type", type)) {
            result = fail(SKINERR_CHILD_ATTRIBUTE, FormatText(L"%s,%s", L"Rgn", L"Type"));
            break;
        }
        child->GetAttribute(L"Param", param);
        child->GetAttribute(L"Mode", mode);
        if (param.IsEmpty()) {
            result = fail(SKINERR_MISSING_ATTRIBUTE, FormatText(L"%s,%s", L"Type", L"Param"));
            break;
        }
        int v[6] = {};
        HRGN part = nullptr;
        if (type == L"rect") {
            ScanFormat(param, L"%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]);
            part = CreateRectRgn(v[0], v[1], v[2], v[3]);
        } else if (type == L"ellipse") {
            ScanFormat(param, L"%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]);
            part = CreateEllipticRgn(v[0], v[1], v[2], v[3]);
        } else if (type == L"roundrect") {
            ScanFormat(param, L"%d,%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
            part = CreateRoundRectRgn(v[0], v[1], v[2], v[3], v[4], v[5]);
        } else if (type == L"bitmap") {
            HDib* image = window ? window->GetImage(param) : nullptr;
            if (!image) {
                result = fail(SKINERR_IMAGE_OPEN, param);
                break;
            }
            part = RegionFromBitmap(image, HDib::kKeyColor);
            if (!part) {
                result = fail(SKINERR_BITMAP_RGN, CString());
                break;
            }
        } else {
            result = fail(SKINERR_UNKNOWN_TYPE, type);
            break;
        }
        const int combined = part ? CombineRgn(*region, *region, part, RegionCombineMode(mode)) : ERROR;
        if (part) DeleteObject(part);
        if (combined == ERROR) {
            result = fail(SKINERR_COMBINE_RGN, CString());
            break;
        }
    }
    if (errorCode) *errorCode = code;
    if (detail) *detail = text;
    return result;
}
