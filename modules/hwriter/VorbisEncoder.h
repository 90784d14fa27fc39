// Vorbis audio from PCM through libvorbis, for the OGM writer: the three
// header packets that open the stream, then audio packets with their
// granule positions (samples from the start to the end of each packet).
// Quality mode is libvorbis's variable bit rate (quality -0.1 to 1.0);
// constant-rate mode asks libvorbis's bit-rate management for one rate.
#pragma once

#include <vorbis/codec.h>

#include <vector>

#include "modules/hwriter/OgmPacket.h"

class VorbisEncoder {
public:
    VorbisEncoder() = default;
    ~VorbisEncoder();
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    // Prepares the encoder and its header packets; false when libvorbis
    // takes no such setting (channels 1..8, rates 8000..192000 Hz).
    bool OpenQuality(int channels, int sampleRate, float quality);
    bool OpenConstantRate(int channels, int sampleRate, long bitsPerSecond);

    // Identification, comment and setup, in that order.
    const std::vector<OgmPacket>& HeaderPackets() const { return m_headers; }
    int Channels() const { return m_nChannels; }
    int SampleRate() const { return m_nSampleRate; }
    // The nominal bit rate the identification header names (0 when unset).
    long NominalBitrate() const { return m_info.bitrate_nominal; }

    // Interleaved samples of every channel, frames of them; the packets they
    // complete are appended to *packets. False before Open or after Finish.
    bool Encode(const int16_t* interleaved, int frames, std::vector<OgmPacket>* packets);
    bool Encode(const float* interleaved, int frames, std::vector<OgmPacket>* packets);
    // Ends the stream: the last packets (the very last one ends the stream).
    bool Finish(std::vector<OgmPacket>* packets);

private:
    bool Start(int channels, int sampleRate);
    template <class Sample>
    bool EncodeSamples(const Sample* interleaved, int frames, std::vector<OgmPacket>* packets);
    void Drain(std::vector<OgmPacket>* packets);
    void Clear();

    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    bool m_bInfo = false;
    bool m_bOpen = false;
    bool m_bFinished = false;
    int m_nChannels = 0;
    int m_nSampleRate = 0;
    std::vector<OgmPacket> m_headers;
};
