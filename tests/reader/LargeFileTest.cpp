// Files of 4 GiB and more report their real size and are read at the right
// places. The files are sparse: the gap takes no room on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "MediaFixtures.h"
#include "reader/ReportBuilder.h"
#include "reader/analysers/AviFile.h"
#include "reader/analysers/FlvFile.h"
#include "reader/analysers/OggFile.h"

namespace {

constexpr uint64_t kFiveGiB = 5ull << 30;

// head at the start, tail at the very end of a file of size bytes.
void MakeSparse(const std::string& path, const std::string& head, uint64_t size, const std::string& tail)
{
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(static_cast<ssize_t>(head.size()), pwrite(fd, head.data(), head.size(), 0));
    ASSERT_EQ(0, ftruncate(fd, static_cast<off_t>(size)));
    off_t at = static_cast<off_t>(size - tail.size());
    ASSERT_EQ(static_cast<ssize_t>(tail.size()), pwrite(fd, tail.data(), tail.size(), at));
    close(fd);
}

std::string BE24(uint32_t v) { return {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string BE32(uint32_t v) { return static_cast<char>(v >> 24) + BE24(v); }
std::string FlvTag(uint8_t type, uint32_t ms, const std::string& data)
{
    return std::string(1, static_cast<char>(type)) + BE24(static_cast<uint32_t>(data.size())) + BE24(ms) +
           std::string(4, '\0') + data + BE32(static_cast<uint32_t>(11 + data.size()));
}

TEST(LargeFiles, AviReportsItsWholeSize)
{
    TempDir dir;
    std::string small = Slurp(MakeWithFfmpeg(dir, "s.avi", TestVideo() + " -c:v mpeg4 -t 1"));
    std::string path = dir.File("big.avi");
    MakeSparse(path, small, kFiveGiB, "");
    AviFile avi;
    avi.Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(STATUS_OK, avi.m_nStatus);  // the walk ends at the RIFF end
    EXPECT_EQ(static_cast<int64_t>(kFiveGiB), avi.m_llFileSize);
    EXPECT_EQ(INDEX_VALID, avi.m_nIndexStatus);
}

TEST(LargeFiles, FlvTailWindowIsReadAtTheEnd)
{
    TempDir dir;
    std::string key("\x12\x00\x00\x84\x02\x80\x00\x00\x00\x00\x00\x00", 12);
    std::string head = std::string("FLV\x01\x05", 5) + BE32(9) + BE32(0) + FlvTag(9, 0, key);
    std::string tail = FlvTag(9, 7200000, key) + FlvTag(9, 7200040, key);  // two hours in
    std::string path = dir.File("big.flv");
    MakeSparse(path, head, kFiveGiB, tail);
    FlvFile flv;
    flv.Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(STATUS_OK, flv.m_nStatus);
    EXPECT_EQ(static_cast<int64_t>(kFiveGiB), flv.m_llFileSize);
    EXPECT_EQ(72000400000LL, flv.m_llDuration);
    EXPECT_EQ(static_cast<int64_t>(kFiveGiB * 80000000 / 72000400000ULL), flv.m_llBitRate);
}

TEST(LargeFiles, OggTailBlockIsReadAtTheEnd)
{
    TempDir dir;
    std::string small = Slurp(MakeWithFfmpeg(dir, "s.ogg", TestAudio() + " -c:a libvorbis -t 1 -fflags +bitexact"));
    // The last page of the small file, with its granule moved to one hour.
    size_t last = small.rfind("OggS");
    ASSERT_NE(std::string::npos, last);
    std::string page = small.substr(last);
    page.replace(6, 4, LE32Bytes(44100u * 3600));
    std::string path = dir.File("big.ogg");
    MakeSparse(path, small.substr(0, last), kFiveGiB, page + std::string(50, '\0'));
    OggFile ogg;
    ogg.Analyse(Utf8ToWide(path).c_str());
    EXPECT_EQ(STATUS_OK, ogg.m_nStatus);
    EXPECT_EQ(static_cast<int64_t>(kFiveGiB), ogg.m_llFileSize);
    EXPECT_EQ(36000000000LL, ogg.m_llDuration);
}

TEST(LargeFiles, HexDumpShowsTheWholeSize)
{
    TempDir dir;
    std::string path = dir.File("big.bin");
    MakeSparse(path, "not a media file", kFiveGiB, "");
    struct Sink : CReportSink {
        std::wstring text;
        void AppendReportText(const CString& t) override { text += t.str(); }
        void ClearReport() override {}
        void ShowErrorMessage(const CString&) override {}
    } sink;
    CReportBuilder(sink).BuildReport(Utf8ToWide(path));
    EXPECT_NE(std::wstring::npos, sink.text.find(L"File Size on Disk    :  5.0 GBytes\r\n"));
}

}  // namespace
