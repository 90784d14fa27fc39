#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/SubtitleConverter.h"
#include "encoder/subtitles/SamiFile.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

std::string BinDir()
{
    const char* s = std::getenv("RIVO_BIN_DIR");
    return s ? s : "";
}

std::string Utf16File(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    if (bytes.compare(0, 2, "\xFF\xFE") != 0) return "(no UTF-16 mark)";
    return WideToUtf8(Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2));
}

const char kSamiHead[] =
    "<SAMI>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n"
    "P { margin-left:8pt; margin-right:8pt; margin-bottom:2pt; margin-top:2pt; text-align:center; }\r\n"
    ".KRCC { Name:Korean; lang:ko-KR; SAMIType:CC; }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
const char kSamiTail[] = "</BODY>\r\n</SAMI>\r\n";

// The converters of the program folder.
class ConverterTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        CCoreEnvironment::Get().SetProgramFolder(CString(Utf8ToWide(BinDir())));
    }
    CString Input(const std::string& name, const std::string& bytes) const
    {
        WriteBytes(temp().File(name), bytes);
        return CString(temp().WFile(name));
    }
};

TEST_F(ConverterTest, SubRipBecomesSami)
{
    CString input = Input("movie clip.srt",
                          "\xEF\xBB\xBF"
                          "1\r\n00:00:01,500 --> 00:00:03,000\r\nHello <i>world</i> & <friends>\r\n두 번째 줄\r\n\r\n"
                          "2\r\n00:00:03,000 --> 00:00:04,25 X1:10 X2:20\r\n<font color=\"#FF0000\">Red</font>\r\n\r\n"
                          "3\r\n01:00:00.000 --> 01:00:01.000\r\nlast\r\n");
    const wchar_t* output = ConvertSrtToSami(input);
    ASSERT_NE(nullptr, output);
    EXPECT_EQ(GetTempFolder() + L"rivotemp.smi", CString(output));
    EXPECT_EQ(std::string(kSamiHead) +
                  "<SYNC Start=1500><P Class=KRCC>Hello <i>world</i> &#38; &#60;friends&#62;<br>두 번째 줄\r\n"
                  "<SYNC Start=3000><P Class=KRCC><font color=\"#ff0000\">Red</font>\r\n"
                  "<SYNC Start=4250><P Class=KRCC>&nbsp;\r\n"
                  "<SYNC Start=3600000><P Class=KRCC>last\r\n"
                  "<SYNC Start=3601000><P Class=KRCC>&nbsp;\r\n" +
                  kSamiTail,
              Utf16File(WideToUtf8(output)));
}

// Lines of nothing but no-break spaces (and blanks) end a cue as empty
// lines do, in every encoding the converter reads.
TEST_F(ConverterTest, NoBreakSpaceLinesSeparateSubRipCues)
{
    const std::wstring text =
        L"1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\u00A0\r\n"
        L"2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\n \u00A0\t\r\n"
        L"3\r\n00:00:05,000 --> 00:00:06,000\r\n\u00A0Three\u00A0\r\n\u00A0\r\n";
    const std::string expected = std::string(kSamiHead) +
                                 "<SYNC Start=1000><P Class=KRCC>One\r\n"
                                 "<SYNC Start=2000><P Class=KRCC>&nbsp;\r\n"
                                 "<SYNC Start=3000><P Class=KRCC>Two\r\n"
                                 "<SYNC Start=4000><P Class=KRCC>&nbsp;\r\n"
                                 "<SYNC Start=5000><P Class=KRCC>\u00A0Three\u00A0\r\n"
                                 "<SYNC Start=6000><P Class=KRCC>&nbsp;\r\n" +
                                 kSamiTail;
    struct Encoding {
        const char* name;
        std::string bytes;
    } const encodings[] = {
        {"utf-8", WideToUtf8(text)},
        {"utf-16le", "\xFF\xFE" + WideToUtf16LeBytes(text)},
        {"utf-8 with its mark", "\xEF\xBB\xBF" + WideToUtf8(text)},
    };
    for (const Encoding& e : encodings) {
        SCOPED_TRACE(e.name);
        const wchar_t* output = ConvertSrtToSami(Input("nbsp.srt", e.bytes));
        ASSERT_NE(nullptr, output);
        EXPECT_EQ(expected, Utf16File(WideToUtf8(output)));
    }
}

TEST_F(ConverterTest, RealTextBecomesSami)
{
    CString input = Input("clip.rt",
                          "<window type=\"generic\" duration=\"00:00:30\" bgcolor=\"black\">\n"
                          "<font color=\"white\">\n"
                          "<time begin=\"0:00:01.5\"/><clear/>First &amp; line\n<br/>second\n"
                          "<time begin=\"00:00:04\" end=\"6.25\"/><clear/><b>Bold</b>   text\n"
                          "<time begin=\"10\"/><clear/>\n</font>\n</window>\n");
    const wchar_t* output = ConvertRtToSami(input);
    ASSERT_NE(nullptr, output);
    EXPECT_EQ(std::string(kSamiHead) +
                  "<SYNC Start=1500><P Class=KRCC><font color=\"white\">First &#38; line<br>second</font>\r\n"
                  "<SYNC Start=4000><P Class=KRCC><font color=\"white\"><b>Bold</b> text</font>\r\n"
                  "<SYNC Start=6250><P Class=KRCC>&nbsp;\r\n"
                  "<SYNC Start=10000><P Class=KRCC>&nbsp;\r\n" +
                  kSamiTail,
              Utf16File(WideToUtf8(output)));
}

TEST_F(ConverterTest, TheSamiReaderReadsWhatTheConvertersWrite)
{
    struct Case {
        const char* name;
        const char* text;
        bool realText;
    } const cases[] = {
        {"a.srt", "1\n00:00:01,000 --> 00:00:02,000\n<b>Hello</b>\nWorld\n", false},
        {"a.rt", "<window>\n<time begin=\"1\"/><b>Hello</b><br/>World\n<time begin=\"2\"/><clear/></window>", true},
    };
    for (const Case& c : cases) {
        CString input = Input(c.name, c.text);
        const wchar_t* output = c.realText ? ConvertRtToSami(input) : ConvertSrtToSami(input);
        ASSERT_NE(nullptr, output) << c.name;
        CSamiFile* sami = new CSamiFile();
        sami->AddRef();
        ASSERT_TRUE(sami->Load(output, -1, 0, -1)) << c.name;
        POSITION pos = sami->GetFirstPosition();
        ASSERT_NE(nullptr, pos);
        REFERENCE_TIME start = 0;
        const wchar_t* text = nullptr;
        ASSERT_EQ(S_OK, sami->GetStartTime(pos, &start));
        ASSERT_EQ(S_OK, sami->GetText(pos, &text));
        EXPECT_EQ(10000000, start) << c.name;
        EXPECT_STREQ(L"@@<Hello@@>\nWorld", text) << c.name;
        pos = sami->GetNextPosition(pos);
        ASSERT_NE(nullptr, pos);
        ASSERT_EQ(S_OK, sami->GetStartTime(pos, &start));
        ASSERT_EQ(S_OK, sami->GetText(pos, &text));
        EXPECT_EQ(20000000, start) << c.name;
        EXPECT_STREQ(L" ", text) << c.name;
        sami->Release();
    }
}

TEST_F(ConverterTest, MalformedInputGivesNoFile)
{
    struct Case {
        const char* name;
        const char* text;
        bool realText;
    } const cases[] = {
        {"none.srt", "", false},
        {"words.srt", "just some words\n", false},
        {"badtime.srt", "1\n00:00:61,000 --> 00:00:62,000\nx\n", false},
        {"backwards.srt", "1\n00:00:05,000 --> 00:00:02,000\nx\n", false},
        {"second.srt", "1\n00:00:01,000 --> 00:00:02,000\nok\n\n2\nno timing here\n", false},
        {"plain.rt", "no window at all", true},
        {"open.rt", "<window><time begin=\"1\"/>text <b", true},
        {"time.rt", "<window><time begin=\"1:99\"/>text</window>", true},
        {"empty.rt", "<window><time begin=\"1\"/></window>", true},
    };
    for (const Case& c : cases) {
        CString input = Input(c.name, c.text);
        const wchar_t* output = c.realText ? ConvertRtToSami(input) : ConvertSrtToSami(input);
        EXPECT_EQ(nullptr, output) << c.name;
        EXPECT_FALSE(FileExists(GetTempFolder() + L"rivotemp.smi")) << c.name;
    }
}

// Scripted converters in the test's own program folder.
class ScriptedConverterTest : public CoreTest {
protected:
    CString Output() const { return GetTempFolder() + L"rivotemp.smi"; }
};

TEST_F(ScriptedConverterTest, ExitCodeAndWrittenFileDecide)
{
    CString input = CString(temp().WFile("in put \"q\".srt"));
    // Arguments arrive whole: the input and the output path.
    WriteScript("Sabrell", "[ $# -eq 2 ] || exit 9\nprintf '%s' \"$1\" > \"$2\"\nexit 0\n");
    const wchar_t* first = ConvertSrtToSami(input);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(Output(), CString(first));
    EXPECT_EQ(WideToUtf8(input.str()), ReadBytes(WideToUtf8(first)));

    // A second conversion gives the same path and replaces the file.
    CString other = CString(temp().WFile("other.srt"));
    const wchar_t* second = ConvertSrtToSami(other);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(Output(), CString(second));
    EXPECT_EQ(WideToUtf8(other.str()), ReadBytes(WideToUtf8(second)));

    // Exit code 1 fails even with the file written; the file goes.
    WriteScript("Sabrell", "printf 'x' > \"$2\"\nexit 1\n");
    EXPECT_EQ(nullptr, ConvertSrtToSami(input));
    EXPECT_FALSE(FileExists(Output()));

    // Exit code 0 without a file is a failure too.
    WriteScript("Quorlen", "exit 0\n");
    EXPECT_EQ(nullptr, ConvertRtToSami(input));
}

TEST_F(ScriptedConverterTest, AnEarlierOutputIsGoneBeforeTheConverterStarts)
{
    WriteBytes(WideToUtf8(Output().str()), "stale SAMI");
    WriteScript("Quorlen", "[ -e \"$2\" ] && exit 3\nprintf 'fresh' > \"$2\"\n");
    const wchar_t* output = ConvertRtToSami(L"/in.rt");
    ASSERT_NE(nullptr, output);
    EXPECT_EQ("fresh", ReadBytes(WideToUtf8(output)));
}

TEST_F(ScriptedConverterTest, MissingOrSlowConverterFails)
{
    EXPECT_EQ(nullptr, ConvertRtToSami(L"/in.rt"));  // no Quorlen here
    CCoreEnvironment::Get().m_nConverterTimeoutMs = 300;
    WriteScript("Sabrell", "exec sleep 3\n");
    EXPECT_EQ(nullptr, ConvertSrtToSami(L"/in.srt"));
    CCoreEnvironment::Get().m_nConverterTimeoutMs = 10000;
}

}  // namespace
