// The codec page of AVI output: MPEG-4 family codecs (H.264 while its
// module loads) with MP3 audio.
#pragma once

#include "encoder/ui/pages/CCodecTablePage.h"

class CDlgOutput_CodecAVI : public CCodecTablePage {
public:
    CDlgOutput_CodecAVI();

protected:
    CodecFields Fields(CEncSettings& settings) const override;
};
