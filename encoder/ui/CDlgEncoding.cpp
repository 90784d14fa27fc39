#include "encoder/ui/CDlgEncoding.h"

#include <algorithm>
#include <cmath>

#include "RivoEncIds.h"
#include "encoder/core/BatchReport.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/core/MessageDialogPort.h"
#include "encoder/core/OutputNaming.h"
#include "encoder/core/ShellFileOperation.h"
#include "encoder/core/SubtitleConverter.h"
#include "encoder/pipeline/PluginDsp.h"
#include "encoder/subtitles/SamiFile.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "encoder/subtitles/VobSubFile.h"
#include "encoder/ui/CDlgShutdown.h"
#include "encoder/ui/EncodingHost.h"
#include "encoder/ui/JobSubtitles.h"
#include "encoder/ui/VentraState.h"
#include "foundation/PathHelpers.h"
#include "modules/api/WriterFilters.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/mfc/ShellServices.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Format.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Tick.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/UserLanguage.h"

namespace {

// The ids are read when a message arrives (registered at first use).
UINT g_graphNotify = GetGraphMessages().graphNotify;
UINT g_playbackReady = GetGraphMessages().playbackReady;
UINT g_playbackState = GetGraphMessages().playbackState;
UINT g_playbackEof = GetGraphMessages().playbackEof;

constexpr int kPspPixels = 320 * 240;
constexpr uint32_t kJobNotStarted = 0xFFFFFFFF;

CString Text(const wchar_t* key) { return CString(LookupText(key)); }

// Seconds as hours, minutes and seconds.
struct Hms {
    explicit Hms(uint32_t seconds) : h(seconds / 3600), m(seconds % 3600 / 60), s(seconds % 60) {}
    uint32_t h, m, s;
};

// 100-ns units as whole seconds (negative counts as 0).
uint32_t Seconds(LONGLONG units) { return units <= 0 ? 0 : static_cast<uint32_t>(units / 1000 / 10000); }

// A path into a fixed record field, cut to fit with its terminator.
template <size_t N>
void CopyToChar16(char16_t (&field)[N], const CString& path)
{
    std::u16string units = WideToUtf16(path.str());
    if (units.size() > N - 1) units.resize(N - 1);
    std::copy(units.begin(), units.end(), field);
    field[units.size()] = 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDlgEncoding, CDialog)
ON_WM_TIMER()
ON_REGISTERED_MESSAGE(g_graphNotify, &CDlgEncoding::OnGraphNotify)
ON_REGISTERED_MESSAGE(g_playbackReady, &CDlgEncoding::OnPlaybackIgnored)
ON_REGISTERED_MESSAGE(g_playbackState, &CDlgEncoding::OnPlaybackIgnored)
ON_REGISTERED_MESSAGE(g_playbackEof, &CDlgEncoding::OnPlaybackEof)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_ENC_PAUSE, &CDlgEncoding::OnPause)
ON_BN_CLICKED(IDC_ENC_RESUME, &CDlgEncoding::OnResume)
ON_BN_CLICKED(IDC_ENC_OPENFOLDER, &CDlgEncoding::OnOpenFolder)
ON_BN_CLICKED(IDC_ENC_CLOSE, &CDlgEncoding::OnCloseButton)
ON_WM_SYSCOMMAND()
ON_CBN_SELCHANGE(IDC_ENC_PRIORITY, &CDlgEncoding::OnPriorityChange)
ON_WM_CLOSE()
ON_BN_CLICKED(IDC_ENC_COPYLOG, &CDlgEncoding::OnCopyLog)
END_MESSAGE_MAP()

CDlgEncoding::CDlgEncoding(CEncFileInfoList* jobs, CEncodingHost* host)
    : CDialog(IDD_ENCODING), m_pJobList(jobs), m_pHost(host), m_pGraph(nullptr)
{
    // The OGM writer has a class of its own and passes over the texts.
    for (const SOutputFormat& format : OutputFormats()) {
        m_writerGraphs[format.number] = MakeWriterGraph(format.number, &GetEncSettings());
        m_writerGraphs[format.number]->SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
    }
    m_pGraph = m_writerGraphs[kEncFormatAvi].get();
    m_tabPreview.SetEncodingWindow(this);
}

CDlgEncoding::~CDlgEncoding()
{
    DlgEncodingStopJob(FALSE);
    m_pDsp.reset();
    m_pSubtitle.Reset();
}

BOOL CDlgEncoding::Create(CWnd* parent) { return CDialog::Create(IDD_ENCODING, parent); }

double CDlgEncoding::ProgressOf(uint32_t position, uint32_t length, int pass, int passes)
{
    // An unknown length makes no progress rather than a division by zero.
    if (length == 0) return 0.0;
    double f;
    if (passes == 2) {
        const double ratio = static_cast<double>(pass) / passes;
        f = position * 0.5 / length + std::trunc(ratio + 0.1) * 0.5;
    } else {
        f = static_cast<double>(position) / length;
    }
    return std::clamp(f, 0.0, 1.0);
}

BOOL CDlgEncoding::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_ENCODING);
    m_tabs.SubclassDlgItem(IDC_ENC_TABS, this);
    m_progressAll.SubclassDlgItem(IDC_ENC_PROGRESS_ALL, this);
    m_progressJob.SubclassDlgItem(IDC_ENC_PROGRESS_JOB, this);
    m_priority.SubclassDlgItem(IDC_ENC_PRIORITY, this);

    if (m_tabPreview.Create(IDD_ENCODING_PREVIEW, this))
        m_tabs.AddTab(Text(L"TEXT_INFOTAB_PREVIEW"), &m_tabPreview, -1);
    if (m_tabLog.Create(IDD_ENCODING_LOG, this)) m_tabs.AddTab(Text(L"TEXT_INFOTAB_LOG"), &m_tabLog, -1);

    CEncSettings& settings = GetEncSettings();
    m_priority.AddString(Text(L"TEXT_PRIORITY_NORMAL"));
    m_priority.AddString(Text(L"TEXT_PRIORITY_BELOW_NORMAL"));
    m_priority.SetCurSel(settings.nEncodePriority < 0 ? 1 : 0);

    if (m_pJobList) {
        m_progressJob.SetRange32(0, 100);
        // 32-bit: a batch of more than 655 jobs still fits.
        m_progressAll.SetRange32(0, m_pJobList->GetJobCount() * 100);
    }

    SelectDspModule(settings.sAudioCurDspPath, settings.iAudioCurDspMod);

    if (CheckDestinations() && CheckPspSize()) {
        m_nTotalElapsed = 0;
        m_jobReported.assign(static_cast<size_t>(m_pJobList ? m_pJobList->GetJobCount() : 0), false);
        m_bBatchRunning = true;
        DlgEncodingNextJob(0);
        SetTimer(kTimerId, kTimerPeriodMs);
    } else {
        // Nothing starts: the window goes, and with it the main window's
        // wait for it, instead of staying as an empty progress window.
        PostMessage(WM_CLOSE);
    }
    return TRUE;
}

bool CDlgEncoding::CheckDestinations()
{
    if (!m_pJobList) return true;
    const CEncSettings& settings = GetEncSettings();
    const int count = m_pJobList->GetJobCount();
    m_refusedJobs.assign(static_cast<size_t>(count), false);
    // While another batch writes into the folder, the files there are its
    // outputs, finished or not: they stay, and this batch's outputs take
    // free names beside them. The folder is held alone only while the
    // existing files are looked at and moved, never while a question waits.
    m_pFolderLock = std::make_unique<FolderWriteLock>(ToNativePath(settings.sDstFolder.str()));
    bool alone = m_pFolderLock->TryAlone();
    CString existing, same;
    CStringArray toRecycle;
    for (int i = 0; i < count; ++i) {
        const CEncFileInfo* job = m_pJobList->GetJob(i);
        CString output = settings.GetOutputFilePath(job->m_sSourcePath, i);
        if (output.IsEmpty() || !FileExists(output)) continue;
        // The files are compared, not their path texts: a relative path or
        // one through a symbolic link names the same file.
        if (IsSameFileW(output, job->m_sSourcePath)) {
            if (!same.IsEmpty()) same += L"\n";
            same += L" - " + output;
            continue;
        }
        // Another job's source is never moved to the trash: that job is
        // refused instead (it says so in the log when its turn comes).
        bool otherSource = false;
        for (int j = 0; j < count && !otherSource; ++j)
            otherSource = j != i && IsSameFileW(output, m_pJobList->GetJob(j)->m_sSourcePath);
        if (otherSource) {
            m_refusedJobs[static_cast<size_t>(i)] = true;
            continue;
        }
        if (!alone) continue;
        if (!existing.IsEmpty()) existing += L"\n";
        existing += L" - " + output;
        toRecycle.Add(output);
    }
    HWND owner = m_pHost && m_pHost->GetHostWindow() ? m_pHost->GetHostWindow()->GetSafeHwnd() : nullptr;
    if (!same.IsEmpty()) {
        m_pFolderLock.reset();
        ShowCoreMessage(owner, Text(L"TEXT_EQUAL_SRCDSTFILE") + L"\n\n" + same, Text(L"TEXT_APP_NAME"), kMessageOk);
        GetBatchReport().BatchNotRun(L"an output file would be its own source:\n" + same);
        return false;
    }
    if (!existing.IsEmpty()) {
        if (!settings.bAutoMode) {
            m_pFolderLock->Share();
            if (ShowCoreMessage(owner, Text(L"TEXT_EXIST_DSTFILE") + L"\n\n" + existing, Text(L"TEXT_APP_NAME"),
                                MB_YESNO | MB_ICONQUESTION) != kAnswerYes) {
                m_pFolderLock.reset();
                GetBatchReport().BatchNotRun(L"existing output files were not to be replaced");
                return false;
            }
            // Another batch may have begun writing there meanwhile.
            alone = m_pFolderLock->TryAlone();
        }
        for (int i = 0; alone && i < toRecycle.GetSize(); ++i) RecycleFile(m_hWnd, toRecycle[i]);
    }
    m_pFolderLock->Share();
    return true;
}

bool CDlgEncoding::CheckPspSize()
{
    CEncSettings& settings = GetEncSettings();
    if (settings.nEncFormat != kEncFormatMp4 || settings.Mp4Encoder.bSupportPSP != 1 ||
        settings.bAskPspSizeWarning != 1)
        return true;
    const int64_t pixels = static_cast<int64_t>(settings.nVideoSizeW) * settings.nVideoSizeH;
    if (pixels != 0 && pixels <= kPspPixels) return true;
    int dontAsk = 0;
    if (ShowCoreMessageWithOptions(nullptr, Text(L"TEXT_WARNING_PSPSIZE"), Text(L"TEXT_APP_NAME"),
                                   MB_YESNO | MB_DEFBUTTON2, kMessageCheckBox, Text(L"TEXT_NOASK_AGAIN"), CString(),
                                   &dontAsk) != kAnswerYes) {
        GetBatchReport().BatchNotRun(L"the picture size is larger than the portable player's");
        return false;
    }
    if (dontAsk) settings.bAskPspSizeWarning = 0;
    return true;
}

void CDlgEncoding::DlgEncodingNextJob(int k)
{
    if (!m_pJobList) return;
    CEncSettings& settings = GetEncSettings();
    for (k = std::max(k, 0);; ++k) {
        const int count = m_pJobList->GetJobCount();
        if (k >= count) {
            EndBatch();
            return;
        }
        CEncFileInfo* job = m_pJobList->GetJob(k);
        SetDlgItemText(IDC_ENC_TOTAL, FormatText(LookupText(L"TEXT_ST_TOTAL"), k + 1, count).c_str());
        SetDlgItemText(IDC_ENC_SRCPATH,
                       FormatText(LookupText(L"TEXT_ST_SRCPATH"), GetFileNameFromPath(job->m_sSourcePath)).c_str());
        m_nCurJob = k;
        if (static_cast<size_t>(k) < m_refusedJobs.size() && m_refusedJobs[static_cast<size_t>(k)]) {
            Log(L"@@<------------------------------------------------");
            Log(JobTag(L"TEXT_LOG_ENC_START"));
            RecordJobNotStarted(kJobNotStarted, L"TEXT_LOG_ERROR_DST_IS_SOURCE", job->m_sSourcePath);
            continue;
        }
        // The output's name is taken at once, file and all: no other job of
        // this batch or of another batch writing into the folder can take
        // it, and a name that exists in any form (a dangling symbolic link
        // included) is passed over.
        CString output = ClaimUniqueFileName(settings.GetOutputFilePath(job->m_sSourcePath, k));
        if (output.IsEmpty()) {
            Log(L"@@<------------------------------------------------");
            Log(JobTag(L"TEXT_LOG_ENC_START"));
            RecordJobNotStarted(kJobNotStarted, L"TEXT_LOG_ERROR_NO_OUTPUT", job->m_sSourcePath);
            continue;
        }
        if (DlgEncodingStartJob(job, output)) {
            // The counter names one output per started job.
            settings.nEtcNamingCnt = (settings.nEtcNamingCnt + 1) % 100000000;
            settings.SaveSettings();
            return;
        }
        ReleaseUnusedOutput(output);
    }
}

void CDlgEncoding::ReleaseUnusedOutput(const CString& output)
{
    // The claimed file is left only when the writer wrote into it.
    if (!output.IsEmpty() && GetFileSize64ByName(output) == 0) DeleteFileW(output);
}

bool CDlgEncoding::DlgEncodingStartJob(CEncFileInfo* job, const CString& outputPath)
{
    Log(L"@@<------------------------------------------------");
    Log(JobTag(L"TEXT_LOG_ENC_START"));
    if (!job || (m_pGraph && m_pGraph->GetPlayState() == 1)) {
        RecordJobNotStarted(kJobNotStarted, L"TEXT_LOG_ERROR_NOT_STARTED", job ? job->m_sSourcePath : CString());
        return false;
    }
    DlgEncodingStopJob(FALSE);
    m_pGraph = nullptr;

    CEncSettings& settings = GetEncSettings();
    m_pGraph = m_writerGraphs[OutputFormatOf(settings.nEncFormat).number].get();
    m_pGraph->SetDspModule(m_pDsp ? m_pDsp->GetModule() : nullptr);

    settings.nJobOutputWidth = 0;
    settings.nJobOutputHeight = 0;
    if (settings.nVideoSizeW != 0 || settings.nVideoSizeH != 0) {
        // The size rules apply to the picture as it is seen, turned as
        // the source says.
        int width = 0, height = 0;
        if (job->m_pVideoType && ShownPictureSize(*job->m_pVideoType, &width, &height)) {
            settings.GetOutputVideoSize(width, height, settings.nJobOutputWidth, settings.nJobOutputHeight);
        } else {
            settings.nJobOutputWidth = settings.nVideoSizeW;
            settings.nJobOutputHeight = settings.nVideoSizeH;
        }
    }

    if (!m_pGraph->BuildFilterChain(job->m_nTypeCode, m_tabPreview.GetVideoPane(), this)) {
        RecordJobNotStarted(kJobNotStarted, L"TEXT_LOG_ERROR_NOT_STARTED", job->m_sSourcePath);
        return false;
    }

    if (settings.bLogoActive) {
        SLogoInfo logo{};
        CopyToChar16(logo.imagePath, settings.sLogoImgPath);
        CopyToChar16(logo.alphaPath, settings.sLogoAlphaImgPath);
        logo.posX = settings.nLogoPosX;
        logo.posY = settings.nLogoPosY;
        logo.marginX = settings.nLogoMarginX;
        logo.marginY = settings.nLogoMarginY;
        logo.start = static_cast<int64_t>(settings.nLogoStartMS) * 10000;
        logo.end = settings.nLogoEndMS == 0 ? kLogoToTheEnd : static_cast<int64_t>(settings.nLogoEndMS) * 10000;
        logo.fade = settings.bLogoFade;
        logo.opacity = static_cast<uint16_t>(static_cast<int64_t>((100 - settings.nLogoAlpha) * 655.35));
        m_pGraph->SetLogoInfo(&logo);
    } else {
        m_pGraph->SetLogoInfo(nullptr);
    }

    m_sSourcePath = job->m_sSourcePath;
    m_sOutputPath = outputPath;
    int opened = m_pGraph->Open(m_sSourcePath, m_sOutputPath);
    if (opened != kOpenDone) {
        RecordJobNotStarted(static_cast<uint32_t>(opened), nullptr, m_sSourcePath);
        if (m_hWnd) DlgEncodingStopJob(FALSE);
        return false;
    }

    if (!job->m_sSubtitlePath.IsEmpty()) {
        DlgEncodingLoadSubtitle(job->m_sSubtitlePath);
    } else if (IsWindowsMediaSourceType(job->m_nTypeCode)) {
        LoadWindowsMediaCaptions(m_sSourcePath, [this](const CString& sami) { DlgEncodingLoadSubtitle(sami); });
    }

    m_pGraph->SetAudioStream(job->m_nAudioStream);
    m_pGraph->SetAudioSyncDelay(job->m_nAudioDelay);
    m_pGraph->SetAudioAmplify(job->m_nAudioGain);
    if (job->m_nSegmentStart < job->m_nSegmentEnd)
        m_pGraph->SetSegment(static_cast<LONGLONG>(job->m_nSegmentStart) * 10000000,
                             static_cast<LONGLONG>(job->m_nSegmentEnd) * 10000000);
    m_pGraph->SetWriterPriority(settings.nEncodePriority);
    m_pGraph->SetWriterPreviewEnabled(settings.bEncodePreview);
    m_pGraph->Play();
    if (m_pGraph->GetWriterPassState() <= 1) m_nStartTick = GetTickCount();

    WriteStartBlock(*job);
    VentraSetRunning(1);
    return true;
}

void CDlgEncoding::DlgEncodingLoadSubtitle(const CString& path)
{
    if (path.IsEmpty()) {
        m_pSubtitle.Reset();
        if (m_pGraph) m_pGraph->SetVideoFilterSubtitle(nullptr);
        return;
    }
    CString file = path;
    const CString extension = GetFileExtension(path);
    const wchar_t* converted = nullptr;
    if (extension.CompareNoCase(L"rt") == 0 || extension.CompareNoCase(L".rt") == 0)
        converted = ConvertRtToSami(path);
    else if (extension.CompareNoCase(L"srt") == 0 || extension.CompareNoCase(L".srt") == 0)
        converted = ConvertSrtToSami(path);
    if (converted) file = converted;

    const CEncSettings& settings = GetEncSettings();
    SubtitleOpenParams params;
    params.nDefaultColor = -1;
    params.nLineJoinMode = 0;
    params.nCodePage = settings.nSubCodePage;
    params.nFrameRateNum = 23976;
    params.nFrameRateDen = 1000;
    if (m_pGraph) {
        SubtitleInfoRecord info{};
        if (SUCCEEDED(m_pGraph->QueryVideoFilterSubtitleInfo(&info))) params.nFrameRateNum = info.frameRateMilli;
    }
    ISubPicProvider* raw = nullptr;
    OpenSubtitleProvider(&raw, file, &params);
    m_pSubtitle = ComPtr<ISubPicProvider>(raw);
    if (m_pGraph) m_pGraph->SetVideoFilterSubtitle(m_pSubtitle.Get());
    if (!m_pSubtitle) return;

    ComPtr<ISamiLanguage> languages;
    ComPtr<ISubStream> streams;
    if (SUCCEEDED(m_pSubtitle->QueryInterface(IID_ISamiLanguage, reinterpret_cast<void**>(&languages))) && languages &&
        !settings.bSubStreamAll) {
        languages->SetLanguage(settings.nSubStreamLCID ? static_cast<LCID>(settings.nSubStreamLCID)
                                                       : static_cast<LCID>(GetUserDefaultLangID()));
    } else if (SUCCEEDED(m_pSubtitle->QueryInterface(IID_ISubStream, reinterpret_cast<void**>(&streams))) && streams) {
        streams->SetStream(0);
    }
}

void CDlgEncoding::DlgEncodingStopJob(BOOL deleteOutput)
{
    if (!m_pGraph) return;
    m_pGraph->CloseGraph();
    if (!m_sOutputPath.IsEmpty()) {
        if (deleteOutput) {
            DeleteFileW(m_sOutputPath);
            CString thumbnail = ReplaceFileExtension(m_sOutputPath, L"THM");
            if (!thumbnail.IsEmpty()) DeleteFileW(thumbnail);
        }
        DeleteFileW(m_sOutputPath + L".stats");
    }
    DlgEncodingLoadSubtitle(CString());
    m_sSourcePath.Empty();
    m_sOutputPath.Empty();
    m_nStartTick = 0;
    m_nLastTick = 0;
}

bool CDlgEncoding::SelectDspModule(const CString& path, int index)
{
    if (m_pDsp && m_pDsp->GetPath() != path) {
        if (m_pGraph) m_pGraph->SetDspModule(nullptr);
        m_pDsp.reset();
    }
    if (!m_pDsp) {
        if (path.IsEmpty()) return false;
        m_pDsp = std::make_unique<CPlugin_dsp>(path);
        if (!m_pDsp->GetHeader()) {
            m_pDsp.reset();
            return false;
        }
    }
    DspPluginModule* module = m_pDsp->SelectModule(index, m_hWnd);
    if (!module) return false;
    GetEncSettings().iAudioCurDspMod = index;
    if (m_pGraph) m_pGraph->SetDspModule(module);
    return true;
}

LRESULT CDlgEncoding::OnGraphNotify(WPARAM, LPARAM)
{
    if (m_pGraph) m_pGraph->OnGraphNotify();
    return 0;
}

LRESULT CDlgEncoding::OnPlaybackIgnored(WPARAM, LPARAM) { return 0; }

LRESULT CDlgEncoding::OnPlaybackEof(WPARAM code, LPARAM)
{
    if (code != kEofFinished) {
        WriteFailureBlock(static_cast<uint32_t>(code));
        ++m_nFailures;
        ReportJob(false, FailureText(static_cast<uint32_t>(code), nullptr));
        // A job that failed before its writer wrote anything leaves no
        // empty file behind.
        ReleaseUnusedOutput(m_sOutputPath);
    } else {
        WriteCompletionBlock();
        ++m_nCompleted;
        ReportJob(true, m_sOutputPath);
    }
    DlgEncodingOnTimer();
    if (m_nStartTick != 0) m_nTotalElapsed += (m_nLastTick - m_nStartTick) / 1000;
    DlgEncodingNextJob(m_nCurJob + 1);
    return 0;
}

void CDlgEncoding::OnTimer(UINT_PTR id)
{
    if (id == kTimerId)
        DlgEncodingOnTimer();
    else
        CDialog::OnTimer(id);
}

void CDlgEncoding::DlgEncodingOnTimer()
{
    if (!m_pGraph || m_pGraph->GetPlayState() < kPlayStateStopped) return;
    const DWORD now = GetTickCount();
    m_nLastTick = now;
    const uint32_t length = Seconds(m_pGraph->GetEncodedDuration());
    const uint32_t position = Seconds(m_pGraph->GetEncodedPosition());
    const uint32_t elapsed = m_nStartTick != 0 ? (now - m_nStartTick) / 1000 : 0;
    const uint32_t total = m_nTotalElapsed + elapsed;
    const int pass = m_pGraph->GetCurrentPass();
    const int passes = m_pGraph->GetPassCount();
    const double ratio = passes > 0 ? static_cast<double>(pass) / passes : 1.0;
    const double f = ProgressOf(position, length, pass, passes);
    const double estimate = f > 0 ? elapsed / f : 0.0;
    const auto remaining = static_cast<uint32_t>(estimate * std::max(1.0 - f, 0.0));
    const double speed = elapsed > 0 ? f * length / elapsed : 0.0;
    const int64_t size = std::max<int64_t>(GetFileSize64ByName(m_sOutputPath), 0);
    const int64_t finalSize = ratio >= 1 && position > 0 ? size * length / position : 0;
    const int percent = static_cast<int>(f * 100);

    const Hms p(position), l(length), r(remaining), e(elapsed), t(total);
    SetDlgItemText(IDC_ENC_TIMEINFO, FormatText(LookupText(L"TEXT_ST_TIMEINFO"), p.h, p.m, p.s, l.h, l.m, l.s, pass,
                                                passes, percent, r.h, r.m, r.s)
                                         .c_str());
    SetDlgItemText(IDC_ENC_TIMEINFO2, FormatText(LookupText(L"TEXT_ST_TIMEINFO2"), speed, size / 1024 / 1024,
                                                 finalSize / 1024 / 1024, e.h, e.m, e.s)
                                          .c_str());
    SetDlgItemText(IDC_ENC_TOTAL_ELAPSED, FormatText(LookupText(L"TEXT_ST_TOTAL_ELAPSED"), t.h, t.m, t.s).c_str());
    m_progressJob.SetPos(percent);
    m_progressAll.SetPos(m_nCurJob * 100 + percent);
    VentraSetPercent(percent);
}

void CDlgEncoding::EndBatch()
{
    m_bBatchRunning = false;
    SetForegroundWindow();
    CEncSettings& settings = GetEncSettings();
    if (IsDlgButtonChecked(IDC_ENC_SHUTDOWN)) {
        settings.SaveSettings();
        ShutdownAfterEncoding(m_pHost ? m_pHost->GetHostWindow() : nullptr);
        return;
    }
    // A batch in which nothing was converted does not say it is complete.
    CString message = Text(m_nCompleted > 0 ? L"TEXT_COMPLETE" : L"TEXT_COMPLETE_NOTHING");
    if (m_nFailures > 0)
        message += CString(L"\n\n") + CString(FormatText(LookupText(L"TEXT_COMPLETE_ERROR"), m_nFailures));
    GetDlgItem(IDC_ENC_RESUME)->EnableWindow(FALSE);
    GetDlgItem(IDC_ENC_PAUSE)->EnableWindow(FALSE);
    GetDlgItem(IDC_ENC_CLOSE)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_ENC_CLOSE)->SetFocus();
    GetDlgItem(IDCANCEL)->ShowWindow(SW_HIDE);
    DlgEncodingStopJob(FALSE);
    m_pFolderLock.reset();
    if (settings.bAutoMode) {
        // Posted: a batch in which no job starts ends while the window is
        // still being made, and the window must outlive its creation.
        PostMessage(WM_CLOSE);
        return;
    }
    ShowCoreMessage(m_hWnd, message, Text(L"TEXT_APP_NAME"), MB_ICONINFORMATION);
}

void CDlgEncoding::Log(const CString& line) { m_tabLog.AddLine(line); }

CString CDlgEncoding::JobTag(const wchar_t* key) const
{
    const int count = m_pJobList ? m_pJobList->GetJobCount() : 0;
    return CString(FormatText(L"@@B@@<[%02d/%02d] %s", m_nCurJob + 1, count, LookupText(key)));
}

void CDlgEncoding::WriteStartBlock(const CEncFileInfo& job)
{
    const CEncSettings& settings = GetEncSettings();
    const bool segment = job.m_nSegmentStart < job.m_nSegmentEnd;
    const Hms from(segment ? static_cast<uint32_t>(job.m_nSegmentStart) : 0);
    const Hms to(static_cast<uint32_t>(std::max(segment ? job.m_nSegmentEnd : job.m_nDuration, 0)));
    Log(CString(FormatText(L"> %s : %s", LookupText(L"TEXT_LOG_START_FILE"), job.m_sSourcePath)));
    Log(CString(FormatText(L"> %s : %02d:%02d:%02d - %02d:%02d:%02d", LookupText(L"TEXT_LOG_ENC_SEGMENT"), from.h,
                           from.m, from.s, to.h, to.m, to.s)));
    Log(CString());
    const SEncJobMedia media = job.GetJobMedia();
    Log(JobTag(L"TEXT_LOG_INFO_SRC"));
    Log(CString(FormatText(L"> %s", job.GetVideoFormatName())));
    Log(CString(FormatText(L"> %s", job.GetVideoInfoText())));
    if (job.m_nAudioStreamCount > 0) {
        Log(CString(FormatText(L"> %s", job.GetAudioFormatName())));
        Log(CString(FormatText(L"> %s", job.GetAudioInfoText())));
    }
    Log(CString());
    Log(JobTag(L"TEXT_LOG_INFO_DST"));
    Log(CString(FormatText(L"> %s", GetOutputVideoCodecName(settings, &media))));
    Log(CString(FormatText(L"> %s", settings.GetVideoSummary(&media))));
    if (job.m_nAudioStreamCount > 0) {
        Log(CString(FormatText(L"> %s", GetOutputAudioCodecName(settings, &media))));
        Log(CString(FormatText(L"> %s", settings.GetAudioSummary(&media))));
    }
    Log(CString());
    Log(JobTag(L"TEXT_LOG_INFO_FILTER"));
    for (int i = 0; m_pGraph && i < m_pGraph->GetFilterCount(); ++i)
        Log(CString(FormatText(L"> %s", m_pGraph->GetFilterInfo(i)->description)));
    Log(CString());
}

void CDlgEncoding::WriteCompletionBlock()
{
    m_nLastTick = GetTickCount();
    const uint32_t elapsed = m_nStartTick != 0 ? (m_nLastTick - m_nStartTick) / 1000 : 0;
    const int64_t size = std::max<int64_t>(GetFileSize64ByName(m_sOutputPath), 0);
    const Hms e(elapsed);
    Log(JobTag(L"TEXT_LOG_ENC_COMPLETE"));
    Log(CString(FormatText(L"> %s : %s", LookupText(L"TEXT_LOG_COMP_FILE"), m_sOutputPath)));
    Log(CString(FormatText(L"> %s : %s bytes (%s)", LookupText(L"TEXT_LOG_COMP_SIZE"),
                           FormatNumberWithCommas(static_cast<int>(std::min<int64_t>(size, INT32_MAX))),
                           FormatFileSize(size))));
    Log(CString(FormatText(L"> %s : %02d:%02d:%02d", LookupText(L"TEXT_LOG_COMP_ELAPSED"), e.h, e.m, e.s)));
    Log(CString());
}

namespace {

// The text key of a failure's reason: the one given, else the code's own.
const wchar_t* ReasonKey(uint32_t code, const wchar_t* reasonKey)
{
    if (reasonKey) return reasonKey;
    switch (code) {
    case kEofWriterOutput: return L"TEXT_LOG_ERROR_0E01";
    case kEofWriterEncoder: return L"TEXT_LOG_ERROR_0E02";
    case kEofNoVideo: return L"TEXT_LOG_ERROR_0E03";
    case kEofNoSound: return L"TEXT_LOG_ERROR_0E04";
    case kEofErrorAbort: return L"TEXT_LOG_ERROR_0E10";
    default: return nullptr;
    }
}

}  // namespace

CString CDlgEncoding::FailureText(uint32_t code, const wchar_t* reasonKey)
{
    CString text;
    if (code != kJobNotStarted) text = CString(FormatText(L"0x%08x", code));
    if (const wchar_t* reason = ReasonKey(code, reasonKey)) text += (text.IsEmpty() ? L"" : L" ") + Text(reason);
    return text;
}

void CDlgEncoding::WriteFailureBlock(uint32_t code, const wchar_t* reasonKey, const CString& source)
{
    const int count = m_pJobList ? m_pJobList->GetJobCount() : 0;
    Log(CString(FormatText(L"@@R@@<[%02d/%02d] %s", m_nCurJob + 1, count, LookupText(L"TEXT_LOG_ENC_FAIL"))));
    if (!source.IsEmpty()) Log(CString(FormatText(L"> %s : %s", LookupText(L"TEXT_LOG_START_FILE"), source)));
    if (code != kJobNotStarted) Log(CString(FormatText(L"> @@<%s : 0x%08x", LookupText(L"TEXT_LOG_ERROR_CODE"), code)));
    if (const wchar_t* reason = ReasonKey(code, reasonKey)) Log(CString(FormatText(L"> @@<%s", LookupText(reason))));
    Log(CString());
}

void CDlgEncoding::RecordJobNotStarted(uint32_t code, const wchar_t* reasonKey, const CString& source)
{
    // A job that never started has no start block: its failure names the
    // source itself.
    WriteFailureBlock(code, reasonKey, source);
    ++m_nFailures;
    ReportJob(false, FailureText(code, reasonKey));
}

void CDlgEncoding::ReportJob(bool converted, const CString& outputOrWhy)
{
    const CEncFileInfo* job = m_pJobList ? m_pJobList->GetJob(m_nCurJob) : nullptr;
    const CString source = job ? job->m_sSourcePath : m_sSourcePath;
    if (converted)
        GetBatchReport().JobConverted(source, outputOrWhy);
    else
        GetBatchReport().JobFailed(source, outputOrWhy);
    if (m_nCurJob >= 0 && static_cast<size_t>(m_nCurJob) < m_jobReported.size())
        m_jobReported[static_cast<size_t>(m_nCurJob)] = true;
}

void CDlgEncoding::ReportJobsNotDone()
{
    // A batch stopped before its end: the job under way and those after it
    // did not convert either.
    if (!m_bBatchRunning || !m_pJobList) return;
    m_bBatchRunning = false;
    for (size_t i = 0; i < m_jobReported.size(); ++i) {
        const CEncFileInfo* job = m_pJobList->GetJob(static_cast<int>(i));
        if (!m_jobReported[i] && job) GetBatchReport().JobFailed(job->m_sSourcePath, L"the batch was stopped first");
    }
}

void CDlgEncoding::OnPause()
{
    if (!m_pGraph) return;
    m_pGraph->Run(FALSE);
    GetDlgItem(IDC_ENC_RESUME)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_ENC_RESUME)->SetFocus();
    GetDlgItem(IDC_ENC_PAUSE)->ShowWindow(SW_HIDE);
}

void CDlgEncoding::OnResume()
{
    if (!m_pGraph) return;
    m_pGraph->Run(TRUE);
    GetDlgItem(IDC_ENC_PAUSE)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_ENC_PAUSE)->SetFocus();
    GetDlgItem(IDC_ENC_RESUME)->ShowWindow(SW_HIDE);
}

void CDlgEncoding::OnPriorityChange()
{
    CEncSettings& settings = GetEncSettings();
    settings.nEncodePriority = m_priority.GetCurSel() == 1 ? -1 : 0;
    if (m_pGraph) m_pGraph->SetWriterPriority(settings.nEncodePriority);
}

void CDlgEncoding::TogglePreview()
{
    CEncSettings& settings = GetEncSettings();
    settings.bEncodePreview = !settings.bEncodePreview;
    if (m_pGraph) m_pGraph->SetWriterPreviewEnabled(settings.bEncodePreview);
}

void CDlgEncoding::OnClose()
{
    // A paused job is as much under way as a running one.
    if (m_pGraph && m_pGraph->GetPlayState() >= kPlayStatePaused) {
        CString question = Text(L"TEXT_ASK_STOP_DELETE");
        question.Replace(L"$FILE$", GetFileNameFromPath(m_sOutputPath));
        int answer = ShowCoreMessageWithOptions(m_hWnd, question, Text(L"TEXT_APP_NAME"), kMessageYesNoCancel,
                                                kMessageButtonTexts, CString(),
                                                Text(L"TEXT_ASK_STOP_DELETE_YESNOCANCEL"), nullptr);
        if (answer == kAnswerCancel) return;
        if (answer == kAnswerYes) DlgEncodingStopJob(TRUE);
    }
    DestroyWindow();
}

void CDlgEncoding::OnCancel() { OnClose(); }

void CDlgEncoding::OnCloseButton() { OnClose(); }

// Enter does not end the batch.
void CDlgEncoding::OnOK() {}

void CDlgEncoding::OnDestroy()
{
    ReportJobsNotDone();
    KillTimer(kTimerId);
    DlgEncodingStopJob(FALSE);
    CDialog::OnDestroy();
}

void CDlgEncoding::PostNcDestroy()
{
    VentraSetFinished(1);
    if (m_pHost) m_pHost->EndModalChild();
    delete this;
}

void CDlgEncoding::OnOpenFolder()
{
    ShellExecuteW(m_hWnd, L"open", GetEncSettings().sDstFolder, nullptr, nullptr, SW_SHOWNORMAL);
}

void CDlgEncoding::OnCopyLog() { m_tabLog.CopyAll(); }

void CDlgEncoding::OnSysCommand(UINT id, LPARAM lParam)
{
    CWnd* main = m_pHost ? m_pHost->GetHostWindow() : nullptr;
    const UINT command = id & 0xFFF0;
    if (main && command == SC_MINIMIZE) {
        main->ShowWindow(SW_MINIMIZE);
    } else if (main && command == SC_RESTORE) {
        main->ShowWindow(SW_RESTORE);
    } else {
        CDialog::OnSysCommand(id, lParam);
    }
}
