// A value of the skin script language: undefined, a double, a string, an int
// or void. Values are copied freely; the machine keeps its variables as
// values too.
#pragma once

#include "platform/win32/CString.h"

enum HXSValType {
    HXSVAL_UNDEFINED = 0,
    HXSVAL_DOUBLE = 1,
    HXSVAL_STRING = 2,
    HXSVAL_INT = 3,
    HXSVAL_VOID = 4,
};

class HXSVal {
public:
    static HXSVal Int(int value);
    static HXSVal Double(double value);
    static HXSVal String(CString text);
    static HXSVal Void();
    // The zero value of a declared type: 0, 0.0, "" or void.
    static HXSVal ZeroOf(int type);

    // Truth in a condition: a nonzero number or a non-empty string;
    // undefined and void are false.
    bool IsTrue() const;

    int m_type = HXSVAL_UNDEFINED;
    double m_dValue = 0;
    int m_nValue = 0;
    CString m_text;
};
