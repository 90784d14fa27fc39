// Conversions of computed values into the record's integer fields. Values
// from a file can make a quotient infinite, not a number, or too large for
// its field; such a value is taken as unknown (0) instead of being cast into
// an integer, which would be undefined.
#pragma once

#include <cmath>
#include <cstdint>

// The value truncated towards zero, or 0 when it is not finite or does not
// fit in a signed 64-bit integer.
inline int64_t TruncToInt64OrZero(long double v)
{
    if (!std::isfinite(v)) return 0;
    v = std::trunc(v);
    if (v >= 9223372036854775808.0L || v < -9223372036854775808.0L) return 0;
    return static_cast<int64_t>(v);
}

// The value truncated towards zero, or 0 when it is not finite or lies
// outside the unsigned 32-bit range.
inline uint32_t TruncToUInt32OrZero(long double v)
{
    if (!std::isfinite(v)) return 0;
    v = std::trunc(v);
    if (v < 0 || v >= 4294967296.0L) return 0;
    return static_cast<uint32_t>(v);
}

// a * b / c in exact integer arithmetic; 0 when c is 0 or the quotient does
// not fit in a signed 64-bit integer.
inline int64_t MulDivInt64OrZero(uint64_t a, uint64_t b, uint64_t c)
{
    if (c == 0) return 0;
    unsigned __int128 q = static_cast<unsigned __int128>(a) * b / c;
    if (q > static_cast<unsigned __int128>(INT64_MAX)) return 0;
    return static_cast<int64_t>(q);
}
