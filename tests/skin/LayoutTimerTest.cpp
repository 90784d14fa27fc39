// The docking layout against hand-computed rectangles (every rule,
// percentages, gaps, hidden controls, nested cells, resizing) and the
// control timers (identifiers, restarts, wrapping, dispatch through a real
// window's WM_TIMER).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "skin/HXConBase.h"
#include "skin/HXManAlign.h"
#include "skin/HXManTimer.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

// A control that records how the layout placed it and what reached it.
class Probe : public HXConBase {
public:
    explicit Probe(SkinOwner* owner, int shown = 1) : HXConBase(owner) { m_bShown = shown; }
    void OnSize(int w, int h) override { sizes.push_back(SIZE{w, h}); }
    int Draw() override
    {
        ++draws;
        return 1;
    }
    void OnTimer(int key) override { keys.push_back(key); }
    RECT rect() const { return m_rect; }
    int draws = 0;
    std::vector<SIZE> sizes;
    std::vector<int> keys;
};

SAlignInfo Rule(int type, int width = 0, int height = 0, int percent = 0)
{
    SAlignInfo a;
    a.type = type;
    a.width = width;
    a.height = height;
    a.percent = percent;
    return a;
}

SAlignInfo Fixed(int l, int t, int r, int b)
{
    SAlignInfo a = Rule(ALIGN_NONE);
    a.left = l, a.top = t, a.right = r, a.bottom = b;
    return a;
}

SAlignInfo Gapped(SAlignInfo a, int l, int t, int r, int b)
{
    a.gapLeft = l, a.gapTop = t, a.gapRight = r, a.gapBottom = b;
    return a;
}

struct Child {
    SAlignInfo rule;
    int shown = 1;
    RECT want;
};

struct LayoutCase {
    const char* name;
    int w, h;
    std::vector<Child> children;
};

TEST(HXManAlign, EveryRuleAgainstHandComputedRectangles)
{
    const LayoutCase cases[] = {
        {"worked example",
         400,
         300,
         {{Rule(ALIGN_TOP, 0, 30), 1, {0, 0, 400, 30}},
          {Rule(ALIGN_LEFT, 25, 0, 1), 1, {0, 30, 100, 300}},
          {Gapped(Rule(ALIGN_CLIENT), 2, 2, 2, 2), 1, {102, 32, 398, 298}},
          {Rule(ALIGN_RIGHTBOTTOM, 20, 20), 1, {380, 280, 400, 300}}}},
        {"strips from every edge",
         200,
         100,
         {{Rule(ALIGN_LEFT, 10), 1, {0, 0, 10, 100}},
          {Rule(ALIGN_RIGHT, 20), 1, {180, 0, 200, 100}},
          {Rule(ALIGN_TOP, 0, 5), 1, {10, 0, 180, 5}},
          {Rule(ALIGN_BOTTOM, 0, 15), 1, {10, 85, 180, 100}},
          {Rule(ALIGN_CLIENT), 1, {10, 5, 180, 85}}}},
        {"strip sizes are clamped, per cents are not",
         300,
         100,
         {{Rule(ALIGN_LEFT, 500), 1, {0, 0, 300, 100}},
          {Rule(ALIGN_LEFT, -10), 1, {300, 0, 300, 100}},
          {Rule(ALIGN_TOP, 0, 150, 1), 1, {300, 0, 300, 150}}}},
        {"per cent of the remaining extent, truncated",
         333,
         100,
         {{Rule(ALIGN_LEFT, 50, 0, 1), 1, {0, 0, 166, 100}}, {Rule(ALIGN_RIGHT, 150, 0, 1), 1, {83, 0, 333, 100}}}},
        {"a hidden top takes no height",
         100,
         100,
         {{Rule(ALIGN_TOP, 0, 30), 0, {0, 0, 100, 0}}, {Rule(ALIGN_TOP, 0, 10), 1, {0, 0, 100, 10}}}},
        {"two clients share the rest",
         100,
         50,
         {{Rule(ALIGN_TOP, 0, 10), 1, {0, 0, 100, 10}},
          {Rule(ALIGN_CLIENT), 1, {0, 10, 100, 50}},
          {Rule(ALIGN_CLIENT), 1, {0, 10, 100, 50}},
          {Rule(ALIGN_CLIENT), 0, {0, 0, 0, 0}}}},
        {"centred in what remains",
         400,
         100,
         {{Rule(ALIGN_LEFT, 100), 1, {0, 0, 100, 100}},
          {Rule(ALIGN_CENTER, 100, 20), 1, {200, 40, 300, 60}},
          {Rule(ALIGN_CENTER, 500, 30), 1, {100, 35, 400, 65}},
          {Rule(ALIGN_CENTER, 101, 21), 1, {199, 39, 300, 60}},
          {Rule(ALIGN_CENTER, 10, 10), 0, {0, 0, 0, 0}},
          {Rule(ALIGN_RIGHT, 50), 1, {350, 0, 400, 100}}}},
        {"corners",
         100,
         80,
         {{Rule(ALIGN_TOP, 0, 10), 1, {0, 0, 100, 10}},
          {Rule(ALIGN_LEFTTOP, 5, 6), 1, {0, 10, 5, 16}},
          {Rule(ALIGN_RIGHTTOP, 5, 6), 1, {95, 10, 100, 16}},
          {Rule(ALIGN_RIGHTBOTTOM, 5, 6), 1, {95, 74, 100, 80}},
          {Rule(ALIGN_LEFTBOTTOM, 500, 600), 1, {0, 10, 100, 80}},
          {Rule(ALIGN_LEFTBOTTOM, 50, 50, 1), 1, {0, 30, 50, 80}},
          {Rule(ALIGN_RIGHTTOP, 5, 6), 0, {100, 10, 100, 10}}}},
        {"fixed rectangles relative to what remains",
         200,
         100,
         {{Rule(ALIGN_TOP, 0, 30), 1, {0, 0, 200, 30}},
          {Fixed(10, 10, 60, 40), 1, {10, 40, 60, 70}},
          {Fixed(150, 50, 260, 90), 1, {150, 80, 200, 100}},
          {Fixed(300, 0, 400, 10), 1, {0, 0, 0, 0}},
          {Fixed(10, 10, 60, 40), 0, {0, 0, 0, 0}}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        skin_test::FakeSkinOwner owner;
        HXConBase window(&owner);
        HXManAlign root;
        root.SetRoot(&window);
        std::vector<std::unique_ptr<Probe>> probes;
        for (const Child& child : c.children) {
            probes.push_back(std::make_unique<Probe>(&owner, child.shown));
            root.AddChild(probes.back().get(), child.rule, 1);
        }
        root.Layout(&root, c.w, c.h);
        EXPECT_EQ(root.GetCellRect(), (RECT{0, 0, c.w, c.h}));
        for (size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(probes[i]->rect(), c.children[i].want) << "child " << i;
    }
}

TEST(HXManAlign, PopupAndNomoveKeepTheirPlaceAndChildren)
{
    skin_test::FakeSkinOwner owner;
    HXConBase window(&owner);
    HXManAlign root;
    root.SetRoot(&window);
    Probe popup(&owner), nomove(&owner), inner(&owner), after(&owner);
    popup.SetRect(7, 8, 9, 10, 0);
    nomove.SetRect(1, 2, 3, 4, 0);
    HXManAlign* popupNode = root.AddChild(&popup, Rule(ALIGN_POPUP, 50, 50), 1);
    popupNode->AddChild(&inner, Rule(ALIGN_CLIENT), 1);
    root.AddChild(&nomove, Rule(ALIGN_NOMOVE, 50, 50), 1);
    root.AddChild(&after, Rule(ALIGN_LEFT, 10), 1);
    root.Layout(&root, 100, 100);
    EXPECT_EQ(popup.rect(), (RECT{7, 8, 16, 18}));
    EXPECT_EQ(nomove.rect(), (RECT{1, 2, 4, 6}));
    EXPECT_EQ(inner.rect(), (RECT{}));
    EXPECT_EQ(after.rect(), (RECT{0, 0, 10, 100}));
}

TEST(HXManAlign, NestedCellsResizingAndSearch)
{
    skin_test::FakeSkinOwner owner;
    HXConBase window(&owner);
    HXManAlign root;
    root.SetRoot(&window);
    Probe top(&owner), side(&owner), body(&owner), button(&owner), status(&owner), deep(&owner);
    root.AddChild(&top, Rule(ALIGN_TOP, 0, 20), 1);
    HXManAlign* sideNode = root.AddChild(&side, Gapped(Rule(ALIGN_LEFT, 60), 5, 5, 5, 5), 1);
    HXManAlign* bodyNode = root.AddChild(&body, Rule(ALIGN_CLIENT), 1);
    // Children of a node lie in its cell, in window coordinates.
    HXManAlign* buttonNode = sideNode->AddChild(&button, Gapped(Rule(ALIGN_TOP, 0, 10), 2, 1, 2, 0), 1);
    bodyNode->AddChild(&status, Rule(ALIGN_BOTTOM, 0, 12), 1);
    buttonNode->AddChild(&deep, Rule(ALIGN_RIGHT, 4), 1);

    root.OnWindowSize(0, 300, 200);
    EXPECT_EQ(top.rect(), (RECT{0, 0, 300, 20}));
    EXPECT_EQ(side.rect(), (RECT{5, 25, 55, 195}));
    EXPECT_EQ(body.rect(), (RECT{60, 20, 300, 200}));
    EXPECT_EQ(button.rect(), (RECT{7, 26, 53, 35}));
    EXPECT_EQ(deep.rect(), (RECT{49, 26, 53, 35}));
    EXPECT_EQ(status.rect(), (RECT{60, 188, 300, 200}));
    EXPECT_EQ(sideNode->GetCellRect(), (RECT{5, 25, 55, 195}));  // in the parent's coordinates
    EXPECT_EQ(buttonNode->GetCellRect(), (RECT{2, 1, 48, 10}));

    // Maximized lays out again; minimized and other size types change nothing.
    root.OnWindowSize(2, 500, 100);
    EXPECT_EQ(body.rect(), (RECT{60, 20, 500, 100}));
    EXPECT_EQ(status.rect(), (RECT{60, 88, 500, 100}));
    root.OnWindowSize(1, 50, 50);
    root.OnWindowSize(3, 50, 50);
    EXPECT_EQ(body.rect(), (RECT{60, 20, 500, 100}));
    ASSERT_FALSE(body.sizes.empty());
    EXPECT_EQ(body.sizes.back(), (SIZE{440, 80}));

    EXPECT_EQ(root.FindNode(&deep), buttonNode->GetChild(0));
    EXPECT_EQ(root.FindNode(&status)->GetParent(), bodyNode);
    EXPECT_EQ(root.FindNode(&window), nullptr);
    Probe stranger(&owner);
    EXPECT_EQ(root.FindNode(&stranger), nullptr);

    // A splitter moves a node's cell; its children follow.
    root.SetCell(sideNode, 0, 20, 100, 100);
    EXPECT_EQ(side.rect(), (RECT{5, 25, 95, 95}));
    EXPECT_EQ(deep.rect(), (RECT{89, 26, 93, 35}));

    // The root's repaint flag decides whether placing draws.
    const int before = top.draws;
    root.SetRepaint(0);
    root.Layout(&root, 300, 200);
    EXPECT_EQ(top.draws, before);
    root.SetRepaint(1);
    root.Layout(&root, 300, 200);
    EXPECT_EQ(top.draws, before + 1);
}

TEST(HXManAlign, HostileSizesStayInRange)
{
    skin_test::FakeSkinOwner owner;
    HXConBase window(&owner);
    HXManAlign root;
    root.SetRoot(&window);
    Probe a(&owner), b(&owner), c(&owner), d(&owner);
    root.AddChild(&a, Rule(ALIGN_LEFT, 2147483647, 0, 1), 1);
    root.AddChild(&b, Gapped(Rule(ALIGN_CLIENT), -2147483647, -2147483647, 2147483647, 2147483647), 1);
    root.AddChild(&c, Fixed(-2147483647, -2147483647, 2147483647, 2147483647), 1);
    HXManAlign* node = root.AddChild(&d, Rule(ALIGN_CENTER, 2147483647, -2147483647), 1);
    node->AddChild(&a, Rule(ALIGN_TOP, 0, 5), 1);
    root.Layout(&root, 2147483647, 2147483647);
    root.Layout(&root, -5, -5);
    SUCCEED();
}

// A manager whose counter can be moved near its end.
class TestTimers : public HXManTimer {
public:
    using HXManTimer::HXManTimer;
    void SetLast(UINT id) { m_nLastId = id; }
};

TEST(HXManTimer, IdentifiersRestartsAndWrapping)
{
    skin_test::FakeSkinOwner owner;
    Probe a(&owner), b(&owner);
    TestTimers timers;
    EXPECT_EQ(timers.SetControlTimer(&a, 1, 100), 1);
    EXPECT_EQ(timers.FindTimer(&a, 1)->id, 101u);
    EXPECT_EQ(timers.SetControlTimer(&a, 1, 250), 1);
    EXPECT_EQ(timers.GetTimerCount(), 1u);
    EXPECT_EQ(timers.FindTimer(&a, 1)->id, 101u);
    EXPECT_EQ(timers.FindTimer(&a, 1)->interval, 250);
    timers.SetControlTimer(&b, 1, 100);
    EXPECT_EQ(timers.FindTimer(&b, 1)->id, 102u);
    EXPECT_EQ(timers.GetTimerCount(), 2u);

    timers.SetLast(HXManTimer::kLastId - 1);
    timers.SetControlTimer(&a, 2, 10);
    EXPECT_EQ(timers.FindTimer(&a, 2)->id, HXManTimer::kLastId);
    timers.SetControlTimer(&a, 3, 10);
    EXPECT_EQ(timers.FindTimer(&a, 3)->id, 100u);
    // 101 and 102 are still in use.
    timers.SetControlTimer(&a, 4, 10);
    EXPECT_EQ(timers.FindTimer(&a, 4)->id, 103u);

    EXPECT_EQ(timers.OnTimer(102), 1);
    EXPECT_EQ(timers.OnTimer(100), 1);
    EXPECT_EQ(timers.OnTimer(5), 0);
    EXPECT_EQ(timers.OnTimer(0x1'0000'0065ull), 0);
    EXPECT_EQ(b.keys, (std::vector<int>{1}));
    EXPECT_EQ(a.keys, (std::vector<int>{3}));
    timers.KillAllTimers();
    EXPECT_EQ(timers.GetTimerCount(), 0u);
    EXPECT_EQ(timers.OnTimer(101), 0);
}

class HXManTimerWindow : public gui_test::GuiTest {};

TEST_F(HXManTimerWindow, TicksReachTheControlThroughTheWindow)
{
    skin_test::FakeSkinOwner owner;
    Probe a(&owner), b(&owner);
    HWND window = gui_test::MakeTop(0, 0, 50, 50);
    HXManTimer timers(window);
    std::vector<UINT_PTR> unknown;
    gui_test::SetHandler(window, [&](HWND, UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_TIMER) return std::nullopt;
        if (!timers.OnTimer(wp)) unknown.push_back(wp);
        return 0;
    });
    SetTimer(window, 7, 100, nullptr);  // the window's own timer
    timers.SetControlTimer(&a, 42, 100);
    timers.SetControlTimer(&b, 42, 300);
    clock_.Advance(150);
    gui_test::Pump();
    clock_.Advance(150);
    gui_test::Pump();
    EXPECT_EQ(a.keys.size(), 2u);
    EXPECT_EQ(b.keys, (std::vector<int>{42}));
    EXPECT_FALSE(unknown.empty());
    for (UINT_PTR id : unknown) EXPECT_EQ(id, 7u);
    // Restarting with a longer interval wins.
    timers.SetControlTimer(&a, 42, 1000);
    const size_t ticks = a.keys.size();
    clock_.Advance(500);
    gui_test::Pump();
    EXPECT_EQ(a.keys.size(), ticks);
    timers.KillAllTimers();
    clock_.Advance(5000);
    gui_test::Pump();
    EXPECT_EQ(a.keys.size(), ticks);
    KillTimer(window, 7);
    DestroyWindow(window);
}

}  // namespace
