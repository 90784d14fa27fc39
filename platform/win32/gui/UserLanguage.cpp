#include "UserLanguage.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<LANGID> g_override{0};

LANGID FromLocaleName(const char* name)
{
    if (std::strncmp(name, "ko", 2) == 0) return 1042;
    if (std::strncmp(name, "ja", 2) == 0) return 1041;
    return 1033;
}
}  // namespace

LANGID GetUserDefaultLangID()
{
    if (LANGID id = g_override.load()) return id;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return FromLocaleName(v);
    }
    return 1033;
}

void SetUserDefaultLangID(LANGID id) { g_override = id; }
