#include "CPageSetGeneral.h"

#include "RivoEncIds.h"
#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "foundation/PathHelpers.h"
#include "foundation/ProfileHelpers.h"
#include "foundation/TextHelpers.h"
#include "platform/mfc/DataExchange.h"

CPageSetGeneral::CPageSetGeneral() : CPropertyPage(IDD_OPTION_GENERAL) {}

void CPageSetGeneral::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_OPTION_LANG, m_languages); }

BOOL CPageSetGeneral::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_OPTION_GENERAL);
    FillLanguages();
    return TRUE;
}

void CPageSetGeneral::FillLanguages()
{
    CString program = CCoreEnvironment::Get().ProgramFolder();
    CString supported = IniReadString(L"GENERAL", L"SUPPORTED_LANGS", program + L"setting.ini", CString(), -1);
    CStringArray items;
    SplitQuotedList(supported, items, 0, 0);
    const CString& current = GetEncSettings().sLangIniFileName;
    for (int i = 0; i < items.GetSize(); ++i) {
        CString name = items[i];
        name.Trim();
        // Korean, the default language, is offered as well, so that it can
        // be chosen again once another language was. A name is a file of
        // the lang folder, never a path.
        if (name.IsEmpty() || name.FindOneOf(L"/\\") >= 0) continue;
        CString file = name + L".ini";
        CString path = program + L"lang/" + file;
        if (!FileExists(path)) continue;
        CString description = IniReadString(L"GENERAL", L"LANGDESC", path, CString(), -1);
        if (description.IsEmpty()) continue;
        bool listed = false;
        for (int j = 0; j < m_languageFiles.GetSize(); ++j)
            listed = listed || m_languageFiles[j].CompareNoCase(file) == 0;
        if (listed) continue;
        int index = m_languages.AddString(description);
        m_languageFiles.Add(file);
        // By its index: two descriptions may begin alike.
        if (file.CompareNoCase(current) == 0) m_languages.SetCurSel(index);
    }
}

void CPageSetGeneral::Apply()
{
    int index = m_languages.GetCurSel();
    if (index >= 0 && index < m_languageFiles.GetSize()) GetEncSettings().sLangIniFileName = m_languageFiles[index];
}
