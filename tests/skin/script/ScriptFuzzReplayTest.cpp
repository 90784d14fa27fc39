// Replays inputs through the script fuzz target's body, so that every build
// (the gcc sanitizer build included) runs it: the texts of the other script
// tests, cut short at every few characters and with deterministic changes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "tests/fuzz/ScriptFuzzTarget.h"

namespace {

int Feed(const std::string& bytes) { return FuzzScript(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); }

TEST(ScriptFuzzReplay, ProgramsCutAndChanged)
{
    alarm(300);
    const std::vector<std::string> seeds = {
        "int f(int a) { if (a < 2) return 1; return a * f(a - 1); } x = f(6); SCT(\"a\", itoa(x));",
        "string s; s = GCT(\"a\") + \"!\"; if (s == \"text!\") SC(\"b\", 0); else MB(s);",
        "int v[3]; v[1] = 0x1F + 0b101 - .5; { int t; t = 1; } RA(\"\"); RA(\"c\");",
        "void g() { return; } if (1) if (0) a = 1; else a = 2; z = g(); /* c */ // d",
        "double d; d = 1 + 2.5 * 3 / 4 % 2; SCTC(\"a\", 0xFF00FF); SETIN(\"b\", atoi(\"3\"));",
        "int r(int n) { return r(n + 1); } r(0);",
        "int e(int n) { if (n) { e(n - 1); e(n - 1); } return 0; } e(30);",
        "string d(string s, int n) { if (n) return d(s + s, n - 1); return s; } d(\"ab\", 30);",
        "main(); int main() { SendCommand(\"a\"); Navigate(\"c\", \"http://x\"); return 0; } main();",
        "\xed\x95\x9c\xea\xb8\x80 = 1; \xed\x95\x9c\xea\xb8\x80 + 1;",
        "{{{{ if (a) { b; } else { c; } }}}} while (1) x; for (;;) y;",
        "x = \"unterminated",
        // Found by the fuzzer: unbalanced braces that once made the search
        // of a block's last statement try the same ranges again and again.
        "{i(()/t{rz{i()/t{)/t{rz{ir}.}}- 0)/t/gnbinb;i;R<=b;b;b;nbreturn;i;}()/t{rz{i()/t{)/t{rz{ir"
        "}.}ir}.}}- 0)/t/gnb;R<=b;(()/t{rz{i()/t{)/t{rz{ir}.}}- 0)/t/gnbinb;i;R<=b;b;b;nbreturn;i;}"
        "()/t{rz{i()/t{)/t{rz{ir}.}ir}.}}- 0)/t/gnb;R<=b;b;b;nbreturn;i;}}}}b;b;nbreturn;i;}}}}",
        "{i(f(n - 1)()/t{r}{i()/t{r}n}}})/t{r}{i((n - 1)()/t{r}{i()/t{r}n}}})/t{r}{i()/t{r}.}}}}}}}"
        "n) {t !A>A>; n) {}}}}}}}}}}}}}}}}}}}n) {t !)/t{r}.}}}}}}}n) {t !A>A>; n) {}}}}}}}}}}}}}}}}"
        "}}}n) {t !A>A>; n) {}}b-0;}}}}}}}}}}}}",
    };
    uint32_t state = 7;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    const std::string alphabet = "{}();,=+-*/%!<>\"[]abfix01. \nifelsereturnint";
    for (const std::string& seed : seeds) {
        EXPECT_EQ(0, Feed(seed));
        EXPECT_EQ(0, Feed(seed + seed));
        for (size_t cut = 0; cut < seed.size(); cut += 3) Feed(seed.substr(0, cut));
        for (int i = 0; i < 200; ++i) {
            std::string text = seed;
            for (int c = 0; c < 1 + static_cast<int>(next() % 4); ++c) {
                const size_t at = next() % text.size();
                switch (next() % 3) {
                case 0: text[at] = alphabet[next() % alphabet.size()]; break;
                case 1: text.insert(at, 1, alphabet[next() % alphabet.size()]); break;
                default: text.erase(at, 1); break;
                }
                if (text.empty()) text.push_back('x');
            }
            Feed(text);
        }
    }
    EXPECT_EQ(0, Feed(""));
    EXPECT_EQ(0, Feed(std::string("\xff\xfe\x00\x01", 4)));
    alarm(0);
}

}  // namespace
