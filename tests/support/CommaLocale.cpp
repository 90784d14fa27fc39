#include "CommaLocale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "TempDir.h"

namespace {
locale_t g_commaLocale = nullptr;
}

bool UseCommaDecimalLocale(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    int rc = -1;
    RunTool("localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1", &rc);
    setenv("LOCPATH", folder.c_str(), 1);
    // The C library keeps the search path of a LOCPATH load for good; that
    // one block is not ours to free.
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable();
#endif
    g_commaLocale = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
    unsetenv("LOCPATH");
    if (!g_commaLocale) return false;
    uselocale(g_commaLocale);
    return std::localeconv()->decimal_point[0] == ',';
}

void UseCLocale()
{
    uselocale(LC_GLOBAL_LOCALE);
    if (g_commaLocale) freelocale(g_commaLocale);
    g_commaLocale = nullptr;
}
