#include <gtest/gtest.h>

#include "engine/number_text.h"
#include "engine/row_bands.h"
#include "test_support.h"

namespace {

TEST(RowBands, SplitRoundsHalvesToEvenAndLastBandTakesTheRest)
{
    EXPECT_EQ(RowsPerBandFor(480, 7), 69);
    EXPECT_EQ(BandOf(6, 7, 69, 480).firstRow, 414);
    EXPECT_EQ(BandOf(6, 7, 69, 480).lastRow, 479);
    EXPECT_EQ(RowsPerBandFor(288, 7), 41);
    EXPECT_EQ(BandOf(6, 7, 41, 288).firstRow, 246);
    EXPECT_EQ(BandOf(6, 7, 41, 288).lastRow, 287);
    EXPECT_EQ(RowsPerBandFor(5, 2), 2);   // 2.5 -> 2
    EXPECT_EQ(RowsPerBandFor(7, 2), 4);   // 3.5 -> 4
    // 61 rows on 7 threads: R = 9, band 6 starts at 54 and ends at 60.
    EXPECT_EQ(BandOf(5, 7, 9, 61).lastRow, 53);
    EXPECT_EQ(BandOf(6, 7, 9, 61).lastRow, 60);
    // More threads than rows: early bands are empty, none reaches past the end.
    const RowBand beyond = BandOf(5, 8, 1, 3);
    EXPECT_LT(beyond.lastRow, beyond.firstRow);
    EXPECT_EQ(BandOf(7, 8, 1, 3).lastRow, 2);
    EXPECT_GT(BandOf(7, 8, 1, 3).firstRow, BandOf(7, 8, 1, 3).lastRow);
}

TEST(StateDefaults, PictureSizeFollowsScreenWidth)
{
    EXPECT_EQ(PictureWidthForScreen(1280), 640);
    EXPECT_EQ(PictureHeightForScreen(1280), 480);
    EXPECT_EQ(PictureWidthForScreen(1024), 512);
    EXPECT_EQ(PictureHeightForScreen(1024), 384);
    EXPECT_EQ(PictureWidthForScreen(800), 352);
    EXPECT_EQ(PictureHeightForScreen(640), 288);
}

TEST(StateDefaults, ModeLookupTakesTheLowestModeBit)
{
    EXPECT_EQ(DrawingModeNumber(5), 1);
    EXPECT_EQ(DrawingModeNumber(1 | (1 << 27)), 26);
    EXPECT_EQ(DrawingModeChar(1 | (1 << 27)), 'P');
    EXPECT_EQ(DrawingModeNumber((1 << 4) | (1 << 9)), 3);
    EXPECT_EQ(DrawingModeNumber(3), 0);
    EXPECT_EQ(DrawingModeChar(3), '\0');
    EXPECT_EQ(DrawingModeNumber(1 << 30), 0);
}

class ResetTest : public FreshStateTest {};

TEST_F(ResetTest, ResetParametersKeepsJuliaView)
{
    State.JuliaRealmin = -1.8L;
    State.JuliaRe = 0.3L;
    State.Realmin = -1;
    State.IterMax = 5000;
    State.FractalFlags = 2 | (1 << 5);
    State.DeepZoom = 1;
    ResetParameters();
    EXPECT_EQ(State.FractalFlags, 5);
    EXPECT_EQ(State.Realmin, -2.5L);
    EXPECT_EQ(State.IterMax, 100);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.JuliaRealmin, -1.8L);
    EXPECT_EQ(State.JuliaRe, 0.3L);
    EXPECT_EQ(State.Bailout, 128);
}

TEST(NumberText, BlankSignAndExponent)
{
    EXPECT_EQ(NumberText(0.125f, 7), " 0.125");
    EXPECT_EQ(NumberText(-2.5L, 15), "-2.5");
    EXPECT_EQ(NumberText(1.5e-20L, 18), " 1.5E-20");
    EXPECT_EQ(NumberText(0.015f, 7), " 0.015");
    EXPECT_EQ(NumberText(3.0e25L, 7), " 3E+25");
}

}  // namespace
