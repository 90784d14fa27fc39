// What every codec page of the output settings window has: the video codec
// list, the audio codec and audio format lists, and three rate controls
// (bit rate in kbit/s, key-frame interval in seconds, quality), each a
// trackbar with an edit that is the buddy of an up-down. A trackbar move
// puts its position into its up-down; typing in an edit puts the up-down's
// position into the trackbar; the trackbars hold the values stored.
#pragma once

#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"

class COutputCodecPage : public COutputPage {
public:
    using COutputPage::COutputPage;

    enum Rate { kBitrate = 0, kKeyInterval = 1, kQuality = 2 };

protected:
    void DoDataExchange(CDataExchange* dx) override;
    // The edits become the up-downs' buddies; the ranges 10..4096, 1..20 and
    // 1..100 go to the up-downs and the trackbars, whose page sizes are 100
    // (bit rate) and 10 (quality).
    void SetUpRateControls();
    // The value goes to the trackbar and the up-down (and so the edit).
    void SetRate(Rate rate, int value);
    // The trackbar's position.
    int GetRate(Rate rate) const;
    // The trackbar, the edit and the up-down together.
    void EnableRate(Rate rate, BOOL enable);

    void OnHScroll(UINT code, UINT pos, CWnd* control);
    void OnRateEditChange(UINT id);
    DECLARE_MESSAGE_MAP()

    CComboBox m_videoCodecs;
    CComboBox m_audioCodecs;
    CComboBox m_audioFormats;
    CSliderCtrl m_rateSliders[3];
    CSpinButtonCtrl m_rateSpins[3];
};
