#include <gtest/gtest.h>

#include "foundation/IniFile.h"
#include "foundation/NameValueParser.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

// One text covering the line kinds the reader tells apart.
const char* kSample =
    "orphan=before any section\r\n"
    "[Video]\r\n"
    "Width = 640 ; trailing comment\n"
    "Title=\"a;b\" ignored after quote\n"
    "Open=\"missing close ; kept\n"
    "\"Quoted Key=1\" = quoted\n"
    "\"Bad Key\" junk = x\n"
    "dup=first\n"
    "dup=second\n"
    "; comment=no\n"
    "  [  Empty Name Test ]  \n"
    "noequals line\n"
    "[]\n"
    "lost=no section\n"
    "[VIDEO]\n"
    "dup=third\n"
    "Height=480\n"
    "Hangul=\xED\x95\x9C\xEA\xB8\x80\n"
    "Hex=ff\n"
    "NoDigits=abc\n";

void ExpectSampleLookups(const CIniFile& ini)
{
    struct Row {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;
    } rows[] = {
        {L"Video", L"Width", L"640"},           {L"video", L"WIDTH", L"640"},
        {L"Video", L"Title", L"a;b"},           {L"Video", L"Open", L"missing close ; kept"},
        {L"Video", L"Quoted Key=1", L"quoted"}, {L"Video", L"dup", L"first"},
        {L"Video", L"Height", L"480"},  // second half of the same section
        {L"Video", L"Hangul", L"\uD55C\uAE00"}, {L"Empty Name Test", L"noequals line", L"<none>"},
        {L"Video", L"orphan", L"<none>"},       {L"Video", L"lost", L"<none>"},
        {L"Video", L"Bad Key", L"<none>"},      {L"Video", L"; comment", L"<none>"},
        {L"Missing", L"Width", L"<none>"},
    };
    for (const auto& r : rows) EXPECT_EQ(CString(r.expected), ini.GetString(r.section, r.key, L"<none>")) << r.key;
    EXPECT_EQ(255, ini.GetInt(L"Video", L"Hex", -1, 16));
    EXPECT_EQ(0, ini.GetInt(L"Video", L"NoDigits", -1, 10));
    EXPECT_EQ(-1, ini.GetInt(L"Video", L"Absent", -1, 10));
    EXPECT_EQ(2, ini.GetCount());  // Video and "Empty Name Test"; the empty header adds none
}

TEST(IniFile, ParsesLineKindsAndFindsFirstMatch)
{
    TempDir dir;
    WriteBytes(dir.File("utf8.ini"), kSample);
    CIniFile ini;
    ini.m_nCodePage = CP_UTF8;
    ASSERT_TRUE(ini.Load(dir.WFile("utf8.ini").c_str()));
    ExpectSampleLookups(ini);
    CString v = L"unchanged";
    EXPECT_FALSE(ini.Lookup(L"Video", L"nope", v));
    EXPECT_EQ(L"unchanged", v);
}

TEST(IniFile, Utf16AndCp949FilesGiveIdenticalLookups)
{
    TempDir dir;
    WriteBytes(dir.File("utf8.ini"), kSample);
    int rc = 0;
    RunTool("iconv -f UTF-8 -t CP949 '" + dir.File("utf8.ini") + "' > '" + dir.File("cp949.ini") + "'", &rc);
    ASSERT_EQ(0, rc);
    RunTool("(printf '\\377\\376'; iconv -f UTF-8 -t UTF-16LE '" + dir.File("utf8.ini") + "') > '" +
                dir.File("utf16.ini") + "'",
            &rc);
    ASSERT_EQ(0, rc);
    CIniFile a, b;  // code page 0: the ANSI code page, 949
    ASSERT_TRUE(a.Load(dir.WFile("cp949.ini").c_str()));
    ASSERT_TRUE(b.Load(dir.WFile("utf16.ini").c_str()));
    ExpectSampleLookups(a);
    ExpectSampleLookups(b);
}

TEST(IniFile, SizeLimitHoldsAtTheBoundary)
{
    TempDir dir;
    std::string body = "[S]\nk=v\n";
    std::string exact = body + std::string(CIniFile::kMaxFileBytes - body.size(), ';');
    WriteBytes(dir.File("exact.ini"), exact);
    WriteBytes(dir.File("over.ini"), exact + ";");
    CIniFile ini;
    ASSERT_TRUE(ini.Load(dir.WFile("exact.ini").c_str()));
    EXPECT_EQ(L"v", ini.GetString(L"S", L"k", L""));
    EXPECT_FALSE(ini.Load(dir.WFile("over.ini").c_str()));
    EXPECT_EQ(0, ini.GetCount()) << "a refused file leaves the object empty";
}

TEST(IniFile, OddSizedUtf16FileAndOtherEdgeFiles)
{
    TempDir dir;
    // FF FE, "[a]\nk=v" and one stray byte.
    std::string odd("\xFF\xFE[\0a\0]\0\n\0k\0=\0v\0X", 17);
    WriteBytes(dir.File("odd.ini"), odd);
    CIniFile ini;
    ASSERT_TRUE(ini.Load(dir.WFile("odd.ini").c_str()));
    EXPECT_EQ(L"v\uFFFD", ini.GetString(L"a", L"k", L""));
    WriteBytes(dir.File("one.ini"), "[");
    EXPECT_TRUE(ini.Load(dir.WFile("one.ini").c_str()));
    EXPECT_EQ(0, ini.GetCount());
    WriteBytes(dir.File("nul.ini"), std::string("[a]\nk=v\n\0[b]\nq=w\n", 17));
    ASSERT_TRUE(ini.Load(dir.WFile("nul.ini").c_str()));
    EXPECT_EQ(L"", ini.GetString(L"b", L"q", L""));  // the text ends at the zero
    EXPECT_FALSE(ini.Load(dir.WFile("missing.ini").c_str()));
    EXPECT_FALSE(ini.Load(Utf8ToWide(dir.path()).c_str()));  // a folder is not a file
}

TEST(NameValueParser, PairsTable)
{
    struct Row {
        const wchar_t* text;
        bool ok;
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
    } rows[] = {
        {L"a=\"1\" b=\"2\"", true, {{L"a", L"1"}, {L"b", L"2"}}},
        {L"  destpath=\"C:\\my dir\"  ", true, {{L"destpath", L"C:\\my dir"}}},
        {L"v=\"say &quot;hi&quot; &amp; &apos;go&apos;\"", true, {{L"v", L"say \"hi\" & 'go'"}}},
        {L"name =\"x\"", true, {{L"name ", L"x"}}},
        {L"a=\"1\" trailing", false, {{L"a", L"1"}}},
        {L"a=\"1\" b=\"open", false, {{L"a", L"1"}}},
        {L"a=1", false, {}},
        {L"\"a\"=\"1\"", false, {}},
        {L"", false, {}},
        {L" \t\r\n", false, {}},
        {L"a=\"\"", true, {{L"a", L""}}},
        {L"x=\"&amp;quot;\"", true, {{L"x", L"\""}}},
    };
    for (const auto& r : rows) {
        CNameValueParser p;
        EXPECT_EQ(r.ok, p.Parse(r.text)) << r.text;
        ASSERT_EQ(static_cast<int>(r.pairs.size()), p.GetCount()) << r.text;
        for (int i = 0; i < p.GetCount(); ++i) {
            SKeyValue kv;
            ASSERT_TRUE(p.GetPair(i, kv));
            EXPECT_EQ(r.pairs[static_cast<size_t>(i)].first, kv.key.str());
            EXPECT_EQ(r.pairs[static_cast<size_t>(i)].second, kv.value.str());
        }
        SKeyValue kv;
        EXPECT_FALSE(p.GetPair(-1, kv));
        EXPECT_FALSE(p.GetPair(p.GetCount(), kv));
    }
}

}  // namespace
