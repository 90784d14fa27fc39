#include "DesktopConnection.h"

#include <QApplication>

struct DesktopConnection::Application {
    Application(int& argc, char** argv) : qt(argc, argv) {}
    QApplication qt;
};

DesktopConnection::DesktopConnection(int& argc, char** argv) : application_(std::make_unique<Application>(argc, argv))
{
}

DesktopConnection::~DesktopConnection() = default;
