#include "OutputNaming.h"

#include <cstring>

#include "foundation/PathHelpers.h"

namespace {

// Characters that end the template's own text.
const wchar_t kTemplateStops[] = L";?*\"<>|";

// A substituted text without the characters a file name cannot hold here;
// separators go too, so a source title never makes a folder.
CString NameSafe(const CString& text)
{
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t c = text[i];
        if (c == L'/' || c == L'\\' || c < 0x20 || std::wcschr(kTemplateStops, c)) continue;
        out += c;
    }
    return out;
}

bool StartsWith(const std::wstring& s, size_t at, const std::wstring& token)
{
    return s.compare(at, token.size(), token) == 0;
}

// The number modulo 10^width, at least width digits, zero-padded.
CString PaddedNumber(int value, int width)
{
    int modulus = 1;
    for (int i = 0; i < width; ++i) modulus *= 10;
    std::wstring format = FormatText(L"%%0%dd", width);
    return CString(FormatText(format.c_str(), value % modulus));
}

// The name must stay inside the output folder and name a file.
bool IsUsableName(const CString& name)
{
    if (name.IsEmpty() || IsPathSeparator(name[0]) || IsPathSeparator(name[name.GetLength() - 1])) return false;
    int start = 0;
    for (int i = 0; i <= name.GetLength(); ++i) {
        if (i < name.GetLength() && !IsPathSeparator(name[i])) continue;
        CString part = name.Mid(start, i - start);
        if (part == L"." || part == L"..") return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

bool MakeOutputFileName(CString& out, const CString& sourcePath, const CString& nameTemplate,
                        const CString& defaultExtension, int counter, int trackNumber)
{
    const std::wstring& t = nameTemplate.str();
    const CString title = NameSafe(GetFileTitlePart(sourcePath));
    const CString extension = NameSafe(defaultExtension);
    CString result;
    size_t i = 0;
    while (i < t.size()) {
        if (StartsWith(t, i, L"<SRC_FILENAME>")) {
            result += title;
            i += 14;
            continue;
        }
        if (StartsWith(t, i, L"<DEF_EXT>")) {
            result += extension;
            i += 9;
            continue;
        }
        bool replaced = false;
        for (int width = 1; width <= 9 && !replaced; ++width) {
            std::wstring counterToken = FormatText(L"<COUNTER%02d>", width);
            std::wstring trackToken = FormatText(L"<TRACK_NUM%02d>", width);
            if (StartsWith(t, i, counterToken)) {
                result += PaddedNumber(counter, width);
                i += counterToken.size();
                replaced = true;
            } else if (StartsWith(t, i, trackToken)) {
                result += PaddedNumber(trackNumber, width);
                i += trackToken.size();
                replaced = true;
            }
        }
        if (replaced) continue;
        if (std::wcschr(kTemplateStops, t[i])) break;
        result += t[i];
        ++i;
    }
    if (!IsUsableName(result)) {
        out.Empty();
        return false;
    }
    out = result;
    return true;
}

CString FormatFileSize(int64_t bytes)
{
    const wchar_t* format;
    double quotient;
    if (bytes >= (int64_t(1) << 32) || bytes > 1073741824) {
        format = L"%.1fGB";
        quotient = static_cast<double>(bytes) / static_cast<double>(int64_t(1) << 30);
    } else if (bytes > 1048576) {
        format = L"%.1fMB";
        quotient = static_cast<double>(bytes) / static_cast<double>(1 << 20);
    } else if (bytes >= 1025) {
        format = L"%.1fKB";
        quotient = static_cast<double>(bytes) / 1024.0;
    } else {
        return CString(FormatText(L"%I64dB", bytes));
    }
    // One decimal by cutting: 1.99 shows as 1.9.
    double shown = static_cast<double>(static_cast<int64_t>(quotient * 10.0)) * 0.1;
    return CString(FormatText(format, shown));
}

CString FormatNumberWithCommas(int value)
{
    CString s = CString(FormatText(L"%d", value));
    for (int pos = s.GetLength() - 3; pos > 0; pos -= 3) s.Insert(pos, L',');
    return s;
}
