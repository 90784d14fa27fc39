#include "HNumEdit.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/win32/Format.h"
#include "platform/win32/TextScan.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/MessageQueue.h"

BEGIN_MESSAGE_MAP(HNumEdit, CEdit)
ON_WM_CHAR()
ON_MESSAGE(WM_PASTE, &HNumEdit::OnPaste)
END_MESSAGE_MAP()

namespace {

// The double as a float; a magnitude beyond the float's becomes an infinity,
// which every range refuses.
float ToFloat(double value)
{
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(value);
}

}  // namespace

void HNumEdit::GetRange(float& minimum, float& maximum) const
{
    minimum = m_fMin;
    maximum = m_fMax;
}

void HNumEdit::SetRange(float minimum, float maximum)
{
    if (std::isnan(minimum) || std::isnan(maximum)) return;
    m_fMin = std::min(minimum, maximum);
    m_fMax = std::max(minimum, maximum);
}

int HNumEdit::Verify(const CString& text) const
{
    if (text == L"+" || text == L"-") return kIncomplete;
    // A number, then anything that is not blank: "%f%s".
    double number = 0;
    CString rest;
    int fields = ScanFormat(text.GetString(), L"%f %[^ \t\r\n\v\f]", &number, &rest);
    if (fields != 1) return kNotANumber;
    float value = ToFloat(number);
    return value > m_fMax || value < m_fMin ? kOutOfRange : kValid;
}

int HNumEdit::IsValid() { return Check(true); }

int HNumEdit::Check(bool explain)
{
    CString text;
    GetWindowText(text);
    int result = Verify(text);
    if (explain && m_bVerbose && (result == kOutOfRange || result == kNotANumber)) {
        CString message;
        if (result & kOutOfRange) message += L"Given value is out of range.\n";
        if (result & kNotANumber) message += L"Characters must be a number.\n";
        MessageBox(message, nullptr, MB_ICONERROR);
    }
    return result;
}

float HNumEdit::GetValue() { return Read(true); }

float HNumEdit::Read(bool explain)
{
    if (Check(explain) != kValid) return m_fMin;
    CString text;
    GetWindowText(text);
    double number = 0;
    ScanFormat(text.GetString(), L"%f", &number);
    return ToFloat(number);
}

void HNumEdit::GetFormat(CString& format, float value)
{
    CString shortest = FormatText(L"%G", static_cast<double>(value));
    int point = shortest.Find(L'.');
    if (point >= 0) {
        int after = shortest.GetLength() - point - 1;
        m_nDecimals = static_cast<uint8_t>(std::max<int>(m_nDecimals, std::min(after, 255)));
    }
    format = FormatText(L"%%.%df", static_cast<int>(m_nDecimals));
}

int HNumEdit::SetValue(float value)
{
    if (std::isnan(value) || value > m_fMax || value < m_fMin) return 0;
    CString format;
    GetFormat(format, value);
    SetWindowText(FormatText(format.GetString(), static_cast<double>(value)).c_str());
    return 1;
}

void HNumEdit::Step(int n)
{
    float value = GetValue() + static_cast<float>(n) * m_fDelta;
    if (std::isnan(value)) return;
    value = std::clamp(value, m_fMin, m_fMax);
    SetValue(value);
}

void HNumEdit::Refuse(float previous)
{
    SetValue(previous);
    SetSel(0, -1);
    SendMessage(EM_SCROLLCARET);
    MSG queued;
    while (PeekMessageW(&queued, m_hWnd, WM_CHAR, WM_CHAR, PM_REMOVE)) {}
}

void HNumEdit::OnChar(UINT key, UINT, UINT)
{
    if (key == L' ') return;
    // The text before the key is only read: only what the key makes of it
    // is explained.
    float previous = Read(false);
    Default();
    switch (IsValid()) {
    case kValid: {
        CString format;
        GetFormat(format, GetValue());
        break;
    }
    case kIncomplete: break;
    default: Refuse(previous); break;
    }
}

LRESULT HNumEdit::OnPaste(WPARAM, LPARAM)
{
    // Pasted text passes the same test as typed text.
    float previous = Read(false);
    LRESULT result = Default();
    int valid = IsValid();
    if (valid == kOutOfRange || valid == kNotANumber) Refuse(previous);
    return result;
}
