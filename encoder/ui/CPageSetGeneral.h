// The option sheet's general page: the language of the user interface,
// chosen among the languages setting.ini offers whose files are in the
// program's lang folder. The new language is used from the program's next
// start.
#pragma once

#include "platform/mfc/PropertySheet.h"
#include "platform/mfc/StandardCtrls.h"
#include "platform/win32/Collections.h"

class CPageSetGeneral : public CPropertyPage {
public:
    CPageSetGeneral();

    // The chosen language's file name becomes the setting.
    void Apply();
    // The language files listed, parallel to the combo box's items.
    const CStringArray& LanguageFiles() const { return m_languageFiles; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    void FillLanguages();

    CComboBox m_languages;
    CStringArray m_languageFiles;
};
