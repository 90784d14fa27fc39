#include "GdiClasses.h"

#include <memory>
#include <unordered_map>

#include "platform/mfc/CWnd.h"
#include "platform/mfc/ImageResource.h"
#include "platform/win32/gui/Cursors.h"

namespace {

std::unordered_map<HDC, std::unique_ptr<CDC>>& TempDcs()
{
    static std::unordered_map<HDC, std::unique_ptr<CDC>> m;
    return m;
}

// Wrappers handed out by SelectObject for the objects a DC held before;
// they never delete the object and go with the temporary DCs.
template <class T>
struct Borrow : T {
    ~Borrow() override { this->Detach(); }
};

std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>>& TempObjects()
{
    static std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> m;
    return m;
}

template <class T>
T* Borrowed(HGDIOBJ object)
{
    if (!object) return nullptr;
    auto& slot = TempObjects()[object];
    T* typed = dynamic_cast<T*>(slot.get());
    if (!typed) {
        auto fresh = std::make_unique<Borrow<T>>();
        fresh->Attach(object);
        typed = fresh.get();
        slot = std::move(fresh);
    }
    return typed;
}

}  // namespace

BOOL CFont::CreatePointFont(int pointSizeTenths, LPCWSTR face, CDC* dc)
{
    LOGFONTW lf;
    lf.lfHeight = pointSizeTenths;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face) {
        size_t i = 0;
        for (; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
        lf.lfFaceName[i] = L'\0';
    }
    return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lf, CDC* dc)
{
    if (!lf) return FALSE;
    LOGFONTW copy = *lf;
    HDC screen = dc ? dc->m_hDC : ::GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (dpi <= 0) dpi = 96;
    if (!dc && screen) ::ReleaseDC(nullptr, screen);
    // Tenths of a point to a character height in pixels.
    copy.lfHeight = -static_cast<LONG>((static_cast<long long>(lf->lfHeight) * dpi + 360) / 720);
    return Attach(::CreateFontIndirectW(&copy));
}

BOOL CBitmap::LoadBitmap(UINT id) { return Attach(::LoadBitmapW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(id)))); }

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

CDC::~CDC()
{
    if (owned_ && m_hDC) ::DeleteDC(m_hDC);
}

CDC* CDC::FromHandle(HDC dc)
{
    if (!dc) return nullptr;
    auto& temps = TempDcs();
    auto& slot = temps[dc];
    if (!slot) {
        slot = std::make_unique<CDC>();
        slot->m_hDC = dc;
    }
    return slot.get();
}

void CDC::DeleteTempMap()
{
    TempDcs().clear();
    TempObjects().clear();
}

BOOL CDC::Attach(HDC dc)
{
    if (!dc || m_hDC) return FALSE;
    m_hDC = dc;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    owned_ = false;
    return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc)
{
    if (m_hDC) return FALSE;
    m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
    owned_ = m_hDC != nullptr;
    return owned_;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC) return FALSE;
    BOOL ok = ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    owned_ = false;
    return ok;
}

CGdiObject* CDC::SelectStockObject(int index)
{
    return Borrowed<CGdiObject>(::SelectObject(m_hDC, GetStockObject(index)));
}
CPen* CDC::SelectObject(CPen* pen) { return Borrowed<CPen>(::SelectObject(m_hDC, pen ? pen->m_hObject : nullptr)); }
CBrush* CDC::SelectObject(CBrush* brush)
{
    return Borrowed<CBrush>(::SelectObject(m_hDC, brush ? brush->m_hObject : nullptr));
}
CFont* CDC::SelectObject(CFont* font)
{
    return Borrowed<CFont>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return Borrowed<CBitmap>(::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr));
}

void CDC::FillSolidRect(LPCRECT r, COLORREF color)
{
    COLORREF old = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, r, L"", 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, color);
}

void CDC::Draw3dRect(LPCRECT r, COLORREF topLeft, COLORREF bottomRight)
{
    int x = r->left, y = r->top, cx = r->right - r->left, cy = r->bottom - r->top;
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
    FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old;
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

CSize CDC::GetTextExtent(const CString& text) const
{
    SIZE s{};
    ::GetTextExtentPoint32W(m_hDC, text, text.GetLength(), &s);
    return CSize(s);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }
CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }
CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }
CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }
