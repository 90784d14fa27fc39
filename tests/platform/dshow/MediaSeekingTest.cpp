// The shared seeking of the runtime, outside a graph: the time-format block
// every seeking object answers alike, the positions of a stream and how a
// SetPositions request resolves against them, a stream's seeking, and how a
// relay (the graph, a pass-through) combines the answers of the objects it
// asks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/SeekingRelay.h"
#include "platform/dshow/StreamSeeking.h"

namespace {

// A stream's seeking over positions of its own, recording the changes it is
// asked to carry out; it may refuse them.
class RecordingStreamSeeking final : public CStreamSeeking {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    CSeekPositions positions;
    std::vector<SeekChange> changes;
    HRESULT refusal = S_OK;

protected:
    CSeekPositions& Positions() override { return positions; }
    HRESULT Reposition(const SeekChange& change) override
    {
        if (FAILED(refusal)) return refusal;
        changes.push_back(change);
        positions.Apply(change);
        return S_OK;
    }
};

// A seeking object with fixed answers: every call gives `answer` (and its
// values when that is a success). It counts its references so that a relay
// that keeps one shows.
class FixedSeeker final : public CMediaTimeSeeking {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid != IID_IUnknown && riid != IID_IMediaSeeking) return E_NOINTERFACE;
        *object = static_cast<IMediaSeeking*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }

    HRESULT GetCapabilities(DWORD* c) override { return Answer(c, capabilities); }
    HRESULT GetDuration(LONGLONG* d) override { return Answer(d, duration); }
    HRESULT GetStopPosition(LONGLONG* s) override { return Answer(s, stop); }
    HRESULT GetCurrentPosition(LONGLONG* c) override { return Answer(c, current); }
    HRESULT GetPositions(LONGLONG* c, LONGLONG* s) override
    {
        if (FAILED(answer)) return answer;
        if (c) *c = start;
        if (s) *s = stop;
        return answer;
    }
    HRESULT SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) override
    {
        ++sets;
        if (FAILED(answer)) return answer;
        if (c && (cf & AM_SEEKING_ReturnTime)) *c = start;
        if (s && (sf & AM_SEEKING_ReturnTime)) *s = stop;
        return answer;
    }
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override
    {
        if (FAILED(answer)) return answer;
        if (earliest) *earliest = 0;
        if (latest) *latest = duration;
        return answer;
    }
    HRESULT SetRate(double r) override
    {
        if (SUCCEEDED(answer)) rate = r;
        return answer;
    }
    HRESULT GetRate(double* r) override { return Answer(r, rate); }

    HRESULT answer = S_OK;
    DWORD capabilities = 0;
    LONGLONG duration = 0, stop = 0, current = 0, start = 0;
    double rate = 1.0;
    int sets = 0;
    int refs = 1;

private:
    template <class T>
    HRESULT Answer(T* out, T value)
    {
        if (SUCCEEDED(answer)) *out = value;
        return answer;
    }
};

class ListRelay final : public CSeekingRelay {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    std::vector<FixedSeeker*> list;

protected:
    std::vector<ComPtr<IMediaSeeking>> Seekers() override
    {
        std::vector<ComPtr<IMediaSeeking>> out;
        for (FixedSeeker* s : list) out.emplace_back(s);
        return out;
    }
};

TEST(MediaSeekingTest, OnlyMediaTimeIsSpoken)
{
    RecordingStreamSeeking s;
    struct Case {
        const char* name;
        GUID format;
        HRESULT supported;
        HRESULT set;
    };
    const Case cases[] = {
        {"media time", TIME_FORMAT_MEDIA_TIME, S_OK, S_OK}, {"frames", TIME_FORMAT_FRAME, S_FALSE, E_INVALIDARG},
        {"bytes", TIME_FORMAT_BYTE, S_FALSE, E_INVALIDARG}, {"samples", TIME_FORMAT_SAMPLE, S_FALSE, E_INVALIDARG},
        {"none", TIME_FORMAT_NONE, S_FALSE, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s.IsFormatSupported(&c.format), c.supported);
        EXPECT_EQ(s.IsUsingTimeFormat(&c.format), c.supported);
        EXPECT_EQ(s.SetTimeFormat(&c.format), c.set);
        LONGLONG out = -1;
        HRESULT convert = c.supported == S_OK ? S_OK : E_INVALIDARG;
        EXPECT_EQ(s.ConvertTimeFormat(&out, &c.format, 1234, &TIME_FORMAT_MEDIA_TIME), convert);
        EXPECT_EQ(s.ConvertTimeFormat(&out, nullptr, 1234, &c.format), convert);
        EXPECT_EQ(out, convert == S_OK ? 1234 : -1);
    }
    GUID format{};
    EXPECT_EQ(s.QueryPreferredFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    format = GUID{};
    EXPECT_EQ(s.GetTimeFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    LONGLONG preroll = -1, out = -1;
    EXPECT_EQ(s.GetPreroll(&preroll), S_OK);
    EXPECT_EQ(preroll, 0);
    EXPECT_EQ(s.ConvertTimeFormat(&out, nullptr, -7, nullptr), S_OK);
    EXPECT_EQ(out, -7);
    // Nowhere to put the answer.
    EXPECT_EQ(s.IsFormatSupported(nullptr), E_POINTER);
    EXPECT_EQ(s.QueryPreferredFormat(nullptr), E_POINTER);
    EXPECT_EQ(s.SetTimeFormat(nullptr), E_POINTER);
    EXPECT_EQ(s.ConvertTimeFormat(nullptr, nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(s.GetPreroll(nullptr), E_POINTER);
    EXPECT_EQ(s.CheckCapabilities(nullptr), E_POINTER);
}

TEST(MediaSeekingTest, CheckCapabilitiesNarrowsToWhatIsThere)
{
    const DWORD have = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                       AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    struct Case {
        DWORD asked;
        HRESULT result;
        DWORD left;
    };
    const Case cases[] = {
        {AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration, S_OK,
         AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration},
        {have, S_OK, have},
        {0, S_OK, 0},
        {AM_SEEKING_CanSeekForwards | AM_SEEKING_CanPlayBackwards, S_FALSE, AM_SEEKING_CanSeekForwards},
        {AM_SEEKING_CanPlayBackwards | AM_SEEKING_CanDoSegments, E_FAIL, 0},
    };
    RecordingStreamSeeking s;
    for (const Case& c : cases) {
        DWORD flags = c.asked;
        EXPECT_EQ(s.CheckCapabilities(&flags), c.result) << std::hex << c.asked;
        EXPECT_EQ(flags, c.left) << std::hex << c.asked;
    }
    // A relay with nobody to ask has no capabilities to narrow to.
    ListRelay relay;
    DWORD flags = AM_SEEKING_CanSeekAbsolute;
    EXPECT_EQ(relay.CheckCapabilities(&flags), E_NOTIMPL);
}

TEST(MediaSeekingTest, RequestsResolveAgainstTheCurrentPositions)
{
    constexpr DWORD kNone = AM_SEEKING_NoPositioning, kAbs = AM_SEEKING_AbsolutePositioning,
                    kRel = AM_SEEKING_RelativePositioning, kInc = AM_SEEKING_IncrementalPositioning;
    struct Case {
        const char* name;
        bool stopSet;  // before: start 100, duration 1000, stop 800 when set
        DWORD startHow;
        LONGLONG start;
        DWORD stopHow;
        LONGLONG stop;
        HRESULT result;
        SeekChange change;
    };
    const Case cases[] = {
        {"absolute start, stop follows the duration", false, kAbs, 300, kNone, 0, S_OK, {true, false, 300, 1000}},
        {"absolute start, stop kept", true, kAbs, 300, kNone, 0, S_OK, {true, false, 300, 800}},
        {"relative both", true, kRel, 50, kRel, -100, S_OK, {true, true, 150, 700}},
        {"incremental stop counts from the new start", false, kAbs, 200, kInc, 40, S_OK, {true, true, 200, 240}},
        {"incremental start moves like relative", false, kInc, 5, kNone, 0, S_OK, {true, false, 105, 1000}},
        {"stop only", false, kNone, 0, kAbs, 500, S_OK, {false, true, 100, 500}},
        {"nothing moves", true, kNone, 0, kNone, 0, S_OK, {false, false, 100, 800}},
        {"flags beside the positioning bits are no positioning",
         false,
         AM_SEEKING_ReturnTime,
         0,
         AM_SEEKING_SeekToKeyFrame,
         0,
         S_OK,
         {false, false, 100, 1000}},
        {"start before 0", false, kRel, -101, kNone, 0, E_INVALIDARG, {}},
        {"stop before 0", false, kNone, 0, kAbs, -1, E_INVALIDARG, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSeekPositions p;
        p.Reset(1000);
        p.Apply(SeekChange{true, c.stopSet, 100, 800});
        LONGLONG start = c.start, stop = c.stop;
        SeekChange change{};
        ASSERT_EQ(p.Resolve(&start, c.startHow, &stop, c.stopHow, &change), c.result);
        if (FAILED(c.result)) {
            EXPECT_EQ(p.Start(), 100);
            EXPECT_EQ(p.Stop(), c.stopSet ? 800 : 1000);
            continue;
        }
        EXPECT_EQ(change.moveStart, c.change.moveStart);
        EXPECT_EQ(change.moveStop, c.change.moveStop);
        EXPECT_EQ(change.start, c.change.start);
        EXPECT_EQ(change.stop, c.change.stop);
        p.Apply(change);
        EXPECT_EQ(p.Start(), c.change.start);
        EXPECT_EQ(p.Stop(), c.change.stop);
        EXPECT_EQ(p.StopSet(), c.stopSet || c.change.moveStop);
    }
    // A position asked for without a value; no value is needed otherwise.
    CSeekPositions p;
    SeekChange change{};
    LONGLONG v = 0;
    EXPECT_EQ(p.Resolve(nullptr, AM_SEEKING_AbsolutePositioning, &v, AM_SEEKING_NoPositioning, &change), E_POINTER);
    EXPECT_EQ(p.Resolve(&v, AM_SEEKING_NoPositioning, nullptr, AM_SEEKING_RelativePositioning, &change), E_POINTER);
    EXPECT_EQ(p.Resolve(nullptr, AM_SEEKING_NoPositioning, nullptr, AM_SEEKING_NoPositioning, &change), S_OK);
}

TEST(MediaSeekingTest, StreamAnswersFromItsPositionsAndReturnsTheNewOnes)
{
    RecordingStreamSeeking s;
    s.positions.Reset(5000);
    DWORD capabilities = 0;
    EXPECT_EQ(s.GetCapabilities(&capabilities), S_OK);
    EXPECT_EQ(capabilities,
              static_cast<DWORD>(AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                                 AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration));
    LONGLONG start = 1200, stop = 300;
    ASSERT_EQ(s.SetPositions(&start, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, &stop,
                             AM_SEEKING_IncrementalPositioning | AM_SEEKING_ReturnTime),
              S_OK);
    EXPECT_EQ(start, 1200);
    EXPECT_EQ(stop, 1500);
    ASSERT_EQ(s.changes.size(), 1u);
    EXPECT_TRUE(s.changes[0].moveStart && s.changes[0].moveStop);

    LONGLONG current = -1, duration = -1, earliest = -1, latest = -1;
    EXPECT_EQ(s.GetPositions(&current, &stop), S_OK);
    EXPECT_EQ(current, 1200);  // the start: how far the data came is the renderers' to say
    EXPECT_EQ(stop, 1500);
    EXPECT_EQ(s.GetCurrentPosition(&current), E_NOTIMPL);
    EXPECT_EQ(s.GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 5000);
    EXPECT_EQ(s.GetAvailable(&earliest, &latest), S_OK);
    EXPECT_EQ(earliest, 0);
    EXPECT_EQ(latest, 5000);

    // Without ReturnTime the caller's values stay; a refused move changes
    // nothing and returns nothing.
    start = 10;
    ASSERT_EQ(s.SetPositions(&start, AM_SEEKING_RelativePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(s.positions.Start(), 1210);
    s.refusal = VFW_E_WRONG_STATE;
    start = 0;
    EXPECT_EQ(s.SetPositions(&start, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, nullptr, 0),
              VFW_E_WRONG_STATE);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(s.positions.Start(), 1210);

    struct RateCase {
        double rate;
        HRESULT result;
        double after;
    };
    const RateCase rates[] = {{2.0, S_OK, 2.0}, {0.0, E_INVALIDARG, 2.0}, {-1.0, E_INVALIDARG, 2.0}, {0.5, S_OK, 0.5}};
    for (const RateCase& r : rates) {
        EXPECT_EQ(s.SetRate(r.rate), r.result) << r.rate;
        double rate = 0;
        EXPECT_EQ(s.GetRate(&rate), S_OK);
        EXPECT_EQ(rate, r.after) << r.rate;
    }
}

TEST(MediaSeekingTest, RelayCombinesTheAnswersOfWhatItAsks)
{
    FixedSeeker video, audio, broken;
    video.capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetStopPos;
    video.duration = 9000;
    video.stop = 8000;
    video.current = 4000;
    video.start = 1000;
    audio.capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
    audio.duration = 9500;
    audio.stop = 7000;
    audio.current = 3500;
    audio.start = 1001;
    audio.rate = 2.0;
    broken.answer = E_FAIL;
    ListRelay relay;
    relay.list = {&broken, &video, &audio};

    DWORD capabilities = 0;
    EXPECT_EQ(relay.GetCapabilities(&capabilities), S_OK);
    EXPECT_EQ(capabilities, static_cast<DWORD>(AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration));
    struct Case {
        const char* name;
        HRESULT (CSeekingRelay::*call)(LONGLONG*);
        LONGLONG expected;
    };
    const Case cases[] = {
        {"duration: the longest", &CSeekingRelay::GetDuration, 9500},
        {"stop: the latest", &CSeekingRelay::GetStopPosition, 8000},
        {"current: the stream least far", &CSeekingRelay::GetCurrentPosition, 3500},
    };
    for (const Case& c : cases) {
        LONGLONG v = -1;
        EXPECT_EQ((relay.*c.call)(&v), S_OK) << c.name;
        EXPECT_EQ(v, c.expected) << c.name;
        EXPECT_EQ((relay.*c.call)(nullptr), E_POINTER) << c.name;
    }
    LONGLONG current = -1, stop = -1, earliest = -1, latest = -1;
    EXPECT_EQ(relay.GetPositions(&current, &stop), S_OK);
    EXPECT_EQ(current, 1000);  // the seekers' own GetPositions: their starts
    EXPECT_EQ(stop, 8000);
    EXPECT_EQ(relay.GetAvailable(&earliest, &latest), S_OK);
    EXPECT_EQ(latest, 9000);  // the first that answers
    double rate = 0;
    EXPECT_EQ(relay.GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 1.0);

    // Every seeker is told; the first that succeeds answers back.
    LONGLONG start = 500;
    stop = 600;
    EXPECT_EQ(relay.SetPositions(&start, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, &stop,
                                 AM_SEEKING_AbsolutePositioning),
              S_OK);
    EXPECT_EQ(start, 1000);
    EXPECT_EQ(stop, 600);  // not asked back
    EXPECT_EQ(broken.sets + video.sets + audio.sets, 3);
    EXPECT_EQ(relay.SetRate(1.5), S_OK);
    EXPECT_EQ(video.rate, 1.5);
    EXPECT_EQ(audio.rate, 1.5);
    EXPECT_EQ(relay.SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(video.rate, 1.5);
    // The relay keeps no reference once a call is over.
    EXPECT_EQ(video.refs, 1);
    EXPECT_EQ(broken.refs, 1);
}

TEST(MediaSeekingTest, RelayWithoutAnAnswerFailsWithTheFirstRealFailure)
{
    struct Case {
        const char* name;
        std::vector<HRESULT> answers;
        HRESULT result;
    };
    const Case cases[] = {
        {"nobody to ask", {}, E_NOTIMPL},
        {"nobody seeks", {E_NOTIMPL, E_NOTIMPL}, E_NOTIMPL},
        {"a real failure wins over not implemented", {E_NOTIMPL, E_FAIL, VFW_E_WRONG_STATE}, E_FAIL},
        {"one success is enough", {E_FAIL, S_OK, E_NOTIMPL}, S_OK},
        {"the first success's code", {S_FALSE, S_OK}, S_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<FixedSeeker> seekers(c.answers.size());
        ListRelay relay;
        for (size_t i = 0; i < seekers.size(); ++i) {
            seekers[i].answer = c.answers[i];
            relay.list.push_back(&seekers[i]);
        }
        LONGLONG start = 0;
        EXPECT_EQ(relay.SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0), c.result);
        EXPECT_EQ(relay.SetRate(1.0), c.result);
        bool any = false;
        for (HRESULT hr : c.answers) any = any || SUCCEEDED(hr);
        if (any) continue;
        LONGLONG v = -1;
        DWORD capabilities = 1;
        EXPECT_EQ(relay.GetDuration(&v), E_NOTIMPL);
        EXPECT_EQ(relay.GetCapabilities(&capabilities), E_NOTIMPL);
        EXPECT_EQ(capabilities, 0u);
        EXPECT_EQ(relay.GetAvailable(&v, &v), E_NOTIMPL);
        EXPECT_EQ(relay.GetPositions(&v, nullptr), E_NOTIMPL);
        double rate = 0;
        EXPECT_EQ(relay.GetRate(&rate), S_OK);
        EXPECT_EQ(rate, 1.0);
    }
}

}  // namespace
