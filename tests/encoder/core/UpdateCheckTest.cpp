#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/UpdateCheck.h"
#include "platform/win32/Process.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/core/FakeMessagePort.h"

namespace {

std::string BinDir()
{
    const char* s = std::getenv("RIVO_BIN_DIR");
    return s ? s : "";
}

class UpdateCheckTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        CString lang = CString(Utf8ToWide(BinDir() + "/lang/"));
        GetLangTextTable().LoadLangFile(lang + L"korean.ini", lang + L"korean.ini", L"");
        GetEncSettings().sLangAbbr = L"KOR";
    }
    void TearDown() override
    {
        CCoreEnvironment::Get().m_nLauncherTimeoutMs = 20000;
        CoreTest::TearDown();
    }
    std::string VersionFile() const { return DataHome() + "/Halvane/RivoEncoder/HvVersion.ini"; }

    FakeMessagePort messages_;
};

TEST_F(UpdateCheckTest, ExitCodesOfTheLauncher)
{
    struct Case {
        int exitCode;
        bool result;
    } const cases[] = {{0, true}, {41, false}, {7, false}, {255, false}};
    for (const Case& c : cases) {
        WriteScript("HvLauncher", "exit " + std::to_string(c.exitCode) + "\n");
        DWORD code = 12345;
        EXPECT_EQ(c.result, CheckForUpdate(nullptr, &code)) << c.exitCode;
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), code);
    }
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(UpdateCheckTest, MissingLauncherFailsQuietly)
{
    DWORD code = 12345;
    EXPECT_FALSE(CheckForUpdate(nullptr, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(UpdateCheckTest, LauncherThatOutlivesItsTimeIsLeftRunning)
{
    CCoreEnvironment::Get().m_nLauncherTimeoutMs = 300;
    WriteScript("HvLauncher", "exec sleep 3\n");
    DWORD code = 12345;
    EXPECT_FALSE(CheckForUpdate(nullptr, &code));
    EXPECT_EQ(0u, code);
    ASSERT_EQ(1u, messages_.shown.size());
    EXPECT_EQ("업데이트 확인 시간이 초과되었습니다.", messages_.shown[0].text);
    EXPECT_EQ("RivoEnc", messages_.shown[0].caption);
    EXPECT_EQ(kMessageOk, messages_.shown[0].type);
}

TEST_F(UpdateCheckTest, LauncherGetsOneEscapedXmlArgument)
{
    // The launcher writes what it got; its working folder is ours.
    std::string record = temp().File("argument");
    WriteScript("HvLauncher", "[ $# -eq 1 ] || exit 9\nprintf '%s' \"$1\" > '" + record + "'\n");
    GetEncSettings().sLangAbbr = L"K'R&";
    ASSERT_TRUE(CheckForUpdate(nullptr, nullptr));
    EXPECT_EQ(
        " <HVLAUNCHER_PARAM Command='checkversion'  AgentName='RivoEncoder(K&apos;R&amp;, Feb  9 2007)' "
        "ProgramID='RIVOENCODER' ForceCheck='1' CheckMinorVersion='0' LocalVersionFilePath='" +
            VersionFile() + "' />",
        ReadBytes(record));
    EXPECT_TRUE(std::filesystem::is_directory(DataHome() + "/Halvane/RivoEncoder"));
}

TEST(LauncherParameter, AgentNameAndPathAreEscaped)
{
    struct Case {
        const wchar_t* abbreviation;
        const wchar_t* path;
        const wchar_t* agent;
        const wchar_t* escapedPath;
    } const cases[] = {
        {L"KOR", L"/d/HvVersion.ini", L"RivoEncoder(KOR, Feb  9 2007)", L"/d/HvVersion.ini"},
        {L"", L"/d/HvVersion.ini", L"RivoEncoder(, Feb  9 2007)", L"/d/HvVersion.ini"},
        {L"E<N>", L"/a&b/'c\"/HvVersion.ini", L"RivoEncoder(E&lt;N&gt;, Feb  9 2007)",
         L"/a&amp;b/&apos;c&quot;/HvVersion.ini"},
    };
    for (const Case& c : cases) {
        CString expected = CString(L" <HVLAUNCHER_PARAM Command='checkversion'  AgentName='") + c.agent +
                           L"' ProgramID='RIVOENCODER' ForceCheck='1' CheckMinorVersion='0' LocalVersionFilePath='" +
                           c.escapedPath + L"' />";
        EXPECT_EQ(expected, MakeLauncherParameter(c.abbreviation, c.path));
    }
}

// The launcher of the program folder.
int RunLauncher(const std::vector<std::wstring>& args)
{
    HANDLE process = SpawnProcess(Utf8ToWide(BinDir() + "/HvLauncher"), args);
    if (!process) return -1;
    DWORD code = 0;
    bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return ended ? static_cast<int>(code) : -1;
}

TEST(HvLauncher, AnswersAWellFormedVersionCheckWithUpToDate)
{
    EXPECT_EQ(0, RunLauncher({MakeLauncherParameter(L"KOR", L"/a&b/HvVersion.ini").str()}));
    EXPECT_EQ(0, RunLauncher({MakeLauncherParameter(L"", L"/d/HvVersion.ini").str()}));
}

TEST(HvLauncher, RefusesOtherArguments)
{
    const std::wstring good = MakeLauncherParameter(L"KOR", L"/d/v.ini").str();
    std::wstring otherCommand = good;
    otherCommand.replace(otherCommand.find(L"checkversion"), 12, L"update");
    std::wstring blankInName = good;
    blankInName.replace(blankInName.find(L"ProgramID"), 9, L"Program ID");
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {good, good},
        {L"checkversion"},
        {otherCommand},
        {blankInName},
        {L" <HVLAUNCHER_PARAM Command='checkversion' />"},
        {good.substr(0, good.size() - 3)},  // no "/>"
        {L" <HVLAUNCHER_PARAM Command='checkversion'  AgentName='a' ProgramID='' ForceCheck='1' "
         L"CheckMinorVersion='0' LocalVersionFilePath='p' />"},
    };
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(2, RunLauncher(cases[i])) << i;
}

}  // namespace
