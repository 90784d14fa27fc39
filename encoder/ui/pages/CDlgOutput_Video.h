// The video page of the output settings window: the output picture size
// (chosen from a list of sizes or typed), what is done when the picture's
// proportions differ, the frame rate, four picture adjustments and the
// video effects.
#pragma once

#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"

class CDlgOutput_Video : public COutputPage {
public:
    // Indexes of the size list: the sizes of their own end at 17.
    enum { kSizeLast = 17, kSizeWidthOnly = 18, kSizeHeightOnly = 19, kSizeUser = 20, kSizeCount = 21 };
    static constexpr int kFrameRateCount = 24;

    CDlgOutput_Video();

    void ExchangeSettings(BOOL store) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnSizeChoice();
    void OnSizeEdit();
    void OnEnablingChange();
    // Each puts its adjustment back to the middle.
    void OnResetBrightness();
    void OnResetContrast();
    void OnResetSaturation();
    void OnResetHue();
    DECLARE_MESSAGE_MAP()

private:
    // The edits and up-downs of the size list's item.
    void ApplySizeChoice();
    // "w : h" reduced, or "? : ?".
    void ShowAspect();
    void UpdateEnabling();

    CComboBox m_sizes;
    CComboBox m_ratioMethods;
    CComboBox m_frameRates;
    CSpinButtonCtrl m_width;
    CSpinButtonCtrl m_height;
    CSliderCtrl m_adjustments[4];
    bool m_bLoaded = false;
};
