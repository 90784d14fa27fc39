#include "CDlgOutput_Subtitle.h"

#include <algorithm>

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/ui/pages/ComboSearch.h"
#include "encoder/ui/pages/StoredNumber.h"
#include "platform/mfc/CColorDialog.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(CDlgOutput_Subtitle, COutputPage)
ON_NOTIFY(UDN_DELTAPOS, IDC_SUB_CHARS_SPIN, &CDlgOutput_Subtitle::OnCharsDeltaPos)
ON_CONTROL_RANGE(STN_CLICKED, IDC_SUB_BODY_COLOR, IDC_SUB_SHADOW_COLOR, &CDlgOutput_Subtitle::OnColorClicked)
ON_BN_CLICKED(IDC_SUB_ALPHA_LOCK, &CDlgOutput_Subtitle::OnLockClicked)
ON_WM_HSCROLL()
ON_BN_CLICKED(IDC_SUB_LARGE, &CDlgOutput_Subtitle::OnCharsLarge)
ON_BN_CLICKED(IDC_SUB_NORMAL, &CDlgOutput_Subtitle::OnCharsNormal)
ON_BN_CLICKED(IDC_SUB_SMALL, &CDlgOutput_Subtitle::OnCharsSmall)
END_MESSAGE_MAP()

namespace {

constexpr int kFewestChars = 10;
constexpr int kMostChars = 100;

const int kColorIds[3] = {IDC_SUB_BODY_COLOR, IDC_SUB_OUTLINE_COLOR, IDC_SUB_SHADOW_COLOR};
const int kAlphaIds[3] = {IDC_SUB_BODY_ALPHA, IDC_SUB_OUTLINE_ALPHA, IDC_SUB_SHADOW_ALPHA};
int CEncSettings::*const kColorSettings[3] = {&CEncSettings::nSubBodyColor, &CEncSettings::nSubOutlineColor,
                                              &CEncSettings::nSubShadowColor};
int CEncSettings::*const kAlphaSettings[3] = {&CEncSettings::nSubBodyAlpha, &CEncSettings::nSubOutlineAlpha,
                                              &CEncSettings::nSubShadowAlpha};

// A numeric edit with its spin control and the setting it shows, kept in
// units of 1 / unitsPerOne of the number shown.
struct NumberRow {
    int edit;
    int spin;
    float minimum;
    float maximum;
    float step;
    int unitsPerOne;
    int CEncSettings::*setting;
};

const NumberRow kNumbers[CDlgOutput_Subtitle::kNumberCount] = {
    {IDC_SUB_OUTLINE_WIDTH, IDC_SUB_OUTLINE_SPIN, 0.0f, 4.0f, 0.1f, 10, &CEncSettings::nSubOutlineWidth},
    {IDC_SUB_SHADOW_DEPTH, IDC_SUB_SHADOW_SPIN, 0.0f, 8.0f, 1.0f, 10, &CEncSettings::nSubShadowDepth},
    {IDC_SUB_POS_X, IDC_SUB_POS_X_SPIN, 0.0f, 100.0f, 1.0f, 1, &CEncSettings::nSubPosX},
    {IDC_SUB_POS_Y, IDC_SUB_POS_Y_SPIN, 0.0f, 100.0f, 1.0f, 1, &CEncSettings::nSubPosY},
    {IDC_SUB_MARGIN_X, IDC_SUB_MARGIN_X_SPIN, 0.0f, 100.0f, 1.0f, 1, &CEncSettings::nSubMarginX},
    {IDC_SUB_MARGIN_Y, IDC_SUB_MARGIN_Y_SPIN, 0.0f, 100.0f, 1.0f, 1, &CEncSettings::nSubMarginY},
    {IDC_SUB_CHAR_SPACE, IDC_SUB_CHAR_SP_SPIN, -30.0f, 30.0f, 1.0f, 1, &CEncSettings::nSubCharSpace},
    {IDC_SUB_LINE_SPACE, IDC_SUB_LINE_SP_SPIN, -30.0f, 30.0f, 1.0f, 1, &CEncSettings::nSubLineSpace},
};

struct CheckRow {
    int id;
    BOOL CEncSettings::*setting;
};

const CheckRow kChecks[] = {
    {IDC_SUB_ACTIVE, &CEncSettings::bSubActive},
    {IDC_SUB_BOLD, &CEncSettings::bSubBold},
    {IDC_SUB_BLUR, &CEncSettings::bSubBlur},
};

// A trackbar notification that moves the thumb (every code but the end of
// a drag).
bool MovesThumb(UINT code) { return code <= TB_BOTTOM; }

}  // namespace

CDlgOutput_Subtitle::CDlgOutput_Subtitle() : COutputPage(IDD_OUTPUT_SUBTITLE) {}

void CDlgOutput_Subtitle::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_SUB_FONT, m_fonts);
    DDX_Control(dx, IDC_SUB_CHARS_SPIN, m_chars);
    for (int i = 0; i < 3; ++i) {
        DDX_Control(dx, kColorIds[i], m_colors[i]);
        DDX_Control(dx, kAlphaIds[i], m_alphas[i]);
    }
    for (int i = 0; i < kNumberCount; ++i) {
        DDX_Control(dx, kNumbers[i].edit, m_numberEdits[i]);
        DDX_Control(dx, kNumbers[i].spin, m_numberSpins[i]);
    }
}

BOOL CDlgOutput_Subtitle::OnInitDialog()
{
    COutputPage::OnInitDialog();
    m_fonts.Fill();
    m_chars.SetBuddy(GetDlgItem(IDC_SUB_CHARS));
    // The range runs from the most characters down to the fewest, so the
    // up-down's steps are turned round (OnCharsDeltaPos).
    m_chars.SetRange32(kMostChars, kFewestChars);
    for (CSliderCtrl& alpha : m_alphas) alpha.SetRange(0, 255);
    for (int i = 0; i < kNumberCount; ++i) {
        m_numberSpins[i].SetBuddy(&m_numberEdits[i]);
        m_numberSpins[i].SetRange(kNumbers[i].minimum, kNumbers[i].maximum);
        m_numberSpins[i].SetDelta(kNumbers[i].step);
    }
    ExchangeSettings(FALSE);
    return TRUE;
}

int CDlgOutput_Subtitle::FindFont(const CString& name, bool* itself) const
{
    int item = FindExactItem(m_fonts, name);
    if (item < 0) item = m_fonts.FindFamily(name);
    *itself = item >= 0;
    if (item < 0 && name == L"Gulim") item = FindExactItem(m_fonts, L"굴림");
    if (item < 0) item = FindExactItem(m_fonts, L"Arial");
    return item >= 0 ? item : 0;
}

void CDlgOutput_Subtitle::ExchangeSettings(BOOL store)
{
    CEncSettings& s = GetEncSettings();
    if (store) {
        for (const CheckRow& c : kChecks) s.*c.setting = IsDlgButtonChecked(c.id) ? 1 : 0;
        int font = m_fonts.GetCurSel();
        if (font >= 0 && font == m_nLoadedFontItem)
            s.sSubFontName = m_sLoadedFont;
        else if (font >= 0)
            m_fonts.GetLBText(font, s.sSubFontName);
        s.nSubCharsInLine = m_chars.GetPos32();
        for (int i = 0; i < 3; ++i) {
            s.*kColorSettings[i] = static_cast<int>(m_colors[i].GetColor());
            s.*kAlphaSettings[i] = m_alphas[i].GetPos();
        }
        for (int i = 0; i < kNumberCount; ++i)
            s.*kNumbers[i].setting = ToStoredNumber(m_numberSpins[i].GetValue(), kNumbers[i].unitsPerOne);
        return;
    }
    for (const CheckRow& c : kChecks) CheckDlgButton(c.id, s.*c.setting ? BST_CHECKED : BST_UNCHECKED);
    bool itself = false;
    const int font = FindFont(s.sSubFontName, &itself);
    m_fonts.SetCurSel(font);
    m_sLoadedFont = itself ? s.sSubFontName : CString();
    m_nLoadedFontItem = itself ? font : -1;
    m_chars.SetPos32(s.nSubCharsInLine);
    for (int i = 0; i < 3; ++i) {
        m_colors[i].SetColor(static_cast<COLORREF>(s.*kColorSettings[i]));
        m_alphas[i].SetPos(s.*kAlphaSettings[i]);
    }
    // A stored value outside the range shows as the nearest end of it.
    for (int i = 0; i < kNumberCount; ++i) {
        const NumberRow& n = kNumbers[i];
        float shown = ToShownNumber(s.*n.setting, n.unitsPerOne);
        m_numberSpins[i].SetValue(std::clamp(shown, n.minimum, n.maximum));
    }
}

void CDlgOutput_Subtitle::OnCharsDeltaPos(NMHDR* header, LRESULT* result)
{
    auto* change = reinterpret_cast<NMUPDOWN*>(header);
    change->iDelta = -change->iDelta;
    *result = 0;
}

void CDlgOutput_Subtitle::OnColorClicked(UINT id)
{
    for (HColorStatic& swatch : m_colors) {
        if (static_cast<int>(id) != swatch.GetDlgCtrlID()) continue;
        CColorDialog dialog(swatch.GetColor(), CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR, this);
        if (dialog.DoModal() == IDOK && dialog.GetColor() != swatch.GetColor()) swatch.SetColor(dialog.GetColor());
    }
}

void CDlgOutput_Subtitle::OnLockClicked()
{
    if (!IsDlgButtonChecked(IDC_SUB_ALPHA_LOCK)) return;
    int average = (m_alphas[0].GetPos() + m_alphas[1].GetPos() + m_alphas[2].GetPos()) / 3;
    for (CSliderCtrl& alpha : m_alphas) alpha.SetPos(average);
}

void CDlgOutput_Subtitle::OnHScroll(UINT code, UINT, CWnd* control)
{
    if (!control || !MovesThumb(code) || !IsDlgButtonChecked(IDC_SUB_ALPHA_LOCK)) return;
    for (CSliderCtrl& moved : m_alphas) {
        if (moved.m_hWnd != control->m_hWnd) continue;
        int position = moved.GetPos();
        for (CSliderCtrl& alpha : m_alphas) alpha.SetPos(position);
    }
}

void CDlgOutput_Subtitle::OnCharsLarge() { m_chars.SetPos32(30); }
void CDlgOutput_Subtitle::OnCharsNormal() { m_chars.SetPos32(40); }
void CDlgOutput_Subtitle::OnCharsSmall() { m_chars.SetPos32(50); }
