#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>

#include <sys/stat.h>

#include "MediaFixtures.h"
#include "reader/KeyFrameIntervalAccumulator.h"
#include "reader/ReportBuilder.h"
#include "reader/analysers/AviFile.h"

namespace {

std::unique_ptr<AviFile> Analyse(const std::string& path)
{
    auto avi = std::make_unique<AviFile>();
    int status = avi->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, avi->m_nStatus);
    return avi;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// --- Agreement with ffprobe over files the ffmpeg command line makes --------

struct OracleRow {
    const char* name;
    std::string args;
    bool stripIndex;  // remove idx1 and its header flag afterwards: an AVI without index
};

void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class AviOracle : public ::testing::TestWithParam<OracleRow> {};

// Cuts the idx1 chunk off, fixes the RIFF size and clears AVIF_HASINDEX.
void StripIndex(const std::string& path)
{
    std::string data = Slurp(path);
    size_t idx1 = data.rfind("idx1");
    ASSERT_NE(std::string::npos, idx1);
    size_t avih = FindIn(data, "avih");
    ASSERT_NE(std::string::npos, avih);
    TruncateTo(path, idx1);
    Overwrite(path, 4, LE32Bytes(static_cast<uint32_t>(idx1 - 8)));
    Overwrite(path, avih + 8 + 12, LE32Bytes(LE32At(data, avih + 8 + 12) & ~AviFile::AVIF_HASINDEX));
}

TEST_P(AviOracle, AgreesWithFfprobe)
{
    const OracleRow& row = GetParam();
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, std::string(row.name) + ".avi", row.args);
    if (row.stripIndex) StripIndex(path);
    ProbeFacts p = Probe(path);
    auto avi = Analyse(path);
    const MediaFileInfo& r = *avi;

    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(FILETYPE_AVI, r.m_nFileType);
    EXPECT_EQ(p.size, r.m_llFileSize);
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.1);
    EXPECT_GT(r.m_llDataSize, 0);
    EXPECT_LT(r.m_llDataSize, r.m_llFileSize);
    EXPECT_GT(r.m_llBitRate, 0);
    EXPECT_EQ(p.videoStreams, r.m_nVideoCount);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    EXPECT_STREQ(Utf8ToWide(path).c_str(), r.m_szFilePath);
    if (p.videoStreams) {
        EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
        EXPECT_EQ(FourCCText(p.videoTag), FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(p.videoFrames, r.m_llFrameCount);
        // The longest stream's time shared out over the frames.
        EXPECT_NEAR(p.duration * 1e7 / p.videoFrames, r.m_vih.AvgTimePerFrame, 8000);
        EXPECT_GT(r.m_vih.dwBitRate, 0u);
    }
    for (int i = 0; i < p.audioStreams && i < r.m_nAudioCount; ++i) {
        EXPECT_EQ(p.audioTags[i], Value(r.m_wfxAudio[i].wFormatTag)) << i;
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[i]), Value(r.m_wfxAudio[i].nSamplesPerSec)) << i;
        EXPECT_EQ(p.channels[i], Value(r.m_wfxAudio[i].nChannels)) << i;
    }
    if (row.stripIndex) {
        EXPECT_EQ(INDEX_MISSING, r.m_nIndexStatus);
        EXPECT_EQ(0, r.m_llKeyFrameCount);
    } else if (p.videoStreams) {
        EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
        EXPECT_EQ(p.videoKeyFrames, r.m_llKeyFrameCount);
        if (p.videoKeyFrames == 1) {
            EXPECT_EQ(0.0, r.m_dKeyIntervalAvg);
            EXPECT_EQ(0.0, r.m_dKeyIntervalMax);
            EXPECT_EQ(0.0, r.m_dKeyIntervalStdDev);
        } else {
            EXPECT_GT(r.m_dKeyIntervalAvg, 0.0);
            EXPECT_LE(r.m_dKeyIntervalMin, r.m_dKeyIntervalAvg);
            EXPECT_GE(r.m_dKeyIntervalMax, r.m_dKeyIntervalAvg);
        }
    }
}

const std::string kTags =
    " -metadata title=Title -metadata encoded_by=Maker -metadata copyright=Copy -metadata comment=Note";

INSTANTIATE_TEST_SUITE_P(
    Files, AviOracle,
    ::testing::Values(
        OracleRow{
            "xvid_mp3",
            TestVideo() + " " + TestAudio() + " -c:v mpeg4 -vtag XVID -g 12 -c:a libmp3lame -b:a 128k -ac 2" + kTags,
            false},
        OracleRow{"mp43_pcm", TestVideo() + " " + TestAudio(22050) + " -c:v msmpeg4 -g 25 -c:a pcm_s16le", false},
        OracleRow{"mjpg_adpcm", TestVideo() + " " + TestAudio() + " -c:v mjpeg -c:a adpcm_ms -ac 2", false},
        OracleRow{"cvid_ac3", TestVideo() + " " + TestAudio(48000) + " -c:v cinepak -c:a ac3 -ac 2", false},
        OracleRow{"h264_mp2", TestVideo() + " " + TestAudio() + " -c:v libx264 -preset ultrafast -c:a mp2", false},
        OracleRow{"wmv2_silent", TestVideo() + " -c:v wmv2 -g 10", false},
        OracleRow{"mp3_only", TestAudio() + " -c:a libmp3lame", false},
        OracleRow{"no_index", TestVideo() + " " + TestAudio() + " -c:v mpeg4 -g 12 -c:a pcm_s16le", true}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

TEST(AviFile, InfoTagsForTheReport)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "tags.avi", TestVideo() + " -c:v mpeg4 -t 1" + kTags);
    auto avi = Analyse(path);
    ASSERT_EQ(STATUS_OK, avi->m_nStatus);
    EXPECT_STREQ("Title", avi->GetTitle());
    EXPECT_STREQ("Maker", avi->GetCreator());
    EXPECT_STREQ("Copy", avi->GetCopyright());
    EXPECT_STREQ("Note", avi->GetComment());
    ASSERT_NE(nullptr, avi->GetUsedTool());  // the muxer names itself
    EXPECT_NE(0u, std::strlen(avi->GetUsedTool()));
}

// --- Damaged files -----------------------------------------------------------

struct Layout {
    size_t avihData, firstStrl, firstStrf, infoList, firstInfoItem, movi, idx1;
    size_t size;
};

Layout Find(const std::string& data)
{
    Layout l{};
    l.avihData = FindIn(data, "avih") + 8;
    l.firstStrl = FindIn(data, "strl") - 8;
    l.firstStrf = FindIn(data, "strf");
    l.infoList = FindIn(data, "INFO") - 8;
    l.firstInfoItem = l.infoList + 12;
    l.movi = FindIn(data, "movi") - 8;
    l.idx1 = data.rfind("idx1");
    l.size = data.size();
    return l;
}

struct DamageRow {
    const char* what;
    std::function<void(const std::string& path, const Layout&)> damage;
    int status;
    std::function<void(const AviFile&, const AviFile& whole)> check;
};

TEST(AviFile, DamagedVariantsGiveTheirStatus)
{
    TempDir dir;
    std::string base = MakeWithFfmpeg(dir, "base.avi",
                                      TestVideo() + " " + TestAudio() +
                                          " -c:v mpeg4 -vtag XVID -g 12 -c:a libmp3lame -b:a 128k -ac 2" + kTags +
                                          " -metadata artist=Artist");
    const std::string original = Slurp(base);
    const Layout L = Find(original);
    ASSERT_TRUE(L.idx1 != std::string::npos && L.movi < L.idx1 && L.firstStrf < L.movi && L.infoList < L.movi);
    auto whole = Analyse(base);
    ASSERT_EQ(STATUS_OK, whole->m_nStatus);
    ASSERT_GE(whole->m_llKeyFrameCount, 4);

    auto setRiff = [](const std::string& p, uint32_t v) { Overwrite(p, 4, LE32Bytes(v)); };
    const uint32_t riff = LE32At(original, 4);

    const DamageRow rows[] = {
        {"idx1 cut short", [](const std::string& p, const Layout& l) { TruncateTo(p, l.idx1 + 8 + 16 * 30 + 5); },
         STATUS_AVI_INDEX,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(INDEX_INVALID, a.m_nIndexStatus);
             EXPECT_GE(a.m_llKeyFrameCount, 1);  // the key frames read so far
             EXPECT_LT(a.m_llKeyFrameCount, w.m_llKeyFrameCount);
         }},
        {"movi cut short", [](const std::string& p, const Layout& l) { TruncateTo(p, l.movi + 5000); }, STATUS_DAMAGED,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(INDEX_INVALID, a.m_nIndexStatus);  // flagged, but never reached
             EXPECT_EQ(0, a.m_llKeyFrameCount);
             EXPECT_EQ(w.m_llDataSize, a.m_llDataSize);
             EXPECT_EQ(w.m_llDuration, a.m_llDuration);  // the headers were read
         }},
        {"RIFF size larger than the file", [&](const std::string& p, const Layout&) { setRiff(p, riff + 1000); },
         STATUS_DAMAGED, nullptr},
        {"RIFF size smaller than the file",
         [](const std::string& p, const Layout& l) {
             WriteBytes(p, Slurp(p) + std::string(500, 'j'));
             (void)l;
         },
         STATUS_OK,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(w.m_llFileSize + 500, a.m_llFileSize);
             EXPECT_EQ(INDEX_VALID, a.m_nIndexStatus);
         }},
        {"RIFF end inside the index",
         [&](const std::string& p, const Layout& l) { setRiff(p, static_cast<uint32_t>(l.idx1 + 16 - 8)); },
         STATUS_SIZE_MISMATCH, nullptr},
        {"RIFF size 0", [&](const std::string& p, const Layout&) { setRiff(p, 0); }, STATUS_AVI_NOT_AVI,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(w.m_llFileSize, a.m_llFileSize);
             EXPECT_EQ(0, a.m_nVideoCount);
         }},
        {"not RIFF", [](const std::string& p, const Layout&) { Overwrite(p, 0, "RIFX"); }, STATUS_AVI_NOT_AVI, nullptr},
        {"strf larger than its slot",
         [](const std::string& p, const Layout& l) { Overwrite(p, l.firstStrf + 4, LE32Bytes(2000)); },
         STATUS_AVI_HEADER,
         [](const AviFile& a, const AviFile&) {
             EXPECT_EQ(0, a.m_llFrameCount);
             EXPECT_EQ(0, a.m_vih.AvgTimePerFrame);
         }},
        {"stream list past the header list",
         [](const std::string& p, const Layout& l) { Overwrite(p, l.firstStrl + 4, LE32Bytes(0x7FFFFFF0)); },
         STATUS_AVI_HEADER, nullptr},
        {"header list size below its type",
         [](const std::string& p, const Layout&) { Overwrite(p, 12 + 4, LE32Bytes(2)); }, STATUS_AVI_HEADER, nullptr},
        {"INFO item past its list",
         [](const std::string& p, const Layout& l) { Overwrite(p, l.firstInfoItem + 4, LE32Bytes(0x00FFFFFF)); },
         STATUS_AVI_INFO, nullptr},
        {"second INAM keeps the first",
         [](const std::string& p, const Layout& l) {
             std::string d = Slurp(p);
             Overwrite(p, FindIn(d, "IART", l.infoList), "INAM");
         },
         STATUS_OK, [](const AviFile& a, const AviFile&) { EXPECT_STREQ("Artist", a.GetTitle()); }},
        {"no movi list", [](const std::string& p, const Layout& l) { Overwrite(p, l.movi + 8, "mova"); },
         STATUS_AVI_MOVI, [](const AviFile& a, const AviFile&) { EXPECT_EQ(0, a.m_llDataSize); }},
        {"flagged index missing",
         [](const std::string& p, const Layout& l) {
             TruncateTo(p, l.idx1);
             Overwrite(p, 4, LE32Bytes(static_cast<uint32_t>(l.idx1 - 8)));
         },
         STATUS_OK,
         [](const AviFile& a, const AviFile&) {
             EXPECT_EQ(INDEX_INVALID, a.m_nIndexStatus);
             EXPECT_EQ(0, a.m_llKeyFrameCount);
             EXPECT_EQ(0.0, a.m_dKeyIntervalAvg);
         }},
        // A long film's index: read in blocks, reported as it is.
        {"index larger than 10 MiB",
         [&](const std::string& p, const Layout& l) {
             std::string d = Slurp(p);
             uint32_t oldSize = LE32At(d, l.idx1 + 4);
             ASSERT_EQ(d.size(), l.idx1 + 8 + oldSize);  // the index is the last chunk
             uint32_t big = oldSize + (11u << 20);       // entries of no stream added
             WriteBytes(p, d + std::string(big - oldSize, '\0'));
             Overwrite(p, l.idx1 + 4, LE32Bytes(big));
             setRiff(p, riff + (big - oldSize));
         },
         STATUS_OK,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(INDEX_VALID, a.m_nIndexStatus);
             EXPECT_EQ(w.m_llKeyFrameCount, a.m_llKeyFrameCount);
             EXPECT_EQ(w.m_dKeyIntervalAvg, a.m_dKeyIntervalAvg);
             EXPECT_EQ(w.m_dKeyIntervalStdDev, a.m_dKeyIntervalStdDev);
             EXPECT_EQ(w.m_vih.dwBitRate, a.m_vih.dwBitRate);
         }},
        {"frame time beyond 32-bit key times",
         // Key times come from the frame counter; a product of frame time
         // and frame number past 32 bits must not wrap into a decrease.
         [](const std::string& p, const Layout& l) { Overwrite(p, l.avihData, LE32Bytes(0xFFFFFF00u)); }, STATUS_OK,
         [](const AviFile& a, const AviFile& w) {
             EXPECT_EQ(INDEX_VALID, a.m_nIndexStatus);
             EXPECT_EQ(w.m_llKeyFrameCount, a.m_llKeyFrameCount);
             EXPECT_GT(a.m_dKeyIntervalMin, 4294.0);
         }},
    };
    int n = 0;
    for (const DamageRow& row : rows) {
        std::string path = dir.File("damaged" + std::to_string(n++) + ".avi");
        WriteBytes(path, original);
        row.damage(path, L);
        auto avi = Analyse(path);
        EXPECT_EQ(row.status, avi->m_nStatus) << row.what;
        if (row.check) {
            SCOPED_TRACE(row.what);
            row.check(*avi, *whole);
        }
    }
}

TEST(AviFile, InfoFailureLeavesTheStateLineEmpty)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "info.avi", TestVideo() + " -c:v mpeg4 -t 1" + kTags);
    Layout l = Find(Slurp(path));
    Overwrite(path, l.firstInfoItem + 4, LE32Bytes(0x00FFFFFF));
    struct Sink : CReportSink {
        std::wstring text;
        void AppendReportText(const CString& t) override { text += t.str(); }
        void ClearReport() override {}
        void ShowErrorMessage(const CString&) override {}
    } sink;
    CReportBuilder(sink).BuildReport(Utf8ToWide(path));
    EXPECT_NE(std::wstring::npos,
              sink.text.find(L"\r\nState of Analysis    : \r\nFile Format          : AVI format\r\n"));
}

TEST(AviFile, StreamsBeyondSixteenStopTheHeader)
{
    TempDir dir;
    std::string args = TestVideo() + " " + TestAudio(8000);
    args += " -map 0:v";
    for (int i = 0; i < 17; ++i) args += " -map 1:a";
    args += " -c:v mpeg4 -c:a pcm_u8 -t 1";
    std::string path = MakeWithFfmpeg(dir, "many.avi", args);
    auto avi = Analyse(path);
    EXPECT_EQ(STATUS_AVI_HEADER, avi->m_nStatus);
    EXPECT_EQ(15, avi->m_nAudioCount);  // 16 stream lists: one video and 15 audio
    EXPECT_EQ(1, avi->m_nVideoCount);
}

TEST(AviFile, ThreeVideoStreamsHaveNoDeviation)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "three.avi", TestVideo() + " -map 0:v -map 0:v -map 0:v -c:v mpeg4 -g 10");
    auto avi = Analyse(path);
    ASSERT_EQ(STATUS_OK, avi->m_nStatus);
    EXPECT_EQ(3, avi->m_nVideoCount);
    EXPECT_EQ(0, avi->m_nAudioCount);
    EXPECT_GT(avi->m_dKeyIntervalAvg, 0.0);
    EXPECT_GT(avi->m_dKeyIntervalMax, 0.0);
    EXPECT_GT(avi->m_dKeyIntervalMin, 0.0);
    EXPECT_EQ(0.0, avi->m_dKeyIntervalStdDev);
}

// Files over 1 GB go on in further RIFF forms (OpenDML). The first stream is
// a small MPEG-4 video with a key frame every 5 frames; a second stream of 4K
// raw pictures takes the file past 1 GB within two seconds.
TEST(AviFile, OpenDmlFileCountsEveryRiffForm)
{
    TempDir dir;
    std::string path = MakeWithFfmpeg(dir, "odml.avi",
                                      TestVideo() +
                                          " -f lavfi -i color=c=black:s=3840x2160:r=25:d=2 -map 0:v -map 1:v "
                                          "-c:v:0 mpeg4 -g 5 -c:v:1 rawvideo -pix_fmt:v:1 bgr24");
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st));
    ASSERT_GT(st.st_size, 1ll << 30);
    ProbeFacts p = Probe(path);
    int64_t bytes = 0;
    std::istringstream sizes(
        RunFixtureTool("ffprobe -v error -select_streams v:0 -show_entries packet=size "
                       "-of csv=p=0 '" +
                       path + "'"));
    for (std::string line; std::getline(sizes, line);) bytes += std::atoll(line.c_str());

    auto avi = Analyse(path);
    const MediaFileInfo& r = *avi;
    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(2, r.m_nVideoCount);
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.1);
    // Frames, rate and key frames of the whole file, not of its first GB.
    EXPECT_EQ(p.videoFrames, r.m_llFrameCount);
    EXPECT_NEAR(25.0, r.m_llFrameCount * 1e7 / r.m_llDuration, 0.5);
    EXPECT_NEAR(400000, r.m_vih.AvgTimePerFrame, 8000);
    EXPECT_EQ(INDEX_VALID, r.m_nIndexStatus);
    EXPECT_EQ(p.videoKeyFrames, r.m_llKeyFrameCount);
    EXPECT_NEAR(0.2, r.m_dKeyIntervalAvg, 1e-9);
    EXPECT_NEAR(0.2, r.m_dKeyIntervalMax, 1e-9);
    EXPECT_NEAR(0.2, r.m_dKeyIntervalMin, 1e-9);
    EXPECT_NEAR(0.0, r.m_dKeyIntervalStdDev, 1e-9);
    EXPECT_NEAR(bytes * 8 * 1e7 / r.m_llDuration, r.m_vih.dwBitRate, 16);
    // The movie lists of both RIFF forms.
    EXPECT_GT(r.m_llDataSize, 1ll << 30);
    EXPECT_LT(r.m_llDataSize, r.m_llFileSize);
}

TEST(AviFile, OpenDmlIndexIsPreferredToIdx1)
{
    TempDir dir;
    std::string base =
        MakeWithFfmpeg(dir, "base.avi", TestVideo() + " " + TestAudio() + " -c:v mpeg4 -g 12 -c:a libmp3lame -ac 2");
    ProbeFacts p = Probe(base);
    auto plain = Analyse(base);
    ASSERT_EQ(p.videoKeyFrames, plain->m_llKeyFrameCount);
    struct Row {
        const char* what;
        bool allKeyFrames;
        std::function<void(const std::string&)> damage;
        int status, indexStatus;
        int64_t keyFrames;
    } rows[] = {
        {"the same key frames", false, nullptr, STATUS_OK, INDEX_VALID, p.videoKeyFrames},
        {"every frame a key frame", true, nullptr, STATUS_OK, INDEX_VALID, p.videoFrames},
        {"standard index past the end", true,
         [](const std::string& f) {
             std::string d = Slurp(f);
             Overwrite(f, FindIn(d, "indx") + 8 + 24, LE32Bytes(static_cast<uint32_t>(d.size() + 100)));
         },
         STATUS_AVI_INDEX, INDEX_INVALID, 0},
        {"standard index cut short", false, [](const std::string& f) { TruncateTo(f, Slurp(f).size() - 20); },
         STATUS_AVI_INDEX, INDEX_INVALID, -1},
        {"entry count past its chunk", false,
         [](const std::string& f) { Overwrite(f, Slurp(f).rfind("ix00") + 12, LE32Bytes(0x10000000)); },
         STATUS_AVI_INDEX, INDEX_INVALID, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string path = dir.File("odml.avi");
        WriteBytes(path, Slurp(base));
        AddOpenDmlIndex(path, row.allKeyFrames);
        if (row.damage) row.damage(path);
        auto avi = Analyse(path);
        EXPECT_EQ(row.status, avi->m_nStatus);
        EXPECT_EQ(row.indexStatus, avi->m_nIndexStatus);
        if (row.keyFrames >= 0) {
            EXPECT_EQ(row.keyFrames, avi->m_llKeyFrameCount);
        }
        EXPECT_EQ(p.videoFrames, avi->m_llFrameCount);
        if (row.status == STATUS_OK) {
            EXPECT_EQ(plain->m_vih.dwBitRate, avi->m_vih.dwBitRate);  // the same frames' bytes
            EXPECT_NEAR(row.allKeyFrames ? 0.04 : plain->m_dKeyIntervalAvg, avi->m_dKeyIntervalAvg, 1e-9);
        }
    }
}

TEST(AviFile, MissingFileLeavesTheOpenStatus)
{
    TempDir dir;
    AviFile avi;
    EXPECT_EQ(STATUS_OPEN_FAILED, avi.Analyse(dir.WFile("missing.avi").c_str()));
    EXPECT_EQ(0, avi.m_llFileSize);
    EXPECT_EQ(INDEX_MISSING, avi.m_nIndexStatus);
}

TEST(KeyFrameIntervals, CommonRule)
{
    const double none[] = {0};
    KeyFrameIntervals k = MediaFileInfo::ComputeKeyFrameIntervals(none, 1);
    EXPECT_EQ(0.0, k.avg);
    EXPECT_EQ(0.0, k.min);
    const double t[] = {0.0, 1.0, 3.0, 4.0};  // steps 1, 2, 1
    k = MediaFileInfo::ComputeKeyFrameIntervals(t, 4);
    EXPECT_DOUBLE_EQ(4.0 / 3.0, k.avg);
    EXPECT_DOUBLE_EQ(2.0, k.max);
    EXPECT_DOUBLE_EQ(1.0, k.min);
    // Sample deviation over n - 1 = 3 steps.
    double a = 4.0 / 3.0;
    EXPECT_NEAR(std::sqrt(((1 - a) * (1 - a) * 2 + (2 - a) * (2 - a)) / 3), k.stdDev, 1e-12);
}

TEST(KeyFrameIntervals, GatheredOneAtATime)
{
    // Two million key frames 0.4 s apart take no memory of their own and
    // keep the deviation at 0.
    KeyFrameIntervalAccumulator many;
    for (int i = 0; i < 2000000; ++i) many.Add(i * 0.4);
    EXPECT_EQ(2000000u, many.Count());
    EXPECT_FALSE(many.Decreased());
    KeyFrameIntervals k = many.Result();
    EXPECT_NEAR(0.4, k.avg, 1e-9);
    EXPECT_NEAR(0.4, k.min, 1e-6);
    EXPECT_NEAR(0.4, k.max, 1e-6);
    EXPECT_NEAR(0.0, k.stdDev, 1e-6);

    KeyFrameIntervalAccumulator back;
    for (double t : {0.0, 2.0, 1.0, 3.0}) back.Add(t);
    EXPECT_TRUE(back.Decreased());
    EXPECT_DOUBLE_EQ(-1.0, back.Result().min);
    back.Reset();
    EXPECT_EQ(0u, back.Count());
    EXPECT_EQ(0.0, back.Result().avg);
}

}  // namespace
