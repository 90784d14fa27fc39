#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/PathHelpers.h"
#include "foundation/ProfileHelpers.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

const char* kUtf8 =
    "[GENERAL]\r\nLANGABBR=\xED\x95\x9C\r\nHOMEPAGE = \"http://x/\" \r\nCOUNT=-12\r\n[Other]\r\nk=1\r\n";

std::string Convert(const TempDir& dir, const std::string& name, const char* to, bool bom)
{
    WriteBytes(dir.File("src.txt"), kUtf8);
    std::string out = dir.File(name);
    RunTool(std::string("(") + (bom ? "printf '\\377\\376'; " : "") + "iconv -f UTF-8 -t " + to + " '" +
            dir.File("src.txt") + "') > '" + out + "'");
    return out;
}

TEST(ProfileHelpers, ReadsNarrowFilesInTheGivenCodePageAndUtf16Files)
{
    TempDir dir;
    struct Row {
        std::string file;
        int codePage;
    } rows[] = {
        {Convert(dir, "cp949.ini", "CP949", false), -1},
        {Convert(dir, "utf16.ini", "UTF-16LE", true), -1},
        {Convert(dir, "utf8.ini", "UTF-8", false), CP_UTF8},
    };
    for (const auto& r : rows) {
        CString file = Utf8ToWide(r.file).c_str();
        EXPECT_EQ(L"\uD55C", IniReadString(L"GENERAL", L"LANGABBR", file, L"", r.codePage)) << r.file;
        EXPECT_EQ(L"http://x/", IniReadString(L"general", L"homepage", file, L"", r.codePage)) << r.file;
        // A missing key gives the caller's default exactly, whatever the code page.
        EXPECT_EQ(L"\uAE30\uBCF8", IniReadString(L"GENERAL", L"NONE", file, L"\uAE30\uBCF8", r.codePage)) << r.file;
        EXPECT_EQ(-12, IniReadInt(L"GENERAL", L"COUNT", 5, file));
        EXPECT_EQ(5, IniReadInt(L"GENERAL", L"NONE", 5, file));
        CStringList keys;
        keys.AddTail(CString(L"stale"));
        EXPECT_EQ(3, IniGetKeyNames(keys, L"general", file));
        EXPECT_EQ(L"LANGABBR", keys.GetHead());
        EXPECT_EQ(L"COUNT", keys.GetTail());
    }
}

TEST(ProfileHelpers, RelativeNamesAreTakenUnderTheProgramFolder)
{
    std::string folder = WideToUtf8(GetModuleDirectory().str()) + "lang-test-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    WriteBytes(folder + "/korean.ini", "[GENERAL]\nLANGABBR=KOR\n");
    CString rel = Utf8ToWide("lang-test-" + std::to_string(getpid()) + "\\korean.ini").c_str();
    EXPECT_EQ(L"KOR", IniReadString(L"GENERAL", L"LANGABBR", rel, L"", -1));
    EXPECT_EQ(GetModuleDirectory() + rel, ResolveProfilePath(rel));
    std::filesystem::remove_all(folder);
    EXPECT_EQ(L"/abs/x.ini", ResolveProfilePath(L"/abs/x.ini"));
}

TEST(ProfileHelpers, WritesKeepOtherLinesAndTheFileEncoding)
{
    TempDir dir;
    CString narrow = Utf8ToWide(Convert(dir, "cp949.ini", "CP949", false)).c_str();
    ASSERT_TRUE(IniWriteString(L"GENERAL", L"HOMEPAGE", L"http://y/", narrow));
    ASSERT_TRUE(IniWriteInt(L"New", L"n", -7, narrow));
    ASSERT_TRUE(IniWriteString(L"Other", L"added", L"z", narrow));
    std::string bytes = ReadBytes(WideToUtf8(narrow.str()));
    EXPECT_NE(std::string::npos, bytes.find("LANGABBR=\xC7\xD1\r\n")) << "untouched lines keep their bytes";
    EXPECT_NE(std::string::npos, bytes.find("[Other]\r\nk=1\r\nadded=z\r\n"));
    EXPECT_NE(std::string::npos, bytes.find("[New]\r\nn=-7\r\n"));
    EXPECT_EQ(L"http://y/", IniReadString(L"GENERAL", L"HOMEPAGE", narrow, L"", -1));

    // A text the ANSI code page cannot hold moves the file to UTF-16, losing nothing.
    ASSERT_TRUE(IniWriteString(L"GENERAL", L"TITLE", L"caf\u00E9 \U0001F600", narrow));
    bytes = ReadBytes(WideToUtf8(narrow.str()));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
    EXPECT_EQ(L"caf\u00E9 \U0001F600", IniReadString(L"GENERAL", L"TITLE", narrow, L"", -1));
    EXPECT_EQ(L"\uD55C", IniReadString(L"GENERAL", L"LANGABBR", narrow, L"", -1));

    // No temporary file is left beside it.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(2, files);  // src.txt and cp949.ini
}

}  // namespace
