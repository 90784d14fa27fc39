#include "modules/haf/AudioTreatment.h"

#include <algorithm>
#include <cmath>

namespace {

// Multiplies the samples by the gain, rounding as the resampling library
// does and holding them to full scale.
void ApplyGain(int16_t* samples, size_t count, float gain)
{
    for (size_t i = 0; i < count; ++i) {
        const float v = std::clamp(samples[i] * gain, -32768.0f, 32767.0f);
        samples[i] = static_cast<int16_t>(std::lrint(v));
    }
}

int PeakOf(const int16_t* samples, size_t count)
{
    int peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

}  // namespace

int64_t FramesOfMilliseconds(int64_t ms, int rate) { return av_rescale(ms, rate, 1000); }

CAudioTreatment::~CAudioTreatment() { Stop(); }

void CAudioTreatment::Stop()
{
    swr_free(&m_resampler);
    m_tempo.Close();
    m_tempoBuffer.clear();
    m_widened.clear();
    m_tempoIn = 0;
    m_tempoOut = 0;
    m_peak = 0;
    m_silenceFrames = 0;
    m_cutFrames = 0;
}

bool CAudioTreatment::Start(const AudioTreatmentSetup& setup)
{
    Stop();
    if (setup.input.channels <= 0 || setup.input.rate <= 0 || setup.outputRate <= 0 || setup.outputChannels <= 0 ||
        !(setup.playbackRate > 0) || !std::isfinite(setup.playbackRate))
        return false;
    m_setup = setup;
    const bool speed = setup.playbackRate != 1.0;
    const bool tempo = speed && setup.keepPitch;
    // Without the pitch kept, the sound is read as if it had been recorded
    // at a rate that much higher: it plays faster and higher.
    int64_t inputRate = setup.input.rate;
    if (speed && !tempo) inputRate = std::max<int64_t>(1, std::llround(setup.input.rate * setup.playbackRate));
    if (inputRate > INT32_MAX) return false;

    AVChannelLayout in{}, out{};
    PcmChannelLayout(setup.input, &in);
    PcmFormat output;
    output.channels = setup.outputChannels;
    output.mask = setup.outputMask;
    PcmChannelLayout(output, &out);
    int r = swr_alloc_set_opts2(&m_resampler, &out, AV_SAMPLE_FMT_S16, setup.outputRate, &in, setup.input.sampleFormat,
                                static_cast<int>(inputRate), 0, nullptr);
    if (r >= 0 && setup.quality == 0) {
        av_opt_set_int(m_resampler, "filter_size", 1, 0);
        av_opt_set_int(m_resampler, "linear_interp", 1, 0);
    }
    bool ok = r >= 0 && swr_init(m_resampler) >= 0;
    if (ok && tempo) ok = m_tempo.Open(setup.playbackRate, setup.outputRate, out);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (!ok) {
        Stop();
        return false;
    }
    if (setup.delayMs > 0) m_silenceFrames = FramesOfMilliseconds(setup.delayMs, setup.outputRate);
    if (setup.delayMs < 0) m_cutFrames = FramesOfMilliseconds(-static_cast<int64_t>(setup.delayMs), setup.outputRate);
    return true;
}

bool CAudioTreatment::Treat(const uint8_t* data, int frames, const AudioLevels& levels, DspPluginModule* dsp,
                            std::vector<int16_t>* out)
{
    if (!m_resampler) return false;
    if (frames <= 0) return true;
    return Convert(data, frames, levels, dsp, out);
}

bool CAudioTreatment::Finish(const AudioLevels& levels, DspPluginModule* dsp, std::vector<int16_t>* out)
{
    if (!m_resampler) return true;
    const bool ok = Convert(nullptr, 0, levels, dsp, out);
    Stop();
    return ok;
}

bool CAudioTreatment::Convert(const uint8_t* data, int frames, const AudioLevels& levels, DspPluginModule* dsp,
                              std::vector<int16_t>* out)
{
    const size_t channels = static_cast<size_t>(m_setup.outputChannels);
    // The delay's silence comes first, whether or not sound follows yet.
    if (m_silenceFrames > 0) {
        out->insert(out->end(), static_cast<size_t>(m_silenceFrames) * channels, int16_t{0});
        m_silenceFrames = 0;
    }
    const int room = swr_get_out_samples(m_resampler, frames);
    if (room < 0) return false;
    const size_t base = out->size();
    // Room for the DSP module to give back up to twice the frames.
    out->resize(base + static_cast<size_t>(room) * 2 * channels);
    uint8_t* to[1] = {reinterpret_cast<uint8_t*>(out->data() + base)};
    const uint8_t* from[1] = {data};
    if (data && m_setup.input.packed24) {
        // Samples of three bytes reach the resampler as 32-bit ones.
        m_widened.resize(static_cast<size_t>(frames) * static_cast<size_t>(m_setup.input.channels));
        WidenPacked24(data, m_widened.size(), m_widened.data());
        from[0] = reinterpret_cast<const uint8_t*>(m_widened.data());
    }
    const int made = room > 0 ? swr_convert(m_resampler, to, room, data ? from : nullptr, frames) : 0;
    if (made < 0) {
        out->resize(base);
        return false;
    }
    return Shape(base, made, levels, dsp, !data, out);
}

bool CAudioTreatment::Shape(size_t base, int frames, const AudioLevels& levels, DspPluginModule* dsp, bool ending,
                            std::vector<int16_t>* out)
{
    const size_t channels = static_cast<size_t>(m_setup.outputChannels);
    if (m_tempo.IsOpen()) {
        m_tempoBuffer.clear();
        bool ok = frames <= 0 || m_tempo.Push(out->data() + base, frames, &m_tempoBuffer);
        m_tempoIn += frames;
        if (ok && ending) {
            ok = m_tempo.Finish(&m_tempoBuffer);
            // The tempo filter's last frames may fall short of (or run past)
            // the length the speed gives: the end is made up with silence or
            // cut, so that the sound keeps its place beside the picture.
            const int64_t wanted = std::llround(m_tempoIn / m_setup.playbackRate) - m_tempoOut;
            m_tempoBuffer.resize(static_cast<size_t>(std::max<int64_t>(0, wanted)) * channels, int16_t{0});
        }
        if (!ok) {
            out->resize(base);
            return false;
        }
        frames = static_cast<int>(m_tempoBuffer.size() / channels);
        m_tempoOut += frames;
        out->resize(base + static_cast<size_t>(frames) * 2 * channels);
        std::copy(m_tempoBuffer.begin(), m_tempoBuffer.end(), out->begin() + static_cast<std::ptrdiff_t>(base));
    }
    int16_t* samples = out->data() + base;
    const size_t count = static_cast<size_t>(frames) * channels;

    float gain = static_cast<float>(std::pow(10.0, levels.amplifyDb / 20.0));
    if (levels.normalize) {
        m_peak = std::max(m_peak, PeakOf(samples, count));
        // Raised until the loudest peak so far reaches the level, by at most
        // the limit; never lowered.
        const double target = std::clamp(levels.normalizeLevel, 0, 100) / 100.0 * 32768.0;
        const double raise = m_peak > 0 ? target / m_peak : levels.gainLimit;
        gain *= static_cast<float>(std::clamp(raise, 1.0, std::max(1.0, levels.gainLimit)));
    }
    if (gain != 1.0f) ApplyGain(samples, count, gain);

    int kept = frames;
    if (dsp && dsp->ModifySamples && frames > 0) {
        const int capacity = frames * 2;
        // Frames a module claims without writing them are silence, never
        // what an earlier piece left in the buffer.
        std::fill(samples + count, samples + count * 2, int16_t{0});
        kept = ClampDspSampleCount(
            dsp->ModifySamples(dsp, samples, frames, 16, static_cast<int>(channels), m_setup.outputRate), capacity);
    }
    if (m_cutFrames > 0 && kept > 0) {
        const int64_t cut = std::min<int64_t>(m_cutFrames, kept);
        m_cutFrames -= cut;
        std::copy(samples + cut * channels, samples + static_cast<size_t>(kept) * channels, samples);
        kept -= static_cast<int>(cut);
    }
    out->resize(base + static_cast<size_t>(std::max(kept, 0)) * channels);
    return true;
}
