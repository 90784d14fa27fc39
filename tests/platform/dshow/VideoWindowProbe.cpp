#include "tests/platform/dshow/VideoWindowProbe.h"

#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"

HWND MakeOwnerWindow(int width, int height)
{
    static const wchar_t* className = [] {
        WNDCLASSEXW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.lpszClassName = L"RivoVideoOwnerTest";
        RegisterClassExW(&wc);
        return L"RivoVideoOwnerTest";
    }();
    return CreateWindowExW(0, className, L"Owner", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}

void DestroyOwnerWindow(HWND window) { DestroyWindow(window); }

void PumpWindowMessages()
{
    for (int i = 0; i < 10 && DispatchPendingMessages() > 0; ++i) {}
}

HWND FirstChildOf(HWND window) { return GetWindow(window, GW_CHILD); }

uint32_t PixelOf(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
