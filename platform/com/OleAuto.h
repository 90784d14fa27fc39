// The automation value types that component interfaces pass: BSTR (a counted
// wide string from the system allocator), VARIANT, the argument list of an
// automation call and one-dimensional SAFEARRAYs of fixed-size elements.
//
// A BSTR points at its first character; the 32-bit byte length of the text
// stands just before it and a NUL follows it, so a BSTR reads as an ordinary
// wide string too. A null BSTR is the empty string.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win32/WinTypes.h"

using OLECHAR = wchar_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// Copies of the text (null for a null text gives null); null when memory is
// short.
BSTR SysAllocString(const OLECHAR* text);
// length characters from text, or that many zero characters when text is
// null.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Characters (not counting the NUL); 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// ---- SAFEARRAY ------------------------------------------------------------------
struct SAFEARRAYBOUND {
    ULONG cElements = 0;
    LONG lLbound = 0;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};

using VARTYPE = USHORT;

// ---- VARIANT ----------------------------------------------------------------------
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

using VARIANT_BOOL = SHORT;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHResult(0x8002000Du);
constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000Bu);

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        SAFEARRAY* parray;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        struct {
            PVOID pvRecord;
            PVOID pRecInfo;
        } brecVal;
    };
};
static_assert(sizeof(VARIANT) == 24);

// The arguments of an automation call: the positional ones in reverse
// order (the last argument first), then the named ones.
struct DISPPARAMS {
    VARIANT* rgvarg = nullptr;
    LONG* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

// Sets the type to VT_EMPTY.
void VariantInit(VARIANT* v);
// Frees what the value owns (BSTR, interface reference, array) and sets
// VT_EMPTY. DISP_E_BADVARTYPE for a type this layer does not know.
HRESULT VariantClear(VARIANT* v);
// dest is cleared first; owned parts are copied (a new BSTR, a reference,
// a copy of the array).
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);

// One-dimensional arrays of fixed-size elements (VT_UI1, VT_I1, VT_I2,
// VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8, VT_R4, VT_R8,
// VT_BOOL); the elements start zeroed. Null for other types or when memory
// is short.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
// DISP_E_ARRAYISLOCKED while data access is open; a null array is S_OK.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
// Opens data access (counted); the pointer stays valid until the matching
// SafeArrayUnaccessData.
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
