// RivoReader: analyses media files named on the command line, dropped on the
// window or chosen in it, and shows their reports.
#include <QApplication>

#include "reader/app/ReaderAppResources.h"
#include "reader/app/RivoReaderApp.h"

int main(int argc, char** argv)
{
    CString commandLine = JoinCommandLine(argc, argv);
    QApplication app(argc, argv);
    RegisterReaderAppResources();
    return RunRivoReader(commandLine);
}
