// Image lists from bitmap resources with a mask colour: images cut to width,
// drawn with the mask colour left transparent.
#include <gtest/gtest.h>

#include "MfcSampleIds.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/ImageListPicture.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"

namespace {

// A white 6 x 3 memory DC to draw on.
struct Canvas {
    Canvas()
    {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biWidth = 6;
        bi.bmiHeader.biHeight = -3;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all{0, 0, 6, 3};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

TEST(ImageList, MaskColourIsTransparentWhenDrawn)
{
    // The mark is " .. " over "....": magenta and navy, 4 x 2.
    CImageList list;
    ASSERT_TRUE(list.Create(IDB_MARK, 2, 0, RGB(255, 0, 255)));
    EXPECT_EQ(2, list.GetImageCount());
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
    EXPECT_EQ(2, cx);
    EXPECT_EQ(2, cy);
    Canvas canvas;
    CDC* dc = CDC::FromHandle(canvas.dc);
    ASSERT_TRUE(list.Draw(dc, 0, CPoint(1, 1), ILD_TRANSPARENT));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(canvas.dc, 1, 1));  // magenta: left as it was
    EXPECT_EQ(RGB(0, 0, 128), GetPixel(canvas.dc, 2, 1));
    EXPECT_EQ(RGB(0, 0, 128), GetPixel(canvas.dc, 1, 2));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(canvas.dc, 0, 0));
    QImage second = mfc_controls::ImageListPicture(list, 1);
    EXPECT_EQ(0, qAlpha(second.pixel(1, 0)));
    EXPECT_EQ(qRgb(0, 0, 128), second.pixel(0, 0));
    EXPECT_FALSE(list.Draw(dc, 2, CPoint(0, 0), ILD_NORMAL));
    CDC::DeleteTempMap();
}

TEST(ImageList, BadSizesAndHandlesAreRefused)
{
    EXPECT_EQ(nullptr, ImageList_Create(0, 16, ILC_COLOR32, 0, 0));
    EXPECT_EQ(nullptr, ImageList_Create(16, 100000, ILC_COLOR32, 0, 0));
    EXPECT_EQ(-1, ImageList_AddMasked(nullptr, nullptr, 0));
    EXPECT_EQ(0, ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(0x1234)));
    EXPECT_FALSE(ImageList_Destroy(reinterpret_cast<HIMAGELIST>(0x1234)));
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 0, 0);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(-1, ImageList_AddMasked(list, nullptr, CLR_NONE));
    EXPECT_TRUE(ImageList_Destroy(list));
}

}  // namespace
