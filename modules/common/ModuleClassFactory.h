// The class factory a filter module hands out for one of its classes: a
// counted object that keeps the module loaded while it lives, makes objects
// with the class's creator function, and counts LockServer calls.
#pragma once

#include "modules/common/ModuleLock.h"
#include "platform/com/UnknownImpl.h"

class ModuleClassFactory final : public CUnknown, public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

    // outer: always null (a factory is never aggregated).
    ModuleClassFactory(IUnknown* outer, Creator creator);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // The creator's answer; CLASS_E_NOAGGREGATION when an outer object asks
    // for anything but IUnknown.
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    // TRUE adds one to the module's count, FALSE takes one away (never
    // below what the live objects hold).
    HRESULT LockServer(BOOL lock) override;

private:
    ModuleLock m_lock;
    Creator m_creator;
};
