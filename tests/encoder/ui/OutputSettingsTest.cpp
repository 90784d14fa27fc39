// The output settings window and its pages, driven by control id: every
// control of every page through the settings record and the registry for
// each output format, presets from the quick-settings menu, the format list,
// Enter and Escape inside a page, and each page's own rules.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "OutputSettingsFixture.h"
#include "RivoEncIds.h"
#include "UiTestIds.h"
#include "UiTestSupport.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncPresetList.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/H264Module.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/ui/CDlgPreset.h"
#include "encoder/ui/CDlgSetOutput.h"
#include "encoder/ui/controls/HFontCombo.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/QtAccess.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"
#include "tests/platform/win32/gui/RecordingMessageBoxAnswerer.h"
#include "tests/platform/win32/gui/ScriptedMenuPresenter.h"

using namespace mfc_test;
using namespace output_test;
namespace fs = std::filesystem;

namespace {

// Every control of the format's codec page and of the other pages gets a
// value other than its default.
void ChangeEveryControl(CDlgSetOutput& window, DialogDriver& d, int format, FakeCommonDialogs& dialogs,
                        const std::string& pluginFolder);

TEST_F(OutputSettingsTest, EveryControlOfEveryFormatRoundTripsThroughTheRecordAndTheRegistry)
{
    UseH264Module(true);
    const std::string plugins = PluginFolder();
    struct Expected {
        DWORD fourcc;
        int audio[3];
    };
    const Expected codecs[4] = {{MAKEFOURCC('H', '2', '6', '4'), {1, 64, 30}},
                                {MAKEFOURCC('a', 'v', 'c', '1'), {255, 48, 30}},
                                {0, {0, 0, 0}},
                                {MAKEFOURCC('H', '2', '6', '4'), {1, 0, 5}}};
    for (int format = 0; format < 4; ++format) {
        SCOPED_TRACE(format);
        CEncSettings& s = GetEncSettings();
        s.SetDefaultSettings();
        s.sLastPresetPath = L"/somewhere/preset.rvp";
        s.sLastPresetTitle = L"Preset";
        const CString wmvVideo = s.WmvEncoder.sVideoCodec;
        const CString wmvFormat = s.WmvEncoder.sAudioFormat;
        dialogs_.colorAnswers = {RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9)};
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      ChangeEveryControl(window, d, format, dialogs_, plugins);
                      d.Ok();
                  }));

        EXPECT_EQ(format, s.nEncFormat);
        EXPECT_EQ(L"", s.sLastPresetPath);
        EXPECT_EQ(L"", s.sLastPresetTitle);
        if (format == 2) {
            EXPECT_EQ(2345, s.WmvEncoder.nVideoKBitrate);
            EXPECT_EQ(8, s.WmvEncoder.nSecPerKeyframe);
            EXPECT_EQ(66, s.WmvEncoder.nVideoQuality);
            if (s.WmvEncoder.GetVideoCodecNames().GetSize() > 1) {
                EXPECT_NE(wmvVideo, s.WmvEncoder.sVideoCodec);
            }
            EXPECT_NE(wmvFormat, s.WmvEncoder.sAudioFormat);
        } else {
            SCodecSettings avi = s.AviEncoder;
            SCodecSettings ogm = s.OgmEncoder;
            int fields[8];
            if (format == 1) {
                const SMp4CodecSettings& c = s.Mp4Encoder;
                int v[8] = {static_cast<int>(c.fccVideoCodec),
                            c.nVideoEncMode,
                            c.nVideoKBitrate,
                            c.nSecPerKeyframe,
                            c.nVideoQuality,
                            c.nAudioCodec,
                            c.nAudioKBitrate,
                            c.nAudioQuality};
                std::copy(v, v + 8, fields);
                EXPECT_EQ(1, c.bSupportPSP);
                EXPECT_EQ(1, c.bH264Baseline13);
            } else {
                const SCodecSettings& c = format == 0 ? avi : ogm;
                int v[8] = {static_cast<int>(c.fccVideoCodec),
                            c.nVideoEncMode,
                            c.nVideoKBitrate,
                            c.nSecPerKeyframe,
                            c.nVideoQuality,
                            c.nAudioEncMode,
                            c.nAudioKBitrate,
                            c.nAudioQuality};
                std::copy(v, v + 8, fields);
            }
            EXPECT_EQ(static_cast<int>(codecs[format].fourcc), fields[0]);
            EXPECT_EQ(2, fields[1]);
            EXPECT_EQ(1234, fields[2]);
            EXPECT_EQ(7, fields[3]);
            EXPECT_EQ(55, fields[4]);
            EXPECT_EQ((std::vector<int>(codecs[format].audio, codecs[format].audio + 3)),
                      (std::vector<int>(fields + 5, fields + 8)));
        }
        // Video page.
        EXPECT_EQ(720, s.nVideoSizeW);
        EXPECT_EQ(400, s.nVideoSizeH);
        EXPECT_EQ(1, s.nVideoRatioMethod);
        EXPECT_EQ(1, s.bVideoKeepRatio);
        EXPECT_EQ(25000, s.nVideoFrameRate);
        EXPECT_EQ(1000, s.nVideoFrameScale);
        EXPECT_EQ((std::vector<int>{10, 20, 30, 40}),
                  (std::vector<int>{s.nVideoBrightness, s.nVideoContrast, s.nVideoSaturation, s.nVideoHue}));
        for (BOOL flag : {s.bVideoDeblock, s.bVideoDeblockMore, s.bVideoBlur, s.bVideoBlurMore, s.bVideoSharpen,
                          s.bVideoSharpenMore, s.bVideoFlip, s.bVideoDeinterlace})
            EXPECT_EQ(1, flag);
        // Audio page.
        EXPECT_EQ(22050, s.nAudioSRate);
        EXPECT_EQ(1, s.nAudioChannels);
        EXPECT_EQ(1, s.bAudioNM);
        EXPECT_EQ(77, s.nAudioNMValue);
        EXPECT_EQ(Utf8ToWide(plugins + "/"), s.sAudioDspFolder.str());
        EXPECT_EQ(Utf8ToWide(plugins + "/dsp_rivo_sample.so"), s.sAudioCurDspPath.str());
        EXPECT_EQ(1, s.iAudioCurDspMod);
        // Subtitle page; 0.7 is kept as 7 tenths, not 6.
        EXPECT_EQ(0, s.bSubActive);
        EXPECT_EQ(0, s.bSubBold);
        EXPECT_EQ(0, s.bSubBlur);
        EXPECT_EQ(30, s.nSubCharsInLine);
        EXPECT_EQ((std::vector<int>{static_cast<int>(RGB(1, 2, 3)), static_cast<int>(RGB(4, 5, 6)),
                                    static_cast<int>(RGB(7, 8, 9))}),
                  (std::vector<int>{s.nSubBodyColor, s.nSubOutlineColor, s.nSubShadowColor}));
        EXPECT_EQ((std::vector<int>{11, 22, 33}),
                  (std::vector<int>{s.nSubBodyAlpha, s.nSubOutlineAlpha, s.nSubShadowAlpha}));
        EXPECT_EQ(7, s.nSubOutlineWidth);
        EXPECT_EQ(30, s.nSubShadowDepth);
        EXPECT_EQ(
            (std::vector<int>{12, 88, 5, 6, -7, 9}),
            (std::vector<int>{s.nSubPosX, s.nSubPosY, s.nSubMarginX, s.nSubMarginY, s.nSubCharSpace, s.nSubLineSpace}));
        // Logo page.
        EXPECT_EQ(1, s.bLogoActive);
        EXPECT_EQ(L"/pictures/logo.bmp", s.sLogoImgPath);
        EXPECT_EQ(L"/pictures/mask.bmp", s.sLogoAlphaImgPath);
        EXPECT_EQ(3723000, s.nLogoStartMS);
        EXPECT_EQ(7200000, s.nLogoEndMS);
        EXPECT_EQ(60, s.nLogoAlpha);
        EXPECT_EQ(1, s.bLogoFade);
        EXPECT_EQ((std::vector<int>{10, 20, 3, 4}),
                  (std::vector<int>{s.nLogoPosX, s.nLogoPosY, s.nLogoMarginX, s.nLogoMarginY}));
        // File-name and speed page; 1.1 is kept as 110 hundredths.
        EXPECT_EQ(L"<SRC_FILENAME>_x.<DEF_EXT>", s.sEtcNaming);
        EXPECT_EQ(12, s.nEtcNamingCnt);
        EXPECT_EQ(110, s.nEtcPBRate);
        EXPECT_EQ(0, s.bEtcPBRatePitchFix);

        // The registry store, and the record loaded back into the pages and
        // stored again untouched, are the same.
        const std::string stored = SavedStore();
        ASSERT_EQ(IDOK, RunWindow([](CDlgSetOutput&, DialogDriver& d) { d.Ok(); }));
        EXPECT_EQ(stored, SavedStore());
        CEncSettings fresh;
        fresh.InitSettings(1);
        fresh.SaveSettings();
        EXPECT_EQ(stored, DumpOptionKey());
    }
}

TEST_F(OutputSettingsTest, EveryPageInBothLanguages)
{
    UseH264Module(true);
    GetEncSettings().sAudioDspFolder = CString(Utf8ToWide(PluginFolder() + "/").c_str());
    GetEncSettings().sLogoImgPath = L"/pictures/logo.bmp";
    const char* const formats[4] = {"avi", "mp4", "wmv", "ogm"};
    const char* const pages[6] = {"codec", "video", "audio", "subtitle", "logo", "etc"};
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput&, DialogDriver& d) {
                      for (int format = 0; format < 4; ++format) {
                          Choose(d, IDC_OUTPUT_FORMAT, format);
                          SaveShot(d, std::string("output_") + formats[format] + "_" + language.tag);
                      }
                      for (int tab = 1; tab < 6; ++tab) {
                          ShowTab(d, tab);
                          SaveShot(d, std::string("output_") + pages[tab] + "_" + language.tag);
                      }
                      d.Cancel();
                  }));
    }
}

TEST_F(OutputSettingsTest, FormatListShowsItsCodecPageAndOnlyOkChangesTheFormat)
{
    GetEncSettings().nEncFormat = 7;
    ASSERT_EQ(IDCANCEL, RunWindow([](CDlgSetOutput& window, DialogDriver& d) {
                  auto& tabs = Bound<CMultiTabCtrl>(d, IDC_OUTPUT_TAB);
                  // A format that is none of the four shows the AVI page.
                  EXPECT_EQ(0, Selected(d, IDC_OUTPUT_FORMAT));
                  EXPECT_EQ(window.PageAt(kAvi), tabs.GetPage(0));
                  EXPECT_EQ(6, tabs.GetItemCount());
                  for (int format : {2, 1, 3, 0, 2}) {
                      Choose(d, IDC_OUTPUT_FORMAT, format);
                      EXPECT_EQ(window.PageAt(kCodecPageOfFormat[format]), tabs.GetPage(0));
                      EXPECT_TRUE(window.PageAt(kCodecPageOfFormat[format])->IsWindowVisible());
                      EXPECT_FALSE(window.PageAt(kAvi)->IsWindowVisible() && format != 0);
                  }
                  d.Cancel();
              }));
    EXPECT_EQ(7, GetEncSettings().nEncFormat);
}

// The window that opens the output settings window; it must never be asked
// to end by what happens inside that window's pages.
class OwnerWindow : public CDialog {
public:
    OwnerWindow() : CDialog(IDD_TEST_LOG) {}
    void OnOK() override { ++endings; }
    void OnCancel() override { ++endings; }
    int endings = 0;
};

TEST_F(OutputSettingsTest, EnterAndEscapeInAPageWorkThisWindowNotItsOwner)
{
    OwnerWindow owner;
    ASSERT_TRUE(owner.Create(IDD_TEST_LOG));
    // The keys, and OK or Cancel reaching a page itself (as from a page's
    // own dialog keys).
    enum class How { Enter, Escape, PageOk, PageCancel };
    struct Case {
        How how;
        Page page;
        int focus;
        int result;
    };
    for (const Case& c :
         {Case{How::Enter, kVideo, IDC_VIDEO_RATE, IDOK}, Case{How::Escape, kAudio, IDC_AUDIO_FOLDER, IDCANCEL},
          Case{How::Enter, kEtc, IDC_ETC_COUNTER, IDOK}, Case{How::PageOk, kLogo, IDC_LOGO_IMAGE, IDOK},
          Case{How::PageCancel, kSubtitle, IDC_SUB_POS_X, IDCANCEL}}) {
        SCOPED_TRACE(c.page);
        GetEncSettings().nVideoBrightness = 3;
        CDlgSetOutput window(&owner);
        driver_.Expect(IDD_SET_OUTPUT, [&](DialogDriver& d) {
            ShowPage(window, d, kVideo);
            Slide(PageOf(window, kVideo), IDC_VIDEO_BRIGHTNESS, 70);
            DialogDriver page = ShowPage(window, d, c.page);
            page.Focus(c.focus);
            switch (c.how) {
            case How::Enter: page.PressEnter(); break;
            case How::Escape: page.PressEscape(); break;
            case How::PageOk: SendMessageW(page.Dialog(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); break;
            case How::PageCancel: SendMessageW(page.Dialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); break;
            }
            d.Pump();
        });
        EXPECT_EQ(c.result, window.DoModal());
        EXPECT_EQ(c.result == IDOK ? 70 : 3, GetEncSettings().nVideoBrightness);
        mfc_test::PumpDialogMessages();
        EXPECT_EQ(0, owner.endings);
    }
    owner.DestroyWindow();
}

// Ctrl or Shift pressed and let go in an edit box of a page, then a value
// typed: each key is served once (none goes round the modal loop for ever)
// and the box and the setting hold what was typed.
TEST_F(OutputSettingsTest, ModifierKeysInThePagesEditBoxesAreServedOnce)
{
    struct Case {
        const char* what;
        Page page;
        int edit;
        WORD modifier;
        const wchar_t* typed;
        std::function<int()> setting;
    };
    const Case cases[] = {
        {"bit rate, Ctrl", kAvi, IDC_CODEC_BITRATE_EDIT, VK_CONTROL, L"900",
         [] { return GetEncSettings().AviEncoder.nVideoKBitrate; }},
        {"counter, Shift", kEtc, IDC_ETC_COUNTER, VK_SHIFT, L"42", [] { return GetEncSettings().nEtcNamingCnt; }},
    };
    GetEncSettings().nEncFormat = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver page = ShowPage(window, d, c.page);
                      page.Focus(c.edit);
                      page.KeyDown(c.modifier);
                      EXPECT_TRUE(mfc_test::PumpUntilQuiet()) << "the key went round";
                      page.KeyUp(c.modifier);
                      EXPECT_TRUE(mfc_test::PumpUntilQuiet()) << "the key's release went round";
                      page.Type(c.edit, c.typed);
                      EXPECT_TRUE(mfc_test::PumpUntilQuiet());
                      EXPECT_EQ(c.typed, page.Text(c.edit));
                      d.Ok();
                  }));
        EXPECT_EQ(std::stoi(WideToUtf8(c.typed)), c.setting());
    }
}

// Escape or Enter pressed while a drop-down list is open closes only the
// list, whether the key reaches the open list (as a user's key does, Qt's
// shortcut check first) or comes through the input queue: Escape keeps the
// choice, Enter takes the highlighted item, and the window stays open with
// its edits.
TEST_F(OutputSettingsTest, EscapeAndEnterInAnOpenListCloseOnlyTheList)
{
    struct Case {
        const char* what;
        int page;  // -1: the window's own format list
        int id;
        WORD key;
        bool intoTheList;  // the key pressed in the open list, else injected
        int highlight;     // the item under the pointer; -1: none moved to
        int chosen;        // the list's choice afterwards
    };
    const Case cases[] = {
        {"format list, Escape in the list", -1, IDC_OUTPUT_FORMAT, VK_ESCAPE, true, 2, 0},
        {"format list, Escape injected", -1, IDC_OUTPUT_FORMAT, VK_ESCAPE, false, -1, 0},
        {"format list, Enter in the list", -1, IDC_OUTPUT_FORMAT, VK_RETURN, true, 2, 2},
        {"codec list, Escape in the list", kAvi, IDC_CODEC_VCODEC, VK_ESCAPE, true, 1, 0},
        {"codec list, Enter injected", kAvi, IDC_CODEC_VCODEC, VK_RETURN, false, 1, 1},
    };
    GetEncSettings().nEncFormat = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver where = c.page < 0 ? d : ShowPage(window, d, static_cast<Page>(c.page));
                      HWND box = where.Item(c.id);
                      Choose(where, c.id, 0);
                      where.Focus(c.id);
                      SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
                      d.Pump();
                      ASSERT_TRUE(SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0));
                      auto* combo = GetWindowQWidget(box)->findChild<QComboBox*>();
                      ASSERT_NE(nullptr, combo);
                      if (c.highlight >= 0) combo->view()->setCurrentIndex(combo->model()->index(c.highlight, 0));
                      if (c.intoTheList) {
                          QTest::keyClick(combo->view(), c.key == VK_ESCAPE ? Qt::Key_Escape : Qt::Key_Return);
                          d.Pump();
                      } else {
                          d.Key(c.key, c.key == VK_ESCAPE ? L'\x1b' : L'\r');
                      }
                      ASSERT_TRUE(IsWindowVisible(d.Dialog())) << "the window closed with the list";
                      EXPECT_FALSE(SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0));
                      EXPECT_EQ(c.chosen, SendMessageW(box, CB_GETCURSEL, 0, 0));
                      d.Cancel();
                  }));
        EXPECT_EQ(0, GetEncSettings().nEncFormat);
    }
}

TEST_F(OutputSettingsTest, QuickSettingsApplyAPresetToEveryPage)
{
    FillPresetsFolder();
    CEncPresetList presets(CDlgPreset::PresetsFolder());
    ASSERT_EQ(5, presets.GetSize());
    std::vector<std::wstring> titles;
    for (int i = 0; i < presets.GetSize(); ++i) titles.push_back(presets[i]->m_sDescLocal.str());
    for (int chosen = 0; chosen < presets.GetSize(); ++chosen) {
        SCOPED_TRACE(chosen);
        // What the preset makes of the settings, written straight.
        CEncSettings& s = GetEncSettings();
        s.SetDefaultSettings();
        s.nEtcNamingCnt = 5;
        ApplyPresetToSettings(s, *presets[chosen]);
        s.sLastPresetPath.Empty();
        s.sLastPresetTitle.Empty();
        const std::string direct = SavedStore();

        // The same through the menu, the pages and OK.
        s.SetDefaultSettings();
        s.nEtcNamingCnt = 5;
        menus_ = ScriptedMenuPresenter(CDlgSetOutput::kFirstPresetCommand + chosen);
        std::vector<std::wstring> faces;
        bool listed = false;  // the preset's face, under any of its names
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      faces = ComboItems(Bound<CComboBox>(PageOf(window, kSubtitle), IDC_SUB_FONT));
                      listed = Bound<HFontCombo>(PageOf(window, kSubtitle), IDC_SUB_FONT)
                                   .FindFamily(presets[chosen]->m_sSubtitleFont) >= 0;
                      d.Click(IDC_OUTPUT_QUICK);
                      d.Pump();
                      ASSERT_EQ(1u, menus_.calls.size());
                      EXPECT_EQ(titles, menus_.calls[0].texts);
                      EXPECT_EQ(TPM_RIGHTBUTTON, menus_.calls[0].flags & TPM_RIGHTBUTTON);
                      RECT button;
                      GetWindowRect(d.Item(IDC_OUTPUT_QUICK), &button);
                      EXPECT_EQ(button.left, menus_.calls[0].screen.x);
                      EXPECT_EQ(button.bottom, menus_.calls[0].screen.y);
                      EXPECT_EQ(presets[chosen]->m_sFilePath, GetEncSettings().sLastPresetPath);
                      d.Ok();
                  }));
        EXPECT_EQ(L"", s.sLastPresetPath);
        EXPECT_EQ(L"", s.sLastPresetTitle);
        // A face this machine has keeps its name, whatever name the list
        // shows it by; one it lacks is replaced by the one the page shows.
        std::wstring face = presets[chosen]->m_sSubtitleFont.str();
        if (!listed) face = std::find(faces.begin(), faces.end(), L"Arial") != faces.end() ? L"Arial" : faces.at(0);
        EXPECT_EQ(face, s.sSubFontName.str());
        EXPECT_EQ(WithoutFont(direct), WithoutFont(SavedStore()));
    }
}

TEST_F(OutputSettingsTest, QuickSettingsOfferAHundredPresetsAndIgnoreOnesNoLongerThere)
{
    for (int i = 0; i < 150; ++i)
        WriteUtf16Text(PresetsFolder() + WideToUtf8(FormatText(L"p%03d.rvp", i)),
                       WideToUtf8(FormatText(L"[INFO]\ndesc=Preset %d\n[GENERAL]\ndest_file_type=MP4\n", i)));
    GetEncSettings().nEncFormat = 0;
    ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput&, DialogDriver& d) {
                  d.Click(IDC_OUTPUT_QUICK);
                  d.Pump();
                  ASSERT_EQ(1u, menus_.calls.size());
                  EXPECT_EQ(100u, menus_.calls[0].texts.size());
                  EXPECT_EQ(L"Preset 99", menus_.calls[0].texts.back());
                  // The folder empties before a command arrives.
                  fs::remove_all(PresetsFolder());
                  SendMessageW(d.Dialog(), WM_COMMAND, CDlgSetOutput::kFirstPresetCommand + 3, 0);
                  EXPECT_EQ(0, GetEncSettings().nEncFormat);
                  d.Click(IDC_OUTPUT_QUICK);
                  d.Pump();
                  ASSERT_EQ(2u, menus_.calls.size());
                  EXPECT_TRUE(menus_.calls[1].texts.empty());
                  d.Cancel();
              }));
}

TEST_F(OutputSettingsTest, DefaultsAndThePresetManagerReloadThePages)
{
    CEncSettings& s = GetEncSettings();
    s.nVideoBrightness = 3;
    s.nEncFormat = 2;
    ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  d.Click(IDC_OUTPUT_DEFAULTS);
                  // The record changes at once, and the pages show it.
                  EXPECT_EQ(0, s.nEncFormat);
                  EXPECT_EQ(0, Selected(d, IDC_OUTPUT_FORMAT));
                  EXPECT_EQ(s.nVideoBrightness, Position(PageOf(window, kVideo), IDC_VIDEO_BRIGHTNESS));
                  driver_.Expect(IDD_PRESET, [&](DialogDriver& manager) {
                      s.nVideoBrightness = 17;  // as an applied preset does
                      manager.PressEnter();
                  });
                  d.Click(IDC_OUTPUT_PRESETS);
                  EXPECT_EQ(17, Position(PageOf(window, kVideo), IDC_VIDEO_BRIGHTNESS));
                  d.Cancel();
              }));
    // Cancel does not undo what the shortcuts wrote.
    EXPECT_EQ(17, s.nVideoBrightness);
}

TEST_F(OutputSettingsTest, TheFirstRunOpensThePresetManagerBeforeTheWindowShows)
{
    GetEncSettings().bIsFirst2 = 1;
    bool shownDuringManager = true;
    CDlgSetOutput window;
    driver_.Expect(IDD_PRESET, [&](DialogDriver& manager) {
        shownDuringManager = window.IsWindowVisible() != FALSE;
        manager.PressEnter();
    });
    driver_.Expect(IDD_SET_OUTPUT, [](DialogDriver& d) { d.Cancel(); });
    EXPECT_EQ(IDCANCEL, window.DoModal());
    EXPECT_FALSE(shownDuringManager);
    EXPECT_EQ((std::vector<int>{IDD_PRESET, IDD_SET_OUTPUT}), driver_.seen);
}

void ChangeEveryControl(CDlgSetOutput& window, DialogDriver& d, int format, FakeCommonDialogs& dialogs,
                        const std::string& pluginFolder)
{
    using T = OutputSettingsTest;
    T::Choose(d, IDC_OUTPUT_FORMAT, format);
    DialogDriver codec = T::ShowPage(window, d, kCodecPageOfFormat[format]);
    if (format == 2) {
        T::Choose(codec, IDC_CODEC_VCODEC, T::Count(codec, IDC_CODEC_VCODEC) - 1);
        T::Choose(codec, IDC_CODEC_AFORMAT, 1);
        T::Slide(codec, IDC_CODEC_BITRATE, 2345);
        T::Slide(codec, IDC_CODEC_KEY, 8);
        T::Slide(codec, IDC_CODEC_QUALITY, 66);
    } else {
        T::Choose(codec, IDC_CODEC_VCODEC, T::Count(codec, IDC_CODEC_VCODEC) - 1);
        T::Choose(codec, IDC_CODEC_MODE, 2);
        T::Slide(codec, IDC_CODEC_BITRATE, 1234);
        T::Slide(codec, IDC_CODEC_KEY, 7);
        T::Slide(codec, IDC_CODEC_QUALITY, 55);
        T::Choose(codec, IDC_CODEC_AFORMAT, 5);
        if (format == 1) {
            codec.Click(IDC_CODEC_BASELINE13);
            codec.Click(IDC_CODEC_PSP);
        }
    }

    DialogDriver video = T::ShowPage(window, d, kVideo);
    T::Choose(video, IDC_VIDEO_SIZE, CDlgOutput_Video::kSizeUser);
    video.Type(IDC_EDIT_X, L"720");
    video.Type(IDC_EDIT_Y, L"400");
    video.Click(IDC_VIDEO_STRETCH);
    T::Choose(video, IDC_VIDEO_RATIO, 1);
    T::Choose(video, IDC_VIDEO_RATE, 21);
    const int adjustments[4] = {IDC_VIDEO_BRIGHTNESS, IDC_VIDEO_CONTRAST, IDC_VIDEO_SATURATION, IDC_VIDEO_HUE};
    for (int i = 0; i < 4; ++i) T::Slide(video, adjustments[i], 10 * (i + 1));
    for (int id : {IDC_VIDEO_DEBLOCK, IDC_VIDEO_DEBLOCK_MORE, IDC_VIDEO_BLUR, IDC_VIDEO_BLUR_MORE, IDC_VIDEO_SHARPEN,
                   IDC_VIDEO_SHARPEN_MORE, IDC_VIDEO_FLIP, IDC_VIDEO_DEINTERLACE})
        video.Click(id);

    DialogDriver audio = T::ShowPage(window, d, kAudio);
    T::Choose(audio, IDC_AUDIO_RATE, 5);
    audio.Click(IDC_AUDIO_MONO);
    if (!audio.IsChecked(IDC_AUDIO_NORMALIZE)) audio.Click(IDC_AUDIO_NORMALIZE);
    T::Slide(audio, IDC_AUDIO_NM_LEVEL, 77);
    dialogs.folderAnswers = {Utf8ToWide(pluginFolder)};
    audio.Click(IDC_AUDIO_BROWSE);
    ASSERT_EQ(2, T::Count(audio, IDC_AUDIO_PLUGINS));
    T::Choose(audio, IDC_AUDIO_PLUGINS, 1);
    T::Choose(audio, IDC_AUDIO_MODULE, 1);

    DialogDriver subtitle = T::ShowPage(window, d, kSubtitle);
    for (int id : {IDC_SUB_ACTIVE, IDC_SUB_BOLD, IDC_SUB_BLUR}) subtitle.Click(id);
    subtitle.Click(IDC_SUB_LARGE);
    for (int id : {IDC_SUB_BODY_COLOR, IDC_SUB_OUTLINE_COLOR, IDC_SUB_SHADOW_COLOR})
        SendMessageW(subtitle.Dialog(), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                     reinterpret_cast<LPARAM>(subtitle.Item(id)));
    T::Slide(subtitle, IDC_SUB_BODY_ALPHA, 11);
    T::Slide(subtitle, IDC_SUB_OUTLINE_ALPHA, 22);
    T::Slide(subtitle, IDC_SUB_SHADOW_ALPHA, 33);
    const std::pair<int, const wchar_t*> numbers[] = {{IDC_SUB_OUTLINE_WIDTH, L"0.7"}, {IDC_SUB_SHADOW_DEPTH, L"3"},
                                                      {IDC_SUB_POS_X, L"12"},          {IDC_SUB_POS_Y, L"88"},
                                                      {IDC_SUB_MARGIN_X, L"5"},        {IDC_SUB_MARGIN_Y, L"6"},
                                                      {IDC_SUB_CHAR_SPACE, L"-7"},     {IDC_SUB_LINE_SPACE, L"9"}};
    for (const auto& [id, text] : numbers) subtitle.Type(id, text);

    DialogDriver logo = T::ShowPage(window, d, kLogo);
    if (!logo.IsChecked(IDC_LOGO_ACTIVE)) logo.Click(IDC_LOGO_ACTIVE);
    logo.Type(IDC_LOGO_IMAGE, L"/pictures/logo.bmp");
    if (!logo.IsChecked(IDC_LOGO_ALPHA_USE)) logo.Click(IDC_LOGO_ALPHA_USE);
    logo.Type(IDC_LOGO_ALPHA_IMAGE, L"/pictures/mask.bmp");
    logo.Click(IDC_LOGO_START_USE);
    T::SetPicker(logo, IDC_LOGO_START, 1, 2, 3);
    logo.Click(IDC_LOGO_END_USE);
    T::SetPicker(logo, IDC_LOGO_END, 2, 0, 0);
    logo.Click(IDC_LOGO_ALPHA_ON);
    T::Slide(logo, IDC_LOGO_ALPHA, 60);
    logo.Click(IDC_LOGO_FADE);
    const std::pair<int, const wchar_t*> percents[] = {
        {IDC_EDIT_X, L"10"}, {IDC_EDIT_Y, L"20"}, {IDC_LOGO_MARGIN_X, L"3"}, {IDC_LOGO_MARGIN_Y, L"4"}};
    for (const auto& [id, text] : percents) logo.Type(id, text);

    DialogDriver etc = T::ShowPage(window, d, kEtc);
    T::EditTemplate(etc, L"<SRC_FILENAME>_x.<DEF_EXT>");
    etc.Type(IDC_ETC_COUNTER, L"12");
    etc.Type(IDC_ETC_SPEED, L"1.1");
    etc.Click(IDC_ETC_PITCH);
}

}  // namespace
