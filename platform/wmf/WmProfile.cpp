#include "WmProfile.h"

#include <cstring>

#include "platform/win32/DebugOutput.h"
#include "platform/wmf/WmBufferProtocol.h"
#include "platform/wmf/WmStreamConfig.h"

namespace {

HRESULT HandOutCopy(IWMStreamConfig* own, IWMStreamConfig** config)
{
    if (!config) return E_POINTER;
    *config = nullptr;
    return CWmStreamConfig::Copy(own, config);
}

}  // namespace

CWmProfile::CWmProfile(IUnknown* outer, WMT_VERSION version) : CUnknown(outer), version_(version) {}

HRESULT CWmProfile::Create(WMT_VERSION version, IWMProfile** profile)
{
    if (!profile) return E_POINTER;
    *profile = nullptr;
    switch (version) {
    case WMT_VER_4_0:
    case WMT_VER_7_0:
    case WMT_VER_8_0:
    case WMT_VER_9_0: break;
    default: return E_INVALIDARG;
    }
    return CreateComObject<CWmProfile>(nullptr, IID_IWMProfile, reinterpret_cast<void**>(profile), version);
}

HRESULT CWmProfile::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IWMProfile) return GetInterface(static_cast<IWMProfile*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CWmProfile::GetVersion(WMT_VERSION* version)
{
    if (!version) return E_POINTER;
    *version = version_;
    return S_OK;
}

HRESULT CWmProfile::GetName(WCHAR* name, DWORD* chars) { return CopyOutText(name_, name, chars); }

HRESULT CWmProfile::SetName(const WCHAR* name)
{
    if (!name) return E_POINTER;
    name_ = name;
    return S_OK;
}

HRESULT CWmProfile::GetDescription(WCHAR* description, DWORD* chars)
{
    return CopyOutText(description_, description, chars);
}

HRESULT CWmProfile::SetDescription(const WCHAR* description)
{
    if (!description) return E_POINTER;
    description_ = description;
    return S_OK;
}

HRESULT CWmProfile::GetStreamCount(DWORD* streams)
{
    if (!streams) return E_POINTER;
    *streams = static_cast<DWORD>(streams_.size());
    return S_OK;
}

HRESULT CWmProfile::GetStream(DWORD index, IWMStreamConfig** config)
{
    if (config) *config = nullptr;
    if (index >= streams_.size()) return E_INVALIDARG;
    return HandOutCopy(streams_[index].config.Get(), config);
}

HRESULT CWmProfile::GetStreamByNumber(WORD number, IWMStreamConfig** config)
{
    if (config) *config = nullptr;
    int at = FindStream(number);
    if (at < 0) return E_INVALIDARG;
    return HandOutCopy(streams_[static_cast<size_t>(at)].config.Get(), config);
}

HRESULT CWmProfile::RemoveStream(IWMStreamConfig* config)
{
    if (!config) return E_POINTER;
    WORD number = 0;
    HRESULT hr = config->GetStreamNumber(&number);
    if (FAILED(hr)) return hr;
    return RemoveStreamByNumber(number);
}

HRESULT CWmProfile::RemoveStreamByNumber(WORD number)
{
    int at = FindStream(number);
    if (at < 0) return E_INVALIDARG;
    streams_.erase(streams_.begin() + at);
    return S_OK;
}

HRESULT CWmProfile::AddStream(IWMStreamConfig* config)
{
    ComPtr<IWMStreamConfig> copy;
    WORD number = 0;
    HRESULT hr = CopyForProfile(config, &copy, &number);
    if (FAILED(hr)) return hr;
    if (FindStream(number) >= 0) return E_INVALIDARG;
    streams_.push_back({number, std::move(copy)});
    return S_OK;
}

HRESULT CWmProfile::ReconfigStream(IWMStreamConfig* config)
{
    ComPtr<IWMStreamConfig> copy;
    WORD number = 0;
    HRESULT hr = CopyForProfile(config, &copy, &number);
    if (FAILED(hr)) return hr;
    int at = FindStream(number);
    if (at < 0) return E_INVALIDARG;
    streams_[static_cast<size_t>(at)].config = std::move(copy);
    return S_OK;
}

HRESULT CWmProfile::CreateNewStream(REFGUID streamType, IWMStreamConfig** config)
{
    if (!config) return E_POINTER;
    *config = nullptr;
    if (streamType != MEDIATYPE_Audio && streamType != MEDIATYPE_Video) return E_INVALIDARG;
    *config = CWmStreamConfig::CreateEmpty(streamType);
    return *config ? S_OK : E_OUTOFMEMORY;
}

HRESULT CWmProfile::GetMutualExclusionCount(DWORD* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CWmProfile::GetMutualExclusion(DWORD, IWMMutualExclusion** exclusion)
{
    if (exclusion) *exclusion = nullptr;
    return E_INVALIDARG;
}

HRESULT CWmProfile::RemoveMutualExclusion(IWMMutualExclusion*) { return E_INVALIDARG; }
HRESULT CWmProfile::AddMutualExclusion(IWMMutualExclusion*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CWmProfile::CreateNewMutualExclusion(IWMMutualExclusion** exclusion)
{
    if (exclusion) *exclusion = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CWmProfile::CopyForProfile(IWMStreamConfig* config, ComPtr<IWMStreamConfig>* copy, WORD* number) const
{
    if (!config) return E_POINTER;
    GUID type{};
    HRESULT hr = config->GetStreamType(&type);
    if (FAILED(hr)) return hr;
    if (type != MEDIATYPE_Audio && type != MEDIATYPE_Video) return E_INVALIDARG;
    if (FAILED(hr = config->GetStreamNumber(number))) return hr;
    if (*number < 1 || *number > 63) return E_INVALIDARG;
    if (FAILED(hr = CWmStreamConfig::Copy(config, copy->GetAddressOf()))) return hr;
    // A stream without a codec cannot be written.
    ComPtr<IWMMediaProps> props;
    if (FAILED(hr = copy->As(&props))) return hr;
    DWORD bytes = 0;
    if (FAILED(hr = props->GetMediaType(nullptr, &bytes))) return hr;
    std::vector<BYTE> block(bytes);
    if (bytes < sizeof(WM_MEDIA_TYPE)) return E_UNEXPECTED;
    auto* mt = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
    if (FAILED(hr = props->GetMediaType(mt, &bytes))) return hr;
    if (mt->subtype == GUID_NULL) return E_INVALIDARG;
    return S_OK;
}

int CWmProfile::FindStream(WORD number) const
{
    for (size_t i = 0; i < streams_.size(); ++i)
        if (streams_[i].number == number) return static_cast<int>(i);
    return -1;
}
