#include "CDlgOutput_CodecMP4.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "platform/win32/Format.h"

BEGIN_MESSAGE_MAP(CDlgOutput_CodecMP4, CCodecTablePage)
ON_CBN_SELCHANGE(IDC_CODEC_VCODEC, &CDlgOutput_CodecMP4::OnCodecChange)
ON_BN_CLICKED(IDC_CODEC_PSP, &CDlgOutput_CodecMP4::OnPspClicked)
END_MESSAGE_MAP()

namespace {

const CCodecTablePage::VideoCodecRow kVideoCodecs[] = {
    {L"MPEG-4 Video", L"mp4v"},
    {L"MPEG-4 AVC / H.264", L"avc1"},
};

// The wave format tag of AAC, the codec of every row.
constexpr int kAac = 0xFF;

// Values: codec, kbit/s, quality.
std::vector<CCodecTablePage::AudioFormatRow> AudioFormats()
{
    std::vector<CCodecTablePage::AudioFormatRow> rows;
    auto add = [&](int kbps, int quality) {
        rows.push_back(
            {CString(FormatText(L"AAC, %3dkbps, Quality %d", kbps, quality).c_str()), {kAac, kbps, quality}});
    };
    for (int kbps : {256, 192, 128, 96, 64, 48, 32, 24}) add(kbps, 30);
    for (int kbps : {256, 192, 160, 128, 96, 64, 48, 32, 24}) add(kbps, 100);
    return rows;
}

const CCodecTablePage::Table& Mp4Table()
{
    static const std::vector<CCodecTablePage::AudioFormatRow> formats = AudioFormats();
    static const CCodecTablePage::Table table{kVideoCodecs, static_cast<int>(std::size(kVideoCodecs)), L"MPEG-4 Audio",
                                              &formats, false};
    return table;
}

}  // namespace

CDlgOutput_CodecMP4::CDlgOutput_CodecMP4() : CCodecTablePage(IDD_OUTPUT_CODEC_MP4, Mp4Table()) {}

CCodecTablePage::CodecFields CDlgOutput_CodecMP4::Fields(CEncSettings& settings) const
{
    SMp4CodecSettings& c = settings.Mp4Encoder;
    return {&c.fccVideoCodec,   &c.nVideoEncMode, &c.nVideoKBitrate,
            &c.nSecPerKeyframe, &c.nVideoQuality, {&c.nAudioCodec, &c.nAudioKBitrate, &c.nAudioQuality}};
}

void CDlgOutput_CodecMP4::ExchangeSettings(BOOL store)
{
    SMp4CodecSettings& c = GetEncSettings().Mp4Encoder;
    if (store) {
        CCodecTablePage::ExchangeSettings(TRUE);
        c.bSupportPSP = IsDlgButtonChecked(IDC_CODEC_PSP) ? 1 : 0;
        c.bH264Baseline13 = IsDlgButtonChecked(IDC_CODEC_BASELINE13) ? 1 : 0;
        return;
    }
    // The boxes first, so that the enabling rule of the load sees them.
    CheckDlgButton(IDC_CODEC_PSP, c.bSupportPSP ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_CODEC_BASELINE13, c.bH264Baseline13 ? BST_CHECKED : BST_UNCHECKED);
    CCodecTablePage::ExchangeSettings(FALSE);
}

void CDlgOutput_CodecMP4::UpdateEnabling()
{
    CCodecTablePage::UpdateEnabling();
    GetDlgItem(IDC_CODEC_BASELINE13)->EnableWindow(SelectedFourcc() == L"avc1" && !IsDlgButtonChecked(IDC_CODEC_PSP));
}

void CDlgOutput_CodecMP4::OnCodecChange() { UpdateEnabling(); }

void CDlgOutput_CodecMP4::OnPspClicked() { UpdateEnabling(); }
