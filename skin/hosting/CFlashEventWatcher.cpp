#include "skin/hosting/CFlashEventWatcher.h"

#include "skin/hosting/CFlashWnd.h"
#include "skin/hosting/FlashListener.h"
#include "skin/hosting/ShockwaveFlash.h"

namespace {

// Argument i counted from the first (they arrive last first), as text.
CString TextArgument(const DISPPARAMS* params, UINT i)
{
    if (!params || !params->rgvarg || i >= params->cArgs) return CString();
    const VARIANT& v = params->rgvarg[params->cArgs - 1 - i];
    if (v.vt == VT_BSTR && v.bstrVal) return CString(v.bstrVal);
    return CString();
}

}  // namespace

HRESULT CFlashEventWatcher::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IDispatch || riid == DIID_DShockwaveFlashEvents)
        return GetInterface(static_cast<IDispatch*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CFlashEventWatcher::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return S_OK;
}

HRESULT CFlashEventWatcher::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return S_OK;
}

HRESULT CFlashEventWatcher::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CFlashEventWatcher::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    if (id != DISPID_FSCOMMAND || !m_pHost) return S_OK;
    if (FlashListener* listener = m_pHost->GetListener())
        listener->FSCommand(m_pHost, TextArgument(params, 0), TextArgument(params, 1));
    return S_OK;
}
