// The bodies of the skin's fuzz targets, shared by the libFuzzer entry
// points and by the test that replays inputs in every build. Both need a Qt
// GUI application on the calling thread (fonts and regions).
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as a BMP file: loads it, converts it to 24 bits and draws
// it into a small target by every drawing operation, then makes its region.
int FuzzSkinBitmap(const uint8_t* data, size_t size);
// Takes the bytes as attribute text for every value parser, and as an XML
// element read as a control, a font element and a window region.
int FuzzSkinAttributes(const uint8_t* data, size_t size);
// Takes the bytes as the skin document of a skin folder that holds a few
// images and a cursor: a skin window loads and builds it, is sized, gets
// mouse messages, switches its colour theme and is destroyed; its scripts
// run with a step limit and message boxes answered at once. Needs a Qt
// application with widgets.
int FuzzSkinDocument(const uint8_t* data, size_t size);
