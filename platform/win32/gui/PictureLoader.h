// Pictures in the formats the system's picture loader reads (BMP in all its
// forms, JPEG, GIF, PNG, ICO and the other formats of the image library),
// decoded from memory. Transparent parts come out black, as when such a
// picture is rendered onto a fresh bitmap.
#pragma once

#include <QImage>
#include <cstddef>

#include "GdiObjects.h"

// A new 32-bit top-down DIB section with the image's colour channels (the
// fourth byte 0), owned by the caller; null when it cannot be made.
HBITMAP BitmapFromImage(const QImage& image);

// A new 32-bit top-down DIB section of the picture, owned by the caller
// (DeleteObject); null for bytes that are no picture or a picture too large
// to hold (over 2^26 pixels).
HBITMAP LoadPictureFromMemory(const void* data, size_t size);
