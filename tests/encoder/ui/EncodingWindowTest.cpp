// The encoding-progress window run headless over real sources (made by the
// ffmpeg command line) through the recording stand-ins of the treatment
// filters and the writer: a batch with bad sources counts each failure and
// says so at the end, a batch in which nothing converted never says
// "complete", closing a paused job asks and does what the answer says,
// pause and resume change nothing in the output, a refused start gives the
// main window back, another job's source is never moved to the trash, the
// automatic mode closes by itself with the counter saved, a PSP output of
// another size is asked about, two jobs of one output name write two files,
// the job's segment, delay, gain, logo, DSP plug-in, priority and
// preview reach its graph, and the preview pane shows the picture being
// encoded while the preview is on.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "GraphWindowTest.h"
#include "RivoEncIds.h"
#include "UiTestIds.h"
#include "encoder/core/BatchReport.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/ui/CDlgEncoding.h"
#include "foundation/PathHelpers.h"
#include "modules/api/WriterFilters.h"
#include "platform/mfc/CommCtrl.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/FolderWriteLock.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "tests/encoder/pipeline/RecordingFilters.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/WaitUntil.h"

using namespace mfc_test;
namespace fs = std::filesystem;

namespace {

class EncodingWindowTest : public GraphWindowTest {
protected:
    void TearDown() override
    {
        // A window a failed test left open goes before the job list.
        if (CWnd* open = Open()) open->DestroyWindow();
        host_.reset();
        GraphWindowTest::TearDown();
    }

    // Opens the progress window over the job list as the main window's
    // Start does.
    CDlgEncoding* Start()
    {
        host_ = std::make_unique<TestEncodingHost>();
        auto* window = new CDlgEncoding(&jobs_, host_.get());
        window_ = window;
        EXPECT_TRUE(window->Create(&host_->window));
        if (window->m_hWnd) window->ShowWindow(SW_SHOW);
        return window;
    }
    // The progress window while it exists.
    CDlgEncoding* Open() const
    {
        return host_ && host_->ended == 0 && window_ && IsWindow(window_->m_hWnd) ? window_ : nullptr;
    }
    // Runs the batch to its completion box.
    bool RunToTheEnd()
    {
        return PumpUntil([&] {
            for (const auto& shown : coreMessages_->shown)
                if (shown.type == MB_ICONINFORMATION) return true;
            return host_->ended > 0;
        });
    }
    std::wstring LogText()
    {
        CString text;
        if (Open()) Open()->LogPage().LogView().GetWindowText(text);
        return text.str();
    }
    static size_t Count(const std::wstring& text, const std::wstring& part)
    {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++n;
        return n;
    }
    std::wstring Box(const wchar_t* key) { return LookupText(key); }
    void Close()
    {
        if (CDlgEncoding* window = Open()) window->SendMessage(WM_CLOSE);
    }

    std::unique_ptr<TestEncodingHost> host_;
    CDlgEncoding* window_ = nullptr;
};

TEST(EncodingProgressTest, ProgressIsAShareOfTheLengthNeverBeyondItsEnds)
{
    struct Case {
        uint32_t position, length;
        int pass, passes;
        double expected;
    };
    const Case cases[] = {
        {30, 60, 1, 1, 0.5},  {60, 60, 1, 1, 1.0},
        {0, 60, 1, 1, 0.0},   {5, 0, 1, 1, 0.0},  // an unknown length is no progress, not a division by zero
        {90, 60, 1, 1, 1.0},                      // a position past the length stops at the end
        {30, 60, 1, 2, 0.25},                     // the first of two passes fills the first half
        {30, 60, 2, 2, 0.75},                     // the second the other half
        {60, 60, 2, 2, 1.0},  {0, 0, 2, 2, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << "/" << c.length << " pass " << c.pass << "/" << c.passes);
        EXPECT_DOUBLE_EQ(c.expected, CDlgEncoding::ProgressOf(c.position, c.length, c.pass, c.passes));
    }
}

TEST_F(EncodingWindowTest, BadSourcesAreCountedAsFailuresAndTheEndSaysSo)
{
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        jobs_.RemoveAll();
        coreMessages_->shown.clear();
        ClearOut();
        GetBatchReport().Reset();
        const std::string good1 = GoodAvi(std::string("good1_") + language.tag + ".avi");
        const std::string cut = Media(std::string("cut_") + language.tag + ".mp4",
                                      TestPicture(2) + " " + TestTone(2) + " -c:v mpeg4 -c:a aac");
        const std::string empty = GoodAvi(std::string("empty_") + language.tag + ".avi");
        const std::string noDecoder = GoodAvi(std::string("nodecoder_") + language.tag + ".avi");
        const std::string good2 = GoodAvi(std::string("good2_") + language.tag + ".avi", 3.0);
        for (const std::string& path : {good1, cut, empty, noDecoder, good2}) ASSERT_NE(nullptr, Add(path));
        // The sources go bad after they were listed: the MP4 loses its
        // index at the end, the AVI all its bytes, and the other AVI's video
        // a code any decoder knows.
        fs::resize_file(cut, fs::file_size(cut) / 2);
        fs::resize_file(empty, 0);
        std::string avi = FileText(noDecoder);
        for (const char* code : {"FMP4", "fmp4", "XVID", "xvid"})
            for (size_t at = avi.find(code); at != std::string::npos; at = avi.find(code, at + 4))
                avi.replace(at, 4, "QQ9Z");
        std::ofstream(noDecoder, std::ios::binary | std::ios::trunc) << avi;

        const int counter = GetEncSettings().nEtcNamingCnt;
        CDlgEncoding* window = Start();
        ASSERT_TRUE(window->m_hWnd);
        SaveShot(DialogDriver(window->m_hWnd), std::string("encoding_running_") + language.tag);
        ASSERT_TRUE(RunToTheEnd());
        ASSERT_NE(nullptr, Open()) << "the window stays open with its completion box";

        EXPECT_EQ(2, window->GetCompletedCount());
        EXPECT_EQ(3, window->GetFailureCount());
        const std::wstring log = LogText();
        EXPECT_EQ(2u, Count(log, LookupText(L"TEXT_LOG_ENC_COMPLETE"))) << WideToUtf8(log);
        EXPECT_EQ(3u, Count(log, LookupText(L"TEXT_LOG_ENC_FAIL"))) << WideToUtf8(log);
        ASSERT_FALSE(coreMessages_->shown.empty());
        const auto& box = coreMessages_->shown.back();
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), box.type);
        EXPECT_EQ(WideToUtf8(Box(L"TEXT_COMPLETE") + L"\n\n" + FormatText(LookupText(L"TEXT_COMPLETE_ERROR"), 3)),
                  box.text);
        for (const std::string& source : {good1, good2})
            EXPECT_NE(std::string::npos, FileText(OutputOf(source)).find("video")) << source;
        // A job that never started has no start block: its failure block
        // names its source before the code.
        const std::wstring named = std::wstring(L"> ") + LookupText(L"TEXT_LOG_START_FILE") + L" : ";
        size_t notStarted = 0;
        for (size_t at = log.find(L"0x00000051"); at != std::wstring::npos; at = log.find(L"0x00000051", at + 1)) {
            ++notStarted;
            const size_t lineStart = log.rfind(L'\n', log.rfind(L'\n', at) - 1) + 1;
            const std::wstring previous = log.substr(lineStart, log.find(L'\n', lineStart) - lineStart);
            EXPECT_EQ(0u, previous.find(named)) << WideToUtf8(previous);
        }
        EXPECT_GT(notStarted, 0u) << WideToUtf8(log);
        // The batch report has one line for each job.
        std::string reported;
        for (const std::string& line : GetBatchReport().Lines()) reported += line + "\n";
        for (const std::string& source : {good1, good2})
            EXPECT_NE(std::string::npos, reported.find("RivoEnc: converted: " + source + " -> " + OutputOf(source)))
                << reported;
        for (const std::string& source : {cut, empty, noDecoder})
            EXPECT_NE(std::string::npos, reported.find("RivoEnc: failed: " + source + ": ")) << reported;
        // The counter advanced with each job that started.
        EXPECT_GE(GetEncSettings().nEtcNamingCnt, counter + 2);
        // The end: Close shows, Cancel and the pause button are done with.
        DialogDriver d(window->m_hWnd);
        EXPECT_TRUE(IsWindowVisible(d.Item(IDC_ENC_CLOSE)));
        EXPECT_FALSE(IsWindowVisible(d.Item(IDCANCEL)));
        EXPECT_FALSE(d.IsEnabled(IDC_ENC_PAUSE));
        SaveShot(d, std::string("encoding_end_") + language.tag);
        // The log page, as the user sees it.
        SendMessageW(d.Item(IDC_ENC_TABS), TCM_SETCURSEL, 1, 0);
        NMHDR change{d.Item(IDC_ENC_TABS), static_cast<UINT_PTR>(IDC_ENC_TABS), TCN_SELCHANGE};
        SendMessageW(window->m_hWnd, WM_NOTIFY, IDC_ENC_TABS, reinterpret_cast<LPARAM>(&change));
        PumpDialogMessages();
        SaveShot(d, std::string("encoding_log_") + language.tag);
        // Copy Log puts the whole log on the clipboard and leaves the log
        // view as it showed, its coloured headings in their colours.
        QWidget* view = GetWindowQWidget(window->LogPage().LogView().m_hWnd);
        ASSERT_NE(nullptr, view);
        const QImage shown = view->grab().toImage();
        d.Click(IDC_ENC_COPYLOG);
        ASSERT_TRUE(clipboard_.content.has_value());
        EXPECT_EQ(LogText(), *clipboard_.content);
        EXPECT_TRUE(shown == view->grab().toImage()) << "copying changed what the log shows";
        SaveShot(d, std::string("encoding_log_copied_") + language.tag);
        d.Click(IDC_ENC_CLOSE);
        PumpDialogMessages();
        EXPECT_EQ(1, host_->ended);
    }
}

TEST_F(EncodingWindowTest, ABatchInWhichNothingConvertedNeverSaysComplete)
{
    const std::string source = GoodAvi("gone.avi");
    ASSERT_NE(nullptr, Add(source));
    fs::resize_file(source, 0);
    CDlgEncoding* window = Start();
    ASSERT_TRUE(RunToTheEnd());
    EXPECT_EQ(0, window->GetCompletedCount());
    EXPECT_EQ(1, window->GetFailureCount());
    ASSERT_FALSE(coreMessages_->shown.empty());
    EXPECT_EQ(WideToUtf8(Box(L"TEXT_COMPLETE_NOTHING") + L"\n\n" + FormatText(LookupText(L"TEXT_COMPLETE_ERROR"), 1)),
              coreMessages_->shown.back().text);
    Close();
}

// A job whose output would lack a stream fails and its log says which.
TEST_F(EncodingWindowTest, AnOutputWithoutAStreamFailsAndTheLogSaysWhich)
{
    const struct {
        int failure;
        const wchar_t* reason;
        const wchar_t* code;
    } cases[] = {{kWriterFailureNoVideo, L"TEXT_LOG_ERROR_0E03", L"0x00000e03"},
                 {kWriterFailureNoSound, L"TEXT_LOG_ERROR_0E04", L"0x00000e04"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        jobs_.RemoveAll();
        coreMessages_->shown.clear();
        Behaviour().writerFailure = c.failure;
        ASSERT_NE(nullptr, Add(GoodAvi("lacking" + std::to_string(c.failure) + ".avi")));
        CDlgEncoding* window = Start();
        ASSERT_TRUE(RunToTheEnd());
        EXPECT_EQ(0, window->GetCompletedCount());
        EXPECT_EQ(1, window->GetFailureCount());
        const std::wstring log = LogText();
        EXPECT_NE(L"", std::wstring(LookupText(c.reason)));
        EXPECT_NE(std::wstring::npos, log.find(std::wstring(LookupText(c.reason)))) << WideToUtf8(log);
        EXPECT_NE(std::wstring::npos, log.find(c.code)) << WideToUtf8(log);
        EXPECT_EQ(std::wstring::npos, log.find(LookupText(L"TEXT_LOG_ENC_COMPLETE"))) << WideToUtf8(log);
        Close();
    }
}

TEST_F(EncodingWindowTest, ClosingAPausedJobAsksAndDoesWhatTheAnswerSays)
{
    struct Case {
        int answer;
        bool windowStays;
        bool outputStays;
    };
    const std::string done = GoodAvi("done.avi");
    const std::string first = GoodAvi("long.avi", 60);
    const std::string second = GoodAvi("next.avi");
    for (const Case& c : {Case{IDCANCEL, true, true}, Case{IDNO, false, true}, Case{IDYES, false, false}}) {
        SCOPED_TRACE(c.answer);
        jobs_.RemoveAll();
        coreMessages_->shown.clear();
        ClearOut();
        GetBatchReport().Reset();
        ASSERT_NE(nullptr, Add(done));
        ASSERT_NE(nullptr, Add(first));
        ASSERT_NE(nullptr, Add(second));
        CDlgEncoding* window = Start();
        // The first job ends and the second starts; once its writer has made
        // its file nothing more is served, so that job is still under way
        // when it is paused.
        const std::string output = OutputOf(first);
        ASSERT_TRUE(PumpUntil([&] { return fs::exists(output); }));
        const std::string finished = FileText(OutputOf(done));
        EXPECT_NE(std::string::npos, finished.find("video 50")) << finished;
        window->SendMessage(WM_COMMAND, IDC_ENC_PAUSE);
        EXPECT_EQ(kPlayStatePaused, window->GetCurrentGraph()->GetPlayState());
        DialogDriver d(window->m_hWnd);
        EXPECT_TRUE(IsWindowVisible(d.Item(IDC_ENC_RESUME)));
        EXPECT_FALSE(IsWindowVisible(d.Item(IDC_ENC_PAUSE)));
        coreMessages_->answers = {c.answer};
        window->SendMessage(WM_CLOSE);
        ASSERT_EQ(1u, coreMessages_->shown.size());
        const auto& question = coreMessages_->shown[0];
        EXPECT_EQ(static_cast<UINT>(kMessageYesNoCancel), question.type);
        EXPECT_EQ(kMessageButtonTexts, question.options);
        EXPECT_EQ(WideToUtf8(LookupText(L"TEXT_ASK_STOP_DELETE_YESNOCANCEL")), question.buttons);
        EXPECT_NE(std::string::npos, question.text.find("long.avi")) << question.text;
        EXPECT_EQ(c.windowStays, Open() != nullptr);
        EXPECT_EQ(c.outputStays, fs::exists(output));
        // The finished output stays as it was; the next job never started.
        EXPECT_EQ(finished, FileText(OutputOf(done)));
        EXPECT_FALSE(fs::exists(OutputOf(second)));
        if (c.windowStays) {
            coreMessages_->answers = {IDYES};
            Close();
        }
        EXPECT_EQ(1, host_->ended);
        // The batch report has a line for every job: the stopped one and the
        // one that never started did not convert.
        const std::vector<std::string> reported = {"RivoEnc: converted: " + done + " -> " + OutputOf(done),
                                                   "RivoEnc: failed: " + first + ": the batch was stopped first",
                                                   "RivoEnc: failed: " + second + ": the batch was stopped first"};
        EXPECT_EQ(reported, GetBatchReport().Lines());
        EXPECT_EQ(BatchReport::kSomeNotConverted, GetBatchReport().ExitStatus());
    }
}

TEST_F(EncodingWindowTest, PauseAndResumeChangeNothingInTheOutput)
{
    const std::string source = GoodAvi("steady.avi", 20);
    std::string outputs[2];
    for (int paused = 0; paused < 2; ++paused) {
        SCOPED_TRACE(paused);
        jobs_.RemoveAll();
        coreMessages_->shown.clear();
        ClearOut();
        ASSERT_NE(nullptr, Add(source));
        CDlgEncoding* window = Start();
        if (paused) {
            ASSERT_TRUE(WaitUntil("the output file", [&] { return fs::exists(OutputOf(source)); }));
            window->SendMessage(WM_COMMAND, IDC_ENC_PAUSE);
            PumpDialogMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            window->SendMessage(WM_COMMAND, IDC_ENC_RESUME);
        }
        ASSERT_TRUE(RunToTheEnd());
        EXPECT_EQ(1, window->GetCompletedCount());
        outputs[paused] = FileText(OutputOf(source));
        Close();
    }
    EXPECT_NE(std::string::npos, outputs[0].find("video 500")) << outputs[0];
    EXPECT_EQ(outputs[0], outputs[1]);
}

TEST_F(EncodingWindowTest, ARefusedStartGivesTheMainWindowBack)
{
    const std::string source = GoodAvi("there.avi");
    ASSERT_NE(nullptr, Add(source));
    std::ofstream(OutputOf(source)) << "kept";
    coreMessages_->answers = {IDNO};
    Start();
    PumpUntil([&] { return host_->ended > 0; });
    EXPECT_EQ(1, host_->ended);
    ASSERT_EQ(1u, coreMessages_->shown.size());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), coreMessages_->shown[0].type);
    EXPECT_NE(std::string::npos, coreMessages_->shown[0].text.find(" - " + OutputOf(source)));
    EXPECT_EQ("kept", FileText(OutputOf(source)));
    EXPECT_TRUE(RecordingLog::Lines("writer.SetFileName").empty());
}

TEST_F(EncodingWindowTest, AnotherJobsSourceIsNeverMovedToTheTrash)
{
    // The first job's output name is the second job's source.
    const std::string first = GoodAvi("a.avi");
    const std::string second = GoodAvi("1.avi");
    GetEncSettings().sDstFolder = CString(Utf8ToWide(fs::path(first).parent_path().string() + "/"));
    GetEncSettings().sEtcNaming = L"<TRACK_NUM01>.<DEF_EXT>";
    const std::string before = FileText(second);
    ASSERT_NE(nullptr, Add(first));
    ASSERT_NE(nullptr, Add(second));
    CDlgEncoding* window = Start();
    ASSERT_TRUE(RunToTheEnd());
    EXPECT_TRUE(coreMessages_->shown.size() == 1) << "no question about existing files";
    EXPECT_EQ(before, FileText(second));
    EXPECT_EQ(1, window->GetFailureCount());
    EXPECT_EQ(1, window->GetCompletedCount());
    EXPECT_NE(std::wstring::npos, LogText().find(LookupText(L"TEXT_LOG_ERROR_DST_IS_SOURCE")));
    EXPECT_NE(std::string::npos, FileText(fs::path(first).parent_path().string() + "/2.avi").find("video"));
    Close();
}

// While another batch writes into the folder, the files there may be its
// outputs: nothing is asked about or moved to the trash, and the job writes
// beside them under a free name.
TEST_F(EncodingWindowTest, FilesOfAnotherBatchWritingIntoTheFolderStay)
{
    const std::string source = GoodAvi("busy.avi");
    ASSERT_NE(nullptr, Add(source));
    std::ofstream(OutputOf(source)) << "another batch's";
    FolderWriteLock other(Out());
    ASSERT_TRUE(other.TryAlone());
    other.Share();
    Start();
    ASSERT_TRUE(RunToTheEnd());
    ASSERT_EQ(1u, coreMessages_->shown.size()) << "only the completion box";
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), coreMessages_->shown[0].type);
    EXPECT_EQ("another batch's", FileText(OutputOf(source)));
    EXPECT_NE(std::string::npos, FileText(Out() + "/busy (2).avi").find("video"));
    Close();
}

TEST_F(EncodingWindowTest, AutomaticModeRecyclesWithoutAskingAndClosesByItself)
{
    GetEncSettings().bAutoMode = 1;
    const std::string a = GoodAvi("auto_a.avi");
    const std::string b = GoodAvi("auto_b.avi");
    ASSERT_NE(nullptr, Add(a));
    ASSERT_NE(nullptr, Add(b));
    std::ofstream(OutputOf(a)) << "old";
    const int counter = GetEncSettings().nEtcNamingCnt;
    Start();
    ASSERT_TRUE(PumpUntil([&] { return host_->ended > 0; }));
    EXPECT_TRUE(coreMessages_->shown.empty());
    EXPECT_NE(std::string::npos, FileText(OutputOf(a)).find("video"));
    EXPECT_NE(std::string::npos, FileText(OutputOf(b)).find("video"));
    EXPECT_EQ(counter + 2, GetEncSettings().nEtcNamingCnt);
    EXPECT_NE(std::string::npos,
              DumpOptionKey().find("nEtcNamingCnt REG_DWORD 4 " + WideToUtf8(FormatText(L"0x%08X", counter + 2))));
}

TEST_F(EncodingWindowTest, APspOutputOfAnotherSizeIsAskedAboutFirst)
{
    struct Case {
        int answer;
        bool tick;
        bool runs;
    };
    const std::string source = GoodAvi("psp.avi");
    for (const Case& c : {Case{IDNO, true, false}, Case{IDYES, true, true}}) {
        SCOPED_TRACE(c.answer);
        jobs_.RemoveAll();
        coreMessages_->shown.clear();
        ClearOut();
        CEncSettings& settings = GetEncSettings();
        settings.nEncFormat = 1;
        settings.Mp4Encoder.bSupportPSP = 1;
        settings.bAskPspSizeWarning = 1;
        settings.nVideoSizeW = 0;  // the source's size
        settings.nVideoSizeH = 0;
        settings.bAutoMode = 1;
        ASSERT_NE(nullptr, Add(source));
        coreMessages_->answers = {c.answer};
        coreMessages_->tickCheckBox = c.tick;
        Start();
        ASSERT_TRUE(PumpUntil([&] { return host_->ended > 0; }));
        ASSERT_EQ(1u, coreMessages_->shown.size());
        const auto& question = coreMessages_->shown[0];
        EXPECT_EQ(WideToUtf8(LookupText(L"TEXT_WARNING_PSPSIZE")), question.text);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2), question.type);
        EXPECT_EQ(kMessageCheckBox, question.options);
        EXPECT_EQ(WideToUtf8(LookupText(L"TEXT_NOASK_AGAIN")), question.checkText);
        // Only a Yes with the box ticked stops the question.
        EXPECT_EQ(c.runs ? 0 : 1, settings.bAskPspSizeWarning);
        EXPECT_EQ(c.runs, fs::exists(OutputOf(source, "mp4")));
    }
}

TEST_F(EncodingWindowTest, TwoJobsOfTheSameOutputNameGetTwoFiles)
{
    fs::create_directories(media_.File("one"));
    fs::create_directories(media_.File("two"));
    const std::string first = GoodAvi("one/same.avi");
    const std::string second = GoodAvi("two/same.avi", 3.0);
    ASSERT_NE(nullptr, Add(first));
    ASSERT_NE(nullptr, Add(second));
    GetEncSettings().bAutoMode = 1;
    Start();
    ASSERT_TRUE(PumpUntil([&] { return host_->ended > 0; }));
    EXPECT_NE(std::string::npos, FileText(Out() + "/same.avi").find("video 50")) << FileText(Out() + "/same.avi");
    EXPECT_NE(std::string::npos, FileText(Out() + "/same (2).avi").find("video 75"))
        << FileText(Out() + "/same (2).avi");
}

TEST_F(EncodingWindowTest, TheJobsChoicesReachItsGraph)
{
    const std::string source = GoodAvi("choices.avi", 3.0);
    CEncFileInfo* job = Add(source);
    ASSERT_NE(nullptr, job);
    job->m_nSegmentStart = 1;
    job->m_nSegmentEnd = 2;
    job->m_nAudioDelay = -300;
    job->m_nAudioGain = 5;
    CEncSettings& settings = GetEncSettings();
    settings.bLogoActive = 1;
    settings.sLogoImgPath = L"/logos/mark.png";
    settings.nLogoAlpha = 40;  // 60 % opaque
    settings.nEncodePriority = -1;
    settings.sAudioCurDspPath = GetModuleDirectory() + L"dsp_rivo_recorder.so";
    settings.iAudioCurDspMod = 0;
    settings.bAutoMode = 1;
    settings.bEncodePreview = 0;
    CDlgEncoding* window = Start();
    // A click on the preview page turns the running job's preview on.
    CDlgEncoding_Preview& preview = window->PreviewPage();
    SendMessageW(preview.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKEWPARAM(20, 20));
    EXPECT_EQ(1, settings.bEncodePreview);
    ASSERT_TRUE(PumpUntil([&] { return host_->ended > 0; }));
    std::string calls;
    for (const std::string& line : RecordingLog::Lines("")) calls += line + "\n";
    for (const char* call : {"video.SetVideoLogo(0, /logos/mark.png 39321)", "audio.SetAudioDspModule(set)",
                             "audio.SetAudioSyncDelay(-300)", "audio.SetAudioAmplify(5)", "writer.SetPriority(-1)",
                             "writer.SetPreview(1)"})
        EXPECT_NE(std::string::npos, calls.find(call)) << call << "\n" << calls;
    const std::string written = FileText(OutputOf(source));
    // One second of 25 pictures, give or take the picture at the end.
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(written, counts, std::regex("video (\\d+)"))) << written;
    EXPECT_NEAR(25, std::stoi(counts[1]), 1) << written;
}

// What the preview pane shows at a quarter and at three quarters of its
// width, halfway down, as the page draws it.
struct PaneColours {
    QColor left, right;
    bool Red(const QColor& c) const { return c.red() > 150 && c.green() < 100 && c.blue() < 100; }
    bool Blue(const QColor& c) const { return c.blue() > 150 && c.red() < 100 && c.green() < 100; }
    // The source's picture: red on the left, blue on the right.
    bool ShowTheSource() const { return Red(left) && Blue(right); }
    bool ShowNeither() const { return !Red(left) && !Red(right) && !Blue(left) && !Blue(right); }
};

PaneColours ColoursOfThePane(CDlgEncoding_Preview& page)
{
    HWND pane = page.GetVideoPane()->m_hWnd;
    POINT corner{0, 0};
    MapWindowPoints(pane, page.m_hWnd, &corner, 1);
    RECT client{};
    GetClientRect(pane, &client);
    QImage shot = DialogDriver(page.m_hWnd).Screenshot();
    const int y = corner.y + client.bottom / 2;
    return {shot.pixelColor(corner.x + client.right / 4, y), shot.pixelColor(corner.x + client.right * 3 / 4, y)};
}

// A click in the middle of the pane, as the user makes it.
void ClickThePane(CDlgEncoding_Preview& page)
{
    HWND pane = page.GetVideoPane()->m_hWnd;
    RECT client{};
    GetClientRect(pane, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    ClientToScreen(pane, &middle);
    InjectMouseButton(MouseButton::Left, true, middle);
    InjectMouseButton(MouseButton::Left, false, middle);
    PumpDialogMessages();
}

// The preview pane shows the picture being encoded, through the build's
// real modules, while the preview is on; a click on the picture turns it
// off and the pane stops showing it, another turns it on again. Pictures of
// the progress window with the preview are saved in Korean and English.
TEST_F(EncodingWindowTest, ThePreviewPaneShowsThePictureBeingEncoded)
{
    for (const char* module : {"HVF.ax", "HAF.ax", "hwriter.dll"})
        if (!UseRealModule(module)) GTEST_SKIP() << module << " is not built";
    // A red half and a blue half, with noise that keeps the encoders busy
    // long enough to outlast the checks; the window is closed before the end.
    const std::string source =
        Media("halves.avi",
              "-f lavfi -i 'color=c=0xD02020:s=320x360:r=25:d=60[a];color=c=0x2020D0:s=320x360:r=25:d=60[b];"
              "[a][b]hstack,noise=alls=24:allf=t' " +
                  TestTone(60) + " -c:v mpeg4 -b:v 2M -c:a pcm_s16le");
    CEncSettings& settings = GetEncSettings();
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        jobs_.RemoveAll();
        ClearOut();
        ASSERT_NE(nullptr, Add(source));
        settings.bAutoMode = 1;
        settings.bEncodePreview = 1;
        CDlgEncoding* window = Start();
        CDlgEncoding_Preview& page = window->PreviewPage();
        // Whether the pane shows the source's picture, or nothing; false
        // once the window is gone (the job ended before the checks).
        auto shows = [&] { return Open() && ColoursOfThePane(page).ShowTheSource(); };
        auto showsNothing = [&] { return Open() && ColoursOfThePane(page).ShowNeither(); };
        auto until = [&](const std::function<bool()>& seen) {
            return PumpUntil([&] { return !Open() || seen(); }) && seen();
        };
        ASSERT_TRUE(until(shows)) << "the pane shows no picture of the source";
        // The picture of the window once its timer has told the progress.
        const HWND bar = window->GetDlgItem(IDC_ENC_PROGRESS_JOB)->m_hWnd;
        ASSERT_TRUE(until([&] {
            clock_.Advance(100);  // the window's timer runs on the layer's clock
            return SendMessageW(bar, PBM_GETPOS, 0, 0) > 0;
        }));
        ASSERT_TRUE(until(shows));
        SaveShot(DialogDriver(window->m_hWnd), std::string("encoding_preview_") + language.tag);

        ClickThePane(page);
        EXPECT_EQ(0, settings.bEncodePreview);
        ASSERT_TRUE(until(showsNothing)) << "the pane still shows the picture after the preview was turned off";
        // And no picture comes back while the job goes on.
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (Open() && std::chrono::steady_clock::now() < end) {
            PumpDialogMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(showsNothing());
        SaveShot(DialogDriver(window->m_hWnd), std::string("encoding_preview_off_") + language.tag);

        // A second click, later than a double click would be.
        clock_.Advance(2000);
        ClickThePane(page);
        EXPECT_EQ(1, settings.bEncodePreview);
        EXPECT_TRUE(until(shows)) << "the picture does not come back when the preview is turned on again";
        ASSERT_NE(nullptr, Open()) << "the job ended before the checks";
        window->DestroyWindow();
    }
}

}  // namespace
