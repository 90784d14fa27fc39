#include "CharClass.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct LetterRange {
    uint32_t first;
    uint32_t last;
};

constexpr LetterRange kLetters[] = {
#include "LetterTable.inc"
};

constexpr bool Ascending()
{
    for (size_t i = 0; i < std::size(kLetters); ++i) {
        if (kLetters[i].first > kLetters[i].last) return false;
        if (i > 0 && kLetters[i - 1].last >= kLetters[i].first) return false;
    }
    return true;
}
static_assert(Ascending(), "the letter table must hold ascending, disjoint ranges");

}  // namespace

BOOL IsCharAlphaW(WCHAR ch)
{
    // wchar_t is signed on this platform: negative values are no characters.
    if (ch < 0) return FALSE;
    const auto c = static_cast<uint32_t>(ch);
    if (c < 0x80) return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? TRUE : FALSE;
    const LetterRange* end = std::end(kLetters);
    const LetterRange* r =
        std::upper_bound(std::begin(kLetters), end, c, [](uint32_t v, const LetterRange& x) { return v < x.first; });
    if (r == std::begin(kLetters)) return FALSE;
    --r;
    return c <= r->last ? TRUE : FALSE;
}
