#include <gtest/gtest.h>

#include <sstream>

#include <cmath>
#include <cstring>

#include "MediaFixtures.h"
#include "reader/ReportBuilder.h"
#include "reader/analysers/AsfFile.h"

namespace {

std::unique_ptr<AsfFile> Analyse(const std::string& path)
{
    auto asf = std::make_unique<AsfFile>();
    int status = asf->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, asf->m_nStatus);
    return asf;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string LE16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string LE32(uint32_t v) { return LE32Bytes(v); }
std::string LE64(uint64_t v) { return LE32Bytes(static_cast<uint32_t>(v)) + LE32Bytes(static_cast<uint32_t>(v >> 32)); }

std::string G(const GUID& g)
{
    std::string s = LE32(g.Data1) + LE16(g.Data2) + LE16(g.Data3);
    return s + std::string(reinterpret_cast<const char*>(g.Data4), 8);
}

// One object: GUID, Object Size (header included), body.
std::string Obj(const GUID& g, const std::string& body) { return G(g) + LE64(24 + body.size()) + body; }

// The packet numbers of the first Simple Index Object of a file, and its time
// interval.
std::vector<uint32_t> SimpleIndexPackets(const std::string& data, uint64_t* interval = nullptr)
{
    std::vector<uint32_t> packets;
    size_t at = data.find(G(asf::SimpleIndex));
    if (at == std::string::npos) return packets;
    size_t body = at + 24;
    if (interval) *interval = LE32At(data, body + 16) | (static_cast<uint64_t>(LE32At(data, body + 20)) << 32);
    uint32_t count = LE32At(data, body + 28);
    for (uint32_t i = 0; i < count; ++i) packets.push_back(LE32At(data, body + 32 + 6 * i));
    return packets;
}

int64_t Runs(const std::vector<uint32_t>& packets)
{
    int64_t runs = packets.empty() ? 0 : 1;
    for (size_t i = 1; i < packets.size(); ++i) runs += packets[i] != packets[i - 1];
    return runs;
}

// --- Agreement with ffprobe over files the ffmpeg command line makes --------

struct OracleRow {
    const char* name;
    std::string args;
    const char* fourcc;  // "" without video
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class AsfOracle : public ::testing::TestWithParam<OracleRow> {};

TEST_P(AsfOracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + (*row.fourcc ? ".wmv" : ".wma"), row.args);
    ProbeFacts p = Probe(path);
    auto asf = Analyse(path);
    const MediaFileInfo& r = *asf;

    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(FILETYPE_ASF, r.m_nFileType);
    EXPECT_EQ(p.size, r.m_llFileSize);
    // The send duration; ffprobe counts the last packet's length as well.
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.1);
    EXPECT_GT(r.m_llDataSize, 0);
    EXPECT_LT(r.m_llDataSize, r.m_llFileSize);
    EXPECT_EQ(std::llround(r.m_llDataSize * 8e7 / r.m_llDuration), r.m_llBitRate);
    EXPECT_EQ(p.videoStreams, r.m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    if (p.videoStreams) {
        EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
        EXPECT_EQ(row.fourcc, FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(FourCCText(p.videoTag), FourCCText(r.m_vih.bmiHeader.biCompression));
        // The muxer writes no frame rates or stream bit rates: the video
        // gets what the data carries beyond the audio.
        EXPECT_EQ(0, r.m_llFrameCount);
        uint32_t audioBits = 0;
        for (int i = 0; i < r.m_nAudioCount; ++i) audioBits += 8 * Value(r.m_wfxAudio[i].nAvgBytesPerSec);
        EXPECT_EQ(static_cast<uint32_t>(r.m_llBitRate) - audioBits, r.m_vih.dwBitRate);
    } else {
        EXPECT_EQ(0u, r.m_vih.bmiHeader.biCompression);
        EXPECT_EQ(0u, r.m_vih.dwBitRate);
    }
    for (int i = 0; i < p.audioStreams && i < r.m_nAudioCount; ++i) {
        EXPECT_EQ(p.audioTags[i], Value(r.m_wfxAudio[i].wFormatTag)) << i;
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[i]), Value(r.m_wfxAudio[i].nSamplesPerSec)) << i;
        EXPECT_EQ(p.channels[i], Value(r.m_wfxAudio[i].nChannels)) << i;
        EXPECT_EQ(18, Value(r.m_wfxAudio[i].cbSize));
    }
    // Key frames are the runs of the video stream's Simple Index; there is
    // never more of them than ffprobe sees key-flagged packets.
    std::vector<uint32_t> packets = SimpleIndexPackets(Slurp(path));
    if (p.videoStreams) {
        ASSERT_FALSE(packets.empty());
        EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
        EXPECT_EQ(Runs(packets), r.m_llKeyFrameCount);
        EXPECT_LE(r.m_llKeyFrameCount, p.videoKeyFrames);
        EXPECT_GE(r.m_llKeyFrameCount, 2);
        if (r.m_llKeyFrameCount >= 3) {
            EXPECT_GT(r.m_dKeyIntervalMax, 0.0);
            // The average lies between the extremes it is the average of.
            EXPECT_LE(r.m_dKeyIntervalMin, r.m_dKeyIntervalAvg);
            EXPECT_GE(r.m_dKeyIntervalMax, r.m_dKeyIntervalAvg);
        } else {  // two key frames bound no whole interval of the index
            EXPECT_EQ(0.0, r.m_dKeyIntervalAvg);
            EXPECT_EQ(0.0, r.m_dKeyIntervalMax);
        }
    } else {
        EXPECT_EQ(packets.empty() ? INDEX_MISSING : INDEX_VALID, r.m_nIndexStatus);
        EXPECT_EQ(0, r.m_llKeyFrameCount);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, AsfOracle,
    ::testing::Values(
        OracleRow{"wmv1_wmav2", TestVideo() + " " + TestAudio() + " -c:v wmv1 -g 25 -c:a wmav2 -ac 2", "WMV1"},
        OracleRow{"wmv2_wmav2", TestVideo("176x144") + " " + TestAudio(22050) + " -c:v wmv2 -g 12 -c:a wmav2", "WMV2"},
        OracleRow{"wmv2_two_audio",
                  TestVideo() + " " + TestAudio() + " " + TestAudio(22050) +
                      " -map 0 -map 1 -map 2 -c:v wmv2 -g 25 -c:a:0 wmav2 -c:a:1 wmav1",
                  "WMV2"},
        OracleRow{"wmv2_silent", TestVideo() + " -c:v wmv2 -g 50", "WMV2"},
        OracleRow{"wma_only", TestAudio(48000) + " -c:a wmav2 -ac 2", ""}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

TEST(AsfFile, KeyFrameStatisticsFollowTheKeyFrameTimes)
{
    TempDir dir;
    // Key frames at 0, 2, 5 and 6 s. The index's entries (one a second,
    // shifted by the preroll) point at the first key frame until the
    // second one; from there its runs are the intervals 3 and 1 s, which
    // ffprobe's key-frame times give as well.
    std::string path = MakeWithFfmpeg(dir, "keys.wmv",
                                      "-f lavfi -i testsrc=size=160x120:rate=25:duration=8 -c:v wmv2 -g 1000 "
                                      "-force_key_frames 0,2,5,6");
    std::istringstream times(
        RunFixtureTool("ffprobe -v error -select_streams v:0 -skip_frame nokey "
                       "-show_entries frame=pts_time -of csv=p=0 '" +
                       path + "'"));
    std::vector<double> keys;
    for (std::string line; std::getline(times, line);)
        if (!line.empty()) keys.push_back(std::atof(line.c_str()));
    ASSERT_EQ(4u, keys.size());
    const double a = keys[2] - keys[1], b = keys[3] - keys[2];
    auto asf = Analyse(path);
    ASSERT_EQ(STATUS_OK, asf->m_nStatus);
    EXPECT_EQ(4, asf->m_llKeyFrameCount);
    EXPECT_NEAR((a + b) / 2, asf->m_dKeyIntervalAvg, 1e-9);
    EXPECT_NEAR(std::max(a, b), asf->m_dKeyIntervalMax, 1e-9);
    EXPECT_NEAR(std::min(a, b), asf->m_dKeyIntervalMin, 1e-9);
    EXPECT_NEAR(std::sqrt(((a - b) / 2) * ((a - b) / 2) * 2 / 2), asf->m_dKeyIntervalStdDev, 1e-9);
}

TEST(AsfFile, ContentDescriptionTagsForTheReport)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "tags.wma",
                                      TestAudio() +
                                          " -t 1 -c:a wmav2 -metadata title=Title -metadata author=Author "
                                          "-metadata copyright=Copy -metadata comment=Note -metadata rating=R5");
    auto asf = Analyse(path);
    ASSERT_EQ(STATUS_OK, asf->m_nStatus);
    EXPECT_STREQ(L"Title", asf->GetTitle());
    EXPECT_STREQ(L"Author", asf->GetAuthor());
    EXPECT_STREQ(L"Copy", asf->GetCopyright());
    EXPECT_STREQ(L"R5", asf->GetRating());

    std::string report = RunReportTool({path});
    EXPECT_NE(std::string::npos, report.find("Contents Title       : Title\r\nCreator              : Author\r\n"
                                             "Copyright            : Copy\r\nRating               : R5\r\n\r\n"))
        << report;
    EXPECT_NE(std::string::npos, report.find("Codec Type           : Window Media Audio 8 (0x0161)\r\n"));
}

// --- Files built by the test -------------------------------------------------

// Builds an ASF file from header objects and the objects after the header;
// the File Properties Object (first in the header) gets the file's size
// unless a size is forced.
struct AsfBuilder {
    uint64_t sendDuration = 60000000;
    std::vector<std::string> headerObjects;
    std::vector<std::string> after;
    bool fileProperties = true;
    bool headerExtension = true;
    int64_t fileSizeDelta = 0;

    static std::string FilePropertiesBody(uint64_t fileSize, uint64_t sendDuration)
    {
        return std::string(16, 'F') + LE64(fileSize) + LE64(0) + LE64(1) + LE64(sendDuration + 30000000) +
               LE64(sendDuration) + LE64(3000) + LE32(2) + LE32(3200) + LE32(3200) + LE32(1000000);
    }
    static std::string Extension(const std::string& subObjects)
    {
        return Obj(asf::HeaderExtension,
                   std::string(16, 'R') + LE16(6) + LE32(static_cast<uint32_t>(subObjects.size())) + subObjects);
    }
    static std::string Stream(const GUID& type, int number, const std::string& typeSpecific)
    {
        return Obj(asf::StreamProperties, G(type) + std::string(16, 'E') + LE64(0) +
                                              LE32(static_cast<uint32_t>(typeSpecific.size())) + LE32(0) +
                                              LE16(static_cast<uint32_t>(number)) + LE32(0) + typeSpecific);
    }
    static std::string Video(int number, uint32_t width, uint32_t height, const char* fourcc)
    {
        std::string bmi =
            LE32(40) + LE32(width) + LE32(height) + LE16(1) + LE16(24) + std::string(fourcc, 4) + std::string(20, '\0');
        return Stream(asf::VideoMedia, number, LE32(width) + LE32(height) + "\x02" + LE16(40) + bmi);
    }
    static std::string Audio(int number, WORD tag, WORD channels, DWORD rate, DWORD avgBytes)
    {
        return Stream(asf::AudioMedia, number,
                      LE16(tag) + LE16(channels) + LE32(rate) + LE32(avgBytes) + LE16(4) + LE16(16) + LE16(0));
    }
    static std::string DataObject(size_t packetBytes)
    {
        return Obj(asf::Data, std::string(16, 'F') + LE64(1) + LE16(0x0101) + std::string(packetBytes, 'P'));
    }
    static std::string SimpleIndexObject(uint64_t interval, const std::vector<uint32_t>& packets)
    {
        std::string body =
            std::string(16, 'F') + LE64(interval) + LE32(1) + LE32(static_cast<uint32_t>(packets.size()));
        for (uint32_t p : packets) body += LE32(p) + LE16(1);
        return Obj(asf::SimpleIndex, body);
    }
    static std::string ExtendedStream(int number, uint32_t dataBitrate, uint64_t timePerFrame)
    {
        std::string body = LE64(0) + LE64(0) + LE32(dataBitrate) + std::string(20, '\0') + LE32(0) + LE32(0) +
                           LE16(static_cast<uint32_t>(number)) + LE16(0) + LE64(timePerFrame) + LE16(0) + LE16(0);
        return Obj(asf::ExtendedStreamProperties, body);
    }

    std::string Build() const
    {
        std::string objects;
        for (const std::string& o : headerObjects) objects += o;
        if (headerExtension) objects += Extension("");
        std::string tail;
        for (const std::string& o : after) tail += o;
        const size_t fpSize = fileProperties ? 24 + FilePropertiesBody(0, 0).size() : 0;
        const size_t headerSize = 30 + fpSize + objects.size();
        const uint64_t fileSize = headerSize + tail.size() + static_cast<uint64_t>(fileSizeDelta);
        std::string fp = fileProperties ? Obj(asf::FileProperties, FilePropertiesBody(fileSize, sendDuration)) : "";
        int count = static_cast<int>(headerObjects.size()) + (fileProperties ? 1 : 0) + (headerExtension ? 1 : 0);
        return G(asf::Header) + LE64(headerSize) + LE32(static_cast<uint32_t>(count)) + "\x01\x02" + fp + objects +
               tail;
    }
};

AsfBuilder OneVideoOneAudio()
{
    AsfBuilder b;
    b.headerObjects = {AsfBuilder::Video(1, 320, 240, "WMV3"), AsfBuilder::Audio(2, 0x0161, 2, 44100, 500)};
    b.after = {AsfBuilder::DataObject(4000), AsfBuilder::SimpleIndexObject(10000000, {5, 5, 5, 9, 9, 12})};
    return b;
}

std::unique_ptr<AsfFile> AnalyseBytes(const TempDir& dir, const std::string& bytes)
{
    std::string path = dir.File("built.asf");
    WriteBytes(path, bytes);
    return Analyse(path);
}

TEST(AsfFile, SimpleIndexRunsAreKeyFrames)
{
    TempDir dir;
    auto asf = AnalyseBytes(dir, OneVideoOneAudio().Build());
    const MediaFileInfo& r = *asf;
    ASSERT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(1, r.m_nVideoCount);
    EXPECT_EQ(320, r.m_vih.bmiHeader.biWidth);
    EXPECT_EQ(240, r.m_vih.bmiHeader.biHeight);
    EXPECT_EQ("WMV3", FourCCText(r.m_vih.bmiHeader.biCompression));
    EXPECT_EQ(320u * 240 * 4, r.m_vih.bmiHeader.biSizeImage);
    EXPECT_EQ(60000000, r.m_llDuration);
    EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
    // Packets 5 5 5 9 9 12 at 1 s: three runs. The first also holds the
    // time before the first key frame and the last is open-ended: one
    // interval of 2 s.
    EXPECT_EQ(3, r.m_llKeyFrameCount);
    EXPECT_DOUBLE_EQ(2.0, r.m_dKeyIntervalAvg);
    EXPECT_DOUBLE_EQ(2.0, r.m_dKeyIntervalMax);
    EXPECT_DOUBLE_EQ(2.0, r.m_dKeyIntervalMin);
    EXPECT_EQ(0.0, r.m_dKeyIntervalStdDev);
    // Without stream bit rates the video gets the data's rate less the
    // audio's 4 kbit/s.
    EXPECT_EQ(5400, r.m_llBitRate);
    EXPECT_EQ(5400u - 4000, r.m_vih.dwBitRate);
    ASSERT_EQ(1, r.m_nAudioCount);
    EXPECT_EQ(0x0161, Value(r.m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(0, Value(r.m_wfxAudio[0].nBlockAlign));
    EXPECT_EQ(0, Value(r.m_wfxAudio[0].wBitsPerSample));
}

TEST(AsfFile, SingleRunEmptyIndexAndNoVideo)
{
    TempDir dir;
    AsfBuilder b = OneVideoOneAudio();
    b.after[1] = AsfBuilder::SimpleIndexObject(10000000, {7, 7, 7});
    auto one = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(1, one->m_llKeyFrameCount);
    EXPECT_EQ(0.0, one->m_dKeyIntervalAvg);
    EXPECT_EQ(0.0, one->m_dKeyIntervalStdDev);

    b.after[1] = AsfBuilder::SimpleIndexObject(10000000, {});
    auto empty = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(STATUS_OK, empty->m_nStatus);
    EXPECT_EQ(INDEX_VALID, empty->m_nIndexStatus);
    EXPECT_EQ(0, empty->m_llKeyFrameCount);

    b.headerObjects = {AsfBuilder::Audio(1, 0x0161, 2, 44100, 16000)};
    auto audio = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(0, audio->m_nVideoCount);
    EXPECT_EQ(0, audio->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(0u, audio->m_vih.bmiHeader.biCompression);
    EXPECT_EQ(0u, audio->m_vih.dwBitRate);
    EXPECT_EQ(0, audio->m_llKeyFrameCount);
}

TEST(AsfFile, TwoAudioStreamsAndMoreThanSixteen)
{
    TempDir dir;
    AsfBuilder b = OneVideoOneAudio();
    b.headerObjects.push_back(AsfBuilder::Audio(3, 0x0160, 1, 22050, 100));
    auto two = AnalyseBytes(dir, b.Build());
    ASSERT_EQ(2, two->m_nAudioCount);
    EXPECT_EQ(44100u, Value(two->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(22050u, Value(two->m_wfxAudio[1].nSamplesPerSec));
    EXPECT_EQ(1, Value(two->m_wfxAudio[1].nChannels));
    // The video gets what is left after both audio streams.
    EXPECT_EQ(5400u - 4000 - 800, two->m_vih.dwBitRate);

    for (int i = 0; i < 18; ++i) b.headerObjects.push_back(AsfBuilder::Audio(4 + i, 0x0001, 2, 8000 + i, 100));
    auto many = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(STATUS_OK, many->m_nStatus);
    EXPECT_EQ(16, many->m_nAudioCount);
    EXPECT_EQ(8000u + 13, Value(many->m_wfxAudio[15].nSamplesPerSec));
}

TEST(AsfFile, VideoBitRateAndFrameCountSources)
{
    TempDir dir;
    // Stream bit rates win; then the extended stream properties, which also
    // give the frame count.
    AsfBuilder b = OneVideoOneAudio();
    b.headerObjects.push_back(
        Obj(asf::StreamBitrateProperties, LE16(2) + LE16(2) + LE32(64000) + LE16(1) + LE32(512000)));
    auto sbp = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(512000u, sbp->m_vih.dwBitRate);
    EXPECT_EQ(0, sbp->m_llFrameCount);

    b = OneVideoOneAudio();
    b.headerExtension = false;
    b.headerObjects.push_back(
        AsfBuilder::Extension(AsfBuilder::ExtendedStream(2, 1000, 0) + AsfBuilder::ExtendedStream(1, 300000, 400000)));
    auto esp = AnalyseBytes(dir, b.Build());
    ASSERT_EQ(STATUS_OK, esp->m_nStatus);
    EXPECT_EQ(300000u, esp->m_vih.dwBitRate);
    EXPECT_EQ(150, esp->m_llFrameCount);  // 6 s at 40 ms
    EXPECT_EQ(400000, esp->m_vih.AvgTimePerFrame);

    // A time per frame of 0 gives no frame count rather than a trap.
    b.headerObjects.back() = AsfBuilder::Extension(AsfBuilder::ExtendedStream(1, 300000, 0));
    auto zero = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(STATUS_OK, zero->m_nStatus);
    EXPECT_EQ(0, zero->m_llFrameCount);
    EXPECT_EQ(0, zero->m_vih.AvgTimePerFrame);

    // Audio announcing more than the whole rate leaves the video at 0.
    b = OneVideoOneAudio();
    b.headerObjects[1] = AsfBuilder::Audio(2, 0x0161, 2, 44100, 0x10000000);
    EXPECT_EQ(0u, AnalyseBytes(dir, b.Build())->m_vih.dwBitRate);

    // Two video streams share it, and a duration under one second gives 0.
    b = OneVideoOneAudio();
    b.headerObjects.push_back(AsfBuilder::Video(3, 64, 48, "WMV1"));
    auto twoVideo = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(2, twoVideo->m_nVideoCount);
    EXPECT_EQ("WMV3", FourCCText(twoVideo->m_vih.bmiHeader.biCompression));
    uint64_t dataSize = static_cast<uint64_t>(twoVideo->m_llDataSize);
    EXPECT_EQ(static_cast<uint32_t>((dataSize / 6 * 8 - 4000) / 2), twoVideo->m_vih.dwBitRate);
    b.sendDuration = 9999999;
    auto shortFile = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(0u, shortFile->m_vih.dwBitRate);
}

TEST(AsfFile, VideoStreamIndexSlot)
{
    TempDir dir;
    // The first video stream in file order is number 5; a video stream
    // numbered 2 comes before it in number, so its index is the second.
    AsfBuilder b;
    b.headerObjects = {AsfBuilder::Video(5, 320, 240, "WMV3"), AsfBuilder::Video(2, 64, 48, "WMV1")};
    b.after = {AsfBuilder::DataObject(100), AsfBuilder::SimpleIndexObject(10000000, {1, 2}),
               AsfBuilder::SimpleIndexObject(10000000, {1, 1, 2, 3})};
    auto asf = AnalyseBytes(dir, b.Build());
    ASSERT_EQ(STATUS_OK, asf->m_nStatus);
    EXPECT_EQ(320, asf->m_vih.bmiHeader.biWidth);
    EXPECT_EQ(3, asf->m_llKeyFrameCount);
}

TEST(AsfFile, ContentDescriptionStrings)
{
    TempDir dir;
    // Title empty, author "A" with its terminator, copyright "ABC" without,
    // description of an odd length (5 bytes read as 6), rating "R".
    std::string body = LE16(0) + LE16(4) + LE16(6) + LE16(5) + LE16(2);
    body +=
        std::string("A\0\0\0", 4) + std::string("A\0B\0C\0", 6) + std::string("D\0E\0F\0", 6) + std::string("R\0", 2);
    AsfBuilder b = OneVideoOneAudio();
    b.headerObjects.push_back(Obj(asf::ContentDescription, body));
    auto asf = AnalyseBytes(dir, b.Build());
    ASSERT_EQ(STATUS_OK, asf->m_nStatus);
    EXPECT_EQ(nullptr, asf->GetTitle());
    EXPECT_STREQ(L"A", asf->GetAuthor());
    EXPECT_STREQ(L"ABC", asf->GetCopyright());
    EXPECT_STREQ(L"R", asf->GetRating());
}

TEST(AsfFile, StoredObjectsKeepTheWalkInStep)
{
    TempDir dir;
    AsfBuilder b = OneVideoOneAudio();
    // A marker whose entry is 4 bytes longer than its fields and description.
    std::string marker = std::string(16, 'M') + LE32(2) + LE16(0) + LE16(2) + std::string("N\0", 2);
    for (int i = 0; i < 2; ++i)
        marker += LE64(0) + LE64(0) + LE16(12 + 3 + 4) + LE32(0) + LE32(0) + LE32(3) + "abc" + "xxxx";
    b.headerObjects.push_back(Obj(asf::Marker, marker));
    b.headerObjects.push_back(Obj(asf::CodecList, std::string(16, 'C') + LE32(0)));
    b.headerObjects.push_back(Obj(asf::ScriptCommand, std::string(16, 'S') + LE16(1) + LE16(1) + LE16(2) +
                                                          std::string("U\0R\0", 4) + LE32(0) + LE16(0) + LE16(1) +
                                                          std::string("x\0", 2)));
    // An index with two specifiers and one block of three entries, and a
    // media object index of the same layout.
    std::string index = LE32(1000) + LE16(2) + LE32(1) + LE16(1) + LE16(1) + LE16(2) + LE16(1) + LE32(3) + LE64(0) +
                        LE64(0) + std::string(3 * 2 * 4, 'o');
    ASSERT_EQ(4u + 2 + 4 + 2 * 4 + 4 + 2 * 8 + 3 * 2 * 4, index.size());
    b.after.push_back(Obj(asf::Index, index));
    b.after.push_back(Obj(asf::MediaObjectIndex, index));
    b.after.push_back(Obj(asf::TimecodeIndex, LE32(0) + LE16(1) + LE32(1) + LE32(0) + LE32(2) + LE16(0) + LE64(0) +
                                                  std::string(2 * 8, 't')));
    b.after.push_back(Obj(GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, "unknown object"));
    auto asf = AnalyseBytes(dir, b.Build());
    EXPECT_EQ(STATUS_OK, asf->m_nStatus);
    EXPECT_EQ(INDEX_VALID, asf->m_nIndexStatus);
}

struct DamageRow {
    const char* name;
    std::function<std::string()> make;
    int status;
    int indexStatus;
};
void PrintTo(const DamageRow& row, std::ostream* os) { *os << row.name; }

class AsfDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(AsfDamage, GivesItsStatus)
{
    TempDir dir;
    auto asf = AnalyseBytes(dir, GetParam().make());
    EXPECT_EQ(GetParam().status, asf->m_nStatus);
    EXPECT_EQ(GetParam().indexStatus, asf->m_nIndexStatus);
    EXPECT_GT(asf->m_llFileSize, 0);
}

std::string WithHeader(std::vector<std::string> extra, bool fileProperties = true, bool extension = true)
{
    AsfBuilder b = OneVideoOneAudio();
    b.fileProperties = fileProperties;
    b.headerExtension = extension;
    for (std::string& o : extra) b.headerObjects.push_back(std::move(o));
    return b.Build();
}

INSTANTIATE_TEST_SUITE_P(
    Built, AsfDamage,
    ::testing::Values(
        DamageRow{"not_asf", [] { return std::string("RIFF") + std::string(200, 'x'); }, STATUS_ASF_NOT_ASF,
                  INDEX_MISSING},
        DamageRow{"no_header_extension", [] { return WithHeader({}, true, false); }, STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"no_file_properties", [] { return WithHeader({}, false, true); }, STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"no_stream",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.headerObjects.clear();
                      return b.Build();
                  },
                  STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"header_object_smaller_than_24",
                  [] { return WithHeader({G(asf::CodecList) + LE64(8) + std::string(40, 'z')}); }, STATUS_ASF_HEADER,
                  INDEX_MISSING},
        DamageRow{"type_specific_past_object",
                  [] {
                      std::string s = AsfBuilder::Video(4, 8, 8, "WMV1");
                      s.replace(24 + 40, 4, LE32(0x7FFFFFF0));
                      return WithHeader({s});
                  },
                  STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"bitrate_count_past_object",
                  [] { return WithHeader({Obj(asf::StreamBitrateProperties, LE16(60000) + LE16(1) + LE32(5))}); },
                  STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"codec_count_past_object",
                  [] { return WithHeader({Obj(asf::CodecList, std::string(16, 'C') + LE32(0xFFFFFFFF))}); },
                  STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"extension_sub_object_smaller_than_24",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.headerExtension = false;
                      b.headerObjects.push_back(AsfBuilder::Extension(G(asf::Metadata) + LE64(3) + "xx"));
                      return b.Build();
                  },
                  STATUS_ASF_HEADER, INDEX_MISSING},
        DamageRow{"header_cut_short", [] { return OneVideoOneAudio().Build().substr(0, 200); }, STATUS_ASF_HEADER,
                  INDEX_MISSING},
        DamageRow{"no_data_object",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.after.clear();
                      return b.Build();
                  },
                  STATUS_ASF_DATA, INDEX_MISSING},
        DamageRow{"data_object_below_50",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.after = {G(asf::Data) + LE64(40) + std::string(16, 'd')};
                      return b.Build();
                  },
                  STATUS_ASF_DATA, INDEX_MISSING},
        DamageRow{"index_count_past_object",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      std::string idx = AsfBuilder::SimpleIndexObject(10000000, {1, 2});
                      idx.replace(24 + 28, 4, LE32(1000000));
                      b.after[1] = idx;
                      return b.Build();
                  },
                  STATUS_ASF_INDEX, INDEX_INVALID},
        DamageRow{"media_object_index_cut",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.after.push_back(Obj(asf::MediaObjectIndex, LE32(1) + LE16(1) + LE32(2) + LE16(0) + LE16(0)));
                      return b.Build();
                  },
                  STATUS_ASF_INDEX, INDEX_INVALID},
        DamageRow{"timecode_index_cut",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.after.push_back(Obj(asf::TimecodeIndex, LE32(0) + LE16(1) + LE32(5)));
                      return b.Build();
                  },
                  STATUS_ASF_INDEX, INDEX_INVALID},
        DamageRow{"recorded_size_larger_than_file",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.fileSizeDelta = 1000;
                      return b.Build();
                  },
                  STATUS_SIZE_MISMATCH, INDEX_VALID},
        DamageRow{"bytes_after_recorded_size", [] { return OneVideoOneAudio().Build() + "trailing bytes"; }, STATUS_OK,
                  INDEX_VALID},
        DamageRow{"top_object_smaller_than_24",
                  [] {
                      AsfBuilder b = OneVideoOneAudio();
                      b.after.push_back(G(asf::Marker) + LE64(0) + std::string(30, 'q'));
                      return b.Build();
                  },
                  STATUS_SIZE_MISMATCH, INDEX_VALID},
        DamageRow{"data_cut_short", [] { return OneVideoOneAudio().Build().substr(0, 900); }, STATUS_SIZE_MISMATCH,
                  INDEX_MISSING}),
    [](const ::testing::TestParamInfo<DamageRow>& i) { return std::string(i.param.name); });

TEST(AsfFile, MissingFileAndReportLines)
{
    TempDir dir;
    AsfFile missing;
    EXPECT_EQ(STATUS_OPEN_FAILED, missing.Analyse(dir.WFile("none.wmv").c_str()));
    EXPECT_EQ(0, missing.m_llFileSize);

    WriteBytes(dir.File("damaged.wmv"), OneVideoOneAudio().Build().substr(0, 200));
    std::string report = RunReportTool({dir.File("damaged.wmv")});
    EXPECT_NE(std::string::npos,
              report.find("File Name            : damaged.wmv\r\n"
                          "State of Analysis    : Found a problem in the header of the WMV file.\r\n"))
        << report;
}

}  // namespace
