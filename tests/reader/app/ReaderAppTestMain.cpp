// The window tests need a Qt application on the test thread (offscreen
// platform), the program's resources, and the guard against modal dialogs
// nobody drives.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "RivoReaderIds.h"
#include "tests/platform/mfc/ModalDriver.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterRivoReaderResources();
    mfc_test::InstallModalGuard();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
