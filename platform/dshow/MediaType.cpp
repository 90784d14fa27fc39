#include "platform/dshow/MediaType.h"

#include <cstring>
#include <utility>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"

void FreeMediaType(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk) type.pUnk->Release();
    type.pUnk = nullptr;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source)
{
    if (!dest || !source) return E_POINTER;
    if (dest == source) return S_OK;
    *dest = *source;
    if (source->cbFormat && source->pbFormat) {
        dest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!dest->pbFormat) {
            dest->cbFormat = 0;
            dest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(dest->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        dest->pbFormat = nullptr;
        dest->cbFormat = 0;
    }
    if (dest->pUnk) dest->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source)
{
    if (!source) return nullptr;
    auto* out = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!out) return nullptr;
    if (FAILED(CopyMediaType(out, source))) {
        CoTaskMemFree(out);
        return nullptr;
    }
    return out;
}

void DeleteMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

namespace {

bool SameFormatBytes(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
{
    if (a.cbFormat != b.cbFormat) return false;
    if (a.cbFormat == 0) return true;
    if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
    return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

}  // namespace

bool IsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
{
    return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
           SameFormatBytes(a, b);
}

bool IsPartialMediaType(const AM_MEDIA_TYPE& type)
{
    return type.majortype == GUID_NULL || type.subtype == GUID_NULL || type.formattype == GUID_NULL;
}

bool MediaTypeMatchesPartial(const AM_MEDIA_TYPE& full, const AM_MEDIA_TYPE& partial)
{
    if (partial.majortype != GUID_NULL && partial.majortype != full.majortype) return false;
    if (partial.subtype != GUID_NULL && partial.subtype != full.subtype) return false;
    if (partial.formattype != GUID_NULL) {
        if (partial.formattype != full.formattype) return false;
        if (partial.cbFormat && !SameFormatBytes(full, partial)) return false;
    }
    return true;
}

// ---- CMediaType ---------------------------------------------------------------------------

CMediaType::CMediaType() : AM_MEDIA_TYPE{} {}

CMediaType::CMediaType(const GUID& major) : AM_MEDIA_TYPE{} { majortype = major; }

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) : AM_MEDIA_TYPE{} { Set(other); }

CMediaType::CMediaType(const CMediaType& other) : AM_MEDIA_TYPE{} { Set(other); }

CMediaType::CMediaType(CMediaType&& other) noexcept : AM_MEDIA_TYPE(other)
{
    static_cast<AM_MEDIA_TYPE&>(other) = AM_MEDIA_TYPE{};
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other)
{
    Set(other);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other)
{
    Set(other);
    return *this;
}

CMediaType& CMediaType::operator=(CMediaType&& other) noexcept
{
    if (this != &other) {
        FreeMediaType(*this);
        static_cast<AM_MEDIA_TYPE&>(*this) = other;
        static_cast<AM_MEDIA_TYPE&>(other) = AM_MEDIA_TYPE{};
    }
    return *this;
}

bool CMediaType::Set(const AM_MEDIA_TYPE& other)
{
    if (&other == this) return true;
    AM_MEDIA_TYPE copy{};
    HRESULT hr = CopyMediaType(&copy, &other);
    FreeMediaType(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = copy;
    return SUCCEEDED(hr);
}

void CMediaType::Reset()
{
    FreeMediaType(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = AM_MEDIA_TYPE{};
}

void CMediaType::SetSampleSize(ULONG size)
{
    lSampleSize = size;
    bFixedSizeSamples = size > 0 ? TRUE : FALSE;
}

bool CMediaType::SetFormat(const void* bytes, ULONG count)
{
    BYTE* block = AllocFormatBuffer(count);
    if (!block && count) return false;
    if (count) std::memcpy(block, bytes, count);
    return true;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG count)
{
    if (pbFormat) CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
    if (count == 0) return nullptr;
    pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(count));
    if (!pbFormat) return nullptr;
    std::memset(pbFormat, 0, count);
    cbFormat = count;
    return pbFormat;
}

bool CMediaType::IsValid() const { return majortype != GUID_NULL && subtype != GUID_NULL; }

const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type)
{
    size_t offset = 0;
    if (type.formattype == FORMAT_VideoInfo || type.formattype == FORMAT_MPEGVideo)
        offset = offsetof(VIDEOINFOHEADER, bmiHeader);
    else if (type.formattype == FORMAT_VideoInfo2 || type.formattype == FORMAT_MPEG2Video)
        offset = offsetof(VIDEOINFOHEADER2, bmiHeader);
    else
        return nullptr;
    if (!type.pbFormat || type.cbFormat < offset + sizeof(BITMAPINFOHEADER)) return nullptr;
    return reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + offset);
}

REFERENCE_TIME FrameTimeOf(const AM_MEDIA_TYPE& type)
{
    if (!BitmapHeaderOf(type)) return 0;
    // AvgTimePerFrame sits at the same place in both headers.
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    return vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 0;
}

DWORD BitRateOf(const AM_MEDIA_TYPE& type)
{
    static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == offsetof(VIDEOINFOHEADER2, dwBitRate));
    if (!BitmapHeaderOf(type)) return 0;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->dwBitRate;
}

const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type)
{
    if (type.formattype != FORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < sizeof(WAVEFORMATEX))
        return nullptr;
    return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}
