// RivoReader's main window driven headless: the command line's path fills
// the report box with exactly the report the builder writes, quotes are
// stripped, no path shows the information text, Reload rebuilds the report.
#include <gtest/gtest.h>

#include <string>

#include "RivoReaderIds.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/SystemMenu.h"
#include "reader/ReaderStrings.h"
#include "reader/app/RivoReaderDlg.h"
#include "tests/platform/mfc/MfcTestSupport.h"
#include "tests/platform/win32/gui/ScriptedMenuPresenter.h"
#include "tests/reader/MediaFixtures.h"

using namespace mfc_test;

namespace {

class RivoReaderDlgTest : public MfcTest {};

std::wstring Wide(const std::string& utf8) { return Utf8ToWide(utf8); }

TEST_F(RivoReaderDlgTest, QuotedPathOnTheCommandLineShowsItsReport)
{
    TempDir dir;
    std::string avi = MakeWithFfmpeg(dir, "sample.avi", TestVideo() + " -c:v mpeg4 " + TestAudio() + " -c:a pcm_s16le");
    // The window shows what the report builder writes, plus one empty line.
    std::wstring expected = Wide(RunReportTool({avi})) + L"\r\n";
    ASSERT_NE(std::wstring::npos, expected.find(L"AVI format"));

    CRivoReaderDlg dialog(CString(L"\"" + Wide(avi) + L"\""));
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        EXPECT_EQ(Wide(avi), d.Text(IDC_PATH));
        EXPECT_EQ(expected, d.Text(IDC_REPORT));
        QImage shot = d.Screenshot();
        EXPECT_FALSE(shot.isNull());
        gui_test::SaveScreenshot(shot, "rivoreader_avi_report");
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(answers_.questions.empty());
}

TEST_F(RivoReaderDlgTest, NoPathShowsTheInformationText)
{
    struct Case {
        const wchar_t* commandLine;
    };
    for (const Case& c : {Case{L""}, Case{L"\""}, Case{L"\"\""}}) {
        SCOPED_TRACE(WideToUtf8(c.commandLine));
        CRivoReaderDlg dialog{CString(c.commandLine)};
        driver_.Expect(IDD_RIVOREADER_DIALOG, [](DialogDriver& d) {
            EXPECT_EQ(L"", d.Text(IDC_PATH));
            EXPECT_EQ(std::wstring(GetResString(IDS_ABOUT_TEXT)), d.Text(IDC_REPORT));
            d.Ok();
        });
        EXPECT_EQ(IDOK, dialog.DoModal());
    }
}

TEST_F(RivoReaderDlgTest, QuoteStrippingTakesOneEnclosingPair)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"/a/b.avi", L"/a/b.avi"},
        {L"\"/a/b.avi\"", L"/a/b.avi"},
        {L"\"\"/a\"\"", L"\"/a\""},
        {L"\"/a/b.avi", L"\"/a/b.avi"},
        {L"\"", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(c.out), CRivoReaderDlg::StripEnclosingQuotes(CString(c.in)).str()) << WideToUtf8(c.in);
    }
}

TEST_F(RivoReaderDlgTest, MissingFileShowsTheMessageAndReloadRebuilds)
{
    TempDir dir;
    std::string path = dir.File("later.avi");
    CRivoReaderDlg dialog{CString(Wide(path))};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        // Only the closing empty line: the builder showed its message.
        EXPECT_EQ(L"\r\n", d.Text(IDC_REPORT));
        MakeWithFfmpeg(dir, "later.avi", TestVideo() + " -c:v mpeg4 -t 1");
        d.Click(IDC_RELOAD);
        EXPECT_EQ(Wide(RunReportTool({path})) + L"\r\n", d.Text(IDC_REPORT));
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    ASSERT_EQ(1u, answers_.questions.size());
    EXPECT_EQ(std::wstring(GetResString(IDS_FILE_NOT_FOUND)), answers_.questions[0].text);
}

TEST_F(RivoReaderDlgTest, TheSystemMenuEndsWithTheInformationEntry)
{
    // A right click on the caption and Alt+Space open the system menu; its
    // information entry (command 16) opens the information dialog.
    ScriptedMenuPresenter menu(16);
    SetMenuPresenter(&menu);
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        HMENU systemMenu = GetSystemMenu(d.Dialog(), FALSE);
        ASSERT_NE(nullptr, systemMenu);
        int count = GetMenuItemCount(systemMenu);
        ASSERT_EQ(9, count);  // the system's seven, a separator and the entry
        EXPECT_EQ(static_cast<UINT>(SC_CLOSE), GetMenuItemID(systemMenu, count - 3));
        EXPECT_NE(0u, GetMenuState(systemMenu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(16u, GetMenuItemID(systemMenu, count - 1));

        driver_.Expect(IDD_ABOUTBOX, [](DialogDriver& about) {
            EXPECT_EQ(std::wstring(GetResString(IDS_ABOUT_TEXT)), about.Text(IDC_ABOUT_TEXT));
            about.Ok();
        });
        RECT r;
        GetWindowRect(d.Dialog(), &r);
        POINT caption{r.left + 80, r.top + 12};
        InjectMouseMove(caption);
        InjectMouseButton(MouseButton::Right, true, caption);
        InjectMouseButton(MouseButton::Right, false, caption);
        d.Pump();
        EXPECT_EQ(0u, driver_.Pending());

        menu.answer = 0;
        InjectKey(VK_MENU, true);
        InjectKey(VK_SPACE, true, L' ');
        InjectKey(VK_SPACE, false);
        InjectKey(VK_MENU, false);
        d.Pump();
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    SetMenuPresenter(nullptr);
    ASSERT_EQ(2u, menu.calls.size());
    for (const auto& call : menu.calls) {
        ASSERT_FALSE(call.texts.empty());
        EXPECT_EQ(L"RivoReader Information (&A)...", call.texts.back());
    }
    EXPECT_EQ((std::vector<int>{IDD_RIVOREADER_DIALOG, IDD_ABOUTBOX}), driver_.seen);
}

TEST_F(RivoReaderDlgTest, TheTitleBarShowsCloseMinimiseAndMaximise)
{
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        RECT r;
        GetWindowRect(d.Dialog(), &r);
        // The caption's right end: close, maximise, minimise; its left end the icon.
        struct Probe {
            int fromRight;
            LRESULT hit;
        } probes[] = {{13, HTCLOSE}, {33, HTMAXBUTTON}, {51, HTMINBUTTON}};
        for (const Probe& p : probes) {
            EXPECT_EQ(p.hit, SendMessageW(d.Dialog(), WM_NCHITTEST, 0, MAKELONG(r.right - p.fromRight, r.top + 14)));
        }
        EXPECT_EQ(HTSYSMENU, SendMessageW(d.Dialog(), WM_NCHITTEST, 0, MAKELONG(r.left + 14, r.top + 14)));
        // The pointer over the close button lights it up.
        InjectMouseMove(POINT{r.right - 13, r.top + 14});
        d.Pump();
        QImage shot = d.Screenshot();
        gui_test::SaveScreenshot(shot, "rivoreader_close_hovered");
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(qRgb(232, 17, 35), shot.pixel(shot.width() - 19, 9));
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(RivoReaderDlgTest, TheWindowShowsTheProgramsIcon)
{
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(d.Dialog(), WM_GETICON, TRUE, 0));
        ASSERT_NE(nullptr, icon);
        EXPECT_EQ(icon, reinterpret_cast<HICON>(SendMessageW(d.Dialog(), WM_GETICON, FALSE, 0)));
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(icon, &info));
        SIZE size{};
        ASSERT_TRUE(GetCursorSize(icon, &size));
        EXPECT_EQ(32, size.cx);
        EXPECT_EQ(32, size.cy);
        // Drawn over grey: the transparent border keeps the grey, the strip
        // and the paper show their colours, a report line its blue.
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
        RECT all{0, 0, 32, 32};
        FillRect(dc, &all, grey);
        EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
        struct Probe {
            int x, y;
            COLORREF color;
        } probes[] = {{0, 0, RGB(128, 128, 128)}, {31, 31, RGB(128, 128, 128)}, {2, 4, RGB(40, 40, 40)},
                      {8, 10, RGB(60, 60, 70)},   {20, 5, RGB(255, 255, 255)},  {20, 7, RGB(30, 90, 180)}};
        for (const Probe& p : probes) {
            SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
            EXPECT_EQ(p.color, GetPixel(dc, p.x, p.y));
        }
        SelectObject(dc, old);
        DeleteObject(grey);
        DeleteObject(bitmap);
        DeleteDC(dc);
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

}  // namespace
