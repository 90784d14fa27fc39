// The skinned window's controls by name and id: the host's bindings of
// skin names to ids, the lookups that search nested skin windows too, and
// the fonts, cursors and timers the controls ask their window for.
#include "skin/HXWindowMain.h"

#include <algorithm>

#include "skin/HXWindowChild.h"
#include "skin/SkinErrors.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"

bool HXWindowMain::HoldsControl(const HXConBase* control) const
{
    if (!control) return false;
    return std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end() ||
           std::find(m_regionControls.begin(), m_regionControls.end(), control) != m_regionControls.end();
}

bool HXWindowMain::NameKnownBelow(const CString& name) { return FindControlInfoBelow(name) != nullptr; }

const SHxControlInfo* HXWindowMain::FindControlInfoBelow(const CString& name)
{
    auto it = m_controlInfo.find(name);
    if (it != m_controlInfo.end()) return &it->second;
    for (HXConBase* control : m_controls)
        if (auto* nested = dynamic_cast<HXWindowMain*>(control))
            if (const SHxControlInfo* info = nested->FindControlInfoBelow(name)) return info;
    return nullptr;
}

const SHxControlInfo* HXWindowMain::FindControlInfo(const CString& name)
{
    return GetTopWindow()->FindControlInfoBelow(name);
}

int HXWindowMain::AddCommandControl(const CString& name, int id)
{
    if (NameKnownBelow(name)) {
        SetLastSkinError(*this, SKINERR_DUPLICATE_CONTROL_ID, L"%s,%d", name, id);
        return 0;
    }
    SHxControlInfo info;
    info.kind = 0;
    info.id = id;
    m_controlInfo[name] = info;
    return 1;
}

int HXWindowMain::AddWindowControl(const CString& name, int id, HWND window)
{
    if (!m_bChild && FindControlInfoBelow(name)) {
        SetLastSkinError(*this, SKINERR_DUPLICATE_WINDOW_CONTROL_ID, L"%s,%d", name, id);
        return 0;
    }
    SHxControlInfo info;
    info.kind = 1;
    info.id = id;
    info.window = window;
    m_controlInfo[name] = info;
    return 1;
}

HXConBase* HXWindowMain::FindControl(int id)
{
    auto it = m_idMap.find(id);
    if (it != m_idMap.end()) return it->second;
    for (HXConBase* control : m_controls)
        if (auto* nested = dynamic_cast<HXWindowMain*>(control)) {
            auto n = nested->m_idMap.find(id);
            if (n != nested->m_idMap.end()) return n->second;
        }
    return nullptr;
}

HXConButton* HXWindowMain::FindButton(int id) { return dynamic_cast<HXConButton*>(FindControl(id)); }

HXConStatic* HXWindowMain::FindStatic(int id) { return dynamic_cast<HXConStatic*>(FindControl(id)); }

HXWindowChild* HXWindowMain::FindChildWindow(int id)
{
    auto it = m_idMap.find(id);
    return it == m_idMap.end() ? nullptr : dynamic_cast<HXWindowChild*>(it->second);
}

CString HXWindowMain::GetLastErrorMessage() const
{
    return CString(GetSkinErrorText(GetLastErrorCode())) + L" " + GetLastErrorText();
}

HCURSOR HXWindowMain::FindCursor(const CString& name)
{
    for (HXWindowMain* w = this; w; w = w->m_pParent) {
        auto it = w->m_cursors.find(name);
        if (it != w->m_cursors.end()) return it->second;
    }
    return nullptr;
}

HXSubFont* HXWindowMain::FindFont(const CString& name)
{
    for (HXWindowMain* w = this; w; w = w->m_pParent) {
        auto it = w->m_fonts.find(name);
        if (it != w->m_fonts.end()) return it->second.get();
    }
    return nullptr;
}

int HXWindowMain::SetControlTimer(HXConBase* control, int key, int interval)
{
    return m_timers.SetControlTimer(control, key, interval);
}
