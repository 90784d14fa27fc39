// Replays a bounded set of generated inputs through the fuzz targets' bodies,
// so that every build (the gcc sanitizer build included) runs them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "VobSubWriter.h"
#include "tests/fuzz/SubtitleFuzzTargets.h"
#include "tests/fuzz/VobSubFuzzTargets.h"

namespace {

// Deterministic mutations of a seed: byte changes, insertions of bytes and
// tokens the readers care about, deletions, duplications and cuts.
class Mutator {
public:
    explicit Mutator(uint64_t seed) : state_(seed ? seed : 1) {}

    std::string Mutate(std::string s)
    {
        static const char* const kTokens[] = {"<",
                                              ">",
                                              "{",
                                              "}",
                                              "\\",
                                              "-->",
                                              ",",
                                              ":",
                                              "\r\n",
                                              "&#",
                                              "@@",
                                              "|",
                                              "=",
                                              "<P ",
                                              "<SYNC Start=",
                                              "{y:b}",
                                              "{\\b1}",
                                              "&nbsp",
                                              "\xFF\xFE",
                                              "\xEF\xBB\xBF",
                                              "99999999999",
                                              "(",
                                              ")",
                                              "\xFE\xFF",
                                              "\xC2\xA0",
                                              "\r",
                                              "[Script Info]"};
        int rounds = 1 + static_cast<int>(Next() % 4);
        for (int r = 0; r < rounds; ++r) {
            size_t at = s.empty() ? 0 : Next() % (s.size() + 1);
            switch (Next() % 6) {
            case 0:
                if (!s.empty() && at < s.size()) s[at] = static_cast<char>(Next());
                break;
            case 1: s.insert(at, 1, static_cast<char>(Next())); break;
            case 2: s.insert(at, kTokens[Next() % std::size(kTokens)]); break;
            case 3:
                if (at < s.size()) s.erase(at, 1 + Next() % 16);
                break;
            case 4:
                if (at < s.size()) s.insert(at, s.substr(at, 1 + Next() % 64));
                break;
            default: s.resize(at); break;
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
            "1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\nWorld\r\n\r\n2\r\n00:00:03,400 --> 00:00:05,000\r\nBye\r\n",
            // Overlapping cues, a no-break-space separator and carriage
            // returns alone.
            "1\r00:00:01,000 --> 00:00:04,000\rA\r\xC2\xA0\r2\r00:00:02,000 --> 00:00:05,000\rB\r\r"
            "3\r00:00:02,000 --> 00:00:02,400\rC\r",
            "{24}{}A\n{24}{96}B\n{48}{72}C\n\xC2\xA0\n{10}{20}D"},
           1500);
}

TEST(FuzzReplay, Ssa)
{
    Replay(FuzzSsaScript,
           {"[Script Info]\nScriptType: v4.00+\n[Events]\n"
            "Dialogue: 0,0:00:01.50,0:00:03.25,Default,,0,0,0,,{\\b1\\c&H0000FF&}Hi{\\b0}\\Nthere{\\pos(1,2)}\n"
            "Dialogue: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,{comment}x\\h\n",
            "[Script Info]\nScriptType: v4.00\nDialogue: Marked=0,0:00:01.00,0:00:02.00,D,,0000,0000,0000,,a",
            // A bilingual script: two languages with the same times.
            "[Script Info]\n[Fonts]\nfontname: a.ttf\n!!!!\n[Events]\n"
            "Dialogue: 0,0:00:01.00,0:00:02.20,E,,0,0,0,,One\nDialogue: 0,0:00:01.00,0:00:02.20,K,,0,0,0,,Hana\n"
            "Dialogue: 0,0:00:02.40,0:00:03.00,E,,0,0,0,,Two\nDialogue: 0,0:00:02.40,0:00:03.00,K,,0,0,0,,Dul\n"},
           1500);
}

TEST(FuzzReplay, VobSubIndex)
{
    const std::vector<uint32_t> palette(16, 0x808080);
    const std::vector<IndexLanguage> languages = {
        {"en", 0, {"alt: Main", "delay: -00:00:00:500", TimestampLine(1000, 0), TimestampLine(800, 0)}},
        {"ko", 1, {"# Vob/Cell ID: 1, 2 (PTS: 3)", TimestampLine(1500, 2048), TimestampLine(-20, 4096)}},
    };
    // Key lines as the target builds them: the first byte picks the key.
    std::string picked = "\x0E";
    for (const char* line : {"\x13"
                             "720x480",
                             "\x06"
                             "ON at RIGHT BOTTOM",
                             "\x0C"
                             "ko, index: 3",
                             "\x0E"
                             "-00:00:01:000",
                             "\x0F"
                             "00:00:02:000, filepos: 000000800",
                             "\x0F"
                             "00:00:01:000, filepos: 0",
                             "\x10"
                             "1, 2 (PTS: 5)",
                             "\x07"
                             "+00:00:01:5"})
        picked += std::string(line) + "\n";
    Replay(FuzzVobSubIndex,
           {"\x01" + IndexText(7, IndexSettings(7, 720, 480, palette, {"align: ON at CENTER BOTTOM", "langidx: 1"}),
                               languages),
            "\x01" + IndexText(4,
                               IndexSettings(4, 360, 240, palette,
                                             {"org: -20, 30", "forced subs: ON", "time offset: -250",
                                              "custom colors: ON, tridx: 0110, colors: 1, 2, 3, 4"}),
                               languages),
            picked},
           1500);
}

TEST(FuzzReplay, VobSubPackets)
{
    SpuUnit unit;
    unit.picture = SpuPicture(24, 9, 1);
    unit.picture.Box(2, 2, 12, 4, 3);
    unit.x = 300;
    unit.y = 200;
    unit.stopDelay = 90;
    const std::string bytes = BuildSpuUnit(unit);
    VobSubStream stream;
    stream.Add(bytes, 0, 1000);
    stream.Add(bytes, 1, 1000);
    Replay(FuzzVobSubPackets,
           {std::string(1, '\x00') + bytes, std::string(1, '\xDE') + bytes, std::string(1, '\x01') + stream.Data(),
            std::string(1, '\x97') + stream.Data()},
           1500);
}

}  // namespace
