#include "color/palette_generation.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "nav/palette_apply.h"
#include "test_support.h"

namespace {

constexpr int32_t SmoothColorBit = 2;

class PaletteApplyTest : public FreshStateTest {
protected:
    std::vector<int32_t> frameValues;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(12, 9);
        State.FrameValid = 1;  // a picture is on screen
        EscapeValueCapture = &frameValues;
    }
    void TearDown() override
    {
        EscapeValueCapture = nullptr;
        FreshStateTest::TearDown();
    }
    bool FrameComputed() const { return !frameValues.empty(); }
};

TEST_F(PaletteApplyTest, GenerateReadsTheFieldsAndRecolours)
{
    const PaletteFields fields{{"30", "oops", "90", "2", "1", "3", "200", "100", "250"}, "0"};
    const int shown = platform.framesShown;
    GeneratePaletteCommand(fields);
    const auto generated = Palette;
    EXPECT_EQ(State.PaletteGen, (std::array<float, 9>{30, 0, 90, 2, 1, 3, 200, 100, 250}));
    EXPECT_EQ(State.MaxColorStep, 1.0f);
    EXPECT_EQ(generated[1] >> 16, 26u);  // red 30, 28, 26
    EXPECT_FALSE(FrameComputed());
    EXPECT_EQ(platform.framesShown, shown + 1);

    State.PaletteGen = {};
    GeneratePaletteRegular();
    ASSERT_NE(Palette, generated);
    GeneratePaletteCommand(fields);
    EXPECT_EQ(Palette, generated);
}

TEST_F(PaletteApplyTest, RandomEndsWithTheRegularPaletteOfTheShownValues)
{
    State.MaxColorStep = 3.7f;
    GeneratePaletteCommand(DrawRandomPaletteFields());
    EXPECT_EQ(State.PaletteKept, 1);
    const auto inputs = State.PaletteGen;
    const auto generated = Palette;
    GeneratePaletteCommand(CurrentPaletteFields());
    EXPECT_EQ(State.PaletteGen, inputs);
    EXPECT_EQ(Palette, generated);
}

TEST_F(PaletteApplyTest, SmoothColourNeedsANewFrame)
{
    State.ColorOptions |= SmoothColorBit;
    ApplyPalette();
    EXPECT_TRUE(platform.messages.empty());  // no question outside deep zoom
    EXPECT_TRUE(FrameComputed());
    EXPECT_EQ(State.FrameValid, 1);

    State.ColorOptions &= ~SmoothColorBit;
    frameValues.clear();
    ApplyPalette();
    EXPECT_FALSE(FrameComputed());
}

TEST_F(PaletteApplyTest, DeepZoomAsksBeforeTheNewFrame)
{
    ApplyTypedView({"-0.97e-20", "1.03e-20", "0.999999999999999999993", "1.000000000000000000008"});
    ASSERT_EQ(State.DeepZoom, 1);
    State.FrameValid = 1;
    State.ColorOptions |= SmoothColorBit;
    const int shown = platform.framesShown;
    platform.answers = {"Cancel"};
    ApplyPalette();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "REDRAW REQUIRED!\nDo You Want to Continue?");
    EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
    EXPECT_FALSE(FrameComputed());
    EXPECT_EQ(platform.framesShown, shown);  // nothing at all on Cancel

    platform.answers = {"OK"};
    ApplyPalette();
    EXPECT_EQ(platform.messages.size(), 2u);
    EXPECT_TRUE(FrameComputed());
    EXPECT_EQ(State.FrameValid, 1);
}

}  // namespace
