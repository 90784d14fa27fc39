// The dialog layer's tests need a Qt application on the test thread (they
// run with the offscreen platform), the sample resources registered, and the
// guard against modal dialogs nobody drives.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "MfcSampleIds.h"
#include "ModalDriver.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterMfcSampleResources();
    mfc_test::InstallModalGuard();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
