#include "skin/AttributeValues.h"

#include <algorithm>
#include <cwctype>
#include <memory>

#include "platform/win32/TextScan.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiObjects.h"
#include "skin/HXSubFont.h"
#include "skin/SkinOwner.h"

namespace {

struct NamedColor {
    const wchar_t* name;
    COLORREF color;
};

// The names stand as the skin format has always spelt them.
const NamedColor kColors[] = {
#include "skin/ColorNames.inc"
};

struct NamedValue {
    const wchar_t* name;
    int value;
};

const NamedValue kHitTests[] = {
    {L"HTTRANSPARENT", -1}, {L"HTNOWHERE", 0},   {L"HTCLIENT", 1},  {L"HTCAPTION", 2},     {L"HTSYSMENU", 3},
    {L"HTGROWBOX", 4},      {L"HTSIZE", 4},      {L"HTMENU", 5},    {L"HTHSCROLL", 6},     {L"HTVSCROLL", 7},
    {L"HTMINBUTTON", 8},    {L"HTMAXBUTTON", 9}, {L"HTLEFT", 10},   {L"HTRIGHT", 11},      {L"HTTOP", 12},
    {L"HTTOPLEFT", 13},     {L"HTTOPRIGHT", 14}, {L"HTBOTTOM", 15}, {L"HTBOTTOMLEFT", 16}, {L"HTBOTTOMRIGHT", 17},
    {L"HTBORDER", 18},      {L"HTOBJECT", 19},   {L"HTCLOSE", 20},  {L"HTHELP", 21},
};

const NamedValue kTextFormats[] = {
    {L"top", DT_TOP},
    {L"left", DT_LEFT},
    {L"hcenter", DT_CENTER},
    {L"right", DT_RIGHT},
    {L"vcenter", DT_VCENTER},
    {L"bottom", DT_BOTTOM},
    {L"wordbreak", DT_WORDBREAK},
    {L"singleline", DT_SINGLELINE},
    {L"expandtabs", DT_EXPANDTABS},
    {L"tabstop", DT_TABSTOP},
    {L"noclip", DT_NOCLIP},
    {L"externalleading", DT_EXTERNALLEADING},
    {L"noprefix", DT_NOPREFIX},
    {L"internal", DT_INTERNAL},
    {L"pathellipsis", DT_PATH_ELLIPSIS},
    {L"endellipsis", DT_END_ELLIPSIS},
};

const NamedValue kCursors[] = {
    {L"IDC_APPSTARTING", 32650}, {L"IDC_ARROW", 32512},   {L"IDC_CROSS", 32515},    {L"IDC_HAND", 32649},
    {L"IDC_HELP", 32651},        {L"IDC_IBEAM", 32513},   {L"IDC_ICON", 32641},     {L"IDC_NO", 32648},
    {L"IDC_SIZE", 32640},        {L"IDC_SIZEALL", 32646}, {L"IDC_SIZENESW", 32643}, {L"IDC_SIZENS", 32645},
    {L"IDC_SIZENWSE", 32642},    {L"IDC_SIZEWE", 32644},  {L"IDC_UPARROW", 32516},  {L"IDC_WAIT", 32514},
};

template <size_t N>
const NamedValue* Find(const NamedValue (&table)[N], const wchar_t* text)
{
    if (!text) return nullptr;
    for (const NamedValue& v : table)
        if (std::wcscmp(v.name, text) == 0) return &v;
    return nullptr;
}

std::wstring Lower(const wchar_t* text)
{
    std::wstring s = text ? text : L"";
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

bool LookUpColor(const std::wstring& name, COLORREF* color)
{
    for (const NamedColor& c : kColors)
        if (name == c.name) {
            *color = c.color;
            return true;
        }
    return false;
}

}  // namespace

int ParseRectAttribute(const wchar_t* text, RECT* rect)
{
    if (!rect) return 1;
    *rect = RECT{};
    int l = 0, t = 0, r = 0, b = 0;
    ScanFormat(text ? text : L"", L"%d,%d,%d,%d", &l, &t, &r, &b);
    *rect = RECT{l, t, r, b};
    return 1;
}

int ParsePointAttribute(const wchar_t* text, int* first, int* second)
{
    int a = first ? *first : 0, b = second ? *second : 0;
    ScanFormat(text ? text : L"", L"%d,%d", &a, &b);
    if (first) *first = a;
    if (second) *second = b;
    return 1;
}

COLORREF ParseColorAttribute(const wchar_t* text)
{
    const std::wstring s = Lower(text);
    if (!s.empty() && s[0] == L'#') {
        // Three fields of up to two hex digits, each after optional blanks;
        // a field that does not parse, and every one after it, is 0.
        int parts[3] = {0, 0, 0};
        size_t pos = 1;
        for (int& part : parts) {
            while (pos < s.size() && std::iswspace(static_cast<wint_t>(s[pos]))) ++pos;
            int digits = 0, value = 0;
            for (; digits < 2 && pos < s.size() && HexDigitValue(s[pos]) >= 0; ++digits)
                value = value * 16 + HexDigitValue(s[pos++]);
            if (!digits) break;
            part = value;
        }
        return RGB(static_cast<BYTE>(parts[0]), static_cast<BYTE>(parts[1]), static_cast<BYTE>(parts[2]));
    }
    COLORREF color = 0;
    return LookUpColor(s, &color) ? color : 0;
}

COLORREF ParseBackgroundColorAttribute(const wchar_t* text)
{
    const std::wstring s = Lower(text);
    COLORREF named = 0;
    if (s.size() == 6 && !LookUpColor(s, &named) &&
        std::all_of(s.begin(), s.end(), [](wchar_t c) { return HexDigitValue(c) >= 0; }))
        return RGB(static_cast<BYTE>(HexDigitValue(s[0]) * 16 + HexDigitValue(s[1])),
                   static_cast<BYTE>(HexDigitValue(s[2]) * 16 + HexDigitValue(s[3])),
                   static_cast<BYTE>(HexDigitValue(s[4]) * 16 + HexDigitValue(s[5])));
    return ParseColorAttribute(text);
}

int ParseNcHitTest(const wchar_t* text)
{
    const NamedValue* v = Find(kHitTests, text);
    return v ? v->value : -2;
}

int ParseTextFormat(const wchar_t* text, UINT* flags)
{
    if (!flags) return 1;
    *flags = 0;
    if (!text) return 1;
    for (const NamedValue& v : kTextFormats)
        if (std::wcsstr(text, v.name)) *flags |= static_cast<UINT>(v.value);
    return 1;
}

int ParseCursorAttribute(const wchar_t* text)
{
    const NamedValue* v = Find(kCursors, text);
    return v ? v->value : 0;
}

CString GetDefaultFontFace()
{
    for (int stock : {DEFAULT_GUI_FONT, SYSTEM_FONT}) {
        LOGFONTW lf;
        HGDIOBJ font = GetStockObject(stock);
        if (font && GetObjectW(font, sizeof lf, &lf) && lf.lfFaceName[0])
            return CString(lf.lfFaceName, static_cast<int>(wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    }
    return CString(L"System");
}

int FontHeightFromPoints(int size)
{
    // 96 pixels to the inch: points times 4/3, rounded, as a character height.
    // Sizes no screen can show are held to a range the cast can take.
    const float pixels = std::clamp(static_cast<float>(size) * 1.3333334f + 0.5f, -1.0e6f, 1.0e6f);
    return -static_cast<int>(pixels);
}

int ParseFontAttribute(SkinOwner* window, const CXmlNode* element, HXSubFont** font, CString* fontName,
                       const wchar_t* overrideFace)
{
    if (!element || !font || element->m_nKind != CXmlNode::kElement || element->GetName() != L"Font") return 0;
    CString face;
    element->GetAttribute(L"FaceName", face);
    CString name;
    element->GetAttribute(L"FontName", name);
    if (fontName) *fontName = name;
    if (face.GetLength() > 0 && face[0] == L'$' && window) face = window->ResolveText(face);
    if (overrideFace && *overrideFace)
        face = overrideFace;
    else if (face == L"DefaultGUIFont")
        face = GetDefaultFontFace();
    int size = 9, bold = 0;
    element->GetAttributeInt(L"Size", size);
    element->GetAttributeInt(L"Bold", bold);
    HFONT handle =
        CreateFontW(FontHeightFromPoints(size), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face);
    if (!handle) return 0;
    auto made = std::make_unique<HXSubFont>();
    made->SetFont(handle);
    made->SetInfo(face, size, bold);
    *font = made.release();
    return 1;
}
