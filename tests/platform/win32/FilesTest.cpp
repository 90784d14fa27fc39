#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/FolderWriteLock.h"
#include "platform/win32/Folders.h"
#include "tests/support/TempDir.h"

namespace {

TEST(Files, CreateReadWriteSeekAndSizes)
{
    TempDir dir;
    std::wstring path = dir.WFile("f.bin");
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(10u, n);
    EXPECT_EQ(4u, SetFilePointer(h, 4, nullptr, FILE_BEGIN));
    char buf[16] = {};
    ASSERT_TRUE(ReadFile(h, buf, 16, &n, nullptr));
    EXPECT_EQ(6u, n);  // short read at the end is success
    EXPECT_STREQ("456789", buf);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -20, nullptr, FILE_END));
    EXPECT_EQ(ERROR_NEGATIVE_SEEK, GetLastError());
    // Seeks past 4 GiB through the high half.
    LONG high = 1;
    EXPECT_EQ(5u, SetFilePointer(h, 5, &high, FILE_BEGIN));
    EXPECT_EQ(1, high);
    DWORD sizeHigh = 9;
    EXPECT_EQ(10u, GetFileSize(h, &sizeHigh));
    EXPECT_EQ(0u, sizeHigh);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h)) << "a closed handle is refused";
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());

    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());
    h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ(0u, GetFileSize(h, nullptr));
    CloseHandle(h);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileW(dir.WFile("none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST(Files, FoldersFifosAndGarbageHandlesAreRefused)
{
    TempDir dir;
    ASSERT_EQ(0, mkfifo(dir.File("fifo").c_str(), 0600));
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileW(dir.WFile("fifo").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileW(Utf8ToWide(dir.path()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    int local = 0;
    DWORD n;
    EXPECT_FALSE(ReadFile(&local, &local, 1, &n, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_EQ(FILE_ATTRIBUTE_DEVICE, GetFileAttributesW(dir.WFile("fifo").c_str()) & FILE_ATTRIBUTE_DEVICE);
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(Utf8ToWide(dir.path()).c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L""));
}

TEST(Files, BackslashesSeparateFoldersAndNamesKeepUnicode)
{
    TempDir dir;
    std::wstring sub = Utf8ToWide(dir.path()) + L"\\\uD55C\uAE00 \U0001F600";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    std::wstring file = sub + L"\\x.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    struct stat st;
    EXPECT_EQ(0, stat((dir.path() + "/\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\x80/x.txt").c_str(), &st));
}

// One file is one file however it is named: relatively, through a linked
// folder, by a second hard link or with a detour; the path texts cannot tell.
TEST(Files, SameFileIsTheFileNotItsPathText)
{
    TempDir dir;
    WriteBytes(dir.File("a.avi"), "A");
    WriteBytes(dir.File("A.AVI"), "A");
    mkdir(dir.File("sub").c_str(), 0700);
    ASSERT_EQ(0, symlink(dir.path().c_str(), dir.File("link").c_str()));
    ASSERT_EQ(0, link(dir.File("a.avi").c_str(), dir.File("hard.avi").c_str()));
    const std::string relative = std::filesystem::relative(dir.File("a.avi")).string();
    struct Case {
        std::string other;
        bool same;
    };
    const Case cases[] = {
        {dir.File("a.avi"), true},        {relative, true},
        {dir.File("link/a.avi"), true},   {dir.File("sub/../a.avi"), true},
        {dir.File("hard.avi"), true},     {dir.File("A.AVI"), false},  // another file on this file system
        {dir.File("missing.avi"), false}, {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.other);
        EXPECT_EQ(c.same, IsSameFileW(dir.WFile("a.avi").c_str(), Utf8ToWide(c.other).c_str()));
    }
}

// A batch writing into a folder marks it; another finds it marked, and the
// mark goes with the first.
TEST(Files, AFolderMarkedByOneWriterIsSeenByAnother)
{
    TempDir dir;
    auto first = std::make_unique<FolderWriteLock>(dir.path());
    EXPECT_TRUE(first->TryAlone());
    FolderWriteLock second(dir.path());
    EXPECT_FALSE(second.TryAlone());
    first->Share();
    EXPECT_FALSE(second.TryAlone());
    second.Share();  // sharing waits for nobody
    first.reset();
    FolderWriteLock third(dir.path());
    EXPECT_FALSE(third.TryAlone()) << "the second still writes there";
    FolderWriteLock nowhere(dir.File("missing"));
    EXPECT_TRUE(nowhere.TryAlone());
}

TEST(Files, MoveRefusesToOverwriteUnlessAsked)
{
    TempDir dir;
    WriteBytes(dir.File("a"), "A");
    WriteBytes(dir.File("b"), "B");
    EXPECT_FALSE(MoveFileExW(dir.WFile("a").c_str(), dir.WFile("b").c_str(), 0));
    EXPECT_EQ("B", ReadBytes(dir.File("b")));
    EXPECT_EQ("A", ReadBytes(dir.File("a")));
    EXPECT_TRUE(MoveFileExW(dir.WFile("a").c_str(), dir.WFile("b").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("A", ReadBytes(dir.File("b")));
    EXPECT_TRUE(MoveFileExW(dir.WFile("b").c_str(), dir.WFile("c").c_str(), 0));
    EXPECT_TRUE(DeleteFileW(dir.WFile("c").c_str()));
    EXPECT_FALSE(DeleteFileW(dir.WFile("c").c_str()));
}

TEST(Files, WildcardEnumerationIgnoresCase)
{
    TempDir dir;
    for (const char* n : {"a.RVP", "b.rvp", "c.rvpx", "dsp_x.so", "DSP_y.SO", "other"}) WriteBytes(dir.File(n), "");
    struct Row {
        const wchar_t* mask;
        std::vector<std::wstring> names;
    } rows[] = {
        {L"*.rvp", {L"a.RVP", L"b.rvp"}},
        {L"dsp_*.so", {L"DSP_y.SO", L"dsp_x.so"}},
        {L"?.rvp*", {L"a.RVP", L"b.rvp", L"c.rvpx"}},
        {L"none*", {}},
    };
    for (const auto& r : rows) {
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((Utf8ToWide(dir.path()) + L"/" + r.mask).c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do found.emplace_back(fd.cFileName);
            while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        EXPECT_EQ(r.names, found) << r.mask;
    }
    EXPECT_TRUE(WildcardMatchNoCase(L"*a*b*c*", L"xxaxxbxxcxx"));
    EXPECT_FALSE(WildcardMatchNoCase(L"*a*b*c*d", L"xxaxxbxxcxx"));
    EXPECT_TRUE(WildcardMatchNoCase(L"\u00C9*", L"\u00E9t\u00E9"));
}

TEST(Folders, CaseBlindLookupPrefersExactNames)
{
    TempDir dir;
    mkdir(dir.File("Lang").c_str(), 0700);
    WriteBytes(dir.File("Lang/Korean.INI"), "x");
    WriteBytes(dir.File("Lang/korean.ini"), "y");
    WriteBytes(dir.File("Lang/English.ini"), "z");
    EXPECT_EQ(dir.File("Lang/korean.ini"), FindPathNoCase(dir.path(), "lang\\korean.ini"));
    EXPECT_EQ(dir.File("Lang/English.ini"), FindPathNoCase(dir.path(), "LANG/ENGLISH.INI"));
    EXPECT_EQ("", FindPathNoCase(dir.path(), "lang/french.ini"));
}

TEST(Folders, PrivateRuntimeFolderRejectsForeignOrOpenFolders)
{
    TempDir dir;
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    std::string f = GetPrivateRuntimeFolder();
    EXPECT_EQ(dir.path() + "/rivoenc/", f);
    struct stat st;
    ASSERT_EQ(0, stat(f.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    // A symbolic link planted under the fixed name is never used.
    TempDir other;
    std::string base = other.path() + "/run";
    mkdir(base.c_str(), 0700);
    ASSERT_EQ(0, symlink(other.path().c_str(), (base + "/rivoenc").c_str()));
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    std::string g = GetPrivateRuntimeFolder();
    EXPECT_NE(base + "/rivoenc/", g);
    EXPECT_FALSE(g.empty());
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(Folders, UserCacheFolderIsPrivateAndFollowsTheEnvironment)
{
    TempDir dir;
    const char* oldCache = std::getenv("XDG_CACHE_HOME");
    const std::string savedCache = oldCache ? oldCache : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct Case {
        const char* cache;  // null: unset
        std::string home;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/cache", dir.path(), dir.path() + "/cache/rivoenc/"},
        {nullptr, dir.path() + "/home", dir.path() + "/home/.cache/rivoenc/"},
        {"relative/cache", dir.path() + "/h2", dir.path() + "/h2/.cache/rivoenc/"},  // not absolute: ignored
    };
    for (const Case& c : cases) {
        if (c.cache && c.cache[0] == '/')
            setenv("XDG_CACHE_HOME", (dir.path() + c.cache).c_str(), 1);
        else if (c.cache)
            setenv("XDG_CACHE_HOME", c.cache, 1);
        else
            unsetenv("XDG_CACHE_HOME");
        setenv("HOME", c.home.c_str(), 1);
        const std::string f = GetUserCacheFolder();
        EXPECT_EQ(c.expected, f);
        struct stat st;
        ASSERT_EQ(0, lstat(f.c_str(), &st)) << f;
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(0700u, st.st_mode & 0777);
    }
    // A symbolic link planted under the program's name is refused.
    const std::string planted = dir.path() + "/planted";
    mkdir(planted.c_str(), 0700);
    ASSERT_EQ(0, symlink(dir.path().c_str(), (planted + "/rivoenc").c_str()));
    setenv("XDG_CACHE_HOME", planted.c_str(), 1);
    EXPECT_EQ("", GetUserCacheFolder());
    if (oldCache)
        setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace

namespace {

TEST(Files, TemporaryFileNamesAreNewFilesOfTheirOwn)
{
    TempDir dir;
    const std::wstring folder = Utf8ToWide(dir.path());
    wchar_t name[MAX_PATH];
    std::vector<std::wstring> made;
    for (int i = 0; i < 50; ++i) {
        UINT n = GetTempFileNameW(folder.c_str(), L"RivoEncoder", 0, name);
        ASSERT_NE(0u, n);
        std::wstring path = name;
        // "<folder>/Riv" and four hexadecimal digits of the number, ".TMP".
        wchar_t tail[16];
        std::swprintf(tail, 16, L"/Riv%04X.TMP", n);
        EXPECT_EQ(folder + tail, path);
        struct stat st {};
        ASSERT_EQ(0, stat(WideToUtf8(path).c_str(), &st));
        EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_size == 0) << "an empty file exists under the name";
        for (const std::wstring& earlier : made) EXPECT_NE(earlier, path);
        made.push_back(path);
    }

    // A name given a number is only formed; a folder without its separator
    // gets one.
    EXPECT_EQ(0x1Au, GetTempFileNameW((folder + L"/").c_str(), L"ab", 0x1A, name));
    EXPECT_EQ(folder + L"/ab001A.TMP", std::wstring(name));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name));

    EXPECT_EQ(0u, GetTempFileNameW((folder + L"/missing").c_str(), L"x", 0, name));
    EXPECT_EQ(0u, GetTempFileNameW((folder + L"/" + std::wstring(300, L'n')).c_str(), L"x", 0, name));
    EXPECT_EQ(ERROR_FILENAME_EXCED_RANGE, GetLastError());
    EXPECT_EQ(0u, GetTempFileNameW(nullptr, L"x", 0, name));
}

}  // namespace
