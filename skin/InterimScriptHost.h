// INTERIM, to be replaced by the skin script host (HXScript) when the script
// language lands: a host that knows no functions and runs every text as an
// empty program. Skin windows are written against the host's real
// operations, so that the swap changes only this file's users' type names.
#pragma once

#include "platform/win32/CString.h"

struct InterimScriptValue {
    int m_type = 0;  // 0 undefined, 1 double, 2 string, 3 int, 4 void
    double m_dValue = 0;
    int m_nValue = 0;
    CString m_text;
};

class InterimScriptHost {
public:
    void Reset(bool) {}
    bool HasFunction(const wchar_t*) const { return false; }
    bool Run(const wchar_t*, InterimScriptValue& out, int& code)
    {
        out = InterimScriptValue();
        code = 0;
        return true;
    }
    CString GetErrorMessage() const { return CString(); }
    static CString GetErrorText(int) { return CString(); }
};

using SkinScriptHost = InterimScriptHost;
using SkinScriptValue = InterimScriptValue;
constexpr int kScriptValueDouble = 1;
constexpr int kScriptValueString = 2;
constexpr int kScriptValueInt = 3;
