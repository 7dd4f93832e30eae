#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

// Conversions to integers round halves to even (the FPU's default mode,
// which the program never changes; rintl is the fast form of nearbyintl).
// Values that do not fit give the "integer indefinite" of the x87 store,
// the lowest value of the target type, as the original arithmetic does.

inline int64_t RoundToInt64(long double x)
{
    const long double r = rintl(x);
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

inline int32_t RoundToInt32(long double x)
{
    const long double r = rintl(x);
    if (!(r >= -2147483648.0L && r < 2147483648.0L))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

// Two's-complement truncation of a count, as a 32-bit store does.
inline int32_t ToStoredCount(int64_t count)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(count)));
}
