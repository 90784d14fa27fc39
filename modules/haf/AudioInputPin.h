// CAudioInputPin: one input of the audio filter, for one audio stream of the
// source, taking interleaved PCM (16 or 32 bits) or 32-bit float samples.
// Everything that arrives goes to the filter, which lets the chosen
// stream's sound through and drops the others'.
#pragma once

#include "platform/dshow/InputPin.h"
#include "platform/dshow/filters/PcmFormat.h"

class CHalvaneAudioFilter;

class CAudioInputPin final : public CBaseInputPin {
public:
    CAudioInputPin(CHalvaneAudioFilter* filter, const wchar_t* name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Disconnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // The connection's format (the one a sample last changed it to);
    // streaming thread, or the filter stopped.
    const PcmFormat& Format() const { return m_format; }

private:
    CHalvaneAudioFilter* m_audio;
    PcmFormat m_format;
};
