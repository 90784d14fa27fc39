#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "foundation/PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

struct Row {
    CString expected;
    CString actual;
};

TEST(PathHelpers, SplittingAndJoiningTable)
{
    const Row rows[] = {
        // Joining with exactly one separator.
        {L"C:\\out\\a.avi", CombinePath(L"C:\\out\\", L"\\a.avi", L"\\")},
        {L"C:\\out\\a.avi", CombinePath(L"C:\\out", L"a.avi", L"\\")},
        {L"\\a", CombinePath(L"", L"a", L"\\")},
        {L"/out/", CombinePath(L"/out", L"/", L"/")},
        {L"/out/", CombinePath(L"/out/", L"", L"/")},
        {L"/out/a.avi", CombinePath(L"/out/", L"/a.avi", L"/")},
        {L"C:\\out\\a.avi", CombinePath(L"C:\\out\\", L"/a.avi", L"/")},  // mixed separators meet once
        // Folder part keeps its trailing separator; one trailing separator of the input is dropped first.
        {L"/v/", GetFolderPart(L"/v/a.avi")},
        {L"C:\\v\\", GetFolderPart(L"C:\\v\\a.avi")},
        {L"/v/", GetFolderPart(L"/v/sub/")},
        {L"", GetFolderPart(L"a.avi")},
        // File name after the last '/', '\' or '|'.
        {L"c.avi", GetFileNameFromPath(L"a/b\\x|c.avi")},
        {L"c.avi", GetFileNameFromPath(L"x|c.avi")},
        {L"plain", GetFileNameFromPath(L"plain")},
        // Title and extension of the last component only.
        {L"movie.part", GetFileTitlePart(L"/a.b/movie.part.avi")},
        {L".avi", GetFileExtension(L"/a.b/movie.part.avi")},
        {L"", GetFileExtension(L"/a.b/movie")},
        {L"movie", GetFileTitlePart(L"C:movie.avi")},
        {L"", GetFileTitlePart(L"/x/.hidden")},
        {L".hidden", GetFileExtension(L"/x/.hidden")},
        // Extension replacement never cuts into a folder name.
        {L"/v/movie.mp4", ReplaceFileExtension(L"/v/movie.avi", L"mp4")},
        {L"C:\\a.b\\movie.mp4", ReplaceFileExtension(L"C:\\a.b\\movie.avi", L"mp4")},
        {L"", ReplaceFileExtension(L"C:\\a.b\\movie", L"mp4")},
        {L"", ReplaceFileExtension(L"/a.b/movie", L"THM")},
        {L"", ReplaceFileExtension(L"movie", L"mp4")},
        {L"movie.", ReplaceFileExtension(L"movie.avi", L"")},
    };
    for (const auto& r : rows) EXPECT_EQ(r.expected, r.actual);
}

TEST(PathHelpers, SafeRelativePathsStayInsideTheirFolder)
{
    struct Case {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"skin.xml", true},     {L"img/a.bmp", true},  {L"img\\a.bmp", true}, {L"a..b/c", true},
        {L"..a/b", true},        {L"./a", true},        {L"", false},          {L"/etc/passwd", false},
        {L"\\server\\x", false}, {L"C:x.bmp", false},   {L"c:\\x.bmp", false}, {L"..", false},
        {L"../a", false},        {L"a/../../b", false}, {L"a\\..\\b", false},  {L"a/..", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.safe, IsSafeRelativePath(c.name)) << WideToUtf8(c.name);
}

TEST(PathHelpers, FilesFoldersAndSizes)
{
    TempDir dir;
    WriteBytes(dir.File("five"), "12345");
    EXPECT_TRUE(FileExists(dir.WFile("five").c_str()));
    EXPECT_FALSE(IsFolder(dir.WFile("five").c_str()));
    EXPECT_TRUE(IsFolder(Utf8ToWide(dir.path()).c_str()));
    EXPECT_FALSE(FileExists(Utf8ToWide(dir.path()).c_str()));
    EXPECT_FALSE(FileExists(dir.WFile("missing").c_str()));
    EXPECT_EQ(5u, GetFileSizeByName(dir.WFile("five").c_str()));
    EXPECT_EQ(5, GetFileSize64ByName(dir.WFile("five").c_str()));
    EXPECT_EQ(0xFFFFFFFFu, GetFileSizeByName(dir.WFile("missing").c_str()));
    EXPECT_EQ(-1, GetFileSize64ByName(dir.WFile("missing").c_str()));

    // A sparse file above 4 GiB: the 32-bit size is the low half.
    int fd = open(dir.File("big").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, (5LL << 30) + 7));
    close(fd);
    EXPECT_EQ((5LL << 30) + 7, GetFileSize64ByName(dir.WFile("big").c_str()));
    EXPECT_EQ(static_cast<DWORD>(((5LL << 30) + 7) & 0xFFFFFFFF), GetFileSizeByName(dir.WFile("big").c_str()));

    // A FIFO is never opened (that would block), and a folder has no size.
    ASSERT_EQ(0, mkfifo(dir.File("fifo").c_str(), 0600));
    EXPECT_EQ(-1, GetFileSize64ByName(dir.WFile("fifo").c_str()));
    EXPECT_EQ(-1, GetFileSize64ByName(Utf8ToWide(dir.path()).c_str()));
}

TEST(PathHelpers, CreateFolderPathMakesEveryLevel)
{
    TempDir dir;
    CString deep = Utf8ToWide(dir.path() + "/a/b\\c/d").c_str();
    EXPECT_TRUE(CreateFolderPath(deep));
    EXPECT_TRUE(IsFolder(Utf8ToWide(dir.path() + "/a/b/c/d").c_str()));
    EXPECT_TRUE(CreateFolderPath(deep));  // already there
    WriteBytes(dir.File("file"), "x");
    EXPECT_FALSE(CreateFolderPath(dir.WFile("file/sub").c_str()));
}

TEST(PathHelpers, UniqueNamesSkipTakenNamesAndNeverAnswerAnExistingPath)
{
    TempDir dir;
    CString path = dir.WFile("a.avi").c_str();
    EXPECT_EQ(path, MakeUniqueFileName(path));  // free: returned unchanged
    WriteBytes(dir.File("a.avi"), "");
    WriteBytes(dir.File("a (2).avi"), "");
    EXPECT_EQ(CString(dir.WFile("a (3).avi").c_str()), MakeUniqueFileName(path));
    // A folder of the candidate's name is taken too.
    mkdir(dir.File("a (3).avi").c_str(), 0700);
    EXPECT_EQ(CString(dir.WFile("a (4).avi").c_str()), MakeUniqueFileName(path));
    // A name without an extension.
    WriteBytes(dir.File("noext"), "");
    EXPECT_EQ(CString(dir.WFile("noext (2)").c_str()), MakeUniqueFileName(dir.WFile("noext").c_str()));
}

// The free name is taken at once, file and all: a name that exists in any
// form, a dangling symbolic link included, is passed over and never written
// through; a folder that cannot take the file gives the empty text.
TEST(PathHelpers, ClaimedNamesAreTakenAtOnceAndNeverThroughALink)
{
    TempDir dir;
    WriteBytes(dir.File("b.avi"), "kept");
    mkdir(dir.File("b (2).avi").c_str(), 0700);
    ASSERT_EQ(0, symlink(dir.File("elsewhere.avi").c_str(), dir.File("b (3).avi").c_str()));
    struct Case {
        std::string asked;
        std::string claimed;  // "" for none
    };
    const Case cases[] = {
        {"free.avi", "free.avi"}, {"free.avi", "free (2).avi"},  // the first claim made it exist
        {"b.avi", "b (4).avi"},   {"no folder/x.avi", ""},      {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        const CString claimed = ClaimUniqueFileName(c.asked.empty() ? CString() : CString(dir.WFile(c.asked).c_str()));
        EXPECT_EQ(c.claimed.empty() ? CString() : CString(dir.WFile(c.claimed).c_str()), claimed);
        if (!c.claimed.empty()) {
            EXPECT_EQ("", ReadBytes(dir.File(c.claimed)));
        }
    }
    EXPECT_EQ("kept", ReadBytes(dir.File("b.avi")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("elsewhere.avi")));
}

// Claims from several threads at once (as from several processes) never
// give one name twice.
TEST(PathHelpers, ConcurrentClaimsGiveDistinctNames)
{
    TempDir dir;
    const CString path = dir.WFile("same.avi").c_str();
    std::vector<std::vector<CString>> claimed(4);
    std::vector<std::thread> threads;
    for (auto& mine : claimed)
        threads.emplace_back([&mine, &path] {
            for (int i = 0; i < 25; ++i) mine.push_back(ClaimUniqueFileName(path));
        });
    for (std::thread& t : threads) t.join();
    std::set<std::wstring> names;
    for (const auto& mine : claimed) {
        for (const CString& name : mine) {
            EXPECT_FALSE(name.IsEmpty());
            EXPECT_TRUE(names.insert(name.str()).second) << WideToUtf8(name.str());
        }
    }
    EXPECT_EQ(100u, names.size());
}

TEST(PathHelpers, UniqueNameSearchThatRunsOutGivesEmptyText)
{
    TempDir dir;
    WriteBytes(dir.File("b.avi"), "");
    for (int n = 2; n <= 10000; ++n) WriteBytes(dir.File("b (" + std::to_string(n) + ").avi"), "");
    EXPECT_EQ(L"", MakeUniqueFileName(dir.WFile("b.avi").c_str()));
}

TEST(PathHelpers, ProgramAndTempFolders)
{
    CString module = GetModuleDirectory();
    ASSERT_FALSE(module.IsEmpty());
    EXPECT_EQ(L'/', module[module.GetLength() - 1]);
    EXPECT_EQ(module, GetFolderPart(GetModuleFilePath()));
    EXPECT_TRUE(FileExists(GetModuleFilePath()));
    CString temp = GetTempFolder();
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_EQ(L'/', temp[temp.GetLength() - 1]);
    struct stat st;
    ASSERT_EQ(0, stat(WideToUtf8(temp.str()).c_str(), &st));
    EXPECT_EQ(0u, st.st_mode & 077) << "the temporary folder must be private";
    EXPECT_EQ(geteuid(), st.st_uid);
}

}  // namespace
