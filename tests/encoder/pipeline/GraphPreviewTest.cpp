// The preview graph in windows of the window layer: it opens a source,
// plays it with its pictures in a child window of the video pane and its
// sound on a private sound server, pauses, seeks and plays to the end. The
// filter modules are the build's where it made them, else the recording
// stand-ins; the decoders and renderers are the system's.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>
#include <utility>

#include "encoder/pipeline/GraphMessages.h"
#include "encoder/pipeline/GraphPreview.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/GdiInternals.h"
#include "tests/encoder/pipeline/GraphTestSupport.h"
#include "tests/encoder/pipeline/SubtitleFileKinds.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/PrivateSoundServer.h"

namespace {

constexpr LONGLONG kSecond = 10000000;
// The preview plays on the clock: under a race detector on a busy machine a
// second of playback takes many seconds, so waits for it are generous; they
// end as soon as the picture or the position is there.
constexpr std::chrono::seconds kPlaybackDeadline{60};

class GraphPreviewTest : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        posts_.reset();  // the posts go to the windows
        top_ = gui_test::MakeTop(0, 0, 360, 280);
        pane_ = gui_test::MakeChild(top_, 1143, 8, 8, 320, 240);
        ASSERT_NE(top_, nullptr);
        ASSERT_NE(pane_, nullptr);
        ownerWnd_.m_hWnd = top_;
        paneWnd_.m_hWnd = pane_;
        const SGraphMessages& m = GetGraphMessages();
        gui_test::SetHandler(top_, [this, m](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == m.graphNotify) {
                if (graph_) graph_->OnGraphNotify();
            } else if (message == m.playbackState) {
                trace_.push_back("STATE " + std::to_string(wParam));
            } else if (message == m.playbackReady) {
                trace_.push_back("READY");
            } else if (message == m.playbackEof) {
                trace_.push_back("EOF " + std::to_string(wParam));
            } else {
                return std::nullopt;
            }
            return 0;
        });
    }
    void TearDown() override
    {
        graph_ = nullptr;
        ownerWnd_.m_hWnd = nullptr;
        paneWnd_.m_hWnd = nullptr;
        if (top_) DestroyWindow(top_);
        GraphTest::TearDown();
    }

    // Dispatches the windows' messages for the time, or until the test
    // holds.
    template <class Until>
    bool PumpWindows(std::chrono::milliseconds time, Until until)
    {
        auto deadline = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < deadline) {
            gui_test::Pump();
            if (until()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        gui_test::Pump();
        return until();
    }
    void PumpWindows(std::chrono::milliseconds time)
    {
        PumpWindows(time, [] { return false; });
    }
    MessageTrace TakeTrace() { return std::exchange(trace_, {}); }

    // The pane's child (the video window) as an image.
    QImage VideoImage()
    {
        HWND video = GetWindow(pane_, GW_CHILD);
        if (!video) return QImage();
        RECT r{};
        GetClientRect(video, &r);
        HDC dc = GetDC(video);
        QImage image = win32_gui::ReadDc(dc, QRect(0, 0, r.right, r.bottom));
        ReleaseDC(video, dc);
        return image;
    }

    HWND top_ = nullptr;
    HWND pane_ = nullptr;
    CWnd ownerWnd_;
    CWnd paneWnd_;
    CGraphMain* graph_ = nullptr;
    MessageTrace trace_;
};

// How many different colours a picture shows in a coarse grid: the test
// picture's bars give many, a black or empty window one or none.
int Colours(const QImage& image)
{
    std::set<QRgb> seen;
    for (int y = 4; y < image.height(); y += image.height() / 8 + 1)
        for (int x = 4; x < image.width(); x += image.width() / 8 + 1) seen.insert(image.pixel(x, y) & 0xF0F0F0);
    return static_cast<int>(seen.size());
}

// Pixels of the upper or the lower half that differ between two pictures of
// one size, colours compared coarsely.
int ChangedInHalf(const QImage& a, const QImage& b, bool lower)
{
    if (a.size() != b.size()) return -1;
    int changed = 0;
    for (int y = lower ? a.height() / 2 : 0; y < (lower ? a.height() : a.height() / 2); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xF0F0F0) != (b.pixel(x, y) & 0xF0F0F0)) ++changed;
    return changed;
}

int ChangedInLowerHalf(const QImage& a, const QImage& b) { return ChangedInHalf(a, b, true); }

TEST_F(GraphPreviewTest, APreviewShowsPicturesPlaysSoundPausesAndSeeks)
{
    PrivateSoundServer server;
    ASSERT_TRUE(server.Started()) << server.Problem();
    for (const char* module : {"HSF.ax", "HVF.ax", "HAF.ax"}) UseRealModules({module});
    // Long enough that a slow machine (the race detector's build beside
    // other work) does not reach the end before the test pauses it; the
    // seek goes near the end.
    std::string source = MakeMedia(temp(), "movie.avi",
                                   TestPicture(10.0) + " " + TestTone(10.0) + " -c:v mpeg4 -c:a libmp3lame -shortest");
    CGraphPreview graph(&settings_);
    graph_ = &graph;
    ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, &paneWnd_, &ownerWnd_));
    ASSERT_EQ(graph.Open(CString(Utf8ToWide(source)), CString()), 0);
    PumpWindows(std::chrono::milliseconds(100));
    EXPECT_EQ(Joined(TakeTrace()), Joined({"STATE 2", "READY"}));
    // The video window waits hidden in the pane until the preview plays.
    HWND video = GetWindow(pane_, GW_CHILD);
    EXPECT_TRUE(!video || !IsWindowVisible(video));

    ASSERT_TRUE(server.StartRecording());
    ASSERT_EQ(graph.Run(TRUE), S_OK);
    EXPECT_TRUE(PumpWindows(kPlaybackDeadline, [&] { return Colours(VideoImage()) >= 4; }))
        << "the pane shows no picture";
    QImage shown = VideoImage();
    gui_test::SaveScreenshot(shown, "preview_playing");
    EXPECT_EQ(shown.width(), 320);
    EXPECT_EQ(shown.height(), 240);

    // Paused, the position stands still.
    ASSERT_EQ(graph.Run(FALSE), S_OK);
    PumpWindows(std::chrono::milliseconds(100));
    LONGLONG paused = graph.GetPosition();
    PumpWindows(std::chrono::milliseconds(400));
    EXPECT_NEAR(static_cast<double>(graph.GetPosition()), static_cast<double>(paused), kSecond / 20.0);
    EXPECT_EQ(graph.GetPlayState(), kPlayStatePaused);

    // A seek while paused, then on to the end.
    ASSERT_EQ(graph.Seek(8 * kSecond, -1), S_OK);
    ASSERT_EQ(graph.Run(TRUE), S_OK);
    PumpWindows(std::chrono::milliseconds(200));
    EXPECT_GE(graph.GetPosition(), 8 * kSecond);
    EXPECT_TRUE(PumpWindows(kPlaybackDeadline, [&] { return !trace_.empty() && trace_.back() == "STATE 2"; }));
    std::vector<int16_t> sound = server.StopRecording();
    EXPECT_EQ(Joined(TakeTrace()), Joined({"STATE 4", "STATE 3", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_GT(RmsLevel(sound), 0.02);
    EXPECT_GT(ToneShare(sound, PrivateSoundServer::kRecordRate, 440), 0.5);
    graph.CloseGraph();
}

// ---- Subtitles burned into the picture, through the real video module -------------------------------

class SubtitlePreviewTest : public GraphPreviewTest, public ::testing::WithParamInterface<SubtitleCase> {};

// A still grey picture, once without and once with the subtitle: the
// subtitle's lines are in the lower half and nothing else changes.
TEST_P(SubtitlePreviewTest, TheSubtitleIsDrawnIntoThePicture)
{
    if (!UseRealModules({"HVF.ax"})) GTEST_SKIP() << "the video treatment module is not built here";
    const SubtitleCase& c = GetParam();
    std::string source = MakeMedia(temp(), "grey.avi",
                                   "-f lavfi -i color=c=gray:size=320x240:rate=25:duration=3 " + TestTone(3.0) +
                                       " -c:v mpeg4 -q:v 2 -c:a libmp3lame -shortest");
    std::string subtitle = c.write(temp(), c.file);
    QImage shots[2];
    for (int with = 0; with < 2; ++with) {
        CGraphPreview graph(&settings_);
        graph_ = &graph;
        ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, &paneWnd_, &ownerWnd_));
        ASSERT_EQ(graph.Open(CString(Utf8ToWide(source)), CString()), 0);
        ISubPicProvider* provider = nullptr;
        if (with) {
            SubtitleOpenParams params;
            ASSERT_EQ(OpenSubtitleProvider(&provider, CString(Utf8ToWide(subtitle)), &params), S_OK) << c.name;
            provider->AddRef();
            EXPECT_EQ(graph.SetVideoFilterSubtitle(provider), S_OK);
        }
        ASSERT_EQ(graph.Run(TRUE), S_OK);
        EXPECT_TRUE(PumpWindows(kPlaybackDeadline, [&] { return graph.GetPosition() >= 8 * kSecond / 10; }));
        PumpWindows(std::chrono::milliseconds(100));
        shots[with] = VideoImage();
        // The pane shows the picture made before the provider was handed
        // over until the treatment draws the next one, which on a slow
        // machine (the subtitle library's first fonts under the race
        // detector) can come after the position has moved on, or after the
        // three seconds of the subtitle and the source have passed: the
        // picture with the subtitle is waited for, playing the source
        // again from its start when it nears its end.
        if (with)
            PumpWindows(kPlaybackDeadline, [&] {
                shots[1] = VideoImage();
                if (ChangedInLowerHalf(shots[0], shots[1]) > 300) return true;
                if (graph.GetPosition() >= 25 * kSecond / 10) {
                    graph.Seek(0, -1);
                    graph.Run(TRUE);
                }
                return false;
            });
        graph.CloseGraph();
        graph_ = nullptr;
        if (provider) provider->Release();
    }
    gui_test::SaveScreenshot(shots[1], std::string("preview_subtitle_") + c.name);
    ASSERT_EQ(shots[0].size(), shots[1].size());
    EXPECT_EQ(ChangedInHalf(shots[0], shots[1], false), 0) << c.name;
    EXPECT_GT(ChangedInLowerHalf(shots[0], shots[1]), 300) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, SubtitlePreviewTest, ::testing::ValuesIn(kSubtitleCases));

}  // namespace
