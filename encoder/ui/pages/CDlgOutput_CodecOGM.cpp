#include "CDlgOutput_CodecOGM.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "platform/win32/Format.h"

namespace {

const CCodecTablePage::VideoCodecRow kVideoCodecs[] = {
    {L"XviD MPEG-4 Video", L"XVID"},
    {L"ITU-H.264 Video", L"H264"},
};

// The bit rates Vorbis aims at for the qualities 10 down to 0, and the
// constant bit rates offered.
const int kVorbisRates[] = {500, 320, 256, 224, 192, 160, 128, 112, 96, 80, 64};

// Values: mode (1 variable, 0 constant), kbit/s (0 at variable bit rate),
// quality (0 at constant bit rate).
std::vector<CCodecTablePage::AudioFormatRow> AudioFormats()
{
    std::vector<CCodecTablePage::AudioFormatRow> rows;
    for (int i = 0; i < 11; ++i) {
        int quality = 10 - i;
        rows.push_back({CString(FormatText(L"VORBIS, VBR, Quality %-2d (%dkbps)", quality, kVorbisRates[i]).c_str()),
                        {1, 0, quality}});
    }
    for (int kbps : kVorbisRates)
        rows.push_back({CString(FormatText(L"VORBIS, CBR, %3dkbps", kbps).c_str()), {0, kbps, 0}});
    return rows;
}

const CCodecTablePage::Table& OgmTable()
{
    static const std::vector<CCodecTablePage::AudioFormatRow> formats = AudioFormats();
    static const CCodecTablePage::Table table{kVideoCodecs, static_cast<int>(std::size(kVideoCodecs)),
                                              L"Ogg Vorbis Audio", &formats, true};
    return table;
}

}  // namespace

CDlgOutput_CodecOGM::CDlgOutput_CodecOGM() : CCodecTablePage(IDD_OUTPUT_CODEC_OGM, OgmTable()) {}

CCodecTablePage::CodecFields CDlgOutput_CodecOGM::Fields(CEncSettings& settings) const
{
    SCodecSettings& c = settings.OgmEncoder;
    return {&c.fccVideoCodec,   &c.nVideoEncMode, &c.nVideoKBitrate,
            &c.nSecPerKeyframe, &c.nVideoQuality, {&c.nAudioEncMode, &c.nAudioKBitrate, &c.nAudioQuality}};
}
