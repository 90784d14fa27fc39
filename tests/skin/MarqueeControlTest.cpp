// The skin marquee: its attributes and their errors, its timer, the offsets
// it steps through when scrolling in each direction and when alternating
// (with the pauses at the ends, texts that nearly fit and parked texts), the
// picture it shows, and its click and double-click commands.
#include <gtest/gtest.h>

#include "platform/win32/WindowMessages.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "skin/controls/HXConMarquee.h"
#include "tests/skin/ControlTestSupport.h"

namespace {

using skin_test::ExpectPixels;
using skin_test::Pixel;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kBlack = RGB(0, 0, 0);

// An image font of the letters A, B and C in cells of 8 by 10 pixels, red,
// green and blue: a text of n letters is n x 8 wide and 10 high.
class MarqueeTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        owner_.images[L"glyphs"] = skin_test::ImageFrom(skin_test::CellStripBmp(8, 10, {kRed, kGreen, kBlue}));
        ASSERT_TRUE(font_.Load(&owner_, L"glyphs", L"ABC"));
        owner_.fonts[L"cells"] = &font_;
    }
    std::unique_ptr<HXConMarquee> Marquee(const std::string& attributes, int width, int height)
    {
        auto marquee = Make<HXConMarquee>("<MarqueeControl FontName=\"cells\" " + attributes + "/>");
        marquee->SetRect(10, 10, width, height, 0);
        return marquee;
    }
    HXSubFont font_;
};

TEST_F(MarqueeTest, AttributesErrorsAndTheTimer)
{
    struct Bad {
        std::string attributes;
        int code;
        std::wstring detail;
    } bad[] = {
        {"Behavior=\"bounce\"", SKINERR_BAD_ATTRIBUTE_VALUE, L"Behavior=bounce"},
        {"Direction=\"Left\"", SKINERR_BAD_ATTRIBUTE_VALUE, L"Direction=Left"},
        {"FontName=\"nofont\"", SKINERR_BAD_FONT_NAME, L"nofont"},
    };
    for (const Bad& c : bad) {
        auto marquee = Make<HXConMarquee>("<MarqueeControl " + c.attributes + "/>", 0);
        EXPECT_EQ(c.code, marquee->GetLastErrorCode()) << c.attributes;
        EXPECT_EQ(CString(c.detail.c_str()), marquee->GetLastErrorText()) << c.attributes;
    }
    struct Good {
        std::string attributes;
        int delay, amount;
    } good[] = {
        {"", 100, 1},
        {"ScrollDelay=\"40\" ScrollAmount=\"3\"", 40, 3},
        {"ScrollDelay=\"0\" ScrollAmount=\"-3\"", 100, 3},  // no delay and a backward step are mended
        {"ScrollDelay=\"-20\" ScrollAmount=\"-2147483648\"", 100, 65536},
    };
    for (const Good& c : good) {
        owner_.timers.clear();
        auto marquee = Make<HXConMarquee>("<MarqueeControl " + c.attributes + "/>");
        EXPECT_EQ(c.delay, marquee->GetDelay()) << c.attributes;
        EXPECT_EQ(c.amount, marquee->GetAmount()) << c.attributes;
        ASSERT_EQ(1u, owner_.timers.size());
        EXPECT_EQ(marquee.get(), owner_.timers[0].control);
        EXPECT_EQ(HXConMarquee::kTimerKey, owner_.timers[0].key);
        EXPECT_EQ(c.delay, owner_.timers[0].interval);
    }
    auto texts =
        Make<HXConMarquee>("<MarqueeControl Text=\"one\" Text5=\"five\" FontShadowColor=\"red\" Tooltip=\"t\"/>");
    EXPECT_EQ(CString(L"one"), texts->GetText(0));
    EXPECT_EQ(CString(L"five"), texts->GetText(4));
    EXPECT_EQ(static_cast<COLORREF>(-1), texts->GetShadowColor());  // read only with FontColor
    EXPECT_EQ(CString(L"t"), texts->GetTooltip());
    auto colored = Make<HXConMarquee>("<MarqueeControl FontColor=\"blue\" FontShadowColor=\"red\"/>");
    EXPECT_EQ(kBlue, colored->GetTextColor());
    EXPECT_EQ(kRed, colored->GetShadowColor());
}

TEST_F(MarqueeTest, ScrollingStepsAndComesRoundInEachDirection)
{
    struct Case {
        const char* direction;
        int width, height;
        std::vector<POINT> offsets;  // after each tick
    } cases[] = {
        // Text 16 wide in 20: it leaves to the left and comes in from the right edge.
        {"left", 20, 10, {{5, 0}, {10, 0}, {15, 0}, {-20, 0}, {-15, 0}}},
        {"right", 20, 10, {{-5, 0}, {-10, 0}, {-15, 0}, {20, 0}, {15, 0}}},
        {"up", 20, 6, {{0, 5}, {0, 10}, {0, -6}, {0, -1}}},
        {"down", 20, 6, {{0, -5}, {0, -10}, {0, 6}, {0, 1}}},
    };
    for (const Case& c : cases) {
        auto marquee =
            Marquee(std::string("Text=\"AB\" ScrollAmount=\"5\" Direction=\"") + c.direction + "\"", c.width, c.height);
        for (size_t i = 0; i < c.offsets.size(); ++i) {
            marquee->OnTimer(HXConMarquee::kTimerKey);
            EXPECT_EQ(c.offsets[i].x, marquee->GetOffset().x) << c.direction << " tick " << i;
            EXPECT_EQ(c.offsets[i].y, marquee->GetOffset().y) << c.direction << " tick " << i;
        }
        EXPECT_EQ(16, marquee->GetTextSize().cx);
    }
}

TEST_F(MarqueeTest, StoppedOrTooSmallMarqueesDoNotMove)
{
    auto stopped = Marquee("Text=\"AB\"", 20, 10);
    stopped->SetRunning(0);
    stopped->OnTimer(HXConMarquee::kTimerKey);
    EXPECT_EQ(0, stopped->GetOffset().x);
    auto small = Marquee("Text=\"AB\" MinSize=\"30,0\"", 20, 10);
    small->OnTimer(HXConMarquee::kTimerKey);
    EXPECT_EQ(nullptr, small->GetTextImage());
    small->SetText(L"ABC", 0);
    EXPECT_EQ(nullptr, small->GetTextImage());
    auto empty = Marquee("", 20, 10);
    empty->OnTimer(HXConMarquee::kTimerKey);
    EXPECT_EQ(nullptr, empty->GetTextImage());
    EXPECT_EQ(1u, invalidated_.size());  // the text change itself, nothing for the ticks
}

TEST_F(MarqueeTest, AlternatingPausesAtEachEndAndLeavesNearFitsAlone)
{
    // "AAAA" is 32 wide: in 20 it swings between 0 and 12, in 40 between
    // -8 and 0.
    auto run = [this](const std::string& text, int width, const std::string& extra, int ticks) {
        auto marquee = Marquee("Behavior=\"alternate\" ScrollAmount=\"4\" Text=\"" + text + "\" " + extra, width, 10);
        std::vector<int> offsets;
        for (int i = 0; i < ticks; ++i) {
            marquee->OnTimer(HXConMarquee::kTimerKey);
            offsets.push_back(marquee->GetOffset().x);
        }
        return offsets;
    };
    // A larger text: 30 ticks of pause, 3 steps, a turn and 30 more ticks of pause, then back.
    std::vector<int> larger = run("AAAA", 20, "", 70);
    std::vector<int> expected(30, 0);
    for (int v : {4, 8, 12, 12}) expected.push_back(v);
    expected.insert(expected.end(), 30, 12);
    for (int v : {8, 4, 0, 0, 0, 0}) expected.push_back(v);
    EXPECT_EQ(expected, larger);
    // A text that fits moves within the control, towards negative offsets.
    std::vector<int> fitting = run("AAAA", 40, "", 34);
    std::vector<int> fitExpected(31, 0);  // the first step goes past 0: turn and pause again
    EXPECT_EQ(std::vector<int>(fitting.begin(), fitting.begin() + 31), fitExpected);
    // Texts 1 pixel narrower or wider than the control never move.
    for (int width : {31, 33, 32}) EXPECT_EQ(std::vector<int>(40, 0), run("AAAA", width, "", 40)) << width;
    // AlternateWhenLargeText parks a fitting text at 0 once.
    invalidated_.clear();
    auto parked = Marquee("Behavior=\"alternate\" AlternateWhenLargeText=\"1\" Text=\"A\"", 40, 10);
    for (int i = 0; i < 5; ++i) parked->OnTimer(HXConMarquee::kTimerKey);
    EXPECT_EQ(0, parked->GetOffset().x);
    EXPECT_EQ(-1, parked->GetPause());
    EXPECT_EQ(1u, invalidated_.size());
}

TEST_F(MarqueeTest, ShowsTheWindowOfTheTextAtTheOffset)
{
    auto marquee = Marquee("Text=\"AB\" ScrollAmount=\"4\"", 20, 10);
    marquee->OnTimer(HXConMarquee::kTimerKey);  // renders the text and moves it by 4
    marquee->Draw();
    // Nothing beyond the control.
    ExpectPixels(
        surface_,
        {{10, 12, kRed}, {13, 12, kRed}, {14, 12, kGreen}, {21, 12, kGreen}, {22, 12, kBlack}, {30, 12, kBlack}});
    // Coming in from the right edge it stays inside the control.
    for (int i = 0; i < 5; ++i) marquee->OnTimer(HXConMarquee::kTimerKey);
    EXPECT_EQ(-16, marquee->GetOffset().x);
    surface_.Fill(kBlack);
    marquee->Draw();
    ExpectPixels(surface_, {{25, 12, kBlack}, {26, 12, kRed}, {29, 12, kRed}, {30, 12, kBlack}});

    // A text without a skin font is drawn in the system font.
    auto system = Make<HXConMarquee>("<MarqueeControl FontColor=\"#FFFF00\"/>");
    system->SetRect(10, 40, 200, 20, 0);
    system->SetText(L"흐르는 글자 Marquee", 0);
    system->OnTimer(HXConMarquee::kTimerKey);
    ASSERT_NE(nullptr, system->GetTextImage());
    EXPECT_GT(system->GetTextSize().cx, 40);
    system->Draw();
    int yellow = 0;
    for (int y = 40; y < 60; ++y)
        for (int x = 10; x < 210; ++x) {
            const COLORREF c = Pixel(surface_, x, y);
            yellow += c == RGB(255, 255, 0);
            EXPECT_FALSE(GetRValue(c) > 100 && GetBValue(c) > 100) << x << "," << y;  // no pink fringe
        }
    EXPECT_GT(yellow, 20);
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_marquee");
}

TEST_F(MarqueeTest, ClicksAndDoubleClicksPostTheCommand)
{
    struct Case {
        const char* attributes;
        SHxControlInfo binding;
        std::vector<int> buttons;  // 1 press and release inside, -1 press inside and release outside, 4 double click
        std::vector<WPARAM> commands;
    } cases[] = {
        {"NotifyClick=\"1\"", {0, 17, 0, 0, 0, nullptr}, {1}, {17}},
        {"NotifyClick=\"1\"", {0, 17, 0, 40, 0, nullptr}, {1, 4}, {40}},
        {"NotifyClick=\"1\"", {0, 17, 0, 0, 0, nullptr}, {-1}, {}},
        {"NotifyClick=\"2\"", {0, 17, 0, 0, 0, nullptr}, {4, 1}, {17}},
        {"NotifyClick=\"1\" Enable=\"0\"", {0, 17, 0, 0, 0, nullptr}, {1}, {}},
        {"", {0, 17, 0, 0, 0, nullptr}, {1, 4}, {}},
    };
    for (const Case& c : cases) {
        notified_.clear();
        auto marquee = Marquee(std::string("Text=\"AB\" ") + c.attributes, 20, 10);
        marquee->SetBinding(c.binding);
        for (int b : c.buttons) {
            int capture = 0, value = 0;
            if (b == 4) {
                marquee->OnButtonDown(4, 5, 5, &capture);
                continue;
            }
            marquee->OnButtonDown(1, 5, 5, &capture);
            marquee->OnButtonUp(1, b < 0 ? 25 : 5, 5, capture, &value);
        }
        std::vector<WPARAM> commands;
        for (const Notified& n : NotifiedOf(WM_COMMAND)) {
            commands.push_back(n.wParam);
            EXPECT_EQ(0, n.send);  // posted
        }
        EXPECT_EQ(c.commands, commands) << c.attributes;
    }
}

TEST_F(MarqueeTest, HitTesting)
{
    struct Case {
        const char* attributes;
        int width;
        POINT point;
        int hit;
    } cases[] = {
        {"", 20, {5, 5}, 0},
        {"NotifyClick=\"1\"", 20, {5, 5}, 1},
        {"NotifyClick=\"1\"", 20, {25, 5}, 0},
        {"NotifyClick=\"1\" Show=\"0\"", 20, {5, 5}, 0},
        {"NotifyClick=\"2\" Enable=\"0\"", 20, {5, 5}, 0},
        {"Tooltip=\"tip\"", 20, {5, 5}, 1},
        {"NcHitTest=\"HTCAPTION\"", 20, {5, 5}, 1},
        {"NotifyClick=\"1\"", 0, {0, 0}, 0},  // too small
    };
    for (const Case& c : cases) {
        auto marquee = Marquee(c.attributes, c.width, 10);
        EXPECT_EQ(c.hit, marquee->HitTest(c.point.x, c.point.y)) << c.attributes;
    }
}

}  // namespace
