#include "CDlgPresetAdd.h"

#include "RivoEncIds.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/gui/MessageBox.h"

BEGIN_MESSAGE_MAP(CDlgPresetAdd, CDialog)
ON_BN_CLICKED(IDC_PRESETADD_CURRENT, &CDlgPresetAdd::OnChoice)
ON_BN_CLICKED(IDC_PRESETADD_FILE, &CDlgPresetAdd::OnChoice)
ON_EN_CHANGE(IDC_PRESETADD_NAME, &CDlgPresetAdd::OnNameChange)
ON_BN_CLICKED(IDC_PRESETADD_BROWSE, &CDlgPresetAdd::OnBrowse)
END_MESSAGE_MAP()

namespace {

bool CannotBeInFileName(wchar_t c)
{
    return c == L'\\' || c == L'/' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' ||
           c == L':';
}

bool EndsWithNoCase(const CString& text, const wchar_t* suffix)
{
    int n = static_cast<int>(wcslen(suffix));
    return text.GetLength() >= n && text.Right(n).CompareNoCase(suffix) == 0;
}

}  // namespace

CDlgPresetAdd::CDlgPresetAdd(CWnd* parent) : CDialog(IDD_PRESET_ADD, parent) {}

CString CDlgPresetAdd::FileNameForName(const CString& name)
{
    CString file = name;
    for (int i = 0; i < file.GetLength(); ++i)
        if (CannotBeInFileName(file[i])) file.SetAt(i, L'_');
    return file + L".rvp";
}

CString CDlgPresetAdd::CleanFileName(const CString& fileName)
{
    CString file = fileName;
    for (int i = 0; i < file.GetLength(); ++i)
        if (CannotBeInFileName(file[i]) || file[i] < 0x20 || file[i] == 0x7F) file.SetAt(i, L'_');
    file.Trim();
    if (file.IsEmpty()) return file;
    // A leading dot would hide the file (or name a folder: "." and "..").
    for (int i = 0; i < file.GetLength() && file[i] == L'.'; ++i) file.SetAt(i, L'_');
    if (!EndsWithNoCase(file, L".rvp") && !EndsWithNoCase(file, L".ini")) file += L".rvp";
    return file;
}

void CDlgPresetAdd::DoDataExchange(CDataExchange* dx)
{
    DDX_Radio(dx, IDC_PRESETADD_CURRENT, m_nChoice);
    DDX_Text(dx, IDC_PRESETADD_NAME, m_sName);
    DDX_Text(dx, IDC_PRESETADD_FILENAME, m_sFileName);
    DDX_Text(dx, IDC_PRESETADD_PATH, m_sPresetPath);
}

BOOL CDlgPresetAdd::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_PRESET_ADD);
    m_nChoice = kAddCurrentSettings;
    UpdateData(FALSE);
    UpdateEnabling();
    return TRUE;
}

void CDlgPresetAdd::UpdateEnabling()
{
    bool current = m_nChoice == kAddCurrentSettings;
    GetDlgItem(IDC_PRESETADD_NAME)->EnableWindow(current);
    GetDlgItem(IDC_PRESETADD_FILENAME)->EnableWindow(current);
    GetDlgItem(IDC_PRESETADD_BROWSE)->EnableWindow(!current);
    GetDlgItem(IDC_PRESETADD_PATH)->EnableWindow(!current);
}

void CDlgPresetAdd::OnChoice()
{
    UpdateData(TRUE);
    UpdateEnabling();
}

void CDlgPresetAdd::OnNameChange()
{
    CString name;
    GetDlgItemText(IDC_PRESETADD_NAME, name);
    SetDlgItemText(IDC_PRESETADD_FILENAME, FileNameForName(name));
}

void CDlgPresetAdd::OnBrowse()
{
    CString filter = CString(LookupText(L"TEXT_FILEDLG_PRESETFILE")) + L"|" + L"*.ini;*.rvp;" + L"|" +
                     LookupText(L"TEXT_FILEDLG_ADDFILE") + L"|*.*||";
    CFileDialog dialog(TRUE, L"ini", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, this);
    if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_PRESETADD_PATH, dialog.GetPathName());
}

void CDlgPresetAdd::Refuse(const wchar_t* textKey, int controlId)
{
    MessageBox(LookupText(textKey), LookupText(L"TEXT_APP_NAME"), MB_OK | MB_ICONINFORMATION);
    if (CWnd* control = GetDlgItem(controlId)) GotoDlgCtrl(control);
}

void CDlgPresetAdd::OnOK()
{
    if (!UpdateData(TRUE)) return;
    if (m_nChoice == kAddCurrentSettings) {
        CString name = m_sName;
        name.Trim();
        if (name.IsEmpty()) {
            Refuse(L"TEXT_PRESETADD_NO_NAME", IDC_PRESETADD_NAME);
            return;
        }
        m_sFileName = CleanFileName(m_sFileName);
        if (m_sFileName.IsEmpty()) m_sFileName = CleanFileName(FileNameForName(name));
        SetDlgItemText(IDC_PRESETADD_FILENAME, m_sFileName);
    } else if (m_nChoice == kAddPresetFile) {
        m_sPresetPath.Trim();
        if (m_sPresetPath.IsEmpty()) {
            Refuse(L"TEXT_PRESETADD_NO_FILE", IDC_PRESETADD_PATH);
            return;
        }
    }
    EndDialog(IDOK);
}
