// Bitmap and icon resources of the program: the bytes of an image file (XPM,
// BMP or PNG, read by Qt) registered under a resource id by the compiled
// resource tables, and loaded as a bitmap or an icon.
#pragma once

#include <cstddef>

#include "platform/win32/gui/GdiObjects.h"

// The bytes are not copied and must stay (the compiler's tables are static).
void RegisterBitmapResource(WORD id, const unsigned char* data, size_t size);
// Decodes the image now and registers it as the icon of the id (LoadIconW).
// Data that is no image is not registered.
void RegisterIconResourceData(WORD id, const unsigned char* data, size_t size);

// A new 32-bit top-down DIB section of the bitmap resource, owned by the
// caller (DeleteObject); null with ERROR_RESOURCE_NAME_NOT_FOUND for an id
// nobody registered, or ERROR_INVALID_DATA for bytes that are no image.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
