#include "WmStreamBuilders.h"

#include <cstring>

#include "encoder/core/WmFormatHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/MultiLanguage.h"
#include "platform/dshow/MediaType.h"

namespace {

// Every class context but the remote one, as the multi-language service is
// asked for.
constexpr DWORD kLocalContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// A vault property of 4 bytes; a stream without a vault takes none.
HRESULT SetVaultDword(IWMPropertyVault* vault, const wchar_t* name, WMT_ATTR_DATATYPE type, DWORD value)
{
    return vault->SetProperty(name, type, reinterpret_cast<BYTE*>(&value), sizeof value);
}

struct TaskMemory {
    WM_MEDIA_TYPE* type = nullptr;
    ~TaskMemory() { CoTaskMemFree(type); }
};

}  // namespace

HRESULT CopyWmMediaType(WM_MEDIA_TYPE** copy, const WM_MEDIA_TYPE* source)
{
    if (!copy) return E_POINTER;
    *copy = nullptr;
    if (!source) return E_NOTIMPL;
    if (source->cbFormat && !source->pbFormat) return E_INVALIDARG;
    // The record as this build lays it out, then the format bytes.
    auto* block = static_cast<WM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(WM_MEDIA_TYPE) + source->cbFormat));
    if (!block) return E_OUTOFMEMORY;
    *block = *source;
    block->pUnk = nullptr;
    block->pbFormat = nullptr;
    if (source->cbFormat) {
        block->pbFormat = reinterpret_cast<BYTE*>(block) + sizeof(WM_MEDIA_TYPE);
        std::memcpy(block->pbFormat, source->pbFormat, source->cbFormat);
    }
    *copy = block;
    return S_OK;
}

HRESULT BuildVideoMediaType(WM_MEDIA_TYPE** type, IWMCodecInfo3* info, DWORD codec, DWORD framesPerSecond, LONG width,
                            LONG height, DWORD bitrate, BOOL vbr, DWORD passes)
{
    if (!type) return E_POINTER;
    *type = nullptr;
    if (framesPerSecond == 0 || width <= 0 || height <= 0) return E_INVALIDARG;
    TaskMemory fetched;
    HRESULT hr = GetCodecFormatWithVBR(&fetched.type, info, nullptr, MEDIATYPE_Video, codec, 0, vbr, passes);
    if (FAILED(hr)) return hr;
    WM_MEDIA_TYPE* mt = fetched.type;
    if (mt->formattype != FORMAT_VideoInfo || !mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER))
        return E_UNEXPECTED;
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt->pbFormat, sizeof vih);
    vih.rcSource.right = width;
    vih.rcSource.bottom = height;
    vih.rcTarget.right = width;
    vih.rcTarget.bottom = height;
    vih.dwBitRate = bitrate;
    vih.AvgTimePerFrame = 10000000LL / static_cast<LONGLONG>(framesPerSecond);
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    std::memcpy(mt->pbFormat, &vih, sizeof vih);
    return CopyWmMediaType(type, mt);
}

HRESULT BuildAudioStreamConfig(IWMStreamConfig** config, IWMCodecInfo3* info, IWMProfile* profile, DWORD bufferWindow,
                               DWORD codec, DWORD format, BOOL vbr, DWORD passes, LCID locale)
{
    if (!config) return E_POINTER;
    *config = nullptr;
    if (!profile) return E_INVALIDARG;
    ComPtr<IWMStreamConfig> stream;
    HRESULT hr = profile->CreateNewStream(MEDIATYPE_Audio, stream.GetAddressOf());
    if (FAILED(hr)) return hr;
    TaskMemory mt;
    ComPtr<IWMStreamConfig> formatConfig;
    hr =
        GetCodecFormatWithVBR(&mt.type, info, formatConfig.GetAddressOf(), MEDIATYPE_Audio, codec, format, vbr, passes);
    if (FAILED(hr)) return hr;
    DWORD bitrate = 0;
    if (FAILED(hr = formatConfig->GetBitrate(&bitrate))) return hr;
    if (FAILED(hr = stream->SetBitrate(bitrate))) return hr;
    if (FAILED(hr = stream->SetBufferWindow(bufferWindow))) return hr;
    ComPtr<IWMMediaProps> props;
    if (FAILED(hr = stream.As(&props))) return hr;
    if (FAILED(hr = props->SetMediaType(mt.type))) return hr;
    ComPtr<IWMPropertyVault> vault;
    if (SUCCEEDED(stream.As(&vault)) &&
        FAILED(hr = SetVaultDword(vault.Get(), g_wszVBREnabled, WMT_TYPE_BOOL, vbr ? TRUE : FALSE)))
        return hr;
    if (FAILED(hr = SetStreamLanguage(stream.Get(), locale))) return hr;
    *config = stream.Detach();
    return S_OK;
}

HRESULT BuildVideoStreamConfig(IWMStreamConfig** config, IWMCodecInfo3* info, IWMProfile* profile, DWORD codec,
                               DWORD bitrate, DWORD bufferWindow, LONG width, LONG height, DWORD framesPerSecond,
                               DWORD quality, DWORD keyFrameSeconds, BOOL vbr, DWORD mode, DWORD vbrQuality,
                               DWORD peakRate, DWORD peakBuffer, LCID locale)
{
    if (!config) return E_POINTER;
    *config = nullptr;
    if (!profile) return E_INVALIDARG;
    if (mode > 3) return E_FAIL;
    const DWORD passes = mode == 0 ? 0 : mode == 1 ? 1 : 2;

    ComPtr<IWMStreamConfig> stream;
    HRESULT hr = profile->CreateNewStream(MEDIATYPE_Video, stream.GetAddressOf());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = stream->SetBitrate(bitrate))) return hr;
    if (FAILED(hr = stream->SetBufferWindow(bufferWindow))) return hr;
    TaskMemory mt;
    hr = BuildVideoMediaType(&mt.type, info, codec, framesPerSecond, width, height, bitrate, vbr, passes);
    if (FAILED(hr)) return hr;
    ComPtr<IWMVideoMediaProps> props;
    if (FAILED(hr = stream.As(&props))) return hr;
    if (FAILED(hr = props->SetMediaType(mt.type))) return hr;
    if (FAILED(hr = props->SetQuality(quality))) return hr;
    if (FAILED(hr = props->SetMaxKeyFrameSpacing(static_cast<LONGLONG>(keyFrameSeconds) * 10000000LL))) return hr;

    ComPtr<IWMPropertyVault> vault;
    if (SUCCEEDED(stream.As(&vault))) {
        if (FAILED(hr = SetVaultDword(vault.Get(), g_wszVBREnabled, WMT_TYPE_BOOL, vbr ? TRUE : FALSE))) return hr;
        if (mode == 1) {
            hr = SetVaultDword(vault.Get(), g_wszVBRQuality, WMT_TYPE_DWORD, vbrQuality);
        } else if (mode == 2) {
            hr = SetVaultDword(vault.Get(), g_wszVBRBitrateMax, WMT_TYPE_DWORD, peakRate);
            if (SUCCEEDED(hr) && peakBuffer != 0)
                hr = SetVaultDword(vault.Get(), g_wszVBRBufferWindowMax, WMT_TYPE_DWORD, peakBuffer);
        }
        if (FAILED(hr)) return hr;
    }
    if (FAILED(hr = SetStreamLanguage(stream.Get(), locale))) return hr;
    *config = stream.Detach();
    return S_OK;
}

HRESULT SetStreamLanguage(IWMStreamConfig* config, LCID locale)
{
    if (!config) return E_POINTER;
    ComPtr<IMultiLanguage> ml;
    HRESULT hr = CoCreateInstance(CLSID_CMultiLanguage, nullptr, kLocalContexts, IID_IMultiLanguage,
                                  reinterpret_cast<void**>(ml.GetAddressOf()));
    if (FAILED(hr)) return hr;
    BSTR tag = nullptr;
    if (FAILED(hr = ml->GetRfc1766FromLcid(locale, &tag))) return hr;
    ComPtr<IWMStreamConfig3> config3;
    hr = config->QueryInterface(IID_IWMStreamConfig3, reinterpret_cast<void**>(config3.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = config3->SetLanguage(tag);
    SysFreeString(tag);
    return hr;
}
