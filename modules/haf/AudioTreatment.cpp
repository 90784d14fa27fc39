#include "modules/haf/AudioTreatment.h"

#include <algorithm>
#include <cmath>

namespace {

int16_t RoundToShort(float v)
{
    // As the resampling library rounds float to 16-bit samples.
    long s = std::lrint(v * 32768.0f);
    return static_cast<int16_t>(std::clamp<long>(s, -32768, 32767));
}

}  // namespace

int64_t FramesOfMilliseconds(int64_t ms, int rate) { return av_rescale(ms, rate, 1000); }

CAudioTreatment::~CAudioTreatment() { Stop(); }

void CAudioTreatment::Stop()
{
    swr_free(&resampler_);
    tempo_.Close();
    converted_.clear();
    tempoBuffer_.clear();
    rounded_.clear();
    tempoIn_ = 0;
    tempoOut_ = 0;
    peak_ = 0;
    silenceFrames_ = 0;
    cutFrames_ = 0;
}

bool CAudioTreatment::Start(const AudioTreatmentSetup& setup)
{
    Stop();
    if (setup.input.channels <= 0 || setup.input.rate <= 0 || setup.outputRate <= 0 || setup.outputChannels <= 0 ||
        !(setup.playbackRate > 0) || !std::isfinite(setup.playbackRate))
        return false;
    setup_ = setup;
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
    int r = swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_FLT, setup.outputRate, &in, setup.input.sampleFormat,
                                static_cast<int>(inputRate), 0, nullptr);
    if (r >= 0 && setup.quality == 0) {
        av_opt_set_int(resampler_, "filter_size", 1, 0);
        av_opt_set_int(resampler_, "linear_interp", 1, 0);
    }
    bool ok = r >= 0 && swr_init(resampler_) >= 0;
    if (ok && tempo) ok = tempo_.Open(setup.playbackRate, setup.outputRate, out);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (!ok) {
        Stop();
        return false;
    }
    if (setup.delayMs > 0) silenceFrames_ = FramesOfMilliseconds(setup.delayMs, setup.outputRate);
    if (setup.delayMs < 0) cutFrames_ = FramesOfMilliseconds(-static_cast<int64_t>(setup.delayMs), setup.outputRate);
    return true;
}

bool CAudioTreatment::Treat(const uint8_t* data, int frames, const AudioLevels& levels, DspPluginModule* dsp,
                            std::vector<int16_t>* out)
{
    if (!resampler_) return false;
    if (frames <= 0) return true;
    int room = swr_get_out_samples(resampler_, frames);
    if (room < 0) return false;
    converted_.resize(static_cast<size_t>(room) * setup_.outputChannels);
    uint8_t* to[1] = {reinterpret_cast<uint8_t*>(converted_.data())};
    const uint8_t* from[1] = {data};
    int made = swr_convert(resampler_, to, room, from, frames);
    if (made < 0) return false;
    return Shape(converted_.data(), made, levels, dsp, out);
}

bool CAudioTreatment::Finish(const AudioLevels& levels, DspPluginModule* dsp, std::vector<int16_t>* out)
{
    if (!resampler_) return true;
    bool ok = true;
    int room = swr_get_out_samples(resampler_, 0);
    if (room > 0) {
        converted_.resize(static_cast<size_t>(room) * setup_.outputChannels);
        uint8_t* to[1] = {reinterpret_cast<uint8_t*>(converted_.data())};
        int made = swr_convert(resampler_, to, room, nullptr, 0);
        ok = made >= 0 && Shape(converted_.data(), made, levels, dsp, out);
    }
    if (ok && tempo_.IsOpen()) {
        std::vector<float> rest;
        ok = tempo_.Finish(&rest);
        // The tempo filter's last frames may fall short of (or run past) the
        // length the speed gives: the end is made up with silence or cut,
        // so that the sound keeps its place beside the picture.
        const size_t channels = static_cast<size_t>(setup_.outputChannels);
        const int64_t wanted = std::llround(tempoIn_ / setup_.playbackRate) - tempoOut_;
        rest.resize(static_cast<size_t>(std::max<int64_t>(0, wanted)) * channels, 0.0f);
        if (ok) ok = Shape(rest.data(), static_cast<int>(rest.size() / channels), levels, dsp, out);
    }
    Stop();
    return ok;
}

bool CAudioTreatment::Shape(const float* samples, int frames, const AudioLevels& levels, DspPluginModule* dsp,
                            std::vector<int16_t>* out)
{
    const int channels = setup_.outputChannels;
    if (tempo_.IsOpen()) {
        tempoBuffer_.clear();
        if (frames > 0 && !tempo_.Push(samples, frames, &tempoBuffer_)) return false;
        tempoIn_ += frames;
        samples = tempoBuffer_.data();
        frames = static_cast<int>(tempoBuffer_.size() / static_cast<size_t>(channels));
        tempoOut_ += frames;
    }
    // The delay's silence comes first, whether or not sound follows yet.
    if (silenceFrames_ > 0) {
        out->insert(out->end(), static_cast<size_t>(silenceFrames_) * channels, int16_t{0});
        silenceFrames_ = 0;
    }
    if (frames <= 0) return true;
    const size_t count = static_cast<size_t>(frames) * channels;

    float gain = static_cast<float>(std::pow(10.0, levels.amplifyDb / 20.0));
    if (levels.normalize) {
        for (size_t i = 0; i < count; ++i) peak_ = std::max(peak_, std::fabs(samples[i]));
        // Raised until the loudest peak so far reaches the level, by at most
        // the limit; never lowered.
        double target = std::clamp(levels.normalizeLevel, 0, 100) / 100.0;
        double raise = peak_ > 0 ? target / peak_ : levels.gainLimit;
        gain *= static_cast<float>(std::clamp(raise, 1.0, std::max(1.0, levels.gainLimit)));
    }
    // Room for the DSP module to give back up to twice the frames.
    const int capacity = frames * 2;
    rounded_.resize(static_cast<size_t>(capacity) * channels);
    if (gain == 1.0f) {
        for (size_t i = 0; i < count; ++i) rounded_[i] = RoundToShort(samples[i]);
    } else {
        for (size_t i = 0; i < count; ++i) rounded_[i] = RoundToShort(samples[i] * gain);
    }
    int kept = frames;
    if (dsp && dsp->ModifySamples) {
        // Frames a module claims without writing them are silence, never
        // what an earlier piece left in the buffer.
        std::fill(rounded_.begin() + static_cast<std::ptrdiff_t>(count), rounded_.end(), int16_t{0});
        kept = ClampDspSampleCount(
            dsp->ModifySamples(dsp, rounded_.data(), frames, 16, channels, setup_.outputRate), capacity);
    }
    Deliver(rounded_.data(), kept, out);
    return true;
}

void CAudioTreatment::Deliver(const int16_t* samples, int frames, std::vector<int16_t>* out)
{
    if (cutFrames_ > 0) {
        int64_t cut = std::min<int64_t>(cutFrames_, frames);
        cutFrames_ -= cut;
        samples += cut * setup_.outputChannels;
        frames -= static_cast<int>(cut);
    }
    if (frames > 0) out->insert(out->end(), samples, samples + static_cast<size_t>(frames) * setup_.outputChannels);
}
