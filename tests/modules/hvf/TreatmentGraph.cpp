#include "tests/modules/hvf/TreatmentGraph.h"

#include <cmath>

#include "encoder/pipeline/FilterPins.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    return ComPtr<IPin>(FindPinByDirection(filter, direction));
}

std::string SaveScreenshot(const std::string& i420, int width, int height, const std::string& name)
{
    TempDir scratch;
    std::string raw = scratch.File("picture.yuv");
    WriteBytes(raw, i420);
    std::string folder = RIVO_SCREENSHOT_DIR;
    std::string path = folder + "/" + name + ".png";
    int code = -1;
    std::string log = RunTool("mkdir -p '" + folder +
                                  "' && ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo "
                                  "-pix_fmt yuv420p -s " +
                                  std::to_string(width) + "x" + std::to_string(height) + " -i '" + raw +
                                  "' -frames:v 1 '" + path + "' 2>&1",
                              &code);
    EXPECT_EQ(code, 0) << log;
    return path;
}

double Psnr(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        double d = static_cast<double>(static_cast<uint8_t>(a[i])) - static_cast<uint8_t>(b[i]);
        sum += d * d;
    }
    if (sum == 0) return 1000;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

void TreatmentGraphTest::SetUp()
{
    SystemFilterTest::SetUp();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(graph.As(&events), S_OK);
    ASSERT_EQ(graph.As(&seeking), S_OK);
    sink = CCollectSink::Create(MEDIATYPE_Video, L"Sink", true);
    sink->keepBytes = true;
    ASSERT_EQ(graph->AddFilter(sink, L"Sink"), S_OK);
    sink->Release();
    ASSERT_EQ(
        CVideoFilter::CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filterObject.GetAddressOf())),
        S_OK);
    filter = static_cast<CVideoFilter*>(filterObject.Get());
    ASSERT_EQ(filterObject.As(&video), S_OK);
    ASSERT_EQ(graph->AddFilter(filterObject.Get(), kVideoFilterName), S_OK);
}

void TreatmentGraphTest::TearDown()
{
    if (control) control->Stop();
    video.Reset();
    filterObject.Reset();
    seeking.Reset();
    events.Reset();
    control.Reset();
    graph.Reset();
    SystemFilterTest::TearDown();
}

std::string TreatmentGraphTest::MakeSource(const std::string& name, const std::string& args)
{
    return MakeMedia(dir, name, args + " -an");
}

std::vector<std::string> TreatmentGraphTest::FfmpegPictures(const std::string& path, const std::string& vf, int width,
                                                            int height)
{
    std::string out = dir.File("ffmpeg.yuv");
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + path + "' " +
                                  (vf.empty() ? std::string() : "-vf '" + vf + "' ") +
                                  "-fps_mode passthrough -f rawvideo -pix_fmt yuv420p '" + out + "' 2>&1",
                              &code);
    EXPECT_EQ(code, 0) << log;
    std::string bytes = ReadBytes(out);
    size_t size = static_cast<size_t>(width) * height * 3 / 2;
    std::vector<std::string> pictures;
    for (size_t at = 0; size > 0 && at + size <= bytes.size(); at += size) pictures.push_back(bytes.substr(at, size));
    EXPECT_EQ(bytes.size() % size, 0u) << "ffmpeg's pictures are not " << width << "x" << height;
    return pictures;
}

void TreatmentGraphTest::Open(const std::string& path, const CLSID& splitter, bool watchInput)
{
    ComPtr<IBaseFilter> source, split, decoder;
    ASSERT_EQ(graph->AddSourceFilter(FromNativePath(path).c_str(), L"Source", source.GetAddressOf()), S_OK);
    if (splitter == CLSID_MediaSource) {
        // The generic source reads the file by name: it is the splitter.
        split = source;
    } else {
        ASSERT_EQ(CoCreateInstance(splitter, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                   reinterpret_cast<void**>(split.GetAddressOf())),
                  S_OK);
    }
    ASSERT_EQ(CoCreateInstance(CLSID_VideoDecoder, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               reinterpret_cast<void**>(decoder.GetAddressOf())),
              S_OK);
    if (split != source) {
        ASSERT_EQ(graph->AddFilter(split.Get(), L"Splitter"), S_OK);
    }
    ASSERT_EQ(graph->AddFilter(decoder.Get(), L"Decoder"), S_OK);
    auto connect = [&](IBaseFilter* from, IBaseFilter* to) {
        return graph->ConnectDirect(FirstPin(from, PINDIR_OUTPUT).Get(), FirstPin(to, PINDIR_INPUT).Get(), nullptr);
    };
    if (split != source) {
        ASSERT_EQ(connect(source.Get(), split.Get()), S_OK);
    }
    ASSERT_EQ(connect(split.Get(), decoder.Get()), S_OK);
    if (watchInput) {
        inputWatch = CPassTransform::Create(MEDIATYPE_Video, L"Input watch");
        ASSERT_EQ(graph->AddFilter(inputWatch, L"Input watch"), S_OK);
        inputWatch->Release();
        ASSERT_EQ(connect(decoder.Get(), inputWatch), S_OK);
        ASSERT_EQ(connect(inputWatch, filterObject.Get()), S_OK);
    } else {
        ASSERT_EQ(connect(decoder.Get(), filterObject.Get()), S_OK);
    }
    ASSERT_EQ(connect(filterObject.Get(), sink), S_OK);
}

std::vector<Picture> TreatmentGraphTest::RunToEnd()
{
    sink->ClearRecords();
    EXPECT_EQ(control->Run(), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(60000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    return OutputPictures();
}

namespace {

// The output connection's layout.
PictureFormat OutputLayout(IBaseFilter* filter)
{
    PictureFormat f;
    AM_MEDIA_TYPE type{};
    if (FirstPin(filter, PINDIR_OUTPUT)->ConnectionMediaType(&type) != S_OK) return f;
    EXPECT_TRUE(PictureFormatOfType(type, &f));
    FreeMediaType(type);
    return f;
}

// The picture in a sample's bytes as packed I420 (RGB32 as it is).
std::string Packed(const std::string& bytes, const PictureFormat& f)
{
    if (f.pixelFormat != AV_PIX_FMT_YUV420P || bytes.size() < static_cast<size_t>(f.ImageBytes())) return bytes;
    uint8_t* planes[4];
    int lineSizes[4];
    PicturePlanes(f, reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), planes, lineSizes);
    std::string out;
    out.reserve(static_cast<size_t>(f.width) * f.height * 3 / 2);
    for (int i = 0; i < 3; ++i) {
        int w = i ? f.width / 2 : f.width, h = i ? f.height / 2 : f.height;
        for (int y = 0; y < h; ++y)
            out.append(reinterpret_cast<const char*>(planes[i]) + static_cast<ptrdiff_t>(y) * lineSizes[i],
                       static_cast<size_t>(w));
    }
    return out;
}

}  // namespace

std::vector<Picture> TreatmentGraphTest::OutputPictures()
{
    PictureFormat layout = OutputLayout(filterObject.Get());
    std::vector<Picture> pictures;
    for (const SinkRecord& r : sink->Records()) pictures.push_back(Picture{r.start, r.stop, Packed(r.data, layout)});
    return pictures;
}

void TreatmentGraphTest::OutputSize(int* width, int* height)
{
    PictureFormat layout = OutputLayout(filterObject.Get());
    *width = layout.width;
    *height = layout.height;
}
