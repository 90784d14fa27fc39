#include "DataExchange.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cwctype>

#include "platform/mfc/CommCtrl.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/MessageBox.h"

namespace {

bool IsEdit(HWND h)
{
    wchar_t name[32] = {};
    GetClassNameW(h, name, 32);
    return CompareNoCase(name, L"Edit") == 0 || CompareNoCase(name, L"RichEdit20W") == 0 ||
           CompareNoCase(name, L"RichEdit20A") == 0;
}

CString TextOf(HWND h)
{
    CString text;
    CWnd(h).GetWindowText(text);
    return text;
}

void Refuse(CDataExchange* dx, const std::wstring& message)
{
    AfxMessageBox(message.c_str(), MB_ICONEXCLAMATION);
    dx->Fail();
}

// A whole number with optional blanks around it and an optional sign.
bool ParseInteger(const std::wstring& s, long long* out, bool allowSign)
{
    size_t i = 0;
    while (i < s.size() && std::iswspace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) {
        if (s[i] == L'-' && !allowSign) return false;
        negative = s[i] == L'-';
        ++i;
    }
    size_t first = i;
    long long v = 0;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') {
        v = v * 10 + (s[i] - L'0');
        if (v > 0xFFFFFFFFll) return false;
        ++i;
    }
    if (i == first) return false;
    while (i < s.size() && std::iswspace(s[i])) ++i;
    if (i != s.size()) return false;
    *out = negative ? -v : v;
    return true;
}

bool ParseReal(const std::wstring& s, double* out)
{
    wchar_t* end = nullptr;
    errno = 0;
    double v = ParseDoubleC(s.c_str(), &end);
    if (end == s.c_str() || errno == ERANGE) return false;
    while (*end && std::iswspace(*end)) ++end;
    if (*end) return false;
    *out = v;
    return true;
}

template <class T>
void ExchangeInteger(CDataExchange* dx, int id, T& value, long long low, long long high)
{
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseInteger(TextOf(h).str(), &v, low < 0) || v < low || v > high) {
            Refuse(dx, low < 0 ? L"Enter a whole number." : L"Enter a positive whole number.");
            return;
        }
        value = static_cast<T>(v);
    } else {
        SetWindowTextW(h, FormatText(L"%I64d", static_cast<long long>(value)).c_str());
    }
}

template <class T>
void ExchangeReal(CDataExchange* dx, int id, T& value, int digits)
{
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        double v = 0;
        if (!ParseReal(TextOf(h).str(), &v)) {
            Refuse(dx, L"Enter a number.");
            return;
        }
        value = static_cast<T>(v);
    } else {
        std::string text = FormatDoubleC(("%." + std::to_string(digits) + "g").c_str(), static_cast<double>(value));
        SetWindowTextW(h, std::wstring(text.begin(), text.end()).c_str());
    }
}

void RangeCheck(CDataExchange* dx, long long value, long long low, long long high)
{
    if (!dx->m_bSaveAndValidate || dx->Failed()) return;
    if (value < low || value > high) Refuse(dx, FormatText(L"Enter a whole number from %I64d to %I64d.", low, high));
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id)
{
    if (failed_) return nullptr;
    HWND h = GetDlgItem(m_pDlgWnd->m_hWnd, id);
    if (!h) {
        failed_ = true;
        return nullptr;
    }
    lastControl_ = h;
    lastWasEdit_ = false;
    return h;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND h = PrepareCtrl(id);
    if (h) lastWasEdit_ = true;
    return h;
}

void CDataExchange::Fail() { failed_ = true; }

void CDataExchange::FocusFailedControl()
{
    if (!lastControl_ || !IsWindow(lastControl_)) return;
    SetFocus(lastControl_);
    if (lastWasEdit_ && IsEdit(lastControl_)) SendMessageW(lastControl_, EM_SETSEL, 0, -1);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd) return;
    HWND h = dx->PrepareCtrl(id);
    if (h) control.SubclassWindow(h);
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND h = dx->PrepareEditCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate)
        value = TextOf(h);
    else
        SetWindowTextW(h, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value) { ExchangeInteger(dx, id, value, INT_MIN, INT_MAX); }
void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeInteger(dx, id, value, 0, UINT_MAX); }
void DDX_Text(CDataExchange* dx, int id, long& value) { ExchangeInteger(dx, id, value, INT_MIN, INT_MAX); }
void DDX_Text(CDataExchange* dx, int id, double& value) { ExchangeReal(dx, id, value, DBL_DIG); }
void DDX_Text(CDataExchange* dx, int id, float& value) { ExchangeReal(dx, id, value, FLT_DIG); }

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(h, BM_GETCHECK, 0, 0));
    else
        SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value)
{
    HWND first = dx->PrepareCtrl(id);
    if (!first) return;
    if (dx->m_bSaveAndValidate) value = -1;
    int index = 0;
    for (HWND h = first; h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && (GetWindowLongW(h, GWL_STYLE) & WS_GROUP)) break;
        if (!(SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
        if (dx->m_bSaveAndValidate) {
            if (SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
        } else {
            SendMessageW(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
    else
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DDX_CBString(CDataExchange* dx, int id, CString& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate) {
        value = TextOf(h);
    } else if (SendMessageW(h, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString())) ==
               CB_ERR) {
        SetWindowTextW(h, value);
    }
}

void DDX_LBIndex(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));
    else
        SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DDX_Slider(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (!h) return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0));
    else
        SendMessageW(h, TBM_SETPOS, TRUE, value);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum) { RangeCheck(dx, value, minimum, maximum); }
void DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minimum, UINT maximum)
{
    RangeCheck(dx, value, minimum, maximum);
}
void DDV_MinMaxLong(CDataExchange* dx, long value, long minimum, long maximum)
{
    RangeCheck(dx, value, minimum, maximum);
}

void DDV_MinMaxDouble(CDataExchange* dx, double value, double minimum, double maximum)
{
    if (!dx->m_bSaveAndValidate || dx->Failed()) return;
    if (value < minimum || value > maximum) Refuse(dx, FormatText(L"Enter a number from %g to %g.", minimum, maximum));
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int count)
{
    if (!dx->m_bSaveAndValidate || dx->Failed()) return;
    if (value.GetLength() > count) Refuse(dx, FormatText(L"Enter at most %d characters.", count));
}
