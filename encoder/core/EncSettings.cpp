#include "EncSettings.h"

#include <ctime>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/CrtRandom.h"
#include "encoder/core/OutputFormat.h"
#include "foundation/PathHelpers.h"
#include "foundation/ProfileHelpers.h"
#include "foundation/RegistryHelpers.h"
#include "foundation/ShellHelpers.h"

namespace {

void SetAviDefaults(SCodecSettings& c)
{
    c.fccVideoCodec = MAKEFOURCC('X', 'V', 'I', 'D');
    c.nVideoEncMode = 0;
    c.nVideoKBitrate = 1024;
    c.nVideoQuality = 90;
    c.nSecPerKeyframe = 10;
    c.nAudioCodec = OutputFormatOf(kEncFormatAvi).audioCodecTag;
    c.nAudioEncMode = 0;
    c.nAudioKBitrate = 128;
    c.nAudioQuality = 30;
}

void SetOgmDefaults(SCodecSettings& c)
{
    SetAviDefaults(c);
    c.nAudioCodec = OutputFormatOf(kEncFormatOgm).audioCodecTag;
    c.nAudioQuality = 0;
}

void SetMp4Defaults(SMp4CodecSettings& c)
{
    c.bSupportPSP = 0;
    c.fccVideoCodec = MAKEFOURCC('m', 'p', '4', 'v');
    c.nVideoEncMode = 0;
    c.nVideoKBitrate = 1024;
    c.nVideoQuality = 90;
    c.nSecPerKeyframe = 10;
    c.bH264Baseline13 = 0;
    c.nAudioCodec = OutputFormatOf(kEncFormatMp4).audioCodecTag;
    c.nAudioKBitrate = 128;
    c.nAudioQuality = 30;
}

// Filters known to break the encoder's graphs, blocked from the first start.
const GUID kDefaultBlockedFilters[] = {
    {0x9852A670, 0xF845, 0x491B, {0x9B, 0xE6, 0xEB, 0xD8, 0x41, 0xB8, 0xA6, 0x13}},
    {0x9D2935C7, 0x3D8B, 0x4EF6, {0xB0, 0xD1, 0xC1, 0x40, 0x64, 0x69, 0x87, 0x94}},
    {0x8CE3343E, 0x2289, 0x4BAE, {0xAE, 0x57, 0x51, 0x06, 0xA4, 0x0A, 0xF5, 0x52}},
    {0x2084189C, 0xB81E, 0x4341, {0xB6, 0xB8, 0x2D, 0xD2, 0xBC, 0x82, 0x07, 0xFF}},
    {0x44239A46, 0xA152, 0x4382, {0x83, 0xD2, 0x2E, 0x31, 0x8D, 0x7C, 0xF7, 0x39}},
};

CString WithSeparator(const CString& folder)
{
    if (!folder.IsEmpty() && IsPathSeparator(folder[folder.GetLength() - 1])) return folder;
    return folder + L"/";
}

}  // namespace

CEncSettings::CEncSettings()
{
    SetAviDefaults(AviEncoder);
    SetMp4Defaults(Mp4Encoder);
    SetOgmDefaults(OgmEncoder);
}

void CEncSettings::SetDefaultSettings()
{
    nEncFormat = kEncFormatAvi;
    SetAviDefaults(AviEncoder);
    SetMp4Defaults(Mp4Encoder);
    WmvEncoder.SetDefaults();
    SetOgmDefaults(OgmEncoder);

    nVideoSizeW = 0;
    nVideoSizeH = 0;
    bVideoKeepRatio = 0;
    nVideoRatioMethod = 2;
    nVideoFrameRate = 0;
    nVideoFrameScale = 0;
    nVideoBrightness = 50;
    nVideoContrast = 50;
    nVideoSaturation = 50;
    nVideoHue = 50;
    bVideoDeblock = 0;
    bVideoDeblockMore = 0;
    bVideoBlur = 0;
    bVideoBlurMore = 0;
    bVideoSharpen = 0;
    bVideoSharpenMore = 0;
    bVideoFlip = 0;
    bVideoDeinterlace = 0;
    nAudioSRate = 0;
    nAudioChannels = 2;
    bAudioNM = 1;
    nAudioNMValue = 100;

    // DSP plug-ins live in the player's plug-in folder when a player is
    // registered, else in one beside the program.
    CString player;
    RegReadString(HKEY_CURRENT_USER, L"Software\\Winamp", L"", player);
    if (!player.IsEmpty())
        sAudioDspFolder = WithSeparator(player) + L"Plugins/";
    else
        sAudioDspFolder = CCoreEnvironment::Get().ProgramFolder() + L"Plugins" + L"/";
    sAudioCurDspPath.Empty();
    iAudioCurDspMod = 0;

    bSubActive = 1;
    sSubFontName = GetDefaultSubtitleFont();
    nSubCharsInLine = 40;
    bSubBold = 1;
    bSubBlur = 1;
    nSubBodyColor = 0xFFFFFF;
    nSubOutlineColor = 0;
    nSubShadowColor = 0;
    nSubBodyAlpha = 0;
    nSubOutlineAlpha = 0;
    nSubShadowAlpha = 160;
    nSubOutlineWidth = 15;
    nSubShadowDepth = 0;
    nSubPosX = 50;
    nSubPosY = 90;
    nSubMarginX = 2;
    nSubMarginY = 2;
    nSubCharSpace = 0;
    nSubLineSpace = 0;

    bLogoActive = 0;
    sLogoImgPath.Empty();
    sLogoAlphaImgPath.Empty();
    nLogoPosX = 100;
    nLogoPosY = 0;
    nLogoMarginX = 5;
    nLogoMarginY = 5;
    nLogoStartMS = 0;
    nLogoEndMS = 0;
    nLogoAlpha = 0;
    bLogoFade = 0;

    sEtcNaming = L"<SRC_FILENAME>.<DEF_EXT>";
    bEtcPBRatePitchFix = 1;
    nJobOutputWidth = 0;
    nJobOutputHeight = 0;
    nEtcPBRate = 100;
    nEtcNamingCnt = NextCrtRandom() % 99999999;
}

void CEncSettings::InitSettings(int load)
{
    SeedCrtRandom(static_cast<UINT>(std::time(nullptr)));
    SetDefaultSettings();

    CString personal;
    if (RegReadShellFolder(L"Personal", personal, HKEY_CURRENT_USER))
        sDstFolder = WithSeparator(personal) + L"RivoEncoder/";
    else
        sDstFolder = CCoreEnvironment::Get().ProgramFolder() + L"RivoEncoder/";

    nEncodePriority = -1;
    bIsFirst2 = 1;
    nPSPSeqNum = NextCrtRandom() % 99999;
    nPSPFileNameRule = 0;
    sLastPresetPath.Empty();
    sLastPresetTitle.Empty();
    sLangIniFileName = L"korean.ini";
    ReadLanguageGeneral();

    bAskPspSizeWarning = 1;
    bAutoMode = 0;
    bEncodePreview = 1;

    for (const GUID& clsid : kDefaultBlockedFilters) BlockFilters.Add(clsid);

    bSubStreamAll = 0;
    nSubStreamLCID = 0;
    nSubCodePage = 0;

    if (load) LoadSettings();
}

void CEncSettings::ReadLanguageGeneral()
{
    CString file = CCoreEnvironment::Get().ProgramFolder() + L"lang/" + sLangIniFileName;
    sLangAbbr = IniReadString(L"GENERAL", L"LANGABBR", file, CString(), -1);
    sHomePage = IniReadString(L"GENERAL", L"HOMEPAGE", file, CString(), -1);
}

CString GetDefaultSubtitleFont()
{
    CString name = L"System";
    const auto& fontFace = CCoreEnvironment::Get().m_fnGuiFontFace;
    if (fontFace) {
        CString face = fontFace();
        if (!face.IsEmpty()) name = face;
    }
    if (name == L"MS Shell Dlg" || name == L"System") return L"Arial";
    return name;
}

CEncSettings& GetEncSettings()
{
    static CEncSettings settings;
    return settings;
}
