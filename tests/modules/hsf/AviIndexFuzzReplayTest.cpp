// Replays inputs through the AVI index-check fuzz target's body, so that
// every build runs it: AVI files ffmpeg made (with sound, and with room kept
// for the stream indexes), cut at many lengths and with bytes of their heads
// changed deterministically.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/AviIndexFuzzTarget.h"
#include "tests/support/MediaFixtures.h"

namespace {

void Feed(const std::string& bytes) { FuzzAviIndexCheck(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

TEST(AviIndexFuzzReplay, CutAndChangedAviFiles)
{
    TempDir dir;
    const std::vector<std::string> files = {
        MakeMedia(dir, "a.avi", TestPicture(0.3) + " " + TestTone(0.3) + " -c:v mpeg4 -c:a libmp3lame"),
        MakeMedia(dir, "b.avi", TestPicture(0.3) + " -c:v mpeg4 -reserve_index_space 256 -f avi"),
    };
    uint32_t state = 2026;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::string& file : files) {
        const std::string whole = ReadBytes(file);
        Feed(whole);
        for (size_t cut = 0; cut < whole.size(); cut += 131) Feed(whole.substr(0, cut));
        for (int i = 0; i < 200; ++i) {
            std::string bytes = whole;
            for (int c = 0; c < 1 + static_cast<int>(next() % 6); ++c) {
                size_t at = next() % std::min<size_t>(bytes.size(), 2048);
                bytes[at] = static_cast<char>(next() >> 24);
            }
            Feed(bytes);
        }
    }
}

}  // namespace
