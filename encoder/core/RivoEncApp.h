// The encoder's application object: start-up in a fixed order (settings,
// language texts, the file-type commands, the update check), then the main
// dialog as the one modal loop of the program, and the clean-up after it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// The main dialog as start-up sees it: made when start-up reaches it, run
// modally, destroyed when it returns.
class IRivoEncMainDialog {
public:
    virtual ~IRivoEncMainDialog() = default;
    virtual INT_PTR DoModal() = 0;
};
using MainDialogFactory = std::function<std::unique_ptr<IRivoEncMainDialog>()>;

// GetLongPathNameW, for the main dialog's file handling; null when the
// system lacks it.
using PFN_GETLONGPATHNAME = DWORD (*)(const wchar_t* shortPath, wchar_t* longPath, DWORD size);
extern PFN_GETLONGPATHNAME g_pfnGetLongPathName;
void LoadLongPathApi();

// 1 for a media file, 2 for a preset file (.ini, .rvp), 0 otherwise, by the
// path's extension without regard to case or surrounding blanks.
int GetFileKindByExtension(const CString& path);

// Whether a command-line argument is a switch: it begins with "/" and the
// name after it (up to "=" or the end) holds no further folder separator,
// and it names no existing file or folder. Any other argument is a source.
bool IsCommandLineSwitch(const CString& argument);

// The command line as one text from the arguments the shell split, such
// that splitting it again gives them back: a source holding blanks, line
// breaks or double quotes (or nothing) goes in double quotes, with its '"'
// and '\' written '\"' and '\\'; the value of a "/name=value" switch,
// which the shell has stripped of its quotes, gets them back, its '&' and
// '"' written "&amp;" and "&quot;".
CString JoinEncoderCommandLine(const std::vector<std::wstring>& arguments);

class CRivoEncApp {
public:
    explicit CRivoEncApp(MainDialogFactory mainDialogFactory);
    CRivoEncApp(const CRivoEncApp&) = delete;
    CRivoEncApp& operator=(const CRivoEncApp&) = delete;

    // Every start-up step; always FALSE, as there is no message loop of the
    // application's own: the main dialog's modal loop is the program's.
    BOOL InitInstance();
    // Saves the settings (unless a file-type command ran), frees the filter
    // modules and ends the component runtime; the program's exit code: in
    // automatic mode the batch report's status (BatchReport), else 0.
    int ExitInstance();

    // The command line after the program name, as one text.
    CString m_lpCmdLine;
    // Set by "/regassoc" and "/unregassoc": the settings are not saved.
    BOOL m_bNoSaveSettings = FALSE;
    // The main dialog while it runs.
    IRivoEncMainDialog* m_pMainWnd = nullptr;

private:
    void ShowUpdateFailure(DWORD exitCode);

    MainDialogFactory m_mainDialogFactory;
    bool m_bComInitialized = false;
};
