// The option sheet's subtitle page: whether every language of a subtitle
// file is shown or only one, and the text encoding subtitle files are read
// in.
#pragma once

#include "platform/mfc/PropertySheet.h"
#include "platform/mfc/StandardCtrls.h"

class CPageSetSubtitle : public CPropertyPage {
public:
    // The choices of the radio group.
    enum { kAllLanguages = 0, kOneLanguage = 1 };

    CPageSetSubtitle();

    // Settings to controls.
    void Load();
    // Controls to settings.
    void Apply();

    int m_nChoice = kAllLanguages;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnChoice();
    DECLARE_MESSAGE_MAP()

private:
    void EnableLanguage();

    CComboBox m_languages;
    CComboBox m_codePages;
};
