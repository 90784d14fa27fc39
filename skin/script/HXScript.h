// The script host of a skin window: runs a text through the lexer, the
// parser and the machine, keeps where and why the last run failed, and holds
// the native functions that scripts call. Between runs the machine keeps its
// functions, globals and natives.
#pragma once

#include "HXSVal.h"
#include "HXScriptParser.h"
#include "HXScriptVM.h"
#include "ScriptLexer.h"

class HXScript {
public:
    HXScript();
    HXScript(const HXScript&) = delete;
    HXScript& operator=(const HXScript&) = delete;

    // Forgets the last error, the tokens and the machine's functions and
    // variables; with the flag the natives too.
    void Reset(bool dropNatives);
    bool RegisterApi(const wchar_t* name, const wchar_t* signature, HXSNativeFunc function, void* object = nullptr);
    bool HasFunction(const wchar_t* name) const { return m_machine.LookupSymbol(name); }

    // Runs the text (up to its first NUL). True on success, with the value
    // its last value-yielding statement wrote in the out value; false with
    // the error code, and the error's line, column, source line and detail
    // kept. A run asked for while this host is running a text (a native
    // function that runs script on the same host) is refused with
    // HXS_ERR_REENTRANT_RUN and leaves the running text undisturbed.
    bool Run(const wchar_t* text, HXSVal& out, int& code);

    static CString GetErrorText(int code) { return HXScriptVM::GetErrorText(code); }
    // The error source line; with a detail, the source line, "/" and the detail.
    CString GetErrorMessage() const;
    int GetErrorLine() const { return m_errorLine; }
    int GetErrorColumn() const { return m_errorColumn; }
    const CString& GetErrorSourceLine() const { return m_errorSourceLine; }
    const CString& GetErrorDetail() const { return m_errorDetail; }

    HXScriptVM& GetMachine() { return m_machine; }
    HXScriptParser& GetParser() { return m_parser; }

private:
    ScriptLexer m_lexer;
    HXScriptParser m_parser;
    HXScriptVM m_machine;
    bool m_running = false;
    int m_errorLine = -1;
    int m_errorColumn = -1;
    CString m_errorSourceLine;
    CString m_errorDetail;
};
