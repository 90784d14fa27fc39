#include "HXScriptVM.h"

#include <climits>
#include <cmath>
#include <utility>

#include "foundation/DebugTrace.h"

namespace {

struct ErrorText {
    int code;
    const wchar_t* text;
};

constexpr ErrorText kErrorTexts[] = {
    {HXS_ERR_NONE, L"no error"},
    {HXS_ERR_CTOI, L"err at ctoi()"},
    {HXS_ERR_DBCS, L"invalid DBCS"},
    {HXS_ERR_TOKEN, L"token error"},
    {HXS_ERR_HEX_NUMBER, L"invalid hex number format"},
    {HXS_ERR_REAL_NUMBER, L"invalid real number format"},
    {HXS_ERR_BINARY_NUMBER, L"invalid binary number format"},
    {HXS_ERR_DECIMAL_NUMBER, L"invalid decimal number format"},
    {HXS_ERR_EOF_COMMENT, L"unexpected eof comment"},
    {HXS_ERR_UNEXPECTED_EOF, L"unexpected eof"},
    {HXS_ERR_SYNTAX, L"syntax error"},
    {HXS_ERR_VM_INTERNAL, L"internal error(vm)"},
    {HXS_ERR_BINARY_OPERATOR, L"invalid binary operator"},
    {HXS_ERR_STRING_OPERATOR, L"invalid string operator"},
    {HXS_ERR_DIVIDE_BY_ZERO, L"divide by zero"},
    {HXS_ERR_VAR_REDEFINITION, L"variable redefinition"},
    {HXS_ERR_FUNC_REDEFINITION, L"function redefinition"},
    {HXS_ERR_UNDECLARED_FUNCTION, L"undeclared function"},
    {HXS_ERR_PARAM_TYPE, L"invalid function parameter type"},
    {HXS_ERR_PARAM_COUNT, L"invalid function parameter count"},
    {HXS_ERR_API_PARAM_TYPE, L"invalid api parameter type"},
    {HXS_ERR_API_PARAM_COUNT, L"invalid api parameter count"},
    {HXS_ERR_API_CALL, L"api call failed"},
    {HXS_ERR_ASSIGN_UNDEFINED, L"assign failed (undefined type)"},
};

bool IsComparison(int op) { return op >= OP_EQ && op <= OP_GT; }

template <class T>
bool Compare(int op, T l, T r)
{
    switch (op) {
    case OP_EQ: return l == r;
    case OP_NE: return l != r;
    case OP_LE: return l <= r;
    case OP_GE: return l >= r;
    case OP_LT: return l < r;
    default: return l > r;
    }
}

// 32-bit two's-complement arithmetic: results wrap instead of overflowing.
int Wrap(uint32_t v) { return static_cast<int>(v); }

int ParamType(wchar_t letter)
{
    switch (letter) {
    case L'd': return HXSVAL_DOUBLE;
    case L'i': return HXSVAL_INT;
    case L's': return HXSVAL_STRING;
    default: return -1;  // no value has this type
    }
}

}  // namespace

// One evaluation step: counts the steps of the run and the evaluations in
// progress, and ends the run when either goes beyond its limit.
class HXScriptVM::Step {
public:
    Step(HXScriptVM& vm, const SStmt* node) : m_vm(vm)
    {
        if (++m_vm.m_nesting > kMaxNesting || m_vm.m_stack.IsLow()) m_vm.Raise(HXS_ERR_CALL_DEPTH, node);
        if (m_vm.m_stepLimit != 0 && ++m_vm.m_steps > m_vm.m_stepLimit) m_vm.Raise(HXS_ERR_STEP_LIMIT, node);
    }
    ~Step() { --m_vm.m_nesting; }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

private:
    HXScriptVM& m_vm;
};

// A block or a call: one depth level deeper, and the variables made inside
// it gone when it ends, however it ends.
class HXScriptVM::Scope {
public:
    explicit Scope(HXScriptVM& vm) : m_vm(vm), m_depth(vm.m_depth), m_mark(vm.m_values.size()) {}
    ~Scope()
    {
        m_vm.RemoveSince(m_mark);
        m_vm.m_depth = m_depth;
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    int Depth() const { return m_depth; }

private:
    HXScriptVM& m_vm;
    int m_depth;
    size_t m_mark;
};

HXScriptVM::HXScriptVM() { m_frames.push_back({CString(), -1}); }

HXScriptVM::~HXScriptVM() = default;

CString HXScriptVM::GetErrorText(int code)
{
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code) return e.text;
    CString text;
    text.Format(L"HXScript err(code:%d)", code);
    return text;
}

bool HXScriptVM::RegisterApi(const wchar_t* name, const wchar_t* signature, HXSNativeFunc function, void* object)
{
    if (!name || !*name || !signature || !function) return false;
    std::wstring sig(signature);
    if (sig.empty() || sig.size() > 11) return false;
    return m_natives.emplace(name, Native{std::move(sig), function, object, object != nullptr}).second;
}

bool HXScriptVM::LookupSymbol(const wchar_t* name) const
{
    return name && m_functionMap.find(name) != m_functionMap.end();
}

void HXScriptVM::Reset(bool dropNatives)
{
    if (m_running) {
        // The running program still uses the functions and variables.
        m_resetPending = true;
        m_resetDropsNatives = m_resetDropsNatives || dropNatives;
        return;
    }
    DoReset(dropNatives);
}

void HXScriptVM::DoReset(bool dropNatives)
{
    m_values.clear();
    m_byName.clear();
    m_functionMap.clear();
    m_functions.clear();
    if (dropNatives) m_natives.clear();
    m_depth = 0;
    m_frames.assign(1, Frame{CString(), -1});
}

int HXScriptVM::Execute(SStmtPtr<SStmt> program, HXSVal& out)
{
    if (m_running) return HXS_ERR_REENTRANT_RUN;
    m_running = true;
    m_errorDetail.Empty();
    m_errorLine = -1;
    m_errorColumn = -1;
    m_depth = 0;
    m_nesting = 0;
    m_steps = 0;
    m_frames.assign(1, Frame{CString(), -1});
    m_stack = ScriptStackLimit();  // the stack of the thread that runs it

    int code = HXS_ERR_NONE;
    try {
        ExecList(program.get(), out);
    } catch (HXS_ERR e) {
        code = e;
    }

    // The function declarations that ran are kept; the rest of the program goes.
    SStmtPtr<SStmt> node = std::move(program);
    while (node) {
        SStmtPtr<SStmt> next = std::move(node->m_next);
        if (m_registeredThisRun.count(node.get()))
            m_functions.emplace_back(static_cast<SStmtFuncDecl*>(node.release()));
        node = std::move(next);
    }
    m_registeredThisRun.clear();
    m_depth = 0;
    m_running = false;
    if (m_resetPending) {
        m_resetPending = false;
        DoReset(std::exchange(m_resetDropsNatives, false));
    }
    return code;
}

HXScriptVM::Flow HXScriptVM::ExecList(const SStmt* first, HXSVal& out)
{
    for (const SStmt* node = first; node; node = node->m_next.get())
        if (Exec(node, out) == Flow::Return) return Flow::Return;
    return Flow::Normal;
}

void HXScriptVM::Evaluate(const SStmt* node, HXSVal& out)
{
    if (!node) Raise(HXS_ERR_VM_INTERNAL, nullptr);
    Exec(node, out);
}

template <class T>
const T* HXScriptVM::As(const SStmt* node)
{
    const T* typed = dynamic_cast<const T*>(node);
    if (!typed) Raise(HXS_ERR_VM_INTERNAL, node);
    return typed;
}

// Each kind runs in a function of its own, so that the frame of the
// recursion through Exec stays small.
HXScriptVM::Flow HXScriptVM::Exec(const SStmt* node, HXSVal& out)
{
    Step step(*this, node);
    switch (node->m_kind) {
    case STMT_IF: return ExecIf(As<SStmtIf>(node), out);
    case STMT_VAR: ExecVar(As<SStmtVar>(node), out); return Flow::Normal;
    case STMT_VAR_DECL: ExecVarDecl(As<SStmtVarDecl>(node), out); return Flow::Normal;
    case STMT_FUNC_DECL: ExecFuncDecl(As<SStmtFuncDecl>(node)); return Flow::Normal;
    case STMT_ASSIGNMENT: ExecAssignment(As<SStmtAssignment>(node), out); return Flow::Normal;
    case STMT_EXPRESSION: ExecExpression(As<SStmtExpression>(node), out); return Flow::Normal;
    case STMT_COMPOUND: return ExecCompound(As<SStmtCompound>(node), out);
    case STMT_RETURN: ExecReturn(As<SStmtReturn>(node), out); return Flow::Return;
    case STMT_CALL: ExecCall(As<SStmtCall>(node), out); return Flow::Normal;
    default: Raise(HXS_ERR_VM_INTERNAL, node);
    }
}

HXScriptVM::Flow HXScriptVM::ExecIf(const SStmtIf* n, HXSVal& out)
{
    HXSVal condition;
    Evaluate(n->m_condition.get(), condition);
    const SStmt* branch = condition.IsTrue() ? n->m_then.get() : n->m_else.get();
    return branch ? Exec(branch, out) : Flow::Normal;
}

void HXScriptVM::ExecVar(const SStmtVar* n, HXSVal& out)
{
    // A name read before anything made it is made, undefined, where it is read.
    if (HXSVal* v = Lookup(n->m_name))
        out = *v;
    else
        out = Declare(n->m_name, HXSVal(), m_depth, n);
}

void HXScriptVM::ExecVarDecl(const SStmtVarDecl* n, HXSVal& out)
{
    const SStmtVar* var = As<SStmtVar>(n->m_var.get());
    out = Declare(var->m_name, HXSVal::ZeroOf(n->m_type), m_depth, n);
}

void HXScriptVM::ExecFuncDecl(const SStmtFuncDecl* n)
{
    if (!m_functionMap.emplace(n->m_name.str(), n).second) Raise(HXS_ERR_FUNC_REDEFINITION, n);
    m_registeredThisRun.insert(n);
}

void HXScriptVM::ExecAssignment(const SStmtAssignment* n, HXSVal& out)
{
    const SStmtVar* target = As<SStmtVar>(n->m_target.get());
    HXSVal value;
    Evaluate(n->m_value.get(), value);
    if (value.m_type == HXSVAL_UNDEFINED) Raise(HXS_ERR_ASSIGN_UNDEFINED, n);
    if (HXSVal* v = Lookup(target->m_name))
        *v = value;
    else
        Declare(target->m_name, value, m_depth, n);
    out = std::move(value);
}

void HXScriptVM::ExecExpression(const SStmtExpression* n, HXSVal& out)
{
    if (n->m_operator == OP_LITERAL) {
        if (!n->m_constant) Raise(HXS_ERR_VM_INTERNAL, n);
        out = *n->m_constant;
        return;
    }
    HXSVal left, right;
    if (n->m_left) Evaluate(n->m_left.get(), left);
    Evaluate(n->m_right.get(), right);
    out = Apply(n, left, right);
}

HXScriptVM::Flow HXScriptVM::ExecCompound(const SStmtCompound* n, HXSVal& out)
{
    Scope scope(*this);
    ++m_depth;
    // A block yields nothing, but a "return" inside it carries its value out.
    HXSVal inner;
    Flow flow = ExecList(n->m_firstDecl.get(), inner);
    if (flow == Flow::Normal) flow = ExecList(n->m_firstStmt.get(), inner);
    if (flow == Flow::Return) out = std::move(inner);
    return flow;
}

void HXScriptVM::ExecReturn(const SStmtReturn* n, HXSVal& out)
{
    HXSVal value;
    if (n->m_form == RETURN_WITH_VALUE) Evaluate(n->m_value.get(), value);
    out = std::move(value);
}

void HXScriptVM::ExecCall(const SStmtCall* n, HXSVal& out)
{
    auto f = m_functionMap.find(n->m_name.str());
    if (f != m_functionMap.end()) {
        CallFunction(f->second, n, out);
        return;
    }
    auto native = m_natives.find(n->m_name.str());
    if (native == m_natives.end()) Raise(HXS_ERR_UNDECLARED_FUNCTION, n);
    CallNative(native->second, n, out);
}

HXSVal HXScriptVM::Apply(const SStmtExpression* node, const HXSVal& left, const HXSVal& right)
{
    const int op = node->m_operator;
    if (op == OP_NOT || op == OP_NEG) {
        if (right.m_type == HXSVAL_INT) {
            if (op == OP_NOT) return HXSVal::Int(right.m_nValue == 0 ? 1 : 0);
            return HXSVal::Int(Wrap(0u - static_cast<uint32_t>(right.m_nValue)));
        }
        if (right.m_type == HXSVAL_DOUBLE) {
            if (op == OP_NOT) return HXSVal::Double(right.m_dValue == 0.0 ? 1.0 : 0.0);
            return HXSVal::Double(-right.m_dValue);
        }
        Raise(HXS_ERR_BINARY_OPERATOR, node);
    }
    if (op < OP_EQ || op > OP_MOD) Raise(HXS_ERR_VM_INTERNAL, node);

    const int lt = left.m_type, rt = right.m_type;
    if (lt == HXSVAL_INT && rt == HXSVAL_INT) {
        const int l = left.m_nValue, r = right.m_nValue;
        const uint32_t ul = static_cast<uint32_t>(l), ur = static_cast<uint32_t>(r);
        if (IsComparison(op)) return HXSVal::Int(Compare(op, l, r) ? 1 : 0);
        switch (op) {
        case OP_ADD: return HXSVal::Int(Wrap(ul + ur));
        case OP_SUB: return HXSVal::Int(Wrap(ul - ur));
        case OP_MUL: return HXSVal::Int(Wrap(ul * ur));
        case OP_DIV:
            if (r == 0) Raise(HXS_ERR_DIVIDE_BY_ZERO, node);
            // The one quotient that does not fit wraps like the other operators.
            return HXSVal::Int(l == INT_MIN && r == -1 ? INT_MIN : l / r);
        default:
            if (r == 0) Raise(HXS_ERR_DIVIDE_BY_ZERO, node);
            return HXSVal::Int(r == -1 ? 0 : l % r);
        }
    }
    if ((lt == HXSVAL_INT && rt == HXSVAL_DOUBLE) || (lt == HXSVAL_DOUBLE && rt == HXSVAL_INT)) {
        const double l = lt == HXSVAL_INT ? left.m_nValue : left.m_dValue;
        const double r = rt == HXSVAL_INT ? right.m_nValue : right.m_dValue;
        // A comparison yields the double 1.0 or 0.0, "%" the remainder with
        // the sign of the left operand.
        if (IsComparison(op)) return HXSVal::Double(Compare(op, l, r) ? 1.0 : 0.0);
        switch (op) {
        case OP_ADD: return HXSVal::Double(l + r);
        case OP_SUB: return HXSVal::Double(l - r);
        case OP_MUL: return HXSVal::Double(l * r);
        case OP_DIV:
            if (r == 0) Raise(HXS_ERR_DIVIDE_BY_ZERO, node);
            return HXSVal::Double(l / r);
        default:
            if (r == 0) Raise(HXS_ERR_DIVIDE_BY_ZERO, node);
            return HXSVal::Double(std::fmod(l, r));
        }
    }
    if (lt == HXSVAL_STRING && rt == HXSVAL_STRING) {
        if (op == OP_ADD) {
            if (left.m_text.GetLength() + static_cast<int64_t>(right.m_text.GetLength()) > kMaxStringLength)
                Raise(HXS_ERR_STRING_TOO_LONG, node);
            return HXSVal::String(left.m_text + right.m_text);
        }
        if (op == OP_EQ) return HXSVal::Int(left.m_text == right.m_text ? 1 : 0);
        if (op == OP_NE) return HXSVal::Int(left.m_text != right.m_text ? 1 : 0);
        Raise(HXS_ERR_STRING_OPERATOR, node);
    }
    Raise(HXS_ERR_BINARY_OPERATOR, node);
}

void HXScriptVM::CallFunction(const SStmtFuncDecl* function, const SStmtCall* call, HXSVal& out)
{
    if (static_cast<int>(m_frames.size()) > kMaxCallDepth) Raise(HXS_ERR_CALL_DEPTH, call);
    Scope scope(*this);
    const SStmt* param = function->m_firstParam.get();
    for (const SStmt* arg = call->m_firstArg.get(); arg; arg = arg->m_next.get()) {
        if (!param) Raise(HXS_ERR_PARAM_COUNT, call);
        const auto* decl = As<SStmtVarDecl>(param);
        const SStmtVar* var = As<SStmtVar>(decl->m_var.get());
        HXSVal value;
        Evaluate(arg, value);  // at the caller's depth
        if (value.m_type != decl->m_type) Raise(HXS_ERR_PARAM_TYPE, call);
        Declare(var->m_name, std::move(value), scope.Depth() + 1, call);
        param = param->m_next.get();
    }
    if (param) Raise(HXS_ERR_PARAM_COUNT, call);

    // A frame of its own for each call, so that the name and the line base
    // of the caller come back when it returns.
    struct FramePush {
        std::vector<Frame>& frames;
        ~FramePush() { frames.pop_back(); }
    } push{m_frames};
    m_frames.push_back({function->m_name, function->m_line});
    m_depth = scope.Depth() + 1;
    const SStmtCompound* body = As<SStmtCompound>(function->m_body.get());
    if (ExecList(body->m_firstDecl.get(), out) == Flow::Normal) ExecList(body->m_firstStmt.get(), out);
}

void HXScriptVM::CallNative(const Native& record, const SStmtCall* call, HXSVal& out)
{
    const Native native = record;  // the table may change while the native runs
    std::vector<HXSVal> args;
    const SStmt* arg = call->m_firstArg.get();
    for (size_t i = 1; i < native.signature.size(); ++i) {
        if (!arg) Raise(HXS_ERR_API_PARAM_COUNT, call);
        HXSVal value;
        Evaluate(arg, value);
        if (value.m_type != ParamType(native.signature[i])) Raise(HXS_ERR_API_PARAM_TYPE, call);
        args.push_back(std::move(value));
        arg = arg->m_next.get();
    }
    const wchar_t kind = native.signature[0];
    if (kind != L'D' && kind != L'I' && kind != L'S' && kind != L'V') Raise(HXS_ERR_API_CALL, call);
    HXSVal result = native.function(native.hasObject ? native.object : nullptr, args);
    switch (kind) {
    case L'D': out = HXSVal::Double(result.m_dValue); break;
    case L'I': out = HXSVal::Int(result.m_nValue); break;
    case L'S': out = HXSVal::String(CString(result.m_text.GetString())); break;  // the text up to its NUL
    default: out = HXSVal::Void(); break;
    }
}

HXSVal* HXScriptVM::Lookup(const CString& name)
{
    auto it = m_byName.find(name.str());
    if (it == m_byName.end()) return nullptr;
    // The variable of the highest depth not above the current one.
    HXSVal* best = nullptr;
    int bestDepth = -1;
    for (size_t index : it->second) {
        Variable& v = m_values[index];
        if (v.depth <= m_depth && v.depth > bestDepth) {
            best = &v.value;
            bestDepth = v.depth;
        }
    }
    return best;
}

HXSVal& HXScriptVM::Declare(const CString& name, HXSVal value, int depth, const SStmt* node)
{
    auto it = m_byName.find(name.str());
    if (it != m_byName.end()) {
        for (size_t index : it->second)
            if (m_values[index].depth == depth) Raise(HXS_ERR_VAR_REDEFINITION, node);
    } else {
        it = m_byName.emplace(name.str(), std::vector<size_t>()).first;
    }
    it->second.push_back(m_values.size());
    m_values.push_back(Variable{name, depth, std::move(value)});
    return m_values.back().value;
}

void HXScriptVM::RemoveSince(size_t mark)
{
    while (m_values.size() > mark) {
        auto it = m_byName.find(m_values.back().name.str());
        if (it != m_byName.end()) {
            it->second.pop_back();  // the newest variable of its name
            if (it->second.empty()) m_byName.erase(it);
        }
        m_values.pop_back();
    }
}

void HXScriptVM::Raise(int code, const SStmt* node)
{
    DebugTrace(L"@@rHXScriptVM::Error - %d", code);
    for (size_t i = 0; i < m_frames.size(); ++i)
        DebugTrace(L"@@r HXScriptVM Call stack - [%d], [%s]", static_cast<int>(i), m_frames[i].name);
    const Frame& frame = m_frames.back();
    if (frame.lineBase != -1 && node)
        m_errorDetail.Format(L"function[%s] line[%d]", frame.name, node->m_line - frame.lineBase);
    m_errorLine = node ? node->m_line : -1;
    m_errorColumn = node ? node->m_column : -1;
    throw static_cast<HXS_ERR>(code);
}
