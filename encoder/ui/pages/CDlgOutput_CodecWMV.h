// The codec page of Windows Media output. Its lists come from the Windows
// Media runtime through the settings record's Windows Media member: the
// installed video and audio codecs (item data: the codec's index in the
// runtime's enumeration) and the audio formats of the chosen audio codec
// at constant bit rate (item data: the format's index), multichannel
// formats left out. Codecs and the format are stored by their names.
#pragma once

#include "encoder/ui/pages/COutputCodecPage.h"

class CDlgOutput_CodecWMV : public COutputCodecPage {
public:
    CDlgOutput_CodecWMV();

    void ExchangeSettings(BOOL store) override;

protected:
    BOOL OnInitDialog() override;
    void OnAudioCodecChange();
    DECLARE_MESSAGE_MAP()

private:
    // The formats of the audio codec whose runtime index is the item data
    // of the audio codec list's item.
    void FillAudioFormats(int codecItem);

    // Without the runtime's codec information the lists stay empty and the
    // settings are neither shown nor changed.
    bool m_bRuntime = false;
};
