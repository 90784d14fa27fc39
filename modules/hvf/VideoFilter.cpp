#include "modules/hvf/VideoFilter.h"

#include <cmath>
#include <limits>

#include "modules/hvf/LogoOverlay.h"
#include "modules/hvf/PictureCanvas.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/PictureMemory.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/DebugOutput.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/ThreadName.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace {

// Pictures that may wait for the treatment thread: enough to keep both
// sides busy, few enough to hold little memory.
constexpr size_t kQueuedPictures = 4;
// Output samples: one being filled, one on its way, some downstream.
constexpr LONG kOutputBuffers = 4;

std::string PathOf(const char16_t (&path)[260])
{
    size_t n = 0;
    while (n < 260 && path[n]) ++n;
    return ToNativePath(Utf16ToWide(std::u16string_view(path, n)));
}

bool IsRgb(const PictureFormat& f) { return f.pixelFormat == AV_PIX_FMT_BGRA || f.pixelFormat == AV_PIX_FMT_BGR0; }

// An input layout the output may keep: planar 4:2:0 in the usual plane
// order, the picture at the buffer's top-left.
bool KeepsLayoutOf(const PictureFormat& f)
{
    return f.pixelFormat == AV_PIX_FMT_YUV420P && !f.swapChroma && !f.bottomUp && f.left == 0 && f.top == 0;
}

// Where the picture's planes begin when they lie in the layout over a
// single buffer of the library, as a sample of that layout holds them;
// null otherwise.
BYTE* BytesInLayout(const AVFrame* picture, const PictureFormat& layout)
{
    if (IsRgb(layout) || picture->format != AV_PIX_FMT_YUV420P || !picture->buf[0] || picture->buf[1] ||
        picture->width != layout.width || picture->height != layout.height || layout.left || layout.top)
        return nullptr;
    BYTE* start = picture->data[0];
    const AVBufferRef* buffer = picture->buf[0];
    if (start < buffer->data ||
        static_cast<size_t>(start - buffer->data) + static_cast<size_t>(layout.ImageBytes()) > buffer->size)
        return nullptr;
    uint8_t* planes[4];
    int lineSizes[4];
    PicturePlanes(layout, start, planes, lineSizes);
    for (int i = 0; i < 3; ++i)
        if (planes[i] != picture->data[i] || lineSizes[i] != picture->linesize[i]) return nullptr;
    return start;
}

// Lets the sample carry the picture's bytes (size of them at data, inside
// the buffer), holding a reference on the buffer while it does. The
// payload is the whole buffer, so that the room the decoder left after the
// picture stays known downstream and the writers hand the bytes to the
// encoders as they are.
HRESULT AttachPicture(IMediaSample* sample, AVBufferRef* buffer, BYTE* data, LONG size)
{
    if (buffer->size > static_cast<size_t>(std::numeric_limits<LONG>::max())) return E_INVALIDARG;
    AVBufferRef* held = av_buffer_ref(buffer);
    if (!held) return E_OUTOFMEMORY;
    PayloadRef payload =
        CreateExternalPayload(held->data, static_cast<LONG>(held->size), [held]() mutable { av_buffer_unref(&held); });
    if (!payload) {
        av_buffer_unref(&held);
        return E_OUTOFMEMORY;
    }
    return PutPayload(sample, payload.Get(), data, size);
}

REFERENCE_TIME FrameTimeOfRate(double framesPerSecond)
{
    return static_cast<REFERENCE_TIME>(std::llround(static_cast<double>(UNITS) / framesPerSecond));
}

}  // namespace

CVideoFilter::CVideoFilter(IUnknown* outer)
    : CTransformFilter(kVideoFilterName, outer, CLSID_HalvaneVideoFilter),
      m_pictureInfo(GetOwner(), [this](PictureFormat* f) { return CurrentOutput(f); }),
      m_queue(kQueuedPictures)
{
}

CVideoFilter::~CVideoFilter() { StopTreatment(); }

HRESULT CVideoFilter::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CVideoFilter>(outer, riid, object);
}

HRESULT CVideoFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IVideoFilterControl) return GetInterface(static_cast<IVideoFilterControl*>(this), object);
    if (riid == IID_IBasicVideo) return GetInterface(static_cast<IBasicVideo*>(&m_pictureInfo), object);
    return CTransformFilter::NonDelegatingQueryInterface(riid, object);
}

// ---- IVideoFilterControl ------------------------------------------------------------------

HRESULT CVideoFilter::SetVideoAspectMode(int mode) { return m_settings.SetAspectMode(mode); }
HRESULT CVideoFilter::SetVideoAspectRatio(double ratio) { return m_settings.SetAspectRatio(ratio); }
HRESULT CVideoFilter::SetSubtitleEnabled(int enabled) { return m_settings.SetSubtitleEnabled(enabled); }
HRESULT CVideoFilter::SetSubtitlePosX(int percent) { return m_settings.SetSubtitlePosX(percent); }
HRESULT CVideoFilter::SetSubtitlePosY(int percent) { return m_settings.SetSubtitlePosY(percent); }
HRESULT CVideoFilter::SetSubtitleMarginX(int percent) { return m_settings.SetSubtitleMarginX(percent); }
HRESULT CVideoFilter::SetSubtitleMarginY(int percent) { return m_settings.SetSubtitleMarginY(percent); }
HRESULT CVideoFilter::SetSubtitleCharSpace(int percent) { return m_settings.SetSubtitleCharSpace(percent); }
HRESULT CVideoFilter::SetSubtitleLineSpace(int percent) { return m_settings.SetSubtitleLineSpace(percent); }
HRESULT CVideoFilter::SetSubtitleStyle(const SubtitleStyleRecord* style) { return m_settings.SetSubtitleStyle(style); }
HRESULT CVideoFilter::SetVideoFlip(int flip) { return m_settings.SetFlip(flip); }
HRESULT CVideoFilter::SetVideoDeblockMode(int mode, int flags) { return m_settings.SetDeblockMode(mode, flags); }
HRESULT CVideoFilter::SetVideoDeblockStrength(int strength) { return m_settings.SetDeblockStrength(strength); }
HRESULT CVideoFilter::SetVideoBlurEnabled(int enabled) { return m_settings.SetBlurEnabled(enabled); }
HRESULT CVideoFilter::SetVideoBlurStrength(int strength) { return m_settings.SetBlurStrength(strength); }
HRESULT CVideoFilter::SetVideoSharpenEnabled(int enabled) { return m_settings.SetSharpenEnabled(enabled); }
HRESULT CVideoFilter::SetVideoSharpenStrength(int strength) { return m_settings.SetSharpenStrength(strength); }
HRESULT CVideoFilter::SetVideoDeinterlace(int mode) { return m_settings.SetDeinterlace(mode); }
HRESULT CVideoFilter::SetVideoBrightness(int value) { return m_settings.SetBrightness(value); }
HRESULT CVideoFilter::SetVideoContrast(int value) { return m_settings.SetContrast(value); }
HRESULT CVideoFilter::SetVideoSaturation(int value) { return m_settings.SetSaturation(value); }
HRESULT CVideoFilter::SetVideoHue(int value) { return m_settings.SetHue(value); }
HRESULT CVideoFilter::SetVideoResizeA(int on) { return m_settings.SetResize(on); }
HRESULT CVideoFilter::SetVideoResizeB(int method) { return m_settings.SetScaleMethod(method); }
HRESULT CVideoFilter::SetVideoResizeC(int rounding) { return m_settings.SetRounding(rounding); }
HRESULT CVideoFilter::SetVideoSize(int width, int height) { return m_settings.SetSize(width, height); }
HRESULT CVideoFilter::SetVideoPresetA(int format) { return m_settings.SetOutputFormat(format); }
HRESULT CVideoFilter::SetVideoPresetB(int method) { return m_settings.SetDeinterlaceMethod(method); }
HRESULT CVideoFilter::SetVideoPresetC(int threads) { return m_settings.SetThreads(threads); }
HRESULT CVideoFilter::SetVideoFrameRate(double framesPerSecond) { return m_settings.SetFrameRate(framesPerSecond); }

HRESULT CVideoFilter::SetVideoFilterSubtitle(ISubPicProvider* provider)
{
    m_settings.SetProvider(provider);
    return S_OK;
}

HRESULT CVideoFilter::SetVideoLogo(int logoNumber, const SLogoInfo* logo)
{
    if (logoNumber != 0) return E_INVALIDARG;
    if (!logo || !logo->imagePath[0]) {
        m_settings.SetLogo(nullptr, nullptr);
        return S_OK;
    }
    std::shared_ptr<const LogoPicture> picture;
    std::string error;
    HRESULT hr = LogoPicture::Load(PathOf(logo->imagePath), PathOf(logo->alphaPath), &picture, &error);
    {
        std::lock_guard<std::mutex> g(m_logoLock);
        m_logoError = FAILED(hr) ? error : std::string();
    }
    if (FAILED(hr)) OutputDebugStringW((L"HVF.ax: the logo is left out: " + Utf8ToWide(error)).c_str());
    // A logo that cannot be read leaves the pictures without one.
    m_settings.SetLogo(SUCCEEDED(hr) ? logo : nullptr, picture);
    return hr;
}

std::string CVideoFilter::LogoError() const
{
    std::lock_guard<std::mutex> g(m_logoLock);
    return m_logoError;
}

HRESULT CVideoFilter::QueryVideoFilterSubtitleInfo(SubtitleInfoRecord* info)
{
    if (!info) return E_POINTER;
    PictureFormat input;
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        if (!m_haveInput) return VFW_E_NOT_CONNECTED;
        input = m_input;
    }
    if (input.frameTime <= 0) return E_FAIL;
    // Frames per 1000 seconds.
    info->frameRateMilli = static_cast<int32_t>(std::llround(1e10 / static_cast<double>(input.frameTime)));
    return S_OK;
}

// ---- Types ----------------------------------------------------------------------------------

HRESULT CVideoFilter::CheckInputType(const CMediaType* type)
{
    PictureFormat f;
    return type && PictureFormatOfType(*type, &f) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

bool CVideoFilter::ProposedOutput(int position, PictureFormat* format)
{
    PictureFormat input;
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        if (!m_haveInput) return false;
        input = m_input;
    }
    const PictureSettings settings = m_settings.Picture();
    const bool rgbChosen = settings.outputFormat == kOutputRgb32;
    REFERENCE_TIME frameTime = settings.frameRate > 0 ? FrameTimeOfRate(settings.frameRate) : input.frameTime;
    const SourcePicture shown = TurnedPicture({input.width, input.height, input.displayAspect}, input.orientation);
    auto packed = [&](bool rgb, PictureFormat* f) {
        PictureSettings s = settings;
        s.outputFormat = rgb ? kOutputRgb32 : kOutputI420;
        PictureLayout l = ComputePictureLayout(shown, s);
        if (l.outputWidth <= 0 || l.outputHeight <= 0) return false;
        *f = PackedPictureFormat(rgb, l.outputWidth, l.outputHeight, frameTime);
        // Pictures left at their size keep the shape of their pixels (a
        // DVD's stays 16:9); scaled ones are laid out for square pixels.
        if (shown.displayAspect > 0 && !l.Scales() && !l.Pads())
            f->displayAspect = shown.displayAspect * shown.height / shown.width * l.outputWidth / l.outputHeight;
        return true;
    };
    // I420 at the input picture's size is offered first in the input's own
    // layout, so that a picture that no treatment changes leaves in the
    // sample it came in (see DeliverPicture); then the chosen format packed,
    // then the other one.
    PictureFormat i420;
    if (!rgbChosen && KeepsLayoutOf(input) && packed(false, &i420) && i420.width == input.width &&
        i420.height == input.height) {
        if (position == 0) {
            *format = input;
            format->frameTime = frameTime;
            format->orientation = {};
            return true;
        }
        --position;
    }
    if (position < 0 || position > 1) return false;
    return packed(rgbChosen != (position == 1), format);
}

bool CVideoFilter::CurrentOutput(PictureFormat* format)
{
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        if (m_haveOutput) {
            *format = m_output;
            return true;
        }
    }
    return ProposedOutput(0, format);
}

HRESULT CVideoFilter::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 2) return VFW_S_NO_MORE_ITEMS;
    PictureFormat f;
    if (!ProposedOutput(position, &f)) return VFW_S_NO_MORE_ITEMS;
    TypeOfPictureFormat(f, type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CVideoFilter::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!in || !out || CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    PictureFormat f;
    if (!PictureFormatOfType(*out, &f) || f.left != 0 || f.top != 0 || f.swapChroma) return VFW_E_TYPE_NOT_ACCEPTED;
    if (f.pixelFormat != AV_PIX_FMT_YUV420P && !IsRgb(f)) return VFW_E_TYPE_NOT_ACCEPTED;
    PictureFormat proposed;
    if (!ProposedOutput(0, &proposed)) return VFW_E_TYPE_NOT_ACCEPTED;
    return f.width == proposed.width && f.height == proposed.height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CVideoFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    PictureFormat f;
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        if (!m_haveOutput) return VFW_E_NOT_CONNECTED;
        f = m_output;
    }
    // Room after each picture, so that the writers hand it to the
    // libraries without a copy.
    ALLOCATOR_PROPERTIES want{std::max<LONG>(props->cBuffers, kOutputBuffers), PictureAllocationBytes(f.ImageBytes()),
                              std::max<LONG>(props->cbAlign, kPictureRowAlign), 0};
    ALLOCATOR_PROPERTIES got{};
    HRESULT hr = allocator->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer >= f.ImageBytes() ? S_OK : E_FAIL;
}

HRESULT CVideoFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    PictureFormat f;
    if (!type || !PictureFormatOfType(*type, &f)) return VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard<std::mutex> g(m_formatLock);
    if (direction == PINDIR_INPUT) {
        m_input = f;
        m_haveInput = true;
    } else {
        m_output = f;
        m_haveOutput = true;
    }
    return S_OK;
}

HRESULT CVideoFilter::BreakConnect(PIN_DIRECTION direction)
{
    std::lock_guard<std::mutex> g(m_formatLock);
    if (direction == PINDIR_INPUT)
        m_haveInput = false;
    else
        m_haveOutput = false;
    return S_OK;
}

// ---- The streaming thread's side ------------------------------------------------------------

HRESULT CVideoFilter::StartStreaming()
{
    if (m_thread.joinable()) StopTreatment();
    m_result = S_OK;
    m_chain.Reset();
    m_subtitles.Reset();
    m_currentGeneration = 0;
    m_segmentStart = 0;
    m_nextTime = 0;
    m_discontinuity = true;
    m_queue.Open();
    m_thread = std::thread([this] { TreatmentLoop(); });
    return S_OK;
}

void CVideoFilter::StopTreatment()
{
    m_queue.Close();
    // A delivery that waits for an output buffer is woken too.
    if (IMemAllocator* allocator = Output()->Allocator()) allocator->Decommit();
    if (m_thread.joinable()) m_thread.join();
}

HRESULT CVideoFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsStopped()) return S_OK;
    // The treatment thread ends before the pins go down: the base then finds
    // no sample in flight.
    StopTreatment();
    HRESULT hr = CTransformFilter::Stop();
    m_chain.Reset();
    m_subtitles.Reset();
    m_current = TreatmentSettings{};
    return hr;
}

HRESULT CVideoFilter::Receive(IMediaSample* sample)
{
    HRESULT result = m_result.load();
    if (result != S_OK) return result;
    PictureFormat input;
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        input = m_input;
    }
    AVFrame* frame = FrameOfSample(sample, input);
    // A sample too short for its picture is left out.
    if (!frame) return S_OK;
    if (!m_queue.Push(PictureQueueItem{PictureQueueItem::Kind::Picture, frame})) return S_OK;
    return m_result.load();
}

HRESULT CVideoFilter::EndOfStream()
{
    if (!m_queue.Push(PictureQueueItem{PictureQueueItem::Kind::End})) return Output()->DeliverEndOfStream();
    return S_OK;
}

HRESULT CVideoFilter::BeginFlush()
{
    m_queue.BeginFlush();
    return Output()->DeliverBeginFlush();
}

HRESULT CVideoFilter::EndFlush()
{
    m_queue.EndFlush();
    m_result = S_OK;
    return Output()->DeliverEndFlush();
}

HRESULT CVideoFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    PictureQueueItem item{PictureQueueItem::Kind::Segment};
    item.start = start;
    item.stop = stop;
    item.rate = rate;
    if (!m_queue.Push(item)) return Output()->DeliverNewSegment(start, stop, rate);
    return S_OK;
}

// ---- The treatment thread -------------------------------------------------------------------

void CVideoFilter::TreatmentLoop()
{
    NameCurrentThread("rivo-treat");
    PictureQueueItem item;
    while (m_queue.Pop(&item)) {
        switch (item.kind) {
        case PictureQueueItem::Kind::Picture:
            TreatPicture(item.frame);
            av_frame_free(&item.frame);
            break;
        case PictureQueueItem::Kind::Segment:
            m_segmentStart = item.start;
            Output()->DeliverNewSegment(item.start, item.stop, item.rate);
            break;
        case PictureQueueItem::Kind::End:
            FinishChain();
            Output()->DeliverEndOfStream();
            break;
        case PictureQueueItem::Kind::Reset:
            // After a flush: nothing the chain held may come out.
            m_chain.Reset();
            m_subtitles.Reset();
            m_nextTime = 0;
            m_discontinuity = true;
            break;
        }
        m_queue.Done();
    }
    m_chain.Reset();
}

void CVideoFilter::Fail(HRESULT hr)
{
    HRESULT expected = S_OK;
    if (m_result.compare_exchange_strong(expected, hr) && FAILED(hr)) NotifyEvent(EC_ERRORABORT, hr, 0);
}

bool CVideoFilter::BuildChain(const ChainInput& input, const PictureFormat& output)
{
    PictureSettings s = m_current.picture;
    bool rgb = IsRgb(output);
    s.outputFormat = rgb ? kOutputRgb32 : kOutputI420;
    double shown = 0;
    if (input.sampleAspect.num > 0 && input.sampleAspect.den > 0)
        shown = av_q2d(input.sampleAspect) * input.width / input.height;
    SourcePicture source = TurnedPicture({input.width, input.height, shown}, input.orientation);
    PictureLayout layout = ComputePictureLayout(source, s);
    if (layout.outputWidth != output.width || layout.outputHeight != output.height) {
        // The connection fixed the size before the settings changed it: the
        // pictures are fitted to the size that was agreed.
        s.resize = true;
        s.roundToEven = false;
        s.width = output.width;
        s.height = output.height;
        layout = ComputePictureLayout(source, s);
    }
    std::string error;
    if (!m_chain.Build(input, s, layout, rgb, &error)) return false;
    ++m_chainBuilds;
    m_chainGeneration = m_current.pictureGeneration;
    m_chainOutput = output;
    return true;
}

void CVideoFilter::TreatPicture(AVFrame* frame)
{
    if (m_result.load() != S_OK || m_queue.Flushing()) return;
    uint64_t generation = m_settings.Generation();
    if (generation != m_currentGeneration) {
        m_current = m_settings.Snapshot();
        m_currentGeneration = generation;
    }
    PictureFormat output;
    PictureOrientation orientation;
    {
        std::lock_guard<std::mutex> g(m_formatLock);
        if (!m_haveOutput) return;
        output = m_output;
        orientation = m_input.orientation;
    }
    ChainInput input{static_cast<AVPixelFormat>(frame->format), frame->width, frame->height, frame->sample_aspect_ratio,
                     orientation};
    bool rebuild = !m_chain.IsBuilt() || !(m_chain.Input() == input) ||
                   m_chainGeneration != m_current.pictureGeneration || output.width != m_chainOutput.width ||
                   output.height != m_chainOutput.height || IsRgb(output) != IsRgb(m_chainOutput);
    if (rebuild) {
        // Pictures the old chain still holds come out before the new one
        // starts.
        FinishChain();
        if (!BuildChain(input, output)) {
            Fail(E_FAIL);
            return;
        }
    }
    if (frame->pts == AV_NOPTS_VALUE) frame->pts = m_nextTime;
    // The chain takes over the frame's reference.
    if (m_chain.Push(frame) < 0) {
        Fail(E_OUTOFMEMORY);
        return;
    }
    PullAndDeliver();
}

void CVideoFilter::FinishChain()
{
    if (!m_chain.IsBuilt()) return;
    m_chain.Push(nullptr);
    PullAndDeliver();
    m_chain.Reset();
}

void CVideoFilter::PullAndDeliver()
{
    AVFrame* picture = av_frame_alloc();
    if (!picture) {
        Fail(E_OUTOFMEMORY);
        return;
    }
    while (m_chain.Pull(picture) >= 0) {
        DeliverPicture(picture);
        av_frame_unref(picture);
    }
    av_frame_free(&picture);
}

void CVideoFilter::DeliverPicture(AVFrame* picture)
{
    if (m_result.load() != S_OK || m_queue.Flushing()) return;
    const PictureFormat& out = m_chainOutput;
    if (picture->width != out.width || picture->height != out.height) return;
    REFERENCE_TIME start = picture->pts != AV_NOPTS_VALUE ? picture->pts : m_nextTime;
    REFERENCE_TIME duration = 0;
    if (m_current.picture.frameRate > 0)
        duration = FrameTimeOfRate(m_current.picture.frameRate);
    else if (picture->pkt_duration > 0)
        duration = picture->pkt_duration;
    else
        duration = out.frameTime;
    REFERENCE_TIME stop = start + std::max<REFERENCE_TIME>(duration, 1);
    m_nextTime = stop;

    IMediaSample* sample = nullptr;
    HRESULT hr = Output()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) {
        // Stopping or flushing wakes a wait for a buffer; neither is a
        // failure of the stream.
        if (!m_queue.Flushing() && !IsStopped() && hr != VFW_E_NOT_COMMITTED) Fail(hr);
        return;
    }
    LONG bytes = out.ImageBytes();
    // A picture that nothing is drawn on and that already lies in the
    // output's layout (the input's own, untreated) leaves in the bytes it
    // came in: the sample carries them without a copy. Drawing never
    // happens there, the bytes being the decoder's (and maybe a reference
    // picture of its).
    const bool drawing = m_current.logo || (m_current.subtitles.enabled && m_current.provider.Get());
    BYTE* shared = drawing ? nullptr : BytesInLayout(picture, out);
    if (shared) {
        hr = AttachPicture(sample, picture->buf[0], shared, bytes);
        if (FAILED(hr)) {
            sample->Release();
            Fail(hr);
            return;
        }
    } else {
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data)) || !data || sample->GetSize() < bytes) {
            sample->Release();
            Fail(VFW_E_BUFFER_OVERFLOW);
            return;
        }
        PictureCanvas canvas;
        canvas.rgb = IsRgb(out);
        canvas.width = out.width;
        canvas.height = out.height;
        PicturePlanes(out, data, canvas.planes, canvas.lineSizes);
        av_image_copy(canvas.planes, canvas.lineSizes, const_cast<const uint8_t**>(picture->data), picture->linesize,
                      canvas.rgb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P, out.width, out.height);
        if (m_current.logo) DrawLogo(canvas, *m_current.logo, m_current.logoInfo, start);
        // Subtitles are timed on the source's time line, where the segment
        // began.
        m_subtitles.Draw(canvas, m_current, start + m_segmentStart);
        sample->SetActualDataLength(bytes);
    }

    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(m_discontinuity ? TRUE : FALSE);
    m_discontinuity = false;
    hr = Output()->Deliver(sample);
    sample->Release();
    if (FAILED(hr) && !m_queue.Flushing() && !IsStopped()) Fail(hr);
}
