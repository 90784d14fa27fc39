// The skin's splitters: the cross splitter's attributes and errors, the
// cells it gives its four panes through their layout nodes (with alignment
// to either edge and minimum pane sizes), its bar parts, cursors and drag
// sequences, and what it draws.
#include <gtest/gtest.h>

#include "skin/HXManAlign.h"
#include "skin/SkinErrors.h"
#include "skin/controls/HXConXSplitter.h"
#include "tests/skin/ControlTestSupport.h"

namespace {

using skin_test::ExpectPixels;

class Pane : public HXConBase {
public:
    using HXConBase::HXConBase;
};

RECT RectOf(HXConBase& control)
{
    RECT r;
    control.GetRect(&r);
    return r;
}

constexpr const char* kPanes =
    "ControlLT=\"IDC_LT\" ControlRT=\"IDC_RT\" ControlLB=\"IDC_LB\" ControlRB=\"IDC_RB\" "
    "ImageHFrame=\"hframe\" ImageVFrame=\"vframe\" ImageCenter=\"center\" ";

// Four panes in a window layout whose root is (0, 0, 400, 300); the panes'
// rules leave them where the splitter puts them.
class SplitterTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        owner_.images[L"hframe"] = skin_test::ImageFrom(skin_test::SolidBmp(9, 6, RGB(0, 128, 0)));
        owner_.images[L"vframe"] = skin_test::ImageFrom(skin_test::SolidBmp(10, 9, RGB(0, 0, 128)));
        owner_.images[L"center"] = skin_test::ImageFrom(skin_test::SolidBmp(10, 6, RGB(255, 255, 0)));
        owner_.images[L"hpad"] = skin_test::ImageFrom(
            skin_test::Bmp24(8, 6, [](int x, int) { return x < 4 ? RGB(255, 0, 0) : RGB(0, 255, 255); }));
        owner_.cursors[L"we"] = reinterpret_cast<HCURSOR>(0x11);
        owner_.cursors[L"ns"] = reinterpret_cast<HCURSOR>(0x12);
        owner_.cursors[L"all"] = reinterpret_cast<HCURSOR>(0x13);
        const wchar_t* names[4] = {L"IDC_LT", L"IDC_RT", L"IDC_LB", L"IDC_RB"};
        root_.SetRoot(nullptr);
        SAlignInfo nomove{};
        nomove.type = ALIGN_NOMOVE;
        for (int i = 0; i < 4; ++i) {
            panes_[i] = std::make_unique<Pane>(&owner_);
            owner_.controlIds[names[i]] = 60 + i;
            owner_.controls[60 + i] = panes_[i].get();
            root_.AddChild(panes_[i].get(), nomove, 0);
        }
        root_.Layout(&root_, 400, 300);
        owner_.layout = &root_;
    }
    std::unique_ptr<HXConXSplitter> Splitter(const std::string& extra, int width = 250, int height = 100)
    {
        auto splitter = Make<HXConXSplitter>(std::string("<XSplitterControl ") + kPanes + extra + "/>");
        splitter->SetRect(10, 20, width, height, 0);
        return splitter;
    }
    HXManAlign root_;
    std::unique_ptr<Pane> panes_[4];
};

TEST_F(SplitterTest, CrossSplitterAttributeErrors)
{
    struct Case {
        std::string attributes;
        int code;
        std::wstring detail;
    } cases[] = {
        {"ControlLT=\"IDC_LT\" ControlRT=\"IDC_RT\" ControlLB=\"IDC_LB\"", SKINERR_MISSING_ATTRIBUTE, L"ControlRB"},
        // Presence is checked for all four before any name is resolved.
        {"ControlLT=\"IDC_NOWHERE\" ControlRT=\"IDC_RT\" ControlRB=\"IDC_RB\"", SKINERR_MISSING_ATTRIBUTE,
         L"ControlLB"},
        {"ControlLT=\"IDC_LT\" ControlRT=\"IDC_NOWHERE\" ControlLB=\"IDC_LB\" ControlRB=\"IDC_RB\"",
         SKINERR_SPLITTER_CONTROL, L"IDC_NOWHERE"},
        {"ControlLT=\"IDC_LT\" ControlRT=\"IDC_RT\" ControlLB=\"IDC_LB\" ControlRB=\"IDC_RB\" ImageHFrame=\"hframe\" "
         "ImageVFrame=\"vframe\"",
         SKINERR_MISSING_ATTRIBUTE, L"ImageCenter"},
        {"ControlLT=\"IDC_LT\" ControlRT=\"IDC_RT\" ControlLB=\"IDC_LB\" ControlRB=\"IDC_RB\" ImageHFrame=\"hframe\" "
         "ImageVFrame=\"gone\" ImageCenter=\"center\"",
         SKINERR_IMAGE_OPEN, L"gone"},
        {std::string(kPanes) + "ImageVPadding=\"gone\"", SKINERR_IMAGE_OPEN, L"gone"},
    };
    for (const Case& c : cases) {
        auto splitter = Make<HXConXSplitter>("<XSplitterControl " + c.attributes + "/>", 0);
        EXPECT_EQ(c.code, splitter->GetLastErrorCode()) << c.attributes;
        EXPECT_EQ(CString(c.detail.c_str()), splitter->GetLastErrorText()) << c.attributes;
    }
}

TEST_F(SplitterTest, PanesTakeTheCellsTheBarsLeave)
{
    struct Case {
        const char* attributes;
        RECT lt, rt, lb, rb;
    } cases[] = {
        // 250 x 100 at (10, 20), bars 10 wide and 6 high.
        {"PaneWidth=\"80\" PaneHeight=\"30\"",
         {10, 20, 90, 50},
         {100, 20, 260, 50},
         {10, 56, 90, 120},
         {100, 56, 260, 120}},
        {"PaneWidth=\"80\" PaneHeight=\"30\" PaneAlignToLeft=\"0\" PaneAlignToTop=\"0\"",
         {10, 20, 170, 84},
         {180, 20, 260, 84},
         {10, 90, 170, 120},
         {180, 90, 260, 120}},
        // Bars held inside the control.
        {"PaneWidth=\"900\" PaneHeight=\"-5\"",
         {10, 20, 250, 20},
         {260, 20, 260, 20},
         {10, 26, 250, 120},
         {260, 26, 260, 120}},
        // Minimums push the bars back: left 50 < 100 moves right to 100.
        {"PaneWidth=\"50\" PaneHeight=\"30\" PaneMinSize=\"100,40,0,0\"",
         {10, 20, 110, 60},
         {120, 20, 260, 60},
         {10, 66, 110, 120},
         {120, 66, 260, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        auto splitter = Splitter(c.attributes);
        EXPECT_EQ(c.lt, RectOf(*panes_[0]));
        EXPECT_EQ(c.rt, RectOf(*panes_[1]));
        EXPECT_EQ(c.lb, RectOf(*panes_[2]));
        EXPECT_EQ(c.rb, RectOf(*panes_[3]));
    }
}

TEST_F(SplitterTest, MeasuredFromTheRightThePanesKeepTheirWidthWhenResized)
{
    auto splitter = Splitter("PaneWidth=\"60\" PaneHeight=\"30\" PaneAlignToLeft=\"0\"");
    for (int width : {250, 300, 180}) {
        splitter->SetRect(10, 20, width, 100, 0);
        EXPECT_EQ(60, RectOf(*panes_[1]).right - RectOf(*panes_[1]).left) << width;
        EXPECT_EQ(10 + width, RectOf(*panes_[1]).right) << width;
    }
}

TEST_F(SplitterTest, BarPartsCursorsAndDrags)
{
    auto splitter = Splitter(
        "PaneWidth=\"80\" PaneHeight=\"30\" CursorH=\"ns\" CursorV=\"we\" CursorCenter=\"all\" "
        "PaneMinSize=\"100,0,100,0\"");
    // Left 100 (the minimum), right 140: the vertical bar at 100 .. 110.
    struct Hit {
        POINT at;
        int part;
        HCURSOR cursor;
    } hits[] = {
        {{105, 10}, HXConXSplitter::PART_VBAR, reinterpret_cast<HCURSOR>(0x11)},
        {{50, 33}, HXConXSplitter::PART_HBAR, reinterpret_cast<HCURSOR>(0x12)},
        {{100, 30}, HXConXSplitter::PART_CENTER, reinterpret_cast<HCURSOR>(0x13)},
        {{110, 36}, HXConXSplitter::PART_CENTER, reinterpret_cast<HCURSOR>(0x13)},
        {{50, 10}, HXConXSplitter::PART_NONE, nullptr},
        {{111, 37}, HXConXSplitter::PART_NONE, nullptr},
    };
    for (const Hit& h : hits) {
        EXPECT_EQ(h.part, splitter->HitPart(h.at.x, h.at.y)) << h.at.x << "," << h.at.y;
        EXPECT_EQ(h.part != 0, splitter->HitTest(h.at.x, h.at.y) != 0);
        EXPECT_EQ(h.cursor, splitter->GetCursor(h.at.x, h.at.y));
    }
    int capture = 0, value = 0, track = 0;
    EXPECT_EQ(0, splitter->OnButtonDown(1, 50, 10, &capture));  // on no bar
    EXPECT_EQ(0, capture);
    // Dragging the vertical bar to x = 50: the minimum holds the left pane at
    // 100 and leaves 140 to the right.
    ASSERT_EQ(1, splitter->OnButtonDown(1, 105, 10, &capture));
    EXPECT_EQ(1, capture);
    EXPECT_EQ(1, splitter->OnMouseMove(50, 80, 1, &track));
    EXPECT_EQ(45, splitter->GetPaneWidth());
    EXPECT_EQ(30, splitter->GetPaneHeight());  // a vertical bar moves sideways only
    EXPECT_EQ(100, RectOf(*panes_[0]).right - RectOf(*panes_[0]).left);
    EXPECT_EQ(140, RectOf(*panes_[1]).right - RectOf(*panes_[1]).left);
    EXPECT_EQ(0, splitter->OnButtonUp(1, 50, 80, 1, &value));
    EXPECT_EQ(1, value);
    EXPECT_FALSE(splitter->IsDragging());
    EXPECT_EQ(0, splitter->OnMouseMove(200, 80, 0, &track));  // no drag: nothing moves
    // The centre moves both bars.
    ASSERT_EQ(1, splitter->OnButtonDown(1, 101, 31, &capture));
    splitter->OnMouseMove(125, 63, 1, &track);
    splitter->OnButtonUp(1, 125, 63, 1, &value);
    EXPECT_EQ(120, splitter->GetPaneWidth());
    EXPECT_EQ(60, splitter->GetPaneHeight());
    EXPECT_EQ((RECT{10, 20, 130, 80}), RectOf(*panes_[0]));
    // A disabled splitter takes no press.
    splitter->SetEnabled(0, 0);
    EXPECT_EQ(0, splitter->OnButtonDown(1, 125, 10, &capture));
}

TEST_F(SplitterTest, NothingIsPlacedWhileAPaneIsMissing)
{
    owner_.controls.erase(62);
    auto splitter = Splitter("PaneWidth=\"80\" PaneHeight=\"30\"");
    for (auto& pane : panes_) EXPECT_EQ((RECT{0, 0, 0, 0}), RectOf(*pane));
}

TEST_F(SplitterTest, DrawsItsCentreAndPaddings)
{
    auto splitter = Splitter("PaneWidth=\"80\" PaneHeight=\"30\" ImageHPadding=\"hpad\"", 200, 100);
    splitter->Draw();
    // The centre where the bars cross; the padding's left half at the
    // horizontal bar's start, its right half at the bar's end, over the
    // bars' frames; the panes are not the splitter's to draw.
    ExpectPixels(surface_, {{10 + 80, 20 + 30, RGB(255, 255, 0)},
                            {10 + 89, 20 + 35, RGB(255, 255, 0)},
                            {10, 20 + 30, RGB(255, 0, 0)},
                            {209, 20 + 30, RGB(0, 255, 255)},
                            {206, 20 + 35, RGB(0, 255, 255)},
                            {210, 20 + 30, RGB(0, 0, 0)},
                            {10 + 20, 20 + 10, RGB(0, 0, 0)},
                            // The bars' frames between them.
                            {10 + 40, 20 + 33, RGB(0, 128, 0)},
                            {10 + 150, 20 + 30, RGB(0, 128, 0)},
                            {10 + 85, 20 + 5, RGB(0, 0, 128)},
                            {10 + 80, 20 + 99, RGB(0, 0, 128)}});
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_xsplitter");
}

}  // namespace
