// The bar splitter in a skin window: dragging it resizes the control it is
// associated with and lays the window out again, for controls docked on
// either side (the one docked right or bottom shrinks as the bar moves
// towards its edge), clamped at 0; a press without the associated control
// is ignored, and an associated name nobody binds fails the skin.
#include <gtest/gtest.h>

#include "skin/SkinErrors.h"
#include "skin/controls/HXConSplitter.h"
#include "tests/skin/ControlTestSupport.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr int kLeft = 501, kLeftBar = 502, kRight = 503, kRightBar = 504, kBottom = 505, kBottomBar = 506,
              kClient = 507, kGone = 508;

std::string Panel(const char* cid, const char* align, const char* size, const char* colour)
{
    return std::string("<StaticControl CID=\"") + cid + "\" StaticControlType=\"color\" ControlColor=\"" + colour +
           "\" Align=\"" + align + "\" " + size + "/>\n";
}

std::string Bar(const char* cid, const char* align, const char* size, const char* associate)
{
    return std::string("<SplitterControl CID=\"") + cid +
           "\" StaticControlType=\"color\" ControlColor=\"#202020\" Align=\"" + align + "\" " + size +
           " AssociateControl=\"" + associate + "\"/>\n";
}

class BarSplitterTest : public SkinWindowTest {
protected:
    // A 400 × 300 window: a panel docked left (100 wide), one docked right
    // (80) and one at the bottom (60), each with its bar, and a client.
    bool LoadPanels(const char* leftAssociate = "ID_LEFT", bool expectSuccess = true)
    {
        const std::string controls = Panel("ID_BOTTOM", "bottom", "Height=\"60\"", "#557733") +
                                     Bar("ID_BOTTOM_BAR", "bottom", "Height=\"4\"", "ID_BOTTOM") +
                                     Panel("ID_LEFT", "left", "Width=\"100\"", "#335577") +
                                     Bar("ID_LEFT_BAR", "left", "Width=\"4\"", leftAssociate) +
                                     Panel("ID_RIGHT", "right", "Width=\"80\"", "#aa5500") +
                                     Bar("ID_RIGHT_BAR", "right", "Width=\"4\"", "ID_RIGHT") +
                                     Panel("ID_CLIENT", "client", "", "#ffffff");
        return Load(SkinXml("Width=\"400\" Height=\"300\"", "", controls), {},
                    {{L"ID_LEFT", kLeft},
                     {L"ID_LEFT_BAR", kLeftBar},
                     {L"ID_RIGHT", kRight},
                     {L"ID_RIGHT_BAR", kRightBar},
                     {L"ID_BOTTOM", kBottom},
                     {L"ID_BOTTOM_BAR", kBottomBar},
                     {L"ID_CLIENT", kClient},
                     {L"ID_GONE", kGone}},
                    expectSuccess);
    }
    RECT RectOf(int id)
    {
        RECT r{};
        if (HXConBase* control = window_->FindControl(id)) control->GetRect(&r);
        return r;
    }
    void Drag(POINT from, POINT to)
    {
        Press(from.x, from.y);
        MoveTo((from.x + to.x) / 2, (from.y + to.y) / 2);
        MoveTo(to.x, to.y);
        Release(to.x, to.y);
    }
};

TEST_F(BarSplitterTest, DragsResizeTheDockedControlOnEitherSide)
{
    ASSERT_TRUE(LoadPanels());
    // Left 0..100, its bar 100..104; right bar 316..320, right 320..400;
    // bottom bar 236..240, bottom 240..300.
    ASSERT_EQ((RECT{0, 0, 100, 236}), RectOf(kLeft));
    ASSERT_EQ((RECT{316, 0, 320, 236}), RectOf(kRightBar));
    ASSERT_EQ((RECT{0, 240, 400, 300}), RectOf(kBottom));
    struct Case {
        const char* what;
        POINT from, to;
        int id;
        RECT expected;
    } cases[] = {
        {"left bar to the right", {102, 100}, {150, 120}, kLeft, {0, 0, 148, 236}},
        {"left bar past the left edge", {150, 100}, {-80, 100}, kLeft, {0, 0, 0, 236}},
        {"right bar to the left widens the right panel", {318, 100}, {288, 100}, kRight, {290, 0, 400, 236}},
        {"right bar to the right narrows it", {288, 100}, {348, 100}, kRight, {350, 0, 400, 236}},
        {"bottom bar up heightens the bottom panel", {200, 238}, {200, 198}, kBottom, {0, 200, 400, 300}},
        {"bottom bar past the bottom edge", {200, 198}, {200, 400}, kBottom, {0, 300, 400, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drag(c.from, c.to);
        EXPECT_EQ(c.expected, RectOf(c.id));
        EXPECT_FALSE(dynamic_cast<HXConSplitter*>(window_->FindControl(kLeftBar))->IsDragging());
    }
    // The client took what the panels left.
    EXPECT_EQ((RECT{4, 0, 346, 296}), RectOf(kClient));
    gui_test::SaveScreenshot(ToQImage(window_->GetOffscreen()).copy(0, 0, kWidth, kHeight), "skin_bar_splitters");
}

TEST_F(BarSplitterTest, APressWithoutTheAssociatedControlIsIgnored)
{
    // The name is bound but no control carries it.
    ASSERT_TRUE(LoadPanels("ID_GONE"));
    auto* bar = dynamic_cast<HXConSplitter*>(window_->FindControl(kLeftBar));
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(kGone, bar->GetAssociatedId());
    Press(102, 100);
    EXPECT_FALSE(bar->IsDragging());
    EXPECT_NE(Skin(), GetCapture());
    MoveTo(150, 100);
    Release(150, 100);
    EXPECT_EQ((RECT{0, 0, 100, 236}), RectOf(kLeft));
}

TEST_F(BarSplitterTest, AnAssociatedNameNobodyBindsFailsTheSkin)
{
    EXPECT_FALSE(LoadPanels("ID_NOWHERE", false));
    EXPECT_EQ(SKINERR_SPLITTER_CONTROL, window_->GetLastErrorCode());
    EXPECT_NE(std::wstring::npos, std::wstring(window_->GetLastErrorMessage().str()).find(L"ID_NOWHERE"));
}

}  // namespace
