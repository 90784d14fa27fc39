#include "modules/hwriter/OgmOutput.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kUnitsPerSecond = 10000000.0;

}  // namespace

bool OgmOutput::SplitVorbisHeaders(const uint8_t* data, int size, std::vector<OgmPacket>* headers)
{
    headers->clear();
    if (!data || size < 3 || data[0] != 2) return false;
    size_t at = 1, sizes[2] = {0, 0};
    for (size_t& s : sizes) {
        for (;;) {
            if (at >= static_cast<size_t>(size)) return false;
            uint8_t lace = data[at++];
            s += lace;
            if (lace < 255) break;
        }
    }
    size_t rest = static_cast<size_t>(size) - at;
    if (sizes[0] > rest || sizes[1] > rest - sizes[0]) return false;
    const size_t all[3] = {sizes[0], sizes[1], rest - sizes[0] - sizes[1]};
    for (size_t s : all) {
        if (s == 0) return false;
        headers->push_back(OgmPacket{std::vector<uint8_t>(data + at, data + at + s), 0});
        at += s;
    }
    return true;
}

int OgmOutput::AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string&)
{
    StreamInfo info;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        OgmVideoFormat format;
        format.fourcc = tag;
        format.width = encoder->width;
        format.height = encoder->height;
        format.timePerFrame = std::llround(kUnitsPerSecond * av_q2d(av_inv_q(encoder->framerate)));
        info.video = true;
        info.muxerStream = m_muxer.AddVideoStream(format);
    } else if (encoder->codec_id == AV_CODEC_ID_VORBIS) {
        std::vector<OgmPacket> headers;
        if (!SplitVorbisHeaders(encoder->extradata, encoder->extradata_size, &headers)) return -1;
        info.muxerStream = m_muxer.AddVorbisStream(headers, encoder->sample_rate);
        info.sampleRate = encoder->sample_rate;
    }
    if (info.muxerStream < 0) return -1;
    m_streams.push_back(info);
    return static_cast<int>(m_streams.size()) - 1;
}

int OgmOutput::AddTextStream()
{
    StreamInfo info;
    info.text = true;
    info.muxerStream = m_muxer.AddTextStream();
    if (info.muxerStream < 0) return -1;
    m_streams.push_back(info);
    return static_cast<int>(m_streams.size()) - 1;
}

bool OgmOutput::WriteText(int stream, const std::string& utf8, int64_t start, int64_t duration)
{
    if (stream < 0 || stream >= static_cast<int>(m_streams.size()) || !m_streams[static_cast<size_t>(stream)].text)
        return false;
    return m_muxer.WriteText(m_streams[static_cast<size_t>(stream)].muxerStream, utf8, start, duration);
}

bool OgmOutput::Write(int stream, AVPacket* packet, AVRational timeBase)
{
    if (stream < 0 || stream >= static_cast<int>(m_streams.size())) return false;
    const StreamInfo& s = m_streams[static_cast<size_t>(stream)];
    if (s.text) return false;
    if (s.video) {
        // Frames go in decoding order: their decoding times rise.
        int64_t when = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        int64_t time = av_rescale_q(when, timeBase, AVRational{1, 10000000});
        return m_muxer.WriteVideoFrame(s.muxerStream, packet->data, static_cast<size_t>(packet->size),
                                       std::max<int64_t>(0, time), (packet->flags & AV_PKT_FLAG_KEY) != 0);
    }
    // A Vorbis packet's granule is the count of samples up to its end.
    AVRational sample{1, m_streams[static_cast<size_t>(stream)].sampleRate};
    OgmPacket p{std::vector<uint8_t>(packet->data, packet->data + packet->size),
                av_rescale_q(packet->pts + packet->duration, timeBase, sample)};
    return m_muxer.WriteVorbisPacket(s.muxerStream, p);
}

bool OgmOutput::Finish()
{
    if (!m_bFinished) {
        m_bFinished = true;
        m_bFinishResult = m_muxer.Close();
    }
    return m_bFinishResult;
}
