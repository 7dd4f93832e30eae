#include "color/drawing_modes.h"
#include "test_support.h"

namespace {

using DrawingModesTest = FreshStateTest;

TEST_F(DrawingModesTest, KernelVariantAndInsideRule)
{
    EXPECT_EQ(KernelVariantForMode(1), 1);
    EXPECT_EQ(KernelVariantForMode(2), 2);
    EXPECT_EQ(KernelVariantForMode(25), 1);
    EXPECT_EQ(KernelVariantForMode(26), 3);
    EXPECT_EQ(KernelVariantForMode(28), 5);
    // Per mode number 0..28 ("", "0".."9", "A".."R"): Z index 0, F fraction, N none.
    const char rules[] = "ZZZFZFFZZZZZZNZNZNZZFZFFFZZZZ";
    const char* names = "ZFN";
    for (int32_t mode = 0; mode <= 28; ++mode)
        EXPECT_EQ(names[static_cast<int>(InsideRuleForMode(mode))], rules[mode]) << mode;
}

TEST_F(DrawingModesTest, ChoosingSetsModeBitKeepsFractalTypeAndDefaults)
{
    State.FractalFlags = 2 | (1 << 9) | (1 << 20);  // Julia with two stray mode bits
    ChooseDrawingMode(5);
    EXPECT_EQ(State.FractalFlags, 2 | (1 << 7));
    ChooseDrawingMode(28);  // outside the list: mode "0"
    EXPECT_EQ(State.FractalFlags, 2 | (1 << 2));

    struct Row {
        int32_t entry;
        double bailout;
        int32_t potentialAndSmooth;
        float maxColorStep;
    };
    for (const Row& row : {Row{0, 128, 4, 1.9f}, Row{1, 4, 2, 5}, Row{2, 4, 0, 5}, Row{24, 4, 0, 5},
                           Row{25, 4, 6, 5}, Row{27, 4, 6, 5}}) {
        State.ColorOptions = 1 | (6 - row.potentialAndSmooth);  // start from the opposite
        ChooseDrawingMode(row.entry);
        EXPECT_EQ(State.Bailout, row.bailout) << row.entry;
        EXPECT_EQ(State.ColorOptions, 1 | row.potentialAndSmooth) << row.entry;
        EXPECT_EQ(State.MaxColorStep, row.maxColorStep) << row.entry;
    }
}

TEST_F(DrawingModesTest, DefaultPaletteReplacedUnlessKept)
{
    ChooseDrawingMode(2);  // potential and smooth off: red starts at 218, step 5
    EXPECT_EQ(Palette[0] >> 16, 213u);

    State.PaletteKept = 1;
    Palette[0] = 0x123456;
    ChooseDrawingMode(0);
    EXPECT_EQ(State.PaletteGen[0], 218);
    EXPECT_EQ(Palette[0], 0x123456u);
}

}  // namespace
