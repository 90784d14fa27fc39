// RivoEnc: converts the video files of its job list with the output
// settings chosen in its windows. Sources, one preset file and the switches
// "/automode", "/preset=" and "/destpath=" may be given on the command line;
// "/regassoc" and "/unregassoc" register or remove the preset file type and
// end without a window.
#include <memory>
#include <string>
#include <vector>

#include "RivoEncIds.h"
#include "encoder/core/RivoEncApp.h"
#include "encoder/core/WindowLayerServices.h"
#include "encoder/ui/CRivoEncDlg.h"
#include "encoder/ui/EncodeWindows.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/DesktopConnection.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/logind/LogindPowerOffService.h"

int main(int argc, char** argv)
{
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(FromNativePath(argv[i]));

    DesktopConnection desktop(argc, argv);
    // Without a display nobody can answer a message box: each one takes its
    // default answer and says what it said on the standard error stream.
    SetUnattendedMessageBoxes(RunsWithoutDisplay());
    RegisterRivoEncResources();
    InstallWindowLayerServices();
    InstallLogindPowerOffService();

    CRivoEncApp* program = nullptr;
    EncodeWindows windows;
    CRivoEncApp application([&program, &windows]() -> std::unique_ptr<IRivoEncMainDialog> {
        // The component runtime is up by now: the media filters can register.
        RegisterSystemFilters();
        return std::make_unique<CRivoEncDlg>(program->m_lpCmdLine, &windows);
    });
    program = &application;
    application.m_lpCmdLine = JoinEncoderCommandLine(arguments);
    application.InitInstance();
    return application.ExitInstance();
}
