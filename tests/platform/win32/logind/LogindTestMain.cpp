// The D-Bus client needs a Qt application. The process is marked as a test
// before anything runs, so that no part of it may use the system bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("RIVO_TESTING", "1", 1);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
