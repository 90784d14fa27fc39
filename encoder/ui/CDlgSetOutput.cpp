#include "CDlgSetOutput.h"

#include "RivoEncIds.h"
#include "encoder/core/EncPresetList.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/OutputFormat.h"
#include "encoder/ui/CDlgPreset.h"
#include "platform/mfc/CMenu.h"
#include "platform/mfc/CRect.h"
#include "platform/mfc/DataExchange.h"

BEGIN_MESSAGE_MAP(CDlgSetOutput, CDialog)
ON_CBN_SELCHANGE(IDC_OUTPUT_FORMAT, &CDlgSetOutput::OnFormatChange)
ON_BN_CLICKED(IDC_OUTPUT_QUICK, &CDlgSetOutput::OnQuickSettings)
ON_COMMAND_RANGE(CDlgSetOutput::kFirstPresetCommand,
                 CDlgSetOutput::kFirstPresetCommand + CDlgSetOutput::kMostMenuPresets - 1,
                 &CDlgSetOutput::OnPresetCommand)
ON_BN_CLICKED(IDC_OUTPUT_PRESETS, &CDlgSetOutput::OnPresetManager)
ON_BN_CLICKED(IDC_OUTPUT_DEFAULTS, &CDlgSetOutput::OnDefaults)
END_MESSAGE_MAP()

CDlgSetOutput::CDlgSetOutput(CWnd* parent) : CDialog(IDD_SET_OUTPUT, parent) {}

void CDlgSetOutput::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_OUTPUT_FORMAT, m_formats);
    DDX_Control(dx, IDC_OUTPUT_TAB, m_tabs);
}

COutputCodecPage* CDlgSetOutput::CodecPageOf(int format)
{
    COutputCodecPage* const pages[kEncFormatCount] = {&m_codecAvi, &m_codecMp4, &m_codecWmv, &m_codecOgm};
    return pages[OutputFormatOf(format).number];
}

COutputPage* CDlgSetOutput::PageAt(int index)
{
    COutputPage* pages[kPageCount] = {&m_codecAvi, &m_codecWmv, &m_codecMp4, &m_codecOgm, &m_video,
                                      &m_audio,    &m_subtitle, &m_logo,     &m_etc};
    return index >= 0 && index < kPageCount ? pages[index] : nullptr;
}

BOOL CDlgSetOutput::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, IDD_SET_OUTPUT);
    // The list holds the formats in number order: an item's index is the
    // format's number.
    for (const SOutputFormat& format : OutputFormats()) m_formats.AddString(LookupText(format.listTextKey));

    // The pages are children of this window, so that Enter and Escape in a
    // page reach this window's OK and Cancel.
    for (COutputPage* page : {static_cast<COutputPage*>(&m_codecAvi), static_cast<COutputPage*>(&m_codecMp4),
                              static_cast<COutputPage*>(&m_codecWmv), static_cast<COutputPage*>(&m_codecOgm),
                              static_cast<COutputPage*>(&m_video), static_cast<COutputPage*>(&m_audio),
                              static_cast<COutputPage*>(&m_subtitle), static_cast<COutputPage*>(&m_logo),
                              static_cast<COutputPage*>(&m_etc)})
        if (!page->CreatePage(this)) return TRUE;
    m_bPagesMade = true;

    struct Tab {
        const wchar_t* key;
        CWnd* page;
    };
    const Tab tabs[] = {{L"TEXT_ENCTAB_CODEC", &m_codecAvi}, {L"TEXT_ENCTAB_VIDEO", &m_video},
                        {L"TEXT_ENCTAB_AUDIO", &m_audio},    {L"TEXT_ENCTAB_SUBTITLE", &m_subtitle},
                        {L"TEXT_ENCTAB_LOGO", &m_logo},      {L"TEXT_ENCTAB_ETC", &m_etc}};
    for (const Tab& tab : tabs) m_tabs.AddTab(LookupText(tab.key), tab.page, -1);

    const int format = GetEncSettings().nEncFormat;
    m_formats.SetCurSel(OutputFormatOf(format).number);
    ShowCodecPage(format);

    // On the program's first run the user starts from a preset.
    if (GetEncSettings().bIsFirst2) OnPresetManager();
    return TRUE;
}

void CDlgSetOutput::ShowCodecPage(int format) { m_tabs.ReplacePage(0, CodecPageOf(format)); }

void CDlgSetOutput::ExchangeAllPages(BOOL store)
{
    if (!m_bPagesMade) return;
    CEncSettings& settings = GetEncSettings();
    if (store) {
        if (m_formats.GetCurSel() >= 0) settings.nEncFormat = m_formats.GetCurSel();
    } else {
        const int format = settings.nEncFormat;
        m_formats.SetCurSel(OutputFormatOf(format).number);
        ShowCodecPage(format);
    }
    for (int i = 0; i < kPageCount; ++i) PageAt(i)->ExchangeSettings(store);
}

void CDlgSetOutput::WritePagesToSettings() { ExchangeAllPages(TRUE); }

void CDlgSetOutput::OnFormatChange() { ShowCodecPage(m_formats.GetCurSel()); }

void CDlgSetOutput::OnQuickSettings()
{
    CEncPresetList presets(CDlgPreset::PresetsFolder());
    CMenu menu;
    menu.CreatePopupMenu();
    const int shown = presets.GetSize() < kMostMenuPresets ? static_cast<int>(presets.GetSize()) : kMostMenuPresets;
    for (int i = 0; i < shown; ++i) menu.AppendMenu(MF_STRING, kFirstPresetCommand + i, presets[i]->m_sDescLocal);
    CRect button;
    GetDlgItem(IDC_OUTPUT_QUICK)->GetWindowRect(&button);
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, button.left, button.bottom, this);
}

void CDlgSetOutput::OnPresetCommand(UINT command)
{
    // The folder is read again: the preset chosen is the one now at that
    // place.
    CEncPresetList presets(CDlgPreset::PresetsFolder());
    const int index = static_cast<int>(command - kFirstPresetCommand);
    if (index < 0 || index >= presets.GetSize()) return;
    ApplyPresetToSettings(GetEncSettings(), *presets[index]);
    ExchangeAllPages(FALSE);
}

void CDlgSetOutput::OnPresetManager()
{
    CDlgPreset manager(this);
    if (manager.DoModal() == IDOK) ExchangeAllPages(FALSE);
}

void CDlgSetOutput::OnDefaults()
{
    GetEncSettings().SetDefaultSettings();
    ExchangeAllPages(FALSE);
}

void CDlgSetOutput::OnOK()
{
    // A page that refuses its values (it has said why) is shown, and the
    // window stays open.
    for (int i = 0; i < kPageCount && m_bPagesMade; ++i) {
        COutputPage* page = PageAt(i);
        if (page->CheckValues()) continue;
        for (int tab = 0; tab < m_tabs.GetPageCount(); ++tab)
            if (m_tabs.GetPage(tab) == page) m_tabs.SelectTab(tab);
        return;
    }
    ExchangeAllPages(TRUE);
    CEncSettings& settings = GetEncSettings();
    settings.sLastPresetPath.Empty();
    settings.sLastPresetTitle.Empty();
    EndDialog(IDOK);
}
