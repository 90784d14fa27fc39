#include "SkinFuzzTargets.h"

#include <memory>
#include <string>

#include "platform/win32/CodePage.h"
#include "skin/AttributeValues.h"
#include "skin/HDib.h"
#include "skin/HXConBase.h"
#include "skin/HXSubFont.h"
#include "skin/WindowRegion.h"
#include "skin/SkinOwner.h"

namespace {

// A skin window that knows one image and resolves no text.
class FuzzOwner : public SkinOwner {
public:
    CString ResolveText(const CString& text) override { return text; }
    HDib* GetImage(const CString& name) override { return name == L"img" ? &image : nullptr; }
    HCURSOR FindCursor(const CString&) override { return nullptr; }
    HXSubFont* FindFont(const CString&) override { return nullptr; }
    int SetControlTimer(HXConBase*, int, int) override { return 1; }
    LRESULT NotifyApplication(WPARAM, LPARAM) override { return 0; }
    bool FindControlId(const CString&, int&) override { return false; }
    HXConBase* FindControl(int) override { return nullptr; }
    HXManAlign* FindLayoutNode(const HXConBase*) override { return nullptr; }
    void Relayout() override {}
    int GetSkinSource(CString&, int&, int&) override { return 0; }
    int UnpackSkin(CString&) override { return 0; }
    HDib image;
};

}  // namespace

int FuzzSkinBitmap(const uint8_t* data, size_t size)
{
    HDib dib;
    if (!dib.LoadBmp(data, size)) return 0;
    // Pictures that big are the loader's business, not the drawing's.
    if (static_cast<long long>(dib.GetWidth()) * dib.GetHeight() > (1 << 20)) return 0;
    HRGN region = RegionFromBitmap(&dib, HDib::kKeyColor);
    if (region) DeleteObject(region);
    if (!dib.ConvertDepth(24)) return 0;
    HDib target;
    if (!target.CreateFilled(37, 23, 24, RGB(1, 2, 3))) return 0;
    const int w = dib.GetWidth(), h = dib.GetHeight();
    dib.Copy(&target, -w / 2, 3, 1, -2, -1, -1);
    dib.CopyKeyed(&target, 30, 20, 0, 0, w, h);
    dib.Blend(&target, 2, -7, 3, 1, w, h, static_cast<int>(size & 0xFF));
    dib.BlendKeyed(&target, 0, 0, 0, 0, -1, -1, 128);
    dib.StretchCopy(&target, -3, -3, 50, 9, 1, 1, w, h);
    dib.DrawGridCell(&target, 4, 4, 3, 1, 2, 1, 1, -1);
    dib.Tile(&target, RECT{-5, -5, 40, 30}, 3, -2, 1);
    dib.Tint(10, -20, 300, 1);
    HDib wide;
    dib.ConvertDepth(32, &wide);
    return 0;
}

int FuzzSkinAttributes(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = Utf8ToWide(bytes);
    RECT r;
    ParseRectAttribute(text.c_str(), &r);
    int a = -1, b = -1;
    ParsePointAttribute(text.c_str(), &a, &b);
    ParseColorAttribute(text.c_str());
    ParseBackgroundColorAttribute(text.c_str());
    ParseNcHitTest(text.c_str());
    UINT flags = 0;
    ParseTextFormat(text.c_str(), &flags);
    ParseCursorAttribute(text.c_str());

    CXmlDocument doc;
    if (!doc.LoadFromMemory(data, size) || !doc.m_pRoot) return 0;
    FuzzOwner owner;
    owner.image.CreateFilled(8, 4, 24, HDib::kKeyColor);
    owner.image.Fill(RGB(1, 1, 1));
    HRGN region = nullptr;
    int code = 0;
    CString detail;
    ParseWindowRegion(doc.m_pRoot, &region, &code, &detail, &owner);
    if (region) DeleteObject(region);
    HXSubFont* font = nullptr;
    CString name;
    if (ParseFontAttribute(&owner, doc.m_pRoot, &font, &name, nullptr)) {
        SIZE extent;
        font->MeasureText(name, &extent);
        delete font;
    }
    HDib surface;
    surface.CreateFilled(64, 48, 24, 0);
    HXConBase control(&owner);
    control.LoadAttributes(nullptr, &surface, doc.m_pRoot);
    SAlignInfo info;
    control.LoadAlign(doc.m_pRoot, &info, &code);
    control.SetRect(info.left, info.top, info.width, info.height, 1);
    control.SetText(control.GetTooltip(), 0);
    control.DrawControlText(0);
    control.IsTooSmall();
    surface.ReleaseDC();
    return 0;
}
