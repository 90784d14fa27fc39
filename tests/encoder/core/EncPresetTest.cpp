#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncPresetList.h"
#include "encoder/core/EncSettings.h"
#include "platform/wmf/WmCodecTable.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/support/TraceViewer.h"

namespace {

class EncPresetTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        Fresh(s);
    }
    void TearDown() override
    {
        WmSetCodecTableForTesting(nullptr);
        CoreTest::TearDown();
    }
    // Start-up settings with the machine-dependent values fixed.
    static void Fresh(CEncSettings& settings)
    {
        settings.InitSettings(0);
        settings.sDstFolder = L"/out/";
        settings.sAudioDspFolder = L"/dsp/";
        settings.nEtcNamingCnt = 1234;
        settings.nPSPSeqNum = 567;
        settings.sLangAbbr = L"KOR";
    }
    CString File(const std::string& name) const { return CString(temp().WFile(name)); }
    // A preset file written as the test gives it (UTF-8 text as UTF-16LE).
    CString Preset(const std::string& name, const std::string& text) const
    {
        WriteUtf16Text(temp().File(name), text);
        return File(name);
    }
    // Reads the preset and applies it to s.
    void Apply(const CString& path)
    {
        CEncPresetInfo p(path, s);
        ApplyPresetToSettings(s, p);
    }
    // Everything the settings store, as the registry dump shows it.
    std::string Stored()
    {
        s.SaveSettings();
        return DumpOptionKey();
    }

    CEncSettings s;
};

TEST_F(EncPresetTest, DefaultsRoundTripByteForByteUnderACommaLocale)
{
    const bool comma = UseCommaDecimalLocale(temp().File("locale"));
    for (int format = 0; format < 4; ++format) {
        CEncSettings first;
        Fresh(first);
        first.nEncFormat = format;
        first.sLangAbbr = L"KOR";
        first.nVideoFrameRate = format == 0 ? 29970 : 0;
        first.nVideoFrameScale = format == 0 ? 1000 : 0;
        CEncPresetInfo out(File("none.rvp"), first);
        out.m_sDesc = L"Default";
        out.m_sDescLocal = L"기본 설정";
        const std::string a = "a" + std::to_string(format) + ".rvp";
        ASSERT_TRUE(out.Save(File(a), first));

        CEncSettings second;
        Fresh(second);
        CEncPresetInfo in(File(a), second);
        ApplyPresetToSettings(second, in);
        EXPECT_EQ(format, second.nEncFormat);
        EXPECT_EQ(L"기본 설정", second.sLastPresetTitle);
        CEncPresetInfo again(File("none.rvp"), second);
        again.m_sDesc = in.m_sDesc;
        again.m_sDescLocal = in.m_sDescLocal;
        const std::string b = "b" + std::to_string(format) + ".rvp";
        ASSERT_TRUE(again.Save(File(b), second));

        const std::string bytes = ReadBytes(temp().File(a));
        EXPECT_EQ(bytes, ReadBytes(temp().File(b))) << format;
        EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
        const std::wstring text = Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2);
        EXPECT_NE(std::wstring::npos, text.find(format == 0 ? L"video_frames_per_sec=29.970000\r\n"
                                                            : L"video_frames_per_sec=0.000000\r\n"));
        EXPECT_EQ(std::wstring::npos, text.find(L"nan"));
        EXPECT_NE(std::wstring::npos, text.find(L"[INFO]\r\ndesc=Default\r\ndesc_KOR=기본 설정\r\nauthor="));
    }
    UseCLocale();
    if (!comma) GTEST_SKIP() << "no comma-decimal locale can be made here; checked in the C locale only";
}

// Every value a preset carries, each away from its default and from the
// others, for one output format: a key written from or read into the wrong
// field shows in the file or in the values that come back. Only the chosen
// format's codec block is set, as only that block travels.
void SetEveryPresetValue(CEncSettings& s, int format)
{
    s.nEncFormat = format;
    switch (format) {
    case 0: s.AviEncoder = {MAKEFOURCC('D', 'X', '5', '0'), 1, 1501, 71, 7, 0x55, 1, 161, 41}; break;
    case 1: s.Mp4Encoder = {1, MAKEFOURCC('a', 'v', 'c', '1'), 1, 1502, 72, 8, 1, 0xFF, 96, 42}; break;
    case 2:
        s.WmvEncoder.sVideoCodec = L"Windows Media Video 8";
        s.WmvEncoder.sAudioCodec = L"Windows Media Audio 1";
        s.WmvEncoder.sAudioFormat = L"64 kbps, 44 kHz, stereo CBR";
        s.WmvEncoder.nVideoKBitrate = 1503;
        s.WmvEncoder.nSecPerKeyframe = 9;
        s.WmvEncoder.nVideoQuality = 73;
        break;
    default: s.OgmEncoder = {MAKEFOURCC('X', 'V', 'I', 'D'), 1, 1504, 74, 11, 0x674F, 1, 162, 6}; break;
    }
    s.nVideoSizeW = 642;
    s.nVideoSizeH = 362;
    s.bVideoKeepRatio = 1;
    s.nVideoRatioMethod = 1;
    s.nVideoFrameRate = 15000;
    s.nVideoFrameScale = 1000;
    s.nVideoBrightness = 51;
    s.nVideoContrast = 52;
    s.nVideoSaturation = 53;
    s.nVideoHue = -54;
    s.bVideoDeblock = 1;
    s.bVideoDeblockMore = 1;
    s.bVideoBlur = 1;
    s.bVideoBlurMore = 1;
    s.bVideoSharpen = 1;
    s.bVideoSharpenMore = 1;
    s.bVideoFlip = 1;
    s.bVideoDeinterlace = 1;
    s.nAudioSRate = 22050;
    s.nAudioChannels = 1;
    s.bAudioNM = 0;
    s.nAudioNMValue = 55;
    s.sAudioCurDspPath = L"/dsp/dsp_mine.so";
    s.iAudioCurDspMod = 3;
    s.bSubActive = 0;
    s.sSubFontName = L"Tahoma";
    s.nSubCharsInLine = 33;
    s.bSubBold = 0;
    s.bSubBlur = 0;
    s.nSubBodyColor = 0x00A1B2C3;
    s.nSubOutlineColor = static_cast<int>(0xFF102030u);
    s.nSubShadowColor = 0x00040506;
    s.nSubBodyAlpha = 12;
    s.nSubOutlineAlpha = 13;
    s.nSubShadowAlpha = 14;
    s.nSubOutlineWidth = 16;
    s.nSubShadowDepth = 17;
    s.nSubPosX = 18;
    s.nSubPosY = 19;
    s.nSubMarginX = 20;
    s.nSubMarginY = 21;
    s.nSubCharSpace = 22;
    s.nSubLineSpace = 23;
    s.bLogoActive = 1;
    s.sLogoImgPath = L"/logos/mark.png";
    s.sLogoAlphaImgPath = L"/logos/mask.png";
    s.nLogoPosX = 24;
    s.nLogoPosY = 25;
    s.nLogoMarginX = 26;
    s.nLogoMarginY = 27;
    s.nLogoStartMS = 2800;
    s.nLogoEndMS = 2900;
    s.nLogoAlpha = 30;
    s.bLogoFade = 1;
    s.sEtcNaming = L"<TRACK_NUM02>-<SRC_FILENAME>.<DEF_EXT>";
    s.nEtcPBRate = 125;
    s.bEtcPBRatePitchFix = 0;
}

// The file text kept beside the tests, its lines ended by CR LF as the
// writer ends them.
std::string ExpectedPresetText(const std::string& name)
{
    std::string text = ReadBytes(std::string(RIVO_TEST_SOURCE_DIR) + "/tests/encoder/core/fixtures/" + name);
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// The preset file's text is fixed: every key, in its order, with its value
// in its form, for each output format; and every value comes back into the
// field it came from.
TEST_F(EncPresetTest, EveryKeyWritesItsFieldAndComesBack)
{
    const char* const expected[] = {"PresetAvi.txt", "PresetMp4.txt", "PresetWmv.txt", "PresetOgm.txt"};
    for (int format = 0; format < 4; ++format) {
        SCOPED_TRACE(expected[format]);
        CEncSettings original;
        Fresh(original);
        SetEveryPresetValue(original, format);
        CEncPresetInfo out(File("none.rvp"), original);
        out.m_sDesc = L"Every value";
        out.m_sDescLocal = L"모든 값";
        out.m_sAuthor = L"Author";
        out.m_sDate = L"2024-05-06";
        out.m_sComment = L"A comment";
        const std::string name = "every" + std::to_string(format) + ".rvp";
        ASSERT_TRUE(out.Save(File(name), original));

        const std::string bytes = ReadBytes(temp().File(name));
        ASSERT_EQ("\xFF\xFE", bytes.substr(0, 2));
        EXPECT_EQ(ExpectedPresetText(expected[format]),
                  WideToUtf8(Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2)));

        CEncSettings back;
        Fresh(back);
        CEncPresetInfo in(File(name), back);
        EXPECT_EQ(L"Author", in.m_sAuthor);
        EXPECT_EQ(L"2024-05-06", in.m_sDate);
        EXPECT_EQ(L"A comment", in.m_sComment);
        ApplyPresetToSettings(back, in);
        EXPECT_EQ(File(name), back.sLastPresetPath);
        EXPECT_EQ(L"모든 값", back.sLastPresetTitle);
        back.sLastPresetPath = original.sLastPresetPath;
        back.sLastPresetTitle = original.sLastPresetTitle;
        original.SaveSettings();
        const std::string sent = DumpOptionKey();
        back.SaveSettings();
        EXPECT_EQ(sent, DumpOptionKey());
    }
}

TEST_F(EncPresetTest, AFileWithOnlyADescriptionChangesNothingButTheLastPreset)
{
    s.nEncFormat = 3;
    s.nVideoHue = 7;
    s.nVideoFrameRate = 25000;
    s.nVideoFrameScale = 1000;
    s.sEtcNaming = L"<COUNTER03>.<DEF_EXT>";
    const std::string before = Stored();
    CString path = Preset("only.rvp", "[INFO]\ndesc=Only a title\n");
    Apply(path);
    EXPECT_EQ(path, s.sLastPresetPath);
    EXPECT_EQ(L"Only a title", s.sLastPresetTitle);  // no localised title: the plain one
    s.sLastPresetPath.Empty();
    s.sLastPresetTitle.Empty();
    EXPECT_EQ(before, Stored());

    // A file that cannot be read at all behaves the same.
    Apply(File("missing.rvp"));
    EXPECT_EQ(L"", s.sLastPresetTitle);
    s.sLastPresetPath.Empty();
    EXPECT_EQ(before, Stored());
}

TEST_F(EncPresetTest, OutputFormatAndFlagTexts)
{
    struct Case {
        const char* type;
        const char* vbr;
        int format;
        int mode;
    } const cases[] = {
        {"wmv", "yes", 2, 0}, {"Avi", "TRUE", 0, 1}, {"MP4", "1", 1, 1}, {"ogm", "Yes", 3, 1},
        {"avi", "on", 0, 0},  {"mkv", "yes", 1, 1},  {"", "no", 1, 0},
    };
    for (const Case& c : cases) {
        s.nEncFormat = 1;  // an unknown type applies the values to the current format
        Apply(Preset("flags.rvp",
                     std::string("[GENERAL]\ndest_file_type=") + c.type + "\n[VIDEO]\nvideo_vbr=" + c.vbr + "\n"));
        EXPECT_EQ(c.format, s.nEncFormat) << c.type;
        const int mode = c.format == 0   ? s.AviEncoder.nVideoEncMode
                         : c.format == 1 ? s.Mp4Encoder.nVideoEncMode
                         : c.format == 3 ? s.OgmEncoder.nVideoEncMode
                                         : 0;
        EXPECT_EQ(c.mode, mode) << c.type << " " << c.vbr;
    }
}

TEST_F(EncPresetTest, SavedValuesFollowTheFormatsRules)
{
    struct Case {
        int format;
        int videoMode;
        int audioQuality;
        const wchar_t* vbr;
        int savedQuality;
    } const cases[] = {
        {0, 2, 150, L"no", 100},  // two-pass is no VBR; quality clamped to 100
        {0, 1, -4, L"yes", 0},
        {1, 1, 101, L"yes", 100},
        {3, 0, 30, L"no", 10},  // OGM audio quality clamps to 10
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        s.AviEncoder.nVideoEncMode = s.Mp4Encoder.nVideoEncMode = s.OgmEncoder.nVideoEncMode = c.videoMode;
        s.AviEncoder.nAudioQuality = s.Mp4Encoder.nAudioQuality = s.OgmEncoder.nAudioQuality = c.audioQuality;
        CEncPresetInfo p(File("none.rvp"), s);
        EXPECT_EQ(c.vbr, p.m_sVideoVbr) << c.format;
        EXPECT_EQ(c.savedQuality, p.m_nAudioQuality) << c.format;
    }

    // A two-pass AVI setting comes back as constant bit rate.
    s.nEncFormat = 0;
    s.AviEncoder.nVideoEncMode = 2;
    CEncPresetInfo p(File("none.rvp"), s);
    ASSERT_TRUE(p.Save(File("twopass.rvp"), s));
    Apply(File("twopass.rvp"));
    EXPECT_EQ(0, s.AviEncoder.nVideoEncMode);

    // WMV writes its names and no VBR texts; MP4 writes no audio VBR.
    s.nEncFormat = 2;
    CEncPresetInfo wmv(File("none.rvp"), s);
    EXPECT_EQ(L"Windows Media Video 8", wmv.m_sVideoCodec);
    EXPECT_EQ(L"192 kbps, 48 kHz, stereo CBR", wmv.m_sAudioFormat);
    EXPECT_EQ(L"", wmv.m_sVideoVbr);
    s.nEncFormat = 1;
    CEncPresetInfo mp4(File("none.rvp"), s);
    EXPECT_EQ(L"AAC", mp4.m_sAudioCodec);
    EXPECT_EQ(L"", mp4.m_sAudioVbr);
}

TEST_F(EncPresetTest, CodecTextsAndForcedAudioTags)
{
    struct Case {
        const char* type;
        const char* codec;
        DWORD fourcc;
        int audioTag;
    } const cases[] = {
        {"AVI", "xvid", MAKEFOURCC('x', 'v', 'i', 'd'), 0x55},  // case kept
        {"AVI", "DX", MAKEFOURCC('D', 'X', ' ', ' '), 0x55},    // short: padded, not read past its end
        {"MP4", "MP4V", MAKEFOURCC('m', 'p', '4', 'v'), 0xFF},  // MP4 lower-cases
        {"OGM", "H264", MAKEFOURCC('H', '2', '6', '4'), 0x674F}, {"OGM", "", MAKEFOURCC(' ', ' ', ' ', ' '), 0x674F},
    };
    for (const Case& c : cases) {
        CString path = Preset("codec.rvp", std::string("[GENERAL]\ndest_file_type=") + c.type +
                                               "\n[VIDEO]\nvideo_codec=" + c.codec + "\n[AUDIO]\naudio_codec=AAC\n");
        s.AviEncoder.nAudioCodec = s.Mp4Encoder.nAudioCodec = s.OgmEncoder.nAudioCodec = 1;
        CEncPresetInfo p(path, s);
        ApplyPresetToSettings(s, p);
        const DWORD fourcc = s.nEncFormat == 0   ? s.AviEncoder.fccVideoCodec
                             : s.nEncFormat == 1 ? s.Mp4Encoder.fccVideoCodec
                                                 : s.OgmEncoder.fccVideoCodec;
        const int tag = s.nEncFormat == 0   ? s.AviEncoder.nAudioCodec
                        : s.nEncFormat == 1 ? s.Mp4Encoder.nAudioCodec
                                            : s.OgmEncoder.nAudioCodec;
        EXPECT_EQ(c.fourcc, fourcc) << c.type << " " << c.codec;
        EXPECT_EQ(c.audioTag, tag) << c.type;
        if (s.nEncFormat == 1) {
            EXPECT_EQ(L"mp4v", p.m_sVideoCodec);  // lower-cased in the record
        }
    }
    EXPECT_EQ(L"XVID", FourccToString(MAKEFOURCC('X', 'V', 'I', 'D')));
    EXPECT_EQ(L"ab  ", FourccToString(MAKEFOURCC('a', 'b', 0, 0)));
}

TEST_F(EncPresetTest, WindowsMediaAudioCodecFallsBackToWhatTheMachineHas)
{
    const std::string wmv =
        "[GENERAL]\ndest_file_type=WMV\n[VIDEO]\nvideo_codec=Windows Media Video 9\n"
        "[AUDIO]\naudio_format=VBR Quality 90, 48 kHz, stereo VBR\naudio_codec=";
    struct Case {
        std::vector<const wchar_t*> installed;  // null: the runtime's own codecs
        const char* named;
        const wchar_t* applied;
    } const cases[] = {
        {{}, "Windows Media Audio 1", L"Windows Media Audio 1"},
        {{}, "Windows Media Audio 9", L"Windows Media Audio 2"},  // index 0 here
        {{L"Speech", L"Windows Media Audio 9.1"}, "Missing", L"Windows Media Audio 9.1"},
        {{L"Speech", L"Windows Media Audio 9.1", L"Windows Media Audio 9"}, "Missing", L"Windows Media Audio 9"},
        {{L"Speech", L"Other"}, "Missing", L"Speech"},
        // No audio codec at all: the preset's name stays for a machine that
        // has it, and nothing is looked up at -1.
        {{nullptr}, "Windows Media Audio 9", L"Windows Media Audio 9"},
    };
    for (const Case& c : cases) {
        if (!c.installed.empty()) {
            auto table = std::make_shared<CWmCodecTable>();
            for (const wchar_t* name : c.installed) {
                if (!name) continue;
                SWmCodec codec;
                codec.sName = name;
                codec.majortype = MEDIATYPE_Audio;
                table->push_back(codec);
            }
            WmSetCodecTableForTesting(table);
        }
        CEncSettings settings;
        Fresh(settings);
        CEncPresetInfo p(Preset("wmv.rvp", wmv + c.named + "\n"), settings);
        ApplyPresetToSettings(settings, p);
        EXPECT_EQ(2, settings.nEncFormat);
        EXPECT_EQ(c.applied, settings.WmvEncoder.sAudioCodec) << c.named;
        // Video codec and audio format are taken as they stand.
        EXPECT_EQ(L"Windows Media Video 9", settings.WmvEncoder.sVideoCodec);
        EXPECT_EQ(L"VBR Quality 90, 48 kHz, stereo VBR", settings.WmvEncoder.sAudioFormat);
        WmSetCodecTableForTesting(nullptr);
    }
}

TEST_F(EncPresetTest, FrameRatesAndColours)
{
    struct Case {
        const char* fps;
        int rate, scale;
    } const cases[] = {
        {"29.97", 29970, 1000},
        {"25", 25000, 1000},
        {"23.976", 23976, 1000},
        // Nothing that is a positive, finite rate: the source's rate.
        {"0", 0, 0},
        {"0.000000", 0, 0},
        {"-5", 0, 0},
        {"nan", 0, 0},
        {"inf", 0, 0},
        {"abc", 0, 0},
        {"1e300", 0, 0},
        {"0.0001", 0, 0},
    };
    for (const Case& c : cases) {
        s.nVideoFrameRate = 1;
        s.nVideoFrameScale = 1;
        Apply(Preset("fps.rvp", std::string("[VIDEO]\nvideo_frames_per_sec=") + c.fps + "\n"));
        EXPECT_EQ(c.rate, s.nVideoFrameRate) << c.fps;
        EXPECT_EQ(c.scale, s.nVideoFrameScale) << c.fps;
    }

    s.nSubOutlineColor = 0x123456;
    Apply(Preset("colour.rvp",
                 "[SUBTITLE]\nsubtitle_color_body=00ff00\nsubtitle_color_outline=zz\nsubtitle_color_shadow=0x10\n"));
    EXPECT_EQ(0x00FF00, s.nSubBodyColor);
    EXPECT_EQ(0x123456, s.nSubOutlineColor);  // not a colour: the current one stays
    EXPECT_EQ(0x10, s.nSubShadowColor);

    CCoreEnvironment::Get().m_fnGuiFontFace = [] { return CString(L"Tahoma"); };
    Apply(Preset("font.rvp", "[SUBTITLE]\nsubtitle_font=%SYSTEM_FONT_NAME%\n"));
    CCoreEnvironment::Get().m_fnGuiFontFace = nullptr;
    EXPECT_EQ(L"Tahoma", s.sSubFontName);
}

TEST_F(EncPresetTest, SharedPresetsCannotLeaveTheOutputOrDspFolders)
{
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    struct Case {
        const char* naming;
        bool taken;
    } const cases[] = {
        {"sub/<SRC_FILENAME>.<DEF_EXT>", true}, {"..<SRC_FILENAME>.<DEF_EXT>", true},  // no ".." component
        {"../<SRC_FILENAME>.<DEF_EXT>", false}, {"a/../../<SRC_FILENAME>", false},    {"a\\..\\<SRC_FILENAME>", false},
        {"/home/user/.profile", false},         {"\\\\server\\share\\x", false},      {"C:\\x\\<SRC_FILENAME>", false},
    };
    for (const Case& c : cases) {
        s.sEtcNaming = L"<SRC_FILENAME>.<DEF_EXT>";
        Apply(Preset("naming.rvp", std::string("[ETC]\netc_file_naming_text=") + c.naming + "\n"));
        EXPECT_EQ(c.taken ? CString(Utf8ToWide(c.naming)) : CString(L"<SRC_FILENAME>.<DEF_EXT>"), s.sEtcNaming)
            << c.naming;
        std::string log = viewer.Text();
        EXPECT_EQ(!c.taken, log.find(c.naming) != std::string::npos) << c.naming << ": " << log;
    }

    struct DspCase {
        const char* folder;
        const char* path;
        int module;
        const wchar_t* appliedPath;
        int appliedModule;
    } const dsp[] = {
        {"/dsp/", "/dsp/dsp_echo.so", 2, L"/dsp/dsp_echo.so", 2},
        {"/dsp", "/dsp/sub/dsp_echo.so", 3, L"/dsp/sub/dsp_echo.so", 3},
        {"/dsp/", "", 0, L"", 0},  // no plug-in
        {"/dsp/", "/tmp/dsp_evil.so", 4, L"/dsp/keep.so", 1},
        {"/dsp/", "/dsp/../tmp/dsp_evil.so", 4, L"/dsp/keep.so", 1},
        {"/dsp/", "/dspx/dsp_evil.so", 4, L"/dsp/keep.so", 1},
        // The folder cannot be moved to let a plug-in in.
        {"/tmp/", "/tmp/dsp_evil.so", 4, L"/dsp/keep.so", 1},
    };
    for (const DspCase& c : dsp) {
        s.sAudioCurDspPath = L"/dsp/keep.so";
        s.iAudioCurDspMod = 1;
        Apply(Preset("dsp.rvp", std::string("[AUDIO]\naudio_dsp_folder=") + c.folder + "\naudio_dsp_curpath=" + c.path +
                                    "\naudio_dsp_curmod=" + std::to_string(c.module) + "\n"));
        EXPECT_EQ(L"/dsp/", s.sAudioDspFolder) << c.path;
        EXPECT_EQ(c.appliedPath, s.sAudioCurDspPath) << c.path;
        EXPECT_EQ(c.appliedModule, s.iAudioCurDspMod) << c.path;
        std::string log = viewer.Text();
        if (WideToUtf8(c.appliedPath) != c.path) {
            EXPECT_NE(std::string::npos, log.find("dsp_evil.so")) << log;
        }
    }
}

TEST_F(EncPresetTest, SavingKeepsTheFileAndItsEncodingAndFailsWhole)
{
    // An existing narrow file keeps its encoding and the keys it alone has.
    WriteBytes(temp().File("narrow.rvp"), "[INFO]\r\ndesc=old\r\nextra=kept\r\n[MINE]\r\nkey=value\r\n");
    s.nEncFormat = 0;
    CEncPresetInfo p(File("none.rvp"), s);
    p.m_sDesc = L"new";
    p.m_sDescLocal = L"새 제목";
    ASSERT_TRUE(p.Save(File("narrow.rvp"), s));
    std::string bytes = ReadBytes(temp().File("narrow.rvp"));
    EXPECT_NE("\xFF\xFE", bytes.substr(0, 2));
    EXPECT_NE(std::string::npos, bytes.find("extra=kept"));
    EXPECT_NE(std::string::npos, bytes.find("[MINE]\r\nkey=value"));
    CEncPresetInfo back(File("narrow.rvp"), s);
    EXPECT_EQ(L"new", back.m_sDesc);
    EXPECT_EQ(L"새 제목", back.m_sDescLocal);

    // A value cannot break into a line of its own.
    p.m_sComment = L"one\r\n[ETC]\r\netc_file_naming_text=../x";
    ASSERT_TRUE(p.Save(File("lines.rvp"), s));
    CEncPresetInfo lines(File("lines.rvp"), s);
    EXPECT_EQ(s.sEtcNaming, lines.m_sEtcFileNamingText);

    // Texts holding ";" or end blanks come back whole.
    p.m_sDesc = L"AVI; small  ";
    p.m_sComment = L" a;b;c";
    ASSERT_TRUE(p.Save(File("semicolons.rvp"), s));
    CEncPresetInfo semi(File("semicolons.rvp"), s);
    EXPECT_EQ(L"AVI; small  ", semi.m_sDesc);
    EXPECT_EQ(L" a;b;c", semi.m_sComment);

    // A relative name lands in the program folder.
    ASSERT_TRUE(p.Save(L"relative.rvp", s));
    EXPECT_TRUE(std::filesystem::exists(ProgramFolder() + "relative.rvp"));

    // A folder that does not exist: false, and nothing left behind.
    EXPECT_FALSE(p.Save(File("nowhere/x.rvp"), s));
    EXPECT_FALSE(std::filesystem::exists(temp().File("nowhere")));
    // A read-only folder: false, the old file untouched, no staging file left.
    std::filesystem::create_directory(temp().File("locked"));
    WriteBytes(temp().File("locked/p.rvp"), "[INFO]\r\ndesc=old\r\n");
    chmod(temp().File("locked").c_str(), 0555);
    if (geteuid() != 0) {  // the superuser writes anywhere
        EXPECT_FALSE(p.Save(File("locked/p.rvp"), s));
        EXPECT_EQ("[INFO]\r\ndesc=old\r\n", ReadBytes(temp().File("locked/p.rvp")));
        EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(temp().File("locked")),
                                   std::filesystem::directory_iterator()));
    }
    chmod(temp().File("locked").c_str(), 0755);
}

TEST_F(EncPresetTest, DamagedFilesReadAsNothing)
{
    const std::string before = Stored();
    struct Case {
        const char* what;
        std::string bytes;
    } const cases[] = {
        {"binary", std::string("\x00\x01\xFF\xFE\x80[VIDEO\x00]=\n", 14)},
        {"odd UTF-16", std::string("\xFF\xFE[\x00V\x00", 6) + "I"},
        {"oversized", "[INFO]\ndesc=big\n" + std::string(1100000, 'x')},
        {"no sections", "video_width=5\ndest_file_type=WMV\n"},
        {"cut line", "[VIDEO"},
    };
    for (const Case& c : cases) {
        WriteBytes(temp().File("bad.rvp"), c.bytes);
        CEncPresetInfo p(File("bad.rvp"), s);
        EXPECT_EQ(L"", p.m_sDesc) << c.what;
        ApplyPresetToSettings(s, p);
        s.sLastPresetPath.Empty();
        s.sLastPresetTitle.Empty();
        EXPECT_EQ(before, Stored()) << c.what;
    }
    // Numbers out of range and texts that are no numbers read as the INI
    // reader gives them, without harm.
    Apply(Preset("numbers.rvp", "[VIDEO]\nvideo_width=abc\nvideo_height=-20\nvideo_kbitrate=99999999999999\n"));
    EXPECT_EQ(0, s.nVideoSizeW);
    EXPECT_EQ(-20, s.nVideoSizeH);
}

TEST_F(EncPresetTest, PresetListTakesRvpFilesBeforeIniFiles)
{
    std::filesystem::create_directories(temp().File("presets/folder.rvp"));  // a folder is no preset
    Preset("presets/b.ini", "[INFO]\ndesc=B ini\n");
    Preset("presets/a.rvp", "[INFO]\ndesc=A rvp\n");
    Preset("presets/c.RVP", "[INFO]\ndesc=C rvp\n");
    WriteBytes(temp().File("presets/broken.rvp"), std::string(1100000, '['));
    Preset("presets/notes.txt", "[INFO]\ndesc=not a preset\n");

    CEncPresetList list(File("presets/"), s);
    ASSERT_EQ(4, list.GetSize());
    std::vector<std::wstring> rvp;
    for (int i = 0; i < 3; ++i) rvp.push_back(list[i]->m_sDesc.str());
    std::sort(rvp.begin(), rvp.end());
    EXPECT_EQ((std::vector<std::wstring>{L"", L"A rvp", L"C rvp"}), rvp);  // the broken one reads as nothing
    EXPECT_EQ(L"B ini", list[3]->m_sDesc);
    EXPECT_EQ(File("presets/b.ini"), list[3]->m_sFilePath);

    EXPECT_EQ(0, CEncPresetList(File("presets"), s).GetSize());  // no trailing separator
    EXPECT_EQ(0, CEncPresetList(File("presets/a.rvp"), s).GetSize());
    EXPECT_EQ(0, CEncPresetList(File("absent/"), s).GetSize());
}

TEST_F(EncPresetTest, ShippedPresetsLoadAndApply)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin);
    const CString folder = CString(Utf8ToWide(bin)) + L"/presets/";
    CEncPresetList list(folder, s);
    ASSERT_GE(list.GetSize(), 5);
    std::vector<int> formats;
    for (int i = 0; i < list.GetSize(); ++i) {
        CEncPresetInfo& p = *list[i];
        const std::string name = WideToUtf8(p.m_sFilePath.str());
        EXPECT_EQ("\xFF\xFE", ReadBytes(name).substr(0, 2)) << name;
        EXPECT_FALSE(p.m_sDesc.IsEmpty()) << name;
        EXPECT_NE(p.m_sDesc, p.m_sDescLocal) << name << ": no Korean title";

        CEncSettings english;
        Fresh(english);
        english.sLangAbbr = L"ENG";
        EXPECT_FALSE(CEncPresetInfo(p.m_sFilePath, english).m_sDescLocal.IsEmpty()) << name;

        CEncSettings applied;
        Fresh(applied);
        applied.nEncFormat = 7;
        ApplyPresetToSettings(applied, p);
        ASSERT_GE(applied.nEncFormat, 0) << name;
        ASSERT_LE(applied.nEncFormat, 3) << name;
        formats.push_back(applied.nEncFormat);
        EXPECT_EQ(p.m_sDescLocal, applied.sLastPresetTitle);
        if (applied.nEncFormat == 2) {
            // Names this machine lists, exactly.
            const CWmProfileHelper& wmv = applied.WmvEncoder;
            EXPECT_GE(wmv.FindVideoCodec(wmv.sVideoCodec, FALSE), 0) << name;
            EXPECT_GE(wmv.FindAudioFormat(wmv.sAudioCodec, wmv.sAudioFormat, FALSE), 0) << name;
        }
        if (applied.nEncFormat == 1 && applied.Mp4Encoder.bSupportPSP) {
            EXPECT_EQ(320 * 240, applied.nVideoSizeW * applied.nVideoSizeH) << name;
            EXPECT_EQ(29970, applied.nVideoFrameRate) << name;
        }
    }
    std::sort(formats.begin(), formats.end());
    EXPECT_EQ((std::vector<int>{0, 1, 1, 2, 3}), formats);
}

}  // namespace
