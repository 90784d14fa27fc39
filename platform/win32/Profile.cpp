#include "Profile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "CString.h"
#include "CodePage.h"
#include "NativePath.h"

namespace {

// Upper bound on what the profile calls will read: far above any settings
// file, low enough that a stray huge file cannot exhaust memory.
constexpr size_t kMaxProfileBytes = 64u << 20;

// One physical line of a profile file, in the file's own units: bytes for a
// narrow file, UTF-16 decoded text for a UTF-16 file. The line end is kept so
// that untouched lines are written back exactly.
template <class Str>
struct Line {
    Str text;
    Str end;
};

struct ProfileFile {
    bool exists = false;
    bool wide = false;
    std::vector<Line<std::string>> narrow;
    std::vector<Line<std::wstring>> text;
};

template <class Str>
std::vector<Line<Str>> SplitLines(const Str& all)
{
    std::vector<Line<Str>> lines;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t nl = all.find(static_cast<typename Str::value_type>('\n'), pos);
        size_t stop = nl == Str::npos ? all.size() : nl;
        size_t textEnd = stop;
        if (textEnd > pos && all[textEnd - 1] == static_cast<typename Str::value_type>('\r')) --textEnd;
        Line<Str> l;
        l.text = all.substr(pos, textEnd - pos);
        l.end = all.substr(textEnd, (nl == Str::npos ? stop : nl + 1) - textEnd);
        lines.push_back(std::move(l));
        pos = nl == Str::npos ? all.size() : nl + 1;
    }
    return lines;
}

bool LoadProfile(const wchar_t* fileName, ProfileFile* f)
{
    std::string bytes;
    if (!fileName || !ReadWholeFile(ToNativePath(fileName), &bytes, kMaxProfileBytes)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    f->exists = true;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        f->wide = true;
        f->text = SplitLines(Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2));
    } else {
        f->narrow = SplitLines(bytes);
    }
    return true;
}

template <class Str>
Str Trim(const Str& s)
{
    size_t b = 0, e = s.size();
    auto blank = [](auto c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::wstring AsWide(const std::string& s) { return MultiByteToWide(CP_ACP, s); }
std::wstring AsWide(const std::wstring& s) { return s; }

// Classifies a trimmed line: section header name, or key and value.
template <class Str>
bool SectionName(const Str& trimmed, Str* name)
{
    if (trimmed.empty() || trimmed[0] != '[') return false;
    size_t close = trimmed.find(static_cast<typename Str::value_type>(']'));
    *name = Trim(trimmed.substr(1, close == Str::npos ? Str::npos : close - 1));
    return true;
}

template <class Str>
bool Entry(const Str& trimmed, Str* key, Str* value)
{
    if (trimmed.empty() || trimmed[0] == ';') return false;
    size_t eq = trimmed.find(static_cast<typename Str::value_type>('='));
    if (eq == Str::npos) {
        *key = trimmed;
        value->clear();
        return true;
    }
    *key = Trim(trimmed.substr(0, eq));
    Str v = Trim(trimmed.substr(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    *value = v;
    return true;
}

struct Located {
    int sectionLine = -1;    // header line of the first matching section
    int lastEntryLine = -1;  // last non-blank line of that section
    int keyLine = -1;        // line of the first matching key
};

template <class Str>
Located Locate(const std::vector<Line<Str>>& lines, const std::wstring& section, const std::wstring* key)
{
    Located at;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        Str t = Trim(lines[i].text);
        Str name;
        if (SectionName(t, &name)) {
            if (inside) break;  // the first matching section ends here
            inside = CompareNoCase(AsWide(name), section) == 0;
            if (inside) {
                at.sectionLine = static_cast<int>(i);
                at.lastEntryLine = static_cast<int>(i);
            }
            continue;
        }
        if (!inside) continue;
        if (!t.empty()) at.lastEntryLine = static_cast<int>(i);
        Str k, v;
        if (key && at.keyLine < 0 && Entry(t, &k, &v) && CompareNoCase(AsWide(k), *key) == 0)
            at.keyLine = static_cast<int>(i);
    }
    return at;
}

template <class Str>
std::vector<Str> ListNames(const std::vector<Line<Str>>& lines, const std::wstring* section)
{
    std::vector<Str> names;
    bool inside = false;
    for (const auto& l : lines) {
        Str t = Trim(l.text);
        Str name;
        if (SectionName(t, &name)) {
            if (!section) {
                names.push_back(name);
                continue;
            }
            if (inside) break;
            inside = CompareNoCase(AsWide(name), *section) == 0;
            continue;
        }
        Str k, v;
        if (section && inside && Entry(t, &k, &v) && !k.empty()) names.push_back(k);
    }
    return names;
}

template <class Str>
bool FindValue(const std::vector<Line<Str>>& lines, const std::wstring& section, const std::wstring& key, Str* value)
{
    Located at = Locate(lines, section, &key);
    if (at.keyLine < 0) return false;
    Str k;
    Entry(Trim(lines[static_cast<size_t>(at.keyLine)].text), &k, value);
    return true;
}

// Copies a value or a NUL-separated list into the caller's buffer with the
// platform's truncation rules.
template <class C>
DWORD CopyOut(const std::basic_string<C>& value, C* buffer, DWORD size)
{
    if (!buffer || size == 0) return 0;
    size_t n = value.size() < size ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), n * sizeof(C));
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}

template <class C>
DWORD CopyList(const std::vector<std::basic_string<C>>& names, C* buffer, DWORD size)
{
    if (!buffer || size == 0) return 0;
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    DWORD pos = 0;
    for (const auto& n : names) {
        if (pos + n.size() + 1 > size - 1) {
            // Cut: copy what fits, end with two NULs, report size - 2.
            size_t room = size - 1 - pos;
            size_t take = room > 0 ? room - 1 : 0;
            std::memcpy(buffer + pos, n.data(), take * sizeof(C));
            buffer[pos + take] = 0;
            buffer[size - 1] = 0;
            return size - 2;
        }
        std::memcpy(buffer + pos, n.data(), n.size() * sizeof(C));
        pos += static_cast<DWORD>(n.size());
        buffer[pos++] = 0;
    }
    buffer[pos] = 0;
    return pos;
}

std::wstring DefaultOf(const wchar_t* d)
{
    std::wstring s = d ? d : L"";
    while (!s.empty() && s.back() == L' ') s.pop_back();
    return s;
}

template <class Str>
Str Join(const std::vector<Line<Str>>& lines)
{
    Str all;
    for (const auto& l : lines) all += l.text + l.end;
    return all;
}

template <class Str>
Str NewLineLike(const std::vector<Line<Str>>& lines)
{
    for (const auto& l : lines)
        if (!l.end.empty()) return l.end;
    Str crlf;
    crlf += static_cast<typename Str::value_type>('\r');
    crlf += static_cast<typename Str::value_type>('\n');
    return crlf;
}

// Applies one write to the lines. Returns false when nothing needed to change.
template <class Str>
bool Apply(std::vector<Line<Str>>& lines, const std::wstring& section, const wchar_t* key, const wchar_t* value,
           Str (*encode)(const std::wstring&))
{
    std::wstring keyText = key ? key : L"";
    Located at = Locate(lines, section, key ? &keyText : nullptr);
    Str nl = NewLineLike(lines);
    if (!key) {  // delete the whole section
        if (at.sectionLine < 0) return false;
        size_t b = static_cast<size_t>(at.sectionLine);
        size_t e = b + 1;
        while (e < lines.size()) {
            Str name;
            if (SectionName(Trim(lines[e].text), &name)) break;
            ++e;
        }
        lines.erase(lines.begin() + static_cast<long>(b), lines.begin() + static_cast<long>(e));
        return true;
    }
    if (!value) {  // delete the key
        if (at.keyLine < 0) return false;
        lines.erase(lines.begin() + at.keyLine);
        return true;
    }
    Line<Str> entry{encode(keyText + L"=" + value), nl};
    if (at.keyLine >= 0) {
        entry.end =
            lines[static_cast<size_t>(at.keyLine)].end.empty() ? nl : lines[static_cast<size_t>(at.keyLine)].end;
        lines[static_cast<size_t>(at.keyLine)] = entry;
        return true;
    }
    if (at.sectionLine >= 0) {
        size_t after = static_cast<size_t>(at.lastEntryLine);
        if (lines[after].end.empty()) lines[after].end = nl;
        lines.insert(lines.begin() + static_cast<long>(after) + 1, entry);
        return true;
    }
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = nl;
    lines.push_back(Line<Str>{encode(L"[" + section + L"]"), nl});
    lines.push_back(entry);
    return true;
}

std::string EncodeAnsi(const std::wstring& s) { return WideToMultiByte(CP_ACP, s); }
std::wstring EncodeWide(const std::wstring& s) { return s; }

bool FitsAnsi(const std::wstring& s)
{
    bool used = false;
    WideToMultiByte(CP_ACP, s, &used);
    return !used;
}

}  // namespace

DWORD GetPrivateProfileStringW(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer,
                               DWORD size, const wchar_t* fileName)
{
    ProfileFile f;
    bool loaded = LoadProfile(fileName, &f);
    std::wstring sec = section ? section : L"";
    if (!section || !key) {
        std::vector<std::wstring> names;
        if (loaded && f.wide) {
            names = ListNames(f.text, section ? &sec : nullptr);
        } else if (loaded) {
            for (const auto& n : ListNames(f.narrow, section ? &sec : nullptr)) names.push_back(AsWide(n));
        }
        return CopyList(names, buffer, size);
    }
    std::wstring k = key;
    if (loaded) {
        if (f.wide) {
            std::wstring v;
            if (FindValue(f.text, sec, k, &v)) return CopyOut(v, buffer, size);
        } else {
            std::string v;
            if (FindValue(f.narrow, sec, k, &v)) return CopyOut(AsWide(v), buffer, size);
        }
    }
    return CopyOut(DefaultOf(defaultValue), buffer, size);
}

DWORD GetPrivateProfileBytes(const wchar_t* section, const wchar_t* key, const char* defaultValue, char* buffer,
                             DWORD size, const wchar_t* fileName)
{
    ProfileFile f;
    bool loaded = LoadProfile(fileName, &f);
    std::wstring sec = section ? section : L"";
    if (!section || !key) {
        std::vector<std::string> names;
        if (loaded && f.wide) {
            for (const auto& n : ListNames(f.text, section ? &sec : nullptr)) names.push_back(EncodeAnsi(n));
        } else if (loaded) {
            names = ListNames(f.narrow, section ? &sec : nullptr);
        }
        return CopyList(names, buffer, size);
    }
    std::wstring k = key;
    if (loaded) {
        if (f.wide) {
            std::wstring v;
            if (FindValue(f.text, sec, k, &v)) return CopyOut(EncodeAnsi(v), buffer, size);
        } else {
            std::string v;
            if (FindValue(f.narrow, sec, k, &v)) return CopyOut(v, buffer, size);
        }
    }
    std::string d = defaultValue ? defaultValue : "";
    while (!d.empty() && d.back() == ' ') d.pop_back();
    return CopyOut(d, buffer, size);
}

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer, DWORD size,
                               const char* fileName)
{
    auto wide = [](const char* s) { return MultiByteToWide(CP_ACP, s); };
    std::wstring wsec = section ? wide(section) : std::wstring();
    std::wstring wkey = key ? wide(key) : std::wstring();
    std::wstring wfile = fileName ? wide(fileName) : std::wstring();
    return GetPrivateProfileBytes(section ? wsec.c_str() : nullptr, key ? wkey.c_str() : nullptr, defaultValue, buffer,
                                  size, fileName ? wfile.c_str() : nullptr);
}

UINT GetPrivateProfileIntW(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* fileName)
{
    if (!section || !key) return static_cast<UINT>(defaultValue);
    wchar_t buf[64];
    if (GetPrivateProfileStringW(section, key, L"", buf, 64, fileName) == 0) return static_cast<UINT>(defaultValue);
    const wchar_t* p = buf;
    while (*p == L' ' || *p == L'\t') ++p;
    bool neg = false;
    if (*p == L'+' || *p == L'-') neg = *p++ == L'-';
    uint32_t v = 0;
    while (*p >= L'0' && *p <= L'9') v = v * 10 + static_cast<uint32_t>(*p++ - L'0');  // wraps like a 32-bit read
    return neg ? static_cast<UINT>(0u - v) : v;
}

BOOL WritePrivateProfileStringW(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                                const wchar_t* fileName)
{
    if (!section || !fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ProfileFile f;
    if (!LoadProfile(fileName, &f)) {
        // A missing file is created; anything else that cannot be read is
        // left alone rather than replaced.
        struct stat st;
        if (stat(ToNativePath(fileName).c_str(), &st) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        f = ProfileFile();
        if (!key || !value) return TRUE;  // nothing to delete
    }
    std::wstring sec = section;
    if (!f.wide) {
        std::wstring added = sec + (key ? key : L"") + (value ? value : L"");
        // Only when the file's own bytes survive the move; otherwise the
        // platform's behaviour (the new text loses what ANSI cannot hold) is
        // the lesser loss.
        std::string before = Join(f.narrow);
        if (!FitsAnsi(added) && WideToMultiByte(CP_ACP, AsWide(before)) == before) {
            // Move the whole file to UTF-16 so the new text is kept exactly.
            f.wide = true;
            for (const auto& l : f.narrow) f.text.push_back({AsWide(l.text), AsWide(l.end)});
            f.narrow.clear();
        }
    }
    bool changed = f.wide ? Apply(f.text, sec, key, value, &EncodeWide) : Apply(f.narrow, sec, key, value, &EncodeAnsi);
    if (!changed && f.exists) return TRUE;
    std::string bytes;
    if (f.wide)
        bytes = std::string("\xFF\xFE", 2) + WideToUtf16LeBytes(Join(f.text));
    else
        bytes = Join(f.narrow);
    if (!WriteFileAtomically(ToNativePath(fileName), bytes)) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
