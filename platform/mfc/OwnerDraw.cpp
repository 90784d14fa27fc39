#include "OwnerDraw.h"

#include <algorithm>

#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {

QImage DrawItemByOwner(HWND control, UINT controlType, int itemId, UINT state, ULONG_PTR itemData, int width,
                       int height, HGDIOBJ font)
{
    width = std::clamp(width, 1, 4096);
    height = std::clamp(height, 1, 1024);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return QImage();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    bool selected = (state & ODS_SELECTED) != 0;
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT all{0, 0, width, height};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    DRAWITEMSTRUCT item;
    item.CtlType = controlType;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
    item.itemID = static_cast<UINT>(itemId);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = control;
    item.hDC = dc;
    item.rcItem = all;
    item.itemData = itemData;
    if (HWND parent = GetParent(control))
        SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    // The drawing, copied out before the bitmap goes. The DIB's fourth byte
    // is 0, which Qt's 32-bit RGB images must hold as 0xFF.
    QImage copy(width, height, QImage::Format_RGB32);
    const auto* src = static_cast<const uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        auto* dst = reinterpret_cast<uint32_t*>(copy.scanLine(y));
        for (int x = 0; x < width; ++x) dst[x] = src[static_cast<size_t>(y) * width + x] | 0xFF000000u;
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return copy;
}

int MeasureItemByOwner(HWND control, UINT controlType, int itemId, ULONG_PTR itemData, int fallback)
{
    MEASUREITEMSTRUCT m;
    m.CtlType = controlType;
    m.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
    m.itemID = static_cast<UINT>(itemId);
    m.itemHeight = static_cast<UINT>(fallback);
    m.itemData = itemData;
    if (HWND parent = GetParent(control)) SendMessageW(parent, WM_MEASUREITEM, m.CtlID, reinterpret_cast<LPARAM>(&m));
    return std::clamp(static_cast<int>(m.itemHeight), 1, 255);
}

}  // namespace mfc_controls
