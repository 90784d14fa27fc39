#include "RivoReaderApp.h"

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

int RunRivoReader(const CString& commandLine)
{
    CRivoReaderDlg dialog(commandLine);
    dialog.DoModal();
    return 0;
}
