#include <climits>
#include <cstdint>

#include "WinTypes.h"

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    bool negative = (product < 0) != (c < 0);
    uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (negative) {
        if (quotient > static_cast<uint64_t>(INT_MAX) + 1) return -1;
        return static_cast<int>(-static_cast<int64_t>(quotient));
    }
    if (quotient > static_cast<uint64_t>(INT_MAX)) return -1;
    return static_cast<int>(quotient);
}
