#include <random>

#include "color/palette_generation.h"
#include "color/palette_setup.h"
#include "engine/number_text.h"
#include "test_support.h"

namespace {

class PaletteSetupTest : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        UsePictureSize(8, 6);
    }
};

TEST_F(PaletteSetupTest, ChannelLabelsFollowHsl)
{
    EXPECT_EQ(PaletteFieldLabel(0, false), "Red start");
    EXPECT_EQ(PaletteFieldLabel(4, false), "Green step");
    EXPECT_EQ(PaletteFieldLabel(8, false), "Blue stop");
    EXPECT_EQ(PaletteFieldLabel(0, true), "Hue start");
    EXPECT_EQ(PaletteFieldLabel(4, true), "Sat. step");
    EXPECT_EQ(PaletteFieldLabel(8, true), "Lum. stop");
}

TEST_F(PaletteSetupTest, FieldsReadAsFloat32WithTheirFallbacks)
{
    ReadPaletteFields({{"12", "abc", " 2.5", "1.9", "", "-3", "245", "1e3", "7x"}, "0"});
    EXPECT_EQ(State.PaletteGen, (std::array<float, 9>{12, 0, 2.5f, 1.9f, 0, -3, 245, 1000, 7}));
    EXPECT_EQ(State.MaxColorStep, 1.0f);
    ReadPaletteFields({{}, "0.3"});
    EXPECT_EQ(State.MaxColorStep, 0.3f);

    State.PaletteGen = {12, 0.1234567f, -0.5f, 1.9f, 3e-20f, 16777216, 0, 1e7f, 255};
    const PaletteFields shown = CurrentPaletteFields();
    EXPECT_EQ(shown.generator[0], "12");
    EXPECT_EQ(shown.generator[1], "0.1234567");
    EXPECT_EQ(shown.generator[2], "-0.5");
    EXPECT_EQ(shown.generator[3], "1.9");
    EXPECT_EQ(shown.generator[4], "3E-20");
    EXPECT_EQ(shown.generator[5], "1.677722E+7");
    EXPECT_EQ(shown.maxColorStep, "0.3");
}

// What the fields show reads back as a value that shows the same text, so a
// palette generated from the fields can be generated again from them.
TEST_F(PaletteSetupTest, ShownTextsAreStableUnderReadingBack)
{
    std::mt19937 engine(7);
    std::uniform_real_distribution<float> draw(0.0f, 300.0f);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = PaletteValueText(draw(engine));
        const auto readBack = static_cast<float>(ReadNumberText(text));
        ASSERT_EQ(PaletteValueText(readBack), text);
    }
}

TEST_F(PaletteSetupTest, OffsetSliderRangeAndPosition)
{
    EXPECT_EQ(PaletteOffsetRange(100).minimum, 1);
    EXPECT_EQ(PaletteOffsetRange(100).maximum, 262043);
    EXPECT_EQ(PaletteOffsetRange(262141).maximum, 2);
    // No room left: still one position, never an inverted range.
    EXPECT_EQ(PaletteOffsetRange(262142).maximum, 1);
    EXPECT_EQ(PaletteOffsetRange(300000).maximum, 1);

    State.PaletteOffset = 5;
    EXPECT_EQ(PaletteOffsetSliderPosition(), 6);
    State.PaletteOffset = -10;
    EXPECT_EQ(PaletteOffsetSliderPosition(), 1);
    State.PaletteOffset = 2147483647;
    EXPECT_EQ(PaletteOffsetSliderPosition(), 262043);
    State.IterMax = 300000;
    EXPECT_EQ(PaletteOffsetSliderPosition(), 1);
}

TEST_F(PaletteSetupTest, MovingTheThumbRecoloursWithTheWholePosition)
{
    State.PictureLocked = 1;
    const int shown = platform.framesShown;
    MovePaletteOffset(70000);
    EXPECT_EQ(State.PaletteOffset, 69999);  // no wrap at 65536
    EXPECT_EQ(State.PictureLocked, 0);
    EXPECT_EQ(platform.framesShown, shown + 1);

    EXPECT_EQ(PaletteOffsetCaption(0), "PALETTE SETUP  Palette offset:  0");
    EXPECT_EQ(PaletteOffsetCaption(41), "PALETTE SETUP  Palette offset:  41");
    EXPECT_EQ(PaletteOffsetCaption(-1), "PALETTE SETUP  Palette offset: -1");
}

TEST_F(PaletteSetupTest, SwitchesToggleAndRecolourWithoutRegenerating)
{
    BuildDefaultPalette();
    const auto palette = Palette;
    const int32_t options = State.ColorOptions;
    for (const PaletteSwitch which : PaletteSwitches) {
        State.PictureLocked = 1;
        const int shown = platform.framesShown;
        TogglePaletteSwitch(which);
        EXPECT_TRUE(PaletteSwitchOn(which)) << PaletteSwitchLabel(which);
        EXPECT_EQ(State.PictureLocked, 0);
        EXPECT_EQ(platform.framesShown, shown + 1);
    }
    EXPECT_EQ(State.PaletteHSL + State.PaletteInverse + State.PaletteReverse + State.PaletteExp2 + State.PaletteExp3, 5);
    EXPECT_EQ(State.ColorOptions, options | 32);
    // Entry 0 is the display's inside black; the rest waits for a generation.
    EXPECT_TRUE(std::equal(palette.begin() + 1, palette.end(), Palette.begin() + 1));

    TogglePaletteSwitch(PaletteSwitch::Inverse);
    EXPECT_FALSE(PaletteSwitchOn(PaletteSwitch::Inverse));
    EXPECT_EQ(State.ColorOptions, options);
    EXPECT_EQ(PaletteSwitchLabel(PaletteSwitch::Exp2), "Exp 2");
}

}  // namespace
