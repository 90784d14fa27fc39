#include "WmProfileHelper.h"

CWmProfileHelper::CWmProfileHelper() { SetDefaults(); }

void CWmProfileHelper::SetDefaults()
{
    sAudioCodec = L"Windows Media Audio 9";
    sAudioFormat = L"VBR Quality 90, 48 kHz, stereo VBR";
    sVideoCodec = L"Windows Media Video 9";
    nVideoKBitrate = 1024;
    nSecPerKeyframe = 10;
    nVideoQuality = 100;
}
