// The virtual machine of the skin script language: runs the statement trees
// of the parser, holds the variables by name and depth (dynamic scoping: code
// sees the variables of every lower depth, its callers' included), the script
// functions and the native functions, and reports run-time errors with their
// position. Functions, natives and depth-0 variables (globals) persist from
// one run to the next.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "HXSVal.h"
#include "SStmt.h"
#include "ScriptErrors.h"
#include "ScriptStackLimit.h"

// A native function: called with the object it was registered with (null
// when none) and the argument values in signature order (their types already
// checked against the signature). The signature's return letter decides
// which part of the result counts.
using HXSNativeFunc = HXSVal (*)(void* object, const std::vector<HXSVal>& args);

class HXScriptVM {
public:
    // Script function calls followed at most at once.
    static constexpr int kMaxCallDepth = 200;
    // Statements and expressions being evaluated at most at once, calls
    // included.
    static constexpr int kMaxNesting = 6000;
    // The longest string "+" makes, in characters.
    static constexpr int kMaxStringLength = 1 << 20;

    HXScriptVM();
    ~HXScriptVM();
    HXScriptVM(const HXScriptVM&) = delete;
    HXScriptVM& operator=(const HXScriptVM&) = delete;

    // Runs the program into the out value (untouched by a program that
    // yields nothing) and returns 0 or the error code. Afterwards the
    // program's top-level nodes are deleted, except the function
    // declarations that the run registered, which the machine keeps.
    int Execute(SStmtPtr<SStmt> program, HXSVal& out);

    // Stores a native function when the name is not empty, the signature has
    // 1 to 11 characters, the function is given and no native of that name
    // exists yet.
    bool RegisterApi(const wchar_t* name, const wchar_t* signature, HXSNativeFunc function, void* object = nullptr);
    // Whether a script function of that name is registered.
    bool LookupSymbol(const wchar_t* name) const;
    // Forgets the variables and script functions, with the flag the natives
    // too. Asked for during a run, it happens when the run ends.
    void Reset(bool dropNatives);

    static CString GetErrorText(int code);
    int GetErrorLine() const { return m_errorLine; }
    int GetErrorColumn() const { return m_errorColumn; }
    const CString& GetErrorDetail() const { return m_errorDetail; }

    // Ends runs that take more than this many evaluation steps with
    // HXS_ERR_STEP_LIMIT; 0 (the default) sets no limit.
    void SetStepLimit(uint64_t steps) { m_stepLimit = steps; }
    bool IsRunning() const { return m_running; }
    // Live variables of every depth (globals between runs).
    int GetVariableCount() const { return static_cast<int>(m_values.size()); }

private:
    enum class Flow { Normal, Return };
    struct Variable {
        CString name;
        int depth;
        HXSVal value;
    };
    struct Native {
        std::wstring signature;
        HXSNativeFunc function;
        void* object;
        bool hasObject;
    };
    struct Frame {
        CString name;
        int lineBase;
    };
    class Step;
    class Scope;

    Flow ExecList(const SStmt* first, HXSVal& out);
    Flow Exec(const SStmt* node, HXSVal& out);
    [[gnu::noinline]] Flow ExecIf(const SStmtIf* node, HXSVal& out);
    [[gnu::noinline]] void ExecVar(const SStmtVar* node, HXSVal& out);
    [[gnu::noinline]] void ExecVarDecl(const SStmtVarDecl* node, HXSVal& out);
    [[gnu::noinline]] void ExecFuncDecl(const SStmtFuncDecl* node);
    [[gnu::noinline]] void ExecAssignment(const SStmtAssignment* node, HXSVal& out);
    [[gnu::noinline]] void ExecExpression(const SStmtExpression* node, HXSVal& out);
    [[gnu::noinline]] Flow ExecCompound(const SStmtCompound* node, HXSVal& out);
    [[gnu::noinline]] void ExecReturn(const SStmtReturn* node, HXSVal& out);
    [[gnu::noinline]] void ExecCall(const SStmtCall* node, HXSVal& out);
    void Evaluate(const SStmt* node, HXSVal& out);
    HXSVal Apply(const SStmtExpression* node, const HXSVal& left, const HXSVal& right);
    void CallFunction(const SStmtFuncDecl* function, const SStmtCall* call, HXSVal& out);
    void CallNative(const Native& native, const SStmtCall* call, HXSVal& out);
    HXSVal* Lookup(const CString& name);
    HXSVal& Declare(const CString& name, HXSVal value, int depth, const SStmt* node);
    void RemoveSince(size_t mark);
    template <class T>
    const T* As(const SStmt* node);
    [[noreturn]] void Raise(int code, const SStmt* node);
    void DoReset(bool dropNatives);

    std::vector<Variable> m_values;
    std::unordered_map<std::wstring, std::vector<size_t>> m_byName;  // live variables of each name, oldest first
    std::vector<SStmtPtr<SStmtFuncDecl>> m_functions;
    std::unordered_map<std::wstring, const SStmtFuncDecl*> m_functionMap;
    std::unordered_set<const SStmt*> m_registeredThisRun;  // still owned by the running program
    std::map<std::wstring, Native> m_natives;
    std::vector<Frame> m_frames;
    ScriptStackLimit m_stack;
    int m_depth = 0;
    int m_nesting = 0;
    uint64_t m_steps = 0;
    uint64_t m_stepLimit = 0;
    bool m_running = false;
    bool m_resetPending = false;
    bool m_resetDropsNatives = false;
    int m_errorLine = -1;
    int m_errorColumn = -1;
    CString m_errorDetail;
};
