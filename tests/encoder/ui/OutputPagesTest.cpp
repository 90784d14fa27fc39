// The pages of the output settings window, each by its own rules: the codec
// tables with and without the H.264 module, the Windows Media lists, sizes
// and frame rates, sample rates and DSP plug-ins, subtitle numbers and
// transparencies, the logo's times and images, and the naming rule and
// playback speed.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAbstractItemView>
#include <QComboBox>

#include "OutputSettingsFixture.h"
#include "encoder/core/LangTextTable.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/Module.h"
#include "platform/win32/gui/QtAccess.h"
#include "tests/platform/win32/gui/FontFixtures.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

using namespace mfc_test;
using namespace output_test;

namespace {

TEST_F(OutputSettingsTest, CodecListsOfferH264OnlyWhileItsModuleLoads)
{
    for (bool module : {false, true}) {
        SCOPED_TRACE(module);
        UseH264Module(module);
        ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      const std::pair<Page, int> counts[] = {{kAvi, 6}, {kMp4, 1}, {kOgm, 1}};
                      for (const auto& [page, without] : counts) {
                          std::vector<std::wstring> items =
                              ComboItems(Bound<CComboBox>(PageOf(window, page), IDC_CODEC_VCODEC));
                          EXPECT_EQ(static_cast<size_t>(without + (module ? 1 : 0)), items.size());
                          EXPECT_EQ(module, items.back().find(L"H.264") != std::wstring::npos) << items.back();
                      }
                      d.Cancel();
                  }));
    }
}

TEST_F(OutputSettingsTest, CodecPagesKeepWhatTheirListsCannotShow)
{
    UseH264Module(false);
    CEncSettings& s = GetEncSettings();
    s.AviEncoder.fccVideoCodec = MAKEFOURCC('H', '2', '6', '4');
    s.AviEncoder.nAudioEncMode = 0;
    s.AviEncoder.nAudioKBitrate = 100;
    s.AviEncoder.nAudioQuality = 55;
    s.OgmEncoder.fccVideoCodec = MAKEFOURCC('D', 'I', 'V', 'X');
    s.Mp4Encoder.nAudioCodec = 0x1234;
    s.Mp4Encoder.nAudioKBitrate = 128;
    s.Mp4Encoder.nAudioQuality = 100;
    ASSERT_EQ(IDOK, RunWindow([](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver avi = PageOf(window, kAvi);
                  // The hidden H.264 row and an audio setting of no row.
                  EXPECT_EQ(-1, Selected(avi, IDC_CODEC_VCODEC));
                  EXPECT_EQ(-1, Selected(avi, IDC_CODEC_AFORMAT));
                  EXPECT_EQ(0, Selected(avi, IDC_CODEC_ACODEC));
                  // A code of no row shows the first.
                  EXPECT_EQ(0, Selected(PageOf(window, kOgm), IDC_CODEC_VCODEC));
                  // The MP4 rows are matched by bit rate and quality only.
                  DialogDriver mp4 = PageOf(window, kMp4);
                  EXPECT_EQ(L"AAC, 128kbps, Quality 100",
                            ItemText(mp4, IDC_CODEC_AFORMAT, Selected(mp4, IDC_CODEC_AFORMAT)));
                  d.Ok();
              }));
    EXPECT_EQ(MAKEFOURCC('H', '2', '6', '4'), s.AviEncoder.fccVideoCodec);
    EXPECT_EQ((std::vector<int>{0, 100, 55}),
              (std::vector<int>{s.AviEncoder.nAudioEncMode, s.AviEncoder.nAudioKBitrate, s.AviEncoder.nAudioQuality}));
    EXPECT_EQ(MAKEFOURCC('X', 'V', 'I', 'D'), s.OgmEncoder.fccVideoCodec);
    EXPECT_EQ(255, s.Mp4Encoder.nAudioCodec);
}

TEST_F(OutputSettingsTest, CodecPageTablesAndTheirTexts)
{
    ASSERT_EQ(IDCANCEL, RunWindow([](CDlgSetOutput& window, DialogDriver& d) {
                  struct Case {
                      Page page;
                      size_t rows;
                      std::vector<std::pair<int, std::wstring>> texts;
                  };
                  const Case cases[] = {
                      {kAvi,
                       32,
                       {{0, L"VBR, 320kbps, Quality 30"},
                        {4, L"VBR,  96kbps, Quality 30"},
                        {8, L"CBR, 320kbps, Quality 30"},
                        {31, L"CBR,  32kbps, Quality 100"}}},
                      {kMp4, 17, {{0, L"AAC, 256kbps, Quality 30"}, {16, L"AAC,  24kbps, Quality 100"}}},
                      {kOgm,
                       22,
                       {{0, L"VORBIS, VBR, Quality 10 (500kbps)"},
                        {1, L"VORBIS, VBR, Quality 9  (320kbps)"},
                        {11, L"VORBIS, CBR, 500kbps"},
                        {19, L"VORBIS, CBR,  96kbps"}}},
                  };
                  for (const Case& c : cases) {
                      SCOPED_TRACE(c.page);
                      DialogDriver page = PageOf(window, c.page);
                      std::vector<std::wstring> rows = ComboItems(Bound<CComboBox>(page, IDC_CODEC_AFORMAT));
                      ASSERT_EQ(c.rows, rows.size());
                      for (const auto& [row, text] : c.texts) EXPECT_EQ(text, rows[static_cast<size_t>(row)]);
                      EXPECT_EQ(3, Count(page, IDC_CODEC_MODE));
                  }
                  d.Cancel();
              }));
}

TEST_F(OutputSettingsTest, EncodingModeChoosesTheRateControlsInUse)
{
    UseH264Module(true);
    GetEncSettings().nEncFormat = 1;
    ASSERT_EQ(IDCANCEL, RunWindow([](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver mp4 = ShowPage(window, d, kMp4);
                  for (int mode : {1, 0, 2}) {
                      SCOPED_TRACE(mode);
                      Choose(mp4, IDC_CODEC_MODE, mode);
                      for (int id : {IDC_CODEC_BITRATE, IDC_CODEC_BITRATE_EDIT, IDC_NUMBER1})
                          EXPECT_EQ(mode != 1, mp4.IsEnabled(id));
                      for (int id : {IDC_CODEC_QUALITY, IDC_CODEC_QUALITY_EDIT, IDC_NUMBER3})
                          EXPECT_EQ(mode == 1, mp4.IsEnabled(id));
                      EXPECT_TRUE(mp4.IsEnabled(IDC_CODEC_KEY));
                  }
                  // Baseline 1.3 is for H.264 files not made for the PSP.
                  EXPECT_FALSE(mp4.IsEnabled(IDC_CODEC_BASELINE13));
                  Choose(mp4, IDC_CODEC_VCODEC, 1);
                  EXPECT_TRUE(mp4.IsEnabled(IDC_CODEC_BASELINE13));
                  mp4.Click(IDC_CODEC_PSP);
                  EXPECT_FALSE(mp4.IsEnabled(IDC_CODEC_BASELINE13));
                  // Trackbar and edit follow each other.
                  Slide(mp4, IDC_CODEC_BITRATE, 500);
                  EXPECT_EQ(500, UpDown(mp4, IDC_NUMBER1));
                  EXPECT_EQ(L"500", mp4.Text(IDC_CODEC_BITRATE_EDIT));
                  mp4.Type(IDC_CODEC_BITRATE_EDIT, L"300");
                  EXPECT_EQ(300, Position(mp4, IDC_CODEC_BITRATE));
                  d.Cancel();
              }));
}

TEST_F(OutputSettingsTest, WindowsMediaFormatsAreFoundWithoutTheirLeadingBlanks)
{
    CEncSettings& s = GetEncSettings();
    s.nEncFormat = 2;
    std::vector<std::wstring> formats;
    ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver wmv = ShowPage(window, d, kWmv);
                  formats = ComboItems(Bound<CComboBox>(wmv, IDC_CODEC_AFORMAT));
                  EXPECT_EQ(s.WmvEncoder.sAudioCodec.str(), wmv.Text(IDC_CODEC_ACODEC));
                  d.Cancel();
              }));
    ASSERT_GE(formats.size(), 2u);
    for (const std::wstring& format : formats)
        EXPECT_TRUE(format.find(L"5.1") == std::wstring::npos && format.find(L"7.1") == std::wstring::npos) << format;

    // Each format stored without its leading blanks, and one of no format.
    std::vector<std::wstring> stored;
    for (const std::wstring& format : formats) stored.push_back(format.substr(format.find_first_not_of(L' ')));
    stored.push_back(L"no such format");
    for (size_t i = 0; i < stored.size(); ++i) {
        SCOPED_TRACE(i);
        s.WmvEncoder.sAudioFormat = stored[i].c_str();
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver wmv = PageOf(window, kWmv);
                      EXPECT_EQ(static_cast<int>(std::min(i, formats.size() - 1)), Selected(wmv, IDC_CODEC_AFORMAT));
                      d.Ok();
                  }));
        EXPECT_EQ(formats[std::min(i, formats.size() - 1)], s.WmvEncoder.sAudioFormat.str());
    }
}

TEST_F(OutputSettingsTest, VideoSizesFrameRatesAndProportions)
{
    struct Case {
        int width, height, rate, scale;
        int sizeItem;
        bool widthEnabled, heightEnabled;
        const wchar_t* aspect;
        int rateItem;
        int storedRate, storedScale;
    };
    const Case cases[] = {
        {640, 480, 15000, 1000, 13, false, false, L"4 : 3", 13, 15000, 1000},
        {640, 0, 15, 1, 18, true, false, L"? : ?", 0, 0, 0},
        {0, 360, 29970, 1000, 19, false, true, L"? : ?", 22, 29970, 1000},
        {1920, 1080, 0, 0, 20, true, true, L"16 : 9", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sizeItem);
        CEncSettings& s = GetEncSettings();
        s.nVideoSizeW = c.width;
        s.nVideoSizeH = c.height;
        s.nVideoFrameRate = c.rate;
        s.nVideoFrameScale = c.scale;
        s.bVideoKeepRatio = 1;
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver video = ShowPage(window, d, kVideo);
                      EXPECT_EQ(c.sizeItem, Selected(video, IDC_VIDEO_SIZE));
                      EXPECT_EQ(c.widthEnabled, video.IsEnabled(IDC_EDIT_X));
                      EXPECT_EQ(c.heightEnabled, video.IsEnabled(IDC_EDIT_Y));
                      EXPECT_EQ(c.aspect, video.Text(IDC_VIDEO_ASPECT));
                      const bool sized = c.width && c.height;
                      EXPECT_EQ(sized, video.IsEnabled(IDC_VIDEO_STRETCH));
                      EXPECT_EQ(sized, video.IsEnabled(IDC_VIDEO_RATIO));
                      EXPECT_EQ(c.rateItem, Selected(video, IDC_VIDEO_RATE));
                      EXPECT_EQ(LookupText(L"TEXT_NOCHANGE"), ItemText(video, IDC_VIDEO_RATE, 0));
                      EXPECT_EQ(24, Count(video, IDC_VIDEO_RATE));
                      EXPECT_EQ(21, Count(video, IDC_VIDEO_SIZE));
                      d.Ok();
                  }));
        EXPECT_EQ(c.storedRate, s.nVideoFrameRate);
        EXPECT_EQ(c.storedScale, s.nVideoFrameScale);
        EXPECT_EQ(c.width, s.nVideoSizeW);
        EXPECT_EQ(c.height, s.nVideoSizeH);
    }
}

TEST_F(OutputSettingsTest, VideoSizeChoicesEffectsAndResets)
{
    ASSERT_EQ(IDOK, RunWindow([](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver video = ShowPage(window, d, kVideo);
                  Choose(video, IDC_VIDEO_SIZE, 5);  // 320 x 240
                  EXPECT_EQ(L"320", video.Text(IDC_EDIT_X));
                  EXPECT_EQ(L"4 : 3", video.Text(IDC_VIDEO_ASPECT));
                  Choose(video, IDC_VIDEO_SIZE, CDlgOutput_Video::kSizeHeightOnly);
                  EXPECT_EQ(0, UpDown(video, IDC_SPIN_X));
                  EXPECT_EQ(240, UpDown(video, IDC_SPIN_Y));
                  EXPECT_FALSE(video.IsEnabled(IDC_VIDEO_STRETCH));
                  const std::pair<int, int> effects[] = {{IDC_VIDEO_DEBLOCK, IDC_VIDEO_DEBLOCK_MORE},
                                                         {IDC_VIDEO_BLUR, IDC_VIDEO_BLUR_MORE},
                                                         {IDC_VIDEO_SHARPEN, IDC_VIDEO_SHARPEN_MORE}};
                  for (const auto& [effect, more] : effects) {
                      EXPECT_FALSE(video.IsEnabled(more));
                      video.Click(effect);
                      EXPECT_TRUE(video.IsEnabled(more));
                  }
                  Slide(video, IDC_VIDEO_HUE, 90);
                  video.Click(IDC_VIDEO_HUE_RESET);
                  EXPECT_EQ(50, Position(video, IDC_VIDEO_HUE));
                  d.Ok();
              }));
    EXPECT_EQ(0, GetEncSettings().nVideoSizeW);
    EXPECT_EQ(240, GetEncSettings().nVideoSizeH);
}

TEST_F(OutputSettingsTest, AudioRatesChannelsAndPlugIns)
{
    const std::string folder = PluginFolder();
    CEncSettings& s = GetEncSettings();
    struct Case {
        int rate;
        int item;
        int stored;
    };
    for (const Case& c : {Case{44100, 2, 44100}, Case{12345, 0, 0}}) {
        SCOPED_TRACE(c.rate);
        s.nAudioSRate = c.rate;
        s.nAudioChannels = 2;
        s.bAudioNM = 1;
        s.sAudioDspFolder = CString(Utf8ToWide(folder + "/").c_str());
        // A stored plug-in that is no longer there.
        s.sAudioCurDspPath = CString(Utf8ToWide(folder + "/dsp_gone.so").c_str());
        s.iAudioCurDspMod = 1;
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver audio = ShowPage(window, d, kAudio);
                      EXPECT_EQ(c.item, Selected(audio, IDC_AUDIO_RATE));
                      EXPECT_TRUE(audio.IsChecked(IDC_AUDIO_STEREO));
                      // Only the file that is a plug-in is listed.
                      EXPECT_EQ(2, Count(audio, IDC_AUDIO_PLUGINS));
                      EXPECT_EQ(0, Selected(audio, IDC_AUDIO_PLUGINS));
                      EXPECT_EQ(0, Count(audio, IDC_AUDIO_MODULE));
                      Choose(audio, IDC_AUDIO_PLUGINS, 1);
                      EXPECT_EQ((std::vector<std::wstring>{L"Half volume (x0.5)", L"Swap left and right channels"}),
                                ComboItems(Bound<CComboBox>(audio, IDC_AUDIO_MODULE)));
                      EXPECT_EQ(0, Selected(audio, IDC_AUDIO_MODULE));
                      audio.Click(IDC_AUDIO_CONFIG);
                      Choose(audio, IDC_AUDIO_PLUGINS, 0);
                      audio.Click(IDC_AUDIO_MONO);
                      audio.Click(IDC_AUDIO_NORMALIZE);
                      EXPECT_FALSE(audio.IsEnabled(IDC_AUDIO_NM_LEVEL));
                      d.Ok();
                  }));
        EXPECT_EQ(c.stored, s.nAudioSRate);
        EXPECT_EQ(1, s.nAudioChannels);
        EXPECT_EQ(L"", s.sAudioCurDspPath);
        EXPECT_EQ(0, s.bAudioNM);
    }
    // A stored plug-in is selected with its module.
    s.sAudioCurDspPath = CString(Utf8ToWide(folder + "/dsp_rivo_sample.so").c_str());
    s.iAudioCurDspMod = 1;
    ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver audio = PageOf(window, kAudio);
                  EXPECT_EQ(1, Selected(audio, IDC_AUDIO_PLUGINS));
                  wchar_t item[128] = {};
                  SendMessageW(audio.Item(IDC_AUDIO_PLUGINS), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(item));
                  EXPECT_EQ(L"RivoEnc sample DSP   [dsp_rivo_sample.so]", std::wstring(item));
                  EXPECT_EQ(1, Selected(audio, IDC_AUDIO_MODULE));
                  d.Cancel();
              }));
}

TEST_F(OutputSettingsTest, ConfigureOpensTheChosenModulesOwnConfiguration)
{
    const std::string folder = temp().File("recording");
    fs::create_directories(folder);
    fs::copy_file(std::string(RIVO_TEST_PROGRAM_DIR) + "/dsp_recording.so", folder + "/dsp_recording.so");
    CEncSettings& s = GetEncSettings();
    s.sAudioDspFolder = CString(Utf8ToWide(folder + "/").c_str());
    s.sAudioCurDspPath = CString(Utf8ToWide(folder + "/dsp_recording.so").c_str());
    s.iAudioCurDspMod = 2;
    struct ConfigRecord {
        int calls;
        int module;
        HWND parent;
    };
    ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver audio = ShowPage(window, d, kAudio);
                  EXPECT_EQ(3, Count(audio, IDC_AUDIO_MODULE));
                  EXPECT_EQ(2, Selected(audio, IDC_AUDIO_MODULE));
                  HMODULE plugin = GetModuleHandleW(L"dsp_recording.so");
                  ASSERT_NE(nullptr, plugin);
                  using Reader = const ConfigRecord* (*)();
                  const ConfigRecord* record = reinterpret_cast<Reader>(GetProcAddress(plugin, "RecordingDspConfig"))();
                  Choose(audio, IDC_AUDIO_MODULE, 1);
                  audio.Click(IDC_AUDIO_CONFIG);
                  EXPECT_EQ(1, record->calls);
                  EXPECT_EQ(1, record->module);
                  EXPECT_EQ(audio.Dialog(), record->parent);
                  d.Ok();
              }));
    EXPECT_EQ(1, s.iAudioCurDspMod);
}

TEST_F(OutputSettingsTest, SubtitleNumbersTransparenciesAndFonts)
{
    CEncSettings& s = GetEncSettings();
    s.nSubOutlineWidth = 15;
    s.nSubCharsInLine = 40;
    s.sSubFontName = L"No Such Face";
    s.nSubBodyAlpha = 30;
    s.nSubOutlineAlpha = 60;
    s.nSubShadowAlpha = 90;
    ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver sub = ShowPage(window, d, kSubtitle);
                  EXPECT_EQ(L"1.5", sub.Text(IDC_SUB_OUTLINE_WIDTH));
                  std::vector<std::wstring> faces = ComboItems(Bound<CComboBox>(sub, IDC_SUB_FONT));
                  const bool arial = std::find(faces.begin(), faces.end(), L"Arial") != faces.end();
                  EXPECT_EQ(arial ? L"Arial" : faces.at(0), sub.Text(IDC_SUB_FONT));
                  // The up arrow adds a character although the range runs
                  // from the most down to the fewest.
                  sub.Focus(IDC_SUB_CHARS);
                  sub.Key(VK_UP);
                  EXPECT_EQ(41, UpDown(sub, IDC_SUB_CHARS_SPIN));
                  sub.Click(IDC_SUB_SMALL);
                  EXPECT_EQ(50, UpDown(sub, IDC_SUB_CHARS_SPIN));
                  // Locking takes the average, then one trackbar moves all.
                  sub.Click(IDC_SUB_ALPHA_LOCK);
                  for (int id : {IDC_SUB_BODY_ALPHA, IDC_SUB_OUTLINE_ALPHA, IDC_SUB_SHADOW_ALPHA})
                      EXPECT_EQ(60, Position(sub, id));
                  Slide(sub, IDC_SUB_BODY_ALPHA, 200);
                  for (int id : {IDC_SUB_OUTLINE_ALPHA, IDC_SUB_SHADOW_ALPHA}) EXPECT_EQ(200, Position(sub, id));
                  // A colour dialog cancelled changes nothing.
                  dialogs_.colorAnswers = {std::nullopt};
                  SendMessageW(sub.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_SUB_BODY_COLOR, STN_CLICKED),
                               reinterpret_cast<LPARAM>(sub.Item(IDC_SUB_BODY_COLOR)));
                  ASSERT_EQ(1u, dialogs_.colorRequests.size());
                  EXPECT_EQ(static_cast<COLORREF>(s.nSubBodyColor), dialogs_.colorRequests[0].initial);
                  EXPECT_TRUE(dialogs_.colorRequests[0].fullOpen);
                  d.Ok();
              }));
    EXPECT_EQ(15, s.nSubOutlineWidth);
    EXPECT_EQ(50, s.nSubCharsInLine);
    EXPECT_EQ((std::vector<int>{200, 200, 200}),
              (std::vector<int>{s.nSubBodyAlpha, s.nSubOutlineAlpha, s.nSubShadowAlpha}));
    EXPECT_EQ(0xFFFFFF, s.nSubBodyColor);
}

// The stored subtitle face is found by its family name in any language:
// under the Korean code page the list names NanumGothic "나눔고딕", and the
// stored "NanumGothic" shows that item chosen and stays stored as it was;
// another choice stores that item's text, and a face that is not installed
// still falls back to the first item.
TEST_F(OutputSettingsTest, TheStoredSubtitleFaceIsFoundByAnyOfItsNames)
{
    const std::string sans = gui_test::InstalledFontFile("DejaVuSans.ttf");
    const std::string serif = gui_test::InstalledFontFile("DejaVuSerif.ttf");
    const std::string korean = gui_test::InstalledFontFile("NanumGothic.ttf");
    if (sans.empty() || serif.empty() || korean.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-nanum are needed";
    gui_test::PrivateFontConfiguration fonts({sans, serif, korean});
    ASSERT_TRUE(fonts.ok());
    struct Case {
        const wchar_t* stored;
        int choose;  // the item the user picks; -1: none
        const wchar_t* shown;
        const wchar_t* storedAfter;
    };
    const Case cases[] = {
        {L"NanumGothic", -1, L"나눔고딕", L"NanumGothic"},     {L"nanumgothic", -1, L"나눔고딕", L"nanumgothic"},
        {L"나눔고딕", -1, L"나눔고딕", L"나눔고딕"},           {L"NanumGothic", 1, L"나눔고딕", L"DejaVu Serif"},
        {L"No Such Face", -1, L"DejaVu Sans", L"DejaVu Sans"},
    };
    CEncSettings& s = GetEncSettings();
    bool pictured = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.stored));
        s.sSubFontName = c.stored;
        ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                      DialogDriver sub = ShowPage(window, d, kSubtitle);
                      EXPECT_EQ((std::vector<std::wstring>{L"DejaVu Sans", L"DejaVu Serif", L"나눔고딕"}),
                                ComboItems(Bound<CComboBox>(sub, IDC_SUB_FONT)));
                      EXPECT_EQ(c.shown, sub.Text(IDC_SUB_FONT));
                      if (!pictured) {
                          // The list opened shows the stored face chosen.
                          HWND box = sub.Item(IDC_SUB_FONT);
                          SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
                          sub.Pump();
                          auto* combo = GetWindowQWidget(box)->findChild<QComboBox*>();
                          ASSERT_NE(nullptr, combo);
                          EXPECT_EQ(2, combo->view()->currentIndex().row());
                          SaveShot(sub, "output_subtitle_font");
                          gui_test::SaveScreenshot(combo->view()->window()->grab().toImage(),
                                                   "encoder_ui_output_subtitle_font_list");
                          SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
                          pictured = true;
                      }
                      if (c.choose >= 0) Choose(sub, IDC_SUB_FONT, c.choose);
                      d.Ok();
                  }));
        EXPECT_EQ(c.storedAfter, s.sSubFontName.str());
    }
}

TEST_F(OutputSettingsTest, LogoTimesTransparencyAndImages)
{
    CEncSettings& s = GetEncSettings();
    s.sLogoImgPath = L"/pictures/logo.bmp";
    s.sLogoAlphaImgPath = L"/pictures/mask.bmp";
    s.nLogoStartMS = 0;
    s.nLogoEndMS = 3723000;
    s.nLogoAlpha = 0;
    FileDialogAnswer chosen;
    chosen.ok = true;
    chosen.paths = {L"/pictures/new.jpg"};
    dialogs_.fileAnswers = {chosen};
    ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver logo = ShowPage(window, d, kLogo);
                  EXPECT_FALSE(logo.IsChecked(IDC_LOGO_START_USE));
                  EXPECT_FALSE(logo.IsEnabled(IDC_LOGO_START));
                  EXPECT_TRUE(logo.IsChecked(IDC_LOGO_END_USE));
                  SYSTEMTIME end{};
                  Bound<CDateTimeCtrl>(logo, IDC_LOGO_END).GetTime(&end);
                  EXPECT_EQ((std::vector<int>{1, 2, 3}), (std::vector<int>{end.wHour, end.wMinute, end.wSecond}));
                  SetPicker(logo, IDC_LOGO_START, 0, 0, 9);  // shown but not in use
                  EXPECT_FALSE(logo.IsChecked(IDC_LOGO_ALPHA_ON));
                  EXPECT_FALSE(logo.IsEnabled(IDC_LOGO_ALPHA));
                  logo.Click(IDC_LOGO_ALPHA_ON);
                  Slide(logo, IDC_LOGO_ALPHA, 35);
                  EXPECT_TRUE(logo.IsChecked(IDC_LOGO_ALPHA_USE));
                  // No image: no alpha mask either, but the box stays ticked.
                  logo.Type(IDC_LOGO_IMAGE, L"x");
                  logo.Key(VK_BACK);
                  ASSERT_EQ(L"", logo.Text(IDC_LOGO_IMAGE));
                  EXPECT_FALSE(logo.IsEnabled(IDC_LOGO_ALPHA_USE));
                  EXPECT_FALSE(logo.IsEnabled(IDC_LOGO_ALPHA_IMAGE));
                  EXPECT_FALSE(logo.IsEnabled(IDC_LOGO_ALPHA_BROWSE));
                  logo.Click(IDC_LOGO_IMAGE_BROWSE);
                  EXPECT_EQ(L"/pictures/new.jpg", logo.Text(IDC_LOGO_IMAGE));
                  EXPECT_TRUE(logo.IsEnabled(IDC_LOGO_ALPHA_USE));
                  d.Ok();
              }));
    ASSERT_EQ(1u, dialogs_.fileRequests.size());
    const FileDialogRequest& request = dialogs_.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(L"bmp", request.defaultExtension);
    ASSERT_EQ(2u, request.filters.size());
    EXPECT_EQ(std::wstring(LookupText(L"TEXT_FILEDLG_IMAGEFILE")), request.filters[0].first);
    EXPECT_EQ(L"*.jpeg;*.jpg;*.bmp", request.filters[0].second);
    EXPECT_EQ(L"*.*", request.filters[1].second);
    EXPECT_EQ(0, s.nLogoStartMS);
    EXPECT_EQ(3723000, s.nLogoEndMS);
    EXPECT_EQ(35, s.nLogoAlpha);
    EXPECT_EQ(L"/pictures/new.jpg", s.sLogoImgPath);
    EXPECT_EQ(L"/pictures/mask.bmp", s.sLogoAlphaImgPath);
}

TEST_F(OutputSettingsTest, NamingRuleExampleAndPlaybackSpeed)
{
    CEncSettings& s = GetEncSettings();
    s.nEncFormat = 2;
    s.nEtcNamingCnt = 7;
    s.nEtcPBRate = 100;
    ASSERT_EQ(IDOK, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  DialogDriver etc = ShowPage(window, d, kEtc);
                  EXPECT_EQ(L"example.wmv", etc.Text(IDC_ETC_EXAMPLE));
                  EXPECT_EQ(4, Count(etc, IDC_ETC_NAMING));
                  EXPECT_EQ(L"M4V<COUNTER05>.<DEF_EXT>", ItemText(etc, IDC_ETC_NAMING, 1));
                  EXPECT_EQ(L"<SRC_FILENAME>_<TRACK_NUM02>.<DEF_EXT>", ItemText(etc, IDC_ETC_NAMING, 3));
                  Choose(etc, IDC_ETC_NAMING, 1);
                  EXPECT_EQ(L"M4V00007.avi", etc.Text(IDC_ETC_EXAMPLE));
                  EditTemplate(etc, L"|");
                  EXPECT_EQ(std::wstring(LookupText(L"TEXT_FILENAME_RULL_ERROR")), etc.Text(IDC_ETC_EXAMPLE));
                  // Normal speed needs no pitch correction.
                  EXPECT_FALSE(etc.IsEnabled(IDC_ETC_PITCH));
                  etc.Type(IDC_ETC_SPEED, L"1.5");
                  EXPECT_TRUE(etc.IsEnabled(IDC_ETC_PITCH));
                  d.Ok();
              }));
    EXPECT_EQ(L"<SRC_FILENAME>.<DEF_EXT>", s.sEtcNaming);
    EXPECT_EQ(150, s.nEtcPBRate);
    EXPECT_EQ(2, s.nEncFormat);
}

TEST_F(OutputSettingsTest, ACounterOutOfRangeKeepsTheWindowOpen)
{
    CEncSettings& s = GetEncSettings();
    s.nEtcNamingCnt = 7;
    boxes_.answers = {IDOK};
    ASSERT_EQ(IDCANCEL, RunWindow([&](CDlgSetOutput& window, DialogDriver& d) {
                  ShowPage(window, d, kVideo);
                  Slide(PageOf(window, kVideo), IDC_VIDEO_BRIGHTNESS, 80);
                  DialogDriver etc = PageOf(window, kEtc);
                  etc.Type(IDC_ETC_COUNTER, L"123456789");
                  d.Ok();
                  // Refused with a message, the page in front, nothing stored.
                  EXPECT_EQ(1u, boxes_.questions.size());
                  EXPECT_TRUE(window.PageAt(kEtc)->IsWindowVisible());
                  EXPECT_EQ(50, s.nVideoBrightness);
                  d.Cancel();
              }));
    EXPECT_EQ(7, s.nEtcNamingCnt);
}

}  // namespace
