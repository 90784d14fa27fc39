#include "platform/dshow/SourceFilter.h"

#include "platform/dshow/MediaGuids.h"
#include "platform/win32/ThreadName.h"

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
    NameCurrentThread("rivo-source");
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

REFERENCE_TIME CSourceStream::StartPosition() { return positions_.Start(); }

REFERENCE_TIME CSourceStream::StopPosition() { return positions_.Stop(); }

double CSourceStream::Rate() { return positions_.Rate(); }

void CSourceStream::SetDuration(REFERENCE_TIME duration) { positions_.SetDuration(duration); }

HRESULT CSourceStream::Reposition(const SeekChange& change)
{
    std::lock_guard<std::mutex> g(threadLock_);
    bool restart = change.moveStart && thread_.joinable();
    if (restart) HaltLoop();
    positions_.Apply(change);
    if (change.moveStart) OnSeek();
    if (restart) Post(Command::Play);
    return S_OK;
}
