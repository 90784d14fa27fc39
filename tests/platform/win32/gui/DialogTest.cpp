// Dialogs from in-memory templates with button and static controls.
#include <cstring>

#include "GuiTestSupport.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/GlobalMemory.h"
#include "platform/win32/gui/StaticControl.h"

using namespace gui_test;

namespace {

class DialogTest : public GuiTest {};

class TemplateBuilder {
public:
    void Word(WORD w) { Raw(&w, 2); }
    void Dword(DWORD d) { Raw(&d, 4); }
    void Text(const wchar_t* s)
    {
        for (; *s; ++s) Word(static_cast<WORD>(*s));
        Word(0);
    }
    void Align()
    {
        while (bytes.size() % 4) bytes.push_back(0);
    }
    void Raw(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    }
    void Dialog(DWORD style, WORD items, short cx, short cy, const wchar_t* title)
    {
        DLGTEMPLATE t;
        t.style = style;
        t.cdit = items;
        t.x = 10;
        t.y = 10;
        t.cx = cx;
        t.cy = cy;
        Raw(&t, sizeof t);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(title);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classOrdinal, const wchar_t* text)
    {
        Align();
        DLGITEMTEMPLATE it;
        it.style = style | WS_CHILD | WS_VISIBLE;
        it.x = x;
        it.y = y;
        it.cx = cx;
        it.cy = cy;
        it.id = id;
        Raw(&it, sizeof it);
        Word(0xFFFF);
        Word(classOrdinal);
        Text(text);
        Word(0);
    }
    // The template in a block of global memory, as a caller would hand it over.
    const DLGTEMPLATE* InGlobalMemory()
    {
        block = GlobalAlloc(GPTR, bytes.size());
        std::memcpy(block, bytes.data(), bytes.size());
        return static_cast<const DLGTEMPLATE*>(block);
    }
    ~TemplateBuilder()
    {
        if (block) GlobalFree(block);
    }
    std::vector<uint8_t> bytes;
    HGLOBAL block = nullptr;
};

// OK (default), Cancel, a check box (id 40) and a text.
const DLGTEMPLATE* StandardTemplate(TemplateBuilder& b)
{
    b.Dialog(WS_POPUP | WS_BORDER | DS_MODALFRAME, 4, 160, 80, L"Question");
    b.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 55, 50, 14, IDOK, 0x80, L"OK");
    b.Item(BS_PUSHBUTTON | WS_TABSTOP, 70, 55, 50, 14, IDCANCEL, 0x80, L"Cancel");
    b.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 10, 35, 100, 12, 40, 0x80, L"Again");
    b.Item(SS_LEFT, 10, 5, 140, 24, 27, 0x82, L"Message text");
    return b.InGlobalMemory();
}

struct DialogRun {
    HWND owner = nullptr;
    bool ownerDisabledMeanwhile = false;
    std::vector<UINT> commands;
    std::function<void(HWND)> onInit;
    HWND dialog = nullptr;
    int checked = -1;
};

INT_PTR DialogProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(h, DWLP_USER));
    switch (m) {
    case WM_INITDIALOG:
        run = reinterpret_cast<DialogRun*>(l);
        SetWindowLongPtrW(h, DWLP_USER, l);
        run->dialog = h;
        if (run->onInit) run->onInit(h);
        return TRUE;
    case WM_COMMAND:
        run->commands.push_back(LOWORD(w));
        if (run->owner) run->ownerDisabledMeanwhile = !IsWindowEnabled(run->owner);
        if (LOWORD(w) == 40) {
            run->checked = static_cast<int>(IsDlgButtonChecked(h, 40));
            return TRUE;
        }
        EndDialog(h, LOWORD(w));
        return TRUE;
    default: return FALSE;
    }
}

POINT CentreOf(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonAndTheOwnerIsDisabledMeanwhile)
{
    HWND owner = MakeTop(0, 0, 400, 300);
    TemplateBuilder b;
    DialogRun run;
    run.owner = owner;
    run.onInit = [&](HWND h) {
        wchar_t text[32];
        GetDlgItemTextW(h, 27, text, 32);
        EXPECT_STREQ(text, L"Message text");
        InjectKey(VK_RETURN, true, L'\r');
    };
    INT_PTR r =
        DialogBoxIndirectParamW(nullptr, StandardTemplate(b), owner, DialogProc, reinterpret_cast<LPARAM>(&run));
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(run.ownerDisabledMeanwhile);
    EXPECT_FALSE(IsWindow(run.dialog));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(DialogTest, EscapeAndTheSystemCloseBothAnswerCancel)
{
    for (bool escape : {true, false}) {
        TemplateBuilder b;
        DialogRun run;
        run.onInit = [&](HWND h) {
            if (escape)
                InjectKey(VK_ESCAPE, true, L'\x1b');
            else
                PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        };
        EXPECT_EQ(
            DialogBoxIndirectParamW(nullptr, StandardTemplate(b), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run)),
            IDCANCEL)
            << escape;
        EXPECT_EQ(run.commands, (std::vector<UINT>{IDCANCEL}));
    }
}

TEST_F(DialogTest, ClicksOnButtonsAndTheCheckBox)
{
    TemplateBuilder b;
    DialogRun run;
    run.onInit = [&](HWND h) {
        for (int i = 0; i < 2; ++i) {  // two clicks: checked, then clear
            POINT box = CentreOf(GetDlgItem(h, 40));
            InjectMouseButton(MouseButton::Left, true, box);
            InjectMouseButton(MouseButton::Left, false, box);
            if (i == 0) InjectMouseMove(POINT{box.x + 1, box.y});
        }
        POINT cancel = CentreOf(GetDlgItem(h, IDCANCEL));
        // Pressed on Cancel but released outside: no click.
        InjectMouseButton(MouseButton::Left, true, cancel);
        InjectMouseMove(POINT{cancel.x + 500, cancel.y});
        InjectMouseButton(MouseButton::Left, false, POINT{cancel.x + 500, cancel.y});
        InjectMouseButton(MouseButton::Left, true, cancel);
        InjectMouseButton(MouseButton::Left, false, cancel);
    };
    EXPECT_EQ(
        DialogBoxIndirectParamW(nullptr, StandardTemplate(b), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run)),
        IDCANCEL);
    EXPECT_EQ(run.commands, (std::vector<UINT>{40, 40, IDCANCEL}));
    EXPECT_EQ(run.checked, 0);
}

TEST_F(DialogTest, TabMovesTheFocusAndSpacePressesTheFocusedButton)
{
    TemplateBuilder b;
    DialogRun run;
    run.onInit = [&](HWND) {
        InjectKey(VK_TAB, true, L'\t');  // to Cancel
        InjectKey(VK_TAB, true, L'\t');  // to the check box
        InjectKey(VK_SPACE, true, L' ');
        InjectKey(VK_SPACE, false);  // checks it
        InjectKey(VK_SHIFT, true);
        InjectKey(VK_TAB, true, L'\t');  // back to Cancel
        InjectKey(VK_SHIFT, false);
        InjectKey(VK_RETURN, true, L'\r');  // the focused push button answers
    };
    EXPECT_EQ(
        DialogBoxIndirectParamW(nullptr, StandardTemplate(b), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run)),
        IDCANCEL);
    EXPECT_EQ(run.checked, 1);
}

TEST_F(DialogTest, StaticsLetClicksThroughToTheDialog)
{
    TemplateBuilder b;
    DialogRun run;
    std::vector<UINT> dialogSaw;
    run.onInit = [&](HWND h) {
        POINT text = CentreOf(GetDlgItem(h, 27));
        InjectMouseButton(MouseButton::Left, true, text);
        InjectKey(VK_ESCAPE, true);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dialogSaw));
        // Watch the dialog's own messages through a subclass.
        static WNDPROC previous;
        previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                if (m == WM_LBUTTONDOWN)
                    reinterpret_cast<std::vector<UINT>*>(GetWindowLongPtrW(w, GWLP_USERDATA))->push_back(m);
                return CallWindowProcW(previous, w, m, wp, lp);
            })));
    };
    DialogBoxIndirectParamW(nullptr, StandardTemplate(b), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run));
    EXPECT_EQ(dialogSaw, (std::vector<UINT>{WM_LBUTTONDOWN}));
}

TEST_F(DialogTest, ModelessDialogsAndDefaultIds)
{
    TemplateBuilder b;
    DialogRun run;
    HWND d =
        CreateDialogIndirectParamW(nullptr, StandardTemplate(b), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run));
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(IsWindowVisible(d));  // the template asked for no WS_VISIBLE
    EXPECT_EQ(SendMessageW(d, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    SendMessageW(d, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(SendMessageW(d, DM_GETDEFID, 0, 0), MAKELONG(IDCANCEL, DC_HASDEFID));
    EXPECT_EQ(SendDlgItemMessageW(d, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(SendDlgItemMessageW(d, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    RECT r{0, 0, 4, 8};
    MapDialogRect(d, &r);
    EXPECT_GT(r.right, 0);
    EXPECT_GT(r.bottom, 0);
    DestroyWindow(d);
}

TEST_F(DialogTest, DamagedTemplatesMakeNoDialog)
{
    TemplateBuilder b;
    b.Dialog(WS_POPUP, 5, 100, 50, L"Five items promised");
    b.Item(BS_PUSHBUTTON, 0, 0, 10, 10, IDOK, 0x80, L"OK");
    DialogRun run;
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, b.InGlobalMemory(), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run)),
              -1);
    EXPECT_EQ(run.dialog, nullptr);
    TemplateBuilder unknown;
    unknown.Dialog(WS_POPUP, 1, 100, 50, L"");
    unknown.Item(0, 0, 0, 10, 10, 1, 0x99, L"?");
    EXPECT_EQ(
        DialogBoxIndirectParamW(nullptr, unknown.InGlobalMemory(), nullptr, DialogProc, reinterpret_cast<LPARAM>(&run)),
        -1);
}

}  // namespace
