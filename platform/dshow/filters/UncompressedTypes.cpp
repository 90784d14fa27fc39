#include "platform/dshow/filters/UncompressedTypes.h"

#include <algorithm>

#include "platform/dshow/MediaGuids.h"

const std::vector<GUID>& UncompressedVideoSubtypes()
{
    static const std::vector<GUID> subtypes = {
        MEDIASUBTYPE_I420,  MEDIASUBTYPE_IYUV,   MEDIASUBTYPE_YV12,  MEDIASUBTYPE_NV12,   MEDIASUBTYPE_YUY2,
        MEDIASUBTYPE_RGB32, MEDIASUBTYPE_ARGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB565, MEDIASUBTYPE_RGB555,
    };
    return subtypes;
}

const std::vector<GUID>& UncompressedAudioSubtypes()
{
    static const std::vector<GUID> subtypes = {MEDIASUBTYPE_PCM, MEDIASUBTYPE_IEEE_FLOAT};
    return subtypes;
}

bool IsUncompressedVideo(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video) return false;
    const auto& s = UncompressedVideoSubtypes();
    if (std::find(s.begin(), s.end(), type.subtype) == s.end()) return false;
    if (type.formattype == FORMAT_VideoInfo) return type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER);
    if (type.formattype == FORMAT_VideoInfo2) return type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER2);
    return false;
}

bool IsUncompressedAudio(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx || !type.pbFormat ||
        type.cbFormat < sizeof(WAVEFORMATEX))
        return false;
    const auto& s = UncompressedAudioSubtypes();
    if (std::find(s.begin(), s.end(), type.subtype) == s.end()) return false;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    return wfx->nChannels > 0 && wfx->nSamplesPerSec > 0 && wfx->nBlockAlign > 0;
}
