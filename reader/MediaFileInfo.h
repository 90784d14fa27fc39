// The common result record of an analysis, and the base class of every
// container analyser. An analyser fills the record while it reads one file;
// the report reads nothing else (apart from a few tag texts it asks of the
// concrete analyser).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/MediaFormats.h"
#include "platform/win32/WinTypes.h"

// Container type codes.
enum : int32_t {
    FILETYPE_UNKNOWN = 0,
    FILETYPE_AVI = 1,
    FILETYPE_ASF = 2,
    FILETYPE_MP4 = 3,
    FILETYPE_RM = 4,
    FILETYPE_MKV = 5,
    FILETYPE_OGG = 6,
    FILETYPE_FLV = 7,
};

// Analysis status codes (the report turns each into a sentence).
enum : int32_t {
    STATUS_NOT_ANALYSED = 0,
    STATUS_OK = 1,
    STATUS_OPEN_FAILED = 2,
    STATUS_DAMAGED = 3,
    STATUS_SIZE_MISMATCH = 4,
    STATUS_AVI_NOT_AVI = 10,
    STATUS_AVI_HEADER = 11,
    STATUS_AVI_MOVI = 12,
    STATUS_AVI_INDEX = 13,
    STATUS_AVI_UNEXPECTED = 14,
    STATUS_AVI_INFO = 15,
    STATUS_ASF_NOT_ASF = 20,
    STATUS_ASF_HEADER = 21,
    STATUS_ASF_DATA = 22,
    STATUS_ASF_INDEX = 23,
    STATUS_MP4_NOT_MP4 = 30,
    STATUS_MP4_HEADER = 31,
    STATUS_MP4_DATA = 32,
    STATUS_MP4_USER_DATA = 33,
    STATUS_RM_NOT_RM = 40,
    STATUS_RM_RA = 41,
    STATUS_RM_RMF = 42,
    STATUS_RM_PROP = 43,
    STATUS_RM_CONT = 44,
    STATUS_RM_MDPR = 45,
    STATUS_RM_INDX = 46,
    STATUS_RM_DATA = 47,
    STATUS_MKV_NOT_MKV = 50,
    STATUS_MKV_READ = 51,
    STATUS_OGG_NOT_OGG = 60,
    STATUS_OGG_FORMAT = 61,
    STATUS_FLV_NOT_FLV = 70,
    STATUS_FLV_NO_VIDEO = 71,
    STATUS_FLV_NO_AUDIO = 72,
    STATUS_FLV_VIDEO_TAG = 73,
    STATUS_FLV_AUDIO_TAG = 74,
    STATUS_FLV_INCOMPLETE = 75,
};

// Index status values.
enum : int32_t {
    INDEX_MISSING = 0,
    INDEX_INVALID = 1,
    INDEX_VALID = 2,
};

constexpr int kMaxAudioFormats = 16;
constexpr size_t kFilePathChars = 2048;

// The four key-frame interval values, in seconds.
struct KeyFrameIntervals {
    double avg = 0;
    double max = 0;
    double min = 0;
    double stdDev = 0;
};

class MediaFileInfo {
public:
    MediaFileInfo();
    virtual ~MediaFileInfo();
    MediaFileInfo(const MediaFileInfo&) = delete;
    MediaFileInfo& operator=(const MediaFileInfo&) = delete;

    // Analyses the file at path, fills the record and returns the final
    // status (also left in m_nStatus). Called at most once per object; no
    // file stays open after it returns. Never throws.
    virtual int Analyse(const wchar_t* path) = 0;

    // The key-frame intervals of key frames at times t[0..n-1] (seconds, in
    // file order): average, largest and smallest step and the sample
    // deviation over the n - 1 steps; all 0 for fewer than two key frames.
    static KeyFrameIntervals ComputeKeyFrameIntervals(const double* t, size_t n);

    wchar_t m_szFilePath[kFilePathChars];
    int32_t m_nStatus;
    int32_t m_nFileType;
    int64_t m_llFileSize;
    int64_t m_llDataSize;
    int64_t m_llBitRate;
    int64_t m_llDuration;  // 100-nanosecond units
    VIDEOINFOHEADER m_vih;
    int32_t m_nIndexStatus;
    int64_t m_llFrameCount;
    int64_t m_llKeyFrameCount;
    double m_dKeyIntervalAvg;
    double m_dKeyIntervalMax;
    double m_dKeyIntervalMin;
    double m_dKeyIntervalStdDev;
    WAVEFORMATEX m_wfxAudio[kMaxAudioFormats];
    int32_t m_nAudioCount;  // 0 to 16
    int32_t m_nVideoCount;

protected:
    // Copies path into m_szFilePath, cut to the field's width.
    void SetFilePath(const wchar_t* path);
    void SetKeyFrameIntervals(const KeyFrameIntervals& k);
};
