// Memory of the text subtitle renderer over many styles (bench/subtitle-
// styles.sh runs it): one renderer, as one video treatment filter keeps it
// for a whole batch, draws entries of STYLES distinct styles (face names,
// sizes, weights, slants, outlines and shadows; the faces the system lacks
// fall back to its default face) into a 1280x720 picture, ENTRIES entries of
// distinct text per style. The resident memory after every tenth style and
// the peak are printed in MiB.
//
//   subtitle_style_bench [STYLES] [ENTRIES]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "modules/hvf/TextSubtitleRenderer.h"
#include "platform/win32/CodePage.h"

namespace {

// A field of /proc/self/status in MiB.
double StatusMiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::string(field).size()) / 1024.0;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    int styles = argc > 1 ? std::atoi(argv[1]) : 200;
    int entries = argc > 2 ? std::atoi(argv[2]) : 20;
    const int width = 1280, height = 720;
    std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3 / 2, 0x80);
    PictureCanvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.planes[0] = picture.data();
    canvas.planes[1] = picture.data() + width * height;
    canvas.planes[2] = canvas.planes[1] + width * height / 4;
    canvas.lineSizes[0] = width;
    canvas.lineSizes[1] = canvas.lineSizes[2] = width / 2;
    const char* faces[] = {"NanumGothic", "DejaVu Sans", "NanumMyeongjo", "DejaVu Serif", "Arial", "굴림"};
    std::printf("styles rss_mib\n");
    TextSubtitleRenderer renderer;
    for (int s = 0; s < styles; ++s) {
        SubtitleSettings settings;
        InitSubtitleStyle(&settings.style);
        // A face of the system for some styles, a name of its own (which
        // falls back) for the others.
        std::string face = s % 4 == 0 ? faces[(s / 4) % std::size(faces)] : "Style Face " + std::to_string(s);
        std::u16string name = WideToUtf16(Utf8ToWide(face));
        std::copy(name.begin(), name.end(), settings.style.faceName);
        settings.style.faceName[name.size()] = 0;
        settings.style.fontSize = 18 + s % 43;
        settings.style.weight = s % 3 == 0 ? 700 : 400;
        settings.style.italic = s % 5 == 0;
        settings.style.outlineWidth = (s % 7) / 2.0;
        settings.style.shadowDepth = (s % 4) / 2.0;
        settings.style.bodyColor = 0x00102030u * static_cast<uint32_t>(s % 8);
        settings.posY = 80;
        for (int e = 0; e < entries; ++e) {
            std::wstring text = L"자막 " + std::to_wstring(s) + L"-" + std::to_wstring(e) +
                                L" The quick brown fox jumps over the lazy dog\n둘째 줄 " + std::to_wstring(e * 7919);
            renderer.Draw(canvas, text, settings);
        }
        if ((s + 1) % 10 == 0) std::printf("%d %.1f\n", s + 1, StatusMiB("VmRSS:"));
    }
    std::printf("peak %.1f\n", StatusMiB("VmHWM:"));
    return 0;
}
