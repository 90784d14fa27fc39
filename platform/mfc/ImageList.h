// Image lists: strips of equal-sized images, added from bitmaps (with a
// mask colour whose pixels become transparent, as the program's bitmaps use
// magenta) and drawn into device contexts, transparently or not. List views
// and tab controls show their images.
#pragma once

#include "platform/mfc/CommCtrl.h"
#include "platform/win32/gui/GdiObjects.h"

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Cuts the bitmap into images of the list's width, left to right; the index
// of the first one added, -1 on failure. The mask bitmap (or colour) makes
// pixels transparent: white mask pixels, or pixels of the mask colour.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
BOOL ImageList_Remove(HIMAGELIST list, int index);  // -1: every image
// Draws image i with its top-left corner at (x, y); ILD_TRANSPARENT (or a
// list with a mask) leaves the transparent pixels as they were.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// A list of the bitmap resource's images, cx wide, with the mask colour
// transparent (CLR_NONE: none).
HIMAGELIST ImageList_LoadBitmapW(HINSTANCE instance, LPCWSTR name, int cx, int grow, COLORREF mask);
