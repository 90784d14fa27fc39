#include "modules/hvf/OutputPictureInfo.h"

#include <utility>

OutputPictureInfo::OutputPictureInfo(IUnknown* owner, std::function<bool(PictureFormat*)> picture)
    : m_owner(owner), m_picture(std::move(picture))
{
}

HRESULT OutputPictureInfo::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT OutputPictureInfo::Read(LONG* out, LONG (*value)(const PictureFormat&))
{
    if (!out) return E_POINTER;
    PictureFormat f;
    if (!m_picture(&f)) return VFW_E_NOT_CONNECTED;
    *out = value(f);
    return S_OK;
}

HRESULT OutputPictureInfo::get_AvgTimePerFrame(REFTIME* time)
{
    if (!time) return E_POINTER;
    PictureFormat f;
    if (!m_picture(&f)) return VFW_E_NOT_CONNECTED;
    *time = static_cast<double>(f.frameTime) / UNITS;
    return S_OK;
}

HRESULT OutputPictureInfo::get_BitRate(LONG* rate)
{
    return Read(rate, [](const PictureFormat& f) -> LONG {
        if (f.frameTime <= 0) return 0;
        long double bits = static_cast<long double>(f.ImageBytes()) * 8 * UNITS / f.frameTime;
        return bits > 2147483647.0L ? 2147483647 : static_cast<LONG>(bits);
    });
}

HRESULT OutputPictureInfo::get_BitErrorRate(LONG* rate)
{
    return Read(rate, [](const PictureFormat&) -> LONG { return 0; });
}

HRESULT OutputPictureInfo::get_VideoWidth(LONG* width)
{
    return Read(width, [](const PictureFormat& f) -> LONG { return f.width; });
}

HRESULT OutputPictureInfo::get_VideoHeight(LONG* height)
{
    return Read(height, [](const PictureFormat& f) -> LONG { return f.height; });
}

HRESULT OutputPictureInfo::get_SourceLeft(LONG* value)
{
    return Read(value, [](const PictureFormat&) -> LONG { return 0; });
}

HRESULT OutputPictureInfo::get_SourceWidth(LONG* value) { return get_VideoWidth(value); }

HRESULT OutputPictureInfo::get_SourceTop(LONG* value) { return get_SourceLeft(value); }

HRESULT OutputPictureInfo::get_SourceHeight(LONG* value) { return get_VideoHeight(value); }

HRESULT OutputPictureInfo::get_DestinationLeft(LONG* value) { return get_SourceLeft(value); }

HRESULT OutputPictureInfo::get_DestinationWidth(LONG* value) { return get_VideoWidth(value); }

HRESULT OutputPictureInfo::get_DestinationTop(LONG* value) { return get_SourceLeft(value); }

HRESULT OutputPictureInfo::get_DestinationHeight(LONG* value) { return get_VideoHeight(value); }

HRESULT OutputPictureInfo::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height) return E_POINTER;
    PictureFormat f;
    if (!m_picture(&f)) return VFW_E_NOT_CONNECTED;
    *left = 0;
    *top = 0;
    *width = f.width;
    *height = f.height;
    return S_OK;
}

HRESULT OutputPictureInfo::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    return GetSourcePosition(left, top, width, height);
}

HRESULT OutputPictureInfo::GetVideoSize(LONG* width, LONG* height)
{
    if (!width || !height) return E_POINTER;
    PictureFormat f;
    if (!m_picture(&f)) return VFW_E_NOT_CONNECTED;
    *width = f.width;
    *height = f.height;
    return S_OK;
}

HRESULT OutputPictureInfo::GetVideoPaletteEntries(LONG, LONG, LONG* retrieved, LONG*)
{
    if (retrieved) *retrieved = 0;
    return E_NOTIMPL;
}
