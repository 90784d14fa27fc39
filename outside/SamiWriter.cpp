#include "SamiWriter.h"

#include <algorithm>
#include <cwctype>

#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/NativePath.h"

bool ReadSubtitleFile(const char* path, std::string* bytes)
{
    return ReadWholeFile(path, bytes, kMaxSubtitleFileBytes);
}

std::wstring DecodeSubtitleText(const std::string& bytes)
{
    std::wstring text;
    auto starts = [&](const char* mark, size_t n) { return bytes.compare(0, n, mark, n) == 0; };
    if (starts("\xFF\xFE", 2)) {
        text = Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2);
    } else if (starts("\xFE\xFF", 2)) {
        std::string swapped = bytes.substr(2);
        for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
        text = Utf16LeBytesToWide(swapped.data(), swapped.size());
    } else if (starts("\xEF\xBB\xBF", 3)) {
        text = Utf8ToWide(std::string_view(bytes).substr(3));
    } else if (IsValidUtf8(bytes)) {
        text = Utf8ToWide(bytes);
    } else {
        text = MultiByteToWide(GetACP(), bytes);
    }
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (text[i] != L'\0') {
            out += text[i];
        }
    }
    return out;
}

std::wstring EscapeSamiText(std::wstring_view text)
{
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'&')
            out += L"&#38;";
        else if (c == L'<')
            out += L"&#60;";
        else if (c == L'>')
            out += L"&#62;";
        else
            out += c;
    }
    return out;
}

std::wstring PassThroughTag(std::wstring_view tag)
{
    std::wstring t;
    for (wchar_t c : tag) t += static_cast<wchar_t>(std::towlower(c));
    while (!t.empty() && (t.back() == L'/' || std::iswspace(t.back()))) t.pop_back();
    for (const wchar_t* simple : {L"b", L"i", L"u", L"/b", L"/i", L"/u", L"/font"})
        if (t == simple) return L"<" + t + L">";
    if (t.compare(0, 4, L"font") != 0 || (t.size() > 4 && !std::iswspace(t[4]))) return std::wstring();
    // The colour: color=value, the value in double or single quotes or bare.
    size_t at = t.find(L"color");
    if (at == std::wstring::npos) return L"<font>";
    size_t i = at + 5;
    while (i < t.size() && std::iswspace(t[i])) ++i;
    if (i >= t.size() || t[i] != L'=') return L"<font>";
    ++i;
    while (i < t.size() && std::iswspace(t[i])) ++i;
    std::wstring colour;
    if (i < t.size() && (t[i] == L'"' || t[i] == L'\'')) {
        wchar_t quote = t[i++];
        while (i < t.size() && t[i] != quote) colour += t[i++];
    } else {
        while (i < t.size() && !std::iswspace(t[i])) colour += t[i++];
    }
    // Only names and #rrggbb colours; nothing that could end the tag.
    for (wchar_t c : colour)
        if (!std::iswalnum(c) && c != L'#') return L"<font>";
    return colour.empty() ? L"<font>" : L"<font color=\"" + colour + L"\">";
}

bool WriteSamiFile(const char* path, std::vector<SSamiEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SSamiEntry& a, const SSamiEntry& b) { return a.startMs < b.startMs; });
    std::wstring text =
        L"<SAMI>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n"
        L"P { margin-left:8pt; margin-right:8pt; margin-bottom:2pt; margin-top:2pt; text-align:center; }\r\n"
        L".KRCC { Name:Korean; lang:ko-KR; SAMIType:CC; }\r\n-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
    for (const SSamiEntry& e : entries)
        text += FormatText(L"<SYNC Start=%I64d><P Class=KRCC>%s\r\n", e.startMs, e.markup.c_str());
    text += L"</BODY>\r\n</SAMI>\r\n";
    return WriteFileAtomically(path, "\xFF\xFE" + WideToUtf16LeBytes(text), 0600);
}
