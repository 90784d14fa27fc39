#include "CRivoEncDlg.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "RivoEncIds.h"
#include "encoder/core/BatchReport.h"
#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncPresetList.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/H264Module.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/core/MessageDialogPort.h"
#include "encoder/core/OutputFormat.h"
#include "encoder/ui/CDlgPreset.h"
#include "encoder/ui/CDlgSetOutput.h"
#include "encoder/ui/COptionPropertySheet.h"
#include "encoder/ui/IEncodeWindows.h"
#include "encoder/ui/MainSkinBindings.h"
#include "encoder/ui/VentraState.h"
#include "foundation/NameValueParser.h"
#include "foundation/PathHelpers.h"
#include "foundation/ShellHelpers.h"
#include "foundation/TextHelpers.h"
#include "foundation/gui/BrowseForFolder.h"
#include "foundation/gui/MessageDialog.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/CRect.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/DragDrop.h"
#include "platform/mfc/GdiClasses.h"
#include "platform/mfc/ShellServices.h"
#include "platform/win32/Folders.h"
#include "platform/win32/Format.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"

namespace {

const UINT s_skinNotify = SkinNotifyMessage();

constexpr DWORD kListStyle = 0x420;  // full-row selection, info tips
constexpr int kColumnWidths[CEncFileInfoList::kColumnCount] = {200, 230, 70, 60, 200, 240, 240};
constexpr UINT kProgramIcon = 128;

// The skin's names and the ids they stand for, registered in this order, are
// the table the skin render tool checks skins against; the window's own ids
// must be the ones it names.
constexpr int BoundId(std::wstring_view name)
{
    for (const MainSkinBinding& binding : kMainSkinBindings)
        if (name == std::wstring_view(binding.name)) return binding.id;
    return -1;
}
static_assert(BoundId(L"ID_BROWSER_AD") == static_cast<int>(CRivoEncDlg::kBrowserId));
static_assert(BoundId(L"ID_BTN_ABOUT") == CRivoEncDlg::ID_BTN_ABOUT);
static_assert(BoundId(L"ID_BTN_PREVIEW") == CRivoEncDlg::ID_BTN_PREVIEW);
static_assert(BoundId(L"ID_BTN_PARSEINFO") == CRivoEncDlg::ID_BTN_PARSEINFO);
static_assert(BoundId(L"ID_BTN_ADD") == CRivoEncDlg::ID_BTN_ADD);
static_assert(BoundId(L"ID_BTN_DEL") == CRivoEncDlg::ID_BTN_DEL);
static_assert(BoundId(L"ID_BTN_DELALL") == CRivoEncDlg::ID_BTN_DELALL);
static_assert(BoundId(L"ID_BTN_START") == CRivoEncDlg::ID_BTN_START);
static_assert(BoundId(L"ID_BTN_OPTION") == CRivoEncDlg::ID_BTN_OPTION);
static_assert(BoundId(L"ID_BTN_EXIT") == CRivoEncDlg::ID_BTN_EXIT);
static_assert(BoundId(L"ID_BTN_BROWSE") == CRivoEncDlg::ID_BTN_BROWSE);
static_assert(BoundId(L"ID_BTN_SETINPUT") == CRivoEncDlg::ID_BTN_SETINPUT);
static_assert(BoundId(L"ID_BTN_SETOUTPUT") == CRivoEncDlg::ID_BTN_SETOUTPUT);
static_assert(BoundId(L"ID_ST_SRC_FILEINFO") == static_cast<int>(CRivoEncDlg::kSourceTextIds));
static_assert(BoundId(L"ID_ST_SRC_AFORMAT") == static_cast<int>(CRivoEncDlg::kSourceTextIds + 5));
static_assert(BoundId(L"ID_ST_DST_FILEINFO") == static_cast<int>(CRivoEncDlg::kOutputTextIds));
static_assert(BoundId(L"ID_ST_DST_AFORMAT") == static_cast<int>(CRivoEncDlg::kOutputTextIds + 5));
static_assert(BoundId(L"ID_ST_DST_FOLDER") == CRivoEncDlg::ID_ST_DST_FOLDER);
static_assert(BoundId(L"IDR_MENU_PRESET_POPUP") == static_cast<int>(CRivoEncDlg::kPresetMenuId));
static_assert(BoundId(L"ID_BTN_PRESET_POPUP") == CRivoEncDlg::ID_BTN_PRESET_POPUP);
static_assert(BoundId(L"ID_BTN_LIST_UP") == CRivoEncDlg::ID_BTN_LIST_UP);
static_assert(BoundId(L"ID_BTN_LIST_DOWN") == CRivoEncDlg::ID_BTN_LIST_DOWN);
static_assert(BoundId(L"ID_BTN_LIST_TOP") == CRivoEncDlg::ID_BTN_LIST_TOP);
static_assert(BoundId(L"ID_BTN_LIST_BOTTOM") == CRivoEncDlg::ID_BTN_LIST_BOTTOM);
static_assert(kMainSkinJobListId == CRivoEncDlg::kListId);

constexpr const wchar_t* kMediaFilter =
    L"*.mpeg;*.mpg;*.dat;*.mpe;*.mpv2;*.mp2v;*.m2t;*.m2ts;*.m1v;*.m2v;*.mp4;*."
    L"k3g;*.vob;*.trp;*.tp;*.ts;*.avi;"
    L"*.divx;*.asx;*.wmx;*.wvx;*.asf;*.wm;*.wmv;*.wmd;*.rm;*.rmvb;*.ram;*.mov;*"
    L".ivf;*.ogm;*.mkv;*.vp6;*.xvd;*.flv;";

CString ProgramFolder() { return CCoreEnvironment::Get().ProgramFolder(); }
CString PresetsFolder() { return ProgramFolder() + L"presets/"; }

}  // namespace

BEGIN_MESSAGE_MAP(CRivoEncDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_SIZE()
ON_WM_GETMINMAXINFO()
ON_COMMAND(ID_BTN_ADD, &CRivoEncDlg::OnAdd)
ON_COMMAND(ID_BTN_DEL, &CRivoEncDlg::OnDelete)
ON_COMMAND(ID_BTN_DELALL, &CRivoEncDlg::OnDeleteAll)
ON_NOTIFY(LVN_ITEMCHANGED, kListId, &CRivoEncDlg::OnItemChanged)
ON_NOTIFY(LVN_GETINFOTIPW, kListId, &CRivoEncDlg::OnGetInfoTip)
ON_COMMAND(ID_BTN_SETOUTPUT, &CRivoEncDlg::OnSetOutput)
ON_COMMAND(ID_BTN_BROWSE, &CRivoEncDlg::OnBrowse)
ON_COMMAND(ID_BTN_START, &CRivoEncDlg::OnStart)
ON_WM_ERASEBKGND()
ON_COMMAND(ID_ST_DST_FOLDER, &CRivoEncDlg::OnOpenDestination)
ON_COMMAND(ID_BTN_PREVIEW, &CRivoEncDlg::OnPreview)
ON_COMMAND(ID_BTN_SETINPUT, &CRivoEncDlg::OnSetInput)
ON_NOTIFY(NM_DBLCLK, kListId, &CRivoEncDlg::OnDoubleClick)
ON_COMMAND(ID_BTN_EXIT, &CRivoEncDlg::OnExit)
ON_WM_CLOSE()
ON_COMMAND(ID_BTN_ABOUT, &CRivoEncDlg::OnAbout)
ON_WM_DROPFILES()
ON_WM_HELPINFO()
ON_COMMAND(ID_BTN_OPTION, &CRivoEncDlg::OnOption)
ON_REGISTERED_MESSAGE(s_skinNotify, &CRivoEncDlg::OnSkinNotify)
ON_COMMAND(ID_BTN_PARSEINFO, &CRivoEncDlg::OnParseInfo)
ON_COMMAND(ID_BTN_LIST_UP, &CRivoEncDlg::OnListUp)
ON_COMMAND(ID_BTN_LIST_DOWN, &CRivoEncDlg::OnListDown)
ON_COMMAND(ID_BTN_LIST_TOP, &CRivoEncDlg::OnListTop)
ON_COMMAND(ID_BTN_LIST_BOTTOM, &CRivoEncDlg::OnListBottom)
END_MESSAGE_MAP()

CRivoEncDlg::CRivoEncDlg(const CString& commandLine, IEncodeWindows* windows, CWnd* parent)
    : CDialog(IDD_RIVOENC_DIALOG, parent), m_sCommandLine(commandLine), m_pWindows(windows)
{
    m_hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(kProgramIcon));
    // The report tells of this window's command line and batch.
    GetBatchReport().Reset();
}

CRivoEncDlg::~CRivoEncDlg()
{
    HideAddingBox();
    m_jobs.SetListCtrl(nullptr);
}

void CRivoEncDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, kListId, m_list); }

// ---- Start
// ----------------------------------------------------------------------------

BOOL CRivoEncDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    LoadVentra(GetVentraState(), ProgramFolder());

    SetWindowText(CString(FormatText(L"%s [Build:%s]", LookupText(L"TEXT_APP_NAME"), kBuildDate)));

    m_list.SetExtendedStyle(kListStyle);
    for (int i = 0; i < CEncFileInfoList::kColumnCount; ++i)
        m_list.InsertColumn(i, LookupText(FormatText(L"TEXT_LIST_FILES_HEAD%d", i).c_str()), LVCFMT_LEFT,
                            kColumnWidths[i]);

    if (!LoadSkin()) {
        PostMessage(WM_CLOSE);
        return FALSE;
    }
    m_jobs.SetListCtrl(&m_list);
    UpdateButtons();
    m_bSkinCreated = 1;
    ShowWindow(SW_SHOW);
    DragAcceptFiles(TRUE);

    CEncSettings& settings = GetEncSettings();
    CString commandLine = m_sCommandLine;
    if (!commandLine.IsEmpty()) {
        if (commandLine[0] != L'"') {
            // A text without quotes is one path, as the desktop hands over a
            // file opened with the program.
            if (!g_pfnGetLongPathName) {
                commandLine = CString(FormatText(L"\"%s\"", commandLine));
            } else {
                std::vector<wchar_t> longPath(MAX_PATH + 1);
                DWORD length = g_pfnGetLongPathName(commandLine, longPath.data(), MAX_PATH);
                if (length >= 1 && length <= MAX_PATH) commandLine = CString(FormatText(L"\"%s\"", longPath.data()));
            }
        }
        OnCommandLine(commandLine);
    } else if (settings.bIsFirst2) {
        ShowCoreMessage(m_hWnd, LookupText(L"TEXT_FIRST_SETTING"), LookupText(L"TEXT_APP_NAME"), kMessageOk);
        CDlgPreset presets(this);
        presets.DoModal();
        ShowOutputInfo(-1);
        UpdatePresetButton();
        settings.bIsFirst2 = 0;
    }
    return TRUE;
}

bool CRivoEncDlg::LoadSkin()
{
    CRect client;
    m_skin.Create(m_hWnd, CRect(0, 0, 0, 0), WS_CHILD | WS_VISIBLE, 0x80);
    const CString folder = ProgramFolder();
    CString source = CombinePath(folder, L"skins/default", L"/");
    if (!IsFolder(source)) source = CombinePath(folder, L"skins/default.zip", L"/");
    m_skin.SetLanguageFile(CombinePath(CombinePath(folder, L"lang", L"/"), GetEncSettings().sLangIniFileName, L"/"),
                           L"SKIN", 0);
    bool ok = m_skin.OpenSkin(source, 0) && m_skin.LoadSkinDocument(L"skin.xml", 0, 0);
    if (ok) {
        for (const MainSkinBinding& binding : kMainSkinBindings) m_skin.AddCommandControl(binding.name, binding.id);
        m_skin.AddWindowControl(kMainSkinJobListName, kListId, m_list.m_hWnd);
        ok = m_skin.BuildSkinWindow(-1) != 0;
    }
    if (!ok) {
        ShowCoreMessage(m_hWnd, CString(FormatText(LookupText(L"TEXT_SKIN_OPENERROR"), m_skin.GetLastErrorMessage())),
                        LookupText(L"TEXT_APP_NAME"), kMessageOk);
        return false;
    }
    m_pDstFolderStatic = dynamic_cast<HXConStatic*>(m_skin.FindControl(ID_ST_DST_FOLDER));
    m_pSetOutputButton = m_skin.FindButton(ID_BTN_SETOUTPUT);
    m_pPresetButton = m_skin.FindButton(ID_BTN_PRESET_POPUP);
    // A browser the skin places under the browser id stays hidden; another
    // kind of control bound to that id is left as the skin shows it.
    if (auto* browser = dynamic_cast<HXConBrowser*>(m_skin.FindControl(static_cast<int>(kBrowserId))))
        browser->SetVisible(0, 1);
    GetClientRect(&client);
    ::MoveWindow(m_skin.GetSafeHwnd(), 0, 0, client.Width(), client.Height(), TRUE);
    if (m_pDstFolderStatic) m_pDstFolderStatic->SetText(GetEncSettings().sDstFolder, 0);
    UpdatePresetButton();
    return true;
}

// ---- Texts and buttons
// --------------------------------------------------------------------

void CRivoEncDlg::UpdateButtons()
{
    const bool selection = m_jobEditor.HasSelection();
    const bool jobs = m_list.GetItemCount() > 0;
    auto enable = [this](UINT id, bool on) {
        if (HXConBase* control = m_skin.FindControl(static_cast<int>(id))) control->SetEnabled(on ? 1 : 0, 1);
    };
    for (UINT id : {ID_BTN_PREVIEW, ID_BTN_DEL, ID_BTN_SETINPUT, ID_BTN_LIST_DOWN, ID_BTN_LIST_UP, ID_BTN_LIST_BOTTOM,
                    ID_BTN_LIST_TOP})
        enable(id, selection);
    enable(ID_BTN_START, jobs);
    enable(ID_BTN_DELALL, jobs);
}

void CRivoEncDlg::UpdatePresetButton()
{
    if (!m_pPresetButton) return;
    const CString& title = GetEncSettings().sLastPresetTitle;
    m_pPresetButton->SetText(title.IsEmpty() ? CString(LookupText(L"TEXT_BTN_PRESET")) : title, 0);
}

void CRivoEncDlg::SetSkinText(UINT id, const CString& text)
{
    if (HXConBase* control = m_skin.FindControl(static_cast<int>(id))) control->SetText(text, 0);
}

int CRivoEncDlg::TextJobIndex(int index) const
{
    // An index past the list counts as none; none is the first selected row.
    if (index >= m_jobs.GetJobCount()) index = -1;
    return index < 0 ? m_jobEditor.FirstSelectedRow() : index;
}

void CRivoEncDlg::SetSideTexts(UINT firstId, const std::array<CString, 6>& texts)
{
    for (UINT i = 0; i < texts.size(); ++i) SetSkinText(firstId + i, texts[i]);
}

void CRivoEncDlg::ShowSourceInfo(int index)
{
    const CEncFileInfo* job = m_jobs.GetJob(TextJobIndex(index));
    if (!job) {
        SetSideTexts(kSourceTextIds, {});
        return;
    }
    SetSideTexts(kSourceTextIds, {job->GetSourceFileName(), job->GetSummaryText(), job->GetVideoFormatName(),
                                  job->GetVideoInfoText(), job->GetAudioFormatName(), job->GetAudioInfoText()});
}

void CRivoEncDlg::ShowOutputInfo(int index)
{
    index = TextJobIndex(index);
    const CEncFileInfo* job = m_jobs.GetJob(index);
    if (!job) {
        SetSideTexts(kOutputTextIds, {});
        return;
    }
    const CEncSettings& settings = GetEncSettings();
    const SEncJobMedia media = job->GetJobMedia();
    SetSideTexts(kOutputTextIds, {settings.GetOutputFileName(job->m_sSourcePath, index, settings.nEtcNamingCnt + index),
                                  settings.GetFileSizePrediction(media), GetOutputVideoCodecName(settings, &media),
                                  settings.GetVideoSummary(&media), GetOutputAudioCodecName(settings, &media),
                                  settings.GetAudioSummary(&media)});
}

// ---- Adding sources
// -------------------------------------------------------------------------

void CRivoEncDlg::ShowAddingBox(const wchar_t* textKey)
{
    HideAddingBox();
    m_hAddingBox = ShowMessageDialogOnThread(m_hWnd, LookupText(textKey), LookupText(L"TEXT_APP_NAME"));
}

void CRivoEncDlg::HideAddingBox()
{
    if (m_hAddingBox) CloseMessageDialog(m_hAddingBox);
    m_hAddingBox = nullptr;
}

void CRivoEncDlg::OnAdd()
{
    const CString filter = CString(LookupText(L"TEXT_FILEDLG_MEDIAFILE")) + L"|" + kMediaFilter + L"|" +
                           LookupText(L"TEXT_FILEDLG_ALLFILE") + L"|*.*||";
    CFileDialog dialog(TRUE, L"avi", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ALLOWMULTISELECT, filter,
                       this);
    std::vector<wchar_t> names(kAddNameChars, L'\0');
    dialog.m_ofn.lpstrFile = names.data();
    dialog.m_ofn.nMaxFile = kAddNameChars;
    if (dialog.DoModal() == IDOK) {
        ShowAddingBox(L"TEXT_FILE_ADDING");
        for (POSITION position = dialog.GetStartPosition(); position;) AddSourceFile(dialog.GetNextPathName(position));
        HideAddingBox();
    } else if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
        // A choice whose names do not fit is not taken; the user hears why.
        ShowCoreMessage(m_hWnd, LookupText(L"TEXT_FILEDLG_TOOMANY"), LookupText(L"TEXT_APP_NAME"), kMessageOk);
    }
    UpdateButtons();
}

void CRivoEncDlg::OnDropFiles(HDROP drop)
{
    ShowAddingBox(L"TEXT_FILE_ADDING");
    CStringList files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Each path is read whole, however long it is.
        std::vector<wchar_t> buffer(DragQueryFileW(drop, i, nullptr, 0) + 1);
        DragQueryFileW(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
        const CString path(buffer.data());
        if (IsFolder(path))
            AddSourcePath(path);
        else
            files.AddTail(path);
    }
    m_jobEditor.AddSortedFiles(files);
    HideAddingBox();
    DragFinish(drop);
    UpdateButtons();
}

// ---- Selection
// ---------------------------------------------------------------------------------

void CRivoEncDlg::OnItemChanged(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_FOCUSED)) {
        m_nCurrentJob = change->iItem;
        ShowSourceInfo(m_nCurrentJob);
        ShowOutputInfo(m_nCurrentJob);
    }
    UpdateButtons();
    *result = 0;
}

void CRivoEncDlg::OnGetInfoTip(NMHDR* header, LRESULT* result)
{
    auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
    const CEncFileInfo* job = m_jobs.GetJob(tip->iItem);
    if (job && tip->pszText && tip->cchTextMax > 0) {
        const CString& path = job->m_sSourcePath;
        const int n = std::min(path.GetLength(), tip->cchTextMax - 1);
        std::wmemcpy(tip->pszText, path.GetString(), static_cast<size_t>(n));
        tip->pszText[n] = 0;
    }
    *result = 0;
}

void CRivoEncDlg::OnDoubleClick(NMHDR*, LRESULT* result)
{
    RunSourceSettings(true);
    *result = 0;
}

// ---- Deleting and reordering
// --------------------------------------------------------------------

void CRivoEncDlg::OnDelete()
{
    // A row left selected becomes the current job, which shows its texts.
    if (!m_jobEditor.RemoveSelected()) {
        ShowSourceInfo(-1);
        ShowOutputInfo(-1);
    }
    UpdateButtons();
}

void CRivoEncDlg::OnDeleteAll()
{
    m_jobs.RemoveAll();
    m_nCurrentJob = -1;
    ShowSourceInfo(-1);
    ShowOutputInfo(-1);
    UpdateButtons();
}

void CRivoEncDlg::OnListUp() { m_jobEditor.MoveUp(); }

void CRivoEncDlg::OnListDown() { m_jobEditor.MoveDown(); }

void CRivoEncDlg::OnListTop() { m_jobEditor.MoveToTop(); }

void CRivoEncDlg::OnListBottom() { m_jobEditor.MoveToBottom(); }

// ---- Presets
// ---------------------------------------------------------------------------------------

LRESULT CRivoEncDlg::OnSkinNotify(WPARAM code, LPARAM data)
{
    if (code == HXWindowMain::NOTIFY_MENU_OPEN) {
        const auto* open = reinterpret_cast<const SPopupMenuOpenNotify*>(data);
        if (!open || open->menuId != static_cast<int>(kPresetMenuId) || !open->popup) return 0;
        const CString& last = GetEncSettings().sLastPresetPath;
        CEncPresetList presets(PresetsFolder());
        for (int i = 0; i < presets.GetSize(); ++i) {
            const CEncPresetInfo* preset = presets.GetAt(i);
            UINT flags = MF_STRING;
            if (preset->m_sFilePath == last) flags |= MF_CHECKED;
            AppendMenuW(open->popup, flags, kFirstPresetCommand + static_cast<UINT>(i), preset->m_sDescLocal);
        }
        return 0;
    }
    if (code == HXWindowMain::NOTIFY_MENU_CHOSEN) {
        const auto* chosen = reinterpret_cast<const SPopupMenuCloseNotify*>(data);
        if (!chosen || chosen->menuId != static_cast<int>(kPresetMenuId)) return 0;
        OnPresetMenuCommand(static_cast<UINT>(chosen->command));
        return 0;
    }
    return 0;
}

void CRivoEncDlg::OnPresetMenuCommand(UINT command)
{
    if (command < kFirstPresetCommand) return;
    CEncPresetList presets(PresetsFolder());
    const int index = static_cast<int>(command - kFirstPresetCommand);
    if (index >= presets.GetSize()) return;
    ApplyPresetToSettings(GetEncSettings(), *presets.GetAt(index));
    UpdatePresetButton();
    ShowOutputInfo(-1);
}

CString CRivoEncDlg::FindPresetFile(const CString& value)
{
    if (FileExists(value)) return value;
    // A shipped preset by its file name, in any letter case as the
    // platform's file names are matched, or by its name without ".rvp".
    const std::string folder = ToNativePath(PresetsFolder().str());
    for (const CString& name : {value, value + L".rvp"}) {
        if (name.IsEmpty()) continue;
        const std::string found = FindPathNoCase(folder, ToNativePath(name.str()));
        if (!found.empty() && FileExists(CString(FromNativePath(found)))) return CString(FromNativePath(found));
    }
    return CString();
}

void CRivoEncDlg::ApplyPresetFile(const CString& path)
{
    CEncPresetInfo preset(path);
    ApplyPresetToSettings(GetEncSettings(), preset);
    UpdatePresetButton();
    ShowOutputInfo(-1);
}

// ---- Command line
// ----------------------------------------------------------------------------------

void CRivoEncDlg::OnCommandLine(const CString& text)
{
    CString line = text;
    line.Trim();
    if (line.IsEmpty()) return;
    CStringArray arguments;
    if (SplitQuotedList(line, arguments, 1, 0) <= 0 || arguments.GetSize() == 0) return;

    if (arguments.GetSize() == 1 && GetFileKindByExtension(arguments[0]) == 2) {
        CString question = LookupText(L"TEXT_APPLY_PRESET");
        question.Replace(L"$FILE$", GetFileNameFromPath(arguments[0]));
        if (ShowCoreMessage(m_hWnd, question, LookupText(L"TEXT_APP_NAME"), kMessageYesNo) == kAnswerYes) {
            ApplyPresetFile(arguments[0]);
            return;
        }
    }

    // The switches the program cannot use go to the batch report, which
    // speaks only in automatic mode; the window itself ignores them.
    BatchReport& report = GetBatchReport();
    for (int i = 0; i < arguments.GetSize(); ++i) {
        const CString& argument = arguments[i];
        if (argument.IsEmpty()) continue;
        if (!IsCommandLineSwitch(argument)) {
            AddSourceFile(argument);
            continue;
        }
        const CString rest = argument.Mid(1);
        if (rest == L"automode") {
            GetEncSettings().bAutoMode = 1;
            report.Speak();
            continue;
        }
        CNameValueParser parser;
        SKeyValue pair;
        if (!parser.Parse(rest) || !parser.GetPair(0, pair)) {
            report.SwitchNotUsed(argument, L"unknown switch", false);
            continue;
        }
        CString value = pair.value;
        value.Replace(L"&nbsp;", L" ");
        value.Replace(L"&quot;", L"\"");
        value.Replace(L"&amp;", L"&");
        // The switch as the caller wrote it, without the quotes it came in.
        const CString given = L"/" + pair.key + L"=" + value;
        if (pair.key == L"preset") {
            const CString preset = FindPresetFile(value);
            if (!preset.IsEmpty())
                ApplyPresetFile(preset);
            else
                report.SwitchNotUsed(given, L"no such preset file", true);
        } else if (pair.key == L"destpath") {
            if (IsFolder(value))
                SetDestinationFolder(value);
            else
                report.SwitchNotUsed(given, L"no such folder", true);
        } else {
            report.SwitchNotUsed(given, L"unknown switch", false);
        }
    }
    UpdateButtons();
    if (GetEncSettings().bAutoMode) PostMessage(WM_COMMAND, ID_BTN_START);
}

// ---- Destination
// -----------------------------------------------------------------------------------

void CRivoEncDlg::SetDestinationFolder(const CString& folder)
{
    GetEncSettings().sDstFolder = folder;
    if (m_pDstFolderStatic) m_pDstFolderStatic->SetText(folder, 0);
}

void CRivoEncDlg::OnBrowse()
{
    CString folder = BrowseForFolder(m_hWnd, GetEncSettings().sDstFolder, LookupText(L"TEXT_SELECT_DSTFOLDER"));
    if (folder.IsEmpty()) return;
    if (!IsPathSeparator(folder[folder.GetLength() - 1])) folder += L"/";
    SetDestinationFolder(folder);
}

void CRivoEncDlg::OnOpenDestination()
{
    ShellExecuteW(m_hWnd, L"open", GetEncSettings().sDstFolder, nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- Other windows
// ----------------------------------------------------------------------------------

void CRivoEncDlg::RunSourceSettings(bool autoPlay)
{
    if (!IsValidJob(m_nCurrentJob) || !m_pWindows) return;
    const int current = m_nCurrentJob;
    const INT_PTR answer = m_pWindows->RunSourceSettings(this, m_jobs, current, autoPlay);
    if (answer == IDOK) {
        RefreshJobRow(current);
        ShowOutputInfo(-1);
    } else if (answer == IEncodeWindows::kApplyToAll) {
        const CEncFileInfo* q = m_jobs.GetJob(current);
        if (!q) return;
        // Copied first: the current job is one of those it is applied to.
        const int start = q->m_nSegmentStart, end = q->m_nSegmentEnd, stream = q->m_nAudioStream;
        const int delay = q->m_nAudioDelay, gain = q->m_nAudioGain;
        for (int i = 0; i < m_jobs.GetJobCount(); ++i) {
            CEncFileInfo* job = m_jobs.GetJob(i);
            job->m_nSegmentStart = std::min(start, job->m_nDuration);
            job->m_nSegmentEnd = std::min(end, job->m_nDuration);
            job->m_nAudioStream = std::min(stream, job->m_nAudioStreamCount - 1);
            if (autoPlay) {
                job->m_nAudioDelay = delay;
                job->m_nAudioGain = gain;
            }
            RefreshJobRow(i);
        }
        ShowOutputInfo(-1);
    }
}

void CRivoEncDlg::OnSetOutput()
{
    CDlgSetOutput dialog(this);
    dialog.DoModal();
    ShowOutputInfo(-1);
    UpdatePresetButton();
}

void CRivoEncDlg::OnOption()
{
    COptionPropertySheet sheet(LookupText(L"TEXT_OPTION_TITLE"), this);
    sheet.DoModal();
}

void CRivoEncDlg::OnParseInfo()
{
    // The analyser is the program folder's RivoReader.
    CString parameters;
    if (const CEncFileInfo* job = m_jobs.GetJob(m_nCurrentJob))
        parameters = CString(FormatText(L"\"%s\"", job->m_sSourcePath));
    ShellExecuteW(m_hWnd, nullptr, CombinePath(ProgramFolder(), L"RivoReader", L"/"), parameters, nullptr,
                  SW_SHOWNORMAL);
}

void CRivoEncDlg::OnAbout() { OpenUrlInDefaultBrowser(GetEncSettings().sHomePage); }

// ---- Start and end of a batch
// --------------------------------------------------------------------

void CRivoEncDlg::OnStart()
{
    const CEncSettings& settings = GetEncSettings();
    const CString caption = LookupText(L"TEXT_APP_NAME");
    if (settings.bAutoMode && !m_pEncoding && GetBatchReport().BatchStopped()) {
        // A preset or destination the caller named is missing: converting
        // with other settings or into another folder would put files where
        // nobody looks for them.
        EndAutomaticStart(L"a switch of the command line could not be used");
        return;
    }
    if (!IsFolder(settings.sDstFolder)) {
        ShowCoreMessage(m_hWnd, LookupText(L"TEXT_INVALID_DST_FOLDER"), caption, kMessageOk);
        EndAutomaticStart(L"the destination folder does not exist: " + settings.sDstFolder);
        return;
    }
    // WMV has no H.264; the other formats need the module for an H.264 code.
    const SReadCodecFields codec = CodecFieldsOf(settings);
    const DWORD fourcc = codec.fccVideoCodec ? *codec.fccVideoCodec : 0;
    if (IsH264Fourcc(fourcc) && !FileExists(CombinePath(ProgramFolder(), kH264ModuleName, L"/"))) {
        ShowCoreMessage(m_hWnd, LookupText(L"TEXT_H264PLUGIN_ERROR"), caption, kMessageOk);
        EndAutomaticStart(CString(L"the H.264 encoder module is missing: ") + kH264ModuleName);
        return;
    }
    if (m_jobs.GetJobCount() == 0) {
        EndAutomaticStart(L"no source could be listed");
        return;
    }
    if (m_pEncoding || !m_pWindows) return;
    m_pEncoding = m_pWindows->OpenProgressWindow(this, m_jobs);
    if (m_pEncoding) DisableMainControls(TRUE);
}

void CRivoEncDlg::EndAutomaticStart(const CString& why)
{
    // An automatic batch that cannot start would leave the window open for
    // ever with nobody to close it: it ends at once and says why.
    if (!GetEncSettings().bAutoMode || m_pEncoding) return;
    GetBatchReport().BatchNotRun(why);
    PostMessage(WM_CLOSE);
}

void CRivoEncDlg::DisableMainControls(BOOL disable)
{
    ::EnableWindow(m_skin.GetSafeHwnd(), !disable);
    m_list.EnableWindow(!disable);
}

void CRivoEncDlg::EndModalChild()
{
    m_pEncoding = nullptr;
    DisableMainControls(FALSE);
    if (GetEncSettings().bAutoMode) PostMessage(WM_CLOSE);
}

// ---- Window handling
// --------------------------------------------------------------------------------

void CRivoEncDlg::OnExit() { PostMessage(WM_CLOSE); }

void CRivoEncDlg::OnClose()
{
    // While a batch runs the main window stays: the batch is stopped from
    // its progress window, whose own loop (its questions, its completion
    // box) must never see that window destroyed under it.
    if (m_pEncoding) return;
    EndDialog(IDCANCEL);
}

void CRivoEncDlg::OnSize(UINT type, int width, int height)
{
    CDialog::OnSize(type, width, height);
    if (m_bSkinCreated) ::MoveWindow(m_skin.GetSafeHwnd(), 0, 0, width, height, TRUE);
}

void CRivoEncDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = kMinWidth;
    info->ptMinTrackSize.y = kMinHeight;
}

void CRivoEncDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CRivoEncDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
