#include "platform/dshow/SourceFilter.h"

#include "platform/dshow/MediaGuids.h"

// ---- CSource --------------------------------------------------------------------------------

CSource::CSource(const wchar_t* name, IUnknown* outer, const CLSID& clsid) : CBaseFilter(name, outer, clsid) {}

CSource::~CSource()
{
    // The streams' threads call into the derived streams: they end here,
    // while those still exist.
    CBaseFilter::Stop();
}

int CSource::GetPinCount() { return static_cast<int>(streams_.size()); }

CBasePin* CSource::GetPin(int n)
{
    if (n < 0 || n >= GetPinCount()) return nullptr;
    return streams_[static_cast<size_t>(n)].get();
}

void CSource::AddStream(std::unique_ptr<CSourceStream> stream)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    streams_.push_back(std::move(stream));
    IncrementPinVersion();
}

CSourceStream* CSource::Stream(int n)
{
    if (n < 0 || n >= GetPinCount()) return nullptr;
    return streams_[static_cast<size_t>(n)].get();
}

// ---- CSourceStream --------------------------------------------------------------------------

CSourceStream::CSourceStream(CSource* filter, const wchar_t* name) : CBaseOutputPin(filter, name), source_(filter) {}

CSourceStream::~CSourceStream() { StopThread(); }

HRESULT CSourceStream::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CSourceStream::Active()
{
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    StartThread();
    return S_OK;
}

HRESULT CSourceStream::Inactive()
{
    StopThread();
    return S_OK;
}

void CSourceStream::StartThread()
{
    std::lock_guard<std::mutex> g(threadLock_);
    if (thread_.joinable()) return;
    stopRequested_.store(false, std::memory_order_release);
    {
        std::lock_guard<std::mutex> c(commandLock_);
        command_ = Command::Play;
        busy_ = false;
    }
    thread_ = std::thread([this] { ThreadProc(); });
}

void CSourceStream::StopThread()
{
    std::lock_guard<std::mutex> g(threadLock_);
    if (!thread_.joinable()) return;
    stopRequested_.store(true, std::memory_order_release);
    Post(Command::Exit);
    // Decommitting wakes the thread if it waits for a buffer.
    CBaseOutputPin::Inactive();
    thread_.join();
}

void CSourceStream::Post(Command c)
{
    std::lock_guard<std::mutex> g(commandLock_);
    command_ = c;
    commandChanged_.notify_all();
}

void CSourceStream::ThreadProc()
{
    for (;;) {
        Command c;
        {
            std::unique_lock<std::mutex> l(commandLock_);
            commandChanged_.wait(l, [&] { return command_ != Command::None; });
            c = command_;
            command_ = Command::None;
            if (c == Command::Play) busy_ = true;
        }
        if (c == Command::Exit) return;
        PlayLoop();
        {
            std::lock_guard<std::mutex> l(commandLock_);
            busy_ = false;
            commandChanged_.notify_all();
        }
    }
}

void CSourceStream::PlayLoop()
{
    if (StopRequested()) return;
    HRESULT hr = OnThreadStartPlay();
    if (FAILED(hr)) {
        source_->NotifyEvent(EC_ERRORABORT, hr, 0);
        DeliverEndOfStream();
        return;
    }
    DeliverNewSegment(StartPosition(), StopPosition(), Rate());
    for (;;) {
        if (StopRequested()) return;
        IMediaSample* sample = nullptr;
        hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) return;  // decommitted: the filter is stopping
        if (StopRequested()) {
            sample->Release();
            return;
        }
        hr = FillBuffer(sample);
        if (hr == S_OK) {
            hr = Deliver(sample);
            sample->Release();
            // Downstream refuses (flushing, stopping, failed): stop pushing
            // and wait to be told what next.
            if (hr != S_OK) return;
            continue;
        }
        sample->Release();
        // An error is raised before the stream ends, so that the owner
        // hears of the failure and not of a completed stream.
        if (FAILED(hr)) source_->NotifyEvent(EC_ERRORABORT, hr, 0);
        DeliverEndOfStream();
        return;
    }
}

void CSourceStream::HaltLoop()
{
    stopRequested_.store(true, std::memory_order_release);
    // The flush lets go of samples held downstream, so a loop waiting for a
    // buffer or inside Deliver comes back.
    DeliverBeginFlush();
    {
        std::unique_lock<std::mutex> l(commandLock_);
        if (command_ == Command::Play) command_ = Command::None;
        commandChanged_.wait(l, [&] { return !busy_; });
    }
    DeliverEndFlush();
    stopRequested_.store(false, std::memory_order_release);
}

REFERENCE_TIME CSourceStream::StartPosition()
{
    std::lock_guard<std::mutex> g(positionLock_);
    return start_;
}

REFERENCE_TIME CSourceStream::StopPosition()
{
    std::lock_guard<std::mutex> g(positionLock_);
    return stopSet_ ? stop_ : duration_;
}

double CSourceStream::Rate()
{
    std::lock_guard<std::mutex> g(positionLock_);
    return rate_;
}

void CSourceStream::SetDuration(REFERENCE_TIME duration)
{
    std::lock_guard<std::mutex> g(positionLock_);
    duration_ = duration;
}

HRESULT CSourceStream::GetCapabilities(DWORD* capabilities)
{
    if (!capabilities) return E_POINTER;
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                    AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT CSourceStream::CheckCapabilities(DWORD* capabilities)
{
    if (!capabilities) return E_POINTER;
    DWORD have = 0;
    GetCapabilities(&have);
    DWORD asked = *capabilities;
    *capabilities &= have;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CSourceStream::IsFormatSupported(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CSourceStream::QueryPreferredFormat(GUID* format)
{
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CSourceStream::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT CSourceStream::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CSourceStream::SetTimeFormat(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CSourceStream::GetDuration(LONGLONG* duration)
{
    if (!duration) return E_POINTER;
    std::lock_guard<std::mutex> g(positionLock_);
    *duration = duration_;
    return S_OK;
}

HRESULT CSourceStream::GetStopPosition(LONGLONG* stop)
{
    if (!stop) return E_POINTER;
    *stop = StopPosition();
    return S_OK;
}

HRESULT CSourceStream::GetCurrentPosition(LONGLONG*) { return E_NOTIMPL; }

HRESULT CSourceStream::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                         const GUID* sourceFormat)
{
    if (!target) return E_POINTER;
    bool toMedia = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    bool fromMedia = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!toMedia || !fromMedia) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT CSourceStream::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    DWORD startHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((startHow != AM_SEEKING_NoPositioning && !current) || (stopHow != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;

    std::lock_guard<std::mutex> g(threadLock_);
    REFERENCE_TIME newStart, newStop;
    bool stopWasSet;
    {
        std::lock_guard<std::mutex> p(positionLock_);
        newStart = start_;
        newStop = stopSet_ ? stop_ : duration_;
        stopWasSet = stopSet_;
    }
    if (startHow == AM_SEEKING_AbsolutePositioning) newStart = *current;
    else if (startHow == AM_SEEKING_RelativePositioning || startHow == AM_SEEKING_IncrementalPositioning)
        newStart += *current;
    if (stopHow == AM_SEEKING_AbsolutePositioning) newStop = *stop;
    else if (stopHow == AM_SEEKING_RelativePositioning) newStop += *stop;
    else if (stopHow == AM_SEEKING_IncrementalPositioning) newStop = newStart + *stop;
    if (newStart < 0 || newStop < 0) return E_INVALIDARG;

    bool restart = startHow != AM_SEEKING_NoPositioning && thread_.joinable();
    if (restart) HaltLoop();
    {
        std::lock_guard<std::mutex> p(positionLock_);
        start_ = newStart;
        if (stopHow != AM_SEEKING_NoPositioning) {
            stop_ = newStop;
            stopSet_ = true;
        } else {
            stopSet_ = stopWasSet;
        }
    }
    if (startHow != AM_SEEKING_NoPositioning) OnSeek();
    if (restart) Post(Command::Play);
    if ((currentFlags & AM_SEEKING_ReturnTime) && current) *current = newStart;
    if ((stopFlags & AM_SEEKING_ReturnTime) && stop) *stop = StopPosition();
    return S_OK;
}

HRESULT CSourceStream::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current) *current = StartPosition();
    if (stop) *stop = StopPosition();
    return S_OK;
}

HRESULT CSourceStream::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    if (earliest) *earliest = 0;
    if (latest) {
        std::lock_guard<std::mutex> p(positionLock_);
        *latest = duration_;
    }
    return S_OK;
}

HRESULT CSourceStream::SetRate(double rate)
{
    if (rate <= 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> p(positionLock_);
    rate_ = rate;
    return S_OK;
}

HRESULT CSourceStream::GetRate(double* rate)
{
    if (!rate) return E_POINTER;
    *rate = Rate();
    return S_OK;
}

HRESULT CSourceStream::GetPreroll(LONGLONG* preroll)
{
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}
