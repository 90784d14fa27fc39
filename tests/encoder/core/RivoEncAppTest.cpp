#include <gtest/gtest.h>

#include <filesystem>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/DialogTextWindows.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/OptionKey.h"
#include "encoder/core/RivoEncApp.h"
#include "foundation/PathHelpers.h"
#include "foundation/RegistryHelpers.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/core/FakeMessagePort.h"
#include "tests/support/WaitUntil.h"

namespace {

std::string BinDir()
{
    const char* s = std::getenv("RIVO_BIN_DIR");
    return s ? s : "";
}

class FakeMainDialog : public IRivoEncMainDialog {
public:
    FakeMainDialog(CRivoEncApp** app, int* runs, bool* wasMainWindow) : app_(app), runs_(runs), was_(wasMainWindow) {}
    INT_PTR DoModal() override
    {
        ++*runs_;
        *was_ = (*app_)->m_pMainWnd == this;
        return 1;
    }

private:
    CRivoEncApp** app_;
    int* runs_;
    bool* was_;
};

class StartUpTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        std::filesystem::create_directories(ProgramFolder() + "lang");
        for (const char* name : {"korean.ini", "english.ini"})
            std::filesystem::copy_file(BinDir() + "/lang/" + name, ProgramFolder() + "lang/" + name);
    }
    void TearDown() override
    {
        CCoreEnvironment::Get().m_nLauncherTimeoutMs = 20000;
        CoreTest::TearDown();
    }

    // Runs start-up and exit with the command line, as the program would.
    void Run(const wchar_t* commandLine)
    {
        CRivoEncApp app([this] { return std::make_unique<FakeMainDialog>(&app_, &dialogRuns_, &dialogWasMain_); });
        app_ = &app;
        app.m_lpCmdLine = commandLine;
        initResult_ = app.InitInstance();
        noSave_ = app.m_bNoSaveSettings;
        app.ExitInstance();
        app_ = nullptr;
    }
    void Launcher(const std::string& body)
    {
        WriteScript("HvLauncher", "printf x >> '" + temp().File("launcher-ran") + "'\n" + body);
    }
    bool LauncherRan() const { return std::filesystem::exists(temp().File("launcher-ran")); }
    bool SettingsSaved() const
    {
        DWORD v = 0;
        return RegReadDword(HKEY_CURRENT_USER, kOptionKey, L"nEncFormat", &v, 0);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> t;
        for (const auto& m : messages_.shown) t.push_back(m.text);
        return t;
    }

    FakeMessagePort messages_;
    CRivoEncApp* app_ = nullptr;
    int dialogRuns_ = 0;
    bool dialogWasMain_ = false;
    BOOL initResult_ = TRUE;
    BOOL noSave_ = FALSE;
};

TEST_F(StartUpTest, UpToDateRunsTheMainDialogAndSavesAtExit)
{
    Launcher("exit 0\n");
    Run(L"");
    EXPECT_EQ(FALSE, initResult_);
    EXPECT_EQ(1, dialogRuns_);
    EXPECT_TRUE(dialogWasMain_);
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_EQ(128u, messages_.icon);
    EXPECT_TRUE(SettingsSaved());
    EXPECT_EQ(L"KOR", GetEncSettings().sLangAbbr);
    EXPECT_NE(nullptr, g_pfnGetLongPathName);
}

TEST_F(StartUpTest, NewerVersionRequiredYesOpensTheHomePage)
{
    std::string opened = temp().File("opened");
    WriteScript("browser", "printf '%s' \"$1\" > '" + opened + "'\n");
    RegWriteStringAnsi(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
                       CString(L"\"") + WProgramFolder().c_str() + L"browser\" \"%1\"");
    Launcher("exit 41\n");
    messages_.answers = {kAnswerYes};
    Run(L"");
    EXPECT_EQ(0, dialogRuns_);
    ASSERT_EQ(1u, messages_.shown.size());
    EXPECT_EQ("새 버전이 필요합니다.\n홈페이지를 열어 새 버전을 받으시겠습니까?", messages_.shown[0].text);
    EXPECT_EQ("RivoEnc", messages_.shown[0].caption);
    EXPECT_EQ(kMessageYesNo, messages_.shown[0].type);
    EXPECT_TRUE(SettingsSaved());
    EXPECT_TRUE(WaitUntil("the browser's run", [&] { return ReadBytes(opened) == "https://rivoenc.example/"; }))
        << ReadBytes(opened);
}

TEST_F(StartUpTest, FailedChecksEndWithTheirMessages)
{
    struct Case {
        const char* launcher;  // null: no launcher at all
        int answer;
        std::vector<std::string> texts;
    } const cases[] = {
        {"exit 41\n",
         kAnswerNo,
         {"새 버전이 필요합니다.\n홈페이지를 열어 새 버전을 받으시겠습니까?",
          "새 버전을 설치한 뒤 다시 실행해 주십시오. 프로그램을 종료합니다."}},
        {"exit 7\n", kAnswerOk, {"업데이트를 확인하지 못하여 프로그램을 종료합니다.(code:7)"}},
        {"exec sleep 3\n",
         kAnswerOk,
         {"업데이트 확인 시간이 초과되었습니다.", "업데이트를 확인하지 못하여 프로그램을 종료합니다.(code:0)"}},
        {nullptr, kAnswerOk, {"업데이트를 확인하지 못하여 프로그램을 종료합니다.(code:0)"}},
    };
    CCoreEnvironment::Get().m_nLauncherTimeoutMs = 300;
    for (const Case& c : cases) {
        std::filesystem::remove(ProgramFolder() + "HvLauncher");
        if (c.launcher) Launcher(c.launcher);
        messages_.shown.clear();
        messages_.answers = {c.answer};
        dialogRuns_ = 0;
        Run(L"");
        EXPECT_EQ(c.texts, Texts()) << (c.launcher ? c.launcher : "no launcher");
        EXPECT_EQ(0, dialogRuns_);
        EXPECT_EQ(FALSE, noSave_);
    }
    EXPECT_TRUE(SettingsSaved());
}

TEST_F(StartUpTest, TheChosenLanguageSpeaks)
{
    RegWriteMultiString(HKEY_CURRENT_USER, kOptionKey, L"sLangIniFileName", L"english.ini");
    Launcher("exit 3\n");
    Run(L"");
    EXPECT_EQ(std::vector<std::string>{"The update check failed, so the program will now close.(code:3)"}, Texts());
    EXPECT_EQ(L"ENG", GetEncSettings().sLangAbbr);
}

TEST_F(StartUpTest, FileTypeCommandsWriteAndRemoveTheAssociation)
{
    Launcher("exit 0\n");
    RegWriteStringAnsi(HKEY_CLASSES_ROOT, L".rvp", L"", L"Other.rvp");
    Run(L"/regassoc");
    EXPECT_EQ(TRUE, noSave_);
    EXPECT_FALSE(LauncherRan());
    EXPECT_EQ(0, dialogRuns_);
    EXPECT_FALSE(SettingsSaved());

    const CString program = GetModuleFilePath();
    EXPECT_EQ(L"RivoEnc 프리셋", RegReadClassesRootDefault(L"RivoEncoder.rvp"));
    EXPECT_EQ(program + L",0", RegReadClassesRootDefault(L"RivoEncoder.rvp\\DefaultIcon"));
    EXPECT_EQ(L"open", RegReadClassesRootDefault(L"RivoEncoder.rvp\\shell"));
    EXPECT_EQ(L"\"" + program + L"\"\"%1\"", RegReadClassesRootDefault(L"RivoEncoder.rvp\\shell\\open\\command"));
    EXPECT_EQ(L"RivoEncoder.rvp", RegReadClassesRootDefault(L".rvp"));
    CString backup;
    EXPECT_TRUE(RegReadString(HKEY_CLASSES_ROOT, L".rvp", L"RivoEncoder_bak", backup));
    EXPECT_EQ(L"Other.rvp", backup);

    // The desktop's view: a MIME type for *.rvp opened by the program.
    const std::string data = DataHome();
    std::string package = ReadBytes(data + "/mime/packages/rivoenc-preset.xml");
    EXPECT_NE(std::string::npos, package.find("<glob pattern=\"*.rvp\"/>"));
    EXPECT_NE(std::string::npos, package.find("<comment>RivoEnc 프리셋</comment>"));
    std::string entry = ReadBytes(data + "/applications/rivoenc.desktop");
    EXPECT_NE(std::string::npos, entry.find("Exec=\"" + WideToUtf8(program.str()) + "\" %f\n"));
    EXPECT_NE(std::string::npos, entry.find("MimeType=application/x-rivoenc-preset;\n"));
    EXPECT_NE(std::string::npos, ReadBytes(data + "/applications/mimeapps.list")
                                     .find("[Default Applications]\napplication/x-rivoenc-preset=rivoenc.desktop;\n"));
    if (std::filesystem::exists("/usr/bin/update-mime-database")) {
        EXPECT_NE(std::string::npos, ReadBytes(data + "/mime/globs2").find("application/x-rivoenc-preset:*.rvp"));
    }

    Run(L"/unregassoc");
    EXPECT_EQ(TRUE, noSave_);
    EXPECT_FALSE(LauncherRan());
    EXPECT_FALSE(SettingsSaved());
    EXPECT_EQ(L"", RegReadClassesRootDefault(L"RivoEncoder.rvp"));
    EXPECT_EQ(L"Other.rvp", RegReadClassesRootDefault(L".rvp"));
    EXPECT_FALSE(std::filesystem::exists(data + "/mime/packages/rivoenc-preset.xml"));
    EXPECT_FALSE(std::filesystem::exists(data + "/applications/rivoenc.desktop"));
    EXPECT_EQ(std::string::npos, ReadBytes(data + "/applications/mimeapps.list").find("rivoenc"));
    EXPECT_EQ(std::string::npos, ReadBytes(data + "/mime/globs2").find("rivoenc"));
}

TEST_F(StartUpTest, OnlyTheExactCommandLineIsAFileTypeCommand)
{
    Launcher("exit 0\n");
    for (const wchar_t* line : {L"/regassoc ", L"/REGASSOC", L" /unregassoc", L"/regassoc x"}) {
        dialogRuns_ = 0;
        Run(line);
        EXPECT_EQ(FALSE, noSave_) << line;
        EXPECT_EQ(1, dialogRuns_) << line;
    }
    EXPECT_TRUE(LauncherRan());
    EXPECT_EQ(L"", RegReadClassesRootDefault(L".rvp"));
}

TEST_F(StartUpTest, PresetDescriptionFallsBackWithoutALanguageText)
{
    WriteUtf16Text(ProgramFolder() + "lang/korean.ini", "[GENERAL]\nLANGABBR=KOR\n[TEXT]\n");
    Run(L"/regassoc");
    EXPECT_EQ(L"RivoEncoder Preset", RegReadClassesRootDefault(L"RivoEncoder.rvp"));
}

class RecordingWindows : public IDialogTextWindows {
public:
    std::vector<HWND> EnumChildWindows(HWND) override { return {Child()}; }
    HWND GetParent(HWND window) override { return window == Child() ? Dialog() : nullptr; }
    int GetDlgCtrlID(HWND window) override { return window == Child() ? 1000 : 100; }
    void SetWindowText(HWND window, const CString& text) override
    {
        if (window == Child()) childText = text;
    }
    static HWND Dialog() { return reinterpret_cast<HWND>(1); }
    static HWND Child() { return reinterpret_cast<HWND>(2); }
    CString childText;
};

TEST_F(StartUpTest, ControlIdMapBesideTheProgramThenAboveItThenTheDataFile)
{
    WriteUtf16Text(ProgramFolder() + "lang/korean.ini", "[DLGTEXT]\nIDC_HERE=here\nIDC_ABOVE=above\nIDC_DATA=data\n");
    struct Case {
        bool here;
        bool above;
        const wchar_t* text;
    } const cases[] = {{true, true, L"here"}, {false, true, L"above"}, {false, false, L"data"}};
    WriteBytes(ProgramFolder() + "controlid.data", "#define IDC_DATA 1000\n");
    Launcher("exit 0\n");
    RecordingWindows windows;
    SetDialogTextWindows(&windows);
    for (const Case& c : cases) {
        std::filesystem::remove(ProgramFolder() + "resource.h");
        std::filesystem::remove(temp().File("resource.h"));
        if (c.here) WriteBytes(ProgramFolder() + "resource.h", "#define IDC_HERE 1000\n");
        if (c.above) WriteBytes(temp().File("resource.h"), "#define IDC_ABOVE 1000\n");
        Run(L"");
        windows.childText.Empty();
        GetLangTextTable().ApplyDialogTexts(RecordingWindows::Dialog(), 100);
        EXPECT_EQ(c.text, windows.childText);
    }
    SetDialogTextWindows(nullptr);
}

TEST(FileKind, ByExtension)
{
    struct Case {
        const wchar_t* path;
        int kind;
    } const cases[] = {
        {L"/v/Movie.AVI", 1}, {L"/v/a.mkv  ", 1}, {L"/v/a.k3g", 1},        {L"/v/a.m2ts", 1},
        {L"/v/a.flv", 1},     {L"/v/p.RVP", 2},   {L"/v/s.ini", 2},        {L"/v/noext", 0},
        {L"/v/notes.txt", 0}, {L"/v.avi/x", 0},   {L"C:\\v\\clip.wmv", 1}, {L"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.kind, GetFileKindByExtension(c.path)) << c.path;
}

}  // namespace
