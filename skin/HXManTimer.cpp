#include "skin/HXManTimer.h"

#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "skin/HXConBase.h"

HXManTimer::HXManTimer(HWND window) : m_hWnd(window) {}

HXManTimer::~HXManTimer() { KillAllTimers(); }

UINT HXManTimer::NextId()
{
    do {
        ++m_nLastId;
        if (m_nLastId > kLastId) m_nLastId = kFirstId;
    } while (m_map.count(m_nLastId));
    return m_nLastId;
}

const STimer* HXManTimer::FindTimer(const HXConBase* control, int key) const
{
    for (const STimer& t : m_timers)
        if (t.control == control && t.key == key) return &t;
    return nullptr;
}

int HXManTimer::SetControlTimer(HXConBase* control, int key, int interval)
{
    // Without a window there is nothing to run a timer on: the record is
    // kept, and no thread timer is made that nobody would receive.
    const bool window = m_hWnd && IsWindow(m_hWnd);
    for (STimer& t : m_timers) {
        if (t.control == control && t.key == key) {
            if (window) SetTimer(m_hWnd, t.id, static_cast<UINT>(interval), nullptr);
            t.interval = interval;
            return 1;
        }
    }
    STimer t;
    t.control = control;
    t.key = key;
    t.interval = interval;
    t.id = NextId();
    if (window) SetTimer(m_hWnd, t.id, static_cast<UINT>(interval), nullptr);
    m_timers.push_back(t);
    m_map[t.id] = std::prev(m_timers.end());
    return 1;
}

int HXManTimer::OnTimer(UINT_PTR id)
{
    if (id > kLastId) return 0;
    auto it = m_map.find(static_cast<UINT>(id));
    if (it == m_map.end()) return 0;
    HXConBase* control = it->second->control;
    const int key = it->second->key;
    if (control) control->OnTimer(key);
    return 1;
}

void HXManTimer::KillAllTimers()
{
    if (m_hWnd && IsWindow(m_hWnd))
        for (const STimer& t : m_timers) KillTimer(m_hWnd, t.id);
    m_timers.clear();
    m_map.clear();
}
