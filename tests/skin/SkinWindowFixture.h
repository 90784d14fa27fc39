// A skin window over a recording host window, with its skin written into a
// temporary folder at test time: the tests of the skin window, its
// documents, packages and controls build on it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "skin/HXWindowMain.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/support/TempDir.h"

namespace skin_test {

// A skin document: the SkinWindow attributes, the PreDefine items and the
// controls, wrapped in HXSkin / SkinWindow / PreDefine / ControlDefine.
std::string SkinXml(const std::string& windowAttributes, const std::string& preDefine, const std::string& controls,
                    const std::string& extra = "");

class SkinWindowTest : public gui_test::GuiTest {
protected:
    static constexpr int kHostX = 100;
    static constexpr int kHostY = 100;
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    void SetUp() override;
    void TearDown() override;

    // Writes skin.xml and the files into a new skin folder.
    std::string WriteSkin(const std::string& xml, const std::map<std::string, std::string>& files = {},
                          const std::string& folderName = "skin");
    // A new skin window over the host, the skin opened, loaded and built;
    // the bindings are made before the build. False (with the window's
    // error text added to the failures when expectSuccess) when a step fails.
    bool Load(const std::string& xml, const std::map<std::string, std::string>& files = {},
              const std::map<std::wstring, int>& bindings = {}, bool expectSuccess = true);
    // Opens, loads and builds the skin at the path in the existing window.
    bool LoadPath(const std::string& path, const std::map<std::wstring, int>& bindings = {}, bool expectSuccess = true);
    HWND Skin() const { return window_ ? window_->GetSafeHwnd() : nullptr; }
    POINT Screen(int x, int y) const { return POINT{kHostX + x, kHostY + y}; }
    // Injected input at a client point of the skin window, dispatched.
    void MoveTo(int x, int y);
    void Press(int x, int y, MouseButton button = MouseButton::Left);
    void Release(int x, int y, MouseButton button = MouseButton::Left);
    void Click(int x, int y, MouseButton button = MouseButton::Left);
    // The host's WM_COMMAND ids and "WM_HXSKIN_NOTIFY" codes, in order.
    std::vector<WPARAM> Commands() const;
    std::vector<WPARAM> NotifyCodes() const;
    // The colour of a pixel of the skin window's off-screen bitmap, and of
    // what the window shows.
    COLORREF OffscreenPixel(int x, int y);
    COLORREF ScreenPixel(int x, int y);

    TempDir dir_;
    HWND host_ = nullptr;
    std::unique_ptr<HXWindowMain> window_;
};

}  // namespace skin_test
