// The user's interface language, as the language id the system would give.
#pragma once

#include "UserTypes.h"

// The user's default language id: 1042 for a Korean, 1041 for a Japanese
// and 1033 for any other environment (LC_ALL, LC_MESSAGES, LANG); a value
// set with SetUserDefaultLangID overrides it (0 returns to the environment).
LANGID GetUserDefaultLangID();
void SetUserDefaultLangID(LANGID id);
