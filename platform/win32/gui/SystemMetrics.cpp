#include "SystemMetrics.h"

#include <algorithm>

#include "Monitors.h"

using namespace win32_gui;

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: {
        RECT r = CurrentMonitors().front().monitor;
        return r.right - r.left;
    }
    case SM_CYSCREEN: {
        RECT r = CurrentMonitors().front().monitor;
        return r.bottom - r.top;
    }
    case SM_CXFULLSCREEN: {
        RECT r = CurrentMonitors().front().work;
        return r.right - r.left;
    }
    case SM_CYFULLSCREEN: {
        RECT r = CurrentMonitors().front().work;
        return r.bottom - r.top - GetSystemMetrics(SM_CYCAPTION);
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 20;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 20;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 19;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CMONITORS: return static_cast<int>(CurrentMonitors().size());
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
        auto list = CurrentMonitors();
        RECT u = list.front().monitor;
        for (auto& m : list) {
            u.left = std::min(u.left, m.monitor.left);
            u.top = std::min(u.top, m.monitor.top);
            u.right = std::max(u.right, m.monitor.right);
            u.bottom = std::max(u.bottom, m.monitor.bottom);
        }
        if (index == SM_XVIRTUALSCREEN) return u.left;
        if (index == SM_YVIRTUALSCREEN) return u.top;
        if (index == SM_CXVIRTUALSCREEN) return u.right - u.left;
        return u.bottom - u.top;
    }
    case SM_CXMAXTRACK:
    case SM_CYMAXTRACK: {
        int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        return (index == SM_CXMAXTRACK ? cx : cy) + 12;
    }
    default: return 0;
    }
}

DWORD GetSysColor(int index)
{
    switch (index) {
    case COLOR_SCROLLBAR: return RGB(200, 200, 200);
    case COLOR_BACKGROUND: return RGB(0, 78, 152);
    case COLOR_ACTIVECAPTION: return RGB(153, 180, 209);
    case COLOR_INACTIVECAPTION: return RGB(191, 205, 219);
    case COLOR_MENU: return RGB(240, 240, 240);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(0, 0, 0);
    case COLOR_ACTIVEBORDER: return RGB(180, 180, 180);
    case COLOR_INACTIVEBORDER: return RGB(244, 247, 252);
    case COLOR_APPWORKSPACE: return RGB(171, 171, 171);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return RGB(67, 78, 84);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    case COLOR_HOTLIGHT: return RGB(0, 102, 204);
    case COLOR_GRADIENTACTIVECAPTION: return RGB(185, 209, 234);
    case COLOR_GRADIENTINACTIVECAPTION: return RGB(215, 228, 242);
    default: return 0;
    }
}

UINT GetDoubleClickTime() { return 500; }

BOOL SystemParametersInfoW(UINT action, UINT, PVOID data, UINT)
{
    if (action != SPI_GETWORKAREA || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *static_cast<RECT*>(data) = CurrentMonitors().front().work;
    return TRUE;
}
