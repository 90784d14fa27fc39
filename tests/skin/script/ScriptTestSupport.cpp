#include "ScriptTestSupport.h"

#include <sstream>

#include "platform/win32/CodePage.h"

namespace {

int g_nativeCalls = 0;

std::string Utf8(const CString& s) { return WideToUtf8(s.str()); }

void DumpList(const SStmt* first, std::ostringstream& os);

const char* TypeName(int type)
{
    switch (type) {
    case HXSVAL_DOUBLE: return "double";
    case HXSVAL_STRING: return "string";
    case HXSVAL_INT: return "int";
    case HXSVAL_VOID: return "void";
    default: return "?";
    }
}

const char* OperatorName(int op)
{
    static const char* const names[] = {"lit", "==", "!=", "<=", ">=", "<", ">", "+", "-", "*", "/", "%", "!", "neg"};
    return op >= 0 && op <= OP_NEG ? names[op] : "?";
}

void Dump(const SStmt* node, std::ostringstream& os)
{
    if (!node) {
        os << "-";
        return;
    }
    switch (node->m_kind) {
    case STMT_IF: {
        auto* n = static_cast<const SStmtIf*>(node);
        os << "(if ";
        Dump(n->m_condition.get(), os);
        os << " ";
        Dump(n->m_then.get(), os);
        os << " ";
        Dump(n->m_else.get(), os);
        os << ")";
        break;
    }
    case STMT_VAR: {
        auto* n = static_cast<const SStmtVar*>(node);
        os << Utf8(n->m_name);
        if (n->m_index) {
            os << "[";
            Dump(n->m_index.get(), os);
            os << "]";
        }
        break;
    }
    case STMT_VAR_DECL: {
        auto* n = static_cast<const SStmtVarDecl*>(node);
        os << "(decl " << TypeName(n->m_type) << " ";
        Dump(n->m_var.get(), os);
        os << ")";
        break;
    }
    case STMT_FUNC_DECL: {
        auto* n = static_cast<const SStmtFuncDecl*>(node);
        os << "(func " << TypeName(n->m_returnType) << " " << Utf8(n->m_name) << " (";
        DumpList(n->m_firstParam.get(), os);
        os << ") ";
        Dump(n->m_body.get(), os);
        os << ")";
        break;
    }
    case STMT_ASSIGNMENT: {
        auto* n = static_cast<const SStmtAssignment*>(node);
        os << "(= ";
        Dump(n->m_target.get(), os);
        os << " ";
        Dump(n->m_value.get(), os);
        os << ")";
        break;
    }
    case STMT_EXPRESSION: {
        auto* n = static_cast<const SStmtExpression*>(node);
        if (n->m_operator == OP_LITERAL) {
            const HXSVal& v = *n->m_constant;
            if (v.m_type == HXSVAL_INT)
                os << v.m_nValue;
            else if (v.m_type == HXSVAL_DOUBLE)
                os << v.m_dValue << "d";
            else
                os << '"' << Utf8(v.m_text) << '"';
            break;
        }
        os << "(" << OperatorName(n->m_operator) << " ";
        if (n->m_left) {
            Dump(n->m_left.get(), os);
            os << " ";
        }
        Dump(n->m_right.get(), os);
        os << ")";
        break;
    }
    case STMT_COMPOUND: {
        auto* n = static_cast<const SStmtCompound*>(node);
        os << "{";
        DumpList(n->m_firstDecl.get(), os);
        os << " |";
        if (n->m_firstStmt) os << " ";
        DumpList(n->m_firstStmt.get(), os);
        os << "}";
        break;
    }
    case STMT_RETURN: {
        auto* n = static_cast<const SStmtReturn*>(node);
        os << "(return";
        if (n->m_form == RETURN_WITH_VALUE) {
            os << " ";
            Dump(n->m_value.get(), os);
        }
        os << ")";
        break;
    }
    case STMT_CALL: {
        auto* n = static_cast<const SStmtCall*>(node);
        os << "(call " << Utf8(n->m_name);
        for (const SStmt* a = n->m_firstArg.get(); a; a = a->m_next.get()) {
            os << " ";
            Dump(a, os);
        }
        os << ")";
        break;
    }
    default: os << "?"; break;
    }
}

void DumpList(const SStmt* first, std::ostringstream& os)
{
    for (const SStmt* n = first; n; n = n->m_next.get()) {
        if (n != first) os << " ";
        Dump(n, os);
    }
}

std::string ErrorAt(int code, int line, int column)
{
    std::ostringstream os;
    os << "E" << code << "@" << line << ":" << column;
    return os.str();
}

HXSVal Ints(void*, const std::vector<HXSVal>& a)
{
    ++g_nativeCalls;
    return HXSVal::Int(a[0].m_nValue + a[1].m_nValue);
}
HXSVal Dbl(void*, const std::vector<HXSVal>& a)
{
    ++g_nativeCalls;
    return HXSVal::Double(a[0].m_dValue * a[1].m_dValue);
}
HXSVal Cat(void*, const std::vector<HXSVal>& a)
{
    ++g_nativeCalls;
    if (a[1].m_text == L"nul") return HXSVal::String(std::wstring(L"a\0b", 3));
    return HXSVal::String(a[0].m_text + a[1].m_text);
}
HXSVal Nothing(void*, const std::vector<HXSVal>&)
{
    ++g_nativeCalls;
    return HXSVal::Int(7);  // "V": the machine makes it void whatever comes back
}
HXSVal Count(void*, const std::vector<HXSVal>&) { return HXSVal::Int(g_nativeCalls); }

}  // namespace

std::string Describe(const HXSVal& value)
{
    std::ostringstream os;
    switch (value.m_type) {
    case HXSVAL_INT: os << "i:" << value.m_nValue; break;
    case HXSVAL_DOUBLE: os << "d:" << value.m_dValue; break;
    case HXSVAL_STRING: os << "s:" << Utf8(value.m_text); break;
    case HXSVAL_VOID: os << "v"; break;
    case HXSVAL_UNDEFINED: os << "u"; break;
    default: os << "?" << value.m_type; break;
    }
    return os.str();
}

std::string RunOutcome(HXScript& host, const std::wstring& text)
{
    HXSVal out = HXSVal::String(L"untouched");
    int code = -1;
    if (host.Run(text.c_str(), out, code)) return code == 0 ? Describe(out) : std::string("ok with a code");
    return ErrorAt(code, host.GetErrorLine(), host.GetErrorColumn());
}

std::string RunFresh(const std::wstring& text)
{
    HXScript host;
    RegisterTestNatives(host);
    return RunOutcome(host, text);
}

void RegisterTestNatives(HXScript& host)
{
    host.RegisterApi(L"ints", L"Iii", Ints);
    host.RegisterApi(L"dbl", L"Ddd", Dbl);
    host.RegisterApi(L"cat", L"Sss", Cat);
    host.RegisterApi(L"nothing", L"V", Nothing);
    host.RegisterApi(L"bad", L"Xi", Ints);
    host.RegisterApi(L"oddletter", L"Vx", Nothing);
    host.RegisterApi(L"count", L"I", Count);
}

int TestNativeCalls() { return g_nativeCalls; }

std::string DumpTree(const SStmt* first)
{
    std::ostringstream os;
    DumpList(first, os);
    return os.str();
}

std::string ParseOutcome(const std::wstring& text, bool exhaustive)
{
    ScriptLexer lexer;
    if (int code = lexer.Tokenize(text.c_str())) return ErrorAt(code, lexer.GetLine(), lexer.GetColumn());
    HXScriptParser parser;
    parser.SetExhaustiveSearch(exhaustive);
    if (int code = parser.Parse(lexer)) return ErrorAt(code, parser.GetErrorLine(), parser.GetErrorColumn());
    return DumpTree(parser.GetProgram());
}
