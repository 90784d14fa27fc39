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
    avfilter_graph_free(&graph_);
    source_ = nullptr;
    sink_ = nullptr;
    av_frame_free(&frame_);
    av_channel_layout_uninit(&layout_);
    channels_ = 0;
    rate_ = 0;
    pts_ = 0;
}

bool CAudioTempo::Open(double tempo, int rate, const AVChannelLayout& layout)
{
    Close();
    char description[128] = {};
    av_channel_layout_describe(&layout, description, sizeof description);
    char arguments[256];
    std::snprintf(arguments, sizeof arguments, "time_base=1/%d:sample_rate=%d:sample_fmt=s16:channel_layout=%s", rate,
                  rate, description);
    graph_ = avfilter_graph_alloc();
    frame_ = av_frame_alloc();
    if (!graph_ || !frame_) {
        Close();
        return false;
    }
    // The streaming thread is the only one that treats the sound.
    graph_->nb_threads = 1;
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    const enum AVSampleFormat formats[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_NONE};
    bool ok = outputs && inputs &&
              avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in", arguments, nullptr,
                                           graph_) >= 0 &&
              avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                           graph_) >= 0 &&
              av_opt_set_int_list(sink_, "sample_fmts", formats, AV_SAMPLE_FMT_NONE, AV_OPT_SEARCH_CHILDREN) >= 0;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source_;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        ok = outputs->name && inputs->name &&
             avfilter_graph_parse_ptr(graph_, TempoChain(tempo).c_str(), &inputs, &outputs, nullptr) >= 0 &&
             avfilter_graph_config(graph_, nullptr) >= 0;
    }
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (!ok) {
        Close();
        return false;
    }
    if (av_channel_layout_copy(&layout_, &layout) < 0) {
        Close();
        return false;
    }
    channels_ = layout.nb_channels;
    rate_ = rate;
    return true;
}

bool CAudioTempo::Collect(std::vector<int16_t>* out)
{
    for (;;) {
        int r = av_buffersink_get_frame(sink_, frame_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        const auto* data = reinterpret_cast<const int16_t*>(frame_->data[0]);
        out->insert(out->end(), data, data + static_cast<size_t>(frame_->nb_samples) * channels_);
        av_frame_unref(frame_);
    }
}

bool CAudioTempo::Push(const int16_t* samples, int frames, std::vector<int16_t>* out)
{
    if (!graph_) return false;
    if (frames <= 0) return true;
    AVFrame* in = av_frame_alloc();
    if (!in) return false;
    in->format = AV_SAMPLE_FMT_S16;
    in->sample_rate = rate_;
    in->nb_samples = frames;
    in->pts = pts_;
    bool ok = av_channel_layout_copy(&in->ch_layout, &layout_) >= 0 &&
              av_frame_get_buffer(in, 0) >= 0;
    if (ok) {
        std::memcpy(in->data[0], samples, static_cast<size_t>(frames) * channels_ * sizeof(int16_t));
        pts_ += frames;
        ok = av_buffersrc_add_frame_flags(source_, in, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0;
    }
    av_frame_free(&in);
    return ok && Collect(out);
}

bool CAudioTempo::Finish(std::vector<int16_t>* out)
{
    if (!graph_) return true;
    bool ok = av_buffersrc_add_frame_flags(source_, nullptr, 0) >= 0 && Collect(out);
    Close();
    return ok;
}
