#include <gtest/gtest.h>

#include <cstring>

#include "MediaFixtures.h"
#include "reader/analysers/FlvFile.h"

namespace {

std::unique_ptr<FlvFile> Analyse(const std::string& path)
{
    auto flv = std::make_unique<FlvFile>();
    int status = flv->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, flv->m_nStatus);
    return flv;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string BE24(uint32_t v) { return {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string BE32(uint32_t v) { return static_cast<char>(v >> 24) + BE24(v); }

// A file header (audio and video flags), then tags built with Tag().
std::string FlvHeader() { return std::string("FLV\x01\x05", 5) + BE32(9) + BE32(0); }

std::string Tag(uint8_t type, uint32_t timestampMs, const std::string& data)
{
    std::string t(1, static_cast<char>(type));
    t += BE24(static_cast<uint32_t>(data.size())) + BE24(timestampMs & 0xFFFFFF) +
         static_cast<char>(timestampMs >> 24) + std::string(3, '\0') + data;
    return t + BE32(static_cast<uint32_t>(11 + data.size()));
}

// A Sorenson key frame whose picture header gives 320 x 240 (size code 5).
std::string SorensonKey() { return std::string("\x12\x00\x00\x84\x02\x80\x00\x00\x00\x00\x00\x00", 12); }

// --- Agreement with ffprobe ---------------------------------------------------

struct OracleRow {
    const char* name;
    std::string args;
    const char* fourcc;
    bool pictureSize;  // false: the codec gives none
    WORD audioTag;
    int64_t minSize = 0;
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class FlvOracle : public ::testing::TestWithParam<OracleRow> {};

TEST_P(FlvOracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + ".flv", row.args);
    ProbeFacts p = Probe(path);
    ASSERT_GE(p.size, row.minSize);
    auto flv = Analyse(path);
    const MediaFileInfo& r = *flv;
    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(p.size, r.m_llFileSize);
    // The last tag's timestamp: the playback time less its last frame.
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.15);
    EXPECT_GT(r.m_llBitRate, 0);
    EXPECT_EQ(L'\0', r.m_szFilePath[0]);  // the path is not kept
    EXPECT_EQ(p.videoStreams, r.m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    if (p.videoStreams) {
        EXPECT_EQ(row.fourcc, FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(row.pictureSize ? p.width : 0, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(row.pictureSize ? p.height : 0, r.m_vih.bmiHeader.biHeight);
    }
    if (p.audioStreams) {
        EXPECT_EQ(row.audioTag, Value(r.m_wfxAudio[0].wFormatTag));
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[0]), Value(r.m_wfxAudio[0].nSamplesPerSec));
        EXPECT_EQ(p.channels[0], Value(r.m_wfxAudio[0].nChannels));
    }
    EXPECT_EQ(0, r.m_nIndexStatus);
    EXPECT_EQ(0, r.m_llFrameCount);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FlvOracle,
    ::testing::Values(
        OracleRow{"flv1_mp3", TestVideo() + " " + TestAudio() + " -c:v flv -c:a libmp3lame", "FLV1", true, 0x0055},
        OracleRow{"flv1_custom_small_nellymoser",
                  TestVideo("200x150") + " " + TestAudio(22050) + " -c:v flv -c:a nellymoser", "FLV1", true, 0xA200},
        OracleRow{"flv1_custom_large_nellymoser_8k",
                  TestVideo("400x300") + " " + TestAudio(8000) + " -c:v flv -c:a nellymoser", "FLV1", true, 0xA100},
        OracleRow{"flv1_cif_pcm_le", TestVideo("352x288") + " " + TestAudio(11025) + " -c:v flv -c:a pcm_s16le -ac 2",
                  "FLV1", true, 0x0001},
        OracleRow{"flv1_alaw", TestVideo() + " " + TestAudio(8000) + " -c:v flv -c:a pcm_alaw", "FLV1", true, 0x0006},
        OracleRow{"flv1_mulaw", TestVideo() + " " + TestAudio(8000) + " -c:v flv -c:a pcm_mulaw", "FLV1", true, 0x0007},
        OracleRow{"screen_aac", TestVideo() + " " + TestAudio() + " -c:v flashsv -c:a aac -ac 2", "SCRV", true, 0x00FF},
        // The flags of an AAC tag always say 44 kHz stereo.
        OracleRow{"h264_aac_mono_22k",
                  TestVideo() + " " + TestAudio(22050) + " -c:v libx264 -preset ultrafast -c:a aac -ac 1", "AVC1",
                  false, 0x00FF},
        OracleRow{"h264_aac_48k",
                  TestVideo() + " " + TestAudio(48000) + " -c:v libx264 -preset ultrafast -c:a aac -ac 2", "AVC1",
                  false, 0x00FF},
        OracleRow{"screen2_silent", TestVideo() + " -c:v flashsv2", "SCR2", true, 0},
        OracleRow{"h264_mp3", TestVideo() + " " + TestAudio() + " -c:v libx264 -preset ultrafast -c:a libmp3lame -ac 2",
                  "AVC1", false, 0x0055},
        OracleRow{"mp3_only", TestAudio() + " -c:a libmp3lame", "", false, 0x0055},
        // Over 1 MiB: the last tag is sought in the window at the end.
        OracleRow{"flv1_over_1mib",
                  "-f lavfi -i testsrc=size=320x240:rate=25:duration=2.5,noise=alls=80:allf=t " + TestAudio() +
                      " -c:v flv -q:v 4 -c:a libmp3lame",
                  "FLV1", true, 0x0055, 1048576 + 1}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

// --- Damaged files and built tags --------------------------------------------

// Offset of the first tag of the given type in an FLV file.
size_t FirstTag(const std::string& data, uint8_t type)
{
    size_t p = 13;
    while (p + 11 <= data.size()) {
        if (static_cast<uint8_t>(data[p]) == type) return p;
        uint32_t size = (static_cast<uint8_t>(data[p + 1]) << 16) | (static_cast<uint8_t>(data[p + 2]) << 8) |
                        static_cast<uint8_t>(data[p + 3]);
        p += 11 + size + 4;
    }
    return std::string::npos;
}

TEST(FlvFile, DamagedAndBuiltFiles)
{
    TempDir dir;
    std::string made = MakeWithFfmpeg(dir, "base.flv", TestVideo() + " " + TestAudio() + " -c:v flv -c:a libmp3lame");
    const std::string base = Slurp(made);
    size_t firstVideo = FirstTag(base, 9);
    ASSERT_NE(std::string::npos, firstVideo);
    std::string interFirst = base;
    interFirst[firstVideo + 11] = '\x22';

    std::string sixtyScripts = FlvHeader();
    for (int i = 0; i < 60; ++i) sixtyScripts += Tag(18, 0, "script");
    sixtyScripts += Tag(9, 40, SorensonKey()) + Tag(8, 80, "\x2E" + std::string(100, 'a'));

    struct Row {
        const char* what;
        std::string bytes;
        int status;
        int videoCount, audioCount;
        int64_t durationMs;  // -1: not checked
    } rows[] = {
        {"cut in the last tag", base.substr(0, base.size() - 20), STATUS_FLV_INCOMPLETE, 1, 1, -1},
        {"first video tag not a key frame", interFirst, STATUS_FLV_VIDEO_TAG, 0, -1, 0},
        {"14 bytes", base.substr(0, 14), STATUS_DAMAGED, 0, 0, 0},
        {"FLV and garbage", "FLV" + std::string(200, 'g'), STATUS_FLV_INCOMPLETE, 0, 0, 0},
        {"header size past the end", std::string("FLV\x01\x05\xFF\xFF\xFF\xF0", 9) + base.substr(9),
         STATUS_FLV_INCOMPLETE, 0, 0, 0},
        {"single frame at time 0", FlvHeader() + Tag(9, 0, SorensonKey()), STATUS_FLV_INCOMPLETE, 1, 0, 0},
        {"two frames", FlvHeader() + Tag(9, 0, SorensonKey()) + Tag(9, 1500, SorensonKey()), STATUS_OK, 1, 0, 1500},
        {"timestamp extension byte", FlvHeader() + Tag(9, 0, SorensonKey()) + Tag(9, 0x01000010, SorensonKey()),
         STATUS_OK, 1, 0, 0x01000010},
        {"empty audio tag is passed over",
         FlvHeader() + Tag(8, 0, "") + Tag(8, 20, "\x5A" + std::string(50, 'a')) +
             Tag(8, 900, "\x5A" + std::string(50, 'a')),
         STATUS_OK, 0, 1, 900},
        {"video tag too short for its picture header",
         FlvHeader() + Tag(9, 0, "\x12\x00\x00") + Tag(9, 700, SorensonKey()), STATUS_FLV_VIDEO_TAG, 0, 0, 0},
        {"video tag without data", FlvHeader() + Tag(9, 0, "") + Tag(9, 700, SorensonKey()), STATUS_FLV_VIDEO_TAG, 0, 0,
         0},
        // No audio or video tag among the first 50: no last tag is sought.
        {"first tags past the fiftieth are not read", sixtyScripts, STATUS_FLV_INCOMPLETE, 0, 0, 0},
    };
    for (const Row& row : rows) {
        WriteBytes(dir.File("d.flv"), row.bytes);
        auto flv = Analyse(dir.File("d.flv"));
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.status, flv->m_nStatus);
        EXPECT_EQ(static_cast<int64_t>(row.bytes.size()), flv->m_llFileSize);
        if (row.videoCount >= 0) {
            EXPECT_EQ(row.videoCount, flv->m_nVideoCount);
        }
        if (row.audioCount >= 0) {
            EXPECT_EQ(row.audioCount, flv->m_nAudioCount);
        }
        if (row.durationMs >= 0) {
            EXPECT_EQ(row.durationMs * 10000, flv->m_llDuration);
        }
    }
}

TEST(FlvFile, AudioFlagsAndPictureHeaders)
{
    TempDir dir;
    struct AudioRow {
        uint8_t flags;
        WORD tag;
        DWORD rate;
        WORD channels, bits;
        std::string rest = std::string(20, 'x');  // the tag's data after its first byte
    } audio[] = {
        {0x0F, 0x0001, 44100, 2, 16},
        {0x16, 0x0002, 11025, 1, 16},
        {0x2C, 0x0055, 44100, 1, 8},
        {0x53, 0xA100, 8000, 1, 16},
        {0x69, 0xA200, 22050, 2, 8},
        {0x3E, 0x0001, 44100, 1, 16},
        {0x40, 0xA200, 16000, 1, 8},
        {0x70, 0x0006, 8000, 1, 8},
        {0x82, 0x0007, 8000, 1, 16},
        {0xE2, 0x0055, 8000, 1, 16},
        {0xB2, 0, 5512, 1, 16},
        {0xF3, 0, 5512, 2, 16},
        // AAC: the flags say 44 kHz stereo; the decoder configuration of
        // the first tag (packet type 0) says 22,050 Hz mono. A tag of AAC
        // frames (packet type 1) holds none.
        {0xAF, 0x00FF, 22050, 1, 16, std::string("\x00\x13\x88", 3) + std::string(17, '\0')},
        {0xAF, 0x00FF, 44100, 2, 16, std::string("\x01\x13\x88", 3) + std::string(17, '\0')},
        {0xAF, 0x00FF, 44100, 2, 16, std::string("\x00", 1)},
    };
    for (const AudioRow& a : audio) {
        std::string data(1, static_cast<char>(a.flags));
        data += a.rest;
        WriteBytes(dir.File("a.flv"), FlvHeader() + Tag(8, 0, data) + Tag(8, 2000, data));
        auto flv = Analyse(dir.File("a.flv"));
        SCOPED_TRACE(a.flags);
        EXPECT_EQ(STATUS_OK, flv->m_nStatus);
        EXPECT_EQ(a.tag, Value(flv->m_wfxAudio[0].wFormatTag));
        EXPECT_EQ(a.rate, Value(flv->m_wfxAudio[0].nSamplesPerSec));
        EXPECT_EQ(a.channels, Value(flv->m_wfxAudio[0].nChannels));
        EXPECT_EQ(a.bits, Value(flv->m_wfxAudio[0].wBitsPerSample));
        EXPECT_EQ(0u, Value(flv->m_wfxAudio[0].nAvgBytesPerSec));
    }
    struct VideoRow {
        std::string data;
        const char* fourcc;
        LONG width, height;
    } video[] = {
        {SorensonKey(), "FLV1", 320, 240},
        // Size code 0: 8-bit width and height; code 1: 16-bit.
        {std::string("\x12\x00\x00\x84\x00\x64\x4B\x00\x00\x00", 10), "FLV1", 200, 150},
        {std::string("\x12\x00\x00\x84\x00\x80\xC8\x00\x96\x00", 10), "FLV1", 400, 300},
        {std::string("\x12\x00\x00\x84\x03\x80\x00\x00\x00\x00", 10), "FLV1", 0, 0},  // code 7: no size
        {std::string("\x13\x10\xA0\x00\x78", 5), "SCRV", 160, 120},
        {std::string("\x16\x11\x40\x00\xF0", 5), "SCR2", 320, 240},
        {std::string("\x14\x00\x00\x00\x0F\x14", 6), "FLV4", 320, 240},
        {std::string("\x15\x00\x00\x00\x00\x00\x00\x0F\x14", 9), "FLV4", 320, 240},
        {std::string("\x17\x00\x00\x00\x00", 5), "AVC1", 0, 0},
        {std::string("\x18\x00\x00\x00\x00", 5), "    ", 0, 0},
    };
    for (const VideoRow& v : video) {
        WriteBytes(dir.File("v.flv"), FlvHeader() + Tag(9, 0, v.data) + Tag(9, 3000, v.data));
        auto flv = Analyse(dir.File("v.flv"));
        SCOPED_TRACE(v.fourcc);
        EXPECT_EQ(STATUS_OK, flv->m_nStatus);
        EXPECT_EQ(v.fourcc, FourCCText(flv->m_vih.bmiHeader.biCompression));
        EXPECT_EQ(v.width, flv->m_vih.bmiHeader.biWidth);
        EXPECT_EQ(v.height, flv->m_vih.bmiHeader.biHeight);
        EXPECT_EQ(30000000, flv->m_llDuration);
    }
}

TEST(FlvFile, LargeFileCutInItsLastTag)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "big.flv",
                                      "-f lavfi -i testsrc=size=320x240:rate=25:duration=2.5,noise=alls=80:allf=t "
                                      "-c:v flv -q:v 4");
    std::string data = Slurp(path);
    ASSERT_GT(data.size(), 1048576u);
    TruncateTo(path, data.size() - 30);
    auto flv = Analyse(path);
    EXPECT_EQ(STATUS_FLV_INCOMPLETE, flv->m_nStatus);
    EXPECT_GT(flv->m_llDuration, 20000000);
    FlvFile missing;
    EXPECT_EQ(STATUS_OPEN_FAILED, missing.Analyse(dir.WFile("missing.flv").c_str()));
}

}  // namespace
