#include <limits>

#include "color/display.h"
#include "test_support.h"

namespace {

using DisplayTest = FreshStateTest;

TEST_F(DisplayTest, PaletteReadsStayInsideTheTable)
{
    Palette[1] = 11;
    Palette[PaletteSize - 1] = 22;
    Palette[PaletteSize] = 33;
    EXPECT_EQ(PaletteEntryAt(PaletteSize), 33u);
    EXPECT_EQ(PaletteEntryAt(PaletteSize + 1), 11u);
    EXPECT_EQ(PaletteEntryAt(-1), 22u);
    EXPECT_EQ(PaletteEntryAt(std::numeric_limits<int64_t>::min() + 1), 11u);
}

TEST_F(DisplayTest, PixelRule)
{
    Palette[10] = 0xABCDEF;
    State.PaletteOffset = 10;
    EXPECT_EQ(DisplayColor(-0x123456), 0x123456u);
    EXPECT_EQ(DisplayColor(0), 0xABCDEFu);
    EXPECT_EQ(DirectColor(std::numeric_limits<int32_t>::min()), 0u);
    State.PaletteOffset = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(DisplayColor(std::numeric_limits<int32_t>::max()), PaletteEntryAt(int64_t{2} * INT32_MAX));
}

TEST_F(DisplayTest, PictureIsTopDownAndClearsEntryZeroByMode)
{
    UsePictureSize(2, 3);
    for (int32_t i = 0; i < 6; ++i) {
        Palette[i] = 0x100 + i;
        Results.IterBuffer[i] = i;
    }
    Results.IterBuffer[5] = -0x00FF00;

    State.FractalFlags = 1 | (1 << 4);  // mode "2": fraction rule keeps entry 0
    DisplayPicture();
    EXPECT_EQ(FrameImage.pixels, (HugePageVector<uint32_t>{0x100, 0x101, 0x102, 0x103, 0x104, 0x00FF00}));
    EXPECT_EQ(platform.framesShown, 1);

    State.FractalFlags = 5;  // mode "0"
    const uint32_t* storage = FrameImage.pixels.data();
    DisplayPicture();
    EXPECT_EQ(Palette[0], 0u);
    EXPECT_EQ(FrameImage.pixels[0], 0u);
    EXPECT_EQ(FrameImage.pixels.data(), storage);
    EXPECT_TRUE(FrameImage.exists());
    EXPECT_EQ(FrameImage.width, 2);
    EXPECT_EQ(FrameImage.height, 3);
}

}  // namespace
