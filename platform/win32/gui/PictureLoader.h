// Pictures in the formats the system's picture loader reads (BMP in all its
// forms, JPEG, GIF, PNG, ICO and the other formats of the image library),
// decoded from memory. Transparent parts come out black, as when such a
// picture is rendered onto a fresh bitmap.
#pragma once

#include <cstddef>

#include "GdiObjects.h"

// A new 32-bit top-down DIB section of the picture, owned by the caller
// (DeleteObject); null for bytes that are no picture or a picture too large
// to hold (over 2^26 pixels).
HBITMAP LoadPictureFromMemory(const void* data, size_t size);
