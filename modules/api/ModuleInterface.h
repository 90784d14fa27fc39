// How the interfaces between the program and the maker's filter modules are
// declared. The program calls these interfaces by the place of a method in
// the interface's method table (counted from 0 at QueryInterface), and the
// modules are built separately, so every place must be exactly where the
// program expects it, including the places it never calls.
//
// Each interface is written once, as a list of its methods after the three
// IUnknown ones, one entry per place:
//
//     #define RIVO_IEXAMPLE_METHODS(CALLED, UNCALLED)
//         CALLED(3, SetThing, (int value))
//         UNCALLED(4, GetThing, (int*))
//         CALLED(5, SetOther, (double value))
//     RIVO_MODULE_INTERFACE(IExample, IID_IExample, RIVO_IEXAMPLE_METHODS)
//
// (each line of the list ending with a backslash), where an entry is the
// place, the name and the parameter list. Parameters of UNCALLED entries
// have no names.
//
// CALLED entries are the methods the program calls; UNCALLED entries hold
// the places in between (a getter that evidently pairs the setter before it,
// else a ReservedN). Every method returns an HRESULT.
//
// From the list, RIVO_MODULE_INTERFACE makes:
//  - the interface itself, methods in list order;
//  - ModuleMethodTable<IExample>, the same table as a C structure of
//    function pointers (each taking the object first), with a compile-time
//    check that every method of the list sits at the place written beside it
//    (a missing, doubled or misplaced entry does not compile);
//  - UncalledPlaces<IExample>, a base for the modules' implementations that
//    answers E_NOTIMPL (with a gap line in the debug output, once per place)
//    at every UNCALLED place, so that a module implements
//    the CALLED methods only (and may still override a getter).
#pragma once

#include <cstddef>

#include "platform/com/Unknown.h"
#include "platform/win32/DebugOutput.h"
#include "platform/win32/WinTypes.h"

template <class Interface>
struct ModuleMethodTable;

template <class Interface>
struct UncalledPlaces;

// The pieces made from one list entry.
#define RIVO_MODULE_PURE_METHOD(place, name, params) virtual HRESULT name params = 0;
#define RIVO_MODULE_WITH_SELF(...) (void* self __VA_OPT__(, ) __VA_ARGS__)
#define RIVO_MODULE_TABLE_SLOT(place, name, params) HRESULT(*name) RIVO_MODULE_WITH_SELF params;
#define RIVO_MODULE_NOT_IMPLEMENTED(place, name, params) \
    HRESULT name params override { return RIVO_NOT_IMPLEMENTED(); }
#define RIVO_MODULE_SKIP(place, name, params)
#define RIVO_MODULE_CHECK_PLACE(place, name, params)                \
    static_assert(offsetof(Table, name) == (place) * sizeof(void*), \
                  #name " must stand at place " #place " of its interface");

#define RIVO_MODULE_INTERFACE(Interface, iid, METHODS)                                                        \
    struct Interface : IUnknown {                                                                             \
        METHODS(RIVO_MODULE_PURE_METHOD, RIVO_MODULE_PURE_METHOD)                                             \
    };                                                                                                        \
    RIVO_INTERFACE_ID(Interface, iid);                                                                        \
    template <>                                                                                               \
    struct ModuleMethodTable<Interface> {                                                                     \
        HRESULT (*QueryInterface)(void* self, REFIID riid, void** object);                                    \
        ULONG (*AddRef)(void* self);                                                                          \
        ULONG (*Release)(void* self);                                                                         \
        METHODS(RIVO_MODULE_TABLE_SLOT, RIVO_MODULE_TABLE_SLOT)                                               \
    };                                                                                                        \
    template <>                                                                                               \
    struct UncalledPlaces<Interface> : Interface {                                                            \
        METHODS(RIVO_MODULE_SKIP, RIVO_MODULE_NOT_IMPLEMENTED)                                                \
    };                                                                                                        \
    namespace module_places_##Interface                                                                       \
    {                                                                                                         \
        using Table = ModuleMethodTable<Interface>;                                                           \
        static_assert(offsetof(Table, QueryInterface) == 0 && offsetof(Table, Release) == 2 * sizeof(void*)); \
        METHODS(RIVO_MODULE_CHECK_PLACE, RIVO_MODULE_CHECK_PLACE)                                             \
    }
