// The program's named resources: files compiled by the Qt resource compiler
// at test time and found by type and name as the system's resource
// functions find them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/win32/gui/Resources.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

class ResourcesTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static TempDir dir;  // the registered file must outlive every test
        mkdir(dir.File("res").c_str(), 0700);
        mkdir(dir.File("res/sub").c_str(), 0700);
        WriteBytes(dir.File("res/Skin.xml"), "<HXSkin/>");
        WriteBytes(dir.File("res/empty.bin"), "");
        WriteBytes(dir.File("res/sub/b.bmp"), std::string("BM\0\1", 4));
        WriteBytes(dir.File("res/#7"), "seven");
        ASSERT_TRUE(gui_test::RegisterFolderAsResources(dir.File("res"), "TESTSKIN", dir.File("res.rcc")));
    }

    static std::string Read(LPCWSTR name, LPCWSTR type)
    {
        HRSRC r = FindResourceW(nullptr, name, type);
        if (!r) return "<none " + std::to_string(GetLastError()) + ">";
        HGLOBAL g = LoadResource(nullptr, r);
        const void* p = LockResource(g);
        if (!g || !p) return "<not loaded>";
        return std::string(static_cast<const char*>(p), SizeofResource(nullptr, r));
    }
};

TEST_F(ResourcesTest, FoundByTypeAndNameWithoutRegardToCase)
{
    struct Case {
        LPCWSTR name;
        LPCWSTR type;
        std::string expected;
    } cases[] = {
        {L"Skin.xml", L"TESTSKIN", "<HXSkin/>"},
        {L"SKIN.XML", L"testskin", "<HXSkin/>"},
        {L"sub/b.bmp", L"TestSkin", std::string("BM\0\1", 4)},
        {L"SUB\\B.BMP", L"TESTSKIN", std::string("BM\0\1", 4)},
        {L"empty.bin", L"TESTSKIN", ""},
        {MAKEINTRESOURCEW(7), L"TESTSKIN", "seven"},
        {L"missing.xml", L"TESTSKIN", "<none 1814>"},
        {L"Skin.xml", L"NOSUCHTYPE", "<none 1813>"},
        {L"../res/Skin.xml", L"TESTSKIN", "<none 1814>"},
        {L"sub", L"TESTSKIN", "<none 1814>"},  // a folder is no resource
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Read(c.name, c.type));
}

TEST_F(ResourcesTest, OneHandlePerResourceAndOnlyTheProgramsModule)
{
    HRSRC a = FindResourceW(nullptr, L"Skin.xml", L"TESTSKIN");
    HRSRC b = FindResourceW(nullptr, L"skin.XML", L"TESTSKIN");
    EXPECT_NE(nullptr, a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(nullptr, FindResourceW(reinterpret_cast<HMODULE>(0x1234), L"Skin.xml", L"TESTSKIN"));
    EXPECT_EQ(0u, SizeofResource(nullptr, reinterpret_cast<HRSRC>(0x1234)));
    EXPECT_EQ(nullptr, LockResource(reinterpret_cast<HGLOBAL>(0x1234)));
}

}  // namespace
