#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/OptionKey.h"
#include "foundation/PathHelpers.h"
#include "foundation/RegistryHelpers.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

class EncSettingsTest : public CoreTest {
protected:
    void TearDown() override
    {
        CCoreEnvironment::Get().m_fnGuiFontFace = nullptr;
        CoreTest::TearDown();
    }
    // A record at its start-up state with the values that depend on the
    // machine or the clock set to fixed ones.
    static void Settle(CEncSettings& s)
    {
        s.sDstFolder = L"/out/";
        s.sAudioDspFolder = L"/dsp/";
        s.nEtcNamingCnt = 1234;
        s.nPSPSeqNum = 567;
    }
};

TEST(EncSettings, ConstructionGivesCodecDefaultsAndZeros)
{
    CEncSettings s;
    EXPECT_EQ(0x44495658u, s.AviEncoder.fccVideoCodec);  // "XVID"
    EXPECT_EQ(0x55, s.AviEncoder.nAudioCodec);
    EXPECT_EQ(0x674F, s.OgmEncoder.nAudioCodec);
    EXPECT_EQ(0, s.OgmEncoder.nAudioQuality);
    EXPECT_EQ(0x7634706Du, s.Mp4Encoder.fccVideoCodec);  // "mp4v"
    EXPECT_EQ(0xFF, s.Mp4Encoder.nAudioCodec);
    // The standard default names resolve to the codecs this machine lists.
    EXPECT_EQ(L"Windows Media Video 8", s.WmvEncoder.sVideoCodec);
    EXPECT_EQ(0, s.nVideoBrightness);
    EXPECT_EQ(0, s.nAudioChannels);
    EXPECT_TRUE(s.sEtcNaming.IsEmpty());
    EXPECT_EQ(0, s.BlockFilters.GetCount());
}

TEST_F(EncSettingsTest, DspFolderFollowsThePlayerFolder)
{
    struct Case {
        const wchar_t* player;
        const wchar_t* folder;
    } const cases[] = {
        {L"/opt/Player", L"/opt/Player/Plugins/"},
        {L"/opt/Player/", L"/opt/Player/Plugins/"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(RegWriteMultiString(HKEY_CURRENT_USER, L"Software\\Winamp", L"", c.player));
        CEncSettings s;
        s.SetDefaultSettings();
        EXPECT_EQ(c.folder, s.sAudioDspFolder) << c.player;
    }
}

TEST_F(EncSettingsTest, DefaultsButtonKeepsFolderLanguageAndBlockedFilters)
{
    CEncSettings s;
    s.InitSettings(0);
    s.sDstFolder = L"/elsewhere/";
    s.sLangIniFileName = L"english.ini";
    GUID extra{0xABCDEF01, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    s.BlockFilters.Add(extra);
    s.nVideoHue = 7;
    s.sAudioDspFolder = L"/changed/";

    s.SetDefaultSettings();
    s.SetDefaultSettings();
    EXPECT_EQ(L"/elsewhere/", s.sDstFolder);
    EXPECT_EQ(L"english.ini", s.sLangIniFileName);
    EXPECT_EQ(6, s.BlockFilters.GetCount());
    EXPECT_EQ(50, s.nVideoHue);
    EXPECT_EQ(CString(WProgramFolder()) + L"Plugins/", s.sAudioDspFolder);
}

TEST_F(EncSettingsTest, SubtitleFontFromTheStockGuiFont)
{
    struct Case {
        const wchar_t* face;  // null: no drawing layer
        const wchar_t* font;
    } const cases[] = {
        {nullptr, L"Arial"},    {L"MS Shell Dlg", L"Arial"},      {L"System", L"Arial"},
        {L"Tahoma", L"Tahoma"}, {L"NanumGothic", L"NanumGothic"},
    };
    for (const Case& c : cases) {
        if (c.face) {
            CString face = c.face;
            CCoreEnvironment::Get().m_fnGuiFontFace = [face] { return face; };
        } else {
            CCoreEnvironment::Get().m_fnGuiFontFace = nullptr;
        }
        EXPECT_EQ(c.font, GetDefaultSubtitleFont()) << (c.face ? "face" : "none");
        CEncSettings s;
        s.SetDefaultSettings();
        EXPECT_EQ(c.font, s.sSubFontName);
    }
}

TEST_F(EncSettingsTest, OutputFolderUnderTheDocumentsFolder)
{
    CEncSettings s;
    s.InitSettings(0);
    EXPECT_EQ(CString(Utf8ToWide(Home())) + L"/RivoEncoder/", s.sDstFolder);

    // A documents folder that already ends with a separator gets no second one.
    setenv("HOME", "/", 1);
    CEncSettings root;
    root.InitSettings(0);
    EXPECT_EQ(L"/RivoEncoder/", root.sDstFolder);
}

TEST_F(EncSettingsTest, StartUpValuesAndDefaultBlockedFilters)
{
    CEncSettings s;
    const GUID first{0x9852A670, 0xF845, 0x491B, {0x9B, 0xE6, 0xEB, 0xD8, 0x41, 0xB8, 0xA6, 0x13}};
    s.BlockFilters.AddTail(first);
    s.InitSettings(0);
    EXPECT_EQ(5, s.BlockFilters.GetCount());  // the one already there is not added again
    EXPECT_EQ(-1, s.nEncodePriority);
    EXPECT_EQ(1, s.bIsFirst2);
    EXPECT_EQ(L"korean.ini", s.sLangIniFileName);
    EXPECT_EQ(1, s.bAskPspSizeWarning);
    EXPECT_EQ(1, s.bEncodePreview);
    EXPECT_EQ(L"<SRC_FILENAME>.<DEF_EXT>", s.sEtcNaming);
    EXPECT_GE(s.nEtcNamingCnt, 0);
    EXPECT_LE(s.nEtcNamingCnt, 32767);
    EXPECT_GE(s.nPSPSeqNum, 0);
    EXPECT_LE(s.nPSPSeqNum, 32767);
}

TEST_F(EncSettingsTest, LanguageValuesComeFromTheLanguageFile)
{
    std::filesystem::create_directories(ProgramFolder() + "lang");
    WriteUtf16Text(ProgramFolder() + "lang/korean.ini",
                   "[GENERAL]\nLANGABBR=KOR\nHOMEPAGE=http://home.test/\n[TEXT]\nTEXT_APP_NAME=x\n");
    WriteUtf16Text(ProgramFolder() + "lang/english.ini", "[GENERAL]\nLANGABBR=ENG\n");
    CEncSettings s;
    s.InitSettings(0);
    EXPECT_EQ(L"KOR", s.sLangAbbr);
    EXPECT_EQ(L"http://home.test/", s.sHomePage);

    // The stored language file decides after a load.
    RegWriteMultiString(HKEY_CURRENT_USER, kOptionKey, L"sLangIniFileName", L"english.ini");
    s.InitSettings(1);
    EXPECT_EQ(L"english.ini", s.sLangIniFileName);
    EXPECT_EQ(L"ENG", s.sLangAbbr);
    EXPECT_EQ(L"", s.sHomePage);
}

// Every stored value after a save of the start-up state: names, order,
// types, byte counts and values.
const char kGoldenDump[] = R"(nEncFormat REG_DWORD 4 0x00000000
sDstFolder REG_MULTI_SZ 12 "/out/"
nVideoSizeW REG_DWORD 4 0x00000000
nVideoSizeH REG_DWORD 4 0x00000000
bVideoKeepRatio REG_DWORD 4 0x00000000
nVideoRatioMethod REG_DWORD 4 0x00000002
nVideoFrameRate REG_DWORD 4 0x00000000
nVideoFrameScale REG_DWORD 4 0x00000000
nVideoBrightness REG_DWORD 4 0x00000032
nVideoContrast REG_DWORD 4 0x00000032
nVideoSaturation REG_DWORD 4 0x00000032
nVideoHue REG_DWORD 4 0x00000032
bVideoDeblock REG_DWORD 4 0x00000000
bVideoDeblockMore REG_DWORD 4 0x00000000
bVideoBlur REG_DWORD 4 0x00000000
bVideoBlurMore REG_DWORD 4 0x00000000
bVideoSharpen REG_DWORD 4 0x00000000
bVideoSharpenMore REG_DWORD 4 0x00000000
bVideoFlip REG_DWORD 4 0x00000000
bVideoDeinterlace REG_DWORD 4 0x00000000
nAudioSRate REG_DWORD 4 0x00000000
nAudioChannels REG_DWORD 4 0x00000002
bAudioNM REG_DWORD 4 0x00000001
nAudioNMValue REG_DWORD 4 0x00000064
sAudioDspFolder REG_MULTI_SZ 12 "/dsp/"
sAudioCurDspPath REG_MULTI_SZ 2 ""
iAudioCurDspMod REG_DWORD 4 0x00000000
bSubActive REG_DWORD 4 0x00000001
sSubFontName REG_MULTI_SZ 12 "Arial"
nSubCharsInLine REG_DWORD 4 0x00000028
bSubBold REG_DWORD 4 0x00000001
bSubBlur REG_DWORD 4 0x00000001
nSubBodyColor REG_DWORD 4 0x00FFFFFF
nSubOutlineColor REG_DWORD 4 0x00000000
nSubShadowColor REG_DWORD 4 0x00000000
nSubBodyAlpha REG_DWORD 4 0x00000000
nSubOutlineAlpha REG_DWORD 4 0x00000000
nSubShadowAlpha REG_DWORD 4 0x000000A0
nSubOutlineWidth REG_DWORD 4 0x0000000F
nSubShadowDepth REG_DWORD 4 0x00000000
nSubPosX REG_DWORD 4 0x00000032
nSubPosY REG_DWORD 4 0x0000005A
nSubMarginX REG_DWORD 4 0x00000002
nSubMarginY REG_DWORD 4 0x00000002
nSubCharSpace REG_DWORD 4 0x00000000
nSubLineSpace REG_DWORD 4 0x00000000
bLogoActive REG_DWORD 4 0x00000000
sLogoImgPath REG_MULTI_SZ 2 ""
sLogoAlphaImgPath REG_MULTI_SZ 2 ""
nLogoPosX REG_DWORD 4 0x00000064
nLogoPosY REG_DWORD 4 0x00000000
nLogoMarginX REG_DWORD 4 0x00000005
nLogoMarginY REG_DWORD 4 0x00000005
nLogoStartMS REG_DWORD 4 0x00000000
nLogoEndMS REG_DWORD 4 0x00000000
nLogoAlpha REG_DWORD 4 0x00000000
bLogoFade REG_DWORD 4 0x00000000
sEtcNaming REG_MULTI_SZ 50 "<SRC_FILENAME>.<DEF_EXT>"
nEtcNamingCnt REG_DWORD 4 0x000004D2
nEtcPBRate REG_DWORD 4 0x00000064
bEtcPBRatePitchFix REG_DWORD 4 0x00000001
WmvEncoder.sAudioCodec REG_MULTI_SZ 44 "Windows Media Audio 2"
WmvEncoder.sAudioFormat REG_MULTI_SZ 58 "192 kbps, 48 kHz, stereo CBR"
WmvEncoder.sVideoCodec REG_MULTI_SZ 44 "Windows Media Video 8"
WmvEncoder.nVideoKBitrate REG_DWORD 4 0x00000400
WmvEncoder.nSecPerKeyframe REG_DWORD 4 0x0000000A
WmvEncoder.nVideoQuality REG_DWORD 4 0x00000064
AviEncoder.fccVideoCodec REG_DWORD 4 0x44495658
AviEncoder.nVideoEncMode REG_DWORD 4 0x00000000
AviEncoder.nVideoKBitrate REG_DWORD 4 0x00000400
AviEncoder.nVideoQuality REG_DWORD 4 0x0000005A
AviEncoder.nSecPerKeyframe REG_DWORD 4 0x0000000A
AviEncoder.nAudioCodec REG_DWORD 4 0x00000055
AviEncoder.nAudioEncMode REG_DWORD 4 0x00000000
AviEncoder.nAudioKBitrate REG_DWORD 4 0x00000080
AviEncoder.nAudioQuality REG_DWORD 4 0x0000001E
Mp4Encoder.fccVideoCodec REG_DWORD 4 0x7634706D
Mp4Encoder.nVideoEncMode REG_DWORD 4 0x00000000
Mp4Encoder.nVideoKBitrate REG_DWORD 4 0x00000400
Mp4Encoder.nVideoQuality REG_DWORD 4 0x0000005A
Mp4Encoder.nSecPerKeyframe REG_DWORD 4 0x0000000A
Mp4Encoder.nAudioCodec REG_DWORD 4 0x000000FF
Mp4Encoder.nAudioKBitrate REG_DWORD 4 0x00000080
Mp4Encoder.nAudioQuality REG_DWORD 4 0x0000001E
Mp4Encoder.bSupportPSP REG_DWORD 4 0x00000000
Mp4Encoder.bH264Baseline13 REG_DWORD 4 0x00000000
OgmEncoder.fccVideoCodec REG_DWORD 4 0x44495658
OgmEncoder.nVideoEncMode REG_DWORD 4 0x00000000
OgmEncoder.nVideoKBitrate REG_DWORD 4 0x00000400
OgmEncoder.nVideoQuality REG_DWORD 4 0x0000005A
OgmEncoder.nSecPerKeyframe REG_DWORD 4 0x0000000A
OgmEncoder.nAudioCodec REG_DWORD 4 0x0000674F
OgmEncoder.nAudioEncMode REG_DWORD 4 0x00000000
OgmEncoder.nAudioKBitrate REG_DWORD 4 0x00000080
OgmEncoder.nAudioQuality REG_DWORD 4 0x00000000
nEncodePriority REG_DWORD 4 0xFFFFFFFF
bIsFirst2 REG_DWORD 4 0x00000001
nPSPSeqNum REG_DWORD 4 0x00000237
nPSPFileNameRule REG_DWORD 4 0x00000000
sLastPresetPath REG_MULTI_SZ 2 ""
sLastPresetTitle REG_MULTI_SZ 2 ""
sLangIniFileName REG_MULTI_SZ 22 "korean.ini"
bAskPspSizeWarning REG_DWORD 4 0x00000001
_BLOCKFILTER000 REG_SZ 78 "{9852A670-F845-491B-9BE6-EBD841B8A613}"
_BLOCKFILTER001 REG_SZ 78 "{9D2935C7-3D8B-4EF6-B0D1-C14064698794}"
_BLOCKFILTER002 REG_SZ 78 "{8CE3343E-2289-4BAE-AE57-5106A40AF552}"
_BLOCKFILTER003 REG_SZ 78 "{2084189C-B81E-4341-B6B8-2DD2BC8207FF}"
_BLOCKFILTER004 REG_SZ 78 "{44239A46-A152-4382-83D2-2E318D7CF739}"
_BLOCKFILTER005 REG_SZ 2 ""
bSubStreamAll REG_DWORD 4 0x00000000
nSubStreamLCID REG_DWORD 4 0x00000000
nSubCodePage REG_DWORD 4 0x00000000
)";

TEST_F(EncSettingsTest, SaveWritesTheGoldenDump)
{
    CEncSettings s;
    s.InitSettings(0);
    Settle(s);
    s.SaveSettings();
    std::string dump = DumpOptionKey();
    EXPECT_EQ(kGoldenDump, dump);
    // 106 settings, the five default blocked filters and their end mark.
    EXPECT_EQ(112, std::count(dump.begin(), dump.end(), '\n'));
}

TEST_F(EncSettingsTest, DumpIsTheSameUnderACommaDecimalLocale)
{
    if (!UseCommaDecimalLocale(temp().File("locale"))) GTEST_SKIP() << "no comma-decimal locale can be made here";
    CEncSettings s;
    s.InitSettings(0);
    Settle(s);
    s.SaveSettings();
    CEncSettings back;
    back.InitSettings(1);
    back.SaveSettings();
    std::string dump = DumpOptionKey();
    UseCLocale();
    EXPECT_EQ(kGoldenDump, dump);
}

TEST_F(EncSettingsTest, EmptyStoreLoadsTheDefaults)
{
    CEncSettings loaded;
    loaded.InitSettings(1);
    EXPECT_TRUE(IsFolder(loaded.sDstFolder));  // the default output folder is made
    EXPECT_EQ(1, loaded.bEncodePreview);
    EXPECT_EQ(5, loaded.BlockFilters.GetCount());
    Settle(loaded);
    loaded.SaveSettings();
    EXPECT_EQ(kGoldenDump, DumpOptionKey());
}

TEST_F(EncSettingsTest, EveryStoredValueRoundTrips)
{
    CEncSettings s;
    s.InitSettings(0);
    s.nEncFormat = 3;
    s.sDstFolder = CString(Utf8ToWide(temp().File("출력"))) + L"/";
    s.nVideoSizeW = 640;
    s.bVideoFlip = 1;
    s.sAudioCurDspPath = L"/dsp/dsp_x.so";
    s.sSubFontName = L"나눔고딕";
    s.nLogoEndMS = -5;
    s.sEtcNaming = L"<COUNTER03>_<SRC_FILENAME>.<DEF_EXT>";
    s.WmvEncoder.sAudioFormat = L"";
    s.AviEncoder.fccVideoCodec = MAKEFOURCC('D', 'I', 'V', '5');
    s.Mp4Encoder.bSupportPSP = 1;
    s.OgmEncoder.nAudioQuality = 7;
    s.nPSPFileNameRule = 2;
    s.sLastPresetTitle = L"Title with \"quotes\"";
    s.BlockFilters.RemoveAll();
    s.nSubCodePage = 949;
    s.SaveSettings();
    const std::string first = DumpOptionKey();

    CEncSettings back;
    back.InitSettings(1);
    EXPECT_EQ(2, back.nPSPFileNameRule);
    EXPECT_EQ(MAKEFOURCC('D', 'I', 'V', '5'), back.AviEncoder.fccVideoCodec);
    EXPECT_EQ(L"나눔고딕", back.sSubFontName);
    EXPECT_EQ(L"", back.WmvEncoder.sAudioFormat);
    EXPECT_EQ(0, back.BlockFilters.GetCount());
    EXPECT_EQ(-5, back.nLogoEndMS);
    EXPECT_TRUE(IsFolder(back.sDstFolder));
    back.SaveSettings();
    EXPECT_EQ(first, DumpOptionKey());
}

TEST_F(EncSettingsTest, NumberValuesOfOtherShapes)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kOptionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    // REG_SZ "1" is four bytes: '1', 0, 0, 0.
    RegSetValueExW(key, L"nVideoSizeW", 0, REG_SZ, reinterpret_cast<const BYTE*>("1\0\0\0"), 4);
    // REG_SZ "12" is six bytes: too long for a number.
    RegSetValueExW(key, L"nVideoSizeH", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>("1\0"
                                                 "2\0\0\0"),
                   6);
    // Two bytes of binary data: the field keeps its value.
    RegSetValueExW(key, L"nAudioChannels", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x01\x00"), 2);
    RegCloseKey(key);

    CEncSettings s;
    s.InitSettings(1);
    EXPECT_EQ(0x31, s.nVideoSizeW);
    EXPECT_EQ(0, s.nVideoSizeH);
    EXPECT_EQ(2, s.nAudioChannels);
}

TEST_F(EncSettingsTest, TextValuesOfOtherShapes)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kOptionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    // Only the terminating zero: an empty text.
    RegSetValueExW(key, L"sEtcNaming", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("\0\0"), 2);
    // No data at all: the default stays.
    RegSetValueExW(key, L"sSubFontName", 0, REG_MULTI_SZ, nullptr, 0);
    // No terminating zero: the text ends with the data.
    RegSetValueExW(key, L"sLastPresetTitle", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b\0"), 4);
    // Two texts in a multi-string: the first one counts.
    RegSetValueExW(key, L"sLastPresetPath", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("p\0\0\0q\0\0\0\0\0"), 10);
    RegCloseKey(key);

    CEncSettings s;
    s.InitSettings(1);
    EXPECT_EQ(L"", s.sEtcNaming);
    EXPECT_EQ(L"Arial", s.sSubFontName);
    EXPECT_EQ(L"ab", s.sLastPresetTitle);
    EXPECT_EQ(L"p", s.sLastPresetPath);
}

}  // namespace
