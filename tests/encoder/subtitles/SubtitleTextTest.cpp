#include <gtest/gtest.h>

#include <vector>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/SubtitleFileText.h"
#include "encoder/subtitles/SubtitleLine.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/CodePageDetect.h"

namespace {

std::vector<std::wstring> Lines(const wchar_t* text)
{
    std::vector<std::wstring> out;
    CString line;
    const wchar_t* cursor = text;
    while (ReadSubtitleLine(cursor, line)) out.push_back(line.str());
    EXPECT_TRUE(line.IsEmpty());
    return out;
}

TEST(SubtitleLine, LineEnds)
{
    using V = std::vector<std::wstring>;
    EXPECT_EQ((V{L"a", L"b"}), Lines(L"a\r\nb"));  // the last line without an end is read
    EXPECT_EQ((V{L"a"}), Lines(L"a\n"));
    EXPECT_EQ((V{L"a\rb", L""}), Lines(L"a\rb\n\n"));
    EXPECT_EQ((V{L"a\r"}), Lines(L"a\r"));
    EXPECT_EQ((V{L"", L"x"}), Lines(L"\r\nx\r\n"));
    EXPECT_EQ(V{}, Lines(L""));
    CString line = L"old";
    const wchar_t* none = nullptr;
    EXPECT_FALSE(ReadSubtitleLine(none, line));
    EXPECT_TRUE(line.IsEmpty());
}

TEST(CodePageDetect, FindsTheFarEasternCodePagesAndUtf8)
{
    TempDir dir;
    for (const auto& s : kSamples) {
        std::string bytes = ConvertWithIconv(s.utf8, s.charset, dir);
        DetectEncodingInfo info;
        INT size = static_cast<INT>(bytes.size());
        INT count = 1;
        ASSERT_EQ(S_OK, DetectInputCodepage(MLDETECTCP_DBCS, 0, bytes.data(), &size, &info, &count)) << s.charset;
        EXPECT_EQ(s.codePage, info.nCodePage) << s.charset;
        EXPECT_EQ(1, count);
        EXPECT_EQ(s.codePage, ChooseSubtitleCodePage(bytes, -1, 0)) << s.charset;
        EXPECT_EQ(Utf8ToWide(s.utf8), DecodeSubtitleBytes(bytes, -1, 0)) << s.charset;

        std::string utf8 = s.utf8;
        size = static_cast<INT>(utf8.size());
        ASSERT_EQ(S_OK, DetectInputCodepage(MLDETECTCP_DBCS, 0, utf8.data(), &size, &info, &count));
        EXPECT_EQ(65001u, info.nCodePage);
    }
}

TEST(CodePageDetect, ArgumentsAndNames)
{
    DetectEncodingInfo info;
    INT size = 0;
    INT count = 1;
    EXPECT_EQ(E_FAIL, DetectInputCodepage(0, 0, "", &size, &info, &count));
    size = 3;
    EXPECT_EQ(E_INVALIDARG, DetectInputCodepage(0, 0, nullptr, &size, &info, &count));
    count = 0;
    EXPECT_EQ(E_INVALIDARG, DetectInputCodepage(0, 0, "abc", &size, &info, &count));
    EXPECT_EQ(949u, CodePageFromCharsetName("euc-kr"));
    EXPECT_EQ(932u, CodePageFromCharsetName("SHIFT_JIS"));
    EXPECT_EQ(0u, CodePageFromCharsetName("x-unknown"));
    EXPECT_EQ(0u, CodePageFromCharsetName(nullptr));
}

TEST(SubtitleFileText, CodePageChoice)
{
    TempDir dir;
    const std::string korean = ConvertWithIconv(kSamples[0].utf8, "CP949", dir);
    const std::string latin = ConvertWithIconv(
        "Ça été très rapide, déjà à l'hôtel où nous étions. Très bien: élégant! "
        "Le café était délicieux, et la crème brûlée aussi. Où est la gare? À bientôt, chère amie. "
        "Nous irons à la plage demain matin, si le temps le permet. Voilà tout! "
        "Après le déjeuner, nous sommes allés au musée voir les tableaux célèbres.",
        "CP1252", dir);
    const std::string cyrillic = ConvertWithIconv(
        "Привет, как дела? Сегодня очень хорошая погода, и мы пошли гулять в парк. "
        "Потом мы пообедали с друзьями и посмотрели новый фильм. "
        "Вечером мы вернулись домой, поужинали и долго разговаривали о жизни. "
        "Завтра мы снова встретимся в парке, если погода будет такой же хорошей.",
        "CP1251", dir);
    const std::string utf8 = kSamples[0].utf8;
    // A line of Korean, which detection takes for Western text.
    const std::string shortKorean = ConvertWithIconv("{0}{25}안녕", "CP949", dir);
    // UTF-8 text with one CP949 pair in it: detection names UTF-8.
    const std::string brokenUtf8 = utf8 + ConvertWithIconv("가", "CP949", dir);
    struct Row {
        const char* name;
        const std::string& bytes;
        int setting;
        UINT preferred;
        UINT chosen;
    } const rows[] = {
        // A setting of 0 or more is used as it stands, except that the ANSI
        // code page gives way to UTF-8 for text that is UTF-8.
        {"given 1252", korean, 1252, 0, 1252},
        {"given ANSI, 8-bit text", korean, 0, 949, 0},
        {"given ANSI, UTF-8 text", utf8, 0, 949, 65001},
        {"given ANSI, plain ASCII", std::string("plain ascii text"), 0, 949, 0},
        {"given 949, UTF-8 text", utf8, 949, 0, 949},
        // Detection: whatever it finds that the conversion layer reads.
        {"detected 949", korean, -1, 0, 949},
        {"detected 1252", latin, -1, 949, 1252},
        {"detected 1251", cyrillic, -1, 0, 1251},
        {"detected UTF-8", utf8, -1, 949, 65001},
        // A short text and data that are not UTF-8: what the first rule
        // took (the far-eastern code pages and UTF-8), else the preferred.
        {"short Korean, preferred 949", shortKorean, -1, 949, 949},
        {"short Korean, preferred ANSI", shortKorean, -1, 0, 0},
        {"short Japanese, detected", ConvertWithIconv("こんにちは、元気ですか。", "CP932", dir), -1, 0, 932},
        {"detected UTF-8 that is not, preferred 949", brokenUtf8, -1, 949, 949},
        {"detected UTF-8 that is not, preferred ANSI", brokenUtf8, -1, 0, 0},
        // Plain ASCII tells nothing: the preferred code page.
        {"ASCII, preferred ANSI", std::string("plain ascii text"), -1, 0, 0},
        {"ASCII, preferred 949", std::string("plain ascii text"), -1, 949, 949},
        // Nothing detected: the preferred code page, UTF-8 when it is ANSI.
        {"nothing, preferred ANSI", std::string(), -1, 0, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(r.chosen, ChooseSubtitleCodePage(r.bytes, r.setting, r.preferred)) << r.name;
    // Plain ASCII at the start, UTF-8 further on, preferred ANSI: UTF-8.
    std::string late = std::string(6000, 'a') + utf8;
    EXPECT_EQ(65001u, ChooseSubtitleCodePage(late, -1, 0));
    EXPECT_EQ(Utf8ToWide(late), DecodeSubtitleBytes(late, -1, 0));
}

TEST(SubtitleFileText, ByteOrderMarks)
{
    UINT used = 0;
    // UTF-16LE of odd length: the stray byte is not read past.
    std::string odd(
        "\xFF\xFE"
        "a\0b\0c",
        7);
    EXPECT_EQ(L"ab\uFFFD", DecodeSubtitleBytes(odd, 949, 0, &used));
    EXPECT_EQ(1200u, used);
    EXPECT_EQ(L"", DecodeSubtitleBytes(std::string("\xFF\xFE", 2), -1, 0));
    EXPECT_EQ(L"", DecodeSubtitleBytes(std::string("\xFF\xFE\x41", 3), -1, 0).substr(0, 0));
    // UTF-8 with its mark, whatever the setting says.
    EXPECT_EQ(L"\uD55C\uAE00", DecodeSubtitleBytes("\xEF\xBB\xBF\xED\x95\x9C\xEA\xB8\x80", 949, 0, &used));
    EXPECT_EQ(65001u, used);
    // Text ends at the first NUL character.
    EXPECT_EQ(L"ab", DecodeSubtitleBytes(std::string("ab\0cd", 5), 949, 0));
    // UTF-16BE after its mark.
    std::string big("\xFE\xFF\xD5\x5C\x00\n\xD8\x3D\xDE\x00", 10);
    EXPECT_EQ(L"\uD55C\n\U0001F600", DecodeSubtitleBytes(big, 949, 0, &used));
    EXPECT_EQ(1201u, used);
    EXPECT_EQ(L"a\uFFFD", DecodeSubtitleBytes(std::string("\xFE\xFF\0a\x41", 5), -1, 0));
    // A code page that does not exist gives no text.
    EXPECT_EQ(L"", DecodeSubtitleBytes("abc\xC7", 12345, 0));
}

// Lines that end in a carriage return alone read as if a line feed
// followed; a text with any line feed is left as it is.
TEST(SubtitleFileText, CarriageReturnLineEnds)
{
    struct Row {
        std::string bytes;
        std::wstring text;
    } const rows[] = {
        {"a\rb\r\rc", L"a\r\nb\r\n\r\nc"}, {"a\r\nb\rc", L"a\r\nb\rc"},
        {"a\rb\nc", L"a\rb\nc"},           {"\xFF\xFE" + WideToUtf16LeBytes(L"x\ry\r"), L"x\r\ny\r\n"},
        {"no line end", L"no line end"},
    };
    for (const Row& r : rows) EXPECT_EQ(r.text, DecodeSubtitleBytes(r.bytes, 949, 0)) << Spell(r.text);
}

TEST(SubtitleFileText, ReadingFiles)
{
    TempDir dir;
    std::string bytes;
    bool complete = false;
    WriteBytes(dir.File("a.srt"), "0123456789");
    ASSERT_TRUE(ReadSubtitleBytes(CString(dir.WFile("a.srt")), -1, &bytes, &complete));
    EXPECT_EQ("0123456789", bytes);
    EXPECT_TRUE(complete);
    ASSERT_TRUE(ReadSubtitleBytes(CString(dir.WFile("a.srt")), 4, &bytes, &complete));
    EXPECT_EQ("0123", bytes);
    EXPECT_FALSE(complete);
    EXPECT_FALSE(ReadSubtitleBytes(CString(dir.WFile("missing.srt")), -1, &bytes));
    EXPECT_FALSE(ReadSubtitleBytes(CString(dir.WFile("")), -1, &bytes));  // a folder
    // The size limit: 9,999,999 bytes are read, 10,000,000 are not.
    {
        std::string big(9999999, 'x');
        WriteBytes(dir.File("big.srt"), big);
        EXPECT_TRUE(ReadSubtitleBytes(CString(dir.WFile("big.srt")), 16, &bytes));
        big += 'x';
        WriteBytes(dir.File("big.srt"), big);
        EXPECT_FALSE(ReadSubtitleBytes(CString(dir.WFile("big.srt")), 16, &bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

}  // namespace
