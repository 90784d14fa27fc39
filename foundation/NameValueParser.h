// Reads texts made of pairs, each a name, "=" and a value in double quotes
// (command-line switches such as destpath="C:\out").
#pragma once

#include "IniFile.h"

class CNameValueParser {
public:
    // True only when the text ends, after optional white space, right after a
    // complete pair; on a fault the pairs read before it are kept.
    bool Parse(const CString& text);
    bool GetPair(int index, SKeyValue& pair) const;
    int GetCount() const { return m_pairs.GetCount(); }
    void Reset();

private:
    bool AtEnd() const { return m_pos >= m_text.GetLength(); }
    void SkipWhite();

    CList<SKeyValue> m_pairs{10};
    CString m_text;
    int m_pos = 0;
    bool m_bEnd = false;
};
