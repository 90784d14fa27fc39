#include "modules/hsf/HalvaneAviSource.h"

#include <sys/stat.h>

#include "modules/hsf/AviIndexCheck.h"
#include "platform/win32/NativePath.h"

CHalvaneAviSource::CHalvaneAviSource(IUnknown* outer)
    : CLavSource(outer, CLSID_HalvaneAviSource, kAviSourceName, {"avi"})
{
}

HRESULT CHalvaneAviSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAviSourceOption) return GetInterface(static_cast<IAviSourceOption*>(this), object);
    return CLavSource::NonDelegatingQueryInterface(riid, object);
}

HRESULT CHalvaneAviSource::SetOption(int option)
{
    if (option != 0 && option != 1) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (HasContainer()) return VFW_E_WRONG_STATE;
    m_option = option;
    return S_OK;
}

HRESULT CHalvaneAviSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    std::wstring name(fileName);
    if (m_option == 0 && name.find(L"://") == std::wstring::npos) {
        std::string native = ToNativePath(name);
        struct stat st;
        if (::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && AviLacksWholeIndex(native))
            return VFW_E_INVALID_FILE_FORMAT;
    }
    return CLavSource::Load(fileName, type);
}
