// The subtitle page of the output settings window: whether subtitles are
// burned into the picture and how they look: font, weight and smoothing,
// characters per line, colours and transparencies of the text, its outline
// and its shadow, outline width, shadow depth, position, margins and
// spacing.
#pragma once

#include "encoder/ui/controls/HColorStatic.h"
#include "encoder/ui/controls/HFontCombo.h"
#include "encoder/ui/controls/HNumEdit.h"
#include "encoder/ui/controls/HNumSpinCtrl.h"
#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/CommonCtrls.h"

class CDlgOutput_Subtitle : public COutputPage {
public:
    static constexpr int kNumberCount = 8;

    CDlgOutput_Subtitle();

    void ExchangeSettings(BOOL store) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnCharsDeltaPos(NMHDR* header, LRESULT* result);
    void OnColorClicked(UINT id);
    void OnLockClicked();
    void OnHScroll(UINT code, UINT pos, CWnd* control);
    void OnCharsLarge();
    void OnCharsNormal();
    void OnCharsSmall();
    DECLARE_MESSAGE_MAP()

private:
    // The font item of the name: the item of that text, else the item of
    // the family that answers to the name in another language (both tell
    // *itself*); when the face is not listed at all, "굴림" for "Gulim",
    // then "Arial", then the first item.
    int FindFont(const CString& name, bool* itself) const;

    HFontCombo m_fonts;
    // The stored face as it was loaded and the item that showed it; while
    // that item stays chosen the face keeps the name it was stored under,
    // whatever language the list names it in.
    CString m_sLoadedFont;
    int m_nLoadedFontItem = -1;
    CSpinButtonCtrl m_chars;
    HColorStatic m_colors[3];
    CSliderCtrl m_alphas[3];
    HNumEdit m_numberEdits[kNumberCount];
    HNumSpinCtrl m_numberSpins[kNumberCount];
};
