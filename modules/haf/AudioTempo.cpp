#include "modules/haf/AudioTempo.h"

#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace {

// One tempo filter takes factors from 0.5 up; smaller ones are made of
// several in a row.
constexpr double kSmallestStep = 0.5;

std::string TempoChain(double tempo)
{
    std::string chain;
    while (tempo < kSmallestStep) {
        chain += "atempo=0.5,";
        tempo /= kSmallestStep;
    }
    char last[64];
    std::snprintf(last, sizeof last, "atempo=%.9f", tempo);
    return chain + last;
}

}  // namespace

CAudioTempo::~CAudioTempo() { Close(); }

void CAudioTempo::Close()
{
    avfilter_graph_free(&m_graph);
    m_source = nullptr;
    m_sink = nullptr;
    av_frame_free(&m_frame);
    av_channel_layout_uninit(&m_layout);
    m_channels = 0;
    m_rate = 0;
    m_pts = 0;
}

bool CAudioTempo::Open(double tempo, int rate, const AVChannelLayout& layout)
{
    Close();
    char description[128] = {};
    av_channel_layout_describe(&layout, description, sizeof description);
    char arguments[256];
    std::snprintf(arguments, sizeof arguments, "time_base=1/%d:sample_rate=%d:sample_fmt=s16:channel_layout=%s", rate,
                  rate, description);
    m_graph = avfilter_graph_alloc();
    m_frame = av_frame_alloc();
    if (!m_graph || !m_frame) {
        Close();
        return false;
    }
    // The streaming thread is the only one that treats the sound.
    m_graph->nb_threads = 1;
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    const enum AVSampleFormat formats[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_NONE};
    bool ok = outputs && inputs &&
              avfilter_graph_create_filter(&m_source, avfilter_get_by_name("abuffer"), "in", arguments, nullptr,
                                           m_graph) >= 0 &&
              avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                           m_graph) >= 0 &&
              av_opt_set_int_list(m_sink, "sample_fmts", formats, AV_SAMPLE_FMT_NONE, AV_OPT_SEARCH_CHILDREN) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = m_source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = m_sink;
        ok = outputs->name && inputs->name &&
             avfilter_graph_parse_ptr(m_graph, TempoChain(tempo).c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(m_graph, nullptr) >= 0;
    }
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (!ok) {
        Close();
        return false;
    }
    if (av_channel_layout_copy(&m_layout, &layout) < 0) {
        Close();
        return false;
    }
    m_channels = layout.nb_channels;
    m_rate = rate;
    return true;
}

bool CAudioTempo::Collect(std::vector<int16_t>* out)
{
    for (;;) {
        int r = av_buffersink_get_frame(m_sink, m_frame);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        const auto* data = reinterpret_cast<const int16_t*>(m_frame->data[0]);
        out->insert(out->end(), data, data + static_cast<size_t>(m_frame->nb_samples) * m_channels);
        av_frame_unref(m_frame);
    }
}

bool CAudioTempo::Push(const int16_t* samples, int frames, std::vector<int16_t>* out)
{
    if (!m_graph) return false;
    if (frames <= 0) return true;
    AVFrame* in = av_frame_alloc();
    if (!in) return false;
    in->format = AV_SAMPLE_FMT_S16;
    in->sample_rate = m_rate;
    in->nb_samples = frames;
    in->pts = m_pts;
    bool ok = av_channel_layout_copy(&in->ch_layout, &m_layout) >= 0 && av_frame_get_buffer(in, 0) >= 0;
    if (ok) {
        std::memcpy(in->data[0], samples, static_cast<size_t>(frames) * m_channels * sizeof(int16_t));
        m_pts += frames;
        ok = av_buffersrc_add_frame_flags(m_source, in, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0;
    }
    av_frame_free(&in);
    return ok && Collect(out);
}

bool CAudioTempo::Finish(std::vector<int16_t>* out)
{
    if (!m_graph) return true;
    bool ok = av_buffersrc_add_frame_flags(m_source, nullptr, 0) >= 0 && Collect(out);
    Close();
    return ok;
}
