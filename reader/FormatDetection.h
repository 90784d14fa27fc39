// Which analyser reads a file: decided by the file's first bytes alone,
// never by its name. The probes are asked in a fixed order and the first
// that recognises the file wins.
#pragma once

#include <memory>

#include "MediaFileInfo.h"

// Each probe opens the file itself, reads from its start and closes it; a
// file that cannot be opened answers false.
bool ProbeAvi(const wchar_t* path);
bool ProbeAsf(const wchar_t* path);
bool ProbeMp4(const wchar_t* path);
bool ProbeRm(const wchar_t* path);
bool ProbeMkv(const wchar_t* path);
bool ProbeOgg(const wchar_t* path);
bool ProbeFlv(const wchar_t* path);

// The container type code (1 to 7) of the first probe that answers true, in
// the order AVI, ASF, MP4, RealMedia, Matroska, Ogg, FLV; 0 when none does.
int DetectFileFormat(const wchar_t* path);

// A new analyser for the type code, with its type set and status 0; null
// for 0 and for unknown codes.
std::unique_ptr<MediaFileInfo> CreateFileParser(int type);
