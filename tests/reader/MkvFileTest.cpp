#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "MediaFixtures.h"
#include "reader/FormatDetection.h"
#include "reader/analysers/MkvFile.h"

namespace {

std::unique_ptr<MkvFile> Analyse(const std::string& path)
{
    auto mkv = std::make_unique<MkvFile>();
    int status = mkv->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, mkv->m_nStatus);
    return mkv;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// --- Agreement with ffprobe over files the ffmpeg command line makes --------

struct OracleRow {
    const char* name;
    std::string args;
    const char* fourcc;  // from the codec id table, or its first four letters
    WORD audioTag;
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class MkvOracle : public ::testing::TestWithParam<OracleRow> {};

TEST_P(MkvOracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + ".mkv", row.args);
    ProbeFacts p = Probe(path);
    ASSERT_EQ(FILETYPE_MKV, DetectFileFormat(Utf8ToWide(path).c_str()));
    auto mkv = Analyse(path);
    const MediaFileInfo& r = *mkv;

    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(FILETYPE_MKV, r.m_nFileType);
    EXPECT_EQ(p.size, r.m_llFileSize);
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 1e-6);
    EXPECT_EQ(r.m_llFileSize * 80000000 / r.m_llDuration, r.m_llBitRate);
    EXPECT_EQ(0, r.m_llDataSize);
    EXPECT_EQ(p.videoStreams, r.m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    ASSERT_NE(nullptr, mkv->GetWritingApp());
    EXPECT_EQ(0, std::wcsncmp(mkv->GetWritingApp(), L"Lavf", 4));

    EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
    EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
    EXPECT_EQ(row.fourcc, FourCCText(r.m_vih.bmiHeader.biCompression));
    EXPECT_EQ(400000, r.m_vih.AvgTimePerFrame);  // 25 frames a second
    EXPECT_EQ(VideoPackets(path), r.m_llFrameCount);
    // Cue points of the first track, the video: one per key frame.
    EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
    EXPECT_EQ(p.videoKeyFrames, r.m_llKeyFrameCount);
    if (p.videoKeyFrames > 20) {
        EXPECT_NEAR(0.04, r.m_dKeyIntervalAvg, 1e-9);  // every frame a key frame
    } else {
        EXPECT_NEAR(0.48, r.m_dKeyIntervalAvg, 1e-9);  // -g 12
        EXPECT_NEAR(0.48, r.m_dKeyIntervalMax, 1e-9);
        EXPECT_NEAR(0.48, r.m_dKeyIntervalMin, 1e-9);
        EXPECT_NEAR(0.0, r.m_dKeyIntervalStdDev, 1e-9);
    }
    for (int i = 0; i < p.audioStreams && i < r.m_nAudioCount; ++i) {
        EXPECT_EQ(row.audioTag, Value(r.m_wfxAudio[i].wFormatTag)) << i;
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[i]), Value(r.m_wfxAudio[i].nSamplesPerSec)) << i;
        EXPECT_EQ(p.channels[i], Value(r.m_wfxAudio[i].nChannels)) << i;
    }
}

const std::string kAv = TestVideo("176x144") + " " + TestAudio() + " -ac 2 -g 12";

INSTANTIATE_TEST_SUITE_P(
    Files, MkvOracle,
    ::testing::Values(
        OracleRow{"mpeg4_mp3_cues_after_clusters", kAv + " -c:v mpeg4 -c:a libmp3lame", "MP4V", 0x0055},
        OracleRow{"mpeg4_mp3_cues_before_clusters", kAv + " -c:v mpeg4 -c:a libmp3lame -reserve_index_space 4096",
                  "MP4V", 0x0055},
        OracleRow{"mpeg4_mp3_without_crc", kAv + " -c:v mpeg4 -c:a libmp3lame -write_crc32 0", "MP4V", 0x0055},
        OracleRow{"h264_aac", kAv + " -c:v libx264 -preset ultrafast -c:a aac", "AVC1", 0x00FF},
        OracleRow{"hevc_aac", kAv + " -c:v libx265 -preset ultrafast -x265-params log-level=none -c:a aac", "HEVC",
                  0x00FF},
        OracleRow{"vp9_opus_webm", kAv + " -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus -f webm", "VP90",
                  0x704F},
        OracleRow{"theora_vorbis", kAv + " -c:v libtheora -c:a libvorbis", "THEO", 0x674F},
        OracleRow{"rawvideo", TestVideo("176x144") + " -t 1 -c:v rawvideo -pix_fmt yuv420p", "I420", 0}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

// --- Files built by the test -------------------------------------------------

// EBML elements with 8-byte sizes.
std::string Id(uint32_t id)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8)
        if (id >> shift || !s.empty()) s += static_cast<char>(id >> shift);
    return s;
}
std::string El(uint32_t id, const std::string& payload)
{
    std::string size = "\x01";
    for (int shift = 48; shift >= 0; shift -= 8)
        size += static_cast<char>(static_cast<uint64_t>(payload.size()) >> shift);
    return Id(id) + size + payload;
}
std::string UInt(uint32_t id, uint64_t v)
{
    std::string b;
    for (int shift = 56; shift >= 0; shift -= 8) b += static_cast<char>(v >> shift);
    return El(id, b);
}
std::string Float(uint32_t id, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    std::string b;
    for (int shift = 56; shift >= 0; shift -= 8) b += static_cast<char>(bits >> shift);
    return El(id, b);
}
uint32_t Crc32(const std::string& data)
{
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

enum : uint32_t {
    kEbml = 0x1A45DFA3,
    kDocType = 0x4282,
    kSegment = 0x18538067,
    kSeekHead = 0x114D9B74,
    kSeek = 0x4DBB,
    kSeekId = 0x53AB,
    kSeekPosition = 0x53AC,
    kInfo = 0x1549A966,
    kTimecodeScale = 0x2AD7B1,
    kDuration = 0x4489,
    kWritingApp = 0x5741,
    kTracks = 0x1654AE6B,
    kTrackEntry = 0xAE,
    kTrackNumber = 0xD7,
    kTrackType = 0x83,
    kDefaultDuration = 0x23E383,
    kCodecId = 0x86,
    kCodecPrivate = 0x63A2,
    kVideo = 0xE0,
    kPixelWidth = 0xB0,
    kPixelHeight = 0xBA,
    kColourSpace = 0x2EB524,
    kAudio = 0xE1,
    kSamplingFrequency = 0xB5,
    kChannels = 0x9F,
    kBitDepth = 0x6264,
    kCluster = 0x1F43B675,
    kClusterTimecode = 0xE7,
    kCues = 0x1C53BB6B,
    kCuePoint = 0xBB,
    kCueTime = 0xB3,
    kCueTrackPositions = 0xB7,
    kCueTrack = 0xF7,
    kCueClusterPosition = 0xF1,
    kCrc32 = 0xBF,
};

// The document type with a one-byte size, as detection looks for it.
std::string Header() { return El(kEbml, Id(kDocType) + "\x88" + "matroska"); }
std::string Info(double duration = 10000, const std::string& app = "Test Writer", uint64_t timecodeScale = 1000000)
{
    std::string body = UInt(kTimecodeScale, timecodeScale) + El(kWritingApp, app);
    if (duration > 0) body += Float(kDuration, duration);
    return El(kInfo, body);
}
std::string VideoTrack(uint64_t number, const std::string& codec, uint64_t w, uint64_t h, const std::string& extra = "")
{
    return El(kTrackEntry, UInt(kTrackNumber, number) + UInt(kTrackType, 1) + UInt(kDefaultDuration, 40000000) +
                               El(kCodecId, codec) + extra + El(kVideo, UInt(kPixelWidth, w) + UInt(kPixelHeight, h)));
}
std::string AudioTrack(uint64_t number, const std::string& codec, double rate, uint64_t channels,
                       const std::string& extra = "")
{
    return El(kTrackEntry,
              UInt(kTrackNumber, number) + UInt(kTrackType, 2) + El(kCodecId, codec) + extra +
                  El(kAudio, Float(kSamplingFrequency, rate) + UInt(kChannels, channels) + UInt(kBitDepth, 16)));
}
std::string CuePoint(uint64_t time, uint64_t track)
{
    return El(kCuePoint,
              UInt(kCueTime, time) + El(kCueTrackPositions, UInt(kCueTrack, track) + UInt(kCueClusterPosition, 100)));
}
std::string Cluster() { return El(kCluster, UInt(kClusterTimecode, 0) + std::string(40, '\0')); }

// A file: header, segment of the given level-1 elements.
std::string File(const std::string& level1) { return Header() + El(kSegment, level1); }

std::unique_ptr<MkvFile> AnalyseBytes(const TempDir& dir, const std::string& bytes)
{
    std::string path = dir.File("built.mkv");
    WriteBytes(path, bytes);
    return Analyse(path);
}

std::string ThreeCues()
{
    // Written out of order and with another track's points between them.
    return El(kCues, CuePoint(4000, 1) + CuePoint(0, 1) + CuePoint(500, 2) + CuePoint(1000, 1) + CuePoint(3000, 1));
}

TEST(MkvFile, TracksAndCuesBeforeTheClusters)
{
    TempDir dir;
    std::string tracks =
        El(kTracks, VideoTrack(1, "V_MPEG4/ISO/ASP", 640, 480) + AudioTrack(2, "A_AAC/MPEG4/LC/SBR", 48000, 2) +
                        AudioTrack(3, "A_REAL/COOK", 22050, 1) + AudioTrack(4, "A_NEW", 8000, 1));
    auto mkv = AnalyseBytes(dir, File(Info() + tracks + ThreeCues() + Cluster()));
    const MediaFileInfo& r = *mkv;
    ASSERT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_STREQ(L"Test Writer", mkv->GetWritingApp());
    EXPECT_EQ(100000000, r.m_llDuration);
    EXPECT_EQ(r.m_llFileSize * 8 / 10, r.m_llBitRate);  // over 10 s
    EXPECT_EQ(1, r.m_nVideoCount);
    EXPECT_EQ("MP4V", FourCCText(r.m_vih.bmiHeader.biCompression));
    EXPECT_EQ(640, r.m_vih.bmiHeader.biWidth);
    EXPECT_EQ(480, r.m_vih.bmiHeader.biHeight);
    EXPECT_EQ(400000, r.m_vih.AvgTimePerFrame);  // 40,000,000 ns
    EXPECT_EQ(250, r.m_llFrameCount);
    ASSERT_EQ(3, r.m_nAudioCount);
    EXPECT_EQ(0x00FF, Value(r.m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(48000u, Value(r.m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(16, Value(r.m_wfxAudio[0].wBitsPerSample));
    EXPECT_EQ(0u, Value(r.m_wfxAudio[0].nAvgBytesPerSec));
    EXPECT_EQ(0xA304, Value(r.m_wfxAudio[1].wFormatTag));  // named "Cook" by the codec table
    EXPECT_EQ(0, Value(r.m_wfxAudio[2].wFormatTag));
    // Track 1's cue points sorted by time: 0, 1, 3 and 4 s.
    EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
    EXPECT_EQ(4, r.m_llKeyFrameCount);
    EXPECT_NEAR(4.0 / 3, r.m_dKeyIntervalAvg, 0.001);  // 1,333 ms
    EXPECT_DOUBLE_EQ(2.0, r.m_dKeyIntervalMax);
    EXPECT_DOUBLE_EQ(1.0, r.m_dKeyIntervalMin);
    EXPECT_NEAR(0.471, r.m_dKeyIntervalStdDev, 1e-9);  // √((333² + 667² + 333²) / 3) ms, cut

    std::string report = RunReportTool({dir.File("built.mkv")});
    EXPECT_NE(std::string::npos, report.find("Used Tool            : Test Writer\r\n\r\n")) << report;
    EXPECT_NE(std::string::npos, report.find("Codec Type           : Cook\r\n"));
}

// A seek head pointing at cues written after the clusters, optionally with
// a CRC-32 that is right or wrong.
std::string CuesAfterClusters(int crc)
{
    std::string info = Info();
    std::string tracks = El(kTracks, VideoTrack(1, "V_MPEG4/ISO/ASP", 320, 240));
    std::string cluster = Cluster();
    // The seek head's size does not depend on the position it holds.
    auto seekHead = [&](uint64_t cuesAt) {
        std::string entries = El(kSeek, El(kSeekId, Id(kCues)) + UInt(kSeekPosition, cuesAt));
        std::string check = crc ? El(kCrc32, LE32Bytes(Crc32(entries) + (crc < 0 ? 1 : 0))) : "";
        return El(kSeekHead, check + entries);
    };
    uint64_t cuesAt = seekHead(0).size() + info.size() + tracks.size() + cluster.size();
    return File(seekHead(cuesAt) + info + tracks + cluster + ThreeCues());
}

TEST(MkvFile, CuesThroughTheSeekHead)
{
    TempDir dir;
    for (int crc : {0, 1, -1}) {
        auto mkv = AnalyseBytes(dir, CuesAfterClusters(crc));
        ASSERT_EQ(STATUS_OK, mkv->m_nStatus) << crc;
        // A seek head whose checksum fails is not followed.
        EXPECT_EQ(crc < 0 ? INDEX_MISSING : INDEX_VALID, mkv->m_nIndexStatus) << crc;
        EXPECT_EQ(crc < 0 ? 0 : 4, mkv->m_llKeyFrameCount) << crc;
    }
}

TEST(MkvFile, VideoTrackCases)
{
    TempDir dir;
    // Two video tracks: the second one's format remains.
    auto two = AnalyseBytes(
        dir, File(Info() + El(kTracks, VideoTrack(1, "V_REAL/RV40", 320, 240) + VideoTrack(2, "V_DIRAC", 64, 48))));
    EXPECT_EQ(2, two->m_nVideoCount);
    EXPECT_EQ("V_DI", FourCCText(two->m_vih.bmiHeader.biCompression));
    EXPECT_EQ(64, two->m_vih.bmiHeader.biWidth);

    // Uncompressed video takes its colour space; a short codec id is padded.
    std::string raw =
        El(kTrackEntry, UInt(kTrackNumber, 1) + UInt(kTrackType, 1) + El(kCodecId, "V_UNCOMPRESSED") +
                            El(kVideo, UInt(kPixelWidth, 8) + UInt(kPixelHeight, 8) + El(kColourSpace, "YV12")));
    auto uncompressed = AnalyseBytes(dir, File(Info() + El(kTracks, raw)));
    EXPECT_EQ("YV12", FourCCText(uncompressed->m_vih.bmiHeader.biCompression));
    auto shortId = AnalyseBytes(dir, File(Info() + El(kTracks, VideoTrack(1, "V_X", 8, 8))));
    EXPECT_EQ(std::string("V_X\0", 4), FourCCText(shortId->m_vih.bmiHeader.biCompression));

    // A Windows bitmap header as codec data is taken as it stands; a short
    // one is zero-filled.
    std::string bmi = LE32Bytes(40) + LE32Bytes(352) + LE32Bytes(288) + std::string("\x01\x00\x18\x00", 4) + "XVID" +
                      std::string(20, '\0');
    auto vfw =
        AnalyseBytes(dir, File(Info() + El(kTracks, VideoTrack(1, "V_MS/VFW/FOURCC", 8, 8, El(kCodecPrivate, bmi)))));
    EXPECT_EQ("XVID", FourCCText(vfw->m_vih.bmiHeader.biCompression));
    EXPECT_EQ(352, vfw->m_vih.bmiHeader.biWidth);
    auto shortVfw = AnalyseBytes(
        dir, File(Info() + El(kTracks, VideoTrack(1, "V_MS/VFW/FOURCC", 8, 8, El(kCodecPrivate, bmi.substr(0, 16))))));
    EXPECT_EQ(STATUS_OK, shortVfw->m_nStatus);
    EXPECT_EQ(352, shortVfw->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(0u, shortVfw->m_vih.bmiHeader.biCompression);

    // Without a duration: no time, rate or frame count.
    auto noDuration = AnalyseBytes(dir, File(Info(0) + El(kTracks, VideoTrack(1, "V_THEORA", 8, 8)) + ThreeCues()));
    EXPECT_EQ(STATUS_OK, noDuration->m_nStatus);
    EXPECT_EQ(0, noDuration->m_llDuration);
    EXPECT_EQ(0, noDuration->m_llBitRate);
    EXPECT_EQ(0, noDuration->m_llFrameCount);
}

TEST(MkvFile, FrameDurationIsInNanosecondsWhateverTheScale)
{
    TempDir dir;
    // Timecodes in tenths of a millisecond: 100,000 of them are 10 s. The
    // default duration of 40,000,000 ns stays 40 ms a frame.
    auto mkv = AnalyseBytes(
        dir, File(Info(100000, "Test Writer", 100000) + El(kTracks, VideoTrack(1, "V_MPEG4/ISO/ASP", 320, 240))));
    ASSERT_EQ(STATUS_OK, mkv->m_nStatus);
    EXPECT_EQ(100000000, mkv->m_llDuration);
    EXPECT_EQ(400000, mkv->m_vih.AvgTimePerFrame);
    EXPECT_EQ(250, mkv->m_llFrameCount);
    std::string report = RunReportTool({dir.File("built.mkv")});
    EXPECT_NE(std::string::npos, report.find("Frames/sec           : 25.00 Frames/Sec\r\n")) << report;
}

// Inserts a NUL after the document type "matroska", as some muxers write it:
// the type's size and the EBML header's one-byte size grow by one; the
// segment moves as a whole, so its own positions stay right.
std::string PadDocType(const std::string& file)
{
    const std::string docType = std::string("\x42\x82\x88", 3) + "matroska";
    size_t at = file.find(docType);
    if (at == std::string::npos || (static_cast<unsigned char>(file[4]) & 0x80) == 0) return "";
    std::string padded =
        file.substr(0, at) + std::string("\x42\x82\x89", 3) + "matroska" + '\0' + file.substr(at + docType.size());
    padded[4] = static_cast<char>(padded[4] + 1);
    return padded;
}

struct DetectionRow {
    const char* name;
    std::string args;
    bool padDocType;
    const char* codecLine;
};
void PrintTo(const DetectionRow& row, std::ostream* os) { *os << row.name; }

class MkvDetection : public ::testing::TestWithParam<DetectionRow> {};

TEST_P(MkvDetection, OtherDocumentTypesAreMatroska)
{
    const DetectionRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "made", row.args);
    if (row.padDocType) {
        std::string padded = PadDocType(Slurp(path));
        ASSERT_FALSE(padded.empty());
        WriteBytes(path, padded);
    }
    ProbeFacts p = Probe(path);
    ASSERT_EQ(FILETYPE_MKV, DetectFileFormat(Utf8ToWide(path).c_str()));
    auto mkv = Analyse(path);
    EXPECT_EQ(STATUS_OK, mkv->m_nStatus);
    EXPECT_EQ(p.videoStreams, mkv->m_nVideoCount);
    EXPECT_EQ(p.audioStreams, mkv->m_nAudioCount);
    EXPECT_EQ(p.width, mkv->m_vih.bmiHeader.biWidth);
    std::string report = RunReportTool({path});
    EXPECT_NE(std::string::npos, report.find("File Format          : Matroska format\r\n")) << report;
    EXPECT_EQ(std::string::npos, report.find("Binary Code")) << report;
    EXPECT_NE(std::string::npos, report.find(row.codecLine)) << report;
}

INSTANTIATE_TEST_SUITE_P(Files, MkvDetection,
                         ::testing::Values(DetectionRow{"webm",
                                                        TestVideo() + " " + TestAudio() +
                                                            " -c:v libvpx -deadline realtime -c:a libvorbis -f webm",
                                                        false, "Codec Type           : VP8 (VP80)\r\n"},
                                           DetectionRow{"doctype_with_nul", TestVideo() + " -c:v mpeg4 -f matroska",
                                                        true, "Codec Type           : MPEG-4 (MP4V)\r\n"}),
                         [](const ::testing::TestParamInfo<DetectionRow>& i) { return std::string(i.param.name); });

TEST(MkvFile, AudioTrackCases)
{
    TempDir dir;
    std::string wave = std::string("\x55\x00\x02\x00", 4) + LE32Bytes(44100) + LE32Bytes(16000) +
                       std::string("\x01\x00\x00\x00\x00\x00", 6);
    std::string tracks = AudioTrack(1, "A_MS/ACM", 8000, 1, El(kCodecPrivate, wave)) +
                         AudioTrack(2, "A_MS/ACM", 8000, 1, El(kCodecPrivate, wave.substr(0, 8)));
    // Codec data before the codec id is not taken.
    tracks += El(kTrackEntry, UInt(kTrackNumber, 3) + UInt(kTrackType, 2) + El(kCodecPrivate, wave) +
                                  El(kCodecId, "A_MS/ACM") + El(kAudio, Float(kSamplingFrequency, 32000)));
    for (int i = 0; i < 15; ++i) tracks += AudioTrack(10 + i, "A_FLAC", 8000 + i, 2);
    auto mkv = AnalyseBytes(dir, File(Info() + El(kTracks, tracks)));
    ASSERT_EQ(STATUS_OK, mkv->m_nStatus);
    EXPECT_EQ(16, mkv->m_nAudioCount);  // of 18
    EXPECT_EQ(0x0055, Value(mkv->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(44100u, Value(mkv->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(16000u, Value(mkv->m_wfxAudio[0].nAvgBytesPerSec));
    EXPECT_EQ(0x0055, Value(mkv->m_wfxAudio[1].wFormatTag));
    EXPECT_EQ(44100u, Value(mkv->m_wfxAudio[1].nSamplesPerSec));
    EXPECT_EQ(0u, Value(mkv->m_wfxAudio[1].nAvgBytesPerSec));  // past the 8 bytes given
    EXPECT_EQ(0, Value(mkv->m_wfxAudio[2].wFormatTag));
    EXPECT_EQ(32000u, Value(mkv->m_wfxAudio[2].nSamplesPerSec));
    EXPECT_EQ(0xA401, Value(mkv->m_wfxAudio[3].wFormatTag));
    EXPECT_EQ(8012u, Value(mkv->m_wfxAudio[15].nSamplesPerSec));
}

TEST(MkvFile, WritingApplicationThatIsNotUtf8)
{
    TempDir dir;
    auto mkv = AnalyseBytes(dir, File(Info(10000, "Lavf\xC9") + El(kTracks, VideoTrack(1, "V_THEORA", 8, 8))));
    ASSERT_EQ(STATUS_OK, mkv->m_nStatus);
    EXPECT_STREQ(L"Lavf\xFFFD", mkv->GetWritingApp());
}

TEST(MkvFile, FewCuesNoHeaderAndFailures)
{
    TempDir dir;
    std::string tracks = El(kTracks, VideoTrack(1, "V_MPEG4/ISO/ASP", 320, 240));
    auto few = AnalyseBytes(dir, File(Info() + tracks + El(kCues, CuePoint(0, 1) + CuePoint(1000, 1))));
    EXPECT_EQ(STATUS_OK, few->m_nStatus);
    EXPECT_EQ(INDEX_MISSING, few->m_nIndexStatus);
    EXPECT_EQ(0, few->m_llKeyFrameCount);

    // No EBML header: the segment is read all the same.
    auto headless = AnalyseBytes(dir, El(kSegment, Info() + tracks));
    EXPECT_EQ(STATUS_OK, headless->m_nStatus);
    EXPECT_EQ(1, headless->m_nVideoCount);

    // No segment, or tracks cut by the end of the file: the analysis ends
    // with status 0 and the report says the file could not be analysed.
    auto noSegment = AnalyseBytes(dir, Header() + std::string(64, 'x'));
    EXPECT_EQ(0, noSegment->m_nStatus);
    std::string whole = File(Info() + tracks);
    auto cut = AnalyseBytes(dir, whole.substr(0, whole.size() - 10));
    EXPECT_EQ(0, cut->m_nStatus);
    EXPECT_EQ(static_cast<int64_t>(whole.size() - 10), cut->m_llFileSize);
    std::string report = RunReportTool({dir.File("built.mkv")});
    EXPECT_NE(std::string::npos, report.find("State of Analysis    : Can not open the file for analysis.\r\n"))
        << report;

    MkvFile missing;
    EXPECT_EQ(0, missing.Analyse(dir.WFile("none.mkv").c_str()));
}

}  // namespace
