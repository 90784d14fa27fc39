#include "WmStreamConfig.h"

#include <cstddef>
#include <cstring>

#include "platform/com/ComPtr.h"
#include "platform/win32/DebugOutput.h"
#include "platform/wmf/WmBufferProtocol.h"

static_assert(sizeof(WM_MEDIA_TYPE) == sizeof(AM_MEDIA_TYPE) &&
              offsetof(WM_MEDIA_TYPE, formattype) == offsetof(AM_MEDIA_TYPE, formattype) &&
              offsetof(WM_MEDIA_TYPE, pbFormat) == offsetof(AM_MEDIA_TYPE, pbFormat));

namespace {

// Names longer than a WORD count can report are refused.
HRESULT TakeName(const WCHAR* name, std::wstring& field)
{
    if (!name) return E_POINTER;
    std::wstring text = name;
    if (text.size() + 1 > 0xFFFF) return E_INVALIDARG;
    field = std::move(text);
    return S_OK;
}

// The size a value of a fixed-size attribute type must have; 0 for the
// types of any size (string, binary), -1 for an unknown type.
long FixedSize(WMT_ATTR_DATATYPE type)
{
    switch (type) {
    case WMT_TYPE_DWORD:
    case WMT_TYPE_BOOL: return 4;
    case WMT_TYPE_WORD: return 2;
    case WMT_TYPE_QWORD: return 8;
    case WMT_TYPE_GUID: return 16;
    case WMT_TYPE_STRING:
    case WMT_TYPE_BINARY: return 0;
    }
    return -1;
}

// Reads a WORD-counted text through its two calls.
template <class Call>
HRESULT ReadWordText(Call call, std::wstring& text)
{
    WORD chars = 0;
    HRESULT hr = call(nullptr, &chars);
    if (FAILED(hr)) return hr;
    std::vector<WCHAR> buf(static_cast<size_t>(chars) + 1, 0);
    hr = call(buf.data(), &chars);
    if (SUCCEEDED(hr)) text = buf.data();
    return hr;
}

}  // namespace

CWmStreamConfig::CWmStreamConfig(IUnknown* outer, const GUID& streamType)
    : CUnknown(outer), streamType_(streamType), mediaType_(streamType)
{
}

IWMStreamConfig* CWmStreamConfig::Create(const GUID& streamType, const AM_MEDIA_TYPE& type, DWORD bitrate)
{
    IWMStreamConfig* config = nullptr;
    if (FAILED(CreateComObject<CWmStreamConfig>(nullptr, IID_IWMStreamConfig, reinterpret_cast<void**>(&config),
                                                streamType)))
        return nullptr;
    auto* self = static_cast<CWmStreamConfig*>(config);
    if (!self->mediaType_.Set(type)) {
        config->Release();
        return nullptr;
    }
    self->bitrate_ = bitrate;
    return config;
}

IWMStreamConfig* CWmStreamConfig::CreateEmpty(const GUID& streamType)
{
    IWMStreamConfig* config = nullptr;
    if (FAILED(CreateComObject<CWmStreamConfig>(nullptr, IID_IWMStreamConfig, reinterpret_cast<void**>(&config),
                                                streamType)))
        return nullptr;
    return config;
}

HRESULT CWmStreamConfig::Copy(IWMStreamConfig* from, IWMStreamConfig** copy)
{
    if (!copy) return E_POINTER;
    *copy = nullptr;
    if (!from) return E_POINTER;
    GUID streamType{};
    HRESULT hr = from->GetStreamType(&streamType);
    if (FAILED(hr)) return hr;
    ComPtr<IWMStreamConfig> config;
    config.Attach(CreateEmpty(streamType));
    if (!config) return E_OUTOFMEMORY;
    auto* self = static_cast<CWmStreamConfig*>(config.Get());

    WORD number = 0;
    if (FAILED(hr = from->GetStreamNumber(&number))) return hr;
    self->streamNumber_ = number;
    if (FAILED(hr = ReadWordText([&](WCHAR* b, WORD* n) { return from->GetStreamName(b, n); }, self->streamName_)))
        return hr;
    if (FAILED(
            hr = ReadWordText([&](WCHAR* b, WORD* n) { return from->GetConnectionName(b, n); }, self->connectionName_)))
        return hr;
    if (FAILED(hr = from->GetBitrate(&self->bitrate_))) return hr;
    if (FAILED(hr = from->GetBufferWindow(&self->bufferWindow_))) return hr;

    ComPtr<IWMMediaProps> props;
    if (SUCCEEDED(from->QueryInterface(IID_IWMMediaProps, reinterpret_cast<void**>(props.GetAddressOf())))) {
        DWORD bytes = 0;
        if (FAILED(hr = props->GetMediaType(nullptr, &bytes))) return hr;
        if (bytes < sizeof(WM_MEDIA_TYPE)) return E_UNEXPECTED;
        std::vector<BYTE> block(bytes);
        auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
        if (FAILED(hr = props->GetMediaType(type, &bytes))) return hr;
        if (FAILED(hr = self->SetMediaType(type))) return hr;
    }
    ComPtr<IWMVideoMediaProps> video;
    if (SUCCEEDED(from->QueryInterface(IID_IWMVideoMediaProps, reinterpret_cast<void**>(video.GetAddressOf())))) {
        if (FAILED(hr = video->GetMaxKeyFrameSpacing(&self->maxKeyFrameSpacing_))) return hr;
        if (FAILED(hr = video->GetQuality(&self->quality_))) return hr;
    }
    ComPtr<IWMStreamConfig2> config2;
    if (SUCCEEDED(from->QueryInterface(IID_IWMStreamConfig2, reinterpret_cast<void**>(config2.GetAddressOf()))) &&
        FAILED(hr = config2->GetTransportType(&self->transportType_)))
        return hr;
    ComPtr<IWMStreamConfig3> config3;
    if (SUCCEEDED(from->QueryInterface(IID_IWMStreamConfig3, reinterpret_cast<void**>(config3.GetAddressOf()))) &&
        FAILED(hr = ReadWordText([&](WCHAR* b, WORD* n) { return config3->GetLanguage(b, n); }, self->language_)))
        return hr;
    ComPtr<IWMPropertyVault> vault;
    if (SUCCEEDED(from->QueryInterface(IID_IWMPropertyVault, reinterpret_cast<void**>(vault.GetAddressOf()))) &&
        FAILED(hr = self->CopyPropertiesFrom(vault.Get())))
        return hr;
    *copy = config.Detach();
    return S_OK;
}

HRESULT CWmStreamConfig::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IWMStreamConfig || riid == IID_IWMStreamConfig2 || riid == IID_IWMStreamConfig3)
        return GetInterface(static_cast<IWMStreamConfig3*>(this), object);
    if (riid == IID_IWMPropertyVault) return GetInterface(static_cast<IWMPropertyVault*>(this), object);
    if (riid == IID_IWMMediaProps)
        return GetInterface(static_cast<IWMMediaProps*>(static_cast<IWMVideoMediaProps*>(this)), object);
    if (riid == IID_IWMVideoMediaProps && streamType_ == MEDIATYPE_Video)
        return GetInterface(static_cast<IWMVideoMediaProps*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CWmStreamConfig::GetStreamType(GUID* type)
{
    if (!type) return E_POINTER;
    *type = streamType_;
    return S_OK;
}

HRESULT CWmStreamConfig::GetStreamNumber(WORD* number)
{
    if (!number) return E_POINTER;
    *number = streamNumber_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetStreamNumber(WORD number)
{
    // Stream numbers of an ASF file run from 1 to 63.
    if (number < 1 || number > 63) return E_INVALIDARG;
    streamNumber_ = number;
    return S_OK;
}

HRESULT CWmStreamConfig::GetStreamName(WCHAR* name, WORD* chars) { return CopyOutText(streamName_, name, chars); }
HRESULT CWmStreamConfig::SetStreamName(WCHAR* name) { return TakeName(name, streamName_); }

HRESULT CWmStreamConfig::GetConnectionName(WCHAR* name, WORD* chars)
{
    return CopyOutText(connectionName_, name, chars);
}
HRESULT CWmStreamConfig::SetConnectionName(WCHAR* name) { return TakeName(name, connectionName_); }

HRESULT CWmStreamConfig::GetBitrate(DWORD* bitsPerSecond)
{
    if (!bitsPerSecond) return E_POINTER;
    *bitsPerSecond = bitrate_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetBitrate(DWORD bitsPerSecond)
{
    bitrate_ = bitsPerSecond;
    return S_OK;
}

HRESULT CWmStreamConfig::GetBufferWindow(DWORD* milliseconds)
{
    if (!milliseconds) return E_POINTER;
    *milliseconds = bufferWindow_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetBufferWindow(DWORD milliseconds)
{
    bufferWindow_ = milliseconds;
    return S_OK;
}

HRESULT CWmStreamConfig::GetType(GUID* type) { return GetStreamType(type); }

HRESULT CWmStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes)
{
    if (!bytes) return E_POINTER;
    const uint64_t needed = sizeof(WM_MEDIA_TYPE) + static_cast<uint64_t>(mediaType_.cbFormat);
    if (needed > 0xFFFFFFFFu) return E_UNEXPECTED;
    if (!type) {
        *bytes = static_cast<DWORD>(needed);
        return S_OK;
    }
    if (*bytes < needed) {
        *bytes = static_cast<DWORD>(needed);
        return ASF_E_BUFFERTOOSMALL;
    }
    // The record, then its format block in the same buffer.
    BYTE* formatCopy = reinterpret_cast<BYTE*>(type) + sizeof(WM_MEDIA_TYPE);
    WM_MEDIA_TYPE head{};
    head.majortype = mediaType_.majortype;
    head.subtype = mediaType_.subtype;
    head.bFixedSizeSamples = mediaType_.bFixedSizeSamples;
    head.bTemporalCompression = mediaType_.bTemporalCompression;
    head.lSampleSize = mediaType_.lSampleSize;
    head.formattype = mediaType_.formattype;
    head.pUnk = nullptr;
    head.cbFormat = mediaType_.cbFormat;
    head.pbFormat = mediaType_.cbFormat ? formatCopy : nullptr;
    std::memcpy(type, &head, sizeof head);
    if (mediaType_.cbFormat) std::memcpy(formatCopy, mediaType_.pbFormat, mediaType_.cbFormat);
    *bytes = static_cast<DWORD>(needed);
    return S_OK;
}

HRESULT CWmStreamConfig::SetMediaType(WM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    if (type->majortype != streamType_) return E_INVALIDARG;
    if (type->cbFormat && !type->pbFormat) return E_INVALIDARG;
    AM_MEDIA_TYPE copy{};
    copy.majortype = type->majortype;
    copy.subtype = type->subtype;
    copy.bFixedSizeSamples = type->bFixedSizeSamples;
    copy.bTemporalCompression = type->bTemporalCompression;
    copy.lSampleSize = type->lSampleSize;
    copy.formattype = type->formattype;
    copy.pUnk = type->pUnk;
    copy.cbFormat = type->cbFormat;
    copy.pbFormat = type->pbFormat;
    return mediaType_.Set(copy) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CWmStreamConfig::GetMaxKeyFrameSpacing(LONGLONG* time)
{
    if (!time) return E_POINTER;
    *time = maxKeyFrameSpacing_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetMaxKeyFrameSpacing(LONGLONG time)
{
    if (time < 0) return E_INVALIDARG;
    maxKeyFrameSpacing_ = time;
    return S_OK;
}

HRESULT CWmStreamConfig::GetQuality(DWORD* quality)
{
    if (!quality) return E_POINTER;
    *quality = quality_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetQuality(DWORD quality)
{
    if (quality > 100) return E_INVALIDARG;
    quality_ = quality;
    return S_OK;
}

HRESULT CWmStreamConfig::GetTransportType(WMT_TRANSPORT_TYPE* type)
{
    if (!type) return E_POINTER;
    *type = transportType_;
    return S_OK;
}

HRESULT CWmStreamConfig::SetTransportType(WMT_TRANSPORT_TYPE type)
{
    if (type != WMT_Transport_Type_Unreliable && type != WMT_Transport_Type_Reliable) return E_INVALIDARG;
    transportType_ = type;
    return S_OK;
}

HRESULT CWmStreamConfig::AddDataUnitExtension(GUID, WORD, BYTE*, DWORD) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CWmStreamConfig::GetDataUnitExtensionCount(WORD* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CWmStreamConfig::GetDataUnitExtension(WORD, GUID*, WORD*, BYTE*, DWORD*) { return E_INVALIDARG; }
HRESULT CWmStreamConfig::RemoveAllDataUnitExtensions() { return S_OK; }

HRESULT CWmStreamConfig::GetLanguage(WCHAR* language, WORD* chars) { return CopyOutText(language_, language, chars); }
HRESULT CWmStreamConfig::SetLanguage(LPWSTR language) { return TakeName(language, language_); }

HRESULT CWmStreamConfig::GetPropertyCount(DWORD* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<DWORD>(properties_.size());
    return S_OK;
}

HRESULT CWmStreamConfig::GetPropertyByName(const WCHAR* name, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* bytes)
{
    if (!name || !type || !bytes) return E_POINTER;
    for (const SProperty& p : properties_) {
        if (p.name != name) continue;
        *type = p.type;
        return CopyOutBytes(p.value.data(), p.value.size(), value, bytes);
    }
    return NS_E_UNSUPPORTED_PROPERTY;
}

HRESULT CWmStreamConfig::SetProperty(const WCHAR* name, WMT_ATTR_DATATYPE type, BYTE* value, DWORD bytes)
{
    if (!name) return E_POINTER;
    if (!*name || (bytes && !value)) return E_INVALIDARG;
    const long fixed = FixedSize(type);
    if (fixed < 0 || (fixed > 0 && bytes != static_cast<DWORD>(fixed))) return E_INVALIDARG;
    std::vector<BYTE> copy(value, value + bytes);
    for (SProperty& p : properties_) {
        if (p.name != name) continue;
        p.type = type;
        p.value = std::move(copy);
        return S_OK;
    }
    properties_.push_back({name, type, std::move(copy)});
    return S_OK;
}

HRESULT CWmStreamConfig::GetPropertyByIndex(DWORD index, WCHAR* name, DWORD* nameChars, WMT_ATTR_DATATYPE* type,
                                            BYTE* value, DWORD* bytes)
{
    if (!nameChars || !type || !bytes) return E_POINTER;
    if (index >= properties_.size()) return E_INVALIDARG;
    const SProperty& p = properties_[index];
    HRESULT hr = CopyOutText(p.name, name, nameChars);
    if (FAILED(hr)) return hr;
    *type = p.type;
    return CopyOutBytes(p.value.data(), p.value.size(), value, bytes);
}

HRESULT CWmStreamConfig::CopyPropertiesFrom(IWMPropertyVault* other)
{
    if (!other) return E_POINTER;
    if (other == static_cast<IWMPropertyVault*>(this)) return S_OK;
    DWORD count = 0;
    HRESULT hr = other->GetPropertyCount(&count);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameChars = 0, bytes = 0;
        WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
        if (FAILED(hr = other->GetPropertyByIndex(i, nullptr, &nameChars, &type, nullptr, &bytes))) return hr;
        std::vector<WCHAR> name(static_cast<size_t>(nameChars) + 1, 0);
        std::vector<BYTE> value(bytes);
        if (FAILED(hr = other->GetPropertyByIndex(i, name.data(), &nameChars, &type, value.data(), &bytes))) return hr;
        if (FAILED(hr = SetProperty(name.data(), type, value.data(), bytes))) return hr;
    }
    return S_OK;
}

HRESULT CWmStreamConfig::Clear()
{
    properties_.clear();
    return S_OK;
}
