// Which reader the factory gives each kind of subtitle file.
#include <gtest/gtest.h>

#include "SubtitleTestUtil.h"
#include "VobSubTestUtil.h"
#include "encoder/subtitles/SamiFile.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"

namespace {

enum class Reader { None, Picture, Text, Sami };

struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // name, content
    std::string open;
    Reader reader;
    const wchar_t* firstText = nullptr;
};

TEST(SubtitleProviderFactory, ReaderForEachFile)
{
    TestSet vobsub;
    vobsub.Add(0, "en", 1000, PlainUnit(40, 20, 100, 50, 1, 90));
    const std::string idx = vobsub.Index();
    const std::string sub = vobsub.stream.Data();
    const std::string microDvd = "{10}{20}Hello\r\n{30}{40}World\r\n";
    const Row rows[] = {
        {"picture set by its index", {{"movie.idx", idx}, {"movie.sub", sub}}, "movie.idx", Reader::Picture},
        {"picture set by its .sub", {{"movie.idx", idx}, {"movie.sub", sub}}, "movie.sub", Reader::Picture},
        {"MicroDVD .sub without an index", {{"movie.sub", microDvd}}, "movie.sub", Reader::Text, L"Hello"},
        {"MicroDVD .sub beside an index of another set",
         {{"movie.idx", idx}, {"movie.sub", microDvd}},
         "movie.sub",
         Reader::Text,
         L"Hello"},
        {"SubRip",
         {{"movie.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nLine\r\n"}},
         "movie.srt",
         Reader::Text,
         L"Line"},
        {"SSA",
         {{"movie.ssa", "[Events]\r\nDialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Text\r\n"}},
         "movie.ssa",
         Reader::Text,
         L"Text"},
        {"SAMI",
         {{"movie.smi", "<SAMI><BODY><SYNC Start=1000><P Class=KRCC>Hi</BODY></SAMI>"}},
         "movie.smi",
         Reader::Sami},
        {"unknown kind read as SAMI", {{"movie.txt", "<SYNC Start=1000><P>Hi\r\n"}}, "movie.txt", Reader::Sami},
        {"plain text no reader takes", {{"movie.txt", "just some words\r\n"}}, "movie.txt", Reader::None},
        {"missing file", {}, "movie.smi", Reader::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        for (const auto& [name, content] : row.files) WriteBytes(dir.File(name), content);
        SubtitleOpenParams params;
        ISubPicProvider* p = reinterpret_cast<ISubPicProvider*>(1);
        HRESULT hr = OpenSubtitleProvider(&p, CString(dir.WFile(row.open)), &params);
        if (row.reader == Reader::None) {
            EXPECT_EQ(E_FAIL, hr);
            EXPECT_EQ(nullptr, p);
            continue;
        }
        ASSERT_EQ(S_OK, hr);
        ASSERT_NE(nullptr, p);
        // Handed out without a reference: the caller's AddRef is the first.
        EXPECT_EQ(1u, p->AddRef());
        void* other = nullptr;
        const bool streams = p->QueryInterface(IID_ISubStream, &other) == S_OK;
        if (streams) static_cast<ISubStream*>(other)->Release();
        const bool languages = p->QueryInterface(IID_ISamiLanguage, &other) == S_OK;
        if (languages) static_cast<ISamiLanguage*>(other)->Release();
        EXPECT_EQ(row.reader == Reader::Picture, streams);
        EXPECT_EQ(row.reader == Reader::Sami, languages);
        EXPECT_EQ(row.reader == Reader::Picture ? kSubProviderPicture : kSubProviderText, p->GetProviderKind());
        if (row.firstText) {
            const wchar_t* text = nullptr;
            ASSERT_EQ(S_OK, p->GetText(p->GetFirstPosition(), &text));
            EXPECT_STREQ(row.firstText, text);
        }
        EXPECT_EQ(0u, p->Release());
    }
}

TEST(SubtitleProviderFactory, EveryCallReadsTheFileAnew)
{
    TempDir dir;
    WriteBytes(dir.File("movie.sub"), "{10}{20}First\r\n");
    SubtitleOpenParams params;
    ComPtr<ISubPicProvider> a, b;
    ASSERT_EQ(S_OK, OpenSubtitleProvider(a.GetAddressOf(), CString(dir.WFile("movie.sub")), &params));
    a.Get()->AddRef();
    WriteBytes(dir.File("movie.sub"), "{10}{20}Second\r\n");
    ASSERT_EQ(S_OK, OpenSubtitleProvider(b.GetAddressOf(), CString(dir.WFile("movie.sub")), &params));
    b.Get()->AddRef();
    EXPECT_NE(a.Get(), b.Get());
    const wchar_t* text = nullptr;
    ASSERT_EQ(S_OK, b->GetText(b->GetFirstPosition(), &text));
    EXPECT_STREQ(L"Second", text);
    EXPECT_EQ(E_POINTER, OpenSubtitleProvider(nullptr, CString(dir.WFile("movie.sub")), &params));
}

// Files as they come from subtitle collections, each read through the
// factory: the points of the provider it gives, spelled "start:text" in
// list order.
struct FileRow {
    const char* name;
    const char* file;
    std::string bytes;
    const char* points;  // nullptr: no provider
    int codePage = -1;   // the code-page setting the reader gets
};

void CheckFiles(const FileRow* rows, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const FileRow& row = rows[i];
        SCOPED_TRACE(row.name);
        TempDir dir;
        WriteBytes(dir.File(row.file), row.bytes);
        SubtitleOpenParams params;
        params.nCodePage = row.codePage;
        ISubPicProvider* raw = nullptr;
        HRESULT hr = OpenSubtitleProvider(&raw, CString(dir.WFile(row.file)), &params);
        ComPtr<ISubPicProvider> p(raw);
        if (!row.points) {
            EXPECT_EQ(E_FAIL, hr);
            continue;
        }
        EXPECT_EQ(S_OK, hr);
        if (p) {
            EXPECT_EQ(row.points, AllEntries(p.Get()));
        }
    }
}

const char kUtf8Mark[] = "\xEF\xBB\xBF";

// A line of nothing but a no-break space is blank, as the Windows run-time
// sees it: it separates SubRip entries and is skipped between MicroDVD ones.
TEST(SubtitleProviderFactory, NoBreakSpaceLinesAreBlank)
{
    const std::string nbsp = "\xC2\xA0";
    const FileRow rows[] = {
        {"subrip entries separated by no-break spaces", "nbsp.srt",
         kUtf8Mark + ("1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n" + nbsp + "\r\n" +
                      "2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\n" + nbsp + " \r\n" +
                      "3\r\n00:00:05,000 --> 00:00:06,000\r\n" + nbsp + "Three" + nbsp + "\r\n"),
         "1000:One | 2000: | 3000:Two | 4000: | 5000:Three | 6000:"},
        {"microdvd with a no-break-space line", "nbsp.sub",
         kUtf8Mark + ("{24}{48}One\r\n" + nbsp + "\r\n{72}{96}Two\r\n"),
         "1001:One | 2002:<null> | 3003:Two | 4004:<null>"},
    };
    CheckFiles(rows, std::size(rows));
}

// The big-endian form of UTF-16, with its mark.
std::string Utf16BeWithMark(const std::string& utf8)
{
    std::string le = WideToUtf16LeBytes(Utf8ToWide(utf8));
    for (size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
    return "\xFE\xFF" + le;
}

std::string CarriageReturnsOnly(std::string text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\n' ? '\r' : text[i];
    }
    return out;
}

// Encodings and line ends of real files; 8-bit fixtures made by iconv.
TEST(SubtitleProviderFactory, EncodingsAndLineEnds)
{
    TempDir dir;
    const std::string korean = "안녕하세요. 오늘은 날씨가 아주 좋습니다.";
    const std::string french = "Ça été très rapide, déjà à l'hôtel où nous étions. Très bien: élégant!";
    const std::string russian = "Привет, как дела? Сегодня очень хорошая погода, и мы пошли гулять в парк.";
    auto srt = [](const std::string& a, const std::string& b) {
        return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + a + "\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n" + b +
               "\r\n";
    };
    auto sami = [](const std::string& text) {
        return "<SAMI>\r\n<HEAD>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n.KRCC { Name: Korean; lang: ko-KR; }\r\n-->"
               "\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n<SYNC Start=1000><P Class=KRCC>" +
               text + "\r\n<SYNC Start=2000><P Class=KRCC>&nbsp;\r\n</BODY>\r\n</SAMI>\r\n";
    };
    const std::string microDvd = "{24}{48}" + korean + "\r\n{72}{96}Two\r\n";
    const std::string srtPoints = "1000:" + korean + " | 2000: | 3000:Two | 4000:";
    const std::string samiPoints = "1000:" + korean + " | 2000: ";
    const std::string microDvdPoints = "1001:" + korean + " | 2002:<null> | 3003:Two | 4004:<null>";
    const std::string longFrench = french + " " + french + " " + french + " " + french;
    const std::string longRussian = russian + " " + russian + " " + russian;
    const std::string frenchPoints = "1000:" + longFrench + " | 2000: | 3000:Two | 4000:";
    const std::string russianPoints = "1000:" + longRussian + " | 2000: | 3000:Two | 4000:";
    struct Case {
        const char* name;
        const char* file;
        std::string bytes;
        std::string points;
        int codePage;
    } const cases[] = {
        {"subrip in UTF-16BE", "a.srt", Utf16BeWithMark(srt(korean, "Two")), srtPoints, 0},
        {"sami in UTF-16BE", "a.smi", Utf16BeWithMark(sami(korean)), samiPoints, 0},
        {"microdvd in UTF-16BE", "a.sub", Utf16BeWithMark(microDvd), microDvdPoints, 0},
        {"subrip with CR line ends", "a.srt", CarriageReturnsOnly(ConvertWithIconv(srt(korean, "Two"), "CP949", dir)),
         srtPoints, 0},
        {"microdvd with CR line ends", "a.sub", CarriageReturnsOnly(microDvd), microDvdPoints, 0},
        {"sami with CR line ends", "a.smi", CarriageReturnsOnly(sami(korean)), samiPoints, 0},
        {"ass with CR line ends", "a.ass",
         CarriageReturnsOnly("[Script Info]\nScriptType: v4.00+\n\n[Events]\n"
                             "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,," +
                             korean + "\n"),
         "1000:" + korean + " | 2000:", 0},
        // The ANSI setting: UTF-8 without a mark is UTF-8, other text 949.
        {"subrip in UTF-8 without a mark, ANSI setting", "a.srt", srt(korean, "Two"), srtPoints, 0},
        {"sami in UTF-8 without a mark, ANSI setting", "a.smi", sami(korean), samiPoints, 0},
        {"microdvd in UTF-8 without a mark, ANSI setting", "a.sub", microDvd, microDvdPoints, 0},
        {"subrip in CP949, ANSI setting", "a.srt", ConvertWithIconv(srt(korean, "Two"), "CP949", dir), srtPoints, 0},
        {"sami in CP949, ANSI setting", "a.smi", ConvertWithIconv(sami(korean), "CP949", dir), samiPoints, 0},
        // Detection: any code page it names that can be read, in a text
        // long enough to tell.
        {"subrip in CP1252, detected", "a.srt", ConvertWithIconv(srt(longFrench, "Two"), "CP1252", dir), frenchPoints,
         -1},
        {"subrip in CP1251, detected", "a.srt", ConvertWithIconv(srt(longRussian, "Two"), "CP1251", dir), russianPoints,
         -1},
        {"sami in CP1251, detected", "a.smi", ConvertWithIconv(sami(longRussian), "CP1251", dir),
         "1000:" + longRussian + " | 2000: ", -1},
        {"subrip in CP949, detected", "a.srt", ConvertWithIconv(srt(korean + " " + korean, "Two"), "CP949", dir),
         "1000:" + korean + " " + korean + " | 2000: | 3000:Two | 4000:", -1},
    };
    std::vector<FileRow> rows;
    for (const Case& c : cases) rows.push_back({c.name, c.file, c.bytes, c.points.c_str(), c.codePage});
    CheckFiles(rows.data(), rows.size());
}

// Short files in CP949 with the code page detected: a line or two gives
// detection too little to go on, so whatever Western code page it names,
// the text is read in the ANSI code page (949) as it was before detection
// took every code page. The files are made by iconv.
TEST(SubtitleProviderFactory, ShortKoreanFilesAreReadAsKoreanWhenDetected)
{
    TempDir dir;
    auto srt = [](const std::string& line) { return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + line + "\r\n"; };
    const std::string lines[] = {"가", "네", "네, 알겠습니다.", "사랑해", "그래"};
    const size_t n = std::size(lines);
    // Names and points of the SubRip files, then of the MicroDVD files.
    std::vector<std::string> names, points;
    for (const std::string& line : lines) {
        names.push_back("subrip " + line);
        points.push_back("1000:" + line + " | 2000:");
    }
    for (const std::string& line : lines) {
        names.push_back("microdvd " + line);
        points.push_back("1001:" + line + " | 2002:<null>");
    }
    std::vector<FileRow> rows;
    for (size_t i = 0; i < n; ++i)
        rows.push_back(
            {names[i].c_str(), "a.srt", ConvertWithIconv(srt(lines[i]), "CP949", dir), points[i].c_str(), -1});
    for (size_t i = 0; i < n; ++i)
        rows.push_back({names[n + i].c_str(), "a.sub", ConvertWithIconv("{24}{48}" + lines[i], "CP949", dir),
                        points[n + i].c_str(), -1});
    CheckFiles(rows.data(), rows.size());
}

// A bad sequence in the middle of CP949 text becomes one U+FFFD and nothing
// after it is lost: a pair that has no character (A2 E8, which the
// converter takes whole before it refuses it), a pair of the user-defined
// rows (C9 A1, which it refuses at the lead byte), a lead byte before a byte
// that cannot follow it. The text around the bytes is made by iconv.
TEST(SubtitleProviderFactory, BadSequencesInKoreanTextLoseNothingAfterThem)
{
    TempDir dir;
    const std::string replacement = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string before, bad, after;
        int replacements;
    } const cases[] = {
        {"pair without a character before plain letters", "a", "\xA2\xE8", "bc", 1},
        {"pair without a character before a syllable", "a", "\xA2\xE8", "가z", 1},
        {"two pairs without a character", "한", "\xA2\xE8\xA2\xE8", "bc", 2},
        {"pair without a character after a syllable", "가", "\xA2\xE8", "나다", 1},
        {"user-defined pair", "a", "\xC9\xA1", "bc", 1},
        {"lead byte before a byte that cannot follow it", "a", "\xC7", "b가", 1},
        {"lead byte before a line end", "a", "\xB0", "", 1},
    };
    std::vector<FileRow> rows;
    std::vector<std::string> points;
    points.reserve(std::size(cases));
    for (const Case& c : cases) {
        std::string text = c.before;
        for (int i = 0; i < c.replacements; ++i) text += replacement;
        points.push_back("1000:" + text + c.after + " | 2000:");
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::string bytes = ConvertWithIconv("1\r\n00:00:01,000 --> 00:00:02,000\r\n" + c.before, "CP949", dir) +
                            c.bad + ConvertWithIconv(c.after + "\r\n", "CP949", dir);
        rows.push_back({c.name, "a.srt", bytes, points[i].c_str(), 949});
    }
    CheckFiles(rows.data(), rows.size());
}

// A script is told by its first section, however long the embedded fonts
// and pictures before its events are.
TEST(SubtitleProviderFactory, ScriptsWithLongSectionsBeforeTheirEvents)
{
    std::string encoded;
    for (int line = 0; line < 400; ++line) {
        std::string row;
        for (int k = 0; k < 80; ++k) row += static_cast<char>('!' + (line * 7 + k * 13) % 64);
        encoded += row + "\r\n";
    }
    const std::string events =
        "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
        "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\r\n";
    const std::string info = "[Script Info]\r\nScriptType: v4.00+\r\n\r\n";
    const FileRow rows[] = {
        {"fonts", "a.ass", info + "[Fonts]\r\nfontname: arial_0.ttf\r\n" + encoded + "\r\n" + events,
         "1000:Hello | 2000:"},
        {"graphics", "a.ass", info + "[Graphics]\r\nfilename: logo.png\r\n" + encoded + "\r\n" + events,
         "1000:Hello | 2000:"},
        {"utf-8 mark, blank lines and letter case first", "a.ssa",
         "\xEF\xBB\xBF\r\n  \r\n [script info] \r\nScriptType: v4.00\r\n[Fonts]\r\n" + encoded +
             "[Events]\r\nDialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\r\n",
         "1000:Hello | 2000:"},
        {"a section name further down is not enough", "a.txt", "note\r\n" + info + encoded + events, nullptr},
    };
    CheckFiles(rows, std::size(rows));
}

}  // namespace
