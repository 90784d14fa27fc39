#include "CDlgOutput_Etc.h"

#include <algorithm>
#include <cwchar>

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/OutputFormat.h"
#include "encoder/core/OutputNaming.h"
#include "encoder/ui/pages/StoredNumber.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/Format.h"

BEGIN_MESSAGE_MAP(CDlgOutput_Etc, COutputPage)
ON_CBN_EDITCHANGE(IDC_ETC_NAMING, &CDlgOutput_Etc::OnTemplateEdit)
ON_CBN_SELCHANGE(IDC_ETC_NAMING, &CDlgOutput_Etc::OnTemplateChoice)
ON_EN_CHANGE(IDC_ETC_COUNTER, &CDlgOutput_Etc::OnCounterChange)
ON_EN_CHANGE(IDC_ETC_SPEED, &CDlgOutput_Etc::OnSpeedChange)
END_MESSAGE_MAP()

namespace {

constexpr int kMostCounter = 99999999;
constexpr float kSlowest = 0.2f;
constexpr float kFastest = 4.0f;
constexpr int kHundredths = 100;
constexpr const wchar_t* kDefaultTemplate = L"<SRC_FILENAME>.<DEF_EXT>";

// The extension of the output format.
const wchar_t* FormatExtension(int format) { return OutputFormatOf(format).extension; }

// The counter's text, when it is a whole number of the range.
bool ReadCounter(const CString& text, int* value)
{
    const wchar_t* s = text;
    wchar_t* end = nullptr;
    long long v = std::wcstoll(s, &end, 10);
    if (end == s) return false;
    while (*end == L' ') ++end;
    if (*end || v < 0 || v > kMostCounter) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

CDlgOutput_Etc::CDlgOutput_Etc() : COutputPage(IDD_OUTPUT_ETC) {}

CString CDlgOutput_Etc::ExampleName(const CString& nameTemplate, const wchar_t* extension, int counter)
{
    CString name;
    if (!MakeOutputFileName(name, L"example.avi", nameTemplate, extension, counter, 1)) return CString();
    return name;
}

void CDlgOutput_Etc::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_ETC_NAMING, m_templates);
    DDX_Control(dx, IDC_ETC_SPEED, m_speed);
    DDX_Control(dx, IDC_ETC_SPEED_SPIN, m_speedSpin);
    DDX_Text(dx, IDC_ETC_COUNTER, m_nCounter);
    DDV_MinMaxInt(dx, m_nCounter, 0, kMostCounter);
}

BOOL CDlgOutput_Etc::OnInitDialog()
{
    COutputPage::OnInitDialog();
    m_templates.AddString(kDefaultTemplate);
    m_templates.AddString(CString(L"M4V") + FormatText(L"<COUNTER%02d>", 5).c_str() + L".<DEF_EXT>");
    m_templates.AddString(CString(L"MAQ") + FormatText(L"<COUNTER%02d>", 5).c_str() + L".<DEF_EXT>");
    m_templates.AddString(CString(L"<SRC_FILENAME>_") + FormatText(L"<TRACK_NUM%02d>", 2).c_str() + L".<DEF_EXT>");
    m_speedSpin.SetBuddy(&m_speed);
    m_speedSpin.SetRange(kSlowest, kFastest);
    m_speedSpin.SetDelta(0.1f);
    ExchangeSettings(FALSE);
    m_bLoaded = true;
    return TRUE;
}

bool CDlgOutput_Etc::CheckValues() { return UpdateData(TRUE) != FALSE; }

int CDlgOutput_Etc::CounterShown()
{
    CString text;
    GetDlgItemText(IDC_ETC_COUNTER, text);
    int value = 0;
    if (ReadCounter(text, &value)) m_nCounter = value;
    return m_nCounter;
}

void CDlgOutput_Etc::ShowExample(const wchar_t* extension)
{
    CString nameTemplate;
    m_templates.GetWindowText(nameTemplate);
    CString name = ExampleName(nameTemplate, extension, CounterShown());
    SetDlgItemText(IDC_ETC_EXAMPLE, name.IsEmpty() ? CString(LookupText(L"TEXT_FILENAME_RULL_ERROR")) : name);
}

void CDlgOutput_Etc::ExchangeSettings(BOOL store)
{
    CEncSettings& s = GetEncSettings();
    if (store) {
        // A counter the exchange refuses has been explained; the last good
        // one is stored.
        UpdateData(TRUE);
        CString nameTemplate;
        m_templates.GetWindowText(nameTemplate);
        const bool named = !ExampleName(nameTemplate, FormatExtension(kEncFormatAvi), m_nCounter).IsEmpty();
        s.sEtcNaming = named ? nameTemplate : CString(kDefaultTemplate);
        s.nEtcNamingCnt = m_nCounter;
        s.nEtcPBRate = ToStoredNumber(m_speedSpin.GetValue(), kHundredths);
        s.bEtcPBRatePitchFix = IsDlgButtonChecked(IDC_ETC_PITCH) ? 1 : 0;
        return;
    }
    m_templates.SetWindowText(s.sEtcNaming);
    m_nCounter = std::clamp(s.nEtcNamingCnt, 0, kMostCounter);
    UpdateData(FALSE);
    m_speedSpin.SetValue(std::clamp(ToShownNumber(s.nEtcPBRate, kHundredths), kSlowest, kFastest));
    CheckDlgButton(IDC_ETC_PITCH, s.bEtcPBRatePitchFix ? BST_CHECKED : BST_UNCHECKED);
    OnSpeedChange();
    ShowExample(FormatExtension(s.nEncFormat));
}

void CDlgOutput_Etc::OnTemplateEdit()
{
    if (m_bLoaded) ShowExample(FormatExtension(GetEncSettings().nEncFormat));
}

void CDlgOutput_Etc::OnTemplateChoice()
{
    // The edit field still holds the old text while the choice is told.
    int item = m_templates.GetCurSel();
    if (item < 0) return;
    CString text;
    m_templates.GetLBText(item, text);
    m_templates.SetWindowText(text);
    ShowExample(FormatExtension(kEncFormatAvi));
}

void CDlgOutput_Etc::OnCounterChange()
{
    if (m_bLoaded) ShowExample(FormatExtension(GetEncSettings().nEncFormat));
}

void CDlgOutput_Etc::OnSpeedChange()
{
    if (!m_speedSpin.m_hWnd) return;
    GetDlgItem(IDC_ETC_PITCH)->EnableWindow(ToStoredNumber(m_speedSpin.GetValue(), kHundredths) != kHundredths);
}
