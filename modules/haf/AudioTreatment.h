// CAudioTreatment: what the audio filter does to the sound of the stream
// that flows (any PCM or float layout PcmFormat describes), in this order:
// the speed change and the conversion to the
// output's rate, channels and signed 16-bit samples (one pass of the
// resampling library; when the pitch is kept, the tempo filter changes the
// speed after it), the normaliser, the amplification, the DSP module, and
// last the sync delay on the output's time line (silence in front, or sound
// cut from the start).
//
// What shapes the stream is fixed from Start to the end of the stream
// (AudioTreatmentSetup); the levels and the DSP module are given with each
// call and may change at any time. One thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "modules/api/DspPluginApi.h"
#include "modules/haf/AudioTempo.h"
#include "platform/dshow/filters/PcmFormat.h"

struct AudioTreatmentSetup {
    PcmFormat input;
    // The output: signed 16-bit samples at this rate, with these channels.
    int outputRate = 0;
    int outputChannels = 0;
    uint64_t outputMask = 0;
    // The resampler: 1 its standard filter, 0 its shortest (fastest) one.
    int quality = 1;
    // The speed factor; 1 leaves the speed alone.
    double playbackRate = 1.0;
    bool keepPitch = false;
    // Milliseconds: above 0 silence in front, below 0 sound cut from the start.
    int delayMs = 0;
};

struct AudioLevels {
    bool normalize = false;
    int normalizeLevel = 100;  // percent of full scale the peaks are raised to
    double gainLimit = 1.0;    // the normaliser's largest factor
    int amplifyDb = 0;
};

class CAudioTreatment {
public:
    CAudioTreatment() = default;
    ~CAudioTreatment();
    CAudioTreatment(const CAudioTreatment&) = delete;
    CAudioTreatment& operator=(const CAudioTreatment&) = delete;

    // Drops whatever an earlier stream left and sets up for a new one;
    // false when the libraries refuse the formats (nothing is set up then).
    bool Start(const AudioTreatmentSetup& setup);
    void Stop();
    bool IsStarted() const { return m_resampler != nullptr; }
    const AudioTreatmentSetup& Setup() const { return m_setup; }

    // Treats frames of interleaved input samples and appends the output's
    // frames (interleaved signed 16-bit samples) to out.
    bool Treat(const uint8_t* data, int frames, const AudioLevels& levels, DspPluginModule* dsp,
               std::vector<int16_t>* out);
    // The end of the stream: appends what the stages still hold, then stops.
    bool Finish(const AudioLevels& levels, DspPluginModule* dsp, std::vector<int16_t>* out);

private:
    // Converts (data null: drains the resampler) into out from its end on.
    bool Convert(const uint8_t* data, int frames, const AudioLevels& levels, DspPluginModule* dsp,
                 std::vector<int16_t>* out);
    // The frames at out's end from `base` on, made ready: the tempo, the
    // levels, the DSP module, the delay's cut. The tempo's output replaces
    // them; with `ending`, what the tempo still holds comes out too.
    bool Shape(size_t base, int frames, const AudioLevels& levels, DspPluginModule* dsp, bool ending,
               std::vector<int16_t>* out);

    AudioTreatmentSetup m_setup;
    SwrContext* m_resampler = nullptr;
    CAudioTempo m_tempo;
    std::vector<int16_t> m_tempoBuffer;
    std::vector<int32_t> m_widened;  // input samples of three bytes, made 32-bit
    int64_t m_tempoIn = 0;           // frames given to the tempo filter
    int64_t m_tempoOut = 0;          // frames it gave back
    int m_peak = 0;                  // the loudest sample so far, for the normaliser
    int64_t m_silenceFrames = 0;     // still to be put in front
    int64_t m_cutFrames = 0;         // still to be cut from the start
};

// The sample-frame count of ms milliseconds at the rate, rounded.
int64_t FramesOfMilliseconds(int64_t ms, int rate);
