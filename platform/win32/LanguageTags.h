// The RFC 1766 language tags of Windows locale ids, as the multi-language
// service reports them: a language's main country gives the bare language
// ("ko" for 1042, "de" for German in Germany), other countries add theirs in
// lower case ("en-us", "zh-tw", "pt-br"). The table covers at least every
// language the option sheet offers for subtitles.
#pragma once

#include "WinTypes.h"

// The tag of the locale id; null when the table does not know it.
const wchar_t* Rfc1766TagFromLcid(LCID lcid);
