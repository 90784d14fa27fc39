#include "COutputCodecPage.h"

#include "RivoEncIds.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(COutputCodecPage, COutputPage)
ON_WM_HSCROLL()
ON_CONTROL_RANGE(EN_CHANGE, IDC_CODEC_BITRATE_EDIT, IDC_CODEC_QUALITY_EDIT, &COutputCodecPage::OnRateEditChange)
END_MESSAGE_MAP()

namespace {

struct RateControls {
    int slider;
    int edit;
    int spin;
    int minimum;
    int maximum;
    int pageSize;  // 0: the trackbar's own
};

const RateControls kRates[3] = {
    {IDC_CODEC_BITRATE, IDC_CODEC_BITRATE_EDIT, IDC_NUMBER1, 10, 4096, 100},
    {IDC_CODEC_KEY, IDC_CODEC_KEY_EDIT, IDC_NUMBER2, 1, 20, 0},
    {IDC_CODEC_QUALITY, IDC_CODEC_QUALITY_EDIT, IDC_NUMBER3, 1, 100, 10},
};

}  // namespace

void COutputCodecPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_CODEC_VCODEC, m_videoCodecs);
    DDX_Control(dx, IDC_CODEC_ACODEC, m_audioCodecs);
    DDX_Control(dx, IDC_CODEC_AFORMAT, m_audioFormats);
    for (int i = 0; i < 3; ++i) {
        DDX_Control(dx, kRates[i].slider, m_rateSliders[i]);
        DDX_Control(dx, kRates[i].spin, m_rateSpins[i]);
    }
}

void COutputCodecPage::SetUpRateControls()
{
    for (int i = 0; i < 3; ++i) {
        const RateControls& r = kRates[i];
        m_rateSpins[i].SetBuddy(GetDlgItem(r.edit));
        m_rateSpins[i].SetRange32(r.minimum, r.maximum);
        m_rateSliders[i].SetRange(r.minimum, r.maximum);
        if (r.pageSize) m_rateSliders[i].SetPageSize(r.pageSize);
    }
}

void COutputCodecPage::SetRate(Rate rate, int value)
{
    m_rateSliders[rate].SetPos(value);
    m_rateSpins[rate].SetPos32(value);
}

int COutputCodecPage::GetRate(Rate rate) const { return m_rateSliders[rate].GetPos(); }

void COutputCodecPage::EnableRate(Rate rate, BOOL enable)
{
    m_rateSliders[rate].EnableWindow(enable);
    GetDlgItem(kRates[rate].edit)->EnableWindow(enable);
    m_rateSpins[rate].EnableWindow(enable);
}

void COutputCodecPage::OnHScroll(UINT, UINT, CWnd* control)
{
    for (int i = 0; i < 3; ++i)
        if (control && control->m_hWnd == m_rateSliders[i].m_hWnd) m_rateSpins[i].SetPos32(m_rateSliders[i].GetPos());
}

void COutputCodecPage::OnRateEditChange(UINT id)
{
    for (int i = 0; i < 3; ++i)
        if (static_cast<int>(id) == kRates[i].edit && m_rateSpins[i].m_hWnd && m_rateSliders[i].m_hWnd)
            m_rateSliders[i].SetPos(m_rateSpins[i].GetPos32());
}
