#include "CCodecTablePage.h"

#include "RivoEncIds.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/H264Module.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(CCodecTablePage, COutputCodecPage)
ON_CBN_SELCHANGE(IDC_CODEC_MODE, &CCodecTablePage::OnModeChange)
END_MESSAGE_MAP()

CCodecTablePage::CCodecTablePage(UINT templateId, const Table& table) : COutputCodecPage(templateId), m_table(table) {}

void CCodecTablePage::DoDataExchange(CDataExchange* dx)
{
    COutputCodecPage::DoDataExchange(dx);
    DDX_Control(dx, IDC_CODEC_MODE, m_modes);
}

BOOL CCodecTablePage::OnInitDialog()
{
    COutputCodecPage::OnInitDialog();
    // The H.264 row is the table's last; without the module it is left out.
    int shown = m_table.videoCount;
    if (!CanLoadH264Module()) --shown;
    for (int i = 0; i < shown; ++i) m_videoCodecs.AddString(m_table.video[i].name);
    for (const wchar_t* key : {L"TEXT_ENCVIDEO_1PASS_CBR", L"TEXT_ENCVIDEO_1PASS_VBR", L"TEXT_ENCVIDEO_2PASS"})
        m_modes.AddString(LookupText(key));
    m_audioCodecs.AddString(m_table.audioCodec);
    for (const AudioFormatRow& row : *m_table.audioFormats) m_audioFormats.AddString(row.text);
    SetUpRateControls();
    ExchangeSettings(FALSE);
    return TRUE;
}

CString CCodecTablePage::SelectedFourcc() const
{
    int row = m_videoCodecs.GetCurSel();
    return row >= 0 && row < m_table.videoCount ? CString(m_table.video[row].fourcc) : CString();
}

void CCodecTablePage::ExchangeSettings(BOOL store)
{
    CodecFields f = Fields(GetEncSettings());
    const std::vector<AudioFormatRow>& formats = *m_table.audioFormats;
    if (store) {
        // With no selection (a stored H.264 code whose row is hidden) the
        // code is kept.
        CString fourcc = SelectedFourcc();
        if (!fourcc.IsEmpty()) *f.fourcc = StringToFourcc(fourcc);
        if (m_modes.GetCurSel() >= 0) *f.mode = m_modes.GetCurSel();
        *f.bitrate = GetRate(kBitrate);
        *f.keyInterval = GetRate(kKeyInterval);
        *f.quality = GetRate(kQuality);
        int row = m_audioFormats.GetCurSel();
        if (row >= 0 && row < static_cast<int>(formats.size()))
            for (int i = 0; i < 3; ++i) *f.audio[i] = formats[row].values[i];
        return;
    }

    // Every row counts, the hidden H.264 row too: its code then leaves the
    // list without selection.
    CString fourcc = FourccToString(*f.fourcc);
    int codec = 0;
    for (int i = 0; i < m_table.videoCount; ++i)
        if (fourcc == m_table.video[i].fourcc) {
            codec = i;
            break;
        }
    m_videoCodecs.SetCurSel(codec < m_videoCodecs.GetCount() ? codec : -1);
    m_modes.SetCurSel(*f.mode);
    SetRate(kBitrate, *f.bitrate);
    SetRate(kKeyInterval, *f.keyInterval);
    SetRate(kQuality, *f.quality);
    UpdateEnabling();
    m_audioCodecs.SetCurSel(0);
    int match = -1;
    for (size_t r = 0; r < formats.size() && match < 0; ++r) {
        const int* v = formats[r].values;
        if ((!m_table.matchFirstAudioValue || v[0] == *f.audio[0]) && v[1] == *f.audio[1] && v[2] == *f.audio[2])
            match = static_cast<int>(r);
    }
    m_audioFormats.SetCurSel(match);
}

void CCodecTablePage::UpdateEnabling()
{
    const bool quality = m_modes.GetCurSel() == 1;
    EnableRate(kBitrate, !quality);
    EnableRate(kQuality, quality);
    EnableRate(kKeyInterval, TRUE);
}

void CCodecTablePage::OnModeChange() { UpdateEnabling(); }
