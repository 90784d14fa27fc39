#include "modules/hsf/HalvaneMp4Source.h"

CHalvaneMp4Source::CHalvaneMp4Source(IUnknown* outer)
    : CLavSource(outer, CLSID_HalvaneMp4Source, kMp4SourceName, {"mov"})
{
}

HRESULT CHalvaneMp4Source::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMp4SourceControl) return GetInterface(static_cast<IMp4SourceControl*>(this), object);
    return CLavSource::NonDelegatingQueryInterface(riid, object);
}

HRESULT CHalvaneMp4Source::NotifyRelease(int releasing)
{
    if (releasing != 1) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    Stop();
    CloseContainer();
    ForgetFile();
    return S_OK;
}
