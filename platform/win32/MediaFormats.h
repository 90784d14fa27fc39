// The picture and sound format records of the emulated platform, with their
// exact byte layouts: media types, DIB sections, the analyser's result record
// and files on disk all carry them, so there is one definition for all.
#pragma once

#include <cstddef>

#include "WinTypes.h"

// Media time in 100-nanosecond units.
using REFERENCE_TIME = LONGLONG;

// biSize and biPlanes start with the only values the format allows.
struct BITMAPINFOHEADER {
    DWORD biSize = sizeof(BITMAPINFOHEADER);
    LONG biWidth = 0;
    LONG biHeight = 0;
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = 0;  // a FourCC: four bytes in file order
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(BITMAPINFOHEADER, biCompression) == 16);

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40 && offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;  // bytes of extra format data after the structure
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18 && offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);

constexpr WORD WAVE_FORMAT_PCM = 0x0001;
