// RivoReader's string table: every label and sentence of the report, by its
// resource number, so that the report can be translated in one place.
#pragma once

#include "platform/win32/WinTypes.h"

enum : UINT {
    IDS_ABOUT_MENU_ITEM = 101,
    IDS_REPORT_FONT_FACE = 102,
    IDS_INDEX_VALID = 107,
    IDS_LABEL_FILE_NAME = 108,
    IDS_LABEL_STATE = 109,
    IDS_LABEL_FILE_FORMAT = 110,
    IDS_LABEL_FILE_SIZE = 111,
    IDS_LABEL_DATA_SIZE = 112,
    IDS_LABEL_PLAYBACK_TIME = 113,
    IDS_LABEL_AVG_BIT_RATE = 114,
    IDS_LABEL_INDEX_STATUS = 115,
    IDS_LABEL_TITLE = 116,
    IDS_LABEL_CREATOR = 117,
    IDS_LABEL_COPYRIGHT = 118,
    IDS_LABEL_USED_TOOL = 119,
    IDS_LABEL_COMMENT = 120,
    IDS_LABEL_RATING = 121,
    IDS_LABEL_VIDEO_COUNT = 123,
    IDS_LABEL_VIDEO_CODEC = 124,
    IDS_LABEL_IMAGE_SIZE = 125,
    IDS_LABEL_VIDEO_BIT_RATE = 126,
    IDS_LABEL_FRAME_RATE = 127,
    IDS_LABEL_FRAME_COUNT = 128,
    IDS_LABEL_AUDIO_COUNT = 129,
    IDS_LABEL_AUDIO_CODEC = 130,
    IDS_LABEL_AUDIO_BIT_RATE = 131,
    IDS_LABEL_SAMPLE_RATE = 132,
    IDS_LABEL_CHANNELS = 133,
    IDS_LABEL_KEY_FRAMES = 134,
    IDS_LABEL_AVG_INTERVAL = 135,
    IDS_LABEL_MAX_INTERVAL = 136,
    IDS_LABEL_MIN_INTERVAL = 137,
    IDS_LABEL_STD_DEVIATION = 138,
    IDS_INDEX_MISSING = 139,
    IDS_INDEX_INVALID = 140,
    IDS_OPEN_FILTER = 141,
    IDS_SAVE_FILTER = 142,
    IDS_CANNOT_OPEN_FILE = 143,
    IDS_SECTION_BASIC = 145,
    IDS_SECTION_VIDEO = 146,
    IDS_SECTION_AUDIO = 147,
    IDS_SECTION_KEY_FRAME = 148,
    IDS_UNKNOWN_CODEC = 149,
    IDS_FILE_NOT_FOUND = 153,
    IDS_ABOUT_TEXT = 154,
    IDS_SHELL_VERB_CAPTION = 155,
    IDS_SECTION_BINARY = 156,
    IDS_STATUS_FIRST = 300,
    IDS_FORMAT_UNKNOWN = 600,
};

// The text of string resource id; the empty text for an id the table lacks.
// The texts live for the whole run; callers never free them.
const wchar_t* GetResString(UINT id);

// The resource holding the sentence for an analysis status code, or 0 when
// the code has none.
UINT StatusTextId(int status);
// The resource holding the name of a container type code (0 to 7), or 0.
UINT FileFormatTextId(int type);
