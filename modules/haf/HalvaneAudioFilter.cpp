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

CHalvaneAudioFilter::CHalvaneAudioFilter(IUnknown* outer)
    : CBaseFilter(kAudioFilterName, outer, CLSID_HalvaneAudioFilter)
{
    m_inputs.push_back(std::make_unique<CAudioInputPin>(this, InputName(1).c_str()));
    m_output = std::make_unique<CAudioOutputPin>(this, L"Out", m_inputs.front().get());
    m_settings.levels.gainLimit = kDefaultGainLimit;
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
    return static_cast<int>(m_inputs.size()) + 1;
}

CBasePin* CHalvaneAudioFilter::GetPin(int n)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (n < 0) return nullptr;
    if (static_cast<size_t>(n) < m_inputs.size()) return m_inputs[static_cast<size_t>(n)].get();
    return static_cast<size_t>(n) == m_inputs.size() ? m_output.get() : nullptr;
}

// ---- Streams ------------------------------------------------------------------------------

std::vector<CAudioInputPin*> CHalvaneAudioFilter::ConnectedInputs()
{
    std::vector<CAudioInputPin*> connected;
    for (auto& pin : m_inputs)
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
        std::lock_guard<std::mutex> s(m_settingsLock);
        chosen = m_settings.stream;
    }
    return static_cast<size_t>(chosen) < connected.size() ? connected[static_cast<size_t>(chosen)] : connected[0];
}

void CHalvaneAudioFilter::InputConnected(CAudioInputPin* pin)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    // The next stream of the source finds a free input.
    if (pin == m_inputs.back().get()) {
        m_inputs.push_back(std::make_unique<CAudioInputPin>(this, InputName(m_inputs.size() + 1).c_str()));
        IncrementPinVersion();
    }
    m_flowing.store(FlowingInput(), std::memory_order_release);
    m_typeVersion.fetch_add(1, std::memory_order_acq_rel);
}

void CHalvaneAudioFilter::InputDisconnected()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    m_flowing.store(FlowingInput(), std::memory_order_release);
    m_typeVersion.fetch_add(1, std::memory_order_acq_rel);
}

bool CHalvaneAudioFilter::OutputFormat(PcmFormat* format)
{
    CAudioInputPin* flowing = FlowingInput();
    if (!flowing) return false;
    PcmFormat input;
    if (!PcmFormatOfType(flowing->CurrentMediaType(), &input)) return false;
    std::lock_guard<std::mutex> s(m_settingsLock);
    PcmFormat f;
    f.sampleFormat = AV_SAMPLE_FMT_S16;
    f.rate = m_settings.sampleRate ? m_settings.sampleRate : input.rate;
    f.channels = m_settings.channels ? m_settings.channels : input.channels;
    f.mask = m_settings.channels ? 0 : input.mask;
    *format = f;
    return true;
}

// ---- States ------------------------------------------------------------------------------

void CHalvaneAudioFilter::ResetStream()
{
    m_treatment.Stop();
    m_treated = nullptr;
    m_treatedSamples.clear();
    m_origin = 0;
    m_haveOrigin = false;
    m_framesOut = 0;
    m_discontinuity = true;
    m_endDelivered = false;
}

HRESULT CHalvaneAudioFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsStopped()) return S_OK;
    // The inputs refuse new samples first; a sample being treated is waited
    // for before the output goes down.
    for (auto& pin : m_inputs)
        if (pin->IsConnected()) pin->Inactive();
    std::lock_guard<std::mutex> r(m_streamLock);
    if (m_output->IsConnected()) m_output->Inactive();
    ResetStream();
    SetState(State_Stopped);
    return S_OK;
}

HRESULT CHalvaneAudioFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    const bool fromStopped = IsStopped();
    if (fromStopped) {
        std::lock_guard<std::mutex> r(m_streamLock);
        ResetStream();
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    // With no stream to give sound, whatever is downstream must still see
    // its stream end.
    if (fromStopped && ConnectedInputs().empty() && m_output->IsConnected()) {
        std::lock_guard<std::mutex> r(m_streamLock);
        m_endDelivered = true;
        m_output->DeliverEndOfStream();
    }
    return S_OK;
}

// ---- The data path -------------------------------------------------------------------------

bool CHalvaneAudioFilter::StartTreatment(CAudioInputPin* pin)
{
    AudioTreatmentSetup setup;
    setup.input = pin->Format();
    const PcmFormat& output = m_output->Format();
    setup.outputRate = output.rate;
    setup.outputChannels = output.channels;
    setup.outputMask = output.mask;
    {
        std::lock_guard<std::mutex> s(m_settingsLock);
        setup.quality = m_settings.quality;
        setup.playbackRate = m_settings.playbackRate;
        setup.keepPitch = m_settings.keepPitch;
        // The delay belongs to the start of the stream, not to a change of
        // the stream that flows.
        setup.delayMs = m_haveOrigin ? 0 : m_settings.delayMs;
    }
    bool ok = m_treatment.Start(setup);
    m_treated = ok ? pin : nullptr;
    return ok;
}

HRESULT CHalvaneAudioFilter::ReceiveFrom(CAudioInputPin* pin, IMediaSample* sample)
{
    if (pin != m_flowing.load(std::memory_order_acquire)) return S_OK;  // a stream that does not flow
    std::lock_guard<std::mutex> r(m_streamLock);
    if (!m_output->IsConnected()) return VFW_E_NOT_CONNECTED;
    const PcmFormat& format = pin->Format();
    const int block = format.BlockBytes();
    const bool sameInput = m_treated == pin && m_treatment.IsStarted() && m_treatment.Setup().input == format;
    if (!sameInput) {
        // The stream's format changed under way: what the treatment holds
        // of the old one goes out first.
        if (m_treated == pin && m_treatment.IsStarted()) {
            std::lock_guard<std::mutex> s(m_settingsLock);
            m_treatment.Finish(m_settings.levels, m_settings.dsp, &m_treatedSamples);
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
    if (!m_haveOrigin) {
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
        m_origin = static_cast<REFERENCE_TIME>(std::llround(start / m_treatment.Setup().playbackRate));
        m_haveOrigin = true;
    }
    bool treated;
    {
        std::lock_guard<std::mutex> s(m_settingsLock);
        treated = m_treatment.Treat(data, frames, m_settings.levels, m_settings.dsp, &m_treatedSamples);
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
    const PcmFormat& format = m_output->Format();
    const size_t channels = static_cast<size_t>(format.channels);
    const LONG block = format.BlockBytes();
    const int64_t total = channels ? static_cast<int64_t>(m_treatedSamples.size() / channels) : 0;
    HRESULT hr = S_OK;
    for (int64_t done = 0; done < total && hr == S_OK;) {
        IMediaSample* sample = nullptr;
        hr = m_output->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr)) break;
        BYTE* buffer = nullptr;
        hr = sample->GetPointer(&buffer);
        const int64_t room = sample->GetSize() / block;
        const int64_t frames = std::min(room, total - done);
        if (SUCCEEDED(hr) && frames <= 0) hr = VFW_E_BUFFER_OVERFLOW;
        if (SUCCEEDED(hr)) {
            std::memcpy(buffer, m_treatedSamples.data() + done * channels,
                        static_cast<size_t>(frames) * static_cast<size_t>(block));
            sample->SetActualDataLength(static_cast<LONG>(frames * block));
            REFERENCE_TIME start = m_origin + av_rescale(m_framesOut, UNITS, format.rate);
            REFERENCE_TIME stop = m_origin + av_rescale(m_framesOut + frames, UNITS, format.rate);
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(TRUE);
            sample->SetDiscontinuity(m_discontinuity ? TRUE : FALSE);
            m_discontinuity = false;
            m_framesOut += frames;
            done += frames;
            hr = m_output->Deliver(sample);
        }
        sample->Release();
    }
    m_treatedSamples.clear();
    return hr;
}

HRESULT CHalvaneAudioFilter::EndOfStreamFrom(CAudioInputPin* pin)
{
    if (pin != m_flowing.load(std::memory_order_acquire)) return S_OK;
    std::lock_guard<std::mutex> r(m_streamLock);
    if (m_endDelivered) return S_OK;
    if (m_treatment.IsStarted()) {
        {
            std::lock_guard<std::mutex> s(m_settingsLock);
            m_treatment.Finish(m_settings.levels, m_settings.dsp, &m_treatedSamples);
        }
        DeliverTreated();
    }
    m_endDelivered = true;
    return m_output->DeliverEndOfStream();
}

HRESULT CHalvaneAudioFilter::BeginFlushFrom(CAudioInputPin* pin)
{
    if (pin != m_flowing.load(std::memory_order_acquire)) return S_OK;
    return m_output->DeliverBeginFlush();
}

HRESULT CHalvaneAudioFilter::EndFlushFrom(CAudioInputPin* pin)
{
    if (pin != m_flowing.load(std::memory_order_acquire)) return S_OK;
    {
        std::lock_guard<std::mutex> r(m_streamLock);
        ResetStream();
    }
    return m_output->DeliverEndFlush();
}

HRESULT CHalvaneAudioFilter::NewSegmentFrom(CAudioInputPin* pin, REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (pin != m_flowing.load(std::memory_order_acquire)) return S_OK;
    return m_output->DeliverNewSegment(start, stop, rate);
}

// ---- Settings -----------------------------------------------------------------------------

HRESULT CHalvaneAudioFilter::ChangeOutputFormat(int Settings::*field, int value)
{
    ComPtr<IPin> peer;
    int old = 0;
    {
        std::lock_guard<std::recursive_mutex> g(filterLock_);
        PcmFormat before, after;
        const bool connected = m_output->IsConnected() && OutputFormat(&before);
        {
            std::lock_guard<std::mutex> s(m_settingsLock);
            old = m_settings.*field;
            m_settings.*field = value;
        }
        if (old != value) m_typeVersion.fetch_add(1, std::memory_order_acq_rel);
        // A value that leaves the format as it is (the source's own rate
        // named, say) changes nothing downstream.
        if (!connected || (OutputFormat(&after) && after == before)) return S_OK;
        if (!IsStopped()) {
            std::lock_guard<std::mutex> s(m_settingsLock);
            m_settings.*field = old;
            return VFW_E_NOT_STOPPED;
        }
        m_output->ConnectedTo(peer.GetAddressOf());
    }
    // The output is connected again with the new format; a downstream
    // filter that refuses it gets the old one back.
    peer->Disconnect();
    m_output->Disconnect();
    HRESULT hr = m_output->Connect(peer.Get(), nullptr);
    if (SUCCEEDED(hr)) return S_OK;
    {
        std::lock_guard<std::mutex> s(m_settingsLock);
        m_settings.*field = old;
    }
    m_typeVersion.fetch_add(1, std::memory_order_acq_rel);
    m_output->Connect(peer.Get(), nullptr);
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
    std::lock_guard<std::mutex> s(m_settingsLock);
    *hz = m_settings.sampleRate;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPlaybackRate(double rate)
{
    // A rate of 0, below 0 or not finite would make the sound endless or
    // empty.
    if (!std::isfinite(rate) || rate < kSlowestPlayback || rate > kFastestPlayback) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.playbackRate = rate;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPitchFix(int keepPitch)
{
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.keepPitch = keepPitch != 0;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioGainLimit(double factor)
{
    if (!std::isfinite(factor) || factor < 1.0) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.levels.gainLimit = factor;
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
        std::lock_guard<std::mutex> s(m_settingsLock);
        m_settings.stream = index;
    }
    m_flowing.store(FlowingInput(), std::memory_order_release);
    m_typeVersion.fetch_add(1, std::memory_order_acq_rel);
    return S_OK;
}

HRESULT CHalvaneAudioFilter::GetCurrentAudioStream(int* index)
{
    if (!index) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    std::vector<CAudioInputPin*> connected = ConnectedInputs();
    auto at = std::find(connected.begin(), connected.end(), m_flowing.load(std::memory_order_acquire));
    if (at != connected.end()) {
        *index = static_cast<int>(at - connected.begin());
    } else {
        std::lock_guard<std::mutex> s(m_settingsLock);
        *index = m_settings.stream;
    }
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioDspModule(DspPluginModule* module)
{
    // The treating thread holds this lock while it calls the module.
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.dsp = module;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioNormalize(int on)
{
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.levels.normalize = on != 0;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioNormalizeLevel(int percent)
{
    if (percent < 0 || percent > 100) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.levels.normalizeLevel = percent;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioPresetA(int quality)
{
    if (quality != 0 && quality != 1) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.quality = quality;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioSyncDelay(int ms)
{
    if (ms < -kLongestDelayMs || ms > kLongestDelayMs) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.delayMs = ms;
    return S_OK;
}

HRESULT CHalvaneAudioFilter::SetAudioAmplify(int db)
{
    if (db < -kLoudestDb || db > kLoudestDb) return E_INVALIDARG;
    std::lock_guard<std::mutex> s(m_settingsLock);
    m_settings.levels.amplifyDb = db;
    return S_OK;
}
