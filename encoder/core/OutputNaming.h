// Output file names from the user's naming template, and the number texts
// the job list, the summaries and the progress window show.
//
// Template tokens (case-sensitive, replaced wherever they occur):
//   <SRC_FILENAME>                the source's file name without folder and extension
//   <COUNTER01> .. <COUNTER09>    the counter modulo 10^width, zero-padded to the width
//   <TRACK_NUM01> .. <TRACK_NUM09> the track number, the same way
//   <DEF_EXT>                     the default extension (without its dot)
// A '/' (or '\') in the template makes sub-folders under the output folder.
#pragma once

#include <cstdint>

#include "platform/win32/CString.h"

// Expands the template. Characters that cannot stand in a file name
// (/ \ ; ? * " < > |) are dropped from the substituted texts; the template's
// own text ends before the first of ; ? * " < > | (so a mistyped token ends
// the name there). False, with an empty out text, when nothing usable is left:
// an empty name, an absolute one, one ending with a separator, or one with a
// "." or ".." component.
bool MakeOutputFileName(CString& out, const CString& sourcePath, const CString& nameTemplate,
                        const CString& defaultExtension, int counter, int trackNumber);

// "1.5GB", "12.0MB", "1.0KB" or "1024B": one decimal, cut rather than
// rounded.
CString FormatFileSize(int64_t bytes);
// "1,234,567". Meant for non-negative numbers (a minus sign counts as a digit
// when the commas are placed).
CString FormatNumberWithCommas(int value);
