// The skin's button, static, region and window controls on their own: their
// attributes and errors, the cell a button shows in each state, the mouse
// state machine and the commands it hands to a recording host, the static's
// drawing modes and frames pixel by pixel, its click modes, and the region
// and native-window controls.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/FrameDrawing.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConRgn.h"
#include "skin/controls/HXConStatic.h"
#include "skin/controls/HXConWindow.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/ControlTestSupport.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using skin_test::Pixel;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kKey = RGB(255, 0, 255);

using skin_test::Element;
using skin_test::ImageFrom;

// Control tests: an owner with images, a surface, and a host window that
// records the notify records the controls hand over.
class ImageControlTest : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        owner_.images[L"cells4"] = ImageFrom(skin_test::CellStripBmp(20, 10, {kRed, kGreen, kBlue, kGrey}));
        owner_.images[L"cells2"] = ImageFrom(skin_test::CellStripBmp(20, 10, {kRed, kBlue}));
        owner_.images[L"cells3"] = ImageFrom(skin_test::CellStripBmp(20, 10, {kRed, kGreen, kBlue}));
        owner_.images[L"wide"] = ImageFrom(skin_test::CellStripBmp(50, 10, {kRed, kGreen, kBlue, kGrey}));
        owner_.images[L"alt"] = ImageFrom(skin_test::SolidBmp(20, 10, kWhite));
        surface_.CreateFilled(200, 100, 24, kBlack);
        host_ = gui_test::MakeTop(0, 0, 200, 100);
        gui_test::SetHandler(host_, [this](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message != SkinControlNotifyMessage()) return std::nullopt;
            const auto* record = reinterpret_cast<const SControlNotify*>(wParam);
            Notified n{record->message, record->wParam, record->send, {}};
            if (record->message == SkinStringCommandMessage())
                n.script = reinterpret_cast<const wchar_t*>(record->wParam);
            notified_.push_back(n);
            return 0;
        });
    }
    template <class Control>
    std::unique_ptr<Control> Make(const std::string& xml, int expectedResult = 1)
    {
        auto control = std::make_unique<Control>(&owner_);
        Element e(xml);
        EXPECT_EQ(expectedResult, control->LoadAttributes(host_, &surface_, e.get())) << xml;
        return control;
    }
    // The commands (message WM_COMMAND) and scripts the host was handed.
    std::vector<WPARAM> Commands() const
    {
        std::vector<WPARAM> out;
        for (const Notified& n : notified_)
            if (n.message == WM_COMMAND) out.push_back(n.wParam);
        return out;
    }

    struct Notified {
        UINT message;
        WPARAM wParam;
        int send;
        std::wstring script;
    };
    skin_test::FakeSkinOwner owner_;
    HDib surface_;
    HWND host_ = nullptr;
    std::vector<Notified> notified_;
};

// ---- Buttons ---------------------------------------------------------------------

TEST_F(ImageControlTest, ButtonAttributeErrors)
{
    struct Case {
        std::string xml;
        int code;
        std::wstring detail;
    } cases[] = {
        {"<ButtonControl/>", SKINERR_MISSING_ATTRIBUTE, L"ButtonControlType"},
        {"<ButtonControl ButtonControlType=\"Bitmap\"/>", SKINERR_BAD_ATTRIBUTE_VALUE, L"ButtonControlType=Bitmap"},
        {"<ButtonControl ButtonControlType=\"bitmap\" Image=\"cells4\" Split=\"6\"/>", SKINERR_BAD_ATTRIBUTE_VALUE,
         L"Split=6"},
        {"<ButtonControl ButtonControlType=\"bitmap\" Split=\"4\"/>", SKINERR_MISSING_ATTRIBUTE, L"Image"},
        {"<ButtonControl ButtonControlType=\"framebitmap\" Image=\"nothing\"/>", SKINERR_IMAGE_OPEN, L"nothing"},
        {"<ButtonControl ButtonControlType=\"bitmap\" Image=\"cells4\" Image3=\"gone\"/>", SKINERR_IMAGE_OPEN, L"gone"},
        {"<ButtonControl ButtonControlType=\"transparent\" FontName=\"nofont\"/>", SKINERR_BAD_FONT_NAME, L"nofont"},
    };
    for (const Case& c : cases) {
        auto button = Make<HXConButton>(c.xml, 0);
        EXPECT_EQ(c.code, button->GetLastErrorCode()) << c.xml;
        EXPECT_EQ(CString(c.detail.c_str()), button->GetLastErrorText()) << c.xml;
    }
    for (const char* ok : {"<ButtonControl ButtonControlType=\"transparent\"/>",
                           "<ButtonControl ButtonControlType=\"color\" ControlColor=\"red\" Split=\"-3\"/>",
                           "<ButtonControl ButtonControlType=\"fillframe\" Image=\"cells4\"/>"}) {
        auto button = Make<HXConButton>(ok);
        EXPECT_EQ(0x25u, button->GetTextFormat());
    }
}

TEST_F(ImageControlTest, TheCellOfEachStateForEveryCellCount)
{
    // Cells: disabled, normal, hover, pressed.
    struct Case {
        const char* split;
        const char* image;
        int cells[4];
    } cases[] = {
        {"1", "alt", {0, 0, 0, 0}},        {"2", "cells2", {0, 0, 0, 1}}, {"3", "cells3", {0, 0, 0, 1}},
        {"4", "cells4", {3, 0, 1, 2}},     {"5", "wide", {3, 0, 1, 2}},   {"-3", "cells3", {0, 0, 1, 2}},
        {nullptr, "cells4", {3, 0, 1, 2}},  // no Split: four cells
    };
    for (const Case& c : cases) {
        const std::string split = c.split ? std::string(" Split=\"") + c.split + "\"" : "";
        auto button = Make<HXConButton>(std::string("<ButtonControl ButtonControlType=\"bitmap\" Image=\"") + c.image +
                                        "\"" + split + "/>");
        button->SetRect(10, 10, 20, 10, 0);
        const HDib& image = *owner_.images[std::wstring(c.image, c.image + strlen(c.image))];
        const int cellWidth = image.GetWidth() / std::abs(button->GetCellCount());
        auto drawnCell = [&] {
            surface_.Fill(kBlack);
            button->Draw();
            return Pixel(surface_, 15, 15);
        };
        auto expect = [&](int cell, const char* state) {
            EXPECT_EQ(cell, button->GetCell()) << c.image << " " << state;
            EXPECT_EQ(Pixel(image, cell * cellWidth + 5, 5), drawnCell()) << c.image << " " << state;
        };
        expect(c.cells[1], "normal");
        int track = 0;
        const int repaint = button->OnMouseMove(5, 5, 0, &track);
        const bool tracks = std::abs(button->GetCellCount()) >= 4 || button->GetCellCount() == -3;
        EXPECT_EQ(tracks ? 1 : 0, repaint) << c.image;
        EXPECT_EQ(tracks ? 1 : 0, track) << c.image;
        expect(c.cells[2], "hover");
        int capture = 0;
        ASSERT_EQ(1, button->OnButtonDown(1, 5, 5, &capture));
        EXPECT_EQ(1, capture);
        expect(c.cells[3], "pressed");
        int value = 0;
        button->OnButtonUp(1, 50, 50, 1, &value);  // outside: no command, back to normal
        expect(c.cells[1], "released outside");
        button->SetEnabled(0, 0);
        expect(c.cells[0], "disabled");
        capture = 0;
        EXPECT_EQ(0, button->OnButtonDown(1, 5, 5, &capture)) << "a disabled button ignores presses";
    }
    EXPECT_TRUE(Commands().empty());
}

TEST_F(ImageControlTest, ClicksHandTheirCommandOrScriptToTheWindow)
{
    struct Case {
        std::string attributes;
        SHxControlInfo binding;
        int button;
        std::vector<WPARAM> commands;
        std::wstring script;
    } cases[] = {
        {"", {0, 11, 0, 0, 0, nullptr}, 1, {11}, L""},
        {"", {0, 11, 0, 12, 0, nullptr}, 1, {12}, L""},    // CMD wins
        {"", {0, 11, 0, 12, 0, nullptr}, 4, {12}, L""},    // a double click is a left click
        {"", {0, 11, 21, 12, 0, nullptr}, 2, {21}, L""},   // ID2 on the right
        {"", {0, 11, 21, 12, 22, nullptr}, 2, {22}, L""},  // RCMD wins
        {"", {0, 11, 0, 12, 0, nullptr}, 2, {}, L""},      // no right commands: not pressed
        {"", {0, 11, 21, 0, 0, nullptr}, 3, {}, L""},      // middle never
        {" OnEvent=\"Go('x');\"", {0, 11, 21, 12, 0, nullptr}, 1, {}, L"Go('x');"},
        {" OnEvent=\"Go('x');\"", {0, 11, 21, 12, 0, nullptr}, 2, {21}, L""},
    };
    for (const Case& c : cases) {
        notified_.clear();
        auto button =
            Make<HXConButton>("<ButtonControl ButtonControlType=\"bitmap\" Image=\"cells4\"" + c.attributes + "/>");
        button->SetBinding(c.binding);
        button->SetRect(0, 0, 20, 10, 0);
        int capture = 0, value = 0;
        const int taken = button->OnButtonDown(c.button, 3, 3, &capture);
        EXPECT_EQ(c.commands.empty() && c.script.empty() ? 0 : 1, taken) << c.button;
        button->OnButtonUp(c.button, 3, 3, 1, &value);
        EXPECT_EQ(c.commands, Commands()) << c.attributes << " button " << c.button;
        std::wstring script;
        for (const Notified& n : notified_)
            if (!n.script.empty()) {
                script = n.script;
                EXPECT_EQ(1, n.send) << "a script runs while the button waits";
            }
        EXPECT_EQ(c.script, script);
        for (const Notified& n : notified_)
            if (n.message == WM_COMMAND) {
                EXPECT_EQ(0, n.send) << "commands are posted";
            }
        EXPECT_EQ(0, button->GetPressedButton());
    }
}

TEST_F(ImageControlTest, PressingOneButtonWhileAnotherIsPressedAndReleasingTheWrongOne)
{
    auto button = Make<HXConButton>("<ButtonControl ButtonControlType=\"bitmap\" Image=\"cells4\"/>");
    button->SetBinding({0, 11, 21, 0, 0, nullptr});
    button->SetRect(0, 0, 20, 10, 0);
    int capture = 0, value = 0;
    ASSERT_EQ(1, button->OnButtonDown(1, 3, 3, &capture));
    EXPECT_EQ(0, button->OnButtonDown(2, 3, 3, &capture)) << "already pressed";
    EXPECT_EQ(0, button->OnButtonUp(2, 3, 3, 1, &value)) << "another button's release";
    EXPECT_EQ(1, button->OnButtonUp(1, 3, 3, 1, &value));
    EXPECT_EQ(std::vector<WPARAM>{11}, Commands());
}

TEST_F(ImageControlTest, AutosizeSelectImageAndTheTextOfEachState)
{
    owner_.images[L"strip200"] = ImageFrom(skin_test::CellStripBmp(50, 12, {kRed, kGreen, kBlue, kGrey}));
    auto button = Make<HXConButton>(
        "<ButtonControl ButtonControlType=\"bitmap\" Image=\"strip200\" Image2=\"alt\" Align=\"none\" Left=\"7\" "
        "Width=\"autosize\" Height=\"autosize\" Gaps=\"2,0,3,1\" MinSize=\"0,0\"/>");
    Element e("<ButtonControl Align=\"none\" Left=\"7\" Width=\"autosize\" Height=\"autosize\" Gaps=\"2,0,3,1\"/>");
    SAlignInfo info;
    int error = 0;
    ASSERT_EQ(1, button->LoadAlign(e.get(), &info, &error));
    EXPECT_EQ(55, info.width);
    EXPECT_EQ(62, info.right);
    EXPECT_EQ(13, info.height);
    EXPECT_EQ((SIZE{50, 12}), button->GetMinSize());

    EXPECT_EQ(0, button->SelectImage(2, 0));
    EXPECT_EQ(owner_.images[L"strip200"].get(), button->GetCurrentImage());
    EXPECT_EQ(0, button->SelectImage(6, 0));
    EXPECT_EQ(1, button->SelectImage(1, 0));
    EXPECT_EQ(owner_.images[L"alt"].get(), button->GetCurrentImage());
    EXPECT_EQ((SIZE{5, 10}), button->GetCellSize()) << "the alternative is cut into the same four cells";

    // Text 0 stands in for an empty hover text; a hover text of its own
    // replaces it.
    auto picture = [&](const std::string& texts, bool hover) {
        auto b =
            Make<HXConButton>("<ButtonControl ButtonControlType=\"transparent\" FontColor=\"white\" " + texts + "/>");
        b->SetRect(0, 0, 200, 100, 0);
        if (hover) {
            int track = 0;
            b->OnMouseMove(1, 1, 0, &track);
        }
        surface_.Fill(kBlack);
        b->Draw();
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) pixels.push_back(Pixel(surface_, x, y));
        return pixels;
    };
    const auto normal = picture("Text=\"Start\"", false);
    EXPECT_EQ(normal, picture("Text=\"Start\"", true));
    EXPECT_NE(normal, picture("Text=\"Start\" Text2=\"Hover!\"", true));
    EXPECT_NE(normal, picture("", false));
}

TEST_F(ImageControlTest, AHiddenButtonIsNeitherDrawnNorHit)
{
    auto button = Make<HXConButton>("<ButtonControl ButtonControlType=\"bitmap\" Image=\"cells4\" Show=\"0\"/>");
    // Laid out hidden it has no rectangle: no stand-in of one cell either.
    button->SetRect(10, 10, 0, 0, 0);
    RECT r;
    button->GetRect(&r);
    EXPECT_EQ((RECT{10, 10, 10, 10}), r);
    button->Draw();
    EXPECT_EQ(kBlack, Pixel(surface_, 12, 12));
    EXPECT_EQ(0, button->HitTest(2, 2));
    // Even with a rectangle left from before.
    button->SetRect(10, 10, 20, 10, 0);
    button->Draw();
    EXPECT_EQ(kBlack, Pixel(surface_, 12, 12));
    EXPECT_EQ(0, button->HitTest(2, 2));
    // Shown, the empty rectangle stands for one cell at its corner.
    button->SetVisible(1, 0);
    button->SetRect(10, 10, 0, 0, 0);
    button->GetRect(&r);
    EXPECT_EQ((RECT{10, 10, 30, 20}), r);
    button->Draw();
    EXPECT_EQ(kRed, Pixel(surface_, 12, 12));
    EXPECT_EQ(1, button->HitTest(2, 2));
}

// ---- Statics -----------------------------------------------------------------------

// A 30 by 30 image whose 10 by 10 blocks each have their own colour.
std::string NineBlocks()
{
    return skin_test::Bmp24(30, 30, [](int x, int y) { return RGB(10 + 80 * (x / 10), 10 + 80 * (y / 10), 77); });
}

TEST_F(ImageControlTest, FramesKeepTheirCornersAndTileTheirEdges)
{
    auto source = ImageFrom(NineBlocks());
    const COLORREF topLeft = Pixel(*source, 0, 0), bottomRight = Pixel(*source, 29, 29);
    const COLORREF topEdge = Pixel(*source, 15, 0), centre = Pixel(*source, 15, 15);
    // Into 100 by 20: corners of 10 by 6.
    DrawFrame(*source, &surface_, RECT{0, 0, 30, 30}, RECT{0, 0, 100, 20}, 0, 0);
    EXPECT_EQ(topLeft, Pixel(surface_, 9, 5));
    EXPECT_EQ(topEdge, Pixel(surface_, 10, 0));
    EXPECT_EQ(topEdge, Pixel(surface_, 50, 5));
    EXPECT_EQ(bottomRight, Pixel(surface_, 99, 19));
    EXPECT_EQ(Pixel(*source, 25, 24), Pixel(surface_, 95, 14)) << "the bottom-right corner starts 6 rows up";
    EXPECT_EQ(kBlack, Pixel(surface_, 50, 10)) << "no centre without fill";
    // Into 2 by 2 nothing is drawn.
    surface_.Fill(kBlack);
    DrawFrame(*source, &surface_, RECT{0, 0, 30, 30}, RECT{0, 0, 2, 2}, 0, 1);
    EXPECT_EQ(kBlack, Pixel(surface_, 0, 0));
    // With the centre filled.
    DrawFrame(*source, &surface_, RECT{0, 0, 30, 30}, RECT{0, 0, 90, 60}, 0, 1);
    EXPECT_EQ(centre, Pixel(surface_, 45, 30));
}

TEST_F(ImageControlTest, ThreePartStrips)
{
    // Columns coded by x: red is the column number.
    auto source = ImageFrom(skin_test::Bmp24(90, 10, [](int x, int) { return RGB(x, 0, 0); }));
    // Into 40: half of 90 is not less than 40, so the left and right 21
    // columns are copied.
    DrawHorizontalThreePart(*source, &surface_, RECT{0, 0, 90, 10}, RECT{0, 0, 40, 10}, 0);
    EXPECT_EQ(RGB(0, 0, 0), Pixel(surface_, 0, 0));
    EXPECT_EQ(RGB(18, 0, 0), Pixel(surface_, 18, 0));
    EXPECT_EQ(RGB(69, 0, 0), Pixel(surface_, 19, 0));
    EXPECT_EQ(RGB(89, 0, 0), Pixel(surface_, 39, 0));
    // Into 100: the thirds of 30, the middle one tiled.
    DrawHorizontalThreePart(*source, &surface_, RECT{0, 0, 90, 10}, RECT{0, 20, 100, 30}, 0);
    EXPECT_EQ(RGB(29, 0, 0), Pixel(surface_, 29, 20));
    EXPECT_EQ(RGB(30, 0, 0), Pixel(surface_, 30, 20));
    EXPECT_EQ(RGB(30, 0, 0), Pixel(surface_, 60, 20));
    EXPECT_EQ(RGB(60, 0, 0), Pixel(surface_, 70, 20));
    EXPECT_EQ(RGB(89, 0, 0), Pixel(surface_, 99, 20));
    // The vertical strip, rows coded by y.
    auto column = ImageFrom(skin_test::Bmp24(5, 30, [](int, int y) { return RGB(0, y, 0); }));
    surface_.Fill(kBlack);
    DrawVerticalThreePart(*column, &surface_, RECT{0, 0, 5, 30}, RECT{0, 0, 5, 90}, 0);
    EXPECT_EQ(RGB(0, 9, 0), Pixel(surface_, 0, 9));
    EXPECT_EQ(RGB(0, 10, 0), Pixel(surface_, 0, 40));
    EXPECT_EQ(RGB(0, 29, 0), Pixel(surface_, 0, 89));
}

TEST_F(ImageControlTest, StaticDrawingModes)
{
    owner_.images[L"nine"] = ImageFrom(NineBlocks());
    owner_.images[L"anim"] = ImageFrom(skin_test::CellStripBmp(10, 10, {kRed, kGreen, kBlue, kGrey}));
    owner_.images[L"keyed"] = ImageFrom(skin_test::Bmp24(4, 4, [](int x, int) { return x < 2 ? kKey : kGreen; }));
    const HDib& nine = *owner_.images[L"nine"];
    struct Case {
        std::string attributes;
        int mode;
        std::vector<std::pair<POINT, COLORREF>> probes;  // in control coordinates; the control is 60 by 40 at (20, 10)
    } cases[] = {
        {"Image=\"nine\"", HXConStatic::DRAW_TILE, {{{0, 0}, Pixel(nine, 0, 0)}, {{35, 5}, Pixel(nine, 5, 5)}}},
        {"Image=\"nine\" ImageType=\"stretch\"",
         HXConStatic::DRAW_STRETCH,
         {{{0, 0}, Pixel(nine, 0, 0)}, {{59, 39}, Pixel(nine, 29, 29)}}},
        {"Image=\"nine\" ImageType=\"frame\"",
         HXConStatic::DRAW_FRAME,
         {{{0, 0}, Pixel(nine, 0, 0)}, {{59, 39}, Pixel(nine, 29, 29)}, {{30, 20}, kBlack}}},
        {"Image=\"nine\" ImageType=\"fillframe\"", HXConStatic::DRAW_FILLFRAME, {{{30, 20}, Pixel(nine, 15, 15)}}},
        {"Image=\"anim\" ImageType=\"animation\" AniSplit=\"4\"",
         HXConStatic::DRAW_ANIMATION,
         {{{5, 5}, kRed}, {{15, 5}, kBlack}}},
        {"Image=\"anim\" ImageType=\"tileanimation\" AniSplit=\"4\"",
         HXConStatic::DRAW_TILEANIMATION,
         {{{5, 5}, kRed}, {{55, 35}, kRed}}},
        {"Image=\"nine\" ImageType=\"none\"",
         HXConStatic::DRAW_NONE,
         {{{29, 29}, Pixel(nine, 29, 29)}, {{30, 30}, kBlack}}},
        {"Image=\"nine\" ImageType=\"Tile\"", HXConStatic::DRAW_NONE, {{{31, 5}, kBlack}}},
        {"Image=\"keyed\" ImageType=\"none\"", HXConStatic::DRAW_NONE, {{{0, 0}, kBlack}, {{3, 0}, kGreen}}},
    };
    for (const Case& c : cases) {
        auto control = Make<HXConStatic>("<StaticControl StaticControlType=\"bitmap\" " + c.attributes + "/>");
        EXPECT_EQ(c.mode, control->GetDrawMode()) << c.attributes;
        control->SetRect(20, 10, 60, 40, 0);
        surface_.Fill(kBlack);
        control->Draw();
        for (const auto& [p, color] : c.probes)
            EXPECT_EQ(color, Pixel(surface_, 20 + p.x, 10 + p.y)) << c.attributes << " at " << p.x << "," << p.y;
        // Nothing leaves the control's rectangle.
        EXPECT_EQ(kBlack, Pixel(surface_, 19, 9));
        EXPECT_EQ(kBlack, Pixel(surface_, 80, 50));
    }
}

TEST_F(ImageControlTest, StaticAttributesAndAnimationCells)
{
    struct Case {
        std::string xml;
        int code;
        std::wstring detail;
    } errors[] = {
        {"<StaticControl StaticControlType=\"image\"/>", SKINERR_BAD_ATTRIBUTE_VALUE, L"StaticControlType=image"},
        {"<StaticControl StaticControlType=\"bitmap\"/>", SKINERR_MISSING_ATTRIBUTE, L"Image"},
        {"<StaticControl StaticControlType=\"bitmap\" Image=\"cells4\" Image6=\"no\"/>", SKINERR_IMAGE_OPEN, L"no"},
        {"<StaticControl FontName=\"none\"/>", SKINERR_BAD_FONT_NAME, L"none"},
    };
    for (const Case& c : errors) {
        auto control = Make<HXConStatic>(c.xml, 0);
        EXPECT_EQ(c.code, control->GetLastErrorCode()) << c.xml;
        EXPECT_EQ(CString(c.detail.c_str()), control->GetLastErrorText());
    }
    auto plain = Make<HXConStatic>("<StaticControl/>");
    EXPECT_EQ(SkinImageControl::IMAGE_TRANSPARENT, plain->GetImageType());
    EXPECT_TRUE(owner_.timers.empty()) << "only animations run a timer";

    // An animation of four cells without a delay: a 1000 ms timer, key 0;
    // the cells go round.
    auto anim = Make<HXConStatic>(
        "<StaticControl StaticControlType=\"bitmap\" Image=\"cells4\" ImageType=\"animation\" AniSplit=\"4\"/>");
    ASSERT_EQ(1u, owner_.timers.size());
    EXPECT_EQ(0, owner_.timers[0].key);
    EXPECT_EQ(1000, owner_.timers[0].interval);
    anim->SetRect(0, 0, 20, 10, 0);
    std::vector<int> cells;
    for (int i = 0; i < 5; ++i) {
        cells.push_back(anim->GetAnimationCell());
        anim->OnTimer(0);
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 0}), cells);
    // Both delay spellings; AniDelay wins. Zero cells count as one.
    auto delayed = Make<HXConStatic>(
        "<StaticControl StaticControlType=\"bitmap\" Image=\"cells4\" "
        "ImageType=\"tileanimation\" AniSplit=\"0\" AnimDelay=\"300\" AniDelay=\"250\"/>");
    EXPECT_EQ(250, owner_.timers.back().interval);
    EXPECT_EQ(1, delayed->GetAnimationCells());
    delayed->SetRect(0, 0, 20, 10, 0);
    delayed->OnTimer(0);
    EXPECT_EQ(0, delayed->GetAnimationCell());
    // An empty rectangle does not advance.
    anim->SetRect(0, 0, 0, 0, 0);
    anim->OnTimer(0);
    EXPECT_EQ(1, anim->GetAnimationCell());
}

TEST_F(ImageControlTest, StaticHitTestsAndClicks)
{
    struct Case {
        std::string attributes;
        int hit;
    } hits[] = {
        {"", 0},
        {"Tooltip=\"t\"", 1},
        {"NcHitTest=\"HTNOWHERE\"", 1},
        {"NcHitTest=\"HTTRANSPARENT\"", 0},
        {"NotifyClick=\"1\"", 1},
        {"NotifyClick=\"2\" Show=\"0\"", 0},
        {"NotifyClick=\"1\" Enable=\"0\"", 0},
    };
    for (const Case& c : hits) {
        auto control = Make<HXConStatic>("<StaticControl " + c.attributes + "/>");
        control->SetRect(0, 0, 20, 10, 0);
        EXPECT_EQ(c.hit, control->HitTest(5, 5)) << c.attributes;
    }
    auto single = Make<HXConStatic>("<StaticControl NotifyClick=\"1\"/>");
    single->SetBinding({0, 31, 0, 0, 0, nullptr});
    single->SetRect(0, 0, 20, 10, 0);
    int capture = 0, value = 0;
    EXPECT_EQ(1, single->OnButtonDown(1, 5, 5, &capture));
    EXPECT_EQ(1, capture);
    EXPECT_EQ(0, single->OnButtonUp(1, 5, 5, 1, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ(std::vector<WPARAM>{31}, Commands());
    single->OnButtonDown(1, 5, 5, &capture);
    single->OnButtonUp(1, 25, 5, 1, &value);  // released outside
    EXPECT_EQ(std::vector<WPARAM>{31}, Commands());

    notified_.clear();
    auto twice = Make<HXConStatic>("<StaticControl NotifyClick=\"2\" CMD=\"x\"/>");
    twice->SetBinding({0, 31, 0, 32, 0, nullptr});
    twice->SetRect(0, 0, 20, 10, 0);
    EXPECT_EQ(0, twice->OnButtonDown(1, 5, 5, &capture));
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(0, twice->OnButtonDown(4, 5, 5, &capture)) << "the command goes at once";
    EXPECT_EQ(std::vector<WPARAM>{32}, Commands());

    notified_.clear();
    auto scripted = Make<HXConStatic>("<StaticControl NotifyClick=\"1\" OnEvent=\"Run();\"/>");
    scripted->SetRect(0, 0, 20, 10, 0);
    scripted->OnButtonDown(1, 5, 5, &capture);
    scripted->OnButtonUp(1, 5, 5, 1, &value);
    ASSERT_EQ(1u, notified_.size());
    EXPECT_EQ(L"Run();", notified_[0].script);
}

TEST_F(ImageControlTest, ColourControlsFillTheirImageAsTheyGrow)
{
    auto control = Make<HXConStatic>("<StaticControl StaticControlType=\"color\" ControlColor=\"#102030\"/>");
    control->SetRect(5, 5, 30, 20, 0);
    control->Draw();
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), Pixel(surface_, 5, 5));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), Pixel(surface_, 34, 24));
    EXPECT_EQ(kBlack, Pixel(surface_, 35, 25));
    control->SetRect(5, 5, 60, 40, 0);
    control->Draw();
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), Pixel(surface_, 64, 44));
    auto button = Make<HXConButton>("<ButtonControl ButtonControlType=\"color\" ControlColor=\"blue\"/>");
    button->SetRect(100, 50, 10, 10, 0);
    button->Draw();
    EXPECT_EQ(kBlue, Pixel(surface_, 109, 59));
}

// ---- Region and window controls --------------------------------------------------------

TEST_F(ImageControlTest, RegionControls)
{
    struct Case {
        std::string xml;
        int code;
        std::wstring detail;
    } errors[] = {
        {"<Rgn Type=\"circle\"/>", SKINERR_UNKNOWN_TYPE, L"circle"},
        {"<Rgn Type=\"roundrect\"/>", SKINERR_MISSING_ATTRIBUTE, L"Param"},
        {"<Rgn Type=\"bitmap\" Param=\"\"/>", SKINERR_MISSING_ATTRIBUTE, L"Param"},
        {"<Rgn Type=\"bitmap\" Param=\"absent\"/>", SKINERR_IMAGE_OPEN, L"absent"},
    };
    for (const Case& c : errors) {
        auto control = Make<HXConRgn>(c.xml, 0);
        EXPECT_EQ(c.code, control->GetLastErrorCode()) << c.xml;
        EXPECT_EQ(CString(c.detail.c_str()), control->GetLastErrorText());
    }
    auto round = Make<HXConRgn>("<Rgn Type=\"roundrect\" Param=\"10,10\" Mode=\"diff\"/>");
    EXPECT_EQ(RGN_DIFF, round->GetCombineMode());
    round->SetRect(0, 0, 40, 30, 0);
    HRGN first = round->GetRegion();
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(PtInRegion(first, 20, 15));
    EXPECT_FALSE(PtInRegion(first, 0, 0)) << "rounded corner";
    round->SetRect(5, 5, 40, 30, 0);
    EXPECT_EQ(first, round->GetRegion()) << "the same size keeps the region";
    round->SetRect(5, 5, 80, 30, 0);
    EXPECT_TRUE(PtInRegion(round->GetRegion(), 70, 15)) << "a new region of the new size";
    EXPECT_EQ(RGN_OR, Make<HXConRgn>("<Rgn Type=\"rect\" Mode=\"plus\"/>")->GetCombineMode());

    owner_.images[L"shape"] = ImageFrom(skin_test::Bmp24(8, 6, [](int x, int) { return x < 4 ? kKey : kGreen; }));
    auto bitmap = Make<HXConRgn>("<Rgn Type=\"bitmap\" Param=\"shape\"/>");
    ASSERT_NE(nullptr, bitmap->GetRegion());
    EXPECT_FALSE(PtInRegion(bitmap->GetRegion(), 1, 1));
    EXPECT_TRUE(PtInRegion(bitmap->GetRegion(), 5, 1));
    Element e(
        "<Rgn Align=\"none\" Left=\"3\" Top=\"4\" Width=\"autosize\" Height=\"autosize\" Right=\"autosize\" "
        "Bottom=\"autosize\" Gaps=\"1,1,1,1\"/>");
    SAlignInfo info;
    int error = 0;
    ASSERT_EQ(1, bitmap->LoadAlign(e.get(), &info, &error));
    EXPECT_EQ(10, info.width);
    EXPECT_EQ(8, info.height);
    EXPECT_EQ(3 + 8 - 1, info.right);
    EXPECT_EQ(4 + 6 - 1, info.bottom);
}

TEST_F(ImageControlTest, AWindowControlMovesItsWindowOnlyWhenThePlaceChanges)
{
    // The skin window at (10, 20) of the host; the bound window a child of
    // the host beside it.
    HWND skin = gui_test::MakeChild(host_, 1, 10, 20, 150, 70);
    HWND bound = gui_test::MakeChild(host_, 2, 0, 0, 5, 5);
    gui_test::Pump();
    auto control = std::make_unique<HXConWindow>(&owner_);
    Element e("<WindowControl/>");
    ASSERT_EQ(1, control->LoadAttributes(skin, &surface_, e.get()));
    control->SetBinding({1, 2, 0, 0, 0, bound});
    gui_test::Log().clear();
    control->SetRect(5, 6, 50, 40, 1);
    RECT r;
    GetWindowRect(bound, &r);
    POINT origin{0, 0};
    ClientToScreen(host_, &origin);
    EXPECT_EQ((RECT{origin.x + 15, origin.y + 26, origin.x + 65, origin.y + 66}), r);
    const size_t moves = gui_test::MessagesOf(bound, {WM_WINDOWPOSCHANGING}).size();
    EXPECT_EQ(1u, moves);
    control->SetRect(5, 6, 50, 40, 1);
    EXPECT_EQ(moves, gui_test::MessagesOf(bound, {WM_WINDOWPOSCHANGING}).size()) << "no move, no flicker";
    RECT stored;
    control->GetRect(&stored);
    EXPECT_EQ((RECT{5, 6, 55, 46}), stored);
    EXPECT_EQ(0, control->HitTest(1, 1));
    surface_.Fill(kBlack);
    EXPECT_EQ(1, control->Draw());
    EXPECT_EQ(kBlack, Pixel(surface_, 10, 10));
}

}  // namespace
