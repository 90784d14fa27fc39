#include "CDlgPreset.h"

#include <ctime>
#include <filesystem>

#include "RivoEncIds.h"
#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/ShellFileOperation.h"
#include "encoder/ui/CDlgPresetAdd.h"
#include "encoder/ui/SettingsPagesOwner.h"
#include "foundation/PathHelpers.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/ShellServices.h"
#include "platform/win32/Files.h"
#include "platform/win32/Format.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/MessageBox.h"

BEGIN_MESSAGE_MAP(CDlgPreset, CDialog)
ON_NOTIFY(LVN_ITEMCHANGED, IDC_PRESET_LIST, &CDlgPreset::OnItemChanged)
ON_NOTIFY(NM_DBLCLK, IDC_PRESET_LIST, &CDlgPreset::OnDoubleClick)
ON_BN_CLICKED(IDC_PRESET_FOLDER, &CDlgPreset::OnOpenFolder)
ON_BN_CLICKED(IDC_PRESET_ADD, &CDlgPreset::OnAdd)
ON_BN_CLICKED(IDC_PRESET_DELETE, &CDlgPreset::OnDelete)
ON_BN_CLICKED(IDC_PRESET_APPLY, &CDlgPreset::OnApply)
ON_BN_CLICKED(IDC_PRESET_CLOSE, &CDlgPreset::OnClose)
END_MESSAGE_MAP()

namespace {

constexpr DWORD kListStyle = 0x420;  // full-row selection, info tips

CString Today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CString(FormatText(L"%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).c_str());
}

bool SamePath(const CString& a, const CString& b)
{
    std::error_code error;
    return std::filesystem::equivalent(ToNativePath(a.str()), ToNativePath(b.str()), error);
}

}  // namespace

CDlgPreset::CDlgPreset(CWnd* parent) : CDialog(IDD_PRESET, parent) {}

CDlgPreset::~CDlgPreset() { delete m_pPresets; }

CString CDlgPreset::PresetsFolder() { return CCoreEnvironment::Get().ProgramFolder() + L"presets/"; }

CString CDlgPreset::DetailsText(const CEncPresetInfo& preset)
{
    auto line = [](const wchar_t* key, const CString& value) {
        return CString(LookupText(key)) + L" " + value + L"\r\n";
    };
    CString text = CString(LookupText(L"TEXT_PRESETINFO_INFO")) + L"\r\n";
    text += line(L"TEXT_PRESETINFO_NAME", preset.m_sDescLocal);
    text += line(L"TEXT_PRESETINFO_FILE", GetFileNameFromPath(preset.m_sFilePath));
    text += line(L"TEXT_PRESETINFO_AUTHOR", preset.m_sAuthor);
    text += line(L"TEXT_PRESETINFO_DATE", preset.m_sDate);
    text += line(L"TEXT_PRESETINFO_COMMEMT", preset.m_sComment);
    text += L"\r\n";
    text += CString(LookupText(L"TEXT_PRESETINFO_SETTING")) + L"\r\n";
    text += line(L"TEXT_PRESETINFO_FORMAT", preset.m_sDestFileType);
    text += line(L"TEXT_PRESETINFO_VCODEC", preset.m_sVideoCodec);
    text += line(L"TEXT_PRESETINFO_ACODEC", preset.m_sAudioCodec);
    text += line(L"TEXT_PRESETINFO_SUBFONT", preset.m_sSubtitleFont);
    return text;
}

void CDlgPreset::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_PRESET_LIST, m_list); }

BOOL CDlgPreset::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_PRESET);
    m_list.InsertColumn(0, LookupText(L"TEXT_PRESET_HEAD0"), LVCFMT_LEFT, 200);
    m_list.InsertColumn(1, LookupText(L"TEXT_PRESET_HEAD1"), LVCFMT_LEFT, 100);
    m_list.SetExtendedStyle(kListStyle);
    if (GetEncSettings().bIsFirst2) GetDlgItem(IDC_PRESET_CLOSE)->EnableWindow(FALSE);
    Refresh();
    return TRUE;
}

CEncPresetInfo* CDlgPreset::PresetAt(int row) const
{
    return row >= 0 ? reinterpret_cast<CEncPresetInfo*>(m_list.GetItemData(row)) : nullptr;
}

void CDlgPreset::Refresh()
{
    m_list.DeleteAllItems();
    delete m_pPresets;
    m_pPresets = new CEncPresetList(PresetsFolder());
    for (int i = 0; i < m_pPresets->GetSize(); ++i) {
        CEncPresetInfo* preset = m_pPresets->GetAt(i);
        int row = m_list.InsertItem(i, preset->m_sDescLocal);
        m_list.SetItemText(row, 1, GetFileNameFromPath(preset->m_sFilePath));
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(preset));
    }
    SetDlgItemText(IDC_PRESET_INFO, L"");
    EnableBySelection();
}

void CDlgPreset::EnableBySelection()
{
    BOOL selected = m_list.GetSelectedCount() > 0;
    GetDlgItem(IDC_PRESET_DELETE)->EnableWindow(selected);
    GetDlgItem(IDC_PRESET_APPLY)->EnableWindow(selected);
}

void CDlgPreset::OnItemChanged(NMHDR* header, LRESULT* result)
{
    auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    *result = 0;
    if (!(change->uChanged & LVIF_STATE)) return;
    if (change->uNewState & LVIS_FOCUSED) {
        if (CEncPresetInfo* preset = PresetAt(change->iItem)) SetDlgItemText(IDC_PRESET_INFO, DetailsText(*preset));
    }
    EnableBySelection();
}

void CDlgPreset::OnDoubleClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    OnApply();
}

void CDlgPreset::OnOK() { OnApply(); }

void CDlgPreset::OnApply()
{
    POSITION position = m_list.GetFirstSelectedItemPosition();
    if (position) {
        if (CEncPresetInfo* preset = PresetAt(m_list.GetNextSelectedItem(position)))
            ApplyPresetToSettings(GetEncSettings(), *preset);
    }
    EndDialog(IDOK);
}

void CDlgPreset::OnClose() { EndDialog(IDCANCEL); }

void CDlgPreset::OnCancel()
{
    if (GetEncSettings().bIsFirst2) return;
    CDialog::OnCancel();
}

void CDlgPreset::OnOpenFolder() { ShellExecuteW(m_hWnd, L"open", PresetsFolder(), nullptr, nullptr, SW_SHOWNORMAL); }

void CDlgPreset::Tell(const wchar_t* textKey, const CString& detail)
{
    MessageBox(FormatText(LookupText(textKey), detail).c_str(), LookupText(L"TEXT_APP_NAME"), MB_OK | MB_ICONWARNING);
}

void CDlgPreset::OnDelete()
{
    // The files go to the trash, from where the user can put them back.
    for (POSITION position = m_list.GetFirstSelectedItemPosition(); position;) {
        CEncPresetInfo* preset = PresetAt(m_list.GetNextSelectedItem(position));
        if (preset && !RecycleFile(m_hWnd, preset->m_sFilePath))
            Tell(L"TEXT_PRESET_DELETE_FAILED", preset->m_sFilePath);
    }
    Refresh();
}

bool CDlgPreset::AddCurrentSettings(const CString& name, const CString& fileName)
{
    CString folder = PresetsFolder();
    CreateFolderPath(folder);
    CString path = MakeUniqueFileName(folder + fileName);
    if (path.IsEmpty()) {
        Tell(L"TEXT_PRESET_SAVE_FAILED", folder + fileName);
        return false;
    }
    if (auto* owner = dynamic_cast<ISettingsPagesOwner*>(m_pParentWnd)) owner->WritePagesToSettings();
    CEncPresetInfo preset(CString{});
    preset.m_sDesc = name;
    preset.m_sDescLocal = name;
    preset.m_sDate = Today();
    if (!preset.Save(path)) {
        Tell(L"TEXT_PRESET_SAVE_FAILED", path);
        return false;
    }
    return true;
}

bool CDlgPreset::AddPresetFile(const CString& path)
{
    // Copied into the presets folder under its own name; a preset of that
    // name is replaced only when the user says so.
    CString folder = PresetsFolder();
    CreateFolderPath(folder);
    CString target = folder + CDlgPresetAdd::CleanFileName(GetFileNameFromPath(path));
    if (!FileExists(path) || target == folder) {
        Tell(L"TEXT_PRESET_SAVE_FAILED", path);
        return false;
    }
    if (FileExists(target)) {
        if (SamePath(path, target)) return true;
        CString question = FormatText(LookupText(L"TEXT_PRESET_OVERWRITE"), target).c_str();
        if (MessageBox(question, LookupText(L"TEXT_APP_NAME"), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    }
    if (!CopyFileW(path, target, FALSE)) {
        Tell(L"TEXT_PRESET_SAVE_FAILED", target);
        return false;
    }
    return true;
}

void CDlgPreset::OnAdd()
{
    CDlgPresetAdd dialog(nullptr);
    if (dialog.DoModal() != IDOK) return;
    bool added = dialog.m_nChoice == CDlgPresetAdd::kAddCurrentSettings
                     ? AddCurrentSettings(dialog.m_sName, dialog.m_sFileName)
                     : dialog.m_nChoice == CDlgPresetAdd::kAddPresetFile && AddPresetFile(dialog.m_sPresetPath);
    if (added) Refresh();
}
