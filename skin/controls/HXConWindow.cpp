#include "skin/controls/HXConWindow.h"

#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

int HXConWindow::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    return HXConBase::LoadAttributes(host, surface, element);
}

int HXConWindow::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    return HXConBase::LoadAlign(element, info, errorCode);
}

void HXConWindow::SetRect(int x, int y, int width, int height, int repaint)
{
    HWND bound = m_binding.window;
    if (bound && IsWindow(bound)) {
        RECT r{x, y, x + width, y + height};
        HWND parent = GetParent(bound);
        if (parent && parent != m_hHost && m_hHost) {
            // From the skin window's client area to the bound window's parent's.
            POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
            MapWindowPoints(m_hHost, parent, corners, 2);
            r = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
        }
        if (m_bRegion) {
            SetWindowRgn(bound, CreateRectRgnIndirect(&r), TRUE);
        } else {
            RECT current;
            GetWindowRect(bound, &current);
            POINT a{current.left, current.top}, b{current.right, current.bottom};
            if (parent) {
                ScreenToClient(parent, &a);
                ScreenToClient(parent, &b);
            }
            // An unchanged place is left alone, so the window does not flicker.
            if (a.x != r.left || a.y != r.top || b.x != r.right || b.y != r.bottom)
                MoveWindow(bound, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    HXConBase::SetRect(x, y, width, height, 0);
    (void)repaint;
}

int HXConWindow::Draw() { return 1; }

int HXConWindow::HitTest(int, int) { return 0; }
