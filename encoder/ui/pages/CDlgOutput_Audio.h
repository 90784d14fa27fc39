// The audio page of the output settings window: the output sample rate and
// channel count, the volume normaliser, and the DSP plug-in run on the
// sound: the folder looked in, the plug-in file ("dsp_*.so", listed by its
// own description and its file name) and the module within it, whose own
// configuration the page can open.
#pragma once

#include "encoder/pipeline/PluginDsp.h"
#include "encoder/ui/pages/COutputPage.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"
#include "platform/win32/Collections.h"

class CDlgOutput_Audio : public COutputPage {
public:
    static constexpr int kSampleRateCount = 10;

    CDlgOutput_Audio();
    ~CDlgOutput_Audio() override;

    void ExchangeSettings(BOOL store) override;

    // The plug-in paths, parallel to the plug-in list's items (the first,
    // "not used", has the empty path).
    const CStringArray& PluginPaths() const { return m_pluginPaths; }
    // The plug-in of the selected item, loaded; null before the first load.
    CPlugin_dsp* LoadedPlugin() const { return m_pPlugin; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnNormalizeClicked();
    void OnHScroll(UINT code, UINT pos, CWnd* control);
    void OnBrowse();
    void OnPluginChange();
    void OnConfigure();
    DECLARE_MESSAGE_MAP()

private:
    // Lists the plug-ins of the folder that have a header, after "not used";
    // the index of the one whose path is preselect, else 0.
    int ScanFolder(const CString& folder, const CString& preselect);
    // Replaces the loaded plug-in with the one of the selected item.
    void LoadSelectedPlugin();
    // The loaded plug-in's modules, the one at select selected.
    void FillModules(int select);
    void EnableLevel();

    CComboBox m_sampleRates;
    CSliderCtrl m_level;
    CListBox m_plugins;
    CComboBox m_modules;
    CStringArray m_pluginPaths;
    CPlugin_dsp* m_pPlugin = nullptr;
};
