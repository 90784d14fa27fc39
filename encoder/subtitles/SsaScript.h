// Dialogue text of SSA/ASS scripts turned into inline codes. The script
// reader itself is CTextSubFile::ParseSsaScript.
#pragma once

#include "platform/win32/CString.h"

// One dialogue line's text: override blocks with known tags become codes
// (bold, italic, underline, primary colour; every other known tag nothing),
// "\n" and "\N" line breaks, "\h" is removed; anything else stays as text.
CString ConvertSsaDialogueText(const CString& text, int defaultColor);
// The codes of one override block (the text between "{" and "}"); *known
// tells whether at least one of its tags was a known one.
CString ConvertSsaOverrides(const CString& block, int defaultColor, bool* known);
