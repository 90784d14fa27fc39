// CAudioOutputPin: the audio filter's one output: signed 16-bit PCM at the
// rate and with the channels the filter gives (its settings, else those of
// the stream that flows). Seeking passes upstream through the first input.
#pragma once

#include "platform/dshow/OutputPin.h"
#include "platform/dshow/PosPassThru.h"
#include "platform/dshow/filters/PcmFormat.h"

class CHalvaneAudioFilter;

class CAudioOutputPin final : public CBaseOutputPin {
public:
    CAudioOutputPin(CHalvaneAudioFilter* filter, const wchar_t* name, CBasePin* seekThrough);

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    // Only the format the filter gives now, and only while a stream is
    // connected to give it.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    int TypeVersion() override;

    // The connection's format; streaming thread, or the filter stopped.
    const PcmFormat& Format() const { return m_format; }

private:
    CHalvaneAudioFilter* m_audio;
    CPosPassThru m_seeking;
    PcmFormat m_format;
};
