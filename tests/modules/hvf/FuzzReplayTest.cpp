// The video treatment module's fuzz targets' bodies over cut and changed
// inputs, so that every build runs them: logo pictures of each kind made by
// the ffmpeg command line, and subtitle texts with inline codes.
#include <gtest/gtest.h>

#include "tests/fuzz/HvfFuzzTargets.h"
#include "tests/support/MediaFixtures.h"

namespace {

uint32_t g_state = 7;
uint32_t Next() { return g_state = g_state * 1103515245u + 12345u; }

void Replay(int (*body)(const uint8_t*, size_t), const std::string& input, int changes, size_t cutStep)
{
    for (size_t cut = 0; cut <= input.size(); cut += cutStep) body(reinterpret_cast<const uint8_t*>(input.data()), cut);
    for (int i = 0; i < changes; ++i) {
        std::string b = input;
        for (int n = 0; n < 3; ++n) b[Next() % b.size()] = static_cast<char>(Next());
        body(reinterpret_cast<const uint8_t*>(b.data()), b.size());
    }
}

TEST(HvfFuzzReplay, LogoPictures)
{
    TempDir dir;
    const char* kinds[][2] = {
        {"a.png", "-f lavfi -i color=c=red@0.5:s=12x6,format=rgba -frames:v 1"},
        {"b.bmp", "-f lavfi -i color=c=blue:s=9x5 -frames:v 1"},
        {"c.jpg", "-f lavfi -i testsrc=s=16x8 -frames:v 1"},
        {"d.png", "-f lavfi -i color=c=gray:s=5x3 -frames:v 1 -pix_fmt gray"},
    };
    std::vector<std::string> files;
    for (auto& k : kinds) files.push_back(ReadBytes(MakeMedia(dir, k[0], k[1])));
    for (const std::string& f : files) {
        // Alone (an even first byte), and as a picture with a mask.
        Replay(FuzzLogoPicture, std::string(1, '\x02') + f, 150, std::max<size_t>(1, f.size() / 40));
        std::string pair = std::string(1, '\x03') + static_cast<char>((f.size() + 15) / 16) + f + files[3];
        Replay(FuzzLogoPicture, pair, 100, std::max<size_t>(1, pair.size() / 40));
    }
    SUCCEED();
}

TEST(HvfFuzzReplay, SubtitleTexts)
{
    const std::string texts[] = {
        std::string("\x32\x5a\x02\x02\x00\x00\x1a\x03\x02\x00\x00", 11) + "@@<Bold@@> @@^ff0000red@@^12\nline",
        std::string("\x00\x00\x00\x00\x10\x30\x00\x0c\x0c\x01\xff", 11) + "{\\pos(1,2)}\\N\\h{}@@/@@\\@@_@@-",
        std::string("\x64\x64\x64\x64\x3c\x3c\x3c\x00\x00\x00\x00", 11) + "한국어 자막, 둘째 줄\n셋째",
        std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b", 11) + "a,b,c\r\n{\\fnArial,x}@@^zzzzzz",
    };
    for (const std::string& t : texts) Replay(FuzzSubtitleText, t, 60, 3);
    SUCCEED();
}

}  // namespace
