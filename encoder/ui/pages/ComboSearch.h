// Finding a combo box item by its exact text: the list's own search
// (CB_FINDSTRINGEXACT) ignores case, but names stored in the settings (fonts,
// codecs, formats) must match as they are written.
#pragma once

#include "platform/mfc/StandardCtrls.h"

// The first item whose text is the text, code unit by code unit; -1 when
// none is.
int FindExactItem(const CComboBox& box, const CString& text);
