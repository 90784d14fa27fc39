// INI-style settings file read whole into memory once and answered by
// section and key (language files, preset files, skin lists), and the reader
// of name="value" pair texts used for command-line switches.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

struct SKeyValue {
    CString key;
    CString value;
    bool operator==(const SKeyValue& o) const { return key == o.key && value == o.value; }
};

struct SIniSection {
    CString name;
    CList<SKeyValue> entries{10};
};

class CIniFile : public CList<SIniSection*> {
public:
    // Files above this size are refused.
    static constexpr size_t kMaxFileBytes = 1000000;

    CIniFile() : CList<SIniSection*>(10) {}
    explicit CIniFile(const CString& path);
    ~CIniFile() override;

    // Discards all sections, then reads and parses the file. False when the
    // file cannot be opened, is too large, or cannot be read whole.
    bool Load(const CString& path);
    void RemoveAll();

    CString GetString(const CString& section, const CString& key, const CString& defaultValue) const;
    int GetInt(const CString& section, const CString& key, int defaultValue, int radix) const;
    bool Lookup(const CString& section, const CString& key, CString& value) const;

    SIniSection* FindSection(const CString& name) const;
    SIniSection* FindOrAddSection(const CString& name);
    bool FindKey(const SIniSection* section, const CString& key, SKeyValue& pair) const;
    SIniSection* AddSection(const CString& name);
    void AddEntry(SIniSection* section, const SKeyValue& pair);

    // Code page of files without the UTF-16 mark; 0 is the ANSI code page.
    int m_nCodePage = 0;

private:
    void ParseText(const wchar_t* text, size_t length);
    void ParseLine(SIniSection*& current);

    CString m_sLine;
};
