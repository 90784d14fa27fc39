// The encoder's main window: a dialog whose whole client area is the skin
// window, with the job list as the one native control the skin places. It
// binds the skin's named controls to its commands, keeps the job list and
// the source and output texts of the current job, reads the command line,
// adds dropped files and folders, reorders and deletes jobs, opens the
// settings windows, the preset menu and the option sheet, and starts the
// progress window, during which it stays disabled.
#pragma once

#include <array>

#include "encoder/core/jobs/EncFileInfoList.h"
#include "encoder/core/RivoEncApp.h"
#include "encoder/ui/EncodingHost.h"
#include "encoder/ui/JobListEditor.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardControls.h"
#include "platform/win32/Collections.h"
#include "skin/HXWindowMain.h"

class HXConButton;
class HXConStatic;
class IEncodeWindows;

// "/automode" on the command line sets the settings' automatic-mode flag:
// Start is posted once the command line is read, and the main window closes
// when the progress window ends, or at once when the batch cannot start.
// What the batch did goes to the batch report (BatchReport), which speaks
// in automatic mode.
class CRivoEncDlg : public CDialog, public IRivoEncMainDialog, public CEncodingHost {
public:
    // The skin's command ids, the display ids of the source and output
    // texts, and the preset menu.
    enum : UINT {
        ID_BTN_DELALL = 32777,
        ID_BTN_DEL = 32778,
        ID_BTN_ADD = 32779,
        ID_BTN_PREVIEW = 32780,
        ID_BTN_START = 32781,
        ID_BTN_EXIT = 32782,
        ID_BTN_BROWSE = 32783,
        ID_BTN_SETOUTPUT = 32786,
        ID_ST_DST_FOLDER = 32787,
        ID_BTN_SETINPUT = 32788,
        ID_BTN_ABOUT = 32789,
        ID_BTN_OPTION = 32790,
        ID_BTN_PRESET_POPUP = 32794,
        ID_BTN_PARSEINFO = 32795,
        ID_BTN_LIST_UP = 32796,
        ID_BTN_LIST_DOWN = 32797,
        ID_BTN_LIST_TOP = 32798,
        ID_BTN_LIST_BOTTOM = 32799,
    };
    static constexpr UINT kSourceTextIds = 0xFF000000;  // six texts from here
    static constexpr UINT kOutputTextIds = 0xFF000010;  // six texts from here
    static constexpr UINT kBrowserId = 0xFF0000A1;
    static constexpr UINT kPresetMenuId = 157;
    // The characters of the Add dialog's name buffer: the folder and every
    // chosen name must fit in it together.
    static constexpr DWORD kAddNameChars = 133120;
    static constexpr UINT kFirstPresetCommand = 60000;
    static constexpr int kListId = 1002;
    static constexpr int kMinWidth = 700;
    static constexpr int kMinHeight = 560;

    // windows: the source settings and progress windows (not owned).
    CRivoEncDlg(const CString& commandLine, IEncodeWindows* windows, CWnd* parent = nullptr);
    ~CRivoEncDlg() override;

    INT_PTR DoModal() override { return CDialog::DoModal(); }

    // The progress window's owner is this window.
    CWnd* GetHostWindow() override { return this; }
    // The progress window has gone: the main window works again, and in
    // automatic mode it closes.
    void EndModalChild() override;

    // The command line: sources, one preset file, and the switches.
    void OnCommandLine(const CString& text);
    // Adding sources, through the job list's editor: one source (the first
    // row becomes current when nothing is selected), every file below a
    // folder (sorted), and the files below a folder (with recursive, the
    // folders below it breadth first) in the order the file system gives
    // them.
    void AddSourceFile(const CString& path) { m_jobEditor.AddFile(path); }
    void AddSourcePath(const CString& folder) { m_jobEditor.AddFolder(folder); }
    static void CollectFolderFiles(const CString& folder, CStringList& files, bool recursive)
    {
        JobListEditor::CollectFolderFiles(folder, files, recursive);
    }
    void SetDestinationFolder(const CString& folder);
    void ApplyPresetFile(const CString& path);
    // The preset file a "/preset=" value names: an existing file, else a
    // shipped preset by its file name or its name without ".rvp"; empty
    // when there is none.
    static CString FindPresetFile(const CString& value);

    CEncFileInfoList& Jobs() { return m_jobs; }
    CListCtrl& List() { return m_list; }
    HXWindowMain& Skin() { return m_skin; }
    CWnd* ProgressWindow() const { return m_pEncoding; }
    int CurrentJob() const { return m_nCurrentJob; }
    bool IsSkinCreated() const { return m_bSkinCreated != 0; }

    // The build date the title shows.
    static constexpr const wchar_t* kBuildDate = L"Feb  9 2007";

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Neither Enter nor Escape ends the main window (and with it the
    // program and its job list); it closes only on WM_CLOSE.
    void OnOK() override {}
    void OnCancel() override {}

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT type, int width, int height);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    BOOL OnHelpInfo(HELPINFO*) { return TRUE; }
    void OnClose();
    void OnDropFiles(HDROP drop);
    void OnItemChanged(NMHDR* header, LRESULT* result);
    void OnGetInfoTip(NMHDR* header, LRESULT* result);
    void OnDoubleClick(NMHDR* header, LRESULT* result);
    LRESULT OnSkinNotify(WPARAM code, LPARAM data);

    void OnAdd();
    void OnDelete();
    void OnDeleteAll();
    void OnSetOutput();
    void OnBrowse();
    void OnStart();
    void OnOpenDestination();
    void OnPreview() { RunSourceSettings(true); }
    void OnSetInput() { RunSourceSettings(false); }
    void OnExit();
    void OnAbout();
    void OnOption();
    void OnParseInfo();
    void OnListUp();
    void OnListDown();
    void OnListTop();
    void OnListBottom();
    DECLARE_MESSAGE_MAP()

private:
    bool LoadSkin();
    void UpdateButtons();
    void UpdatePresetButton();
    void ShowSourceInfo(int index);
    void ShowOutputInfo(int index);
    void SetSkinText(UINT id, const CString& text);
    // The six texts of one side from the first id on.
    void SetSideTexts(UINT firstId, const std::array<CString, 6>& texts);
    // The job whose texts an index stands for.
    int TextJobIndex(int index) const;
    void RefreshJobRow(int index) { m_jobEditor.RefreshRow(index); }
    void ShowAddingBox(const wchar_t* textKey);
    void HideAddingBox();
    void RunSourceSettings(bool autoPlay);
    void OnPresetMenuCommand(UINT command);
    void DisableMainControls(BOOL disable);
    // In automatic mode a start that cannot go on ends the program with the
    // reason in the batch report; otherwise nothing happens.
    void EndAutomaticStart(const CString& why);
    bool IsValidJob(int index) const { return index >= 0 && index < m_jobs.GetJobCount(); }

    HXWindowMain m_skin;
    CEncFileInfoList m_jobs;
    CListCtrl m_list;
    // Adds, removes and moves the jobs of the list and its rows.
    JobListEditor m_jobEditor{m_jobs, m_list};
    int m_bSkinCreated = 0;
    CWnd* m_pEncoding = nullptr;
    HXConStatic* m_pDstFolderStatic = nullptr;
    HXConButton* m_pSetOutputButton = nullptr;
    HXConButton* m_pPresetButton = nullptr;
    int m_nCurrentJob = -1;
    HWND m_hAddingBox = nullptr;
    HICON m_hIcon = nullptr;

    CString m_sCommandLine;
    IEncodeWindows* m_pWindows = nullptr;
};
