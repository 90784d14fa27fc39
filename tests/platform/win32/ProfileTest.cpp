#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"
#include "platform/win32/Profile.h"
#include "tests/support/TempDir.h"

namespace {

TEST(Profile, LookupsListsAndTruncation)
{
    TempDir dir;
    WriteBytes(dir.File("p.ini"), "[One]\nalpha = 'quoted'\nbeta=two words  \n[Two]\ngamma=3\n[one]\nalpha=later\n");
    std::wstring f = dir.WFile("p.ini");
    wchar_t buf[64];
    EXPECT_EQ(6u, GetPrivateProfileStringW(L"one", L"ALPHA", L"d", buf, 64, f.c_str()));
    EXPECT_STREQ(L"quoted", buf);
    EXPECT_EQ(9u, GetPrivateProfileStringW(L"One", L"beta", L"d", buf, 64, f.c_str()));
    EXPECT_STREQ(L"two words", buf);
    EXPECT_EQ(3u, GetPrivateProfileStringW(L"One", L"beta", L"d", buf, 4, f.c_str()));
    EXPECT_STREQ(L"two", buf);
    EXPECT_EQ(3u, GetPrivateProfileStringW(L"One", L"none", L"def  ", buf, 64, f.c_str()));
    EXPECT_STREQ(L"def", buf);
    // Key list and section list, NUL-separated, ending with an empty name.
    DWORD n = GetPrivateProfileStringW(L"ONE", nullptr, L"", buf, 64, f.c_str());
    EXPECT_EQ(std::wstring(L"alpha\0beta\0", 11), std::wstring(buf, n));
    EXPECT_EQ(0, buf[n]);
    n = GetPrivateProfileStringW(nullptr, nullptr, L"", buf, 64, f.c_str());
    EXPECT_EQ(std::wstring(L"One\0Two\0one\0", 12), std::wstring(buf, n));
    n = GetPrivateProfileStringW(nullptr, nullptr, L"", buf, 6, f.c_str());
    EXPECT_EQ(4u, n) << "a cut list reports size - 2";
    EXPECT_EQ(0, buf[4]);
    EXPECT_EQ(0, buf[5]);
    EXPECT_EQ(3u, GetPrivateProfileIntW(L"Two", L"gamma", 9, f.c_str()));
    EXPECT_EQ(9u, GetPrivateProfileIntW(L"Two", L"none", 9, f.c_str()));
    EXPECT_EQ(0u, GetPrivateProfileIntW(L"One", L"beta", 9, f.c_str()));
}

TEST(Profile, NarrowReadSeesBytesWideReadSeesText)
{
    TempDir dir;
    WriteBytes(dir.File("n.ini"), "[s]\nk=\xC7\xD1\n");
    WriteBytes(dir.File("w.ini"), std::string("\xFF\xFE", 2) + WideToUtf16LeBytes(L"[s]\r\nk=\uD55C\r\n"));
    char nbuf[16];
    wchar_t wbuf[16];
    for (const char* name : {"n.ini", "w.ini"}) {
        std::wstring f = dir.WFile(name);
        EXPECT_EQ(2u, GetPrivateProfileBytes(L"s", L"k", "", nbuf, 16, f.c_str())) << name;
        EXPECT_EQ(std::string("\xC7\xD1"), nbuf);
        EXPECT_EQ(1u, GetPrivateProfileStringW(L"s", L"k", L"", wbuf, 16, f.c_str()));
        EXPECT_STREQ(L"\uD55C", wbuf);
    }
}

TEST(Profile, WritesDeleteAndCreate)
{
    TempDir dir;
    std::wstring f = dir.WFile("new.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"A", L"x", L"1", f.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"A", L"y", L"2", f.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"B", L"z", L"3", f.c_str()));
    EXPECT_EQ("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n", ReadBytes(dir.File("new.ini")));
    ASSERT_TRUE(WritePrivateProfileStringW(L"a", L"X", nullptr, f.c_str()));
    EXPECT_EQ("[A]\r\ny=2\r\n[B]\r\nz=3\r\n", ReadBytes(dir.File("new.ini")));
    ASSERT_TRUE(WritePrivateProfileStringW(L"A", nullptr, nullptr, f.c_str()));
    EXPECT_EQ("[B]\r\nz=3\r\n", ReadBytes(dir.File("new.ini")));
    // A missing folder is an error, not a crash.
    EXPECT_FALSE(WritePrivateProfileStringW(L"A", L"x", L"1", dir.WFile("no/such.ini").c_str()));
}

}  // namespace
