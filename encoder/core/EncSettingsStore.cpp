// The registry form of the settings record: one value per stored field under
// the OPTION key, named as the field. Numbers are REG_DWORD (4 bytes,
// little-endian), texts REG_MULTI_SZ holding the UTF-16 text and one
// terminating zero. Both directions handle the values in one fixed order.

#include <vector>

#include "encoder/core/EncSettings.h"
#include "encoder/core/OptionKey.h"
#include "foundation/PathHelpers.h"
#include "foundation/RegistryHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"

namespace {

enum class Kind { Number, Text, BlockFilters };

// int, BOOL and DWORD fields all travel as the 32-bit value.
DWORD* NumberField(int& v) { return reinterpret_cast<DWORD*>(&v); }
DWORD* NumberField(DWORD& v) { return &v; }

struct SStoredValue {
    const wchar_t* name;
    Kind kind;
    DWORD* (*number)(CEncSettings&);
    CString* (*text)(CEncSettings&);
};

#define STORED_NUMBER(field)                                                                    \
    SStoredValue                                                                                \
    {                                                                                           \
        L"" #field, Kind::Number, [](CEncSettings& s) { return NumberField(s.field); }, nullptr \
    }
#define STORED_TEXT(field)                                                        \
    SStoredValue                                                                  \
    {                                                                             \
        L"" #field, Kind::Text, nullptr, [](CEncSettings& s) { return &s.field; } \
    }

const SStoredValue kStoredValues[] = {
    STORED_NUMBER(nEncFormat),
    STORED_TEXT(sDstFolder),

    STORED_NUMBER(nVideoSizeW),
    STORED_NUMBER(nVideoSizeH),
    STORED_NUMBER(bVideoKeepRatio),
    STORED_NUMBER(nVideoRatioMethod),
    STORED_NUMBER(nVideoFrameRate),
    STORED_NUMBER(nVideoFrameScale),
    STORED_NUMBER(nVideoBrightness),
    STORED_NUMBER(nVideoContrast),
    STORED_NUMBER(nVideoSaturation),
    STORED_NUMBER(nVideoHue),
    STORED_NUMBER(bVideoDeblock),
    STORED_NUMBER(bVideoDeblockMore),
    STORED_NUMBER(bVideoBlur),
    STORED_NUMBER(bVideoBlurMore),
    STORED_NUMBER(bVideoSharpen),
    STORED_NUMBER(bVideoSharpenMore),
    STORED_NUMBER(bVideoFlip),
    STORED_NUMBER(bVideoDeinterlace),

    STORED_NUMBER(nAudioSRate),
    STORED_NUMBER(nAudioChannels),
    STORED_NUMBER(bAudioNM),
    STORED_NUMBER(nAudioNMValue),
    STORED_TEXT(sAudioDspFolder),
    STORED_TEXT(sAudioCurDspPath),
    STORED_NUMBER(iAudioCurDspMod),

    STORED_NUMBER(bSubActive),
    STORED_TEXT(sSubFontName),
    STORED_NUMBER(nSubCharsInLine),
    STORED_NUMBER(bSubBold),
    STORED_NUMBER(bSubBlur),
    STORED_NUMBER(nSubBodyColor),
    STORED_NUMBER(nSubOutlineColor),
    STORED_NUMBER(nSubShadowColor),
    STORED_NUMBER(nSubBodyAlpha),
    STORED_NUMBER(nSubOutlineAlpha),
    STORED_NUMBER(nSubShadowAlpha),
    STORED_NUMBER(nSubOutlineWidth),
    STORED_NUMBER(nSubShadowDepth),
    STORED_NUMBER(nSubPosX),
    STORED_NUMBER(nSubPosY),
    STORED_NUMBER(nSubMarginX),
    STORED_NUMBER(nSubMarginY),
    STORED_NUMBER(nSubCharSpace),
    STORED_NUMBER(nSubLineSpace),

    STORED_NUMBER(bLogoActive),
    STORED_TEXT(sLogoImgPath),
    STORED_TEXT(sLogoAlphaImgPath),
    STORED_NUMBER(nLogoPosX),
    STORED_NUMBER(nLogoPosY),
    STORED_NUMBER(nLogoMarginX),
    STORED_NUMBER(nLogoMarginY),
    STORED_NUMBER(nLogoStartMS),
    STORED_NUMBER(nLogoEndMS),
    STORED_NUMBER(nLogoAlpha),
    STORED_NUMBER(bLogoFade),

    STORED_TEXT(sEtcNaming),
    STORED_NUMBER(nEtcNamingCnt),
    STORED_NUMBER(nEtcPBRate),
    STORED_NUMBER(bEtcPBRatePitchFix),

    STORED_TEXT(WmvEncoder.sAudioCodec),
    STORED_TEXT(WmvEncoder.sAudioFormat),
    STORED_TEXT(WmvEncoder.sVideoCodec),
    STORED_NUMBER(WmvEncoder.nVideoKBitrate),
    STORED_NUMBER(WmvEncoder.nSecPerKeyframe),
    STORED_NUMBER(WmvEncoder.nVideoQuality),

    STORED_NUMBER(AviEncoder.fccVideoCodec),
    STORED_NUMBER(AviEncoder.nVideoEncMode),
    STORED_NUMBER(AviEncoder.nVideoKBitrate),
    STORED_NUMBER(AviEncoder.nVideoQuality),
    STORED_NUMBER(AviEncoder.nSecPerKeyframe),
    STORED_NUMBER(AviEncoder.nAudioCodec),
    STORED_NUMBER(AviEncoder.nAudioEncMode),
    STORED_NUMBER(AviEncoder.nAudioKBitrate),
    STORED_NUMBER(AviEncoder.nAudioQuality),

    STORED_NUMBER(Mp4Encoder.fccVideoCodec),
    STORED_NUMBER(Mp4Encoder.nVideoEncMode),
    STORED_NUMBER(Mp4Encoder.nVideoKBitrate),
    STORED_NUMBER(Mp4Encoder.nVideoQuality),
    STORED_NUMBER(Mp4Encoder.nSecPerKeyframe),
    STORED_NUMBER(Mp4Encoder.nAudioCodec),
    STORED_NUMBER(Mp4Encoder.nAudioKBitrate),
    STORED_NUMBER(Mp4Encoder.nAudioQuality),
    STORED_NUMBER(Mp4Encoder.bSupportPSP),
    STORED_NUMBER(Mp4Encoder.bH264Baseline13),

    STORED_NUMBER(OgmEncoder.fccVideoCodec),
    STORED_NUMBER(OgmEncoder.nVideoEncMode),
    STORED_NUMBER(OgmEncoder.nVideoKBitrate),
    STORED_NUMBER(OgmEncoder.nVideoQuality),
    STORED_NUMBER(OgmEncoder.nSecPerKeyframe),
    STORED_NUMBER(OgmEncoder.nAudioCodec),
    STORED_NUMBER(OgmEncoder.nAudioEncMode),
    STORED_NUMBER(OgmEncoder.nAudioKBitrate),
    STORED_NUMBER(OgmEncoder.nAudioQuality),

    STORED_NUMBER(nEncodePriority),
    STORED_NUMBER(bIsFirst2),
    STORED_NUMBER(nPSPSeqNum),
    STORED_NUMBER(nPSPFileNameRule),
    STORED_TEXT(sLastPresetPath),
    STORED_TEXT(sLastPresetTitle),
    STORED_TEXT(sLangIniFileName),
    STORED_NUMBER(bAskPspSizeWarning),

    SStoredValue{L"_BLOCKFILTER", Kind::BlockFilters, nullptr, nullptr},

    STORED_NUMBER(bSubStreamAll),
    STORED_NUMBER(nSubStreamLCID),
    STORED_NUMBER(nSubCodePage),
};

#undef STORED_NUMBER
#undef STORED_TEXT

// A text value over the field: a missing key or value, or one of zero bytes,
// keeps the field as it is. The text ends at its first zero character or at
// the end of the value's data, whichever comes first.
void ReadText(const wchar_t* name, CString& field)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD type = 0;
    DWORD size = 0;
    LONG r = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    if (r == ERROR_SUCCESS && size > 0) {
        data.assign(size, 0);
        r = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || data.empty()) return;
    std::wstring text = Utf16LeBytesToWide(data.data(), data.size());
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    field = CString(std::move(text));
}

}  // namespace

void CEncSettings::LoadSettings()
{
    for (const SStoredValue& v : kStoredValues) {
        switch (v.kind) {
        case Kind::Number: {
            DWORD* field = v.number(*this);
            RegReadDwordStr(HKEY_CURRENT_USER, kOptionKey, v.name, field, *field);
            break;
        }
        case Kind::Text: ReadText(v.name, *v.text(*this)); break;
        case Kind::BlockFilters: LoadBlockFilters(BlockFilters); break;
        }
        const CString name = v.name;
        if (name == L"sDstFolder") {
            CreateFolderPath(sDstFolder);
        } else if (name == L"sLangIniFileName") {
            ReadLanguageGeneral();
        } else if (name == L"bAskPspSizeWarning") {
            bEncodePreview = 1;
        }
    }
}

void CEncSettings::SaveSettings()
{
    for (const SStoredValue& v : kStoredValues) {
        switch (v.kind) {
        case Kind::Number: RegWriteDwordStr(HKEY_CURRENT_USER, kOptionKey, v.name, *v.number(*this)); break;
        case Kind::Text: RegWriteMultiString(HKEY_CURRENT_USER, kOptionKey, v.name, *v.text(*this)); break;
        case Kind::BlockFilters: SaveBlockFilters(BlockFilters); break;
        }
    }
}
