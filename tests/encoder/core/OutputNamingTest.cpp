#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/OutputNaming.h"
#include "encoder/core/ShellFileOperation.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

TEST(OutputNaming, TemplateTokens)
{
    struct Case {
        const wchar_t* source;
        const wchar_t* nameTemplate;
        int counter;
        int track;
        const wchar_t* name;
    } const cases[] = {
        {L"/v/clip.avi", L"<SRC_FILENAME>.<DEF_EXT>", 0, 0, L"clip.mp4"},
        {L"C:\\v\\clip.avi", L"<SRC_FILENAME>.<DEF_EXT>", 0, 0, L"clip.mp4"},
        {L"/v/clip.avi", L"<COUNTER03>", 123456, 0, L"456"},
        {L"/v/clip.avi", L"<COUNTER09>", 123456, 0, L"000123456"},
        {L"/v/clip.avi", L"<COUNTER01>-<COUNTER01>", 42, 0, L"2-2"},
        {L"/v/clip.avi", L"<COUNTER02>", -5, 0, L"-5"},
        {L"/v/clip.avi", L"<TRACK_NUM02>_<SRC_FILENAME>", 9, 7, L"07_clip"},
        {L"/v/clip.avi", L"a/b/<SRC_FILENAME>.<DEF_EXT>", 0, 0, L"a/b/clip.mp4"},  // sub-folders
        {L"/v/clip.avi", L"<SRC_FILENAME>?x.<DEF_EXT>", 0, 0, L"clip"},            // the template's own '?' ends it
        {L"/v/clip.avi", L"x<COUNTER10>", 5, 0, L"x"},  // no such token: the name ends at its '<'
        {L"/v/clip.avi", L"y<COUNTER1>", 5, 0, L"y"},
        {L"/v/a;b\"c|d.avi", L"<SRC_FILENAME>.<DEF_EXT>", 0, 0, L"abcd.mp4"},  // the title loses them, the rest stays
        {L"/v/a\\b.avi", L"<SRC_FILENAME>.<DEF_EXT>", 0, 0, L"b.mp4"},
        {L"/v/영상 1.avi", L"<SRC_FILENAME> [<COUNTER02>].<DEF_EXT>", 3, 0, L"영상 1 [03].mp4"},
    };
    for (const Case& c : cases) {
        CString out = L"stale";
        EXPECT_TRUE(MakeOutputFileName(out, c.source, c.nameTemplate, L"mp4", c.counter, c.track)) << c.nameTemplate;
        EXPECT_EQ(c.name, out) << c.source << " " << c.nameTemplate;
    }
}

TEST(OutputNaming, NamesThatLeaveNothingOrClimbOutAreErrors)
{
    struct Case {
        const wchar_t* source;
        const wchar_t* nameTemplate;
        const wchar_t* extension;
    } const cases[] = {
        {L"/v/clip.avi", L"", L"mp4"},
        {L"/v/clip.avi", L"?<SRC_FILENAME>", L"mp4"},
        {L"/v/clip.avi", L"<COUNTER10>x", L"mp4"},
        {L"/v/\"\".avi", L"<SRC_FILENAME>", L"mp4"},
        {L"/v/clip.avi", L"../<SRC_FILENAME>.<DEF_EXT>", L"mp4"},
        {L"/v/clip.avi", L"a/../../<SRC_FILENAME>", L"mp4"},
        {L"/v/clip.avi", L"/etc/<SRC_FILENAME>", L"mp4"},
        {L"/v/clip.avi", L"out/", L"mp4"},
        {L"/v/...avi", L"<SRC_FILENAME>/x", L"mp4"},
        {L"/v/clip.avi", L"<DEF_EXT>", L"/"},
    };
    for (const Case& c : cases) {
        CString out = L"stale";
        EXPECT_FALSE(MakeOutputFileName(out, c.source, c.nameTemplate, c.extension, 1, 1)) << c.nameTemplate;
        EXPECT_TRUE(out.IsEmpty()) << c.nameTemplate;
    }
}

TEST(OutputNaming, FileSizeTexts)
{
    struct Case {
        int64_t bytes;
        const wchar_t* text;
    } const cases[] = {
        {0, L"0B"},
        {1024, L"1024B"},
        {1025, L"1.0KB"},
        {1048576, L"1024.0KB"},
        {1048577, L"1.0MB"},
        {1610612736, L"1.5GB"},
        {2147483647, L"1.9GB"},
        {1073741824, L"1024.0MB"},
        {1073741825, L"1.0GB"},
        {int64_t(5) << 40, L"5120.0GB"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, FormatFileSize(c.bytes)) << c.bytes;
}

TEST(OutputNaming, NumbersWithCommas)
{
    struct Case {
        int value;
        const wchar_t* text;
    } const cases[] = {
        {1234567, L"1,234,567"},        {123, L"123"}, {1000, L"1,000"}, {0, L"0"}, {-123, L"-,123"},
        {2147483647, L"2,147,483,647"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, FormatNumberWithCommas(c.value)) << c.value;
}

using NumberTextLocaleTest = CoreTest;

TEST_F(NumberTextLocaleTest, SizesIgnoreACommaDecimalLocale)
{
    if (!UseCommaDecimalLocale(temp().File("locale"))) GTEST_SKIP() << "no comma-decimal locale can be made here";
    CString size = FormatFileSize(1610612736);
    CString count = FormatNumberWithCommas(1234567);
    UseCLocale();
    EXPECT_EQ(L"1.5GB", size);
    EXPECT_EQ(L"1,234,567", count);
}

using RecycleFileTest = CoreTest;

TEST_F(RecycleFileTest, FileMovesToTheTrash)
{
    std::string path = temp().File("old output.mp4");
    for (const char* content : {"first", "second"}) {
        WriteBytes(path, content);
        ASSERT_TRUE(RecycleFile(nullptr, CString(Utf8ToWide(path))));
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // The second file of the same name gets a name of its own in the trash.
    EXPECT_EQ("first", ReadBytes(DataHome() + "/Trash/files/old output.mp4"));
    EXPECT_EQ("second", ReadBytes(DataHome() + "/Trash/files/old output.mp4.2"));
    std::string info = ReadBytes(DataHome() + "/Trash/info/old output.mp4.2.trashinfo");
    EXPECT_EQ(0u, info.find("[Trash Info]\nPath=" + temp().path() + "/old%20output.mp4\nDeletionDate=")) << info;
}

TEST_F(RecycleFileTest, FailureLeavesTheFileInPlace)
{
    EXPECT_FALSE(RecycleFile(nullptr, CString(Utf8ToWide(temp().File("missing.mp4")))));

    // A data folder that cannot hold a trash: the file stays, and nothing is
    // made anywhere else.
    std::string blocked = temp().File("not-a-folder");
    WriteBytes(blocked, "x");
    setenv("XDG_DATA_HOME", blocked.c_str(), 1);
    std::string path = temp().File("keep.mp4");
    WriteBytes(path, "video");
    EXPECT_FALSE(RecycleFile(nullptr, CString(Utf8ToWide(path))));
    EXPECT_EQ("video", ReadBytes(path));
    EXPECT_FALSE(std::filesystem::exists("files"));
}

TEST(ShellFileOperation, NothingRunsWithoutAValidPreparedOperation)
{
    bool started = true;
    CShellFileOperation notValid;
    notValid.m_sources.AddTail(L"/x");
    notValid.m_nOperation = FO_DELETE;
    EXPECT_FALSE(notValid.Execute(&started, nullptr, nullptr));
    EXPECT_FALSE(started);

    CShellFileOperation noTargets;
    noTargets.m_bValid = TRUE;
    noTargets.m_nOperation = FO_COPY;
    noTargets.m_sources.AddTail(L"/a");
    noTargets.m_sources.AddTail(L"/b");
    started = true;
    EXPECT_FALSE(noTargets.Execute(&started, nullptr, nullptr));
    EXPECT_FALSE(started);
    noTargets.m_destinations.AddTail(L"/c");
    noTargets.m_destinations.AddTail(L"/d");
    noTargets.m_destinations.AddTail(L"/e");  // neither one nor as many as the sources
    EXPECT_FALSE(noTargets.Execute(&started, nullptr, nullptr));
    EXPECT_FALSE(started);

    CShellFileOperation unknown;
    unknown.m_bValid = TRUE;
    unknown.m_nOperation = 9;
    unknown.m_sources.AddTail(L"/a");
    EXPECT_FALSE(unknown.Execute(&started, nullptr, nullptr));
    EXPECT_FALSE(started);
}

}  // namespace
