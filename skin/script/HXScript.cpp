#include "HXScript.h"

#include <utility>

namespace {

// Line `line` (from 0; lines end at line feeds, carriage returns dropped) of
// the text, trimmed; empty when the text has no such line.
CString SourceLine(const wchar_t* text, int line)
{
    if (!text || line < 0) return CString();
    const wchar_t* p = text;
    for (int i = 0; i < line; ++i) {
        while (*p && *p != L'\n') ++p;
        if (!*p) return CString();
        ++p;
    }
    CString result;
    for (; *p && *p != L'\n'; ++p)
        if (*p != L'\r') result.AppendChar(*p);
    return result.Trim();
}

}  // namespace

HXScript::HXScript() = default;

void HXScript::Reset(bool dropNatives)
{
    m_errorLine = -1;
    m_errorColumn = -1;
    m_errorSourceLine.Empty();
    m_errorDetail.Empty();
    if (!m_running) m_lexer.Clear();
    m_parser.Forget();
    m_machine.Reset(dropNatives);
}

bool HXScript::RegisterApi(const wchar_t* name, const wchar_t* signature, HXSNativeFunc function, void* object)
{
    return m_machine.RegisterApi(name, signature, function, object);
}

bool HXScript::Run(const wchar_t* text, HXSVal& out, int& code)
{
    if (m_running) {
        code = HXS_ERR_REENTRANT_RUN;
        return false;
    }
    m_running = true;
    m_errorLine = -1;
    m_errorColumn = -1;
    m_errorSourceLine.Empty();
    m_errorDetail.Empty();

    code = m_lexer.Tokenize(text);
    if (code != HXS_ERR_NONE) {
        m_errorLine = m_lexer.GetLine();
        m_errorColumn = m_lexer.GetColumn();
    } else {
        code = m_parser.Parse(m_lexer);
        // The program refers to no token: the tokens can go before it runs.
        m_lexer.Clear();
        if (code != HXS_ERR_NONE) {
            m_errorLine = m_parser.GetErrorLine();
            m_errorColumn = m_parser.GetErrorColumn();
        } else if (SStmtPtr<SStmt> program = m_parser.TakeProgram()) {
            code = m_machine.Execute(std::move(program), out);
            if (code != HXS_ERR_NONE) {
                m_errorLine = m_machine.GetErrorLine();
                m_errorColumn = m_machine.GetErrorColumn();
                m_errorDetail = m_machine.GetErrorDetail();
            }
        }
    }
    m_lexer.Clear();
    m_parser.Forget();
    m_running = false;
    if (code == HXS_ERR_NONE) return true;
    m_errorSourceLine = SourceLine(text, m_errorLine);
    return false;
}

CString HXScript::GetErrorMessage() const
{
    if (m_errorDetail.IsEmpty()) return m_errorSourceLine;
    return m_errorSourceLine + L"/" + m_errorDetail;
}
