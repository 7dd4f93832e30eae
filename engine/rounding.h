#pragma once
#include <cstdint>

// Conversions to integers round halves to even (the FPU's default mode,
// which the program never changes) with one x87 integer store: values that
// do not fit, and NaN, give its "integer indefinite", the lowest value of
// the target type, as the original arithmetic does. A C++ conversion of a
// long double would switch the control word twice for each value.
inline int64_t RoundToInt64(long double x)
{
    int64_t result;
    asm("fistpll %0" : "=m"(result) : "t"(x) : "st");
    return result;
}

inline int32_t RoundToInt32(long double x)
{
    int32_t result;
    asm("fistpl %0" : "=m"(result) : "t"(x) : "st");
    return result;
}

// Two's-complement truncation of a count, as a 32-bit store does.
inline int32_t ToStoredCount(int64_t count)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(count)));
}
