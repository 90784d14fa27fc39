// Replays inputs through the source-probing fuzz target's body, so that
// every build runs it: the heads of files of every container the probes
// know, cut at many lengths and with bytes changed deterministically.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/SourceProbeFuzzTarget.h"
#include "tests/support/MediaFixtures.h"

namespace {

void Feed(const std::string& bytes) { FuzzSourceProbe(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

TEST(SourceProbeFuzzReplay, HeadsOfEveryContainer)
{
    TempDir dir;
    const std::string v = TestPicture(0.3) + " ", a = TestTone(0.3) + " ";
    const std::vector<std::string> files = {
        MakeMedia(dir, "a.avi", v + a + "-c:v mpeg4 -c:a libmp3lame"),
        MakeMedia(dir, "b.asf", v + a + "-c:v wmv2 -c:a wmav2 -f asf"),
        MakeMedia(dir, "c.mp4", v + a + "-c:v mpeg4 -c:a aac"),
        MakeMedia(dir, "d.ts", v + a + "-c:v mpeg2video -c:a mp2 -f mpegts"),
        MakeMedia(dir, "e.mkv", v + a + "-c:v mpeg4 -c:a libvorbis"),
        MakeMedia(dir, "f.mpg", v + a + "-c:v mpeg1video -c:a mp2 -f mpeg"),
    };
    uint32_t state = 2024;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::string& file : files) {
        const std::string whole = ReadBytes(file);
        // The whole small file, so that the walks reach their indexes.
        Feed(whole);
        const std::string head = whole.substr(0, 4096);
        for (size_t cut = 0; cut < head.size(); cut += 97) Feed(head.substr(0, cut));
        for (int i = 0; i < 60; ++i) {
            std::string bytes = whole;
            for (int c = 0; c < 1 + static_cast<int>(next() % 6); ++c) {
                size_t at = next() % std::min<size_t>(bytes.size(), 600);
                bytes[at] = (next() & 1) ? static_cast<char>(next() >> 16) : (next() & 2 ? '\xFF' : '\0');
            }
            Feed(bytes);
        }
    }
    Feed("");
}

}  // namespace
