// Splitters, the generic source and the decoders over the decoding
// libraries, connected by hand: the pins and media types a container gives,
// the codec table, decoding into the null renderer, seeking, and containers
// that are damaged or not what their type says.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/dshow/filters/CodecTable.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavSource.h"
#include "platform/dshow/filters/PcmFormat.h"
#include "platform/dshow/filters/StreamMediaType.h"
#include "platform/dshow/filters/VideoDecoder.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/SampleSink.h"
#include "tests/support/TraceViewer.h"
#include "tests/support/WaitUntil.h"

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/display.h>
}

namespace {

std::wstring NameOf(IPin* pin)
{
    PIN_INFO info{};
    pin->QueryPinInfo(&info);
    if (info.pFilter) info.pFilter->Release();
    return info.achName;
}

class DemuxGraphTest : public SystemFilterTest {
protected:
    void SetUp() override
    {
        SystemFilterTest::SetUp();
        NewGraph();
    }
    void TearDown() override
    {
        DropGraph();
        SystemFilterTest::TearDown();
    }
    // An empty graph in place of the one there was.
    void NewGraph()
    {
        DropGraph();
        graph = CreateGraph();
        ASSERT_TRUE(graph);
        ASSERT_EQ(graph.As(&control), S_OK);
        ASSERT_EQ(graph.As(&events), S_OK);
        ASSERT_EQ(graph.As(&seeking), S_OK);
    }
    void DropGraph()
    {
        if (control) control->Stop();
        seeking.Reset();
        events.Reset();
        control.Reset();
        graph.Reset();
    }

    // The file source over the path and the splitter connected to it.
    ComPtr<IBaseFilter> Split(const std::string& path, const CLSID& splitter, HRESULT expect = S_OK)
    {
        ComPtr<IBaseFilter> source;
        EXPECT_EQ(graph->AddSourceFilter(FromNativePath(path).c_str(), L"Source", source.GetAddressOf()), S_OK);
        ComPtr<IBaseFilter> s = CreateFilter(splitter);
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(s.Get(), L"Splitter")));
        HRESULT hr = graph->ConnectDirect(FilterPins(source.Get(), PINDIR_OUTPUT)[0].Get(),
                                          FilterPins(s.Get(), PINDIR_INPUT)[0].Get(), nullptr);
        EXPECT_EQ(SUCCEEDED(hr), SUCCEEDED(expect)) << std::hex << hr;
        return s;
    }

    // The generic source over the file, in the graph.
    ComPtr<IBaseFilter> OpenByName(const std::string& path)
    {
        ComPtr<IBaseFilter> f = CreateFilter(CLSID_MediaSource);
        ComPtr<IFileSourceFilter> load;
        EXPECT_EQ(f.As(&load), S_OK);
        if (load) {
            EXPECT_EQ(load->Load(FromNativePath(path).c_str(), nullptr), S_OK);
        }
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(f.Get(), L"Source")));
        return f;
    }

    // A decoder and a counting sink behind an output pin.
    CSampleSink* Decode(IPin* out, const CLSID& decoder)
    {
        ComPtr<IBaseFilter> d = CreateFilter(decoder);
        // A second decoder or sink of a kind gets a name made unique.
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(d.Get(), nullptr)));
        EXPECT_EQ(graph->ConnectDirect(out, FilterPins(d.Get(), PINDIR_INPUT)[0].Get(), nullptr), S_OK);
        CSampleSink* sink = nullptr;
        ComPtr<IBaseFilter> s = CSampleSink::Make(&sink);
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(s.Get(), nullptr)));
        EXPECT_EQ(graph->ConnectDirect(FilterPins(d.Get(), PINDIR_OUTPUT)[0].Get(),
                                       FilterPins(s.Get(), PINDIR_INPUT)[0].Get(), nullptr),
                  S_OK);
        return sink;
    }

    LONG RunToEnd()
    {
        EXPECT_EQ(control->Run(), S_OK);
        LONG code = 0;
        EXPECT_EQ(events->WaitForCompletion(60000, &code), S_OK);
        return code;
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IMediaSeeking> seeking;
};

TEST_F(DemuxGraphTest, SplitterGivesAPinPerStreamWithTheProbedFormat)
{
    std::string path = MakeMedia(dir, "a.avi",
                                 TestPicture(1.0, "320x240") + " " + TestTone(1.0, 22050) + " " + TestTone(1.0, 48000) +
                                     " -map 0 -map 1 -map 2 -c:v mpeg4 -vtag XVID -c:a:0 libmp3lame -c:a:1 ac3");
    ComPtr<IBaseFilter> s = Split(path, CLSID_AviSplitter);
    auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 3u);
    EXPECT_EQ(NameOf(outs[0].Get()), L"Video");
    EXPECT_EQ(NameOf(outs[1].Get()), L"Audio");
    EXPECT_EQ(NameOf(outs[2].Get()), L"Audio 2");

    CMediaType video = FirstMediaType(outs[0].Get());
    EXPECT_EQ(video.subtype, FourCCGuid(0x44495658));  // "XVID"
    const BITMAPINFOHEADER* bih = BitmapHeaderOf(video);
    ASSERT_NE(bih, nullptr);
    EXPECT_EQ(bih->biWidth, 320);
    EXPECT_EQ(bih->biHeight, 240);
    EXPECT_EQ(FrameTimeOf(video), 400000);

    CMediaType mp3 = FirstMediaType(outs[1].Get());
    EXPECT_EQ(mp3.subtype, FourCCGuid(0x55));
    ASSERT_NE(WaveFormatOf(mp3), nullptr);
    EXPECT_EQ(WaveFormatOf(mp3)->nSamplesPerSec, 22050u);
    CMediaType ac3 = FirstMediaType(outs[2].Get());
    EXPECT_EQ(ac3.subtype, FourCCGuid(0x2000));
    EXPECT_EQ(WaveFormatOf(ac3)->nSamplesPerSec, 48000u);

    LONGLONG duration = 0;
    ComPtr<IMediaSeeking> pinSeeking;
    ASSERT_EQ(outs[0].As(&pinSeeking), S_OK);
    ASSERT_EQ(pinSeeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration), 1e7, 1e6);
}

TEST_F(DemuxGraphTest, SplitterRefusesBytesItsDemultiplexerCannotRead)
{
    // Garbage that the check bytes take for AVI.
    std::string path = dir.File("fake.avi");
    std::string bytes = std::string(
                            "RIFF\x20\x00\x00\x00"
                            "AVI ",
                            12) +
                        std::string(4000, '\x5A');
    WriteBytes(path, bytes);
    ComPtr<IBaseFilter> s = Split(path, CLSID_AviSplitter, E_FAIL);
    EXPECT_TRUE(FilterPins(s.Get(), PINDIR_OUTPUT).empty());
    // A splitter of another container does not even try the subtype.
    Split(path, CLSID_OggSplitter, E_FAIL);
}

TEST_F(DemuxGraphTest, CutContainerEndsItsStreamsInsteadOfFailing)
{
    std::string path = MakeMedia(dir, "a.mkv", TestPicture(2.0) + " -c:v mpeg4");
    std::string bytes = ReadBytes(path);
    WriteBytes(path, bytes.substr(0, bytes.size() * 2 / 3));
    ComPtr<IBaseFilter> s = Split(path, CLSID_MatroskaSplitter);
    auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 1u);
    CSampleSink* sink = Decode(outs[0].Get(), CLSID_VideoDecoder);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_GT(sink->Samples(), 10);
    EXPECT_LT(sink->Samples(), 50);
}

// A sound stream taken as fast as it comes does not make the splitter read
// the whole file ahead of a slow picture stream: the sound stays within
// about a second of the pictures (the picture queue's length, some two
// dozen packets), instead of holding the rest of the file in memory.
TEST_F(DemuxGraphTest, AFastStreamDoesNotDrawTheReaderFarAheadOfASlowOne)
{
    std::string path =
        MakeMedia(dir, "long.avi", TestPicture(20.0) + " " + TestTone(20.0) + " -c:v mpeg4 -c:a libmp3lame");
    ComPtr<IBaseFilter> s = Split(path, CLSID_AviSplitter);
    auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 2u);
    CSampleSink* pictures = Decode(outs[0].Get(), CLSID_VideoDecoder);
    CSampleSink* sound = Decode(outs[1].Get(), CLSID_AudioDecoder);
    ASSERT_TRUE(pictures && sound);
    pictures->renderMs = 10;
    ASSERT_EQ(control->Run(), S_OK);
    const REFERENCE_TIME second = 10000000;
    ASSERT_TRUE(WaitUntil(
        "three seconds of pictures", [&] { return pictures->LastStart() >= 3 * second; }, std::chrono::seconds(60)));
    REFERENCE_TIME picture = pictures->LastStart(), ahead = sound->LastStart();
    control->Stop();
    EXPECT_LT(ahead, picture + 5 * second / 2)
        << "the sound ran " << static_cast<double>(ahead - picture) / second << " s ahead";
}

TEST_F(DemuxGraphTest, DecodedPicturesComeOutInTheDecodersOwnLayoutWithTheirTimes)
{
    std::string path = MakeMedia(dir, "a.mkv", TestPicture(2.0, "176x144") + " -c:v libx264 -preset veryfast");
    ComPtr<IBaseFilter> s = Split(path, CLSID_MatroskaSplitter);
    auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 1u);
    CSampleSink* sink = Decode(outs[0].Get(), CLSID_VideoDecoder);

    // The first type offered (and taken) is I420 with the picture in
    // rcSource and the padded buffer in the bitmap header.
    ComPtr<IPin> in = FilterPins(static_cast<IBaseFilter*>(sink), PINDIR_INPUT)[0];
    AM_MEDIA_TYPE mt{};
    ASSERT_EQ(in->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_I420);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    EXPECT_EQ(vih->rcSource.right, 176);
    EXPECT_EQ(vih->rcSource.bottom, 144);
    EXPECT_GE(vih->bmiHeader.biWidth, 176);
    EXPECT_GE(vih->bmiHeader.biHeight, 144);
    EXPECT_EQ(vih->bmiHeader.biWidth % 2, 0);
    FreeMediaType(mt);

    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(sink->Samples(), 50);
    EXPECT_EQ(sink->FirstStart(), 0);
    EXPECT_EQ(sink->LastStart(), 49 * 400000);
}

// The packed layouts a filter that does not honour rcSource is given (I420
// at the picture's size, RGB32 bottom-up), converted by the scaler, at the
// widths of real sources: the first picture against the ffmpeg command
// line's decoding of the same file, row by row, so that a conversion that
// writes past a row's end (onto the row above, for bottom-up rows) shows.
TEST_F(DemuxGraphTest, PackedPicturesOfCommonWidthsMatchTheCommandLine)
{
    struct PackedCase {
        const char* source;     // how the picture is coded
        const char* container;  // file name, and the splitter for it
        CLSID splitter;
    };
    const PackedCase sources[] = {
        {"-c:v mpeg4 -q:v 2", "a.mkv", CLSID_MatroskaSplitter},
        // 4:2:2 pictures are converted even to the decoder's own layout.
        {"-c:v mjpeg -q:v 2 -pix_fmt yuvj422p", "b.avi", CLSID_AviSplitter},
    };
    for (int width : {168, 200, 360, 856, 1080})
        for (const PackedCase& source : sources)
            for (GUID subtype : {MEDIASUBTYPE_I420, MEDIASUBTYPE_RGB32}) {
                bool rgb = subtype == MEDIASUBTYPE_RGB32;
                SCOPED_TRACE(std::to_string(width) + " wide, " + source.source + (rgb ? ", RGB32" : ", I420"));
                TearDown();
                SetUp();
                std::string size = std::to_string(width) + "x36";
                std::string path =
                    MakeMedia(dir, size + source.container,
                              "-f lavfi -i testsrc2=size=" + size + ":rate=25:duration=0.12 " + source.source);
                std::string theirs =
                    ReadBytes(MakeMedia(dir, size + source.container + (rgb ? ".bgra" : ".yuv"),
                                        "-i '" + path + "' -frames:v 1 -sws_flags bilinear -f rawvideo " +
                                            (rgb ? "-vf vflip -pix_fmt bgra" : "-pix_fmt yuv420p")));
                const size_t rowBytes = rgb ? static_cast<size_t>(width) * 4 : static_cast<size_t>(width);
                const size_t pictureBytes = rgb ? rowBytes * 36 : rowBytes * 36 * 3 / 2;
                ASSERT_EQ(theirs.size(), pictureBytes);

                ComPtr<IBaseFilter> s = Split(path, source.splitter);
                ComPtr<IBaseFilter> d = CreateFilter(CLSID_VideoDecoder);
                ASSERT_TRUE(SUCCEEDED(graph->AddFilter(d.Get(), nullptr)));
                ASSERT_EQ(graph->ConnectDirect(FilterPins(s.Get(), PINDIR_OUTPUT)[0].Get(),
                                               FilterPins(d.Get(), PINDIR_INPUT)[0].Get(), nullptr),
                          S_OK);
                // The decoder's packed type of the subtype: the one whose
                // buffer is the picture.
                ComPtr<IPin> out = FilterPins(d.Get(), PINDIR_OUTPUT)[0];
                ComPtr<IEnumMediaTypes> types;
                ASSERT_EQ(out->EnumMediaTypes(types.GetAddressOf()), S_OK);
                CMediaType packed;
                for (AM_MEDIA_TYPE* t = nullptr; types->Next(1, &t, nullptr) == S_OK; DeleteMediaType(t)) {
                    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(t->pbFormat);
                    if (t->subtype == subtype && vih->bmiHeader.biWidth == width) packed = *t;
                }
                ASSERT_TRUE(packed.IsValid());
                CSampleSink* sink = nullptr;
                ComPtr<IBaseFilter> sinkFilter = CSampleSink::Make(&sink, true);
                ASSERT_TRUE(SUCCEEDED(graph->AddFilter(sinkFilter.Get(), nullptr)));
                ASSERT_EQ(graph->ConnectDirect(out.Get(), FilterPins(sinkFilter.Get(), PINDIR_INPUT)[0].Get(), &packed),
                          S_OK);
                EXPECT_EQ(RunToEnd(), EC_COMPLETE);
                std::string ours = sink->Bytes();
                ASSERT_GE(ours.size(), pictureBytes);
                // Row by row (the chroma planes' rows are half as long).
                int worst = 0;
                size_t worstAt = 0;
                for (size_t at = 0; at < pictureBytes; ++at) {
                    int diff = std::abs(static_cast<uint8_t>(ours[at]) - static_cast<uint8_t>(theirs[at]));
                    if (diff > worst) worst = diff, worstAt = at;
                }
                EXPECT_LE(worst, 3) << "at byte " << worstAt << " of " << pictureBytes << " (row " << worstAt / rowBytes
                                    << ")";
            }
}

// The video decoder runs on half the processors, at least two and at most
// eight; on one processor, one.
TEST(VideoDecodingThreadsTest, HalfTheProcessorsWithinTheirBounds)
{
    const struct {
        int processors, threads;
    } cases[] = {{1, 1}, {2, 2}, {3, 2}, {4, 2}, {6, 3}, {8, 4}, {16, 8}, {64, 8}};
    for (const auto& c : cases) EXPECT_EQ(VideoDecodingThreads(c.processors), c.threads) << c.processors;
}

// Whatever threads the machine gives the decoder, every picture comes out,
// in order, with its time: one processor (no frame threads), two, eight.
TEST_F(DemuxGraphTest, EveryPictureComesOutOnOneTwoOrEightProcessors)
{
    std::string path = MakeMedia(dir, "a.mkv", TestPicture(2.0, "176x144") + " -c:v libx264 -preset veryfast -bf 3");
    struct ForcedProcessors {
        explicit ForcedProcessors(int n) { av_cpu_force_count(n); }
        ~ForcedProcessors() { av_cpu_force_count(0); }
    };
    for (int processors : {1, 2, 8}) {
        SCOPED_TRACE(processors);
        ForcedProcessors forced(processors);
        NewGraph();
        ComPtr<IBaseFilter> s = Split(path, CLSID_MatroskaSplitter);
        auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
        ASSERT_EQ(outs.size(), 1u);
        CSampleSink* sink = Decode(outs[0].Get(), CLSID_VideoDecoder);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE);
        EXPECT_EQ(sink->Samples(), 50);
        EXPECT_EQ(sink->FirstStart(), 0);
        EXPECT_EQ(sink->LastStart(), 49 * 400000);
    }
}

// A turned picture's orientation travels from the splitter's type through
// the decoder's output types; an upright one keeps the first header form.
TEST_F(DemuxGraphTest, TheTurnOfAPictureTravelsWithItsTypesThroughTheDecoder)
{
    std::string upright = MakeMedia(dir, "upright.mp4", TestPicture(0.4, "320x240") + " -c:v libx264");
    const struct {
        const char* name;
        std::string path;
        PictureOrientation orientation;
    } cases[] = {
        {"upright", upright, {}},
        {"a quarter clockwise", WithDisplayMatrix(dir, upright, "q1.mp4", 0, 1, -1, 0), {1, false}},
        {"the rotate tag of 180", RotatedCopy(dir, upright, "half.mp4", 180), {2, false}},
        {"mirrored", WithDisplayMatrix(dir, upright, "m.mp4", -1, 0, 0, 1), {0, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        ComPtr<IBaseFilter> s = OpenByName(c.path);
        auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
        ASSERT_EQ(outs.size(), 1u);
        CMediaType video = FirstMediaType(outs[0].Get());
        EXPECT_EQ(video.formattype, c.orientation.IsUpright() ? FORMAT_VideoInfo : FORMAT_VideoInfo2);
        EXPECT_TRUE(OrientationOfType(video) == c.orientation);
        // The stored picture's size, and the size it is seen at.
        ASSERT_NE(BitmapHeaderOf(video), nullptr);
        EXPECT_EQ(BitmapHeaderOf(video)->biWidth, 320);
        int w = 0, h = 0;
        ASSERT_TRUE(ShownPictureSize(video, &w, &h));
        EXPECT_EQ(w, c.orientation.SwapsSides() ? 240 : 320);
        CSampleSink* sink = Decode(outs[0].Get(), CLSID_VideoDecoder);
        ComPtr<IPin> in = FilterPins(static_cast<IBaseFilter*>(sink), PINDIR_INPUT)[0];
        AM_MEDIA_TYPE mt{};
        ASSERT_EQ(in->ConnectionMediaType(&mt), S_OK);
        EXPECT_TRUE(OrientationOfType(mt) == c.orientation);
        EXPECT_EQ(mt.subtype, MEDIASUBTYPE_I420);
        FreeMediaType(mt);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE);
        EXPECT_EQ(sink->Samples(), 10);
    }
}

TEST(StreamMediaTypeTest, DisplayMatricesGiveTheirTurns)
{
    // Where the picture's x and y axes go ({a, b} and {c, d}); the turns
    // are those the ffmpeg command line makes of such files (a phone held
    // upright writes the second row, which it turns clockwise).
    const struct {
        int a, b, c, d;
        PictureOrientation expected;
    } cases[] = {
        {1, 0, 0, 1, {0, false}},  {0, 1, -1, 0, {1, false}}, {-1, 0, 0, -1, {2, false}},
        {0, -1, 1, 0, {3, false}}, {-1, 0, 0, 1, {0, true}},  {0, -1, -1, 0, {1, true}},
        {1, 0, 0, -1, {2, true}},  {0, 1, 1, 0, {3, true}},   {2, 0, 0, 2, {0, false}},  // a scale alone turns nothing
    };
    for (const auto& c : cases) {
        const int32_t matrix[9] = {c.a * 65536, c.b * 65536, 0, c.c * 65536, c.d * 65536, 0, 0, 0, 1 << 30};
        PictureOrientation o = OrientationOfDisplayMatrix(matrix);
        EXPECT_EQ(o.quarterTurns, c.expected.quarterTurns) << c.a << " " << c.b << " " << c.c << " " << c.d;
        EXPECT_EQ(o.mirrored, c.expected.mirrored) << c.a << " " << c.b << " " << c.c << " " << c.d;
    }
    // A turn between quarters counts as the nearest quarter.
    for (double angle : {-3.0, 44.0, 87.0, 93.0, 178.0, 268.0, -136.0}) {
        int32_t off[9], quarter[9];
        av_display_rotation_set(off, angle);
        av_display_rotation_set(quarter, 90.0 * std::round(angle / 90.0));
        EXPECT_TRUE(OrientationOfDisplayMatrix(off) == OrientationOfDisplayMatrix(quarter)) << angle;
    }
    // A matrix that keeps no shape is upright.
    const int32_t flat[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1 << 30};
    EXPECT_TRUE(OrientationOfDisplayMatrix(flat).IsUpright());
    const int32_t squashed[9] = {65536, 0, 0, 65536, 0, 0, 0, 0, 1 << 30};
    EXPECT_TRUE(OrientationOfDisplayMatrix(squashed).IsUpright());
}

// Cover art and pictures attached to a file are no video stream: a file of
// sound with a cover is a file of sound, and a film's attachment does not
// take the place of its video.
TEST_F(DemuxGraphTest, AttachedPicturesGetNoPin)
{
    std::string cover = MakeMedia(dir, "cover.png", "-f lavfi -i testsrc=size=296x104 -frames:v 1");
    std::string mkv = MakeMedia(dir, "film.mkv",
                                TestPicture(0.4, "384x288") + " " + TestTone(0.4) + " -c:v mpeg4 -c:a mp2 -attach '" +
                                    cover + "' -metadata:s:t mimetype=image/png");
    std::string mp3 = MakeMedia(dir, "song.mp3",
                                TestTone(0.4) + " -i '" + cover +
                                    "' -map 0:a -map 1:v -c:a libmp3lame -c:v png "
                                    "-disposition:v attached_pic -id3v2_version 3");
    const struct {
        const char* name;
        std::string path;
        CLSID splitter;
        size_t pins;
    } cases[] = {
        {"film with an attachment", mkv, CLSID_MatroskaSplitter, 2},
        {"sound with cover art", mp3, CLSID_MediaSource, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // ffprobe sees the picture as a stream.
        EXPECT_EQ(ProbeFile(c.path).streams.size(), c.pins + 1);
        TearDown();
        SetUp();
        ComPtr<IBaseFilter> s = c.splitter == CLSID_MediaSource ? OpenByName(c.path) : Split(c.path, c.splitter);
        auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
        ASSERT_EQ(outs.size(), c.pins);
        for (auto& pin : outs) {
            CMediaType type = FirstMediaType(pin.Get());
            if (type.majortype != MEDIATYPE_Video) continue;
            ASSERT_NE(BitmapHeaderOf(type), nullptr);
            EXPECT_EQ(BitmapHeaderOf(type)->biWidth, 384);
        }
        EXPECT_EQ(FirstMediaType(outs.back().Get()).majortype, MEDIATYPE_Audio);
    }
}

TEST_F(DemuxGraphTest, SeekingStartsAgainAtTheNewPositionWithTimesFromZero)
{
    std::string path = MakeMedia(dir, "a.mkv", TestPicture(4.0) + " -c:v mpeg4 -g 10");
    ComPtr<IBaseFilter> s = Split(path, CLSID_MatroskaSplitter);
    CSampleSink* sink = Decode(FilterPins(s.Get(), PINDIR_OUTPUT)[0].Get(), CLSID_VideoDecoder);
    LONGLONG start = 2 * UNITS;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    // Pictures before the point sought are decoded but not delivered.
    EXPECT_EQ(sink->Samples(), 50);
    EXPECT_EQ(sink->FirstStart(), 0);

    // Again from the start, with a stop position.
    ASSERT_EQ(control->Stop(), S_OK);
    start = 0;
    LONGLONG stop = UNITS;
    sink->ResetCount();
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning),
              S_OK);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_GE(sink->Samples(), 25);
    EXPECT_LE(sink->Samples(), 27);
}

// Sound stored as it is played comes in large packets (a WAV file's hold
// 4096 bytes: half a second of 8-bit sound at 8 kHz); a segment's sound
// still ends at its stop position, not with the packet the stop falls in.
TEST_F(DemuxGraphTest, UncompressedSoundEndsAtTheStopPosition)
{
    const struct {
        const char* file;
        std::string args;
    } cases[] = {
        {"u8.wav", TestTone(4.0, 8000) + " -c:a pcm_u8"},
        {"s16.wav", TestTone(4.0, 8000) + " -c:a pcm_s16le"},
        {"s24.wav", TestTone(4.0, 11025) + " -ac 2 -c:a pcm_s24le"},
        {"u8.avi", TestPicture(4.0) + " " + TestTone(4.0, 8000) + " -c:v mpeg4 -c:a pcm_u8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TearDown();
        SetUp();
        std::string path = MakeMedia(dir, c.file, c.args);
        ComPtr<IBaseFilter> s = OpenByName(path);
        CSampleSink* sink = nullptr;
        ComPtr<IBaseFilter> sinkFilter = CSampleSink::Make(&sink);
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(sinkFilter.Get(), nullptr)));
        ASSERT_EQ(graph->ConnectDirect(FilterPins(s.Get(), PINDIR_OUTPUT).back().Get(),
                                       FilterPins(sinkFilter.Get(), PINDIR_INPUT)[0].Get(), nullptr),
                  S_OK);
        LONGLONG start = 13 * UNITS / 10, stop = 29 * UNITS / 10;
        ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning),
                  S_OK);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE);
        ASSERT_GT(sink->Samples(), 0);
        // Times count from the segment's start (sound before it is the
        // audio treatment's to leave out); the sound ends 1.6 s after it,
        // to within a millisecond.
        EXPECT_LE(sink->FirstStart(), UNITS / 1000);
        EXPECT_NEAR(static_cast<double>(sink->LastStop()) / UNITS, 1.6, 0.001);
    }
}

TEST_F(DemuxGraphTest, AudioDecoderDeliversInterleavedSamplesOfEachFrame)
{
    std::string path = MakeMedia(dir, "a.ogg", TestTone(1.0, 48000) + " -ac 2 -c:a libvorbis");
    ComPtr<IBaseFilter> s = Split(path, CLSID_OggSplitter);
    auto outs = FilterPins(s.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 1u);
    CSampleSink* sink = Decode(outs[0].Get(), CLSID_AudioDecoder);
    ComPtr<IPin> in = FilterPins(static_cast<IBaseFilter*>(sink), PINDIR_INPUT)[0];
    AM_MEDIA_TYPE mt{};
    ASSERT_EQ(in->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_IEEE_FLOAT);  // the decoder's own precision first
    const WAVEFORMATEX* wfx = WaveFormatOf(mt);
    ASSERT_NE(wfx, nullptr);
    EXPECT_EQ(wfx->nChannels, 2);
    EXPECT_EQ(wfx->nSamplesPerSec, 48000u);
    EXPECT_EQ(wfx->wBitsPerSample, 32);
    FreeMediaType(mt);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    EXPECT_EQ(sink->Samples(), ProbeFrameCounts(path)[0].frames);
}

TEST_F(DemuxGraphTest, GenericSourceOpensByNameAndRefusesOtherBytes)
{
    std::string path = MakeMedia(dir, "a.mp4", TestPicture(1.0) + " " + TestTone(1.0) + " -c:v mpeg4 -c:a aac");
    ComPtr<IBaseFilter> f = CreateFilter(CLSID_MediaSource);
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(f.As(&load), S_OK);
    ASSERT_EQ(load->Load(FromNativePath(path).c_str(), nullptr), S_OK);
    auto outs = FilterPins(f.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 2u);
    EXPECT_EQ(FirstMediaType(outs[1].Get()).subtype, FourCCGuid(0xFF));  // AAC by its wave tag
    EXPECT_EQ(load->Load(FromNativePath(path).c_str(), nullptr), E_UNEXPECTED);

    ComPtr<IFileSourceFilter> other;
    ASSERT_EQ(CreateFilter(CLSID_WMAsfReader).As(&other), S_OK);
    std::string junk = dir.File("junk.asf");
    WriteBytes(junk, std::string(5000, '\x01'));
    EXPECT_EQ(other->Load(FromNativePath(junk).c_str(), nullptr), VFW_E_UNKNOWN_FILE_TYPE);
    EXPECT_EQ(other->Load(FromNativePath(dir.File("none.asf")).c_str(), nullptr),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(DemuxGraphTest, ASourceOfOneFamilyReadsOnlyItsOwnContainers)
{
    struct Container {
        const char* file;
        const char* args;
    };
    const Container containers[] = {
        {"a.avi", "-c:v mpeg4 -c:a mp2"},
        {"a.mp4", "-c:v mpeg4 -c:a aac"},
        {"a.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg"},
        {"a.ts", "-c:v mpeg2video -c:a mp2 -f mpegts"},
        {"a.mkv", "-c:v mpeg4 -c:a mp2"},
    };
    struct Family {
        std::vector<std::string> members;
        const char* reads;  // the files of `containers` it opens
    };
    const Family families[] = {
        {{"avi"}, "a.avi"},
        {{"mov"}, "a.mp4"},
        {{"mpeg", "mpegts"}, "a.mpg a.ts"},
        {{"matroska"}, "a.mkv"},
        {{}, "a.avi a.mp4 a.mpg a.ts a.mkv"},  // the generic source reads any
    };
    std::vector<std::string> paths;
    for (const Container& c : containers)
        paths.push_back(MakeMedia(dir, c.file, TestPicture(0.5) + " " + TestTone(0.5) + " " + c.args));
    for (const Family& family : families) {
        for (size_t i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(std::string(containers[i].file) + " with " + std::to_string(family.members.size()) +
                         " members, first " + (family.members.empty() ? "none" : family.members[0]));
            auto* source = new CLavSource(nullptr, CLSID_MediaSource, L"Family", family.members);
            ComPtr<IFileSourceFilter> load;
            ASSERT_EQ(source->NonDelegatingQueryInterface(IID_IFileSourceFilter,
                                                          reinterpret_cast<void**>(load.GetAddressOf())),
                      S_OK);
            const bool reads = std::string(family.reads).find(containers[i].file) != std::string::npos;
            EXPECT_EQ(load->Load(FromNativePath(paths[i]).c_str(), nullptr), reads ? S_OK : VFW_E_UNKNOWN_FILE_TYPE);
            ComPtr<IBaseFilter> filter;
            ASSERT_EQ(load.As(&filter), S_OK);
            EXPECT_EQ(FilterPins(filter.Get(), PINDIR_OUTPUT).size(), reads ? 2u : 0u);
        }
    }
}

TEST_F(DemuxGraphTest, AddressesOpenThroughTheGenericSource)
{
    std::string body =
        ReadBytes(MakeMedia(dir, "a.mkv", TestPicture(0.4) + " " + TestTone(0.4) + " -c:v mpeg4 -c:a mp2"));
    LoopbackHttpServer server([&](const TestHttpRequest& request) {
        TestHttpReply reply;
        if (request.target == "/a.mkv") {
            reply.body = body;
        } else {
            reply.statusLine = "HTTP/1.1 404 Not Found";
        }
        return reply;
    });
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(graph->AddSourceFilter(server.WUrl("/a.mkv").c_str(), L"Address", source.GetAddressOf()), S_OK);
    CLSID clsid{};
    source->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_MediaSource);
    EXPECT_EQ(FilterPins(source.Get(), PINDIR_OUTPUT).size(), 2u);
    ComPtr<IBaseFilter> missing;
    EXPECT_EQ(graph->AddSourceFilter(server.WUrl("/none.mkv").c_str(), L"Missing", missing.GetAddressOf()),
              VFW_E_UNKNOWN_FILE_TYPE);
}

// Containers that state no frame rate for a jittered stream: the rate is
// measured on the stamps of its first pictures.
TEST_F(DemuxGraphTest, AStreamWithoutAFrameRateGetsTheRateItsTimeStampsShow)
{
    struct Case {
        const char* file;
        const char* args;
        bool dropDuration;
    };
    const Case cases[] = {
        {"none.mkv", " -c:v mpeg4", true},
        {"none.flv", " -c:v flv1 -flvflags no_metadata", false},
        {"none.asf", " -c:v wmv2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = MakeMedia(dir, c.file, JitteredPictures(2.0) + JitteredStamps() + c.args);
        if (c.dropDuration) DropMatroskaFrameDuration(path);
        ComPtr<IBaseFilter> f = OpenByName(path);
        auto outs = FilterPins(f.Get(), PINDIR_OUTPUT);
        ASSERT_EQ(outs.size(), 1u);
        // About 30 pictures a second, not the millisecond clock.
        REFERENCE_TIME frameTime = FrameTimeOf(FirstMediaType(outs[0].Get()));
        EXPECT_NEAR(static_cast<double>(frameTime), 1e7 / 30, 1e7 / 30 * 0.03);
        // Measuring read the start of the file: every picture still comes,
        // from the first.
        CSampleSink* sink = Decode(outs[0].Get(), CLSID_VideoDecoder);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE);
        EXPECT_EQ(sink->Samples(), 60);
        EXPECT_LT(sink->FirstStart(), UNITS / 30);
        ASSERT_EQ(control->Stop(), S_OK);
        graph->RemoveFilter(f.Get());
    }
}

// A damaged stamp far beyond the file's end: the packet keeps its place
// after the one before it, and the trace says so.
TEST_F(DemuxGraphTest, ATimeStampFarOutsideTheFileIsMendedAndTraced)
{
    RuntimeFolder runtime;
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    ComPtr<IBaseFilter> f = OpenByName(FlvWithOneFarStamp(dir, "far.flv"));
    auto outs = FilterPins(f.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outs.size(), 2u);
    // The container keeps the sound first.
    if (FirstMediaType(outs[0].Get()).majortype != MEDIATYPE_Video) std::swap(outs[0], outs[1]);
    CSampleSink* pictures = Decode(outs[0].Get(), CLSID_VideoDecoder);
    CSampleSink* sound = Decode(outs[1].Get(), CLSID_AudioDecoder);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    // Every picture comes, each within the file's five seconds, in order.
    std::vector<REFERENCE_TIME> starts = pictures->Starts();
    EXPECT_EQ(starts.size(), 125u);
    for (size_t i = 0; i < starts.size(); ++i) {
        ASSERT_NE(starts[i], CSampleSink::kUntimed) << i;
        EXPECT_LT(starts[i], 6 * UNITS) << i;
        if (i > 0) {
            EXPECT_GT(starts[i], starts[i - 1]) << i;
        }
    }
    EXPECT_LT(sound->LastStart(), 6 * UNITS);
    // One line says what was mended.
    std::string traced = viewer.Text();
    EXPECT_NE(traced.find("lies far outside the file"), std::string::npos) << traced;
}

TEST(PcmFormatTest, InterleavedFormatsMakeTheirTypesAndComeBackFromThem)
{
    const struct {
        PcmFormat format;
        int bits;
    } formats[] = {
        {{AV_SAMPLE_FMT_S16, 2, 44100, 0}, 16},
        {{AV_SAMPLE_FMT_S32, 1, 8000, 0}, 32},
        {{AV_SAMPLE_FMT_FLT, 6, 48000, 0x3F}, 32},  // 5.1: the extensible form
        {{AV_SAMPLE_FMT_U8, 1, 11025, 0}, 8},
        {{AV_SAMPLE_FMT_S32, 2, 48000, 0, true}, 24},  // three bytes a sample
        {{AV_SAMPLE_FMT_S32, 6, 96000, 0x60F, true}, 24},
        {{AV_SAMPLE_FMT_DBL, 2, 44100, 0}, 64},
    };
    for (const auto& [f, bits] : formats) {
        SCOPED_TRACE(bits);
        const bool isFloat = f.sampleFormat == AV_SAMPLE_FMT_FLT || f.sampleFormat == AV_SAMPLE_FMT_DBL;
        CMediaType type;
        PcmTypeOfFormat(f, &type);
        EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
        EXPECT_EQ(type.subtype, isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM);
        const WAVEFORMATEX* wfx = WaveFormatOf(type);
        ASSERT_NE(wfx, nullptr);
        const WORD tag = wfx->wFormatTag, block = wfx->nBlockAlign;
        EXPECT_EQ(tag, f.channels > 2 ? WAVE_FORMAT_EXTENSIBLE : (isFloat ? 3 : 1));
        EXPECT_EQ(block, f.channels * bits / 8);
        EXPECT_EQ(block, f.BlockBytes());
        EXPECT_EQ(wfx->wBitsPerSample, bits);
        PcmFormat back;
        ASSERT_TRUE(PcmFormatOfType(type, &back));
        EXPECT_TRUE(back == f);
        AVChannelLayout layout{};
        PcmChannelLayout(back, &layout);
        EXPECT_EQ(layout.nb_channels, f.channels);
        av_channel_layout_uninit(&layout);
    }
    // Samples of other sizes, half-precision float and compressed sound are
    // none.
    for (auto [subtype, bits] : {std::pair{MEDIASUBTYPE_PCM, 12}, std::pair{MEDIASUBTYPE_PCM, 64},
                                 std::pair{MEDIASUBTYPE_IEEE_FLOAT, 16}, std::pair{FourCCGuid(0x55), 16}}) {
        CMediaType type;
        PcmTypeOfFormat({AV_SAMPLE_FMT_S16, 2, 44100, 0}, &type);
        type.SetSubtype(subtype);
        reinterpret_cast<WAVEFORMATEX*>(type.Format())->wBitsPerSample = static_cast<WORD>(bits);
        PcmFormat f;
        EXPECT_FALSE(PcmFormatOfType(type, &f)) << bits;
    }
}

TEST(PcmFormatTest, SamplesOfThreeBytesWidenWithTheirSign)
{
    const uint8_t packed[] = {0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};
    int32_t wide[4] = {};
    WidenPacked24(packed, 4, wide);
    EXPECT_EQ(wide[0], 0x03020100);
    EXPECT_EQ(wide[1], -256);
    EXPECT_EQ(wide[2], INT32_MIN);
    EXPECT_EQ(wide[3], 0x7FFFFF00);
}

TEST(CodecTableTest, NamesCodecsByTheLibrarysTagsBothWays)
{
    const CodecTable& t = CodecTable::Instance();
    struct {
        GUID major;
        GUID subtype;
        AVCodecID id;
    } known[] = {
        {MEDIATYPE_Video, FourCCGuid(0x44495658), AV_CODEC_ID_MPEG4},  // "XVID"
        {MEDIATYPE_Video, FourCCGuid(0x34363248), AV_CODEC_ID_H264},   // "H264"
        {MEDIATYPE_Video, FourCCGuid(0x31637661), AV_CODEC_ID_H264},   // "avc1", a QuickTime tag
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, AV_CODEC_ID_MPEG2VIDEO},
        {MEDIATYPE_Audio, FourCCGuid(0x55), AV_CODEC_ID_MP3},
        {MEDIATYPE_Audio, FourCCGuid(0x161), AV_CODEC_ID_WMAV2},
        {MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3, AV_CODEC_ID_AC3},
        {MEDIATYPE_Audio, PrivateCodecSubtype(AV_CODEC_ID_COOK), AV_CODEC_ID_COOK},
    };
    for (const auto& k : known) EXPECT_EQ(t.CodecOf(k.major, k.subtype), k.id) << GuidToString(k.subtype).c_str();
    // Uncompressed sound goes to the renderers, and unknown tags nowhere.
    EXPECT_EQ(t.CodecOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM), AV_CODEC_ID_NONE);
    EXPECT_EQ(t.CodecOf(MEDIATYPE_Video, FourCCGuid(0x5A5A5A5A)), AV_CODEC_ID_NONE);
    EXPECT_EQ(t.CodecOf(MEDIATYPE_Audio, FourCCGuid(0x44495658)), AV_CODEC_ID_NONE);  // a video tag as audio

    GUID subtype{};
    uint32_t tag = 0;
    EXPECT_TRUE(t.SubtypeFor(AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_MPEG4, 0x58564944, &subtype, &tag));  // "DIVX" kept
    EXPECT_EQ(subtype, FourCCGuid(0x58564944));
    EXPECT_TRUE(
        t.SubtypeFor(AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_MPEG4, 0x34363248, &subtype, &tag));  // a tag of another codec
    EXPECT_EQ(t.CodecOf(MEDIATYPE_Video, subtype), AV_CODEC_ID_MPEG4);
    // AMR-NB of a phone's file travels under its registered wave tag, not
    // under the number of another codec that the library also reads as it.
    EXPECT_TRUE(t.SubtypeFor(AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AMR_NB, 0x726D6173, &subtype, &tag));  // "samr"
    EXPECT_EQ(subtype, FourCCGuid(0x57));
    EXPECT_EQ(tag, 0x57u);
    EXPECT_EQ(t.CodecOf(MEDIATYPE_Audio, FourCCGuid(0x38)), AV_CODEC_ID_AMR_NB);
    EXPECT_TRUE(t.SubtypeFor(AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_COOK, 0x6B6F6F63, &subtype, &tag));
    EXPECT_EQ(subtype, PrivateCodecSubtype(AV_CODEC_ID_COOK));
    EXPECT_GT(t.Pairs(MEDIATYPE_Video).size(), 200u);
}

}  // namespace
