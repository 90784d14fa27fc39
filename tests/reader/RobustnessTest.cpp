// A sweep over damaged copies of real files: every analyser and the report
// builder must read them all without a crash, a hang, or a value outside the
// record's ranges. Run under AddressSanitizer and UBSan this is the
// memory-safety net for every read driven by sizes and offsets in a file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <set>

#include "MediaFixtures.h"
#include "reader/FormatDetection.h"
#include "reader/ReportBuilder.h"

namespace {

// Deterministic, so that a failure can be replayed.
class Lcg {
public:
    explicit Lcg(uint64_t seed) : s_(seed) {}
    uint32_t Next()
    {
        s_ = s_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(s_ >> 33);
    }
    size_t Below(size_t n) { return n ? Next() % n : 0; }

private:
    uint64_t s_;
};

class NullSink : public CReportSink {
public:
    void AppendReportText(const CString& t) override { chars += static_cast<size_t>(t.GetLength()); }
    void ClearReport() override {}
    void ShowErrorMessage(const CString&) override { ++messages; }
    size_t chars = 0;
    int messages = 0;
};

const std::set<int> kAviStatus = {1, 3, 4, 10, 11, 12, 13, 14, 15};
const std::set<int> kOggStatus = {1, 3, 61};
const std::set<int> kFlvStatus = {1, 3, 73, 75};
const std::set<int> kAsfStatus = {1, 4, 20, 21, 22, 23};
const std::set<int> kMp4Status = {1, 3, 4, 30, 31, 32, 33};
const std::set<int> kRmStatus = {1, 3, 4, 41, 42, 43, 44, 45, 46, 47};
const std::set<int> kMkvStatus = {0, 1};

void CheckRecord(const MediaFileInfo& r, const std::set<int>& allowed, int64_t size, const std::string& what)
{
    EXPECT_TRUE(allowed.count(r.m_nStatus)) << what << ": status " << r.m_nStatus;
    EXPECT_TRUE(r.m_nAudioCount >= 0 && r.m_nAudioCount <= 16) << what;
    EXPECT_GE(r.m_nVideoCount, 0) << what;
    EXPECT_EQ(size, r.m_llFileSize) << what;
    EXPECT_GE(r.m_llDuration, 0) << what;
    EXPECT_GE(r.m_llBitRate, 0) << what;
    EXPECT_GE(r.m_llFrameCount, 0) << what;
    EXPECT_TRUE(r.m_nIndexStatus >= 0 && r.m_nIndexStatus <= 2) << what;
}

// Reads one damaged copy with every analyser and builds its report; adds
// the statuses met to seen.
void ReadAll(const std::string& path, int64_t size, const std::string& what, std::set<int>& seen)
{
    std::wstring wpath = Utf8ToWide(path);
    const struct {
        int type;
        const std::set<int>* allowed;
    } analysers[] = {{FILETYPE_AVI, &kAviStatus}, {FILETYPE_ASF, &kAsfStatus}, {FILETYPE_MP4, &kMp4Status},
                     {FILETYPE_RM, &kRmStatus},   {FILETYPE_MKV, &kMkvStatus}, {FILETYPE_OGG, &kOggStatus},
                     {FILETYPE_FLV, &kFlvStatus}};
    for (const auto& a : analysers) {
        std::unique_ptr<MediaFileInfo> info = CreateFileParser(a.type);
        ASSERT_NE(nullptr, info);
        info->Analyse(wpath.c_str());
        CheckRecord(*info, *a.allowed, size, what);
        seen.insert(info->m_nStatus);
        NullSink sink;
        CReportBuilder(sink).WriteReport(wpath, *info);
        EXPECT_GT(sink.chars, 0u);
    }
    NullSink sink;
    CReportBuilder(sink).BuildReport(wpath);
    EXPECT_EQ(0, sink.messages) << what;
    EXPECT_GT(sink.chars, 0u) << what;
}

struct SweepRow {
    const char* name;
    std::function<std::string(const TempDir&)> make;
};
void PrintTo(const SweepRow& row, std::ostream* os) { *os << row.name; }

class DamageSweep : public ::testing::TestWithParam<SweepRow> {};

TEST_P(DamageSweep, EveryDamagedCopyReadsCleanly)
{
    // A hang must fail the test rather than stall the suite.
    alarm(300);
    TempDir dir;
    const std::string original = Slurp(GetParam().make(dir));
    ASSERT_GT(original.size(), 1000u);
    const std::string path = dir.File("damaged");
    Lcg rng(0x5EED0000u + original.size());
    std::set<int> seen;
    auto run = [&](const std::string& bytes, const std::string& what) {
        WriteBytes(path, bytes);
        ReadAll(path, static_cast<int64_t>(bytes.size()), what, seen);
    };

    // Cut at the edges of headers and at 40 points through the file.
    std::vector<size_t> cuts = {0, 1, 3, 4, 8, 11, 12, 13, 15, 16, 20, 27, 28, 100, 127, 128, 200, 4096};
    for (int i = 1; i < 40; ++i) cuts.push_back(original.size() * static_cast<size_t>(i) / 40);
    for (size_t cut : cuts)
        if (cut < original.size()) run(original.substr(0, cut), "cut at " + std::to_string(cut));

    // Bytes changed at random, mostly where the headers and indexes are.
    const size_t headEnd = std::min<size_t>(original.size(), 12288);
    for (int i = 0; i < 200; ++i) {
        std::string bytes = original;
        int changes = 1 + static_cast<int>(rng.Below(8));
        std::string what = "flip";
        for (int c = 0; c < changes; ++c) {
            size_t where;
            uint32_t zone = rng.Below(10);
            if (zone < 7)
                where = rng.Below(headEnd);
            else if (zone < 9)
                where = bytes.size() - 1 - rng.Below(std::min<size_t>(bytes.size(), 4096));
            else
                where = rng.Below(bytes.size());
            bytes[where] = static_cast<char>(rng.Next());
            what += " " + std::to_string(where);
        }
        run(bytes, what);
    }

    // Size and count fields set to extreme values.
    const uint32_t extremes[] = {0,
                                 1,
                                 3,
                                 4,
                                 7,
                                 8,
                                 0x7FFFFFFF,
                                 0x80000000u,
                                 0xFFFFFFF8u,
                                 0xFFFFFFFFu,
                                 static_cast<uint32_t>(original.size()),
                                 static_cast<uint32_t>(original.size() + 9),
                                 11u << 20};
    for (int i = 0; i < 120; ++i) {
        std::string bytes = original;
        size_t where = rng.Below(headEnd - 4);
        if (i % 3 == 0) where = bytes.size() - 4 - rng.Below(std::min<size_t>(bytes.size() - 4, 2048));
        uint32_t v = extremes[rng.Below(std::size(extremes))];
        bool bigEndian = rng.Next() & 1;
        for (int b = 0; b < 4; ++b)
            bytes[where + static_cast<size_t>(b)] = static_cast<char>(bigEndian ? v >> (24 - 8 * b) : v >> (8 * b));
        run(bytes, "value " + std::to_string(v) + " at " + std::to_string(where));
    }
    alarm(0);
    // The copies reached many different diagnoses, not one early exit.
    EXPECT_GE(seen.size(), 4u) << "statuses met: " << ::testing::PrintToString(seen);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamageSweep,
    ::testing::Values(
        SweepRow{"avi_xvid_mp3",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "a.avi",
                                           TestVideo() + " " + TestAudio() +
                                               " -c:v mpeg4 -vtag XVID -g 12 -c:a libmp3lame -ac 2 -t 1.2 "
                                               "-metadata title=T -metadata comment=C");
                 }},
        SweepRow{"avi_two_audio",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "b.avi",
                                           TestVideo() + " " + TestAudio(8000) +
                                               " -map 0:v -map 1:a -map 1:a -c:v mjpeg -q:v 20 -c:a pcm_u8 -t 0.6");
                 }},
        SweepRow{"avi_opendml_index",
                 [](const TempDir& d) {
                     std::string path = MakeWithFfmpeg(
                         d, "o.avi", TestVideo() + " " + TestAudio() + " -c:v mpeg4 -g 6 -c:a libmp3lame -ac 2 -t 1.2");
                     AddOpenDmlIndex(path);
                     return path;
                 }},
        SweepRow{"ogg_vorbis",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "c.ogg",
                                           TestAudio() + " -c:a libvorbis -t 1.5 -fflags +bitexact -metadata TITLE=T");
                 }},
        SweepRow{"ogm_xvid_mp3",
                 [](const TempDir& d) {
                     std::string avi = MakeWithFfmpeg(
                         d, "s.avi", TestVideo() + " " + TestAudio() + " -c:v mpeg4 -vtag XVID -c:a libmp3lame -t 1.2");
                     RunFixtureTool("ogmmerge -q -o '" + d.File("d.ogm") + "' '" + avi + "' 2>&1");
                     return d.File("d.ogm");
                 }},
        SweepRow{"ogg_theora_opus",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(
                         d, "m.ogg", TestVideo() + " " + TestAudio() + " -c:v libtheora -g 6 -c:a libopus -t 1.2");
                 }},
        SweepRow{"flv_sorenson_mp3",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "e.flv",
                                           TestVideo() + " " + TestAudio() + " -c:v flv -c:a libmp3lame -t 1.2");
                 }},
        SweepRow{"flv_h264_aac",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(
                         d, "f.flv",
                         TestVideo() + " " + TestAudio() + " -c:v libx264 -preset ultrafast -c:a aac -t 1.2");
                 }},
        SweepRow{"wmv_wmv2_wmav2",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "g.wmv",
                                           TestVideo() + " " + TestAudio() +
                                               " -c:v wmv2 -g 6 -c:a wmav2 -t 1.2 "
                                               "-metadata title=T -metadata author=A");
                 }},
        SweepRow{"mp4_h264_aac_moov_first",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(
                         d, "h.mp4",
                         TestVideo() + " " + TestAudio() +
                             " -c:v libx264 -preset ultrafast -g 6 -c:a aac -t 1.2 -movflags +faststart "
                             "-metadata title=T");
                 }},
        SweepRow{"mov_mpeg4_aac",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "i.mov",
                                           TestVideo() + " " + TestAudio() + " -c:v mpeg4 -g 6 -c:a aac -t 1.2");
                 }},
        SweepRow{"rm_rv10_ac3",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "j.rm",
                                           TestVideo("176x144") + " " + TestAudio() + " -c:v rv10 -c:a ac3 -t 1.2");
                 }},
        SweepRow{"mkv_mpeg4_mp3",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "k.mkv",
                                           TestVideo() + " " + TestAudio() + " -c:v mpeg4 -g 6 -c:a libmp3lame -t 1.2");
                 }},
        SweepRow{"mkv_theora_vorbis_cues_first",
                 [](const TempDir& d) {
                     return MakeWithFfmpeg(d, "l.mkv",
                                           TestVideo() + " " + TestAudio() +
                                               " -c:v libtheora -g 6 -c:a libvorbis -t 1.2 -reserve_index_space 2048");
                 }}),
    [](const ::testing::TestParamInfo<SweepRow>& i) { return std::string(i.param.name); });

}  // namespace
