#include "tests/skin/ControlTestSupport.h"

#include "skin/SkinMessages.h"

namespace skin_test {

std::unique_ptr<HDib> ImageFrom(const std::string& bmp)
{
    auto image = std::make_unique<HDib>();
    EXPECT_TRUE(image->LoadBmp(bmp.data(), bmp.size()));
    return image;
}

QImage ToQImage(const HDib& dib)
{
    QImage out(dib.GetWidth(), dib.GetHeight(), QImage::Format_RGB32);
    for (int y = 0; y < dib.GetHeight(); ++y)
        for (int x = 0; x < dib.GetWidth(); ++x) {
            const COLORREF c = Pixel(dib, x, y);
            out.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    return out;
}

void ExpectPixels(const HDib& dib, std::initializer_list<PixelAt> points)
{
    for (const PixelAt& p : points) EXPECT_EQ(p.color, Pixel(dib, p.x, p.y)) << "at " << p.x << "," << p.y;
}

void ControlTest::SetUp()
{
    GuiTest::SetUp();
    surface_.CreateFilled(240, 160, 24, RGB(0, 0, 0));
    host_ = gui_test::MakeTop(0, 0, 240, 160);
    gui_test::SetHandler(host_, [this](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == SkinControlNotifyMessage()) {
            const auto* record = reinterpret_cast<const SControlNotify*>(wParam);
            notified_.push_back(Notified{record->message, record->wParam, record->lParam, record->send});
            return 0;
        }
        if (message == SkinInvalidControlMessage()) {
            invalidated_.push_back(reinterpret_cast<HXConBase*>(wParam));
            return 0;
        }
        if (message == SkinRefreshControlMessage()) {
            refreshed_.push_back(reinterpret_cast<HXConBase*>(wParam));
            return 0;
        }
        return std::nullopt;
    });
}

std::vector<ControlTest::Notified> ControlTest::NotifiedOf(UINT message) const
{
    std::vector<Notified> out;
    for (const Notified& n : notified_)
        if (n.message == message) out.push_back(n);
    return out;
}

}  // namespace skin_test
