#include "VorbisEncoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace {

// Samples are handed to libvorbis in slices of this many frames.
constexpr int kSliceFrames = 1024;

OgmPacket Copy(const ogg_packet& op)
{
    OgmPacket p;
    p.data.assign(op.packet, op.packet + op.bytes);
    p.granulepos = op.granulepos;
    return p;
}

float ToFloat(int16_t s) { return static_cast<float>(s) / 32768.0f; }
float ToFloat(float s) { return s; }

}  // namespace

VorbisEncoder::~VorbisEncoder() { Clear(); }

void VorbisEncoder::Clear()
{
    if (m_bOpen) {
        vorbis_block_clear(&m_block);
        vorbis_dsp_clear(&m_dsp);
        vorbis_comment_clear(&m_comment);
    }
    if (m_bInfo) vorbis_info_clear(&m_info);
    m_bOpen = m_bInfo = m_bFinished = false;
    m_headers.clear();
}

bool VorbisEncoder::OpenQuality(int channels, int sampleRate, float quality)
{
    Clear();
    if (channels < 1 || channels > 8 || sampleRate < 8000 || sampleRate > 192000) return false;
    vorbis_info_init(&m_info);
    m_bInfo = true;
    if (vorbis_encode_init_vbr(&m_info, channels, sampleRate, std::clamp(quality, -0.1f, 1.0f)) != 0) {
        Clear();
        return false;
    }
    return Start(channels, sampleRate);
}

bool VorbisEncoder::OpenConstantRate(int channels, int sampleRate, long bitsPerSecond)
{
    Clear();
    if (channels < 1 || channels > 8 || sampleRate < 8000 || sampleRate > 192000 || bitsPerSecond <= 0) return false;
    vorbis_info_init(&m_info);
    m_bInfo = true;
    if (vorbis_encode_init(&m_info, channels, sampleRate, bitsPerSecond, bitsPerSecond, bitsPerSecond) != 0) {
        Clear();
        return false;
    }
    return Start(channels, sampleRate);
}

bool VorbisEncoder::Start(int channels, int sampleRate)
{
    vorbis_comment_init(&m_comment);
    if (vorbis_analysis_init(&m_dsp, &m_info) != 0) {
        vorbis_comment_clear(&m_comment);
        Clear();
        return false;
    }
    vorbis_block_init(&m_dsp, &m_block);
    m_bOpen = true;
    ogg_packet id{}, comment{}, setup{};
    if (vorbis_analysis_headerout(&m_dsp, &m_comment, &id, &comment, &setup) != 0) {
        Clear();
        return false;
    }
    m_headers = {Copy(id), Copy(comment), Copy(setup)};
    m_nChannels = channels;
    m_nSampleRate = sampleRate;
    return true;
}

template <class Sample>
bool VorbisEncoder::EncodeSamples(const Sample* interleaved, int frames, std::vector<OgmPacket>* packets)
{
    if (!m_bOpen || m_bFinished || frames < 0 || (frames > 0 && !interleaved)) return false;
    for (int done = 0; done < frames;) {
        const int n = std::min(kSliceFrames, frames - done);
        float** planes = vorbis_analysis_buffer(&m_dsp, n);
        const Sample* in = interleaved + static_cast<size_t>(done) * m_nChannels;
        for (int f = 0; f < n; ++f)
            for (int c = 0; c < m_nChannels; ++c) planes[c][f] = ToFloat(in[static_cast<size_t>(f) * m_nChannels + c]);
        vorbis_analysis_wrote(&m_dsp, n);
        Drain(packets);
        done += n;
    }
    return true;
}

bool VorbisEncoder::Encode(const int16_t* interleaved, int frames, std::vector<OgmPacket>* packets)
{
    return EncodeSamples(interleaved, frames, packets);
}

bool VorbisEncoder::Encode(const float* interleaved, int frames, std::vector<OgmPacket>* packets)
{
    return EncodeSamples(interleaved, frames, packets);
}

bool VorbisEncoder::Finish(std::vector<OgmPacket>* packets)
{
    if (!m_bOpen || m_bFinished) return false;
    vorbis_analysis_wrote(&m_dsp, 0);
    Drain(packets);
    m_bFinished = true;
    return true;
}

void VorbisEncoder::Drain(std::vector<OgmPacket>* packets)
{
    while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
        vorbis_analysis(&m_block, nullptr);
        vorbis_bitrate_addblock(&m_block);
        ogg_packet op;
        while (vorbis_bitrate_flushpacket(&m_dsp, &op) == 1) packets->push_back(Copy(op));
    }
}
