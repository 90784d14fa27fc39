#include "CDlgOutput_Logo.h"

#include <algorithm>
#include <vector>

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(CDlgOutput_Logo, COutputPage)
ON_EN_CHANGE(IDC_LOGO_IMAGE, &CDlgOutput_Logo::OnEnablingChange)
ON_BN_CLICKED(IDC_LOGO_ALPHA_USE, &CDlgOutput_Logo::OnEnablingChange)
ON_BN_CLICKED(IDC_LOGO_START_USE, &CDlgOutput_Logo::OnEnablingChange)
ON_BN_CLICKED(IDC_LOGO_END_USE, &CDlgOutput_Logo::OnEnablingChange)
ON_BN_CLICKED(IDC_LOGO_ALPHA_ON, &CDlgOutput_Logo::OnEnablingChange)
ON_NOTIFY_RANGE(UDN_DELTAPOS, IDC_SPIN_X, IDC_LOGO_MARGIN_Y_SPIN, &CDlgOutput_Logo::OnPercentDeltaPos)
ON_BN_CLICKED(IDC_LOGO_IMAGE_BROWSE, &CDlgOutput_Logo::OnBrowseImage)
ON_BN_CLICKED(IDC_LOGO_ALPHA_BROWSE, &CDlgOutput_Logo::OnBrowseAlphaImage)
END_MESSAGE_MAP()

namespace {

// The position and margins, in percent of the picture.
struct PercentRow {
    int edit;
    int spin;
    int CEncSettings::*setting;
};

const PercentRow kPercents[4] = {
    {IDC_EDIT_X, IDC_SPIN_X, &CEncSettings::nLogoPosX},
    {IDC_EDIT_Y, IDC_SPIN_Y, &CEncSettings::nLogoPosY},
    {IDC_LOGO_MARGIN_X, IDC_LOGO_MARGIN_X_SPIN, &CEncSettings::nLogoMarginX},
    {IDC_LOGO_MARGIN_Y, IDC_LOGO_MARGIN_Y_SPIN, &CEncSettings::nLogoMarginY},
};

constexpr int kMsPerSecond = 1000;
constexpr int kLastSecondOfDay = 24 * 3600 - 1;

// The time of day a picker shows for a time in milliseconds: today, at the
// hours, minutes and seconds of it (a day at most).
SYSTEMTIME PickerTime(int ms)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    int s = std::clamp(ms / kMsPerSecond, 0, kLastSecondOfDay);
    t.wHour = static_cast<WORD>(s / 3600);
    t.wMinute = static_cast<WORD>(s % 3600 / 60);
    t.wSecond = static_cast<WORD>(s % 60);
    t.wMilliseconds = 0;
    return t;
}

int PickerMs(const CDateTimeCtrl& picker)
{
    SYSTEMTIME t;
    picker.GetTime(&t);
    return t.wHour * 3600000 + t.wMinute * 60000 + t.wSecond * 1000;
}

}  // namespace

CDlgOutput_Logo::CDlgOutput_Logo() : COutputPage(IDD_OUTPUT_LOGO) {}

void CDlgOutput_Logo::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_LOGO_START, m_start);
    DDX_Control(dx, IDC_LOGO_END, m_end);
    DDX_Control(dx, IDC_LOGO_ALPHA, m_alpha);
    for (int i = 0; i < 4; ++i) DDX_Control(dx, kPercents[i].spin, m_percents[i]);
}

BOOL CDlgOutput_Logo::OnInitDialog()
{
    COutputPage::OnInitDialog();
    // The ranges run from 100 down to 0, so the up-downs' steps are turned
    // round (OnPercentDeltaPos).
    for (int i = 0; i < 4; ++i) {
        m_percents[i].SetBuddy(GetDlgItem(kPercents[i].edit));
        m_percents[i].SetRange32(100, 0);
    }
    m_alpha.SetRange(0, 100);
    ExchangeSettings(FALSE);
    return TRUE;
}

void CDlgOutput_Logo::ExchangeSettings(BOOL store)
{
    CEncSettings& s = GetEncSettings();
    if (store) {
        s.bLogoActive = IsDlgButtonChecked(IDC_LOGO_ACTIVE) ? 1 : 0;
        GetDlgItemText(IDC_LOGO_IMAGE, s.sLogoImgPath);
        if (IsDlgButtonChecked(IDC_LOGO_ALPHA_USE))
            GetDlgItemText(IDC_LOGO_ALPHA_IMAGE, s.sLogoAlphaImgPath);
        else
            s.sLogoAlphaImgPath.Empty();
        s.nLogoStartMS = IsDlgButtonChecked(IDC_LOGO_START_USE) ? PickerMs(m_start) : 0;
        s.nLogoEndMS = IsDlgButtonChecked(IDC_LOGO_END_USE) ? PickerMs(m_end) : 0;
        s.nLogoAlpha = IsDlgButtonChecked(IDC_LOGO_ALPHA_ON) ? m_alpha.GetPos() : 0;
        s.bLogoFade = IsDlgButtonChecked(IDC_LOGO_FADE) ? 1 : 0;
        for (int i = 0; i < 4; ++i) s.*kPercents[i].setting = m_percents[i].GetPos32();
        return;
    }
    CheckDlgButton(IDC_LOGO_ACTIVE, s.bLogoActive ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_LOGO_IMAGE, s.sLogoImgPath);
    if (!s.sLogoImgPath.IsEmpty()) {
        if (!s.sLogoAlphaImgPath.IsEmpty()) CheckDlgButton(IDC_LOGO_ALPHA_USE, BST_CHECKED);
        SetDlgItemText(IDC_LOGO_ALPHA_IMAGE, s.sLogoAlphaImgPath);
    } else {
        CheckDlgButton(IDC_LOGO_ALPHA_USE, BST_UNCHECKED);
        SetDlgItemText(IDC_LOGO_ALPHA_IMAGE, L"");
    }
    for (CDateTimeCtrl* picker : {&m_start, &m_end}) picker->SetFormat(L"HH:mm:ss");
    SYSTEMTIME start = PickerTime(s.nLogoStartMS);
    SYSTEMTIME end = PickerTime(s.nLogoEndMS);
    m_start.SetTime(&start);
    m_end.SetTime(&end);
    CheckDlgButton(IDC_LOGO_START_USE, s.nLogoStartMS ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_LOGO_END_USE, s.nLogoEndMS ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_LOGO_ALPHA_ON, s.nLogoAlpha > 0 ? BST_CHECKED : BST_UNCHECKED);
    m_alpha.SetPos(s.nLogoAlpha);
    CheckDlgButton(IDC_LOGO_FADE, s.bLogoFade ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 4; ++i) m_percents[i].SetPos32(s.*kPercents[i].setting);
    UpdateEnabling();
}

void CDlgOutput_Logo::UpdateEnabling()
{
    bool image = GetDlgItem(IDC_LOGO_IMAGE)->GetWindowTextLength() > 0;
    GetDlgItem(IDC_LOGO_ALPHA_USE)->EnableWindow(image);
    bool alpha = image && IsDlgButtonChecked(IDC_LOGO_ALPHA_USE);
    GetDlgItem(IDC_LOGO_ALPHA_IMAGE)->EnableWindow(alpha);
    GetDlgItem(IDC_LOGO_ALPHA_BROWSE)->EnableWindow(alpha);
    m_start.EnableWindow(IsDlgButtonChecked(IDC_LOGO_START_USE) != 0);
    m_end.EnableWindow(IsDlgButtonChecked(IDC_LOGO_END_USE) != 0);
    m_alpha.EnableWindow(IsDlgButtonChecked(IDC_LOGO_ALPHA_ON) != 0);
}

void CDlgOutput_Logo::OnEnablingChange()
{
    // The image edit changes while the page is being built.
    if (m_alpha.m_hWnd) UpdateEnabling();
}

void CDlgOutput_Logo::OnPercentDeltaPos(UINT, NMHDR* header, LRESULT* result)
{
    auto* change = reinterpret_cast<NMUPDOWN*>(header);
    change->iDelta = -change->iDelta;
    *result = 0;
}

void CDlgOutput_Logo::BrowseInto(int editId)
{
    CString filter = CString(LookupText(L"TEXT_FILEDLG_IMAGEFILE")) + L"|" + L"*.jpeg;*.jpg;*.bmp|" +
                     LookupText(L"TEXT_FILEDLG_ALLFILE") + L"|*.*||";
    CFileDialog dialog(TRUE, L"bmp", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, this);
    // Room for any path the file system holds.
    std::vector<wchar_t> name(0x41000 / sizeof(wchar_t), L'\0');
    dialog.m_ofn.lpstrFile = name.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(name.size());
    if (dialog.DoModal() == IDOK) SetDlgItemText(editId, dialog.GetPathName());
}

void CDlgOutput_Logo::OnBrowseImage() { BrowseInto(IDC_LOGO_IMAGE); }

void CDlgOutput_Logo::OnBrowseAlphaImage() { BrowseInto(IDC_LOGO_ALPHA_IMAGE); }
