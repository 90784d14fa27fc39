#include "WmFormatHelpers.h"

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/wmf/WmProfileManager.h"

HRESULT CreateWMProfileManager(IWMCodecInfo3** info)
{
    if (!info) return E_POINTER;
    if (*info) {
        (*info)->AddRef();
        return S_OK;
    }
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = WMCreateProfileManager(manager.GetAddressOf());
    if (FAILED(hr)) return hr;
    return manager->QueryInterface(IID_IWMCodecInfo3, reinterpret_cast<void**>(info));
}

HRESULT SetCodecVBRSettings(IWMCodecInfo3* info, REFGUID majorType, DWORD codec, BOOL vbr, DWORD passes)
{
    if (!info) return E_INVALIDARG;
    HRESULT hr = info->SetCodecEnumerationSetting(majorType, codec, g_wszVBREnabled, WMT_TYPE_BOOL,
                                                  reinterpret_cast<const BYTE*>(&vbr), sizeof vbr);
    if (hr == NS_E_UNSUPPORTED_PROPERTY && !vbr) return S_OK;
    if (FAILED(hr) || !vbr) return hr;
    return info->SetCodecEnumerationSetting(majorType, codec, g_wszNumPasses, WMT_TYPE_DWORD,
                                            reinterpret_cast<const BYTE*>(&passes), sizeof passes);
}

HRESULT GetCodecFormatMediaType(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, IWMStreamConfig** config, REFGUID majorType,
                                DWORD codec, DWORD format)
{
    if (config) *config = nullptr;
    if (!type) return E_POINTER;
    *type = nullptr;

    ComPtr<IWMCodecInfo3> own;
    if (!info) {
        HRESULT hr = CreateWMProfileManager(own.GetAddressOf());
        if (FAILED(hr)) return hr;
        info = own.Get();
    }
    ComPtr<IWMStreamConfig> formatConfig;
    HRESULT hr = info->GetCodecFormat(majorType, codec, format, formatConfig.GetAddressOf());
    if (FAILED(hr)) return hr;
    ComPtr<IWMMediaProps> props;
    hr = formatConfig.As(&props);
    if (FAILED(hr)) return hr;
    DWORD bytes = 0;
    hr = props->GetMediaType(nullptr, &bytes);
    if (FAILED(hr)) return hr;
    if (bytes < sizeof(WM_MEDIA_TYPE)) return E_UNEXPECTED;
    auto* block = static_cast<WM_MEDIA_TYPE*>(CoTaskMemAlloc(bytes));
    if (!block) return E_OUTOFMEMORY;
    hr = props->GetMediaType(block, &bytes);
    if (FAILED(hr)) {
        CoTaskMemFree(block);
        return hr;
    }
    *type = block;
    if (config) *config = formatConfig.Detach();
    return S_OK;
}

HRESULT GetCodecFormatWithVBR(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, IWMStreamConfig** config, REFGUID majorType,
                              DWORD codec, DWORD format, BOOL vbr, DWORD passes)
{
    if (config) *config = nullptr;
    if (type) *type = nullptr;
    HRESULT hr = SetCodecVBRSettings(info, majorType, codec, vbr, passes);
    if (FAILED(hr)) return hr;
    return GetCodecFormatMediaType(type, info, config, majorType, codec, format);
}
