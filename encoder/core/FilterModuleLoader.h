// Objects from the maker's filter modules (HVF.ax, HAF.ax, HSF.ax,
// hwriter.dll beside the program), used without any registration: the module
// is loaded by its path and asked through its exported DllGetClassObject. A
// loaded module stays in a process-wide cache until FreeFilterModules, so
// later objects reuse it; two spellings of a path that differ only in case
// share one entry.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/win32/WinTypes.h"

// E_POINTER for a null out pointer; E_FAIL when the module does not load or
// has no DllGetClassObject; otherwise the result of making the object (asked
// for directly, else through the module's class factory). On success the out
// pointer holds a reference for the caller. A module loaded by a failing call
// is unloaded again, so a later call tries afresh.
HRESULT CreateObjectFromModule(const wchar_t* modulePath, REFCLSID clsid, REFIID riid, void** object);
// A filter (IBaseFilter) from the module file of that name in the program
// folder; when the module gives none and the runtime fallback is allowed,
// the component runtime's object of the same class. Null when neither gives
// one.
ComPtr<IBaseFilter> CreateFilterFromModule(const wchar_t* moduleFile, REFCLSID clsid, bool runtimeFallback);
// Unloads every cached module in load order and empties the cache; objects
// made from them must have been released.
void FreeFilterModules();

// 1 when the text is a stream id of the maker's streaming addresses: only the
// characters '0' to 'z', and the leading four characters, read as a
// hexadecimal number, equal to the text's length. The empty text is none.
int IsStreamIdText(const wchar_t* text);
// 1 when the text is an address with the scheme "rivos" (any letter case).
int IsStreamSchemeUrl(const wchar_t* text);
