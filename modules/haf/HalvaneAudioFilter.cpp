#include "modules/haf/HalvaneAudioFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/dshow/filters/CodecTable.h"

namespace {

// What the program passes as the normaliser's limit: +8 dB.
const double kDefaultGainLimit = std::pow(10.0, 0.4);

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 192000;
constexpr int kMostChannels = 2;
constexpr double kSlowestPlayback = 0.1;
constexpr double kFastestPlayback = 10.0;
constexpr int kLongestDelayMs = 3600000;
constexpr int kLoudestDb = 60;

std::wstring InputName(size_t n) { return L"In " + std::to_wstring(n); }

// The codec a stream was decoded from: the compressed type on the input of
// the filter that feeds the pin, when that filter has one; else the PCM
// itself.
std::string CodecNameOf(IPin* pin, const PcmFormat& pcm)
{
    ComPtr<IPin> peer;
    PIN_INFO info{};
    if (pin && SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && SUCCEEDED(peer->QueryPinInfo(&info)) &&
        info.pFilter) {
        ComPtr<IBaseFilter> upstream;
        upstream.Attach(info.pFilter);
        ComPtr<IEnumPins> pins;
        IPin* p = nullptr;
        if (SUCCEEDED(upstream->EnumPins(pins.GetAddressOf()))) {
            while (pins->Next(1, &p, nullptr) == S_OK) {
                ComPtr<IPin> candidate;
                candidate.Attach(p);
                PIN_DIRECTION direction;
                CMediaType type;
                if (FAILED(candidate->QueryDirection(&direction)) || direction != PINDIR_INPUT ||
                    FAILED(candidate->ConnectionMediaType(&type)))
                    continue;
                AVCodecID id = CodecTable::Instance().CodecOf(type.majortype, type.subtype);
                if (id != AV_CODEC_ID_NONE) return avcodec_get_name(id);
            }
        }
    }
    return avcodec_get_name(pcm.packed24 ? AV_CODEC_ID_PCM_S24LE : av_get_pcm_codec(pcm.sampleFormat, 0));
}

}  // namespace

CHalvaneAudioFilter::CHalvaneAudioFilter(IUnknown* outer) : CBaseFilter(kAudioFilterName, outer, CLSID_HalvaneAudioFilter)
{
    inputs_.push_back(std::make_unique<CAudioInputPin>(this, InputName(1).c_str()));
    output_ = std::make_unique<CAudioOutputPin>(this, L"Out", inputs_.front().get());
    settings_.levels.gainLimit = kDefaultGainLimit;
}

CHalvaneAudioFilter::~CHalvaneAudioFilter() = default;

HRESULT CHalvaneAudioFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAudioFilterControl) return GetInterface(static_cast<IAudioFilterControl*>(this), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

int CHalvaneAudioFilter::GetPinCount()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    return static_cast<int>(inputs_.size()) + 1;
}

CBasePin* CHalvaneAudioFilter::GetPin(int n)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (n < 0) return nullptr;
    if (static_cast<size_t>(n) < inputs_.size()) return inputs_[static_cast<size_t>(n)].get();
    return static_cast<size_t>(n) == inputs_.size() ? output_.get() : nullptr;
}

// ---- Streams ------------------------------------------------------------------------------

std::vector<CAudioInputPin*> CHalvaneAudioFilter::ConnectedInputs()
{
    std::vector<CAudioInputPin*> connected;
    for (auto& pin : inputs_)
        if (pin->IsConnected()) connected.push_back(pin.get());
    return connected;
}

CAudioInputPin* CHalvaneAudioFilter::FlowingInput()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    std::vector<CAudioInputPin*> connected = ConnectedInputs();
    if (connected.empty()) return nullptr;
    int chosen = 0;
    {
        std::lock_guard<std::mutex> s(settingsLock_);
        chosen = settings_.stream;
    }
    return static_cast<size_t>(chosen) < connected.size() ? connected[static_cast<size_t>(chosen)] : connected[0];
}

void CHalvaneAudioFilter::InputConnected(CAudioInputPin* pin)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    // The next stream of the source finds a free input.
    if (pin == inputs_.back().get()) {
        inputs_.push_back(std::make_unique<CAudioInputPin>(this, InputName(inputs_.size() + 1).c_str()));
        IncrementPinVersion();
    }
    flowing_.store(FlowingInput(), std::memory_order_release);
    typeVersion_.fetch_add(1, std::memory_order_acq_rel);
}

void CHalvaneAudioFilter::InputDisconnected()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    flowing_.store(FlowingInput(), std::memory_order_release);
    typeVersion_.fetch_add(1, std::memory_order_acq_rel);
}

bool CHalvaneAudioFilter::OutputFormat(PcmFormat* format)
{
    CAudioInputPin* flowing = FlowingInput();
    if (!flowing) return false;
    PcmFormat input;
    if (!PcmFormatOfType(flowing->CurrentMediaType(), &input)) return false;
    std::lock_guard<std::mutex> s(settingsLock_);
    PcmFormat f;
    f.sampleFormat = AV_SAMPLE_FMT_S16;
    f.rate = settings_.sampleRate ? settings_.sampleRate : input.rate;
    f.channels = settings_.channels ? settings_.channels : input.channels;
    f.mask = settings_.channels ? 0 : input.mask;
    *format = f;
    return true;
}

// ---- States ------------------------------------------------------------------------------

void CHalvaneAudioFilter::ResetStream()
{
    treatment_.Stop();
    treated_ = nullptr;
    treatedSamples_.clear();
    origin_ = 0;
    haveOrigin_ = false;
    framesOut_ = 0;
    discontinuity_ = true;
    endDelivered_ = false;
}

HRESULT CHalvaneAudioFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsStopped()) return S_OK;
    // The inputs refuse new samples first; a sample being treated is waited
    // for before the output goes down.
    for (auto& pin : inputs_)
        if (pin->IsConnected()) pin->Inactive();
    std::lock_guard<std::mutex> r(streamLock_);
    if (output_->IsConnected()) output_->Inactive();
    ResetStream();
    SetState(State_Stopped);
    return S_OK;
}

HRESULT CHalvaneAudioFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    const bool fromStopped = IsStopped();
    if (fromStopped) {
        std::lock_guard<std::mutex> r(streamLock_);
        ResetStream();
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    // With no stream to give sound, whatever is downstream must still see
    // its stream end.
    if (fromStopped && ConnectedInputs().empty() && output_->IsConnected()) {
        std::lock_guard<std::mutex> r(streamLock_);
        endDelivered_ = true;
        output_->DeliverEndOfStream();
    }
    return S_OK;
}

// ---- The data path -------------------------------------------------------------------------

bool CHalvaneAudioFilter::StartTreatment(CAudioInputPin* pin)
{
    AudioTreatmentSetup setup;
    setup.input = pin->Format();
    const PcmFormat& output = output_->Format();
    setup.outputRate = output.rate;
    setup.outputChannels = output.channels;
    setup.outputMask = output.mask;
    {
        std::lock_guard<std::mutex> s(settingsLock_);
        setup.quality = settings_.quality;
        setup.playbackRate = settings_.playbackRate;
        setup.keepPitch = settings_.keepPitch;
        // The delay belongs to the start of the stream, not to a change of
        // the stream that flows.
        setup.delayMs = haveOrigin_ ? 0 : settings_.delayMs;
    }
    bool ok = treatment_.Start(setup);
    treated_ = ok ? pin : nullptr;
    return ok;
}

HRESULT CHalvaneAudioFilter::ReceiveFrom(CAudioInputPin* pin, IMediaSample* sample)
{
    if (pin != flowing_.load(std::memory_order_acquire)) return S_OK;  // a stream that does not flow
    std::lock_guard<std::mutex> r(streamLock_);
    if (!output_->IsConnected()) return VFW_E_NOT_CONNECTED;
    const PcmFormat& format = pin->Format();
    const int block = format.BlockBytes();
    const bool sameInput = treated_ == pin && treatment_.IsStarted() && treatment_.Setup().input == format;
    if (!sameInput) {
        // The stream's format changed under way: what the treatment holds
        // of the old one goes out first.
        if (treated_ == pin && treatment_.IsStarted()) {
            std::lock_guard<std::mutex> s(settingsLock_);
            treatment_.Finish(settings_.levels, settings_.dsp, &treatedSamples_);
        }
        if (!StartTreatment(pin)) {
            NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
            pin->SetRunTimeError();
            return E_FAIL;
        }
    }
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || block <= 0) return S_OK;
    const LONG length = sample->GetActualDataLength();
    int frames = length > 0 ? length / block : 0;
    if (!haveOrigin_) {
        // The output's time line starts where the stream's first sound was,
        // on the changed speed's scale. Sound from before the point the
        // stream started at (a decoded frame that straddles the point
        // sought) is left out, so that the delay counts from that point.
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(sample->GetTime(&start, &stop)) && start < 0) {
            const int64_t before = std::min<int64_t>(frames, av_rescale(-start, format.rate, UNITS));
            data += before * block;
            frames -= static_cast<int>(before);
            start = 0;
            if (frames <= 0) return S_OK;
        }
        origin_ = static_cast<REFERENCE_TIME>(std::llround(start / treatment_.Setup().playbackRate));
        haveOrigin_ = true;
    }
    bool treated;
    {
        std::lock_guard<std::mutex> s(settingsLock_);
        treated = treatment_.Treat(data, frames, settings_.levels, settings_.dsp, &treatedSamples_);
    }
    if (!treated) {
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
        pin->SetRunTimeError();
        return E_FAIL;
    }
    return DeliverTreated();
}

HRESULT CHalvaneAudioFilter::DeliverTreated()
{
    const PcmFormat& format = output_->Format();
    const size_t channels = static_cast<size_t>(format.channels);
    const LONG block = format.BlockBytes();
    const int64_t total = channels ? static_cast<int64_t>(treatedSamples_.size() / channels) : 0;
    HRESULT hr = S_OK;
    for (int64_t done = 0; done < total && hr == S_OK;) {
        IMediaSample* sample = nullptr;
        hr = output_->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) break;
        BYTE* buffer = nullptr;
        hr = sample->GetPointer(&buffer);
        const int64_t room = sample->GetSize() / block;
        const int64_t frames = std::min(room, total - done);
        if (SUCCEEDED(hr) && frames <= 0) hr = VFW_E_BUFFER_OVERFLOW;
        if (SUCCEEDED(hr)) {
            std::memcpy(buffer, treatedSamples_.data() + done * channels,
                        static_cast<size_t>(frames) * static_cast<size_t>(block));
            sample->SetActualDataLength(static_cast<LONG>(frames * block));
            REFERENCE_TIME start = origin_ + av_rescale(framesOut_, UNITS, format.rate);
            REFERENCE_TIME stop = origin_ + av_rescale(framesOut_ + frames, UNITS, format.rate);
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(TRUE);
            sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
            discontinuity_ = false;
            framesOut_ += frames;
            done += frames;
            hr = output_->Deliver(sample);
        }
        sample->Release();
    }
    treatedSamples_.clear();
    return hr;
}

HRESULT CHalvaneAudioFilter::EndOfStreamFrom(CAudioInputPin* pin)
{
    if (pin != flowing_.load(std::memory_order_acquire)) return S_OK;
    std::lock_guard<std::mutex> r(streamLock_);
    if (endDelivered_) return S_OK;
    if (treatment_.IsStarted()) {
        {
            std::lock_guard<std::mutex> s(settingsLock_);
            treatment_.Finish(settings_.levels, settings_.dsp, &treatedSamples_);
        }
        DeliverTreated();
    }
    endDelivered_ = true;
    return output_->DeliverEndOfStream();
}

HRESULT CHalvaneAudioFilter::BeginFlushFrom(CAudioInputPin* pin)
{
    if (pin != flowing_.load(std::memory_order_acquire)) return S_OK;
    return output_->DeliverBeginFlush();
}

HRESULT CHalvaneAudioFilter::EndFlushFrom(CAudioInputPin* pin)
{
    if (pin != flowing_.load(std::memory_order_acquire)) return S_OK;
    {
        std::lock_guard<std::mutex> r(streamLock_);
        ResetStream();
    }
    return output_->DeliverEndFlush();
}

HRESULT CHalvaneAudioFilter::NewSegmentFrom(CAudioInputPin* pin, REFERENCE_TIME start, REFERENCE_TIME stop,
                                            double rate)
{
    if (pin != flowing_.load(std::memory_order_acquire)) return S_OK;
    return output_->DeliverNewSegment(start, stop, rate);
}

// ---- Settings -----------------------------------------------------------------------------

HRESULT CHalvaneAudioFilter::ChangeOutputFormat(int Settings::*field, int value)
{
    ComPtr<IPin> peer;
    int old = 0;
    {
        std::lock_guard<std::recursive_mutex> g(filterLock_);
        PcmFormat before, after;
        const bool connected = output_->IsConnected() && OutputFormat(&before);
        {
            std::lock_guard<std::mutex> s(settingsLock_);
            old = settings_.*field;
            settings_.*field = value;
        }
        if (old != value) typeVersion_.fetch_add(1, std::memory_order_acq_rel);
        // A value that leaves the format as it is (the source's own rate
        // named, say) changes nothing downstream.
        if (!connected || (OutputFormat(&after) && after == before)) return S_OK;
        if (!IsStopped()) {
            std::lock_guard<std::mutex> s(settingsLock_);
            settings_.*field = old;
            return VFW_E_NOT_STOPPED;
        }
        output_->ConnectedTo(peer.GetAddressOf());
    }
    // The output is connected again with the new format; a downstream
    // filter that refuses it gets the old one back.
    peer->Disconnect();
    output_->Disconnect();
    HRESULT hr = output_->Connect(peer.Get(), nullptr);
    if (SUCCEEDED(hr)) return S_OK;
    {
        std::lock_guard<std::mutex> s(settingsLock_);
        settings_.*field = old;
    }
    typeVersion_.fetch_add(1, std::memory_order_acq_rel);
    output_->Connect(peer.Get(), nullptr);
    return hr;
}

HRESULT CHalvaneAudioFilter::SetAudioChannels(int channels)
{
    if (channels < 0 || channels > kMostChannels) return E_INVALIDARG;
    return ChangeOutputFormat(&Settings::channels, channels);
}

HRESULT CHalvaneAudioFilter::SetAudioBitsPerSample(int bits) { return bits == 16 ? S_OK : E_INVALIDARG; }

HRESULT CHalvaneAudioFilter::SetAudioSampleRate(int hz)
{
    if (hz != 0 && (hz < kLowestRate || hz > kHighestRate)) return E_INVALIDARG;
    return ChangeOutputFormat(&Settings::sampleRate, hz);
}

HRESULT CHalvaneAudioFilter::GetAudioSampleRate(int* hz)
{
    if (!hz) return E_POINTER;
    std::lock_guard<std::mutex> s(settingsLock_);
    *hz = settings_.sampleRate;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPlaybackRate(double rate)
{
    // A rate of 0, below 0 or not finite would make the sound endless or
    // empty.
    if (!std::isfinite(rate) || rate < kSlowestPlayback || rate > kFastestPlayback) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.playbackRate = rate;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPitchFix(int keepPitch)
{
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.keepPitch = keepPitch != 0;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioGainLimit(double factor)
{
    if (!std::isfinite(factor) || factor < 1.0) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.levels.gainLimit = factor;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::GetAudioStreamCount(int* count)
{
    if (!count) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    *count = static_cast<int>(ConnectedInputs().size());
    return S_OK;
}

HRESULT CHalvaneAudioFilter::GetAudioStreamInfo(int index, wchar_t* text, int* length)
{
    if (!length) return E_POINTER;
    const int size = *length;
    *length = -1;
    if (!text || size <= 0 || index < 0) return E_INVALIDARG;
    ComPtr<IPin> pin;
    PcmFormat format;
    {
        std::lock_guard<std::recursive_mutex> g(filterLock_);
        std::vector<CAudioInputPin*> connected = ConnectedInputs();
        if (static_cast<size_t>(index) >= connected.size() ||
            !PcmFormatOfType(connected[static_cast<size_t>(index)]->CurrentMediaType(), &format))
            return E_INVALIDARG;
        pin = connected[static_cast<size_t>(index)];
    }
    // Upstream filters are asked without this filter's lock: connecting
    // takes theirs before it.
    std::string codec = CodecNameOf(pin.Get(), format);
    std::wstring line(codec.begin(), codec.end());
    line += L", " + std::to_wstring(format.rate) + L" Hz, " + std::to_wstring(format.channels) +
            (format.channels == 1 ? L" channel" : L" channels");
    const size_t copied = std::min(line.size(), static_cast<size_t>(size - 1));
    std::wmemcpy(text, line.data(), copied);
    text[copied] = L'\0';
    *length = static_cast<int>(copied);
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioStream(int index)
{
    if (index < 0) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    {
        std::lock_guard<std::mutex> s(settingsLock_);
        settings_.stream = index;
    }
    flowing_.store(FlowingInput(), std::memory_order_release);
    typeVersion_.fetch_add(1, std::memory_order_acq_rel);
    return S_OK;
}

HRESULT CHalvaneAudioFilter::GetCurrentAudioStream(int* index)
{
    if (!index) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    std::vector<CAudioInputPin*> connected = ConnectedInputs();
    auto at = std::find(connected.begin(), connected.end(), flowing_.load(std::memory_order_acquire));
    if (at != connected.end()) {
        *index = static_cast<int>(at - connected.begin());
    } else {
        std::lock_guard<std::mutex> s(settingsLock_);
        *index = settings_.stream;
    }
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioDspModule(DspPluginModule* module)
{
    // The treating thread holds this lock while it calls the module.
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.dsp = module;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioNormalize(int on)
{
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.levels.normalize = on != 0;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioNormalizeLevel(int percent)
{
    if (percent < 0 || percent > 100) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.levels.normalizeLevel = percent;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPresetA(int quality)
{
    if (quality != 0 && quality != 1) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.quality = quality;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioSyncDelay(int ms)
{
    if (ms < -kLongestDelayMs || ms > kLongestDelayMs) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.delayMs = ms;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioAmplify(int db)
{
    if (db < -kLoudestDb || db > kLoudestDb) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(settingsLock_);
    settings_.levels.amplifyDb = db;
    return S_OK;
}
