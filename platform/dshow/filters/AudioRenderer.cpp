#include "platform/dshow/filters/AudioRenderer.h"

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/UncompressedTypes.h"
#include "platform/win32/MediaFormats.h"

namespace {

// How long the renderer waits for the sound server when streaming starts.
constexpr std::chrono::milliseconds kServerTimeout{1500};

bool SameFormat(const PulseAudioFormat& a, const PulseAudioFormat& b)
{
    return a.isFloat == b.isFloat && a.bitsPerSample == b.bitsPerSample && a.channels == b.channels && a.rate == b.rate;
}

}  // namespace

CAudioRenderer::CAudioRenderer(IUnknown* outer)
    : CBaseRenderer(CLSID_DSoundRender, L"Audio Renderer", outer, L"Audio Input")
{
    SetScheduleByClock(true);
}

CAudioRenderer::~CAudioRenderer() { output_.Close(); }

HRESULT CAudioRenderer::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CAudioRenderer>(outer, riid, object);
}

HRESULT CAudioRenderer::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    return IsUncompressedAudio(*type) ? S_OK : S_FALSE;
}

HRESULT CAudioRenderer::SetMediaType(const CMediaType* type)
{
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
    std::lock_guard<std::mutex> g(formatLock_);
    format_.isFloat = type->subtype == MEDIASUBTYPE_IEEE_FLOAT;
    format_.bitsPerSample = wave->wBitsPerSample;
    format_.channels = wave->nChannels;
    format_.rate = static_cast<int>(wave->nSamplesPerSec);
    formatKnown_ = true;
    return S_OK;
}

HRESULT CAudioRenderer::Pause()
{
    bool starting = IsStopped();
    HRESULT hr = CBaseRenderer::Pause();
    if (FAILED(hr)) return hr;
    if (starting) {
        // The stream is made when streaming starts: a server that is not
        // there leaves the renderer keeping time only.
        PulseAudioFormat format;
        bool known;
        {
            std::lock_guard<std::mutex> g(formatLock_);
            format = format_;
            known = formatKnown_ && InputPin()->IsConnected();
        }
        if (known && !(output_.IsOpen() && SameFormat(format, opened_))) {
            if (output_.Open(format, kServerTimeout)) opened_ = format;
        }
    }
    output_.Cork(true);
    return S_OK;
}

HRESULT CAudioRenderer::Run(REFERENCE_TIME start)
{
    HRESULT hr = CBaseRenderer::Run(start);
    if (SUCCEEDED(hr)) output_.Cork(false);
    return hr;
}

HRESULT CAudioRenderer::Stop()
{
    output_.Cork(true);
    HRESULT hr = CBaseRenderer::Stop();
    output_.Flush();
    return hr;
}

void CAudioRenderer::OnBeginFlush() { output_.Flush(); }

HRESULT CAudioRenderer::DoRenderSample(IMediaSample* sample)
{
    if (!output_.IsOpen()) return S_OK;
    BYTE* data = nullptr;
    LONG bytes = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || bytes <= 0) return S_OK;
    // A server that went away leaves the preview running without sound.
    output_.Write(data, static_cast<size_t>(bytes));
    return S_OK;
}
