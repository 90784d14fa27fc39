#include "modules/hwriter/LavMuxer.h"

#include <cstring>

LavMuxer::~LavMuxer()
{
    Finish();
    avformat_free_context(m_pContext);
}

bool LavMuxer::Create(const char* formatName, const std::string& path)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (m_pContext) return false;
    return avformat_alloc_output_context2(&m_pContext, nullptr, formatName, path.c_str()) >= 0 && m_pContext;
}

bool LavMuxer::NeedsGlobalHeader() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_pContext && (m_pContext->oformat->flags & AVFMT_GLOBALHEADER);
}

int LavMuxer::AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string& language)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_pContext || m_bStarted) return -1;
    AVStream* stream = avformat_new_stream(m_pContext, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) return -1;
    stream->codecpar->codec_tag = std::strcmp(m_pContext->oformat->name, "avi") == 0 ? tag : 0;
    stream->time_base = encoder->time_base;
    if (!language.empty() && av_dict_set(&stream->metadata, "language", language.c_str(), 0) < 0) return -1;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        stream->avg_frame_rate = encoder->framerate;
        stream->r_frame_rate = encoder->framerate;
        stream->sample_aspect_ratio = encoder->sample_aspect_ratio;
    }
    return stream->index;
}

bool LavMuxer::Start()
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_pContext || m_bStarted) return false;
    m_bStarted = true;
    if (!(m_pContext->oformat->flags & AVFMT_NOFILE) &&
        avio_open(&m_pContext->pb, m_pContext->url, AVIO_FLAG_WRITE) < 0) {
        m_bFailed = true;
        m_bFinished = true;
        return false;
    }
    // AVI keeps no times: each chunk is the next frame of its stream. The
    // sound encoders' start-up delay (negative times for the first packets)
    // would otherwise move every stream later by a part of a frame, which
    // leaves an empty picture chunk, a dropped frame, after the first.
    if (std::strcmp(m_pContext->oformat->name, "avi") == 0) m_pContext->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    if (avformat_write_header(m_pContext, nullptr) < 0) m_bFailed = true;
    return !m_bFailed;
}

bool LavMuxer::Write(int stream, AVPacket* packet, AVRational timeBase)
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_bStarted || m_bFinished || m_bFailed) return false;
    if (stream < 0 || stream >= static_cast<int>(m_pContext->nb_streams)) return false;
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, timeBase, m_pContext->streams[stream]->time_base);
    if (av_interleaved_write_frame(m_pContext, packet) < 0 || (m_pContext->pb && m_pContext->pb->error < 0))
        m_bFailed = true;
    return !m_bFailed;
}

bool LavMuxer::Finish()
{
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_bStarted || m_bFinished) return !m_bFailed;
    m_bFinished = true;
    if (!m_bFailed && av_write_trailer(m_pContext) < 0) m_bFailed = true;
    if (m_pContext->pb) {
        if (m_pContext->pb->error < 0) m_bFailed = true;
        if (avio_closep(&m_pContext->pb) < 0) m_bFailed = true;
    }
    return !m_bFailed;
}

bool LavMuxer::Failed() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_bFailed;
}
