// Line reading shared by the subtitle readers.
#pragma once

#include "platform/win32/CString.h"

// Copies the next line from the cursor into `line` (without its end: a line
// feed, or a carriage return directly followed by a line feed) and moves the
// cursor past it. A carriage return not followed by a line feed stays in the
// line. The last line of a text without a final line end is returned too.
// False (and an empty line) at the end of the text or for a null cursor.
bool ReadSubtitleLine(const wchar_t*& cursor, CString& line);
