#include "modules/hwriter/WriterFilter.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/dshow/filters/FrameRate.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/ThreadName.h"

namespace {

// The nice value of the encoding threads when the writer runs below normal
// priority.
constexpr int kBelowNormalNice = 10;

constexpr double kUnitsPerSecond = 10000000.0;

// The longest gap in the pictures that is filled by repeating the last
// one, in frames; a longer one is a jump in the source's times.
constexpr int64_t kMaxRepeatedFrames = 60;

// Pictures that may wait for the encoding thread: enough that the thread
// delivering them need not wait while one is encoded, few enough to hold
// little memory (each holds the picture's bytes).
constexpr size_t kQueuedPictures = 2;

}  // namespace

CWriterFilter::CWriterFilter(const CLSID& clsid, const wchar_t* name, IUnknown* outer, bool takesText)
    : CBaseFilter(name, outer, clsid),
      m_pVideoPin(std::make_unique<CWriterInputPin>(this, L"Video", CWriterInputPin::Kind::Video)),
      m_pAudioPin(std::make_unique<CWriterInputPin>(this, L"Audio", CWriterInputPin::Kind::Audio)),
      m_seeking(this),
      m_pictures(kQueuedPictures)
{
    m_inputs = {m_pVideoPin.get(), m_pAudioPin.get()};
    if (takesText) {
        m_pTextPin = std::make_unique<CWriterInputPin>(this, L"Text", CWriterInputPin::Kind::Text);
        m_inputs.push_back(m_pTextPin.get());
    }
}

CWriterFilter::~CWriterFilter()
{
    StopEncodingThread();
    FinishRun(false);
}

HRESULT CWriterFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSinkFilter) return GetInterface(static_cast<IFileSinkFilter*>(this), object);
    if (riid == IID_IWriterSettings) return GetInterface(static_cast<IWriterSettings*>(this), object);
    if (riid == IID_IWriterPreview) return GetInterface(static_cast<IWriterPreview*>(this), object);
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(&m_seeking), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

CBasePin* CWriterFilter::GetPin(int n)
{
    return n >= 0 && n < static_cast<int>(m_inputs.size()) ? m_inputs[static_cast<size_t>(n)] : nullptr;
}

// ---- settings ----

HRESULT CWriterFilter::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*)
{
    if (!fileName) return E_POINTER;
    if (!*fileName) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (!IsStopped()) return VFW_E_WRONG_STATE;
    m_strFileName = fileName;
    return S_OK;
}

HRESULT CWriterFilter::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    *fileName = nullptr;
    if (type) *type = AM_MEDIA_TYPE{};
    if (m_strFileName.empty()) return S_FALSE;
    return CopyTextToTaskMemory(m_strFileName, fileName);
}

HRESULT CWriterFilter::GetEncodedPosition(LONGLONG* position)
{
    if (!position) return E_POINTER;
    LONGLONG least = -1, most = 0;
    for (CWriterInputPin* pin : m_inputs) {
        // Captions come now and then: they tell nothing of the progress.
        if (!pin->IsConnected() || pin->StreamKind() == CWriterInputPin::Kind::Text) continue;
        LONGLONG p = pin->m_nProgress.load();
        most = std::max(most, p);
        if (!pin->m_bAtEnd.load() && (least < 0 || p < least)) least = p;
    }
    // The input that has come least far tells how far the file has come.
    *position = least >= 0 ? least : most;
    return S_OK;
}

HRESULT CWriterFilter::GetEncodedDuration(LONGLONG* duration)
{
    if (!duration) return E_POINTER;
    LONGLONG whole = 0, stop = 0;
    if (FAILED(m_seeking.GetDuration(&whole))) whole = 0;
    if (FAILED(m_seeking.GetStopPosition(&stop)) || stop <= 0 || stop > whole) stop = whole;
    REFERENCE_TIME start = 0;
    for (CWriterInputPin* pin : m_inputs)
        if (pin->IsConnected()) start = std::max(start, pin->SegmentStart());
    *duration = std::max<LONGLONG>(0, stop - start);
    return S_OK;
}

HRESULT CWriterFilter::SetFrameRate(int rate, int scale)
{
    if (rate <= 0 || scale <= 0) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    m_nFrameRate = rate;
    m_nFrameScale = scale;
    return S_OK;
}

HRESULT CWriterFilter::SetPriority(int priority)
{
    if (priority != 0 && priority != -1) return E_INVALIDARG;
    m_nPriority = priority;
    return S_OK;
}

HRESULT CWriterFilter::SetPlaybackRate(double rate)
{
    if (!(rate >= 0.1 && rate <= 10.0)) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    m_dPlaybackRate = rate;
    return S_OK;
}

HRESULT CWriterFilter::SetPassMode(int mode)
{
    if (mode < 0 || mode > 2) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    std::lock_guard<std::mutex> r(m_runLock);
    if (m_bRunOpen) return VFW_E_WRONG_STATE;
    m_nPassMode = mode;
    return S_OK;
}

HRESULT CWriterFilter::GetPassMode(int* mode)
{
    if (!mode) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    *mode = m_nPassMode;
    return S_OK;
}

HRESULT CWriterFilter::SetPreview(int on)
{
    m_preview.SetEnabled(on != 0);
    return S_OK;
}

HRESULT CWriterFilter::SetPreviewSink(IWriterPreviewSink* sink)
{
    m_preview.SetSink(sink);
    return S_OK;
}

// ---- states ----

HRESULT CWriterFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    HRESULT hr = CBaseFilter::Stop();
    {
        std::lock_guard<std::mutex> r(m_runLock);
        m_changed.notify_all();
    }
    // Pictures that wait are not encoded; the one being encoded is
    // finished.
    StopEncodingThread();
    // Inputs that are still in the middle of a sample finish it first.
    DrainInputs();
    FinishRun(false);
    return hr;
}

HRESULT CWriterFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    bool starting = IsStopped();
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    if (starting) {
        StartRun();
        StartEncodingThread();
    }
    std::lock_guard<std::mutex> r(m_runLock);
    m_changed.notify_all();
    return hr;
}

HRESULT CWriterFilter::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    HRESULT hr = CBaseFilter::Run(start);
    if (FAILED(hr)) return hr;
    bool send = false;
    {
        std::lock_guard<std::mutex> r(m_runLock);
        m_changed.notify_all();
        // An end reached while paused is reported now.
        // So is a writer with no input at all: nothing will come.
        bool nothingComes =
            std::none_of(m_inputs.begin(), m_inputs.end(), [](CWriterInputPin* p) { return p->IsConnected(); });
        if ((m_bComplete || nothingComes) && !m_bCompleteSent && m_failure == Failure::None)
            send = m_bCompleteSent = true;
    }
    if (send) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

// ---- the run ----

std::string CWriterFilter::StatsPath() const { return m_strOutput + ".stats"; }

void CWriterFilter::RemoveStatsFiles() const
{
    std::string stats = StatsPath();
    for (const char* suffix : {"", ".mbtree", ".temp", ".mbtree.temp"}) std::remove((stats + suffix).c_str());
}

void CWriterFilter::Fail(Failure failure)
{
    {
        std::lock_guard<std::mutex> r(m_runLock);
        if (m_failure != Failure::None) return;
        m_failure = failure;
        m_changed.notify_all();
    }
    LONG code = kWriterFailureEncoder;
    switch (failure) {
    case Failure::Output: code = kWriterFailureOutput; break;
    case Failure::NoVideo: code = kWriterFailureNoVideo; break;
    case Failure::NoSound: code = kWriterFailureNoSound; break;
    default: break;
    }
    NotifyEvent(EC_WRITER_FAILURE, code, 0);
}

CWriterFilter::Failure CWriterFilter::MissingStream()
{
    // The first pass encodes pictures only.
    const bool soundEncoded = m_nRunPass != 1;
    for (CWriterInputPin* pin : m_inputs) {
        if (!pin->IsConnected()) continue;
        std::lock_guard<std::mutex> s(pin->StreamLock());
        if (pin->StreamKind() == CWriterInputPin::Kind::Video && pin->m_nLastPts == AV_NOPTS_VALUE)
            return Failure::NoVideo;
        if (pin->StreamKind() == CWriterInputPin::Kind::Audio && soundEncoded && pin->m_nAudioStart == AV_NOPTS_VALUE)
            return Failure::NoSound;
    }
    return Failure::None;
}

bool CWriterFilter::Failed() const
{
    std::lock_guard<std::mutex> r(m_runLock);
    return m_failure != Failure::None;
}

void CWriterFilter::StartRun()
{
    {
        std::lock_guard<std::mutex> r(m_runLock);
        m_failure = Failure::None;
        m_bComplete = false;
        m_bCompleteSent = false;
        m_bRunOpen = true;
        m_bRunH264 = false;
        m_nRunPass = m_nPassMode;
        m_strOutput = ToNativePath(m_strFileName);
        m_pOutput.reset();
    }
    for (CWriterInputPin* pin : m_inputs) {
        std::lock_guard<std::mutex> s(pin->StreamLock());
        pin->m_pEncoder.reset();
        av_frame_free(&pin->m_pLastPicture);
        pin->m_nOutputStream = -1;
        pin->m_nLastPts = AV_NOPTS_VALUE;
        pin->m_nEndPts = AV_NOPTS_VALUE;
        pin->m_nAudioStart = AV_NOPTS_VALUE;
        pin->m_bEnded = !pin->IsConnected();
        pin->m_nProgress = 0;
        pin->m_bAtEnd = !pin->IsConnected();
    }
    if (m_strFileName.empty()) {
        Fail(Failure::Output);
        return;
    }
    if (NeedsPictureAndSound()) {
        // Said before any file is made.
        if (!m_pVideoPin->IsConnected()) {
            Fail(Failure::NoVideo);
            return;
        }
        if (!m_pAudioPin->IsConnected()) {
            Fail(Failure::NoSound);
            return;
        }
    }
    EncoderRequest request;
    if (!CodecRequestOfRun(&request)) {
        Fail(Failure::Encoder);
        return;
    }
    // Encoders start their worker threads when they open; those threads
    // take the nice value of the thread that opens them.
    bool opened = false, encoderFailed = false;
    if (m_nPriority.load() == -1) {
        std::thread opener([&] {
            ApplyPriorityToThisThread();
            opened = OpenEncoders(request, &encoderFailed);
        });
        opener.join();
    } else {
        opened = OpenEncoders(request, &encoderFailed);
    }
    if (!opened) {
        Fail(encoderFailed ? Failure::Encoder : Failure::Output);
        return;
    }
    if (m_nRunPass == 1 && !m_bRunH264) {
        // The statistics are written at the end of the pass; the file is
        // made now so that a folder that takes no file fails at once.
        std::FILE* f = std::fopen(StatsPath().c_str(), "wb");
        if (!f) {
            Fail(Failure::Output);
            return;
        }
        std::fclose(f);
    }
}

std::unique_ptr<WriterOutput> CWriterFilter::CreateOutput(const std::wstring&, const std::string& nativePath)
{
    auto muxer = std::make_unique<LavMuxer>();
    if (!muxer->Create(ContainerName(), nativePath)) return nullptr;
    return muxer;
}

bool CWriterFilter::OpenEncoders(const EncoderRequest& request, bool* encoderFailed)
{
    *encoderFailed = true;
    int pass = m_nRunPass;
    bool firstPass = pass == 1;
    if (!firstPass) {
        m_pOutput = CreateOutput(m_strFileName, m_strOutput);
        if (!m_pOutput) return false;
    }
    bool globalHeader = m_pOutput && m_pOutput->NeedsGlobalHeader();

    if (m_pVideoPin->IsConnected()) {
        VideoEncoderSetup v;
        if (!ChooseVideoCodec(request.videoFourCC, &v.codec)) return false;
        const PictureFormat& picture = m_pVideoPin->Picture();
        v.width = picture.width & ~1;
        v.height = picture.height & ~1;
        // Pixels that are not square keep their shape in the stream (the
        // codec's headers and the container's), as the picture says.
        v.sampleAspect = PixelAspectOf(picture, 255);
        // The rate the settings name, else the exact rate of the pictures'
        // frame time (which is rounded to whole units).
        if (m_nFrameRate > 0 && m_nFrameScale > 0)
            av_reduce(&v.frameRate.num, &v.frameRate.den, m_nFrameRate, m_nFrameScale, INT_MAX);
        else if (picture.frameTime > 0)
            v.frameRate = FrameRateOfFrameTime(picture.frameTime, INT_MAX);
        else
            v.frameRate = AVRational{25, 1};
        v.mode = request.videoMode;
        v.kbps = request.videoKBitrate;
        v.quality = request.videoQuality;
        v.secPerKeyframe = request.secPerKeyframe;
        v.baseline13 = request.h264Baseline13;
        v.pass = pass;
        v.globalHeader = globalHeader;
        m_bRunH264 = v.codec.h264;
        if (pass) v.x264StatsPath = StatsPath();
        if (pass == 2 && !v.codec.h264 && !ReadWholeFile(StatsPath(), &v.statsIn)) return false;
        AdjustVideo(&v);
        auto encoder = std::make_unique<LavEncoder>();
        if (!encoder->OpenVideo(v)) return false;
        m_pVideoPin->m_pEncoder = std::move(encoder);
    }
    if (m_pAudioPin->IsConnected() && !firstPass) {
        AudioEncoderSetup a;
        if (!ChooseAudioCodec(request.audioTag, &a.codec)) return false;
        a.input = m_pAudioPin->Sound();
        a.mode = request.audioMode;
        a.kbps = request.audioKBitrate;
        a.quality = request.audioQuality;
        a.globalHeader = globalHeader;
        AdjustAudio(&a);
        auto encoder = std::make_unique<LavEncoder>();
        if (!encoder->OpenAudio(a)) return false;
        m_pAudioPin->m_pEncoder = std::move(encoder);
    }
    if (firstPass) return true;
    if (m_pTextPin && m_pTextPin->IsConnected()) {
        m_pTextPin->m_nOutputStream = m_pOutput->AddTextStream();
        if (m_pTextPin->m_nOutputStream < 0) return false;
    }
    for (CWriterInputPin* pin : m_inputs) {
        if (!pin->m_pEncoder) continue;
        const AVCodecContext* c = pin->m_pEncoder->Context();
        pin->m_nOutputStream = m_pOutput->AddStream(c, c->codec_tag, StreamLanguage(pin->StreamKind()));
        // A container that cannot hold the codec.
        if (pin->m_nOutputStream < 0) return false;
    }
    *encoderFailed = false;
    return m_pOutput->Start();
}

void CWriterFilter::ApplyPriorityToThisThread() const
{
    if (m_nPriority.load() != -1) return;
    // Each thread has its own nice value on this system; raising it needs
    // no privilege, and threads started from here inherit it.
    pid_t tid = static_cast<pid_t>(gettid());
    errno = 0;
    int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0 && current < kBelowNormalNice) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kBelowNormalNice);
}

bool CWriterFilter::WaitWhilePaused(CWriterInputPin* pin)
{
    std::unique_lock<std::mutex> r(m_runLock);
    m_changed.wait(r, [&] { return State() != State_Paused || pin->IsFlushing() || m_failure != Failure::None; });
    return State() == State_Running && !pin->IsFlushing() && m_failure == Failure::None;
}

void CWriterFilter::BeginFlushOf(CWriterInputPin* pin)
{
    if (pin->StreamKind() == CWriterInputPin::Kind::Video) m_pictures.BeginFlush();
    std::lock_guard<std::mutex> r(m_runLock);
    m_changed.notify_all();
}

void CWriterFilter::EndFlushOf(CWriterInputPin* pin)
{
    // Nothing delivered before the flush is encoded after it.
    if (pin->StreamKind() == CWriterInputPin::Kind::Video) m_pictures.EndFlush();
    std::lock_guard<std::mutex> r(m_runLock);
    m_changed.notify_all();
}

void CWriterFilter::StartEncodingThread()
{
    StopEncodingThread();
    if (!m_pVideoPin->IsConnected()) return;
    m_pictures.Open();
    m_encodingThread = std::thread([this] { EncodingLoop(); });
}

void CWriterFilter::StopEncodingThread()
{
    m_pictures.Close();
    if (m_encodingThread.joinable()) m_encodingThread.join();
}

void CWriterFilter::EncodingLoop()
{
    NameCurrentThread("rivo-encode");
    ApplyPriorityToThisThread();
    CWriterInputPin* pin = m_pVideoPin.get();
    PictureQueueItem item;
    while (m_pictures.Pop(&item)) {
        switch (item.kind) {
        case PictureQueueItem::Kind::Picture:
            // Held while the filter is paused; dropped when it stops or the
            // input flushes meanwhile.
            if (WaitWhilePaused(pin)) {
                EncodePicture(pin, item.frame, item.timed, item.start, item.stop);
                item.frame = nullptr;
            }
            av_frame_free(&item.frame);
            break;
        case PictureQueueItem::Kind::End: EndStream(pin); break;
        default: break;
        }
        m_pictures.Done();
    }
}

bool CWriterFilter::WritePacket(CWriterInputPin* pin, AVPacket* packet)
{
    // The first pass keeps only the statistics.
    if (!m_pOutput) return true;
    return m_pOutput->Write(pin->m_nOutputStream, packet, pin->m_pEncoder->Context()->time_base);
}

HRESULT CWriterFilter::ReceiveFrom(CWriterInputPin* pin, IMediaSample* sample)
{
    if (!WaitWhilePaused(pin)) return Failed() ? S_FALSE : (pin->IsFlushing() ? S_FALSE : VFW_E_WRONG_STATE);
    ApplyPriorityToThisThread();
    switch (pin->StreamKind()) {
    case CWriterInputPin::Kind::Video: return QueuePicture(pin, sample);
    case CWriterInputPin::Kind::Audio: return EncodeSound(pin, sample);
    case CWriterInputPin::Kind::Text: return WriteCaption(pin, sample);
    }
    return S_FALSE;
}

HRESULT CWriterFilter::WriteCaption(CWriterInputPin* pin, IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) return S_OK;  // a caption without a time has no place
    std::lock_guard<std::mutex> s(pin->StreamLock());
    if (pin->m_bEnded) return S_FALSE;
    pin->m_nProgress = stop;
    // The first pass writes no file.
    if (!m_pOutput || pin->m_nOutputStream < 0) return S_OK;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
    LONG length = sample->GetActualDataLength();
    std::string_view bytes(reinterpret_cast<const char*>(data), static_cast<size_t>(std::max<LONG>(0, length)));
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string utf8 = IsValidUtf8(bytes) ? std::string(bytes) : WideToUtf8(MultiByteToWide(GetACP(), bytes));
    double rate = m_dPlaybackRate;
    auto start100ns = static_cast<int64_t>(static_cast<double>(start) / rate);
    auto length100ns = static_cast<int64_t>(static_cast<double>(std::max<REFERENCE_TIME>(0, stop - start)) / rate);
    if (!m_pOutput->WriteText(pin->m_nOutputStream, utf8, start100ns, length100ns)) {
        Fail(Failure::Output);
        return S_FALSE;
    }
    return S_OK;
}

HRESULT CWriterFilter::QueuePicture(CWriterInputPin* pin, IMediaSample* sample)
{
    PictureQueueItem item{PictureQueueItem::Kind::Picture};
    item.timed = SUCCEEDED(sample->GetTime(&item.start, &item.stop));
    // The frame holds the sample's bytes without a copy where they have the
    // room the encoders may read past a picture.
    item.frame = FrameOfSample(sample, pin->Picture());
    if (!item.frame) {
        Fail(Failure::Encoder);
        return S_FALSE;
    }
    // Refused while stopping or flushing.
    if (!m_pictures.Push(item)) return S_FALSE;
    return Failed() ? S_FALSE : S_OK;
}

void CWriterFilter::EncodePicture(CWriterInputPin* pin, AVFrame* frame, bool timed, REFERENCE_TIME start,
                                  REFERENCE_TIME stop)
{
    std::lock_guard<std::mutex> s(pin->StreamLock());
    LavEncoder* encoder = pin->m_pEncoder.get();
    if (pin->m_bEnded || !encoder) {
        av_frame_free(&frame);
        return;
    }
    const AVCodecContext* c = encoder->Context();
    // The picture's place on the output's frame grid; video times are
    // divided by the playback rate.
    int64_t pts = pin->m_nLastPts == AV_NOPTS_VALUE ? 0 : pin->m_nLastPts + 1;
    int64_t endPts = pts + 1;
    if (timed) {
        pts = PlaceOnGrid(start, c->time_base);
        endPts = std::max(pts + 1, PlaceOnGrid(stop, c->time_base));
    }
    if (pin->m_nLastPts != AV_NOPTS_VALUE && pts <= pin->m_nLastPts) {
        // Two pictures for one place of the grid: the first one stays.
        if (timed) pin->m_nProgress = stop;
        av_frame_free(&frame);
        return;
    }
    m_preview.Offer(frame, pin->Picture().displayAspect);
    bool writeFailed = false;
    auto sink = [&](AVPacket* p) { return (writeFailed = !WritePacket(pin, p)) == false; };
    bool ok = true;
    // The file has a constant frame rate: places of the grid that no
    // picture reached show the one before, and those before the first
    // picture (a source whose pictures start after its sound) show the
    // first, so that the pictures start with the file.
    if (pin->m_pLastPicture && pts - pin->m_nLastPts <= kMaxRepeatedFrames) {
        for (int64_t missing = pin->m_nLastPts + 1; ok && missing < pts; ++missing) {
            pin->m_pLastPicture->pts = missing;
            ok = encoder->EncodeVideo(pin->m_pLastPicture, sink);
        }
    } else if (!pin->m_pLastPicture && pin->m_nLastPts == AV_NOPTS_VALUE && pts > 0 && pts <= kMaxRepeatedFrames) {
        for (int64_t missing = 0; ok && missing < pts; ++missing) {
            frame->pts = missing;
            ok = encoder->EncodeVideo(frame, sink);
        }
    }
    frame->pts = pts;
    ok = ok && encoder->EncodeVideo(frame, sink);
    av_frame_free(&pin->m_pLastPicture);
    pin->m_pLastPicture = frame;
    if (!ok) {
        Fail(writeFailed ? Failure::Output : Failure::Encoder);
        return;
    }
    pin->m_nLastPts = pts;
    pin->m_nEndPts = endPts;
    if (timed) pin->m_nProgress = stop;
}

int64_t CWriterFilter::PlaceOnGrid(REFERENCE_TIME time, AVRational timeBase) const
{
    // Video times are divided by the playback rate. The nearest place; a
    // time exactly between two takes the earlier one, so that every other
    // picture of a doubled speed fills the places from the first to the
    // last.
    double seconds = static_cast<double>(time) / kUnitsPerSecond / m_dPlaybackRate;
    return static_cast<int64_t>(std::ceil(seconds * timeBase.den / timeBase.num - 0.5));
}

HRESULT CWriterFilter::EncodeSound(CWriterInputPin* pin, IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    std::lock_guard<std::mutex> s(pin->StreamLock());
    if (pin->m_bEnded) return S_FALSE;
    LavEncoder* encoder = pin->m_pEncoder.get();
    if (timed) pin->m_nProgress = stop;
    if (!encoder) return S_OK;  // the first pass encodes no sound
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
    int block = pin->Sound().BlockBytes();
    int frames = block > 0 ? sample->GetActualDataLength() / block : 0;
    if (frames <= 0) return S_OK;
    if (pin->m_nAudioStart == AV_NOPTS_VALUE)
        pin->m_nAudioStart =
            timed ? std::llround(static_cast<double>(start) / kUnitsPerSecond * encoder->Context()->sample_rate) : 0;
    bool writeFailed = false;
    if (!encoder->EncodeAudio(data, frames, pin->m_nAudioStart,
                              [&](AVPacket* p) { return (writeFailed = !WritePacket(pin, p)) == false; })) {
        Fail(writeFailed ? Failure::Output : Failure::Encoder);
        return S_FALSE;
    }
    return S_OK;
}

void CWriterFilter::EndOfStreamFrom(CWriterInputPin* pin)
{
    // The pictures' end follows them through the encoding thread.
    if (pin->StreamKind() == CWriterInputPin::Kind::Video &&
        m_pictures.Push(PictureQueueItem{PictureQueueItem::Kind::End}))
        return;
    EndStream(pin);
}

void CWriterFilter::EndStream(CWriterInputPin* pin)
{
    {
        std::lock_guard<std::mutex> s(pin->StreamLock());
        if (pin->m_bEnded) return;
        pin->m_bEnded = true;
        pin->m_bAtEnd = true;
        if (pin->m_pEncoder && !Failed()) {
            bool writeFailed = false;
            auto sink = [&](AVPacket* p) { return (writeFailed = !WritePacket(pin, p)) == false; };
            // The last picture lasts as long as the source shows it: a file
            // of a higher rate repeats it up to its end.
            bool ok = true;
            if (pin->m_pLastPicture && pin->m_nEndPts != AV_NOPTS_VALUE &&
                pin->m_nEndPts - pin->m_nLastPts <= kMaxRepeatedFrames) {
                for (int64_t place = pin->m_nLastPts + 1; ok && place < pin->m_nEndPts; ++place) {
                    pin->m_pLastPicture->pts = place;
                    ok = pin->m_pEncoder->EncodeVideo(pin->m_pLastPicture, sink);
                }
            }
            if (!ok || !pin->m_pEncoder->Flush(sink)) Fail(writeFailed ? Failure::Output : Failure::Encoder);
        }
    }
    for (CWriterInputPin* other : m_inputs) {
        std::lock_guard<std::mutex> s(other->StreamLock());
        if (!other->m_bEnded) return;
    }
    if (!Failed()) {
        Failure missing = MissingStream();
        if (missing != Failure::None) Fail(missing);
    }
    FinishRun(true);
    bool send = false;
    {
        std::lock_guard<std::mutex> r(m_runLock);
        if (m_failure == Failure::None && !m_bCompleteSent && State() == State_Running) send = m_bCompleteSent = true;
    }
    if (send) NotifyEvent(EC_COMPLETE, S_OK, 0);
}

void CWriterFilter::DrainInputs()
{
    for (CWriterInputPin* pin : m_inputs) {
        std::lock_guard<std::mutex> s(pin->StreamLock());
        if (pin->m_bEnded) continue;
        pin->m_bEnded = true;
        if (pin->m_pEncoder && !Failed()) pin->m_pEncoder->Flush([&](AVPacket* p) { return WritePacket(pin, p); });
    }
}

void CWriterFilter::FinishRun(bool complete)
{
    std::unique_ptr<WriterOutput> output;
    int pass = 0;
    bool failed = false;
    bool lacksStream = false;
    {
        std::lock_guard<std::mutex> r(m_runLock);
        if (!m_bRunOpen) return;
        m_bRunOpen = false;
        if (complete) m_bComplete = true;
        output = std::move(m_pOutput);
        pass = m_nRunPass;
        failed = m_failure != Failure::None;
        lacksStream = m_failure == Failure::NoVideo || m_failure == Failure::NoSound;
    }
    std::string stats;
    for (CWriterInputPin* pin : m_inputs) {
        std::lock_guard<std::mutex> s(pin->StreamLock());
        if (pin->m_pEncoder && pin->StreamKind() == CWriterInputPin::Kind::Video) stats = pin->m_pEncoder->Stats();
        av_frame_free(&pin->m_pLastPicture);
        // Closing an H.264 encoder is what completes libx264's statistics.
        pin->m_pEncoder.reset();
    }
    if (pass == 1) {
        bool keep = complete && !failed;
        if (keep && !m_bRunH264 && !WriteFileAtomically(StatsPath(), stats, 0600)) {
            Fail(Failure::Output);
            keep = false;
        }
        if (!keep) RemoveStatsFiles();
        return;
    }
    // The trailer makes what was written playable, also after a stop.
    if (output && !output->Finish() && !failed) Fail(Failure::Output);
    // A file without a stream the job asked for would pass for a whole one.
    if (output && lacksStream) std::remove(m_strOutput.c_str());
    if (pass == 2 || lacksStream) RemoveStatsFiles();
}
