// Cursors, menus, monitors, the message box and global memory.
#include <cstring>

#include "GuiTestSupport.h"
#include "RecordingMessageBoxAnswerer.h"
#include "ScriptedMenuPresenter.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/GlobalMemory.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/SystemMetrics.h"

using namespace gui_test;

namespace {

class ServicesTest : public GuiTest {};

TEST_F(ServicesTest, CursorFilesAreReadFromMemoryWithTheirHotSpot)
{
    for (bool alpha : {false, true}) {
        std::vector<uint8_t> file = SmallCursorFile(alpha);
        HCURSOR c = CreateCursorFromFileData(file.data(), file.size());
        ASSERT_NE(c, nullptr) << alpha;
        QImage img;
        POINT hot;
        ASSERT_TRUE(win32_gui::CursorImage(c, &img, &hot));
        EXPECT_EQ(hot, (POINT{1, 0}));
        ASSERT_EQ(img.size(), QSize(2, 2));
        EXPECT_EQ(img.pixel(0, 0), qRgba(255, 0, 0, 255));
        EXPECT_EQ(qAlpha(img.pixel(1, 0)), 0);
        EXPECT_EQ(img.pixel(0, 1), qRgba(0, 255, 0, 255));
        EXPECT_EQ(img.pixel(1, 1), qRgba(0, 0, 255, 255));
        EXPECT_TRUE(DestroyCursor(c));
    }
    // Damaged files: every size and offset is checked.
    std::vector<uint8_t> file = SmallCursorFile(true);
    for (size_t cut : {size_t(0), size_t(5), size_t(21), size_t(30), file.size() - 9})
        EXPECT_EQ(CreateCursorFromFileData(file.data(), cut), nullptr) << cut;
    std::vector<uint8_t> bad = file;
    bad[18] = 0xF0;  // image offset far past the end
    EXPECT_EQ(CreateCursorFromFileData(bad.data(), bad.size()), nullptr);
    bad = file;
    bad[26] = 0x7F;  // a width of 32639 pixels
    bad[27] = 0x7F;
    EXPECT_EQ(CreateCursorFromFileData(bad.data(), bad.size()), nullptr);
}

TEST_F(ServicesTest, StockCursorsAreSharedAndTheClassCursorIsSetInTheClientArea)
{
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    EXPECT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), arrow);
    EXPECT_NE(LoadCursorW(nullptr, IDC_HAND), arrow);
    EXPECT_EQ(LoadCursorW(nullptr, IdcName(1234)), nullptr);
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    WNDCLASSEXW wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hCursor = hand;
    wc.lpszClassName = L"Gui.Test.HandCursor";
    RegisterClassExW(&wc);
    HWND w = CreateWindowExW(0, L"Gui.Test.HandCursor", L"", WS_POPUP | WS_VISIBLE | WS_THICKFRAME, 0, 0, 100, 100,
                             nullptr, nullptr, nullptr, nullptr);
    Pump();
    SetCursor(arrow);
    InjectMouseMove(POINT{50, 50});
    Pump();
    EXPECT_EQ(GetCursor(), hand);
    InjectMouseMove(POINT{1, 50});  // the sizing frame
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
    DestroyWindow(w);
}

TEST_F(ServicesTest, MenusFromTheResourceTable)
{
    RegisterMenuResource(
        300, {MenuResourceItem{
                 L"&Presets",
                 0,
                 MF_POPUP,
                 {{L"First", 1001, MF_STRING, {}}, {L"", 0, MF_SEPARATOR, {}}, {L"Second", 1002, MF_GRAYED, {}}}}});
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(300));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    HMENU sub = GetSubMenu(menu, 0);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(GetMenuItemCount(sub), 3);
    EXPECT_EQ(GetMenuItemID(sub, 0), 1001u);
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(menu, 1002, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);  // found inside the pop-up
    wchar_t text[32];
    EXPECT_EQ(GetMenuStringW(menu, 0, text, 32, MF_BYPOSITION), 8);
    EXPECT_STREQ(text, L"&Presets");
    // The application changes the pop-up before it is shown.
    EXPECT_TRUE(DeleteMenu(sub, 1002, MF_BYCOMMAND));
    EXPECT_TRUE(InsertMenuW(sub, 0, MF_BYPOSITION | MF_STRING, 1003, L"Zero"));
    EXPECT_TRUE(AppendMenuW(sub, MF_STRING | MF_CHECKED, 1004, L"Last"));
    EXPECT_EQ(GetMenuItemID(sub, 0), 1003u);
    EXPECT_EQ(CheckMenuItem(sub, 1004, MF_UNCHECKED), MF_CHECKED);
    // Removing keeps a pop-up alive; deleting destroys it.
    HMENU holder = CreatePopupMenu();
    HMENU inner = CreatePopupMenu();
    AppendMenuW(holder, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), L"inner");
    RemoveMenu(holder, 0, MF_BYPOSITION);
    EXPECT_TRUE(IsMenu(inner));
    AppendMenuW(holder, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), L"inner");
    DeleteMenu(holder, 0, MF_BYPOSITION);
    EXPECT_FALSE(IsMenu(inner));
    DestroyMenu(holder);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(301)), nullptr);
}

TEST_F(ServicesTest, TrackPopupMenuAsksThePresenter)
{
    HWND owner = MakeTop(0, 0, 100, 100);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 7, L"Seven");
    AppendMenuW(menu, MF_STRING, 8, L"Eight");
    ScriptedMenuPresenter presenter(8);
    SetMenuPresenter(&presenter);
    Log().clear();
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 30, 40, 0, owner, nullptr), 8);
    ASSERT_EQ(presenter.calls.size(), 1u);
    EXPECT_EQ(presenter.calls[0].screen, (POINT{30, 40}));
    EXPECT_EQ(presenter.calls[0].texts, (std::vector<std::wstring>{L"Seven", L"Eight"}));
    EXPECT_EQ(MessagesOf(owner, {WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP}),
              (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP}));
    EXPECT_TRUE(LogOf({WM_COMMAND}).empty());
    // Without TPM_RETURNCMD the choice is posted as a command.
    presenter.answer = 7;
    EXPECT_TRUE(TrackPopupMenu(menu, 0, 0, 0, 0, owner, nullptr));
    Pump();
    auto commands = LogOf({WM_COMMAND});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 7u);
    presenter.answer = 0;
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, owner, nullptr));
    SetMenuPresenter(nullptr);
    DestroyMenu(menu);
}

TEST_F(ServicesTest, MonitorsComeFromTheProvider)
{
    FixedMonitorProvider two({MonitorDescription{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
                              MonitorDescription{RECT{1920, 0, 3200, 1024}, RECT{1920, 0, 3200, 1024}, false}});
    SetMonitorProvider(&two);
    HMONITOR a = MonitorFromPoint(POINT{100, 100}, MONITOR_DEFAULTTONULL);
    HMONITOR b = MonitorFromPoint(POINT{2000, 100}, MONITOR_DEFAULTTONULL);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_EQ(MonitorFromPoint(POINT{5000, 100}, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromPoint(POINT{5000, 100}, MONITOR_DEFAULTTONEAREST), b);
    EXPECT_EQ(MonitorFromPoint(POINT{5000, 100}, MONITOR_DEFAULTTOPRIMARY), a);
    RECT r{1800, 0, 2100, 100};  // more of it on the second
    EXPECT_EQ(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), b);
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoW(a, &info));
    EXPECT_EQ(info.rcWork, (RECT{0, 0, 1920, 1040}));
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    int count = 0;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, RECT*, LPARAM p) -> BOOL {
            ++*reinterpret_cast<int*>(p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(count, 2);
    RECT work;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work, (RECT{0, 0, 1920, 1040}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    EXPECT_FALSE(GetMonitorInfoW(reinterpret_cast<HMONITOR>(99), &info));
}

TEST_F(ServicesTest, MonitorFunctionsAreFoundByNameInUser32)
{
    // The way a program that may run where they are missing reaches them:
    // looked up once, the library freed at once, then called through the
    // addresses.
    using EnumProc = BOOL (*)(HDC, const RECT*, MONITORENUMPROC, LPARAM);
    using InfoProc = BOOL (*)(HMONITOR, MONITORINFO*);
    EnumProc enumMonitors = nullptr;
    InfoProc monitorInfo = nullptr;
    for (const wchar_t* name : {L"User32.dll", L"USER32.DLL", L"user32.dll"}) {
        HMODULE user32 = LoadLibraryW(name);
        ASSERT_NE(nullptr, user32) << WideToUtf8(name);
        enumMonitors = reinterpret_cast<EnumProc>(GetProcAddress(user32, "EnumDisplayMonitors"));
        monitorInfo = reinterpret_cast<InfoProc>(GetProcAddress(user32, "GetMonitorInfoW"));
        EXPECT_EQ(nullptr, GetProcAddress(user32, "GetMonitorInfoA"));
        EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
        EXPECT_TRUE(FreeLibrary(user32));
    }
    ASSERT_EQ(reinterpret_cast<void*>(&EnumDisplayMonitors), reinterpret_cast<void*>(enumMonitors));
    ASSERT_EQ(reinterpret_cast<void*>(&GetMonitorInfoW), reinterpret_cast<void*>(monitorInfo));

    FixedMonitorProvider three({MonitorDescription{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
                                MonitorDescription{RECT{1920, 0, 3200, 1024}, RECT{1920, 24, 3200, 1024}, false},
                                MonitorDescription{RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 740}, false}});
    SetMonitorProvider(&three);
    struct Seen {
        InfoProc info;
        std::vector<RECT> monitors, works;
        std::vector<DWORD> flags;
    } seen{monitorInfo, {}, {}, {}};
    ASSERT_TRUE(enumMonitors(
        nullptr, nullptr,
        [](HMONITOR m, HDC dc, RECT* r, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Seen*>(p);
            EXPECT_EQ(nullptr, dc);
            MONITORINFO info;
            info.cbSize = 40;
            if (!s->info(m, &info)) return FALSE;
            s->monitors.push_back(*r);
            s->works.push_back(info.rcWork);
            s->flags.push_back(info.dwFlags);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen)));
    EXPECT_EQ(seen.monitors,
              (std::vector<RECT>{RECT{0, 0, 1920, 1080}, RECT{1920, 0, 3200, 1024}, RECT{-1024, 0, 0, 768}}));
    EXPECT_EQ(seen.works,
              (std::vector<RECT>{RECT{0, 0, 1920, 1040}, RECT{1920, 24, 3200, 1024}, RECT{-1024, 0, 0, 740}}));
    EXPECT_EQ(seen.flags, (std::vector<DWORD>{MONITORINFOF_PRIMARY, 0, 0}));
    MONITORINFO small;
    small.cbSize = 20;
    EXPECT_FALSE(monitorInfo(MonitorFromPoint(POINT{1, 1}, MONITOR_DEFAULTTOPRIMARY), &small));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(ServicesTest, MessageBoxGoesToTheAnswerer)
{
    RecordingMessageBoxAnswerer answerer;
    answerer.answers = {IDNO};
    SetMessageBoxAnswerer(&answerer);
    HWND owner = MakeTop(0, 0, 10, 10);
    EXPECT_EQ(MessageBoxW(owner, L"계속할까요?", L"RivoEnc", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, L"x", nullptr, MB_OKCANCEL), IDCANCEL);  // the list is used up
    ASSERT_EQ(answerer.questions.size(), 2u);
    EXPECT_EQ(answerer.questions[0].owner, owner);
    EXPECT_EQ(answerer.questions[0].text, L"계속할까요?");
    EXPECT_EQ(answerer.questions[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(answerer.questions[1].caption, L"Error");
    SetMessageBoxAnswerer(nullptr);
}

// Where nobody can answer, no box is shown: the default button answers at
// once and the text goes to the standard error stream; an installed
// answerer (a test's) still answers first.
TEST_F(ServicesTest, UnattendedMessageBoxesTakeTheirDefaultButton)
{
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_RETRYCANCEL, IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_OK | MB_DEFBUTTON3, IDOK},  // a default past the last button is the first
    };
    SetUnattendedMessageBoxes(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.answer, MessageBoxW(nullptr, L"두 줄\n글", L"RivoEnc", c.type));
        EXPECT_EQ("RivoEnc: 두 줄 글\n", testing::internal::GetCapturedStderr());
    }
    RecordingMessageBoxAnswerer answerer;
    answerer.answers = {IDNO};
    SetMessageBoxAnswerer(&answerer);
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, L"x", L"RivoEnc", MB_YESNO));
    SetMessageBoxAnswerer(nullptr);
    SetUnattendedMessageBoxes(false);
    EXPECT_TRUE(RunsWithoutDisplay()) << "the tests run offscreen";
}

TEST_F(ServicesTest, GlobalMemoryKnowsItsBlocks)
{
    HGLOBAL h = GlobalAlloc(GMEM_ZEROINIT, 1024);
    ASSERT_NE(h, nullptr);
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    ASSERT_EQ(p, h);
    EXPECT_EQ(GlobalSize(h), 1024u);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(p[i], 0);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    int local = 0;
    EXPECT_EQ(GlobalFree(&local), &local);  // not ours: refused, not freed
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, SIZE_T{1} << 40), nullptr);
}

}  // namespace
