// The bodies of the picture-subtitle fuzz targets, shared by the libFuzzer
// entry points and by the test that replays generated inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// An index file: the bytes after the first as they are (first byte odd), or
// a header and key lines picked by the input (first byte even). Parsed, then
// opened over a small stream of good units and asked everything the video
// filter asks.
int FuzzVobSubIndex(const uint8_t* data, size_t size);
// The first byte chooses settings and a form; the rest is either the .sub
// stream itself or one sub-picture unit packed into a stream. Packets are
// read, decoded and drawn.
int FuzzVobSubPackets(const uint8_t* data, size_t size);
