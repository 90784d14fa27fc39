// The bodies of the video treatment module's fuzz targets, shared by the
// libFuzzer entry points and by the test that replays inputs in every
// build.
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as a logo picture file, or (when the first byte is odd)
// as a picture and an alpha mask split at the second byte; draws a logo that
// loads into small 4:2:0 and RGB pictures at places and times taken from the
// bytes.
int FuzzLogoPicture(const uint8_t* data, size_t size);
// Takes the bytes as the text of a subtitle entry (UTF-8, with inline
// codes) after its first twelve: place, spacing and style values and the
// choice of one of a few face names; draws it into small 4:2:0 and RGB
// pictures.
int FuzzSubtitleText(const uint8_t* data, size_t size);
