// The one tooltip of the skin framework: a small top-most popup, shared by
// every skin window of the process, that shows a control's tooltip text near
// the mouse for a limited time. Skin windows ask for it on every mouse move
// over a control, passing the control as the key, so a repeat of the text
// last shown for the same key within 2000 ms is ignored; it is hidden when a
// button is pressed, the wheel turns or the mouse leaves.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"
#include "skin/HDib.h"

class HXSubTooltipWindow {
public:
    static constexpr DWORD kRepeatMs = 2000;  // a repeat within this time is ignored
    static constexpr COLORREF kBackground = 0xC8FFFF;
    static constexpr UINT_PTR kHideTimer = 1;

    HXSubTooltipWindow();
    ~HXSubTooltipWindow();
    HXSubTooltipWindow(const HXSubTooltipWindow&) = delete;
    HXSubTooltipWindow& operator=(const HXSubTooltipWindow&) = delete;

    // The process's tooltip.
    static HXSubTooltipWindow& Instance();
    static int GetInstanceCount();

    // Makes the window when it does not exist; 0 when it already did.
    int CreateTooltipWindow();
    // Shows the text for the key for displayMs milliseconds, at the position
    // given or near the cursor. 0 when the call repeated the text last shown
    // for the same key within kRepeatMs of the last show or hide (without a
    // position), else 1. An empty text hides the tip.
    int ShowTooltip(const CString& text, const POINT* position, const void* key, UINT displayMs);
    // Hides the tip when the key is null or the key shown; the current key
    // is forgotten and the time noted in every case.
    void HideTooltip(const void* key);

    HWND GetSafeHwnd() const { return m_hWnd; }
    const void* GetCurrentKey() const { return m_pKey; }
    const CString& GetText() const { return m_sText; }
    const HDib& GetImage() const { return m_image; }

private:
    static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Hide();

    HWND m_hWnd = nullptr;
    HFONT m_hFont = nullptr;
    const void* m_pKey = nullptr;  // the key shown; null while hidden
    CString m_sText;
    HDib m_image;
    POINT m_ptCursor{};
    DWORD m_nTime = 0;  // of the last show or hide
    // What the last show was asked for: a hide clears the current key, and
    // the repeat of a text just hidden must still be recognised.
    const void* m_pLastKey = nullptr;
    CString m_sLastText;
};
