// The skin slider: its attributes and their errors, the track, fill and knob
// it composes (pixel by pixel, horizontal and vertical, fixed and variable
// knobs), the mapping of mouse points to positions, reversed ranges, the
// reports to the application or to a parent, and drag sequences in which
// the range changes under the user's hand.
#include <gtest/gtest.h>

#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConSlider.h"
#include "skin/controls/HXConSliderParent.h"
#include "tests/skin/ControlTestSupport.h"

namespace {

using skin_test::ExpectPixels;
using skin_test::Pixel;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128), kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255), kOrange = RGB(255, 128, 0), kKey = RGB(255, 0, 255);
constexpr COLORREF kDark = RGB(40, 40, 40), kBlack = RGB(0, 0, 0);

// A track of 5 red, 20 grey and 5 blue columns, 8 high; knobs and fills.
class SliderTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        auto strip = [](int w, int h, auto colorAt) { return skin_test::ImageFrom(skin_test::Bmp24(w, h, colorAt)); };
        owner_.images[L"track"] = strip(30, 8, [](int x, int) { return x < 5 ? kRed : x < 25 ? kGrey : kBlue; });
        owner_.images[L"vtrack"] = strip(8, 30, [](int, int y) { return y < 5 ? kRed : y < 25 ? kGrey : kBlue; });
        owner_.images[L"knob"] = strip(6, 8, [](int x, int) { return x == 0 ? kKey : kGreen; });
        owner_.images[L"hot"] = strip(6, 8, [](int, int) { return kOrange; });
        owner_.images[L"vknob"] = strip(12, 8, [](int x, int) { return x < 5 || x >= 7 ? kWhite : kYellow; });
        owner_.images[L"fill"] = strip(10, 8, [](int, int) { return kCyan; });
        owner_.images[L"empty"] = strip(10, 8, [](int, int) { return kDark; });
        owner_.images[L"range"] = strip(30, 8, [](int, int) { return kYellow; });
        owner_.images[L"tall"] = strip(4, 40, [](int, int) { return kWhite; });
    }
    std::unique_ptr<HXConSlider> Slider(const std::string& attributes, int width = 200, int height = 8)
    {
        auto slider = Make<HXConSlider>("<SliderControl " + attributes + "/>");
        slider->SetRect(10, 20, width, height, 0);
        return slider;
    }
    // The reports of one kind the host received, as (value, slider id).
    std::vector<std::pair<int, int>> Reports(UINT message) const
    {
        std::vector<std::pair<int, int>> out;
        for (const Notified& n : NotifiedOf(message))
            out.emplace_back(static_cast<int>(n.wParam), static_cast<int>(n.lParam));
        return out;
    }
};

using Reported = std::vector<std::pair<int, int>>;

TEST_F(SliderTest, AttributeErrorsAndDefaults)
{
    struct Case {
        std::string attributes;
        int code;
        std::wstring detail;
    } cases[] = {
        {"Image=\"nothing\"", SKINERR_IMAGE_OPEN, L"nothing"},
        {"Image=\"track\" ImageKnob=\"x1\"", SKINERR_IMAGE_OPEN, L"x1"},
        {"ImageKnobHot=\"x2\"", SKINERR_IMAGE_OPEN, L"x2"},
        {"ImageRange=\"x3\"", SKINERR_IMAGE_OPEN, L"x3"},
        {"ImageFill=\"x4\"", SKINERR_IMAGE_OPEN, L"x4"},
        {"ImageEmpty=\"\"", SKINERR_IMAGE_OPEN, L""},
        {"SliderType=\"fill\"", SKINERR_BAD_ATTRIBUTE_VALUE, L"fill"},
        {"KnobType=\"Fixed\"", SKINERR_BAD_ATTRIBUTE_VALUE, L"Fixed"},
        {"Orientation=\"diagonal\"", SKINERR_BAD_ATTRIBUTE_VALUE, L"Orientation=diagonal"},
    };
    for (const Case& c : cases) {
        auto slider = Make<HXConSlider>("<SliderControl " + c.attributes + "/>", 0);
        EXPECT_EQ(c.code, slider->GetLastErrorCode()) << c.attributes;
        EXPECT_EQ(CString(c.detail.c_str()), slider->GetLastErrorText()) << c.attributes;
    }
    auto plain = Make<HXConSlider>("<SliderControl Tooltip=\"tip\"/>");
    EXPECT_EQ(-1, plain->GetMinimum());
    EXPECT_EQ(-1, plain->GetMaximum());
    EXPECT_TRUE(plain->IsRangeEmpty());
    EXPECT_EQ(CString(L"tip"), plain->GetTooltip());  // the common attributes follow
    auto edged = Make<HXConSlider>("<SliderControl ImageEdge=\"7,4\" KnobType=\"variable\" Orientation=\"vertical\"/>");
    EXPECT_EQ(11, edged->GetKnobLength());
    EXPECT_EQ(HXConSlider::VERTICAL, edged->GetOrientation());
}

TEST_F(SliderTest, AutosizeTakesTheLargestImagePlusInnerGaps)
{
    auto slider = Make<HXConSlider>("<SliderControl Image=\"track\" ImageKnob=\"tall\" InnerGaps=\"1,2,3,4\"/>");
    struct Case {
        std::string align;
        SAlignInfo expected;
    } cases[] = {
        {"Align=\"none\" Left=\"5\" Top=\"6\" Width=\"autosize\" Height=\"autosize\"",
         {ALIGN_NONE, 34, 46, 5, 6, 39, 52}},
        {"Align=\"top\" Width=\"autosize\" Height=\"12\"", {ALIGN_TOP, 34, 12}},
        {"Align=\"left\" Width=\"9\" Height=\"autosize\"", {ALIGN_LEFT, 9, 46}},
    };
    for (const Case& c : cases) {
        skin_test::Element e("<SliderControl " + c.align + "/>");
        SAlignInfo info;
        int error = -1;
        ASSERT_EQ(1, slider->LoadAlign(e.get(), &info, &error)) << c.align;
        EXPECT_EQ(c.expected.type, info.type) << c.align;
        EXPECT_EQ(c.expected.width, info.width) << c.align;
        EXPECT_EQ(c.expected.height, info.height) << c.align;
        if (c.expected.type == ALIGN_NONE) {
            EXPECT_EQ(c.expected.right, info.right);
            EXPECT_EQ(c.expected.bottom, info.bottom);
        }
    }
}

TEST_F(SliderTest, HorizontalTrackAndFixedKnob)
{
    auto slider = Slider("Image=\"track\" ImageKnob=\"knob\" ImageEdge=\"5,5\"");
    const HDib& f = slider->GetFrameSurface();
    // An empty range shows the bare track: edges at both ends, the middle
    // repeated between them.
    ExpectPixels(f, {{0, 0, kRed}, {4, 7, kRed}, {5, 3, kGrey}, {194, 3, kGrey}, {195, 3, kBlue}, {199, 3, kBlue}});

    slider->SetRange(0, 100, 0);
    EXPECT_EQ(0, slider->GetPosition());
    struct Case {
        int position;
        int knobLeft;  // start edge + MulDiv(190, position, 100) - knob width / 2; its first column is key colour
    } cases[] = {{0, 2}, {50, 97}, {100, 192}, {33, 65}};
    for (const Case& c : cases) {
        slider->SetPosition(c.position);
        EXPECT_EQ(c.position, slider->GetPosition());
        EXPECT_NE(kGreen, Pixel(f, c.knobLeft, 4)) << c.position;  // transparent column: the track shows
        EXPECT_EQ(kGreen, Pixel(f, c.knobLeft + 1, 4)) << c.position;
        EXPECT_EQ(kGreen, Pixel(f, c.knobLeft + 5, 4)) << c.position;
        EXPECT_NE(kGreen, Pixel(f, c.knobLeft + 6, 4)) << c.position;
    }
    // Positions from outside are clamped into the range.
    slider->SetPosition(250);
    EXPECT_EQ(100, slider->GetPosition());
    slider->SetPosition(-3);
    EXPECT_EQ(0, slider->GetPosition());

    // The window composes it with the key colour transparent.
    slider->SetPosition(50);
    slider->Draw();
    // The knob's key column shows the track; nothing below the control.
    ExpectPixels(surface_, {{10, 20, kRed}, {10 + 97, 24, kGrey}, {10 + 98, 24, kGreen}, {10, 28, kBlack}});
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_slider_horizontal");
}

TEST_F(SliderTest, FillEmptyVerticalAndSubRange)
{
    auto fill = Slider("SliderType=\"fillempty\" ImageEmpty=\"empty\" ImageFill=\"fill\" ImageKnob=\"knob\"", 100, 8);
    fill->SetRange(0, 10, 0);
    fill->SetPosition(4);
    const HDib& f = fill->GetFrameSurface();
    // The fill runs from the start to the knob's centre (start edge 0 + 40).
    ExpectPixels(f, {{0, 0, kCyan}, {36, 7, kCyan}, {39, 3, kGreen}, {43, 3, kDark}, {99, 7, kDark}});

    auto vertical = Slider("Image=\"vtrack\" ImageKnob=\"knob\" ImageEdge=\"5,5\" Orientation=\"vertical\"", 8, 100);
    vertical->SetRange(0, 10, 0);
    vertical->SetPosition(5);
    const HDib& v = vertical->GetFrameSurface();
    // Knob 8 high centred on 5 + 45: rows 46 to 53, columns 1 to 5 green.
    ExpectPixels(v, {{3, 0, kRed}, {3, 99, kBlue}, {1, 46, kGreen}, {5, 53, kGreen}, {1, 45, kGrey}, {1, 54, kGrey}});
    // A press maps along y.
    int capture = 0;
    ASSERT_EQ(1, vertical->OnButtonDown(1, 3, 5 + 72, &capture));
    EXPECT_EQ(8, vertical->GetPosition());

    auto ranged = Slider("Image=\"track\" ImageRange=\"range\" ImageEdge=\"5,5\"", 110, 8);
    ranged->SetRange(0, 100, 0);
    ranged->SetSubRange(1, 20, 60, 1);
    const HDib& r = ranged->GetFrameSurface();
    // The span 5 + 20 .. 5 + 60, with the range image's edges just outside it.
    ExpectPixels(r, {{19, 3, kGrey}, {20, 3, kYellow}, {45, 3, kYellow}, {69, 3, kYellow}, {70, 3, kGrey}});
    ranged->SetPosition(90);
    EXPECT_EQ(60, ranged->GetPosition());  // held inside the allowed part
    ranged->SetPosition(5);
    EXPECT_EQ(20, ranged->GetPosition());

    fill->Draw();
    vertical->SetRect(220, 10, 8, 100, 1);
    ranged->SetRect(10, 60, 110, 8, 1);
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_slider_fill_vertical_range");
}

TEST_F(SliderTest, VariableKnobLengthFollowsThePage)
{
    struct Case {
        const char* knob;
        int trackLength;
        int page, minimum, maximum;
        int expectedLength;
    } cases[] = {
        {"", 200, 5, 0, 15, 50},  // MulDiv(200, 5, 20)
        {"ImageKnob=\"vknob\"", 200, 5, 0, 15, 50},
        {"ImageKnob=\"vknob\"", 200, 1, 0, 99, 12},   // 2 pixels, but never shorter than the image
        {"ImageKnob=\"vknob\"", 200, 100, 0, 0, 10},  // empty range: the length stays as loaded
    };
    for (const Case& c : cases) {
        auto slider = Slider(std::string(c.knob) + " KnobType=\"variable\" ImageEdge=\"5,5\"", c.trackLength, 8);
        slider->SetRange(c.minimum, c.maximum, c.page, 0);
        EXPECT_EQ(c.expectedLength, slider->GetKnobLength()) << c.page << " " << c.maximum;
    }
    // Drawn in three pieces: both edges kept, the middle stretched.
    auto slider = Slider("ImageKnob=\"vknob\" KnobType=\"variable\" ImageEdge=\"5,5\" ScrollBar=\"1\"", 200, 8);
    slider->SetRange(0, 15, 5, 0);
    slider->SetPosition(15);
    const HDib& f = slider->GetFrameSurface();
    // The knob starts at 15 x (200 - 50) / 15 = 150.
    ExpectPixels(
        f,
        {{150, 3, kWhite}, {154, 3, kWhite}, {155, 3, kYellow}, {194, 3, kYellow}, {195, 3, kWhite}, {199, 3, kWhite}});
    // As a scroll bar the knob is grabbed at its middle: a press at 25 + 75
    // maps to 75 / 150 of the range.
    int capture = 0;
    slider->OnButtonDown(1, 100, 4, &capture);
    EXPECT_EQ(8, slider->GetPosition());
    slider->Draw();
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_slider_variable_knob");
}

TEST_F(SliderTest, PointsMapToPositions)
{
    struct Case {
        const char* attributes;
        int minimum, maximum;
        int x;
        int expected;
    } cases[] = {
        // Grab at the start edge (5), usable length 200 - 10.
        {"ImageEdge=\"5,5\"", 0, 100, 5, 0},
        {"ImageEdge=\"5,5\"", 0, 100, 0, 0},
        {"ImageEdge=\"5,5\"", 0, 100, 100, 50},
        {"ImageEdge=\"5,5\"", 0, 100, 6, 1},  // 1 x 100 / 190 rounds up from a half and more
        {"ImageEdge=\"5,5\"", 0, 100, 195, 100},
        {"ImageEdge=\"5,5\"", 0, 100, 500, 100},
        {"ImageEdge=\"5,5\"", -50, 50, 100, 0},
        // No edges: the whole width.
        {"", 0, 4, 150, 3},
        // A knob as long as the track (or longer) has nowhere to go: every
        // point is the minimum, without dividing by zero.
        {"ImageEdge=\"100,100\"", 0, 10, 150, 0},
        {"ImageEdge=\"150,150\"", 3, 10, 150, 3},
    };
    for (const Case& c : cases) {
        auto slider = Slider(c.attributes);
        slider->SetRange(c.minimum, c.maximum, 0);
        EXPECT_EQ(c.expected, slider->PositionAt(c.x, 4)) << c.attributes << " x=" << c.x;
        int capture = 0;
        EXPECT_EQ(1, slider->OnButtonDown(1, c.x, 4, &capture));
        EXPECT_EQ(c.expected, slider->GetPosition());
        int value = 0;
        slider->OnButtonUp(1, c.x, 4, 1, &value);
    }
}

TEST_F(SliderTest, ReversedRangeReportsOuterPositionsAndScansUnreversed)
{
    auto slider = Slider("ImageEdge=\"5,5\"");
    owner_.controlIds[L"IDC_SLIDER"] = 31;
    SHxControlInfo binding;
    binding.id = 31;
    slider->SetBinding(binding);
    slider->SetRange(10, 0, 0);
    EXPECT_TRUE(slider->IsReversed());
    EXPECT_EQ(0, slider->GetMinimum());
    EXPECT_EQ(10, slider->GetMaximum());
    EXPECT_EQ(10, slider->GetPosition());  // the first argument
    EXPECT_EQ(0, slider->OuterPosition());

    int capture = 0, track = 0, value = 0;
    ASSERT_EQ(1, slider->OnButtonDown(1, 5, 4, &capture));  // the track's start
    EXPECT_EQ(1, capture);
    slider->OnMouseMove(62, 4, 1, &track);  // 57 / 190 of 10: 3
    slider->OnMouseMove(62, 4, 1, &track);  // the same point: nothing new
    ASSERT_EQ(1, slider->OnButtonUp(1, 62, 4, 1, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ((Reported{{10, 31}, {7, 31}}), Reports(SliderPosChangeMessage()));
    EXPECT_EQ((Reported{{3, 31}}), Reports(SliderPosScanningMessage()));
    EXPECT_EQ((Reported{{7, 31}}), Reports(SliderPosChangeEndMessage()));
    for (const Notified& n : notified_) EXPECT_EQ(1, n.send);
    // From outside, positions are outer ones.
    slider->SetPosition(2);
    EXPECT_EQ(8, slider->GetPosition());
    EXPECT_EQ(2, slider->OuterPosition());
}

TEST_F(SliderTest, HoverScansOncePerPositionAndShowsTheHotKnob)
{
    auto slider = Slider("ImageKnob=\"knob\" ImageKnobHot=\"hot\"", 100, 8);
    slider->SetRange(0, 10, 0);
    slider->SetPosition(5);
    int track = 0;
    for (int x : {51, 52, 53, 58, 61, 61, 20}) slider->OnMouseMove(x, 4, 0, &track);
    EXPECT_EQ(1, track);
    // 51..53 map to 5, 58 and 61 to 6, 20 to 2.
    std::vector<int> scanned;
    for (auto& r : Reports(SliderPosScanningMessage())) scanned.push_back(r.first);
    EXPECT_EQ((std::vector<int>{5, 6, 2}), scanned);
    EXPECT_TRUE(Reports(SliderPosChangeMessage()).empty());
    EXPECT_TRUE(slider->IsHot());
    EXPECT_EQ(kOrange, Pixel(slider->GetFrameSurface(), 49, 3));
    slider->OnMouseLeave();
    EXPECT_FALSE(slider->IsHot());
    EXPECT_EQ(kGreen, Pixel(slider->GetFrameSurface(), 49, 3));
}

TEST_F(SliderTest, EmptyRangeDisabledAndRightButtonsAreIgnored)
{
    auto slider = Slider("Image=\"track\" ImageKnob=\"knob\" ImageEdge=\"5,5\"");
    int capture = 0, track = 0, value = 0;
    // Empty at first, then minimum = maximum.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(0, slider->OnButtonDown(1, 50, 4, &capture));
        EXPECT_EQ(0, slider->OnMouseMove(50, 4, 0, &track));
        EXPECT_EQ(0, slider->OnButtonUp(1, 50, 4, 0, &value));
        slider->SetRange(7, 7, 0);
    }
    EXPECT_EQ(0, track);
    for (int x = 0; x < 200; ++x) EXPECT_NE(kGreen, Pixel(slider->GetFrameSurface(), x, 4)) << x;
    slider->SetRange(0, 10, 0);
    EXPECT_EQ(0, slider->OnButtonDown(2, 50, 4, &capture));
    slider->SetEnabled(0, 0);
    EXPECT_EQ(0, slider->OnButtonDown(1, 50, 4, &capture));
    EXPECT_EQ(0, capture);
    EXPECT_TRUE(notified_.empty());
}

class RecordingParent : public HXConSliderParent {
public:
    void OnSliderPosChange(int position, int id) override { calls.push_back({'c', position, id}); }
    void OnSliderPosChangeEnd(int position, int id) override { calls.push_back({'e', position, id}); }
    void OnSliderScanning(int position, int id) override { calls.push_back({'s', position, id}); }
    struct Call {
        char kind;
        int position;
        int id;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
};

TEST_F(SliderTest, AParentTakesTheReportsInsteadOfTheApplication)
{
    auto slider = Slider("");
    RecordingParent parent;
    slider->SetSliderParent(&parent);
    SHxControlInfo binding;
    binding.id = 9;
    slider->SetBinding(binding);
    slider->SetRange(0, 20, 0);
    int capture = 0, track = 0, value = 0;
    slider->OnButtonDown(1, 50, 4, &capture);
    slider->OnMouseMove(100, 4, 1, &track);
    slider->OnButtonUp(1, 100, 4, 1, &value);
    using C = RecordingParent::Call;
    EXPECT_EQ((std::vector<C>{{'c', 5, 9}, {'c', 10, 9}, {'s', 10, 9}, {'e', 10, 9}}), parent.calls);
    EXPECT_TRUE(notified_.empty());
}

// Drag sequences: what the user does, what the program does meanwhile, and
// the position and reports that follow.
TEST_F(SliderTest, DragSequences)
{
    enum Op { Down, Move, Up, Range, Position };
    struct Step {
        Op op;
        int a, b;       // x for the mouse; range or position otherwise
        int position;   // inner position afterwards
        bool dragging;  // afterwards
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> changes;  // reported positions
        std::vector<int> ends;
    } cases[] = {
        {"plain drag",
         {{Down, 20, 0, 10, true}, {Move, 60, 0, 30, true}, {Move, 300, 0, 100, true}, {Up, 300, 0, 100, false}},
         {10, 30, 100},
         {100}},
        {"a position from outside is ignored while dragging",
         {{Down, 100, 0, 50, true}, {Position, 7, 0, 50, true}, {Up, 100, 0, 50, false}, {Position, 7, 0, 7, false}},
         {50},
         {50}},
        {"a new range keeps the dragged position, clamped",
         {{Down, 120, 0, 60, true},
          {Range, 0, 200, 60, true},
          {Range, 0, 40, 40, true},
          {Range, 50, 90, 50, true},
          {Move, 20, 0, 54, true},
          {Up, 20, 0, 54, false}},
         {60, 54},
         {54}},
        {"an empty range ends the drag",
         {{Down, 120, 0, 60, true},
          {Range, -1, -1, -1, false},
          {Move, 150, 0, -1, false},
          {Up, 150, 0, -1, false},
          {Range, 0, 100, 0, false},
          {Position, 33, 0, 33, false}},
         {60},
         {}},
        {"without a drag a new range starts at its first value",
         {{Position, 70, 0, 70, false}, {Range, 20, 80, 20, false}, {Range, 90, 10, 90, false}},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        notified_.clear();
        auto slider = Slider("");  // 200 wide, no edges: position = x / 2
        slider->SetRange(0, 100, 0);
        for (const Step& s : c.steps) {
            int capture = 0, track = 0, value = 0;
            switch (s.op) {
            case Down: slider->OnButtonDown(1, s.a, 4, &capture); break;
            case Move: slider->OnMouseMove(s.a, 4, 1, &track); break;
            case Up: slider->OnButtonUp(1, s.a, 4, 1, &value); break;
            case Range: slider->SetRange(s.a, s.b, 0); break;
            case Position: slider->SetPosition(s.a); break;
            }
            EXPECT_EQ(s.position, slider->GetPosition()) << "step op " << s.op << " " << s.a;
            EXPECT_EQ(s.dragging, slider->IsDragging()) << "step op " << s.op << " " << s.a;
        }
        std::vector<int> changes, ends;
        for (auto& r : Reports(SliderPosChangeMessage())) changes.push_back(r.first);
        for (auto& r : Reports(SliderPosChangeEndMessage())) ends.push_back(r.first);
        EXPECT_EQ(c.changes, changes);
        EXPECT_EQ(c.ends, ends);
    }
}

}  // namespace
