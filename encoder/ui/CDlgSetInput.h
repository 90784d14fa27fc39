// CDlgSetInput: the source settings window. It plays one job's source in a
// preview pane through its own preview graph (with the job's subtitle burned
// in), and lets the user choose what the encoder takes from the source: a
// segment (with the seek slider, the two buttons or the up-downs), the
// audio stream, an audio delay and an audio gain. OK writes the choices
// into the job; "apply to all" writes them too and answers kApplyToAll so
// that the caller copies them to every job.
#pragma once

#include "encoder/jobs/EncFileInfo.h"
#include "encoder/pipeline/GraphPreview.h"
#include "platform/com/ComPtr.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"

struct ISubPicProvider;

class CDlgSetInput : public CDialog {
public:
    static constexpr INT_PTR kApplyToAll = 17;
    static constexpr UINT_PTR kTimerId = 1000;
    static constexpr UINT kTimerPeriodMs = 500;

    // The job may be null (then nothing is previewed or stored).
    CDlgSetInput(CEncFileInfo* job, BOOL autoPlay, CWnd* parent = nullptr);
    ~CDlgSetInput() override;

    CGraphPreview& Graph() { return m_graph; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    void OnApplyToAll();
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlaybackReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlaybackIgnored(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnHScroll(UINT code, UINT position, CWnd* scrollBar);
    void OnShowWindow(BOOL show, UINT status);
    void OnSegmentCheck();
    void OnStartDelta(NMHDR* header, LRESULT* result);
    void OnEndDelta(NMHDR* header, LRESULT* result);
    void OnDelayDelta(NMHDR* header, LRESULT* result);
    void OnStartFocus();
    void OnEndFocus();
    void OnSetStart();
    void OnSetEnd();
    void OnDelayChange();
    void OnGainChange();
    void OnStreamChange();
    void OnPlayPause();
    void OnStop();
    DECLARE_MESSAGE_MAP()

private:
    bool OpenPreview();
    void ClosePreview();
    void FillStreamList();
    void OpenSubtitle(const CString& path);
    // The segment's ends; with the flag the up-down moves too.
    void SetSegmentStart(int seconds, bool moveUpDown);
    void SetSegmentEnd(int seconds, bool moveUpDown);
    void UpdateSelection();
    // A step of a segment up-down: the preview pauses at the new time and
    // that end of the segment moves there.
    void StepSegment(NMHDR* header, LRESULT* result, bool start);
    void LoadFromJob();
    void StoreToJob();
    void ApplyEnabling();
    // The graph's times in whole seconds.
    int PositionSeconds();
    int DurationSeconds();
    void SeekSeconds(int seconds);
    // The segment up-downs' range: the source's length in seconds.
    void SetSegmentRange(int seconds);

    CEncFileInfo* m_pJob;
    BOOL m_bAutoPlay;
    CGraphPreview m_graph;
    ComPtr<ISubPicProvider> m_pSubtitle;
    CString m_sSourcePath;
    int m_nDragging = 0;

    CSliderCtrl m_slider;
    CSpinButtonCtrl m_startSpin;
    CSpinButtonCtrl m_endSpin;
    CSpinButtonCtrl m_delaySpin;
    CSpinButtonCtrl m_gainSpin;
    CComboBox m_streams;
};
