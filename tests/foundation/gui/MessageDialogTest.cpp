// The message dialog: layout numbers, every answer, countdown, check box,
// custom captions, the wait box, and screenshots with Korean text.
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <deque>

#include "foundation/gui/MessageDialog.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/UserLanguage.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

using namespace gui_test;

namespace {

// ---- Layout with fixed text metrics ---------------------------------------------------

MessageDialogMetrics Metrics(int h, int w, std::initializer_list<int> buttons, int check = -1, bool wait = false)
{
    MessageDialogMetrics m;
    m.textBlockHeight = h;
    m.textBlockWidth = w;
    int i = 0;
    for (int b : buttons) {
        m.buttonHasText[i] = b >= 0;
        m.buttonTextWidth[i] = std::max(b, 0);
        ++i;
    }
    m.checkBox = check >= 0;
    m.checkTextWidth = std::max(check, 0);
    m.waitBox = wait;
    return m;
}

TEST(MessageDialogLayout, ShortTextGivesTheMinimumBody)
{
    MessageDialogLayout l = ComputeMessageDialogLayout(Metrics(13, 30, {20, 40, -1}));
    EXPECT_EQ(l.bodyWidth, 230);
    EXPECT_EQ(l.bodyHeight, 32);
    EXPECT_EQ(l.window, (SIZE{250, 142}));
    EXPECT_EQ(l.frame, (RECT{7, 30, 237, 94}));
    EXPECT_EQ(l.icon, (RECT{17, 50, 49, 82}));
    EXPECT_EQ(l.text, (RECT{59, 59, 227, 72}));
    EXPECT_EQ(l.title, (RECT{5, 5, 240, 25}));
    // 70 wide each; right-aligned with 5-pixel gaps, ending at W + 2.
    EXPECT_EQ(l.buttons[1], (RECT{162, 107, 232, 132}));
    EXPECT_EQ(l.buttons[0], (RECT{87, 107, 157, 132}));
    EXPECT_EQ(l.buttonWidth[2], 0);
    EXPECT_EQ(l.checkWidth, 0);
}

TEST(MessageDialogLayout, WideAndTallTexts)
{
    MessageDialogLayout l = ComputeMessageDialogLayout(Metrics(65, 300, {20, -1, -1}));
    EXPECT_EQ(l.bodyWidth, 370);
    EXPECT_EQ(l.window, (SIZE{390, 175}));
    EXPECT_EQ(l.text, (RECT{59, 50, 367, 115}));          // (Y + 40 - H) / 2 + 30 with Y = H
    EXPECT_EQ(l.icon, (RECT{17, 66, 49, 98}));            // (65 + 8) / 2 + 30
    EXPECT_EQ(l.buttons[0], (RECT{302, 140, 372, 165}));  // alone: x = W + 7 - w - 5
}

TEST(MessageDialogLayout, ButtonsAndCheckBoxWidenTheBody)
{
    // Wide button texts (w + 10) and a check box (w + 20) need 445 pixels.
    MessageDialogLayout l = ComputeMessageDialogLayout(Metrics(13, 30, {90, 90, 90}, 100));
    EXPECT_EQ(l.buttonWidth[0], 100);
    EXPECT_EQ(l.checkWidth, 120);
    EXPECT_EQ(l.bodyWidth, 445);
    EXPECT_EQ(l.buttons[2], (RECT{347, 107, 447, 132}));
    EXPECT_EQ(l.buttons[1], (RECT{242, 107, 342, 132}));
    EXPECT_EQ(l.buttons[0], (RECT{137, 107, 237, 132}));
    EXPECT_EQ(l.check, (RECT{10, 107, 130, 132}));
    // The wait box is 25 pixels lower.
    EXPECT_EQ(ComputeMessageDialogLayout(Metrics(13, 30, {-1, -1, -1}, -1, true)).window, (SIZE{250, 117}));
}

TEST(MessageDialogLayout, AnEmptyThirdCaptionHasNoWidth)
{
    MessageDialogLayout l = ComputeMessageDialogLayout(Metrics(13, 30, {30, 30, -1}));
    EXPECT_EQ(l.buttonWidth[2], 0);
    EXPECT_EQ(l.buttons[2].left, 237);  // W + 7
    EXPECT_EQ(l.buttons[1].right, 232);
}

// ---- The running dialog --------------------------------------------------------------

// The icon the dialogs of these tests show, registered as the program's
// icon: a blue rounded square with a white play mark and a small orange
// arrow.
constexpr WORD kTestIconId = 128;

QImage DrawTestIcon()
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0, QColor(58, 120, 230));
    fill.setColorAt(1, QColor(20, 60, 160));
    p.setPen(QPen(QColor(12, 40, 110), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    QPainterPath play;
    play.moveTo(10, 8);
    play.lineTo(23, 16);
    play.lineTo(10, 24);
    play.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(play);
    p.setBrush(QColor(255, 150, 40));
    QPainterPath arrow;
    arrow.moveTo(20, 23);
    arrow.lineTo(28, 23);
    arrow.lineTo(28, 19);
    arrow.lineTo(31, 25);
    arrow.lineTo(28, 31);
    arrow.lineTo(28, 27);
    arrow.lineTo(20, 27);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.end();
    return img;
}

class MessageDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        SetUserDefaultLangID(1042);
        RegisterIconResource(kTestIconId, DrawTestIcon());
        SetMessageDialogIcon(nullptr, kTestIconId);
        helper_ = MakeTop(-500, -500, 10, 10, WS_POPUP);  // hidden: runs steps inside the dialog's loop
        SetHandler(helper_, [this](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_APP) return std::nullopt;
            if (!steps_.empty()) {
                auto step = steps_.front();
                steps_.pop_front();
                step();
            }
            return 0;
        });
    }
    void TearDown() override
    {
        SetUserDefaultLangID(0);
        GuiTest::TearDown();
    }
    // Runs once the dialog's own loop takes messages.
    void Later(std::function<void()> step)
    {
        steps_.push_back(std::move(step));
        PostMessageW(helper_, WM_APP, 0, 0);
    }
    static HWND Dialog() { return FindWindowW(L"#32770", nullptr); }
    static POINT Centre(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static std::wstring TextOf(HWND w)
    {
        wchar_t buf[256] = {};
        GetWindowTextW(w, buf, 256);
        return buf;
    }
    static void Click(int id)
    {
        POINT p = Centre(GetDlgItem(Dialog(), id));
        InjectMouseButton(MouseButton::Left, true, p);
        InjectMouseButton(MouseButton::Left, false, p);
    }
    std::string Shot(const std::string& name)
    {
        HWND d = Dialog();
        Pump();
        QImage img = GetWindowQWidget(d)->grab().toImage();
        return SaveScreenshot(img, name);
    }
    HWND helper_ = nullptr;
    std::deque<std::function<void()>> steps_;
};

enum class Close { Button1, Button2, Button3, Escape, SystemClose, Enter, CloseMessage };

struct AnswerCase {
    UINT type;
    Close how;
    int expected;
};

class MessageDialogAnswers : public MessageDialogTest, public testing::WithParamInterface<AnswerCase> {};

TEST_P(MessageDialogAnswers, EveryButtonSetAndClosePath)
{
    const AnswerCase c = GetParam();
    Later([c] {
        HWND d = Dialog();
        ASSERT_NE(d, nullptr);
        switch (c.how) {
        case Close::Button1: Click(10); break;
        case Close::Button2: Click(20); break;
        case Close::Button3: Click(30); break;
        case Close::Escape: InjectKey(VK_ESCAPE, true, L'\x1b'); break;
        case Close::SystemClose: PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case Close::Enter: InjectKey(VK_RETURN, true, L'\r'); break;
        case Close::CloseMessage: PostMessageW(d, MessageDialogCloseMessage(), 0, 0); break;
        }
    });
    EXPECT_EQ(ShowMessageDialog(nullptr, L"질문", L"RivoEnc", c.type), c.expected);
    EXPECT_EQ(Dialog(), nullptr);
}

std::string AnswerName(const testing::TestParamInfo<AnswerCase>& i)
{
    static const char* const how[] = {"button1",     "button2", "button3",     "escape",
                                      "systemclose", "enter",   "closemessage"};
    return "set" + std::to_string(i.param.type & 0xF) + "_bits" + std::to_string(i.param.type & ~0xFu) + "_" +
           how[static_cast<int>(i.param.how)];
}

INSTANTIATE_TEST_SUITE_P(
    Table, MessageDialogAnswers,
    testing::Values(AnswerCase{0, Close::Button1, IDOK}, AnswerCase{0, Close::Escape, IDOK},
                    AnswerCase{0, Close::SystemClose, IDOK}, AnswerCase{0, Close::CloseMessage, IDOK},
                    AnswerCase{1, Close::Button1, IDOK}, AnswerCase{1, Close::Button2, IDCANCEL},
                    AnswerCase{1, Close::Escape, IDCANCEL}, AnswerCase{1, Close::SystemClose, IDCANCEL},
                    AnswerCase{1, Close::Enter, IDOK}, AnswerCase{1 | 0x100, Close::Enter, IDCANCEL},
                    AnswerCase{1, Close::CloseMessage, IDOK}, AnswerCase{3, Close::Button1, IDYES},
                    AnswerCase{3, Close::Button2, IDNO}, AnswerCase{3, Close::Button3, IDCANCEL},
                    AnswerCase{3, Close::Escape, IDCANCEL}, AnswerCase{3, Close::SystemClose, IDCANCEL},
                    AnswerCase{3 | 0x200, Close::Enter, IDCANCEL}, AnswerCase{3 | 0x100, Close::Enter, IDNO},
                    AnswerCase{3, Close::CloseMessage, IDYES}, AnswerCase{4, Close::Button1, IDYES},
                    AnswerCase{4, Close::Button2, IDNO}, AnswerCase{4, Close::Escape, IDNO},
                    AnswerCase{4, Close::SystemClose, IDNO}, AnswerCase{4, Close::Enter, IDYES},
                    AnswerCase{4 | 36, Close::CloseMessage, IDYES}),
    AnswerName);

// Where nobody can answer, the program's dialog is never shown: the default
// button answers at once, as when a countdown runs out, a check box keeps
// its first state, and the text goes to the standard error stream.
TEST_F(MessageDialogTest, UnattendedDialogsTakeTheirDefaultButton)
{
    struct Case {
        UINT type;
        UINT options;
        int answer;
        int check;  // the check result afterwards
    };
    const Case cases[] = {
        {0, 0, IDOK, -1},
        {1, 0, IDOK, -1},
        {1 | 0x100, 0, IDCANCEL, -1},
        {4, 0, IDYES, -1},
        {4 | 0x100, MDO_CHECKBOX, IDNO, 0},
        {3, MDO_CUSTOMBUTTONS, IDYES, -1},
        {3 | 0x100, 0, IDNO, -1},
        {3 | 0x200, MDO_CHECKBOXSET, IDCANCEL, 1},
    };
    SetUnattendedMessageBoxes(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.options);
        int check = -1;
        testing::internal::CaptureStderr();
        const MessageDialogArg arg =
            (c.options & (MDO_CHECKBOX | MDO_CHECKBOXSET)) ? MessageDialogArg(L"다시 묻지 않기") : MessageDialogArg();
        EXPECT_EQ(c.answer, ShowMessageDialog(nullptr, L"계속할까요?\n\n - a.avi", L"RivoEnc", c.type, c.options, arg,
                                              L"예,아니요,취소", &check));
        EXPECT_EQ("RivoEnc: 계속할까요?  - a.avi\n", testing::internal::GetCapturedStderr());
        EXPECT_EQ(c.check, check);
    }
    SetUnattendedMessageBoxes(false);
}

TEST_F(MessageDialogTest, ASmallDialogIsTwoHundredFiftyWideWithKoreanButtons)
{
    Later([] {
        HWND d = Dialog();
        RECT r;
        GetWindowRect(d, &r);
        EXPECT_EQ(r.right - r.left, 250);
        EXPECT_EQ(TextOf(GetDlgItem(d, 10)), L"확인");
        EXPECT_EQ(TextOf(GetDlgItem(d, 20)), L"취소");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 30)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 40)));
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), 10);
        // Dragging from anywhere inside moves the dialog.
        POINT inside{r.left + 30, r.top + 60};
        EXPECT_EQ(SendMessageW(d, WM_NCHITTEST, 0, MAKELONG(inside.x, inside.y)), HTCAPTION);
        PostMessageW(d, MessageDialogCloseMessage(), 0, 0);
    });
    EXPECT_EQ(ShowMessageDialog(nullptr, L"짧은 글", L"RivoEnc", 1), IDOK);
}

TEST_F(MessageDialogTest, TheDialogIsCentredOnAVisibleOwner)
{
    HWND owner = MakeTop(300, 200, 600, 400, WS_POPUP | WS_VISIBLE);
    Later([owner] {
        HWND d = Dialog();
        RECT r, o;
        GetWindowRect(d, &r);
        GetWindowRect(owner, &o);
        EXPECT_EQ((r.left + r.right) / 2, (o.left + o.right) / 2);
        EXPECT_NEAR((r.top + r.bottom) / 2, (o.top + o.bottom) / 2, 1);
        EXPECT_FALSE(IsWindowEnabled(owner));
        InjectKey(VK_ESCAPE, true);
    });
    ShowMessageDialog(owner, L"소유 창 가운데", L"RivoEnc", 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(MessageDialogTest, CountdownShowsTheSecondsAndAnswersTheDefaultButton)
{
    std::vector<std::wstring> texts;
    Later([&] {
        HWND d = Dialog();
        texts.push_back(TextOf(GetDlgItem(d, 27)));
        for (int i = 0; i < 5 && IsWindow(d); ++i) {
            clock_.Advance(1000);
            MSG m;
            if (PeekMessageW(&m, d, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&m);
            if (IsWindow(d) && IsWindowVisible(d)) texts.push_back(TextOf(GetDlgItem(d, 27)));
        }
    });
    // A language text whose other '%' signs stay as written.
    int r = ShowMessageDialog(nullptr, L"100% 완료, %d초 뒤에 닫힙니다", L"RivoEnc", 3 | 0x200, MDO_AUTOCLOSE, 5);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"100% 완료, 5초 뒤에 닫힙니다", L"100% 완료, 4초 뒤에 닫힙니다",
                                                L"100% 완료, 3초 뒤에 닫힙니다", L"100% 완료, 2초 뒤에 닫힙니다",
                                                L"100% 완료, 1초 뒤에 닫힙니다"}));
}

TEST_F(MessageDialogTest, CountdownWithoutDefaultBitsAnswersLikeTheCloseMessage)
{
    Later([&] {
        HWND d = Dialog();
        for (int i = 0; i < 2 && IsWindow(d); ++i) {
            clock_.Advance(1000);
            MSG m;
            if (PeekMessageW(&m, d, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&m);
        }
    });
    EXPECT_EQ(ShowMessageDialog(nullptr, L"시간 제한", L"RivoEnc", 4, MDO_AUTOCLOSE, 2), IDYES);
}

TEST_F(MessageDialogTest, CheckBoxStateIsHandedBack)
{
    int checked = 5;
    Later([&] {
        HWND d = Dialog();
        EXPECT_EQ(checked, 0);  // set at initialisation
        HWND box = GetDlgItem(d, 40);
        EXPECT_TRUE(IsWindowVisible(box));
        EXPECT_EQ(TextOf(box), L"다시 묻지 않기");
        Click(40);
        Pump();
        EXPECT_EQ(checked, 1);
        EXPECT_TRUE(IsWindow(Dialog()));  // a check keeps the dialog open
        Shot("message_dialog_check_ko");
        Click(10);
    });
    int r = ShowMessageDialog(nullptr, L"PSP 출력 크기가 너무 큽니다.\n계속하시겠습니까?", L"RivoEnc", 4 | 0x100,
                              MDO_CHECKBOX, L"다시 묻지 않기", nullptr, &checked);
    EXPECT_EQ(r, IDYES);
    EXPECT_EQ(checked, 1);

    int preset = 0;
    Later([&] {
        EXPECT_EQ(SendMessageW(GetDlgItem(Dialog(), 40), BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
        Click(40);
        Pump();
        Click(20);
    });
    EXPECT_EQ(ShowMessageDialog(nullptr, L"질문", L"RivoEnc", 4, MDO_CHECKBOXSET, L"기억", nullptr, &preset), IDNO);
    EXPECT_EQ(preset, 0);
}

TEST_F(MessageDialogTest, CustomCaptionsFromAList)
{
    Later([&] {
        HWND d = Dialog();
        EXPECT_EQ(TextOf(GetDlgItem(d, 10)), L"시작");
        EXPECT_EQ(TextOf(GetDlgItem(d, 20)), L"중지");
        RECT third;
        GetWindowRect(GetDlgItem(d, 30), &third);
        EXPECT_EQ(third.right - third.left, 0);
        Shot("message_dialog_custom_ko");
        Click(20);
    });
    EXPECT_EQ(ShowMessageDialog(nullptr, L"인코딩을 시작할까요?", L"RivoEnc", 3, MDO_CUSTOMBUTTONS, {}, L"시작,,중지"),
              IDNO);
}

TEST_F(MessageDialogTest, ButtonTextsFollowTheUserLanguage)
{
    struct LangCase {
        LANGID id;
        const wchar_t* yes;
        const wchar_t* cancel;
    };
    for (LangCase c : {LangCase{1041, L"はい", L"キャンセル"}, LangCase{1042, L"예", L"취소"},
                       LangCase{1033, L"&Yes", L"&Cancel"}}) {
        SetUserDefaultLangID(c.id);
        Later([&] {
            HWND d = Dialog();
            EXPECT_EQ(TextOf(GetDlgItem(d, 10)), c.yes);
            EXPECT_EQ(TextOf(GetDlgItem(d, 30)), c.cancel);
            if (c.id == 1033) Shot("message_dialog_english");
            Click(30);
        });
        EXPECT_EQ(ShowMessageDialog(nullptr, L"Question", L"RivoEnc", 3), IDCANCEL);
    }
}

TEST_F(MessageDialogTest, TheTitleBarIsDrawnActiveAndInactive)
{
    HWND other = MakeTop(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
    Later([&] {
        HWND d = Dialog();
        Pump();
        QImage active = GetWindowQWidget(d)->grab().toImage();
        SetActiveWindow(other);
        Pump();
        QImage inactive = GetWindowQWidget(d)->grab().toImage();
        // Title bar at (5, 5) in the client area, which starts 3 pixels in.
        EXPECT_EQ(active.pixel(8, 15), qRgb(0, 0, 100));
        EXPECT_NE(inactive.pixel(8, 15), active.pixel(8, 15));
        SaveScreenshot(inactive, "message_dialog_inactive_ko");
        PostMessageW(d, MessageDialogCloseMessage(), 0, 0);
    });
    ShowMessageDialog(nullptr, L"제목 표시줄", L"", 0);
}

TEST_F(MessageDialogTest, ScreenshotsWithKoreanText)
{
    Later([&] {
        std::string path = Shot("message_dialog_yesnocancel_ko");
        EXPECT_FALSE(path.empty());
        Click(30);
    });
    ShowMessageDialog(nullptr,
                      L"선택한 파일을 변환 목록에 추가했습니다.\n출력 폴더가 없으면 새로 만듭니다.\n계속하시겠습니까?",
                      L"RivoEnc - 알림", 3);
}

TEST_F(MessageDialogTest, TheWaitBoxEndsOnlyByItsMessage)
{
    HWND owner = MakeTop(100, 100, 500, 300, WS_POPUP | WS_VISIBLE);
    HWND box = ShowMessageDialogOnThread(owner, L"파일을 추가하는 중입니다...", L"RivoEnc");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_FALSE(IsWindowEnabled(owner));  // as under a modal dialog
    for (int id : {10, 20, 30}) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(box, id)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(box, id)));
    }
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(r.bottom - r.top, 32 + 85);
    SaveScreenshot(GetWindowQWidget(box)->grab().toImage(), "wait_box_ko");
    // Neither keys, nor the system close, nor button commands end it.
    SetForegroundWindow(box);
    InjectKey(VK_ESCAPE, true, L'\x1b');
    InjectKey(VK_RETURN, true, L'\r');
    PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    PostMessageW(box, WM_CLOSE, 0, 0);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(box, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    EXPECT_TRUE(IsWindow(box));
    EXPECT_FALSE(CloseMessageDialog(box));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_FALSE(CloseMessageDialog(box));  // already gone
}

TEST_F(MessageDialogTest, AWaitBoxWithACountdownClosesItself)
{
    HWND box = ShowMessageDialogOnThread(nullptr, L"%d초 뒤에 닫힙니다", L"RivoEnc", 2);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(box, 27)), L"2초 뒤에 닫힙니다");
    clock_.Advance(1000);
    Pump();
    EXPECT_EQ(TextOf(GetDlgItem(box, 27)), L"1초 뒤에 닫힙니다");
    clock_.Advance(1000);
    Pump();
    EXPECT_FALSE(IsWindow(box));
}

}  // namespace
