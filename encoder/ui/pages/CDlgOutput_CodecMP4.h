// The codec page of MP4 output: MPEG-4 video (H.264 while its module loads)
// with AAC audio, files that play on the PSP, and H.264 limited to the
// Baseline Profile at Level 1.3 (offered for H.264 when the files are not
// made for the PSP).
#pragma once

#include "encoder/ui/pages/CCodecTablePage.h"

class CDlgOutput_CodecMP4 : public CCodecTablePage {
public:
    CDlgOutput_CodecMP4();

    void ExchangeSettings(BOOL store) override;

protected:
    CodecFields Fields(CEncSettings& settings) const override;
    void UpdateEnabling() override;
    void OnCodecChange();
    void OnPspClicked();
    DECLARE_MESSAGE_MAP()
};
