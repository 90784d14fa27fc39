// Times the skin script host on the large and deep texts of the limits tests:
// each text is made once, then run on a fresh host; the wall time covers
// lexing, parsing, running and deleting the tree. Prints one line per text
// with its outcome and the median of RUNS runs in milliseconds. Driven by
// bench/script-limits.sh; not part of the test suite.
//
//   script_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScriptTestSupport.h"

namespace {

std::wstring Repeat(const std::wstring& piece, int count)
{
    std::wstring s;
    s.reserve(piece.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) s += piece;
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int n = 100000, m = 1000000;
    const std::vector<std::pair<const char*, std::wstring>> texts = {
        {"100,000 nested blocks", Repeat(L"{", n) + Repeat(L"}", n)},
        {"100,000 nested blocks in a function", L"int f() " + Repeat(L"{", n) + Repeat(L"}", n)},
        {"100,000 nested parentheses", L"x = " + Repeat(L"(", n) + L"1" + Repeat(L")", n) + L";"},
        {"100,000 nested ifs", Repeat(L"if (1) ", n) + L"x = 1;"},
        {"100,000 unary minus", L"x = " + Repeat(L"-", n) + L"1;"},
        {"100,000 additions", L"x = 1" + Repeat(L" + 1", n) + L";"},
        {"100,000 assignments in a chain", Repeat(L"a = ", n) + L"1;"},
        {"100,000 arguments", L"ints(1" + Repeat(L", 1", n) + L");"},
        {"1,000,000 statements", L"x = 1;" + Repeat(L"x;", m - 1)},
        {"1,000,000 statements in a function", L"int f() { x = 1;" + Repeat(L"x;", m - 2) + L"return x; } f();"},
        {"1,000,000 statements in a block", L"{ x = 1;" + Repeat(L"x;", m - 1) + L"} 1;"},
        {"1,000,000 empty statements", Repeat(L";", m)},
        {"1,000,000 statements, bad if at the end", L"int f() { " + Repeat(L"x;", m) + L"if (1 2) x; }"},
        {"100,000 ifs in a function", L"int f() { " + Repeat(L"if (a) x = 1; else y;", n) + L"} f();"},
        {"100,000 assignments of sums", Repeat(L"x = 1 + 2 * 3;", n)},
    };
    for (const auto& [name, text] : texts) {
        std::vector<double> ms;
        std::string outcome;
        for (int r = 0; r < runs; ++r) {
            auto start = std::chrono::steady_clock::now();
            outcome = RunFresh(text);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-42s %-16s %9.1f ms\n", name, outcome.substr(0, 16).c_str(), ms[ms.size() / 2]);
    }
    return 0;
}
