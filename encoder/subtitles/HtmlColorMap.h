// The colour names that SAMI font tags may use, each mapped to a COLORREF.
#pragma once

#include "platform/win32/Collections.h"

class CHtmlColorMap : public CMapStringToPtr {
public:
    CHtmlColorMap();
    // The colour of a lower-case name; false when the name is not known.
    bool LookupColor(const wchar_t* name, COLORREF* color) const;
};

// The one instance, filled on first use.
const CHtmlColorMap& HtmlColorMap();
