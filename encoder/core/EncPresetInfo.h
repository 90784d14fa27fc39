// A preset: a named set of encoder settings kept in an INI-style file (".rvp",
// "*.ini" accepted too) with the sections INFO, GENERAL, VIDEO, AUDIO,
// SUBTITLE, LOGO and ETC. The record keeps every value as the file has it
// (text or 32-bit number); values become settings only when the preset is
// applied.
//
// Files the program writes are UTF-16LE with the FF FE mark, as are the
// presets it ships: the profile writer keeps a file's encoding, and a new
// file is started with the mark, so titles in any script survive whatever
// the ANSI code page is.
#pragma once

#include "platform/win32/CString.h"

class CEncSettings;

class CEncPresetInfo {
public:
    // Reads the preset file at path over the values of the given settings (a
    // key the file lacks keeps the settings' value). Never fails: a missing
    // or unreadable file leaves those values and empty texts of INFO.
    CEncPresetInfo(const CString& path, const CEncSettings& settings);
    // The same over the settings of the run.
    explicit CEncPresetInfo(const CString& path);
    virtual ~CEncPresetInfo() = default;

    // Writes every key, in file order, with the localised description under
    // "desc_" and the language abbreviation of the settings. A name that is
    // not absolute is taken relative to the program folder. Keys of an
    // existing file that this record does not know stay. False when a write
    // failed.
    bool Save(const CString& path, const CEncSettings& settings) const;
    bool Save(const CString& path) const;

    CString m_sFilePath;

    // INFO
    CString m_sDesc;
    CString m_sDescLocal;
    CString m_sAuthor;
    CString m_sDate;
    CString m_sComment;
    // GENERAL
    CString m_sDestFileType;
    CString m_sMp4SupportPsp;
    CString m_sMp4H264Baseline13;
    // VIDEO
    CString m_sVideoCodec;
    CString m_sVideoVbr;
    int m_nVideoKBitrate = 0;
    int m_nVideoKeyframeInterval = 0;
    int m_nVideoQuality = 0;
    int m_nVideoWidth = 0;
    int m_nVideoHeight = 0;
    CString m_sVideoKeepRatio;
    int m_nVideoRatioMethod = 0;
    CString m_sVideoFramesPerSec;
    int m_nVideoBrightness = 0;
    int m_nVideoContrast = 0;
    int m_nVideoSaturation = 0;
    int m_nVideoHue = 0;
    CString m_sVideoDeblock;
    CString m_sVideoDeblockMore;
    CString m_sVideoBlur;
    CString m_sVideoBlurMore;
    CString m_sVideoSharpness;
    CString m_sVideoSharpnessMore;
    CString m_sVideoFlip;
    CString m_sVideoDeinterlace;
    // AUDIO
    CString m_sAudioCodec;
    CString m_sAudioFormat;
    CString m_sAudioVbr;
    int m_nAudioKBitrate = 0;
    int m_nAudioQuality = 0;
    int m_nAudioChannels = 0;
    int m_nAudioSampleRate = 0;
    CString m_sAudioUseNormalizer;
    int m_nAudioNormalizerLevel = 0;
    CString m_sAudioDspFolder;
    CString m_sAudioDspCurPath;
    int m_nAudioDspCurMod = 0;
    // SUBTITLE
    CString m_sSubtitleDisplay;
    CString m_sSubtitleFont;
    int m_nSubtitleCharsInLine = 0;
    CString m_sSubtitleBold;
    CString m_sSubtitleBlur;
    CString m_sSubtitleColorBody;
    CString m_sSubtitleColorOutline;
    CString m_sSubtitleColorShadow;
    int m_nSubtitleAlphaBody = 0;
    int m_nSubtitleAlphaOutline = 0;
    int m_nSubtitleAlphaShadow = 0;
    int m_nSubtitleOutlineWidth = 0;
    int m_nSubtitleShadowDepth = 0;
    int m_nSubtitlePosX = 0;
    int m_nSubtitlePosY = 0;
    int m_nSubtitleMarginX = 0;
    int m_nSubtitleMarginY = 0;
    int m_nSubtitleSpaceChar = 0;
    int m_nSubtitleSpaceLine = 0;
    // LOGO
    CString m_sLogoDisplay;
    CString m_sLogoImagePath;
    CString m_sLogoAlphaPath;
    int m_nLogoPosX = 0;
    int m_nLogoPosY = 0;
    int m_nLogoMarginX = 0;
    int m_nLogoMarginY = 0;
    int m_nLogoStartMsec = 0;
    int m_nLogoEndMsec = 0;
    int m_nLogoAlpha = 0;
    CString m_sLogoFade;
    // ETC
    CString m_sEtcFileNamingText;
    int m_nEtcPlaybackRate = 0;
    CString m_sEtcPlaybackRatePitchFix;

private:
    void Read(const CString& path, const CEncSettings& settings);
};

// Copies the current settings into the preset's values (all but INFO). Only
// the chosen format's codec values are written; "yes" stands for any
// non-zero flag.
void FillPresetFromSettings(const CEncSettings& settings, CEncPresetInfo& preset);

// Copies the preset into the current settings: the output format when the
// preset names one, that format's codec values, and the common values; then
// the last preset's path and title. Output folder, naming counter, priority,
// language, subtitle code page and stream choices and the blocked filters
// never change.
//
// Presets are shared between people, so a few values are taken only when
// they are safe: a naming template that is absolute or climbs out of the
// output folder with "..", a DSP folder other than the current one, and a
// DSP plug-in path outside the current DSP folder keep the current setting
// (and are logged to the debug trace). A frame rate that is not a positive
// finite number means the source's rate (0 over 0). An MP4 preset's video
// codec text is lower-cased in the record.
void ApplyPresetToSettings(CEncSettings& settings, CEncPresetInfo& preset);

// "yes", "1" and "true" in any case are true; anything else is false.
bool ParseYesTrue(const CString& text);
// The FourCC of the first four characters, the first in the low byte; a
// shorter text is padded with blanks.
DWORD StringToFourcc(const CString& text);
// The four characters of a FourCC, the low byte first ("XVID"); a zero byte
// is written as a blank.
CString FourccToString(DWORD fourcc);
