#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/PictureOrientation.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

class EncSettingsSummaryTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        s.SetDefaultSettings();
        s.AviEncoder.nVideoKBitrate = 1100;
        s.AviEncoder.nVideoQuality = 81;
        s.Mp4Encoder.nVideoKBitrate = 1200;
        s.Mp4Encoder.nVideoQuality = 82;
        s.WmvEncoder.nVideoKBitrate = 1300;
        s.WmvEncoder.nVideoQuality = 83;
        s.OgmEncoder.nVideoKBitrate = 1400;
        s.OgmEncoder.nVideoQuality = 84;
    }
    // The encode mode of the chosen format's video block.
    void SetVideoMode(int mode)
    {
        s.AviEncoder.nVideoEncMode = s.Mp4Encoder.nVideoEncMode = s.OgmEncoder.nVideoEncMode = mode;
    }

    CEncSettings s;
};

CMediaType VideoType(const GUID& formattype, int width, int height, REFERENCE_TIME frameTime)
{
    CMediaType t(MEDIATYPE_Video);
    t.SetFormatType(formattype);
    if (formattype == FORMAT_VideoInfo2 || formattype == FORMAT_MPEG2Video) {
        VIDEOINFOHEADER2 h{};
        h.AvgTimePerFrame = frameTime;
        h.bmiHeader.biWidth = width;
        h.bmiHeader.biHeight = height;
        t.SetFormat(&h, sizeof h);
    } else {
        VIDEOINFOHEADER h{};
        h.AvgTimePerFrame = frameTime;
        h.bmiHeader.biWidth = width;
        h.bmiHeader.biHeight = height;
        t.SetFormat(&h, sizeof h);
    }
    return t;
}

CMediaType AudioType(DWORD rate)
{
    CMediaType t(MEDIATYPE_Audio);
    t.SetFormatType(FORMAT_WaveFormatEx);
    WAVEFORMATEX w{};
    w.nChannels = 6;  // the summary shows the channels setting, not the source's
    w.nSamplesPerSec = rate;
    t.SetFormat(&w, sizeof w);
    return t;
}

TEST_F(EncSettingsSummaryTest, RateValuesByFormatAndMode)
{
    struct Case {
        int format, mode, bitrate, quality;
        bool twoPass;
    } const cases[] = {
        {0, 0, 1100, -1, false},
        {0, 1, -1, 81, false},
        {0, 2, 1100, -1, true},
        {1, 0, 1200, -1, false},
        {1, 1, -1, 82, false},
        {1, 2, 1200, -1, true},
        {2, 1, 1300, 83, false},
        {2, 2, 1300, 83, false},
        // OGM reports its quality in every mode.
        {3, 0, 1400, 84, false},
        {3, 1, -1, 84, false},
        {3, 2, 1400, 84, true},
        {7, 2, -1, -1, false},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        SetVideoMode(c.mode);
        EXPECT_EQ(c.bitrate, s.GetVideoBitrate()) << c.format << "/" << c.mode;
        EXPECT_EQ(c.quality, s.GetVideoQuality()) << c.format << "/" << c.mode;
        EXPECT_EQ(c.twoPass, s.IsTwoPassVideo()) << c.format << "/" << c.mode;
    }
}

TEST_F(EncSettingsSummaryTest, OutputSizeFromTheSetSidesAndTheSource)
{
    struct Case {
        int setW, setH, sourceW, sourceH, width, height;
    } const cases[] = {
        {640, 0, 720, 480, 640, 426},  // truncated, not rounded
        {0, 480, 0, 0, 640, 480},      // no source size: 4:3
        {640, 0, 0, 0, 640, 480},       {0, 480, 720, 576, 600, 480},
        {320, 240, 720, 480, 320, 240}, {0, 0, 720, 576, 720, 576},
        {-1, 240, 720, 480, 720, 480},  // a negative side: the source size
        {640, -5, 720, 480, 720, 480},  {2000000000, 0, 1, 2000000000, 2000000000, 2147483647},  // kept in range
    };
    for (const Case& c : cases) {
        s.nVideoSizeW = c.setW;
        s.nVideoSizeH = c.setH;
        int w = -7, h = -7;
        s.GetOutputVideoSize(c.sourceW, c.sourceH, w, h);
        EXPECT_EQ(c.width, w) << c.setW << "x" << c.setH << " of " << c.sourceW << "x" << c.sourceH;
        EXPECT_EQ(c.height, h) << c.setW << "x" << c.setH << " of " << c.sourceW << "x" << c.sourceH;
    }
}

// A picture is refused only when the chosen encoder cannot take it after the
// treatments: the writers make any size even, so only a side below 2 or
// beyond the encoder's own limit is left.
TEST_F(EncSettingsSummaryTest, PictureSizesTheChosenEncoderTakes)
{
    struct Case {
        int format;
        const char* fourcc;
        int setW, setH, sourceW, sourceH;
        bool takes;
    } const cases[] = {
        {0, "XVID", 0, 0, 854, 480, true},  // the common wide 480p size
        {0, "XVID", 0, 0, 636, 357, true},  // an odd height loses a row
        {0, "XVID", 0, 0, 1366, 768, true},       {0, "XVID", 0, 0, 642, 481, true},
        {0, "XVID", 0, 0, 1, 64, false},     // nothing is left of one column
        {0, "XVID", 160, 120, 1, 64, true},  // unless the treatments scale it
        {0, "xvid", 0, 0, 8192, 64, false},  // MPEG-4 part 2 has 13 bits a side
        {0, "DIVX", 0, 0, 8191, 64, true},        {0, "XVID", 640, 0, 8192, 64, true},
        {1, "avc1", 0, 0, 8192, 64, true},        {1, "avc1", 0, 0, 16386, 64, false},  // H.264's limit
        {3, "H264", 0, 0, 16384, 64, true},       {2, "XVID", 0, 0, 9000, 64, true},  // Windows Media has no such limit
        {0, "XVID", 0, 0, 854, -480, true},                                           // a picture stored bottom up
        {0, "XVID", 0, 0, INT32_MIN, 480, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.fourcc << " " << c.setW << "x" << c.setH << " of "
                                        << c.sourceW << "x" << c.sourceH);
        s.nEncFormat = c.format;
        const DWORD fourcc = MAKEFOURCC(c.fourcc[0], c.fourcc[1], c.fourcc[2], c.fourcc[3]);
        s.AviEncoder.fccVideoCodec = s.Mp4Encoder.fccVideoCodec = s.OgmEncoder.fccVideoCodec = fourcc;
        s.nVideoSizeW = c.setW;
        s.nVideoSizeH = c.setH;
        EXPECT_EQ(c.takes, s.CanEncodeVideoSize(c.sourceW, c.sourceH));
    }
}

TEST_F(EncSettingsSummaryTest, OutputNamesAndPaths)
{
    s.sDstFolder = L"/out/";
    s.nEtcNamingCnt = 4321;
    struct Case {
        int format;
        const wchar_t* nameTemplate;
        const wchar_t* source;
        int jobIndex;
        const wchar_t* name;
        const wchar_t* path;
    } const cases[] = {
        {0, L"<SRC_FILENAME>.<DEF_EXT>", L"/in/clip.mpg", 0, L"clip.avi", L"/out/clip.avi"},
        {1, L"<SRC_FILENAME>.<DEF_EXT>", L"/in/clip.mpg", 0, L"clip.mp4", L"/out/clip.mp4"},
        {2, L"<SRC_FILENAME>.<DEF_EXT>", L"/in/clip.mpg", 0, L"clip.wmv", L"/out/clip.wmv"},
        {3, L"<SRC_FILENAME>.<DEF_EXT>", L"/in/clip.mpg", 0, L"clip.ogm", L"/out/clip.ogm"},
        {7, L"<SRC_FILENAME>.<DEF_EXT>", L"/in/clip.mpg", 0, L"clip.avi", L"/out/clip.avi"},
        // Job index 0 is track 1; the path takes the naming counter.
        {0, L"<TRACK_NUM02>-<COUNTER02>.<DEF_EXT>", L"/in/clip.mpg", 0, L"01-00.avi", L"/out/01-21.avi"},
        // A source address names its file after the last '|'.
        {0, L"<SRC_FILENAME>.<DEF_EXT>", L"http://host/a|clip.asf", 4, L"clip.avi", L"/out/clip.avi"},
        // A template that makes no usable name gives no path, not the folder.
        {0, L"<SRC_FILENAME>/", L"/in/clip.mpg", 0, L"", L""},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        s.sEtcNaming = c.nameTemplate;
        EXPECT_EQ(c.name, s.GetOutputFileName(c.source, c.jobIndex, 100)) << c.nameTemplate;
        EXPECT_EQ(c.path, s.GetOutputFilePath(c.source, c.jobIndex)) << c.nameTemplate;
    }
}

TEST_F(EncSettingsSummaryTest, SizePredictionByFormat)
{
    ASSERT_TRUE(std::getenv("RIVO_BIN_DIR"));
    const CString lang = CString(Utf8ToWide(std::getenv("RIVO_BIN_DIR"))) + L"/lang/";
    GetLangTextTable().LoadLangFile(lang + L"english.ini", lang + L"korean.ini", L"");
    const CString word = LookupText(L"TEXT_FILESIZE_PREDICTION");
    const CString none = LookupText(L"TEXT_FILESIZE_PREDICTION_NO");
    ASSERT_EQ(L" (estimated)", word);
    ASSERT_FALSE(none.IsEmpty());

    struct Case {
        int format, videoMode, videoKbps, audioKbps;
        SEncJobMedia job;
        CString text;
    } const cases[] = {
        // 60 s at 1152 kbit/s: 60 x 1152 x 128 + 60 x 640 bytes.
        {0, 0, 1024, 128, {nullptr, nullptr, 500, 10, 70}, L"AVI, 0:01:00, 8.4MB" + word},
        {0, 2, 1024, 128, {nullptr, nullptr, 60, 0, 0}, L"AVI, 0:01:00, 8.4MB" + word},
        // OGM adds nothing per second: 3600 x 1 x 128 bytes.
        {3, 0, 0, 1, {nullptr, nullptr, 3600, 0, 0}, L"OGM, 1:00:00, 450.0KB" + word},
        {1, 0, 0, 1, {nullptr, nullptr, 3600, 0, 0}, L"MP4, 1:00:00, 2.6MB" + word},
        // WMV: the video rate and the audio format's 192 kbit/s.
        {2, 1, 1024, 0, {nullptr, nullptr, 60, 0, 0}, L"WMV, 0:01:00, 8.9MB" + word},
        // A start after the end: the whole duration.
        {1, 1, 1024, 128, {nullptr, nullptr, 125, 70, 10}, L"MP4, 0:02:05, " + none},
        {7, 0, 1024, 128, {nullptr, nullptr, 5, 0, 0}, L"ETC, 0:00:05, " + none},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        SetVideoMode(c.videoMode);
        s.AviEncoder.nVideoKBitrate = s.Mp4Encoder.nVideoKBitrate = s.WmvEncoder.nVideoKBitrate =
            s.OgmEncoder.nVideoKBitrate = c.videoKbps;
        s.AviEncoder.nAudioKBitrate = s.Mp4Encoder.nAudioKBitrate = s.OgmEncoder.nAudioKBitrate = c.audioKbps;
        EXPECT_EQ(c.text, s.GetFileSizePrediction(c.job)) << c.format;
    }
}

TEST_F(EncSettingsSummaryTest, VideoSummary)
{
    const CMediaType ntsc = VideoType(FORMAT_VideoInfo, 720, 480, 333667);
    const CMediaType pal2 = VideoType(FORMAT_VideoInfo2, 720, 576, 400000);
    const CMediaType mpeg2 = VideoType(FORMAT_MPEG2Video, 720, 576, 400000);
    const CMediaType still = VideoType(FORMAT_VideoInfo, 720, 480, 0);
    CMediaType other = VideoType(FORMAT_VideoInfo, 720, 480, 333667);
    other.SetFormatType(FORMAT_WaveFormatEx);
    CMediaType cut = VideoType(FORMAT_VideoInfo, 720, 480, 333667);
    cut.SetFormat(ntsc.pbFormat, 56);  // ends inside the picture header
    // A phone's clip stored on its side, to be turned a quarter for showing.
    CMediaType phone = VideoType(FORMAT_VideoInfo2, 1920, 1080, 333333);
    reinterpret_cast<VIDEOINFOHEADER2*>(phone.pbFormat)->dwControlFlags = OrientationControlFlags({1, false});

    struct Case {
        int format, mode, kbps, sizeW;
        const AM_MEDIA_TYPE* type;
        const wchar_t* text;
    } const cases[] = {
        {0, 0, 800, 640, &ntsc, L"CBR, 640x426, 29.97fps, 800Kbps"},
        {0, 1, 800, 0, &ntsc, L"VBR, Quality 81, 720x480, 29.97fps"},
        {1, 2, 1001, 0, &pal2, L"2PASS-CBR, 720x576, 25.00fps, 1.0Mbps"},
        {1, 0, 1000, 0, &mpeg2, L"CBR, 720x576, 25.00fps, 1000Kbps"},
        // OGM keeps its quality in constant-bit-rate mode.
        {3, 0, 1400, 0, &ntsc, L"CBR, Quality 84, 720x480, 29.97fps, 1.4Mbps"},
        {2, 0, 1300, 0, &ntsc, L"CBR, Quality 83, 720x480, 29.97fps, 1.3Mbps"},
        {0, 0, 800, 0, &still, L"CBR, 720x480, 0.00fps, 800Kbps"},
        {0, 0, 800, 0, &other, L""},
        {0, 0, 800, 0, &cut, L""},
        // The size rules apply to the picture as it is seen.
        {0, 0, 800, 0, &phone, L"CBR, 1080x1920, 30.00fps, 800Kbps"},
        {0, 0, 800, 640, &phone, L"CBR, 640x1137, 30.00fps, 800Kbps"},
        {0, 0, 800, 0, nullptr, L""},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        SetVideoMode(c.mode);
        s.AviEncoder.nVideoKBitrate = s.Mp4Encoder.nVideoKBitrate = s.WmvEncoder.nVideoKBitrate =
            s.OgmEncoder.nVideoKBitrate = c.kbps;
        s.nVideoSizeW = c.sizeW;
        SEncJobMedia job;
        job.pVideoType = c.type;
        EXPECT_EQ(c.text, s.GetVideoSummary(&job)) << c.text;
    }
    EXPECT_EQ(L"", s.GetVideoSummary(nullptr));

    // A set frame rate wins over the source's.
    s.nEncFormat = 0;
    SetVideoMode(1);
    s.nVideoFrameRate = 30000;
    s.nVideoFrameScale = 1001;
    SEncJobMedia job;
    job.pVideoType = &ntsc;
    EXPECT_EQ(L"VBR, Quality 81, 720x480, 29.97fps", s.GetVideoSummary(&job));
    s.nVideoFrameRate = 25000;
    s.nVideoFrameScale = 1000;
    EXPECT_EQ(L"VBR, Quality 81, 720x480, 25.00fps", s.GetVideoSummary(&job));
}

TEST_F(EncSettingsSummaryTest, AudioSummary)
{
    const CMediaType cd = AudioType(44100);
    const CMediaType phone = AudioType(8000);
    CMediaType cut = AudioType(44100);
    cut.SetFormat(cd.pbFormat, 6);  // ends before the sample rate
    CMediaType notWave = AudioType(44100);
    notWave.SetFormatType(FORMAT_None);

    struct Case {
        int format, audioMode, sampleRate;
        const AM_MEDIA_TYPE* type;
        const wchar_t* text;
    } const cases[] = {
        {0, 0, 0, &cd, L"CBR, Quality 30, 2Ch, 44.0KHz, 128Kbps"},
        {0, 1, 44100, &cd, L"VBR, Quality 30, 2Ch, 44.1KHz, 128Kbps"},
        {1, 0, 0, &phone, L"VBR, Quality 30, 2Ch, 8.0KHz, 128Kbps"},
        {3, 0, 0, &cd, L"CBR, 2Ch, 44.0KHz, 128Kbps"},
        {3, 1, 0, &cd, L"VBR, Quality 0, 2Ch, 44.0KHz"},
        {9, 1, 48000, &cd, L"VBR, Quality 0, 2Ch, 48.0KHz"},
        // WMV shows the chosen format's description as it stands.
        {2, 0, 0, &cd, L"192 kbps, 48 kHz, stereo CBR"},
        {0, 0, 0, &cut, L""},
        {0, 0, 0, &notWave, L""},
        {0, 0, 0, nullptr, L""},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        s.AviEncoder.nAudioEncMode = s.OgmEncoder.nAudioEncMode = c.audioMode;
        s.nAudioSRate = c.sampleRate;
        SEncJobMedia job;
        job.pAudioType = c.type;
        EXPECT_EQ(c.text, s.GetAudioSummary(&job)) << c.text;
    }
    EXPECT_EQ(L"", s.GetAudioSummary(nullptr));
}

TEST_F(EncSettingsSummaryTest, TextHelpersReadNumbersTheSameUnderACommaLocale)
{
    EXPECT_EQ(L"yes", CEncSettings::BoolToYesNo(-3));
    EXPECT_EQ(L"no", CEncSettings::BoolToYesNo(0));
    const bool comma = UseCommaDecimalLocale(temp().File("locale"));
    struct Case {
        const wchar_t* text;
        double value;
    } const cases[] = {
        {L"29.97", 29.97}, {L" 25", 25.0}, {L"23.976fps", 23.976}, {L"29,97", 29.0}, {L"abc", 0.0}, {L"", 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.value, CEncSettings::StringToDouble(c.text)) << c.text;
    EXPECT_TRUE(std::isinf(CEncSettings::StringToDouble(L"inf")));
    UseCLocale();
    if (!comma) GTEST_SKIP() << "no comma-decimal locale can be made here; checked in the C locale only";
}

}  // namespace
