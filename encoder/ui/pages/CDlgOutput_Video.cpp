#include "CDlgOutput_Video.h"

#include <numeric>

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/Format.h"

BEGIN_MESSAGE_MAP(CDlgOutput_Video, COutputPage)
ON_CBN_SELCHANGE(IDC_VIDEO_SIZE, &CDlgOutput_Video::OnSizeChoice)
ON_EN_CHANGE(IDC_EDIT_X, &CDlgOutput_Video::OnSizeEdit)
ON_EN_CHANGE(IDC_EDIT_Y, &CDlgOutput_Video::OnSizeEdit)
ON_BN_CLICKED(IDC_VIDEO_DEBLOCK, &CDlgOutput_Video::OnEnablingChange)
ON_BN_CLICKED(IDC_VIDEO_BLUR, &CDlgOutput_Video::OnEnablingChange)
ON_BN_CLICKED(IDC_VIDEO_SHARPEN, &CDlgOutput_Video::OnEnablingChange)
ON_BN_CLICKED(IDC_VIDEO_STRETCH, &CDlgOutput_Video::OnEnablingChange)
ON_CBN_SELCHANGE(IDC_VIDEO_RATIO, &CDlgOutput_Video::OnEnablingChange)
ON_BN_CLICKED(IDC_VIDEO_BRIGHTNESS_RESET, &CDlgOutput_Video::OnResetBrightness)
ON_BN_CLICKED(IDC_VIDEO_CONTRAST_RESET, &CDlgOutput_Video::OnResetContrast)
ON_BN_CLICKED(IDC_VIDEO_SATURATION_RESET, &CDlgOutput_Video::OnResetSaturation)
ON_BN_CLICKED(IDC_VIDEO_HUE_RESET, &CDlgOutput_Video::OnResetHue)
END_MESSAGE_MAP()

namespace {

struct SizeRow {
    const wchar_t* text;  // a language key for the rows without a size of their own
    int width;
    int height;
};

const SizeRow kSizes[CDlgOutput_Video::kSizeCount] = {
    {L"TEXT_NOCHANGE", 0, 0},        {L"160 x 120", 160, 120},         {L"176 x 120", 176, 120},
    {L"176 x 144 (QCIF)", 176, 144}, {L"240 x 180", 240, 180},         {L"320 x 240 (QVGA)", 320, 240},
    {L"352 x 288 (CIF)", 352, 288},  {L"400 x 240 (WQVGA)", 400, 240}, {L"400 x 300", 400, 300},
    {L"480 x 360", 480, 360},        {L"480 x 272", 480, 272},         {L"576 x 432", 576, 432},
    {L"640 x 360", 640, 360},        {L"640 x 480 (VGA)", 640, 480},   {L"800 x 480 (WVGA)", 800, 480},
    {L"800 x 600 (SVGA)", 800, 600}, {L"960 x 540", 960, 540},         {L"1280 x 720 (HD 720)", 1280, 720},
    {L"TEXT_VIDEO_SIZE_WA", 0, 0},   {L"TEXT_VIDEO_SIZE_HA", 0, 0},    {L"TEXT_USERDEFINE", 0, 0},
};

bool IsLanguageKey(const wchar_t* text) { return std::wstring_view(text).starts_with(L"TEXT_"); }

// Frames per second = rate / scale; 0 and 0 keep the source's rate.
struct FrameRateRow {
    int rate;
    int scale;
};

const FrameRateRow kFrameRates[CDlgOutput_Video::kFrameRateCount] = {
    {0, 0},        {5000, 1000},  {6000, 1000},  {7000, 1000},  {7500, 1000},  {8000, 1000},
    {9000, 1000},  {10000, 1000}, {11000, 1000}, {12000, 1000}, {12500, 1000}, {13000, 1000},
    {14000, 1000}, {15000, 1000}, {16000, 1000}, {17000, 1000}, {18000, 1000}, {19000, 1000},
    {20000, 1000}, {23976, 1000}, {24000, 1000}, {25000, 1000}, {29970, 1000}, {30000, 1000},
};

constexpr int kMaxSize = 3000;

// Trackbars of the adjustments, in the settings' order: brightness,
// contrast, saturation, hue.
const int kAdjustments[4] = {IDC_VIDEO_BRIGHTNESS, IDC_VIDEO_CONTRAST, IDC_VIDEO_SATURATION, IDC_VIDEO_HUE};
// The middle of an adjustment, where it changes nothing.
constexpr int kNeutral = 50;

struct CheckRow {
    int id;
    BOOL CEncSettings::*setting;
};

const CheckRow kChecks[] = {
    {IDC_VIDEO_DEBLOCK, &CEncSettings::bVideoDeblock}, {IDC_VIDEO_DEBLOCK_MORE, &CEncSettings::bVideoDeblockMore},
    {IDC_VIDEO_BLUR, &CEncSettings::bVideoBlur},       {IDC_VIDEO_BLUR_MORE, &CEncSettings::bVideoBlurMore},
    {IDC_VIDEO_SHARPEN, &CEncSettings::bVideoSharpen}, {IDC_VIDEO_SHARPEN_MORE, &CEncSettings::bVideoSharpenMore},
    {IDC_VIDEO_FLIP, &CEncSettings::bVideoFlip},       {IDC_VIDEO_DEINTERLACE, &CEncSettings::bVideoDeinterlace},
};

}  // namespace

CDlgOutput_Video::CDlgOutput_Video() : COutputPage(IDD_OUTPUT_VIDEO) {}

void CDlgOutput_Video::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_VIDEO_SIZE, m_sizes);
    DDX_Control(dx, IDC_VIDEO_RATIO, m_ratioMethods);
    DDX_Control(dx, IDC_VIDEO_RATE, m_frameRates);
    DDX_Control(dx, IDC_SPIN_X, m_width);
    DDX_Control(dx, IDC_SPIN_Y, m_height);
    for (int i = 0; i < 4; ++i) DDX_Control(dx, kAdjustments[i], m_adjustments[i]);
}

BOOL CDlgOutput_Video::OnInitDialog()
{
    COutputPage::OnInitDialog();
    for (const SizeRow& row : kSizes) m_sizes.AddString(IsLanguageKey(row.text) ? LookupText(row.text) : row.text);
    m_width.SetBuddy(GetDlgItem(IDC_EDIT_X));
    m_height.SetBuddy(GetDlgItem(IDC_EDIT_Y));
    m_width.SetRange32(0, kMaxSize);
    m_height.SetRange32(0, kMaxSize);
    for (const wchar_t* key : {L"TEXT_VIDEO_RATIO_PAD", L"TEXT_VIDEO_RATIO_CROP", L"TEXT_VIDEO_RATIO_AUTO"})
        m_ratioMethods.AddString(LookupText(key));
    for (const FrameRateRow& row : kFrameRates)
        m_frameRates.AddString(row.rate ? FormatText(L"%.3f", row.rate / 1000.0).c_str()
                                        : LookupText(L"TEXT_NOCHANGE"));
    for (CSliderCtrl& adjustment : m_adjustments) adjustment.SetRange(0, 100);
    ExchangeSettings(FALSE);
    m_bLoaded = true;
    return TRUE;
}

void CDlgOutput_Video::ExchangeSettings(BOOL store)
{
    CEncSettings& s = GetEncSettings();
    int* adjustments[4] = {&s.nVideoBrightness, &s.nVideoContrast, &s.nVideoSaturation, &s.nVideoHue};
    if (store) {
        s.nVideoSizeW = m_width.GetPos32();
        s.nVideoSizeH = m_height.GetPos32();
        if (m_ratioMethods.GetCurSel() >= 0) s.nVideoRatioMethod = m_ratioMethods.GetCurSel();
        s.bVideoKeepRatio = IsDlgButtonChecked(IDC_VIDEO_STRETCH) ? 0 : 1;
        int rate = m_frameRates.GetCurSel();
        if (rate < 0) rate = 0;
        s.nVideoFrameRate = kFrameRates[rate].rate;
        s.nVideoFrameScale = kFrameRates[rate].scale;
        for (int i = 0; i < 4; ++i) *adjustments[i] = m_adjustments[i].GetPos();
        for (const CheckRow& c : kChecks) s.*c.setting = IsDlgButtonChecked(c.id) ? 1 : 0;
        return;
    }
    m_width.SetPos32(s.nVideoSizeW);
    m_height.SetPos32(s.nVideoSizeH);
    int size = -1;
    for (int i = 0; i <= kSizeLast && size < 0; ++i)
        if (kSizes[i].width == s.nVideoSizeW && kSizes[i].height == s.nVideoSizeH) size = i;
    if (size < 0) size = s.nVideoSizeW && s.nVideoSizeH ? kSizeUser : s.nVideoSizeW ? kSizeWidthOnly : kSizeHeightOnly;
    m_sizes.SetCurSel(size);
    m_ratioMethods.SetCurSel(s.nVideoRatioMethod);
    CheckDlgButton(IDC_VIDEO_STRETCH, s.bVideoKeepRatio ? BST_UNCHECKED : BST_CHECKED);
    int rate = 0;
    for (int i = 0; i < kFrameRateCount && !rate; ++i)
        if (kFrameRates[i].rate == s.nVideoFrameRate && kFrameRates[i].scale == s.nVideoFrameScale) rate = i;
    m_frameRates.SetCurSel(rate);
    for (int i = 0; i < 4; ++i) m_adjustments[i].SetPos(*adjustments[i]);
    for (const CheckRow& c : kChecks) CheckDlgButton(c.id, s.*c.setting ? BST_CHECKED : BST_UNCHECKED);
    ApplySizeChoice();
    ShowAspect();
    UpdateEnabling();
}

void CDlgOutput_Video::ApplySizeChoice()
{
    int item = m_sizes.GetCurSel();
    if (item < 0) return;
    bool width = item >= kSizeWidthOnly && item != kSizeHeightOnly;
    bool height = item >= kSizeHeightOnly;
    if (item <= kSizeLast) {
        m_width.SetPos32(kSizes[item].width);
        m_height.SetPos32(kSizes[item].height);
    } else if (item == kSizeWidthOnly) {
        m_height.SetPos32(0);
    } else if (item == kSizeHeightOnly) {
        m_width.SetPos32(0);
    }
    for (int id : {IDC_EDIT_X, IDC_SPIN_X}) GetDlgItem(id)->EnableWindow(width);
    for (int id : {IDC_EDIT_Y, IDC_SPIN_Y}) GetDlgItem(id)->EnableWindow(height);
}

void CDlgOutput_Video::ShowAspect()
{
    int w = m_width.GetPos32();
    int h = m_height.GetPos32();
    if (w > 0 && h > 0) {
        int d = std::gcd(w, h);
        SetDlgItemText(IDC_VIDEO_ASPECT, FormatText(L"%d : %d", w / d, h / d).c_str());
    } else {
        SetDlgItemText(IDC_VIDEO_ASPECT, L"? : ?");
    }
}

void CDlgOutput_Video::UpdateEnabling()
{
    bool sized = m_width.GetPos32() != 0 && m_height.GetPos32() != 0;
    GetDlgItem(IDC_VIDEO_STRETCH)->EnableWindow(sized);
    GetDlgItem(IDC_VIDEO_RATIO)->EnableWindow(sized && !IsDlgButtonChecked(IDC_VIDEO_STRETCH));
    GetDlgItem(IDC_VIDEO_DEBLOCK_MORE)->EnableWindow(IsDlgButtonChecked(IDC_VIDEO_DEBLOCK));
    GetDlgItem(IDC_VIDEO_BLUR_MORE)->EnableWindow(IsDlgButtonChecked(IDC_VIDEO_BLUR));
    GetDlgItem(IDC_VIDEO_SHARPEN_MORE)->EnableWindow(IsDlgButtonChecked(IDC_VIDEO_SHARPEN));
}

void CDlgOutput_Video::OnSizeChoice()
{
    ApplySizeChoice();
    ShowAspect();
    UpdateEnabling();
}

void CDlgOutput_Video::OnSizeEdit()
{
    // The edits change while the page is being built, before every control
    // is there.
    if (!m_bLoaded) return;
    ShowAspect();
    UpdateEnabling();
}

void CDlgOutput_Video::OnEnablingChange() { UpdateEnabling(); }

void CDlgOutput_Video::OnResetBrightness() { m_adjustments[0].SetPos(kNeutral); }
void CDlgOutput_Video::OnResetContrast() { m_adjustments[1].SetPos(kNeutral); }
void CDlgOutput_Video::OnResetSaturation() { m_adjustments[2].SetPos(kNeutral); }
void CDlgOutput_Video::OnResetHue() { m_adjustments[3].SetPos(kNeutral); }
