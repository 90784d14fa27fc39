// Trackbars, up-downs, progress bars, tab controls and time pickers: the
// scroll codes, the up-down's asking before each step, ranges and pages.
#include <QDateTimeEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QTabBar>
#include <QTest>

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

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

using TrackbarTest = ControlsTest;

TEST_F(TrackbarTest, KeysSendTheirCodesWithTheNewPosition)
{
    CSliderCtrl track;
    ASSERT_TRUE(track.SubclassWindow(Item(IDC_TRACK)));
    track.SetRange(0, 200, TRUE);
    EXPECT_EQ(40, track.GetPageSize());  // a fifth of the range
    track.SetPageSize(25);
    track.SetPos(100);
    EXPECT_TRUE(dialog_.notes.empty());
    struct Case {
        WORD key;
        UINT code;
        int pos;
    };
    const Case cases[] = {
        {VK_RIGHT, TB_LINEDOWN, 101}, {VK_LEFT, TB_LINEUP, 100},   {VK_DOWN, TB_LINEDOWN, 101},
        {VK_UP, TB_LINEUP, 100},      {VK_NEXT, TB_PAGEDOWN, 125}, {VK_PRIOR, TB_PAGEUP, 100},
        {VK_END, TB_BOTTOM, 200},     {VK_NEXT, TB_PAGEDOWN, 200}, {VK_HOME, TB_TOP, 0},
    };
    for (const Case& c : cases) {
        dialog_.notes.clear();
        Key(track.m_hWnd, c.key);
        auto notes = dialog_.Of(IDC_TRACK, WM_HSCROLL);
        ASSERT_EQ(2u, notes.size()) << c.key;
        EXPECT_EQ(c.code, notes[0].code) << c.key;
        EXPECT_EQ(c.pos, notes[0].delta) << "the position while the message is handled";
        EXPECT_EQ(TB_ENDTRACK, notes[1].code);
        EXPECT_EQ(c.pos, track.GetPos());
    }
    track.SetPos(500);
    EXPECT_EQ(200, track.GetPos());
    track.UnsubclassWindow();
}

TEST_F(TrackbarTest, DraggingTheThumbTracksThenPositions)
{
    CSliderCtrl track;
    ASSERT_TRUE(track.SubclassWindow(Item(IDC_TRACK)));
    track.SetRange(0, 100, TRUE);
    track.SetPos(0);
    auto* slider = WidgetOf<QSlider>(track.m_hWnd);
    ASSERT_NE(nullptr, slider);
    RECT thumb{}, channel{};
    track.GetThumbRect(&thumb);
    track.GetChannelRect(&channel);
    QPoint start((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    QPoint middle((channel.left + channel.right) / 2, start.y());
    SendMouse(slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
    SendMouse(slider, QEvent::MouseMove, middle, Qt::LeftButton);
    SendMouse(slider, QEvent::MouseButtonRelease, middle, Qt::NoButton);
    PumpDialogMessages();
    auto codes = dialog_.Codes(IDC_TRACK, WM_HSCROLL);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(TB_THUMBTRACK, codes.front());
    EXPECT_EQ(TB_THUMBPOSITION, codes[codes.size() - 2]);
    EXPECT_EQ(TB_ENDTRACK, codes.back());
    auto notes = dialog_.Of(IDC_TRACK, WM_HSCROLL);
    int pos = track.GetPos();
    EXPECT_GT(pos, 30);
    EXPECT_LT(pos, 70);
    EXPECT_EQ(pos, notes[notes.size() - 2].pos);
    // A click on the channel beyond the thumb pages toward it.
    dialog_.notes.clear();
    QPoint farEnd(channel.right - 3, start.y());
    SendMouse(slider, QEvent::MouseButtonPress, farEnd, Qt::LeftButton);
    SendMouse(slider, QEvent::MouseButtonRelease, farEnd, Qt::NoButton);
    PumpDialogMessages();
    codes = dialog_.Codes(IDC_TRACK, WM_HSCROLL);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(TB_PAGEDOWN, codes.front());
    EXPECT_EQ(TB_ENDTRACK, codes.back());
    EXPECT_EQ(std::min(100, pos + 20), track.GetPos());
    track.UnsubclassWindow();
}

TEST_F(TrackbarTest, SelectionBandIsDrawnOverTheGroove)
{
    CSliderCtrl track;
    ASSERT_TRUE(track.SubclassWindow(Item(IDC_TRACK)));
    track.SetRange(0, 100, TRUE);
    track.SetTicFreq(10);
    track.SetPos(0);
    auto* slider = WidgetOf<QSlider>(track.m_hWnd);
    ASSERT_NE(nullptr, slider);
    QColor highlight = slider->palette().color(QPalette::Highlight);
    auto bandColumns = [&] {
        QImage image = slider->grab().toImage();
        std::vector<int> columns;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (QColor(image.pixel(x, y)) == highlight) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    };
    EXPECT_TRUE(bandColumns().empty());
    track.SetSelection(40, 80);
    int start = 0, end = 0;
    track.GetSelection(start, end);
    EXPECT_EQ(40, start);
    EXPECT_EQ(80, end);
    auto columns = bandColumns();
    ASSERT_FALSE(columns.empty());
    RECT channel{};
    track.GetChannelRect(&channel);
    int width = channel.right - channel.left;
    EXPECT_NEAR(channel.left + width * 0.4, columns.front(), width * 0.1);
    EXPECT_NEAR(channel.left + width * 0.8, columns.back(), width * 0.1);
    gui_test::SaveScreenshot(slider->grab().toImage(), "mfc_trackbar_selection");
    track.ClearSel(TRUE);
    EXPECT_TRUE(bandColumns().empty());
    EXPECT_EQ(11, track.GetNumTics());
    track.UnsubclassWindow();
}

class UpDownTest : public ControlsTest {
public:
    POINT ArrowPoint(HWND updown, bool up)
    {
        RECT r;
        GetWindowRect(updown, &r);
        return POINT{(r.left + r.right) / 2, up ? r.top + 2 : r.bottom - 3};
    }
    void Click(HWND updown, bool up)
    {
        POINT p = ArrowPoint(updown, up);
        InjectMouseMove(p);
        InjectMouseButton(MouseButton::Left, true, p);
        InjectMouseButton(MouseButton::Left, false, p);
        PumpDialogMessages();
    }
};

TEST_F(UpDownTest, StepsFollowTheRangeAndTheParentsAnswer)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.SubclassWindow(Item(IDC_REVERSED)));
    spin.SetBuddy(CWnd::FromHandle(Item(IDC_REVERSED_EDIT)));
    struct Case {
        const char* what;
        int lower, upper, start;
        bool up;
        bool negate;
        bool cancel;
        int delta;  // as the control proposes it
        int end;
    };
    const Case cases[] = {
        {"up in a normal range", 0, 100, 50, true, false, false, 1, 51},
        {"down in a normal range", 0, 100, 50, false, false, false, -1, 49},
        {"up in a reversed range", 100, 10, 50, true, false, false, -1, 49},
        {"up in a reversed range, negated by the parent", 100, 10, 50, true, true, false, -1, 51},
        {"down in a reversed range, negated by the parent", 100, 10, 50, false, true, false, 1, 49},
        {"cancelled by the parent", 0, 100, 50, true, false, true, 1, 50},
        {"stops at the top", 0, 100, 100, true, false, false, 1, 100},
        {"negated at the reversed range's end", 100, 10, 100, true, true, false, -1, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        spin.SetRange32(c.lower, c.upper);
        spin.SetPos32(c.start);
        dialog_.notes.clear();
        dialog_.answer = [&](NMHDR* h) -> LRESULT {
            if (h->code != UDN_DELTAPOS) return 0;
            auto* nm = reinterpret_cast<NMUPDOWN*>(h);
            if (c.negate) nm->iDelta = -nm->iDelta;
            return c.cancel ? 1 : 0;
        };
        Click(spin.m_hWnd, c.up);
        auto asks = dialog_.Of(IDC_REVERSED, WM_NOTIFY);
        ASSERT_EQ(1u, asks.size());
        EXPECT_EQ(UDN_DELTAPOS, asks[0].code);
        EXPECT_EQ(c.start, asks[0].pos);
        EXPECT_EQ(c.delta, asks[0].delta);
        EXPECT_EQ(c.end, spin.GetPos32());
        auto scrolls = dialog_.Of(IDC_REVERSED, WM_VSCROLL);
        if (c.cancel) {
            ASSERT_EQ(1u, scrolls.size());
            EXPECT_EQ(SB_ENDSCROLL, scrolls[0].code);
        } else {
            ASSERT_EQ(2u, scrolls.size());
            EXPECT_EQ(SB_THUMBPOSITION, scrolls[0].code);
            EXPECT_EQ(c.end, static_cast<SHORT>(scrolls[0].pos));
            EXPECT_EQ(SB_ENDSCROLL, scrolls[1].code);
        }
    }
    spin.UnsubclassWindow();
}

TEST_F(UpDownTest, BuddyShowsAndGivesThePosition)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.SubclassWindow(Item(IDC_SPIN)));
    HWND buddy = Item(IDC_BUDDY);
    EXPECT_EQ(buddy, spin.GetBuddy()->m_hWnd);  // the window before it
    // Aligned at the buddy's right edge, which gave up that width.
    RECT b, s;
    GetWindowRect(buddy, &b);
    GetWindowRect(spin.m_hWnd, &s);
    EXPECT_EQ(b.right, s.left);
    EXPECT_EQ(b.top, s.top);
    EXPECT_EQ(b.bottom - b.top, s.bottom - s.top);
    spin.SetRange32(-20000, 20000);
    spin.SetPos32(-12345);
    CString text;
    CWnd(buddy).GetWindowText(text);
    EXPECT_EQ(L"-12345", text.str());  // UDS_NOTHOUSANDS
    SetWindowTextW(buddy, L" 42 ");
    BOOL error = TRUE;
    EXPECT_EQ(42, spin.GetPos32(&error));
    EXPECT_FALSE(error);
    SetWindowTextW(buddy, L"4x2");
    EXPECT_EQ(42, spin.GetPos32(&error));
    EXPECT_TRUE(error);
    EXPECT_NE(0, HIWORD(static_cast<DWORD>(spin.GetPos())));
    SetWindowTextW(buddy, L"30000");  // outside the range
    spin.GetPos32(&error);
    EXPECT_TRUE(error);
    // The arrow keys in the buddy step the up-down.
    SetWindowTextW(buddy, L"7");
    Key(buddy, VK_UP);
    CWnd(buddy).GetWindowText(text);
    EXPECT_EQ(L"8", text.str());
    EXPECT_EQ(8, spin.GetPos32());
    spin.UnsubclassWindow();
    // Without UDS_NOTHOUSANDS the number is grouped.
    CSpinButtonCtrl grouped;
    ASSERT_TRUE(grouped.SubclassWindow(Item(IDC_REVERSED)));
    grouped.ModifyStyle(0, UDS_SETBUDDYINT);
    grouped.SetBuddy(CWnd::FromHandle(Item(IDC_REVERSED_EDIT)));
    grouped.SetRange32(0, 100000);
    grouped.SetPos32(12345);
    CWnd(Item(IDC_REVERSED_EDIT)).GetWindowText(text);
    EXPECT_EQ(L"12,345", text.str());
    EXPECT_EQ(12345, grouped.GetPos32());
    grouped.UnsubclassWindow();
}

TEST_F(UpDownTest, HoldingRepeatsWithTheAccelerations)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.SubclassWindow(Item(IDC_REVERSED)));
    spin.SetRange32(0, 1000);
    spin.SetPos32(0);
    UDACCEL accel[] = {{0, 1}, {1, 10}};
    spin.SetAccel(2, accel);
    POINT p = ArrowPoint(spin.m_hWnd, true);
    InjectMouseMove(p);
    InjectMouseButton(MouseButton::Left, true, p);
    PumpDialogMessages();
    EXPECT_EQ(1, spin.GetPos32());
    clock_.Advance(450);  // the first repeat
    PumpDialogMessages();
    EXPECT_EQ(2, spin.GetPos32());
    clock_.Advance(700);  // held more than a second: ten at a time
    PumpDialogMessages();
    EXPECT_EQ(12, spin.GetPos32());
    InjectMouseButton(MouseButton::Left, false, p);
    PumpDialogMessages();
    clock_.Advance(500);
    PumpDialogMessages();
    EXPECT_EQ(12, spin.GetPos32());
    // With UDS_WRAP the end of the range goes round.
    spin.ModifyStyle(0, UDS_WRAP);
    spin.SetPos32(1000);
    Click(spin.m_hWnd, true);
    EXPECT_EQ(0, spin.GetPos32());
    spin.UnsubclassWindow();
}

using ProgressTest = ControlsTest;

TEST_F(ProgressTest, RangesPositionsAndSteps)
{
    CProgressCtrl progress;
    ASSERT_TRUE(progress.SubclassWindow(Item(IDC_PROGRESS)));
    progress.SetRange32(0, 100000);
    progress.SetPos(70000);
    EXPECT_EQ(70000, progress.GetPos());
    // The 16-bit message keeps only what its halves hold.
    progress.SendMessage(PBM_SETRANGE, 0, MAKELONG(0, static_cast<WORD>(70000)));
    int low = -1, high = -1;
    progress.GetRange(low, high);
    EXPECT_EQ(0, low);
    EXPECT_EQ(70000 & 0xFFFF, high);
    EXPECT_EQ(4464, progress.GetPos());  // clamped into the new range
    progress.SetRange32(0, 100);
    progress.SetPos(95);
    progress.SetStep(10);
    EXPECT_EQ(95, progress.StepIt());
    EXPECT_EQ(5, progress.GetPos());  // past the top it starts again
    EXPECT_EQ(5, progress.OffsetPos(200));
    EXPECT_EQ(100, progress.GetPos());
    progress.UnsubclassWindow();
}

class TabTest : public ControlsTest {
public:
    void SetUp() override
    {
        ControlsTest::SetUp();
        ASSERT_TRUE(tab_.SubclassWindow(Item(IDC_TAB)));
    }
    void TearDown() override
    {
        tab_.UnsubclassWindow();
        ControlsTest::TearDown();
    }
    CTabCtrl tab_;
};

TEST_F(TabTest, UserChoiceAsksFirstAndProgramChoiceIsSilent)
{
    EXPECT_EQ(-1, tab_.GetCurSel());
    EXPECT_EQ(0, tab_.InsertItem(0, L"Preview"));
    EXPECT_EQ(0, tab_.GetCurSel());  // the first tab is selected
    EXPECT_EQ(1, tab_.InsertItem(1, L"Log"));
    EXPECT_EQ(2, tab_.InsertItem(5, L"More"));
    EXPECT_EQ(0, tab_.SetCurSel(1));
    EXPECT_TRUE(dialog_.Of(IDC_TAB, WM_NOTIFY).empty());
    auto* bar = WidgetOf<QTabBar>(tab_.m_hWnd);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(1, bar->currentIndex());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    PumpDialogMessages();
    EXPECT_EQ(2, tab_.GetCurSel());
    EXPECT_EQ((std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}), dialog_.Codes(IDC_TAB, WM_NOTIFY));
    // A refusal keeps the tab.
    dialog_.notes.clear();
    dialog_.answer = [](NMHDR* h) -> LRESULT { return h->code == TCN_SELCHANGING; };
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    PumpDialogMessages();
    EXPECT_EQ(2, tab_.GetCurSel());
    EXPECT_EQ((std::vector<UINT>{TCN_SELCHANGING}), dialog_.Codes(IDC_TAB, WM_NOTIFY));
    dialog_.answer = nullptr;
    Key(tab_.m_hWnd, VK_LEFT);
    EXPECT_EQ(1, tab_.GetCurSel());
    TCITEMW item;
    wchar_t text[16] = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 16;
    ASSERT_TRUE(tab_.GetItem(1, &item));
    EXPECT_EQ(std::wstring(L"Log"), text);
}

TEST_F(TabTest, PagesBelowShowThroughTheDisplayArea)
{
    tab_.InsertItem(0, L"One");
    tab_.InsertItem(1, L"Two");
    RECT area;
    tab_.GetClientRect(&area);
    tab_.AdjustRect(FALSE, &area);
    RECT tabRect{};
    tab_.GetItemRect(0, &tabRect);
    EXPECT_GE(area.top, tabRect.bottom);
    tab_.MapWindowPoints(&dialog_, &area);
    POINT middle{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    POINT screen = middle;
    ClientToScreen(dialog_.m_hWnd, &screen);
    // The display area is not the tab control's.
    EXPECT_EQ(dialog_.m_hWnd, WindowFromPoint(screen));
    CDialog page(IDD_PAGE, &dialog_);
    ASSERT_TRUE(page.Create(IDD_PAGE, &dialog_));
    page.MoveWindow(&area);
    page.ShowWindow(SW_SHOW);
    HWND under = WindowFromPoint(screen);
    EXPECT_TRUE(under == page.m_hWnd || IsChild(page.m_hWnd, under));
    POINT onTab{(tabRect.left + tabRect.right) / 2, (tabRect.top + tabRect.bottom) / 2};
    ClientToScreen(tab_.m_hWnd, &onTab);
    EXPECT_EQ(tab_.m_hWnd, WindowFromPoint(onTab));
    PumpDialogMessages();
    QWidget* shot = GetWindowQWidget(dialog_.m_hWnd);
    gui_test::SaveScreenshot(shot->grab().toImage(), "mfc_controls_dialog");
}

using DateTimeTest = ControlsTest;

TEST_F(DateTimeTest, ProgramTimeIsSilentAndTheUsersIsReported)
{
    CDateTimeCtrl picker;
    ASSERT_TRUE(picker.SubclassWindow(Item(IDC_TIME)));
    picker.SetFormat(L"HH:mm:ss");
    SYSTEMTIME st;
    GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2020);
    st.wHour = 1;
    st.wMinute = 2;
    st.wSecond = 3;
    ASSERT_TRUE(picker.SetTime(&st));
    EXPECT_TRUE(dialog_.Of(IDC_TIME, WM_NOTIFY).empty());
    auto* edit = WidgetOf<QDateTimeEdit>(picker.m_hWnd);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(QString("01:02:03"), edit->text());
    SYSTEMTIME back;
    EXPECT_EQ(static_cast<DWORD>(GDT_VALID), picker.GetTime(&back));
    EXPECT_EQ(3723, back.wHour * 3600 + back.wMinute * 60 + back.wSecond);
    Key(picker.m_hWnd, VK_UP);
    auto notes = dialog_.Of(IDC_TIME, WM_NOTIFY);
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ(DTN_DATETIMECHANGE, notes[0].code);
    picker.GetTime(&back);
    EXPECT_EQ(notes[0].pos, back.wHour * 3600 + back.wMinute * 60 + back.wSecond);
    EXPECT_NE(3723, notes[0].pos);
    picker.UnsubclassWindow();
}

}  // namespace
