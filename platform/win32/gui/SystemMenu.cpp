#include "SystemMenu.h"

#include "Caption.h"
#include "Menus.h"
#include "MessageQueue.h"
#include "UserLanguage.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"

namespace win32_gui {
namespace {

struct SystemItem {
    WPARAM command;
    const wchar_t* english;
    const wchar_t* korean;
    const wchar_t* japanese;
};

// The items as the system names them in each language it speaks.
const SystemItem kItems[] = {
    {SC_RESTORE, L"&Restore", L"\uC774\uC804 \uD06C\uAE30\uB85C(&R)",
     L"\u5143\u306E\u30B5\u30A4\u30BA\u306B\u623B\u3059(&R)"},
    {SC_MOVE, L"&Move", L"\uC774\uB3D9(&M)", L"\u79FB\u52D5(&M)"},
    {SC_SIZE, L"&Size", L"\uD06C\uAE30 \uC870\uC815(&S)", L"\u30B5\u30A4\u30BA\u5909\u66F4(&S)"},
    {SC_MINIMIZE, L"Mi&nimize", L"\uCD5C\uC18C\uD654(&N)", L"\u6700\u5C0F\u5316(&N)"},
    {SC_MAXIMIZE, L"Ma&ximize", L"\uCD5C\uB300\uD654(&X)", L"\u6700\u5927\u5316(&X)"},
    {0, nullptr, nullptr, nullptr},  // separator
    {SC_CLOSE, L"&Close\tAlt+F4", L"\uB2EB\uAE30(&C)\tAlt+F4", L"\u9589\u3058\u308B(&C)\tAlt+F4"},
};

const wchar_t* TextOf(const SystemItem& item)
{
    LANGID lang = GetUserDefaultLangID();
    return lang == 1042 ? item.korean : lang == 1041 ? item.japanese : item.english;
}

bool StyleAllows(WPARAM command, DWORD style)
{
    bool boxes = (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0;
    switch (command) {
    case SC_RESTORE:
    case SC_MINIMIZE:
    case SC_MAXIMIZE: return boxes;
    case SC_SIZE: return boxes || (style & WS_THICKFRAME);
    default: return true;
    }
}

HMENU MakeSystemMenu(DWORD style)
{
    HMENU menu = CreatePopupMenu();
    for (const SystemItem& item : kItems) {
        if (!item.command)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else if (StyleAllows(item.command, style))
            AppendMenuW(menu, MF_STRING, item.command, TextOf(item));
    }
    return menu;
}

// What the window's state allows now; the program's own items keep theirs.
void UpdateStates(HMENU menu, DWORD style)
{
    const bool minimized = (style & WS_MINIMIZE) != 0, maximized = (style & WS_MAXIMIZE) != 0;
    struct Rule {
        WPARAM command;
        bool enabled;
    } rules[] = {
        {SC_RESTORE, minimized || maximized},
        {SC_MOVE, !maximized},
        {SC_SIZE, (style & WS_THICKFRAME) && !minimized && !maximized},
        {SC_MINIMIZE, (style & WS_MINIMIZEBOX) && !minimized},
        {SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) && !maximized},
    };
    for (const Rule& r : rules)
        if (GetMenuState(menu, static_cast<UINT>(r.command), MF_BYCOMMAND) != static_cast<UINT>(-1))
            EnableMenuItem(menu, static_cast<UINT>(r.command), MF_BYCOMMAND | (r.enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

void ShowSystemMenu(HWND window, POINT screen)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    UpdateStates(menu, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)));
    SendMessageW(window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    if (!IsWindow(window) || !IsMenu(menu)) return;
    UINT command = RunMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, screen, window, true);
    if (command && IsWindow(window))
        PostMessageW(window, WM_SYSCOMMAND, command,
                     MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

POINT SystemMenuPoint(HWND window)
{
    WindowObject* w = Find(window);
    if (!w) return POINT{0, 0};
    CaptionLayout l = LayoutCaption(*w);
    RECT r = ScreenRectOf(*w);
    return POINT{r.left + l.caption.left, r.top + l.caption.bottom};
}

void ForgetSystemMenu(HWND window)
{
    WindowObject* w = Find(window);
    if (!w || !w->systemMenu) return;
    DestroyMenu(w->systemMenu);
    w->systemMenu = nullptr;
}

}  // namespace win32_gui

HMENU GetSystemMenu(HWND window, BOOL revert)
{
    using namespace win32_gui;
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    if (revert) {
        ForgetSystemMenu(window);
        return nullptr;
    }
    if (w->IsChild() || !(w->style & WS_SYSMENU)) return nullptr;
    if (!w->systemMenu || !IsMenu(w->systemMenu)) w->systemMenu = MakeSystemMenu(w->style);
    return w->systemMenu;
}
