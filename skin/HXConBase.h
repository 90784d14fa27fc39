// The base of every element a skin window holds: buttons, statics, list
// boxes, sliders, hosted controls, nested skin windows and the skin window
// itself. It keeps the control's rectangle in the window's client area, the
// window's paint surface, six display texts, a tooltip, show and enable
// states, text colours and font, a cursor and the common attributes of a
// control element; it reads the control's docking rule; and it asks its
// window, through registered messages, to redraw it, to lay out and redraw
// it, or to pass something on to the application. The window drives it only
// through the virtual operations.
#pragma once

#include <utility>

#include "foundation/XmlDocument.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/UserTypes.h"
#include "skin/HXManAlign.h"
#include "skin/SColorTheme.h"
#include "skin/SHxControlInfo.h"
#include "skin/SkinMessages.h"

class HDib;
class HXSubFont;
class SkinOwner;

class HXConBase {
public:
    static constexpr int kTextCount = 6;
    static constexpr UINT kDefaultTextFormat = 0x824;  // DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER
    static constexpr UINT kFlagFocusOnClick = 1;       // takes the keyboard focus when a press is handled

    explicit HXConBase(SkinOwner* owner);
    virtual ~HXConBase();
    HXConBase(const HXConBase&) = delete;
    HXConBase& operator=(const HXConBase&) = delete;

    // ---- The operations the skin window drives, in slot order ----------------
    // Stores the host window and the paint surface, then reads the common
    // attributes; always 1.
    virtual int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element);
    virtual void DestroyControlWindow();
    // Stores (x, y, x + width, y + height); calls OnSize when the size
    // changed and Draw when repaint is set.
    virtual void SetRect(int x, int y, int width, int height, int repaint);
    // The debug outline; always 1.
    virtual int Draw();
    virtual void GetRect(RECT* rect);
    virtual void GetScreenRect(RECT* rect);
    virtual void GetSize(SIZE* size);
    // The docking rule into info (given zero-filled); 0 with error 1 or 2.
    virtual int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode);
    virtual void OnSize(int width, int height);
    // Text 0 to 5; the window redraws the control. Other indexes are ignored.
    virtual void SetText(const wchar_t* text, int index);
    virtual void SetTextColor(COLORREF color);
    virtual void OnRefresh();
    virtual int ApplyColorTheme(const SColorTheme& theme);
    // The control's cursor when it is enabled.
    virtual HCURSOR GetCursor(int x, int y);
    virtual int OnMouseMove(int x, int y, int captured, int* track);
    virtual int OnMouseLeave();
    // Button 1 left, 2 right, 3 middle, 4 double click.
    virtual int OnButtonDown(int button, int x, int y, int* capture);
    virtual int OnButtonUp(int button, int x, int y, int captured, int* value);
    virtual int OnMouseWheel(UINT keys, int delta, int x, int y);
    // 0 <= x < width and 0 <= y < height.
    virtual int HitTest(int x, int y);
    virtual void OnTimer(int key);
    virtual int OnKeyDown(UINT key, UINT repeat, UINT flags);
    virtual int OnKeyUp(UINT key, UINT repeat, UINT flags);

    // ---- Common operations ---------------------------------------------------------
    // Nothing when the value is unchanged; else stored, and with notify the
    // window redraws the control.
    void SetEnabled(int enabled, int notify);
    // Always stored; with notify the window lays out and redraws.
    void SetVisible(int shown, int notify);
    void InvalidateControl();
    void RefreshControl();
    // "WM_HXSKINCONTROL_NOTIFY" with a record that tells the window to send
    // (or post) the message on to the application; the send's result.
    LRESULT SendControlNotify(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PostControlNotify(UINT message, WPARAM wParam, LPARAM lParam);
    void StartTimer(int key, int interval);
    LRESULT NotifyApplication(WPARAM code, LPARAM data);
    HDib* FindImage(const CString& name);
    CString GetText(int index) const;
    POINT ToLocal(int x, int y);
    // An empty rectangle, or one smaller than a positive minimum size.
    bool IsTooSmall();
    // Draws text index into the paint surface, inside the inner gaps, with
    // the shadow one pixel right and down when there is a shadow colour.
    void DrawControlText(int index);

    template <class... A>
    friend void SetLastSkinError(HXConBase& object, int code, const wchar_t* format, const A&... args)
    {
        object.m_nLastError = code;
        object.m_sLastError = format ? CString(FormatText(format, args...)) : CString();
    }
    int GetLastErrorCode() const { return m_nLastError; }
    const CString& GetLastErrorText() const { return m_sLastError; }

    // The skin window's "Debug" level, shared by every control.
    static void SetSkinDebugLevel(int level);
    static int GetSkinDebugLevel();

    // ---- State the window and the concrete controls read and set -----------------
    SkinOwner* GetOwner() const { return m_pOwner; }
    HWND GetHostWindow() const { return m_hHost; }
    HDib* GetSurface() const { return m_pSurface; }
    bool IsShown() const { return m_bShown != 0; }
    bool IsEnabled() const { return m_bEnabled != 0; }
    int GetNcHitTest() const { return m_nNcHitTest; }
    const CString& GetTooltip() const { return m_sTooltip; }
    const CString& GetControlData() const { return m_sControlData; }
    const RECT& GetGaps() const { return m_rcGaps; }
    const RECT& GetInnerGaps() const { return m_rcInnerGaps; }
    SIZE GetMinSize() const { return SIZE{m_nMinWidth, m_nMinHeight}; }
    int GetDebugLevel() const { return m_nDebug; }
    const SHxControlInfo& GetBinding() const { return m_binding; }
    void SetBinding(const SHxControlInfo& binding) { m_binding = binding; }
    void SetDesignSize(int width, int height) { m_nDesignWidth = width, m_nDesignHeight = height; }
    SIZE GetDesignSize() const { return SIZE{m_nDesignWidth, m_nDesignHeight}; }
    void SetFont(HXSubFont* font) { m_pFont = font; }
    HXSubFont* GetFont() const { return m_pFont; }
    void SetShadowColor(COLORREF color) { m_crShadow = color; }
    COLORREF GetTextColor() const { return m_crText; }
    COLORREF GetShadowColor() const { return m_crShadow; }
    void SetTextFormat(UINT format) { m_nTextFormat = format; }
    UINT GetTextFormat() const { return m_nTextFormat; }
    HCURSOR GetControlCursor() const { return m_hCursor; }
    int GetListFlag() const { return m_nListFlag; }
    void SetListFlag(int value) { m_nListFlag = value; }
    UINT GetFlags() const { return m_nFlags; }
    void SetFlags(UINT flags) { m_nFlags = flags; }

protected:
    bool HostExists() const;
    // The window's image that the attribute names: 1 with it, or with none
    // when the attribute is absent and not required; 0 with error 4 (absent
    // but required) or 5 (an image the window does not have), the name as
    // detail.
    int LoadImageAttribute(const CXmlNode* element, const wchar_t* attribute, HDib** image, bool required = false);

    int m_nDebug = 0;
    int m_nLastError = 0;
    CString m_sLastError;
    RECT m_rect{};
    HDib* m_pSurface = nullptr;  // the window's
    HWND m_hHost = nullptr;
    SHxControlInfo m_binding;
    CString m_texts[kTextCount];
    CString m_sTooltip;
    SkinOwner* m_pOwner = nullptr;
    RECT m_rcInnerGaps{};
    RECT m_rcGaps{};
    int m_nMinWidth = -1;
    int m_nMinHeight = -1;
    int m_bEnabled = 1;
    int m_nNcHitTest = -1;
    UINT m_nTextFormat = kDefaultTextFormat;
    HXSubFont* m_pFont = nullptr;  // the window's
    COLORREF m_crText = 0;
    COLORREF m_crShadow = static_cast<COLORREF>(-1);
    int m_bShown = 1;
    int m_nListFlag = 1;
    HCURSOR m_hCursor = nullptr;  // the window's
    int m_nDesignWidth = 0;
    int m_nDesignHeight = 0;
    CString m_sControlData;
    UINT m_nFlags = 0;
};
