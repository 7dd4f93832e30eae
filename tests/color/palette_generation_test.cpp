#include <cstdint>

#include "color/palette_generation.h"
#include "test_support.h"

namespace {

int32_t Red(uint32_t entry) { return static_cast<int32_t>(entry >> 16); }

using PaletteGenerationTest = FreshStateTest;

TEST_F(PaletteGenerationTest, ChannelsBounceBetweenStepAndStop)
{
    BuildDefaultPalette();  // start-up options: red starts at 12, step 1, stop 245
    EXPECT_EQ(State.PaletteKept, 0);
    EXPECT_EQ(Red(Palette[0]), 11);  // the first move is downward
    EXPECT_EQ(Red(Palette[11]), 0);
    EXPECT_EQ(Red(Palette[12]), 1);
    EXPECT_EQ(Red(Palette[257]), 246);  // first value above the stop
    EXPECT_EQ(Red(Palette[258]), 245);

    // Red: stop below start, falls until below the step, halves to even.
    // Green: stop below step, where the upward test wins.
    State.PaletteGen = {13, 10, 0, 2.5f, 6, 0, 5, 2, 255};
    GeneratePaletteRegular();
    const int32_t red[] = {10, 8, 6, 3, 0, 3, 6, 3, 0};  // 10.5 8 5.5 3 0.5 3 5.5 3 0.5
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(Red(Palette[i]), red[i]) << "entry " << i;
        EXPECT_EQ((Palette[i] >> 8) & 255, i % 2 ? 10u : 4u) << "entry " << i;
    }
}

TEST_F(PaletteGenerationTest, SmoothDefaultKeepsStartAndStop)
{
    State.PaletteGen = {1, 2, 3, 9, 9, 9, 7, 8, 9};
    State.ColorOptions = 2;
    BuildDefaultPalette();
    EXPECT_EQ(State.PaletteGen, (std::array<float, 9>{1, 2, 3, 5, 3, 4, 7, 8, 9}));
}

TEST_F(PaletteGenerationTest, MirrorPassesRunInPlace)
{
    BuildDefaultPalette();
    const auto plain = Palette;
    constexpr size_t last = PaletteSize - 1;
    State.PaletteExp2 = 1;
    GeneratePaletteRegular();
    for (size_t i = 0; i < PaletteSize; ++i)
        ASSERT_EQ(Palette[i], plain[i > last / 2 ? i : last - i]) << i;

    State.PaletteExp2 = 0;
    State.PaletteExp3 = 1;
    GeneratePaletteRegular();
    for (size_t i = 0; i < PaletteSize; ++i)
        ASSERT_EQ(Palette[i], i > last / 2 ? plain[i] : plain[last - i] ^ 0xFFFFFFu) << i;
}

TEST_F(PaletteGenerationTest, ChannelSwitches)
{
    SetPaletteInverse(1);
    EXPECT_EQ(State.ColorOptions & 32, 32);
    BuildDefaultPalette();
    EXPECT_EQ(Red(Palette[0]), 255 - 11);
    SetPaletteInverse(0);
    EXPECT_EQ(State.ColorOptions & 32, 0);

    // Step 0 keeps every entry at the start colour.
    const auto firstEntryFor = [](float c0, float c1, float c2) {
        State.PaletteGen = {c0, c1, c2, 0, 0, 0, 255, 255, 255};
        GeneratePaletteRegular();
        return Palette[0];
    };
    State.PaletteReverse = 1;  // inverts and swaps red and blue
    EXPECT_EQ(firstEntryFor(200, 100, 50), 0xCD9B37u);
    EXPECT_EQ(firstEntryFor(255, 0, 0), 0xFFFF00u);
    State.PaletteReverse = 0;
    State.PaletteHSL = 1;  // luminance, saturation, hue from channels 0, 1, 2
    EXPECT_EQ(firstEntryFor(127, 254, 170), 0x0700FFu);
}

TEST_F(PaletteGenerationTest, HslConversion)
{
    using Rgb = std::array<int32_t, 3>;
    const auto rgb = [](int32_t h, int32_t s, int32_t l) {
        const RgbTriple c = HslToRgb(h, s, l);
        return Rgb{c.red, c.green, c.blue};
    };
    EXPECT_EQ(rgb(0, 254, 127), (Rgb{255, 0, 0}));
    EXPECT_EQ(rgb(85, 254, 127), (Rgb{0, 255, 0}));
    EXPECT_EQ(rgb(170, 254, 127), (Rgb{7, 0, 255}));  // T = 6.5 rounds to 6
    EXPECT_EQ(rgb(100, 100, 200), (Rgb{180, 222, 195}));
    // T = 12.5 in exact arithmetic computes just above the half in extended
    // precision (double would give 12 and a green of 13).
    EXPECT_EQ(rgb(2, 254, 127), (Rgb{255, 14, 0}));
    EXPECT_EQ(rgb(40, 0, 127), (Rgb{128, 128, 128}));  // 127.5 to even
    EXPECT_EQ(rgb(40, 0, 255), (Rgb{255, 255, 255}));  // 256 cut to 255
    // Red's argument 285 is reduced once to 31, green's argument for H = 31.
    EXPECT_EQ(rgb(200, 180, 90)[0], rgb(31, 180, 90)[1]);
}

TEST_F(PaletteGenerationTest, RandomPaletteIsTheRegularLoopFromEntryOne)
{
    State.MaxColorStep = 5;
    GeneratePaletteRandom();
    EXPECT_EQ(State.PaletteKept, 1);
    EXPECT_EQ(Palette[0], 0u);
    for (int k = 0; k < 3; ++k) {
        const float start = State.PaletteGen[k], step = State.PaletteGen[3 + k];
        EXPECT_EQ(start, static_cast<int32_t>(start));
        EXPECT_TRUE(0 <= start && start <= State.PaletteGen[6 + k] && State.PaletteGen[6 + k] <= 255);
        EXPECT_TRUE(0 <= step && step <= 5) << step;
    }
    const auto random = Palette;
    GeneratePaletteRegular();
    for (size_t i = 0; i < PaletteSize; ++i)
        ASSERT_EQ(random[i + 1], Palette[i]) << i;
}

}  // namespace
