#include "encoder/ui/CDlgSetInput.h"

#include <algorithm>

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "encoder/ui/JobSubtitles.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/Format.h"

namespace {

UINT g_graphNotify = GetGraphMessages().graphNotify;
UINT g_playbackReady = GetGraphMessages().playbackReady;
UINT g_playbackState = GetGraphMessages().playbackState;
UINT g_playbackEof = GetGraphMessages().playbackEof;

constexpr LONGLONG kUnitsPerSecond = 10000000;
constexpr int kDelayLimitMs = 10000;
constexpr int kGainLimitDb = 20;
constexpr int kDelayStepMs = 100;
constexpr int kStreamTextChars = 260;

// "h:mm:ss", hours without leading zeros.
std::wstring TimeText(int seconds)
{
    return FormatText(L"%d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

int UnitsToSeconds(LONGLONG units) { return units <= 0 ? 0 : static_cast<int>(units / 1000 / 10000); }

}  // namespace

BEGIN_MESSAGE_MAP(CDlgSetInput, CDialog)
ON_REGISTERED_MESSAGE(g_graphNotify, &CDlgSetInput::OnGraphNotify)
ON_REGISTERED_MESSAGE(g_playbackReady, &CDlgSetInput::OnPlaybackReady)
ON_REGISTERED_MESSAGE(g_playbackState, &CDlgSetInput::OnPlaybackIgnored)
ON_REGISTERED_MESSAGE(g_playbackEof, &CDlgSetInput::OnPlaybackIgnored)
ON_WM_TIMER()
ON_WM_HSCROLL()
ON_WM_SHOWWINDOW()
ON_BN_CLICKED(IDC_SETINPUT_SEGMENT, &CDlgSetInput::OnSegmentCheck)
ON_NOTIFY(UDN_DELTAPOS, IDC_SETINPUT_START_SPIN, &CDlgSetInput::OnStartDelta)
ON_NOTIFY(UDN_DELTAPOS, IDC_SETINPUT_END_SPIN, &CDlgSetInput::OnEndDelta)
ON_NOTIFY(UDN_DELTAPOS, IDC_SETINPUT_DELAY_SPIN, &CDlgSetInput::OnDelayDelta)
ON_EN_SETFOCUS(IDC_SETINPUT_START, &CDlgSetInput::OnStartFocus)
ON_EN_SETFOCUS(IDC_SETINPUT_END, &CDlgSetInput::OnEndFocus)
ON_BN_CLICKED(IDC_SETINPUT_SET_START, &CDlgSetInput::OnSetStart)
ON_BN_CLICKED(IDC_SETINPUT_SET_END, &CDlgSetInput::OnSetEnd)
ON_EN_CHANGE(IDC_SETINPUT_DELAY, &CDlgSetInput::OnDelayChange)
ON_EN_CHANGE(IDC_SETINPUT_GAIN, &CDlgSetInput::OnGainChange)
ON_CBN_SELCHANGE(IDC_SETINPUT_STREAM, &CDlgSetInput::OnStreamChange)
ON_BN_CLICKED(IDC_SETINPUT_PLAY, &CDlgSetInput::OnPlayPause)
ON_BN_CLICKED(IDC_SETINPUT_STOP, &CDlgSetInput::OnStop)
ON_BN_CLICKED(IDC_SETINPUT_APPLY_ALL, &CDlgSetInput::OnApplyToAll)
END_MESSAGE_MAP()

CDlgSetInput::CDlgSetInput(CEncFileInfo* job, BOOL autoPlay, CWnd* parent)
    : CDialog(IDD_SETINPUT, parent), m_pJob(job), m_bAutoPlay(autoPlay), m_graph(&GetEncSettings())
{
}

CDlgSetInput::~CDlgSetInput()
{
    m_graph.CloseGraph();
    m_pSubtitle.Reset();
    m_sSourcePath.Empty();
}

void CDlgSetInput::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_SETINPUT_SLIDER, m_slider);
    DDX_Control(dx, IDC_SETINPUT_START_SPIN, m_startSpin);
    DDX_Control(dx, IDC_SETINPUT_END_SPIN, m_endSpin);
    DDX_Control(dx, IDC_SETINPUT_DELAY_SPIN, m_delaySpin);
    DDX_Control(dx, IDC_SETINPUT_GAIN_SPIN, m_gainSpin);
    DDX_Control(dx, IDC_SETINPUT_STREAM, m_streams);
}

BOOL CDlgSetInput::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_SETINPUT);
    m_startSpin.SetBuddy(GetDlgItem(IDC_SETINPUT_START));
    m_endSpin.SetBuddy(GetDlgItem(IDC_SETINPUT_END));
    m_delaySpin.SetBuddy(GetDlgItem(IDC_SETINPUT_DELAY));
    m_gainSpin.SetBuddy(GetDlgItem(IDC_SETINPUT_GAIN));
    m_delaySpin.SetRange32(-kDelayLimitMs, kDelayLimitMs);
    m_gainSpin.SetRange32(-kGainLimitDb, kGainLimitDb);
    // Until the preview tells the source's length, the job's own length
    // bounds the segment, so that a job whose preview fails still loads and
    // stores its segment.
    SetSegmentRange(m_pJob ? std::max(m_pJob->m_nDuration, 0) : 0);
    if (OpenPreview()) FillStreamList();
    LoadFromJob();
    SetTimer(kTimerId, kTimerPeriodMs);
    return TRUE;
}

bool CDlgSetInput::OpenPreview()
{
    if (!m_pJob || m_graph.GetPlayState() == 1) return false;
    ClosePreview();
    if (!m_graph.BuildFilterChain(m_pJob->m_nTypeCode, GetDlgItem(IDC_SETINPUT_VIDEO), this)) return false;
    m_sSourcePath = m_pJob->m_sSourcePath;
    if (m_graph.Open(m_sSourcePath, CString()) != kOpenDone) {
        if (m_hWnd) ClosePreview();
        return false;
    }
    if (!m_pJob->m_sSubtitlePath.IsEmpty())
        OpenSubtitle(m_pJob->m_sSubtitlePath);
    else if (IsWindowsMediaSourceType(m_pJob->m_nTypeCode))
        LoadWindowsMediaCaptions(m_sSourcePath, [this](const CString& sami) { OpenSubtitle(sami); });
    m_graph.SetAudioStream(m_pJob->m_nAudioStream);
    return true;
}

void CDlgSetInput::ClosePreview()
{
    m_graph.CloseGraph();
    m_pSubtitle.Reset();
    m_sSourcePath.Empty();
}

void CDlgSetInput::FillStreamList()
{
    int count = 0;
    int current = 0;
    m_graph.GetAudioStreamCount(&count);
    m_graph.GetCurrentAudioStream(&current);
    for (int i = 0; i < count; ++i) {
        wchar_t text[kStreamTextChars] = {};
        int length = kStreamTextChars;
        if (m_graph.GetAudioStreamInfo(i, text, &length) < 0)
            m_streams.AddString(CString(FormatText(LookupText(L"TEXT_AUDIOSTEAM_ITEM"), i)));
        else
            m_streams.AddString(text);
    }
}

void CDlgSetInput::OpenSubtitle(const CString& path)
{
    ISubPicProvider* raw = nullptr;
    if (!path.IsEmpty()) {
        SubtitleOpenParams params;
        params.nDefaultColor = -1;
        params.nLineJoinMode = 0;
        params.nCodePage = 0;
        params.nFrameRateNum = 23976;
        params.nFrameRateDen = 1000;
        OpenSubtitleProvider(&raw, path, &params);
    }
    m_pSubtitle = ComPtr<ISubPicProvider>(raw);
    m_graph.SetVideoFilterSubtitle(m_pSubtitle.Get());
}

LRESULT CDlgSetInput::OnGraphNotify(WPARAM, LPARAM)
{
    m_graph.OnGraphNotify();
    return 0;
}

LRESULT CDlgSetInput::OnPlaybackIgnored(WPARAM, LPARAM) { return 0; }

LRESULT CDlgSetInput::OnPlaybackReady(WPARAM, LPARAM)
{
    const int d = DurationSeconds();
    m_slider.SetRange(0, d);
    m_slider.SetTicFreq(d / 30);
    m_slider.SetSelection(0, d);
    SetSegmentRange(d);
    LoadFromJob();
    return 0;
}

void CDlgSetInput::SetSegmentRange(int seconds)
{
    // 32-bit ranges: sources longer than 9:06:07 can be cut too.
    m_startSpin.SetRange32(0, seconds);
    m_endSpin.SetRange32(0, seconds);
    m_startSpin.SetPos32(0);
    m_endSpin.SetPos32(seconds);
}

void CDlgSetInput::SetSegmentStart(int seconds, bool moveUpDown)
{
    int lower = 0, upper = 0;
    m_startSpin.GetRange32(lower, upper);
    seconds = std::clamp(seconds, lower, std::max(lower, upper));
    seconds = std::min(seconds, m_endSpin.GetPos32());
    SetDlgItemText(IDC_SETINPUT_START, TimeText(seconds).c_str());
    if (moveUpDown) m_startSpin.SetPos32(seconds);
    UpdateSelection();
}

void CDlgSetInput::SetSegmentEnd(int seconds, bool moveUpDown)
{
    int lower = 0, upper = 0;
    m_endSpin.GetRange32(lower, upper);
    seconds = std::clamp(seconds, lower, std::max(lower, upper));
    seconds = std::max(seconds, m_startSpin.GetPos32());
    SetDlgItemText(IDC_SETINPUT_END, TimeText(seconds).c_str());
    if (moveUpDown) m_endSpin.SetPos32(seconds);
    UpdateSelection();
}

void CDlgSetInput::UpdateSelection()
{
    m_slider.SetSelection(m_startSpin.GetPos32(), m_endSpin.GetPos32());
    m_slider.Invalidate();
}

void CDlgSetInput::LoadFromJob()
{
    if (!m_pJob) {
        ApplyEnabling();
        return;
    }
    if (m_pJob->m_nSegmentStart < m_pJob->m_nSegmentEnd) {
        CheckDlgButton(IDC_SETINPUT_SEGMENT, BST_CHECKED);
        // The end first, so that the start is not held below an old end.
        SetSegmentEnd(m_pJob->m_nSegmentEnd, true);
        SetSegmentStart(m_pJob->m_nSegmentStart, true);
    } else {
        SetSegmentStart(0, true);
        SetSegmentEnd(m_pJob->m_nDuration, true);
        CheckDlgButton(IDC_SETINPUT_SEGMENT, BST_UNCHECKED);
    }
    const int count = m_streams.GetCount();
    if (count > 0) {
        m_streams.SetCurSel(std::clamp(m_pJob->m_nAudioStream, 0, count - 1));
        m_streams.EnableWindow(TRUE);
    } else {
        m_streams.EnableWindow(FALSE);
    }
    m_delaySpin.SetPos32(m_pJob->m_nAudioDelay);
    m_gainSpin.SetPos32(m_pJob->m_nAudioGain);
    ApplyEnabling();
}

void CDlgSetInput::StoreToJob()
{
    if (!m_pJob) return;
    if (IsDlgButtonChecked(IDC_SETINPUT_SEGMENT)) {
        m_pJob->m_nSegmentStart = m_startSpin.GetPos32();
        m_pJob->m_nSegmentEnd = m_endSpin.GetPos32();
    } else {
        m_pJob->m_nSegmentStart = 0;
        m_pJob->m_nSegmentEnd = 0;
    }
    // Without a list (the preview failed) the job keeps its stream.
    if (m_streams.GetCount() > 0) m_pJob->m_nAudioStream = m_streams.GetCurSel();
    m_pJob->m_nAudioDelay = m_delaySpin.GetPos32();
    m_pJob->m_nAudioGain = m_gainSpin.GetPos32();
}

void CDlgSetInput::ApplyEnabling()
{
    const BOOL on = IsDlgButtonChecked(IDC_SETINPUT_SEGMENT) ? TRUE : FALSE;
    for (int id : {IDC_SETINPUT_SET_START, IDC_SETINPUT_SET_END, IDC_SETINPUT_START, IDC_SETINPUT_END,
                   IDC_SETINPUT_START_SPIN, IDC_SETINPUT_END_SPIN})
        GetDlgItem(id)->EnableWindow(on);
}

int CDlgSetInput::PositionSeconds() { return UnitsToSeconds(m_graph.GetPosition()); }

int CDlgSetInput::DurationSeconds() { return UnitsToSeconds(m_graph.GetDuration()); }

void CDlgSetInput::SeekSeconds(int seconds) { m_graph.Seek(static_cast<LONGLONG>(seconds) * kUnitsPerSecond, -1); }

void CDlgSetInput::OnTimer(UINT_PTR id)
{
    if (id != kTimerId) {
        CDialog::OnTimer(id);
        return;
    }
    const int p = PositionSeconds();
    const int d = DurationSeconds();
    SetDlgItemText(IDC_SETINPUT_TIME, FormatText(L"%d:%02d:%02d / %d:%02d:%02d", p / 3600, p % 3600 / 60, p % 60,
                                                 d / 3600, d % 3600 / 60, d % 60)
                                          .c_str());
    if (!m_nDragging) m_slider.SetPos(p);
}

void CDlgSetInput::OnHScroll(UINT code, UINT position, CWnd* scrollBar)
{
    if (!scrollBar || scrollBar->m_hWnd != m_slider.m_hWnd || code > TB_ENDTRACK) {
        CDialog::OnHScroll(code, position, scrollBar);
        return;
    }
    SeekSeconds(m_slider.GetPos());
    m_nDragging = (code == TB_THUMBPOSITION || code == TB_ENDTRACK) ? 0 : 1;
}

void CDlgSetInput::OnShowWindow(BOOL show, UINT status)
{
    CDialog::OnShowWindow(show, status);
    if (!show) return;
    if (m_bAutoPlay) {
        m_graph.Play();
        m_bAutoPlay = FALSE;
    } else {
        m_graph.Run(FALSE);
    }
}

void CDlgSetInput::OnSegmentCheck() { ApplyEnabling(); }

void CDlgSetInput::OnStartDelta(NMHDR* header, LRESULT* result) { StepSegment(header, result, true); }

void CDlgSetInput::OnEndDelta(NMHDR* header, LRESULT* result) { StepSegment(header, result, false); }

void CDlgSetInput::StepSegment(NMHDR* header, LRESULT* result, bool start)
{
    auto* change = reinterpret_cast<NMUPDOWN*>(header);
    const int seconds = change->iPos + change->iDelta;
    m_graph.Run(FALSE);
    SeekSeconds(seconds);
    // The up-down takes the clamped value rather than its own step, so that
    // it never holds a start beyond the end (or an end before the start).
    if (start)
        SetSegmentStart(seconds, true);
    else
        SetSegmentEnd(seconds, true);
    *result = 1;
}

void CDlgSetInput::OnDelayDelta(NMHDR* header, LRESULT* result)
{
    reinterpret_cast<NMUPDOWN*>(header)->iDelta *= kDelayStepMs;
    *result = 0;
}

void CDlgSetInput::OnStartFocus() { SeekSeconds(m_startSpin.GetPos32()); }

void CDlgSetInput::OnEndFocus() { SeekSeconds(m_endSpin.GetPos32()); }

void CDlgSetInput::OnSetStart() { SetSegmentStart(PositionSeconds(), true); }

void CDlgSetInput::OnSetEnd() { SetSegmentEnd(PositionSeconds(), true); }

void CDlgSetInput::OnDelayChange()
{
    if (m_delaySpin.m_hWnd) m_graph.SetAudioSyncDelay(m_delaySpin.GetPos32());
}

void CDlgSetInput::OnGainChange()
{
    if (m_gainSpin.m_hWnd) m_graph.SetAudioAmplify(m_gainSpin.GetPos32());
}

void CDlgSetInput::OnStreamChange()
{
    const int index = m_streams.GetCurSel();
    if (index >= 0) m_graph.SetAudioStream(index);
}

void CDlgSetInput::OnPlayPause() { m_graph.Run(m_graph.GetPlayState() == kPlayStateRunning ? FALSE : TRUE); }

void CDlgSetInput::OnStop()
{
    m_graph.Seek(0, -1);
    m_graph.Stop();
}

void CDlgSetInput::OnOK()
{
    StoreToJob();
    EndDialog(IDOK);
}

void CDlgSetInput::OnApplyToAll()
{
    StoreToJob();
    EndDialog(static_cast<int>(kApplyToAll));
}
