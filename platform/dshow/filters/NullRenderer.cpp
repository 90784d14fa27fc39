#include "platform/dshow/filters/NullRenderer.h"

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/UncompressedTypes.h"

CNullRenderer::CNullRenderer(IUnknown* outer) : CBaseRenderer(CLSID_NullRenderer, L"Null Renderer", outer) {}

HRESULT CNullRenderer::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CNullRenderer>(outer, riid, object);
}

HRESULT CNullRenderer::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    return IsUncompressedVideo(*type) || IsUncompressedAudio(*type) ? S_OK : S_FALSE;
}

HRESULT CNullRenderer::DoRenderSample(IMediaSample*) { return S_OK; }
