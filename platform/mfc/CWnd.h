// The class library's window object over the window layer's handles. A CWnd
// attached to a window (created by it, subclassed, or bound with
// DDX_Control) receives the window's messages through its message map;
// unhandled messages go to the window's own procedure. FromHandle gives a
// temporary object for a window nobody attached (kept until the next idle
// time of a modal loop); such an object is a plain CWnd and must not be cast
// to a control class.
//
// Notifications a control sends its parent (WM_COMMAND, WM_NOTIFY, owner
// drawing, scrolling, colours) are first offered back to the control's own
// object (reflection, ON_NOTIFY_REFLECT and the like), then to the parent's
// map. WM_NCDESTROY detaches the object and calls PostNcDestroy, where a
// window that owns itself deletes itself.
#pragma once

#include "platform/mfc/GdiClasses.h"
#include "platform/mfc/MessageMap.h"
#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"

class CDataExchange;
class CMenu;

class CCmdTarget : public CObject {
public:
    // Searches the maps for a command or notification handler and runs it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // The first entry of the maps (this class's first) that takes the message.
    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT code, UINT id) const;
};

// Flags of m_nFlags.
constexpr UINT WF_CONTINUEMODAL = 0x0004;
constexpr UINT WF_MODALLOOP = 0x0008;

class CWnd : public CCmdTarget {
public:
    CWnd();
    explicit CWnd(HWND window);  // attaches nothing: a plain wrapper of the handle
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }  // NOLINT(google-explicit-constructor)
    HWND GetSafeHwnd() const { return m_hWnd; }

    // ---- Objects and handles ----
    static CWnd* FromHandle(HWND window);
    static CWnd* FromHandlePermanent(HWND window);
    static void DeleteTempMap();
    BOOL Attach(HWND window);
    HWND Detach();
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // ---- Creation and destruction ----
    // A null class name is the library's own window class.
    virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                        void* context = nullptr);
    virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                          CWnd* parent, UINT id, LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    virtual BOOL DestroyWindow();

    // ---- Messages ----
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
    }
    virtual BOOL PreTranslateMessage(MSG* msg);
    // The message being handled, as the window received it.
    static const MSG* GetCurrentMessage();

    // ---- Text ----
    void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
    int GetWindowText(LPWSTR buffer, int max) const { return ::GetWindowTextW(m_hWnd, buffer, max); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const;

    // ---- Dialog items ----
    CWnd* GetDlgItem(int id) const;
    void GetDlgItem(int id, HWND* window) const { *window = ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int id) { return static_cast<int>(::SetWindowLongPtrW(m_hWnd, GWLP_ID, id)); }
    void SetDlgItemText(int id, LPCWSTR text) { ::SetDlgItemTextW(m_hWnd, id, text); }
    int GetDlgItemText(int id, CString& text) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void CheckRadioButton(int first, int last, int check);
    int GetCheckedRadioButton(int first, int last) const;
    CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const;

    // ---- State and geometry ----
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(LPCRECT r, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, r->left, r->top, r->right - r->left, r->bottom - r->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
    void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
    void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
    void ClientToScreen(LPRECT r) const;
    void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
    void ScreenToClient(LPRECT r) const;
    void MapWindowPoints(CWnd* to, LPPOINT points, UINT count) const
    {
        ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, points, count);
    }
    void MapWindowPoints(CWnd* to, LPRECT r) const;
    void CenterWindow(CWnd* alternateOwner = nullptr);
    void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    CWnd* SetFocus();
    static CWnd* GetFocus();
    static CWnd* GetActiveWindow();
    CWnd* SetActiveWindow();
    CWnd* GetParent() const;
    CWnd* GetOwner() const;
    CWnd* SetParent(CWnd* parent);
    CWnd* GetTopLevelParent() const;
    CWnd* GetWindow(UINT relation) const;
    BOOL IsChild(const CWnd* window) const { return window && ::IsChild(m_hWnd, window->m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big);
    HICON GetIcon(BOOL big) const;
    void DragAcceptFiles(BOOL accept = TRUE);

    // ---- Painting ----
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT r, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, r, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT r = nullptr, HRGN region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, r, region, flags);
    }
    void SetRedraw(BOOL redraw = TRUE) { ::SendMessageW(m_hWnd, WM_SETREDRAW, redraw, 0); }
    CDC* GetDC();
    int ReleaseDC(CDC* dc);

    // ---- Timers, menus, message boxes ----
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr)
    {
        return ::SetTimer(m_hWnd, id, elapse, proc);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    // The window's system menu (a temporary wrapper), null for a window
    // without one; with revert the menu goes back to the system's and null
    // is returned.
    CMenu* GetSystemMenu(BOOL revert) const;
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = 0);

    // ---- Data exchange ----
    // Moves data between the controls and the members (save: controls to
    // members, with validation). FALSE when a value was refused; the focus is
    // then on the control that holds it.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* dx);

    // ---- The window procedure ----
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The current message handed to the window's own procedure.
    LRESULT Default();
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offers a notification to the control's own map; TRUE when handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Hands the current message to the child's object, when it has one.
    static BOOL ReflectLastMsg(HWND child, LRESULT* result = nullptr);

    // ---- Modal loops ----
    // Serves every message of the thread until EndModalLoop; the result.
    int RunModalLoop();
    void EndModalLoop(int result);
    BOOL ContinueModal() const { return (m_nFlags & WF_CONTINUEMODAL) != 0; }

    // The procedure of the library's windows (public for the controls and
    // the dialog layer).
    static LRESULT StdWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nFlags = 0;
    int m_nModalResult = -1;

protected:
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual void PreSubclassWindow();
    // After WM_NCDESTROY, once the object is detached.
    virtual void PostNcDestroy();

    // Default handlers of the ON_WM_ macros: each passes the message on.
    int OnCreate(LPCREATESTRUCTW cs);
    void OnDestroy();
    void OnNcDestroy();
    void OnClose();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnSize(UINT type, int cx, int cy);
    void OnMove(int x, int y);
    void OnTimer(UINT_PTR id);
    void OnHScroll(UINT code, UINT pos, CWnd* control);
    void OnVScroll(UINT code, UINT pos, CWnd* control);
    void OnShowWindow(BOOL show, UINT status);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDropFiles(HDROP drop);
    HCURSOR OnQueryDragIcon();
    BOOL OnHelpInfo(HELPINFO* info);
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnRButtonDown(UINT flags, CPoint point);
    void OnRButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
    void OnChar(UINT key, UINT repeat, UINT flags);
    void OnContextMenu(CWnd* window, CPoint point);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT item);
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT item);
    void OnEnable(BOOL enable);
    void OnSetFocus(CWnd* oldWindow);
    void OnKillFocus(CWnd* newWindow);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    LRESULT OnNcHitTest(CPoint point);
    UINT OnGetDlgCode();
    void OnWindowPosChanged(WINDOWPOS* pos);

    WNDPROC m_pfnSuper = nullptr;  // the window's own procedure

    friend LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    friend class CDialog;

private:
    // Attaches during creation and makes the library's procedure the window's.
    void AttachAndSubclass(HWND window);
    bool temporary_ = false;
};

LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Offers the message to PreTranslateMessage of each window object from the
// message's window up to its top-level window; TRUE when one took it.
BOOL AfxPreTranslateMessage(MSG* msg);

// The program's main window (the owner of dialogs made without a parent).
CWnd* AfxGetMainWnd();
void AfxSetMainWnd(CWnd* window);
// A message box owned by the active window (else the main window).
int AfxMessageBox(LPCWSTR text, UINT type = 0, UINT helpId = 0);
// Registers (once per set of values) a window class of the library and
// returns its name.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

// Told when a modal loop starts serving a shown dialog (for test drivers).
using ModalLoopObserver = void (*)(CWnd* dialog);
void SetModalLoopObserver(ModalLoopObserver observer);
