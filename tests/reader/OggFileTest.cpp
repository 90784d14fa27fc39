#include <gtest/gtest.h>

#include <cstring>

#include "MediaFixtures.h"
#include "reader/analysers/OggFile.h"

namespace {

std::unique_ptr<OggFile> Analyse(const std::string& path)
{
    auto ogg = std::make_unique<OggFile>();
    int status = ogg->Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(status, ogg->m_nStatus);
    return ogg;
}

std::string FourCCText(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string LE16(uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string LE64(uint64_t v) { return LE32Bytes(static_cast<uint32_t>(v)) + LE32Bytes(static_cast<uint32_t>(v >> 32)); }

// One Ogg page holding one packet (the checksum is not checked by the
// analyser, so it stays 0).
std::string Page(uint8_t serial, uint64_t granule, const std::string& packet)
{
    std::string lacing;
    size_t n = packet.size();
    while (n >= 255) {
        lacing += '\xFF';
        n -= 255;
    }
    lacing += static_cast<char>(n);
    std::string page = "OggS";
    page += '\0';  // version
    page += '\0';  // header type
    page += LE64(granule);
    page += LE32Bytes(serial);
    page += LE32Bytes(0);  // sequence
    page += LE32Bytes(0);  // checksum
    page += static_cast<char>(lacing.size());
    return page + lacing + packet;
}

std::string VorbisId(uint8_t channels, uint32_t rate, uint32_t nominal)
{
    return std::string("\x01vorbis", 7) + LE32Bytes(0) + static_cast<char>(channels) + LE32Bytes(rate) + LE32Bytes(0) +
           LE32Bytes(nominal) + LE32Bytes(0) + "\xB8\x01";
}

std::string VorbisComments(const std::vector<std::string>& comments, uint32_t vendorLengthField = 0xFFFFFFFF)
{
    std::string vendor = "test vendor";
    std::string p =
        std::string("\x03vorbis", 7) +
        LE32Bytes(vendorLengthField == 0xFFFFFFFF ? static_cast<uint32_t>(vendor.size()) : vendorLengthField) + vendor +
        LE32Bytes(static_cast<uint32_t>(comments.size()));
    for (const std::string& c : comments) p += LE32Bytes(static_cast<uint32_t>(c.size())) + c;
    return p + "\x01";
}

// An OGM stream header: "video" or "audio", subtype, time unit, samples
// per unit, and width/height or channels/byte rate.
std::string OgmHeader(const std::string& kind, const std::string& subtype, uint64_t timeUnit, uint64_t samplesPerUnit,
                      uint32_t a, uint32_t b)
{
    std::string type = kind + std::string(8 - kind.size(), '\0');
    std::string p = "\x01" + type + subtype + LE32Bytes(0) + LE64(timeUnit) + LE64(samplesPerUnit) + LE32Bytes(1) +
                    LE32Bytes(0) + LE16(16) + LE16(0);
    if (kind == "video")
        p += LE32Bytes(a) + LE32Bytes(b);
    else
        p += LE16(static_cast<uint16_t>(a)) + LE16(0) + LE32Bytes(b);
    return p;
}

// --- Agreement with ffprobe -----------------------------------------------

struct OracleRow {
    const char* name;
    std::function<std::string(const TempDir&)> make;
    WORD audioTag;
    int64_t minSize = 0;
    const char* fourcc = nullptr;  // of the video stream, when there is one
    bool nominalRate = true;       // the audio header names a bit rate
};
void PrintTo(const OracleRow& row, std::ostream* os) { *os << row.name; }

class OggOracle : public ::testing::TestWithParam<OracleRow> {};

TEST_P(OggOracle, AgreesWithFfprobe)
{
    TempDir dir;
    std::string path = GetParam().make(dir);
    ProbeFacts p = Probe(path);
    ASSERT_GE(p.size, GetParam().minSize);
    auto ogg = Analyse(path);
    const MediaFileInfo& r = *ogg;
    EXPECT_EQ(STATUS_OK, r.m_nStatus);
    EXPECT_EQ(p.size, r.m_llFileSize);
    EXPECT_NEAR(p.duration, r.m_llDuration / 1e7, 0.1);
    EXPECT_GT(r.m_llBitRate, 0);
    EXPECT_EQ(p.audioStreams, r.m_nAudioCount);
    for (int i = 0; i < p.audioStreams; ++i) {
        EXPECT_EQ(GetParam().audioTag, Value(r.m_wfxAudio[i].wFormatTag));
        EXPECT_EQ(static_cast<uint32_t>(p.sampleRates[i]), Value(r.m_wfxAudio[i].nSamplesPerSec));
        EXPECT_EQ(p.channels[i], Value(r.m_wfxAudio[i].nChannels));
        EXPECT_EQ(GetParam().nominalRate, Value(r.m_wfxAudio[i].nAvgBytesPerSec) > 0u);
    }
    if (GetParam().fourcc) {
        EXPECT_EQ(1, p.videoStreams);
        EXPECT_EQ(1, r.m_nVideoCount);
        EXPECT_EQ(p.width, r.m_vih.bmiHeader.biWidth);
        EXPECT_EQ(p.height, r.m_vih.bmiHeader.biHeight);
        EXPECT_EQ(GetParam().fourcc, FourCCText(r.m_vih.bmiHeader.biCompression));
        EXPECT_EQ(400000, r.m_vih.AvgTimePerFrame);
        EXPECT_NEAR(p.duration * 25, static_cast<double>(r.m_llFrameCount), 2);
    } else {
        EXPECT_EQ(0, r.m_nVideoCount);
        EXPECT_EQ(0, r.m_llFrameCount);
    }
    EXPECT_EQ(0, r.m_llDataSize);
    EXPECT_EQ(INDEX_MISSING, r.m_nIndexStatus);
}

std::string MakeOgm(const TempDir& dir, const std::string& videoOptions)
{
    std::string avi = MakeWithFfmpeg(dir, "source.avi",
                                     TestVideo() + " " + TestAudio() + " -c:v mpeg4 -vtag XVID " + videoOptions +
                                         " -c:a libmp3lame -b:a 128k -ac 2");
    std::string ogm = dir.File("made.ogm");
    RunFixtureTool("ogmmerge -q -o '" + ogm + "' '" + avi + "' 2>&1");
    return ogm;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OggOracle,
    ::testing::Values(
        OracleRow{"vorbis",
                  [](const TempDir& d) {
                      return MakeWithFfmpeg(d, "v.ogg", TestAudio() + " -ac 2 -c:a libvorbis -fflags +bitexact");
                  },
                  0x674F},
        OracleRow{"vorbis_mono_22k",
                  [](const TempDir& d) {
                      return MakeWithFfmpeg(d, "m.ogg", TestAudio(22050) + " -c:a libvorbis -fflags +bitexact");
                  },
                  0x674F},
        OracleRow{"theora_vorbis",
                  [](const TempDir& d) {
                      return MakeWithFfmpeg(
                          d, "tv.ogg",
                          TestVideo() + " " + TestAudio() + " -c:v libtheora -c:a libvorbis -ac 2 -fflags +bitexact");
                  },
                  0x674F, 0, "THEO"},
        // The picture (120 lines) is smaller than the coded frame of whole
        // macroblocks (128 lines); the playback time comes from the Theora
        // stream's granule positions.
        OracleRow{"theora",
                  [](const TempDir& d) { return MakeWithFfmpeg(d, "t.ogg", TestVideo() + " -c:v libtheora -g 12"); }, 0,
                  0, "THEO"},
        OracleRow{"opus",
                  [](const TempDir& d) { return MakeWithFfmpeg(d, "o.opus", TestAudio() + " -ac 1 -c:a libopus"); },
                  0x704F, 0, nullptr, false},
        OracleRow{"theora_opus",
                  [](const TempDir& d) {
                      return MakeWithFfmpeg(
                          d, "to.ogg", TestVideo("176x144") + " " + TestAudio() + " -c:v libtheora -c:a libopus -ac 2");
                  },
                  0x704F, 0, "THEO", false},
        OracleRow{"opus_theora",
                  [](const TempDir& d) {
                      return MakeWithFfmpeg(
                          d, "ot.ogg",
                          TestVideo() + " " + TestAudio() + " -map 1:a -map 0:v -c:v libtheora -c:a libopus -ac 2");
                  },
                  0x704F, 0, "THEO", false},
        OracleRow{"ogm_xvid_mp3", [](const TempDir& d) { return MakeOgm(d, "-g 12"); }, 0x0055, 0, "XVID"},
        // Larger than the head block, so the playback time comes from the tail block.
        OracleRow{"ogm_large",
                  [](const TempDir& d) { return MakeOgm(d, "-b:v 2M -minrate 2M -maxrate 2M -bufsize 1M"); }, 0x0055,
                  2 * 204800, "XVID"}),
    [](const ::testing::TestParamInfo<OracleRow>& i) { return std::string(i.param.name); });

TEST(OggFile, TheoraAndOpusInTheReport)
{
    TempDir dir;
    std::string path =
        MakeWithFfmpeg(dir, "to.ogg", TestVideo() + " " + TestAudio() + " -c:v libtheora -c:a libopus -ac 2");
    std::string report = RunReportTool({path});
    for (const char* line :
         {"Codec Type           : theora (THEO)\r\n", "Image Size           : 160 x 120  ( 1.33 : 1 )\r\n",
          "Frames/sec           : 25.00 Frames/Sec\r\n", "Total # of frames    : 63\r\n",
          "Codec Type           : Opus\r\n", "Sample ratio         : 48,000 Hz\r\n",
          "Channel count        : 2 Channels (STEREO)\r\n"})
        EXPECT_NE(std::string::npos, report.find(line)) << line << report;
}

// --- Comments and edge cases on pages built here ---------------------------

// A small Ogg Vorbis file: identification, comments, then audio pages of
// stream 7 with rising granule positions up to 3 seconds at 44.1 kHz.
std::string SmallVorbis(const std::vector<std::string>& comments)
{
    std::string file = Page(7, 0, VorbisId(2, 44100, 96000)) + Page(7, 0, VorbisComments(comments));
    for (int i = 1; i <= 3; ++i) file += Page(7, 44100u * i, std::string(300, 'a'));
    return file;
}

TEST(OggFile, CommentsFillTheirSlotsByThreeLetters)
{
    struct Row {
        std::vector<std::string> comments;
        const wchar_t *title, *comment, *creator, *copyright;
    } rows[] = {
        {{"TITLE=abc", "COMMENTS=c", "AUTHOR=a", "COPYRIGHT=(c)"}, L"abc", L"c", L"a", L"(c)"},
        {{"TITLE=first", "TITLE=second"}, L"first", nullptr, nullptr, nullptr},
        {{"TITLESORT=xyz", "TITLE=abc"}, L"xyz", nullptr, nullptr, nullptr},   // only three letters count
        {{"title=lower", "Title=mixed"}, nullptr, nullptr, nullptr, nullptr},  // case-sensitive
        {{"TITLE=", "TITLE=late"}, L"late", nullptr, nullptr, nullptr},        // an empty value fills nothing
        {{"COMMENT=one"}, nullptr, L"one", nullptr, nullptr},
        {{"AUTHOR=\xED\x95\x9C\xEA\xB8\x80"}, nullptr, nullptr, L"\uD55C\uAE00", nullptr},  // UTF-8
        {{"AUTHOR=\xC7\xD1\xB1\xDB"}, nullptr, nullptr, L"\uD55C\uAE00", nullptr},          // ANSI code page
        {{"TITLEWITHAVERYLONGNAMEABC=v"}, L"MEABC=v", nullptr, nullptr, nullptr},           // no '=' in the first 20
    };
    TempDir dir;
    int n = 0;
    for (const Row& row : rows) {
        std::string path = dir.File("c" + std::to_string(n++) + ".ogg");
        WriteBytes(path, SmallVorbis(row.comments));
        auto ogg = Analyse(path);
        ASSERT_EQ(STATUS_OK, ogg->m_nStatus);
        SCOPED_TRACE(row.comments[0]);
        auto same = [](const wchar_t* want, const wchar_t* got) {
            if (!want)
                EXPECT_EQ(nullptr, got);
            else if (!got)
                ADD_FAILURE() << "missing";
            else
                EXPECT_STREQ(want, got);
        };
        same(row.title, ogg->GetTitle());
        same(row.comment, ogg->GetComment());
        same(row.creator, ogg->GetCreator());
        same(row.copyright, ogg->GetCopyright());
    }
}

TEST(OggFile, SmallFileTakesItsTimeFromTheHeadBlock)
{
    TempDir dir;
    WriteBytes(dir.File("s.ogg"), SmallVorbis({}));
    auto ogg = Analyse(dir.File("s.ogg"));
    ASSERT_EQ(STATUS_OK, ogg->m_nStatus);
    EXPECT_EQ(30000000, ogg->m_llDuration);  // 132,300 samples at 44.1 kHz
    EXPECT_EQ(1, ogg->m_nAudioCount);
    EXPECT_EQ(0x674F, Value(ogg->m_wfxAudio[0].wFormatTag));
    EXPECT_EQ(12000u, Value(ogg->m_wfxAudio[0].nAvgBytesPerSec));
    EXPECT_EQ(18, Value(ogg->m_wfxAudio[0].cbSize));
}

TEST(OggFile, OgmAudioSubtypesAreHexTags)
{
    TempDir dir;
    struct Row {
        const char* subtype;
        WORD tag;
    } rows[] = {{"0055", 0x0055}, {"2000", 0x2000}, {"00ff", 0x00FF}, {"zz55", 0}, {"55\0\0", 0}};
    for (const Row& row : rows) {
        std::string file = Page(3, 0, OgmHeader("video", "DX50", 400000, 1, 320, 240)) +
                           Page(4, 0, OgmHeader("audio", std::string(row.subtype, 4), 10000000, 48000, 2, 24000));
        for (int i = 1; i <= 4; ++i) file += Page(3, 25u * i, std::string(40000, 'v'));
        WriteBytes(dir.File("a.ogm"), file);
        auto ogg = Analyse(dir.File("a.ogm"));
        ASSERT_EQ(STATUS_OK, ogg->m_nStatus);
        EXPECT_EQ(row.tag, Value(ogg->m_wfxAudio[0].wFormatTag)) << row.subtype;
        EXPECT_EQ(48000u, Value(ogg->m_wfxAudio[0].nSamplesPerSec));
        EXPECT_EQ(2, Value(ogg->m_wfxAudio[0].nChannels));
        EXPECT_EQ(24000u, Value(ogg->m_wfxAudio[0].nAvgBytesPerSec));
        EXPECT_EQ("DX50", FourCCText(ogg->m_vih.bmiHeader.biCompression));
        EXPECT_EQ(320, ogg->m_vih.bmiHeader.biWidth);
        EXPECT_EQ(240, ogg->m_vih.bmiHeader.biHeight);
        EXPECT_EQ(40000000, ogg->m_llDuration);  // frame 100 at 25 per second
        EXPECT_EQ(100, ogg->m_llFrameCount);
        // What is left for the video once the audio's 192 kbit/s are taken off.
        ASSERT_GT(ogg->m_llBitRate, 192000);
        EXPECT_EQ(static_cast<uint32_t>(ogg->m_llBitRate) - 192000u, ogg->m_vih.dwBitRate);
    }
}

TEST(OggFile, ZeroTimeUnitGivesNoRates)
{
    TempDir dir;
    std::string file = Page(3, 0, OgmHeader("video", "XVID", 0, 1, 320, 240));
    for (int i = 1; i <= 4; ++i) file += Page(3, 25u * i, std::string(200, 'v'));
    WriteBytes(dir.File("z.ogm"), file);
    auto ogg = Analyse(dir.File("z.ogm"));
    EXPECT_EQ(STATUS_OK, ogg->m_nStatus);
    EXPECT_EQ(0, ogg->m_vih.AvgTimePerFrame);
    EXPECT_EQ(0, ogg->m_llDuration);
    EXPECT_EQ(0, ogg->m_llBitRate);
    EXPECT_EQ(0, ogg->m_llFrameCount);
}

TEST(OggFile, CommentHeaderLargerThanTheHeadBlock)
{
    TempDir dir;
    // The vendor length sends the comment list far beyond the head block:
    // the page walk stops there, and the streams and the time stay.
    std::string file = Page(9, 0, VorbisId(1, 48000, 64000)) + Page(9, 0, VorbisComments({"TITLE=x"}, 300000));
    file += std::string(300000, 'p');
    file += Page(9, 48000u * 7, std::string(200, 'a')) + std::string(150, 'e');
    WriteBytes(dir.File("big.ogg"), file);
    auto ogg = Analyse(dir.File("big.ogg"));
    EXPECT_EQ(STATUS_OK, ogg->m_nStatus);
    EXPECT_EQ(1, ogg->m_nAudioCount);
    EXPECT_EQ(70000000, ogg->m_llDuration);
    EXPECT_EQ(nullptr, ogg->GetTitle());
}

TEST(OggFile, MoreThanSixteenStreamsKeepSixteen)
{
    TempDir dir;
    std::string args = TestAudio(8000);
    for (int i = 0; i < 18; ++i) args += " -map 0:a";
    std::string path = MakeWithFfmpeg(dir, "many.ogg", args + " -c:a libvorbis -t 0.5 -fflags +bitexact");
    auto ogg = Analyse(path);
    EXPECT_EQ(STATUS_OK, ogg->m_nStatus);
    EXPECT_EQ(16, ogg->m_nAudioCount);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(8000u, Value(ogg->m_wfxAudio[i].nSamplesPerSec)) << i;
}

TEST(OggFile, DamagedAndForeignFiles)
{
    TempDir dir;
    std::string vorbis = MakeWithFfmpeg(dir, "v.ogg", TestAudio() + " -c:a libvorbis -fflags +bitexact");
    std::string data = Slurp(vorbis);
    struct Row {
        const char* what;
        std::string bytes;
        int status;
    } rows[] = {
        {"cut to 100 bytes", data.substr(0, 100), STATUS_OGG_FORMAT},
        {"cut to 127 bytes", data.substr(0, 127), STATUS_OGG_FORMAT},
        {"no capture pattern", "OggT" + data.substr(4), STATUS_OGG_FORMAT},
        {"empty", "", STATUS_OGG_FORMAT},
        {"cut in the middle", data.substr(0, data.size() / 2), STATUS_OK},
    };
    for (const Row& row : rows) {
        WriteBytes(dir.File("d.ogg"), row.bytes);
        auto ogg = Analyse(dir.File("d.ogg"));
        EXPECT_EQ(row.status, ogg->m_nStatus) << row.what;
        EXPECT_EQ(static_cast<int64_t>(row.bytes.size()), ogg->m_llFileSize) << row.what;
    }
    OggFile missing;
    EXPECT_EQ(STATUS_OPEN_FAILED, missing.Analyse(dir.WFile("missing.ogg").c_str()));
}

}  // namespace
