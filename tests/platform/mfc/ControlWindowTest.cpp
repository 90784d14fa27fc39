// The control skeleton: every control window has a state of its own, made
// with the window, alive while a message is handled even when the handling
// destroys the window, and released with the window. The keys a control
// hands back to its widget are served once, whatever the widget makes of
// them.
#include <functional>
#include <memory>
#include <string>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommCtrl.h"
#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/RichEdit.h"
#include "platform/win32/Module.h"

using namespace mfc_test;

namespace {

constexpr UINT kSetValue = WM_USER + 1;
constexpr UINT kGetValue = WM_USER + 2;
constexpr UINT kDestroyThenAnswer = WM_USER + 3;

// A control of the tests' own: holds one number and counts its live states.
struct CountedControl : mfc_controls::ControlWindow {
    using ControlWindow::ControlWindow;
    ~CountedControl() override { --live; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_NCCREATE: ++live; break;
        case kSetValue: value = static_cast<int>(wParam); return 0;
        case kGetValue: return value;
        case kDestroyThenAnswer:
            DestroyWindow(Handle());
            // The state is still there until this returns.
            value += 1000;
            return value;
        default: break;
        }
        return Default(message, wParam, lParam);
    }
    int value = 0;
    static inline int live = 0;
};

const wchar_t* CountedClass()
{
    static bool registered = false;
    if (!registered) {
        mfc_controls::ControlWindow::Register<CountedControl>(L"Test.CountedControl");
        registered = true;
    }
    return L"Test.CountedControl";
}

class ControlWindowTest : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        InitCommonControls();
        parent_ = gui_test::MakeTop(0, 0, 400, 300, WS_POPUP);
        ASSERT_NE(nullptr, parent_);
    }
    void TearDown() override
    {
        if (IsWindow(parent_)) DestroyWindow(parent_);
        MfcTest::TearDown();
    }
    HWND Make(const wchar_t* className, DWORD style = 0, int id = 1)
    {
        return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 60, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    HWND parent_ = nullptr;
};

TEST_F(ControlWindowTest, EachWindowHasItsOwnStateReleasedWithIt)
{
    const int before = CountedControl::live;
    HWND a = Make(CountedClass(), 0, 1);
    HWND b = Make(CountedClass(), 0, 2);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(before + 2, CountedControl::live);
    CountedControl* sa = mfc_controls::ControlWindow::Of<CountedControl>(a);
    CountedControl* sb = mfc_controls::ControlWindow::Of<CountedControl>(b);
    ASSERT_TRUE(sa && sb);
    EXPECT_NE(sa, sb);
    EXPECT_EQ(a, sa->Handle());

    SendMessageW(a, kSetValue, 3, 0);
    SendMessageW(b, kSetValue, 5, 0);
    EXPECT_EQ(3, SendMessageW(a, kGetValue, 0, 0));
    EXPECT_EQ(5, SendMessageW(b, kGetValue, 0, 0));
    // The skeleton keeps the font for every control.
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    SendMessageW(a, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageW(a, WM_GETFONT, 0, 0));
    EXPECT_EQ(0, SendMessageW(b, WM_GETFONT, 0, 0));

    DestroyWindow(a);
    EXPECT_EQ(before + 1, CountedControl::live);
    EXPECT_EQ(nullptr, mfc_controls::ControlWindow::Of<CountedControl>(a));
    EXPECT_EQ(0, SendMessageW(a, kGetValue, 0, 0));
    EXPECT_EQ(5, SendMessageW(b, kGetValue, 0, 0));

    // A window of another class is not taken for one of these.
    HWND edit = Make(L"Edit", 0, 3);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(nullptr, mfc_controls::ControlWindow::Of<CountedControl>(edit));

    // The handling that destroys its own window still has its state.
    SendMessageW(b, kSetValue, 7, 0);
    EXPECT_EQ(1007, SendMessageW(b, kDestroyThenAnswer, 0, 0));
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(before, CountedControl::live);

    // Children go with their parent, and so do their states.
    Make(CountedClass(), 0, 4);
    Make(CountedClass(), 0, 5);
    EXPECT_EQ(before + 2, CountedControl::live);
    DestroyWindow(parent_);
    EXPECT_EQ(before, CountedControl::live);
}

// Sets a control's value (a count, a position, a length) and reads it back
// through its own messages.
struct ValueCase {
    const wchar_t* className;
    DWORD style;
    std::function<void(HWND, int)> set;
    std::function<int(HWND)> get;
};

void AddStrings(HWND h, UINT message, int n)
{
    for (int i = 0; i < n; ++i) SendMessageW(h, message, 0, reinterpret_cast<LPARAM>(L"item"));
}

std::wstring Digits(int n) { return std::wstring(static_cast<size_t>(n), L'7'); }

TEST_F(ControlWindowTest, ControlsOfOneClassKeepSeparateStatesAndReleaseThemWithTheWindow)
{
    const std::vector<ValueCase> cases = {
        {L"Edit", 0, [](HWND h, int n) { SetWindowTextW(h, Digits(n).c_str()); },
         [](HWND h) { return GetWindowTextLengthW(h); }},
        {L"ComboBox", CBS_DROPDOWNLIST, [](HWND h, int n) { AddStrings(h, CB_ADDSTRING, n); },
         [](HWND h) { return static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0)); }},
        {L"ListBox", 0, [](HWND h, int n) { AddStrings(h, LB_ADDSTRING, n); },
         [](HWND h) { return static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0)); }},
        {PROGRESS_CLASSW, 0, [](HWND h, int n) { SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(n), 0); },
         [](HWND h) { return static_cast<int>(SendMessageW(h, PBM_GETPOS, 0, 0)); }},
        {TRACKBAR_CLASSW, 0, [](HWND h, int n) { SendMessageW(h, TBM_SETPOS, TRUE, n); },
         [](HWND h) { return static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0)); }},
        {UPDOWN_CLASSW, 0,
         [](HWND h, int n) {
             SendMessageW(h, UDM_SETRANGE32, 0, 100);
             SendMessageW(h, UDM_SETPOS32, 0, n);
         },
         [](HWND h) { return static_cast<int>(SendMessageW(h, UDM_GETPOS32, 0, 0)); }},
        {WC_TABCONTROLW, 0,
         [](HWND h, int n) {
             for (int i = 0; i < n; ++i) {
                 TCITEMW item;
                 item.mask = TCIF_TEXT;
                 item.pszText = const_cast<LPWSTR>(L"tab");
                 SendMessageW(h, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
             }
         },
         [](HWND h) { return static_cast<int>(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0)); }},
        {DATETIMEPICK_CLASSW, 0,
         [](HWND h, int n) {
             SYSTEMTIME st{};
             st.wYear = static_cast<WORD>(2000 + n);
             st.wMonth = 6;
             st.wDay = 15;
             SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
         },
         [](HWND h) {
             SYSTEMTIME st{};
             SendMessageW(h, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
             return st.wYear - 2000;
         }},
        {WC_LISTVIEWW, LVS_REPORT,
         [](HWND h, int n) {
             for (int i = 0; i < n; ++i) {
                 LVITEMW item;
                 item.mask = LVIF_TEXT;
                 item.iItem = i;
                 item.pszText = const_cast<LPWSTR>(L"row");
                 SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
             }
         },
         [](HWND h) { return static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0)); }},
        {RICHEDIT_CLASSW, ES_MULTILINE, [](HWND h, int n) { SetWindowTextW(h, Digits(n).c_str()); },
         [](HWND h) { return GetWindowTextLengthW(h); }},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.className, c.className + wcslen(c.className)));
        HWND first = Make(c.className, c.style, 10);
        HWND second = Make(c.className, c.style, 11);
        ASSERT_TRUE(first && second);
        ASSERT_NE(nullptr, GetWindowClassState(first));
        EXPECT_NE(GetWindowClassState(first), GetWindowClassState(second));
        c.set(first, 3);
        c.set(second, 5);
        EXPECT_EQ(3, c.get(first));
        EXPECT_EQ(5, c.get(second));

        std::weak_ptr<WindowClassState> gone = HoldWindowClassState(first);
        DestroyWindow(first);
        EXPECT_TRUE(gone.expired()) << "the destroyed control's state is released";
        EXPECT_EQ(0, SendMessageW(first, WM_GETTEXTLENGTH, 0, 0));
        EXPECT_EQ(5, c.get(second));
        // A new window of the class starts from its own first state.
        HWND third = Make(c.className, c.style, 12);
        ASSERT_NE(nullptr, third);
        EXPECT_NE(5, c.get(third));
        std::weak_ptr<WindowClassState> secondState = HoldWindowClassState(second);
        DestroyWindow(second);
        DestroyWindow(third);
        EXPECT_TRUE(secondState.expired());
    }
}

// Keys typed into a control go through the input queue and the dialog's
// keyboard handling to the control, which hands them back to its widget.
// What the widget refuses (a modifier alone, the release of a key, a key it
// has no use for) must stop there: going round through the queue again it
// would reach the control again, for ever, and the modal loop would serve
// nothing else. Run in real modal loops, in every kind of control that
// takes keys; capital letters are typed with Shift held down.
TEST_F(ControlWindowTest, KeysAWidgetRefusesAreServedOnceInEveryControl)
{
    constexpr int kRichEditId = 4000;
    LoadLibraryW(L"RICHED20.DLL");
    struct Case {
        const char* what;
        int dialog;
        int id;
        const wchar_t* typed;  // what typing "Ab" leaves; null: the control takes no text
    };
    const Case cases[] = {
        {"single-line edit", IDD_SAMPLE, IDC_NAME, L"Ab"},
        {"number edit", IDD_SAMPLE, IDC_COUNT, L"5"},  // letters refused: its text stays
        {"multi-line edit", IDD_SAMPLE, IDC_NOTES, L"Ab"},
        {"rich edit", IDD_SAMPLE, kRichEditId, L"Ab"},
        {"editable combo box", IDD_CONTROLS, IDC_EDIT_COMBO, L"Ab"},
        {"drop-down list", IDD_CONTROLS, IDC_LIST_COMBO, nullptr},
        {"list view", IDD_CONTROLS, IDC_LISTVIEW, nullptr},
        {"date-time picker", IDD_CONTROLS, IDC_TIME, nullptr},
    };
    const WORD kF5 = VK_F1 + 4;  // a key no control has a use for
    const WORD alone[] = {VK_SHIFT, VK_CONTROL, kF5, VK_LEFT, VK_RIGHT, VK_HOME};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDialog dialog(static_cast<UINT>(c.dialog));
        driver_.Expect(c.dialog, [&](DialogDriver& d) {
            if (c.id == kRichEditId) {
                ASSERT_TRUE(CreateWindowExW(
                    0, RICHEDIT_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 10, 10, 100, 40,
                    d.Dialog(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRichEditId)), nullptr, nullptr));
            }
            d.Focus(c.id);
            for (WORD key : alone) {
                SCOPED_TRACE(key);
                d.KeyDown(key);
                EXPECT_TRUE(PumpUntilQuiet()) << "the key went round";
                d.KeyUp(key);
                EXPECT_TRUE(PumpUntilQuiet()) << "the key's release went round";
            }
            if (c.typed) {
                d.Type(c.id, L"Ab");
                EXPECT_TRUE(PumpUntilQuiet());
                EXPECT_EQ(c.typed, d.Text(c.id));
            }
            EXPECT_EQ(d.Item(c.id), GetFocus());
            d.Cancel();
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
    }
}

}  // namespace
