// The host of one Winamp 2.x DSP plug-in: it loads the plug-in file, reads
// its header, and keeps one of its modules selected and initialised for the
// audio treatment filter, which runs the module on the encoded sound.
//
// States: unusable (no header), ready (a header, no current module), running
// (a current module, initialised). All calls are made on the user-interface
// thread. Whoever handed the current module to a graph takes it back from
// the graph before the host is deleted, so that the audio filter never holds
// a module of an unloaded file.
#pragma once

#include "encoder/pipeline/HDll.h"
#include "modules/api/DspPluginApi.h"
#include "platform/win32/CString.h"
#include "platform/win32/WindowMessages.h"

class CPlugin_dsp : public HDll {
public:
    // Loads the file (HDll's loading rule, no alternative path) and calls
    // its header export. Without the file or the export the host has no
    // header and no path, and is unusable; callers test GetHeader.
    explicit CPlugin_dsp(const wchar_t* path);
    // Shuts the current module down (Quit), clears its window and instance,
    // and frees the file.
    virtual ~CPlugin_dsp();

    DspPluginHeader* GetHeader() const { return m_pHeader; }
    // The path given to the constructor; empty for an unusable host.
    CString GetPath() const { return m_sPath; }
    // The current module, null when none.
    DspPluginModule* GetModule() const { return m_pCurModule; }

    // Makes module `index` current and returns it (null without a header or
    // past the last module). Asking for the current module changes nothing.
    // Otherwise the current module is shut down first (Quit), then the new
    // one gets no parent window and the file's instance, is initialised
    // (Init), and only then gets `parent` as its window.
    DspPluginModule* SelectModule(int index, HWND parent);
    // Module `index` made ready for its configuration dialog: its window is
    // the application's main window (null without one) and its instance the
    // file's. Neither selected nor initialised. Null without a header or past
    // the last module.
    DspPluginModule* PrepareModule(int index);

private:
    // The header's module at index; null when the header has no module list.
    DspPluginModule* ModuleAt(int index) const;

    CString m_sPath;
    DspPluginHeader* m_pHeader = nullptr;
    DspPluginModule* m_pCurModule = nullptr;
};
