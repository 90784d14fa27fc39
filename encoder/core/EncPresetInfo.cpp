#include "EncPresetInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cwctype>
#include <string>
#include <vector>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "foundation/DebugTrace.h"
#include "foundation/IniFile.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Profile.h"

namespace {

// One key of the file after the descriptions, in file order, with the
// record's field it carries (a text or a number).
struct SPresetKey {
    const wchar_t* section;
    const wchar_t* key;
    CString CEncPresetInfo::*text;
    int CEncPresetInfo::*number;
};

#define PRESET_TEXT(section, key, field) SPresetKey{L"" section, L"" key, &CEncPresetInfo::field, nullptr}
#define PRESET_INT(section, key, field) SPresetKey{L"" section, L"" key, nullptr, &CEncPresetInfo::field}

const SPresetKey kKeys[] = {
    PRESET_TEXT("INFO", "author", m_sAuthor),
    PRESET_TEXT("INFO", "date", m_sDate),
    PRESET_TEXT("INFO", "comment", m_sComment),
    PRESET_TEXT("GENERAL", "dest_file_type", m_sDestFileType),
    PRESET_TEXT("GENERAL", "mp4_support_psp", m_sMp4SupportPsp),
    PRESET_TEXT("GENERAL", "mp4_support_h264_baseline_13", m_sMp4H264Baseline13),
    PRESET_TEXT("VIDEO", "video_codec", m_sVideoCodec),
    PRESET_TEXT("VIDEO", "video_vbr", m_sVideoVbr),
    PRESET_INT("VIDEO", "video_kbitrate", m_nVideoKBitrate),
    PRESET_INT("VIDEO", "video_keyframe_interval", m_nVideoKeyframeInterval),
    PRESET_INT("VIDEO", "video_quality", m_nVideoQuality),
    PRESET_INT("VIDEO", "video_width", m_nVideoWidth),
    PRESET_INT("VIDEO", "video_height", m_nVideoHeight),
    PRESET_TEXT("VIDEO", "video_keep_ratio", m_sVideoKeepRatio),
    PRESET_INT("VIDEO", "video_ratio_method", m_nVideoRatioMethod),
    PRESET_TEXT("VIDEO", "video_frames_per_sec", m_sVideoFramesPerSec),
    PRESET_INT("VIDEO", "video_brightness", m_nVideoBrightness),
    PRESET_INT("VIDEO", "video_contrast", m_nVideoContrast),
    PRESET_INT("VIDEO", "video_saturation", m_nVideoSaturation),
    PRESET_INT("VIDEO", "video_hue", m_nVideoHue),
    PRESET_TEXT("VIDEO", "video_deblock", m_sVideoDeblock),
    PRESET_TEXT("VIDEO", "video_deblock_more", m_sVideoDeblockMore),
    PRESET_TEXT("VIDEO", "video_blur", m_sVideoBlur),
    PRESET_TEXT("VIDEO", "video_blur_more", m_sVideoBlurMore),
    PRESET_TEXT("VIDEO", "video_sharpness", m_sVideoSharpness),
    PRESET_TEXT("VIDEO", "video_sharpness_more", m_sVideoSharpnessMore),
    PRESET_TEXT("VIDEO", "video_flip", m_sVideoFlip),
    PRESET_TEXT("VIDEO", "video_deinterlace", m_sVideoDeinterlace),
    PRESET_TEXT("AUDIO", "audio_codec", m_sAudioCodec),
    PRESET_TEXT("AUDIO", "audio_format", m_sAudioFormat),
    PRESET_TEXT("AUDIO", "audio_vbr", m_sAudioVbr),
    PRESET_INT("AUDIO", "audio_kbitrate", m_nAudioKBitrate),
    PRESET_INT("AUDIO", "audio_quality", m_nAudioQuality),
    PRESET_INT("AUDIO", "audio_channels", m_nAudioChannels),
    PRESET_INT("AUDIO", "audio_samplerate", m_nAudioSampleRate),
    PRESET_TEXT("AUDIO", "audio_use_normalizer", m_sAudioUseNormalizer),
    PRESET_INT("AUDIO", "audio_normalizer_level", m_nAudioNormalizerLevel),
    PRESET_TEXT("AUDIO", "audio_dsp_folder", m_sAudioDspFolder),
    PRESET_TEXT("AUDIO", "audio_dsp_curpath", m_sAudioDspCurPath),
    PRESET_INT("AUDIO", "audio_dsp_curmod", m_nAudioDspCurMod),
    PRESET_TEXT("SUBTITLE", "subtitle_display", m_sSubtitleDisplay),
    PRESET_TEXT("SUBTITLE", "subtitle_font", m_sSubtitleFont),
    PRESET_INT("SUBTITLE", "subtitle_chars_in_line", m_nSubtitleCharsInLine),
    PRESET_TEXT("SUBTITLE", "subtitle_bold", m_sSubtitleBold),
    PRESET_TEXT("SUBTITLE", "subtitle_blur", m_sSubtitleBlur),
    PRESET_TEXT("SUBTITLE", "subtitle_color_body", m_sSubtitleColorBody),
    PRESET_TEXT("SUBTITLE", "subtitle_color_outline", m_sSubtitleColorOutline),
    PRESET_TEXT("SUBTITLE", "subtitle_color_shadow", m_sSubtitleColorShadow),
    PRESET_INT("SUBTITLE", "subtitle_alpha_body", m_nSubtitleAlphaBody),
    PRESET_INT("SUBTITLE", "subtitle_alpha_outline", m_nSubtitleAlphaOutline),
    PRESET_INT("SUBTITLE", "subtitle_alpha_shadow", m_nSubtitleAlphaShadow),
    PRESET_INT("SUBTITLE", "subtitle_outline_width", m_nSubtitleOutlineWidth),
    PRESET_INT("SUBTITLE", "subtitle_shadow_depth", m_nSubtitleShadowDepth),
    PRESET_INT("SUBTITLE", "subtitle_pos_x", m_nSubtitlePosX),
    PRESET_INT("SUBTITLE", "subtitle_pos_y", m_nSubtitlePosY),
    PRESET_INT("SUBTITLE", "subtitle_margin_x", m_nSubtitleMarginX),
    PRESET_INT("SUBTITLE", "subtitle_margin_y", m_nSubtitleMarginY),
    PRESET_INT("SUBTITLE", "subtitle_space_char", m_nSubtitleSpaceChar),
    PRESET_INT("SUBTITLE", "subtitle_space_line", m_nSubtitleSpaceLine),
    PRESET_TEXT("LOGO", "logo_display", m_sLogoDisplay),
    PRESET_TEXT("LOGO", "logo_imagepath", m_sLogoImagePath),
    PRESET_TEXT("LOGO", "logo_alphapath", m_sLogoAlphaPath),
    PRESET_INT("LOGO", "logo_pos_x", m_nLogoPosX),
    PRESET_INT("LOGO", "logo_pos_y", m_nLogoPosY),
    PRESET_INT("LOGO", "logo_margin_x", m_nLogoMarginX),
    PRESET_INT("LOGO", "logo_margin_y", m_nLogoMarginY),
    PRESET_INT("LOGO", "logo_start_msec", m_nLogoStartMsec),
    PRESET_INT("LOGO", "logo_end_msec", m_nLogoEndMsec),
    PRESET_INT("LOGO", "logo_alpha", m_nLogoAlpha),
    PRESET_TEXT("LOGO", "logo_fade", m_sLogoFade),
    PRESET_TEXT("ETC", "etc_file_naming_text", m_sEtcFileNamingText),
    PRESET_INT("ETC", "etc_playback_rate", m_nEtcPlaybackRate),
    PRESET_TEXT("ETC", "etc_playback_rate_pitchfix", m_sEtcPlaybackRatePitchFix),
};

#undef PRESET_TEXT
#undef PRESET_INT

const wchar_t* const kFormatNames[] = {L"AVI", L"MP4", L"WMV", L"OGM"};
const wchar_t* const kSystemFontToken = L"%SYSTEM_FONT_NAME%";

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

CString HexColour(int colour) { return CString(FormatText(L"%08x", static_cast<unsigned>(colour))); }

// A colour as "%08x" reads it: blanks, an optional "0x", then up to eight
// hex digits. False when no digit follows.
bool ReadHexColour(const CString& text, int& colour)
{
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t') ++p;
    int width = 8;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && std::iswxdigit(p[2])) {
        p += 2;
        width -= 2;
    }
    unsigned v = 0;
    int digits = 0;
    for (; digits < width && std::iswxdigit(*p); ++digits, ++p) {
        wchar_t c = *p;
        unsigned d = c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10;
        v = v << 4 | d;
    }
    if (digits == 0) return false;
    colour = static_cast<int>(v);
    return true;
}

// A preset's colour when it reads as one, else the current colour.
void ApplyColour(const CString& text, int& colour)
{
    int v = 0;
    if (ReadHexColour(text, v)) colour = v;
}

// Folder texts compared with either separator and one at the end.
std::wstring FolderForm(const CString& folder)
{
    std::wstring f = folder.str();
    for (wchar_t& c : f)
        if (c == L'\\') c = L'/';
    if (!f.empty() && f.back() != L'/') f += L'/';
    return f;
}

bool HasParentComponent(const std::wstring& path)
{
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"/\\", start);
        if (end == std::wstring::npos) end = path.size();
        if (path.compare(start, end - start, L"..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

bool IsAbsoluteText(const std::wstring& path)
{
    if (path.empty()) return false;
    if (path[0] == L'/' || path[0] == L'\\') return true;
    return path.size() >= 2 && path[1] == L':';
}

// A naming template stays inside the output folder: not absolute and no ".."
// component.
bool IsSafeNamingTemplate(const CString& nameTemplate)
{
    return !IsAbsoluteText(nameTemplate.str()) && !HasParentComponent(nameTemplate.str());
}

// A plug-in path names a file below the folder, without "..".
bool IsInsideFolder(const CString& path, const CString& folder)
{
    const std::wstring f = FolderForm(folder);
    if (f.empty() || f == L"/") return false;
    std::wstring p = path.str();
    for (wchar_t& c : p)
        if (c == L'\\') c = L'/';
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && !HasParentComponent(p.substr(f.size()));
}

// The frame rate as the file keeps it: rate over scale, 0 when that is no
// positive rate (the source's rate).
CString FrameRateText(int rate, int scale)
{
    double fps = rate > 0 && scale > 0 ? static_cast<double>(rate) / scale : 0.0;
    return CString(FormatText(L"%f", fps));
}

// Rate and scale for a preset's frame-rate text: the rate in thousandths;
// anything that is not a positive finite rate that fits is the source's rate.
void ApplyFrameRate(const CString& text, int& rate, int& scale)
{
    const double fps = CEncSettings::StringToDouble(text);
    const double thousandths = fps * 1000.0;
    if (!std::isfinite(fps) || fps <= 0 || thousandths >= static_cast<double>(INT_MAX) ||
        static_cast<int>(thousandths) <= 0) {
        rate = 0;
        scale = 0;
        return;
    }
    rate = static_cast<int>(thousandths);
    scale = 1000;
}

// The text of a value as it goes into the file. Line breaks inside it would
// start new lines of the file. A ";" would start a comment when the preset is
// read back, and blanks at either end would be trimmed away: such a value is
// enclosed in double quotes, which every reader of these files removes
// (a value that itself holds a double quote cannot be quoted and stays plain).
CString ValueText(const CString& value)
{
    CString v = value;
    v.Replace(L'\r', L' ');
    v.Replace(L'\n', L' ');
    bool needsQuotes = v.Find(L';') >= 0 || (!v.IsEmpty() && (IsSpaceChar(v[0]) || IsSpaceChar(v[v.GetLength() - 1])));
    if (needsQuotes && v.Find(L'"') < 0) v = L"\"" + v + L"\"";
    return v;
}

// A name that is not absolute is taken relative to the program folder.
CString InProgramFolder(const CString& path)
{
    if ((!path.IsEmpty() && path[0] == L'/') || path.Left(2) == L"\\\\") return path;
    return CombinePath(CCoreEnvironment::Get().ProgramFolder(), path, L"/");
}

// Writes into a staged copy of the file and puts it in place only when every
// key was written, so a failed save leaves the old file as it was. The copy
// keeps the old file's bytes (and so its encoding and unknown keys); a new
// file starts with the UTF-16LE mark.
class CStagedProfile {
public:
    explicit CStagedProfile(const CString& path) : m_target(ToNativePath(InProgramFolder(path).str()))
    {
        std::string bytes;
        struct stat st;
        mode_t mode = 0644;
        if (stat(m_target.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode) || !ReadWholeFile(m_target, &bytes)) return;
            mode = st.st_mode & 07777;
        } else {
            bytes = "\xFF\xFE";
        }
        size_t slash = m_target.rfind('/');
        std::string staged = m_target.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".~preset.XXXXXX";
        std::vector<char> name(staged.begin(), staged.end());
        name.push_back('\0');
        int fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return;
        m_staged = name.data();
        fchmod(fd, mode);
        bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (::close(fd) != 0) written = false;
        if (!written) {
            ::unlink(m_staged.c_str());
            m_staged.clear();
        }
    }
    ~CStagedProfile()
    {
        if (!m_staged.empty()) ::unlink(m_staged.c_str());
    }
    CStagedProfile(const CStagedProfile&) = delete;
    CStagedProfile& operator=(const CStagedProfile&) = delete;

    bool Write(const wchar_t* section, const CString& key, const CString& value)
    {
        if (m_staged.empty()) return false;
        return WritePrivateProfileStringW(section, key, ValueText(value), FromNativePath(m_staged).c_str()) != FALSE;
    }
    bool Commit()
    {
        if (m_staged.empty() || ::rename(m_staged.c_str(), m_target.c_str()) != 0) return false;
        m_staged.clear();
        return true;
    }

private:
    std::string m_target;
    std::string m_staged;
};

}  // namespace

bool ParseYesTrue(const CString& text)
{
    CString v = text;
    v.MakeLower();
    return v == L"yes" || v == L"1" || v == L"true";
}

DWORD StringToFourcc(const CString& text)
{
    DWORD fcc = 0;
    for (int i = 0; i < 4; ++i) {
        const DWORD c = i < text.GetLength() ? static_cast<DWORD>(text[i]) & 0xFF : ' ';
        fcc |= c << (8 * i);
    }
    return fcc;
}

CString FourccToString(DWORD fourcc)
{
    CString s;
    for (int i = 0; i < 4; ++i) {
        wchar_t c = static_cast<wchar_t>((fourcc >> (8 * i)) & 0xFF);
        s += c ? c : L' ';
    }
    return s;
}

CEncPresetInfo::CEncPresetInfo(const CString& path, const CEncSettings& settings) { Read(path, settings); }

CEncPresetInfo::CEncPresetInfo(const CString& path) { Read(path, GetEncSettings()); }

void CEncPresetInfo::Read(const CString& path, const CEncSettings& settings)
{
    FillPresetFromSettings(settings, *this);
    CIniFile file;
    file.Load(path);  // an unreadable file reads as an empty one
    m_sDesc = file.GetString(L"INFO", L"desc", L"");
    m_sDescLocal = file.GetString(L"INFO", CString(L"desc_") + settings.sLangAbbr, L"");
    if (m_sDescLocal.IsEmpty()) m_sDescLocal = m_sDesc;
    for (const SPresetKey& k : kKeys) {
        if (k.text)
            this->*k.text = file.GetString(k.section, k.key, this->*k.text);
        else
            this->*k.number = file.GetInt(k.section, k.key, this->*k.number, 10);
    }
    if (m_sSubtitleFont == kSystemFontToken) m_sSubtitleFont = GetDefaultSubtitleFont();
    m_sFilePath = path;
}

bool CEncPresetInfo::Save(const CString& path) const { return Save(path, GetEncSettings()); }

bool CEncPresetInfo::Save(const CString& path, const CEncSettings& settings) const
{
    CStagedProfile file(path);
    bool ok = file.Write(L"INFO", L"desc", m_sDesc);
    ok = file.Write(L"INFO", CString(L"desc_") + settings.sLangAbbr, m_sDescLocal) && ok;
    for (const SPresetKey& k : kKeys) {
        CString value = k.text ? this->*k.text : CString(FormatText(L"%d", this->*k.number));
        ok = file.Write(k.section, k.key, value) && ok;
    }
    return ok && file.Commit();
}

void FillPresetFromSettings(const CEncSettings& s, CEncPresetInfo& p)
{
    p.m_sDestFileType = s.nEncFormat >= 0 && s.nEncFormat < 4 ? kFormatNames[s.nEncFormat] : L"";
    switch (s.nEncFormat) {
    case 0:
        p.m_sVideoCodec = FourccToString(s.AviEncoder.fccVideoCodec);
        p.m_sVideoVbr = CEncSettings::BoolToYesNo(s.AviEncoder.nVideoEncMode == 1);
        p.m_nVideoKBitrate = s.AviEncoder.nVideoKBitrate;
        p.m_nVideoKeyframeInterval = s.AviEncoder.nSecPerKeyframe;
        p.m_nVideoQuality = s.AviEncoder.nVideoQuality;
        p.m_sAudioCodec = L"MP3";
        p.m_sAudioVbr = CEncSettings::BoolToYesNo(s.AviEncoder.nAudioEncMode == 1);
        p.m_nAudioKBitrate = s.AviEncoder.nAudioKBitrate;
        p.m_nAudioQuality = Clamp(s.AviEncoder.nAudioQuality, 0, 100);
        break;
    case 1:
        p.m_sMp4SupportPsp = CEncSettings::BoolToYesNo(s.Mp4Encoder.bSupportPSP);
        p.m_sMp4H264Baseline13 = CEncSettings::BoolToYesNo(s.Mp4Encoder.bH264Baseline13);
        p.m_sVideoCodec = FourccToString(s.Mp4Encoder.fccVideoCodec);
        p.m_sVideoVbr = CEncSettings::BoolToYesNo(s.Mp4Encoder.nVideoEncMode == 1);
        p.m_nVideoKBitrate = s.Mp4Encoder.nVideoKBitrate;
        p.m_nVideoKeyframeInterval = s.Mp4Encoder.nSecPerKeyframe;
        p.m_nVideoQuality = s.Mp4Encoder.nVideoQuality;
        p.m_sAudioCodec = L"AAC";
        p.m_nAudioKBitrate = s.Mp4Encoder.nAudioKBitrate;
        p.m_nAudioQuality = Clamp(s.Mp4Encoder.nAudioQuality, 0, 100);
        break;
    case 2:
        p.m_sVideoCodec = s.WmvEncoder.sVideoCodec;
        p.m_nVideoKBitrate = s.WmvEncoder.nVideoKBitrate;
        p.m_nVideoKeyframeInterval = s.WmvEncoder.nSecPerKeyframe;
        p.m_nVideoQuality = s.WmvEncoder.nVideoQuality;
        p.m_sAudioCodec = s.WmvEncoder.sAudioCodec;
        p.m_sAudioFormat = s.WmvEncoder.sAudioFormat;
        break;
    case 3:
        p.m_sVideoCodec = FourccToString(s.OgmEncoder.fccVideoCodec);
        p.m_sVideoVbr = CEncSettings::BoolToYesNo(s.OgmEncoder.nVideoEncMode == 1);
        p.m_nVideoKBitrate = s.OgmEncoder.nVideoKBitrate;
        p.m_nVideoKeyframeInterval = s.OgmEncoder.nSecPerKeyframe;
        p.m_nVideoQuality = s.OgmEncoder.nVideoQuality;
        p.m_sAudioCodec = L"VORBIS";
        p.m_sAudioVbr = CEncSettings::BoolToYesNo(s.OgmEncoder.nAudioEncMode == 1);
        p.m_nAudioKBitrate = s.OgmEncoder.nAudioKBitrate;
        p.m_nAudioQuality = Clamp(s.OgmEncoder.nAudioQuality, 0, 10);
        break;
    default:
        break;
    }

    p.m_nVideoWidth = s.nVideoSizeW;
    p.m_nVideoHeight = s.nVideoSizeH;
    p.m_sVideoKeepRatio = CEncSettings::BoolToYesNo(s.bVideoKeepRatio);
    p.m_nVideoRatioMethod = s.nVideoRatioMethod;
    p.m_sVideoFramesPerSec = FrameRateText(s.nVideoFrameRate, s.nVideoFrameScale);
    p.m_nVideoBrightness = s.nVideoBrightness;
    p.m_nVideoContrast = s.nVideoContrast;
    p.m_nVideoSaturation = s.nVideoSaturation;
    p.m_nVideoHue = s.nVideoHue;
    p.m_sVideoDeblock = CEncSettings::BoolToYesNo(s.bVideoDeblock);
    p.m_sVideoDeblockMore = CEncSettings::BoolToYesNo(s.bVideoDeblockMore);
    p.m_sVideoBlur = CEncSettings::BoolToYesNo(s.bVideoBlur);
    p.m_sVideoBlurMore = CEncSettings::BoolToYesNo(s.bVideoBlurMore);
    p.m_sVideoSharpness = CEncSettings::BoolToYesNo(s.bVideoSharpen);
    p.m_sVideoSharpnessMore = CEncSettings::BoolToYesNo(s.bVideoSharpenMore);
    p.m_sVideoFlip = CEncSettings::BoolToYesNo(s.bVideoFlip);
    p.m_sVideoDeinterlace = CEncSettings::BoolToYesNo(s.bVideoDeinterlace);

    p.m_nAudioSampleRate = s.nAudioSRate;
    p.m_nAudioChannels = s.nAudioChannels;
    p.m_sAudioUseNormalizer = CEncSettings::BoolToYesNo(s.bAudioNM);
    p.m_nAudioNormalizerLevel = s.nAudioNMValue;
    p.m_sAudioDspFolder = s.sAudioDspFolder;
    p.m_sAudioDspCurPath = s.sAudioCurDspPath;
    p.m_nAudioDspCurMod = s.iAudioCurDspMod;

    p.m_sSubtitleDisplay = CEncSettings::BoolToYesNo(s.bSubActive);
    p.m_sSubtitleFont = s.sSubFontName;
    p.m_nSubtitleCharsInLine = s.nSubCharsInLine;
    p.m_sSubtitleBold = CEncSettings::BoolToYesNo(s.bSubBold);
    p.m_sSubtitleBlur = CEncSettings::BoolToYesNo(s.bSubBlur);
    p.m_sSubtitleColorBody = HexColour(s.nSubBodyColor);
    p.m_sSubtitleColorOutline = HexColour(s.nSubOutlineColor);
    p.m_sSubtitleColorShadow = HexColour(s.nSubShadowColor);
    p.m_nSubtitleAlphaBody = s.nSubBodyAlpha;
    p.m_nSubtitleAlphaOutline = s.nSubOutlineAlpha;
    p.m_nSubtitleAlphaShadow = s.nSubShadowAlpha;
    p.m_nSubtitleOutlineWidth = s.nSubOutlineWidth;
    p.m_nSubtitleShadowDepth = s.nSubShadowDepth;
    p.m_nSubtitlePosX = s.nSubPosX;
    p.m_nSubtitlePosY = s.nSubPosY;
    p.m_nSubtitleMarginX = s.nSubMarginX;
    p.m_nSubtitleMarginY = s.nSubMarginY;
    p.m_nSubtitleSpaceChar = s.nSubCharSpace;
    p.m_nSubtitleSpaceLine = s.nSubLineSpace;

    p.m_sLogoDisplay = CEncSettings::BoolToYesNo(s.bLogoActive);
    p.m_sLogoImagePath = s.sLogoImgPath;
    p.m_sLogoAlphaPath = s.sLogoAlphaImgPath;
    p.m_nLogoPosX = s.nLogoPosX;
    p.m_nLogoPosY = s.nLogoPosY;
    p.m_nLogoMarginX = s.nLogoMarginX;
    p.m_nLogoMarginY = s.nLogoMarginY;
    p.m_nLogoStartMsec = s.nLogoStartMS;
    p.m_nLogoEndMsec = s.nLogoEndMS;
    p.m_nLogoAlpha = s.nLogoAlpha;
    p.m_sLogoFade = CEncSettings::BoolToYesNo(s.bLogoFade);

    p.m_sEtcFileNamingText = s.sEtcNaming;
    p.m_nEtcPlaybackRate = s.nEtcPBRate;
    p.m_sEtcPlaybackRatePitchFix = CEncSettings::BoolToYesNo(s.bEtcPBRatePitchFix);
}

void ApplyPresetToSettings(CEncSettings& s, CEncPresetInfo& p)
{
    CString format = p.m_sDestFileType;
    format.MakeUpper();
    for (int i = 0; i < 4; ++i)
        if (format == kFormatNames[i]) s.nEncFormat = i;

    switch (s.nEncFormat) {
    case 0:
        s.AviEncoder.fccVideoCodec = StringToFourcc(p.m_sVideoCodec);
        s.AviEncoder.nVideoEncMode = ParseYesTrue(p.m_sVideoVbr) ? 1 : 0;
        s.AviEncoder.nVideoKBitrate = p.m_nVideoKBitrate;
        s.AviEncoder.nSecPerKeyframe = p.m_nVideoKeyframeInterval;
        s.AviEncoder.nVideoQuality = p.m_nVideoQuality;
        s.AviEncoder.nAudioCodec = 0x0055;  // MPEG Layer-3, whatever the text says
        s.AviEncoder.nAudioEncMode = ParseYesTrue(p.m_sAudioVbr) ? 1 : 0;
        s.AviEncoder.nAudioKBitrate = p.m_nAudioKBitrate;
        s.AviEncoder.nAudioQuality = p.m_nAudioQuality;
        break;
    case 1:
        s.Mp4Encoder.bSupportPSP = ParseYesTrue(p.m_sMp4SupportPsp) ? 1 : 0;
        s.Mp4Encoder.bH264Baseline13 = ParseYesTrue(p.m_sMp4H264Baseline13) ? 1 : 0;
        p.m_sVideoCodec.MakeLower();
        s.Mp4Encoder.fccVideoCodec = StringToFourcc(p.m_sVideoCodec);
        s.Mp4Encoder.nVideoEncMode = ParseYesTrue(p.m_sVideoVbr) ? 1 : 0;
        s.Mp4Encoder.nVideoKBitrate = p.m_nVideoKBitrate;
        s.Mp4Encoder.nSecPerKeyframe = p.m_nVideoKeyframeInterval;
        s.Mp4Encoder.nVideoQuality = p.m_nVideoQuality;
        s.Mp4Encoder.nAudioCodec = 0x00FF;  // AAC
        s.Mp4Encoder.nAudioKBitrate = p.m_nAudioKBitrate;
        s.Mp4Encoder.nAudioQuality = p.m_nAudioQuality;
        break;
    case 2: {
        CWmProfileHelper& wmv = s.WmvEncoder;
        wmv.sVideoCodec = p.m_sVideoCodec;
        wmv.nVideoKBitrate = p.m_nVideoKBitrate;
        wmv.nSecPerKeyframe = p.m_nVideoKeyframeInterval;
        wmv.nVideoQuality = p.m_nVideoQuality;
        if (wmv.FindAudioCodec(p.m_sAudioCodec, FALSE) >= 0) {
            wmv.sAudioCodec = p.m_sAudioCodec;
        } else {
            // The nearest codec the machine has; with none at all the
            // preset's name is kept for a machine that has it.
            int i = wmv.FindAudioCodec(p.m_sAudioCodec, TRUE);
            wmv.sAudioCodec = i >= 0 ? wmv.GetAudioCodecNames()[i] : p.m_sAudioCodec;
        }
        wmv.sAudioFormat = p.m_sAudioFormat;
        break;
    }
    case 3:
        s.OgmEncoder.fccVideoCodec = StringToFourcc(p.m_sVideoCodec);
        s.OgmEncoder.nVideoEncMode = ParseYesTrue(p.m_sVideoVbr) ? 1 : 0;
        s.OgmEncoder.nVideoKBitrate = p.m_nVideoKBitrate;
        s.OgmEncoder.nSecPerKeyframe = p.m_nVideoKeyframeInterval;
        s.OgmEncoder.nVideoQuality = p.m_nVideoQuality;
        s.OgmEncoder.nAudioCodec = 0x674F;  // Vorbis
        s.OgmEncoder.nAudioEncMode = ParseYesTrue(p.m_sAudioVbr) ? 1 : 0;
        s.OgmEncoder.nAudioKBitrate = p.m_nAudioKBitrate;
        s.OgmEncoder.nAudioQuality = p.m_nAudioQuality;
        break;
    default:
        break;
    }

    s.nVideoSizeW = p.m_nVideoWidth;
    s.nVideoSizeH = p.m_nVideoHeight;
    s.bVideoKeepRatio = ParseYesTrue(p.m_sVideoKeepRatio);
    s.nVideoRatioMethod = p.m_nVideoRatioMethod;
    ApplyFrameRate(p.m_sVideoFramesPerSec, s.nVideoFrameRate, s.nVideoFrameScale);
    s.nVideoBrightness = p.m_nVideoBrightness;
    s.nVideoContrast = p.m_nVideoContrast;
    s.nVideoSaturation = p.m_nVideoSaturation;
    s.nVideoHue = p.m_nVideoHue;
    s.bVideoDeblock = ParseYesTrue(p.m_sVideoDeblock);
    s.bVideoDeblockMore = ParseYesTrue(p.m_sVideoDeblockMore);
    s.bVideoBlur = ParseYesTrue(p.m_sVideoBlur);
    s.bVideoBlurMore = ParseYesTrue(p.m_sVideoBlurMore);
    s.bVideoSharpen = ParseYesTrue(p.m_sVideoSharpness);
    s.bVideoSharpenMore = ParseYesTrue(p.m_sVideoSharpnessMore);
    s.bVideoFlip = ParseYesTrue(p.m_sVideoFlip);
    s.bVideoDeinterlace = ParseYesTrue(p.m_sVideoDeinterlace);

    s.nAudioSRate = p.m_nAudioSampleRate;
    s.nAudioChannels = p.m_nAudioChannels;
    s.bAudioNM = ParseYesTrue(p.m_sAudioUseNormalizer);
    s.nAudioNMValue = p.m_nAudioNormalizerLevel;
    // Plug-ins are code: a shared preset may only name one that lies in the
    // user's own DSP folder, and may not move that folder.
    const CString dspFolder = s.sAudioDspFolder;
    if (FolderForm(p.m_sAudioDspFolder) != FolderForm(dspFolder))
        DebugTrace(L"Preset %s: DSP folder \"%s\" ignored, \"%s\" kept", p.m_sFilePath, p.m_sAudioDspFolder,
                   dspFolder);
    if (p.m_sAudioDspCurPath.IsEmpty() || IsInsideFolder(p.m_sAudioDspCurPath, dspFolder)) {
        s.sAudioCurDspPath = p.m_sAudioDspCurPath;
        s.iAudioCurDspMod = p.m_nAudioDspCurMod;
    } else {
        DebugTrace(L"Preset %s: DSP plug-in \"%s\" lies outside \"%s\"; the current plug-in is kept",
                   p.m_sFilePath, p.m_sAudioDspCurPath, dspFolder);
    }

    s.bSubActive = ParseYesTrue(p.m_sSubtitleDisplay);
    s.sSubFontName = p.m_sSubtitleFont;
    s.nSubCharsInLine = p.m_nSubtitleCharsInLine;
    s.bSubBold = ParseYesTrue(p.m_sSubtitleBold);
    s.bSubBlur = ParseYesTrue(p.m_sSubtitleBlur);
    ApplyColour(p.m_sSubtitleColorBody, s.nSubBodyColor);
    ApplyColour(p.m_sSubtitleColorOutline, s.nSubOutlineColor);
    ApplyColour(p.m_sSubtitleColorShadow, s.nSubShadowColor);
    s.nSubBodyAlpha = p.m_nSubtitleAlphaBody;
    s.nSubOutlineAlpha = p.m_nSubtitleAlphaOutline;
    s.nSubShadowAlpha = p.m_nSubtitleAlphaShadow;
    s.nSubOutlineWidth = p.m_nSubtitleOutlineWidth;
    s.nSubShadowDepth = p.m_nSubtitleShadowDepth;
    s.nSubPosX = p.m_nSubtitlePosX;
    s.nSubPosY = p.m_nSubtitlePosY;
    s.nSubMarginX = p.m_nSubtitleMarginX;
    s.nSubMarginY = p.m_nSubtitleMarginY;
    s.nSubCharSpace = p.m_nSubtitleSpaceChar;
    s.nSubLineSpace = p.m_nSubtitleSpaceLine;

    s.bLogoActive = ParseYesTrue(p.m_sLogoDisplay);
    s.sLogoImgPath = p.m_sLogoImagePath;
    s.sLogoAlphaImgPath = p.m_sLogoAlphaPath;
    s.nLogoPosX = p.m_nLogoPosX;
    s.nLogoPosY = p.m_nLogoPosY;
    s.nLogoMarginX = p.m_nLogoMarginX;
    s.nLogoMarginY = p.m_nLogoMarginY;
    s.nLogoStartMS = p.m_nLogoStartMsec;
    s.nLogoEndMS = p.m_nLogoEndMsec;
    s.nLogoAlpha = p.m_nLogoAlpha;
    s.bLogoFade = ParseYesTrue(p.m_sLogoFade);

    if (IsSafeNamingTemplate(p.m_sEtcFileNamingText))
        s.sEtcNaming = p.m_sEtcFileNamingText;
    else
        DebugTrace(L"Preset %s: naming template \"%s\" leaves the output folder; \"%s\" kept", p.m_sFilePath,
                   p.m_sEtcFileNamingText, s.sEtcNaming);
    s.nEtcPBRate = p.m_nEtcPlaybackRate;
    s.bEtcPBRatePitchFix = ParseYesTrue(p.m_sEtcPlaybackRatePitchFix);

    s.sLastPresetPath = p.m_sFilePath;
    s.sLastPresetTitle = p.m_sDescLocal;
}
