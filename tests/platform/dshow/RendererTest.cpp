// The video and audio renderers: pictures shown in a child window of the
// owner the graph's user names (or let go when there is none), the picture
// size through the graph's IBasicVideo, and sound paced by the clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/platform/dshow/VideoWindowProbe.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/PrivateSoundServer.h"

namespace {

ComPtr<IPin> PinOf(IBaseFilter* f, PIN_DIRECTION dir, int n = 0)
{
    std::vector<ComPtr<IPin>> pins = FilterPins(f, dir);
    return n < static_cast<int>(pins.size()) ? pins[static_cast<size_t>(n)] : ComPtr<IPin>();
}

class RendererTest : public SystemFilterTest {
protected:
    void SetUp() override
    {
        SystemFilterTest::SetUp();
        graph = CreateGraph();
        ASSERT_TRUE(graph);
        ASSERT_EQ(graph.As(&control), S_OK);
        ASSERT_EQ(graph.As(&events), S_OK);
    }
    void TearDown() override
    {
        if (control) control->Stop();
        events.Reset();
        control.Reset();
        graph.Reset();
        SystemFilterTest::TearDown();
    }

    // File source, splitter and decoder of the file's first stream, ending
    // in the renderer of the class.
    ComPtr<IBaseFilter> Chain(const std::string& path, const CLSID& splitter, const CLSID& decoder,
                              const CLSID& renderer)
    {
        ComPtr<IBaseFilter> source, split, decode, render;
        EXPECT_EQ(graph->AddSourceFilter(FromNativePath(path).c_str(), L"Source", source.GetAddressOf()), S_OK);
        for (auto [clsid, f] : {std::pair{splitter, &split}, {decoder, &decode}, {renderer, &render}}) {
            EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                       reinterpret_cast<void**>(f->GetAddressOf())),
                      S_OK);
            EXPECT_TRUE(SUCCEEDED(graph->AddFilter(f->Get(), nullptr)));
        }
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), PinOf(split.Get(), PINDIR_INPUT).Get(),
                                       nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(split.Get(), PINDIR_OUTPUT).Get(), PinOf(decode.Get(), PINDIR_INPUT).Get(),
                                       nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(decode.Get(), PINDIR_OUTPUT).Get(),
                                       PinOf(render.Get(), PINDIR_INPUT).Get(), nullptr),
                  S_OK);
        return render;
    }

    // The renderer's window shown in an owner window of the test's (at its
    // corner, width x height) and the graph without a clock, so that
    // pictures go as fast as they come. The owner; the renderer's window
    // through child.
    HWND ShowInOwner(IVideoWindow* window, HWND* child, int width = 88, int height = 72)
    {
        HWND owner = MakeOwnerWindow(width + 112, height + 88);
        if (!owner) return nullptr;
        EXPECT_EQ(window->put_Owner(reinterpret_cast<OAHWND>(owner)), S_OK);
        EXPECT_EQ(window->SetWindowPosition(0, 0, width, height), S_OK);
        EXPECT_EQ(window->put_Visible(-1), S_OK);
        *child = FirstChildOf(owner);
        ComPtr<IMediaFilter> timing;
        EXPECT_EQ(graph.As(&timing), S_OK);
        EXPECT_TRUE(timing && timing->SetSyncSource(nullptr) == S_OK);
        return owner;
    }

    double RunSeconds()
    {
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(control->Run(), S_OK);
        LONG code = 0;
        EXPECT_EQ(events->WaitForCompletion(30000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
};

TEST_F(RendererTest, VideoShowsItsPicturesInAChildOfTheOwnerWindow)
{
    // A solid red picture, so that any pixel of the window tells.
    std::string path =
        MakeMedia(dir, "red.mkv", "-f lavfi -i color=c=red:size=176x144:rate=25:duration=0.4 -c:v mpeg4");
    Chain(path, CLSID_MatroskaSplitter, CLSID_VideoDecoder, CLSID_VideoRenderer);
    ComPtr<IBasicVideo> basic;
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(graph.As(&basic), S_OK);  // the graph hands both to the renderer
    ASSERT_EQ(graph.As(&window), S_OK);
    LONG w = 0, h = 0;
    ASSERT_EQ(basic->GetVideoSize(&w, &h), S_OK);
    EXPECT_EQ(w, 176);
    EXPECT_EQ(h, 144);

    HWND child = nullptr;
    HWND owner = ShowInOwner(window.Get(), &child);
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(child, nullptr);
    RunSeconds();
    PumpWindowMessages();
    uint32_t pixel = PixelOf(child, 44, 36);
    EXPECT_GT((pixel >> 16) & 0xFF, 0xC0u) << std::hex << pixel;
    EXPECT_LT((pixel >> 8) & 0xFF, 0x40u) << std::hex << pixel;

    // Hidden again, the window goes; the owner's handle can be taken back.
    ASSERT_EQ(window->put_Visible(0), S_OK);
    ASSERT_EQ(window->put_Owner(0), S_OK);
    EXPECT_EQ(FirstChildOf(owner), nullptr);
    DestroyOwnerWindow(owner);
}

// Pictures as wide as real sources whose rows the scaler converts in whole
// blocks past their ends (168, 200, 360, 856 and 1080 pixels): shown at
// their own size, red on the left and blue on the right, to the edges.
TEST_F(RendererTest, PicturesOfCommonWidthsAreShownToTheirEdges)
{
    for (int width : {168, 200, 360, 856, 1080}) {
        SCOPED_TRACE(std::to_string(width) + " wide");
        TearDown();
        SetUp();
        std::string half = std::to_string(width / 2) + "x36";
        std::string path = MakeMedia(dir, std::to_string(width) + ".mkv",
                                     "-f lavfi -i color=c=red:size=" + half +
                                         ":rate=25:duration=0.2 -f lavfi -i "
                                         "color=c=blue:size=" +
                                         half +
                                         ":rate=25:duration=0.2 -filter_complex hstack "
                                         "-c:v mpeg4 -q:v 2");
        Chain(path, CLSID_MatroskaSplitter, CLSID_VideoDecoder, CLSID_VideoRenderer);
        ComPtr<IVideoWindow> window;
        ASSERT_EQ(graph.As(&window), S_OK);
        HWND child = nullptr;
        HWND owner = ShowInOwner(window.Get(), &child, width, 36);
        ASSERT_NE(owner, nullptr);
        ASSERT_NE(child, nullptr);
        RunSeconds();
        PumpWindowMessages();
        for (int y : {1, 18, 34})
            for (int x : {1, width / 2 - 6, width / 2 + 6, width - 2}) {
                uint32_t pixel = PixelOf(child, x, y);
                bool left = x < width / 2;
                EXPECT_GT((pixel >> (left ? 16 : 0)) & 0xFF, 0xC0u) << x << "," << y << " " << std::hex << pixel;
                EXPECT_LT((pixel >> (left ? 0 : 16)) & 0xFF, 0x40u) << x << "," << y << " " << std::hex << pixel;
            }
        ASSERT_EQ(window->put_Visible(0), S_OK);
        ASSERT_EQ(window->put_Owner(0), S_OK);
        DestroyOwnerWindow(owner);
    }
}

// Each edge and extent of the source, destination and window rectangles,
// through the graph: setting one changes that one alone, reading one gives
// what the whole rectangle holds.
TEST_F(RendererTest, EachEdgeOfARectangleReadsAndChangesItsOwnPlace)
{
    std::string path =
        MakeMedia(dir, "grey.mkv", "-f lavfi -i color=c=gray:size=176x144:rate=25:duration=0.2 -c:v mpeg4");
    Chain(path, CLSID_MatroskaSplitter, CLSID_VideoDecoder, CLSID_VideoRenderer);
    ComPtr<IBasicVideo> basic;
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(graph.As(&basic), S_OK);
    ASSERT_EQ(graph.As(&window), S_OK);

    using Whole = std::function<HRESULT(LONG*)>;  // the four values, left, top, width, height
    using Put = std::function<HRESULT(LONG)>;
    using Get = std::function<HRESULT(LONG*)>;
    IBasicVideo* b = basic.Get();
    IVideoWindow* w = window.Get();
    const Whole source = [b](LONG* r) { return b->GetSourcePosition(&r[0], &r[1], &r[2], &r[3]); };
    const Whole destination = [b](LONG* r) { return b->GetDestinationPosition(&r[0], &r[1], &r[2], &r[3]); };
    const Whole windowRect = [w](LONG* r) { return w->GetWindowPosition(&r[0], &r[1], &r[2], &r[3]); };
    struct Row {
        const char* name;
        Whole whole;
        int slot;
        Put put;
        Get get;
    };
    const Row rows[] = {
        {"SourceLeft", source, 0, [b](LONG v) { return b->put_SourceLeft(v); },
         [b](LONG* v) { return b->get_SourceLeft(v); }},
        {"SourceTop", source, 1, [b](LONG v) { return b->put_SourceTop(v); },
         [b](LONG* v) { return b->get_SourceTop(v); }},
        {"SourceWidth", source, 2, [b](LONG v) { return b->put_SourceWidth(v); },
         [b](LONG* v) { return b->get_SourceWidth(v); }},
        {"SourceHeight", source, 3, [b](LONG v) { return b->put_SourceHeight(v); },
         [b](LONG* v) { return b->get_SourceHeight(v); }},
        {"DestinationLeft", destination, 0, [b](LONG v) { return b->put_DestinationLeft(v); },
         [b](LONG* v) { return b->get_DestinationLeft(v); }},
        {"DestinationTop", destination, 1, [b](LONG v) { return b->put_DestinationTop(v); },
         [b](LONG* v) { return b->get_DestinationTop(v); }},
        {"DestinationWidth", destination, 2, [b](LONG v) { return b->put_DestinationWidth(v); },
         [b](LONG* v) { return b->get_DestinationWidth(v); }},
        {"DestinationHeight", destination, 3, [b](LONG v) { return b->put_DestinationHeight(v); },
         [b](LONG* v) { return b->get_DestinationHeight(v); }},
        {"Left", windowRect, 0, [w](LONG v) { return w->put_Left(v); }, [w](LONG* v) { return w->get_Left(v); }},
        {"Top", windowRect, 1, [w](LONG v) { return w->put_Top(v); }, [w](LONG* v) { return w->get_Top(v); }},
        {"Width", windowRect, 2, [w](LONG v) { return w->put_Width(v); }, [w](LONG* v) { return w->get_Width(v); }},
        {"Height", windowRect, 3, [w](LONG v) { return w->put_Height(v); }, [w](LONG* v) { return w->get_Height(v); }},
    };
    const LONG start[4] = {8, 6, 100, 80};
    const LONG changed[4] = {3, 5, 120, 90};
    for (const Row& r : rows) {
        ASSERT_EQ(S_OK, b->SetSourcePosition(start[0], start[1], start[2], start[3]));
        ASSERT_EQ(S_OK, b->SetDestinationPosition(start[0], start[1], start[2], start[3]));
        ASSERT_EQ(S_OK, w->SetWindowPosition(start[0], start[1], start[2], start[3]));
        ASSERT_EQ(S_OK, r.put(changed[r.slot])) << r.name;
        LONG now[4] = {};
        ASSERT_EQ(S_OK, r.whole(now)) << r.name;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(i == r.slot ? changed[i] : start[i], now[i]) << r.name << " place " << i;
        LONG value = -1;
        EXPECT_EQ(S_OK, r.get(&value)) << r.name;
        EXPECT_EQ(changed[r.slot], value) << r.name;
        EXPECT_EQ(E_POINTER, r.get(nullptr)) << r.name;
    }
    // A value the whole rectangle refuses leaves it as it was.
    EXPECT_EQ(E_INVALIDARG, b->put_SourceWidth(0));
    LONG width = 0;
    EXPECT_EQ(S_OK, b->get_SourceWidth(&width));
    EXPECT_EQ(start[2], width);
}

// Before its pin is connected a renderer has no picture, so no default
// source rectangle: every source edge answers so, with 0 for the value.
TEST_F(RendererTest, SourceEdgesOfAnUnconnectedRendererAnswerNotConnected)
{
    ComPtr<IBasicVideo> basic;
    ASSERT_EQ(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_ALL, IID_IBasicVideo,
                               reinterpret_cast<void**>(basic.GetAddressOf())),
              S_OK);
    HRESULT (IBasicVideo::*const getters[])
    (LONG*) = {&IBasicVideo::get_SourceLeft, &IBasicVideo::get_SourceTop, &IBasicVideo::get_SourceWidth,
               &IBasicVideo::get_SourceHeight};
    for (auto get : getters) {
        LONG value = -1;
        EXPECT_EQ(VFW_E_NOT_CONNECTED, (basic.Get()->*get)(&value));
        EXPECT_EQ(0, value);
    }
    EXPECT_EQ(VFW_E_NOT_CONNECTED, basic->put_SourceLeft(4));
}

// The renderer's interfaces and the graph's (its control and its
// forwarded video interfaces) are called through their method tables only:
// their IDispatch gives no type information and takes no late-bound call.
TEST_F(RendererTest, DispatchOfTheRendererAndTheGraphIsNotOffered)
{
    ComPtr<IVideoWindow> rendererWindow, graphWindow;
    ComPtr<IBasicVideo> rendererVideo, graphVideo;
    ASSERT_EQ(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_ALL, IID_IVideoWindow,
                               reinterpret_cast<void**>(rendererWindow.GetAddressOf())),
              S_OK);
    ASSERT_EQ(rendererWindow.As(&rendererVideo), S_OK);
    ASSERT_EQ(graph.As(&graphWindow), S_OK);
    ASSERT_EQ(graph.As(&graphVideo), S_OK);
    const struct {
        const char* what;
        IDispatch* dispatch;
    } cases[] = {
        {"renderer's IVideoWindow", rendererWindow.Get()}, {"renderer's IBasicVideo", rendererVideo.Get()},
        {"graph's IMediaControl", control.Get()},          {"graph's IMediaEventEx", events.Get()},
        {"graph's IVideoWindow", graphWindow.Get()},       {"graph's IBasicVideo", graphVideo.Get()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UINT count = 7;
        EXPECT_EQ(S_OK, c.dispatch->GetTypeInfoCount(&count));
        EXPECT_EQ(0u, count);
        EXPECT_EQ(S_OK, c.dispatch->GetTypeInfoCount(nullptr));
        ITypeInfo* info = nullptr;
        EXPECT_EQ(E_NOTIMPL, c.dispatch->GetTypeInfo(0, 0, &info));
        EXPECT_EQ(nullptr, info);
        wchar_t name[] = L"Visible";
        LPOLESTR names[] = {name};
        DISPID id = 0;
        EXPECT_EQ(E_NOTIMPL, c.dispatch->GetIDsOfNames(GUID_NULL, names, 1, 0, &id));
        DISPPARAMS params{};
        EXPECT_EQ(E_NOTIMPL, c.dispatch->Invoke(1, GUID_NULL, 0, 0, &params, nullptr, nullptr, nullptr));
    }
}

// Paused, a seek shows the picture of the new position at once (the graph
// is ready once it shows); a stream that ran to its end and was stopped
// keeps its end as its position, not the place it was last sought to.
TEST_F(RendererTest, APausedSeekShowsTheNewPictureAndAStopKeepsThePosition)
{
    // Red for two seconds, then blue for two.
    std::string path = MakeMedia(dir, "red_blue.mkv",
                                 "-f lavfi -i color=c=red:size=176x144:rate=25:duration=2 "
                                 "-f lavfi -i color=c=blue:size=176x144:rate=25:duration=2 "
                                 "-filter_complex [0][1]concat=n=2:v=1 -c:v mpeg4 -q:v 2");
    Chain(path, CLSID_MatroskaSplitter, CLSID_VideoDecoder, CLSID_VideoRenderer);
    ComPtr<IVideoWindow> window;
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(graph.As(&window), S_OK);
    ASSERT_EQ(graph.As(&seeking), S_OK);
    HWND child = nullptr;
    HWND owner = ShowInOwner(window.Get(), &child);
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(child, nullptr);

    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    OAFilterState state = 0;
    ASSERT_EQ(control->GetState(10000, &state), S_OK);
    struct Seek {
        double seconds;
        bool blue;
    };
    for (const Seek& seek : {Seek{3.0, true}, Seek{1.0, false}, Seek{2.5, true}}) {
        SCOPED_TRACE(seek.seconds);
        LONGLONG at = static_cast<LONGLONG>(seek.seconds * 10000000);
        ASSERT_EQ(seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
        ASSERT_EQ(control->GetState(10000, &state), S_OK);
        EXPECT_EQ(State_Paused, state);
        PumpWindowMessages();
        const uint32_t pixel = PixelOf(child, 44, 36);
        const uint32_t red = (pixel >> 16) & 0xFF, blue = pixel & 0xFF;
        EXPECT_GT(seek.blue ? blue : red, 0xC0u) << std::hex << pixel;
        EXPECT_LT(seek.blue ? red : blue, 0x40u) << std::hex << pixel;
        LONGLONG position = 0;
        ASSERT_EQ(seeking->GetCurrentPosition(&position), S_OK);
        EXPECT_EQ(at, position);
    }

    // From 2.5 s to the end, then stopped: the position is the end.
    RunSeconds();
    ASSERT_EQ(control->Stop(), S_OK);
    LONGLONG position = 0, duration = 0;
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    ASSERT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    EXPECT_NEAR(static_cast<double>(duration), static_cast<double>(position), 10000000 / 25.0);
    EXPECT_GT(position, 35000000);

    ASSERT_EQ(window->put_Visible(0), S_OK);
    ASSERT_EQ(window->put_Owner(0), S_OK);
    DestroyOwnerWindow(owner);
}

TEST_F(RendererTest, RenderersKeepTheClocksPaceWithoutAWindowOrADevice)
{
    // No sound server answers here.
    std::string noServer = "unix:" + dir.File("no-such-server");
    setenv("PULSE_SERVER", noServer.c_str(), 1);
    std::string video = MakeMedia(dir, "v.mkv", TestPicture(0.6) + " -c:v mpeg4");
    Chain(video, CLSID_MatroskaSplitter, CLSID_VideoDecoder, CLSID_VideoRenderer);
    EXPECT_GE(RunSeconds(), 0.45);  // headless: let go in time, not at once
    control->Stop();
    graph.Reset();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(graph.As(&events), S_OK);
    std::string audio = MakeMedia(dir, "a.ogg", TestTone(0.6) + " -c:a libvorbis");
    Chain(audio, CLSID_OggSplitter, CLSID_AudioDecoder, CLSID_DSoundRender);
    EXPECT_GE(RunSeconds(), 0.45);
    unsetenv("PULSE_SERVER");
}

TEST_F(RendererTest, SoundIsPlayedOnTheDesktopsSoundServer)
{
    PrivateSoundServer server;
    ASSERT_TRUE(server.Started()) << server.Problem();
    struct Case {
        const char* file;
        const char* args;
        double frequency;
    } cases[] = {
        // Float samples in stereo, 16-bit samples in mono at another rate.
        {"tone.ogg", "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1.2 -ac 2 -c:a libvorbis", 440},
        {"tone.wav", "-f lavfi -i sine=frequency=660:sample_rate=22050:duration=1.2 -c:a pcm_s16le", 660},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        std::string path = MakeMedia(dir, c.file, c.args);
        ComPtr<IBaseFilter> source;
        ASSERT_EQ(graph->RenderFile(FromNativePath(path).c_str(), nullptr), S_OK) << c.file;
        ASSERT_TRUE(server.StartRecording());
        EXPECT_GE(RunSeconds(), 1.0) << c.file;
        control->Stop();
        std::vector<int16_t> samples = server.StopRecording();
        ASSERT_GT(samples.size(), static_cast<size_t>(PrivateSoundServer::kRecordRate)) << c.file;
        EXPECT_GT(RmsLevel(samples), 0.02) << c.file;
        EXPECT_GT(ToneShare(samples, PrivateSoundServer::kRecordRate, c.frequency), 0.5) << c.file;
        EXPECT_LT(ToneShare(samples, PrivateSoundServer::kRecordRate, c.frequency * 1.5), 0.05) << c.file;
    }
}

}  // namespace
