// A locale whose decimal point is a comma, made at test time with localedef,
// for checking that numbers format and parse in the "C" locale whatever the
// process locale says.
#pragma once

#include <string>

// Builds de_DE.UTF-8 into folder and makes it the calling thread's locale;
// false when it cannot be made here (the test then skips).
bool UseCommaDecimalLocale(const std::string& folder);
// Returns the calling thread to the global locale.
void UseCLocale();
