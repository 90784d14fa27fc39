// A colour theme of a skin: offsets added to the red, green and blue channel
// of every skin image, and the theme's name.
#pragma once

#include "platform/win32/CString.h"

struct SColorTheme {
    int red = 0;
    int green = 0;
    int blue = 0;
    CString name;
};
