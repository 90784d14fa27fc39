// Painting the skinned window: the off-screen bitmap drawn from the
// background and the controls, the dirty rectangle copied to the screen,
// and the layout of the controls when the window or a control changes.
#include "skin/HXWindowMain.h"

#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/FrameDrawing.h"

namespace {

bool Intersects(const RECT& a, const RECT& b)
{
    RECT i;
    return IntersectRect(&i, &a, &b) != FALSE;
}

}  // namespace

void HXWindowMain::MarkDirty(HXConBase* control)
{
    RECT r{};
    if (control) control->GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top) {
        m_bDirty = 0;
        return;
    }
    m_rcDirty = r;
    m_bDirty = 1;
}

void HXWindowMain::RepaintBitmap()
{
    if (m_dib.IsEmpty()) return;
    m_dib.SetClipRect(m_bDirty ? &m_rcDirty : nullptr);
    RECT client{0, 0, m_dib.GetWidth(), m_dib.GetHeight()};
    if (m_hWnd) GetClientRect(m_hWnd, &client);
    switch (m_nBkgndMode) {
    case BKGND_TILE:
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty())
            m_pBkgndImage->Tile(&m_dib, RECT{0, 0, m_dib.GetWidth(), m_dib.GetHeight()}, 0, 0, 0);
        break;
    case BKGND_IMAGE:
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty()) m_pBkgndImage->Copy(&m_dib, 0, 0, 0, 0, -1, -1);
        break;
    case BKGND_COLOR: m_dib.FillClip(m_crBkgnd); break;
    case BKGND_STRETCH:
        // The image stretched over the client area.
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty() && client.right > 0 && client.bottom > 0) {
            if (m_bkgndCache.GetWidth() != client.right || m_bkgndCache.GetHeight() != client.bottom)
                m_bkgndCache.Create(client.right, client.bottom, 24);
            m_pBkgndImage->StretchCopy(&m_bkgndCache, 0, 0, client.right, client.bottom, 0, 0,
                                       m_pBkgndImage->GetWidth(), m_pBkgndImage->GetHeight());
            m_bkgndCache.Copy(&m_dib, 0, 0, 0, 0, -1, -1);
        }
        break;
    case BKGND_FRAME:
        // The image as a nine-part frame around the client area.
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty())
            DrawFrame(*m_pBkgndImage, &m_dib, RECT{0, 0, m_pBkgndImage->GetWidth(), m_pBkgndImage->GetHeight()}, client,
                      0, 1);
        break;
    default: break;
    }
    for (HXConBase* control : m_controls) {
        if (m_bDirty) {
            RECT r;
            control->GetRect(&r);
            if (!Intersects(r, m_rcDirty)) continue;
        }
        control->Draw();
    }
}

void HXWindowMain::CopyToScreen()
{
    if (!m_dib.IsEmpty() && m_hWnd && IsWindow(m_hWnd)) {
        m_dib.SetClipRect(nullptr);
        if (m_bDirty)
            m_dib.BlitToWindow(m_hWnd, m_rcDirty.left, m_rcDirty.top, m_rcDirty.left, m_rcDirty.top,
                               m_rcDirty.right - m_rcDirty.left, m_rcDirty.bottom - m_rcDirty.top, SRCCOPY);
        else
            m_dib.BlitToWindow(m_hWnd, 0, 0, 0, 0, -1, -1, SRCCOPY);
    }
    m_dib.SetClipRect(nullptr);
    m_bDirty = 0;
}

void HXWindowMain::LayoutControls(int repaint)
{
    RECT client;
    if (m_pControlAlign && m_hWnd && GetClientRect(m_hWnd, &client)) {
        const int kept = m_pControlAlign->GetRepaint();
        m_pControlAlign->SetRepaint(repaint);
        m_pControlAlign->Layout(m_pControlAlign.get(), client.right, client.bottom);
        m_pControlAlign->SetRepaint(kept);
    }
}

HXManAlign* HXWindowMain::FindLayoutNode(const HXConBase* control)
{
    return m_pControlAlign ? m_pControlAlign->FindNode(control) : nullptr;
}

void HXWindowMain::Relayout()
{
    for (HXConBase* control : m_controls) control->OnRefresh();
    LayoutControls(1);
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
}

void HXWindowMain::OnInvalidControl(HXConBase* control)
{
    if (control) {
        // A control that is no longer ours (cleared with its skin) is not touched.
        if (!HoldsControl(control)) return;
        MarkDirty(control);
    } else {
        m_bDirty = 0;
    }
    RepaintBitmap();
    CopyToScreen();
}

void HXWindowMain::OnRefreshControl(HXConBase* control)
{
    if (!HoldsControl(control)) return;
    LayoutControls(0);
    control->OnRefresh();
    MarkDirty(control);
    RepaintBitmap();
    CopyToScreen();
}

void HXWindowMain::OnSizeMessage(UINT type, int width, int height)
{
    if (EndHover(nullptr)) CopyToScreen();
    if (width > 0 && height > 0 && (m_dib.GetWidth() < width || m_dib.GetHeight() < height))
        m_dib.Create(width, height, 24);
    if (m_pRegionAlign) LayoutRegions(type, width, height);
    if (m_pControlAlign) m_pControlAlign->OnWindowSize(type, width, height);
    if (m_options.moveParent && m_hHostWnd && IsWindow(m_hHostWnd) && m_hWnd) {
        RECT r;
        GetWindowRect(m_hWnd, &r);
        MoveWindow(m_hHostWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
    m_bHover = 0;
    m_pHover = nullptr;
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
}
