#include "HXSVal.h"

#include <utility>

HXSVal HXSVal::Int(int value)
{
    HXSVal v;
    v.m_type = HXSVAL_INT;
    v.m_nValue = value;
    return v;
}

HXSVal HXSVal::Double(double value)
{
    HXSVal v;
    v.m_type = HXSVAL_DOUBLE;
    v.m_dValue = value;
    return v;
}

HXSVal HXSVal::String(CString text)
{
    HXSVal v;
    v.m_type = HXSVAL_STRING;
    v.m_text = std::move(text);
    return v;
}

HXSVal HXSVal::Void()
{
    HXSVal v;
    v.m_type = HXSVAL_VOID;
    return v;
}

HXSVal HXSVal::ZeroOf(int type)
{
    HXSVal v;
    v.m_type = type;
    return v;
}

bool HXSVal::IsTrue() const
{
    switch (m_type) {
    case HXSVAL_INT: return m_nValue != 0;
    case HXSVAL_DOUBLE: return m_dValue != 0.0;
    case HXSVAL_STRING: return !m_text.IsEmpty();
    default: return false;
    }
}
