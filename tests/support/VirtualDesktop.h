// A desktop of the test's own on a real X server: Xvfb on a display the
// server picks itself (-displayfd), and optionally a small window manager
// (openbox, with the configuration Debian ships) managing it. Programs
// started through it and the X tools it runs (xdotool) see only its
// display; pictures of the screen come from ffmpeg's screen grabber. Every
// process it starts is ended by its process id when it goes, with
// deadlines; every tool runs with a deadline.
#pragma once

#include <sys/types.h>

#include <iosfwd>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};
std::ostream& operator<<(std::ostream& os, const ScreenRect& r);

// The screen at one moment: RGB bytes, row after row.
struct ScreenShot {
    int width = 0, height = 0;
    std::string rgb;
    // 0xRRGGBB; 0 outside the picture.
    unsigned Pixel(int x, int y) const;
};

class VirtualDesktop {
public:
    // Starts the X server, and the window manager when asked; waits at most
    // 10 s for each.
    explicit VirtualDesktop(bool windowManager, int width = 1280, int height = 1024);
    // Ends every program it started, the window manager and the server.
    ~VirtualDesktop();
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;

    // False (with the reason) when the server or the manager did not start.
    bool Started() const { return started_; }
    const std::string& Problem() const { return problem_; }
    const std::string& Display() const { return display_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Runs an X tool's command line (through the shell, as the test writes
    // it) on the display, for at most 20 s; its standard output.
    std::string Tool(const std::string& commandLine, int* exitCode = nullptr) const;
    // Starts a program (no shell) on the display with extra environment
    // entries ("NAME=value"), its standard output into the file; its process
    // id, ended with the desktop unless ended before.
    pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                const std::string& outputFile);
    // Whether a program it started has ended; the ended one is reaped and
    // its exit status (-1 for a signal) given.
    bool HasEnded(pid_t pid, int* status);

    // The visible windows of a process, as xdotool names them.
    std::vector<std::string> Windows(pid_t pid) const;
    // A window's place on the screen (zero size when it is gone).
    ScreenRect Geometry(const std::string& window) const;
    // The screen now, saved as a PNG file as well.
    ScreenShot Shot(const std::string& pngPath) const;

private:
    TempDir dir_;
    std::vector<pid_t> programs_;
    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::string display_;
    int width_, height_;
    bool started_ = false;
    std::string problem_;
};
