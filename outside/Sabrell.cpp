// Subtitle converter: SubRip (.srt) to SAMI.
//
//   Sabrell <input.srt> <output.smi>
//
// Each cue becomes an entry at its start time, and a clearing entry follows
// at its end unless the next cue starts by then. Lines of a cue are joined
// with line breaks; the b, i, u and font tags are kept, any other text is
// escaped. Exit code 0 on success; 1 when the files cannot be read or
// written; 2 when the input is not a well-formed SubRip file (nothing is
// written then).
#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "outside/SamiWriter.h"
#include "platform/win32/CString.h"

namespace {

struct Cue {
    int64_t start;
    int64_t end;
    std::wstring markup;
};

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find(L'\n', pos);
        if (nl == std::wstring::npos) nl = text.size();
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return lines;
}

bool IsBlank(const std::wstring& line)
{
    for (wchar_t c : line)
        if (!IsSpaceChar(c)) return false;
    return true;
}

// Reads digits at pos (at most maxDigits, at least one); false when none.
bool ReadNumber(const std::wstring& s, size_t& pos, int maxDigits, int64_t* value, int* digits = nullptr)
{
    int n = 0;
    int64_t v = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= L'0' && s[pos] <= L'9') {
        v = v * 10 + (s[pos++] - L'0');
        ++n;
    }
    if (digits) *digits = n;
    *value = v;
    return n > 0;
}

// "HH:MM:SS,mmm" (also with '.'); false when malformed.
bool ReadTime(const std::wstring& s, size_t& pos, int64_t* ms)
{
    int64_t h, m, sec, frac;
    int fracDigits = 0;
    if (!ReadNumber(s, pos, 6, &h) || pos >= s.size() || s[pos++] != L':') return false;
    if (!ReadNumber(s, pos, 2, &m) || m > 59 || pos >= s.size() || s[pos++] != L':') return false;
    if (!ReadNumber(s, pos, 2, &sec) || sec > 59 || pos >= s.size() || (s[pos] != L',' && s[pos] != L'.')) return false;
    ++pos;
    if (!ReadNumber(s, pos, 3, &frac, &fracDigits)) return false;
    while (fracDigits++ < 3) frac *= 10;
    *ms = ((h * 60 + m) * 60 + sec) * 1000 + frac;
    return true;
}

bool ReadTiming(const std::wstring& line, int64_t* start, int64_t* end)
{
    size_t pos = 0;
    while (pos < line.size() && IsSpaceChar(line[pos])) ++pos;
    if (!ReadTime(line, pos, start)) return false;
    while (pos < line.size() && IsSpaceChar(line[pos])) ++pos;
    if (line.compare(pos, 3, L"-->") != 0) return false;
    pos += 3;
    while (pos < line.size() && IsSpaceChar(line[pos])) ++pos;
    if (!ReadTime(line, pos, end)) return false;
    // Position coordinates may follow after white space.
    return pos == line.size() || IsSpaceChar(line[pos]);
}

// One line of cue text as SAMI markup.
std::wstring LineMarkup(const std::wstring& line)
{
    std::wstring out;
    size_t pos = 0;
    while (pos < line.size()) {
        size_t lt = line.find(L'<', pos);
        size_t gt = lt == std::wstring::npos ? std::wstring::npos : line.find(L'>', lt);
        if (gt == std::wstring::npos) {
            out += EscapeSamiText(std::wstring_view(line).substr(pos));
            break;
        }
        out += EscapeSamiText(std::wstring_view(line).substr(pos, lt - pos));
        std::wstring tag = PassThroughTag(std::wstring_view(line).substr(lt + 1, gt - lt - 1));
        out += tag.empty() ? EscapeSamiText(std::wstring_view(line).substr(lt, gt - lt + 1)) : tag;
        pos = gt + 1;
    }
    return out;
}

int Fail(const char* input, size_t line, const char* why)
{
    std::fprintf(stderr, "Sabrell: %s: line %zu: %s\n", input, line, why);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: Sabrell <input.srt> <output.smi>\n");
        return 1;
    }
    std::string bytes;
    if (!ReadSubtitleFile(argv[1], &bytes)) {
        std::fprintf(stderr, "Sabrell: %s: cannot be read (or is larger than %zu bytes)\n", argv[1],
                     kMaxSubtitleFileBytes);
        return 1;
    }
    std::vector<std::wstring> lines = SplitLines(DecodeSubtitleText(bytes));

    std::vector<Cue> cues;
    size_t i = 0;
    while (i < lines.size()) {
        if (IsBlank(lines[i])) {
            ++i;
            continue;
        }
        size_t blockStart = i;
        // An optional cue number, then the timing line.
        std::wstring first = lines[i];
        bool number = !first.empty();
        for (wchar_t c : first)
            if (!std::iswdigit(c) && !IsSpaceChar(c)) number = false;
        if (number) ++i;
        Cue cue;
        if (i >= lines.size() || !ReadTiming(lines[i], &cue.start, &cue.end))
            return Fail(argv[1], i < lines.size() ? i + 1 : blockStart + 1, "a cue without a valid timing line");
        if (cue.end < cue.start) return Fail(argv[1], i + 1, "a cue that ends before it starts");
        ++i;
        for (bool firstLine = true; i < lines.size() && !IsBlank(lines[i]); ++i, firstLine = false) {
            if (!firstLine) cue.markup += L"<br>";
            cue.markup += LineMarkup(lines[i]);
        }
        cues.push_back(cue);
    }
    if (cues.empty()) return Fail(argv[1], lines.size(), "no cues");

    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    std::vector<SSamiEntry> entries;
    for (size_t c = 0; c < cues.size(); ++c) {
        entries.push_back({cues[c].start, cues[c].markup.empty() ? std::wstring(kSamiClear) : cues[c].markup});
        bool nextCovers = c + 1 < cues.size() && cues[c + 1].start <= cues[c].end;
        if (!nextCovers) entries.push_back({cues[c].end, kSamiClear});
    }
    if (!WriteSamiFile(argv[2], entries)) {
        std::fprintf(stderr, "Sabrell: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
