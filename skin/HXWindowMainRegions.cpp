// The shape of the skinned window: the region the skin gives it, and the
// region controls laid out and combined into one whenever the size changes.
#include "skin/HXWindowMain.h"

#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/Window.h"
#include "skin/controls/HXConRgn.h"

void HXWindowMain::ApplyRegion(HRGN region)
{
    if (!m_hRegion && !region) return;
    HWND target = (m_options.popupWindow || !m_hHostWnd) ? m_hWnd : m_hHostWnd;
    if (!region && m_hRegionWindow) target = m_hRegionWindow;
    m_hRegion = region;
    m_hRegionWindow = region ? target : nullptr;
    // The window owns the region from here on.
    if (target && IsWindow(target))
        SetWindowRgn(target, region, TRUE);
    else if (region)
        DeleteObject(region);
}

bool HXWindowMain::LayoutRegions(UINT sizeType, int width, int height)
{
    if (sizeType == SIZE_MINIMIZED || m_regionControls.empty() || !m_pRegionAlign || (width <= 0 && height <= 0))
        return true;
    HRGN total = CreateRectRgn(0, 0, 0, 0);
    m_pRegionAlign->Layout(m_pRegionAlign.get(), width, height);
    for (HXConBase* control : m_regionControls) {
        auto* part = dynamic_cast<HXConRgn*>(control);
        if (!part || !part->GetRegion()) continue;
        RECT r;
        part->GetRect(&r);
        const POINT origin = part->GetRegionOrigin();
        OffsetRgn(part->GetRegion(), r.left - origin.x, r.top - origin.y);
        part->SetRegionOrigin(POINT{r.left, r.top});
        if (CombineRgn(total, total, part->GetRegion(), part->GetCombineMode()) == ERROR) {
            DeleteObject(total);
            return false;
        }
    }
    ApplyRegion(total);
    return true;
}
