// Asks for the name and file name of a new preset made from the current
// settings, or for an existing preset file to add, before the preset
// manager writes it. The file name follows the name as it is typed; both are
// checked when OK is pressed: an empty name (or no file to add) keeps the
// window open, and the file name loses the characters a file name cannot
// hold.
#pragma once

#include "platform/mfc/CDialog.h"

class CDlgPresetAdd : public CDialog {
public:
    // The two choices of the radio group.
    enum { kAddCurrentSettings = 0, kAddPresetFile = 1 };

    explicit CDlgPresetAdd(CWnd* parent = nullptr);

    // The file name made of a preset's name: every character a file name
    // cannot hold (\ / * ? " < > | :) becomes "_", and ".rvp" follows.
    static CString FileNameForName(const CString& name);
    // A file name as the user typed it, cleaned: the characters above,
    // control characters and leading dots become "_", blanks around it go,
    // and a name that is not a preset file's (".rvp", ".ini") gets ".rvp".
    // Empty only when nothing but blanks was typed.
    static CString CleanFileName(const CString& fileName);

    int m_nChoice = kAddCurrentSettings;
    CString m_sName;
    CString m_sFileName;
    CString m_sPresetPath;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnChoice();
    void OnNameChange();
    void OnBrowse();
    DECLARE_MESSAGE_MAP()

private:
    void UpdateEnabling();
    // Tells the user what is missing and puts the focus on the control.
    void Refuse(const wchar_t* textKey, int controlId);
};
