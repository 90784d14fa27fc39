#include "RivoReaderApp.h"

#include <cwctype>

#include "RivoReaderDlg.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/NativePath.h"

CString JoinCommandLine(int argc, char** argv)
{
    std::wstring text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += L' ';
        text += FromNativePath(argv[i]);
    }
    return CString(text);
}

CommandSwitch ParseSwitch(const CString& commandLine)
{
    std::wstring lower = commandLine.str();
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    if (lower == L"/regassoc") return CommandSwitch::RegisterAssociations;
    if (lower == L"/unregassoc") return CommandSwitch::UnregisterAssociations;
    return CommandSwitch::None;
}

int RunRivoReader(const CString& commandLine)
{
    CRivoReaderDlg dialog(commandLine);
    dialog.DoModal();
    return 0;
}
