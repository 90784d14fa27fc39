// Replays inputs through the reader's fuzz target body, so that every build
// (the gcc sanitizer build included) runs it: the heads of small files of
// every container, as the fuzzer's inputs are bounded, and deterministic
// changes of them.
#include <gtest/gtest.h>

#include <unistd.h>

#include "MediaFixtures.h"
#include "tests/fuzz/ReaderFuzzTarget.h"

namespace {

int Feed(const std::string& bytes)
{
    return FuzzMediaFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ReaderFuzzReplay, HeadsOfEveryContainer)
{
    alarm(300);
    TempDir dir;
    const std::string v = TestVideo("176x144") + " -t 0.3 ", a = TestAudio() + " -t 0.3 ";
    const std::vector<std::string> files = {
        MakeWithFfmpeg(dir, "a.avi", v + a + "-c:v mpeg4 -c:a libmp3lame"),
        MakeWithFfmpeg(dir, "b.wmv", v + a + "-c:v wmv2 -c:a wmav2"),
        MakeWithFfmpeg(dir, "c.mp4", v + a + "-c:v mpeg4 -c:a aac -movflags +faststart"),
        MakeWithFfmpeg(dir, "d.rm", v + a + "-c:v rv10 -c:a ac3"),
        MakeWithFfmpeg(dir, "e.mkv", v + a + "-c:v mpeg4 -c:a libmp3lame -reserve_index_space 1024"),
        MakeWithFfmpeg(dir, "f.ogg", a + "-c:a libvorbis"),
        MakeWithFfmpeg(dir, "g.flv", v + a + "-c:v flv -c:a libmp3lame"),
    };
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (const std::string& file : files) {
        const std::string head = Slurp(file).substr(0, 4096);
        EXPECT_EQ(0, Feed(head));
        for (size_t cut = 0; cut < head.size(); cut += 61) Feed(head.substr(0, cut));
        for (int i = 0; i < 150; ++i) {
            std::string bytes = head;
            for (int c = 0; c < 1 + static_cast<int>(next() % 6); ++c) {
                size_t at = next() % bytes.size();
                bytes[at] = (next() & 1) ? static_cast<char>(next() >> 16) : (next() & 2 ? '\xFF' : '\0');
            }
            Feed(bytes);
        }
    }
    EXPECT_EQ(0, Feed(""));
    alarm(0);
}

}  // namespace
