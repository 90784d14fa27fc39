#include "CPageSetSubtitle.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(CPageSetSubtitle, CPropertyPage)
ON_BN_CLICKED(IDC_OPTION_SUB_ALL, &CPageSetSubtitle::OnChoice)
ON_BN_CLICKED(IDC_OPTION_SUB_ONE, &CPageSetSubtitle::OnChoice)
END_MESSAGE_MAP()

namespace {

struct Row {
    int data;
    const wchar_t* text;  // null: the language text of the first row
};

// The languages a subtitle file may hold, by their LCIDs.
const Row kLanguages[] = {
    {0, nullptr},
    {0x0404, L"Chinese (Taiwan)"},
    {0x0804, L"Chinese (PRC)"},
    {0x0409, L"English (United States)"},
    {0x040C, L"French (Standard)"},
    {0x0407, L"German (Standard)"},
    {0x0408, L"Greek"},
    {0x040E, L"Hungarian"},
    {0x0410, L"Italian (Standard)"},
    {0x0411, L"Japanese"},
    {0x0412, L"Korean"},
    {0x0419, L"Russian"},
    {0x040A, L"Spanish (Spain, Traditional Sort)"},
};

// The code pages subtitle files may be written in; -1 lets the reader find
// out. UTF-8 text is code page 65001 (1200 would be UTF-16, which the
// readers tell by its byte-order mark anyway).
const Row kCodePages[] = {
    {-1, nullptr},
    {1256, L"Arabic"},
    {1252, L"ASCII"},
    {1257, L"Baltic"},
    {1250, L"Central European"},
    {936, L"Chinese Simplified"},
    {950, L"Chinese Traditional"},
    {1251, L"Cyrillic"},
    {1253, L"Greek"},
    {1255, L"Hebrew"},
    {932, L"Japanese"},
    {949, L"Korean"},
    {1361, L"Korean (Johab)"},
    {1254, L"Latin 3"},
    {874, L"Thai (Windows)"},
    {1254, L"Turkish"},
    {65001, L"Unicode (UTF-8)"},
    {1258, L"Vietnamese (Windows)"},
};

template <size_t N>
void Fill(CComboBox& box, const Row (&rows)[N], const wchar_t* firstKey)
{
    box.ResetContent();
    for (const Row& row : rows) {
        int index = box.AddString(row.text ? row.text : LookupText(firstKey));
        box.SetItemData(index, static_cast<DWORD_PTR>(static_cast<INT_PTR>(row.data)));
    }
}

// The item whose data is the value; the first item when none is.
void SelectByData(CComboBox& box, int value)
{
    int found = 0;
    for (int i = 0; i < box.GetCount(); ++i)
        if (static_cast<int>(box.GetItemData(i)) == value) {
            found = i;
            break;
        }
    box.SetCurSel(found);
}

int SelectedData(const CComboBox& box)
{
    int index = box.GetCurSel();
    return index >= 0 ? static_cast<int>(box.GetItemData(index)) : static_cast<int>(box.GetItemData(0));
}

}  // namespace

CPageSetSubtitle::CPageSetSubtitle() : CPropertyPage(IDD_OPTION_SUBTITLE) {}

void CPageSetSubtitle::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_OPTION_SUB_LANG, m_languages);
    DDX_Control(dx, IDC_OPTION_SUB_CODEPAGE, m_codePages);
    DDX_Radio(dx, IDC_OPTION_SUB_ALL, m_nChoice);
}

BOOL CPageSetSubtitle::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_OPTION_SUBTITLE);
    Fill(m_languages, kLanguages, L"TEXT_OPTION_SEL_DEFLCID");
    Fill(m_codePages, kCodePages, L"TEXT_OPTION_SEL_DEFCP");
    Load();
    return TRUE;
}

void CPageSetSubtitle::Load()
{
    const CEncSettings& settings = GetEncSettings();
    m_nChoice = settings.bSubStreamAll == 0 ? kOneLanguage : kAllLanguages;
    SelectByData(m_languages, settings.nSubStreamLCID);
    SelectByData(m_codePages, settings.nSubCodePage);
    UpdateData(FALSE);
    EnableLanguage();
}

void CPageSetSubtitle::EnableLanguage() { m_languages.EnableWindow(m_nChoice == kOneLanguage); }

void CPageSetSubtitle::OnChoice()
{
    UpdateData(TRUE);
    EnableLanguage();
}

void CPageSetSubtitle::Apply()
{
    UpdateData(TRUE);
    CEncSettings& settings = GetEncSettings();
    settings.bSubStreamAll = m_nChoice == kAllLanguages ? 1 : 0;
    settings.nSubStreamLCID = SelectedData(m_languages);
    settings.nSubCodePage = SelectedData(m_codePages);
}
