#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "encoder/core/DialogTextWindows.h"
#include "encoder/core/LangTextTable.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

// A window tree of its own: handles are small numbers.
class FakeWindows : public IDialogTextWindows {
public:
    struct Window {
        HWND parent;
        int id;
        CString text;
    };
    HWND Add(HWND parent, int id, const wchar_t* text)
    {
        HWND h = reinterpret_cast<HWND>(static_cast<uintptr_t>(windows_.size() + 1));
        windows_[h] = Window{parent, id, text};
        order_.push_back(h);
        return h;
    }
    const CString& Text(HWND h) { return windows_[h].text; }

    std::vector<HWND> EnumChildWindows(HWND parent) override
    {
        std::vector<HWND> out;
        for (HWND h : order_)
            for (HWND p = windows_[h].parent; p; p = windows_[p].parent)
                if (p == parent) {
                    out.push_back(h);
                    break;
                }
        return out;
    }
    HWND GetParent(HWND window) override { return windows_[window].parent; }
    int GetDlgCtrlID(HWND window) override { return windows_[window].id; }
    void SetWindowText(HWND window, const CString& text) override { windows_[window].text = text; }

private:
    std::map<HWND, Window> windows_;
    std::vector<HWND> order_;
};

class LangTextTableTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        SetDialogTextWindows(&windows_);
    }
    void TearDown() override
    {
        SetDialogTextWindows(nullptr);
        CoreTest::TearDown();
    }
    CString File(const std::string& name) const { return CString(temp().WFile(name)); }

    FakeWindows windows_;
};

const char kKorean[] =
    "[GENERAL]\nCODEPAGE=949\n"
    "[TEXT]\nTEXT_BOTH=한국어\nTEXT_EMPTY_THERE=대체\nTEXT_ONLY_KOREAN=한국어만\n"
    "[DLGTEXT]\nIDOK=확인\nIDC_FROM_FALLBACK=쓰이지 않음\n";
const char kEnglish[] =
    "[GENERAL]\nCODEPAGE=1252\n"
    "[TEXT]\nTEXT_BOTH=English\nTEXT_EMPTY_THERE=\nTEXT_LINES=one\\ntwo\\nthree\n"
    "[DLGTEXT]\nIDOK=OK\nIDCANCEL=\nIDC_LIST=Files\\nhere\nIDD_MAIN=Main window\nIDC_INNER=never\n";
const char kIdMap[] =
    "// resource ids\r\n"
    "#define IDD_MAIN                        102\r\n"
    "#define IDC_LIST                        1000\r\n"
    "#define IDC_INNER                       1001\r\n"
    "#define IDC_FROM_FALLBACK               1002\r\n"
    "#define _APS_NEXT_CONTROL_VALUE         1000\r\n"
    "#define IDC_NOT_OK                      1\r\n"
    "#   define IDC_INDENTED                  1003\r\n";

TEST_F(LangTextTableTest, LookupOrderAndLineBreaks)
{
    WriteUtf16Text(temp().File("korean.ini"), kKorean);
    WriteUtf16Text(temp().File("english.ini"), kEnglish);
    CLangTextTable table;
    EXPECT_EQ(0, table.LoadLangFile(File("english.ini"), File("korean.ini"), File("missing.data")));

    struct Case {
        const wchar_t* key;
        const wchar_t* text;
    } const cases[] = {
        {L"TEXT_BOTH", L"English"},          {L"TEXT_EMPTY_THERE", L""},  // the chosen file has it, empty
        {L"TEXT_ONLY_KOREAN", L"한국어만"},  {L"TEXT_NOWHERE", L""},
        {L"TEXT_LINES", L"one\ntwo\nthree"}, {L"text_both", L"English"},  // the files match keys without regard to case
    };
    for (const Case& c : cases) EXPECT_STREQ(c.text, table.GetLangText(c.key)) << c.key;
}

TEST_F(LangTextTableTest, SameKeyGivesTheSamePointerUntilTheNextLoad)
{
    WriteUtf16Text(temp().File("korean.ini"), kKorean);
    CLangTextTable table;
    table.LoadLangFile(File("korean.ini"), File("korean.ini"), File("missing.data"));
    const wchar_t* first = table.GetLangText(L"TEXT_BOTH");
    EXPECT_EQ(first, table.GetLangText(L"TEXT_BOTH"));
    const wchar_t* none = table.GetLangText(L"TEXT_NOWHERE");
    EXPECT_EQ(none, table.GetLangText(L"TEXT_NOWHERE"));

    WriteUtf16Text(temp().File("english.ini"), kEnglish);
    table.LoadLangFile(File("english.ini"), File("korean.ini"), File("missing.data"));
    EXPECT_STREQ(L"English", table.GetLangText(L"TEXT_BOTH"));
}

TEST_F(LangTextTableTest, MissingFilesGiveEmptyTexts)
{
    CLangTextTable table;
    table.LoadLangFile(File("none.ini"), File("none2.ini"), File("none.data"));
    EXPECT_STREQ(L"", table.GetLangText(L"TEXT_APP_NAME"));
    EXPECT_EQ(0, table.m_nCodePage);
}

TEST_F(LangTextTableTest, DialogTextsByControlName)
{
    WriteUtf16Text(temp().File("korean.ini"), kKorean);
    WriteUtf16Text(temp().File("english.ini"), kEnglish);
    WriteBytes(temp().File("controlid.data"), kIdMap);
    CLangTextTable table;
    ASSERT_EQ(1, table.LoadLangFile(File("english.ini"), File("korean.ini"), File("controlid.data")));

    HWND dialog = windows_.Add(nullptr, 102, L"caption");
    HWND ok = windows_.Add(dialog, 1, L"ok");          // IDOK wins over the header's name for 1
    HWND cancel = windows_.Add(dialog, 2, L"cancel");  // empty text: left as it is
    HWND list = windows_.Add(dialog, 1000, L"list");
    HWND combo = windows_.Add(dialog, 1003, L"combo");   // named only by an indented define
    HWND inner = windows_.Add(combo, 1001, L"inner");    // a grandchild keeps its text
    HWND fallback = windows_.Add(dialog, 1002, L"fb");   // dialog texts never come from the fallback
    HWND unnamed = windows_.Add(dialog, 4242, L"free");  // not in the map

    table.ApplyDialogTexts(dialog, 102);
    EXPECT_EQ(L"Main window", windows_.Text(dialog));
    EXPECT_EQ(L"OK", windows_.Text(ok));
    EXPECT_EQ(L"cancel", windows_.Text(cancel));
    EXPECT_EQ(L"Files\nhere", windows_.Text(list));
    EXPECT_EQ(L"combo", windows_.Text(combo));
    EXPECT_EQ(L"inner", windows_.Text(inner));
    EXPECT_EQ(L"fb", windows_.Text(fallback));
    EXPECT_EQ(L"free", windows_.Text(unnamed));
}

TEST_F(LangTextTableTest, WithoutAnIdMapNoControlIsNamedAndTheCodePageStays)
{
    WriteUtf16Text(temp().File("english.ini"), kEnglish);
    WriteBytes(temp().File("controlid.data"), kIdMap);
    HWND dialog = windows_.Add(nullptr, 102, L"caption");
    HWND ok = windows_.Add(dialog, 1, L"ok");
    HWND list = windows_.Add(dialog, 1000, L"list");
    struct Case {
        const char* what;
        bool loadedBefore;  // with the id map, before the load without it
        int codePage;
    };
    for (const Case& c : {Case{"first load", false, 0}, Case{"after a full load", true, 1252}}) {
        SCOPED_TRACE(c.what);
        CLangTextTable table;
        if (c.loadedBefore) {
            ASSERT_EQ(1, table.LoadLangFile(File("english.ini"), File("korean.ini"), File("controlid.data")));
            ASSERT_EQ(1252, table.m_nCodePage);
        }
        EXPECT_EQ(0, table.LoadLangFile(File("english.ini"), File("korean.ini"), File("missing.data")));
        EXPECT_EQ(c.codePage, table.m_nCodePage);
        // The texts still load; the dialog's controls keep theirs.
        EXPECT_STREQ(L"English", table.GetLangText(L"TEXT_BOTH"));
        table.ApplyDialogTexts(dialog, 102);
        EXPECT_EQ(L"ok", windows_.Text(ok));
        EXPECT_EQ(L"list", windows_.Text(list));
        EXPECT_EQ(L"caption", windows_.Text(dialog));
    }
}

TEST_F(LangTextTableTest, OverlongIdMapLinesAreReadInChunks)
{
    WriteUtf16Text(temp().File("english.ini"), "[DLGTEXT]\nIDC_LIST=Files\n");
    // 1023 blanks fill the first read; the define after them is read as a line of its own.
    WriteBytes(temp().File("controlid.data"),
               std::string(1023, ' ') + "#define IDC_LIST 1000\n" + "#define " + std::string(5000, 'X') + " 77\n");
    CLangTextTable table;
    ASSERT_EQ(1, table.LoadLangFile(File("english.ini"), File("english.ini"), File("controlid.data")));
    HWND dialog = windows_.Add(nullptr, 5, L"d");
    HWND list = windows_.Add(dialog, 1000, L"list");
    table.ApplyDialogTexts(dialog, 5);
    EXPECT_EQ(L"Files", windows_.Text(list));
}

// ---- The language files the build writes ------------------------------------------

std::string SourceDir() { return RIVO_TEST_SOURCE_DIR; }

std::string BinDir()
{
    const char* s = std::getenv("RIVO_BIN_DIR");
    return s ? s : "";
}

// Every TEXT_ key that the encoder's code names in a wide literal.
std::set<std::wstring> KeysUsedInCode()
{
    std::set<std::wstring> keys;
    const std::regex literal("L\"(TEXT_[A-Z0-9_]+)\"");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SourceDir() + "/encoder")) {
        std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        std::string text = ReadBytes(entry.path().string());
        for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it)
            keys.insert(Utf8ToWide((*it)[1].str()));
    }
    return keys;
}

std::vector<SKeyValue> TextEntries(const CIniFile& file)
{
    std::vector<SKeyValue> out;
    if (SIniSection* s = file.FindSection(L"TEXT"))
        for (POSITION p = s->entries.GetHeadPosition(); p;) out.push_back(s->entries.GetNext(p));
    return out;
}

// The printf conversions of a text, in order ("%%" is none).
std::wstring Conversions(const CString& text)
{
    static const std::wregex conversion(L"%(%|[-+ #0]*[0-9]*(\\.[0-9]+)?(I64|I32|l|h)?[a-zA-Z])");
    std::wstring out;
    const std::wstring& s = text.str();
    for (std::wsregex_iterator it(s.begin(), s.end(), conversion), end; it != end; ++it)
        if ((*it)[0].str() != L"%%") out += (*it)[0].str();
    return out;
}

// Texts that the code uses as formats, with the conversions their callers
// fill. Every other text must hold no conversion at all.
const std::map<std::wstring, std::wstring> kFormatKeys = {
    {L"TEXT_SHUTDOWN", L"%d"},
    {L"TEXT_PRESET_DELETE_FAILED", L"%s"},
    {L"TEXT_PRESET_SAVE_FAILED", L"%s"},
    {L"TEXT_PRESET_OVERWRITE", L"%s"},
    {L"TEXT_SKIN_OPENERROR", L"%s"},
    {L"TEXT_ST_TOTAL", L"%d%d"},
    {L"TEXT_ST_SRCPATH", L"%s"},
    {L"TEXT_ST_TOTAL_ELAPSED", L"%02d%02d%02d"},
    {L"TEXT_ST_TIMEINFO", L"%d%02d%02d%d%02d%02d%d%d%d%d%02d%02d"},
    {L"TEXT_ST_TIMEINFO2", L"%.2f%I64d%I64d%d%02d%02d"},
    {L"TEXT_COMPLETE_ERROR", L"%d"},
    {L"TEXT_AUDIOSTEAM_ITEM", L"%d"},
};

TEST(LanguageFiles, BuiltFilesAreUtf16WithTheMark)
{
    for (const char* name : {"korean.ini", "english.ini"}) {
        std::string bytes = ReadBytes(BinDir() + "/lang/" + name);
        ASSERT_GE(bytes.size(), 2u) << name;
        EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2)) << name;
    }
}

TEST(LanguageFiles, KoreanHasEveryKeyTheCodeUsesAndEnglishFollows)
{
    CIniFile korean(CString(Utf8ToWide(BinDir() + "/lang/korean.ini")));
    CIniFile english(CString(Utf8ToWide(BinDir() + "/lang/english.ini")));
    ASSERT_TRUE(std::filesystem::is_directory(SourceDir() + "/encoder")) << SourceDir();
    std::set<std::wstring> used = KeysUsedInCode();
    EXPECT_TRUE(used.count(L"TEXT_APP_NAME")) << "the scan of the sources found nothing";
    for (const std::wstring& key : used) {
        CString text;
        EXPECT_TRUE(korean.Lookup(L"TEXT", key.c_str(), text)) << WideToUtf8(key) << " missing in korean.ini";
        EXPECT_FALSE(text.IsEmpty()) << WideToUtf8(key);
    }
    for (const SKeyValue& kv : TextEntries(korean)) {
        CString text;
        EXPECT_TRUE(english.Lookup(L"TEXT", kv.key, text)) << WideToUtf8(kv.key.str()) << " missing in english.ini";
    }
    EXPECT_EQ(L"KOR", korean.GetString(L"GENERAL", L"LANGABBR", L""));
    EXPECT_EQ(949, korean.GetInt(L"GENERAL", L"CODEPAGE", 0, 10));
}

TEST(LanguageFiles, FormatTextsHoldTheConversionsTheirCallersPass)
{
    for (const char* name : {"korean.ini", "english.ini"}) {
        CIniFile file(CString(Utf8ToWide(BinDir() + "/lang/" + name)));
        for (const SKeyValue& kv : TextEntries(file)) {
            auto it = kFormatKeys.find(kv.key.str());
            std::wstring expected = it == kFormatKeys.end() ? std::wstring() : it->second;
            EXPECT_EQ(WideToUtf8(expected), WideToUtf8(Conversions(kv.value)))
                << name << " " << WideToUtf8(kv.key.str());
        }
    }
}

}  // namespace
