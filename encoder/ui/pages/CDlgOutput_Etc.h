// The miscellaneous page of the output settings window: the rule that
// names output files (a template of tokens, with a live example), the
// start value of its counter, and the playback speed with the correction
// that keeps voices at their pitch.
#pragma once

#include "encoder/ui/controls/HNumEdit.h"
#include "encoder/ui/controls/HNumSpinCtrl.h"
#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/StandardCtrls.h"

class CDlgOutput_Etc : public COutputPage {
public:
    CDlgOutput_Etc();

    void ExchangeSettings(BOOL store) override;
    // The counter must be a whole number of 0..99999999; otherwise the
    // class library's message says so and the focus goes to it.
    bool CheckValues() override;

    // The example name for the template, the source "example.avi", the
    // extension, the counter and track 1; empty when none can be made.
    static CString ExampleName(const CString& nameTemplate, const wchar_t* extension, int counter);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnTemplateEdit();
    void OnTemplateChoice();
    void OnCounterChange();
    void OnSpeedChange();
    DECLARE_MESSAGE_MAP()

private:
    // The example for the template text now in the edit field.
    void ShowExample(const wchar_t* extension);
    // The counter's text as a number of the range, else the last one that
    // was.
    int CounterShown();

    CComboBox m_templates;
    HNumEdit m_speed;
    HNumSpinCtrl m_speedSpin;
    int m_nCounter = 0;
    bool m_bLoaded = false;
};
