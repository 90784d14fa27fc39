// The logo page of the output settings window: whether a logo is drawn on
// the picture, its image and optional alpha-mask image, the span of time it
// shows in, its transparency and fade, and its position and margins in
// percent of the picture.
#pragma once

#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/CommonCtrls.h"

class CDlgOutput_Logo : public COutputPage {
public:
    CDlgOutput_Logo();

    void ExchangeSettings(BOOL store) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnEnablingChange();
    void OnPercentDeltaPos(UINT id, NMHDR* header, LRESULT* result);
    void OnBrowseImage();
    void OnBrowseAlphaImage();
    DECLARE_MESSAGE_MAP()

private:
    void UpdateEnabling();
    // The chosen image file's path into the edit.
    void BrowseInto(int editId);

    CDateTimeCtrl m_start;
    CDateTimeCtrl m_end;
    CSliderCtrl m_alpha;
    CSpinButtonCtrl m_percents[4];
};
