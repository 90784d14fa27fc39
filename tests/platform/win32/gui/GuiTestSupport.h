// Helpers of the window layer's tests: a window class whose procedure
// records every message and may be given a handler per window, and a
// fixture that leaves no window, timer, clock or input state behind.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Monitors.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "tests/platform/win32/gui/FixedMonitorProvider.h"
#include "tests/platform/win32/gui/ManualMessageClock.h"

namespace gui_test {

struct Logged {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

// Messages every test window received, in order.
std::vector<Logged>& Log();
// Only the entries with these message ids.
std::vector<Logged> LogOf(std::initializer_list<UINT> messages);
std::vector<UINT> MessagesOf(HWND window, std::initializer_list<UINT> messages);
void SetHandler(HWND window, Handler handler);

// Registers (once) and returns the recording class; "RecDbl" asks for double clicks.
const wchar_t* RecordingClass(bool doubleClicks = false);
HWND MakeTop(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, bool doubleClicks = false);
HWND MakeChild(HWND parent, int id, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE,
               bool doubleClicks = false);

// Dispatches what is waiting (not WM_QUIT).
int Pump();

// Saves an image under the build's screenshot folder; returns the path.
std::string SaveScreenshot(const QImage& image, const std::string& name);

// A 2 x 2 cursor file: hot spot (1, 0); top-left red, top-right
// transparent (AND mask, or alpha 0 with alpha), bottom row green and blue.
std::vector<uint8_t> SmallCursorFile(bool withAlpha);

// Compiles the files of a folder with the Qt resource compiler into a
// binary resource file and registers it, so that the file NAME of the folder
// becomes the program's resource ":/TYPE/NAME". False (with the reason
// added to the test's failures) when the compiler fails.
bool RegisterFolderAsResources(const std::string& folder, const std::string& type, const std::string& rccFile);

class GuiTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    ManualMessageClock clock_{100000};
    FixedMonitorProvider monitors_{{MonitorDescription{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}, true}}};
};

}  // namespace gui_test
