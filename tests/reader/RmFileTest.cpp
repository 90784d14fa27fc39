#include <gtest/gtest.h>

#include <cmath>

#include "MediaFixtures.h"
#include "reader/FormatDetection.h"
#include "reader/analysers/RmFile.h"

namespace {

std::unique_ptr<RmFile> Analyse(const std::string& path)
{
    auto rm = std::make_unique<RmFile>();
    int status = rm->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, rm->m_nStatus);
    return rm;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string BE16(uint32_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string BE32(uint32_t v) { return BE16(v >> 16) + BE16(v); }
uint32_t BE32At(const std::string& d, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(d.at(at + i));
    return v;
}
std::string Str8(const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; }

// --- Agreement with ffprobe over files the ffmpeg command line makes --------

struct OracleRow {
    const char* name;
    std::string args;
    const char* fourcc;
    WORD audioTag;
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class RmOracle : public ::testing::TestWithParam<OracleRow> {};

// What ffprobe says of the bit rates.
std::vector<int64_t> BitRates(const std::string& path)
{
    std::vector<int64_t> rates;
    std::string out =
        RunFixtureTool("ffprobe -v error -show_entries stream=bit_rate:format=bit_rate -of csv=p=0 '" + path + "'");
    for (size_t at = 0; at < out.size();) {
        size_t end = out.find('\n', at);
        rates.push_back(std::atoll(out.substr(at, end - at).c_str()));
        at = end == std::string::npos ? out.size() : end + 1;
    }
    return rates;  // streams in order, then the format
}

TEST_P(RmOracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + ".rm", row.args);
    ProbeFacts p = Probe(path);
    std::vector<int64_t> rates = BitRates(path);
    ASSERT_EQ(3u, rates.size());
    ASSERT_EQ(FILETYPE_RM, DetectFileFormat(Utf8ToWide(path).c_str()));

    // The muxer's DATA chunk announces 10 bytes more than it writes, so the
    // walk ends past the file: the analysis says so, and every figure is
    // there all the same.
    std::string data = Slurp(path);
    size_t chunk = data.find("DATA");
    ASSERT_NE(std::string::npos, chunk);
    ASSERT_EQ(data.size() + 10, chunk + BE32At(data, chunk + 4));
    for (bool repaired : {false, true}) {
        if (repaired) Overwrite(path, chunk + 4, BE32(static_cast<uint32_t>(data.size() - chunk)));
        auto rm = Analyse(path);
        const MediaFileInfo& r = *rm;
        EXPECT_EQ(repaired ? STATUS_OK : STATUS_SIZE_MISMATCH, r.m_nStatus);
        EXPECT_EQ(p.size, r.m_llFileSize);
        EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 1e-9);
        EXPECT_EQ(rates[2], r.m_llBitRate);
        EXPECT_EQ(1, r.m_nVideoCount);
        EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
        EXPECT_EQ(row.fourcc, FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(FourCCText(p.videoTag), FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(VideoPackets(path), r.m_llFrameCount);
        EXPECT_EQ(400000, r.m_vih.AvgTimePerFrame);
        EXPECT_EQ(rates[0], r.m_vih.dwBitRate);
        ASSERT_EQ(1, r.m_nAudioCount);
        EXPECT_EQ(row.audioTag, Value(r.m_wfxAudio[0].wFormatTag));
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[0]), Value(r.m_wfxAudio[0].nSamplesPerSec));
        EXPECT_EQ(p.channels[0], Value(r.m_wfxAudio[0].nChannels));
        EXPECT_EQ(rates[1], 8 * Value(r.m_wfxAudio[0].nAvgBytesPerSec));
        EXPECT_EQ(INDEX_MISSING, r.m_nIndexStatus);  // the muxer writes no index
    }
    std::string report = RunReportTool({path});
    EXPECT_NE(std::string::npos,
              report.find("Codec Type           : " +
                          std::string(row.audioTag == 0xA302 ? "RealAudio 3.0 (Dolby AC3)" : "RealAudio 1.0 (VSELP)") +
                          "\r\n"))
        << report;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RmOracle,
    ::testing::Values(
        OracleRow{"rv10_ac3", TestVideo("176x144") + " " + TestAudio() + " -c:v rv10 -c:a ac3 -ac 2", "RV10", 0xA302},
        OracleRow{"rv20_real144", TestVideo("176x144") + " " + TestAudio(8000) + " -c:v rv20 -c:a real_144", "RV20",
                  0xA300}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

// --- Files built by the test -------------------------------------------------

std::string Chunk(const char* id, const std::string& body) { return std::string(id, 4) + BE32(8 + body.size()) + body; }

std::string FileHeader() { return Chunk(".RMF", BE16(0) + BE32(0) + BE32(4)); }
std::string Properties(uint32_t durationMs)
{
    return Chunk("PROP", BE16(0) + BE32(300000) + BE32(250000) + BE32(1000) + BE32(800) + BE32(100) + BE32(durationMs) +
                             BE32(0) + BE32(0) + BE32(0) + BE16(2) + BE16(3));
}
std::string ContentChunk(const std::string& title, const std::string& author, const std::string& copyright)
{
    auto text = [](const std::string& s) { return BE16(static_cast<uint32_t>(s.size())) + s; };
    return Chunk("CONT", BE16(0) + text(title) + text(author) + text(copyright) + text("comment"));
}
std::string Media(uint16_t number, uint32_t avgBitRate, const std::string& mime, const std::string& typeSpecific)
{
    return Chunk("MDPR", BE16(0) + BE16(number) + BE32(avgBitRate * 2) + BE32(avgBitRate) + BE32(1000) + BE32(500) +
                             BE32(0) + BE32(0) + BE32(10000) + Str8("stream") + Str8(mime) +
                             BE32(static_cast<uint32_t>(typeSpecific.size())) + typeSpecific);
}
std::string VideoSpecific(const char* fourcc, uint16_t width, uint16_t height, uint16_t fps)
{
    return BE32(34) + "VIDO" + fourcc + BE16(width) + BE16(height) + BE16(12) + BE32(0) + BE16(fps) + BE32(0) +
           BE16(8) + std::string("\x10\x00\x00\x00", 4);
}
// The ".ra4" header as real tools write it: the codec's name follows the
// interleaver's.
std::string AudioSpecificV4(const char* codec, uint16_t rate, uint16_t channels,
                            const std::string& interleaver = "Int4")
{
    std::string s = std::string(".ra\xFD", 4) + BE16(4) + BE16(0) + ".ra4" + BE32(0x100000) + BE16(4) + BE32(0x4E) +
                    BE16(1) + BE32(600) + BE32(0) + BE32(0) + BE32(0) + BE16(1) + BE16(600) + BE16(0) + BE16(0) +
                    BE16(rate) + BE16(0) + BE16(16) + BE16(channels) + Str8(interleaver) + Str8(codec) + "\x01\x07\x00";
    return s;
}
std::string AudioSpecificV5(const char* codec, uint16_t rate, uint16_t channels)
{
    return std::string(".ra\xFD", 4) + BE16(5) + BE16(0) + ".ra5" + BE32(0) + BE16(5) + BE32(0x46) + BE16(1) +
           BE32(600) + BE32(0) + BE32(0) + BE32(0) + BE16(1) + BE16(600) + BE16(0) + BE16(0) + BE16(0) + BE16(0) +
           BE16(rate) + BE16(rate) + BE32(16) + BE16(channels) + "genr" + codec + std::string(4, '\0');
}
std::string Data(size_t bytes) { return Chunk("DATA", BE16(0) + BE32(1) + BE32(0) + std::string(bytes, 'd')); }
std::string IndexChunk(uint16_t stream, const std::vector<uint32_t>& timesMs, uint32_t countOverride = 0)
{
    std::string body =
        BE16(0) + BE32(countOverride ? countOverride : static_cast<uint32_t>(timesMs.size())) + BE16(stream) + BE32(0);
    for (size_t i = 0; i < timesMs.size(); ++i) body += BE16(0) + BE32(timesMs[i]) + BE32(1000 * i) + BE32(i);
    return Chunk("INDX", body);
}

std::string Movie(const std::string& extra = "", const std::string& index = IndexChunk(0, {0, 2000, 4000, 7000}))
{
    return FileHeader() + Properties(10000) + ContentChunk("Title", "Author", "Copy") +
           Media(0, 200000, "video/x-pn-realvideo", VideoSpecific("RV40", 320, 240, 25)) +
           Media(1, 64000, "audio/x-pn-realaudio", AudioSpecificV4("cook", 44100, 2)) + extra + Data(5000) + index;
}

std::unique_ptr<RmFile> AnalyseBytes(const TempDir& dir, const std::string& bytes)
{
    std::string path = dir.File("built.rm");
    WriteBytes(path, bytes);
    return Analyse(path);
}

TEST(RmFile, ChunksIndexAndTags)
{
    TempDir dir;
    auto rm = AnalyseBytes(dir, Movie());
    const MediaFileInfo& r = *rm;
    ASSERT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(100000000, r.m_llDuration);
    EXPECT_EQ(r.m_llFileSize * 8000 / 10000, r.m_llBitRate);
    EXPECT_EQ(18 + 5000, r.m_llDataSize);
    EXPECT_EQ("RV40", FourCCText(r.m_vih.bmiHeader.biCompression));
    EXPECT_EQ(320, r.m_vih.bmiHeader.biWidth);
    EXPECT_EQ(240, r.m_vih.bmiHeader.biHeight);
    EXPECT_EQ(250, r.m_llFrameCount);
    EXPECT_EQ(200000u, r.m_vih.dwBitRate);
    ASSERT_EQ(1, r.m_nAudioCount);
    EXPECT_EQ(RmFile::kRealAudioTagFirst + 4, Value(r.m_wfxAudio[0].wFormatTag));  // cook
    EXPECT_EQ(44100u, Value(r.m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(2, Value(r.m_wfxAudio[0].nChannels));
    EXPECT_EQ(8000u, Value(r.m_wfxAudio[0].nAvgBytesPerSec));
    // Index times 0, 2, 4 and 7 s: intervals 2, 2 and 3 s.
    EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
    EXPECT_EQ(4, r.m_llKeyFrameCount);
    EXPECT_DOUBLE_EQ(2.333, r.m_dKeyIntervalAvg);
    EXPECT_DOUBLE_EQ(3.0, r.m_dKeyIntervalMax);
    EXPECT_DOUBLE_EQ(2.0, r.m_dKeyIntervalMin);
    EXPECT_DOUBLE_EQ(0.471, r.m_dKeyIntervalStdDev);  // √((333² + 333² + 667²) / 3) ms, cut
    EXPECT_STREQ("Title", rm->GetTitle());
    EXPECT_STREQ("Author", rm->GetAuthor());
    EXPECT_STREQ("Copy", rm->GetCopyright());

    std::string report = RunReportTool({dir.File("built.rm")});
    EXPECT_NE(std::string::npos, report.find("Contents Title       : Title\r\nCreator              : Author\r\n"
                                             "Copyright            : Copy\r\n\r\n"))
        << report;
    EXPECT_NE(std::string::npos, report.find("Codec Type           : Cook\r\n"));
}

TEST(RmFile, IndexCases)
{
    TempDir dir;
    // Intervals longer than 46 s: squares that need more than 32 bits.
    auto wide = AnalyseBytes(dir, Movie("", IndexChunk(0, {0, 100000, 100001})));
    EXPECT_EQ(3, wide->m_llKeyFrameCount);
    EXPECT_DOUBLE_EQ(50.0, wide->m_dKeyIntervalAvg);
    EXPECT_DOUBLE_EQ(49.999, wide->m_dKeyIntervalStdDev);

    auto one = AnalyseBytes(dir, Movie("", IndexChunk(0, {0})));
    EXPECT_EQ(INDEX_VALID, one->m_nIndexStatus);
    EXPECT_EQ(0, one->m_llKeyFrameCount);

    auto none = AnalyseBytes(dir, Movie("", ""));
    EXPECT_EQ(STATUS_OK, none->m_nStatus);
    EXPECT_EQ(INDEX_MISSING, none->m_nIndexStatus);
    EXPECT_EQ(0, none->m_llKeyFrameCount);

    auto other = AnalyseBytes(dir, Movie("", IndexChunk(1, {0, 1000, 2000})));
    EXPECT_EQ(INDEX_MISSING, other->m_nIndexStatus);

    // Entries that the chunk cannot hold are not read; the chunk still
    // counts and the index is invalid.
    auto cut = AnalyseBytes(dir, Movie("", IndexChunk(0, {0, 1000}, 5000)));
    EXPECT_EQ(STATUS_OK, cut->m_nStatus);
    EXPECT_EQ(INDEX_INVALID, cut->m_nIndexStatus);
    EXPECT_EQ(0, cut->m_llKeyFrameCount);

    // The indexed video stream is chosen over a later one without index.
    std::string second = Media(7, 100000, "video/x-pn-realvideo", VideoSpecific("RV30", 64, 48, 10));
    auto chosen = AnalyseBytes(dir, Movie(second));
    EXPECT_EQ(2, chosen->m_nVideoCount);
    EXPECT_EQ("RV40", FourCCText(chosen->m_vih.bmiHeader.biCompression));
    auto last = AnalyseBytes(dir, Movie(second, ""));
    EXPECT_EQ("RV30", FourCCText(last->m_vih.bmiHeader.biCompression));
}

TEST(RmFile, AudioStreams)
{
    TempDir dir;
    std::string extra = Media(2, 32000, "audio/x-pn-realaudio", AudioSpecificV4("28_8", 8000, 1, "Int4")) +
                        Media(3, 16000, "audio/x-pn-realaudio", AudioSpecificV5("cook", 22050, 2)) +
                        Media(4, 16000, "audio/x-pn-realaudio", AudioSpecificV4("sipr", 16000, 1, "si"));
    auto rm = AnalyseBytes(dir, Movie(extra));
    ASSERT_EQ(4, rm->m_nAudioCount);
    EXPECT_EQ(8000u, Value(rm->m_wfxAudio[1].nSamplesPerSec));
    EXPECT_EQ(1, Value(rm->m_wfxAudio[1].nChannels));
    EXPECT_EQ(0xA301, Value(rm->m_wfxAudio[1].wFormatTag));
    EXPECT_EQ(22050u, Value(rm->m_wfxAudio[2].nSamplesPerSec));
    EXPECT_EQ(2, Value(rm->m_wfxAudio[2].nChannels));
    EXPECT_EQ(0xA304, Value(rm->m_wfxAudio[2].wFormatTag));
    EXPECT_EQ(0xA303, Value(rm->m_wfxAudio[3].wFormatTag));

    std::string many;
    for (int i = 0; i < 18; ++i)
        many += Media(static_cast<uint16_t>(10 + i), 8000, "audio/x-pn-realaudio",
                      AudioSpecificV4("cook", static_cast<uint16_t>(8000 + i), 1));
    auto m = AnalyseBytes(dir, Movie(many));
    EXPECT_EQ(STATUS_OK, m->m_nStatus);
    EXPECT_EQ(16, m->m_nAudioCount);
    EXPECT_EQ(8014u, Value(m->m_wfxAudio[15].nSamplesPerSec));
}

// A standalone RealAudio file: ".ra" 0xFD, a version, its header, the tags.
std::string RealAudioV3()
{
    return std::string(".ra\xFD", 4) + BE16(3) + BE16(0x2A) + std::string(10, '\0') + BE32(1200) + Str8("T") +
           Str8("A") + Str8("C") + Str8("") + std::string(1200, 'a');
}
// The stream's rate is stated in bytes a minute (here 40 kbit/s), far from
// what 16-bit stereo at 22,050 Hz would take.
std::string RealAudioV4(const char* codec, uint32_t bytesPerMinute = 40000 / 8 * 60)
{
    std::string h = std::string(".ra\xFD", 4) + BE16(4) + BE16(0) + ".ra4" + BE32(2000) + BE16(4) + BE32(0x4E) +
                    BE16(1) + BE32(600) + BE32(0) + BE32(bytesPerMinute) + BE32(bytesPerMinute) + BE16(1) + BE16(600) +
                    BE16(0) + BE16(0) + BE16(22050) + BE16(0) + BE16(16) + BE16(2) + Str8("genr") + Str8(codec) +
                    "\x01\x07\x00" + Str8("Title") + Str8("") + Str8("") + Str8("");
    return h + std::string(88200 - h.size(), 'a');
}

TEST(RmFile, StandaloneRealAudio)
{
    TempDir dir;
    auto v3 = AnalyseBytes(dir, RealAudioV3());
    EXPECT_EQ(STATUS_OK, v3->m_nStatus);
    EXPECT_EQ(1, v3->m_nAudioCount);
    EXPECT_EQ(0, v3->m_nVideoCount);
    EXPECT_EQ(0xA300, Value(v3->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(1200, v3->m_llDataSize);
    // Version 3 is the 14.4 kbit/s codec.
    EXPECT_EQ(1800u, Value(v3->m_wfxAudio[0].nAvgBytesPerSec));
    const int64_t v3Size = v3->m_llFileSize;
    EXPECT_EQ(v3Size * 1000 / 1800 * 10000, v3->m_llDuration);

    std::string bytes = RealAudioV4("cook");
    auto v4 = AnalyseBytes(dir, bytes);
    EXPECT_EQ(STATUS_OK, v4->m_nStatus);
    EXPECT_EQ(0xA304, Value(v4->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(22050u, Value(v4->m_wfxAudio[0].nSamplesPerSec));
    EXPECT_EQ(2, Value(v4->m_wfxAudio[0].nChannels));
    EXPECT_EQ(16, Value(v4->m_wfxAudio[0].wBitsPerSample));
    EXPECT_EQ(5000u, Value(v4->m_wfxAudio[0].nAvgBytesPerSec));
    EXPECT_EQ(2000, v4->m_llDataSize);
    EXPECT_EQ(176400000, v4->m_llDuration);  // 88,200 bytes at 5,000 a second
    EXPECT_EQ(40000, v4->m_llBitRate);

    std::string report = RunReportTool({dir.File("built.rm")});
    EXPECT_NE(std::string::npos, report.find("File Format          : RealMedia format\r\n"));
    EXPECT_NE(std::string::npos, report.find("Bit Rate             : 40.00 KBits/Sec\r\n")) << report;
    EXPECT_NE(std::string::npos, report.find("Playback Time        : 00:00:17   (17 Sec)\r\n")) << report;

    // A header that states no rate gives none, and no playback time.
    auto none = AnalyseBytes(dir, RealAudioV4("cook", 0));
    EXPECT_EQ(STATUS_OK, none->m_nStatus);
    EXPECT_EQ(0u, Value(none->m_wfxAudio[0].nAvgBytesPerSec));
    EXPECT_EQ(0, none->m_llDuration);
    EXPECT_EQ(0, none->m_llBitRate);
}

struct DamageRow {
    const char* name;
    std::function<std::string()> make;
    int status;
};
void PrintTo(const DamageRow& row, std::ostream* os) { *os << row.name; }

class RmDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(RmDamage, GivesItsStatus)
{
    TempDir dir;
    auto rm = AnalyseBytes(dir, GetParam().make());
    EXPECT_EQ(GetParam().status, rm->m_nStatus);
    EXPECT_GT(rm->m_llFileSize, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Built, RmDamage,
    ::testing::Values(
        DamageRow{"ra_version_5", [] { return std::string(".ra\xFD", 4) + BE16(5) + std::string(100, '\0'); },
                  STATUS_RM_RA},
        DamageRow{"ra_cut_short", [] { return RealAudioV4("cook").substr(0, 40); }, STATUS_RM_RA},
        DamageRow{"rmf_cut_short", [] { return FileHeader().substr(0, 12); }, STATUS_RM_RMF},
        DamageRow{"prop_cut_short", [] { return (FileHeader() + Properties(1000)).substr(0, 40); }, STATUS_RM_PROP},
        DamageRow{"cont_text_past_chunk",
                  [] { return FileHeader() + Chunk("CONT", BE16(0) + BE16(500) + "abc") + Data(10); }, STATUS_RM_CONT},
        DamageRow{"mdpr_specific_past_chunk",
                  [] {
                      std::string m = Media(0, 1000, "video/x", VideoSpecific("RV40", 8, 8, 1));
                      m.replace(m.size() - 34 - 4, 4, BE32(0x10000));
                      return FileHeader() + m + Data(10);
                  },
                  STATUS_RM_MDPR},
        DamageRow{"indx_cut_short", [] { return Movie("", "") + Chunk("INDX", BE16(0) + BE16(1)); }, STATUS_RM_INDX},
        DamageRow{"chunk_past_the_end", [] { return Movie() + Chunk("abcd", "xyz").substr(0, 8) + "x"; },
                  STATUS_SIZE_MISMATCH},
        DamageRow{"chunk_size_7", [] { return Movie() + "abcd" + BE32(7) + "x"; }, STATUS_SIZE_MISMATCH},
        DamageRow{"unknown_chunk_skipped", [] { return Movie() + Chunk("abcd", "xyz"); }, STATUS_OK}),
    [](const ::testing::TestParamInfo<DamageRow>& i) { return std::string(i.param.name); });

TEST(RmFile, MissingFile)
{
    TempDir dir;
    RmFile rm;
    EXPECT_EQ(STATUS_OPEN_FAILED, rm.Analyse(dir.WFile("none.rm").c_str()));
    EXPECT_EQ(0, rm.m_llFileSize);
}

TEST(RmFile, ChunksBeforeTheDamageAreReported)
{
    TempDir dir;
    std::string bytes = Movie("", "");
    bytes += Chunk("INDX", std::string(40, '\0'));
    // The index's size runs past the end of the file.
    bytes.replace(bytes.size() - 44, 4, BE32(10000));
    auto rm = AnalyseBytes(dir, bytes + std::string(100, 'z'));
    EXPECT_EQ(STATUS_SIZE_MISMATCH, rm->m_nStatus);
    EXPECT_EQ(1, rm->m_nVideoCount);
    EXPECT_EQ(1, rm->m_nAudioCount);
    EXPECT_EQ(100000000, rm->m_llDuration);
}

}  // namespace
