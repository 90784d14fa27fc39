#include "IniFile.h"

#include <cwchar>

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

CIniFile::CIniFile(const CString& path) : CList<SIniSection*>(10) { Load(path); }

CIniFile::~CIniFile() { RemoveAll(); }

void CIniFile::RemoveAll()
{
    for (POSITION p = GetHeadPosition(); p;) delete GetNext(p);
    CList<SIniSection*>::RemoveAll();
}

bool CIniFile::Load(const CString& path)
{
    RemoveAll();
    HANDLE h =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart > static_cast<LONGLONG>(kMaxFileBytes)) {
        CloseHandle(h);
        return false;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
        CloseHandle(h);
        return false;
    }
    CloseHandle(h);
    if (bytes.size() < 2) return true;
    std::wstring text;
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        // An odd trailing byte cannot be half a character: it is marked as bad
        // text instead of being read together with whatever lies behind it.
        text = Utf16LeBytesToWide(bytes.data() + 2, bytes.size() - 2);
    } else {
        UINT cp = m_nCodePage < 0 ? CP_ACP : static_cast<UINT>(m_nCodePage);
        if (!IsValidCodePage(cp)) return true;  // a failed conversion parses nothing
        text = MultiByteToWide(cp, bytes);
    }
    ParseText(text.c_str(), text.size());
    return true;
}

void CIniFile::ParseText(const wchar_t* text, size_t length)
{
    // The text ends at its first zero character.
    size_t end = 0;
    while (end < length && text[end] != 0) ++end;
    SIniSection* current = nullptr;
    size_t pos = 0;
    while (pos < end) {
        std::wstring line;
        while (pos < end && text[pos] != L'\n') {
            if (text[pos] != L'\r') line += text[pos];
            ++pos;
        }
        ++pos;  // the line feed
        m_sLine = CString(line);
        ParseLine(current);
    }
    m_sLine.Empty();
}

void CIniFile::ParseLine(SIniSection*& current)
{
    CString line = m_sLine;
    line.Trim();
    int n = line.GetLength();
    if (n == 0) return;
    if (line[0] == L'[' && line[n - 1] == L']') {
        CString name = line.Mid(1, n - 2);
        name.Trim();
        current = name.IsEmpty() ? nullptr : FindOrAddSection(name);
        return;
    }
    if (line[0] == L';') return;
    if (line.Find(L'=') < 0) return;
    if (!current) return;

    const std::wstring& s = line.str();
    size_t i = 0;
    CString key;
    if (s[0] == L'"') {
        size_t close = s.find(L'"', 1);
        if (close == std::wstring::npos) return;
        key = CString(s.substr(1, close - 1));
        i = close + 1;
        while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
        if (i >= s.size() || s[i] != L'=') return;
    } else {
        i = s.find(L'=');
        key = CString(s.substr(0, i));
        key.Trim();
    }
    if (key.IsEmpty()) return;
    ++i;  // the '='
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
    CString value;
    if (i < s.size() && s[i] == L'"') {
        size_t close = s.find(L'"', i + 1);
        value = CString(s.substr(i + 1, close == std::wstring::npos ? std::wstring::npos : close - i - 1));
    } else {
        size_t semi = s.find(L';', i);
        value = CString(s.substr(i, semi == std::wstring::npos ? std::wstring::npos : semi - i));
        value.Trim();
    }
    AddEntry(current, SKeyValue{key, value});
}

CString CIniFile::GetString(const CString& section, const CString& key, const CString& defaultValue) const
{
    CString v;
    return Lookup(section, key, v) ? v : defaultValue;
}

int CIniFile::GetInt(const CString& section, const CString& key, int defaultValue, int radix) const
{
    CString v;
    if (!Lookup(section, key, v)) return defaultValue;
    if (radix != 0 && (radix < 2 || radix > 36)) return 0;
    return static_cast<int>(std::wcstol(v, nullptr, radix));
}

bool CIniFile::Lookup(const CString& section, const CString& key, CString& value) const
{
    SIniSection* s = FindSection(section);
    SKeyValue pair;
    if (!s || !FindKey(s, key, pair)) return false;
    value = pair.value;
    return true;
}

SIniSection* CIniFile::FindSection(const CString& name) const
{
    for (POSITION p = GetHeadPosition(); p;) {
        SIniSection* s = GetNext(p);
        if (s->name.CompareNoCase(name) == 0) return s;
    }
    return nullptr;
}

SIniSection* CIniFile::FindOrAddSection(const CString& name)
{
    SIniSection* s = FindSection(name);
    return s ? s : AddSection(name);
}

bool CIniFile::FindKey(const SIniSection* section, const CString& key, SKeyValue& pair) const
{
    if (!section) return false;
    for (POSITION p = section->entries.GetHeadPosition(); p;) {
        const SKeyValue& kv = section->entries.GetNext(p);
        if (kv.key.CompareNoCase(key) == 0) {
            pair = kv;
            return true;
        }
    }
    return false;
}

SIniSection* CIniFile::AddSection(const CString& name)
{
    auto* s = new SIniSection();
    s->name = name;
    AddTail(s);
    return s;
}

void CIniFile::AddEntry(SIniSection* section, const SKeyValue& pair)
{
    if (section) section->entries.AddTail(pair);
}
