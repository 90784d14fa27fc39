// The slider, list box, marquee, cross splitter, popup-menu button, browser
// and Flash controls made by a skin window from its document and drawn
// headless: known colours at known points of the window's off-screen
// bitmap, what the window shows (the browser's local page included) saved
// under the build's screenshot folder, and the script's Navigate taking the
// browser to another page of the skin.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <chrono>

#include "platform/mfc/WebBrowserBackend.h"
#include "platform/win32/gui/QtAccess.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/controls/HXConListBox.h"
#include "skin/controls/HXConMarquee.h"
#include "skin/controls/HXConSlider.h"
#include "skin/controls/HXConXSplitter.h"
#include "tests/skin/ControlTestSupport.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr COLORREF kBack = RGB(0x20, 0x30, 0x40), kTrack = RGB(128, 128, 128), kKnob = RGB(0, 200, 0),
                   kBar = RGB(90, 90, 110), kCentre = RGB(255, 220, 0), kKey = RGB(255, 0, 255);
constexpr COLORREF kPanes[4] = {RGB(200, 80, 80), RGB(80, 200, 80), RGB(80, 80, 200), RGB(200, 200, 80)};

enum : int {
    kSeek = 801,
    kList = 802,
    kScroll = 803,
    kTicker = 804,
    kCross = 805,
    kMenuButton = 806,
    kWeb = 807,
    kFlash = 808,
    kPane1 = 811
};

std::map<std::string, std::string> Files()
{
    return {
        {"track.bmp", Bmp24(20, 8, [](int x, int) { return x < 5 || x >= 15 ? RGB(60, 60, 60) : kTrack; })},
        {"knob.bmp", Bmp24(8, 8, [](int x, int) { return x == 0 ? kKey : kKnob; })},
        {"vtrack.bmp", SolidBmp(10, 20, RGB(40, 40, 40))},
        {"vknob.bmp", SolidBmp(10, 12, RGB(170, 170, 190))},
        {"hframe.bmp", SolidBmp(9, 6, kBar)},
        {"vframe.bmp", SolidBmp(6, 9, kBar)},
        {"center.bmp", SolidBmp(6, 6, kCentre)},
        {"listframe.bmp", SolidBmp(6, 6, RGB(230, 230, 230))},
        {"listback.bmp", SolidBmp(8, 8, RGB(250, 250, 245))},
        {"btn.bmp",
         CellStripBmp(24, 16, {RGB(70, 130, 180), RGB(100, 170, 230), RGB(30, 80, 130), RGB(160, 160, 160)})},
        {"page.html",
         "<html><head><title>Start</title></head><body><h2>Rivo</h2><p>A page of the skin.</p></body></html>"},
        {"next.html", "<html><head><title>Next</title></head><body><p>The next page.</p></body></html>"},
    };
}

std::string Pane(int i, const char* cid)
{
    const COLORREF c = kPanes[i];
    char colour[16];
    snprintf(colour, sizeof colour, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return std::string("<StaticControl CID=\"") + cid + "\" StaticControlType=\"color\" ControlColor=\"" + colour +
           "\" Align=\"nomove\"/>\n";
}

std::string Xml()
{
    return SkinXml(
        "Width=\"400\" Height=\"300\"",
        "<Image Image=\"track.bmp\" ImageName=\"track\"/>\n<Image Image=\"knob.bmp\" ImageName=\"knob\"/>\n"
        "<Image Image=\"vtrack.bmp\" ImageName=\"vtrack\"/>\n<Image Image=\"vknob.bmp\" ImageName=\"vknob\"/>\n"
        "<Image Image=\"hframe.bmp\" ImageName=\"hframe\"/>\n<Image Image=\"vframe.bmp\" ImageName=\"vframe\"/>\n"
        "<Image Image=\"center.bmp\" ImageName=\"center\"/>\n<Image Image=\"listframe.bmp\" ImageName=\"listframe\"/>\n"
        "<Image Image=\"listback.bmp\" ImageName=\"listback\"/>\n<Image Image=\"btn.bmp\" ImageName=\"btn\"/>\n"
        "<Font FontName=\"label\" FaceName=\"DefaultGUIFont\" Size=\"9\"/>\n",
        "<StaticControl StaticControlType=\"color\" ControlColor=\"#203040\" Align=\"client\"/>\n"
        "<SliderControl CID=\"ID_SEEK\" Image=\"track\" ImageKnob=\"knob\" ImageEdge=\"5,5\" Align=\"none\" "
        "Left=\"10\" Top=\"10\" Width=\"180\" Height=\"8\"/>\n"
        "<ListBoxControl CID=\"ID_LIST\" ItemHeight=\"16\" SliderControlID=\"ID_SCROLL\" FontName=\"label\" "
        "FrameImage=\"listframe\" BkgndImage=\"listback\" ImageType=\"tile\" Style=\"multiselect\" Align=\"none\" "
        "Left=\"10\" Top=\"30\" Width=\"180\" Height=\"90\"/>\n"
        // Drawn after the list, over the list's right edge.
        "<SliderControl CID=\"ID_SCROLL\" Image=\"vtrack\" ImageKnob=\"vknob\" KnobType=\"variable\" ScrollBar=\"1\" "
        "Orientation=\"vertical\" Align=\"none\" Left=\"180\" Top=\"30\" Width=\"10\" Height=\"90\"/>\n"
        "<MarqueeControl CID=\"ID_TICKER\" Text=\"Marquee 흐르는 글자\" FontName=\"label\" FontColor=\"white\" "
        "Align=\"none\" Left=\"10\" Top=\"128\" Width=\"180\" Height=\"16\"/>\n" +
            Pane(0, "ID_P1") + Pane(1, "ID_P2") + Pane(2, "ID_P3") + Pane(3, "ID_P4") +
            "<XSplitterControl CID=\"ID_CROSS\" ControlLT=\"ID_P1\" ControlRT=\"ID_P2\" ControlLB=\"ID_P3\" "
            "ControlRB=\"ID_P4\" ImageHFrame=\"hframe\" ImageVFrame=\"vframe\" ImageCenter=\"center\" "
            "PaneWidth=\"80\" PaneHeight=\"50\" Align=\"none\" Left=\"210\" Top=\"10\" Width=\"180\" Height=\"110\"/>\n"
            "<PopupMenuButtonControl CID=\"ID_MENU_BTN\" ButtonControlType=\"bitmap\" Image=\"btn\" Split=\"4\" "
            "Align=\"none\" Left=\"210\" Top=\"128\" Width=\"24\" Height=\"16\"/>\n"
            "<BrowserControl CID=\"ID_WEB\" URL=\"./page.html\" BkgndColor=\"#FFFFFF\" Align=\"none\" Left=\"10\" "
            "Top=\"152\" Width=\"190\" Height=\"138\"/>\n"
            "<FlashControl CID=\"ID_FLASH\" URL=\"./movie.swf\" BkgndColor=\"#336699\" Align=\"none\" Left=\"210\" "
            "Top=\"152\" Width=\"180\" Height=\"138\"/>\n");
}

class ControlKindsRenderTest : public SkinWindowTest {
protected:
    bool Build()
    {
        return Load(Xml(), Files(),
                    {{L"ID_SEEK", kSeek},
                     {L"ID_LIST", kList},
                     {L"ID_SCROLL", kScroll},
                     {L"ID_TICKER", kTicker},
                     {L"ID_CROSS", kCross},
                     {L"ID_MENU_BTN", kMenuButton},
                     {L"ID_WEB", kWeb},
                     {L"ID_FLASH", kFlash},
                     {L"ID_P1", kPane1},
                     {L"ID_P2", kPane1 + 1},
                     {L"ID_P3", kPane1 + 2},
                     {L"ID_P4", kPane1 + 3}});
    }
    // Pumps until the browser shows a page, at most five seconds.
    bool WaitForPage(HXConBrowser* browser)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!browser->IsPageShown() && std::chrono::steady_clock::now() < end) gui_test::Pump();
        return browser->IsPageShown();
    }
};

TEST_F(ControlKindsRenderTest, EachKindDrawsInTheSkinWindow)
{
    ASSERT_TRUE(Build());
    auto* seek = dynamic_cast<HXConSlider*>(window_->FindControl(kSeek));
    auto* list = dynamic_cast<HXConListBox*>(window_->FindControl(kList));
    auto* ticker = dynamic_cast<HXConMarquee*>(window_->FindControl(kTicker));
    auto* cross = dynamic_cast<HXConXSplitter*>(window_->FindControl(kCross));
    auto* web = dynamic_cast<HXConBrowser*>(window_->FindControl(kWeb));
    ASSERT_TRUE(seek && list && ticker && cross && web);
    ASSERT_NE(nullptr, window_->FindControl(kFlash));
    ASSERT_NE(nullptr, window_->FindControl(kMenuButton));

    seek->SetRange(0, 100, 0);
    seek->SetPosition(50);
    list->BeginUpdate();
    for (int i = 0; i < 40; ++i) list->AddRow({CString(L"Row ") + CString(std::to_wstring(i)) + CString(L" 행")});
    list->EndUpdate();
    list->SetSelected(1, 1, 1);
    list->SetHighlightedRow(2);
    for (int i = 0; i < 20; ++i) ticker->OnTimer(1000);
    ASSERT_TRUE(WaitForPage(web));
    window_->Relayout();
    gui_test::Pump();

    // The list's slider holds the list's range: 40 rows, 5 visible.
    EXPECT_EQ(35, dynamic_cast<HXConSlider*>(window_->FindControl(kScroll))->GetMaximum());
    struct Probe {
        POINT p;
        COLORREF color;
        const char* what;
    } probes[] = {
        {{12, 14}, RGB(60, 60, 60), "the seek slider's start edge"},
        {{40, 14}, kTrack, "the seek slider's track"},
        // The knob is centred on 10 + 5 + 170 / 2; its first column is the key colour.
        {{96, 14}, kTrack, "the seek slider's knob's transparent column"},
        {{100, 14}, kKnob, "the seek slider's knob"},
        {{10, 30}, RGB(230, 230, 230), "the list's frame"},
        {{11, 90}, RGB(230, 230, 230), "the list's frame at the left"},
        {{185, 100}, RGB(40, 40, 40), "the scroll bar's track"},
        {{185, 32}, RGB(170, 170, 190), "the scroll bar's knob at the top"},
        {{210 + 40, 10 + 20}, kPanes[0], "left-top pane"},
        {{210 + 140, 10 + 20}, kPanes[1], "right-top pane"},
        {{210 + 40, 10 + 90}, kPanes[2], "left-bottom pane"},
        {{210 + 140, 10 + 90}, kPanes[3], "right-bottom pane"},
        {{210 + 20, 10 + 52}, kBar, "the horizontal bar"},
        {{210 + 82, 10 + 100}, kBar, "the vertical bar"},
        {{210 + 82, 10 + 52}, kCentre, "the crossing"},
        {{215, 135}, RGB(70, 130, 180), "the popup-menu button"},
        {{300, 200}, kBack, "the Flash control without a player shows what lies beneath"},
    };
    for (const Probe& p : probes) EXPECT_EQ(p.color, OffscreenPixel(p.p.x, p.p.y)) << p.what;
    // The list's rows and the marquee's text are drawn in the window.
    int white = 0;
    for (int x = 10; x < 190; ++x)
        for (int y = 128; y < 144; ++y) white += OffscreenPixel(x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 10);
    EXPECT_NE(OffscreenPixel(20, 40), OffscreenPixel(20, 70));  // a plain row and the selected one

    gui_test::SaveScreenshot(ToQImage(window_->GetOffscreen()).copy(0, 0, kWidth, kHeight), "skin_controls_window");
    // The browser is a window of its own over the skin: the host's picture
    // has both.
    QWidget* top = GetWindowQWidget(host_);
    ASSERT_NE(nullptr, top);
    gui_test::SaveScreenshot(top->grab().toImage(), "skin_controls_shown");
    EXPECT_NE(nullptr, web->GetBrowserWindow());
    EXPECT_TRUE(IsWindowVisible(web->GetBrowserWindow()));
}

TEST_F(ControlKindsRenderTest, DraggingTheCrossSplitterRepaintsItsPanes)
{
    ASSERT_TRUE(Build());
    // The vertical bar from 80 to 120 and the horizontal one from 50 to 30.
    const int barX = 210 + 80 + 3, barY = 10 + 50 + 3;
    EXPECT_EQ(kPanes[1], OffscreenPixel(210 + 110, 10 + 40));
    Press(barX, 10 + 20);
    MoveTo(barX + 40, 10 + 20);
    Release(barX + 40, 10 + 20);
    Press(210 + 20, barY);
    MoveTo(210 + 20, barY - 20);
    Release(210 + 20, barY - 20);
    EXPECT_EQ(120, dynamic_cast<HXConXSplitter*>(window_->FindControl(kCross))->GetPaneWidth());
    EXPECT_EQ(30, dynamic_cast<HXConXSplitter*>(window_->FindControl(kCross))->GetPaneHeight());
    EXPECT_EQ(kPanes[0], OffscreenPixel(210 + 110, 10 + 20));
    EXPECT_EQ(kPanes[2], OffscreenPixel(210 + 110, 10 + 50));
    EXPECT_EQ(kBar, OffscreenPixel(210 + 122, 10 + 100));
    EXPECT_EQ(kBar, OffscreenPixel(210 + 20, 10 + 32));
    EXPECT_EQ(OffscreenPixel(210 + 110, 10 + 50), ScreenPixel(210 + 110, 10 + 50));
}

TEST_F(ControlKindsRenderTest, TheScriptNavigatesTheBrowser)
{
    ASSERT_TRUE(Build());
    auto* web = dynamic_cast<HXConBrowser*>(window_->FindControl(kWeb));
    ASSERT_NE(nullptr, web);
    ASSERT_TRUE(WaitForPage(web));
    EXPECT_NE(std::wstring::npos,
              CurrentWebBrowserBackend().LocationUrl(web->GetBrowserWindow()).str().find(L"page.html"));
    ASSERT_TRUE(window_->RunScript(L"Navigate(\"ID_WEB\", \"./next.html\");"));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (CurrentWebBrowserBackend().LocationUrl(web->GetBrowserWindow()).str().find(L"next.html") ==
               std::wstring::npos &&
           std::chrono::steady_clock::now() < end)
        gui_test::Pump();
    EXPECT_NE(std::wstring::npos,
              CurrentWebBrowserBackend().LocationUrl(web->GetBrowserWindow()).str().find(L"next.html"));
    // A control of another kind is not navigated.
    EXPECT_TRUE(window_->RunScript(L"Navigate(\"ID_FLASH\", \"./next.html\");"));
}

}  // namespace
