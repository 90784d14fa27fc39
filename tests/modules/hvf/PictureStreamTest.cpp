// The filter in a running graph beyond the single treatments: black bars
// where the fitting puts them, deinterlacing of an interlaced source,
// frame-rate changes, the output size the graph reports, the source's
// frame rate for the subtitle readers, values set after the connection or
// while pictures flow, and seeking.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/NativePath.h"
#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

void Size(IVideoFilterControl* v, int w, int h)
{
    EXPECT_EQ(v->SetVideoResizeA(1), S_OK);
    EXPECT_EQ(v->SetVideoSize(w, h), S_OK);
}

// Waits until the condition holds or ten seconds pass.
template <class Condition>
bool WaitFor(Condition condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The mean difference of each luma row from the mean of its neighbours:
// high where the two fields of a moving picture disagree.
double Combing(const std::string& picture, int width, int height)
{
    I420View v{width, height, &picture};
    double sum = 0;
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 0; x < width; ++x) sum += std::abs(2 * v.Y(x, y) - v.Y(x, y - 1) - v.Y(x, y + 1));
    return sum / (static_cast<double>(width) * (height - 2));
}

class PictureStreamTest : public TreatmentGraphTest {
protected:
    std::string Moving(double seconds = 0.6, const std::string& size = "320x240")
    {
        return MakeSource("moving.avi", "-f lavfi -i testsrc2=size=" + size +
                                            ":rate=25:duration=" + std::to_string(seconds) + " -c:v mpeg4 -q:v 3");
    }
};

struct BarsCase {
    const char* name;
    const char* source;
    int width, height;
    // The picture's rectangle between the bars.
    int left, top, right, bottom;
};

TEST_F(PictureStreamTest, BarsAreBlackAndThePictureFillsTheRoomBetweenThem)
{
    const BarsCase cases[] = {
        {"4:3 into 16:9", "320x240", 640, 360, 80, 0, 560, 360},
        {"16:9 into 4:3", "640x360", 320, 240, 0, 30, 320, 210},
    };
    for (const BarsCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        std::string path = Moving(0.2, c.source);
        Size(video.Get(), c.width, c.height);
        ASSERT_EQ(video->SetVideoAspectMode(1), S_OK);
        ASSERT_EQ(video->SetVideoAspectRatio(static_cast<double>(c.width) / c.height), S_OK);
        Open(path, CLSID_AviSplitter);
        std::vector<Picture> pictures = RunToEnd();
        ASSERT_EQ(pictures.size(), 5u);
        I420View v{c.width, c.height, &pictures[2].data};
        ASSERT_EQ(pictures[2].data.size(), static_cast<size_t>(c.width * c.height * 3 / 2));
        int blackInside = 0, notBlackOutside = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                bool black = v.Y(x, y) == 16 && v.U(x, y) == 128 && v.V(x, y) == 128;
                bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                if (inside && black) ++blackInside;
                if (!inside && !black) ++notBlackOutside;
            }
        EXPECT_EQ(notBlackOutside, 0);
        // The test picture has hardly any pure black of its own.
        EXPECT_LT(blackInside, (c.right - c.left) * (c.bottom - c.top) / 50);
        // Its edge rows and columns are picture, not bar.
        for (int y = c.top; y < c.bottom; y += 7) EXPECT_NE(v.Y(c.left, y), 16) << "left edge, row " << y;
    }
}

struct TurnCase {
    const char* name;
    int a, b, c, d;     // the display matrix the file states
    int width, height;  // the picture as it is seen
    // The oracle: null for the ffmpeg command line's own turning of the
    // file; else its filters on the file without the matrix (this ffmpeg
    // turns by the matrix but leaves some mirrors alone).
    const char* filters = nullptr;
};

// A camera's pictures come out as they are meant to be seen, as the ffmpeg
// command line (which turns pictures by the matrix) shows them; a set
// output size then applies to the turned picture.
TEST_F(PictureStreamTest, PicturesAreTurnedAsTheSourceSaysTheyAreSeen)
{
    const TurnCase cases[] = {
        {"upright", 1, 0, 0, 1, 320, 240},
        {"a quarter clockwise (a phone held upright)", 0, 1, -1, 0, 240, 320},
        {"half a turn (held upside down)", -1, 0, 0, -1, 320, 240},
        {"three quarters clockwise", 0, -1, 1, 0, 240, 320},
        {"mirrored", -1, 0, 0, 1, 320, 240, "hflip"},
        {"mirrored upside down", 1, 0, 0, -1, 320, 240, "vflip"},
        {"mirrored and a quarter clockwise", 0, -1, -1, 0, 240, 320, "hflip,transpose=clock"},
    };
    std::string base = MakeSource("base.mp4", "-f lavfi -i testsrc2=size=320x240:rate=25:duration=0.2 -c:v libx264");
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        std::string path = WithDisplayMatrix(dir, base, "turned.mp4", c.a, c.b, c.c, c.d);
        Open(path, CLSID_MediaSource);
        int w = 0, h = 0;
        OutputSize(&w, &h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        std::vector<Picture> ours = RunToEnd();
        std::vector<std::string> theirs = c.filters ? FfmpegPictures(base, c.filters, c.width, c.height)
                                                    : FfmpegPictures(path, "", c.width, c.height);
        ASSERT_EQ(ours.size(), 5u);
        ASSERT_EQ(theirs.size(), ours.size());
        for (size_t i = 0; i < ours.size(); ++i) EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0) << "picture " << i;
    }
    // A portrait picture in a landscape output gets bars left and right.
    TearDown();
    SetUp();
    std::string portrait = WithDisplayMatrix(dir, base, "portrait.mp4", 0, 1, -1, 0);
    Size(video.Get(), 320, 240);
    ASSERT_EQ(video->SetVideoAspectMode(1), S_OK);
    ASSERT_EQ(video->SetVideoAspectRatio(320.0 / 240), S_OK);
    Open(portrait, CLSID_MediaSource);
    std::vector<Picture> ours = RunToEnd();
    std::vector<std::string> theirs =
        FfmpegPictures(portrait, "scale=w=180:h=240:flags=bicubic,pad=w=320:h=240:x=70:y=0:color=black", 320, 240);
    ASSERT_EQ(ours.size(), 5u);
    ASSERT_EQ(theirs.size(), ours.size());
    SaveScreenshot(ours[2].data, 320, 240, "hvf-portrait-source-in-landscape");
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_GT(Psnr(ours[i].data, theirs[i]), 35.0) << "picture " << i;
}

struct DeinterlaceCase {
    int method;
    const char* vf;
};

TEST_F(PictureStreamTest, DeinterlacingAnInterlacedSource)
{
    // Fields 20 ms apart in each frame: moving edges comb.
    std::string path = MakeSource("interlaced.avi",
                                  "-f lavfi -i testsrc2=size=320x240:rate=50:duration=0.8 "
                                  "-vf tinterlace=mode=interleave_top,setfield=tff -c:v mpeg4 -flags +ilme+ildct "
                                  "-q:v 2");
    std::vector<std::string> untreated = FfmpegPictures(path, "", 320, 240);
    ASSERT_EQ(untreated.size(), 20u);
    const DeinterlaceCase cases[] = {
        {3, "yadif=mode=send_frame:parity=auto:deint=all"},
        {1, "pp=lb"},
        {2, "field=type=top,scale=320:240:flags=neighbor"},
    };
    for (const DeinterlaceCase& c : cases) {
        SCOPED_TRACE(c.vf);
        TearDown();
        SetUp();
        ASSERT_EQ(video->SetVideoPresetB(c.method), S_OK);
        ASSERT_EQ(video->SetVideoDeinterlace(1), S_OK);
        Open(path, CLSID_AviSplitter);
        std::vector<Picture> ours = RunToEnd();
        std::vector<std::string> theirs = FfmpegPictures(path, c.vf, 320, 240);
        ASSERT_EQ(ours.size(), theirs.size());
        ASSERT_EQ(ours.size(), untreated.size());
        for (size_t i = 0; i < ours.size(); ++i) {
            EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0) << "picture " << i;
            EXPECT_LT(Combing(ours[i].data, 320, 240), 0.6 * Combing(untreated[i], 320, 240)) << "picture " << i;
        }
    }
}

struct RateCase {
    double rate;
    const char* fps;
    size_t pictures;
};

TEST_F(PictureStreamTest, FrameRateDropsOrRepeatsPicturesByTheirTimes)
{
    std::string path = Moving(2.0);
    const RateCase cases[] = {
        {10, "10", 20},
        {50, "50", 100},
        {30000.0 / 1001, "30000/1001", 60},
    };
    for (const RateCase& c : cases) {
        SCOPED_TRACE(c.fps);
        TearDown();
        SetUp();
        ASSERT_EQ(video->SetVideoFrameRate(c.rate), S_OK);
        Open(path, CLSID_AviSplitter);
        std::vector<Picture> ours = RunToEnd();
        std::vector<std::string> theirs = FfmpegPictures(path, std::string("fps=") + c.fps, 320, 240);
        ASSERT_EQ(ours.size(), c.pictures);
        ASSERT_EQ(theirs.size(), c.pictures);
        REFERENCE_TIME step = std::llround(1e7 / c.rate);
        for (size_t i = 0; i < ours.size(); ++i) {
            EXPECT_NEAR(static_cast<double>(ours[i].start), i * 1e7 / c.rate, 1) << "picture " << i;
            EXPECT_EQ(ours[i].stop - ours[i].start, step);
            EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0) << "picture " << i;
        }
        // The output type tells the new frame time.
        ComPtr<IBasicVideo> basic;
        ASSERT_EQ(graph.As(&basic), S_OK);
        REFTIME frameTime = 0;
        ASSERT_EQ(basic->get_AvgTimePerFrame(&frameTime), S_OK);
        EXPECT_NEAR(frameTime, 1 / c.rate, 1e-6);
    }
}

TEST_F(PictureStreamTest, TheGraphWithoutARendererReportsTheOutputSize)
{
    // No filter but ours answers IBasicVideo in this graph, as in a graph
    // that writes a file.
    ComPtr<IBasicVideo> own;
    ASSERT_EQ(filterObject.As(&own), S_OK);
    LONG w = -1, h = -1;
    EXPECT_EQ(own->GetVideoSize(&w, &h), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(own->GetVideoSize(nullptr, &h), E_POINTER);

    Size(video.Get(), 640, 360);
    Open(Moving(0.2), CLSID_AviSplitter);
    ComPtr<IBasicVideo> basic;
    ASSERT_EQ(graph.As(&basic), S_OK);
    ASSERT_EQ(basic->GetVideoSize(&w, &h), S_OK);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 360);
    LONG width = 0, height = 0;
    EXPECT_EQ(basic->get_VideoWidth(&width), S_OK);
    EXPECT_EQ(basic->get_VideoHeight(&height), S_OK);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 360);
    LONG l = -1, t = -1;
    EXPECT_EQ(basic->GetDestinationPosition(&l, &t, &width, &height), S_OK);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(basic->put_SourceLeft(10), E_NOTIMPL);
}

struct InfoCase {
    const char* rate;
    int32_t milli;
};

TEST_F(PictureStreamTest, SubtitleInformationGivesTheSourceFrameRate)
{
    SubtitleInfoRecord info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(video->QueryVideoFilterSubtitleInfo(&info), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(video->QueryVideoFilterSubtitleInfo(nullptr), E_POINTER);
    const InfoCase cases[] = {{"25", 25000}, {"24000/1001", 23976}, {"30000/1001", 29970}, {"10", 10000}};
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(c.rate);
        TearDown();
        SetUp();
        std::string path = MakeSource(std::string("rate.avi"), std::string("-f lavfi -i testsrc2=size=160x120:rate=") +
                                                                   c.rate + ":duration=0.5 -c:v mpeg4");
        Open(path, CLSID_AviSplitter);
        std::memset(&info, 0xAB, sizeof info);
        ASSERT_EQ(video->QueryVideoFilterSubtitleInfo(&info), S_OK);
        EXPECT_EQ(info.frameRateMilli, c.milli);
        // Nothing else of the caller's record is written.
        for (uint8_t b : info.reserved) ASSERT_EQ(b, 0xAB);
        for (uint8_t b : info.reserved2) ASSERT_EQ(b, 0xAB);
    }
}

TEST_F(PictureStreamTest, ValuesSetAfterTheConnectionApply)
{
    std::string path = Moving();
    Open(path, CLSID_AviSplitter);
    EXPECT_EQ(video->SetVideoBrightness(70), S_OK);
    EXPECT_EQ(video->SetVideoFlip(1), S_OK);
    EXPECT_EQ(video->SetVideoSharpenEnabled(1), S_OK);
    EXPECT_EQ(video->SetVideoSharpenStrength(100), S_OK);
    // A size set once the output is connected cannot change the connected
    // type: the pictures keep the agreed size.
    EXPECT_EQ(video->SetVideoResizeA(1), S_OK);
    EXPECT_EQ(video->SetVideoSize(640, 360), S_OK);
    int w = 0, h = 0;
    OutputSize(&w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    std::vector<Picture> ours = RunToEnd();
    std::vector<std::string> theirs =
        FfmpegPictures(path, "vflip,eq=brightness=0.2,unsharp=5:5:1.5625:5:5:0", 320, 240);
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0) << "picture " << i;
}

TEST_F(PictureStreamTest, ASizeSetBeforeTheOutputConnectsIsOffered)
{
    std::string path = Moving(0.2);
    // The input connected alone: the size decides what the output offers.
    ComPtr<IBaseFilter> source, split, decoder;
    Open(path, CLSID_AviSplitter);
    IPin* out = nullptr;
    ASSERT_EQ(filterObject->FindPin(L"Out", &out), S_OK);
    ASSERT_EQ(graph->Disconnect(out), S_OK);
    IPin* in = nullptr;
    ASSERT_EQ(sink->FindPin(L"In", &in), S_OK);
    graph->Disconnect(in);
    Size(video.Get(), 480, 272);
    ASSERT_EQ(graph->ConnectDirect(out, in, nullptr), S_OK);
    out->Release();
    in->Release();
    int w = 0, h = 0;
    OutputSize(&w, &h);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 272);
    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), 5u);
    EXPECT_EQ(ours[0].data.size(), 480u * 272 * 3 / 2);
}

TEST_F(PictureStreamTest, AChangeWhilePicturesFlowRebuildsTheChainOnce)
{
    std::string path = Moving(2.0);
    Open(path, CLSID_AviSplitter);
    // Pictures shown in time, so that the change comes in the middle.
    sink->SetScheduleByClock(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return sink->rendered.load() >= 15; }));
    EXPECT_EQ(filter->ChainBuilds(), 1);
    // A subtitle value does not touch the picture chain; brightness does.
    EXPECT_EQ(video->SetSubtitlePosY(20), S_OK);
    EXPECT_EQ(video->SetVideoBrightness(80), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    EXPECT_EQ(filter->ChainBuilds(), 2);
    std::vector<Picture> records = OutputPictures();
    std::vector<std::string> plain = FfmpegPictures(path, "", 320, 240);
    std::vector<std::string> bright = FfmpegPictures(path, "eq=brightness=0.3", 320, 240);
    ASSERT_EQ(records.size(), plain.size());
    // Every picture is one or the other, and once bright they stay bright.
    bool switched = false;
    for (size_t i = 0; i < records.size(); ++i) {
        bool isPlain = Psnr(records[i].data, plain[i]) > 40, isBright = Psnr(records[i].data, bright[i]) > 40;
        EXPECT_TRUE(isPlain != isBright) << "picture " << i;
        if (isBright) switched = true;
        EXPECT_FALSE(switched && isPlain) << "picture " << i;
    }
    EXPECT_TRUE(switched);
    EXPECT_GT(Psnr(records.front().data, plain.front()), 40);
}

TEST_F(PictureStreamTest, ASeekWhilePicturesFlowDropsWhatWasQueued)
{
    std::string path = Moving(3.0);
    ASSERT_EQ(video->SetVideoSharpenEnabled(1), S_OK);
    Open(path, CLSID_AviSplitter);
    sink->SetScheduleByClock(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return sink->rendered.load() >= 10; }));
    LONGLONG position = 20000000;  // 2 s
    ASSERT_EQ(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    control->Stop();
    std::vector<Picture> records = OutputPictures();
    std::vector<std::string> theirs = FfmpegPictures(path, "unsharp=5:5:1:5:5:0", 320, 240);
    // Times restart at 0 after the seek; from there come the pictures of
    // 2 s on, and nothing from before.
    size_t restart = 0;
    for (size_t i = 1; i < records.size(); ++i)
        if (records[i].start < records[i - 1].start) restart = i;
    ASSERT_GT(restart, 0u);
    ASSERT_EQ(records.size() - restart, 25u);
    for (size_t i = restart; i < records.size(); ++i) {
        EXPECT_EQ(records[i].start, static_cast<REFERENCE_TIME>(i - restart) * 400000);
        EXPECT_GT(Psnr(records[i].data, theirs[50 + i - restart]), 40.0) << "picture " << i;
    }
    for (size_t i = 0; i < restart; ++i) EXPECT_GT(Psnr(records[i].data, theirs[i]), 40.0) << "picture " << i;
}

// Which pictures leave in the decoder's own bytes, without a copy: those
// that no treatment changes, at any size (854 is no multiple of 16, 426
// gives chroma rows of an odd width). A treated picture at the same size is
// copied into the same padded layout; a picture of another size is packed.
struct OwnBytesCase {
    const char* name;
    int width, height;  // of the source
    void (*set)(IVideoFilterControl*);
    bool decoderBytes;  // every picture leaves where the decoder put it
    bool inputLayout;   // the output keeps the decoder's layout
};

void PrintTo(const OwnBytesCase& c, std::ostream* os) { *os << c.name; }

class OwnBytesTest : public PictureStreamTest, public ::testing::WithParamInterface<OwnBytesCase> {};

TEST_P(OwnBytesTest, UntreatedPicturesLeaveInTheDecodersBytes)
{
    const OwnBytesCase& c = GetParam();
    std::string path = Moving(0.6, std::to_string(c.width) + "x" + std::to_string(c.height));
    c.set(video.Get());
    Open(path, CLSID_AviSplitter, true);
    AM_MEDIA_TYPE input{}, output{};
    ASSERT_EQ(FirstPin(filterObject.Get(), PINDIR_INPUT)->ConnectionMediaType(&input), S_OK);
    ASSERT_EQ(FirstPin(filterObject.Get(), PINDIR_OUTPUT)->ConnectionMediaType(&output), S_OK);
    PictureFormat in, out;
    EXPECT_TRUE(PictureFormatOfType(input, &in));
    EXPECT_TRUE(PictureFormatOfType(output, &out));
    FreeMediaType(input);
    FreeMediaType(output);
    // The decoder's layout is padded: its rows are wider than the picture.
    EXPECT_GT(in.rowBytes, in.width);
    EXPECT_EQ(out.rowBytes == in.rowBytes && out.rows == in.rows, c.inputLayout);

    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), 15u);
    std::vector<const BYTE*> decoded = inputWatch->Pointers();
    ASSERT_EQ(decoded.size(), 15u);
    size_t inDecoderBytes = 0, padded = 0;
    for (const SinkRecord& r : sink->Records()) {
        inDecoderBytes += std::find(decoded.begin(), decoded.end(), r.pointer) != decoded.end();
        padded += r.padded;
    }
    EXPECT_EQ(inDecoderBytes, c.decoderBytes ? 15u : 0u);
    // Every picture tells the writer downstream of the room after it, the
    // decoder's as well as the filter's own, so that it reaches the
    // encoder without a copy there either.
    EXPECT_EQ(padded, 15u);
    // Whatever the way, the pictures are right.
    if (c.decoderBytes) {
        std::vector<std::string> theirs = FfmpegPictures(path, "", c.width, c.height);
        ASSERT_EQ(theirs.size(), ours.size());
        for (size_t i = 0; i < ours.size(); ++i) EXPECT_TRUE(ours[i].data == theirs[i]) << "picture " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OwnBytesTest,
    ::testing::Values(
        OwnBytesCase{"untreated", 320, 240, [](IVideoFilterControl*) {}, true, true},
        OwnBytesCase{"untreated_854x480", 854, 480, [](IVideoFilterControl*) {}, true, true},
        OwnBytesCase{"untreated_426x240", 426, 240, [](IVideoFilterControl*) {}, true, true},
        OwnBytesCase{"brighter", 320, 240, [](IVideoFilterControl* v) { EXPECT_EQ(v->SetVideoBrightness(60), S_OK); },
                     false, true},
        OwnBytesCase{"smaller", 320, 240, [](IVideoFilterControl* v) { Size(v, 160, 120); }, false, false}));

TEST_F(PictureStreamTest, RgbOutputIsPackedBgraStoredBottomUp)
{
    std::string path = Moving(0.2);
    ASSERT_EQ(video->SetVideoPresetA(2), S_OK);
    Open(path, CLSID_AviSplitter);
    AM_MEDIA_TYPE type{};
    IPin* out = nullptr;
    ASSERT_EQ(filterObject->FindPin(L"Out", &out), S_OK);
    ASSERT_EQ(out->ConnectionMediaType(&type), S_OK);
    out->Release();
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB32);
    const BITMAPINFOHEADER* bih = BitmapHeaderOf(type);
    ASSERT_NE(bih, nullptr);
    EXPECT_EQ(bih->biWidth, 320);
    EXPECT_EQ(bih->biHeight, 240);
    EXPECT_EQ(bih->biBitCount, 32);
    FreeMediaType(type);
    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), 5u);
    // ffmpeg's BGRA rows top-down, turned over.
    std::string raw = dir.File("bgra.raw");
    int code = -1;
    RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + path +
                "' -vf vflip -fps_mode passthrough -f rawvideo -pix_fmt bgra '" + raw + "'",
            &code);
    ASSERT_EQ(code, 0);
    std::string theirs = ReadBytes(raw);
    const size_t size = 320 * 240 * 4;
    ASSERT_EQ(theirs.size(), 5 * size);
    for (size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(ours[i].data.size(), size);
        EXPECT_GT(Psnr(ours[i].data, theirs.substr(i * size, size)), 35.0) << "picture " << i;
    }
}

TEST_F(PictureStreamTest, AnRgbInputIsTreatedToo)
{
    // The decoder's packed RGB32 type (its last), as a filter upstream that
    // gives only RGB would offer.
    std::string path = Moving(0.2);
    ComPtr<IBaseFilter> source, split, decoder;
    ASSERT_EQ(graph->AddSourceFilter(FromNativePath(path).c_str(), L"Source", source.GetAddressOf()), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_AviSplitter, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               reinterpret_cast<void**>(split.GetAddressOf())),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_VideoDecoder, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               reinterpret_cast<void**>(decoder.GetAddressOf())),
              S_OK);
    graph->AddFilter(split.Get(), L"Splitter");
    graph->AddFilter(decoder.Get(), L"Decoder");
    auto connect = [&](IBaseFilter* from, IBaseFilter* to, const AM_MEDIA_TYPE* type) {
        return graph->ConnectDirect(FirstPin(from, PINDIR_OUTPUT).Get(), FirstPin(to, PINDIR_INPUT).Get(), type);
    };
    ASSERT_EQ(connect(source.Get(), split.Get(), nullptr), S_OK);
    ASSERT_EQ(connect(split.Get(), decoder.Get(), nullptr), S_OK);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(FirstPin(decoder.Get(), PINDIR_OUTPUT)->EnumMediaTypes(types.GetAddressOf()), S_OK);
    CMediaType rgb;
    AM_MEDIA_TYPE* t = nullptr;
    while (types->Next(1, &t, nullptr) == S_OK) {
        if (t->subtype == MEDIASUBTYPE_RGB32) rgb = *t;
        DeleteMediaType(t);
    }
    ASSERT_EQ(rgb.subtype, MEDIASUBTYPE_RGB32);
    ASSERT_EQ(connect(decoder.Get(), filterObject.Get(), &rgb), S_OK);
    ASSERT_EQ(video->SetVideoHue(70), S_OK);
    ASSERT_EQ(connect(filterObject.Get(), sink, nullptr), S_OK);
    std::vector<Picture> ours = RunToEnd();
    std::vector<std::string> theirs = FfmpegPictures(path, "hue=h=72", 320, 240);
    ASSERT_EQ(ours.size(), theirs.size());
    // Through RGB and back the colours lose a little.
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_GT(Psnr(ours[i].data, theirs[i]), 30.0) << "picture " << i;
}

}  // namespace
