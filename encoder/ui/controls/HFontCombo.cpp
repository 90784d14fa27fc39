#include "HFontCombo.h"

#include <algorithm>
#include <cwchar>

#include "platform/win32/gui/FontEnumeration.h"
#include "platform/win32/gui/SystemMetrics.h"

BEGIN_MESSAGE_MAP(HFontCombo, CComboBox)
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {
constexpr UINT kMarkBitmap = 134;  // the TrueType mark, 15 pixels wide
constexpr int kMarkWidth = 15;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
}  // namespace

HFontCombo::~HFontCombo() { FreeFonts(); }

void HFontCombo::FreeFonts()
{
    for (POSITION p = m_fonts.GetStartPosition(); p;) {
        CString face;
        void* font = nullptr;
        m_fonts.GetNextAssoc(p, face, font);
        delete static_cast<HFontObj*>(font);
    }
    m_fonts.RemoveAll();
}

int HFontCombo::EnumFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lParam)
{
    auto* self = reinterpret_cast<HFontCombo*>(lParam);
    if ((type & RASTER_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
    CString face = font->lfFaceName;
    void* known = nullptr;
    if (!self->m_fonts.Lookup(face, known)) {
        auto* obj = new HFontObj;
        if (type & TRUETYPE_FONTTYPE) obj->m_dwFlags |= HFontObj::kTrueType;
        self->m_fonts.SetAt(face, obj);
    }
    return 1;
}

void HFontCombo::Fill()
{
    LOGFONTW request;
    request.lfCharSet = DEFAULT_CHARSET;
    HDC screen = ::GetDC(nullptr);
    EnumFontFamiliesExW(screen, &request, &HFontCombo::EnumFace, reinterpret_cast<LPARAM>(this), 0);
    ::ReleaseDC(nullptr, screen);

    ResetContent();
    for (POSITION p = m_fonts.GetStartPosition(); p;) {
        CString face;
        void* font = nullptr;
        m_fonts.GetNextAssoc(p, face, font);
        int count = GetCount();
        int at = count;
        for (int i = 0; i < count; ++i) {
            CString item;
            GetLBText(i, item);
            if (std::wcscoll(item.GetString(), face.GetString()) > 0) {
                at = i;
                break;
            }
        }
        if (at == count)
            AddString(face);
        else
            InsertString(at, face);
    }
}

const HFontObj* HFontCombo::FontOf(const CString& face) const
{
    void* font = nullptr;
    return m_fonts.Lookup(face, font) ? static_cast<const HFontObj*>(font) : nullptr;
}

int HFontCombo::TakeListedFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM lParam)
{
    *reinterpret_cast<CString*>(lParam) = font->lfFaceName;
    return 0;
}

int HFontCombo::FindFamily(const CString& name) const
{
    if (name.IsEmpty()) return -1;
    LOGFONTW request{};
    request.lfCharSet = DEFAULT_CHARSET;
    const int n = std::min(name.GetLength(), LF_FACESIZE - 1);
    std::copy(name.GetString(), name.GetString() + n, request.lfFaceName);
    request.lfFaceName[n] = L'\0';
    CString listed;
    HDC screen = ::GetDC(nullptr);
    EnumFontFamiliesExW(screen, &request, &HFontCombo::TakeListedFace, reinterpret_cast<LPARAM>(&listed), 0);
    ::ReleaseDC(nullptr, screen);
    if (listed.IsEmpty()) return -1;
    for (int i = 0; i < GetCount(); ++i) {
        CString item;
        GetLBText(i, item);
        if (item == listed) return i;
    }
    return -1;
}

CImageList* HFontCombo::Marks()
{
    if (!m_images.GetSafeHandle()) m_images.Create(kMarkBitmap, kMarkWidth, 1, kMagenta);
    return &m_images;
}

void HFontCombo::DrawItem(LPDRAWITEMSTRUCT item)
{
    if (static_cast<int>(item->itemID) < 0) return;
    CDC* dc = CDC::FromHandle(item->hDC);
    CRect r(item->rcItem);
    if (item->itemState & ODS_FOCUS) dc->DrawFocusRect(&r);
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    CRect inner = r;
    if (item->itemState & ODS_FOCUS) inner.DeflateRect(1, 1);
    if (selected) {
        dc->FillSolidRect(&inner, GetSysColor(COLOR_HIGHLIGHT));
        dc->SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        dc->FillSolidRect(&inner, dc->GetBkColor());
    }
    dc->SetBkMode(TRANSPARENT);
    CString face;
    GetLBText(static_cast<int>(item->itemID), face);
    const HFontObj* font = FontOf(face);
    if (font && font->IsTrueType()) Marks()->Draw(dc, 0, POINT{r.left + 2, r.top + 2}, ILD_TRANSPARENT);
    dc->TextOut(r.left + 19, r.top + 2, face);
}

int HFontCombo::OnCreate(LPCREATESTRUCTW)
{
    LRESULT result = Default();
    if (result != -1) Fill();
    return static_cast<int>(result);
}

void HFontCombo::OnDestroy()
{
    FreeFonts();
    Default();
}
