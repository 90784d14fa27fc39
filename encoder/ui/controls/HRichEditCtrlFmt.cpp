#include "HRichEditCtrlFmt.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(HRichEditCtrlFmt, HRichEditCtrlEx)
ON_WM_CREATE()
END_MESSAGE_MAP()

namespace {

// Colours of the code letters A to Z, as 0xRRGGBB.
constexpr DWORD kLetterColors[26] = {
    0x9932CC, 0x0000FF, 0xFF7F50, 0x1E90FF, 0xFF00FF, 0x228B22, 0x006400, 0xFF69B4, 0x4B0082,
    0x6A5ACD, 0xB22222, 0xF08080, 0x800000, 0x000000, 0x808000, 0x800080, 0x00CED1, 0xFF0000,
    0x2E8B57, 0x008080, 0x8A2BE2, 0xEE82EE, 0xA52A2A, 0xFF6347, 0x000080, 0xDC143C,
};

constexpr LONG kDashHeight = 145;
constexpr COLORREF kBackground = RGB(248, 248, 248);

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

}  // namespace

COLORREF MarkupColor(wchar_t letter)
{
    if (letter < L'A' || letter > L'Z') return RGB(0, 0, 0);
    DWORD rgb = kLetterColors[letter - L'A'];
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

CString ConvertMarkup(const CString& text, BOOL letterCodes, BOOL sizeCodes)
{
    if (text.Find(L"@@") < 0) return text;
    CString out;
    int n = text.GetLength();
    for (int i = 0; i < n;) {
        if (text[i] == L'@' && i + 2 < n && text[i + 1] == L'@') {
            wchar_t c = text[i + 2];
            if (letterCodes && (IsAsciiLetter(c) || c == L'-' || c == L'<' || c == L'>')) {
                out += kMarkupMarker;
                out += Upper(c);
                i += 3;
                continue;
            }
            if (sizeCodes && c >= L'1' && c <= L'9') {
                out += kMarkupMarker;
                out += c;
                i += 3;
                continue;
            }
            out += L'@';
            i += 1;
            continue;
        }
        out += text[i];
        ++i;
    }
    return out;
}

BOOL HRichEditCtrlFmt::PreCreateWindow(CREATESTRUCTW& cs)
{
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return HRichEditCtrlEx::PreCreateWindow(cs);
}

int HRichEditCtrlFmt::OnCreate(LPCREATESTRUCTW)
{
    LRESULT result = Default();
    if (result == -1) return -1;
    LOGFONTW logFont;
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont) == static_cast<int>(sizeof logFont) &&
        m_font.CreateFontIndirect(&logFont))
        SetFont(&m_font, TRUE);
    SetBackgroundColor(FALSE, kBackground);
    return static_cast<int>(result);
}

void HRichEditCtrlFmt::SetSelectionColor(COLORREF color)
{
    CHARFORMAT2W cf;
    cf.dwMask = CFM_COLOR;
    cf.dwEffects = 0;
    cf.crTextColor = color;
    SetSelectionCharFormat(cf);
}

void HRichEditCtrlFmt::SetSelectionHeight(LONG twips)
{
    CHARFORMAT2W cf;
    cf.dwMask = CFM_SIZE;
    cf.yHeight = twips;
    SetSelectionCharFormat(cf);
}

void HRichEditCtrlFmt::SetSelectionBold(bool bold)
{
    CHARFORMAT2W cf;
    cf.dwMask = CFM_BOLD;
    cf.dwEffects = bold ? CFE_BOLD : 0;
    SetSelectionCharFormat(cf);
}

void HRichEditCtrlFmt::AppendText(const CString& text, BOOL append)
{
    if (append) {
        long end = GetTextLengthEx(GTL_DEFAULT);
        SetSel(end, end);
    } else {
        SetSel(0, -1);
    }
    ReplaceSel(text);
    HideSelection(TRUE, FALSE);
}

void HRichEditCtrlFmt::ApplyCode(wchar_t code)
{
    if (code >= L'A' && code <= L'Z')
        SetSelectionColor(MarkupColor(code));
    else if (code == L'<')
        SetSelectionBold(true);
    else if (code == L'>')
        SetSelectionBold(false);
    else if (code == L'-')
        SetSelectionHeight(kDashHeight);
    else if (code >= L'1' && code <= L'9')
        SetSelectionHeight((code - L'0') * 70 + 110);
}

void HRichEditCtrlFmt::AppendFormatted(const CString& text, BOOL append)
{
    long end = GetTextLengthEx(GTL_DEFAULT);
    SetSel(end, end);
    BOOL pieceAppend = append;
    CString rest = text;
    while (!rest.IsEmpty()) {
        if (rest[0] == kMarkupMarker) {
            if (rest.GetLength() > 1) ApplyCode(rest[1]);
            rest = rest.Mid(std::min(2, rest.GetLength()));
        }
        int next = rest.Find(kMarkupMarker);
        CString piece = next < 0 ? rest : rest.Left(next);
        rest = next < 0 ? CString() : rest.Mid(next);
        if (!piece.IsEmpty()) {
            AppendText(piece, pieceAppend);
            pieceAppend = TRUE;
        }
    }
}

void HRichEditCtrlFmt::AppendFormatted(const wchar_t* text, BOOL append)
{
    if (text) AppendFormatted(CString(text), append);
}
