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
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) override;

    // The host is gone: later events reach no one.
    void Detach() { m_pHost = nullptr; }

private:
    CFlashWnd* m_pHost;
};
