#include "platform/dshow/filters/PulseAudioOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <thread>

namespace {

bool SampleFormatOf(const PulseAudioFormat& f, pa_sample_format_t* format)
{
    if (f.isFloat) {
        if (f.bitsPerSample != 32) return false;
        *format = PA_SAMPLE_FLOAT32LE;
        return true;
    }
    switch (f.bitsPerSample) {
    case 8: *format = PA_SAMPLE_U8; return true;
    case 16: *format = PA_SAMPLE_S16LE; return true;
    case 24: *format = PA_SAMPLE_S24LE; return true;
    case 32: *format = PA_SAMPLE_S32LE; return true;
    default: return false;
    }
}

void Unref(pa_operation* operation)
{
    if (operation) pa_operation_unref(operation);
}

// How much the server is asked to keep queued: little, so that the sound
// follows the pictures closely.
constexpr pa_usec_t kTargetLatency = 80 * 1000;

}  // namespace

PulseAudioOutput::~PulseAudioOutput() { Close(); }

template <class Done, class Failed>
bool PulseAudioOutput::WaitFor(Done done, Failed failed, std::chrono::steady_clock::time_point deadline)
{
    // The loop's thread changes the states; polling with the lock let go
    // between looks needs no callback into this object.
    for (;;) {
        if (done()) return true;
        if (failed() || std::chrono::steady_clock::now() >= deadline) return false;
        pa_threaded_mainloop_unlock(loop_);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(loop_);
    }
}

bool PulseAudioOutput::Open(const PulseAudioFormat& format, std::chrono::milliseconds timeout)
{
    Close();
    pa_sample_spec spec{};
    if (!SampleFormatOf(format, &spec.format) || format.channels <= 0 ||
        format.channels > static_cast<int>(PA_CHANNELS_MAX) || format.rate <= 0)
        return false;
    spec.rate = static_cast<uint32_t>(format.rate);
    spec.channels = static_cast<uint8_t>(format.channels);
    if (!pa_sample_spec_valid(&spec)) return false;
    pa_channel_map map;
    if (!pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX)) return false;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "RivoEnc");
    // No server is started for a preview: only one that runs is used.
    if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        Close();
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    bool ready = WaitFor([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
                         [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); }, deadline);
    if (ready) {
        stream_ = pa_stream_new(context_, "Preview", &spec, &map);
        pa_buffer_attr attributes;
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatency, &spec));
        attributes.prebuf = static_cast<uint32_t>(-1);
        attributes.minreq = static_cast<uint32_t>(-1);
        attributes.fragsize = static_cast<uint32_t>(-1);
        auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
        ready = stream_ && pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) == 0 &&
                WaitFor([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                        [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); }, deadline);
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!ready) {
        Close();
        return false;
    }
    corked_ = true;
    open_ = true;
    return true;
}

void PulseAudioOutput::Close()
{
    open_ = false;
    if (!loop_) return;
    pa_threaded_mainloop_lock(loop_);
    if (stream_) pa_stream_disconnect(stream_);
    if (context_) pa_context_disconnect(context_);
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    if (stream_) pa_stream_unref(stream_);
    if (context_) pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
    stream_ = nullptr;
    context_ = nullptr;
    loop_ = nullptr;
}

bool PulseAudioOutput::Write(const uint8_t* data, size_t bytes)
{
    if (!IsOpen()) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    pa_threaded_mainloop_lock(loop_);
    bool alive = true;
    while (bytes > 0) {
        if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
            alive = false;
            break;
        }
        size_t room = pa_stream_writable_size(stream_);
        if (room == static_cast<size_t>(-1)) {
            alive = false;
            break;
        }
        if (room == 0) {
            // A corked stream makes no room: what does not fit is dropped.
            if (corked_ || std::chrono::steady_clock::now() >= deadline) break;
            pa_threaded_mainloop_unlock(loop_);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            pa_threaded_mainloop_lock(loop_);
            continue;
        }
        size_t n = std::min(room, bytes);
        if (pa_stream_write(stream_, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            alive = false;
            break;
        }
        data += n;
        bytes -= n;
    }
    pa_threaded_mainloop_unlock(loop_);
    return alive;
}

void PulseAudioOutput::Cork(bool corked)
{
    corked_ = corked;
    if (!IsOpen()) return;
    pa_threaded_mainloop_lock(loop_);
    Unref(pa_stream_cork(stream_, corked ? 1 : 0, nullptr, nullptr));
    pa_threaded_mainloop_unlock(loop_);
}

void PulseAudioOutput::Flush()
{
    if (!IsOpen()) return;
    pa_threaded_mainloop_lock(loop_);
    Unref(pa_stream_flush(stream_, nullptr, nullptr));
    pa_threaded_mainloop_unlock(loop_);
}
