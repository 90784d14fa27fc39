// The skin list box: its attributes and their errors, the scroll range it
// gives its slider and the slider's drags back, mouse selection sequences
// in every style (with Shift and Ctrl held through the input layer), drags
// of selected rows, keyboard moves, the rows it paints (colours, cells cut
// by their columns and their tooltips), colour themes, and the row
// operations of its own interface.
#include <gtest/gtest.h>

#include <set>

#include "platform/win32/gui/Input.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConListBox.h"
#include "skin/controls/HXConSlider.h"
#include "tests/skin/ControlTestSupport.h"

namespace {

using skin_test::ExpectPixels;
using skin_test::Pixel;

constexpr COLORREF kRowBack = 0xBC7E6D, kSelBack = 0xDDAC9D, kCurBack = 0xBC7E6D;

class ListBoxTest : public skin_test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        owner_.images[L"tile"] = skin_test::ImageFrom(skin_test::SolidBmp(8, 8, RGB(0, 0, 128)));
        owner_.images[L"frame"] = skin_test::ImageFrom(skin_test::SolidBmp(9, 6, RGB(200, 200, 200)));
        owner_.controlIds[L"IDC_SCROLL"] = 5;
        owner_.controlIds[L"IDC_HEADER"] = 6;
        owner_.controlIds[L"IDC_COL0"] = 7;
        owner_.controlIds[L"IDC_COL1"] = 8;
        owner_.controlIds[L"IDC_LIST"] = 40;
    }
    void TearDown() override
    {
        Hold(VK_SHIFT, false);
        Hold(VK_CONTROL, false);
        ControlTest::TearDown();
    }
    static void Hold(WORD key, bool down)
    {
        InjectKey(key, down);
        gui_test::Pump();
    }
    // A list 100 x 50 at (10, 10) with rows 10 high (5 visible), the given
    // style and row count, and a scroll slider 10 wide on its right.
    std::unique_ptr<HXConListBox> List(const std::string& style, int rows, const std::string& extra = "")
    {
        sliders_.push_back(
            Make<HXConSlider>("<SliderControl KnobType=\"variable\" ScrollBar=\"1\" Orientation=\"vertical\"/>"));
        slider_ = sliders_.back().get();
        owner_.controls[5] = slider_;
        slider_->SetRect(100, 10, 10, 50, 0);
        auto list = Make<HXConListBox>("<ListBoxControl ItemHeight=\"10\" SliderControlID=\"IDC_SCROLL\" Style=\"" +
                                       style + "\" " + extra + "/>");
        SHxControlInfo binding;
        binding.id = 40;
        list->SetBinding(binding);
        list->BeginUpdate();
        for (int i = 0; i < rows; ++i) list->AddRow({CString(L"row ") + CString(std::to_wstring(i))});
        list->EndUpdate();
        list->SetRect(10, 10, 100, 50, 0);
        notified_.clear();
        return list;
    }
    std::set<int> Selection(const HXConListBox& list) const
    {
        std::set<int> out;
        for (int i = 0; i < list.GetRowCount(); ++i)
            if (list.IsSelected(i)) out.insert(i);
        return out;
    }
    size_t Changes() const { return NotifiedOf(ListBoxItemChangedMessage()).size(); }
    std::vector<std::unique_ptr<HXConSlider>> sliders_;  // each list's, alive as long as the lists
    HXConSlider* slider_ = nullptr;                      // the latest
};

TEST_F(ListBoxTest, AttributeErrors)
{
    struct Case {
        std::string attributes;
        int code;
        std::wstring detail;
    } cases[] = {
        {"BkgndImage=\"gone\"", SKINERR_IMAGE_OPEN, L"gone"},
        {"FrameImage=\"gone\"", SKINERR_IMAGE_OPEN, L"gone"},
        {"SelItemFrame=\"gone\"", SKINERR_IMAGE_OPEN, L"gone"},
        {"CurSelItemFrame=\"gone\"", SKINERR_IMAGE_OPEN, L"gone"},
        {"ItemHeight=\"0\"", SKINERR_ZERO_ITEM_HEIGHT, L"0"},
        {"ItemHeight=\"-4\"", SKINERR_ZERO_ITEM_HEIGHT, L"-4"},  // below 0 is no height either
        {"ItemHeight=\"abc\"", SKINERR_ZERO_ITEM_HEIGHT, L"abc"},
        {"SliderControlID=\"IDC_NOWHERE\"", SKINERR_NO_SLIDER, L"IDC_NOWHERE"},
        {"ColumnHeader=\"1\"", SKINERR_NO_COLUMN_HEADER_ID, L"ColumnHeaderID"},
        {"ColumnHeader=\"1\" ColumnHeaderID=\"IDC_NOWHERE\"", SKINERR_NO_COLUMN_HEADER, L"IDC_NOWHERE"},
        {"ColumnHeader=\"1\" ColumnHeaderID=\"IDC_HEADER\" Column3=\"IDC_X\"", SKINERR_NO_COLUMN_HEADER, L"IDC_X"},
        {"FontName=\"nofont\"", SKINERR_BAD_FONT_NAME, L"nofont"},
    };
    for (const Case& c : cases) {
        auto list = Make<HXConListBox>("<ListBoxControl " + c.attributes + "/>", 0);
        EXPECT_EQ(c.code, list->GetLastErrorCode()) << c.attributes;
        EXPECT_EQ(CString(c.detail.c_str()), list->GetLastErrorText()) << c.attributes;
    }
}

TEST_F(ListBoxTest, AttributesAndDefaults)
{
    struct Style {
        const char* text;
        int bits;
    } styles[] = {
        {"", 0},
        {"multiselect", HXConListBox::STYLE_MULTISELECT},
        {"ezmultiselect", HXConListBox::STYLE_MULTISELECT | HXConListBox::STYLE_EZMULTISELECT},
        {"draggable multiselect", HXConListBox::STYLE_MULTISELECT | HXConListBox::STYLE_DRAGENABLE},
        {"dragenable", HXConListBox::STYLE_DRAGENABLE},
    };
    for (const Style& s : styles) {
        auto list = Make<HXConListBox>(std::string("<ListBoxControl Style=\"") + s.text + "\"/>");
        EXPECT_EQ(s.bits, list->GetStyle()) << s.text;
    }
    auto plain = Make<HXConListBox>("<ListBoxControl FrameImage=\"\" Column2=\"IDC_X\"/>");
    EXPECT_EQ(10, plain->GetRowHeight());
    EXPECT_EQ(1, plain->GetColumnCount());  // columns are read only with the header on
    EXPECT_EQ(HXConBase::kFlagFocusOnClick, plain->GetFlags() & HXConBase::kFlagFocusOnClick);
    const COLORREF defaults[6] = {0x532F25, 0xBC7E6D, 0x532F25, 0xDDAC9D, 0xFFFFFF, 0xBC7E6D};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(defaults[i], plain->GetColor(i)) << i;
    auto columns = Make<HXConListBox>(
        "<ListBoxControl ColumnHeader=\"1\" ColumnHeaderID=\"IDC_HEADER\" Column1=\"IDC_COL1\" "
        "ClrSelTextBk=\"#FF0000\" ClrCurText=\"transparent\"/>");
    EXPECT_EQ(2, columns->GetColumnCount());
    EXPECT_EQ(RGB(255, 0, 0), columns->GetColor(3));
    EXPECT_EQ(static_cast<COLORREF>(-1), columns->GetColor(4));
}

TEST_F(ListBoxTest, ScrollRangeFollowsTheRowsAndTheSliderScrolls)
{
    auto list = List("", 3);
    EXPECT_EQ(slider_, list->GetSlider());
    EXPECT_EQ(5, list->VisibleRows());
    EXPECT_TRUE(slider_->IsRangeEmpty());  // everything fits: no knob
    EXPECT_EQ(-1, slider_->GetMinimum());
    list->BeginUpdate();
    for (int i = 3; i < 12; ++i) list->AddRow({L"more"});
    list->EndUpdate();
    EXPECT_EQ(0, slider_->GetMinimum());
    EXPECT_EQ(7, slider_->GetMaximum());
    EXPECT_EQ(5, slider_->GetPage());
    list->EnsureVisible(9, 1);
    EXPECT_EQ(5, list->GetTop());
    EXPECT_EQ(5, slider_->GetPosition());
    list->EnsureVisible(2, 1);
    EXPECT_EQ(2, list->GetTop());
    // Dragging the knob scrolls the list; the list does not move the knob
    // under the user's hand.
    int capture = 0, track = 0, value = 0;
    ASSERT_EQ(1, slider_->OnButtonDown(1, 5, 49, &capture));
    EXPECT_EQ(7, list->GetTop());
    slider_->OnMouseMove(5, 0, 1, &track);
    EXPECT_EQ(0, list->GetTop());
    slider_->OnButtonUp(1, 5, 0, 1, &value);
    // Rows removed until everything fits: top back to 0, no knob.
    while (list->GetRowCount() > 5) list->RemoveRow(0);
    EXPECT_EQ(0, list->GetTop());
    EXPECT_TRUE(slider_->IsRangeEmpty());
    EXPECT_TRUE(NotifiedOf(SliderPosChangeMessage()).empty());  // the list is the slider's parent
}

// Mouse sequences: presses and releases on rows (y = 10 x row + 5 in the
// list), with keys held, and the selection, caret and anchor after each.
TEST_F(ListBoxTest, MouseSelectionSequences)
{
    enum Op { Click, CtrlClick, ShiftClick, RightClick, Down, Move, Up };
    struct Step {
        Op op;
        int row;
        std::set<int> selection;
        int current;
    };
    struct Case {
        const char* name;
        const char* style;
        std::vector<Step> steps;
        size_t changes;
        int anchor;
    } cases[] = {
        {"single", "", {{Click, 2, {2}, 2}, {Click, 4, {4}, 4}, {Click, 4, {4}, 4}}, 3, 4},
        {"single, outside the rows", "", {{Click, 1, {1}, 1}, {Click, 7, {}, 1}}, 1, 1},
        {"multi, plain clicks", "multiselect", {{Click, 1, {1}, 1}, {Click, 3, {3}, 3}}, 2, 3},
        {"multi, ctrl", "multiselect", {{Click, 1, {1}, 1}, {CtrlClick, 3, {1, 3}, 3}, {CtrlClick, 1, {3}, 3}}, 3, 3},
        {"multi, ctrl on the caret", "multiselect", {{Click, 1, {1}, 1}, {CtrlClick, 1, {}, -1}}, 2, -1},
        {"multi, shift",
         "multiselect",
         {{Click, 1, {1}, 1}, {ShiftClick, 4, {1, 2, 3, 4}, 4}, {ShiftClick, 0, {0, 1}, 0}},
         3,
         1},
        {"ez toggles on release",
         "ezmultiselect",
         {{Down, 1, {}, -1}, {Up, 1, {1}, 1}, {Click, 3, {1, 3}, 3}, {Click, 1, {3}, 3}},
         3,
         3},
        {"right click keeps a selection",
         "multiselect",
         {{Click, 1, {1}, 1}, {CtrlClick, 2, {1, 2}, 2}, {RightClick, 2, {1, 2}, 2}},
         2,
         2},
        {"right click on an unselected row selects it",
         "multiselect",
         {{Click, 1, {1}, 1}, {RightClick, 3, {3}, 3}},
         2,
         3},
        {"press on a selected row of a draggable list keeps them until release",
         "multiselect dragenable",
         {{Click, 1, {1}, 1}, {CtrlClick, 2, {1, 2}, 2}, {Down, 1, {1, 2}, 2}, {Up, 1, {1}, 1}},
         3,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = List(c.style, 5);
        for (const Step& s : c.steps) {
            const int y = 10 * s.row + 5;
            int capture = 0, value = 0;
            switch (s.op) {
            case Click:
            case CtrlClick:
            case ShiftClick:
                if (s.op == CtrlClick) Hold(VK_CONTROL, true);
                if (s.op == ShiftClick) Hold(VK_SHIFT, true);
                list->OnButtonDown(1, 20, y, &capture);
                list->OnButtonUp(1, 20, y, capture, &value);
                Hold(VK_CONTROL, false);
                Hold(VK_SHIFT, false);
                break;
            case RightClick:
                list->OnButtonDown(2, 20, y, &capture);
                list->OnButtonUp(2, 20, y, capture, &value);
                break;
            case Down: list->OnButtonDown(1, 20, y, &capture); break;
            case Move: list->OnMouseMove(20, y, 1, &value); break;
            case Up: list->OnButtonUp(1, 20, y, 1, &value); break;
            }
            EXPECT_EQ(s.selection, Selection(*list)) << "op " << s.op << " row " << s.row;
            EXPECT_EQ(s.current, list->GetCurrent()) << "op " << s.op << " row " << s.row;
        }
        EXPECT_EQ(c.changes, Changes());
        EXPECT_EQ(c.anchor, list->GetAnchor());
        for (const Notified& n : NotifiedOf(ListBoxItemChangedMessage())) {
            EXPECT_EQ(40u, n.wParam);  // the list's control id
            EXPECT_EQ(1, n.send);
        }
    }
}

TEST_F(ListBoxTest, DraggingSelectedRows)
{
    auto list = List("multiselect dragenable", 5);
    int capture = 0, value = 0;
    list->OnButtonDown(1, 20, 15, &capture);
    list->OnButtonUp(1, 20, 15, capture, &value);
    Hold(VK_CONTROL, true);
    list->OnButtonDown(1, 20, 25, &capture);
    list->OnButtonUp(1, 20, 25, capture, &value);
    Hold(VK_CONTROL, false);
    capture = 0;
    ASSERT_EQ(1, list->OnButtonDown(1, 20, 15, &capture));
    EXPECT_EQ(1, capture);                               // a draggable list holds the mouse
    EXPECT_EQ(0, list->OnMouseMove(20, 17, 1, &value));  // still on the pressed row
    EXPECT_EQ(1, list->OnMouseMove(20, 38, 1, &value));
    EXPECT_TRUE(list->IsDragging());
    EXPECT_EQ(1, list->OnButtonUp(1, 20, 38, 1, &value));
    EXPECT_FALSE(list->IsDragging());
    EXPECT_EQ((std::set<int>{1, 2}), Selection(*list));
    // A plain press on another row selects it; moving away drags it.
    capture = 0;
    list->OnButtonDown(1, 20, 45, &capture);
    EXPECT_EQ(1, list->OnMouseMove(20, 5, 1, &value));
    EXPECT_TRUE(list->IsDragging());
    list->OnButtonUp(1, 20, 5, 1, &value);
    EXPECT_EQ(std::set<int>{4}, Selection(*list));
    // A pressed row that Ctrl deselected starts no drag.
    Hold(VK_CONTROL, true);
    capture = 0;
    list->OnButtonDown(1, 20, 45, &capture);
    Hold(VK_CONTROL, false);
    EXPECT_EQ(std::set<int>{}, Selection(*list));
    EXPECT_EQ(0, list->OnMouseMove(20, 15, 1, &value));
    EXPECT_FALSE(list->IsDragging());
    list->OnButtonUp(1, 20, 15, 1, &value);
    EXPECT_EQ(std::set<int>{}, Selection(*list));
}

TEST_F(ListBoxTest, KeyboardMoves)
{
    enum Key { Down, Up, PageDown, PageUp, Home, End, ShiftDown, ShiftUp, CtrlA, Enter };
    struct Step {
        Key key;
        std::set<int> selection;
        int current;
        int top;
    };
    struct Case {
        const char* name;
        const char* style;
        int rows;
        std::vector<Step> steps;
    } cases[] = {
        {"down from nothing starts at the top",
         "",
         10,
         {{Down, {0}, 0, 0},
          {Down, {1}, 1, 0},
          {End, {9}, 9, 5},
          {Up, {8}, 8, 5},
          {Home, {0}, 0, 0},
          {PageDown, {5}, 5, 1},
          {PageDown, {9}, 9, 5},
          {PageUp, {4}, 4, 4}}},
        {"page up with no caret clamps to the first row", "", 10, {{PageUp, {0}, 0, 0}}},
        {"shift in single selection moves the caret only",
         "",
         10,
         {{Down, {0}, 0, 0}, {ShiftDown, {}, 1, 0}, {ShiftDown, {}, 2, 0}}},
        {"shift extends from the anchor",
         "multiselect",
         10,
         {{Down, {0}, 0, 0},
          {Down, {1}, 1, 0},
          {ShiftDown, {1, 2}, 2, 0},
          {ShiftDown, {1, 2, 3}, 3, 0},
          {ShiftUp, {1, 2}, 2, 0},
          {Down, {3}, 3, 0}}},
        {"ctrl+A selects every row", "multiselect", 7, {{CtrlA, {0, 1, 2, 3, 4, 5, 6}, 6, 0}}},
        {"ctrl+A in single selection does nothing", "", 3, {{CtrlA, {}, -1, 0}}},
        {"enter does not move", "", 3, {{Down, {0}, 0, 0}, {Enter, {0}, 0, 0}}},
    };
    struct Press {
        UINT vk;
        WORD held;
    };
    const Press presses[] = {{VK_DOWN, 0}, {VK_UP, 0},          {VK_NEXT, 0},      {VK_PRIOR, 0},     {VK_HOME, 0},
                             {VK_END, 0},  {VK_DOWN, VK_SHIFT}, {VK_UP, VK_SHIFT}, {'A', VK_CONTROL}, {VK_RETURN, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = List(c.style, c.rows);
        size_t changes = Changes();
        for (const Step& s : c.steps) {
            const Press& p = presses[s.key];
            if (p.held) Hold(p.held, true);
            const int taken = list->OnKeyDown(p.vk, 1, 0);
            if (p.held) Hold(p.held, false);
            EXPECT_EQ(s.key == Enter ? 0 : 1, taken) << "key " << s.key;
            EXPECT_EQ(s.selection, Selection(*list)) << "key " << s.key;
            EXPECT_EQ(s.current, list->GetCurrent()) << "key " << s.key;
            EXPECT_EQ(s.top, list->GetTop()) << "key " << s.key;
            if (s.key != CtrlA) {
                EXPECT_EQ(changes, Changes()) << "keyboard moves send no change";
            }
            changes = Changes();
        }
    }
    // An empty, hidden or too small list takes no keys.
    auto empty = List("", 0);
    EXPECT_EQ(0, empty->OnKeyDown(VK_DOWN, 1, 0));
    auto hidden = List("", 3);
    hidden->SetVisible(0, 0);
    EXPECT_EQ(0, hidden->OnKeyDown(VK_DOWN, 1, 0));
    auto small = List("", 3, "MinSize=\"200,0\"");
    EXPECT_EQ(0, small->OnKeyDown(VK_DOWN, 1, 0));
}

TEST_F(ListBoxTest, PaintsRowsInTheirColours)
{
    auto list = List("multiselect", 8);
    list->SetSelected(1, 1, 0);
    list->SetSelected(3, 1, 0);
    list->SetHighlightedRow(3);
    list->SetHighlightedRow(2);
    list->Draw();
    // Rows 10 high from the list's top, 90 wide (the slider's 10 columns on
    // the right are no part of them); no background image: black beneath.
    // Column 89 of a row lies past its cell, so no text covers it.
    // The selection's background wins over the highlight's (row 3).
    ExpectPixels(surface_, {{99, 10, kRowBack},
                            {99, 20, kSelBack},
                            {99, 30, kCurBack},
                            {99, 40, kSelBack},
                            {99, 59, kRowBack},
                            {100, 59, RGB(0, 0, 0)}});
    // Text colours: the highlight's white wins over the selection's.
    auto whiteIn = [&](int row) {
        int n = 0;
        for (int y = 10 + 10 * row; y < 20 + 10 * row; ++y)
            for (int x = 10; x < 100; ++x) n += Pixel(surface_, x, y) == RGB(255, 255, 255);
        return n;
    };
    EXPECT_EQ(0, whiteIn(0));
    EXPECT_GT(whiteIn(2), 0);
    EXPECT_EQ(0, whiteIn(3));
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_listbox_rows");

    // A tiled background image shows where no row is.
    auto tiled = List("", 2, "BkgndImage=\"tile\" ImageType=\"tile\"");
    tiled->SetRect(120, 10, 100, 50, 0);
    tiled->Draw();
    EXPECT_EQ(kRowBack, Pixel(surface_, 209, 10));
    EXPECT_EQ(RGB(0, 0, 128), Pixel(surface_, 120, 40));
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_listbox_rows_tiled");
}

TEST_F(ListBoxTest, RowFramesAndTheListFrame)
{
    // Row frames of a 3-pixel border of one colour around a transparent
    // centre; the list's frame solid.
    constexpr COLORREF kItem = RGB(255, 0, 0), kSel = RGB(0, 255, 0), kCur = RGB(0, 0, 255), kCurSel = RGB(255, 255, 0),
                       kListFrame = RGB(255, 128, 0);
    auto border = [](COLORREF c) {
        return skin_test::ImageFrom(
            skin_test::Bmp24(9, 9, [c](int x, int y) { return (x / 3 == 1 && y / 3 == 1) ? RGB(255, 0, 255) : c; }));
    };
    owner_.images[L"item"] = border(kItem);
    owner_.images[L"sel"] = border(kSel);
    owner_.images[L"cur"] = border(kCur);
    owner_.images[L"cursel"] = border(kCurSel);
    owner_.images[L"listframe"] = skin_test::ImageFrom(skin_test::SolidBmp(9, 9, kListFrame));
    struct Case {
        const char* frames;
        COLORREF selectedHighlighted;
    } cases[] = {
        {"ItemFrame=\"item\" SelItemFrame=\"sel\" CurItemFrame=\"cur\" CurSelItemFrame=\"cursel\"", kCurSel},
        // Without a frame for both, the highlight's goes over the selection's.
        {"ItemFrame=\"item\" SelItemFrame=\"sel\" CurItemFrame=\"cur\"", kCur},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames);
        auto list = List("multiselect", 8,
                         std::string(c.frames) + " FrameImage=\"listframe\" BkgndImage=\"tile\" ImageType=\"tile\"");
        list->SetSelected(1, 1, 0);
        list->SetSelected(3, 1, 0);
        list->SetHighlightedRow(3);
        list->Draw();
        // The list's frame is 3 pixels: rows start at (13, 13), 10 high.
        ExpectPixels(surface_, {{10, 10, kListFrame},
                                {12, 30, kListFrame},
                                {13, 13, kItem},
                                {13, 23, kSel},
                                {13, 33, kItem},
                                {13, 43, c.selectedHighlighted},
                                {17, 18, kRowBack}});
    }
    gui_test::SaveScreenshot(skin_test::ToQImage(surface_), "skin_listbox_frames");
}

TEST_F(ListBoxTest, CutCellsShowTheirTextAsTooltip)
{
    auto list = List("", 0);
    list->AddRow({L"ok"});
    list->AddRow({L"A very long row text that cannot fit & more"});
    int track = 0;
    struct Case {
        POINT at;
        std::wstring tooltip;
    } cases[] = {
        {{20, 5}, L""},
        {{20, 15}, L"A very long row text that cannot fit && more"},
        {{20, 35}, L""},  // below the last row
        {{20, -5}, L""},
    };
    for (const Case& c : cases) {
        list->OnMouseMove(c.at.x, c.at.y, 0, &track);
        EXPECT_EQ(CString(c.tooltip), list->GetTooltip()) << c.at.x << "," << c.at.y;
    }
    list->OnMouseMove(20, 15, 0, &track);
    list->OnMouseLeave();
    EXPECT_TRUE(list->GetTooltip().IsEmpty());
    EXPECT_TRUE(list->IsCellTruncated(1, 0));
    EXPECT_FALSE(list->IsCellTruncated(0, 0));
}

TEST_F(ListBoxTest, ColourThemesTintTheColoursAsLoaded)
{
    auto list = Make<HXConListBox>("<ListBoxControl ClrDefaultText=\"#102030\" ClrCurText=\"transparent\"/>");
    SColorTheme theme{20, 0, -300, L"warm"};
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(1, list->ApplyColorTheme(theme));
        EXPECT_EQ(RGB(0x24, 0x20, 0), list->GetColor(0));  // from the loaded colour, not the tinted one
        EXPECT_EQ(static_cast<COLORREF>(-1), list->GetColor(4));
    }
}

TEST_F(ListBoxTest, RowOperationsKeepTheMarksOnTheirRows)
{
    auto list = List("multiselect", 6);
    list->SetHighlightedRow(4);
    list->SetSelected(2, 1, 0);
    EXPECT_EQ(2, list->GetCurrent());
    EXPECT_EQ(0, list->InsertRow(0, {L"new", L"b", L"c"}));
    EXPECT_EQ(5, list->GetHighlightedRow());
    EXPECT_EQ(3, list->GetCurrent());
    EXPECT_TRUE(list->IsSelected(3));
    EXPECT_EQ(CString(L"b"), list->GetCellText(0, 1));
    EXPECT_EQ(1, list->SetCellText(0, 9, L"last"));
    EXPECT_EQ(CString(L"last"), list->GetCellText(0, 9));
    EXPECT_EQ(0, list->SetCellText(0, 10, L"x"));
    EXPECT_EQ(0, list->SetCellText(99, 0, L"x"));
    std::vector<CString> eleven(11, L"c");
    list->AddRow(eleven);
    EXPECT_EQ(CString(), list->GetCellText(list->GetRowCount() - 1, 10));  // ten columns at most
    EXPECT_EQ(1, list->RemoveRow(3));
    EXPECT_EQ(-1, list->GetCurrent());
    EXPECT_EQ(4, list->GetHighlightedRow());
    EXPECT_EQ(0, list->RemoveRow(-1));
    // RemoveAll forgets the highlight with its row (nothing is written into
    // a deleted row), and the caret and anchor.
    list->SetSelected(2, 1, 0);
    list->RemoveAll();
    EXPECT_EQ(0, list->GetRowCount());
    EXPECT_EQ(-1, list->GetHighlightedRow());
    EXPECT_EQ(-1, list->GetCurrent());
    EXPECT_EQ(-1, list->GetAnchor());
    EXPECT_EQ(0, list->GetTop());
    int capture = 0;
    list->OnButtonDown(1, 20, 5, &capture);  // no rows: nothing to select
    EXPECT_EQ(-1, list->FirstSelected());
}

}  // namespace
