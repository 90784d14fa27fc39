// The standard object interfaces that component code above the runtime
// passes around: IPersist and the persistent-stream base, monikers and their
// enumerator, property bags, and the automation base IDispatch. The method
// order is the published one. Types these interfaces only mention and this
// system never uses (streams, bind contexts, type information) are declared
// and left incomplete.
#pragma once

#include "platform/com/OleAuto.h"
#include "platform/com/Unknown.h"
#include "platform/win32/DebugOutput.h"

// Interfaces whose methods several classes implement or forward are written
// once, as lists of their methods in interface order, X(name, (parameters),
// (arguments)); the interface and the declarations of its implementations
// are spelled from the list with these.
#define RIVO_PURE_METHOD(name, parameters, arguments) virtual HRESULT name parameters = 0;
#define RIVO_OVERRIDE_METHOD(name, parameters, arguments) HRESULT name parameters override;

struct IStream;
struct IBindCtx;
struct ITypeInfo;
struct EXCEPINFO;
struct IEnumMoniker;

using DISPID = LONG;

constexpr IID IID_IPersist{0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IPersistStream{0x00000109, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IMoniker{0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IEnumMoniker{0x00000102, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IPropertyBag{0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr IID IID_IErrorLog{0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr HRESULT MK_E_NOSTORAGE = MakeHResult(0x800401EDu);
constexpr HRESULT MK_E_UNAVAILABLE = MakeHResult(0x800401E3u);

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* classId) = 0;
};

struct IPersistStream : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};

struct IMoniker : IPersistStream {
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) = 0;
    virtual HRESULT Reduce(IBindCtx* context, DWORD howFar, IMoniker** toLeft, IMoniker** reduced) = 0;
    virtual HRESULT ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) = 0;
    virtual HRESULT Enum(BOOL forward, IEnumMoniker** enumerator) = 0;
    virtual HRESULT IsEqual(IMoniker* other) = 0;
    virtual HRESULT Hash(DWORD* hash) = 0;
    virtual HRESULT IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) = 0;
    virtual HRESULT GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) = 0;
    virtual HRESULT Inverse(IMoniker** inverse) = 0;
    virtual HRESULT CommonPrefixWith(IMoniker* other, IMoniker** prefix) = 0;
    virtual HRESULT RelativePathTo(IMoniker* other, IMoniker** relative) = 0;
    // The name is task memory (CoTaskMemFree).
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
    virtual HRESULT ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                     IMoniker** out) = 0;
    virtual HRESULT IsSystemMoniker(DWORD* kind) = 0;
};

struct IEnumMoniker : IUnknown {
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** clone) = 0;
};

struct IErrorLog : IUnknown {
    virtual HRESULT AddError(LPCOLESTR propertyName, EXCEPINFO* info) = 0;
};

struct IPropertyBag : IUnknown {
    // value->vt on entry names the type wanted; VT_EMPTY takes the stored one.
    virtual HRESULT Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT Write(LPCOLESTR propertyName, VARIANT* value) = 0;
};

#define RIVO_IDISPATCH_METHODS(X)                                                                                     \
    X(GetTypeInfoCount, (UINT * count), (count))                                                                      \
    X(GetTypeInfo, (UINT index, LCID locale, ITypeInfo * *info), (index, locale, info))                               \
    X(GetIDsOfNames, (REFIID riid, LPOLESTR * names, UINT count, LCID locale, DISPID * ids),                          \
      (riid, names, count, locale, ids))                                                                              \
    X(Invoke,                                                                                                         \
      (DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS * params, VARIANT * result, EXCEPINFO * exception, \
       UINT * argError),                                                                                              \
      (id, riid, locale, flags, params, result, exception, argError))

struct IDispatch : IUnknown {
    RIVO_IDISPATCH_METHODS(RIVO_PURE_METHOD)
};

// The IDispatch of a class whose dual interfaces are called through their
// method tables only: no type information (a count of 0), and neither names
// nor late-bound calls (E_NOTIMPL, traced once as a gap). Written once in the
// class's source file, after the header declared the methods with
// RIVO_IDISPATCH_METHODS(RIVO_OVERRIDE_METHOD).
#define RIVO_IDISPATCH_NOT_OFFERED(Class)                                                                   \
    HRESULT Class::GetTypeInfoCount(UINT* count)                                                            \
    {                                                                                                       \
        if (count) *count = 0;                                                                              \
        return S_OK;                                                                                        \
    }                                                                                                       \
    HRESULT Class::GetTypeInfo(UINT, LCID, ITypeInfo**) { return RIVO_NOT_IMPLEMENTED(); }                  \
    HRESULT Class::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return RIVO_NOT_IMPLEMENTED(); } \
    HRESULT Class::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)             \
    {                                                                                                       \
        return RIVO_NOT_IMPLEMENTED();                                                                      \
    }

RIVO_INTERFACE_ID(IPersist, IID_IPersist);
RIVO_INTERFACE_ID(IPersistStream, IID_IPersistStream);
RIVO_INTERFACE_ID(IMoniker, IID_IMoniker);
RIVO_INTERFACE_ID(IEnumMoniker, IID_IEnumMoniker);
RIVO_INTERFACE_ID(IPropertyBag, IID_IPropertyBag);
RIVO_INTERFACE_ID(IErrorLog, IID_IErrorLog);
RIVO_INTERFACE_ID(IDispatch, IID_IDispatch);
