#include "platform/dshow/filters/AudioRenderer.h"

#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/UncompressedTypes.h"

CAudioRenderer::CAudioRenderer(IUnknown* outer) : CBaseRenderer(CLSID_DSoundRender, L"Audio Renderer", outer, L"Audio Input")
{
    SetScheduleByClock(true);
}

HRESULT CAudioRenderer::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CAudioRenderer>(outer, riid, object);
}

HRESULT CAudioRenderer::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    return IsUncompressedAudio(*type) ? S_OK : S_FALSE;
}

HRESULT CAudioRenderer::DoRenderSample(IMediaSample*) { return S_OK; }
