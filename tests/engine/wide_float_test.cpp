#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/big_to_hardware.h"
#include "engine/wide_float.h"

namespace {

using Wide = WideFloat<long double>;

TEST(WideFloatTest, RoundsAsLongDoubleWithinItsRange)
{
    // Magnitudes that cancel, that differ by more than the mantissa and
    // that are close: every sum and product rounds once, as long double does.
    std::mt19937_64 random(19);
    std::uniform_real_distribution<long double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-80, 80);
    for (int k = 0; k < 20000; ++k) {
        const long double x = std::ldexp(mantissa(random), exponent(random));
        const long double y = k % 7 == 0 ? -x * (1 + std::ldexp(1.0L, -60)) : std::ldexp(mantissa(random), exponent(random));
        EXPECT_EQ((Wide(x) + Wide(y)).ToHardware(), x + y) << x << " + " << y;
        EXPECT_EQ((Wide(x) - Wide(y)).ToHardware(), x - y) << x << " - " << y;
        EXPECT_EQ((Wide(x) * Wide(y)).ToHardware(), x * y) << x << " * " << y;
        EXPECT_EQ(Wide(x) < Wide(y), x < y) << x << " < " << y;
        EXPECT_EQ(fabs(Wide(y)).ToHardware(), std::fabs(y));
    }
}

TEST(WideFloatTest, KeepsValuesFarBeyondLongDoublesExponent)
{
    const Wide tiny = Wide::FromParts(0.75L, -100000);
    EXPECT_EQ(tiny.ToHardware(), 0);
    EXPECT_EQ((tiny * Wide(-3)).Mantissa(), -0.5625L);  // -2.25 * 2^-100000
    EXPECT_EQ((tiny * Wide(-3)).Exponent(), -99998);
    EXPECT_EQ((tiny * tiny).Exponent(), -200000);
    // Scaled back into range, the value comes out exactly.
    EXPECT_EQ((tiny * Wide::FromParts(1, 100000)).ToHardware(), 0.75L);
    EXPECT_TRUE(std::isinf(Wide::FromParts(1, 20000).ToHardware()));
    // A sum ignores a part below its rounding, and keeps one within it.
    EXPECT_EQ((Wide(1) + tiny).ToHardware(), 1);
    const Wide nearby = Wide::FromParts(1, -100060);
    EXPECT_GT(tiny + nearby, tiny);
    EXPECT_EQ((tiny + nearby - tiny).Exponent(), nearby.Exponent());
    EXPECT_EQ((tiny - tiny).Mantissa(), 0);
}

TEST(WideFloatTest, OrdersBySignThenExponentThenMantissa)
{
    const Wide tiny = Wide::FromParts(0.5L, -50000);
    const Wide tinier = Wide::FromParts(0.9L, -60000);
    EXPECT_LT(tinier, tiny);
    EXPECT_LT(-tiny, -tinier);
    EXPECT_LT(-tinier, Wide(0));
    EXPECT_LT(Wide(0), tinier);
    EXPECT_LT(-Wide(1), tinier);
    EXPECT_FALSE(tiny < tiny);
    EXPECT_LT(Wide(1e-4000L), Wide(1));
    EXPECT_LT(tiny, Wide(1e-4000L));
}

TEST(WideFloatTest, ReadsArbitraryPrecisionValuesAtAnyExponent)
{
    BigFloat value(2000), scratch(2000);
    // 1/3 * 2^-90000 to 64 bits: the long double 1/3 scaled.
    mpf_set_ui(value, 1);
    mpf_div_ui(value, value, 3);
    const long double third = BigToLongDouble(value, scratch);
    mpf_div_2exp(value, value, 90000);
    const Wide read = BigToWide(value, scratch);
    EXPECT_EQ(read.Exponent(), -90000 - 1);
    EXPECT_EQ(read.Mantissa(), third * 2);
    mpf_neg(value, value);
    EXPECT_EQ(BigToWide(value, scratch).Mantissa(), -third * 2);
    mpf_set_ui(value, 0);
    EXPECT_EQ(BigToWide(value, scratch).Mantissa(), 0);
}

}  // namespace
