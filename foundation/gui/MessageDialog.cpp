#include "MessageDialog.h"

#include <algorithm>
#include <cstring>

#include "WindowHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/Tick.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GlobalMemory.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/StaticControl.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/UserLanguage.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

constexpr int kButton1 = 10, kButton2 = 20, kButton3 = 30, kCheck = 40;
constexpr int kFrame = 25, kIcon = 26, kText = 27, kTitle = 28;
constexpr int kButtonIds[3] = {kButton1, kButton2, kButton3};
constexpr UINT_PTR kCountdownTimer = 1;
constexpr const wchar_t* kProperty = L"MessageDlg";
constexpr int kTemplateBytes = 1024;
constexpr int kTitleHeight = 20;

int g_iconId = 0;
HINSTANCE g_iconModule = nullptr;

enum Role { kOk, kCancel, kYes, kNo };

const wchar_t* RoleText(Role role)
{
    LANGID lang = GetUserDefaultLangID();
    static const wchar_t* const japanese[] = {L"OK", L"キャンセル", L"はい", L"いいえ"};
    static const wchar_t* const korean[] = {L"확인", L"취소", L"예", L"아니요"};
    static const wchar_t* const english[] = {L"&OK", L"&Cancel", L"&Yes", L"&No"};
    return lang == 1041 ? japanese[role] : lang == 1042 ? korean[role] : english[role];
}

// Items 1 to 3 of a comma-separated list; empty items do not count.
void SplitButtonList(const wchar_t* list, std::wstring out[3])
{
    for (int i = 0; i < 3; ++i) out[i].clear();
    if (!list) return;
    int n = 0;
    std::wstring item;
    for (const wchar_t* p = list;; ++p) {
        if (*p == L',' || *p == L'\0') {
            if (!item.empty() && n < 3) out[n++] = item;
            item.clear();
            if (!*p) break;
        } else {
            item += *p;
        }
    }
}

// A language text used as the countdown format: only its "%d" takes the
// seconds; every other character, '%' included, stays as written.
std::wstring CountdownText(const std::wstring& format, int seconds)
{
    std::wstring out;
    std::wstring number = std::to_wstring(seconds);
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size() && format[i + 1] == L'd') {
            out += number;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

RECT Box(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// The dialog template: a pop-up with a thin border and a modal frame, no
// items, at 10, 10 with 100 x 70 dialog units, titled with the caption cut
// to 99 characters. Null when the memory cannot be had.
HGLOBAL BuildTemplate(const wchar_t* caption)
{
    HGLOBAL memory = GlobalAlloc(GMEM_ZEROINIT, kTemplateBytes);
    if (!memory) return nullptr;
    auto* bytes = static_cast<uint8_t*>(GlobalLock(memory));
    DLGTEMPLATE t;
    t.style = 0x80800080;
    t.dwExtendedStyle = 0;
    t.cdit = 0;
    t.x = 10;
    t.y = 10;
    t.cx = 100;
    t.cy = 70;
    std::memcpy(bytes, &t, sizeof t);
    size_t at = sizeof t + 4;  // no menu, the default class
    std::u16string title = WideToUtf16(caption ? caption : L"");
    if (title.size() > 99) {
        title.resize(99);
        if (title.back() >= 0xD800 && title.back() <= 0xDBFF) title.pop_back();  // no half of a pair
    }
    std::memcpy(bytes + at, title.data(), title.size() * sizeof(char16_t));
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

UINT MessageDialogCloseMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HMESSAGEBOX_CLOSE");
    return id;
}

MessageDialogLayout ComputeMessageDialogLayout(const MessageDialogMetrics& m)
{
    MessageDialogLayout l;
    int H = m.textBlockHeight;
    int T = std::max(m.textBlockWidth, 50);
    for (int i = 0; i < 3; ++i) l.buttonWidth[i] = m.buttonHasText[i] ? std::max(70, m.buttonTextWidth[i] + 10) : 0;
    l.checkWidth = m.checkBox ? m.checkTextWidth + 20 : 0;
    int W = T + 70 < 230 ? 230 : T + 70;
    int row = l.buttonWidth[0] + l.buttonWidth[1] + l.buttonWidth[2] + l.checkWidth + 25;
    if (row >= W) W = row;
    int Y = std::max(H, 32);
    l.bodyWidth = W;
    l.bodyHeight = Y;
    l.window = SIZE{W + 20, Y + (m.waitBox ? 85 : 110)};
    l.frame = Box(7, 30, W, Y + 32);
    l.icon = Box(17, (Y + 8) / 2 + 30, 32, 32);
    l.text = Box(59, (Y + 40 - H) / 2 + 30, W - 62, H);
    l.title = Box(5, 5, W + 5, kTitleHeight);
    const int* w = l.buttonWidth;
    int x3 = w[2] ? W - w[2] + 2 : W + 7;
    int x2 = (w[1] == 0 && w[2] == 0) ? W + 7 : x3 - w[1] - 5;
    int x1 = x2 - w[0] - 5;
    int top = Y + 75;
    l.buttons[0] = Box(x1, top, w[0], 25);
    l.buttons[1] = Box(x2, top, w[1], 25);
    l.buttons[2] = Box(x3, top, w[2], 25);
    l.check = Box(10, top, l.checkWidth, 25);
    return l;
}

// ---- CMessageDialog -----------------------------------------------------------------

CMessageDialog::CMessageDialog() : m_titleSize{0, kTitleHeight}, m_titleRect{} {}

CMessageDialog::~CMessageDialog()
{
    for (int i = 0; i < 2; ++i) {
        if (m_titleDc[i]) {
            SelectObject(m_titleDc[i], m_titleOldBitmap[i]);
            DeleteDC(m_titleDc[i]);
        }
        if (m_titleBitmap[i]) DeleteObject(m_titleBitmap[i]);
    }
}

void CMessageDialog::Init(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, UINT options,
                          MessageDialogArg countdownOrCheckText, const wchar_t* buttonList, int* checkResult)
{
    m_hOwner = owner;
    m_text = text ? text : L"";
    m_caption = caption ? caption : L"";
    m_type = type;
    m_options = options;
    if (options & MDO_AUTOCLOSE) m_countdown = countdownOrCheckText.seconds();
    if ((options & (MDO_CHECKBOX | MDO_CHECKBOXSET)) && countdownOrCheckText.text())
        m_checkText = countdownOrCheckText.text();
    m_checkResult = checkResult;
    if (options & MDO_CUSTOMBUTTONS) {
        SplitButtonList(buttonList, m_buttonText);
    } else {
        switch (ButtonSet()) {
        case 0: m_buttonText[0] = RoleText(kOk); break;
        case 1:
            m_buttonText[0] = RoleText(kOk);
            m_buttonText[1] = RoleText(kCancel);
            break;
        case 3:
            m_buttonText[0] = RoleText(kYes);
            m_buttonText[1] = RoleText(kNo);
            m_buttonText[2] = RoleText(kCancel);
            break;
        case 4:
            m_buttonText[0] = RoleText(kYes);
            m_buttonText[1] = RoleText(kNo);
            break;
        default: break;
        }
    }
}

std::wstring CMessageDialog::DisplayText() const
{
    return (m_options & MDO_AUTOCLOSE) ? CountdownText(m_text, m_countdown) : m_text;
}

int CMessageDialog::DefaultButtonId() const
{
    if (m_type & 0x200) return kButton3;
    if (m_type & 0x100) return kButton2;
    return kButton1;
}

void CMessageDialog::CreateChildren()
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    auto make = [&](int id, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex) {
        return CreateWindowExW(ex, cls, text, style, 0, 0, 0, 0, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), inst, nullptr);
    };
    for (int i = 0; i < 3; ++i) {
        wchar_t name[8] = {L'B', L'T', L'N', static_cast<wchar_t>(L'1' + i), 0};
        make(kButtonIds[i], L"BUTTON", name, WS_CHILD | WS_GROUP | WS_TABSTOP, WS_EX_NOPARENTNOTIFY);
    }
    make(kCheck, L"BUTTON", m_checkText.c_str(), WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 0);
    make(kFrame, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0);
    make(kIcon, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0);
    make(kText, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0);
    make(kTitle, L"STATIC", L"", WS_CHILD | WS_BORDER, 0);
    for (int id : {kButton1, kButton2, kButton3, kCheck, kText})
        SendDlgItemMessageW(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    if (g_iconId) {
        HICON icon = LoadIconW(g_iconModule ? g_iconModule : inst, MAKEINTRESOURCEW(static_cast<WORD>(g_iconId)));
        if (icon) SendDlgItemMessageW(m_hWnd, kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
}

void CMessageDialog::Layout()
{
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(dc, m_font);
    MessageDialogMetrics m;
    m.textBlockHeight = GetTextBlockHeight(dc, FALSE, m_text.c_str());
    m.textBlockWidth = GetTextBlockWidth(dc, m_text.c_str());
    for (int i = 0; i < 3; ++i) {
        m.buttonHasText[i] = !m_buttonText[i].empty();
        m.buttonTextWidth[i] = GetTextWidth(dc, m_buttonText[i].c_str());
    }
    m.checkBox = (m_options & (MDO_CHECKBOX | MDO_CHECKBOXSET)) && !m_checkText.empty();
    m.checkTextWidth = GetTextWidth(dc, m_checkText.c_str());
    m.waitBox = (m_options & MDO_WAITBOX) != 0;
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);

    MessageDialogLayout l = ComputeMessageDialogLayout(m);
    SetWindowPos(m_hWnd, nullptr, 0, 0, l.window.cx, l.window.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    auto place = [&](int id, const RECT& r) {
        MoveWindow(GetDlgItem(m_hWnd, id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(kFrame, l.frame);
    place(kIcon, l.icon);
    place(kText, l.text);
    place(kTitle, l.title);
    m_titleRect = l.title;
    for (int i = 0; i < 3; ++i) place(kButtonIds[i], l.buttons[i]);

    int shown = 0;
    switch (ButtonSet()) {
    case 0: shown = 1; break;
    case 1:
    case 4: shown = 2; break;
    case 3: shown = 3; break;
    default: break;
    }
    for (int i = 0; i < 3; ++i) {
        HWND b = GetDlgItem(m_hWnd, kButtonIds[i]);
        if (m_options & MDO_WAITBOX) {
            EnableWindow(b, FALSE);
            continue;
        }
        if (i < shown) {
            SetWindowTextW(b, m_buttonText[i].c_str());
            ShowWindow(b, SW_SHOW);
        }
    }
    SetDlgItemTextW(m_hWnd, kText, DisplayText().c_str());
    if (l.checkWidth) {
        HWND c = GetDlgItem(m_hWnd, kCheck);
        place(kCheck, l.check);
        SendMessageW(c, BM_SETCHECK, (m_options & MDO_CHECKBOXSET) ? BST_CHECKED : BST_UNCHECKED, 0);
        ShowWindow(c, SW_SHOW);
    }
    DrawTitleBitmaps(l.bodyWidth + 5);
}

void CMessageDialog::DrawTitleBitmaps(int width)
{
    m_titleSize = SIZE{width, kTitleHeight};
    std::wstring title = L" " + (m_caption.empty() ? std::wstring(L"APP") : m_caption);
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 2; ++i) {
        bool activeLook = i == 0;
        m_titleDc[i] = CreateCompatibleDC(screen);
        m_titleBitmap[i] = CreateCompatibleBitmap(screen, width, kTitleHeight);
        m_titleOldBitmap[i] = SelectObject(m_titleDc[i], m_titleBitmap[i]);
        HDC dc = m_titleDc[i];
        if (activeLook)
            FillHorizontalGradient(RGB(0, 0, 100), RGB(140, 161, 255), width, dc, kTitleHeight);
        else
            FillHorizontalGradient(GetSysColor(COLOR_INACTIVECAPTION), GetSysColor(COLOR_GRADIENTINACTIVECAPTION),
                                   width, dc, kTitleHeight);
        HGDIOBJ old = SelectObject(dc, m_font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, activeLook ? RGB(255, 255, 255) : GetSysColor(COLOR_INACTIVECAPTIONTEXT));
        RECT r{0, 0, width, kTitleHeight};
        DrawTextW(dc, title.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        SelectObject(dc, old);
    }
    ReleaseDC(nullptr, screen);
}

void CMessageDialog::Place()
{
    RECT mine;
    GetWindowRect(m_hWnd, &mine);
    int w = mine.right - mine.left, h = mine.bottom - mine.top;
    RECT around;
    if (m_hOwner && IsWindow(m_hOwner) && IsWindowVisible(m_hOwner) && !IsIconic(m_hOwner)) {
        GetWindowRect(m_hOwner, &around);
    } else {
        GetMonitorRectsOfRect(mine, &around, nullptr);
    }
    RECT centred{around.left + (around.right - around.left - w) / 2, around.top + (around.bottom - around.top - h) / 2,
                 0, 0};
    centred.right = centred.left + w;
    centred.bottom = centred.top + h;
    RECT fitted;
    FitRectIntoWorkArea(centred, &fitted);
    SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

void CMessageDialog::OnInitDialog(HWND window)
{
    m_hWnd = window;
    m_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    CreateChildren();
    Layout();
    if (m_options & MDO_AUTOCLOSE) SetTimer(window, kCountdownTimer, 1000, nullptr);
    Place();
    m_bReady = true;
    m_bActive = GetForegroundWindow() == window;
    SetPropW(window, kProperty, this);
    if (m_checkResult) {
        if (m_options & MDO_CHECKBOX)
            *m_checkResult = 0;
        else if (m_options & MDO_CHECKBOXSET)
            *m_checkResult = 1;
    }
    HWND def = GetDlgItem(window, DefaultButtonId());
    SetFocus(def);
    SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(DefaultButtonId()), 0);
}

INT_PTR CMessageDialog::AnswerOfCommand(int id) const
{
    switch (ButtonSet()) {
    case 0: return IDOK;
    case 1: return id == kButton1 ? IDOK : IDCANCEL;
    case 3: return id == kButton1 ? IDYES : id == kButton2 ? IDNO : IDCANCEL;
    case 4: return id == kButton1 ? IDYES : IDNO;
    default: return IDCANCEL;
    }
}

INT_PTR CMessageDialog::AnswerOfClose() const
{
    int set = ButtonSet();
    return (set == 3 || set == 4) ? IDYES : IDOK;
}

INT_PTR CMessageDialog::AnswerOfTimeout() const
{
    int set = ButtonSet();
    if (m_type & 0x100) return set == 0 ? IDOK : set == 1 ? IDCANCEL : IDNO;
    if (m_type & 0x200) return set == 0 ? IDOK : set == 1 ? IDCANCEL : set == 3 ? IDCANCEL : IDNO;
    return AnswerOfClose();
}

void CMessageDialog::End(INT_PTR result)
{
    HWND window = m_hWnd;
    KillTimer(window, kCountdownTimer);
    // The owner takes input again first, so it is the window activated next.
    if (m_hDisabledOwner && IsWindow(m_hDisabledOwner)) EnableWindow(m_hDisabledOwner, TRUE);
    m_hDisabledOwner = nullptr;
    EndDialog(window, result);
    // The wait box is modeless here: ending it is destroying it.
    if (m_bOwnedByWindow) DestroyWindow(window);
}

INT_PTR CMessageDialog::MessageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dlg = reinterpret_cast<CMessageDialog*>(lParam);
        dlg->OnInitDialog(window);
        return FALSE;  // the focus is set already
    }
    auto* dlg = static_cast<CMessageDialog*>(GetPropW(window, kProperty));
    if (!dlg) return FALSE;
    bool waitBox = (dlg->m_options & MDO_WAITBOX) != 0;
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        const RECT& t = dlg->m_titleRect;
        BitBlt(dc, t.left, t.top, dlg->m_titleSize.cx, dlg->m_titleSize.cy, dlg->m_titleDc[dlg->m_bActive ? 0 : 1], 0,
               0, SRCCOPY);
        EndPaint(window, &ps);
        return TRUE;
    }
    case WM_ACTIVATE: {
        bool active = LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE;
        if (active != dlg->m_bActive) {
            dlg->m_bActive = active;
            InvalidateRect(window, &dlg->m_titleRect, FALSE);
        }
        return FALSE;
    }
    case WM_NCACTIVATE: {
        bool active = wParam != 0;
        if (active != dlg->m_bActive) {
            dlg->m_bActive = active;
            InvalidateRect(window, &dlg->m_titleRect, FALSE);
        }
        return FALSE;
    }
    case WM_NCHITTEST: {
        LRESULT hit = DefWindowProcW(window, message, wParam, lParam);
        if (hit != HTCLIENT) return FALSE;
        SetWindowLongPtrW(window, DWLP_MSGRESULT, HTCAPTION);  // drag the dialog from anywhere inside
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && waitBox) return TRUE;
        return FALSE;
    case WM_CLOSE: return waitBox ? TRUE : FALSE;
    case WM_COMMAND: {
        if (waitBox) return TRUE;
        int id = LOWORD(wParam);
        if (id == kCheck) {
            LRESULT state = SendDlgItemMessageW(window, kCheck, BM_GETCHECK, 0, 0);
            if (dlg->m_checkResult && state != static_cast<LRESULT>(BST_INDETERMINATE))
                *dlg->m_checkResult = state == static_cast<LRESULT>(BST_CHECKED) ? 1 : 0;
            return TRUE;
        }
        dlg->End(dlg->AnswerOfCommand(id));
        return TRUE;
    }
    case WM_TIMER:
        if (wParam != kCountdownTimer) return FALSE;
        --dlg->m_countdown;
        if (dlg->m_countdown > 0) {
            if (dlg->m_text.find(L"%d") != std::wstring::npos)
                SetDlgItemTextW(window, kText, dlg->DisplayText().c_str());
            return TRUE;
        }
        dlg->End(dlg->AnswerOfTimeout());
        return TRUE;
    case WM_NCDESTROY: {
        RemovePropW(window, kProperty);
        if (dlg->m_hDisabledOwner && IsWindow(dlg->m_hDisabledOwner)) EnableWindow(dlg->m_hDisabledOwner, TRUE);
        if (dlg->m_bOwnedByWindow) delete dlg;
        return FALSE;
    }
    default:
        if (message == MessageDialogCloseMessage()) {
            dlg->End(dlg->AnswerOfClose());
            return TRUE;
        }
        return FALSE;
    }
}

// ---- Entry points ---------------------------------------------------------------------

void SetMessageDialogIcon(HINSTANCE module, int iconId)
{
    g_iconModule = module;
    g_iconId = iconId;
}

INT_PTR CMessageDialog::AnswerUnattended()
{
    ReportUnattendedMessageBox(m_caption, DisplayText());
    if (m_checkResult) {
        if (m_options & MDO_CHECKBOX)
            *m_checkResult = 0;
        else if (m_options & MDO_CHECKBOXSET)
            *m_checkResult = 1;
    }
    return AnswerOfTimeout();
}

INT_PTR RunMessageDialog(CMessageDialog* dialog, HWND owner, const wchar_t* text, const wchar_t* caption, UINT type,
                         UINT options, MessageDialogArg countdownOrCheckText, const wchar_t* buttonList,
                         int* checkResult)
{
    if (UnattendedMessageBoxes()) {
        // Nobody could answer a modal dialog: the default button answers.
        dialog->Init(owner, text, caption, type, options, countdownOrCheckText, buttonList, checkResult);
        return dialog->AnswerUnattended();
    }
    HGLOBAL memory = BuildTemplate(caption);
    if (!memory) return -1;
    dialog->Init(owner, text, caption, type, options, countdownOrCheckText, buttonList, checkResult);
    INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), static_cast<const DLGTEMPLATE*>(GlobalLock(memory)),
                                        owner, CMessageDialog::MessageDialogProc, reinterpret_cast<LPARAM>(dialog));
    GlobalFree(memory);
    return r;
}

int ShowMessageDialog(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, UINT options,
                      MessageDialogArg countdownOrCheckText, const wchar_t* buttonList, int* checkResult)
{
    auto* dialog = new CMessageDialog;
    INT_PTR r =
        RunMessageDialog(dialog, owner, text, caption, type, options, countdownOrCheckText, buttonList, checkResult);
    delete dialog;
    return static_cast<int>(r);
}

HWND ShowMessageDialogOnThread(HWND owner, const wchar_t* text, const wchar_t* caption, int countdown)
{
    HGLOBAL memory = BuildTemplate(caption);
    if (!memory) return nullptr;
    auto* dialog = new CMessageDialog;
    dialog->m_bOwnedByWindow = true;
    UINT options = countdown ? (MDO_WAITBOX | MDO_AUTOCLOSE) : MDO_WAITBOX;
    dialog->Init(owner, text, caption, 0, options, MessageDialogArg(countdown), nullptr, nullptr);
    HWND window =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<const DLGTEMPLATE*>(GlobalLock(memory)),
                                   owner, CMessageDialog::MessageDialogProc, reinterpret_cast<LPARAM>(dialog));
    GlobalFree(memory);
    if (!window || !dialog->ready()) {
        // Nothing was made: there is no box to wait for.
        if (window)
            DestroyWindow(window);
        else
            delete dialog;
        return nullptr;
    }
    HWND root = owner && IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (root && IsWindowEnabled(root)) {
        EnableWindow(root, FALSE);
        dialog->m_hDisabledOwner = root;
    }
    ShowWindow(window, SW_SHOW);
    // Painted now, before the caller's blocking work keeps the loop away.
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return window;
}

bool CloseMessageDialog(HWND window)
{
    if (!IsWindow(window)) return false;
    PostMessageW(window, MessageDialogCloseMessage(), 0, 0);
    for (int round = 0; round < 10 && IsWindow(window); ++round) {
        MSG msg;
        // The box lives on this thread: its own messages (the close one
        // included) are delivered here, and one system message besides.
        while (IsWindow(window) && PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (PeekMessageW(&msg, nullptr, 0, 255, PM_REMOVE)) DispatchMessageW(&msg);
        if (!IsWindow(window)) break;
        Sleep(50);
    }
    return IsWindow(window) != FALSE;
}
