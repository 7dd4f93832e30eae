#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/rounding.h"

namespace {

// The same rounding spelled out: to nearest even, then a range check.
template <typename Int>
Int RoundedThenChecked(long double x)
{
    const long double r = rintl(x);
    const long double bound = std::ldexp(1.0L, std::numeric_limits<Int>::digits);
    if (!(r >= -bound && r < bound))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(r);
}

TEST(Rounding, HalvesToEvenAndIndefiniteOutsideTheRange)
{
    const long double inf = std::numeric_limits<long double>::infinity();
    const long double values[] = {0.0L, -0.0L, 0.5L, 1.5L, 2.5L, -0.5L, -1.5L, -2.5L, 0.49999999999L,
                                  1e-4000L, 254.0L / 6, 2147483647.0L, 2147483647.5L, 2147483646.5L,
                                  -2147483648.0L, -2147483648.5L, -2147483649.0L, 4294967296.0L,
                                  9223372036854775807.0L, 9223372036854775807.5L, -9223372036854775808.0L,
                                  -9223372036854775808.5L, 1e30L, -1e30L, inf, -inf,
                                  std::numeric_limits<long double>::quiet_NaN()};
    for (long double x : values) {
        EXPECT_EQ(RoundToInt32(x), RoundedThenChecked<int32_t>(x)) << x;
        EXPECT_EQ(RoundToInt64(x), RoundedThenChecked<int64_t>(x)) << x;
    }
    EXPECT_EQ(RoundToInt32(2.5L), 2);
    EXPECT_EQ(RoundToInt32(2147483647.5L), std::numeric_limits<int32_t>::min());
}

}  // namespace
