// Source probing: files the ffmpeg command line makes (whole, cut and
// stripped) and byte patterns made here give the probe chain's codes; the
// remote branches run against the loopback server; large and blocking
// files come back at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>

#include "encoder/core/SourceProbe.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/MediaFixtures.h"

namespace {

std::string Le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Le64(uint64_t v) { return Le32(static_cast<uint32_t>(v)) + Le32(static_cast<uint32_t>(v >> 32)); }

std::string Chunk(const std::string& id, const std::string& body)
{
    std::string c = id + Le32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() & 1) c.push_back('\0');
    return c;
}

// The 16 bytes of a GUID as a file holds them.
std::string GuidBytes(uint32_t d1, uint16_t d2, uint16_t d3, std::initializer_list<int> d4)
{
    std::string s = Le32(d1);
    s += static_cast<char>(d2 & 0xFF);
    s += static_cast<char>(d2 >> 8);
    s += static_cast<char>(d3 & 0xFF);
    s += static_cast<char>(d3 >> 8);
    for (int b : d4) s += static_cast<char>(b);
    return s;
}

const std::string kAsfHeader = GuidBytes(0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
const std::string kAsfData = GuidBytes(0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
const std::string kAsfSimpleIndex =
    GuidBytes(0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB});

std::string AsfObject(const std::string& guid, uint64_t size, size_t bodyBytes)
{
    return guid + Le64(size) + std::string(bodyBytes, '\x11');
}

// Where the first top-level object with this GUID starts, walking the
// file's objects; npos when there is none.
size_t AsfObjectAt(const std::string& bytes, const std::string& guid)
{
    size_t at = 0;
    while (at + 24 <= bytes.size()) {
        if (bytes.compare(at, 16, guid) == 0) return at;
        uint64_t size = 0;
        std::memcpy(&size, bytes.data() + at + 16, 8);
        if (size < 24) break;
        at += size;
    }
    return std::string::npos;
}

// Where the top-level "idx1" chunk of an AVI file starts.
size_t Idx1At(const std::string& bytes)
{
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        if (bytes.compare(at, 4, "idx1") == 0) return at;
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        at += 8 + size + (size & 1);
    }
    return std::string::npos;
}

class SourceProbeTest : public CoreTest {
protected:
    std::wstring W(const std::string& path) const { return Utf8ToWide(path); }
    SourceTypeCode Probe(const std::string& path) const { return ProbeMediaSource(CString(W(path))); }
    // An AVI with a picture and a tone, made once per test that asks.
    std::string MakeAvi(const std::string& name) const
    {
        return MakeMedia(temp(), name, TestPicture(1.0) + " " + TestTone(1.0) + " -c:v mpeg4 -c:a pcm_s16le");
    }
    std::string MakeAsf(const std::string& name) const
    {
        return MakeMedia(temp(), name, TestPicture(1.0) + " " + TestTone(1.0) + " -c:v wmv2 -c:a wmav2 -f asf");
    }
};

struct MadeCase {
    const char* name;
    const char* file;
    const char* args;  // after one picture and one tone input
    SourceTypeCode code;
};

void PrintTo(const MadeCase& c, std::ostream* os) { *os << c.file; }

class ProbeMadeFileTest : public SourceProbeTest, public ::testing::WithParamInterface<MadeCase> {};

TEST_P(ProbeMadeFileTest, CodeOfAFileTheCommandLineMade)
{
    const MadeCase& c = GetParam();
    std::string path = MakeMedia(temp(), c.file, TestPicture(1.0) + " " + TestTone(1.0) + " " + c.args);
    EXPECT_EQ(c.code, Probe(path)) << std::hex << Probe(path);
}

const MadeCase kMadeCases[] = {
    {"AviWithIndex", "indexed.avi", "-c:v mpeg4 -c:a libmp3lame", kSourceAvi},
    {"AsfWithIndex", "indexed.asf", "-c:v wmv2 -c:a wmav2 -f asf", kSourceAsf},
    {"Mp4", "movie.mp4", "-c:v libx264 -preset veryfast -c:a aac", kSourceMp4},
    {"Ogg", "movie.ogg", "-c:v libtheora -c:a libvorbis", kSourceOgg},
    {"Matroska", "movie.mkv", "-c:v mpeg4 -c:a libvorbis", kSourceMatroska},
    {"Flv", "movie.flv", "-c:v flv1 -c:a libmp3lame -ar 44100", kSourceFlv},
    {"ProgramStream", "movie.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", kSourceMpegProgram},
    {"TransportStream", "movie.ts", "-c:v mpeg2video -c:a mp2 -f mpegts", kSourceMpegTransport},
    {"TransportStreamDmb", "movie.dmb", "-c:v mpeg2video -c:a mp2 -f mpegts", kSourceMpegTransportDmb},
    {"TransportStreamDmbCapitals", "movie.DMB", "-c:v mpeg2video -c:a mp2 -f mpegts", kSourceMpegTransport},
    {"RealMedia", "movie.rm", "-c:v rv20 -c:a ac3 -f rm", kSourceRealMedia},
    {"Swf", "movie.swf", "-c:v flv1 -c:a libmp3lame -ar 44100 -f swf", kSourceSwf},
    // A QuickTime movie is never taken for MP4 by its name: nothing later
    // knows it either, and the system reads it.
    {"QuickTime", "movie.mov", "-c:v mpeg4 -c:a aac", kSourceUnknown},
    {"QuickTimeCapitals", "MOVIE.MOV", "-c:v mpeg4 -c:a aac", kSourceUnknown},
    // The same QuickTime bytes under another name are MP4.
    {"QuickTimeAsMp4", "movie.m4v", "-c:v mpeg4 -c:a aac -f mov", kSourceMp4},
};

INSTANTIATE_TEST_SUITE_P(Made, ProbeMadeFileTest, ::testing::ValuesIn(kMadeCases),
                         [](const ::testing::TestParamInfo<MadeCase>& i) { return std::string(i.param.name); });

TEST_F(SourceProbeTest, AviIndexStates)
{
    std::string whole = ReadBytes(MakeAvi("source.avi"));
    size_t idx1 = Idx1At(whole);
    ASSERT_NE(std::string::npos, idx1);
    ASSERT_EQ(
        whole.size(), idx1 + 8 +
                          [&] {
                              uint32_t n = 0;
                              std::memcpy(&n, whole.data() + idx1 + 4, 4);
                              return n;
                          }())
        << "idx1 is the last chunk";

    struct Case {
        const char* name;
        std::string bytes;
        SourceTypeCode code;
    };
    const Case cases[] = {
        {"whole.avi", whole, kSourceAvi},
        {"noindex.avi", whole.substr(0, idx1), kSourceAviBadIndex},
        {"cutindex.avi", whole.substr(0, idx1 + 8 + 10), kSourceAviBadIndex},
        {"headeronly.avi", whole.substr(0, idx1 + 4), kSourceAviBadIndex},
        // Bytes after the RIFF's stated length: the index is looked for
        // right behind the walk.
        {"shortriff.avi", whole.substr(0, 4) + Le32(static_cast<uint32_t>(idx1 - 8)) + whole.substr(8), kSourceAvi},
    };
    for (const Case& c : cases) {
        std::string path = temp().File(c.name);
        WriteBytes(path, c.bytes);
        EXPECT_EQ(c.code, Probe(path)) << c.name;
    }
}

TEST_F(SourceProbeTest, MadeUpAviLayouts)
{
    const std::string hdrl = Chunk("LIST", "hdrl" + Chunk("avih", std::string(56, '\0')));
    auto riff = [](const std::string& body) {
        return "RIFF" + Le32(static_cast<uint32_t>(body.size() + 4)) + "AVI " + body;
    };
    struct Case {
        const char* name;
        std::string bytes;
        SourceTypeCode code;
    };
    const Case cases[] = {
        // An OpenDML file indexes inside its movie list.
        {"odml", riff(hdrl + Chunk("LIST", "movi" + Chunk("ix00", std::string(32, '\0')) + Chunk("00dc", "abc"))),
         kSourceAvi},
        {"movi-without-ix00", riff(hdrl + Chunk("LIST", "movi" + Chunk("00dc", "abc"))), kSourceAviBadIndex},
        // Odd chunk sizes are padded to an even length.
        {"odd-junk", riff(hdrl + Chunk("JUNK", "xyz") + Chunk("LIST", "movi") + Chunk("idx1", std::string(16, '\0'))),
         kSourceAvi},
        {"not-avi", "RIFF" + Le32(4) + "WAVE", kSourceUnknown},
        {"short", "RIFF" + Le32(4), kSourceUnknown},
        // A header of chunks that claim nothing: the walk ends without
        // finding an index.
        {"zero-chunks", riff(std::string(8 * 5000, '\0')), kSourceAviBadIndex},
    };
    for (const Case& c : cases) {
        std::string path = temp().File(std::string(c.name) + ".avi");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(c.code, Probe(path)) << c.name;
    }
}

TEST_F(SourceProbeTest, AsfIndexStates)
{
    std::string whole = ReadBytes(MakeAsf("source.asf"));
    size_t index = AsfObjectAt(whole, kAsfSimpleIndex);
    ASSERT_NE(std::string::npos, index) << "the ASF muxer writes a simple index";

    struct Case {
        const char* name;
        std::string bytes;
        SourceTypeCode code;
    };
    const Case cases[] = {
        {"whole.asf", whole, kSourceAsf},
        {"noindex.asf", whole.substr(0, index), kSourceAsfNoIndex},
        {"cutindex.asf", whole.substr(0, index + 30), kSourceAsfNoIndex},
        {"headeronly.asf", whole.substr(0, AsfObjectAt(whole, kAsfData)), kSourceAsfNoIndex},
    };
    for (const Case& c : cases) {
        std::string path = temp().File(c.name);
        WriteBytes(path, c.bytes);
        EXPECT_EQ(c.code, Probe(path)) << c.name;
    }
}

// Sizes a walk must not be fooled by: one whose low 32 bits are 0, one
// smaller than a header, one that runs past any offset.
TEST_F(SourceProbeTest, AsfWalkEndsOnSizesThatMakeNoProgress)
{
    struct Case {
        const char* name;
        std::string bytes;
        int expected;
    };
    const Case cases[] = {
        {"low-bits-zero", AsfObject(kAsfHeader, 0x100000000ull, 40), 1},
        {"smaller-than-header", AsfObject(kAsfHeader, 1, 40), 1},
        {"huge", AsfObject(kAsfHeader, 0xFFFFFFFFFFFFFFF0ull, 40), 1},
        {"zero", AsfObject(kAsfHeader, 0, 40), -1},
        {"header-data-index",
         AsfObject(kAsfHeader, 30, 6) + AsfObject(kAsfData, 26, 2) + AsfObject(kAsfSimpleIndex, 24, 0), 0},
        {"unknown-first", AsfObject(std::string(16, 'x'), 30, 6) + AsfObject(kAsfSimpleIndex, 24, 0), -1},
    };
    for (const Case& c : cases) {
        std::string path = temp().File(std::string(c.name) + ".wmv");
        WriteBytes(path, c.bytes);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.expected, ProbeAsf(CString(W(path)))) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
    }
}

TEST_F(SourceProbeTest, MagicNumbersAndTheMakersOwnFiles)
{
    struct Case {
        const char* name;
        std::string bytes;
        SourceTypeCode code;
    };
    const Case cases[] = {
        {"cd.dat", "RIFF" + Le32(100) + "CDXA" + std::string(20, '\0'), kSourceRiffCdxa},
        {"track.cda", "RIFF" + Le32(100) + "CDDA" + std::string(20, '\0'), kSourceRiffCdda},
        {"song.vgm", "VGM2" + std::string(20, '\0'), kSourceVgm2},
        {"movie.swf", "CWS\x07" + std::string(20, '\0'), kSourceSwf},
        {"movie.rivo", "RIVO" + Le32(7) + std::string(20, '\0'), kSourceRivoFile},
        {"negative.rivo", "RIVO" + Le32(0xFFFFFFFF) + std::string(20, '\0'), kSourceUnknown},
        {"VIDEO_TS.IFO", "DVDVIDEO-VTS" + std::string(40, '\0'), kSourceDvd},
        {"video_ts.ifo", "DVDVIDEO-VMG" + std::string(40, '\0'), kSourceDvd},
        {"notdvd.ifo", "XVDVIDEO-VTS" + std::string(40, '\0'), kSourceUnknown},
        {"dvd.bin", "DVDVIDEO-VTS" + std::string(40, '\0'), kSourceUnknown},
        {"old.flv", "FLV\x02" + std::string(20, '\0'), kSourceUnknown},
        {"empty.avi", "", kSourceEmptyFile},
        {"noise.avi", std::string("\x13\x57\x9b\xdf") + std::string(600, '\x5a'), kSourceUnknown},
        {"three.bin", "abc", kSourceUnknown},
    };
    for (const Case& c : cases) {
        std::string path = temp().File(c.name);
        WriteBytes(path, c.bytes);
        EXPECT_EQ(c.code, Probe(path)) << c.name << " gave 0x" << std::hex << Probe(path);
    }
}

TEST_F(SourceProbeTest, IdxCompanionWithTheMakersHeader)
{
    WriteBytes(temp().File("show.rec"), "RIVO" + Le32(2));
    WriteBytes(temp().File("plain.rec"), "RIVO" + Le32(2));
    WriteBytes(temp().File("show.idx"), "index");
    EXPECT_EQ(kSourceIdxCompanion, Probe(temp().File("show.rec")));
    EXPECT_EQ(kSourceRivoFile, Probe(temp().File("plain.rec")));
    EXPECT_EQ(2, ProbeIdxCompanion(CString(W(temp().File("show.rec")))));
    EXPECT_EQ(-1, ProbeIdxCompanion(CString(W(temp().File("plain.rec")))));
}

TEST_F(SourceProbeTest, TextsThatNameNoFile)
{
    struct Case {
        const wchar_t* text;
        SourceTypeCode code;
    };
    const Case cases[] = {
        {L"(Default DVD Device)", kSourceDvd},
        {L"mms://media.example/live", kSourceAsfStream},
        // The stream test of "mms://" looks at the letters as written.
        {L"MMS://media.example/live", kSourceUnknown},
        {L"rivos://stream.example/7", kSourceStreamAddress},
        {L"RIVOS://stream.example/7", kSourceStreamAddress},
        // A stream id: its first four characters in hex are its length.
        {L"0010abcdefghijkl", kSourceStreamAddress},
        {L"0010abcdefghijklm", kSourceUnknown},
        {L"/no/such/file.avi", kSourceUnknown},
        {L"", kSourceUnknown},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, ProbeMediaSource(c.text)) << WideToUtf8(c.text);
}

TEST_F(SourceProbeTest, HttpFailureCodesSpellTheStatus)
{
    EXPECT_EQ(static_cast<int>(0xF0000401u), HttpStatusSourceCode(401));
    EXPECT_EQ(static_cast<int>(0xF0000404u), HttpStatusSourceCode(404));
    EXPECT_EQ(static_cast<int>(0xF0000503u), HttpStatusSourceCode(503));
    EXPECT_TRUE(IsFailedSourceCode(kSourceEmptyFile));
    EXPECT_TRUE(IsFailedSourceCode(HttpStatusSourceCode(406)));
    EXPECT_FALSE(IsFailedSourceCode(kSourceUnknown));
    EXPECT_FALSE(IsFailedSourceCode(kSourceDvd));
}

// A 4 GB sparse file that starts like an AVI whose movie list claims nearly
// all of it, and a FIFO nobody writes to: both answer at once, and nothing
// reads the bulk of the big file.
TEST_F(SourceProbeTest, LargeAndBlockingFilesComeBackAtOnce)
{
    std::string big = temp().File("big.avi");
    {
        int fd = open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        std::string head =
            "RIFF" + Le32(0xFFFFFFF0u) + "AVI " + Chunk("LIST", "hdrl") + "LIST" + Le32(0xFFFF0000u) + "movi";
        ASSERT_EQ(static_cast<ssize_t>(head.size()), write(fd, head.data(), head.size()));
        ASSERT_EQ(0, ftruncate(fd, 4LL * 1024 * 1024 * 1024 + 100));
        close(fd);
    }
    std::string fifo = temp().File("pipe.avi");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));

    struct Case {
        std::string path;
        SourceTypeCode code;
    };
    const Case cases[] = {{big, kSourceAviBadIndex}, {fifo, kSourceUnknown}};
    for (const Case& c : cases) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.code, Probe(c.path)) << c.path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.path;
    }
    struct stat st;
    ASSERT_EQ(0, stat(big.c_str(), &st));
    EXPECT_LT(st.st_blocks * 512, 1024 * 1024) << "the sparse file stayed sparse";
}

}  // namespace
