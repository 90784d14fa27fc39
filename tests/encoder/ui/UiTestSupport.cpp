#include "UiTestSupport.h"

#include <cstdlib>
#include <filesystem>

#include "encoder/core/DialogTextWindows.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/WindowLayerServices.h"
#include "foundation/ProfileHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/UserLanguage.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

void UiTest::SetUp()
{
    MfcTest::SetUp();
    world_ = std::make_unique<PrivateCoreWorld>();
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin) << "the tests find the program folder through RIVO_BIN_DIR";
    namespace fs = std::filesystem;
    std::string program = ProgramFolder();
    fs::create_directories(program + "lang");
    fs::create_directories(PresetsFolder());
    for (const char* file : {"lang/korean.ini", "lang/english.ini", "controlid.data", "setting.ini"})
        fs::copy_file(std::string(bin) + "/" + file, program + file);

    InstallWindowLayerServices();
    coreMessages_ = std::make_unique<FakeMessagePort>();
    CEncSettings& settings = GetEncSettings();
    settings.BlockFilters.RemoveAll();
    settings.InitSettings(0);
    settings.bIsFirst2 = 0;
    UseLanguage(L"korean.ini");
}

void UiTest::TearDown()
{
    SetUserDefaultLangID(0);
    coreMessages_.reset();
    SetDialogTextWindows(nullptr);
    world_.reset();
    MfcTest::TearDown();
}

void UiTest::UseLanguage(const std::wstring& fileName)
{
    CString lang = CString(Utf8ToWide(ProgramFolder())) + L"lang/";
    CEncSettings& settings = GetEncSettings();
    settings.sLangIniFileName = fileName.c_str();
    settings.sLangAbbr = IniReadString(L"GENERAL", L"LANGABBR", lang + fileName.c_str(), CString(), -1);
    // A Korean user's system speaks Korean too (the sheets' own buttons).
    SetUserDefaultLangID(fileName == L"korean.ini" ? 1042 : 1033);
    GetLangTextTable().LoadLangFile(lang + fileName.c_str(), lang + L"korean.ini",
                                    CString(Utf8ToWide(ProgramFolder())) + L"controlid.data");
}

void UiTest::SaveShot(const mfc_test::DialogDriver& dialog, const std::string& name)
{
    gui_test::SaveScreenshot(dialog.Screenshot(), "encoder_ui_" + name);
}

std::vector<std::wstring> ComboItems(const CComboBox& box)
{
    std::vector<std::wstring> out;
    for (int i = 0; i < box.GetCount(); ++i) {
        CString text;
        box.GetLBText(i, text);
        out.push_back(text.str());
    }
    return out;
}
