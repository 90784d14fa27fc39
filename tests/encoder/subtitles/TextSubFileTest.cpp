#include <gtest/gtest.h>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/TextSubFile.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/TextScan.h"

namespace {

ComPtr<ISubPicProvider> OpenText(TempDir& dir, const std::string& bytes, int type, SubtitleOpenParams params = {})
{
    WriteBytes(dir.File("sub.txt"), bytes);
    return ComPtr<ISubPicProvider>(CreateTextSubProvider(CString(dir.WFile("sub.txt")), &params, type));
}

struct Probe {
    int ms;
    const char* text;  // spelled; "<none>" no position, "<null>" a null text
    int start;
};

struct Row {
    const char* name;
    std::string file;
    std::vector<Probe> probes;
    int rateNum = 23976;
    int rateDen = 1000;
};

void CheckRows(const Row* rows, size_t count, int type)
{
    for (size_t i = 0; i < count; ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(r.name);
        TempDir dir;
        SubtitleOpenParams params;
        params.nFrameRateNum = r.rateNum;
        params.nFrameRateDen = r.rateDen;
        auto p = OpenText(dir, r.file, type, params);
        ASSERT_TRUE(p);
        for (const auto& probe : r.probes) {
            Shown s = ShowAt(p.Get(), probe.ms);
            EXPECT_EQ(probe.text, s.text) << probe.ms;
            EXPECT_EQ(probe.start, s.start) << probe.ms;
        }
    }
}

TEST(TextSubtitleSniffing, Kinds)
{
    std::string junk;
    for (int i = 0; i < 100; ++i) junk += "junk line\n";
    std::string time = "00:00:01,000 --> 00:00:02,000\n";
    struct Kind {
        const char* name;
        std::string file;
        int type;
    } kinds[] = {
        {"sami", "<SAMI>\n<BODY>", 0},
        {"microdvd", "{1}{25}Hello", 1},
        {"microdvd open end", "\n{1}{}Hello", 1},
        {"subrip", "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n", 2},
        {"subrip dots", "1\n0:0:1.5 --> 0:0:2:0\n", 2},
        {"ass", "[Script Info]\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,x", 3},
        {"ssa", "Dialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0,0,0,,x", 3},
        {"unknown", "hello\nworld\n", -1},
        {"empty", "", -1},
        {"time line on line 101", junk + time, -1},
        {"time line on line 100", junk.substr(10) + time, 2},
        {"subrip after a utf-8 mark",
         "\xEF\xBB\xBF"
         "1\n" +
             time,
         2},
        {"subrip in utf-16le", "\xFF\xFE" + WideToUtf16LeBytes(L"1\n" + Utf8ToWide(time)), 2},
    };
    for (const auto& k : kinds) {
        TempDir dir;
        WriteBytes(dir.File("s.txt"), k.file);
        EXPECT_EQ(k.type, DetectTextSubtitleType(CString(dir.WFile("s.txt")))) << k.name;
    }
    TempDir dir;
    EXPECT_EQ(0, DetectTextSubtitleType(CString(dir.WFile("missing.srt"))));
    EXPECT_EQ(0, DetectTextSubtitleType(CString(dir.WFile(""))));  // a folder
    std::string big = "1\n" + time + std::string(9999999 - 2 - time.size(), 'x');
    WriteBytes(dir.File("big.srt"), big);
    EXPECT_EQ(2, DetectTextSubtitleType(CString(dir.WFile("big.srt"))));  // 9,999,999 bytes
    WriteBytes(dir.File("big.srt"), big + "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    EXPECT_EQ(0, DetectTextSubtitleType(CString(dir.WFile("big.srt"))));
    // A line cut by the sniffing limit is left out.
    std::string cut = std::string(20480 - 20, '\n') + "1\n00:00:01,000 --> 00:00:02,000\n";
    WriteBytes(dir.File("cut.srt"), cut);
    EXPECT_EQ(-1, DetectTextSubtitleType(CString(dir.WFile("cut.srt"))));
}

TEST(MicroDvd, EntriesAtTimes)
{
    const Row rows[] = {
        {"rate line",
         "{1}{1}25.000\r\n{25}{50}Hello\r\n",
         {{39, "<none>", -1},
          {40, "<null>", 40},
          {1000, "Hello", 1000},
          {1999, "Hello", 1000},
          {2000, "<null>", 2000}}},
        {"default rate", "{25}{50}Hello\n", {{1041, "<none>", -1}, {1042, "Hello", 1042}, {2085, "<null>", 2085}}},
        {"rate from the parameters",
         "{25}{}Hello\n{50}{}Bye",
         {{1000, "Hello", 1000}, {2000, "Bye", 2000}},
         25000,
         1000},
        {"line style", "{0}{25}{y:b}One|Two", {{0, "@@<One@@>\\nTwo", 0}}},
        {"entry style", "{0}{25}{Y:b}One|Two", {{0, "@@<One\\nTwo", 0}}},
        {"all styles", "{0}{25}{y:iu}A|{y:s}B|C", {{0, "@@/@@_A@@\\@@-\\nB@@\\@@-\\nC", 0}}},
        {"colours are red-green-blue",
         "{0}{25}{c:$0000FF}Red|{C:$00ff00}G|H",
         {{0, "@@^ff0000Red@@^ffffff\\n@@^00ff00G\\nH", 0}}},
        {"tags without codes", "{0}{}{f:Arial}{s:20}{h:1}{o:1,2}{x:y}te{xt", {{0, "{x:yte{xt", 0}}},
        {"no body", "{0}{5}", {{0, "", 0}}},
        {"bad rates are ignored", "{1}{1}0\n{1}{1}-5\n{1}{1}nan\n{1}{1}1e999\n{25}{}a", {{1042, "a", 1042}}},
        {"large frames saturate", "{2147483647}{}x\n", {{INT32_MAX, "x", INT32_MAX}}},
    };
    CheckRows(rows, std::size(rows), kSubtitleMicroDvd);
}

TEST(MicroDvd, FilesThatDoNotLoad)
{
    TempDir dir;
    EXPECT_FALSE(OpenText(dir, "", kSubtitleMicroDvd));
    EXPECT_FALSE(OpenText(dir, "\n  \n", kSubtitleMicroDvd));
    EXPECT_FALSE(OpenText(dir, "{1}{2}a\nnot a line\n", kSubtitleMicroDvd));
    EXPECT_FALSE(OpenText(dir, "{1}{2}a", 7));  // no reader of that kind
}

TEST(SubRip, EntriesAtTimes)
{
    const Row rows[] = {
        {"two subtitles",
         "1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\nWorld\r\n\r\n2\r\n00:00:04,000 --> 00:00:05,000\r\n  Bye  "
         "\r\n",
         {{1499, "<none>", -1},
          {1500, "Hello\\nWorld", 1500},
          {3250, "", 3250},
          {4000, "Bye", 4000},
          {9000, "", 5000}}},
        {"milliseconds as written", "1\n00:00:01,5 --> 00:00:01,50\nx\n", {{1005, "x", 1005}, {1050, "", 1050}}},
        {"gap closing",
         "1\n00:00:01,000 --> 00:00:02,200\na\n\n2\n00:00:02,400 --> 00:00:03,000\nb\n",
         {{2300, "a", 1000}, {2400, "b", 2400}}},
        {"no gap closing across half seconds",
         "1\n00:00:01,000 --> 00:00:02,400\na\n\n2\n00:00:02,600 --> 00:00:03,000\nb\n",
         {{2500, "", 2400}}},
        {"a number before the empty line is text",
         "1\n00:00:01,000 --> 00:00:02,000\n42\n\n2\n00:00:03,000 --> 00:00:04,000\nz\n",
         {{1000, "42", 1000}, {3000, "z", 3000}}},
        {"tags stay as written", "1\n00:00:01,000 --> 00:00:02,000\n<i>x</i>\n", {{1000, "<i>x</i>", 1000}}},
        {"last line without an end", "1\n00:00:01,000 --> 00:00:02,000\nend", {{1000, "end", 1000}}},
    };
    CheckRows(rows, std::size(rows), kSubtitleSubRip);
}

TEST(SubRip, FilesThatDoNotLoad)
{
    TempDir dir;
    EXPECT_FALSE(OpenText(dir, "", kSubtitleSubRip));
    EXPECT_FALSE(OpenText(dir, "1\n2\n3\n", kSubtitleSubRip));
    EXPECT_FALSE(OpenText(dir, "1\n00:00:01,000 -> 00:00:02,000\nx\n", kSubtitleSubRip));
    EXPECT_FALSE(OpenText(dir, "WEBVTT\n\n00:00:01.000 --> 00:00:02.000\nx\n", kSubtitleSubRip));
    SubtitleOpenParams params;
    WriteBytes(dir.File("x.srt"), "1\n00:00:01,000 --> 00:00:02,000\nx\n");
    EXPECT_FALSE(CreateTextSubProvider(CString(dir.WFile("x.srt")), nullptr, kSubtitleSubRip));
    EXPECT_FALSE(CreateTextSubProvider(CString(dir.WFile("missing.srt")), &params, kSubtitleSubRip));
    // Sniffed again when the kind is not given.
    EXPECT_TRUE(ComPtr<ISubPicProvider>(CreateTextSubProvider(CString(dir.WFile("x.srt")), &params, kSubtitleUnknown)));
}

const char* kAssHead =
    "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname\nStyle: Default,Arial\n\n"
    "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

std::string Ass(const std::string& text, const char* start = "0:00:01.00", const char* end = "0:00:02.00")
{
    return std::string(kAssHead) + "Dialogue: 0," + start + "," + end + ",Default,,0,0,0,," + text + "\n";
}

TEST(SsaScript, EntriesAtTimes)
{
    const Row rows[] = {
        {"ass line", Ass("Hello", "0:00:01.50", "0:00:03.25"), {{1500, "Hello", 1500}, {3250, "", 3250}}},
        {"bold and italic", Ass("{\\b1}Bold{\\b0} and {\\i1}it{\\i0}"), {{1000, "@@<Bold@@> and @@/it@@\\", 1000}}},
        {"generated code is no line break", Ass("{\\i0}next"), {{1000, "@@\\next", 1000}}},
        {"colour", Ass("{\\c&H0000FF&}red{\\c}x"), {{1000, "@@^ff0000red@@^ffffffx", 1000}}},
        {"other colours have no code", Ass("{\\1c&H0000FF&}text"), {{1000, "text", 1000}}},
        {"comment block stays", Ass("{a comment}text"), {{1000, "{a comment}text", 1000}}},
        {"line breaks", Ass("Line one\\NLine two\\nthree a\\hb"), {{1000, "Line one\\nLine two\\nthree ab", 1000}}},
        {"commas in the text", Ass("a, b, {\\u1}c"), {{1000, "a, b, @@_c", 1000}}},
        {"arguments", Ass("{\\pos(10,20)\\b1\\t(\\i1)}x{\\fad(1,2)\\blur3}y"), {{1000, "@@<x@@>y", 1000}}},
        {"unknown tags", Ass("{\\zz\\yy}x{\\b1\\zz}y"), {{1000, "{\\zz\\yy}x@@<y", 1000}}},
        {"ssa marked line",
         "[Script Info]\nScriptType: v4.00\n[Events]\nDialogue: "
         "Marked=0,0:00:01.00,0:00:02.00,Default,NTP,0000,0000,0000,!Effect,Hi\n",
         {{1000, "Hi", 1000}}},
        {"no script type, = in the text",
         "[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,a=b\n",
         {{1000, "a=b", 1000}}},
        {"hex fields", "[Events]\nDialogue: &h0,0:00:01.00,0:00:02.00,Default,,0x10,0,0,,h\n", {{1000, "h", 1000}}},
        {"gap closing",
         std::string(kAssHead) +
             "Dialogue: 0,0:00:01.00,0:00:02.20,D,,0,0,0,,a\nDialogue: 0,0:00:02.40,0:00:03.00,D,,0,0,0,,b\n",
         {{2300, "a", 1000}}},
        {"out of order events are sorted",
         std::string(kAssHead) + "Dialogue: 0,0:00:05.00,0:00:06.00,D,,0,0,0,,late\n"
                                 "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,early\n",
         {{1500, "early", 1000}, {3000, "", 2000}, {5500, "late", 5000}}},
        {"comments and blank lines",
         std::string(kAssHead) + "; Dialogue: broken\n\n" + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,ok\n",
         {{1000, "ok", 1000}}},
    };
    CheckRows(rows, std::size(rows), kSubtitleSsa);
}

TEST(SsaScript, FilesThatDoNotLoad)
{
    TempDir dir;
    EXPECT_FALSE(OpenText(dir, "Dialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,no header\n", kSubtitleSsa));
    EXPECT_FALSE(OpenText(dir, Ass("x", "0:00:aa.00"), kSubtitleSsa));
    EXPECT_FALSE(OpenText(dir, std::string(kAssHead) + "Dialogue: 0,\n", kSubtitleSsa));
    EXPECT_FALSE(
        OpenText(dir, std::string(kAssHead) + "Dialogue: 0,0:00:01.00,0:00:02.00,D,,x,0,0,,t\n", kSubtitleSsa));
    // An "=" that does not stand in the first field is text, whatever the
    // script type says.
    EXPECT_TRUE(OpenText(dir, "[Script Info]\nScriptType: v4.00\nDialogue: 0,0:00:01.00,0:00:02.00,D,,0,0,0,,a=b\n",
                         kSubtitleSsa));
    // A field without its delimiter takes the rest of the line and leaves it
    // in place, so a short line still reads.
    EXPECT_TRUE(OpenText(dir, std::string(kAssHead) + "Dialogue: 0,0:00:01.00\n", kSubtitleSsa));
    // A header alone loads, with nothing to show.
    auto p = OpenText(dir, "[Events]\n", kSubtitleSsa);
    ASSERT_TRUE(p);
    EXPECT_EQ(nullptr, p->GetFirstPosition());
    EXPECT_EQ(nullptr, p->FindPosition(nullptr, 0));
}

TEST(TextSubFile, ProviderResults)
{
    TempDir dir;
    auto p = OpenText(dir, "{10}{20}a\n{30}{}b\n", kSubtitleMicroDvd);
    ASSERT_TRUE(p);
    const wchar_t* text = L"x";
    REFERENCE_TIME t = 0;
    EXPECT_EQ(E_INVALIDARG, p->GetText(nullptr, &text));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(E_INVALIDARG, p->GetStartTime(nullptr, &t));
    EXPECT_EQ(-1, t);
    EXPECT_EQ(nullptr, p->GetNextPosition(nullptr));
    EXPECT_EQ(nullptr, p->GetPrevPosition(nullptr));
    EXPECT_EQ(nullptr, p->GetNextPosition(p->GetLastPosition()));
    EXPECT_EQ(nullptr, p->GetPrevPosition(p->GetFirstPosition()));
    EXPECT_EQ(0, p->GetProviderKind());
    EXPECT_EQ(E_NOTIMPL, p->GetDuration(p->GetFirstPosition(), &t));
    EXPECT_EQ("417:a | 834:<null> | 1251:b", AllEntries(p.Get()));
    p->SetTimeOffset(-4170000);
    EXPECT_EQ(-4170000, p->GetTimeOffset());
    EXPECT_EQ("<none>", ShowAt(p.Get(), 416).text);
    EXPECT_EQ("a", ShowAt(p.Get(), 834).text);
}

// Each reader reads the same text in every code page the readers name, in
// UTF-16LE and in UTF-8.
TEST(TextSubFile, CodePagesAndUnicode)
{
    struct Format {
        int type;
        std::string (*make)(const std::string& text);
        int start;
    } formats[] = {
        {kSubtitleMicroDvd, [](const std::string& t) { return "{0}{1}\r\n{24}{48}" + t + "\r\n"; }, 1001},
        {kSubtitleSubRip, [](const std::string& t) { return "1\r\n00:00:01,001 --> 00:00:02,000\r\n" + t + "\r\n"; },
         1001},
        {kSubtitleSsa, [](const std::string& t) { return Ass(t, "0:00:01.00"); }, 1000},
    };
    for (const auto& f : formats) {
        for (const auto& s : kSamples) {
            SCOPED_TRACE(std::string(s.charset) + " type " + std::to_string(f.type));
            TempDir dir;
            std::string utf8 = f.make(s.utf8);
            std::string expected = Spell(Utf8ToWide(s.utf8));
            std::string native = ConvertWithIconv(utf8, s.charset, dir);

            auto p = OpenText(dir, native, f.type);
            ASSERT_TRUE(p);
            EXPECT_EQ(expected, ShowAt(p.Get(), f.start).text);
            EXPECT_EQ(static_cast<int>(s.codePage), static_cast<CTextSubFile*>(p.Get())->CodePageUsed());

            SubtitleOpenParams given;
            given.nCodePage = static_cast<int>(s.codePage);
            p = OpenText(dir, native, f.type, given);
            ASSERT_TRUE(p);
            EXPECT_EQ(expected, ShowAt(p.Get(), f.start).text);

            for (const std::string& unicode :
                 {"\xFF\xFE" + WideToUtf16LeBytes(Utf8ToWide(utf8)), "\xEF\xBB\xBF" + utf8, utf8}) {
                p = OpenText(dir, unicode, f.type);
                ASSERT_TRUE(p);
                EXPECT_EQ(expected, ShowAt(p.Get(), f.start).text);
            }
        }
    }
}

TEST(TextSubFile, TruncatedAndMalformedInput)
{
    const std::string files[] = {
        "{0}{25}{y:b}{c:$zz}{c:$ffffffffffff}One|{Y:ui}Two|{|}|{c:$ff0000}\n{1}{1}9e9\n{99999999999}{-5}x",
        "1\n00:00:01,000 --> 00:00:02,000\nx\n\n2\n99999:99999:99999,99999 --> -1:-1:-1,-1\ny\n",
        Ass("{\\c&HFFFFFFFF&\\b(\\i1,\\u1)\\\\}x{{}}{\\}y\\") +
            "Dialogue: 0,99999999:99:99.99,0:00:00.00,D,,0,0,0,,z\n",
    };
    const int types[] = {kSubtitleMicroDvd, kSubtitleSubRip, kSubtitleSsa};
    for (int k = 0; k < 3; ++k) {
        TempDir dir;
        for (size_t cut = 0; cut <= files[k].size(); ++cut) {
            auto p = OpenText(dir, files[k].substr(0, cut), types[k]);
            if (p) AllEntries(p.Get());
            std::string utf16 = "\xFF\xFE" + WideToUtf16LeBytes(Utf8ToWide(files[k].substr(0, cut)));
            p = OpenText(dir, utf16.substr(0, utf16.size() - (cut % 2)), types[k]);  // odd lengths too
            if (p) AllEntries(p.Get());
        }
    }
}

}  // namespace
