#include "CPageSetFilter.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "platform/mfc/DataExchange.h"

namespace {
constexpr DWORD kListStyle = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_CHECKBOXES;  // 0x424
}  // namespace

const CPageSetFilter::KnownFilter CPageSetFilter::kFilters[7] = {
    {L"ffdshow MPEG-4 Video Decoder",
     {0x04FE9017, 0xF873, 0x410E, {0x87, 0x1E, 0xAB, 0x91, 0x66, 0x1A, 0x4E, 0xF7}},
     L"TEXT_OPTION_FILTER_COMMENT0"},
    {L"ffdshow Audio Decoder",
     {0x0F40E1E5, 0x4F79, 0x4988, {0xB1, 0xA9, 0xCC, 0x98, 0x79, 0x4E, 0x6B, 0x55}},
     L"TEXT_OPTION_FILTER_COMMENT1"},
    {L"DirectVobSub",
     {0x9852A670, 0xF845, 0x491B, {0x9B, 0xE6, 0xEB, 0xD8, 0x41, 0xB8, 0xA6, 0x13}},
     L"TEXT_OPTION_FILTER_COMMENT2"},
    {L"DivXG400",
     {0x9D2935C7, 0x3D8B, 0x4EF6, {0xB0, 0xD1, 0xC1, 0x40, 0x64, 0x69, 0x87, 0x94}},
     L"TEXT_OPTION_FILTER_COMMENT3"},
    {L"DivXG400 (Force)",
     {0x8CE3343E, 0x2289, 0x4BAE, {0xAE, 0x57, 0x51, 0x06, 0xA4, 0x0A, 0xF5, 0x52}},
     L"TEXT_OPTION_FILTER_COMMENT4"},
    {L"MagicSpeed",
     {0x2084189C, 0xB81E, 0x4341, {0xB6, 0xB8, 0x2D, 0xD2, 0xBC, 0x82, 0x07, 0xFF}},
     L"TEXT_OPTION_FILTER_COMMENT5"},
    {L"MySpeed",
     {0x44239A46, 0xA152, 0x4382, {0x83, 0xD2, 0x2E, 0x31, 0x8D, 0x7C, 0xF7, 0x39}},
     L"TEXT_OPTION_FILTER_COMMENT6"},
};

CPageSetFilter::CPageSetFilter() : CPropertyPage(IDD_OPTION_FILTER) {}

void CPageSetFilter::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_OPTION_FILTER_LIST, m_list); }

BOOL CPageSetFilter::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_OPTION_FILTER);
    m_list.SetExtendedStyle(kListStyle);
    m_list.InsertColumn(0, LookupText(L"TEXT_OPTION_FILTER_HEAD0"), LVCFMT_LEFT, 180);
    m_list.InsertColumn(1, LookupText(L"TEXT_OPTION_FILTER_HEAD1"), LVCFMT_LEFT, 300);
    // The comments are the language's of this run; the table caches them.
    for (int i = 0; i < static_cast<int>(std::size(kFilters)); ++i) {
        int row = m_list.InsertItem(i, kFilters[i].name);
        m_list.SetItemText(row, 1, LookupText(kFilters[i].commentKey));
    }
    Load();
    return TRUE;
}

void CPageSetFilter::Load()
{
    const CBlockFilterList& blocked = GetEncSettings().BlockFilters;
    for (int i = 0; i < static_cast<int>(std::size(kFilters)); ++i)
        m_list.SetCheck(i, blocked.Contains(kFilters[i].clsid) ? TRUE : FALSE);
}

void CPageSetFilter::Apply()
{
    CBlockFilterList& blocked = GetEncSettings().BlockFilters;
    blocked.RemoveAll();
    for (int i = 0; i < static_cast<int>(std::size(kFilters)); ++i)
        if (m_list.GetCheck(i)) blocked.Add(kFilters[i].clsid);
}
