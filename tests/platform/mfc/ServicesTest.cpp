// The services behind the windows: file and colour dialogs in the system's
// shapes, the shell's open and start requests, the trash, the clipboard and
// dropped files.
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <sys/stat.h>

#include "FakeCommonDialogs.h"
#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "RecordingShellService.h"
#include "platform/mfc/CColorDialog.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/CommonDialogs.h"
#include "platform/mfc/DragDrop.h"
#include "platform/mfc/ShellServices.h"
#include "platform/win32/gui/QtAccess.h"
#include "tests/support/TempDir.h"

using namespace mfc_test;

namespace {

class ServicesTest : public MfcTest {
protected:
    void SetUp() override
    {
        MfcTest::SetUp();
        SetCommonDialogs(&dialogs_);
        SetShellService(&shell_);
    }
    void TearDown() override
    {
        SetCommonDialogs(nullptr);
        SetShellService(nullptr);
        MfcTest::TearDown();
    }
    FakeCommonDialogs dialogs_;
    RecordingShellService shell_;
};

TEST_F(ServicesTest, OpenDialogTakesTheFilterAndGivesEveryChosenPath)
{
    dialogs_.fileAnswers.push_back(
        FileDialogAnswer{true, {L"/media/v/a.avi", L"/media/v/b c.mkv", L"/media/v/d.mp4"}, 1});
    CFileDialog dialog(TRUE, L"avi", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ALLOWMULTISELECT,
                       L"Media files|*.avi;*.mkv;*.mp4;|All files|*.*||");
    std::vector<wchar_t> buffer(133120, L'\0');
    dialog.m_ofn.lpstrFile = buffer.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ASSERT_EQ(IDOK, dialog.DoModal());
    ASSERT_EQ(1u, dialogs_.fileRequests.size());
    const FileDialogRequest& r = dialogs_.fileRequests[0];
    EXPECT_FALSE(r.save);
    EXPECT_TRUE(r.multiple);
    EXPECT_EQ(L"avi", r.defaultExtension);
    ASSERT_EQ(2u, r.filters.size());
    EXPECT_EQ(L"Media files", r.filters[0].first);
    EXPECT_EQ(L"*.avi;*.mkv;*.mp4;", r.filters[0].second);
    EXPECT_EQ(L"*.*", r.filters[1].second);
    // The folder, then the names.
    EXPECT_EQ(std::wstring(L"/media/v"), std::wstring(buffer.data()));
    EXPECT_EQ(9u, dialog.m_ofn.nFileOffset);
    EXPECT_EQ(2u, dialog.m_ofn.nFilterIndex);
    std::vector<std::wstring> paths;
    for (POSITION p = dialog.GetStartPosition(); p;) paths.push_back(dialog.GetNextPathName(p).str());
    EXPECT_EQ((std::vector<std::wstring>{L"/media/v/a.avi", L"/media/v/b c.mkv", L"/media/v/d.mp4"}), paths);
}

TEST_F(ServicesTest, FileDialogResultsFollowTheSystemRules)
{
    std::wstring longPath = L"/media/" + std::wstring(300, L'x') + L".avi";
    struct Case {
        const char* what;
        bool save;
        FileDialogAnswer answer;
        DWORD bufferChars;
        BOOL result;
        std::wstring path;
        DWORD error;
    };
    const Case cases[] = {
        {"a save gets the default extension", true, {true, {L"/out/name"}, 0}, 260, TRUE, L"/out/name.txt", 0},
        {"a name with its own extension keeps it", true, {true, {L"/out/name.log"}, 0}, 260, TRUE, L"/out/name.log", 0},
        {"a path longer than 260 characters comes whole", false, {true, {longPath}, 0}, 1000, TRUE, longPath, 0},
        {"a buffer too small says how much it needs",
         false,
         {true, {longPath}, 0},
         100,
         FALSE,
         L"",
         FNERR_BUFFERTOOSMALL},
        {"cancel", false, {false, {}, 0}, 260, FALSE, L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs_.fileAnswers.push_back(c.answer);
        std::vector<wchar_t> buffer(c.bufferChars, L'\0');
        OPENFILENAMEW ofn;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = c.bufferChars;
        ofn.lpstrDefExt = L"txt";
        BOOL ok = c.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        EXPECT_EQ(c.result, ok);
        EXPECT_EQ(c.error, CommDlgExtendedError());
        if (ok) {
            EXPECT_EQ(c.path, std::wstring(buffer.data()));
        }
        if (c.error == FNERR_BUFFERTOOSMALL) {
            EXPECT_EQ(static_cast<wchar_t>(longPath.size() + 2), buffer[0]);
        }
    }
    OPENFILENAMEW bad;
    bad.lStructSize = 3;
    EXPECT_FALSE(GetOpenFileNameW(&bad));
    EXPECT_EQ(CDERR_STRUCTSIZE, CommDlgExtendedError());
}

TEST_F(ServicesTest, ColourDialogStartsAtTheColourAndKeepsItOnCancel)
{
    CColorDialog dialog(RGB(10, 20, 30), CC_FULLOPEN | CC_ANYCOLOR);
    dialogs_.colorAnswers.push_back(RGB(200, 100, 50));
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(RGB(200, 100, 50), dialog.GetColor());
    ASSERT_EQ(1u, dialogs_.colorRequests.size());
    EXPECT_EQ(RGB(10, 20, 30), dialogs_.colorRequests[0].initial);
    EXPECT_TRUE(dialogs_.colorRequests[0].fullOpen);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(RGB(200, 100, 50), dialog.GetColor());
}

TEST_F(ServicesTest, ShellExecuteGoesToTheRightService)
{
    TempDir temp;
    std::string program = temp.File("tool");
    WriteBytes(program, "#!/bin/sh\nexit 0\n");
    chmod(program.c_str(), 0755);
    WriteBytes(temp.File("movie.avi"), "data");
    struct Case {
        const wchar_t* verb;
        std::wstring file;
        const wchar_t* parameters;
        INT_PTR result;
        const wchar_t* what;
        std::vector<std::wstring> args;
    };
    const Case cases[] = {
        {L"open", Utf8ToWide(temp.path()), nullptr, 42, L"folder", {}},
        {nullptr, L"https://example.com/home", nullptr, 42, L"address", {}},
        {L"open", temp.WFile("movie.avi"), nullptr, 42, L"address", {}},
        {nullptr, temp.WFile("tool"), L"\"/media/a b.avi\" --x", 42, L"program", {L"/media/a b.avi", L"--x"}},
        {nullptr, L"/program/folder/RivoReader.exe", L"", 42, L"program", {}},
        {L"print", temp.WFile("movie.avi"), nullptr, SE_ERR_NOASSOC, nullptr, {}},
        {nullptr, L"", nullptr, SE_ERR_FNF, nullptr, {}},
    };
    for (const Case& c : cases) {
        shell_.requests.clear();
        HINSTANCE r = ShellExecuteW(nullptr, c.verb, c.file.c_str(), c.parameters, L"/work", SW_SHOWNORMAL);
        EXPECT_EQ(c.result, reinterpret_cast<INT_PTR>(r)) << WideToUtf8(c.file);
        if (!c.what) {
            EXPECT_TRUE(shell_.requests.empty());
            continue;
        }
        ASSERT_EQ(1u, shell_.requests.size());
        EXPECT_EQ(c.what, shell_.requests[0].what);
        EXPECT_EQ(c.file, shell_.requests[0].target);
        EXPECT_EQ(c.args, shell_.requests[0].args);
    }
    // A program the service cannot start does not exist here.
    shell_.result = false;
    EXPECT_EQ(SE_ERR_FNF,
              reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, L"/nowhere/prog", nullptr, nullptr, 1)));
}

TEST_F(ServicesTest, DesktopTrashKeepsTheFileAndWhereItCameFrom)
{
    TempDir temp;
    QByteArray oldData = qgetenv("XDG_DATA_HOME");
    // The desktop keeps its trash in the data folder, which exists.
    ASSERT_EQ(0, mkdir(temp.File("data").c_str(), 0700));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(temp.File("data")));
    SetShellService(nullptr);
    std::string victim = temp.File("old recording.avi");
    WriteBytes(victim, "content");
    EXPECT_TRUE(ShellService().MoveToTrash(Utf8ToWide(victim)));
    EXPECT_NE(0, access(victim.c_str(), F_OK));
    EXPECT_EQ("content", ReadBytes(temp.File("data/Trash/files/old recording.avi")));
    std::string info = ReadBytes(temp.File("data/Trash/info/old recording.avi.trashinfo"));
    EXPECT_NE(std::string::npos, info.find("Path=")) << info;
    EXPECT_FALSE(ShellService().MoveToTrash(Utf8ToWide(temp.File("missing.avi"))));
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(ServicesTest, DesktopClipboardKeepsText)
{
    SetClipboardService(nullptr);
    ASSERT_TRUE(ClipboardService().SetText(L"copied 한글"));
    auto text = ClipboardService().GetText();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(L"copied 한글", *text);
}

class DropDialog : public CDialog {
public:
    DropDialog() : CDialog(IDD_SAMPLE) {}
    std::vector<std::wstring> files;
    POINT at{-1, -1};

protected:
    void OnDropFiles(HDROP drop)
    {
        UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
            files.push_back(path);
        }
        DragQueryPoint(drop, &at);
        DragFinish(drop);
        EXPECT_EQ(0u, DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(DropDialog, CDialog)
ON_WM_DROPFILES()
END_MESSAGE_MAP()

TEST_F(ServicesTest, DroppedFilesReachTheWindowThatAcceptsThem)
{
    DropDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SAMPLE));
    dialog.ShowWindow(SW_SHOW);
    PumpDialogMessages();
    std::wstring longPath = L"/media/" + std::wstring(400, L'y') + L"/clip.mkv";
    // Nothing accepts files yet.
    EXPECT_FALSE(DropFilesOnWindow(dialog.m_hWnd, POINT{10, 10}, {L"/a.avi"}));
    dialog.DragAcceptFiles(TRUE);
    RECT name;
    GetWindowRect(GetDlgItem(dialog.m_hWnd, IDC_NAME), &name);
    POINT onEdit{name.left + 3, name.top + 3};
    ScreenToClient(dialog.m_hWnd, &onEdit);
    // A drop on a child that does not accept files goes to the dialog.
    ASSERT_TRUE(DropFilesOnWindow(dialog.m_hWnd, onEdit, {L"/media/a.avi", longPath}));
    PumpDialogMessages();
    EXPECT_EQ((std::vector<std::wstring>{L"/media/a.avi", longPath}), dialog.files);
    EXPECT_EQ(onEdit.x, dialog.at.x);
    EXPECT_EQ(onEdit.y, dialog.at.y);
    // The desktop's drop comes through Qt the same way.
    dialog.files.clear();
    QWidget* top = GetWindowQWidget(dialog.m_hWnd);
    ASSERT_NE(nullptr, top);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/media/dropped file.avi")});
    QPointF at(20, 40);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top, &drop);
    PumpDialogMessages();
    EXPECT_EQ((std::vector<std::wstring>{L"/media/dropped file.avi"}), dialog.files);
    dialog.DestroyWindow();
}

}  // namespace
