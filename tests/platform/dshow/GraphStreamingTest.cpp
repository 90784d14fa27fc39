// A running graph: samples and their times through source, transform and
// sink, seeking, the states, completion and error events, and the owner's
// window notices.
#include <atomic>

#include "platform/dshow/MediaGuids.h"
#include "platform/win32/WindowMessages.h"
#include "tests/platform/dshow/GraphFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

constexpr REFERENCE_TIME kFrame = 400000;

struct Chain {
    CSyntheticSource* source;
    CPassTransform* pass;
    CCollectSink* sink;
};

}  // namespace

class GraphStreamingTest : public GraphTest {
protected:
    Chain BuildChain(SyntheticStreamSetup video)
    {
        Chain c;
        c.sink = Add(CCollectSink::Create(MEDIATYPE_Video), L"Sink");
        c.pass = Add(CPassTransform::Create(MEDIATYPE_Video), L"Pass");
        c.source = AddSource({video});
        Connect(c.source->GetPin(0), c.pass->GetPin(0));
        Connect(c.pass->GetPin(1), c.sink->GetPin(0));
        return c;
    }
};

TEST_F(GraphStreamingTest, EverySampleArrivesWithItsTimesAndItsOwnBytes)
{
    SyntheticStreamSetup video = VideoStream(25);
    video.attachPayloads = true;  // payloads of their own, passed on without copies
    Chain c = BuildChain(video);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    auto records = c.sink->Records();
    ASSERT_EQ(records.size(), 25u);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].start, static_cast<REFERENCE_TIME>(i) * kFrame) << i;
        EXPECT_EQ(records[i].stop, static_cast<REFERENCE_TIME>(i + 1) * kFrame) << i;
        EXPECT_EQ(records[i].first, static_cast<BYTE>(i)) << i;
        EXPECT_EQ(records[i].bytes, video.bytes) << i;
    }
    EXPECT_EQ(c.pass->passed, 25);
    EXPECT_EQ(c.sink->endOfStreams, 1);
    LONGLONG duration = 0, position = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 25 * kFrame);
    EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    EXPECT_EQ(position, 25 * kFrame);
    EXPECT_EQ(Drain(), std::vector<LONG>{EC_COMPLETE});
    EXPECT_EQ(control->Stop(), S_OK);
    // Every payload went back to its owner.
    EXPECT_EQ(c.source->SyntheticStream(0)->payloadsReleased, 25);
}

TEST_F(GraphStreamingTest, SeekRestartsTimesAtTheNewStartAndAStopEndsTheStream)
{
    struct Case {
        int start, stop;  // in frames; stop -1 for none
        size_t count;
    } cases[] = {{10, -1, 15}, {5, 12, 7}, {0, 3, 3}, {24, -1, 1}};
    for (const auto& k : cases) {
        Chain c = BuildChain(VideoStream(25));
        LONGLONG start = k.start * kFrame, stop = k.stop * kFrame;
        ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, k.stop < 0 ? nullptr : &stop,
                                        k.stop < 0 ? AM_SEEKING_NoPositioning : AM_SEEKING_AbsolutePositioning),
                  S_OK);
        EXPECT_EQ(RunToEnd(), EC_COMPLETE) << k.start;
        auto records = c.sink->Records();
        ASSERT_EQ(records.size(), k.count) << k.start;
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].start, static_cast<REFERENCE_TIME>(i) * kFrame) << k.start;
            EXPECT_EQ(records[i].first, static_cast<BYTE>(k.start + static_cast<int>(i))) << k.start;
        }
        LONGLONG position = 0;
        EXPECT_EQ(seeking->GetCurrentPosition(&position), S_OK);
        EXPECT_EQ(position, k.stop < 0 ? 25 * kFrame : stop) << k.start;
        EXPECT_EQ(Drain(), std::vector<LONG>{EC_COMPLETE});
        // A new graph for the next case.
        TearDown();
        SetUp();
    }
}

TEST_F(GraphStreamingTest, PausedGraphSeeksAndCompletesOnceMore)
{
    Chain c = BuildChain(VideoStream(20));
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    ASSERT_EQ(control->Pause(), S_OK);
    LONGLONG start = 15 * kFrame;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(kDefaultWaitLimit.count(), &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    c.sink->ClearRecords();
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    auto records = c.sink->Records();
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].start, 0);
    EXPECT_EQ(records[0].first, 15);
    EXPECT_EQ(Drain(), (std::vector<LONG>{EC_COMPLETE, EC_COMPLETE}));
}

TEST_F(GraphStreamingTest, StatesChangeFromEveryState)
{
    Chain c = BuildChain(VideoStream(1000));
    const FILTER_STATE steps[] = {State_Paused,  State_Running, State_Paused, State_Stopped, State_Running,
                                  State_Stopped, State_Paused,  State_Paused, State_Stopped, State_Stopped};
    for (FILTER_STATE target : steps) {
        HRESULT hr = target == State_Running  ? control->Run()
                     : target == State_Paused ? control->Pause()
                                              : control->Stop();
        EXPECT_TRUE(SUCCEEDED(hr)) << target;
        OAFilterState state = -1;
        EXPECT_EQ(control->GetState(10000, &state), S_OK) << target;
        EXPECT_EQ(state, target);
        FILTER_STATE sinkState;
        c.sink->GetState(0, &sinkState);
        EXPECT_EQ(sinkState, target);
        c.source->GetState(0, &sinkState);
        EXPECT_EQ(sinkState, target);
    }
    // A graph stopped and run again starts from the beginning.
    c.sink->ClearRecords();
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil("the first sample after running again", [&] { return !c.sink->Records().empty(); }));
    EXPECT_EQ(c.sink->Records()[0].first, 0);
    // Stopping when ready ends in the stopped state.
    EXPECT_EQ(control->StopWhenReady(), S_OK);
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(GraphStreamingTest, GetStateWaitsForTheRenderersOnlyAsLongAsAsked)
{
    std::atomic<bool> hold{true};
    SyntheticStreamSetup video = VideoStream(10);
    video.hold = &hold;
    BuildChain(video);
    EXPECT_EQ(control->Pause(), S_FALSE);  // no sample has arrived yet
    OAFilterState state = -1;
    EXPECT_EQ(control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);
    EXPECT_EQ(control->GetState(30, &state), VFW_S_STATE_INTERMEDIATE);
    hold = false;
    EXPECT_EQ(control->GetState(kDefaultWaitLimit.count(), &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    // Stopping releases the sample the paused sink holds.
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(GraphStreamingTest, SeekWhileRunningFlushesTheWaitingStream)
{
    // A sink that keeps to the clock: the source's thread is always waiting
    // inside the sink when the seek comes.
    Chain c = BuildChain(VideoStream(50, 100000));
    c.sink->SetScheduleByClock(true);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil("three samples", [&] { return c.sink->Records().size() >= 3; }));
    LONGLONG start = 45 * 100000;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    LONG code = 0;
    ASSERT_EQ(events->WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    auto records = c.sink->Records();
    ASSERT_GE(records.size(), 8u);
    // The last five samples came after the seek, their times from 0 again.
    for (size_t i = 0; i < 5; ++i) {
        const SinkRecord& r = records[records.size() - 5 + i];
        EXPECT_EQ(r.first, 45 + i);
        EXPECT_EQ(r.start, static_cast<REFERENCE_TIME>(i) * 100000);
    }
    EXPECT_EQ(Drain(), std::vector<LONG>{EC_COMPLETE});
}

TEST_F(GraphStreamingTest, TwoRenderersCompleteOnce)
{
    auto* video = Add(CCollectSink::Create(MEDIATYPE_Video), L"Video Sink");
    auto* audio = Add(CCollectSink::Create(MEDIATYPE_Audio), L"Audio Sink");
    auto* source = AddSource({VideoStream(10), AudioStream(60, 100000)});
    Connect(source->GetPin(0), video->GetPin(0));
    Connect(source->GetPin(1), audio->GetPin(0));
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    // Completion is reported only when both streams have ended.
    EXPECT_EQ(video->endOfStreams, 1);
    EXPECT_EQ(audio->endOfStreams, 1);
    EXPECT_EQ(video->Records().size(), 10u);
    EXPECT_EQ(audio->Records().size(), 60u);
    EXPECT_EQ(Drain(100), std::vector<LONG>{EC_COMPLETE});
}

TEST_F(GraphStreamingTest, AFailureIsReportedAndTheRunDoesNotComplete)
{
    struct Case {
        const char* what;
        int sourceFailsAt;
        long sinkFailsAt;
    } cases[] = {{"source", 4, -1}, {"sink", -1, 2}};
    for (const auto& k : cases) {
        SyntheticStreamSetup video = VideoStream(10);
        video.failAt = k.sourceFailsAt;
        Chain c = BuildChain(video);
        c.sink->failAt = k.sinkFailsAt;
        EXPECT_EQ(RunToEnd(), EC_ERRORABORT) << k.what;
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
        EXPECT_EQ(code, EC_ERRORABORT);
        EXPECT_EQ(static_cast<HRESULT>(p1), E_FAIL);
        EXPECT_EQ(Drain(50), std::vector<LONG>{}) << k.what;
        TearDown();
        SetUp();
    }
}

TEST_F(GraphStreamingTest, EventsArePostedToTheOwnerAndDrainedThere)
{
    PostRecorder recorder;
    UINT message = RegisterWindowMessageW(L"WM_GRAPHNOTIFY");
    HWND owner = reinterpret_cast<HWND>(0x1234);
    Chain c = BuildChain(VideoStream(5));
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(owner), static_cast<LONG>(message), 77), S_OK);
    // A filter's private event passes as it is.
    ASSERT_EQ(c.sink->NotifyEvent(EC_USER + 0x64, 1, 0), S_OK);
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
    auto posts = recorder.WaitForPosts(2);
    ASSERT_EQ(posts.size(), 2u);
    for (const auto& p : posts) {
        EXPECT_EQ(p.window, owner);
        EXPECT_EQ(p.message, message);
        EXPECT_EQ(p.wParam, 0u);
        EXPECT_EQ(p.lParam, 77);
    }
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_USER + 0x64);
    EXPECT_EQ(p1, 1);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);

    // Without notices, nothing more is posted; the queue still fills.
    ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
    c.sink->NotifyEvent(EC_USER + 0x64, 2, 0);
    EXPECT_EQ(recorder.Posts().size(), 2u);
    EXPECT_EQ(Drain(), std::vector<LONG>{EC_USER + 0x64});
}
