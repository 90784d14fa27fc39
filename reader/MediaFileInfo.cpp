#include "MediaFileInfo.h"

#include <cmath>
#include <cstring>
#include <cwchar>

#include "KeyFrameIntervalAccumulator.h"

MediaFileInfo::MediaFileInfo()
{
    // Every field of the record starts at zero; the concrete analyser then
    // sets its type code.
    std::memset(m_szFilePath, 0, sizeof m_szFilePath);
    m_nStatus = STATUS_NOT_ANALYSED;
    m_nFileType = FILETYPE_UNKNOWN;
    m_llFileSize = 0;
    m_llDataSize = 0;
    m_llBitRate = 0;
    m_llDuration = 0;
    m_vih = VIDEOINFOHEADER{};
    m_nIndexStatus = 0;
    m_llFrameCount = 0;
    m_llKeyFrameCount = 0;
    m_dKeyIntervalAvg = 0;
    m_dKeyIntervalMax = 0;
    m_dKeyIntervalMin = 0;
    m_dKeyIntervalStdDev = 0;
    std::memset(m_wfxAudio, 0, sizeof m_wfxAudio);
    m_nAudioCount = 0;
    m_nVideoCount = 0;
}

MediaFileInfo::~MediaFileInfo() = default;

void MediaFileInfo::SetFilePath(const wchar_t* path)
{
    size_t n = path ? std::wcslen(path) : 0;
    if (n > kFilePathChars - 1) n = kFilePathChars - 1;
    if (n) std::wmemcpy(m_szFilePath, path, n);
    m_szFilePath[n] = 0;
}

void MediaFileInfo::SetKeyFrameIntervals(const KeyFrameIntervals& k)
{
    m_dKeyIntervalAvg = k.avg;
    m_dKeyIntervalMax = k.max;
    m_dKeyIntervalMin = k.min;
    m_dKeyIntervalStdDev = k.stdDev;
}

KeyFrameIntervals MediaFileInfo::ComputeKeyFrameIntervals(const double* t, size_t n)
{
    if (!t) return KeyFrameIntervals{};
    KeyFrameIntervalAccumulator k;
    for (size_t i = 0; i < n; ++i) k.Add(t[i]);
    return k.Result();
}
