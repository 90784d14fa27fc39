#include "CDlgOutput_CodecAVI.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "platform/win32/Format.h"

namespace {

const CCodecTablePage::VideoCodecRow kVideoCodecs[] = {
    {L"XviD MPEG-4 Video", L"XVID"},
    {L"DivX MPEG-4 Video v5", L"DX50"},
    {L"DivX MPEG-4 Video v4 (OpenDivX)", L"DIVX"},
    {L"DivX MPEG-4 Video v3", L"DIV3"},
    {L"Microsoft MPEG-4 Video v2", L"MP42"},
    {L"Microsoft MPEG-4 Video v3", L"MP43"},
    {L"ITU-H.264 Video", L"H264"},
};

// MP3 at eight bit rates: variable then constant bit rate at quality 30,
// the same at quality 100. Values: mode (1 variable, 0 constant), kbit/s,
// quality.
std::vector<CCodecTablePage::AudioFormatRow> AudioFormats()
{
    std::vector<CCodecTablePage::AudioFormatRow> rows;
    for (int quality : {30, 100})
        for (int mode : {1, 0})
            for (int kbps : {320, 256, 192, 128, 96, 64, 48, 32})
                rows.push_back(
                    {CString(FormatText(L"%s, %3dkbps, Quality %d", mode ? L"VBR" : L"CBR", kbps, quality).c_str()),
                     {mode, kbps, quality}});
    return rows;
}

const CCodecTablePage::Table& AviTable()
{
    static const std::vector<CCodecTablePage::AudioFormatRow> formats = AudioFormats();
    static const CCodecTablePage::Table table{kVideoCodecs, static_cast<int>(std::size(kVideoCodecs)),
                                              L"MPEG-1 Layer 3 Audio", &formats, true};
    return table;
}

}  // namespace

CDlgOutput_CodecAVI::CDlgOutput_CodecAVI() : CCodecTablePage(IDD_OUTPUT_CODEC_AVI, AviTable()) {}

CCodecTablePage::CodecFields CDlgOutput_CodecAVI::Fields(CEncSettings& settings) const
{
    SCodecSettings& c = settings.AviEncoder;
    return {&c.fccVideoCodec,   &c.nVideoEncMode, &c.nVideoKBitrate,
            &c.nSecPerKeyframe, &c.nVideoQuality, {&c.nAudioEncMode, &c.nAudioKBitrate, &c.nAudioQuality}};
}
