// The control base (attributes, docking rules, texts, show and enable
// messages, notify records, sizes, the debug outline, text drawing with a
// shadow) and the skin fonts (image fonts cell by cell, GDI fonts with a
// pinned face, Korean text), drawn into skin bitmaps whose pictures are
// saved under the build folder.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/MessageQueue.h"
#include "skin/AttributeValues.h"
#include "skin/HXConBase.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "tests/fuzz/SkinFuzzTargets.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/ControlTestSupport.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

using skin_test::Element;
using skin_test::Pixel;
using skin_test::ToQImage;

class Probe : public HXConBase {
public:
    using HXConBase::HXConBase;
    void OnSize(int w, int h) override { sizes.push_back(SIZE{w, h}); }
    std::vector<SIZE> sizes;
};

// The bounds of the pixels that differ from the background (right and
// bottom outside); an empty rectangle when there are none.
RECT Ink(const HDib& dib, COLORREF background, const RECT* within = nullptr)
{
    RECT ink{dib.GetWidth(), dib.GetHeight(), 0, 0};
    for (int y = 0; y < dib.GetHeight(); ++y)
        for (int x = 0; x < dib.GetWidth(); ++x) {
            if (within && (x < within->left || x >= within->right || y < within->top || y >= within->bottom)) continue;
            if (Pixel(dib, x, y) == background) continue;
            ink.left = std::min<LONG>(ink.left, x);
            ink.top = std::min<LONG>(ink.top, y);
            ink.right = std::max<LONG>(ink.right, x + 1);
            ink.bottom = std::max<LONG>(ink.bottom, y + 1);
        }
    if (ink.right <= ink.left) return RECT{};
    return ink;
}

TEST(HXConBase, DefaultsAndCommonAttributes)
{
    skin_test::FakeSkinOwner owner;
    owner.texts[L"$TIP"] = L"말풍선";
    HCURSOR hand = reinterpret_cast<HCURSOR>(0x1234);
    owner.cursors[L"hand"] = hand;
    HDib surface;
    struct Case {
        std::string attributes;
        std::function<void(HXConBase&)> check;
    } cases[] = {
        {"",
         [&](HXConBase& c) {
             EXPECT_TRUE(c.GetTooltip().IsEmpty());
             EXPECT_EQ(c.GetInnerGaps(), (RECT{}));
             EXPECT_EQ(c.GetMinSize(), (SIZE{-1, -1}));
             EXPECT_EQ(c.GetNcHitTest(), -1);
             EXPECT_TRUE(c.IsShown());
             EXPECT_TRUE(c.IsEnabled());
             EXPECT_EQ(c.GetTextFormat(), 0x824u);
             EXPECT_EQ(c.GetShadowColor(), static_cast<COLORREF>(-1));
             EXPECT_EQ(c.GetTextColor(), 0u);
             EXPECT_EQ(c.GetListFlag(), 1);
             EXPECT_EQ(c.GetDebugLevel(), 0);
             EXPECT_EQ(c.GetControlCursor(), nullptr);
         }},
        {"Tooltip=\"$TIP\"", [](HXConBase& c) { EXPECT_EQ(c.GetTooltip(), CString(L"말풍선")); }},
        {"Tooltip=\"$NONE\"", [](HXConBase& c) { EXPECT_EQ(c.GetTooltip(), CString(L"$NONE")); }},
        {"Tooltip=\"costs $TIP\"", [](HXConBase& c) { EXPECT_EQ(c.GetTooltip(), CString(L"costs $TIP")); }},
        {"InnerGaps=\"1,2,3,4\"",
         [](HXConBase& c) {
             EXPECT_EQ(c.GetInnerGaps(), (RECT{1, 2, 3, 4}));
         }},
        {"InnerGaps=\"5,6\"",
         [](HXConBase& c) {
             EXPECT_EQ(c.GetInnerGaps(), (RECT{5, 6, 0, 0}));
         }},
        {"MinSize=\"10,20\"",
         [](HXConBase& c) {
             EXPECT_EQ(c.GetMinSize(), (SIZE{10, 20}));
         }},
        {"MinSize=\"15\"",
         [](HXConBase& c) {
             EXPECT_EQ(c.GetMinSize(), (SIZE{15, -1}));
         }},
        {"NcHitTest=\"HTCAPTION\"", [](HXConBase& c) { EXPECT_EQ(c.GetNcHitTest(), 2); }},
        {"NcHitTest=\"17\"", [](HXConBase& c) { EXPECT_EQ(c.GetNcHitTest(), 17); }},
        {"NcHitTest=\"htcaption\"", [](HXConBase& c) { EXPECT_EQ(c.GetNcHitTest(), -2); }},
        {"Show=\"0\" Enable=\"0\" Debug=\"2\"",
         [](HXConBase& c) {
             EXPECT_FALSE(c.IsShown());
             EXPECT_FALSE(c.IsEnabled());
             EXPECT_EQ(c.GetDebugLevel(), 2);
         }},
        {"CursorName=\"hand\"",
         [&](HXConBase& c) {
             EXPECT_EQ(c.GetControlCursor(), hand);
             EXPECT_EQ(c.GetCursor(0, 0), hand);
             c.SetEnabled(0, 0);
             EXPECT_EQ(c.GetCursor(0, 0), nullptr);  // a disabled control has no cursor
         }},
        {"CursorName=\"none\"", [](HXConBase& c) { EXPECT_EQ(c.GetControlCursor(), nullptr); }},
        {"ControlData=\"a=1;b=2\"", [](HXConBase& c) { EXPECT_EQ(c.GetControlData(), CString(L"a=1;b=2")); }},
    };
    for (const Case& c : cases) {
        Element e("<ButtonControl " + c.attributes + "/>");
        HXConBase control(&owner);
        EXPECT_EQ(control.LoadAttributes(reinterpret_cast<HWND>(0x99), &surface, e.get()), 1);
        EXPECT_EQ(control.GetHostWindow(), reinterpret_cast<HWND>(0x99));
        EXPECT_EQ(control.GetSurface(), &surface);
        SCOPED_TRACE(c.attributes);
        c.check(control);
    }
}

TEST(HXConBase, DockingRules)
{
    skin_test::FakeSkinOwner owner;
    struct Case {
        std::string attributes;
        int result;
        int error;
        SAlignInfo want;
    };
    auto rule = [](int type, int w, int h, int l, int t, int r, int b, int gl, int gr, int gt, int gb, int pct) {
        SAlignInfo a;
        a.type = type, a.width = w, a.height = h, a.left = l, a.top = t, a.right = r, a.bottom = b;
        a.gapLeft = gl, a.gapRight = gr, a.gapTop = gt, a.gapBottom = gb, a.percent = pct;
        return a;
    };
    const Case cases[] = {
        {"", 0, 1, {}},
        {"Align=\"Left\"", 0, 2, {}},
        {"Align=\"\"", 0, 2, {}},
        {"Align=\"left\"", 1, 0, rule(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"top\" Height=\"30\"", 1, 0, rule(1, 0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"bottom\"", 1, 0, rule(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"right\" Width=\"50%\"", 1, 0, rule(3, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1)},
        {"Align=\"client\" Gaps=\"1,2,3,4\"", 1, 0, rule(4, 0, 0, 0, 0, 0, 0, 1, 3, 2, 4, 0)},
        {"Align=\"center\" Width=\"20\" Height=\"10%\"", 1, 0, rule(5, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 1)},
        {"Align=\"popup\"", 1, 0, rule(6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"lefttop\"", 1, 0, rule(7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"righttop\"", 1, 0, rule(8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"rightbottom\"", 1, 0, rule(9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"leftbottom\"", 1, 0, rule(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"nomove\"", 1, 0, rule(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"none\" Left=\"10\" Top=\"5\" Right=\"500\" Width=\"100\"", 1, 0,
         rule(11, 100, 0, 10, 5, 110, 0, 0, 0, 0, 0, 0)},
        {"Align=\"none\" Rect=\"1,2,3,4\" Left=\"9\" Bottom=\"9\"", 1, 0, rule(11, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0)},
        {"Align=\"none\" Rect=\"1,2\" Height=\"7\"", 1, 0, rule(11, 0, 7, 1, 2, 0, 9, 0, 0, 0, 0, 0)},
        {"Align=\"left\" Width=\"autosize\"", 1, 0, rule(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"Align=\"left\" Left=\"10\" Width=\"100\"", 1, 0, rule(0, 100, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        Element e("<StaticControl " + c.attributes + "/>");
        HXConBase control(&owner);
        SAlignInfo info;
        int error = -1;
        EXPECT_EQ(control.LoadAlign(e.get(), &info, &error), c.result) << c.attributes;
        if (!c.result) {
            EXPECT_EQ(error, c.error) << c.attributes;
            continue;
        }
        EXPECT_EQ(std::memcmp(&info, &c.want, sizeof info), 0)
            << c.attributes << ": type " << info.type << " w " << info.width << " h " << info.height << " l "
            << info.left << " t " << info.top << " r " << info.right << " b " << info.bottom << " gaps " << info.gapLeft
            << "," << info.gapRight << "," << info.gapTop << "," << info.gapBottom << " pct " << info.percent;
    }
    Element gaps("<StaticControl Align=\"left\" Gaps=\"4,3,2,1\"/>");
    HXConBase control(&owner);
    SAlignInfo info;
    int error = 0;
    ASSERT_TRUE(control.LoadAlign(gaps.get(), &info, &error));
    EXPECT_EQ(control.GetGaps(), (RECT{4, 3, 2, 1}));
}

TEST(HXConBase, SizesTextsAndHitTests)
{
    skin_test::FakeSkinOwner owner;
    Probe control(&owner);
    control.SetRect(10, 20, 30, 40, 0);
    RECT r;
    control.GetRect(&r);
    EXPECT_EQ(r, (RECT{10, 20, 40, 60}));
    SIZE s;
    control.GetSize(&s);
    EXPECT_EQ(s, (SIZE{30, 40}));
    control.SetRect(0, 0, 30, 40, 0);  // moved, same size: no OnSize
    control.SetRect(0, 0, 31, 40, 0);
    ASSERT_EQ(control.sizes.size(), 2u);
    EXPECT_EQ(control.sizes[1], (SIZE{31, 40}));
    EXPECT_EQ(control.ToLocal(5, 7), (POINT{5, 7}));
    control.SetRect(100, 50, 40, 10, 0);
    EXPECT_EQ(control.ToLocal(105, 57), (POINT{5, 7}));
    struct Hit {
        int x, y, want;
    } hits[] = {{0, 0, 1}, {39, 9, 1}, {40, 0, 0}, {0, 10, 0}, {-1, 0, 0}, {0, -1, 0}};
    for (const Hit& h : hits) EXPECT_EQ(control.HitTest(h.x, h.y), h.want) << h.x << "," << h.y;

    for (int i = 0; i < 6; ++i) control.SetText(FormatText(L"t%d", i).c_str(), i);
    control.SetText(L"x", 6);
    control.SetText(L"x", -1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(control.GetText(i), CString(FormatText(L"t%d", i)));
    EXPECT_TRUE(control.GetText(6).IsEmpty());
    EXPECT_TRUE(control.GetText(-1).IsEmpty());

    struct TooSmall {
        int w, h, minW, minH;
        bool want;
    } sizes[] = {{39, 10, 40, 0, true}, {40, 10, 40, 0, false}, {1, 1, 0, 0, false}, {0, 10, 0, 0, true},
                 {10, 0, -1, -1, true}, {10, 5, -1, 6, true},   {10, 5, 2, 5, false}};
    for (const TooSmall& t : sizes) {
        Element e("<StaticControl MinSize=\"" + std::to_string(t.minW) + "," + std::to_string(t.minH) + "\"/>");
        HXConBase c(&owner);
        c.LoadAttributes(nullptr, nullptr, e.get());
        c.SetRect(3, 3, t.w, t.h, 0);
        EXPECT_EQ(c.IsTooSmall(), t.want) << t.w << "x" << t.h << " min " << t.minW << "x" << t.minH;
    }
    // Timers, images and notifications go to the owner.
    control.StartTimer(5, 250);
    ASSERT_EQ(owner.timers.size(), 1u);
    EXPECT_EQ(owner.timers[0].control, &control);
    EXPECT_EQ(owner.timers[0].key, 5);
    EXPECT_EQ(owner.timers[0].interval, 250);
    EXPECT_EQ(control.NotifyApplication(3, 9), 77);
    EXPECT_EQ(owner.notifications.back(), (std::pair<WPARAM, LPARAM>{3, 9}));
    EXPECT_EQ(control.FindImage(L"missing"), nullptr);
}

class HXConBaseWindow : public gui_test::GuiTest {};

TEST_F(HXConBaseWindow, MessagesToTheHostWindow)
{
    skin_test::FakeSkinOwner owner;
    HWND host = gui_test::MakeTop(0, 0, 50, 50);
    std::vector<SControlNotify> records;
    gui_test::SetHandler(host, [&](HWND, UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg == SkinControlNotifyMessage()) {
            records.push_back(*reinterpret_cast<SControlNotify*>(wp));
            return 55;
        }
        return std::nullopt;
    });
    HXConBase control(&owner);
    control.LoadAttributes(host, nullptr, nullptr);
    const UINT invalid = SkinInvalidControlMessage(), refresh = SkinRefreshControlMessage();
    auto count = [&](UINT message) { return gui_test::MessagesOf(host, {message}).size(); };
    const WPARAM self = reinterpret_cast<WPARAM>(&control);

    control.SetEnabled(1, 1);  // unchanged: nothing
    EXPECT_EQ(count(invalid), 0u);
    control.SetEnabled(0, 0);  // changed without notify: nothing
    EXPECT_EQ(count(invalid), 0u);
    control.SetEnabled(1, 1);
    ASSERT_EQ(count(invalid), 1u);
    EXPECT_EQ(gui_test::LogOf({invalid}).back().wParam, self);
    control.SetText(L"a", 2);
    EXPECT_EQ(count(invalid), 2u);
    control.SetText(L"a", 6);  // ignored
    EXPECT_EQ(count(invalid), 2u);
    control.InvalidateControl();
    EXPECT_EQ(count(invalid), 3u);

    control.SetVisible(1, 1);  // posted even when unchanged
    control.SetVisible(0, 0);
    EXPECT_FALSE(control.IsShown());
    control.RefreshControl();
    gui_test::Pump();
    EXPECT_EQ(count(refresh), 2u);
    EXPECT_EQ(gui_test::LogOf({refresh}).back().wParam, self);

    EXPECT_EQ(control.SendControlNotify(0x111, 7, 8), 55);
    EXPECT_EQ(control.PostControlNotify(0x111, 9, 10), 55);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message, 0x111u);
    EXPECT_EQ(records[0].wParam, 7u);
    EXPECT_EQ(records[0].lParam, 8);
    EXPECT_EQ(records[0].send, 1);
    EXPECT_EQ(records[1].wParam, 9u);
    EXPECT_EQ(records[1].send, 0);

    RECT screen;
    control.SetRect(5, 6, 10, 10, 0);
    control.GetScreenRect(&screen);
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    EXPECT_EQ(screen, (RECT{origin.x + 5, origin.y + 6, origin.x + 15, origin.y + 16}));

    // Without a host window nothing is sent.
    DestroyWindow(host);
    const size_t logged = gui_test::Log().size();
    control.SetEnabled(0, 1);
    control.SetVisible(1, 1);
    EXPECT_EQ(control.SendControlNotify(1, 2, 3), 0);
    gui_test::Pump();
    EXPECT_EQ(gui_test::Log().size(), logged);
}

TEST(HXConBase, DebugOutline)
{
    skin_test::FakeSkinOwner owner;
    const COLORREF white = RGB(255, 255, 255);
    struct Case {
        int control, window;
        bool outline, diagonals;
    } cases[] = {{0, 0, false, false}, {1, 0, true, false}, {0, 1, true, false}, {1, 1, true, false},
                 {2, 0, true, true},   {0, 2, true, true},  {1, 2, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << " window " << c.window);
        HDib surface;
        ASSERT_TRUE(surface.CreateFilled(30, 20, 24, white));
        HXConBase control(&owner);
        Element e("<StaticControl Debug=\"" + std::to_string(c.control) + "\"/>");
        control.LoadAttributes(nullptr, &surface, e.get());
        HXConBase::SetSkinDebugLevel(c.window);
        control.SetRect(5, 4, 11, 11, 1);
        HXConBase::SetSkinDebugLevel(0);
        surface.ReleaseDC();
        if (c.diagonals) gui_test::SaveScreenshot(ToQImage(surface), "skin_debug_outline_diagonals");
        // The outline is exact; the drawing layer's diagonals may land one
        // pixel beside the ideal line, so they are checked within that band.
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool edge =
                    (x >= 5 && x <= 15 && (y == 4 || y == 14)) || (y >= 4 && y <= 14 && (x == 5 || x == 15));
                const bool inside = x > 5 && x < 15 && y > 4 && y < 14;
                const bool red = Pixel(surface, x, y) == RGB(255, 0, 0);
                if (!inside) {
                    ASSERT_EQ(Pixel(surface, x, y), c.outline && edge ? RGB(255, 0, 0) : white) << x << "," << y;
                    continue;
                }
                const bool nearDiagonal = std::abs((x - 5) - (y - 4)) <= 1 || std::abs((15 - x) - (y - 4)) <= 1;
                if (!c.diagonals || !nearDiagonal) {
                    ASSERT_FALSE(red) << x << "," << y;
                }
            }
        if (c.diagonals)
            for (int y = 6; y < 13; ++y) {
                int left = 0, right = 0;  // ink near each diagonal in this row
                for (int x = 6; x < 15; ++x) {
                    if (Pixel(surface, x, y) != RGB(255, 0, 0)) continue;
                    if (std::abs((x - 5) - (y - 4)) <= 1) ++left;
                    if (std::abs((15 - x) - (y - 4)) <= 1) ++right;
                }
                EXPECT_GE(left, 1) << "row " << y;
                EXPECT_GE(right, 1) << "row " << y;
            }
    }
    // The outline keeps to the surface's clip; an empty control draws nothing.
    HDib surface;
    ASSERT_TRUE(surface.CreateFilled(30, 20, 24, white));
    RECT clip{0, 0, 10, 20};
    surface.SetClipRect(&clip);
    HXConBase control(&owner);
    Element e("<StaticControl Debug=\"1\"/>");
    control.LoadAttributes(nullptr, &surface, e.get());
    control.SetRect(5, 4, 11, 11, 1);
    surface.ReleaseDC();
    EXPECT_EQ(Ink(surface, white), (RECT{5, 4, 10, 15}));
    RECT kept;
    ASSERT_TRUE(surface.GetClipRect(&kept));
    EXPECT_EQ(kept, clip);
    HXConBase empty(&owner);
    empty.LoadAttributes(nullptr, &surface, e.get());
    surface.SetClipRect(nullptr);
    surface.Fill(white);
    empty.SetRect(3, 3, 0, 5, 1);
    EXPECT_EQ(empty.Draw(), 1);
    surface.ReleaseDC();
    EXPECT_EQ(Ink(surface, white), (RECT{}));
}

// ---- Fonts -------------------------------------------------------------------------------

// A strip of ten 10 x 12 cells for the digits 0 to 9: cell i is the colour
// RGB(20 i, 100, 50) with a key-coloured column at its right edge.
std::unique_ptr<HDib> DigitStrip()
{
    auto strip = std::make_unique<HDib>();
    EXPECT_TRUE(strip->Create(100, 12, 24));
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 12; ++y)
            skin_test::SetPixel24(*strip, x, y,
                                  x % 10 == 9 ? HDib::kKeyColor : RGB(static_cast<BYTE>(20 * (x / 10)), 100, 50));
    return strip;
}

TEST(HXSubFont, ImageFontCells)
{
    skin_test::FakeSkinOwner owner;
    owner.images[L"digits"] = DigitStrip();
    HXSubFont font;
    EXPECT_EQ(font.Begin(nullptr), 0);  // not loaded
    EXPECT_EQ(font.Load(&owner, L"none", L"0123456789"), 0);
    EXPECT_EQ(font.Load(&owner, L"digits", L""), 0);
    ASSERT_EQ(font.Load(&owner, L"digits", L"0123456789"), 1);
    EXPECT_EQ(font.Load(&owner, L"digits", L"0123456789"), 0);
    EXPECT_EQ(font.SetFont(CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, L"DejaVu Sans")), 0);
    EXPECT_EQ(font.GetCellWidth(), 10);
    EXPECT_EQ(font.GetCellHeight(), 12);
    EXPECT_EQ(font.Begin(nullptr), 1);
    EXPECT_EQ(font.End(nullptr), 1);
    SIZE size;
    font.MeasureText(L"12\n\n345", &size);
    EXPECT_EQ(size, (SIZE{30, 24}));

    const COLORREF bg = RGB(1, 1, 1);
    auto cellColour = [](int digit) { return RGB(static_cast<BYTE>(20 * digit), 100, 50); };
    struct Case {
        const wchar_t* text;
        RECT rect;
        UINT flags;
        int left, top;  // where the first cell lands
    } cases[] = {
        {L"2", {5, 3, 60, 40}, 0, 5, 3},
        {L"2x4", {5, 3, 60, 40}, 0, 5, 3},  // x has no cell: a gap of one cell
        {L"24", {5, 3, 60, 40}, DT_VCENTER, 5, 3 + (37 - 12) / 2},
        {L"24", {5, 3, 60, 40}, DT_BOTTOM, 5, 40 - 12},
        {L"24", {5, 3, 60, 40}, DT_CENTER, 5 + (55 - 20) / 2, 3},
        {L"24", {5, 3, 60, 40}, DT_RIGHT, 60 - 20, 3},
        {L"24", {5, 3, 60, 40}, DT_VCENTER | DT_BOTTOM, 5, 40 - 12},
        {L"123456", {20, 0, 40, 20}, DT_CENTER, 20 + (20 - 60) / 2, 0},  // wider than the rectangle: cut
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << WideToUtf8(c.text) << " flags " << c.flags);
        HDib target;
        ASSERT_TRUE(target.CreateFilled(70, 45, 24, bg));
        ASSERT_EQ(font.DrawText(nullptr, &target, c.text, c.rect, c.flags, RGB(255, 0, 0)), 1);
        EXPECT_FALSE(target.GetClipRect(nullptr));  // no clip before, none after
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 70; ++x) {
                COLORREF want = bg;
                const int i = (x - c.left) / 10;
                const bool inRect = x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom;
                if (x >= c.left && y >= c.top && y < c.top + 12 && i < static_cast<int>(std::wcslen(c.text)) &&
                    inRect) {
                    wchar_t ch = c.text[i];
                    if (ch >= L'0' && ch <= L'9' && (x - c.left) % 10 != 9) want = cellColour(ch - L'0');
                }
                ASSERT_EQ(Pixel(target, x, y), want) << x << "," << y;
            }
    }
    // The target's own clip is intersected, and comes back afterwards.
    HDib target;
    ASSERT_TRUE(target.CreateFilled(70, 45, 24, bg));
    RECT dirty{0, 0, 12, 45};
    target.SetClipRect(&dirty);
    ASSERT_TRUE(font.DrawText(nullptr, &target, L"22", RECT{5, 3, 60, 40}, 0, 0));
    EXPECT_EQ(Ink(target, bg), (RECT{5, 3, 12, 15}));
    RECT kept;
    ASSERT_TRUE(target.GetClipRect(&kept));
    EXPECT_EQ(kept, dirty);
    // Without a target image the cells go to the DC.
    HDib screen;
    ASSERT_TRUE(screen.CreateFilled(40, 20, 32, bg));
    ASSERT_TRUE(font.DrawText(screen.GetDC(), nullptr, L"7", RECT{3, 2, 40, 20}, 0, 0));
    screen.ReleaseDC();
    EXPECT_EQ(Pixel(screen, 3, 2), cellColour(7));
    EXPECT_EQ(Pixel(screen, 12, 13), HDib::kKeyColor);  // copied as it is
}

TEST(HXSubFont, GdiFontsSelectOnceAndDrawInside)
{
    HXSubFont font;
    ASSERT_EQ(font.SetFont(CreateFontW(FontHeightFromPoints(12), 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                       ANTIALIASED_QUALITY, 0, L"DejaVu Sans")),
              1);
    EXPECT_EQ(font.SetFont(nullptr), 0);
    HDib surface;
    const COLORREF white = RGB(255, 255, 255);
    ASSERT_TRUE(surface.CreateFilled(120, 40, 24, white));
    HDC dc = surface.GetDC();
    HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
    const RECT box{10, 5, 110, 35};
    EXPECT_EQ(font.DrawText(dc, &surface, L"Skin", box, DT_SINGLELINE, 0), 0);  // not selected yet
    ASSERT_EQ(font.Begin(dc), 1);
    EXPECT_EQ(font.Begin(dc), 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.GetFont());
    SetBkMode(dc, TRANSPARENT);
    ASSERT_EQ(font.DrawText(dc, &surface, L"Skin", box, DT_SINGLELINE | DT_VCENTER | DT_CENTER, RGB(0, 0, 0)), 1);
    SIZE extent, measured;
    GetTextExtentPoint32W(dc, L"Skin", 4, &extent);
    ASSERT_EQ(font.End(dc), 1);
    EXPECT_EQ(font.End(dc), 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), original);  // the first previous font came back
    font.MeasureText(L"Skin\nSkin", &measured);
    EXPECT_EQ(measured.cx, extent.cx);
    EXPECT_EQ(measured.cy, 2 * extent.cy);
    surface.ReleaseDC();
    gui_test::SaveScreenshot(ToQImage(surface), "skin_font_dejavu");
    RECT ink = Ink(surface, white);
    EXPECT_GE(ink.left, box.left);
    EXPECT_LE(ink.right, box.right);
    // Centred: the ink's middle is within a few pixels of the box's middle.
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 60, 3);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 20, 4);
    EXPECT_NEAR(ink.right - ink.left, extent.cx, 3);
}

// Text of a control with a shadow, in a pinned font and in Korean, with
// and without a skin font, inside the inner gaps and within the surface's clip.
TEST(HXConBase, ControlTextWithShadow)
{
    skin_test::FakeSkinOwner owner;
    const COLORREF white = RGB(255, 255, 255);
    struct Case {
        const char* name;
        const wchar_t* face;  // null: the DC's font
        const wchar_t* text;
        bool clip;
    } cases[] = {
        {"dejavu", L"DejaVu Sans", L"Start 123", false},
        {"nanum", L"NanumGothic", L"인코딩 시작", false},
        {"dc_font", nullptr, L"기본 글꼴", false},
        {"dejavu_clipped", L"DejaVu Sans", L"Start 123", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<HXSubFont> font;
        if (c.face) {
            font = std::make_unique<HXSubFont>();
            font->SetFont(CreateFontW(FontHeightFromPoints(11), 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                      ANTIALIASED_QUALITY, 0, c.face));
        }
        auto render = [&](COLORREF shadow, RECT* clipOut) {
            auto surface = std::make_unique<HDib>();
            EXPECT_TRUE(surface->CreateFilled(160, 50, 24, white));
            RECT clip{0, 0, 60, 50};
            if (c.clip) surface->SetClipRect(&clip);
            HXConBase control(&owner);
            Element e("<ButtonControl InnerGaps=\"6,4,6,4\"/>");
            control.LoadAttributes(nullptr, surface.get(), e.get());
            control.SetRect(10, 5, 140, 40, 0);
            control.SetFont(font.get());
            control.SetTextColor(RGB(0, 0, 0));
            control.SetShadowColor(shadow);
            control.SetTextFormat(DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
            control.SetText(c.text, 1);
            control.DrawControlText(0);  // empty: nothing
            control.DrawControlText(6);  // outside: nothing
            control.DrawControlText(1);
            surface->ReleaseDC();
            if (c.clip) {
                RECT kept;
                EXPECT_TRUE(surface->GetClipRect(&kept));
                EXPECT_EQ(kept, clip);
                if (clipOut) *clipOut = clip;
            }
            return surface;
        };
        RECT clip{};
        auto plain = render(static_cast<COLORREF>(-1), &clip);
        auto shadowed = render(RGB(0, 0, 0), nullptr);
        gui_test::SaveScreenshot(ToQImage(*shadowed), std::string("skin_control_text_") + c.name);
        const RECT a = Ink(*plain, white), b = Ink(*shadowed, white);
        ASSERT_LT(a.left, a.right) << "no ink";
        // Inside the inner gaps (the shadow may pass them by its one pixel).
        EXPECT_GE(a.left, 16);
        EXPECT_GE(a.top, 9);
        EXPECT_LE(a.right, 144);
        EXPECT_LE(a.bottom, 41);
        if (c.clip) {
            EXPECT_LE(a.right, clip.right);
            EXPECT_LE(b.right, clip.right);
            continue;
        }
        // The shadow is the text moved one pixel right and down.
        EXPECT_EQ(b, (RECT{a.left, a.top, a.right + 1, a.bottom + 1}));
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 160; ++x)
                if (Pixel(*plain, x, y) != white && x + 1 < 160 && y + 1 < 50) {
                    ASSERT_NE(Pixel(*shadowed, x + 1, y + 1), white) << x << "," << y;
                }
        // Centred in the text rectangle within a few pixels.
        EXPECT_NEAR((a.left + a.right) / 2.0, 80, 3);
    }
}

// The fuzz targets' bodies on a few inputs, so that every build runs them.
TEST(SkinFuzzReplay, BitmapsAndAttributes)
{
    std::vector<std::string> bitmaps = {
        skin_test::BmpBytes(5, 3, 24, BI_RGB, {}, std::vector<BYTE>(48, 0xFF)),
        skin_test::BmpBytes(4, 2, 8, BI_RLE8, {{0, 0, 0, 0}, {255, 0, 255, 0}}, {4, 1, 0, 0, 2, 0, 0, 1}),
        skin_test::BmpBytes(7, 2, 4, BI_RLE4, {{1, 2, 3, 0}}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 9, 9}),
        skin_test::BmpBytes(9, 9, 1, BI_RGB, {{0, 0, 0, 0}, {255, 255, 255, 0}}, std::vector<BYTE>(36, 0xA5)),
    };
    uint32_t state = 99;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::string& bmp : bitmaps) {
        for (size_t cut = 0; cut <= bmp.size(); ++cut)
            FuzzSkinBitmap(reinterpret_cast<const uint8_t*>(bmp.data()), cut);
        for (int i = 0; i < 300; ++i) {
            std::string b = bmp;
            b[next() % b.size()] = static_cast<char>(next());
            FuzzSkinBitmap(reinterpret_cast<const uint8_t*>(b.data()), b.size());
        }
    }
    const std::vector<std::string> texts = {
        "1,2,3,4",
        "#ff8000",
        "hcenter|vcenter",
        "<Font FontName=\"f\" FaceName=\"DejaVu Sans\" Size=\"-2147483648\" Bold=\"1\"/>",
        "<SetWindowRgn><Rgn Type=\"bitmap\" Param=\"img\"/><Rgn Type=\"roundrect\" "
        "Param=\"-2147483648,0,2147483647,5,99999,-9\" Mode=\"xor\"/></SetWindowRgn>",
        "<StaticControl Align=\"none\" Rect=\"2147483647,-2147483648,5,5\" Width=\"2147483647%\" "
        "Height=\"-2147483648\" Gaps=\"1,2,3,4\" Tooltip=\"$x\" InnerGaps=\"-99,0,99999,0\" Debug=\"2\"/>",
    };
    for (const std::string& t : texts) {
        FuzzSkinAttributes(reinterpret_cast<const uint8_t*>(t.data()), t.size());
        for (int i = 0; i < 100; ++i) {
            std::string b = t;
            b[next() % b.size()] = static_cast<char>(next() % 96 + 32);
            FuzzSkinAttributes(reinterpret_cast<const uint8_t*>(b.data()), b.size());
        }
    }
    SUCCEED();
}

}  // namespace
