#include "NameValueParser.h"

namespace {

CString DecodeEntities(CString s)
{
    s.Replace(L"&amp;", L"&");
    s.Replace(L"&quot;", L"\"");
    s.Replace(L"&apos;", L"'");
    return s;
}

bool IsWhite(wchar_t c) { return c == L'\t' || c == L'\n' || c == L'\r' || c == L' '; }

}  // namespace

void CNameValueParser::Reset()
{
    m_pairs.RemoveAll();
    m_text.Empty();
    m_pos = 0;
    m_bEnd = false;
}

void CNameValueParser::SkipWhite()
{
    while (!AtEnd() && IsWhite(m_text[m_pos])) ++m_pos;
    m_bEnd = AtEnd();
}

bool CNameValueParser::Parse(const CString& text)
{
    Reset();
    m_text = text;
    for (;;) {
        SkipWhite();
        int start = m_pos;
        while (!AtEnd() && m_text[m_pos] != L'"' && m_text[m_pos] != L'=') ++m_pos;
        CString name = m_text.Mid(start, m_pos - start);
        SkipWhite();
        if (m_bEnd || m_text[m_pos] != L'=') return false;
        ++m_pos;
        SkipWhite();
        if (m_bEnd || m_text[m_pos] != L'"') return false;
        ++m_pos;
        start = m_pos;
        while (!AtEnd() && m_text[m_pos] != L'"') ++m_pos;
        CString value = m_text.Mid(start, m_pos - start);
        SkipWhite();
        if (m_bEnd || m_text[m_pos] != L'"') return false;
        ++m_pos;
        m_pairs.AddTail(SKeyValue{DecodeEntities(name), DecodeEntities(value)});
        SkipWhite();
        if (m_bEnd) return true;
    }
}

bool CNameValueParser::GetPair(int index, SKeyValue& pair) const
{
    POSITION p = m_pairs.FindIndex(index);
    if (!p) return false;
    pair = m_pairs.GetAt(p);
    return true;
}
