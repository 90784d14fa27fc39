#include "CDlgOutput_CodecWMV.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/WmFormatHelpers.h"
#include "encoder/ui/pages/ComboSearch.h"
#include "platform/dshow/MediaType.h"
#include "platform/win32/Format.h"

BEGIN_MESSAGE_MAP(CDlgOutput_CodecWMV, COutputCodecPage)
ON_CBN_SELCHANGE(IDC_CODEC_ACODEC, &CDlgOutput_CodecWMV::OnAudioCodecChange)
END_MESSAGE_MAP()

namespace {

void AddCodecNames(CComboBox& box, const CStringArray& names)
{
    for (int i = 0; i < names.GetSize(); ++i)
        if (!names[i].IsEmpty()) box.SetItemData(box.AddString(names[i]), static_cast<DWORD_PTR>(i));
}

CString WindowText(const CWnd& window)
{
    CString text;
    window.GetWindowText(text);
    return text;
}

}  // namespace

CDlgOutput_CodecWMV::CDlgOutput_CodecWMV() : COutputCodecPage(IDD_OUTPUT_CODEC_WMV) {}

BOOL CDlgOutput_CodecWMV::OnInitDialog()
{
    COutputCodecPage::OnInitDialog();
    const CWmProfileHelper& wm = GetEncSettings().WmvEncoder;
    m_bRuntime = wm.GetCodecInfo() != nullptr;
    if (!m_bRuntime) return TRUE;
    AddCodecNames(m_videoCodecs, wm.GetVideoCodecNames());
    AddCodecNames(m_audioCodecs, wm.GetAudioCodecNames());
    SetUpRateControls();
    SetRate(kBitrate, wm.nVideoKBitrate);
    SetRate(kKeyInterval, wm.nSecPerKeyframe);
    SetRate(kQuality, wm.nVideoQuality);
    SetDlgItemText(IDC_CODEC_BITRATE_EDIT, FormatText(L"%dk", GetRate(kBitrate)).c_str());
    SetDlgItemText(IDC_CODEC_KEY_EDIT, FormatText(L"%dsec", GetRate(kKeyInterval)).c_str());
    SetDlgItemText(IDC_CODEC_QUALITY_EDIT, FormatText(L"%d", GetRate(kQuality)).c_str());
    ExchangeSettings(FALSE);
    return TRUE;
}

void CDlgOutput_CodecWMV::FillAudioFormats(int codecItem)
{
    m_audioFormats.ResetContent();
    const CWmProfileHelper& wm = GetEncSettings().WmvEncoder;
    IWMCodecInfo3* info = wm.GetCodecInfo();
    if (!info || codecItem < 0) return;
    const DWORD codec = static_cast<DWORD>(m_audioCodecs.GetItemData(codecItem));
    // The constant-bit-rate list of the codec.
    SetCodecVBRSettings(info, MEDIATYPE_Audio, codec, FALSE, 0);
    DWORD count = 0;
    if (FAILED(info->GetCodecFormatCount(MEDIATYPE_Audio, codec, &count))) return;
    for (DWORD i = 0; i < count; ++i) {
        CString description;
        if (FAILED(wm.ReadFormatDescription(codec, i, description))) return;
        // The encoder makes mono and stereo sound only.
        if (description.Find(L"5.1") >= 0 || description.Find(L"7.1") >= 0) continue;
        m_audioFormats.SetItemData(m_audioFormats.AddString(description), i);
    }
}

void CDlgOutput_CodecWMV::ExchangeSettings(BOOL store)
{
    if (!m_bRuntime) return;
    CWmProfileHelper& wm = GetEncSettings().WmvEncoder;
    if (store) {
        wm.sVideoCodec = WindowText(m_videoCodecs);
        wm.sAudioCodec = WindowText(m_audioCodecs);
        wm.sAudioFormat = WindowText(m_audioFormats);
        wm.nVideoKBitrate = GetRate(kBitrate);
        wm.nSecPerKeyframe = GetRate(kKeyInterval);
        wm.nVideoQuality = GetRate(kQuality);
        return;
    }
    int video = FindExactItem(m_videoCodecs, wm.sVideoCodec);
    m_videoCodecs.SetCurSel(video >= 0 ? video : 0);
    int audio = FindExactItem(m_audioCodecs, wm.sAudioCodec);
    m_audioCodecs.SetCurSel(audio >= 0 ? audio : 0);
    FillAudioFormats(m_audioCodecs.GetCurSel());
    // The runtime's descriptions may begin with one or two blanks that a
    // stored name lacks; a name found nowhere gives the codec's last (best)
    // format.
    int format = -1;
    for (const wchar_t* lead : {L"", L" ", L"  "})
        if (format < 0) format = FindExactItem(m_audioFormats, CString(lead) + wm.sAudioFormat);
    m_audioFormats.SetCurSel(format >= 0 ? format : m_audioFormats.GetCount() - 1);
    SetRate(kBitrate, wm.nVideoKBitrate);
    SetRate(kKeyInterval, wm.nSecPerKeyframe);
    SetRate(kQuality, wm.nVideoQuality);
}

void CDlgOutput_CodecWMV::OnAudioCodecChange()
{
    FillAudioFormats(m_audioCodecs.GetCurSel());
    m_audioFormats.SetCurSel(m_audioFormats.GetCount() - 1);
}
