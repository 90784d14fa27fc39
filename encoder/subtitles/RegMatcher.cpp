#include "RegMatcher.h"

#include <new>

CRegMatcher::CRegMatcher(const wchar_t* pattern, int flags)
{
    m_program.reset(new (std::nothrow) CRegProgram(pattern, flags));
}

bool CRegMatcher::Match(const wchar_t* text)
{
    m_error.ClearError();
    if (!m_program) {
        m_error.SetError(kRegErrNoProgram);
        return false;
    }
    if (!m_program->IsCompiled()) return false;  // the compile error stays readable
    if (!text) return m_program->Execute(nullptr);
    m_text = text;
    return m_program->Execute(m_text.GetString());
}

int CRegMatcher::GetSubCount()
{
    m_error.ClearError();
    if (!m_program) {
        m_error.SetError(kRegErrNoProgram);
        return -1;
    }
    return m_program->GetSubCount();
}

CString CRegMatcher::GetSubMatch(int i)
{
    m_error.ClearError();
    if (!m_program) {
        m_error.SetError(kRegErrNoProgram);
        return CString();
    }
    const wchar_t* start = m_program->SubStart(i);
    const wchar_t* end = m_program->SubEnd(i);
    if (!start || !end || end < start) return CString();
    return CString(start, static_cast<int>(end - start));
}

CString CRegMatcher::GetErrorText() const
{
    if (m_error.HasError()) return m_error.GetErrorText();
    if (m_program) return m_program->GetErrorText();
    return CString();
}
