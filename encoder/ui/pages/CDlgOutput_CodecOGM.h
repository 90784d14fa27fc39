// The codec page of OGM output: XviD (H.264 while its module loads) with
// Ogg Vorbis audio.
#pragma once

#include "encoder/ui/pages/CCodecTablePage.h"

class CDlgOutput_CodecOGM : public CCodecTablePage {
public:
    CDlgOutput_CodecOGM();

protected:
    CodecFields Fields(CEncSettings& settings) const override;
};
