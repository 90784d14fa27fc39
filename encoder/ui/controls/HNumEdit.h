// An edit control that holds one decimal number within a range: keystrokes
// that would make its text something other than a number in the range are
// undone, and the value steps by a fixed increment. The up-down control
// HNumSpinCtrl drives it as its buddy.
//
// Values are 32-bit floats, as the settings they edit are kept. The text is
// always written with the number of decimals shown, which only grows: a
// value written with two decimals makes every later value show two.
#pragma once

#include <cstdint>

#include "platform/mfc/StandardCtrls.h"

class HNumEdit : public CEdit {
public:
    // What Verify finds in a text.
    enum VerifyResult { kValid = 0, kOutOfRange = 1, kNotANumber = 2, kIncomplete = 3 };

    HNumEdit() = default;

    // Adds n steps to the value, limited to the range.
    virtual void Step(int n);
    virtual float GetDelta() const { return m_fDelta; }
    virtual void SetDelta(float delta) { m_fDelta = delta; }
    virtual void GetRange(float& minimum, float& maximum) const;
    // A range given the other way round is the same range; a bound that is
    // not a number leaves the range as it was.
    virtual void SetRange(float minimum, float maximum);
    virtual int GetVerbose() const { return m_bVerbose; }
    // With the flag set, text that is refused is explained in a message box.
    virtual void SetVerbose(int verbose) { m_bVerbose = verbose; }
    // A lone sign is incomplete; a number (after leading blanks, with only
    // blanks after it) is valid or out of range; anything else, the empty
    // text too, is not a number. Numbers are decimal, with an optional
    // exponent, read in the "C" locale whatever the process's locale says.
    virtual int Verify(const CString& text) const;
    // Verify of the window text, explained in a message box when the flag is
    // set and the text is out of range or not a number.
    virtual int IsValid();
    // Writes the value with the decimals shown; refuses (0, text unchanged) a
    // value outside the range or one that is not a number; else 1.
    virtual int SetValue(float value);
    // The number of the window text; the minimum when the text is not a
    // valid number in the range.
    virtual float GetValue();
    // The format that writes the value ("%.1f"): the decimals the value
    // itself needs in its shortest form raise the decimals shown.
    virtual void GetFormat(CString& format, float value);

    int DecimalsShown() const { return m_nDecimals; }

protected:
    void OnChar(UINT key, UINT repeat, UINT flags);
    LRESULT OnPaste(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Verify of the window text; explained only when asked.
    int Check(bool explain);
    // The value of the window text (the minimum when it is not valid).
    float Read(bool explain);
    // Writes the value back after a refused change, selects the whole text
    // and drops the characters already queued for this control.
    void Refuse(float previous);

    uint8_t m_nDecimals = 0;
    int m_bVerbose = 0;
    float m_fDelta = 1.0f;
    float m_fMin = -3.4028235e38f;
    float m_fMax = 3.4028235e38f;
};
