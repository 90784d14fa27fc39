// The Windows Media part of the settings: the stored WMV choices (codec and
// format by display name, rates). The codec lists and the name lookups join
// this class with the Windows Media runtime.
#pragma once

#include "platform/win32/CString.h"

class CWmProfileHelper {
public:
    CWmProfileHelper();

    // The default WMV settings.
    void SetDefaults();

    CString sAudioCodec;
    CString sAudioFormat;
    CString sVideoCodec;
    int nVideoKBitrate = 0;
    int nSecPerKeyframe = 0;
    int nVideoQuality = 0;
};
