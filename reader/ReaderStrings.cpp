#include "ReaderStrings.h"

namespace {

struct StringRow {
    UINT id;
    const wchar_t* text;
};

constexpr StringRow kStrings[] = {
    {101, L"RivoReader Information (&A)..."},
    {102, L"Courier"},
    {107, L"The index of the file is valid."},
    {108, L"File Name            : "},
    {109, L"State of Analysis    : "},
    {110, L"File Format          : "},
    {111, L"File Size on Disk    : "},
    {112, L"Data Size            : "},
    {113, L"Playback Time        : "},
    {114, L"Average Bit Rate     : "},
    {115, L"Index Status         : "},
    {116, L"Contents Title       : "},
    {117, L"Creator              : "},
    {118, L"Copyright            : "},
    {119, L"Used Tool            : "},
    {120, L"Comment              : "},
    {121, L"Rating               : "},
    {123, L"Video Streams Count  : "},
    {124, L"Codec Type           : "},
    {125, L"Image Size           : "},
    {126, L"Average Bit Rate     : "},
    {127, L"Frames/sec           : "},
    {128, L"Total # of frames    : "},
    {129, L"Audio Streams Count  : "},
    {130, L"Codec Type           : "},
    {131, L"Bit Rate             : "},
    {132, L"Sample ratio         : "},
    {133, L"Channel count        : "},
    {134, L"Total Key Frames     : "},
    {135, L"Average Interval     : "},
    {136, L"Maximum Interval     : "},
    {137, L"Minimum Interval     : "},
    {138, L"Standard Deviation   : "},
    {139, L"Error: Cannot find the index of the file."},
    {140, L"Error: The index of the file is invalid."},
    {141,
     L"Video Files|*.avi;*.wmv;*.wma;*.asf;*.mp4;*.3gp;*.k3g;*.3g2;*.rm;*.ra;*.ram;*.rmvb;*.mkv;*.ogg;*.ogm;*.flv;|All "
     L"Files (*.*)|*.*||"},
    {142, L"Text File(*.txt)|*.txt||"},
    {143, L"The file can not be opened. Another program may be using this file."},
    {145, L"Basic File Information"},
    {146, L"Video Stream"},
    {147, L"Audio Stream"},
    {148, L"Key Frame"},
    {149, L"Unknown Codec"},
    {153, L"The file doesn't exist."},
    {154,
     L"\r\nRivo Reader (Beta) v1.0 (2006/08) \r\n\r\nCopyright (C) 2006 the RivoReader authors.\r\n\r\nAll rights "
     L"reserved."},
    {155, L"Analyze using Rivo Reader"},
    {156, L"Binary Code"},
    // Status sentences.
    {300, L"Can not open the file for analysis."},
    {301, L"Analysis of the file is completed."},
    {302, L"An error occurred while opening the file."},
    {303, L"This file might be damaged."},
    {304, L"Actual file size differs from the size recorded on the file."},
    {320, L"This file is not the AVI file"},
    {321, L"Found a problem in the header of the AVI file."},
    {322, L"Found a problem in the AVI MOVI chunk."},
    {323, L"Found a problem in the index of the AVI file."},
    {324, L"An unexpected error has occurred in the AVI file."},
    {330, L"This file is not the WMV file."},
    {331, L"Found a problem in the header of the WMV file."},
    {332, L"Found a problem in the data objects of the WMV file."},
    {333, L"Found a problem in the index of the WMV file."},
    {340, L"This file is not an MP4 file."},
    {341, L"Found a problem in the header of the MP4 file."},
    {342, L"Found a problem in the data atom of the MP4 file"},
    {343, L"Found a problem in the user data of the MP4 file"},
    {344, L"This file is not a Real Media file."},
    {345, L"Found a problem in the RA Object."},
    {346, L"Found a problem in the RM Object."},
    {347, L"Found a problem in the PROP Object."},
    {348, L"Found a problem in the CONT Object."},
    {349, L"Found a problem in the MDPR Object."},
    {350, L"Found a problem in the INDX Object."},
    {351, L"Found a problem in the DATA Object."},
    {360, L"This is not a Matroska file."},
    {361, L"An error occurred while reading a Matroska file."},
    {370, L"This is not an ogg or an ogm file."},
    {371, L"An error occurred while analyzing the OGG/OGM format."},
    {372, L"This is not a FLV file."},
    {373, L"Required video tags do not exist."},
    {374, L"Required audio tags do not exist."},
    {375, L"An error occurred while reading video tags."},
    {376, L"An error occurred while reading audio tags."},
    {377, L"This is not a complete file."},
    // Container names.
    {600, L"Unknown File Format"},
    {601, L"AVI format"},
    {602, L"Windows Media format(ASF, WMV, WMA, etc.)"},
    {603, L"MP4 format"},
    {604, L"RealMedia format"},
    {605, L"Matroska format"},
    {606, L"OGG/OGM format"},
    {607, L"FLV (Flash Video) format"},
};

// Status code -> resource, by ranges of codes that map one to one.
struct StatusRange {
    int firstCode;
    int lastCode;
    UINT firstId;
};

constexpr StatusRange kStatusRanges[] = {
    {0, 4, 300},    // shared by every analyser
    {10, 14, 320},  // AVI (15 has no text)
    {20, 23, 330},  // ASF
    {30, 33, 340},  // MP4
    {40, 47, 344},  // RealMedia
    {50, 51, 360},  // Matroska
    {60, 61, 370},  // Ogg/OGM
    {70, 75, 372},  // FLV
};

}  // namespace

const wchar_t* GetResString(UINT id)
{
    for (const StringRow& row : kStrings)
        if (row.id == id) return row.text;
    return L"";
}

UINT StatusTextId(int status)
{
    for (const StatusRange& r : kStatusRanges)
        if (status >= r.firstCode && status <= r.lastCode) return r.firstId + static_cast<UINT>(status - r.firstCode);
    return 0;
}

UINT FileFormatTextId(int type)
{
    if (type < 0 || type > 7) return 0;
    return IDS_FORMAT_UNKNOWN + static_cast<UINT>(type);
}
