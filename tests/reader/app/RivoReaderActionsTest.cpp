// The main window's actions driven headless: drops, Browse through the fake
// file dialog, Copy, Save, Ctrl+A and the resizing rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RivoReaderIds.h"
#include "platform/mfc/CommonDialogs.h"
#include "platform/mfc/DragDrop.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Input.h"
#include "reader/ReaderHelpers.h"
#include "reader/ReaderStrings.h"
#include "reader/app/RivoReaderDlg.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"
#include "tests/platform/mfc/MfcTestSupport.h"
#include "tests/reader/MediaFixtures.h"

using namespace mfc_test;

namespace {

class RivoReaderActionsTest : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        SetCommonDialogs(&dialogs_);
        // Three different files: a video-only AVI, one with sound, one no
        // analyser takes.
        files_.push_back(MakeWithFfmpeg(dir_, "one.avi", TestVideo() + " -c:v mpeg4 -t 1"));
        files_.push_back(
            MakeWithFfmpeg(dir_, "two.avi", TestVideo() + " -c:v mpeg4 " + TestAudio() + " -c:a pcm_s16le"));
        files_.push_back(dir_.File("three.bin"));
        WriteBytes(files_.back(), std::string(300, 'x'));
    }
    void TearDown() override
    {
        SetCommonDialogs(nullptr);
        MfcTest::TearDown();
    }
    // What the window shows for the files one after another.
    std::wstring ExpectedReports(const std::vector<std::string>& paths) const
    {
        std::wstring text;
        for (const std::string& p : paths) text += Utf8ToWide(RunReportTool({p})) + L"\r\n";
        return text;
    }
    static RECT ClientRectOf(DialogDriver& d, int id)
    {
        RECT r;
        GetWindowRect(d.Item(id), &r);
        MapWindowPoints(nullptr, d.Dialog(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    TempDir dir_;
    std::vector<std::string> files_;
    FakeCommonDialogs dialogs_;
};

std::vector<std::wstring> Wide(const std::vector<std::string>& paths)
{
    std::vector<std::wstring> out;
    for (const std::string& p : paths) out.push_back(Utf8ToWide(p));
    return out;
}

TEST_F(RivoReaderActionsTest, ThreeDroppedFilesGiveThreeReportsInOrder)
{
    std::wstring expected = ExpectedReports(files_);
    CRivoReaderDlg dialog{CString(Utf8ToWide(files_[0]))};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        ASSERT_TRUE(DropFilesOnWindow(d.Dialog(), POINT{40, 120}, Wide(files_)));
        d.Pump();
        // The report of the command line's file is gone: the box was emptied once.
        EXPECT_EQ(expected, d.Text(IDC_REPORT));
        EXPECT_EQ(Utf8ToWide(files_[2]), d.Text(IDC_PATH));
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(RivoReaderActionsTest, BrowseReportsEveryChosenFile)
{
    FileDialogAnswer answer;
    answer.ok = true;
    answer.paths = {Utf8ToWide(files_[1]), Utf8ToWide(files_[0])};
    dialogs_.fileAnswers.push_back(answer);
    dialogs_.fileAnswers.push_back(FileDialogAnswer{});  // then a cancel
    std::wstring expected = ExpectedReports({files_[1], files_[0]});
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        d.Click(IDC_BROWSE);
        EXPECT_EQ(expected, d.Text(IDC_REPORT));
        EXPECT_EQ(Utf8ToWide(files_[0]), d.Text(IDC_PATH));
        // A cancelled dialog leaves the report alone.
        d.Click(IDC_BROWSE);
        EXPECT_EQ(expected, d.Text(IDC_REPORT));
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    ASSERT_EQ(2u, dialogs_.fileRequests.size());
    const FileDialogRequest& request = dialogs_.fileRequests[0];
    EXPECT_FALSE(request.save);
    EXPECT_TRUE(request.multiple);
    ASSERT_EQ(2u, request.filters.size());
    EXPECT_EQ(L"Video Files", request.filters[0].first);
    EXPECT_EQ(L"*.*", request.filters[1].second);
}

TEST_F(RivoReaderActionsTest, CopyAndCtrlATakeTheWholeLongReport)
{
    // Enough reports to pass the old 10,000-character cut.
    std::vector<std::string> many;
    for (int i = 0; i < 9; ++i) many.push_back(files_[i % 2]);
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        ASSERT_TRUE(DropFilesOnWindow(d.Dialog(), POINT{40, 120}, Wide(many)));
        d.Pump();
        std::wstring report = d.Text(IDC_REPORT);
        ASSERT_GT(report.size(), 10000u);
        d.Click(IDC_COPY);
        ASSERT_TRUE(clipboard_.content.has_value());
        EXPECT_EQ(report, *clipboard_.content);

        d.Focus(IDC_PATH);
        InjectKey(VK_CONTROL, true);
        InjectKey('A', true);
        InjectKey('A', false);
        InjectKey(VK_CONTROL, false);
        d.Pump();
        EXPECT_EQ(d.Item(IDC_REPORT), GetFocus());
        DWORD start = 0, end = 0;
        SendMessageW(d.Item(IDC_REPORT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(report.size(), end);
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(RivoReaderActionsTest, SaveWritesExactlyTheReport)
{
    std::string target = dir_.File("report.txt");
    WriteBytes(target, "older content");
    FileDialogAnswer answer;
    answer.ok = true;
    answer.paths = {Utf8ToWide(target)};
    dialogs_.fileAnswers.push_back(answer);
    // A folder that does not exist cannot take the file.
    answer.paths = {Utf8ToWide(dir_.File("missing/report.txt"))};
    dialogs_.fileAnswers.push_back(answer);
    std::wstring report;
    CRivoReaderDlg dialog{CString(Utf8ToWide(files_[1]))};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        report = d.Text(IDC_REPORT);
        d.Click(IDC_SAVE);
        EXPECT_TRUE(answers_.questions.empty());
        d.Click(IDC_SAVE);
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    // Each line end once, as the report has it.
    EXPECT_EQ(ToNarrow(report), Slurp(target));
    EXPECT_EQ(std::string::npos, Slurp(target).find("\r\r\n"));
    ASSERT_EQ(2u, dialogs_.fileRequests.size());
    EXPECT_TRUE(dialogs_.fileRequests[0].save);
    EXPECT_TRUE(dialogs_.fileRequests[0].overwritePrompt);
    EXPECT_EQ(L"txt", dialogs_.fileRequests[0].defaultExtension);
    ASSERT_EQ(1u, answers_.questions.size());
    EXPECT_EQ(std::wstring(GetResString(IDS_CANNOT_OPEN_FILE)), answers_.questions[0].text);
    // Nothing is left behind in the folder but the report and the inputs.
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(4u, entries);
}

TEST_F(RivoReaderActionsTest, ResizingMovesAndSizesTheControls)
{
    CRivoReaderDlg dialog{CString()};
    driver_.Expect(IDD_RIVOREADER_DIALOG, [&](DialogDriver& d) {
        const int ids[] = {IDC_GROUP_FILE, IDC_PATH, IDC_GROUP_INFO, IDC_REPORT, IDC_BROWSE,
                           IDC_RELOAD,     IDC_COPY, IDC_SAVE,       IDOK,       IDC_SIZE_GRIP};
        std::vector<RECT> before;
        for (int id : ids) before.push_back(ClientRectOf(d, id));
        RECT w;
        GetWindowRect(d.Dialog(), &w);
        SetWindowPos(d.Dialog(), nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top + 50,
                     SWP_NOMOVE | SWP_NOZORDER);
        d.Pump();
        RECT client;
        GetClientRect(d.Dialog(), &client);
        // left, top, right, bottom change per edge, in units of dx and dy.
        const int rules[][4] = {{0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 0},
                                {1, 0, 1, 0}, {0, 1, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}};
        for (size_t i = 0; i < std::size(rules); ++i) {
            SCOPED_TRACE(ids[i]);
            RECT r = ClientRectOf(d, ids[i]);
            EXPECT_EQ(before[i].left + 100 * rules[i][0], r.left);
            EXPECT_EQ(before[i].top + 50 * rules[i][1], r.top);
            EXPECT_EQ(before[i].right + 100 * rules[i][2], r.right);
            EXPECT_EQ(before[i].bottom + 50 * rules[i][3], r.bottom);
        }
        RECT grip = ClientRectOf(d, IDC_SIZE_GRIP);
        EXPECT_EQ(client.right, grip.right);
        EXPECT_EQ(client.bottom, grip.bottom);
        // The window is never tracked smaller than 400 x 400.
        MINMAXINFO info{};
        SendMessageW(d.Dialog(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(400, info.ptMinTrackSize.x);
        EXPECT_EQ(400, info.ptMinTrackSize.y);
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

}  // namespace
