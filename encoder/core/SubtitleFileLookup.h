// The subtitle file that lies beside a source: the job record looks for it
// when a source is added, and a graph asks for it again for the source it
// opened.
#pragma once

#include "platform/win32/CString.h"

// The subtitle file beside a source, first found wins: the source's name
// with the extensions rt, smi, smil, srt, idx, sub, rar, cap, ssa, ass, txt;
// then the smi name with the file name's hyphens made underscores, then
// with its underscores made hyphens. Names match without regard to case.
// Empty when there is none or the source's file name has no extension.
CString FindSubtitleFile(const CString& source);
