#include "modules/hvf/PictureChain.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/cpu.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr AVRational kReferenceTime{1, 10000000};

// Numbers in the graph text, whatever the process's locale says.
std::string Num(double value)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string Num(int value) { return std::to_string(value); }

const char* ScaleFlags(int method)
{
    switch (method) {
    case 0: return "fast_bilinear";
    case 1: return "bilinear";
    case 3: return "lanczos";
    default: return "bicubic";
    }
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += ',';
        out += p;
    }
    return out.empty() ? "null" : out;
}

// The chain runs on the treatment thread while the decoder's threads work
// on the next pictures: a slice thread per processor would only make both
// wait for each other (the treatment of 720p pictures took three times as
// long that way), so the chain takes a quarter of the processors.
int DefaultThreads() { return std::max(1, av_cpu_count() / 4); }

// The filters that turn a picture as the orientation says: the mirror
// from left to right first, then the quarter turns clockwise.
void AddTurn(const PictureOrientation& o, std::vector<std::string>* f)
{
    switch (o.quarterTurns % 4 + (o.mirrored ? 4 : 0)) {
    case 1: f->push_back("transpose=dir=clock"); break;
    case 2:
        f->push_back("hflip");
        f->push_back("vflip");
        break;
    case 3: f->push_back("transpose=dir=cclock"); break;
    case 4: f->push_back("hflip"); break;
    // Mirrored and a quarter clockwise: the picture's rows become its
    // columns from the right, read upwards.
    case 5: f->push_back("transpose=dir=clock_flip"); break;
    case 6: f->push_back("vflip"); break;
    // Mirrored and three quarters: rows become columns from the left.
    case 7: f->push_back("transpose=dir=cclock_flip"); break;
    default: break;
    }
}

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

PictureChain::~PictureChain() { Reset(); }

void PictureChain::Reset()
{
    avfilter_graph_free(&m_graph);
    m_source = nullptr;
    m_sink = nullptr;
    m_input = ChainInput{};
    m_end = AV_NOPTS_VALUE;
    m_last = AV_NOPTS_VALUE;
    m_outputFrame = 0;
    m_pulled = 0;
}

std::string PictureChain::Describe(const ChainInput& input, const PictureSettings& s, const PictureLayout& l,
                                   bool rgbOutput)
{
    std::vector<std::string> f;
    // Every treatment works on planar 4:2:0.
    if (input.format != AV_PIX_FMT_YUV420P) f.push_back("format=yuv420p");
    if (s.deinterlace) {
        switch (s.deinterlaceMethod) {
        case kDeinterlaceBlend: f.push_back("pp=lb"); break;
        case kDeinterlaceLineDouble:
            f.push_back("field=type=top");
            f.push_back("scale=w=" + Num(input.width) + ":h=" + Num(input.height) + ":flags=neighbor");
            break;
        default: f.push_back("yadif=mode=send_frame:parity=auto:deint=all"); break;
        }
    }
    if (s.frameRate > 0) {
        AVRational rate = av_d2q(s.frameRate, 1001000);
        f.push_back("fps=fps=" + Num(rate.num) + "/" + Num(rate.den));
    }
    if (s.deblockStrength > 0) {
        double a = 0.0098 * s.deblockStrength, b = 0.005 * s.deblockStrength;
        f.push_back("deblock=filter=strong:block=8:alpha=" + Num(a) + ":beta=" + Num(b) + ":gamma=" + Num(b) +
                    ":delta=" + Num(b));
    }
    AddTurn(input.orientation, &f);
    if (s.flip) f.push_back("vflip");
    SourcePicture source = TurnedPicture({input.width, input.height, 0}, input.orientation);
    if (l.Crops(source))
        f.push_back("crop=w=" + Num(l.cropWidth) + ":h=" + Num(l.cropHeight) + ":x=" + Num(l.cropX) +
                    ":y=" + Num(l.cropY) + ":exact=1");
    if (l.Scales())
        f.push_back("scale=w=" + Num(l.scaledWidth) + ":h=" + Num(l.scaledHeight) +
                    ":flags=" + ScaleFlags(s.scaleMethod));
    if (s.brightness != 50 || s.contrast != 50 || s.saturation != 50)
        f.push_back("eq=brightness=" + Num((s.brightness - 50) / 100.0) + ":contrast=" + Num(s.contrast / 50.0) +
                    ":saturation=" + Num(s.saturation / 50.0));
    if (s.hue != 50) f.push_back("hue=h=" + Num((s.hue - 50) * 3.6));
    if (s.blur && s.blurStrength > 0) f.push_back("gblur=sigma=" + Num(s.blurStrength / 64.0));
    if (s.sharpen && s.sharpenStrength > 0)
        f.push_back("unsharp=luma_msize_x=5:luma_msize_y=5:luma_amount=" + Num(s.sharpenStrength / 64.0) +
                    ":chroma_msize_x=5:chroma_msize_y=5:chroma_amount=0");
    if (l.Pads())
        f.push_back("pad=w=" + Num(l.outputWidth) + ":h=" + Num(l.outputHeight) + ":x=" + Num(l.offsetX) +
                    ":y=" + Num(l.offsetY) + ":color=black");
    if (rgbOutput) f.push_back("format=bgra");
    return Join(f);
}

bool PictureChain::Build(const ChainInput& input, const PictureSettings& settings, const PictureLayout& layout,
                         bool rgbOutput, std::string* error)
{
    Reset();
    auto fail = [&](const std::string& what, int code) {
        if (error) *error = what + (code ? ": " + ErrorText(code) : std::string());
        Reset();
        return false;
    };
    const char* formatName = av_get_pix_fmt_name(input.format);
    if (!formatName || input.width <= 0 || input.height <= 0) return fail("no source layout", 0);
    m_graph = avfilter_graph_alloc();
    if (!m_graph) return fail("no memory for the picture chain", AVERROR(ENOMEM));
    m_graph->nb_threads = settings.threads > 0 ? settings.threads : DefaultThreads();
    av_opt_set(m_graph, "scale_sws_opts", "flags=bicubic", 0);

    AVRational aspect =
        input.sampleAspect.num > 0 && input.sampleAspect.den > 0 ? input.sampleAspect : AVRational{1, 1};
    std::string args = "video_size=" + Num(input.width) + "x" + Num(input.height) + ":pix_fmt=" + formatName +
                       ":time_base=1/10000000:pixel_aspect=" + Num(aspect.num) + "/" + Num(aspect.den);
    int r =
        avfilter_graph_create_filter(&m_source, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr, m_graph);
    if (r < 0) return fail("source of the picture chain", r);
    r = avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, m_graph);
    if (r < 0) return fail("sink of the picture chain", r);
    const AVPixelFormat formats[] = {rgbOutput ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    r = av_opt_set_int_list(m_sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (r < 0) return fail("output format of the picture chain", r);

    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!outputs || !inputs) {
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
        return fail("no memory for the picture chain", AVERROR(ENOMEM));
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = m_source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = m_sink;
    std::string description = Describe(input, settings, layout, rgbOutput);
    r = avfilter_graph_parse_ptr(m_graph, description.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (r < 0) return fail("picture chain \"" + description + "\"", r);
    r = avfilter_graph_config(m_graph, nullptr);
    if (r < 0) return fail("picture chain \"" + description + "\"", r);
    m_sinkTimeBase = av_buffersink_get_time_base(m_sink);
    m_input = input;
    if (settings.frameRate > 0)
        m_outputFrame = std::max<int64_t>(1, static_cast<int64_t>(std::llround(1e7 / settings.frameRate)));
    return true;
}

int PictureChain::Push(AVFrame* frame)
{
    if (!m_graph) return AVERROR(EINVAL);
    if (!frame) {
        // The stream ends where the last picture ends, so a frame rate
        // change fills the last picture's whole time. A picture shorter than
        // an output frame would give none: when nothing came out yet, the
        // last one is kept for a whole output frame.
        int64_t end = m_end == AV_NOPTS_VALUE ? 0 : m_end;
        if (m_pulled == 0 && m_outputFrame > 0 && m_last != AV_NOPTS_VALUE) end = std::max(end, m_last + m_outputFrame);
        return av_buffersrc_close(m_source, end, AV_BUFFERSRC_FLAG_PUSH);
    }
    if (frame->pts != AV_NOPTS_VALUE) {
        m_end = frame->pts + std::max<int64_t>(frame->pkt_duration, 0);
        m_last = frame->pts;
    }
    return av_buffersrc_add_frame_flags(m_source, frame, 0);
}

int PictureChain::Pull(AVFrame* frame)
{
    if (!m_graph) return AVERROR_EOF;
    int r = av_buffersink_get_frame(m_sink, frame);
    if (r >= 0) ++m_pulled;
    if (r >= 0 && frame->pts != AV_NOPTS_VALUE) frame->pts = av_rescale_q(frame->pts, m_sinkTimeBase, kReferenceTime);
    return r;
}
