// Times the skin list box with 100,000 rows of three columns: filling it,
// then frames of scrolling by the slider, paging with the keyboard and
// clicking rows, each frame being the list's own work (scroll range, rows
// painted into its image) and the copy into the window's surface. Prints the
// median, the 95th percentile and the worst frame of each kind in
// milliseconds, with and without a skin font. Driven by bench/listbox-frames.sh;
// not part of the test suite.
//
//   listbox_bench [FRAMES]
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "platform/win32/gui/GdiObjects.h"
#include "platform/win32/gui/Input.h"
#include "skin/HXSubFont.h"
#include "skin/controls/HXConListBox.h"
#include "skin/controls/HXConSlider.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median, p95, worst;
};

Figures Measure(int frames, const std::function<void(int)>& frame)
{
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const auto start = Clock::now();
        frame(i);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return Figures{ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

void Print(const char* what, const Figures& f)
{
    std::printf("  %-34s median %7.3f ms   95%% %7.3f ms   worst %7.3f ms\n", what, f.median, f.p95, f.worst);
}

void Run(const char* title, HXSubFont* font, int frames)
{
    skin_test::FakeSkinOwner owner;
    if (font) owner.fonts[L"bench"] = font;
    owner.controlIds[L"IDC_SCROLL"] = 5;
    HDib surface;
    surface.CreateFilled(640, 480, 24, RGB(0, 0, 0));
    HXConSlider slider(&owner);
    slider.LoadAttributes(nullptr, &surface, nullptr);
    owner.controls[5] = &slider;
    slider.SetRect(600, 10, 16, 460, 0);
    HXConListBox list(&owner);
    {
        CXmlDocument doc;
        const std::string xml = std::string(
                                    "<ListBoxControl ItemHeight=\"18\" SliderControlID=\"IDC_SCROLL\" "
                                    "Style=\"multiselect\"") +
                                (font ? " FontName=\"bench\"" : "") + "/>";
        doc.LoadFromMemory(xml.data(), xml.size());
        list.LoadAttributes(nullptr, &surface, doc.m_pRoot);
    }
    list.SetRect(10, 10, 606, 460, 0);

    std::printf("%s\n", title);
    const auto fillStart = Clock::now();
    list.BeginUpdate();
    for (int i = 0; i < 100000; ++i) {
        wchar_t name[64], file[64], time[32];
        std::swprintf(name, 64, L"Row %d", i);
        std::swprintf(file, 64, L"source_%06d_with_a_long_name.avi", i);
        std::swprintf(time, 32, L"%02d:%02d:%02d", i / 3600 % 24, i / 60 % 60, i % 60);
        list.AddRow({name, file, time});
    }
    list.EndUpdate();
    std::printf("  %-34s %7.1f ms\n", "filling 100,000 rows",
                std::chrono::duration<double, std::milli>(Clock::now() - fillStart).count());

    std::mt19937 random(7);
    const int maxTop = list.GetRowCount() - list.VisibleRows();
    Print("slider drag to a random row", Measure(frames, [&](int) {
              list.OnSliderPosChange(static_cast<int>(random() % static_cast<unsigned>(maxTop + 1)), 5);
              list.Draw();
          }));
    Print("page down", Measure(frames, [&](int) {
              list.OnKeyDown(VK_NEXT, 1, 0);
              list.Draw();
          }));
    Print("click on a row", Measure(frames, [&](int i) {
              int capture = 0, value = 0;
              const int y = 18 * (i % list.VisibleRows()) + 5;
              list.OnButtonDown(1, 50, y, &capture);
              list.OnButtonUp(1, 50, y, capture, &value);
              list.Draw();
          }));
    Print("ctrl+A over every row", Measure(std::max(1, frames / 20), [&](int) {
              list.SelectAll(1, 1);
              list.Draw();
          }));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(20, std::atoi(argv[1])) : 1000;
    Run("List box, 100,000 rows, 25 visible, system font", nullptr, frames);
    HXSubFont font;
    font.SetFont(
        CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, L"NanumGothic"));
    Run("List box, 100,000 rows, 25 visible, skin font", &font, frames);
    return 0;
}
