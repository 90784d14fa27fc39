// CWriterInputPin: one input of a writer filter, for pictures (the layouts
// the video treatment filter and the decoders give), for interleaved PCM
// or float sound, or for timed text (narrow text, UTF-8 or the ANSI code
// page, one caption per sample). It keeps what the writer needs to know of its stream
// during a run: the encoder, the stream's place in the output, how far it
// has come and whether it has ended. The encoder and the stream state are
// used under the pin's stream lock.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "modules/hwriter/LavEncoder.h"
#include "modules/pictures/PictureFormat.h"
#include "platform/dshow/InputPin.h"
#include "platform/dshow/filters/PcmFormat.h"

class CWriterFilter;

class CWriterInputPin final : public CBaseInputPin {
public:
    enum class Kind { Video, Audio, Text };

    CWriterInputPin(CWriterFilter* writer, const wchar_t* name, Kind kind);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    Kind StreamKind() const { return m_kind; }
    const PictureFormat& Picture() const { return m_picture; }
    const PcmFormat& Sound() const { return m_sound; }

    // The run's state of the stream (under StreamLock).
    std::mutex& StreamLock() { return m_streamLock; }
    std::unique_ptr<LavEncoder> m_pEncoder;
    int m_nOutputStream = -1;
    int64_t m_nLastPts = AV_NOPTS_VALUE;  // video: the last picture's place
    AVFrame* m_pLastPicture = nullptr;    // video: the last picture (a reference)
    int64_t m_nEndPts = AV_NOPTS_VALUE;   // video: the place where the last picture ends
    int64_t m_nAudioStart = AV_NOPTS_VALUE;
    bool m_bEnded = false;
    // How far the stream has come, in 100-ns units from the run's start.
    std::atomic<LONGLONG> m_nProgress{0};
    std::atomic<bool> m_bAtEnd{false};

private:
    CWriterFilter* m_pWriter;
    Kind m_kind;
    PictureFormat m_picture;
    PcmFormat m_sound;
    std::mutex m_streamLock;
};
