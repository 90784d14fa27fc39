// The sink a Flash host advises at its player's event connection point: a
// counted dispatch object that answers IUnknown, IDispatch and the player's
// event interface, and hands FSCommand to the host's listener.
#pragma once

#include "platform/com/ObjectInterfaces.h"
#include "platform/com/UnknownImpl.h"

class CFlashWnd;

class CFlashEventWatcher : public CUnknown, public IDispatch {
public:
    explicit CFlashEventWatcher(CFlashWnd* host) : CUnknown(nullptr), m_pHost(host) {}
    RIVO_DECLARE_IUNKNOWN

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    RIVO_IDISPATCH_METHODS(RIVO_OVERRIDE_METHOD)

    // The host is gone: later events reach no one.
    void Detach() { m_pHost = nullptr; }

private:
    CFlashWnd* m_pHost;
};
