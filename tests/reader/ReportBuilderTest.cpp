#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "reader/ReportBuilder.h"
#include "tests/support/TempDir.h"

namespace {

const std::wstring kEq(67, L'=');
const std::wstring kDash(67, L'-');
const std::wstring kBanner = L"=========================[ By RivoReader ]==========================";

class FakeInfo : public MediaFileInfo {
public:
    explicit FakeInfo(int type) { m_nFileType = type; }
    int Analyse(const wchar_t*) override { return m_nStatus; }
};

class StringSink : public CReportSink {
public:
    void AppendReportText(const CString& t) override { text += t.str(); }
    void ClearReport() override
    {
        text.clear();
        ++clears;
    }
    void ShowErrorMessage(const CString& t) override { messages.push_back(t.str()); }
    std::wstring text;
    std::vector<std::wstring> messages;
    int clears = 0;
};

// The report split at "\r\n"; fails the test when a line ends otherwise.
std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        EXPECT_NE(std::wstring::npos, end) << "unterminated last line";
        if (end == std::wstring::npos) break;
        std::wstring line = text.substr(start, end - start);
        EXPECT_EQ(std::wstring::npos, line.find_first_of(L"\r\n")) << "stray line break";
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::vector<std::wstring> Report(MediaFileInfo& info, const wchar_t* path = L"/films/movie.avi")
{
    StringSink sink;
    CReportBuilder(sink).WriteReport(path, info);
    EXPECT_TRUE(sink.messages.empty());
    return SplitLines(sink.text);
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line)
{
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

int CountPrefix(const std::vector<std::wstring>& lines, const std::wstring& prefix)
{
    int n = 0;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) ++n;
    return n;
}

void SetFourCC(MediaFileInfo& r, const char* four) { std::memcpy(&r.m_vih.bmiHeader.biCompression, four, 4); }

// A record as an AVI analysis of a 90-minute film would leave it.
void FillTypical(MediaFileInfo& r)
{
    r.m_nStatus = STATUS_OK;
    r.m_llFileSize = 1200000;
    r.m_llDataSize = 1000000;
    r.m_llDuration = 54000000000LL;  // 5,400 s
    r.m_llBitRate = 1777;
    r.m_nVideoCount = 1;
    SetFourCC(r, "divx");
    r.m_vih.bmiHeader.biWidth = 720;
    r.m_vih.bmiHeader.biHeight = 480;
    r.m_vih.dwBitRate = 999;
    r.m_llFrameCount = 135000;
    r.m_nAudioCount = 1;
    r.m_wfxAudio[0].wFormatTag = 0x0055;
    r.m_wfxAudio[0].nAvgBytesPerSec = 16000;
    r.m_wfxAudio[0].nSamplesPerSec = 44100;
    r.m_wfxAudio[0].nChannels = 2;
    r.m_nIndexStatus = INDEX_VALID;
    r.m_llKeyFrameCount = 3;
    r.m_dKeyIntervalAvg = 1.5;
    r.m_dKeyIntervalMax = 2.0;
    r.m_dKeyIntervalMin = 1.0;
    r.m_dKeyIntervalStdDev = 0.70710678;
}

TEST(ReportBuilder, WholeReportOfATypicalRecord)
{
    FakeInfo r(FILETYPE_AVI);
    FillTypical(r);
    std::vector<std::wstring> expected = {
        kEq,
        L"Basic File Information",
        kDash,
        L"File Name            : movie.avi",
        L"File Format          : AVI format",
        L"File Size on Disk    : 1,200,000 Byte (1.1 MB)",
        L"Data Size            : 1,000,000 Byte (1.0 MB)",
        L"Playback Time        : 01:30:00   (5400 Sec)",
        L"Average Bit Rate     : 1.78 KBits/Sec",
        L"",
        kDash,
        L"Video Stream",
        kDash,
        L"Codec Type           : DivX 4 (OpenDivX) (DIVX)",
        L"Image Size           : 720 x 480  ( 1.50 : 1 )",
        L"Average Bit Rate     : 999.00 Bits/Sec",
        L"Frames/sec           : 25.00 Frames/Sec",
        L"Total # of frames    : 135,000",
        L"",
        kDash,
        L"Audio Stream",
        kDash,
        L"Codec Type           : MPEG Layer-3 (0x0055)",
        L"Bit Rate             : 128.00 KBits/Sec",
        L"Sample ratio         : 44,100 Hz",
        L"Channel count        : 2 Channels (STEREO)",
        L"",
        kDash,
        L"Key Frame",
        kDash,
        L"Index Status         : The index of the file is valid.",
        L"Total Key Frames     : 3",
        L"Average Interval     : 1.500\tSec",
        L"Maximum Interval     : 2.000\tSec",
        L"Minimum Interval     : 1.000\tSec",
        L"Standard Deviation   : 0.707\tSec",
        kBanner,
        L"",
    };
    EXPECT_EQ(expected, Report(r));
}

TEST(ReportBuilder, LinesFollowTheRecord)
{
    struct Row {
        const char* what;
        void (*change)(MediaFileInfo&);
        std::wstring present;       // a whole line that must be there
        std::wstring absentPrefix;  // no line may start with this ("" for none)
    };
    const Row rows[] = {
        {"no state line on success", [](MediaFileInfo&) {}, L"File Format          : AVI format", L"State of Analysis"},
        {"status without text", [](MediaFileInfo& r) { r.m_nStatus = STATUS_AVI_INFO; }, L"State of Analysis    : ",
         L""},
        {"status with text", [](MediaFileInfo& r) { r.m_nStatus = STATUS_AVI_INDEX; },
         L"State of Analysis    : Found a problem in the index of the AVI file.", L""},
        {"fresh record", [](MediaFileInfo& r) { r.m_nStatus = 0; },
         L"State of Analysis    : Can not open the file for analysis.", L""},
        {"more than 99 hours", [](MediaFileInfo& r) { r.m_llDuration = 3600000000000LL; },
         L"Playback Time        : 100:00:00   (360000 Sec)", L""},
        {"no duration", [](MediaFileInfo& r) { r.m_llDuration = 0; }, L"Total # of frames    : 135,000",
         L"Playback Time"},
        {"one second is no frame rate", [](MediaFileInfo& r) { r.m_llDuration = 10000000; }, L"", L"Frames/sec"},
        {"unlisted FourCC", [](MediaFileInfo& r) { SetFourCC(r, "abcd"); },
         L"Codec Type           : Unknown Codec (abcd) ", L""},
        {"unlisted FourCC ends at a zero", [](MediaFileInfo& r) { SetFourCC(r, "ab\0d"); },
         L"Codec Type           : Unknown Codec (ab) ", L""},
        {"Sorenson H.263 as H.263", [](MediaFileInfo& r) { SetFourCC(r, "s263"); },
         L"Codec Type           : ITU H.263 (H263)", L""},
        {"four blanks", [](MediaFileInfo& r) { SetFourCC(r, "    "); }, L"Codec Type           : Unknown (    )", L""},
        {"no picture size", [](MediaFileInfo& r) { r.m_vih.bmiHeader.biHeight = 0; }, L"", L"Image Size"},
        {"no video", [](MediaFileInfo& r) { r.m_nVideoCount = 0; }, L"Video Streams Count  : 0", L"Image Size"},
        {"no audio", [](MediaFileInfo& r) { r.m_nAudioCount = 0; }, L"Audio Streams Count  : 0", L"Sample ratio"},
        {"MP4 names the tag alone", [](MediaFileInfo& r) { r.m_nFileType = FILETYPE_MP4; },
         L"Codec Type           : MPEG Layer-3", L""},
        {"ASF shows the tag", [](MediaFileInfo& r) { r.m_nFileType = FILETYPE_ASF; },
         L"Codec Type           : MPEG Layer-3 (0x0055)", L""},
        {"FLV tag 0",
         [](MediaFileInfo& r) {
             r.m_nFileType = FILETYPE_FLV;
             r.m_wfxAudio[0].wFormatTag = 0;
         },
         L"Codec Type           : Unknown", L"Key Frame"},
        {"unlisted tag",
         [](MediaFileInfo& r) {
             r.m_nFileType = FILETYPE_OGG;
             r.m_wfxAudio[0].wFormatTag = 0x1234;
         },
         L"Codec Type           : Unknown Codec (0x1234)", L"Index Status"},
        {"mono", [](MediaFileInfo& r) { r.m_wfxAudio[0].nChannels = 1; }, L"Channel count        : 1 Channels (MONO)",
         L""},
        {"six channels", [](MediaFileInfo& r) { r.m_wfxAudio[0].nChannels = 6; }, L"Channel count        : 6 Channels",
         L""},
        {"no index", [](MediaFileInfo& r) { r.m_nIndexStatus = INDEX_MISSING; },
         L"Index Status         : Error: Cannot find the index of the file.", L"Total Key Frames"},
        {"invalid index", [](MediaFileInfo& r) { r.m_nIndexStatus = INDEX_INVALID; },
         L"Index Status         : Error: The index of the file is invalid.", L""},
        {"index status out of range", [](MediaFileInfo& r) { r.m_nIndexStatus = 7; },
         L"Index Status         : Error: The index of the file is invalid.", L""},
        {"large bit rate", [](MediaFileInfo& r) { r.m_llBitRate = 1000000; }, L"Average Bit Rate     : 1.00 MBits/Sec",
         L""},
    };
    for (const Row& row : rows) {
        FakeInfo r(FILETYPE_AVI);
        FillTypical(r);
        row.change(r);
        std::vector<std::wstring> lines = Report(r);
        if (!row.present.empty()) {
            EXPECT_TRUE(HasLine(lines, row.present)) << row.what;
        }
        if (!row.absentPrefix.empty()) {
            EXPECT_EQ(0, CountPrefix(lines, row.absentPrefix)) << row.what;
        }
    }
}

TEST(ReportBuilder, StateLineComesRightAfterTheFileName)
{
    FakeInfo r(FILETYPE_AVI);
    FillTypical(r);
    r.m_nStatus = STATUS_AVI_INFO;
    std::vector<std::wstring> lines = Report(r, L"C:\\films|x\\movie.avi");
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(L"File Name            : movie.avi", lines[3]);
    EXPECT_EQ(L"State of Analysis    : ", lines[4]);
    EXPECT_EQ(L"File Format          : AVI format", lines[5]);
}

TEST(ReportBuilder, OggAndFlvEndWithTheAudioSection)
{
    for (int type : {FILETYPE_OGG, FILETYPE_FLV}) {
        FakeInfo r(type);
        FillTypical(r);
        std::vector<std::wstring> lines = Report(r);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(L"", lines[lines.size() - 3]) << type;  // the audio stream's empty line
        EXPECT_EQ(kBanner, lines[lines.size() - 2]);
        EXPECT_EQ(0, CountPrefix(lines, L"Key Frame"));
    }
}

TEST(ReportBuilder, NoIndexEndsTheKeyFrameSectionWithAnEmptyLine)
{
    FakeInfo r(FILETYPE_AVI);
    FillTypical(r);
    r.m_nIndexStatus = INDEX_MISSING;
    std::vector<std::wstring> lines = Report(r);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(L"Index Status         : Error: Cannot find the index of the file.", lines[lines.size() - 4]);
    EXPECT_EQ(L"", lines[lines.size() - 3]);
    EXPECT_EQ(kBanner, lines[lines.size() - 2]);
}

TEST(ReportBuilder, AudioFormatsStopAtSixteen)
{
    FakeInfo r(FILETYPE_AVI);
    FillTypical(r);
    for (auto& w : r.m_wfxAudio) w = r.m_wfxAudio[0];
    r.m_nAudioCount = 40;  // more than the record can hold
    EXPECT_EQ(16, CountPrefix(Report(r), L"Sample ratio         : "));
    r.m_nAudioCount = -3;
    EXPECT_EQ(0, CountPrefix(Report(r), L"Sample ratio         : "));
}

TEST(ReportBuilder, NumberTexts)
{
    struct IntRow {
        int64_t value;
        const wchar_t* text;
    };
    for (const IntRow& r : std::initializer_list<IntRow>{{0, L"0"},
                                                         {999, L"999"},
                                                         {1000, L"1,000"},
                                                         {1200000, L"1,200,000"},
                                                         {123456789, L"123,456,789"},
                                                         {-1234, L"-1,234"},
                                                         {INT64_MAX, L"9,223,372,036,854,775,807"}})
        EXPECT_EQ(CString(r.text), CReportBuilder::FormatGroupedInt64(r.value)) << r.value;

    for (const IntRow& r : std::initializer_list<IntRow>{{0, L"0 Byte "},
                                                         {10, L"10 Byte "},
                                                         {1024, L"1024 Byte "},
                                                         {1025, L"1.0 KBytes"},
                                                         {1996, L"1.9 KBytes"},  // cut, not rounded
                                                         {1048575, L"1023.9 KBytes"},
                                                         {1048576, L"1024.0 KBytes"},
                                                         {1048577, L"1.0 MBytes"},
                                                         {1073741824, L"1024.0 MBytes"},
                                                         {1073741825, L"1.0 GBytes"},
                                                         {5LL << 30, L"5.0 GBytes"}})
        EXPECT_EQ(CString(r.text), CReportBuilder::FormatFileSize(r.value)) << r.value;

    for (const IntRow& r : std::initializer_list<IntRow>{{0, L"0.00 Bits/Sec"},
                                                         {999, L"999.00 Bits/Sec"},
                                                         {1000, L"1.00 KBits/Sec"},
                                                         {128000, L"128.00 KBits/Sec"},
                                                         {999999, L"1000.00 KBits/Sec"},
                                                         {1000000, L"1.00 MBits/Sec"},
                                                         {2500000, L"2.50 MBits/Sec"}})
        EXPECT_EQ(CString(r.text), CReportBuilder::FormatBitRate(r.value)) << r.value;

    EXPECT_EQ(CString(L"b.avi"), CReportBuilder::FileNamePart(L"C:\\a\\b.avi"));
    EXPECT_EQ(CString(L"z.ogg"), CReportBuilder::FileNamePart(L"/x/y|z.ogg"));
    EXPECT_EQ(CString(L"plain"), CReportBuilder::FileNamePart(L"plain"));
    EXPECT_EQ(CString(L""), CReportBuilder::FileNamePart(L"dir/"));
}

TEST(ReportBuilder, HexDumpOfAnUnknownFile)
{
    TempDir dir;
    WriteBytes(dir.File("ten.bin"), "0123456789");
    StringSink sink;
    CReportBuilder(sink).BuildReport(dir.WFile("ten.bin"));
    std::vector<std::wstring> lines = SplitLines(sink.text);
    ASSERT_EQ(10u + 22u + 2u, lines.size());
    std::vector<std::wstring> head = {
        kEq,
        L"Basic File Information",
        kDash,
        L"File Name            :  ten.bin",
        L"File Size on Disk    :  10 Byte ",
        L"File Format          :  Unknown File Format",
        L"",
        kDash,
        L"Binary Code",
        kDash,
    };
    EXPECT_EQ(head, std::vector<std::wstring>(lines.begin(), lines.begin() + 10));
    EXPECT_EQ(L" 30 31 32 33 34 35 36 37 38 39 00 00 00 00 00 00  0123456789......", lines[10]);
    for (size_t i = 11; i < 32; ++i)
        EXPECT_EQ(L" 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  ................", lines[i]);
    EXPECT_EQ(kBanner, lines[32]);
    EXPECT_EQ(L"", lines[33]);
}

TEST(ReportBuilder, HexDumpShowsTwentyTwoWholeLines)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 400; ++i) bytes += static_cast<char>(i & 0xFF);
    // A RIFF file of another form type is not AVI, and no other probe takes it.
    bytes.replace(0, 12, "RIFF\x10\0\0\0WAVE", 12);
    WriteBytes(dir.File("sound.wav"), bytes);
    StringSink sink;
    CReportBuilder(sink).BuildReport(dir.WFile("sound.wav"));
    std::vector<std::wstring> lines = SplitLines(sink.text);
    ASSERT_EQ(34u, lines.size());
    EXPECT_EQ(L"File Format          :  Unknown File Format", lines[5]);
    EXPECT_EQ(L" 52 49 46 46 10 00 00 00 57 41 56 45 0c 0d 0e 0f  RIFF....WAVE....", lines[10]);
    // Bytes 0x20 to 0x7F show as themselves; the last line holds bytes 336 to 351.
    EXPECT_EQ(L" 20 21 22 23 24 25 26 27 28 29 2a 2b 2c 2d 2e 2f   !\"#$%&'()*+,-./", lines[12]);
    EXPECT_EQ(L" 50 51 52 53 54 55 56 57 58 59 5a 5b 5c 5d 5e 5f  PQRSTUVWXYZ[\\]^_", lines[31]);
}

TEST(ReportBuilder, MissingFilesGiveOneMessageAndNoText)
{
    TempDir dir;
    ASSERT_EQ(0, mkfifo(dir.File("fifo").c_str(), 0600));
    for (const std::wstring& path : {dir.WFile("missing"), Utf8ToWide(dir.path()), dir.WFile("fifo")}) {
        StringSink sink;
        CReportBuilder(sink).BuildReport(path);
        EXPECT_EQ(L"", sink.text);
        ASSERT_EQ(1u, sink.messages.size());
        EXPECT_EQ(L"The file doesn't exist.", sink.messages[0]);
    }
    StringSink sink;
    CReportBuilder(sink).BuildReport(L"");
    EXPECT_EQ(L"", sink.text);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(ReportBuilder, DumpOfAFileThatCannotBeOpened)
{
    TempDir dir;
    WriteBytes(dir.File("locked"), "0123456789");
    ASSERT_EQ(0, chmod(dir.File("locked").c_str(), 0));
    struct Case {
        const char* name;
        std::string path;
        bool rootReadsIt;  // root reads a file whatever its mode
    };
    const Case cases[] = {
        {"a file without read permission", dir.File("locked"), true},
        // A write-only kernel setting: a regular file nobody, root included,
        // may open for reading.
        {"a write-only kernel setting", "/proc/sys/vm/drop_caches", false},
    };
    int ran = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        struct stat st;
        if ((c.rootReadsIt && geteuid() == 0) || stat(c.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        ++ran;
        StringSink sink;
        sink.text = L"earlier report\r\n";
        CReportBuilder(sink).BuildReport(Utf8ToWide(c.path).c_str());
        EXPECT_EQ(L"", sink.text);
        EXPECT_EQ(1, sink.clears);
        ASSERT_EQ(1u, sink.messages.size());
        EXPECT_EQ(L"The file can not be opened. Another program may be using this file.", sink.messages[0]);
    }
    EXPECT_GT(ran, 0) << "no file here that cannot be opened";
}

}  // namespace
