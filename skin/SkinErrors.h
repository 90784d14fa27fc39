// Error codes of the skin framework and their texts. A failing load or build
// step leaves one of these codes (and a detail text) on the object that
// failed; the host shows the code's text, a blank and the detail.
#pragma once

#include "platform/win32/CString.h"

enum SkinError {
    SKINERR_NONE = 0,
    SKINERR_NO_ALIGN = 1,
    SKINERR_BAD_ALIGN = 2,
    SKINERR_BAD_RECT = 3,
    SKINERR_MISSING_ATTRIBUTE = 4,
    SKINERR_IMAGE_OPEN = 5,
    SKINERR_BAD_FONT_NAME = 6,
    SKINERR_BAD_ATTRIBUTE_VALUE = 7,
    SKINERR_ZERO_ITEM_HEIGHT = 8,
    SKINERR_NO_SLIDER = 9,
    SKINERR_NO_COLUMN_HEADER_ID = 10,
    SKINERR_NO_COLUMN_HEADER = 11,
    SKINERR_UNKNOWN_TYPE = 12,
    SKINERR_BAD_SKIN_PATH = 13,
    SKINERR_XML_READ = 14,
    SKINERR_SKIN_PARSE = 15,
    SKINERR_BAD_ROOT = 16,
    SKINERR_NO_SKINWINDOW = 17,
    SKINERR_TAG_PARSE = 18,
    SKINERR_MISSING_TAG = 19,
    SKINERR_NO_BKGND_TYPE = 20,
    SKINERR_BAD_BKGND_TYPE = 21,
    SKINERR_DUPLICATE_CONTROL_ID = 22,
    SKINERR_DUPLICATE_WINDOW_CONTROL_ID = 23,
    SKINERR_NO_THEME_VALUE = 24,
    SKINERR_NO_THEME_NAME = 25,
    SKINERR_FONT_CREATE = 26,
    SKINERR_DUPLICATE_FONT = 27,
    SKINERR_NO_IMAGE_FILE = 28,
    SKINERR_NO_IMAGE_NAME = 29,
    SKINERR_DEFINE_CONTROL_ID = 30,
    SKINERR_DOSCRIPT = 31,
    SKINERR_BAD_WINDOW_CONTROL_ID = 32,
    SKINERR_CONTROL_CREATE = 33,
    SKINERR_BAD_CONTROL_TAG = 34,
    SKINERR_NO_CONTROL_TAG = 35,
    SKINERR_UNDEFINED_CONTROL_ID = 36,
    SKINERR_SCRIPT = 37,
    SKINERR_IMAGEFONT_INFO = 38,
    SKINERR_CURSOR_INFO = 39,
    SKINERR_DUPLICATE_CURSOR = 40,
    SKINERR_CURSOR_OPEN = 41,
    SKINERR_BAD_CHILD_TAG = 42,
    SKINERR_CHILD_ATTRIBUTE = 43,
    SKINERR_COMBINE_RGN = 44,
    SKINERR_BITMAP_RGN = 45,
    SKINERR_SPLITTER_CONTROL = 46,
    SKINERR_BAD_MENU_ID = 47,
    SKINERR_NO_MENU_ID = 48,
    SKINERR_SCRIPT_DEFINE = 49,
    SKINERR_NO_LIST_FILE = 50,
};

constexpr int kSkinErrorCount = 51;

// The text of a code; any code outside 0 to 50 gives "Code:%d" with the code,
// written into one buffer that the next such call overwrites.
const wchar_t* GetSkinErrorText(int code);
