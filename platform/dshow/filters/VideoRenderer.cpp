#include "platform/dshow/filters/VideoRenderer.h"

#include <algorithm>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/LavHeaders.h"
#include "platform/dshow/filters/UncompressedTypes.h"
#include "platform/dshow/filters/VideoWindowPresenter.h"
#include "platform/win32/DebugOutput.h"

namespace {

// The picture layout of an uncompressed video type, for conversion to the
// window's pixels.
struct Picture {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0, height = 0;  // the picture (rcSource)
    int stride = 0, rows = 0;   // the buffer, in pixels and rows
    bool bottomUp = false;
    bool swapChroma = false;  // YV12: V before U
};

bool PictureOf(const AM_MEDIA_TYPE& type, Picture* p)
{
    const BITMAPINFOHEADER* bih = nullptr;
    const RECT* source = nullptr;
    if (type.formattype == FORMAT_VideoInfo) {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        bih = &vih->bmiHeader;
        source = &vih->rcSource;
    } else {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
        bih = &vih->bmiHeader;
        source = &vih->rcSource;
    }
    if (bih->biWidth <= 0 || bih->biHeight == 0 || bih->biWidth > 32768 || std::abs(bih->biHeight) > 32768)
        return false;
    const struct {
        GUID subtype;
        AVPixelFormat format;
        bool rgb;
    } formats[] = {
        {MEDIASUBTYPE_I420, AV_PIX_FMT_YUV420P, false},   {MEDIASUBTYPE_IYUV, AV_PIX_FMT_YUV420P, false},
        {MEDIASUBTYPE_YV12, AV_PIX_FMT_YUV420P, false},   {MEDIASUBTYPE_NV12, AV_PIX_FMT_NV12, false},
        {MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, false},   {MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, true},
        {MEDIASUBTYPE_ARGB32, AV_PIX_FMT_BGRA, true},     {MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, true},
        {MEDIASUBTYPE_RGB565, AV_PIX_FMT_RGB565LE, true}, {MEDIASUBTYPE_RGB555, AV_PIX_FMT_RGB555LE, true},
    };
    for (const auto& f : formats) {
        if (f.subtype != type.subtype) continue;
        p->format = f.format;
        p->stride = bih->biWidth;
        p->rows = std::abs(bih->biHeight);
        p->bottomUp = f.rgb && bih->biHeight > 0;
        p->swapChroma = f.subtype == MEDIASUBTYPE_YV12;
        bool whole = source->right <= source->left || source->bottom <= source->top;
        p->width = whole ? p->stride : std::min<LONG>(source->right - source->left, p->stride);
        p->height = whole ? p->rows : std::min<LONG>(source->bottom - source->top, p->rows);
        return true;
    }
    return false;
}

}  // namespace

CVideoRenderer::CVideoRenderer(IUnknown* outer)
    : CBaseRenderer(CLSID_VideoRenderer, L"Video Renderer", outer, L"Input"),
      presenter_(std::make_unique<VideoWindowPresenter>())
{
    SetScheduleByClock(true);
}

CVideoRenderer::~CVideoRenderer() = default;

HRESULT CVideoRenderer::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CVideoRenderer>(outer, riid, object);
}

HRESULT CVideoRenderer::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IBasicVideo) return GetInterface(static_cast<IBasicVideo*>(this), object);
    if (riid == IID_IVideoWindow) return GetInterface(static_cast<IVideoWindow*>(this), object);
    return CBaseRenderer::NonDelegatingQueryInterface(riid, object);
}

HRESULT CVideoRenderer::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    Picture p;
    return IsUncompressedVideo(*type) && PictureOf(*type, &p) ? S_OK : S_FALSE;
}

HRESULT CVideoRenderer::SetMediaType(const CMediaType* type)
{
    std::lock_guard<std::mutex> g(stateLock_);
    type_ = *type;
    return S_OK;
}

bool CVideoRenderer::PictureSize(LONG* width, LONG* height)
{
    std::lock_guard<std::mutex> g(stateLock_);
    Picture p;
    if (!type_.IsValid() || !PictureOf(type_, &p)) return false;
    *width = p.width;
    *height = p.height;
    return true;
}

HRESULT CVideoRenderer::DoRenderSample(IMediaSample* sample)
{
    // Headless, or while hidden, the picture is only let go in time.
    if (!presenter_->IsShowing()) return S_OK;
    Picture p;
    {
        std::lock_guard<std::mutex> g(stateLock_);
        if (!PictureOf(type_, &p)) return S_OK;
    }
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
    uint8_t* planes[4] = {};
    int strides[4] = {};
    if (av_image_fill_arrays(planes, strides, data, p.format, p.stride, p.rows, 1) < 0) return S_OK;
    int need = av_image_get_buffer_size(p.format, p.stride, p.rows, 1);
    if (need < 0 || sample->GetActualDataLength() < need) return S_OK;
    if (p.bottomUp) {
        planes[0] += static_cast<ptrdiff_t>(p.rows - 1) * strides[0];
        strides[0] = -strides[0];
    }
    if (p.swapChroma) std::swap(planes[1], planes[2]);
    // The scaler may read past the sample's picture: one without room
    // after it is copied first.
    if (!SampleHoldsPaddedPicture(sample, need)) {
        if (!input_.Allocate(p.format, p.width, p.height)) return S_OK;
        uint8_t* copy[4] = {};
        int copyStrides[4] = {};
        std::copy_n(input_.Planes(), 4, copy);
        std::copy_n(input_.LineSizes(), 4, copyStrides);
        av_image_copy(copy, copyStrides, const_cast<const uint8_t**>(planes), strides, p.format, p.width, p.height);
        std::copy_n(copy, 4, planes);
        std::copy_n(copyStrides, 4, strides);
    }
    SwsContext* scaler = sws_getContext(p.width, p.height, p.format, p.width, p.height, AV_PIX_FMT_BGR0, SWS_POINT,
                                        nullptr, nullptr, nullptr);
    if (!scaler) return S_OK;
    // It writes past a row's end too: into a picture laid out for it.
    if (output_.Allocate(AV_PIX_FMT_BGR0, p.width, p.height))
        sws_scale(scaler, planes, strides, 0, p.height, output_.Planes(), output_.LineSizes());
    sws_freeContext(scaler);
    if (output_.Format() == AV_PIX_FMT_BGR0)
        presenter_->Present(output_.Planes()[0], p.width, p.height, output_.LineSizes()[0]);
    return S_OK;
}

HRESULT CVideoRenderer::Pause()
{
    HRESULT hr = CBaseRenderer::Pause();
    if (FAILED(hr)) return hr;
    bool show = false;
    {
        std::lock_guard<std::mutex> g(stateLock_);
        if (autoShow_ && owner_ && !visible_) {
            visible_ = -1;
            show = true;
        }
    }
    if (show) UpdateWindow();
    return hr;
}

void CVideoRenderer::UpdateWindow()
{
    HWND owner;
    bool visible;
    Rect r;
    {
        std::lock_guard<std::mutex> g(stateLock_);
        owner = reinterpret_cast<HWND>(owner_);
        visible = visible_ != 0;
        r = window_;
    }
    presenter_->Configure(owner, visible, r.left, r.top, r.width, r.height);
}

// ---- IDispatch ------------------------------------------------------------------------------

RIVO_IDISPATCH_NOT_OFFERED(CVideoRenderer)

// ---- IBasicVideo ----------------------------------------------------------------------------

HRESULT CVideoRenderer::get_AvgTimePerFrame(REFTIME* time)
{
    if (!time) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    if (!type_.IsValid()) return VFW_E_NOT_CONNECTED;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type_.pbFormat);
    *time = static_cast<double>(vih->AvgTimePerFrame) / UNITS;
    return S_OK;
}

HRESULT CVideoRenderer::get_BitRate(LONG* rate)
{
    if (!rate) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    if (!type_.IsValid()) return VFW_E_NOT_CONNECTED;
    *rate = static_cast<LONG>(reinterpret_cast<const VIDEOINFOHEADER*>(type_.pbFormat)->dwBitRate);
    return S_OK;
}

HRESULT CVideoRenderer::get_BitErrorRate(LONG* rate)
{
    if (!rate) return E_POINTER;
    *rate = 0;
    return S_OK;
}

HRESULT CVideoRenderer::GetVideoSize(LONG* width, LONG* height)
{
    if (!width || !height) return E_POINTER;
    return PictureSize(width, height) ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT CVideoRenderer::get_VideoWidth(LONG* width)
{
    LONG h = 0;
    return GetVideoSize(width, &h);
}

HRESULT CVideoRenderer::get_VideoHeight(LONG* height)
{
    LONG w = 0;
    return GetVideoSize(&w, height);
}

HRESULT CVideoRenderer::SetSourcePosition(LONG left, LONG top, LONG width, LONG height)
{
    if (left < 0 || top < 0 || width <= 0 || height <= 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(stateLock_);
    source_ = Rect{left, top, width, height};
    defaultSource_ = false;
    return S_OK;
}

HRESULT CVideoRenderer::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height) return E_POINTER;
    LONG w = 0, h = 0;
    bool connected = PictureSize(&w, &h);
    std::lock_guard<std::mutex> g(stateLock_);
    Rect r = defaultSource_ ? Rect{0, 0, w, h} : source_;
    if (defaultSource_ && !connected) return VFW_E_NOT_CONNECTED;
    *left = r.left, *top = r.top, *width = r.width, *height = r.height;
    return S_OK;
}

HRESULT CVideoRenderer::SetDefaultSourcePosition()
{
    std::lock_guard<std::mutex> g(stateLock_);
    defaultSource_ = true;
    return S_OK;
}

HRESULT CVideoRenderer::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height)
{
    if (width <= 0 || height <= 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(stateLock_);
    destination_ = Rect{left, top, width, height};
    defaultDestination_ = false;
    return S_OK;
}

HRESULT CVideoRenderer::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    Rect r = defaultDestination_ ? Rect{0, 0, window_.width, window_.height} : destination_;
    *left = r.left, *top = r.top, *width = r.width, *height = r.height;
    return S_OK;
}

HRESULT CVideoRenderer::SetDefaultDestinationPosition()
{
    std::lock_guard<std::mutex> g(stateLock_);
    defaultDestination_ = true;
    return S_OK;
}

HRESULT CVideoRenderer::GetVideoPaletteEntries(LONG, LONG, LONG* retrieved, LONG*)
{
    if (retrieved) *retrieved = 0;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CVideoRenderer::GetCurrentImage(LONG*, LONG*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CVideoRenderer::IsUsingDefaultSource()
{
    std::lock_guard<std::mutex> g(stateLock_);
    return defaultSource_ ? S_OK : S_FALSE;
}

HRESULT CVideoRenderer::IsUsingDefaultDestination()
{
    std::lock_guard<std::mutex> g(stateLock_);
    return defaultDestination_ ? S_OK : S_FALSE;
}

// ---- IVideoWindow ---------------------------------------------------------------------------

HRESULT CVideoRenderer::put_Caption(BSTR caption)
{
    std::lock_guard<std::mutex> g(stateLock_);
    caption_ = caption ? caption : L"";
    return S_OK;
}

HRESULT CVideoRenderer::get_Caption(BSTR* caption)
{
    if (!caption) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *caption = SysAllocString(caption_.c_str());
    return *caption ? S_OK : E_OUTOFMEMORY;
}

#define RIVO_WINDOW_PROPERTY(Name, member)          \
    HRESULT CVideoRenderer::put_##Name(LONG value)  \
    {                                               \
        std::lock_guard<std::mutex> g(stateLock_);  \
        member = value;                             \
        return S_OK;                                \
    }                                               \
    HRESULT CVideoRenderer::get_##Name(LONG* value) \
    {                                               \
        if (!value) return E_POINTER;               \
        std::lock_guard<std::mutex> g(stateLock_);  \
        *value = member;                            \
        return S_OK;                                \
    }

RIVO_WINDOW_PROPERTY(WindowStyle, style_)
RIVO_WINDOW_PROPERTY(WindowStyleEx, styleEx_)
RIVO_WINDOW_PROPERTY(AutoShow, autoShow_)
RIVO_WINDOW_PROPERTY(WindowState, windowState_)
RIVO_WINDOW_PROPERTY(BackgroundPalette, backgroundPalette_)
RIVO_WINDOW_PROPERTY(BorderColor, borderColor_)
#undef RIVO_WINDOW_PROPERTY

HRESULT CVideoRenderer::put_Visible(LONG visible)
{
    {
        std::lock_guard<std::mutex> g(stateLock_);
        visible_ = visible ? -1 : 0;
    }
    UpdateWindow();
    return S_OK;
}

HRESULT CVideoRenderer::get_Visible(LONG* visible)
{
    if (!visible) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *visible = visible_;
    return S_OK;
}

HRESULT CVideoRenderer::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    if (width < 0 || height < 0) return E_INVALIDARG;
    {
        std::lock_guard<std::mutex> g(stateLock_);
        window_ = Rect{left, top, width, height};
    }
    UpdateWindow();
    return S_OK;
}

HRESULT CVideoRenderer::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *left = window_.left, *top = window_.top, *width = window_.width, *height = window_.height;
    return S_OK;
}

// One edge or extent of the source, destination or window rectangle, read
// and changed through the whole rectangle. A rectangle that cannot be read
// (a source before the pin is connected) gives its error, and 0 for the value.
#define RIVO_RECTANGLE_FIELD(Name, Rectangle, slot)                        \
    HRESULT CVideoRenderer::put_##Name(LONG value)                         \
    {                                                                      \
        LONG r[4] = {};                                                    \
        HRESULT hr = Get##Rectangle##Position(&r[0], &r[1], &r[2], &r[3]); \
        if (FAILED(hr)) return hr;                                         \
        r[slot] = value;                                                   \
        return Set##Rectangle##Position(r[0], r[1], r[2], r[3]);           \
    }                                                                      \
    HRESULT CVideoRenderer::get_##Name(LONG* value)                        \
    {                                                                      \
        if (!value) return E_POINTER;                                      \
        LONG r[4] = {};                                                    \
        HRESULT hr = Get##Rectangle##Position(&r[0], &r[1], &r[2], &r[3]); \
        *value = r[slot];                                                  \
        return hr;                                                         \
    }

RIVO_RECTANGLE_FIELD(SourceLeft, Source, 0)
RIVO_RECTANGLE_FIELD(SourceTop, Source, 1)
RIVO_RECTANGLE_FIELD(SourceWidth, Source, 2)
RIVO_RECTANGLE_FIELD(SourceHeight, Source, 3)
RIVO_RECTANGLE_FIELD(DestinationLeft, Destination, 0)
RIVO_RECTANGLE_FIELD(DestinationTop, Destination, 1)
RIVO_RECTANGLE_FIELD(DestinationWidth, Destination, 2)
RIVO_RECTANGLE_FIELD(DestinationHeight, Destination, 3)
RIVO_RECTANGLE_FIELD(Left, Window, 0)
RIVO_RECTANGLE_FIELD(Top, Window, 1)
RIVO_RECTANGLE_FIELD(Width, Window, 2)
RIVO_RECTANGLE_FIELD(Height, Window, 3)
#undef RIVO_RECTANGLE_FIELD

HRESULT CVideoRenderer::put_Owner(OAHWND owner)
{
    {
        std::lock_guard<std::mutex> g(stateLock_);
        owner_ = owner;
    }
    UpdateWindow();
    return S_OK;
}

HRESULT CVideoRenderer::get_Owner(OAHWND* owner)
{
    if (!owner) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *owner = owner_;
    return S_OK;
}

HRESULT CVideoRenderer::put_MessageDrain(OAHWND drain)
{
    std::lock_guard<std::mutex> g(stateLock_);
    drain_ = drain;
    return S_OK;
}

HRESULT CVideoRenderer::get_MessageDrain(OAHWND* drain)
{
    if (!drain) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *drain = drain_;
    return S_OK;
}

HRESULT CVideoRenderer::get_FullScreenMode(LONG* mode)
{
    if (!mode) return E_POINTER;
    *mode = 0;
    return S_OK;
}

HRESULT CVideoRenderer::put_FullScreenMode(LONG mode) { return mode ? RIVO_NOT_IMPLEMENTED() : S_OK; }

HRESULT CVideoRenderer::SetWindowForeground(LONG) { return S_OK; }

HRESULT CVideoRenderer::NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) { return S_OK; }

HRESULT CVideoRenderer::GetMinIdealImageSize(LONG* width, LONG* height)
{
    if (!width || !height) return E_POINTER;
    return PictureSize(width, height) ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT CVideoRenderer::GetMaxIdealImageSize(LONG* width, LONG* height)
{
    if (!width || !height) return E_POINTER;
    return PictureSize(width, height) ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT CVideoRenderer::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    return GetWindowPosition(left, top, width, height);
}

HRESULT CVideoRenderer::HideCursor(LONG hide)
{
    std::lock_guard<std::mutex> g(stateLock_);
    cursorHidden_ = hide ? -1 : 0;
    return S_OK;
}

HRESULT CVideoRenderer::IsCursorHidden(LONG* hidden)
{
    if (!hidden) return E_POINTER;
    std::lock_guard<std::mutex> g(stateLock_);
    *hidden = cursorHidden_;
    return S_OK;
}
