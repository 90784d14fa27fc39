// The numeric edit and its up-down: what counts as a number, keys that are
// undone, the decimals shown, stepping within the range (reversed ranges
// included), the up-down's own range, and the explaining message boxes.
#include <gtest/gtest.h>

#include <cfloat>

#include "UiTestIds.h"
#include "UiTestSupport.h"
#include "encoder/ui/controls/HNumEdit.h"
#include "encoder/ui/controls/HNumSpinCtrl.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/gui/Input.h"

using namespace mfc_test;

namespace {

class NumberDialog : public CDialog {
public:
    NumberDialog() : CDialog(IDD_TEST_CONTROLS) {}
    HNumEdit number;
    HNumSpinCtrl spin;
    HNumEdit number2;
    HNumSpinCtrl spin2;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_TEST_NUM, number);
        DDX_Control(dx, IDC_TEST_SPIN, spin);
        DDX_Control(dx, IDC_TEST_NUM2, number2);
        DDX_Control(dx, IDC_TEST_SPIN2, spin2);
    }
};

class NumEditTest : public ModelessDialogTest<NumberDialog, IDD_TEST_CONTROLS> {
protected:
    std::wstring Text(CWnd& w)
    {
        CString text;
        w.GetWindowText(text);
        return text.str();
    }
    void ClickArrow(CWnd& updown, bool up, int times = 1)
    {
        RECT r;
        updown.GetWindowRect(&r);
        POINT p{(r.left + r.right) / 2, up ? r.top + 2 : r.bottom - 3};
        for (int i = 0; i < times; ++i) {
            InjectMouseMove(p);
            InjectMouseButton(MouseButton::Left, true, p);
            InjectMouseButton(MouseButton::Left, false, p);
            PumpDialogMessages();
        }
    }
};

TEST_F(NumEditTest, VerifySortsTextsIntoNumbersRangesAndIncompleteSigns)
{
    HNumEdit& e = dialog_.number;
    e.SetRange(-2.5f, 4.0f);
    struct Case {
        const wchar_t* text;
        int result;
    };
    const Case cases[] = {
        {L"1.5", HNumEdit::kValid},        {L" 1.5", HNumEdit::kValid},      {L"1.5 ", HNumEdit::kValid},
        {L"-2.5", HNumEdit::kValid},       {L"4", HNumEdit::kValid},         {L".5", HNumEdit::kValid},
        {L"3.", HNumEdit::kValid},         {L"4e-1", HNumEdit::kValid},      {L"+2", HNumEdit::kValid},
        {L"4.01", HNumEdit::kOutOfRange},  {L"-3", HNumEdit::kOutOfRange},   {L"1e39", HNumEdit::kOutOfRange},
        {L"-1e39", HNumEdit::kOutOfRange}, {L"+", HNumEdit::kIncomplete},    {L"-", HNumEdit::kIncomplete},
        {L"", HNumEdit::kNotANumber},      {L"x", HNumEdit::kNotANumber},    {L"1.5x", HNumEdit::kNotANumber},
        {L"1.5 x", HNumEdit::kNotANumber}, {L"1,5", HNumEdit::kNotANumber},  {L".", HNumEdit::kNotANumber},
        {L"--1", HNumEdit::kNotANumber},   {L"+-", HNumEdit::kNotANumber},   {L"nan", HNumEdit::kNotANumber},
        {L"inf", HNumEdit::kNotANumber},   {L"0x10", HNumEdit::kNotANumber},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, e.Verify(c.text)) << WideToUtf8(c.text);
}

TEST_F(NumEditTest, ValuesKeepTheDecimalsShownAndRefuseWhatIsOutOfRange)
{
    HNumEdit& e = dialog_.number;
    e.SetRange(0.0f, 10.0f);
    EXPECT_EQ(1, e.SetValue(1.25f));
    EXPECT_EQ(L"1.25", Text(e));
    EXPECT_EQ(1, e.SetValue(2.0f));
    EXPECT_EQ(L"2.00", Text(e));  // the decimals shown never shrink
    EXPECT_EQ(2, e.DecimalsShown());
    // Refused: out of the range, or not a number; the text stays.
    for (float bad : {10.5f, -0.01f, std::numeric_limits<float>::quiet_NaN(), HUGE_VALF}) {
        EXPECT_EQ(0, e.SetValue(bad)) << bad;
        EXPECT_EQ(L"2.00", Text(e)) << bad;
    }
    EXPECT_FLOAT_EQ(2.0f, e.GetValue());
    // A text that is not a number (or out of range) reads as the minimum.
    for (const wchar_t* text : {L"abc", L"", L"-", L"11"}) {
        e.SetWindowText(text);
        EXPECT_FLOAT_EQ(0.0f, e.GetValue()) << WideToUtf8(text);
    }
    // Without a range of its own the edit takes every float.
    HNumEdit& wide = dialog_.number2;
    float minimum = 0, maximum = 0;
    wide.GetRange(minimum, maximum);
    EXPECT_EQ(-FLT_MAX, minimum);
    EXPECT_EQ(FLT_MAX, maximum);
}

TEST_F(NumEditTest, KeysThatBreakTheNumberAreUndone)
{
    HNumEdit& e = dialog_.number;
    e.SetRange(-5.0f, 4.0f);
    e.SetValue(1.5f);
    DialogDriver d(dialog_.m_hWnd);

    // A letter brings the old text back, wholly selected.
    d.Type(IDC_TEST_NUM, L"x");
    EXPECT_EQ(L"1.5", Text(e));
    EXPECT_EQ(MAKELONG(0, 3), static_cast<LONG>(e.GetSel()));
    // A lone sign stays until the next key.
    e.SetWindowText(L"");
    d.Type(IDC_TEST_NUM, L"-");
    EXPECT_EQ(L"-", Text(e));
    d.Key(0x33, L'3');
    EXPECT_EQ(L"-3", Text(e));
    // Out of the range: undone.
    d.Key(0x33, L'3');
    EXPECT_EQ(L"-3.0", Text(e));  // written back with the decimals shown
    // Blanks are swallowed.
    e.SetValue(2.0f);
    d.Key(VK_SPACE, L' ');
    EXPECT_EQ(L"2.0", Text(e));
    // Typing a longer number raises the decimals shown.
    d.Type(IDC_TEST_NUM, L"1.125");
    EXPECT_EQ(L"1.125", Text(e));
    EXPECT_EQ(3, e.DecimalsShown());
    // Characters queued behind a refused one are dropped with it.
    e.SetValue(1.0f);
    e.SetSel(0, -1);
    e.PostMessage(WM_CHAR, L'x', 1);
    e.PostMessage(WM_CHAR, L'7', 1);
    PumpDialogMessages();
    EXPECT_EQ(L"1.000", Text(e));
    // Pasting is checked the same way.
    clipboard_.content = L"zz";
    e.SetSel(0, -1);
    e.SendMessage(WM_PASTE);
    EXPECT_EQ(L"1.000", Text(e));
    clipboard_.content = L"3.5";
    e.SetSel(0, -1);
    e.SendMessage(WM_PASTE);
    EXPECT_EQ(L"3.5", Text(e));
    EXPECT_TRUE(answers_.questions.empty());
}

TEST_F(NumEditTest, VerboseEditExplainsWhatItRefuses)
{
    HNumEdit& e = dialog_.number;
    e.SetVerbose(1);
    EXPECT_EQ(1, e.GetVerbose());
    e.SetRange(0.0f, 4.0f);
    e.SetValue(1.0f);
    DialogDriver d(dialog_.m_hWnd);
    d.Type(IDC_TEST_NUM, L"x");
    d.Type(IDC_TEST_NUM, L"9");
    EXPECT_EQ(L"1", Text(e));
    ASSERT_EQ(2u, answers_.questions.size());
    EXPECT_EQ(L"Characters must be a number.\n", answers_.questions[0].text);
    EXPECT_EQ(L"Given value is out of range.\n", answers_.questions[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), answers_.questions[0].type & 0xF0u);
    // The text before a key is read without a message: an empty edit takes
    // its first digit quietly.
    e.SetWindowText(L"");
    d.Type(IDC_TEST_NUM, L"2");
    EXPECT_EQ(L"2", Text(e));
    EXPECT_EQ(2u, answers_.questions.size());
}

TEST_F(NumEditTest, UpDownStepsTheBuddyWithinItsRange)
{
    struct Case {
        float min, max;  // as given to SetRange: the second case is reversed
    };
    for (const Case& c : {Case{0.0f, 4.0f}, Case{4.0f, 0.0f}}) {
        HNumSpinCtrl& spin = dialog_.spin;
        spin.SetBuddy(&dialog_.number);
        EXPECT_EQ(0.0f, dialog_.number.GetValue());
        spin.SetRange(c.min, c.max);
        spin.SetDelta(0.1f);
        EXPECT_FLOAT_EQ(0.1f, spin.GetDelta());
        float minimum = 0, maximum = 0;
        spin.GetRange(minimum, maximum);
        EXPECT_EQ(0.0f, minimum);
        EXPECT_EQ(4.0f, maximum);
        int lower = 0, upper = 0;
        spin.GetRange32(lower, upper);
        EXPECT_EQ(0, lower);
        EXPECT_EQ(1000, upper);
        spin.SetValue(3.5f);
        EXPECT_EQ(500, spin.GetPos32());
        // Ten up clicks from 3.5 end at 4.0 and stay there.
        ClickArrow(spin, true, 10);
        EXPECT_EQ(L"4.0", Text(dialog_.number));
        EXPECT_FLOAT_EQ(4.0f, spin.GetValue());
        // Down to the minimum, which holds too.
        ClickArrow(spin, false, 45);
        EXPECT_EQ(L"0.0", Text(dialog_.number));
        ClickArrow(spin, true, 3);
        EXPECT_EQ(L"0.3", Text(dialog_.number));
    }
}

TEST_F(NumEditTest, UpDownNeverStopsAtTheEndsOfItsOwnRange)
{
    // The second up-down keeps the system's default range (100 down to 0)
    // until it gets a buddy; its up arrow still steps up.
    HNumSpinCtrl& spin = dialog_.spin2;
    spin.SetBuddy(&dialog_.number2);
    dialog_.number2.SetRange(-2000.0f, 2000.0f);
    ClickArrow(spin, true, 3);
    EXPECT_EQ(L"3", Text(dialog_.number2));
    // More clicks than the up-down's own range has room for, each way.
    ClickArrow(spin, true, 600);
    EXPECT_EQ(L"603", Text(dialog_.number2));
    ClickArrow(spin, false, 1300);
    EXPECT_EQ(L"-697", Text(dialog_.number2));
    int position = spin.GetPos32();
    EXPECT_GT(position, 0);
    EXPECT_LT(position, 1000);
    // The buddy's text is never the up-down's own position.
    EXPECT_EQ(0u, spin.GetStyle() & UDS_SETBUDDYINT);
}

TEST_F(NumEditTest, UpDownWithoutANumericBuddyDoesNothing)
{
    HNumSpinCtrl& spin = dialog_.spin;
    HWND plain = GetDlgItem(dialog_.m_hWnd, IDC_TEST_SWATCH);
    spin.SetBuddy(CWnd::FromHandle(plain));
    EXPECT_EQ(nullptr, spin.NumericBuddy());
    ASSERT_NE(nullptr, spin.GetBuddy());
    EXPECT_EQ(plain, spin.GetBuddy()->m_hWnd);
    spin.SetRange(0.0f, 5.0f);
    spin.SetValue(2.0f);
    spin.SetDelta(3.0f);
    EXPECT_EQ(0.0f, spin.GetDelta());
    EXPECT_EQ(0.0f, spin.GetValue());
    float minimum = 1, maximum = 1;
    spin.GetRange(minimum, maximum);
    EXPECT_EQ(0.0f, minimum);
    EXPECT_EQ(0.0f, maximum);
}

}  // namespace
