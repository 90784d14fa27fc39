// Message maps: each window class lists the messages, commands and
// notifications it handles, and the window object dispatches a message to
// the first entry that takes it, searching the class's own table and then
// those of its bases. The macros keep the class library's names and handler
// signatures:
//
//   class CMyDlg : public CDialog {
//       ...
//       void OnTimer(UINT_PTR id);
//       void OnClickedStart();
//       void OnItemChanged(NMHDR* header, LRESULT* result);
//       LRESULT OnGraphNotify(WPARAM, LPARAM);
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_TIMER()
//       ON_BN_CLICKED(1128, &CMyDlg::OnClickedStart)
//       ON_NOTIFY(LVN_ITEMCHANGED, 1002, &CMyDlg::OnItemChanged)
//       ON_REGISTERED_MESSAGE(g_graphNotify, &CMyDlg::OnGraphNotify)
//   END_MESSAGE_MAP()
//
// One difference: OnHScroll and OnVScroll get the sending control as a
// CWnd* (the control object as it is, whatever its class), not as a scroll
// bar.
#pragma once

#include "platform/mfc/CRect.h"
#include "platform/mfc/CommCtrl.h"

class CCmdTarget;
class CWnd;
class CDC;

// Runs one entry's handler; returns whether it handled the message (always
// for ordinary entries; the handler's answer for the _EX reflections).
using AFX_HANDLER = BOOL (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT* result);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;               // control notification or WM_NOTIFY code
    UINT nID;                 // first control or command id
    UINT nLastID;             // last one of a range
    const UINT* pRegistered;  // ON_REGISTERED_MESSAGE: the variable holding the id
    AFX_HANDLER pfn;          // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Messages a parent hands back to the control that sent them.
constexpr UINT WM_REFLECT_BASE = 0xBC00;
// The notification code of menu and accelerator commands.
constexpr UINT CN_COMMAND = 0;

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                   \
    {                                                                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY entries_[] = {
#define END_MESSAGE_MAP()                                                            \
    {                                                                                \
        0, 0, 0, 0, nullptr, nullptr                                                 \
    }                                                                                \
    }                                                                                \
    ;                                                                                \
    static const AFX_MSGMAP map_ = {&TheBaseClass::GetThisMessageMap, &entries_[0]}; \
    return &map_;                                                                    \
    }

// A handler body with the target as self_, the parameters as wParam_ and
// lParam_ and the result as result_.
#define AFX_THUNK(...)                                                              \
    +[](CCmdTarget* t_, WPARAM wParam_, LPARAM lParam_, LRESULT* result_) -> BOOL { \
        auto* self_ = static_cast<ThisClass*>(t_);                                  \
        (void)self_;                                                                \
        (void)wParam_;                                                              \
        (void)lParam_;                                                              \
        (void)result_;                                                              \
        __VA_ARGS__                                                                 \
    }

#define AFX_WM_ENTRY(message, ...) {message, 0, 0, 0, nullptr, AFX_THUNK(__VA_ARGS__)},

// ---- Commands and control notifications ------------------------------------------
#define ON_COMMAND(id, memberFxn)                                                      \
    {                                                                                  \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
            AFX_THUNK((self_->*(memberFxn))(); return TRUE;)                           \
    }                                                                                  \
    ,
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                \
    {                                                                                          \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr,     \
            AFX_THUNK((self_->*(memberFxn))(static_cast<UINT>(LOWORD(wParam_))); return TRUE;) \
    }                                                                                          \
    ,
#define ON_CONTROL(code, id, memberFxn)                                                             \
    {                                                                                               \
        WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), nullptr, \
            AFX_THUNK((self_->*(memberFxn))(); return TRUE;)                                        \
    }                                                                                               \
    ,
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn)                                                   \
    {                                                                                                   \
        WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr, \
            AFX_THUNK((self_->*(memberFxn))(static_cast<UINT>(LOWORD(wParam_))); return TRUE;)          \
    }                                                                                                   \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

// Handler: void (NMHDR* header, LRESULT* result).
#define ON_NOTIFY(code, id, memberFxn)                                                                 \
    {                                                                                                  \
        WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), nullptr,     \
            AFX_THUNK((self_->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam_), result_); return TRUE;) \
    }                                                                                                  \
    ,
// Handler: void (UINT id, NMHDR* header, LRESULT* result).
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn)                                                      \
    {                                                                                                     \
        WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(idLast), nullptr,    \
            AFX_THUNK((self_->*(memberFxn))(static_cast<UINT>(reinterpret_cast<NMHDR*>(lParam_)->idFrom), \
                                            reinterpret_cast<NMHDR*>(lParam_), result_);                  \
                      return TRUE;)                                                                       \
    }                                                                                                     \
    ,

// ---- Reflection: the control handles its own notifications ----------------------------
// Handled here means the parent does not see the notification; the _EX forms
// let the handler's answer decide.
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                             \
    {                                                                                                  \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, nullptr,                           \
            AFX_THUNK((self_->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam_), result_); return TRUE;) \
    }                                                                                                  \
    ,
#define ON_NOTIFY_REFLECT_EX(code, memberFxn)                                                    \
    {                                                                                            \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(code), 0, 0, nullptr,                     \
            AFX_THUNK(return (self_->*(memberFxn))(reinterpret_cast<NMHDR*>(lParam_), result_);) \
    }                                                                                            \
    ,
#define ON_CONTROL_REFLECT(code, memberFxn)                                   \
    {                                                                         \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, nullptr, \
            AFX_THUNK((self_->*(memberFxn))(); return TRUE;)                  \
    }                                                                         \
    ,
#define ON_CONTROL_REFLECT_EX(code, memberFxn)                                \
    {                                                                         \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0, nullptr, \
            AFX_THUNK(return (self_->*(memberFxn))();)                        \
    }                                                                         \
    ,

// ---- Messages by id ------------------------------------------------------------------
// Handler: LRESULT (WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    AFX_WM_ENTRY(message, *result_ = (self_->*(memberFxn))(wParam_, lParam_); return TRUE;)
// The id is read from the variable when a message arrives, so the variable
// may be set by RegisterWindowMessage at start-up.
#define ON_REGISTERED_MESSAGE(idVariable, memberFxn)                                                           \
    {                                                                                                          \
        0, 0, 0, 0, &(idVariable), AFX_THUNK(*result_ = (self_->*(memberFxn))(wParam_, lParam_); return TRUE;) \
    }                                                                                                          \
    ,

// ---- Window messages with the class library's handler names -----------------------------
#define ON_WM_CREATE() \
    AFX_WM_ENTRY(WM_CREATE, *result_ = self_->OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam_)); return TRUE;)
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, self_->OnDestroy(); return TRUE;)
#define ON_WM_NCDESTROY() AFX_WM_ENTRY(WM_NCDESTROY, self_->OnNcDestroy(); return TRUE;)
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, self_->OnClose(); return TRUE;)
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, self_->OnPaint(); return TRUE;)
#define ON_WM_ERASEBKGND()                                                                                       \
    AFX_WM_ENTRY(WM_ERASEBKGND, *result_ = self_->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam_))); \
                 return TRUE;)
#define ON_WM_SIZE()                                                                                     \
    AFX_WM_ENTRY(WM_SIZE, self_->OnSize(static_cast<UINT>(wParam_), static_cast<SHORT>(LOWORD(lParam_)), \
                                        static_cast<SHORT>(HIWORD(lParam_)));                            \
                 return TRUE;)
#define ON_WM_MOVE()                                                                                               \
    AFX_WM_ENTRY(WM_MOVE, self_->OnMove(static_cast<SHORT>(LOWORD(lParam_)), static_cast<SHORT>(HIWORD(lParam_))); \
                 return TRUE;)
#define ON_WM_TIMER() AFX_WM_ENTRY(WM_TIMER, self_->OnTimer(static_cast<UINT_PTR>(wParam_)); return TRUE;)
#define ON_WM_HSCROLL()                                                                             \
    AFX_WM_ENTRY(WM_HSCROLL, self_->OnHScroll(LOWORD(wParam_), static_cast<SHORT>(HIWORD(wParam_)), \
                                              CWnd::FromHandle(reinterpret_cast<HWND>(lParam_)));   \
                 return TRUE;)
#define ON_WM_VSCROLL()                                                                             \
    AFX_WM_ENTRY(WM_VSCROLL, self_->OnVScroll(LOWORD(wParam_), static_cast<SHORT>(HIWORD(wParam_)), \
                                              CWnd::FromHandle(reinterpret_cast<HWND>(lParam_)));   \
                 return TRUE;)
#define ON_WM_SHOWWINDOW()                                                                                   \
    AFX_WM_ENTRY(WM_SHOWWINDOW, self_->OnShowWindow(static_cast<BOOL>(wParam_), static_cast<UINT>(lParam_)); \
                 return TRUE;)
#define ON_WM_SYSCOMMAND() \
    AFX_WM_ENTRY(WM_SYSCOMMAND, self_->OnSysCommand(static_cast<UINT>(wParam_), lParam_); return TRUE;)
#define ON_WM_GETMINMAXINFO() \
    AFX_WM_ENTRY(WM_GETMINMAXINFO, self_->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam_)); return TRUE;)
#define ON_WM_DROPFILES() AFX_WM_ENTRY(WM_DROPFILES, self_->OnDropFiles(reinterpret_cast<HDROP>(wParam_)); return TRUE;)
#define ON_WM_QUERYDRAGICON() \
    AFX_WM_ENTRY(WM_QUERYDRAGICON, *result_ = reinterpret_cast<LRESULT>(self_->OnQueryDragIcon()); return TRUE;)
#define ON_WM_HELPINFO() \
    AFX_WM_ENTRY(WM_HELP, *result_ = self_->OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam_)); return TRUE;)
#define AFX_CTLCOLOR_ENTRY(message, kind)                                                                  \
    AFX_WM_ENTRY(message, *result_ = reinterpret_cast<LRESULT>(                                            \
                              self_->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam_)),           \
                                                CWnd::FromHandle(reinterpret_cast<HWND>(lParam_)), kind)); \
                 return TRUE;)
#define ON_WM_CTLCOLOR()                                     \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLOREDIT, CTLCOLOR_EDIT)       \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORLISTBOX, CTLCOLOR_LISTBOX) \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORBTN, CTLCOLOR_BTN)         \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORDLG, CTLCOLOR_DLG)         \
    AFX_CTLCOLOR_ENTRY(WM_CTLCOLORSTATIC, CTLCOLOR_STATIC)
#define ON_WM_SETCURSOR()                                                                                           \
    AFX_WM_ENTRY(WM_SETCURSOR, *result_ = self_->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_)),     \
                                                             static_cast<SHORT>(LOWORD(lParam_)), HIWORD(lParam_)); \
                 return TRUE;)
#define AFX_MOUSE_ENTRY(message, member) \
    AFX_WM_ENTRY(message, self_->member(static_cast<UINT>(wParam_), CPoint(lParam_)); return TRUE;)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define AFX_KEY_ENTRY(message, member) \
    AFX_WM_ENTRY(message, self_->member(static_cast<UINT>(wParam_), LOWORD(lParam_), HIWORD(lParam_)); return TRUE;)
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_CONTEXTMENU()                                                                                \
    AFX_WM_ENTRY(WM_CONTEXTMENU,                                                                           \
                 self_->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_)), CPoint(lParam_)); \
                 return TRUE;)
#define ON_WM_DRAWITEM()                                                                                    \
    AFX_WM_ENTRY(WM_DRAWITEM,                                                                               \
                 self_->OnDrawItem(static_cast<int>(wParam_), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam_)); \
                 *result_ = TRUE; return TRUE;)
#define ON_WM_MEASUREITEM()                                                                                       \
    AFX_WM_ENTRY(WM_MEASUREITEM,                                                                                  \
                 self_->OnMeasureItem(static_cast<int>(wParam_), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam_)); \
                 *result_ = TRUE; return TRUE;)
#define ON_WM_ENABLE() AFX_WM_ENTRY(WM_ENABLE, self_->OnEnable(static_cast<BOOL>(wParam_)); return TRUE;)
#define ON_WM_SETFOCUS() \
    AFX_WM_ENTRY(WM_SETFOCUS, self_->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_))); return TRUE;)
#define ON_WM_KILLFOCUS() \
    AFX_WM_ENTRY(WM_KILLFOCUS, self_->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wParam_))); return TRUE;)
#define ON_WM_ACTIVATE()                                                                                            \
    AFX_WM_ENTRY(WM_ACTIVATE, self_->OnActivate(LOWORD(wParam_), CWnd::FromHandle(reinterpret_cast<HWND>(lParam_)), \
                                                static_cast<BOOL>(HIWORD(wParam_)));                                \
                 return TRUE;)
#define ON_WM_NCHITTEST() AFX_WM_ENTRY(WM_NCHITTEST, *result_ = self_->OnNcHitTest(CPoint(lParam_)); return TRUE;)
#define ON_WM_GETDLGCODE() AFX_WM_ENTRY(WM_GETDLGCODE, *result_ = self_->OnGetDlgCode(); return TRUE;)
#define ON_WM_WINDOWPOSCHANGED() \
    AFX_WM_ENTRY(WM_WINDOWPOSCHANGED, self_->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam_)); return TRUE;)

// WM_CTLCOLOR kinds of OnCtlColor.
constexpr UINT CTLCOLOR_MSGBOX = 0;
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_LISTBOX = 2;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_DLG = 4;
constexpr UINT CTLCOLOR_SCROLLBAR = 5;
constexpr UINT CTLCOLOR_STATIC = 6;
