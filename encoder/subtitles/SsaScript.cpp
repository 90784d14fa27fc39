#include "SsaScript.h"

#include <algorithm>
#include <string>
#include <vector>

#include "SubPicProviderImpl.h"
#include "SubtitleLine.h"
#include "SubtitleTimeline.h"
#include "TextSubFile.h"
#include "modules/api/SubPicProvider.h"
#include "platform/win32/TextScan.h"

namespace {

// Override tag names, in the order in which a tag's text is tried.
const wchar_t* const kTagNames[] = {
    L"1c",   L"2c",   L"3c",   L"4c",  L"1a",   L"2a",   L"3a", L"4a", L"alpha", L"an",  L"a",    L"bord",
    L"be",   L"b",    L"clip", L"c",   L"fade", L"fad",  L"fe", L"fn", L"frx",   L"fry", L"frz",  L"fr",
    L"fscx", L"fscy", L"fsc",  L"fsp", L"fs",   L"i",    L"kf", L"ko", L"k",     L"K",   L"move", L"org",
    L"pbo",  L"pos",  L"p",    L"q",   L"r",    L"shad", L"s",  L"t",  L"u",
};

bool IsColourOrAlphaTag(const CString& name)
{
    return name == L"1c" || name == L"2c" || name == L"3c" || name == L"4c" || name == L"1a" || name == L"2a" ||
           name == L"3a" || name == L"4a" || name == L"alpha" || name == L"c";
}

CString LiteralText(const CString& text)
{
    CString out = text;
    out.Replace(L"\\N", L"\n");
    out.Replace(L"\\n", L"\n");
    out.Replace(L"\\h", L"");
    return out;
}

// Takes a token up to the delimiter off the front of rest (after leading
// white space). Without the delimiter the token is the whole rest, which
// stays in place; false when nothing is left.
bool TakeToken(CString& rest, wchar_t delimiter, CString* token)
{
    rest.TrimLeft();
    if (rest.IsEmpty()) return false;
    int at = rest.Find(delimiter);
    if (at < 0) {
        *token = rest;
        return true;
    }
    *token = rest.Left(at);
    rest = rest.Mid(at + 1);
    return true;
}

bool TakeInteger(CString& rest, wchar_t delimiter, int* value)
{
    CString token;
    if (!TakeToken(rest, delimiter, &token)) return false;
    token.MakeLower();
    if (token.GetLength() >= 3 && (token.Left(2) == L"&h" || token.Left(2) == L"0x")) {
        unsigned hex = 0;
        if (ScanFormat(token.Mid(2), L"%x", &hex) != 1) return false;
        *value = static_cast<int>(hex);
        return true;
    }
    return ScanFormat(token, L"%d", value) == 1;
}

bool TakeTime(CString& rest, int* ms)
{
    int h = 0, m = 0, s = 0, hundredths = 0;
    if (!TakeInteger(rest, L':', &h) || !TakeInteger(rest, L':', &m) || !TakeInteger(rest, L'.', &s) ||
        !TakeInteger(rest, L',', &hundredths))
        return false;
    int64_t v = ((((int64_t(h) * 60 + m) * 60 + s) * 100) + hundredths) * 10;
    *ms = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int>(v);
    return true;
}

}  // namespace

CString ConvertSsaOverrides(const CString& block, int defaultColor, bool* known)
{
    CString codes;
    int counted = 0, unknown = 0;
    const std::wstring& s = block.str();
    size_t i = s.find(L'\\');
    while (i != std::wstring::npos) {
        size_t stop = s.find_first_of(L"(\\", i + 1);
        if (stop == std::wstring::npos) stop = s.size();
        CString tag(std::wstring_view(s).substr(i + 1, stop - i - 1));
        tag.Trim();
        std::vector<CString> args;
        size_t next = stop;
        if (stop < s.size() && s[stop] == L'(') {
            size_t close = s.find(L')', stop + 1);
            size_t argsEnd = close == std::wstring::npos ? s.size() : close;
            CString rest(std::wstring_view(s).substr(stop + 1, argsEnd - stop - 1));
            rest.Trim();
            while (!rest.IsEmpty()) {
                int comma = rest.Find(L',');
                int backslash = rest.Find(L'\\');
                if (comma < 0 || (backslash >= 0 && backslash < comma)) {
                    args.push_back(rest);
                    break;
                }
                if (comma > 0) args.push_back(rest.Left(comma));
                rest = rest.Mid(comma + 1);
            }
            next = close == std::wstring::npos ? s.size() : close + 1;
        }
        i = s.find(L'\\', next);
        if (tag.IsEmpty()) continue;
        ++counted;

        const wchar_t* name = nullptr;
        for (const wchar_t* candidate : kTagNames) {
            if (tag.Left(static_cast<int>(std::wcslen(candidate))) == candidate) {
                name = candidate;
                break;
            }
        }
        if (!name) {
            ++unknown;
            continue;
        }
        CString value = tag.Mid(static_cast<int>(std::wcslen(name)));
        if (IsColourOrAlphaTag(name)) value.Trim(L"&H");
        CString n(name);
        if (n == L"b") {
            codes += ReadDecimalPrefix(value) == 1 && !value.IsEmpty() ? kSubBoldOn : kSubBoldOff;
        } else if (n == L"i") {
            codes += ReadDecimalPrefix(value) == 1 && !value.IsEmpty() ? kSubItalicOn : kSubItalicOff;
        } else if (n == L"u") {
            codes += ReadDecimalPrefix(value) == 1 && !value.IsEmpty() ? kSubUnderlineOn : kSubUnderlineOff;
        } else if (n == L"c") {
            if (value.IsEmpty()) {
                codes += SubColourCodeFromColorRef(static_cast<DWORD>(defaultColor));
            } else {
                DWORD bgr = static_cast<DWORD>(ReadHexPrefix(value));
                codes += SubColourCode(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
            }
        }
    }
    if (known) *known = unknown < counted;
    return codes;
}

CString ConvertSsaDialogueText(const CString& text, int defaultColor)
{
    CString out;
    const std::wstring& s = text.str();
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == L'{') {
            size_t close = s.find(L'}', i + 1);
            if (close != std::wstring::npos) {
                bool known = false;
                CString codes = ConvertSsaOverrides(CString(std::wstring_view(s).substr(i + 1, close - i - 1)),
                                                    defaultColor, &known);
                if (known) {
                    out += codes;
                    i = close + 1;
                    size_t brace = s.find(L'{', i);
                    if (brace == std::wstring::npos) brace = s.size();
                    out += LiteralText(CString(std::wstring_view(s).substr(i, brace - i)));
                    i = brace;
                    continue;
                }
            }
        }
        size_t brace = s.find(L'{', i + 1);
        if (brace == std::wstring::npos) brace = s.size();
        out += LiteralText(CString(std::wstring_view(s).substr(i, brace - i)));
        i = brace;
    }
    return out;
}

bool CTextSubFile::ParseSsaScript(int defaultColor)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    bool found = false;
    int version = 3;
    SubtitleTimeline timeline(false /* empty stop points */);
    int lastStart = INT32_MIN;

    const wchar_t* cursor = m_text.GetString();
    CString line;
    while (ReadSubtitleLine(cursor, line)) {
        line.Trim();
        if (line.IsEmpty() || line.GetAt(0) == L';') continue;
        int colon = line.Find(L':');
        CString key = colon >= 0 ? line.Left(colon) : line;
        CString value = colon >= 0 ? line.Mid(colon + 1) : CString();
        key.MakeLower();

        if (key == L"[script info]" || key == L"[v4 styles]" || key == L"[v4+ styles]" || key == L"[events]") {
            found = true;
        } else if (key == L"scripttype") {
            if (value.Right(4).CompareNoCase(L"4.00") == 0)
                version = 4;
            else if (value.Right(5).CompareNoCase(L"4.00+") == 0)
                version = 5;
        } else if (key == L"dialogue") {
            CString rest = value;
            CString token;
            int number = 0;
            if (version <= 4) {
                // SSA's "Marked=" word; only when the "=" stands in the first
                // field, so that an "=" in the text of an ASS line read without
                // its script type does not eat the fields.
                int equals = rest.Find(L'=');
                int comma = rest.Find(L',');
                if (equals >= 0 && (comma < 0 || equals < comma) && !TakeToken(rest, L'=', &token)) return false;
            }
            if (!TakeInteger(rest, L',', &number)) return false;
            int start = 0, end = 0;
            if (!TakeTime(rest, &start) || !TakeTime(rest, &end)) return false;
            if (!TakeToken(rest, L',', &token) || !TakeToken(rest, L',', &token)) return false;
            for (int k = 0; k < 3; ++k)
                if (!TakeInteger(rest, L',', &number)) return false;
            if (!TakeToken(rest, L',', &token)) return false;

            timeline.CloseGap(start);
            // Events out of time order would hide each other in the time
            // walk: their points go in time order.
            if (start < lastStart) timeline.SortFilePoints();
            lastStart = start;
            timeline.Add(start, end, ConvertSsaDialogueText(rest, defaultColor));
        }
    }
    AppendPoints(timeline);
    return found;
}
