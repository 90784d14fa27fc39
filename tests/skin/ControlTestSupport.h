// What the tests of the skin's control kinds share: images made from BMP
// bytes, a skin bitmap as a picture, and a fixture
// whose host window records what controls hand to their skin window (notify
// records, redraw and refresh requests).
#pragma once

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "foundation/XmlDocument.h"
#include "skin/HDib.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/SkinTestSupport.h"

class HXConBase;

namespace skin_test {

std::unique_ptr<HDib> ImageFrom(const std::string& bmp);
QImage ToQImage(const HDib& dib);

struct PixelAt {
    int x, y;
    COLORREF color;
};
// Each point has its colour; a failure names the point.
void ExpectPixels(const HDib& dib, std::initializer_list<PixelAt> points);

class ControlTest : public gui_test::GuiTest {
protected:
    void SetUp() override;

    // A control of that kind loaded from the element; the result of the
    // load is checked against expected.
    template <class Control>
    std::unique_ptr<Control> Make(const std::string& xml, int expected = 1)
    {
        auto control = std::make_unique<Control>(&owner_);
        Element e(xml);
        EXPECT_EQ(expected, control->LoadAttributes(host_, &surface_, e.get())) << xml;
        return control;
    }

    struct Notified {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int send;
    };
    // The records carrying this message, in order.
    std::vector<Notified> NotifiedOf(UINT message) const;

    FakeSkinOwner owner_;
    HDib surface_;  // 240 x 160, black
    HWND host_ = nullptr;
    std::vector<Notified> notified_;
    std::vector<HXConBase*> invalidated_;  // "WM_HXSKINCONTROL_INVALIDCONTROL", in order
    std::vector<HXConBase*> refreshed_;    // "WM_HXSKINCONTROL_REFRESHCONTROL", once dispatched
};

}  // namespace skin_test
