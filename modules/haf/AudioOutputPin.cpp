#include "modules/haf/AudioOutputPin.h"

#include <algorithm>

#include "modules/haf/HalvaneAudioFilter.h"

namespace {

// A sample holds at most this much of the sound (what a buffer of the
// allocator has room for).
constexpr int kSampleMilliseconds = 250;
constexpr LONG kSampleBuffers = 8;

}  // namespace

CAudioOutputPin::CAudioOutputPin(CHalvaneAudioFilter* filter, const wchar_t* name, CBasePin* seekThrough)
    : CBaseOutputPin(filter, name), m_audio(filter), m_seeking(static_cast<IPin*>(this), seekThrough)
{
}

HRESULT CAudioOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(&m_seeking), object);
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CAudioOutputPin::CheckMediaType(const CMediaType* type)
{
    PcmFormat wanted, offered;
    if (!type || !m_audio->OutputFormat(&wanted)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!PcmFormatOfType(*type, &offered) || offered.sampleFormat != AV_SAMPLE_FMT_S16 || offered.rate != wanted.rate ||
        offered.channels != wanted.channels)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CAudioOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    PcmFormat format;
    if (position > 0 || !m_audio->OutputFormat(&format)) return VFW_S_NO_MORE_ITEMS;
    PcmTypeOfFormat(format, type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CAudioOutputPin::SetMediaType(const CMediaType* type)
{
    PcmFormat format;
    if (!type || !PcmFormatOfType(*type, &format)) return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = CBaseOutputPin::SetMediaType(type);
    if (SUCCEEDED(hr)) m_format = format;
    return hr;
}

HRESULT CAudioOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    const LONG bytes = static_cast<LONG>(
        std::max<int64_t>(1, static_cast<int64_t>(m_format.rate) * kSampleMilliseconds / 1000) * m_format.BlockBytes());
    ALLOCATOR_PROPERTIES want{std::max(props->cBuffers, kSampleBuffers), std::max(props->cbBuffer, bytes),
                              std::max<LONG>(props->cbAlign, 1), 0};
    ALLOCATOR_PROPERTIES got{};
    HRESULT hr = allocator->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer >= m_format.BlockBytes() ? S_OK : E_FAIL;
}

int CAudioOutputPin::TypeVersion() { return m_audio->OutputTypeVersion(); }
