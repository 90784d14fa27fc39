// Combo boxes, list boxes and list views: what the program's changes and the
// user's input (through the real widgets) report to the parent.
#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QListWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include "ControlsDialog.h"
#include "platform/win32/gui/QtAccess.h"

using namespace mfc_test;

namespace {

template <class W>
W* WidgetOf(HWND h)
{
    QWidget* host = GetWindowQWidget(h);
    return host ? host->findChild<W*>() : nullptr;
}

void AddItems(HWND combo, UINT message, std::initializer_list<const wchar_t*> texts)
{
    for (const wchar_t* t : texts) SendMessageW(combo, message, 0, reinterpret_cast<LPARAM>(t));
}

using ComboTest = ControlsTest;

TEST_F(ComboTest, SelectionChangesNotifyOnlyWhenTheUserChooses)
{
    HWND combo = Item(IDC_LIST_COMBO);
    AddItems(combo, CB_ADDSTRING, {L"Zero", L"One", L"Two", L"Three"});
    struct Case {
        const char* what;
        std::function<void()> act;
        int selection;
        size_t notes;
    };
    const Case cases[] = {
        {"CB_SETCURSEL", [&] { SendMessageW(combo, CB_SETCURSEL, 2, 0); }, 2, 0},
        {"CB_SELECTSTRING", [&] { SendMessageW(combo, CB_SELECTSTRING, -1, reinterpret_cast<LPARAM>(L"on")); }, 1, 0},
        {"WM_SETTEXT of an item", [&] { SetWindowTextW(combo, L"Three"); }, 3, 0},
        {"the Up key", [&] { Key(combo, VK_UP); }, 2, 1},
        {"the Home key", [&] { Key(combo, VK_HOME); }, 0, 1},
        {"a click in the list",
         [&] {
             QComboBox* box = WidgetOf<QComboBox>(combo);
             box->showPopup();
             QAbstractItemView* view = box->view();
             QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                               view->visualRect(view->model()->index(3, 0)).center());
             PumpDialogMessages();
         },
         3, 1},
    };
    for (const Case& c : cases) {
        dialog_.notes.clear();
        c.act();
        EXPECT_EQ(c.selection, SendMessageW(combo, CB_GETCURSEL, 0, 0)) << c.what;
        auto codes = dialog_.Codes(IDC_LIST_COMBO, WM_COMMAND);
        EXPECT_EQ(c.notes, static_cast<size_t>(std::count(codes.begin(), codes.end(), CBN_SELCHANGE))) << c.what;
    }
    CString text;
    CWnd(combo).GetWindowText(text);
    EXPECT_EQ(L"Three", text.str());
}

TEST_F(ComboTest, EditableComboKeepsTheOldTextDuringTheSelectionNotice)
{
    HWND combo = Item(IDC_EDIT_COMBO);
    AddItems(combo, CB_ADDSTRING, {L"beta", L"Alpha", L"gamma"});
    // Sorted without regard to case.
    CComboBox box;
    ASSERT_TRUE(box.SubclassWindow(combo));
    CString item;
    box.GetLBText(0, item);
    EXPECT_EQ(L"Alpha", item.str());
    box.GetLBText(2, item);
    EXPECT_EQ(L"gamma", item.str());
    SetWindowTextW(combo, L"typed");
    dialog_.notes.clear();
    Key(combo, VK_DOWN);
    auto notes = dialog_.Of(IDC_EDIT_COMBO, WM_COMMAND);
    ASSERT_FALSE(notes.empty());
    bool found = false;
    for (const Note& n : notes) {
        if (n.code != CBN_SELCHANGE) continue;
        found = true;
        EXPECT_EQ(L"typed", n.text);
    }
    EXPECT_TRUE(found);
    CString text;
    box.GetWindowText(text);
    box.GetLBText(box.GetCurSel(), item);
    EXPECT_EQ(item.str(), text.str());
    // Typing notifies as an edit change, not a selection change.
    dialog_.notes.clear();
    SetFocus(combo);
    InjectKey('X', true, L'x');
    InjectKey('X', false);
    PumpDialogMessages();
    auto codes = dialog_.Codes(IDC_EDIT_COMBO, WM_COMMAND);
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), CBN_EDITCHANGE));
    EXPECT_EQ(0, std::count(codes.begin(), codes.end(), CBN_SELCHANGE));
    box.UnsubclassWindow();
}

TEST_F(ComboTest, ItemsKeepDataAndAreFoundAsTheSystemFindsThem)
{
    CComboBox box;
    ASSERT_TRUE(box.SubclassWindow(Item(IDC_LIST_COMBO)));
    for (const wchar_t* t : {L"apple", L"Banana", L"apricot", L"cherry", L"Apple"}) box.AddString(t);
    for (int i = 0; i < box.GetCount(); ++i) box.SetItemData(i, 100 + i);
    struct Case {
        UINT message;
        int start;
        const wchar_t* text;
        int expected;
    };
    const Case cases[] = {
        {CB_FINDSTRING, -1, L"ap", 0},
        {CB_FINDSTRING, 0, L"ap", 2},
        {CB_FINDSTRING, 2, L"AP", 4},
        {CB_FINDSTRING, 4, L"ap", 0},
        {CB_FINDSTRINGEXACT, -1, L"APPLE", 0},
        {CB_FINDSTRINGEXACT, 0, L"apple", 4},
        {CB_FINDSTRINGEXACT, -1, L"app", CB_ERR},
        {CB_FINDSTRING, -1, L"zzz", CB_ERR},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected,
                  box.SendMessage(c.message, static_cast<WPARAM>(c.start), reinterpret_cast<LPARAM>(c.text)))
            << c.text << " from " << c.start;
    EXPECT_EQ(103u, box.GetItemData(3));
    EXPECT_EQ(4, box.DeleteString(1));
    EXPECT_EQ(103u, box.GetItemData(2));
    EXPECT_EQ(CB_ERR, box.SetCurSel(9));
    EXPECT_EQ(-1, box.GetCurSel());
    EXPECT_EQ(CB_ERR, static_cast<int>(box.GetItemData(9)));
    box.UnsubclassWindow();
}

// A font picker draws its own items, as the subtitle page's does.
class SwatchCombo : public CComboBox {
public:
    int drawn = 0;
    int measured = 0;
    void DrawItem(LPDRAWITEMSTRUCT item) override
    {
        ++drawn;
        CDC* dc = CDC::FromHandle(item->hDC);
        COLORREF colour = static_cast<COLORREF>(GetItemData(static_cast<int>(item->itemID)));
        dc->FillSolidRect(&item->rcItem, colour);
    }
    void MeasureItem(LPMEASUREITEMSTRUCT item) override
    {
        ++measured;
        item->itemHeight = 18;
    }
};

TEST_F(ComboTest, OwnerDrawnItemsAreDrawnByTheControlObject)
{
    // Made by the program, the object gets the control's first messages,
    // the measuring among them.
    SwatchCombo combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                             CRect(200, 60, 330, 90), &dialog_, 1399));
    EXPECT_EQ(2, combo.measured);
    combo.SetItemData(combo.AddString(L"red"), RGB(255, 0, 0));
    combo.SetItemData(combo.AddString(L"green"), RGB(0, 160, 0));
    combo.SetCurSel(1);
    QComboBox* box = WidgetOf<QComboBox>(combo.m_hWnd);
    ASSERT_NE(nullptr, box);
    QImage closed = box->grab().toImage();
    EXPECT_GT(combo.drawn, 0);
    QPoint inside(box->width() / 4, box->height() / 2);
    EXPECT_EQ(qRgb(0, 160, 0), closed.pixel(inside));
    gui_test::SaveScreenshot(closed, "mfc_owner_drawn_combo");
    EXPECT_EQ(18, combo.GetItemHeight(0));
}

using ListBoxTest = ControlsTest;

TEST_F(ListBoxTest, SelectionChangeIsReportedForTheUserOnly)
{
    CListBox list;
    ASSERT_TRUE(list.SubclassWindow(Item(IDC_LISTBOX)));
    for (const wchar_t* t : {L"first", L"second", L"third"}) list.AddString(t);
    list.SetItemData(2, 77);
    list.SetCurSel(1);
    EXPECT_TRUE(dialog_.Of(IDC_LISTBOX, WM_COMMAND).empty());
    auto* view = WidgetOf<QListWidget>(list.m_hWnd);
    ASSERT_NE(nullptr, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(2)).center());
    PumpDialogMessages();
    EXPECT_EQ(2, list.GetCurSel());
    auto codes = dialog_.Codes(IDC_LISTBOX, WM_COMMAND);
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), LBN_SELCHANGE));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->item(2)).center());
    PumpDialogMessages();
    codes = dialog_.Codes(IDC_LISTBOX, WM_COMMAND);
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), LBN_DBLCLK));
    CString text;
    list.GetText(2, text);
    EXPECT_EQ(L"third", text.str());
    EXPECT_EQ(77u, list.GetItemData(2));
    EXPECT_EQ(LB_ERR, list.GetTextLen(5));
    list.UnsubclassWindow();
}

class ListViewTest : public ControlsTest {
public:
    void SetUp() override
    {
        ControlsTest::SetUp();
        ASSERT_TRUE(list_.SubclassWindow(Item(IDC_LISTVIEW)));
        list_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
        list_.InsertColumn(0, L"Name", LVCFMT_LEFT, 80);
        list_.InsertColumn(1, L"Size", LVCFMT_RIGHT, 60);
        for (int i = 0; i < 6; ++i) {
            int row = list_.InsertItem(i, (L"row " + std::to_wstring(i)).c_str());
            list_.SetItemText(row, 1, std::to_wstring(i * 100).c_str());
            list_.SetItemData(row, 1000 + i);
        }
        PumpDialogMessages();
        dialog_.notes.clear();
    }
    void TearDown() override
    {
        list_.UnsubclassWindow();
        ControlsTest::TearDown();
    }
    std::vector<Note> Changes() const
    {
        std::vector<Note> out;
        for (const Note& n : dialog_.Of(IDC_LISTVIEW, WM_NOTIFY))
            if (n.code == LVN_ITEMCHANGED) out.push_back(n);
        return out;
    }
    QTreeWidget* View() const { return WidgetOf<QTreeWidget>(list_.m_hWnd); }
    QPoint RowPoint(int row) const { return View()->visualItemRect(View()->topLevelItem(row)).center(); }
    CListCtrl list_;
};

TEST_F(ListViewTest, ProgramStateChangesNotifyLikeTheUsers)
{
    list_.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list_.SetItemState(4, LVIS_FOCUSED, LVIS_FOCUSED);
    auto changes = Changes();
    ASSERT_EQ(3u, changes.size());
    EXPECT_EQ(2, changes[0].item);
    EXPECT_EQ(0u, changes[0].oldState & 3);
    EXPECT_EQ(3u, changes[0].newState & 3);
    EXPECT_EQ(static_cast<UINT>(LVIF_STATE), changes[0].changed);
    // Only one row holds the focus: row 2 loses it first.
    EXPECT_EQ(2, changes[1].item);
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), changes[1].newState & 3);
    EXPECT_EQ(4, changes[2].item);
    EXPECT_EQ(static_cast<UINT>(LVIS_FOCUSED), changes[2].newState & 3);
    // Each change was asked for first.
    auto notes = dialog_.Of(IDC_LISTVIEW, WM_NOTIFY);
    EXPECT_EQ(LVN_ITEMCHANGING, notes.front().code);
    // Setting a state a row already has says nothing.
    dialog_.notes.clear();
    list_.SetItemState(4, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_TRUE(Changes().empty());
}

TEST_F(ListViewTest, NextItemChainsWalkTheRows)
{
    for (int row : {1, 3, 4}) list_.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    list_.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);
    std::vector<int> chain;
    for (int i = list_.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = list_.GetNextItem(i, LVNI_SELECTED))
        chain.push_back(i);
    EXPECT_EQ((std::vector<int>{1, 3, 4}), chain);
    EXPECT_EQ(3, list_.GetNextItem(-1, LVNI_FOCUSED));
    EXPECT_EQ(3, list_.GetNextItem(4, LVNI_SELECTED | LVNI_ABOVE));
    EXPECT_EQ(-1, list_.GetNextItem(1, LVNI_SELECTED | LVNI_ABOVE));
    EXPECT_EQ(0, list_.GetNextItem(-1, LVNI_ALL));
    EXPECT_EQ(-1, list_.GetNextItem(5, LVNI_ALL));
    EXPECT_EQ(3u, list_.GetSelectedCount());
    std::vector<int> walked;
    for (POSITION p = list_.GetFirstSelectedItemPosition(); p;) walked.push_back(list_.GetNextSelectedItem(p));
    EXPECT_EQ(chain, walked);
}

TEST_F(ListViewTest, ParentMayRefuseAChange)
{
    dialog_.answer = [](NMHDR* h) -> LRESULT {
        return h->code == LVN_ITEMCHANGING && reinterpret_cast<NMLISTVIEW*>(h)->iItem == 0;
    };
    list_.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list_.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(0u, list_.GetItemState(0, LVIS_SELECTED));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list_.GetItemState(1, LVIS_SELECTED));
    auto changes = Changes();
    ASSERT_EQ(1u, changes.size());
    EXPECT_EQ(1, changes[0].item);
}

TEST_F(ListViewTest, ClicksSelectAsTheSystemDoes)
{
    QWidget* viewport = View()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(1));
    PumpDialogMessages();
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED), list_.GetItemState(1, 3));
    EXPECT_EQ(list_.m_hWnd, GetFocus());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, RowPoint(3));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, RowPoint(5));
    PumpDialogMessages();
    std::vector<int> selected;
    for (int i = list_.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = list_.GetNextItem(i, LVNI_SELECTED))
        selected.push_back(i);
    EXPECT_EQ((std::vector<int>{3, 4, 5}), selected);
    EXPECT_EQ(5, list_.GetNextItem(-1, LVNI_FOCUSED));
    // A plain click keeps only the clicked row.
    dialog_.notes.clear();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(0));
    PumpDialogMessages();
    EXPECT_EQ(1u, list_.GetSelectedCount());
    auto notes = dialog_.Of(IDC_LISTVIEW, WM_NOTIFY);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(NM_CLICK, notes.back().code);
    EXPECT_EQ(0, notes.back().item);
    // The arrow keys move the focus and the selection with it.
    Key(list_.m_hWnd, VK_DOWN);
    EXPECT_EQ(1, list_.GetNextItem(-1, LVNI_FOCUSED));
    EXPECT_EQ(1, list_.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(1u, list_.GetSelectedCount());
    // A double click names its row.
    dialog_.notes.clear();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, RowPoint(4));
    PumpDialogMessages();
    bool doubleClick = false;
    for (const Note& n : dialog_.Of(IDC_LISTVIEW, WM_NOTIFY))
        if (n.code == NM_DBLCLK) doubleClick = n.item == 4;
    EXPECT_TRUE(doubleClick);
}

TEST_F(ListViewTest, CheckBoxesAreStateImages)
{
    list_.SetExtendedStyle(list_.GetExtendedStyle() | LVS_EX_CHECKBOXES);
    EXPECT_FALSE(list_.GetCheck(2));
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(1), list_.GetItemState(2, LVIS_STATEIMAGEMASK));
    dialog_.notes.clear();
    list_.SetCheck(2, TRUE);
    EXPECT_TRUE(list_.GetCheck(2));
    ASSERT_EQ(1u, Changes().size());
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(2), Changes()[0].newState & LVIS_STATEIMAGEMASK);
    // A click on the box toggles it without selecting; Space toggles the focused row.
    QTreeWidgetItem* row3 = View()->topLevelItem(3);
    QRect cell = View()->visualItemRect(row3);
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
    PumpDialogMessages();
    EXPECT_TRUE(list_.GetCheck(3));
    EXPECT_EQ(0u, list_.GetItemState(3, LVIS_SELECTED));
    list_.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);
    Key(list_.m_hWnd, VK_SPACE, L' ');
    EXPECT_FALSE(list_.GetCheck(3));
    EXPECT_EQ(Qt::Checked, View()->topLevelItem(2)->checkState(0));
}

TEST_F(ListViewTest, SingleSelectionListKeepsOneRow)
{
    CListCtrl single;
    ASSERT_TRUE(single.SubclassWindow(Item(IDC_SINGLE_LIST)));
    single.InsertColumn(0, L"Only", LVCFMT_LEFT, 80);
    for (int i = 0; i < 3; ++i) single.InsertItem(i, L"x");
    single.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dialog_.notes.clear();
    single.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(1u, single.GetSelectedCount());
    EXPECT_EQ(2, single.GetNextItem(-1, LVNI_SELECTED));
    auto notes = dialog_.Of(IDC_SINGLE_LIST, WM_NOTIFY);
    std::vector<std::pair<int, UINT>> changed;
    for (const Note& n : notes)
        if (n.code == LVN_ITEMCHANGED) changed.push_back({n.item, n.newState & LVIS_SELECTED});
    EXPECT_EQ((std::vector<std::pair<int, UINT>>{{0, 0u}, {2, static_cast<UINT>(LVIS_SELECTED)}}), changed);
    single.UnsubclassWindow();
}

TEST_F(ListViewTest, DeletingTellsAboutEachRowUnlessThePartySaysNo)
{
    list_.DeleteItem(1);
    EXPECT_EQ(5, list_.GetItemCount());
    EXPECT_EQ(1002u, list_.GetItemData(1));
    auto notes = dialog_.Of(IDC_LISTVIEW, WM_NOTIFY);
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(LVN_DELETEITEM, notes[0].code);
    EXPECT_EQ(1, notes[0].item);
    dialog_.notes.clear();
    dialog_.answer = [](NMHDR* h) -> LRESULT { return h->code == LVN_DELETEALLITEMS; };
    list_.DeleteAllItems();
    EXPECT_EQ(0, list_.GetItemCount());
    notes = dialog_.Of(IDC_LISTVIEW, WM_NOTIFY);
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(LVN_DELETEALLITEMS, notes[0].code);
}

TEST_F(ListViewTest, RedrawSwitchHoldsTheWidgetBack)
{
    list_.SetRedraw(FALSE);
    list_.InsertItem(6, L"late");
    list_.SetItemText(0, 0, L"renamed");
    EXPECT_EQ(7, list_.GetItemCount());
    EXPECT_EQ(6, View()->topLevelItemCount());
    EXPECT_EQ(QString("row 0"), View()->topLevelItem(0)->text(0));
    list_.SetRedraw(TRUE);
    EXPECT_EQ(7, View()->topLevelItemCount());
    EXPECT_EQ(QString("renamed"), View()->topLevelItem(0)->text(0));
    EXPECT_EQ(QString("late"), View()->topLevelItem(6)->text(0));
    EXPECT_EQ(L"renamed", list_.GetItemText(0, 0).str());
    EXPECT_EQ(L"500", list_.GetItemText(5, 1).str());
    std::wstring longText(3000, L'x');
    list_.SetItemText(2, 1, longText.c_str());
    EXPECT_EQ(longText, list_.GetItemText(2, 1).str());
}

TEST_F(ListViewTest, InfoTipComesFromTheParent)
{
    dialog_.answer = [](NMHDR* h) -> LRESULT {
        if (h->code == LVN_GETINFOTIPW) {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(h);
            wcsncpy(tip->pszText, L"/media/full path.avi", static_cast<size_t>(tip->cchTextMax));
        }
        return 0;
    };
    QPoint at = RowPoint(2);
    QHelpEvent help(QEvent::ToolTip, at, View()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(View()->viewport(), &help);
    bool asked = false;
    for (const Note& n : dialog_.Of(IDC_LISTVIEW, WM_NOTIFY))
        if (n.code == LVN_GETINFOTIPW) asked = n.item == 2;
    EXPECT_TRUE(asked);
    if (QToolTip::isVisible()) {
        EXPECT_EQ(QString("/media/full path.avi"), QToolTip::text());
    }
    QToolTip::hideText();
}

TEST_F(ListViewTest, EnsureVisibleScrollsARowIntoView)
{
    for (int i = 6; i < 60; ++i) list_.InsertItem(i, L"more");
    EXPECT_EQ(0, list_.GetTopIndex());
    EXPECT_GT(list_.GetCountPerPage(), 0);
    list_.EnsureVisible(59, FALSE);
    EXPECT_GT(list_.GetTopIndex(), 40);
    RECT r{};
    ASSERT_TRUE(list_.GetItemRect(59, &r, LVIR_BOUNDS));
    RECT client;
    list_.GetClientRect(&client);
    EXPECT_LE(r.bottom, client.bottom);
    EXPECT_EQ(59, list_.HitTest(CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2)));
}

}  // namespace
