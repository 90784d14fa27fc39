// The program's connection to the desktop, made first thing in main and
// kept until it returns. While it lives, windows get their widgets and show
// on the screen; without it windows still work, unseen. The desktop's own
// options on the command line (-platform, -display, ...) are taken out of
// the arguments.
#pragma once

#include <memory>

class DesktopConnection {
public:
    // argc and argv are main's; they must outlive the connection.
    DesktopConnection(int& argc, char** argv);
    ~DesktopConnection();
    DesktopConnection(const DesktopConnection&) = delete;
    DesktopConnection& operator=(const DesktopConnection&) = delete;

private:
    struct Application;
    std::unique_ptr<Application> application_;
};
