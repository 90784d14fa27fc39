// A playback stream on the desktop's sound server (PulseAudio, or PipeWire
// serving the same protocol) for the audio renderer. The server is the one
// the environment names (PULSE_SERVER, else the user's runtime folder); a
// server is never started for it. Without a server that answers in time,
// or for a format the server cannot play, Open fails and the renderer
// keeps time without sound.
//
// Open and Close belong to the thread that changes the renderer's state;
// Write comes from the streaming thread and may overlap Cork and Flush.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

// The sample layout of a stream: integer samples of 8 (unsigned), 16, 24 or
// 32 bits, or 32-bit floats, little-endian and interleaved, channels in the
// order of the wave format's extensible channel mask.
struct PulseAudioFormat {
    bool isFloat = false;
    int bitsPerSample = 16;
    int channels = 2;
    int rate = 44100;
};

class PulseAudioOutput {
public:
    PulseAudioOutput() = default;
    ~PulseAudioOutput();
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    // Connects and opens a corked stream of the format; false (nothing
    // open) when no server answers within the time-out, the format is not
    // playable or the stream cannot be made.
    bool Open(const PulseAudioFormat& format, std::chrono::milliseconds timeout);
    void Close();
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }

    // Queues the bytes, waiting for room while the stream plays; what does
    // not fit while it is corked, or within a second, is dropped. False when
    // the stream has failed (the server went away).
    bool Write(const uint8_t* data, size_t bytes);
    // Corked, the server holds the stream still.
    void Cork(bool corked);
    // Drops what is queued and not yet played.
    void Flush();

private:
    // Waits (the loop locked) until the state test says done or failed, or
    // the deadline passes; true when done.
    template <class Done, class Failed>
    bool WaitFor(Done done, Failed failed, std::chrono::steady_clock::time_point deadline);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::atomic<bool> open_{false};
    std::atomic<bool> corked_{true};
};
