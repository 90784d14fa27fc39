// Replays a bounded set of generated inputs through the fuzz targets' bodies,
// so that every build (the gcc sanitizer build included) runs them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/SubtitleFuzzTargets.h"

namespace {

// Deterministic mutations of a seed: byte changes, insertions of bytes and
// tokens the readers care about, deletions, duplications and cuts.
class Mutator {
public:
    explicit Mutator(uint64_t seed) : state_(seed ? seed : 1) {}

    std::string Mutate(std::string s)
    {
        static const char* const kTokens[] = {"<",    ">",    "{",     "}",      "\\",  "-->", ",", ":", "\r\n",
                                              "&#",   "@@",   "|",     "=",      "<P ", "<SYNC Start=", "{y:b}",
                                              "{\\b1}", "&nbsp", "\xFF\xFE", "\xEF\xBB\xBF", "99999999999", "(", ")"};
        int rounds = 1 + static_cast<int>(Next() % 4);
        for (int r = 0; r < rounds; ++r) {
            size_t at = s.empty() ? 0 : Next() % (s.size() + 1);
            switch (Next() % 6) {
            case 0:
                if (!s.empty() && at < s.size()) s[at] = static_cast<char>(Next());
                break;
            case 1:
                s.insert(at, 1, static_cast<char>(Next()));
                break;
            case 2:
                s.insert(at, kTokens[Next() % std::size(kTokens)]);
                break;
            case 3:
                if (at < s.size()) s.erase(at, 1 + Next() % 16);
                break;
            case 4:
                if (at < s.size()) s.insert(at, s.substr(at, 1 + Next() % 64));
                break;
            default:
                s.resize(at);
                break;
            }
        }
        return s;
    }

private:
    uint64_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    uint64_t state_;
};

void Replay(int (*target)(const uint8_t*, size_t), const std::vector<std::string>& seeds, int count)
{
    Mutator mutator(0x9E3779B97F4A7C15ull);
    for (const auto& seed : seeds) target(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
    for (int i = 0; i < count; ++i) {
        std::string input = mutator.Mutate(seeds[static_cast<size_t>(i) % seeds.size()]);
        target(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    target(nullptr, 0);
}

TEST(FuzzReplay, Sami)
{
    Replay(FuzzSamiFile,
           {"<SAMI><HEAD><STYLE><!--\r\n.KRCC { Name: Korean; lang: ko-KR; }\r\n.ENCC {Name:English;}\r\n-->"
            "</STYLE></HEAD><BODY>\r\n<SYNC Start=1000><P Class=KRCC><font color=\"#ff0000\">A</font><b>B</b><br>C\r\n"
            "<P Class=ENCC>&lt;x&gt; &#65;&nbsp;\r\n<SYNC Start=2000><P Class=KRCC>&nbsp;\r\n</BODY></SAMI>",
            "<SYNC Start=5><P>plain\nline\n<SYNC Start=5><P>again"},
           1500);
}

TEST(FuzzReplay, MicroDvdAndSubRip)
{
    Replay(FuzzMicroDvdAndSubRip,
           {"{1}{1}25.000\r\n{25}{50}{y:b}One|{c:$0000ff}Two\r\n{60}{}{Y:i}x",
            "1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\nWorld\r\n\r\n2\r\n00:00:03,400 --> 00:00:05,000\r\nBye\r\n"},
           1500);
}

TEST(FuzzReplay, Ssa)
{
    Replay(FuzzSsaScript,
           {"[Script Info]\nScriptType: v4.00+\n[Events]\n"
            "Dialogue: 0,0:00:01.50,0:00:03.25,Default,,0,0,0,,{\\b1\\c&H0000FF&}Hi{\\b0}\\Nthere{\\pos(1,2)}\n"
            "Dialogue: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,{comment}x\\h\n",
            "[Script Info]\nScriptType: v4.00\nDialogue: Marked=0,0:00:01.00,0:00:02.00,D,,0000,0000,0000,,a"},
           1500);
}

}  // namespace
