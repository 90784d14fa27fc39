// Keeps the mouse's right and middle buttons away from hosted Flash players
// and hands them to the skin window instead, through one mouse hook of the
// UI thread shared by every Flash control of the process. Left-button
// messages reach a player only within its control's click band (all of them
// when the control has none); the others run the skin window's own handling
// at the same point. Double clicks outside the band reach no one.
//
// The first Flash control makes the manager and installs the hook
// (Acquire), each further one counts; the last Release removes the hook and
// deletes the manager.
#pragma once

#include <vector>

#include "platform/win32/gui/Hooks.h"

class HXConFlash;

class CFlashMouseHookMan {
public:
    struct FlashConInfo {
        HXConFlash* control;
        HWND window;  // the player's own window
    };

    static CFlashMouseHookMan* Acquire();
    void Release();
    // The manager of the process, null when no Flash control lives.
    static CFlashMouseHookMan* Current();

    void Register(HXConFlash* control, HWND window);
    void Unregister(HXConFlash* control);
    const std::vector<FlashConInfo>& GetEntries() const { return m_entries; }
    HHOOK GetHook() const { return m_hHook; }
    long GetRefCount() const { return m_nRefs; }

private:
    CFlashMouseHookMan();
    ~CFlashMouseHookMan();
    static LRESULT HookProc(int code, WPARAM wParam, LPARAM lParam);
    // True when the message is swallowed.
    bool Route(UINT message, const MOUSEHOOKSTRUCT& mouse);

    long m_nRefs = 1;
    std::vector<FlashConInfo> m_entries;
    HHOOK m_hHook = nullptr;
};
