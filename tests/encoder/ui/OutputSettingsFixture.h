// The fixture of the output settings window's tests: the window run through
// the modal test driver with the common dialogs, the menu presenter and the
// message boxes answered by test doubles, the H.264 module and a DSP plug-in
// folder at hand, and helpers that work the pages' controls by id as the
// user does.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "RivoEncIds.h"
#include "UiTestSupport.h"
#include "encoder/core/EncSettings.h"
#include "encoder/ui/CDlgSetOutput.h"
#include "platform/mfc/CommonCtrls.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"
#include "tests/platform/win32/gui/RecordingMessageBoxAnswerer.h"
#include "tests/platform/win32/gui/ScriptedMenuPresenter.h"

namespace output_test {

using mfc_test::DialogDriver;
namespace fs = std::filesystem;

// The pages in the window's exchange order.
enum Page { kAvi, kWmv, kMp4, kOgm, kVideo, kAudio, kSubtitle, kLogo, kEtc };
const Page kCodecPageOfFormat[4] = {kAvi, kMp4, kWmv, kOgm};

class OutputSettingsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        SetCommonDialogs(&dialogs_);
        SetMenuPresenter(&menus_);
        SetMessageBoxAnswerer(&boxes_);
    }
    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        SetMenuPresenter(nullptr);
        SetCommonDialogs(nullptr);
        UiTest::TearDown();
    }

    // The H.264 module in the program folder, or none.
    void UseH264Module(bool present)
    {
        const std::string target = ProgramFolder() + "x264.dll";
        fs::remove(target);
        if (present) fs::copy_file(std::string(std::getenv("RIVO_BIN_DIR")) + "/x264.dll", target);
    }
    // A folder with the sample DSP plug-in and a file named as a plug-in
    // that is none; native path without the trailing separator.
    std::string PluginFolder()
    {
        const std::string folder = temp().File("dsp folder");
        fs::create_directories(folder);
        if (!fs::exists(folder + "/dsp_rivo_sample.so"))
            fs::copy_file(std::string(std::getenv("RIVO_BIN_DIR")) + "/Plugins/dsp_rivo_sample.so",
                          folder + "/dsp_rivo_sample.so");
        std::ofstream(folder + "/dsp_broken.so") << "not a shared object";
        fs::create_directories(folder + "/dsp_folder.so");
        return folder;
    }
    void FillPresetsFolder()
    {
        const char* bin = std::getenv("RIVO_BIN_DIR");
        for (const auto& entry : fs::directory_iterator(std::string(bin) + "/presets"))
            fs::copy_file(entry.path(), PresetsFolder() + entry.path().filename().string());
    }

public:
    static DialogDriver PageOf(CDlgSetOutput& window, Page page) { return DialogDriver(window.PageAt(page)->m_hWnd); }
    // Brings the tab's page to the front, as a click on the tab does.
    static void ShowTab(const DialogDriver& d, int tab)
    {
        Bound<CMultiTabCtrl>(d, IDC_OUTPUT_TAB).SelectTab(tab);
        d.Pump();
    }
    // The tab of the page, and the page brought to the front.
    static DialogDriver ShowPage(CDlgSetOutput& window, const DialogDriver& d, Page page)
    {
        const int tab = page <= kOgm ? 0 : page - kOgm;
        ShowTab(d, tab);
        return PageOf(window, page);
    }
    template <class Control>
    static Control& Bound(const DialogDriver& d, int id)
    {
        auto* control = dynamic_cast<Control*>(CWnd::FromHandlePermanent(d.Item(id)));
        EXPECT_NE(nullptr, control);
        return *control;
    }
    // Chooses an item of a combo box or list box as the user does: the
    // selection, then the notification to the page.
    static void Choose(const DialogDriver& d, int id, int item)
    {
        HWND box = d.Item(id);
        const bool list = GetClassNameText(box) == L"ListBox";
        SendMessageW(box, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        SendMessageW(d.Dialog(), WM_COMMAND, MAKEWPARAM(id, list ? LBN_SELCHANGE : CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box));
        d.Pump();
    }
    // Replaces the text of the naming rule's edit field, as typing does.
    static void EditTemplate(const DialogDriver& d, const wchar_t* text)
    {
        HWND box = d.Item(IDC_ETC_NAMING);
        SetWindowTextW(box, text);
        SendMessageW(d.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_ETC_NAMING, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(box));
        d.Pump();
    }
    static int Selected(const DialogDriver& d, int id)
    {
        HWND box = d.Item(id);
        return static_cast<int>(
            SendMessageW(box, GetClassNameText(box) == L"ListBox" ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
    }
    static int Count(const DialogDriver& d, int id)
    {
        HWND box = d.Item(id);
        return static_cast<int>(
            SendMessageW(box, GetClassNameText(box) == L"ListBox" ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
    }
    static std::wstring ItemText(const DialogDriver& d, int id, int item)
    {
        return ComboItems(Bound<CComboBox>(d, id)).at(static_cast<size_t>(item));
    }
    // Moves a trackbar's thumb as a drag does.
    static void Slide(const DialogDriver& d, int id, int position)
    {
        HWND bar = d.Item(id);
        SendMessageW(bar, TBM_SETPOS, TRUE, position);
        SendMessageW(d.Dialog(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar));
        SendMessageW(d.Dialog(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bar));
        d.Pump();
    }
    static int Position(const DialogDriver& d, int id)
    {
        return static_cast<int>(SendMessageW(d.Item(id), TBM_GETPOS, 0, 0));
    }
    static int UpDown(const DialogDriver& d, int id)
    {
        return static_cast<int>(SendMessageW(d.Item(id), UDM_GETPOS32, 0, 0));
    }
    static void SetPicker(const DialogDriver& d, int id, WORD hour, WORD minute, WORD second)
    {
        SYSTEMTIME t{};
        Bound<CDateTimeCtrl>(d, id).GetTime(&t);
        t.wHour = hour;
        t.wMinute = minute;
        t.wSecond = second;
        Bound<CDateTimeCtrl>(d, id).SetTime(&t);
    }
    static std::wstring GetClassNameText(HWND window)
    {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        return name;
    }

protected:
    // Runs the window with the action inside; its result.
    int RunWindow(const std::function<void(CDlgSetOutput&, DialogDriver&)>& action)
    {
        CDlgSetOutput window;
        driver_.Expect(IDD_SET_OUTPUT, [&](DialogDriver& d) { action(window, d); });
        return static_cast<int>(window.DoModal());
    }
    // A store without its subtitle face.
    static std::string WithoutFont(const std::string& store)
    {
        const size_t at = store.find("sSubFontName ");
        return at == std::string::npos ? store : store.substr(0, at) + store.substr(store.find('\n', at));
    }
    // The registry store as written now.
    static std::string SavedStore()
    {
        GetEncSettings().SaveSettings();
        return DumpOptionKey();
    }

    FakeCommonDialogs dialogs_;
    ScriptedMenuPresenter menus_;
    RecordingMessageBoxAnswerer boxes_;
};

}  // namespace output_test
