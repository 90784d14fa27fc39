#include "MediaFileInfo.h"

#include <cmath>
#include <cstring>
#include <cwchar>

MediaFileInfo::MediaFileInfo()
{
    // Every field of the record starts at zero; the concrete analyser then
    // sets its type code.
    std::memset(m_szFilePath, 0, sizeof m_szFilePath);
    m_nStatus = 0;
    m_nFileType = 0;
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
    KeyFrameIntervals k;
    if (n <= 1 || !t) return k;
    // Sums in extended precision, results stored as doubles.
    long double sum = 0;
    long double largest = 0;
    long double smallest = static_cast<long double>(t[1]) - t[0];
    for (size_t i = 1; i < n; ++i) {
        long double d = static_cast<long double>(t[i]) - t[i - 1];
        sum += d;
        if (d > largest) largest = d;
        if (d < smallest) smallest = d;
    }
    long double avg = sum / static_cast<long double>(n - 1);
    long double squares = 0;
    for (size_t i = 1; i < n; ++i) {
        long double d = static_cast<long double>(t[i]) - t[i - 1] - avg;
        squares += d * d;
    }
    k.avg = static_cast<double>(avg);
    k.max = static_cast<double>(largest);
    k.min = static_cast<double>(smallest);
    k.stdDev = static_cast<double>(std::sqrt(squares / static_cast<long double>(n - 1)));
    return k;
}
