// Dialog data exchange: DoDataExchange moves values between controls and
// members, in one direction or the other (saving takes the controls' values
// and validates them). A value that cannot be read or is out of range shows
// the class library's message, marks the exchange failed and leaves the
// members from that control on untouched; UpdateData then puts the focus
// on the control.
#pragma once

#include "platform/mfc/CWnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;

    // The control of the next exchange; null (and the exchange failed) for
    // an id the dialog does not have.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Marks the exchange failed; later exchanges do nothing.
    void Fail();
    bool Failed() const { return failed_; }
    // Puts the focus on the control of the failure (its text selected when
    // it is an edit).
    void FocusFailedControl();

private:
    bool failed_ = false;
    HWND lastControl_ = nullptr;
    bool lastWasEdit_ = false;
};

// UINT and DWORD are one type here, so their exchanges are one function.
// Binds the control to the object (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
void DDX_Text(CDataExchange* dx, int id, float& value);
// The check state of a check box.
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked radio button of the group that starts at the
// control (-1 for none); loading checks that one and clears the others.
void DDX_Radio(CDataExchange* dx, int id, int& value);
// The selected item of a combo box or list box (-1 for none).
void DDX_CBIndex(CDataExchange* dx, int id, int& value);
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_LBIndex(CDataExchange* dx, int id, int& value);
// A trackbar's position.
void DDX_Slider(CDataExchange* dx, int id, int& value);

// Validation, when saving, of the value the last exchange read.
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minimum, UINT maximum);
void DDV_MinMaxLong(CDataExchange* dx, long value, long minimum, long maximum);
void DDV_MinMaxDouble(CDataExchange* dx, double value, double minimum, double maximum);
void DDV_MaxChars(CDataExchange* dx, const CString& value, int count);
