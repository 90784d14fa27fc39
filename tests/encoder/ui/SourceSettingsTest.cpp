// The source settings window over real sources (made by the ffmpeg command
// line) through the recording stand-ins: a segment chosen with the seek
// slider is the span the progress window converts, the job's values load
// and store by the window's rules (clamps, streams, delay steps), and a
// preview that cannot open still loads and stores the job's values without
// touching its audio stream, even for a source longer than 16-bit seconds.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "GraphWindowTest.h"
#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/ui/CDlgEncoding.h"
#include "encoder/ui/CDlgSetInput.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "tests/support/MediaFixtures.h"

using namespace mfc_test;
namespace fs = std::filesystem;

namespace {

class SourceSettingsTest : public GraphWindowTest {
protected:
    static LRESULT Send(const DialogDriver& d, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(d.Item(id), message, wParam, lParam);
    }
    // Waits until the preview told the window the source's length.
    static bool WaitForPreview(const DialogDriver& d)
    {
        return PumpUntil([&] { return Send(d, IDC_SETINPUT_SLIDER, TBM_GETRANGEMAX) > 0; });
    }
    // The user drops the slider's thumb at the second.
    static void DropThumbAt(const DialogDriver& d, int seconds)
    {
        Send(d, IDC_SETINPUT_SLIDER, TBM_SETPOS, TRUE, seconds);
        SendMessageW(d.Dialog(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, seconds),
                     reinterpret_cast<LPARAM>(d.Item(IDC_SETINPUT_SLIDER)));
        d.Pump();
    }
    static int SpinPos(const DialogDriver& d, int id) { return static_cast<int>(Send(d, id, UDM_GETPOS32)); }
    // One click on an up-down's arrow, as its notification tells it.
    static void SpinStep(const DialogDriver& d, int id, int delta)
    {
        NMUPDOWN change{};
        change.hdr.hwndFrom = d.Item(id);
        change.hdr.idFrom = static_cast<UINT_PTR>(id);
        change.hdr.code = UDN_DELTAPOS;
        change.iPos = SpinPos(d, id);
        change.iDelta = delta;
        if (SendMessageW(d.Dialog(), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&change)) == 0)
            Send(d, id, UDM_SETPOS32, 0, change.iPos + change.iDelta);
        d.Pump();
    }
    // The user ticks the segment box and sets its start and end with the
    // slider's thumb.
    static void ChooseSegment(DialogDriver& d, CDlgSetInput& window, int from, int to)
    {
        d.Click(IDC_SETINPUT_SEGMENT);
        EXPECT_TRUE(d.IsEnabled(IDC_SETINPUT_SET_START));
        DropThumbAt(d, from);
        ASSERT_TRUE(PumpUntil([&] { return window.Graph().GetPosition() / 10000000 == from; }));
        d.Click(IDC_SETINPUT_SET_START);
        DropThumbAt(d, to);
        ASSERT_TRUE(PumpUntil([&] { return window.Graph().GetPosition() / 10000000 == to; }));
        d.Click(IDC_SETINPUT_SET_END);
    }
    // The progress window converts the job list unattended, to its end.
    void ConvertTheJobs()
    {
        GetEncSettings().bAutoMode = 1;
        TestEncodingHost host;
        auto* progress = new CDlgEncoding(&jobs_, &host);
        ASSERT_TRUE(progress->Create(&host.window));
        ASSERT_TRUE(PumpUntil([&] { return host.ended > 0; }));
        GetEncSettings().bAutoMode = 0;
    }
};

TEST_F(SourceSettingsTest, ASegmentChosenWithTheSliderIsTheSpanThatIsConverted)
{
    const std::string source = GoodAvi("ten.avi", 10);
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        jobs_.RemoveAll();
        ClearOut();
        CEncFileInfo* job = Add(source);
        ASSERT_NE(nullptr, job);
        CDlgSetInput window(job, FALSE);
        driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
            ASSERT_TRUE(WaitForPreview(d));
            EXPECT_EQ(10, Send(d, IDC_SETINPUT_SLIDER, TBM_GETRANGEMAX));
            EXPECT_FALSE(d.IsChecked(IDC_SETINPUT_SEGMENT));
            EXPECT_FALSE(d.IsEnabled(IDC_SETINPUT_SET_START));
            EXPECT_EQ(L"0:00:10", d.Text(IDC_SETINPUT_END));
            ChooseSegment(d, window, 3, 7);
            EXPECT_EQ(L"0:00:03", d.Text(IDC_SETINPUT_START));
            EXPECT_EQ(L"0:00:07", d.Text(IDC_SETINPUT_END));
            LRESULT from = Send(d, IDC_SETINPUT_SLIDER, TBM_GETSELSTART);
            LRESULT to = Send(d, IDC_SETINPUT_SLIDER, TBM_GETSELEND);
            EXPECT_EQ(3, from);
            EXPECT_EQ(7, to);
            // The timer shows where the preview stands.
            clock_.Advance(CDlgSetInput::kTimerPeriodMs);
            d.Pump();
            EXPECT_EQ(L"0:00:07 / 0:00:10", d.Text(IDC_SETINPUT_TIME));
            // Playing shows the picture in the pane.
            d.Click(IDC_SETINPUT_PLAY);
            EXPECT_EQ(kPlayStateRunning, window.Graph().GetPlayState());
            HWND pane = d.Item(IDC_SETINPUT_VIDEO);
            PumpUntil([&] {
                HWND video = GetWindow(pane, GW_CHILD);
                return video && IsWindowVisible(video) && window.Graph().GetPosition() / 10000000 >= 8;
            });
            SaveShot(d, std::string("setinput_") + language.tag);
            d.Click(IDC_SETINPUT_PLAY);
            EXPECT_EQ(kPlayStatePaused, window.Graph().GetPlayState());
            d.Ok();
        });
        ASSERT_EQ(IDOK, window.DoModal());
        EXPECT_EQ(3, job->m_nSegmentStart);
        EXPECT_EQ(7, job->m_nSegmentEnd);

        // The progress window converts exactly those four seconds: 100
        // pictures at 25 per second.
        ConvertTheJobs();
        std::smatch counts;
        const std::string written = FileText(OutputOf(source));
        ASSERT_TRUE(std::regex_search(written, counts, std::regex("video (\\d+)"))) << written;
        EXPECT_NEAR(100, std::stoi(counts[1]), 1) << written;
    }
}

TEST_F(SourceSettingsTest, ASegmentChosenWithTheSliderConvertsThatSpanThroughTheRealModules)
{
    for (const char* module : {"HVF.ax", "HAF.ax", "hwriter.dll"})
        if (!UseRealModule(module)) GTEST_SKIP() << module << " is not built";
    const std::string source = GoodAvi("ten_real.avi", 10);
    CEncFileInfo* job = Add(source);
    ASSERT_NE(nullptr, job);
    CDlgSetInput window(job, FALSE);
    driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
        ASSERT_TRUE(WaitForPreview(d));
        ChooseSegment(d, window, 2, 5);
        d.Ok();
    });
    ASSERT_EQ(IDOK, window.DoModal());
    ASSERT_EQ(2, job->m_nSegmentStart);
    ASSERT_EQ(5, job->m_nSegmentEnd);

    ConvertTheJobs();
    // Three seconds of pictures, within one picture (25 per second), as
    // ffprobe decodes them.
    long long pictures = -1;
    for (const ProbedStream& stream : ProbeFrameCounts(OutputOf(source)))
        if (stream.kind == "video") pictures = stream.frames;
    EXPECT_NEAR(75, pictures, 1);
}

TEST_F(SourceSettingsTest, TheJobsValuesLoadAndStoreByTheWindowsRules)
{
    // Two sound streams, told apart by the build's audio module.
    if (!UseRealModule("HAF.ax")) GTEST_SKIP() << "the audio module HAF.ax is not built";
    const std::string source = Media("two.mkv", TestPicture(6) + " " + TestTone(6) + " " + TestTone(6, 22050) +
                                                    " -map 0 -map 1 -map 2 -c:v mpeg4 -c:a pcm_s16le");
    CEncFileInfo* job = Add(source);
    ASSERT_NE(nullptr, job);
    struct Case {
        int segmentStart, segmentEnd, stream;
        bool checked;
        const wchar_t* start;
        const wchar_t* end;
        int shownStream;
    };
    const Case cases[] = {
        {0, 0, 0, false, L"0:00:00", L"0:00:06", 0},   // no segment: the whole source
        {4, 4, 1, false, L"0:00:00", L"0:00:06", 1},   // start = end is no segment
        {2, 5, 5, true, L"0:00:02", L"0:00:05", 1},    // a stream past the list: the last
        {1, 99, -3, true, L"0:00:01", L"0:00:06", 0},  // an end past the length, a negative stream
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.segmentStart << ".." << c.segmentEnd << " stream " << c.stream);
        job->m_nSegmentStart = c.segmentStart;
        job->m_nSegmentEnd = c.segmentEnd;
        job->m_nAudioStream = c.stream;
        job->m_nAudioDelay = -500;
        job->m_nAudioGain = 7;
        CDlgSetInput window(job, FALSE);
        driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
            ASSERT_TRUE(WaitForPreview(d));
            EXPECT_EQ(c.checked, d.IsChecked(IDC_SETINPUT_SEGMENT));
            EXPECT_EQ(c.start, d.Text(IDC_SETINPUT_START));
            EXPECT_EQ(c.end, d.Text(IDC_SETINPUT_END));
            EXPECT_EQ(2, Send(d, IDC_SETINPUT_STREAM, CB_GETCOUNT));
            EXPECT_EQ(c.shownStream, Send(d, IDC_SETINPUT_STREAM, CB_GETCURSEL));
            EXPECT_EQ(-500, SpinPos(d, IDC_SETINPUT_DELAY_SPIN));
            EXPECT_EQ(7, SpinPos(d, IDC_SETINPUT_GAIN_SPIN));
            d.Cancel();
        });
        EXPECT_EQ(IDCANCEL, window.DoModal());
    }

    // A start set past the end stops at the end, and the mirror; one click
    // on the delay moves it by 100 ms; what OK stores comes back as it was.
    job->m_nSegmentStart = 2;
    job->m_nSegmentEnd = 4;
    job->m_nAudioStream = 0;
    CDlgSetInput window(job, FALSE);
    driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
        ASSERT_TRUE(WaitForPreview(d));
        SpinStep(d, IDC_SETINPUT_START_SPIN, 1);
        SpinStep(d, IDC_SETINPUT_START_SPIN, 1);
        SpinStep(d, IDC_SETINPUT_START_SPIN, 1);
        EXPECT_EQ(L"0:00:04", d.Text(IDC_SETINPUT_START));
        SpinStep(d, IDC_SETINPUT_DELAY_SPIN, 1);
        EXPECT_EQ(-400, SpinPos(d, IDC_SETINPUT_DELAY_SPIN));
        Send(d, IDC_SETINPUT_STREAM, CB_SETCURSEL, 1);
        d.Ok();
    });
    ASSERT_EQ(IDOK, window.DoModal());
    EXPECT_EQ(-400, job->m_nAudioDelay);
    EXPECT_EQ(7, job->m_nAudioGain);
    EXPECT_EQ(1, job->m_nAudioStream);
    EXPECT_EQ(4, job->m_nSegmentStart);
    EXPECT_EQ(4, job->m_nSegmentEnd);
    CDlgSetInput again(job, FALSE);
    driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
        ASSERT_TRUE(WaitForPreview(d));
        EXPECT_EQ(-400, SpinPos(d, IDC_SETINPUT_DELAY_SPIN));
        EXPECT_EQ(1, Send(d, IDC_SETINPUT_STREAM, CB_GETCURSEL));
        d.Click(IDC_SETINPUT_APPLY_ALL);
    });
    EXPECT_EQ(CDlgSetInput::kApplyToAll, again.DoModal());
}

// Paused, a seek with the slider shows the picture of the new position at
// once (with the build's video module, the subtitle of that time burned
// in), not the one shown before; played to its end, the preview stays at
// the end instead of going back to where it was last sought.
TEST_F(SourceSettingsTest, APausedSeekShowsItsPictureAndPlayEndsAtTheEnd)
{
    const bool burns = UseRealModule("HVF.ax");
    // Red for ten seconds, then blue for ten, with sound; a subtitle for
    // 1 to 5 s and another for 11 to 16 s.
    const std::string source =
        Media("colours.avi",
              "-f lavfi -i color=c=red:size=320x240:rate=25:duration=10 "
              "-f lavfi -i color=c=blue:size=320x240:rate=25:duration=10 " +
                  TestTone(20) +
                  " -filter_complex [0:v][1:v]concat=n=2:v=1:a=0[v] -map [v] -map 2:a -c:v mpeg4 "
                  "-q:v 3 -c:a pcm_s16le");
    const std::string subtitle = media_.File("colours.srt");
    WriteBytes(subtitle, "1\n00:00:01,000 --> 00:00:05,000\nEARLY\n\n2\n00:00:11,000 --> 00:00:16,000\nLATE\n\n");
    CEncFileInfo* job = Add(source);
    ASSERT_NE(nullptr, job);
    job->m_sSubtitlePath = CString(Utf8ToWide(subtitle));
    CDlgSetInput window(job, FALSE);
    driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
        ASSERT_TRUE(WaitForPreview(d));
        HWND pane = d.Item(IDC_SETINPUT_VIDEO);
        // A corner of the picture, away from the subtitle: 0xRRGGBB.
        auto corner = [&] {
            HWND video = GetWindow(pane, GW_CHILD);
            if (!video || !IsWindowVisible(video)) return 0u;
            HDC dc = GetDC(video);
            const COLORREF c = GetPixel(dc, 6, 6);
            ReleaseDC(video, dc);
            return (static_cast<unsigned>(GetRValue(c)) << 16) | (static_cast<unsigned>(GetGValue(c)) << 8) |
                   GetBValue(c);
        };
        struct Seek {
            int second;
            bool blue;
        };
        for (const Seek& seek : {Seek{12, true}, Seek{3, false}}) {
            SCOPED_TRACE(seek.second);
            DropThumbAt(d, seek.second);
            EXPECT_EQ(kPlayStatePaused, window.Graph().GetPlayState());
            unsigned shown = 0;
            EXPECT_TRUE(PumpUntil([&] {
                shown = corner();
                const unsigned red = shown >> 16, blue = shown & 0xFF;
                return seek.blue ? blue > 0xC0 && red < 0x40 : red > 0xC0 && blue < 0x40;
            })) << std::hex
                << shown;
            clock_.Advance(CDlgSetInput::kTimerPeriodMs);
            d.Pump();
            EXPECT_EQ(0u, d.Text(IDC_SETINPUT_TIME).find(FormatText(L"0:00:%02d / ", seek.second)));
            SaveShot(d, "setinput_paused_seek_" + std::to_string(seek.second) + (burns ? "s_subtitled" : "s"));
        }
        // From 18 s to the end.
        DropThumbAt(d, 18);
        d.Click(IDC_SETINPUT_PLAY);
        ASSERT_TRUE(PumpUntil([&] { return window.Graph().GetPlayState() == kPlayStateStopped; }));
        clock_.Advance(CDlgSetInput::kTimerPeriodMs);
        d.Pump();
        const std::wstring time = d.Text(IDC_SETINPUT_TIME);
        const size_t slash = time.find(L" / ");
        ASSERT_NE(std::wstring::npos, slash) << WideToUtf8(time);
        EXPECT_EQ(time.substr(slash + 3), time.substr(0, slash)) << "the position left the end";
        EXPECT_EQ(Send(d, IDC_SETINPUT_SLIDER, TBM_GETRANGEMAX), Send(d, IDC_SETINPUT_SLIDER, TBM_GETPOS));
        d.Cancel();
    });
    ASSERT_EQ(IDCANCEL, window.DoModal());
}

TEST_F(SourceSettingsTest, AFailedPreviewKeepsTheJobsStreamAndItsLongSegment)
{
    const std::string source = GoodAvi("vanishing.avi");
    CEncFileInfo* job = Add(source);
    ASSERT_NE(nullptr, job);
    fs::resize_file(source, 0);
    // Longer than the 32,767 seconds a 16-bit up-down could hold.
    job->m_nDuration = 40000;
    job->m_nSegmentStart = 35000;
    job->m_nSegmentEnd = 39000;
    job->m_nAudioStream = 1;
    job->m_nAudioDelay = 300;
    CDlgSetInput window(job, TRUE);
    driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
        d.Pump();
        EXPECT_EQ(0, Send(d, IDC_SETINPUT_STREAM, CB_GETCOUNT));
        EXPECT_FALSE(d.IsEnabled(IDC_SETINPUT_STREAM));
        EXPECT_EQ(L"0:00:00 / 0:00:00", d.Text(IDC_SETINPUT_TIME));
        EXPECT_TRUE(d.IsChecked(IDC_SETINPUT_SEGMENT));
        EXPECT_EQ(L"9:43:20", d.Text(IDC_SETINPUT_START));
        EXPECT_EQ(L"10:50:00", d.Text(IDC_SETINPUT_END));
        d.Ok();
    });
    ASSERT_EQ(IDOK, window.DoModal());
    EXPECT_EQ(1, job->m_nAudioStream);
    EXPECT_EQ(35000, job->m_nSegmentStart);
    EXPECT_EQ(39000, job->m_nSegmentEnd);
    EXPECT_EQ(300, job->m_nAudioDelay);
}

}  // namespace
