#include "encoder/pipeline/PluginDsp.h"

#include "platform/mfc/CWnd.h"
#include "platform/win32/Module.h"

CPlugin_dsp::CPlugin_dsp(const wchar_t* path)
{
    CPluginDspLoadLibrary(path, nullptr);
    auto getHeader =
        m_hModule ? reinterpret_cast<DspPluginGetHeader>(GetProcAddress(m_hModule, kDspPluginHeaderExport)) : nullptr;
    m_bLoaded = getHeader != nullptr;
    if (getHeader) {
        m_pHeader = getHeader();
        m_sPath = path;
    }
}

CPlugin_dsp::~CPlugin_dsp()
{
    if (m_pCurModule) {
        // A plug-in may leave out the functions it has nothing to do in.
        if (m_pCurModule->Quit) m_pCurModule->Quit(m_pCurModule);
        m_pCurModule->hwndParent = nullptr;
        m_pCurModule->hDllInstance = nullptr;
        m_pCurModule = nullptr;
    }
    m_sPath.Empty();
    Free();
}

DspPluginModule* CPlugin_dsp::ModuleAt(int index) const
{
    return m_pHeader && m_pHeader->getModule ? m_pHeader->getModule(index) : nullptr;
}

DspPluginModule* CPlugin_dsp::SelectModule(int index, HWND parent)
{
    if (!m_pHeader) return nullptr;
    if (ModuleAt(index) == m_pCurModule) return m_pCurModule;
    if (m_pCurModule) {
        if (m_pCurModule->Quit) m_pCurModule->Quit(m_pCurModule);
        m_pCurModule = nullptr;
    }
    m_pCurModule = ModuleAt(index);
    if (m_pCurModule) {
        m_pCurModule->hwndParent = nullptr;
        m_pCurModule->hDllInstance = m_hModule;
        if (m_pCurModule->Init) m_pCurModule->Init(m_pCurModule);
        m_pCurModule->hwndParent = parent;
    }
    return m_pCurModule;
}

DspPluginModule* CPlugin_dsp::PrepareModule(int index)
{
    DspPluginModule* module = ModuleAt(index);
    if (!module) return nullptr;
    CWnd* mainWindow = AfxGetMainWnd();
    module->hwndParent = mainWindow ? mainWindow->m_hWnd : nullptr;
    module->hDllInstance = m_hModule;
    return module;
}
