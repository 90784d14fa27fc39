// RivoReader: analyses media files named on the command line, dropped on the
// window or chosen in it, and shows their reports. "/regassoc" and
// "/unregassoc" (any letter case) add or remove its "Open With" entry and end
// without a window.
#include "RivoReaderIds.h"
#include "platform/win32/Folders.h"
#include "platform/win32/gui/DesktopConnection.h"
#include "reader/app/RivoReaderApp.h"
#include "reader/app/ShellAssociations.h"

int main(int argc, char** argv)
{
    CString commandLine = JoinCommandLine(argc, argv);
    switch (ParseSwitch(commandLine)) {
    case CommandSwitch::RegisterAssociations: RegisterAssociations(UserDataFolder(), GetProgramPathNative()); return 0;
    case CommandSwitch::UnregisterAssociations: UnregisterAssociations(UserDataFolder()); return 0;
    case CommandSwitch::None: break;
    }
    DesktopConnection desktop(argc, argv);
    RegisterRivoReaderResources();
    return RunRivoReader(commandLine);
}
