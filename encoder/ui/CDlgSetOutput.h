// The output settings window: the output format and, on the pages of its
// tab control, the codec settings of that format (the codec page on the
// first tab changes with the format list), the video, audio, subtitle,
// logo and miscellaneous settings. Three shortcuts rewrite the settings
// record at once: the quick-settings menu of the presets folder, the
// preset manager and the defaults; the pages are loaded again after each.
// OK writes every page into the settings record; Cancel drops what was
// edited since the last load.
#pragma once

#include "encoder/ui/SettingsPagesOwner.h"
#include "encoder/ui/controls/CMultiTabCtrl.h"
#include "encoder/ui/pages/CDlgOutput_Audio.h"
#include "encoder/ui/pages/CDlgOutput_CodecAVI.h"
#include "encoder/ui/pages/CDlgOutput_CodecMP4.h"
#include "encoder/ui/pages/CDlgOutput_CodecOGM.h"
#include "encoder/ui/pages/CDlgOutput_CodecWMV.h"
#include "encoder/ui/pages/CDlgOutput_Etc.h"
#include "encoder/ui/pages/CDlgOutput_Logo.h"
#include "encoder/ui/pages/CDlgOutput_Subtitle.h"
#include "encoder/ui/pages/CDlgOutput_Video.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/StandardCtrls.h"

class CDlgSetOutput : public CDialog, public ISettingsPagesOwner {
public:
    // Commands of the quick-settings menu: the first one applies the
    // presets folder's first preset; at most this many presets are offered.
    static constexpr UINT kFirstPresetCommand = 60000;
    static constexpr int kMostMenuPresets = 100;

    explicit CDlgSetOutput(CWnd* parent = nullptr);

    // Stores every page into the settings record.
    void WritePagesToSettings() override;

    // The page of the format's codec settings (the AVI page for a format
    // that is none of the four).
    COutputCodecPage* CodecPageOf(int format);
    // The pages in the order of the exchange.
    static constexpr int kPageCount = 9;
    COutputPage* PageAt(int index);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnFormatChange();
    void OnQuickSettings();
    void OnPresetCommand(UINT command);
    void OnPresetManager();
    void OnDefaults();
    DECLARE_MESSAGE_MAP()

private:
    // store TRUE: the format list and every page into the settings record;
    // FALSE: the settings record into them.
    void ExchangeAllPages(BOOL store);
    void ShowCodecPage(int format);

    CComboBox m_formats;
    CMultiTabCtrl m_tabs;
    CDlgOutput_CodecAVI m_codecAvi;
    CDlgOutput_CodecMP4 m_codecMp4;
    CDlgOutput_CodecWMV m_codecWmv;
    CDlgOutput_CodecOGM m_codecOgm;
    CDlgOutput_Video m_video;
    CDlgOutput_Audio m_audio;
    CDlgOutput_Subtitle m_subtitle;
    CDlgOutput_Logo m_logo;
    CDlgOutput_Etc m_etc;
    bool m_bPagesMade = false;
};
