#include "HColorStatic.h"

#include "platform/win32/gui/SystemMetrics.h"

BEGIN_MESSAGE_MAP(HColorStatic, CStatic)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_ENABLE()
END_MESSAGE_MAP()

void HColorStatic::SetColor(COLORREF color)
{
    m_color = color;
    Invalidate(FALSE);
}

void HColorStatic::OnPaint()
{
    CPaintDC dc(this);
    CRect r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, IsWindowEnabled() ? m_color : GetSysColor(COLOR_BTNFACE));
}

// The painting covers the whole control.
BOOL HColorStatic::OnEraseBkgnd(CDC*) { return TRUE; }

void HColorStatic::OnEnable(BOOL)
{
    Default();
    Invalidate();
}
