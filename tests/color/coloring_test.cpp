#include <cmath>
#include <limits>
#include <random>

#include "color/coloring.h"
#include "color/display.h"
#include "engine/rounding.h"
#include "test_support.h"

namespace {

class ColoringTest : public FreshStateTest {
protected:
    // Mandelbrot in the given mode (0: no mode bit) with the given options.
    static ColoringConstants For(int32_t modeNumber, int32_t colorOptions)
    {
        State.FractalFlags = 1 | (modeNumber ? 1 << (modeNumber + 1) : 0);
        State.ColorOptions = colorOptions;
        return PrepareColoring();
    }
    static int32_t Value(const ColoringConstants& k, int32_t n, float a, float b)
    {
        return ColorValue(k, n, a, b, static_cast<long double>(a) + b);
    }
    static constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
};

TEST_F(ColoringTest, PotentialConstantK)
{
    const auto kFor = [](double bailout) {
        State.Bailout = bailout;
        return static_cast<double>(PrepareColoring().K);
    };
    EXPECT_NEAR(kFor(128), 0.65937, 1e-5);
    EXPECT_NEAR(kFor(4), -1.61425, 1e-5);
    EXPECT_NEAR(kFor(100), 0.61087, 1e-5);
    EXPECT_EQ(kFor(2.7), 0);  // ln ln 2.7 < 0, whose logarithm counts as 0
    EXPECT_LT(kFor(10), 0);
    EXPECT_EQ(kFor(std::numeric_limits<double>::infinity()), 0);
}

TEST_F(ColoringTest, GenericModes)
{
    State.PotValue = 0.0001;  // S = 26.2144, Bailout 128
    EXPECT_EQ(ColorValue(For(1, 4), 10, 0, 0, 10000), 195);
    EXPECT_EQ(ColorValue(For(0, 4), 10, 0, 0, 10000), 195);  // no mode bit: as mode "0"
    EXPECT_EQ(ColorValue(For(1, 4), 0, 3, 4, 10000), 0);
    EXPECT_EQ(Value(For(1, 0), 300000, 1, 2), 300000);  // n itself, even beyond the table
}

// The potential's index is the long double formula's to the integer, also
// where the product lies within roundings of a half (potential factors chosen
// to put it there), for small and huge sums and counts.
TEST_F(ColoringTest, PotentialIndexIsTheLongDoubleFormulas)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    State.Bailout = 100;
    for (int trial = 0; trial < 200000; ++trial) {
        const int32_t n = static_cast<int32_t>(random() % (trial % 2 ? 2000 : 2000000)) + 1;
        const long double s = std::exp2l(unit(random) * (trial % 3 ? 12 : 1000)) + (trial % 5 ? 1.0L : 0.0L);
        State.PotValue = static_cast<float>(std::exp2(unit(random) * 20 - 24));
        ColoringConstants k = For(1, 4);
        if (trial % 4 == 0) {
            const long double count = ContinuousCount(k, n, s);
            k.S = (std::floor(k.S * count) + 0.5L) / count;
        }
        const int32_t expected = static_cast<int32_t>(RoundToInt64(k.S * ContinuousCount(k, n, s)) & 262143);
        ASSERT_EQ(ColorValue(k, n, 0, 0, s), expected) << n << " " << static_cast<double>(s);
    }
}

TEST_F(ColoringTest, ModeFormulas)
{
    State.Bailout = 4;
    State.IterMax = 100;
    EXPECT_EQ(Value(For(4, 0), 5, 1, 0), 253);      // "3": 405 * 0.625
    EXPECT_EQ(Value(For(3, 0), 7, 0.5f, 9), 8);     // "2": 7.5 to even
    EXPECT_EQ(Value(For(9, 0), 10, 0, 0.5f), 94);   // "8": ROUND(4.5) + 90
    EXPECT_EQ(Value(For(9, 0), 200, 0, 0.5f), 262048);  // negative M - n wraps in 32 bits
    // "A" and "E" never give index 0.
    EXPECT_EQ(Value(For(11, 0), 5, -0.02f, 0.25f), 1);  // 41 * -0.0185 + 1 rounds to 0
    EXPECT_EQ(Value(For(15, 0), 5, 2, 0), 1);
    EXPECT_EQ(Value(For(15, 0), 5, NaN, 0), 1);
    // "J": B < A gives n, else M - n; NaN takes the first branch.
    EXPECT_EQ(Value(For(20, 0), 30, 2, 1), 30);
    EXPECT_EQ(Value(For(20, 0), 30, 1, 1), 70);
    EXPECT_EQ(Value(For(20, 0), 30, NaN, 1), 30);
}

TEST_F(ColoringTest, CallerSumFeedsOnlyGenericPotentialAndSmoothing)
{
    for (int32_t mode : {18, 22, 23, 25}) {  // "H", "L", "M", "O" use A + B themselves
        const ColoringConstants k = For(mode, 0);
        EXPECT_EQ(ColorValue(k, 7, 3.5f, 1.25f, 1e6L), Value(k, 7, 3.5f, 1.25f)) << mode;
    }
    EXPECT_NE(ColorValue(For(1, 4), 7, 3.5f, 1.25f, 1e6L), Value(For(1, 4), 7, 3.5f, 1.25f));
}

TEST_F(ColoringTest, InsideRules)
{
    const float a = 0.5f, b = 0.25f;  // |z|^2 = 0.3125
    EXPECT_EQ(Value(For(1, 0), 0, a, b), 0);
    for (int32_t mode : {3, 5, 6, 20, 22, 23, 24})
        EXPECT_EQ(Value(For(mode, 0), 0, a, b), 281) << mode;  // wrap(900 * 0.3125)
    // "C" has no inside rule: its formula runs for n = 0 too.
    State.IterMax = 100;
    State.Bailout = 4;
    EXPECT_EQ(Value(For(13, 0), 0, a, b), 82);  // 100 * (arc(0.4375) + 0.75)
    // Inside colour overrides both rules with a direct colour.
    EXPECT_EQ(Value(For(3, 1), 0, 0, 0), -0x7F7F7F);
    EXPECT_EQ(Value(For(1, 1), 0, 0, 0), -0x7F7F7F);
}

TEST_F(ColoringTest, SmoothShadingOfPaletteColour)
{
    State.PaletteOffset = 3;
    const ColoringConstants k = For(1, 2);
    Palette[7] = 0x7F8001;  // f = 0.1 * log2(1024) + 1 = 2: 254 stays, 256 saturates
    EXPECT_EQ(ColorValue(k, 4, 0, 0, 1024), -(2 + 256 * 255 + 65536 * 254));
    Palette[7] = 0x640000;  // f = -1: negative saturates, zero stays
    EXPECT_EQ(ColorValue(k, 4, 0, 0, 0x1p-20L), -(65536 * 255));
    EXPECT_EQ(ColorValue(k, 4, 0, 0, 0), -0xFFFFFF);  // f = -inf, inf * 0 is NaN
    // Mode "R" at s = 1 gives f = 0: value 0, read later as palette index 0.
    EXPECT_EQ(ColorValue(For(28, 2), 7, 0, 0, 1), 0);
}

TEST_F(ColoringTest, PassRecoloursPictureInPlaceAndDisplays)
{
    UsePictureSize(3, 2);
    const ColoringConstants j = For(20, 0);
    for (int i = 0; i < 7; ++i) {
        Results.IterBuffer[i] = 10 * (i + 1);
        Results.ZReBuffer[i] = i % 2 ? 1.0f : 2.0f;
        Results.ZImBuffer[i] = 1.5f;
    }
    ColoringPass();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Results.IterBuffer[i], Value(j, 10 * (i + 1), Results.ZReBuffer[i], 1.5f)) << i;
    EXPECT_EQ(Results.IterBuffer[6], 70);  // spare element beyond the picture
    EXPECT_EQ(platform.framesShown, 1);
}

}  // namespace
