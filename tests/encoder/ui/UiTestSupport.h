// The fixture of the encoder windows' tests: the dialog layer's clean slate
// and modal driver, a private world for the core (registry, home, data and
// program folders), a program folder with the language files, controlid.data,
// setting.ini and an empty presets folder, the language table loaded (Korean
// unless a test picks another), the settings record at its start-up values,
// and the window-layer services with a recording message port.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "encoder/core/CoreEnvironment.h"
#include "platform/mfc/StandardCtrls.h"
#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/core/FakeMessagePort.h"
#include "tests/platform/mfc/MfcTestSupport.h"

class UiTest : public mfc_test::MfcTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the language table with this file of the program's lang folder
    // ("korean.ini", "english.ini") as the chosen one; the system's own
    // language follows it (Korean for Korean, else English).
    void UseLanguage(const std::wstring& fileName);
    // The program folder (native, with its trailing '/'), and its presets
    // folder.
    std::string ProgramFolder() const { return world_->ProgramFolder(); }
    std::string PresetsFolder() const { return ProgramFolder() + "presets/"; }
    const TempDir& temp() const { return world_->temp(); }
    // Saves a picture of the dialog under the build's screenshot folder as
    // "encoder_ui_<name>".
    static void SaveShot(const mfc_test::DialogDriver& dialog, const std::string& name);

    std::unique_ptr<PrivateCoreWorld> world_;
    std::unique_ptr<FakeMessagePort> coreMessages_;
};

// A fixture with a modeless dialog of the given resource, shown.
template <class Dialog, int ResourceId>
class ModelessDialogTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(dialog_.Create(ResourceId));
        dialog_.ShowWindow(SW_SHOW);
        mfc_test::PumpDialogMessages();
    }
    void TearDown() override
    {
        if (dialog_.m_hWnd) dialog_.DestroyWindow();
        UiTest::TearDown();
    }
    Dialog dialog_;
};

// The texts of a combo box's items.
std::vector<std::wstring> ComboItems(const CComboBox& box);

// The two languages every window is shown in.
struct UiLanguage {
    const wchar_t* file;
    const char* tag;
};
inline constexpr UiLanguage kUiLanguages[] = {{L"korean.ini", "ko"}, {L"english.ini", "en"}};
