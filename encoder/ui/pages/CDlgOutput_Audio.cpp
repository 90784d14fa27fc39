#include "CDlgOutput_Audio.h"

#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "foundation/PathHelpers.h"
#include "foundation/gui/BrowseForFolder.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "platform/win32/Format.h"
#include "platform/win32/KernelObject.h"

BEGIN_MESSAGE_MAP(CDlgOutput_Audio, COutputPage)
ON_BN_CLICKED(IDC_AUDIO_NORMALIZE, &CDlgOutput_Audio::OnNormalizeClicked)
ON_WM_HSCROLL()
ON_BN_CLICKED(IDC_AUDIO_BROWSE, &CDlgOutput_Audio::OnBrowse)
ON_LBN_SELCHANGE(IDC_AUDIO_PLUGINS, &CDlgOutput_Audio::OnPluginChange)
ON_BN_CLICKED(IDC_AUDIO_CONFIG, &CDlgOutput_Audio::OnConfigure)
END_MESSAGE_MAP()

namespace {

struct SampleRateRow {
    const wchar_t* text;  // null: the language's "no change"
    int rate;
};

const SampleRateRow kSampleRates[CDlgOutput_Audio::kSampleRateCount] = {
    {nullptr, 0},         {L"48000 Hz", 48000}, {L"44100 Hz", 44100}, {L"32000 Hz", 32000}, {L"24000 Hz", 24000},
    {L"22050 Hz", 22050}, {L"16000 Hz", 16000}, {L"12000 Hz", 12000}, {L"11025 Hz", 11025}, {L"8000 Hz", 8000},
};

// User plug-ins are shared objects named so.
constexpr const wchar_t* kPluginPattern = L"dsp_*.so";

// A plug-in whose module list never ends is not listed past this many.
constexpr int kMostModules = 1000;

CString WithSeparator(const CString& folder)
{
    if (folder.IsEmpty() || IsPathSeparator(folder[folder.GetLength() - 1])) return folder;
    return folder + L"/";
}

// Texts of plug-ins are in the ANSI code page.
CString AnsiText(const char* text) { return text ? CString(MultiByteToWide(CP_ACP, text).c_str()) : CString(); }

}  // namespace

CDlgOutput_Audio::CDlgOutput_Audio() : COutputPage(IDD_OUTPUT_AUDIO) {}

CDlgOutput_Audio::~CDlgOutput_Audio() { delete m_pPlugin; }

void CDlgOutput_Audio::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_AUDIO_RATE, m_sampleRates);
    DDX_Control(dx, IDC_AUDIO_NM_LEVEL, m_level);
    DDX_Control(dx, IDC_AUDIO_PLUGINS, m_plugins);
    DDX_Control(dx, IDC_AUDIO_MODULE, m_modules);
}

BOOL CDlgOutput_Audio::OnInitDialog()
{
    COutputPage::OnInitDialog();
    for (const SampleRateRow& row : kSampleRates)
        m_sampleRates.AddString(row.text ? row.text : LookupText(L"TEXT_NOCHANGE"));
    m_level.SetRange(0, 100);
    ExchangeSettings(FALSE);
    return TRUE;
}

void CDlgOutput_Audio::ExchangeSettings(BOOL store)
{
    CEncSettings& s = GetEncSettings();
    if (store) {
        int rate = m_sampleRates.GetCurSel();
        s.nAudioSRate = kSampleRates[rate >= 0 && rate < kSampleRateCount ? rate : 0].rate;
        // With neither radio checked the channel count stays.
        if (IsDlgButtonChecked(IDC_AUDIO_MONO))
            s.nAudioChannels = 1;
        else if (IsDlgButtonChecked(IDC_AUDIO_STEREO))
            s.nAudioChannels = 2;
        s.bAudioNM = IsDlgButtonChecked(IDC_AUDIO_NORMALIZE) ? 1 : 0;
        s.nAudioNMValue = m_level.GetPos();
        GetDlgItemText(IDC_AUDIO_FOLDER, s.sAudioDspFolder);
        int plugin = m_plugins.GetCurSel();
        if (plugin >= 0 && plugin < m_pluginPaths.GetSize()) s.sAudioCurDspPath = m_pluginPaths[plugin];
        // Without a plug-in there is no module list; the module kept.
        if (m_modules.GetCurSel() >= 0) s.iAudioCurDspMod = m_modules.GetCurSel();
        return;
    }
    int rate = 0;
    for (int i = 0; i < kSampleRateCount; ++i)
        if (kSampleRates[i].rate == s.nAudioSRate) {
            rate = i;
            break;
        }
    m_sampleRates.SetCurSel(rate);
    CheckDlgButton(IDC_AUDIO_MONO, s.nAudioChannels == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_AUDIO_STEREO, s.nAudioChannels == 2 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_AUDIO_NORMALIZE, s.bAudioNM ? BST_CHECKED : BST_UNCHECKED);
    m_level.SetPos(s.nAudioNMValue);
    SetDlgItemText(IDC_AUDIO_NM_VALUE, FormatText(L"%d", m_level.GetPos()).c_str());
    SetDlgItemText(IDC_AUDIO_FOLDER, s.sAudioDspFolder);
    m_plugins.SetCurSel(ScanFolder(s.sAudioDspFolder, s.sAudioCurDspPath));
    LoadSelectedPlugin();
    FillModules(s.iAudioCurDspMod);
    EnableLevel();
}

int CDlgOutput_Audio::ScanFolder(const CString& folder, const CString& preselect)
{
    m_plugins.ResetContent();
    m_pluginPaths.RemoveAll();
    m_plugins.AddString(LookupText(L"TEXT_NOUSE"));
    m_pluginPaths.Add(CString());
    int found = 0;
    if (folder.IsEmpty()) return found;
    const CString base = WithSeparator(folder);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(base + kPluginPattern, &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        CString name = data.cFileName;
        if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        CString path = base + name;
        // Only files that load and give their header are plug-ins.
        CPlugin_dsp plugin(path);
        if (!plugin.GetHeader()) continue;
        const CString description = AnsiText(plugin.GetHeader()->description);
        int item = m_plugins.AddString(FormatText(L"%s   [%s]", description, name).c_str());
        m_pluginPaths.Add(path);
        if (path == preselect) found = item;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

void CDlgOutput_Audio::LoadSelectedPlugin()
{
    delete m_pPlugin;
    m_pPlugin = nullptr;
    int item = m_plugins.GetCurSel();
    CString path = item >= 0 && item < m_pluginPaths.GetSize() ? m_pluginPaths[item] : CString();
    m_pPlugin = new CPlugin_dsp(path);
}

void CDlgOutput_Audio::FillModules(int select)
{
    m_modules.ResetContent();
    if (m_pPlugin)
        for (int i = 0; i < kMostModules; ++i) {
            DspPluginModule* module = m_pPlugin->PrepareModule(i);
            if (!module) break;
            m_modules.AddString(AnsiText(module->description));
        }
    m_modules.SetCurSel(select);
}

void CDlgOutput_Audio::EnableLevel() { m_level.EnableWindow(IsDlgButtonChecked(IDC_AUDIO_NORMALIZE) != 0); }

void CDlgOutput_Audio::OnNormalizeClicked() { EnableLevel(); }

void CDlgOutput_Audio::OnHScroll(UINT, UINT, CWnd* control)
{
    if (control && control->m_hWnd == m_level.m_hWnd)
        SetDlgItemText(IDC_AUDIO_NM_VALUE, FormatText(L"%d", m_level.GetPos()).c_str());
}

void CDlgOutput_Audio::OnBrowse()
{
    CString current;
    GetDlgItemText(IDC_AUDIO_FOLDER, current);
    CString folder = BrowseForFolder(m_hWnd, current, LookupText(L"TEXT_SEL_PLUGINFOLDER"));
    if (folder.IsEmpty()) return;
    folder = WithSeparator(folder);
    SetDlgItemText(IDC_AUDIO_FOLDER, folder);
    m_plugins.SetCurSel(ScanFolder(folder, GetEncSettings().sAudioCurDspPath));
    LoadSelectedPlugin();
    FillModules(0);
}

void CDlgOutput_Audio::OnPluginChange()
{
    LoadSelectedPlugin();
    FillModules(0);
}

void CDlgOutput_Audio::OnConfigure()
{
    if (!m_pPlugin) return;
    // The module chosen in the list is the one configured.
    int index = m_modules.GetCurSel();
    DspPluginModule* module = m_pPlugin->SelectModule(index >= 0 ? index : 0, m_hWnd);
    if (module && module->Config) module->Config(module);
}
