#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/DesktopFileType.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

using DesktopFileTypeTest = CoreTest;

TEST_F(DesktopFileTypeTest, ExecLineQuotesAndEscapesTheProgram)
{
    ASSERT_TRUE(RegisterDesktopPresetType(L"d", L"RivoEnc", L"/opt/my \"prog\"/$x%y\\z`"));
    std::string entry = ReadBytes(DataHome() + "/applications/rivoenc.desktop");
    EXPECT_NE(std::string::npos, entry.find("Exec=\"/opt/my \\\\\"prog\\\\\"/\\\\$x%%y\\\\\\\\z\\\\`\" %f\n")) << entry;

    // A program path with a line break cannot stand in an entry.
    EXPECT_FALSE(RegisterDesktopPresetType(L"d", L"RivoEnc", L"/opt/a\nb"));
}

TEST_F(DesktopFileTypeTest, OtherDefaultsStayInTheirPlaces)
{
    std::string list = DataHome() + "/applications/mimeapps.list";
    std::filesystem::create_directories(DataHome() + "/applications");
    WriteBytes(list,
               "[Added Associations]\ntext/plain=editor.desktop;\n\n"
               "[Default Applications]\nvideo/mp4=player.desktop;\n");
    ASSERT_TRUE(RegisterDesktopPresetType(L"Preset <&>", L"Rivo\nEnc", L"/opt/rivo/RivoEnc"));
    EXPECT_EQ(
        "[Added Associations]\ntext/plain=editor.desktop;\n\n"
        "[Default Applications]\nvideo/mp4=player.desktop;\n"
        "application/x-rivoenc-preset=rivoenc.desktop;\n",
        ReadBytes(list));
    EXPECT_NE(
        std::string::npos,
        ReadBytes(DataHome() + "/mime/packages/rivoenc-preset.xml").find("<comment>Preset &lt;&amp;&gt;</comment>"));
    EXPECT_NE(std::string::npos, ReadBytes(DataHome() + "/applications/rivoenc.desktop").find("\nName=RivoEnc\n"));

    ASSERT_TRUE(UnregisterDesktopPresetType());
    EXPECT_EQ(
        "[Added Associations]\ntext/plain=editor.desktop;\n\n"
        "[Default Applications]\nvideo/mp4=player.desktop;\n",
        ReadBytes(list));

    // A default that another program took over meanwhile is left alone.
    ASSERT_TRUE(RegisterDesktopPresetType(L"d", L"RivoEnc", L"/opt/rivo/RivoEnc"));
    WriteBytes(list, "[Default Applications]\napplication/x-rivoenc-preset=other.desktop;\n");
    ASSERT_TRUE(UnregisterDesktopPresetType());
    EXPECT_EQ("[Default Applications]\napplication/x-rivoenc-preset=other.desktop;\n", ReadBytes(list));
}

}  // namespace
