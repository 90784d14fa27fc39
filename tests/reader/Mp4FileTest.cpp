#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "MediaFixtures.h"
#include "reader/FormatDetection.h"
#include "reader/analysers/Mp4File.h"

namespace {

std::unique_ptr<Mp4File> Analyse(const std::string& path)
{
    auto mp4 = std::make_unique<Mp4File>();
    int status = mp4->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, mp4->m_nStatus);
    return mp4;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// --- Agreement with ffprobe over files the ffmpeg command line makes --------

struct OracleRow {
    const char* name;
    const char* extension;
    std::string args;
    bool fragmented;  // the movie box holds no samples and no duration
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class Mp4Oracle : public ::testing::TestWithParam<OracleRow> {};

TEST_P(Mp4Oracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + row.extension, row.args);
    ProbeFacts p = Probe(path);
    ASSERT_EQ(FILETYPE_MP4, DetectFileFormat(Utf8ToWide(path).c_str()));
    auto mp4 = Analyse(path);
    const MediaFileInfo& r = *mp4;

    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(FILETYPE_MP4, r.m_nFileType);
    EXPECT_EQ(p.size, r.m_llFileSize);
    EXPECT_GT(r.m_llDataSize, 0);
    EXPECT_LT(r.m_llDataSize, r.m_llFileSize);
    EXPECT_EQ(p.videoStreams, r.m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    // The movie header's duration, exact: the rates divide by it.
    if (row.fragmented) {
        EXPECT_EQ(0, r.m_llDuration);
    } else {
        EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.05);
        EXPECT_NEAR(r.m_llDataSize * 8.0 * 1e7 / r.m_llDuration, static_cast<double>(r.m_llBitRate), 1.0);
    }
    if (p.videoStreams) {
        EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
        EXPECT_EQ(Upper(FourCCText(p.videoTag)), FourCCText(r.m_vih.bmiHeader.biCompression));
        if (!row.fragmented) {
            EXPECT_EQ(p.videoFrames, r.m_llFrameCount);
            // The report's frame rate: 25 frames a second, not the frames
            // over the whole seconds.
            EXPECT_NEAR(25.0, r.m_llFrameCount * 1e7 / r.m_llDuration, 0.5);
            EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
            EXPECT_EQ(p.videoKeyFrames, r.m_llKeyFrameCount);
            EXPECT_NEAR(0.48, r.m_dKeyIntervalAvg, 1e-9);  // -g 12 at 25 frames a second
            EXPECT_NEAR(0.48, r.m_dKeyIntervalMax, 1e-9);
            EXPECT_NEAR(0.48, r.m_dKeyIntervalMin, 1e-9);
            EXPECT_NEAR(0.0, r.m_dKeyIntervalStdDev, 1e-9);
            EXPECT_GT(r.m_vih.dwBitRate, 0u);
        } else {
            EXPECT_EQ(0, r.m_llFrameCount);
            EXPECT_EQ(INDEX_MISSING, r.m_nIndexStatus);
        }
    }
    for (int i = 0; i < p.audioStreams && i < r.m_nAudioCount; ++i) {
        EXPECT_EQ(0x00FF, Value(r.m_wfxAudio[i].wFormatTag)) << i;
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[i]), Value(r.m_wfxAudio[i].nSamplesPerSec)) << i;
        EXPECT_EQ(p.channels[i], Value(r.m_wfxAudio[i].nChannels)) << i;
        EXPECT_EQ(row.fragmented, Value(r.m_wfxAudio[i].nAvgBytesPerSec) == 0) << i;
    }
}

const std::string kAvArgs = TestVideo("176x144") + " " + TestAudio() + " -ac 2 -g 12";

INSTANTIATE_TEST_SUITE_P(
    Files, Mp4Oracle,
    ::testing::Values(
        OracleRow{"mp4v_aac_moov_last", ".mp4", kAvArgs + " -c:v mpeg4 -c:a aac", false},
        OracleRow{"h264_aac_moov_first", ".mp4",
                  kAvArgs + " -c:v libx264 -preset ultrafast -c:a aac -movflags +faststart", false},
        OracleRow{"h264_two_audio", ".mp4",
                  TestVideo("176x144") + " " + TestAudio() + " " + TestAudio(8000) +
                      " -map 0 -map 1 -map 2 -ac 2 -g 12 -c:v libx264 -preset ultrafast -c:a aac",
                  false},
        // The entry says two channels for a mono stream; the decoder
        // configuration says one.
        OracleRow{"h264_aac_mono", ".mp4",
                  TestVideo("176x144") + " " + TestAudio() + " -ac 1 -g 12 -c:v libx264 -preset ultrafast -c:a aac",
                  false},
        OracleRow{"h263_aac_3gp", ".3gp",
                  TestVideo("176x144") + " " + TestAudio(8000) + " -ac 2 -g 12 -c:v h263 -c:a aac", false},
        // QuickTime writes sound descriptions of version 1 with the ES
        // descriptor inside a "wave" box.
        OracleRow{"mp4v_aac_mov", ".mov", kAvArgs + " -c:v mpeg4 -c:a aac", false},
        // Times that need 64 bits: the movie, track and video media headers
        // are of version 1, the sound's media header of version 0.
        OracleRow{"mp4v_aac_version1_headers", ".mp4",
                  kAvArgs + " -c:v mpeg4 -c:a aac -movie_timescale 2000000000 -video_track_timescale 2000000000",
                  false},
        OracleRow{"fragmented", ".mp4",
                  kAvArgs + " -c:v libx264 -preset ultrafast -c:a aac -movflags frag_keyframe+empty_moov", true}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

TEST(Mp4File, UserDataTagsForTheReport)
{
    TempDir dir;
    std::string mp4 = MakeWithFfmpeg(dir, "tags.mp4",
                                     TestVideo() + " -t 1 -c:v mpeg4 -metadata title=Title -metadata composer=Writer");
    auto a = Analyse(mp4);
    ASSERT_EQ(STATUS_OK, a->m_nStatus);
    EXPECT_STREQ("Title", a->GetTitle());
    EXPECT_STREQ("Writer", a->GetWriter());
    ASSERT_NE(nullptr, a->GetTool());
    EXPECT_EQ(0, std::strncmp(a->GetTool(), "Lavf", 4));
    EXPECT_EQ(nullptr, a->GetCopyright());

    // 3GPP files carry the copyright notice as a box of the user data.
    std::string gp = MakeWithFfmpeg(dir, "tags.3gp", TestVideo("176x144") + " -t 1 -c:v h263 -metadata copyright=Copy");
    auto b = Analyse(gp);
    ASSERT_EQ(STATUS_OK, b->m_nStatus);
    EXPECT_STREQ("Copy", b->GetCopyright());

    std::string report = RunReportTool({mp4});
    EXPECT_NE(std::string::npos, report.find("Contents Title       : Title\r\nCreator              : Writer\r\n"
                                             "Used Tool            : Lavf"))
        << report;
}

// --- Files built by the test -------------------------------------------------

std::string BE16(uint32_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string BE32(uint32_t v) { return BE16(v >> 16) + BE16(v); }
std::string BE64(uint64_t v) { return BE32(static_cast<uint32_t>(v >> 32)) + BE32(static_cast<uint32_t>(v)); }

std::string Box(const std::string& type, const std::string& body)
{
    return BE32(static_cast<uint32_t>(8 + body.size())) + type + body;
}
std::string Full(const std::string& type, const std::string& body, int version = 0)
{
    return Box(type, std::string(1, static_cast<char>(version)) + std::string(3, '\0') + body);
}

std::string Mvhd(uint32_t timescale, uint32_t duration, int version = 0)
{
    std::string times = version == 1 ? BE64(0) + BE64(0) + BE32(timescale) + BE64(duration)
                                     : BE32(0) + BE32(0) + BE32(timescale) + BE32(duration);
    return Full("mvhd",
                times + BE32(0x10000) + BE16(0x100) + BE16(0) + BE64(0) + std::string(36, '\0') +
                    std::string(24, '\0') + BE32(2),
                version);
}
std::string Tkhd(uint32_t width, uint32_t height)
{
    return Full("tkhd", BE32(0) + BE32(0) + BE32(1) + BE32(0) + BE32(0) + BE64(0) + BE16(0) + BE16(0) + BE16(0) +
                            BE16(0) + std::string(36, '\0') + BE32(width << 16) + BE32(height << 16));
}
std::string Mdhd(uint32_t timescale, uint32_t duration)
{
    return Full("mdhd", BE32(0) + BE32(0) + BE32(timescale) + BE32(duration) + BE16(0x55C4) + BE16(0));
}
std::string Hdlr(const char* type) { return Full("hdlr", BE32(0) + type + std::string(12, '\0') + "Handler" + '\0'); }
std::string Stts(const std::vector<std::pair<uint32_t, uint32_t>>& runs)
{
    std::string body = BE32(static_cast<uint32_t>(runs.size()));
    for (auto [count, delta] : runs) body += BE32(count) + BE32(delta);
    return Full("stts", body);
}
std::string Stss(const std::vector<uint32_t>& samples)
{
    std::string body = BE32(static_cast<uint32_t>(samples.size()));
    for (uint32_t s : samples) body += BE32(s);
    return Full("stss", body);
}
std::string Stsz(uint32_t size, uint32_t count, const std::vector<uint32_t>& sizes = {})
{
    std::string body = BE32(size) + BE32(count);
    for (uint32_t s : sizes) body += BE32(s);
    return Full("stsz", body);
}
std::string Esds(uint8_t objectType, uint32_t maxBitrate, uint32_t avgBitrate)
{
    std::string config =
        std::string(1, static_cast<char>(objectType)) + BE32(0x04000000) + BE32(maxBitrate) + BE32(avgBitrate);
    std::string es = BE16(1) + std::string(1, '\0') + "\x04" + std::string(1, static_cast<char>(config.size())) +
                     config + "\x06\x01\x02";
    return Full("esds", "\x03" + std::string(1, static_cast<char>(es.size())) + es);
}
std::string VisualEntry(const std::string& type, const std::string& boxes)
{
    return Box(type, std::string(6, '\0') + BE16(1) + std::string(16, '\0') + BE16(320) + BE16(240) + BE32(0x480000) +
                         BE32(0x480000) + BE32(0) + BE16(1) + std::string(32, '\0') + BE16(24) + BE16(0xFFFF) + boxes);
}
std::string AudioEntry(const std::string& type, uint16_t channels, uint16_t rate, const std::string& boxes)
{
    return Box(type, std::string(6, '\0') + BE16(1) + BE64(0) + BE16(channels) + BE16(16) + BE16(0) + BE16(0) +
                         BE16(rate) + BE16(0) + boxes);
}
std::string Stsd(const std::string& entry) { return Full("stsd", BE32(1) + entry); }

std::string Trak(const std::string& tkhd, const char* handler, uint32_t mediaScale, const std::string& stbl)
{
    return Box("trak", tkhd + Box("mdia", Mdhd(mediaScale, 0) + Hdlr(handler) +
                                              Box("minf", Full("vmhd", std::string(8, '\0')) + Box("stbl", stbl))));
}

// 90 frames of 1,000 at 30,000 a second, key frames 1, 31 and 61.
std::string VideoTrak(const std::string& extraStbl = "")
{
    return Trak(Tkhd(320, 240), "vide", 30000,
                Stsd(VisualEntry("avc1", Box("avcC", "\x01\x42"))) + Stts({{90, 1000}}) + Stss({1, 31, 61}) +
                    Stsz(0, 90, std::vector<uint32_t>(90, 1000)) + extraStbl);
}

std::string SoundTrak(uint16_t rate, uint8_t objectType = 0x40, uint16_t channels = 2)
{
    return Trak(
        Tkhd(0, 0), "soun", rate,
        Stsd(AudioEntry("mp4a", channels, rate, Esds(objectType, 128000, 96000))) + Stts({{10, 1024}}) + Stsz(400, 10));
}

std::string Movie(const std::string& moovBody, size_t mdatBytes = 90000, bool withMdat = true)
{
    std::string ftyp = Box("ftyp", std::string("isom") + BE32(0x200) + "isomiso2");
    std::string mdat = withMdat ? Box("mdat", std::string(mdatBytes, 'm')) : "";
    return ftyp + mdat + Box("moov", moovBody);
}

std::unique_ptr<Mp4File> AnalyseBytes(const TempDir& dir, const std::string& bytes)
{
    std::string path = dir.File("built.mp4");
    WriteBytes(path, bytes);
    return Analyse(path);
}

TEST(Mp4File, SyncSamplesGiveKeyFrameIntervals)
{
    TempDir dir;
    auto r = AnalyseBytes(dir, Movie(Mvhd(600, 5999) + VideoTrak() + SoundTrak(48000)));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(99983333, r->m_llDuration);  // 5,999 / 600 seconds
    EXPECT_EQ(90, r->m_llFrameCount);
    EXPECT_EQ(1110926, r->m_vih.AvgTimePerFrame);
    EXPECT_EQ("AVC1", FourCCText(r->m_vih.bmiHeader.biCompression));
    EXPECT_EQ(320, r->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(240, r->m_vih.bmiHeader.biHeight);
    EXPECT_EQ(INDEX_VALID, r->m_nIndexStatus);
    EXPECT_EQ(3, r->m_llKeyFrameCount);
    EXPECT_DOUBLE_EQ(1.0, r->m_dKeyIntervalAvg);
    EXPECT_DOUBLE_EQ(1.0, r->m_dKeyIntervalMax);
    EXPECT_DOUBLE_EQ(1.0, r->m_dKeyIntervalMin);
    EXPECT_DOUBLE_EQ(0.0, r->m_dKeyIntervalStdDev);
    // All 90,000 bytes over the 60,000 ticks of the two intervals.
    EXPECT_EQ(30000u * 90000 / 60000 * 8, r->m_vih.dwBitRate);
    ASSERT_EQ(1, r->m_nAudioCount);
    EXPECT_EQ(0x00FF, Value(r->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(48000u, Value(r->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(2, Value(r->m_wfxAudio[0].nChannels));
    EXPECT_EQ(400u, Value(r->m_wfxAudio[0].nAvgBytesPerSec));  // 4,000 bytes over 9.998 s
    EXPECT_EQ(18, Value(r->m_wfxAudio[0].cbSize));
}

TEST(Mp4File, RunsAndSampleNumbersPastTheEnd)
{
    TempDir dir;
    // Runs of different lengths, and a sync sample beyond the 30 samples of
    // the table: its interval only counts the samples that exist.
    std::string trak =
        Trak(Tkhd(64, 48), "vide", 1000,
             Stsd(VisualEntry("avc1", "")) + Stts({{10, 100}, {20, 50}}) + Stss({1, 11, 25, 500}) + Stsz(10, 30));
    auto r = AnalyseBytes(dir, Movie(Mvhd(1000, 2000) + trak));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(30, r->m_llFrameCount);
    EXPECT_EQ(4, r->m_llKeyFrameCount);
    // Intervals 1.0 (10 x 100), 0.7 (14 x 50) and 0.3 (the last 6 x 50).
    EXPECT_NEAR((1.0 + 0.7 + 0.3) / 3, r->m_dKeyIntervalAvg, 1e-12);
    EXPECT_NEAR(1.0, r->m_dKeyIntervalMax, 1e-12);
    EXPECT_NEAR(0.3, r->m_dKeyIntervalMin, 1e-12);
}

TEST(Mp4File, NoSyncTableAndMpeg4BitRates)
{
    TempDir dir;
    std::string trak = Trak(Tkhd(320, 240), "vide", 25,
                            Stsd(VisualEntry("mp4v", Esds(0x20, 800000, 500000))) + Stts({{50, 1}}) +
                                Stsz(0, 50, std::vector<uint32_t>(50, 2000)));
    auto r = AnalyseBytes(dir, Movie(Mvhd(1000, 2000) + trak));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(INDEX_MISSING, r->m_nIndexStatus);
    EXPECT_EQ(0, r->m_llKeyFrameCount);
    EXPECT_EQ(500000u, r->m_vih.dwBitRate);
    EXPECT_EQ("MP4V", FourCCText(r->m_vih.bmiHeader.biCompression));

    // An average above the maximum is not believed: the sizes give the rate.
    trak = Trak(Tkhd(320, 240), "vide", 25,
                Stsd(VisualEntry("mp4v", Esds(0x20, 100, 500000))) + Stts({{50, 1}}) + Stsz(2000, 50));
    r = AnalyseBytes(dir, Movie(Mvhd(1000, 2000) + trak));
    EXPECT_EQ(50u * 2000 / 2 * 8, r->m_vih.dwBitRate);

    std::string report = RunReportTool({dir.File("built.mp4")});
    EXPECT_NE(std::string::npos, report.find("Index Status         : Error: Cannot find the index of the file.\r\n"));
}

TEST(Mp4File, SoundTracksAndTheirTags)
{
    TempDir dir;
    std::string moov = Mvhd(1000, 3000) + SoundTrak(48000) + SoundTrak(8000, 0x6B, 1);
    moov +=
        Trak(Tkhd(0, 0), "soun", 8000,
             Stsd(AudioEntry("samr", 1, 8000, Box("damr", std::string("VNDR") + '\0' + BE16(0x81FF) + '\0' + '\1'))) +
                 Stts({{5, 160}}) + Stsz(32, 5));
    moov += Trak(Tkhd(0, 0), "soun", 8000,
                 Stsd(AudioEntry("s723", 1, 8000, Box("d723", BE32(1) + '\0' + '\1'))) + Stsz(24, 5));
    auto r = AnalyseBytes(dir, Movie(moov));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    ASSERT_EQ(4, r->m_nAudioCount);
    EXPECT_EQ(0, r->m_nVideoCount);
    EXPECT_EQ(48000u, Value(r->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(8000u, Value(r->m_wfxAudio[1].nSamplesPerSec));
    EXPECT_EQ(0x0055, Value(r->m_wfxAudio[1].wFormatTag));
    EXPECT_EQ(1, Value(r->m_wfxAudio[1].nChannels));
    EXPECT_EQ(0xA2FE, Value(r->m_wfxAudio[2].wFormatTag));
    EXPECT_EQ(8000u, Value(r->m_wfxAudio[2].nSamplesPerSec));
    EXPECT_EQ(1, Value(r->m_wfxAudio[2].nChannels));
    EXPECT_EQ(0x0042, Value(r->m_wfxAudio[3].wFormatTag));
    EXPECT_EQ(6400u / 8, Value(r->m_wfxAudio[3].nAvgBytesPerSec));

    // Of more than 16 sound tracks the first 16 are described.
    std::string many = Mvhd(1000, 3000);
    for (int i = 0; i < 18; ++i) many += SoundTrak(static_cast<uint16_t>(8000 + i));
    auto m = AnalyseBytes(dir, Movie(many));
    EXPECT_EQ(STATUS_OK, m->m_nStatus);
    EXPECT_EQ(16, m->m_nAudioCount);
    EXPECT_EQ(8015u, Value(m->m_wfxAudio[15].nSamplesPerSec));
}

TEST(Mp4File, ShortFilesAndMissingBoxesGiveZeros)
{
    TempDir dir;
    // No duration: every rate 0.
    auto r = AnalyseBytes(dir, Movie(Mvhd(1000, 0) + VideoTrak() + SoundTrak(44100)));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(0, r->m_llDuration);
    EXPECT_EQ(0, r->m_llBitRate);
    EXPECT_EQ(0, r->m_vih.AvgTimePerFrame);
    EXPECT_EQ(0u, Value(r->m_wfxAudio[0].nAvgBytesPerSec));

    // Under one second there are still rates: 90,008 bytes of media data
    // over 0.999 s.
    r = AnalyseBytes(dir, Movie(Mvhd(1000, 999) + VideoTrak() + SoundTrak(44100)));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(9990000, r->m_llDuration);
    EXPECT_EQ(720785, r->m_llBitRate);
    EXPECT_EQ(111000, r->m_vih.AvgTimePerFrame);
    EXPECT_EQ(4004u, Value(r->m_wfxAudio[0].nAvgBytesPerSec));

    // A video track with nothing but its handler, and a movie without mvhd.
    std::string bare = Box("trak", Box("mdia", Hdlr("vide")));
    r = AnalyseBytes(dir, Movie(bare));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(1, r->m_nVideoCount);
    EXPECT_EQ(0, r->m_llDuration);
    EXPECT_EQ(0, r->m_llFrameCount);
    EXPECT_EQ(0, r->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(0u, r->m_vih.bmiHeader.biCompression);
    EXPECT_EQ(0u, r->m_vih.dwBitRate);
    EXPECT_EQ(INDEX_MISSING, r->m_nIndexStatus);

    // A sync table but no sample times or media time scale.
    std::string noTimes = Box("trak", Box("mdia", Hdlr("vide") + Box("minf", Box("stbl", Stss({1, 5, 9})))));
    r = AnalyseBytes(dir, Movie(Mvhd(1000, 4000) + noTimes));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(3, r->m_llKeyFrameCount);
    EXPECT_EQ(0.0, r->m_dKeyIntervalAvg);
    EXPECT_EQ(0u, r->m_vih.dwBitRate);
}

TEST(Mp4File, UserDataBoxes)
{
    TempDir dir;
    std::string cprt = Full("cprt", BE16(0x55C4) + "abc");
    ASSERT_EQ(17u, cprt.size());
    auto item = [](const char* type, const std::string& value) {
        return Box(type, Box("data", BE32(1) + BE32(0) + value));
    };
    std::string ilst = Box("ilst", item("\xA9nam", "First") + item("\xA9nam", "Second") + item("\xA9too", "Tool") +
                                       item("free", "ignored"));
    std::string udta = Box("udta", cprt + Full("cprt", BE16(0) + "later") + Full("meta", Hdlr("mdir") + ilst));
    auto r = AnalyseBytes(dir, Movie(Mvhd(1000, 2000) + VideoTrak() + udta));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_STREQ("abc", r->GetCopyright());
    EXPECT_STREQ("First", r->GetTitle());
    EXPECT_STREQ("Tool", r->GetTool());
    EXPECT_EQ(nullptr, r->GetWriter());

    // An item value that runs past the end of the file fails the user data.
    std::string broken = Box("udta", Full("meta", Box("ilst", Box("\xA9nam", BE32(5000) + "data" + BE64(0) + "x"))));
    r = AnalyseBytes(dir, Movie(Mvhd(1000, 2000) + VideoTrak() + broken));
    EXPECT_EQ(STATUS_MP4_USER_DATA, r->m_nStatus);
    EXPECT_EQ(1, r->m_nVideoCount);  // read before the user data
}

TEST(Mp4File, AFailingTrackIsPassedOver)
{
    TempDir dir;
    std::string badTrak = Trak(Tkhd(1, 1), "soun", 8000, Stsd(AudioEntry("mp4a", 2, 8000, Box("wxyz", "12345678"))));
    std::string moov = Mvhd(1000, 2000) + VideoTrak() + SoundTrak(44100) + badTrak + SoundTrak(8000);
    // The tracks on both sides of it are reported; the diagnosis stays.
    auto r = AnalyseBytes(dir, Movie(moov));
    EXPECT_EQ(STATUS_MP4_HEADER, r->m_nStatus);
    EXPECT_EQ(1, r->m_nVideoCount);
    ASSERT_EQ(2, r->m_nAudioCount);
    EXPECT_EQ(44100u, Value(r->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(8000u, Value(r->m_wfxAudio[1].nSamplesPerSec));
    EXPECT_EQ(3, r->m_llKeyFrameCount);
    EXPECT_EQ(90008, r->m_llDataSize);

    // With the movie box first, the media data after it is still counted.
    std::string ftyp = Box("ftyp", std::string("isom") + BE32(0x200) + "isomiso2");
    r = AnalyseBytes(dir, ftyp + Box("moov", moov) + Box("mdat", std::string(5000, 'm')));
    EXPECT_EQ(STATUS_MP4_HEADER, r->m_nStatus);
    EXPECT_EQ(5008, r->m_llDataSize);
    EXPECT_GT(r->m_llBitRate, 0);
    EXPECT_EQ(2, r->m_nAudioCount);
}

TEST(Mp4File, RatesComeFromTheExactDuration)
{
    TempDir dir;
    // A camera's 149 frames at 30 a second: 4.97 s, of which the time line
    // shows the whole seconds and the frame rate uses all.
    std::string trak =
        Trak(Tkhd(320, 240), "vide", 30000,
             Stsd(VisualEntry("avc1", "")) + Stts({{149, 1000}}) + Stss({1, 31, 61, 91, 121}) + Stsz(1000, 149));
    auto r = AnalyseBytes(dir, Movie(Mvhd(600, 2980) + trak, 149000));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(49666666, r->m_llDuration);
    EXPECT_EQ(333333, r->m_vih.AvgTimePerFrame);
    std::string report = RunReportTool({dir.File("built.mp4")});
    EXPECT_NE(std::string::npos, report.find("Playback Time        : 00:00:04   (4 Sec)\r\n")) << report;
    EXPECT_NE(std::string::npos, report.find("Frames/sec           : 30.00 Frames/Sec\r\n")) << report;
    EXPECT_NE(std::string::npos, report.find("Average Bit Rate     : 240.01 KBits/Sec\r\n")) << report;
}

// Moves the first box of type what to just before the first box of type
// before (both in one parent, what after before): the sizes of the boxes
// around them stay as they are.
std::string MoveBoxBefore(const std::string& file, const std::string& what, const std::string& before)
{
    size_t to = file.find(before);
    size_t from = file.find(what, to);
    if (to == std::string::npos || from == std::string::npos) return "";
    to -= 4;
    from -= 4;
    uint32_t size = static_cast<uint32_t>(
        static_cast<unsigned char>(file[from]) << 24 | static_cast<unsigned char>(file[from + 1]) << 16 |
        static_cast<unsigned char>(file[from + 2]) << 8 | static_cast<unsigned char>(file[from + 3]));
    return file.substr(0, to) + file.substr(from, size) + file.substr(to, from - to) + file.substr(from + size);
}

struct ChanRow {
    const char* name;
    std::string maps;
};
void PrintTo(const ChanRow& row, std::ostream* os) { *os << row.name; }

class Mp4ChannelLayout : public ::testing::TestWithParam<ChanRow> {};

// Phones and QuickTime tools write the channel layout of a version-1 sound
// description before its "wave" box.
TEST_P(Mp4ChannelLayout, BeforeTheWaveBoxKeepsEveryStream)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(
        dir, "made.mov",
        TestVideo("176x144") + " " + TestAudio() + " " + GetParam().maps + " -ac 1 -c:v mpeg4 -g 12 -c:a aac");
    std::string moved = MoveBoxBefore(Slurp(path), "chan", "wave");
    ASSERT_FALSE(moved.empty()) << "ffmpeg wrote no chan box after the wave box";
    ASSERT_EQ(Slurp(path).size(), moved.size());
    std::string changed = dir.File("chan_first.mov");
    WriteBytes(changed, moved);
    ProbeFacts p = Probe(changed);
    ASSERT_EQ(1, p.audioStreams);
    auto r = Analyse(changed);
    EXPECT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(p.videoStreams, r->m_nVideoCount);
    ASSERT_EQ(p.audioStreams, r->m_nAudioCount);
    EXPECT_EQ(0x00FF, Value(r->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[0]), Value(r->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(p.channels[0], Value(r->m_wfxAudio[0].nChannels));
    EXPECT_EQ(p.width, r->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(p.videoFrames, r->m_llFrameCount);
}

INSTANTIATE_TEST_SUITE_P(Files, Mp4ChannelLayout,
                         ::testing::Values(ChanRow{"video_first", "-map 0:v -map 1:a"},
                                           ChanRow{"audio_first", "-map 1:a -map 0:v"}),
                         [](const ::testing::TestParamInfo<ChanRow>& i) { return std::string(i.param.name); });

TEST(Mp4File, LastMediaDataOfSizeZeroRunsToTheEnd)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(
        dir, "made.mp4",
        TestVideo("176x144") + " " + TestAudio() + " -ac 2 -c:v mpeg4 -g 12 -c:a aac -movflags +faststart");
    std::string data = Slurp(path);
    size_t mdat = data.rfind("mdat");
    ASSERT_NE(std::string::npos, mdat);
    ASSERT_GT(mdat, data.find("moov"));  // the media data is the last box
    auto whole = Analyse(path);
    ASSERT_EQ(STATUS_OK, whole->m_nStatus);
    Overwrite(path, mdat - 4, std::string(4, '\0'));
    ProbeFacts p = Probe(path);
    EXPECT_EQ(1, p.audioStreams);
    auto r = Analyse(path);
    EXPECT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(static_cast<int64_t>(data.size() - (mdat - 4)), r->m_llDataSize);
    EXPECT_EQ(whole->m_llDataSize, r->m_llDataSize);
    EXPECT_EQ(whole->m_llBitRate, r->m_llBitRate);
    EXPECT_EQ(p.videoStreams, r->m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r->m_nAudioCount);
}

struct DamageRow {
    const char* name;
    std::function<std::string()> make;
    int status;
};
void PrintTo(const DamageRow& row, std::ostream* os) { *os << row.name; }

class Mp4Damage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(Mp4Damage, GivesItsStatus)
{
    TempDir dir;
    auto r = AnalyseBytes(dir, GetParam().make());
    EXPECT_EQ(GetParam().status, r->m_nStatus);
    EXPECT_GT(r->m_llFileSize, 0);
}

std::string WithVideoStbl(const std::string& stbl)
{
    return Movie(Mvhd(1000, 2000) + Trak(Tkhd(8, 8), "vide", 1000, Stsd(VisualEntry("avc1", "")) + stbl));
}

INSTANTIATE_TEST_SUITE_P(
    Built, Mp4Damage,
    ::testing::Values(
        DamageRow{"no_movie", [] { return Box("ftyp", "isom") + Box("mdat", "data"); }, STATUS_MP4_NOT_MP4},
        DamageRow{"no_media_data", [] { return Movie(Mvhd(1000, 2000) + VideoTrak(), 0, false); }, STATUS_MP4_DATA},
        // Only a top-level box may run to the end of the file.
        DamageRow{"child_atom_size_0",
                  [] { return Movie(Mvhd(1000, 2000) + VideoTrak() + BE32(0) + "free" + std::string(8, 'x')); },
                  STATUS_MP4_HEADER},
        DamageRow{"last_atom_size_0", [] { return Movie(Mvhd(1000, 2000) + VideoTrak()) + BE32(0) + "free" + "x"; },
                  STATUS_OK},
        DamageRow{"atom_size_4", [] { return Movie(Mvhd(1000, 2000) + VideoTrak()) + BE32(4) + "free" + "x"; },
                  STATUS_SIZE_MISMATCH},
        DamageRow{"large_size_below_16",
                  [] { return Movie(Mvhd(1000, 2000) + VideoTrak()) + BE32(1) + "free" + BE64(8) + "xxxx"; },
                  STATUS_SIZE_MISMATCH},
        DamageRow{"movie_cut_short", [] { return Movie(Mvhd(1000, 2000) + VideoTrak()).substr(0, 90300); },
                  STATUS_MP4_HEADER},
        DamageRow{"mdat_past_the_end",
                  [] { return Movie(Mvhd(1000, 2000) + VideoTrak()) + BE32(1000) + "mdat" + "short"; },
                  STATUS_SIZE_MISMATCH},
        DamageRow{"stts_count_past_box", [] { return WithVideoStbl(Full("stts", BE32(1000) + BE64(0))); },
                  STATUS_MP4_HEADER},
        DamageRow{"stsz_count_past_box",
                  [] { return WithVideoStbl(Full("stsz", BE32(0) + BE32(0x40000000) + BE32(1))); }, STATUS_MP4_HEADER},
        DamageRow{"second_stts",
                  [] {
                      return WithVideoStbl(Stts({{1, 1}}) + Stts({{1, 1}}));
                  },
                  STATUS_MP4_HEADER},
        DamageRow{"stdp_before_stsz", [] { return WithVideoStbl(Full("stdp", BE16(0)) + Stsz(1, 1)); },
                  STATUS_MP4_HEADER},
        DamageRow{"mvhd_version_2", [] { return Movie(Mvhd(1000, 2000, 2) + VideoTrak()); }, STATUS_MP4_HEADER},
        DamageRow{"mp4a_without_esds",
                  [] {
                      return Movie(Mvhd(1000, 2000) + Trak(Tkhd(0, 0), "soun", 8000,
                                                           Stsd(AudioEntry("mp4a", 1, 8000, Box("wxyz", "12345678")))));
                  },
                  STATUS_MP4_HEADER},
        DamageRow{"speech_without_config",
                  [] {
                      return Movie(Mvhd(1000, 2000) +
                                   Trak(Tkhd(0, 0), "soun", 8000, Stsd(AudioEntry("samr", 1, 8000, Box("free", "")))));
                  },
                  STATUS_MP4_HEADER},
        DamageRow{"track_child_beyond_track",
                  [] { return Movie(Mvhd(1000, 2000) + Box("trak", BE32(400) + "mdia" + std::string(20, '\0'))); },
                  STATUS_MP4_HEADER}),
    [](const ::testing::TestParamInfo<DamageRow>& i) { return std::string(i.param.name); });

TEST(Mp4File, MissingFile)
{
    TempDir dir;
    Mp4File mp4;
    EXPECT_EQ(STATUS_OPEN_FAILED, mp4.Analyse(dir.WFile("none.mp4").c_str()));
    EXPECT_EQ(0, mp4.m_llFileSize);
    EXPECT_EQ(0, mp4.m_nVideoCount);
}

TEST(Mp4File, LargeValuesStayInRange)
{
    TempDir dir;
    // A version-0 duration above 2^31 stays positive, and 64-bit box sizes
    // are read as such.
    auto r = AnalyseBytes(dir, Movie(Mvhd(1, 3000000000u) + VideoTrak()));
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(30000000000000000, r->m_llDuration);
    std::string body(100, 'm');
    std::string file = Box("ftyp", "isom") + BE32(1) + "mdat" + BE64(16 + body.size()) + body +
                       Box("moov", Mvhd(1000, 2000) + VideoTrak());
    r = AnalyseBytes(dir, file);
    ASSERT_EQ(STATUS_OK, r->m_nStatus);
    EXPECT_EQ(116, r->m_llDataSize);
    EXPECT_TRUE(ProbeMp4(dir.WFile("built.mp4").c_str()));
}

}  // namespace
