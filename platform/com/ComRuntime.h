// The component runtime: initialisation, the process-wide class table behind
// CoCreateInstance, and the task memory allocator.
//
// Classes come from three places, searched in this order:
//  - class factories that our own code registers in the process
//    (CoRegisterClassFactory);
//  - modules that serve classes (CoRegisterClassModule): the module is loaded
//    on first use and its exported DllGetClassObject gives the factory. A
//    loaded module stays loaded until the last initialisation of the process
//    ends (or CoFreeUnusedLibraries finds its DllCanUnloadNow willing);
//  - the classes the system serves to every program (SystemClasses.h).
// When the last initialisation ends, the runtime releases every registered
// factory and unloads every module it loaded; it holds nothing afterwards.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win32/WinTypes.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

constexpr HRESULT RPC_E_CHANGED_MODE = MakeHResult(0x80010106u);
constexpr HRESULT CO_E_OBJNOTREG = MakeHResult(0x800401FBu);
constexpr HRESULT CO_E_OBJISREG = MakeHResult(0x800401FCu);

// The entry points of a module that serves classes.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID clsid, REFIID riid, LPVOID* object);
using LPFNCANUNLOADNOW = HRESULT (*)();

// Counted per thread: S_OK for a thread's first initialisation, S_FALSE for
// each further one (each needs its CoUninitialize); RPC_E_CHANGED_MODE (not
// counted) when the thread was initialised with the other threading model.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

// The class object (usually its IClassFactory) of a class. Only in-process
// classes exist here. Errors: CO_E_NOTINITIALIZED (no initialisation in the
// process), REGDB_E_CLASSNOTREG (unknown class, or no in-process context
// asked for), CO_E_DLLNOTFOUND (the class's module does not load),
// CO_E_ERRORINDLL (it has no DllGetClassObject), or the factory's own answer.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID serverInfo, REFIID riid, LPVOID* object);
// A new object through the class's factory; the errors of CoGetClassObject,
// or the factory's answer to CreateInstance.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* object);
// Unloads the loaded modules whose DllCanUnloadNow answers S_OK. Modules
// without that export stay until the last initialisation ends.
void CoFreeUnusedLibraries();

// Registers a class factory of our own for a class (adding a reference)
// until it is revoked or the last initialisation ends. CO_E_NOTINITIALIZED
// outside an initialisation, CO_E_OBJISREG when the class already has one.
HRESULT CoRegisterClassFactory(REFCLSID clsid, IClassFactory* factory);
// Removes and releases it; CO_E_OBJNOTREG when there is none.
HRESULT CoRevokeClassFactory(REFCLSID clsid);
// Module loading in the runtime's name: LoadLibraryW and FreeLibrary. The
// auto-free flag is accepted; modules are freed by their callers.
HMODULE CoLoadLibrary(LPCWSTR libName, BOOL autoFree);
void CoFreeLibrary(HMODULE module);

// Names the module that serves a class: a file name looked up as
// LoadLibraryW does (beside the program first) or a path. A later
// registration of the class replaces the name; a null or empty name removes
// it. The table of names is kept for the whole process.
HRESULT CoRegisterClassModule(REFCLSID clsid, LPCWSTR modulePath);

// Task memory: blocks that pass between components, freed by whichever side
// receives them. CoTaskMemRealloc with size 0 frees the block and gives null.
LPVOID CoTaskMemAlloc(SIZE_T size);
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
void CoTaskMemFree(LPVOID block);
