// The root of every component interface, and the class factory. An interface
// is a class of pure virtual functions only (no data, no virtual destructor),
// so its function table has the published order: QueryInterface, AddRef,
// Release, then the interface's own methods in declaration order. Modules
// built separately rely on that order.
//
// The rules every implementation keeps: an object counts its references and
// deletes itself when Release brings the count to zero; QueryInterface for
// IID_IUnknown gives the same pointer through whichever interface it is
// asked, so comparing those pointers tells whether two interfaces belong to
// the same object; a failed QueryInterface gives E_NOINTERFACE and stores
// null; a successful one adds a reference.
#pragma once

#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

// Identifiers are constants with internal linkage rather than inline
// variables: the compiler gives inline variables "unique" symbols, and the
// system loader never unloads a module that has one.
constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    // A new object of the factory's class, asked for by interface. A non-null
    // outer object asks for aggregation; factories that do not support it
    // answer CLASS_E_NOAGGREGATION.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    // Keeps the factory's module loaded while locked.
    virtual HRESULT LockServer(BOOL lock) = 0;
};

using LPUNKNOWN = IUnknown*;
using LPCLASSFACTORY = IClassFactory*;

// The identifier of an interface type, for typed queries (ComPtr::As).
// There is no general definition: every interface names its identifier once
// with RIVO_INTERFACE_ID, and using an interface without one does not compile.
template <class T>
struct InterfaceId;

#define RIVO_INTERFACE_ID(Interface, iid)                   \
    template <>                                             \
    struct InterfaceId<Interface> {                         \
        static constexpr IID Get() noexcept { return iid; } \
    }

RIVO_INTERFACE_ID(IUnknown, IID_IUnknown);
RIVO_INTERFACE_ID(IClassFactory, IID_IClassFactory);

template <class T>
constexpr IID uuidof() noexcept
{
    return InterfaceId<T>::Get();
}
