// The one record that holds every setting of an encoding run: output format
// and codec blocks, picture, audio, subtitle and logo treatments, output
// folder and naming, and a few values of program state. The windows edit its
// fields directly, the graphs read them while they build, and the fields are
// kept in the registry between runs (one value per field, named as the field).
//
// Field types: int is a signed 32-bit number, BOOL a 32-bit 0/1, a FourCC a
// 32-bit code with its first character in the lowest byte, CString a text.
#pragma once

#include "encoder/core/BlockFilterList.h"
#include "encoder/core/CodecSettings.h"
#include "encoder/core/EncJobMedia.h"
#include "encoder/core/WmProfileHelper.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CEncSettings {
public:
    // The codec blocks get their defaults; every other number is 0 and every
    // text empty until SetDefaultSettings or InitSettings.
    CEncSettings();
    CEncSettings(const CEncSettings&) = delete;
    CEncSettings& operator=(const CEncSettings&) = delete;

    // Every editable field to its default. Leaves the output folder, the
    // program-state fields, the blocked filters and the subtitle-stream
    // fields alone.
    void SetDefaultSettings();
    // Start-up of the record: seeds the run-time generator, sets the defaults
    // and the start-up values, and with a non-zero flag loads the stored
    // values over them.
    void InitSettings(int load);
    // Reads every stored value over the record; a missing value keeps the
    // field's current value.
    void LoadSettings();
    // Writes every stored value; failed writes are not reported.
    void SaveSettings();

    // Numbers and texts worked out from the settings (and a job).
    //
    // Rate values of the chosen format's video block: the bit rate in
    // kbit/s and the quality, each -1 where the format's mode does not use
    // it; and whether the video is encoded in two passes.
    int GetVideoBitrate() const;
    int GetVideoQuality() const;
    bool IsTwoPassVideo() const;
    // The output picture size for a source of the given size: the set size,
    // one side set and the other from the source's ratio (4:3 without a
    // source size), or the source size.
    void GetOutputVideoSize(int sourceWidth, int sourceHeight, int& width, int& height) const;
    // Whether the chosen format's video encoder takes the picture a source
    // of the given size becomes after the treatments: the output size of the
    // settings (or the source's), made even by the writers, at least 2 x 2,
    // and within the encoder's own limits (MPEG-4 part 2 below 8192, H.264
    // up to 16384 on each side).
    bool CanEncodeVideoSize(int sourceWidth, int sourceHeight) const;
    // The output file name from the naming template; the job index counts
    // from 0 and names track number index + 1. Empty when the template makes
    // no usable name.
    CString GetOutputFileName(const CString& sourcePath, int jobIndex, int counter) const;
    // The output folder joined with that name (and the naming counter);
    // empty when there is no usable name.
    CString GetOutputFilePath(const CString& sourcePath, int jobIndex) const;
    // "AVI, 0:01:00, 8.4MB" followed by the language's prediction word, or
    // the format, the time and the language's no-prediction text.
    CString GetFileSizePrediction(const SEncJobMedia& job) const;
    // One-line summaries of the output streams for a job; empty when the job
    // or the stream is missing or its type cannot be read.
    CString GetVideoSummary(const SEncJobMedia* job) const;
    CString GetAudioSummary(const SEncJobMedia* job) const;

    // "yes" for a non-zero value, else "no".
    static CString BoolToYesNo(int value);
    // The leading decimal number of the text (0 when there is none), always
    // read with a '.' decimal point.
    static double StringToDouble(const CString& text);

    int nEncFormat = 0;  // 0 AVI, 1 MP4, 2 WMV (ASF), 3 OGM
    SCodecSettings AviEncoder;
    SMp4CodecSettings Mp4Encoder;
    CWmProfileHelper WmvEncoder;
    SCodecSettings OgmEncoder;

    CString sDstFolder;
    int nVideoSizeW = 0;
    int nVideoSizeH = 0;
    BOOL bVideoKeepRatio = 0;
    int nVideoRatioMethod = 0;
    int nVideoFrameRate = 0;
    int nVideoFrameScale = 0;
    int nVideoBrightness = 0;
    int nVideoContrast = 0;
    int nVideoSaturation = 0;
    int nVideoHue = 0;
    BOOL bVideoDeblock = 0;
    BOOL bVideoDeblockMore = 0;
    BOOL bVideoBlur = 0;
    BOOL bVideoBlurMore = 0;
    BOOL bVideoSharpen = 0;
    BOOL bVideoSharpenMore = 0;
    BOOL bVideoFlip = 0;
    BOOL bVideoDeinterlace = 0;
    int nAudioSRate = 0;
    int nAudioChannels = 0;
    BOOL bAudioNM = 0;
    int nAudioNMValue = 0;
    CString sAudioDspFolder;
    CString sAudioCurDspPath;
    int iAudioCurDspMod = 0;

    BOOL bSubActive = 0;
    CString sSubFontName;
    int nSubCharsInLine = 0;
    BOOL bSubBold = 0;
    BOOL bSubBlur = 0;
    int nSubBodyColor = 0;
    int nSubOutlineColor = 0;
    int nSubShadowColor = 0;
    int nSubBodyAlpha = 0;
    int nSubOutlineAlpha = 0;
    int nSubShadowAlpha = 0;
    int nSubOutlineWidth = 0;
    int nSubShadowDepth = 0;
    int nSubPosX = 0;
    int nSubPosY = 0;
    int nSubMarginX = 0;
    int nSubMarginY = 0;
    int nSubCharSpace = 0;
    int nSubLineSpace = 0;
    BOOL bLogoActive = 0;
    CString sLogoImgPath;
    CString sLogoAlphaImgPath;
    int nLogoPosX = 0;
    int nLogoPosY = 0;
    int nLogoMarginX = 0;
    int nLogoMarginY = 0;
    int nLogoStartMS = 0;
    int nLogoEndMS = 0;
    int nLogoAlpha = 0;
    BOOL bLogoFade = 0;

    CString sEtcNaming;
    int nEtcNamingCnt = 0;
    int nEtcPBRate = 0;
    BOOL bEtcPBRatePitchFix = 0;
    int nEncodePriority = 0;  // 0 normal, -1 below normal
    BOOL bIsFirst2 = 0;
    int nPSPSeqNum = 0;
    int nPSPFileNameRule = 0;
    CString sLastPresetPath;
    CString sLastPresetTitle;
    CString sLangIniFileName;
    CString sLangAbbr;   // not stored: from the language file
    BOOL bAutoMode = 0;  // not stored
    CString sHomePage;   // not stored: from the language file
    BOOL bAskPspSizeWarning = 0;
    BOOL bEncodePreview = 0;  // not stored
    CBlockFilterList BlockFilters;
    BOOL bSubStreamAll = 0;
    int nSubStreamLCID = 0;
    int nSubCodePage = 0;
    int nJobOutputWidth = 0;   // not stored
    int nJobOutputHeight = 0;  // not stored

private:
    // The language file's abbreviation and home page, from the language
    // file named by sLangIniFileName.
    void ReadLanguageGeneral();
};

// The default subtitle face: the stock GUI font's face, with "Arial" for the
// generic faces "MS Shell Dlg" and "System" (and when there is no font).
CString GetDefaultSubtitleFont();

// The settings record of the run.
CEncSettings& GetEncSettings();
