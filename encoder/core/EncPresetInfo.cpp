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
#include "encoder/core/OutputFormat.h"
#include "foundation/DebugTrace.h"
#include "foundation/IniFile.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/FourCC.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Profile.h"

namespace {

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

// Values whose way between the file and the settings is their own.

void FillOutputFormat(const CEncSettings& s, CEncPresetInfo& p)
{
    const SOutputFormat* format = FindOutputFormat(s.nEncFormat);
    p.m_sDestFileType = format ? format->name : L"";
}

// A name of no format leaves the format as it is: the preset's codec values
// then go to the current format.
void ApplyOutputFormat(CEncSettings& s, CEncPresetInfo& p)
{
    if (const SOutputFormat* format = FindOutputFormatByName(p.m_sDestFileType)) s.nEncFormat = format->number;
}

// A FourCC as its four characters; Windows Media codecs by name.
void FillVideoCodec(const CEncSettings& s, CEncPresetInfo& p)
{
    const SReadCodecFields f = CodecFieldsOf(s);
    if (f.fccVideoCodec)
        p.m_sVideoCodec = FourccToString(*f.fccVideoCodec);
    else if (f.windowsMedia)
        p.m_sVideoCodec = f.windowsMedia->sVideoCodec;
}

void ApplyVideoCodec(CEncSettings& s, CEncPresetInfo& p)
{
    const SCodecFields f = CodecFieldsOf(s);
    if (f.fccVideoCodec) {
        if (FindOutputFormat(s.nEncFormat)->lowerCaseVideoCodec) p.m_sVideoCodec.MakeLower();
        *f.fccVideoCodec = StringToFourcc(p.m_sVideoCodec);
    } else if (f.windowsMedia) {
        f.windowsMedia->sVideoCodec = p.m_sVideoCodec;
    }
}

// The format's own audio codec by the preset's word for it; Windows Media
// codecs by name.
void FillAudioCodec(const CEncSettings& s, CEncPresetInfo& p)
{
    const SReadCodecFields f = CodecFieldsOf(s);
    if (f.nAudioCodec)
        p.m_sAudioCodec = FindOutputFormat(s.nEncFormat)->presetAudioCodec;
    else if (f.windowsMedia)
        p.m_sAudioCodec = f.windowsMedia->sAudioCodec;
}

// The format's own audio codec, whatever the preset's text says; a Windows
// Media codec the machine lacks becomes the nearest one it has.
void ApplyAudioCodec(CEncSettings& s, CEncPresetInfo& p)
{
    const SCodecFields f = CodecFieldsOf(s);
    if (f.nAudioCodec) {
        *f.nAudioCodec = FindOutputFormat(s.nEncFormat)->audioCodecTag;
    } else if (f.windowsMedia) {
        CWmProfileHelper& wmv = *f.windowsMedia;
        if (wmv.FindAudioCodec(p.m_sAudioCodec, FALSE) >= 0) {
            wmv.sAudioCodec = p.m_sAudioCodec;
        } else {
            // With no codec at all the preset's name is kept for a machine
            // that has it.
            int i = wmv.FindAudioCodec(p.m_sAudioCodec, TRUE);
            wmv.sAudioCodec = i >= 0 ? wmv.GetAudioCodecNames()[i] : p.m_sAudioCodec;
        }
    }
}

void FillAudioFormat(const CEncSettings& s, CEncPresetInfo& p)
{
    if (const CWmProfileHelper* wmv = CodecFieldsOf(s).windowsMedia) p.m_sAudioFormat = wmv->sAudioFormat;
}

void ApplyAudioFormat(CEncSettings& s, CEncPresetInfo& p)
{
    if (CWmProfileHelper* wmv = CodecFieldsOf(s).windowsMedia) wmv->sAudioFormat = p.m_sAudioFormat;
}

// Kept within the range the format's audio encoder takes.
void FillAudioQuality(const CEncSettings& s, CEncPresetInfo& p)
{
    if (const int* quality = CodecFieldsOf(s).nAudioQuality)
        p.m_nAudioQuality = Clamp(*quality, 0, FindOutputFormat(s.nEncFormat)->presetAudioQualityMost);
}

void ApplyAudioQuality(CEncSettings& s, CEncPresetInfo& p)
{
    if (int* quality = CodecFieldsOf(s).nAudioQuality) *quality = p.m_nAudioQuality;
}

void FillFramesPerSec(const CEncSettings& s, CEncPresetInfo& p)
{
    p.m_sVideoFramesPerSec = FrameRateText(s.nVideoFrameRate, s.nVideoFrameScale);
}

void ApplyFramesPerSec(CEncSettings& s, CEncPresetInfo& p)
{
    ApplyFrameRate(p.m_sVideoFramesPerSec, s.nVideoFrameRate, s.nVideoFrameScale);
}

// Plug-ins are code: a shared preset may only name one that lies in the
// user's own DSP folder, and may not move that folder.
void FillDspFolder(const CEncSettings& s, CEncPresetInfo& p) { p.m_sAudioDspFolder = s.sAudioDspFolder; }

void ApplyDspFolder(CEncSettings& s, CEncPresetInfo& p)
{
    if (FolderForm(p.m_sAudioDspFolder) != FolderForm(s.sAudioDspFolder))
        DebugTrace(L"Preset %s: DSP folder \"%s\" ignored, \"%s\" kept", p.m_sFilePath, p.m_sAudioDspFolder,
                   s.sAudioDspFolder);
}

bool TakesDspPlugin(const CEncSettings& s, const CEncPresetInfo& p)
{
    return p.m_sAudioDspCurPath.IsEmpty() || IsInsideFolder(p.m_sAudioDspCurPath, s.sAudioDspFolder);
}

void FillDspPlugin(const CEncSettings& s, CEncPresetInfo& p) { p.m_sAudioDspCurPath = s.sAudioCurDspPath; }

void ApplyDspPlugin(CEncSettings& s, CEncPresetInfo& p)
{
    if (TakesDspPlugin(s, p))
        s.sAudioCurDspPath = p.m_sAudioDspCurPath;
    else
        DebugTrace(L"Preset %s: DSP plug-in \"%s\" lies outside \"%s\"; the current plug-in is kept", p.m_sFilePath,
                   p.m_sAudioDspCurPath, s.sAudioDspFolder);
}

void FillDspModule(const CEncSettings& s, CEncPresetInfo& p) { p.m_nAudioDspCurMod = s.iAudioCurDspMod; }

// The module goes with its plug-in.
void ApplyDspModule(CEncSettings& s, CEncPresetInfo& p)
{
    if (TakesDspPlugin(s, p)) s.iAudioCurDspMod = p.m_nAudioDspCurMod;
}

void FillNaming(const CEncSettings& s, CEncPresetInfo& p) { p.m_sEtcFileNamingText = s.sEtcNaming; }

void ApplyNaming(CEncSettings& s, CEncPresetInfo& p)
{
    if (IsSafeNamingTemplate(p.m_sEtcFileNamingText))
        s.sEtcNaming = p.m_sEtcFileNamingText;
    else
        DebugTrace(L"Preset %s: naming template \"%s\" leaves the output folder; \"%s\" kept", p.m_sFilePath,
                   p.m_sEtcFileNamingText, s.sEtcNaming);
}

// One key of the file after the descriptions, in file order: the record's
// field it carries (a text or a number), and how the field is filled from
// the settings and applied to them. The keys are applied in this order, the
// output format first, so that the codec keys after it reach the block of
// the format the preset names. Keys the settings do not hold have no
// binding.
struct SPresetKey {
    const wchar_t* section;
    const wchar_t* key;
    CString CEncPresetInfo::*text;
    int CEncPresetInfo::*number;
    void (*fill)(const CEncSettings& s, CEncPresetInfo& p);
    void (*apply)(CEncSettings& s, CEncPresetInfo& p);
};

// The ways between a field and the settings, each as its fill and its apply.
//
// The settings' value as it stands.
#define AS_IS(field, setting)                                              \
    [](const CEncSettings& s, CEncPresetInfo& p) { p.field = s.setting; }, \
        [](CEncSettings& s, CEncPresetInfo& p) { s.setting = p.field; }
// A flag as "yes" (any value but 0) or "no".
#define YES_NO(field, setting)                                                                        \
    [](const CEncSettings& s, CEncPresetInfo& p) { p.field = CEncSettings::BoolToYesNo(s.setting); }, \
        [](CEncSettings& s, CEncPresetInfo& p) { s.setting = ParseYesTrue(p.field) ? 1 : 0; }
// A colour as "%08x"; a text that is no colour keeps the current one.
#define COLOUR(field, setting)                                                        \
    [](const CEncSettings& s, CEncPresetInfo& p) { p.field = HexColour(s.setting); }, \
        [](CEncSettings& s, CEncPresetInfo& p) { ApplyColour(p.field, s.setting); }
// A value of the chosen format's codec block, where the format has it;
// where it has none the preset keeps its value.
#define CODEC_AS_IS(field, value)                                 \
    [](const CEncSettings& s, CEncPresetInfo& p) {                \
        if (const auto* v = CodecFieldsOf(s).value) p.field = *v; \
    },                                                            \
        [](CEncSettings& s, CEncPresetInfo& p) {                  \
            if (auto* v = CodecFieldsOf(s).value) *v = p.field;   \
        }
#define CODEC_YES_NO(field, value)                                                           \
    [](const CEncSettings& s, CEncPresetInfo& p) {                                           \
        if (const auto* v = CodecFieldsOf(s).value) p.field = CEncSettings::BoolToYesNo(*v); \
    },                                                                                       \
        [](CEncSettings& s, CEncPresetInfo& p) {                                             \
            if (auto* v = CodecFieldsOf(s).value) *v = ParseYesTrue(p.field) ? 1 : 0;        \
        }
// A codec mode as "yes" for a variable bit rate (mode 1); anything else,
// two passes included, is written "no" and comes back as mode 0.
#define CODEC_VBR(field, value)                                                                   \
    [](const CEncSettings& s, CEncPresetInfo& p) {                                                \
        if (const auto* v = CodecFieldsOf(s).value) p.field = CEncSettings::BoolToYesNo(*v == 1); \
    },                                                                                            \
        [](CEncSettings& s, CEncPresetInfo& p) {                                                  \
            if (auto* v = CodecFieldsOf(s).value) *v = ParseYesTrue(p.field) ? 1 : 0;             \
        }
// By the functions FillName and ApplyName above.
#define BY(field, name) &Fill##name, &Apply##name

#define PRESET_INFO(key, field) \
    SPresetKey { L"INFO", L"" key, &CEncPresetInfo::field, nullptr, nullptr, nullptr }
#define PRESET_TEXT(section, key, field, way, setting) \
    SPresetKey { L"" section, L"" key, &CEncPresetInfo::field, nullptr, way(field, setting) }
#define PRESET_INT(section, key, field, way, setting) \
    SPresetKey { L"" section, L"" key, nullptr, &CEncPresetInfo::field, way(field, setting) }

const SPresetKey kKeys[] = {
    PRESET_INFO("author", m_sAuthor),
    PRESET_INFO("date", m_sDate),
    PRESET_INFO("comment", m_sComment),
    PRESET_TEXT("GENERAL", "dest_file_type", m_sDestFileType, BY, OutputFormat),
    PRESET_TEXT("GENERAL", "mp4_support_psp", m_sMp4SupportPsp, CODEC_YES_NO, bSupportPSP),
    PRESET_TEXT("GENERAL", "mp4_support_h264_baseline_13", m_sMp4H264Baseline13, CODEC_YES_NO, bH264Baseline13),
    PRESET_TEXT("VIDEO", "video_codec", m_sVideoCodec, BY, VideoCodec),
    PRESET_TEXT("VIDEO", "video_vbr", m_sVideoVbr, CODEC_VBR, nVideoEncMode),
    PRESET_INT("VIDEO", "video_kbitrate", m_nVideoKBitrate, CODEC_AS_IS, nVideoKBitrate),
    PRESET_INT("VIDEO", "video_keyframe_interval", m_nVideoKeyframeInterval, CODEC_AS_IS, nSecPerKeyframe),
    PRESET_INT("VIDEO", "video_quality", m_nVideoQuality, CODEC_AS_IS, nVideoQuality),
    PRESET_INT("VIDEO", "video_width", m_nVideoWidth, AS_IS, nVideoSizeW),
    PRESET_INT("VIDEO", "video_height", m_nVideoHeight, AS_IS, nVideoSizeH),
    PRESET_TEXT("VIDEO", "video_keep_ratio", m_sVideoKeepRatio, YES_NO, bVideoKeepRatio),
    PRESET_INT("VIDEO", "video_ratio_method", m_nVideoRatioMethod, AS_IS, nVideoRatioMethod),
    PRESET_TEXT("VIDEO", "video_frames_per_sec", m_sVideoFramesPerSec, BY, FramesPerSec),
    PRESET_INT("VIDEO", "video_brightness", m_nVideoBrightness, AS_IS, nVideoBrightness),
    PRESET_INT("VIDEO", "video_contrast", m_nVideoContrast, AS_IS, nVideoContrast),
    PRESET_INT("VIDEO", "video_saturation", m_nVideoSaturation, AS_IS, nVideoSaturation),
    PRESET_INT("VIDEO", "video_hue", m_nVideoHue, AS_IS, nVideoHue),
    PRESET_TEXT("VIDEO", "video_deblock", m_sVideoDeblock, YES_NO, bVideoDeblock),
    PRESET_TEXT("VIDEO", "video_deblock_more", m_sVideoDeblockMore, YES_NO, bVideoDeblockMore),
    PRESET_TEXT("VIDEO", "video_blur", m_sVideoBlur, YES_NO, bVideoBlur),
    PRESET_TEXT("VIDEO", "video_blur_more", m_sVideoBlurMore, YES_NO, bVideoBlurMore),
    PRESET_TEXT("VIDEO", "video_sharpness", m_sVideoSharpness, YES_NO, bVideoSharpen),
    PRESET_TEXT("VIDEO", "video_sharpness_more", m_sVideoSharpnessMore, YES_NO, bVideoSharpenMore),
    PRESET_TEXT("VIDEO", "video_flip", m_sVideoFlip, YES_NO, bVideoFlip),
    PRESET_TEXT("VIDEO", "video_deinterlace", m_sVideoDeinterlace, YES_NO, bVideoDeinterlace),
    PRESET_TEXT("AUDIO", "audio_codec", m_sAudioCodec, BY, AudioCodec),
    PRESET_TEXT("AUDIO", "audio_format", m_sAudioFormat, BY, AudioFormat),
    PRESET_TEXT("AUDIO", "audio_vbr", m_sAudioVbr, CODEC_VBR, nAudioEncMode),
    PRESET_INT("AUDIO", "audio_kbitrate", m_nAudioKBitrate, CODEC_AS_IS, nAudioKBitrate),
    PRESET_INT("AUDIO", "audio_quality", m_nAudioQuality, BY, AudioQuality),
    PRESET_INT("AUDIO", "audio_channels", m_nAudioChannels, AS_IS, nAudioChannels),
    PRESET_INT("AUDIO", "audio_samplerate", m_nAudioSampleRate, AS_IS, nAudioSRate),
    PRESET_TEXT("AUDIO", "audio_use_normalizer", m_sAudioUseNormalizer, YES_NO, bAudioNM),
    PRESET_INT("AUDIO", "audio_normalizer_level", m_nAudioNormalizerLevel, AS_IS, nAudioNMValue),
    PRESET_TEXT("AUDIO", "audio_dsp_folder", m_sAudioDspFolder, BY, DspFolder),
    PRESET_TEXT("AUDIO", "audio_dsp_curpath", m_sAudioDspCurPath, BY, DspPlugin),
    PRESET_INT("AUDIO", "audio_dsp_curmod", m_nAudioDspCurMod, BY, DspModule),
    PRESET_TEXT("SUBTITLE", "subtitle_display", m_sSubtitleDisplay, YES_NO, bSubActive),
    PRESET_TEXT("SUBTITLE", "subtitle_font", m_sSubtitleFont, AS_IS, sSubFontName),
    PRESET_INT("SUBTITLE", "subtitle_chars_in_line", m_nSubtitleCharsInLine, AS_IS, nSubCharsInLine),
    PRESET_TEXT("SUBTITLE", "subtitle_bold", m_sSubtitleBold, YES_NO, bSubBold),
    PRESET_TEXT("SUBTITLE", "subtitle_blur", m_sSubtitleBlur, YES_NO, bSubBlur),
    PRESET_TEXT("SUBTITLE", "subtitle_color_body", m_sSubtitleColorBody, COLOUR, nSubBodyColor),
    PRESET_TEXT("SUBTITLE", "subtitle_color_outline", m_sSubtitleColorOutline, COLOUR, nSubOutlineColor),
    PRESET_TEXT("SUBTITLE", "subtitle_color_shadow", m_sSubtitleColorShadow, COLOUR, nSubShadowColor),
    PRESET_INT("SUBTITLE", "subtitle_alpha_body", m_nSubtitleAlphaBody, AS_IS, nSubBodyAlpha),
    PRESET_INT("SUBTITLE", "subtitle_alpha_outline", m_nSubtitleAlphaOutline, AS_IS, nSubOutlineAlpha),
    PRESET_INT("SUBTITLE", "subtitle_alpha_shadow", m_nSubtitleAlphaShadow, AS_IS, nSubShadowAlpha),
    PRESET_INT("SUBTITLE", "subtitle_outline_width", m_nSubtitleOutlineWidth, AS_IS, nSubOutlineWidth),
    PRESET_INT("SUBTITLE", "subtitle_shadow_depth", m_nSubtitleShadowDepth, AS_IS, nSubShadowDepth),
    PRESET_INT("SUBTITLE", "subtitle_pos_x", m_nSubtitlePosX, AS_IS, nSubPosX),
    PRESET_INT("SUBTITLE", "subtitle_pos_y", m_nSubtitlePosY, AS_IS, nSubPosY),
    PRESET_INT("SUBTITLE", "subtitle_margin_x", m_nSubtitleMarginX, AS_IS, nSubMarginX),
    PRESET_INT("SUBTITLE", "subtitle_margin_y", m_nSubtitleMarginY, AS_IS, nSubMarginY),
    PRESET_INT("SUBTITLE", "subtitle_space_char", m_nSubtitleSpaceChar, AS_IS, nSubCharSpace),
    PRESET_INT("SUBTITLE", "subtitle_space_line", m_nSubtitleSpaceLine, AS_IS, nSubLineSpace),
    PRESET_TEXT("LOGO", "logo_display", m_sLogoDisplay, YES_NO, bLogoActive),
    PRESET_TEXT("LOGO", "logo_imagepath", m_sLogoImagePath, AS_IS, sLogoImgPath),
    PRESET_TEXT("LOGO", "logo_alphapath", m_sLogoAlphaPath, AS_IS, sLogoAlphaImgPath),
    PRESET_INT("LOGO", "logo_pos_x", m_nLogoPosX, AS_IS, nLogoPosX),
    PRESET_INT("LOGO", "logo_pos_y", m_nLogoPosY, AS_IS, nLogoPosY),
    PRESET_INT("LOGO", "logo_margin_x", m_nLogoMarginX, AS_IS, nLogoMarginX),
    PRESET_INT("LOGO", "logo_margin_y", m_nLogoMarginY, AS_IS, nLogoMarginY),
    PRESET_INT("LOGO", "logo_start_msec", m_nLogoStartMsec, AS_IS, nLogoStartMS),
    PRESET_INT("LOGO", "logo_end_msec", m_nLogoEndMsec, AS_IS, nLogoEndMS),
    PRESET_INT("LOGO", "logo_alpha", m_nLogoAlpha, AS_IS, nLogoAlpha),
    PRESET_TEXT("LOGO", "logo_fade", m_sLogoFade, YES_NO, bLogoFade),
    PRESET_TEXT("ETC", "etc_file_naming_text", m_sEtcFileNamingText, BY, Naming),
    PRESET_INT("ETC", "etc_playback_rate", m_nEtcPlaybackRate, AS_IS, nEtcPBRate),
    PRESET_TEXT("ETC", "etc_playback_rate_pitchfix", m_sEtcPlaybackRatePitchFix, YES_NO, bEtcPBRatePitchFix),
};

#undef PRESET_INFO
#undef PRESET_TEXT
#undef PRESET_INT
#undef AS_IS
#undef YES_NO
#undef COLOUR
#undef CODEC_AS_IS
#undef CODEC_YES_NO
#undef CODEC_VBR
#undef BY

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

CString FourccToString(DWORD fourcc) { return FourCCText(fourcc, L' '); }

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
    for (const SPresetKey& k : kKeys)
        if (k.fill) k.fill(s, p);
}

void ApplyPresetToSettings(CEncSettings& s, CEncPresetInfo& p)
{
    for (const SPresetKey& k : kKeys)
        if (k.apply) k.apply(s, p);
    s.sLastPresetPath = p.m_sFilePath;
    s.sLastPresetTitle = p.m_sDescLocal;
}
