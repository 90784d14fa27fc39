// CHalvaneAudioFilter: the audio treatment filter of HAF.ax ("Halvane
// Audio"). It has one input per audio stream of the source (a free input is
// always there for the next stream to connect) and one output. The stream
// chosen with SetAudioStream flows, treated as CAudioTreatment says; the
// others' samples are taken and dropped, so that their decoders never stall
// the source. The interface IAudioFilterControl (AudioFilterControl.h) tells
// what every setter takes.
//
// When the settings change the output's rate or channels while the output
// is connected and the filter is stopped, the output is connected again
// with the new format; a downstream filter that refuses it keeps the old
// connection and the old value. While the filter runs such a change is
// refused. The speed, pitch, delay and resampler settings take effect when
// the stream starts again (a start from stopped, or a seek); the levels,
// the DSP module and the choice of stream at once.
//
// Threads: each input is called on the streaming thread of its stream; only
// the flowing stream's thread treats and delivers, one at a time (the
// stream lock). The settings have a lock of their own, which the treating
// thread holds while it treats a piece of sound, so that a DSP module
// cleared by SetAudioDspModule is never called once the setter returns.
// Samples go downstream with no lock of the settings held.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "modules/api/AudioFilterControl.h"
#include "modules/haf/AudioInputPin.h"
#include "modules/haf/AudioOutputPin.h"
#include "modules/haf/AudioTreatment.h"
#include "platform/dshow/BaseFilter.h"

class CHalvaneAudioFilter : public CBaseFilter, public UncalledPlaces<IAudioFilterControl> {
public:
    explicit CHalvaneAudioFilter(IUnknown* outer);
    ~CHalvaneAudioFilter() override;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // The inputs in the order they were made, then the output.
    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    HRESULT Stop() override;
    HRESULT Pause() override;

    // IAudioFilterControl
    HRESULT SetAudioChannels(int channels) override;
    HRESULT SetAudioBitsPerSample(int bits) override;
    HRESULT SetAudioSampleRate(int hz) override;
    HRESULT GetAudioSampleRate(int* hz) override;
    HRESULT SetAudioPlaybackRate(double rate) override;
    HRESULT SetAudioPitchFix(int keepPitch) override;
    HRESULT SetAudioGainLimit(double factor) override;
    HRESULT GetAudioStreamCount(int* count) override;
    HRESULT GetAudioStreamInfo(int index, wchar_t* text, int* length) override;
    HRESULT SetAudioStream(int index) override;
    HRESULT GetCurrentAudioStream(int* index) override;
    HRESULT SetAudioDspModule(DspPluginModule* module) override;
    HRESULT SetAudioNormalize(int on) override;
    HRESULT SetAudioNormalizeLevel(int percent) override;
    HRESULT SetAudioPresetA(int quality) override;
    HRESULT SetAudioSyncDelay(int ms) override;
    HRESULT SetAudioAmplify(int db) override;

    // For the pins.
    void InputConnected(CAudioInputPin* pin);
    void InputDisconnected();
    HRESULT ReceiveFrom(CAudioInputPin* pin, IMediaSample* sample);
    HRESULT EndOfStreamFrom(CAudioInputPin* pin);
    HRESULT BeginFlushFrom(CAudioInputPin* pin);
    HRESULT EndFlushFrom(CAudioInputPin* pin);
    HRESULT NewSegmentFrom(CAudioInputPin* pin, REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // The output's format by the settings and the stream that flows; false
    // while no stream is connected.
    bool OutputFormat(PcmFormat* format);
    int OutputTypeVersion() const { return m_typeVersion.load(std::memory_order_acquire); }

private:
    struct Settings {
        int sampleRate = 0;
        int channels = 0;
        int quality = 1;
        double playbackRate = 1.0;
        bool keepPitch = false;
        AudioLevels levels;
        int delayMs = 0;
        int stream = 0;
        DspPluginModule* dsp = nullptr;
    };

    // The connected inputs in pin order (filter lock held).
    std::vector<CAudioInputPin*> ConnectedInputs();
    // The input whose stream flows: the chosen one, else the first
    // connected; null when none is connected.
    CAudioInputPin* FlowingInput();
    // Changes a value that shapes the output's format (filter lock taken).
    HRESULT ChangeOutputFormat(int Settings::*field, int value);
    // Starts the treatment for the pin's stream (stream lock held).
    bool StartTreatment(CAudioInputPin* pin);
    // Delivers what the treatment gave, as samples timed on the output's
    // time line (stream lock held).
    HRESULT DeliverTreated();
    // Forgets where the stream was (stream lock held, or stopped).
    void ResetStream();

    std::vector<std::unique_ptr<CAudioInputPin>> m_inputs;
    std::unique_ptr<CAudioOutputPin> m_output;
    std::atomic<int> m_typeVersion{1};
    // The input whose stream flows, as FlowingInput last found it: the
    // streaming threads read it without the filter lock.
    std::atomic<CAudioInputPin*> m_flowing{nullptr};

    std::mutex m_settingsLock;
    Settings m_settings;

    std::mutex m_streamLock;
    CAudioTreatment m_treatment;
    CAudioInputPin* m_treated = nullptr;  // the input the treatment is set up for
    std::vector<int16_t> m_treatedSamples;
    REFERENCE_TIME m_origin = 0;  // the output time of the first frame
    bool m_haveOrigin = false;
    int64_t m_framesOut = 0;  // frames delivered since the origin
    bool m_discontinuity = true;
    bool m_endDelivered = false;
};
