// The encoder windows' tests run with a Qt application on the offscreen
// platform, the program's dialog resources and the test dialogs registered,
// and the guard against modal dialogs nobody drives. The process is marked
// as a test first, so that nothing in it may switch the machine off.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "RivoEncIds.h"
#include "UiTestIds.h"
#include "tests/platform/mfc/ModalDriver.h"

int main(int argc, char** argv)
{
    setenv("RIVO_TESTING", "1", 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterRivoEncResources();
    RegisterUiTestResources();
    mfc_test::InstallModalGuard();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
