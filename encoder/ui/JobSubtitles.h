// What the two windows that run a job's graph share about its subtitle: a
// Windows Media source without a subtitle file may carry captions as script
// commands in its header, which are shown as subtitles through a SAMI file
// of their own.
#pragma once

#include <functional>

#include "encoder/core/SourceProbe.h"
#include "platform/win32/CString.h"

// Whether the source type is one of the Windows Media kinds whose header
// the captions are read from (kSourceAsf, kSourceAsfNoIndex).
bool IsWindowsMediaSourceType(SourceTypeCode code);

// When the source's header holds script commands, writes them as a SAMI
// file under a private name of its own in the temporary folder, hands its
// path to `load` and deletes the file after (whether or not it could be
// read). False when there was nothing to load.
bool LoadWindowsMediaCaptions(const CString& sourcePath, const std::function<void(const CString&)>& load);
