#include <gtest/gtest.h>

#include <vector>

#include "engine/escape_free_tiles.h"
#include "engine/kernels_extended.h"
#include "test_support.h"

namespace {

struct View {
    long double re0;
    long double im0;
    long double step;
    int32_t iterMax;
    double bailout;
    bool julia = false;
    long double juliaRe = 0;
    long double juliaIm = 0;
};

constexpr int32_t Width = 96;
constexpr int32_t Height = 72;

EscapeFreeFrame FrameOf(const View& view, int32_t variant)
{
    EscapeFreeFrame frame;
    long double x = view.re0;
    for (int32_t column = 0; column < Width; ++column, x += view.step)
        frame.columnRe.push_back(x);
    long double y = view.im0;
    for (int32_t row = 0; row < Height; ++row, y += view.step)
        frame.rowIm.push_back(y);
    frame.mandelbrot = !view.julia;
    frame.juliaRe = view.juliaRe;
    frame.juliaIm = view.juliaIm;
    frame.iterMax = view.iterMax;
    frame.limit = EscapeFreeLimit(variant, view.bailout);
    return frame;
}

struct KernelValues {
    std::vector<int32_t> escapes;
    std::vector<float> a;
    std::vector<float> b;
};

// The kernel's results of the whole view, every pixel iterated unless it is
// trapped below `trapLimit`.
KernelValues RunKernel(const View& view, int32_t variant, double trapLimit)
{
    KernelValues values{std::vector<int32_t>(Width * Height), std::vector<float>(Width * Height),
                        std::vector<float>(Width * Height)};
    std::vector<int32_t>& escapes = values.escapes;
    std::vector<float>& a = values.a;
    std::vector<float>& b = values.b;
    WorkerRecord record;
    record.IterMax = view.iterMax;
    record.IterOut = escapes.data();
    record.ZReOut = a.data();
    record.ZImOut = b.data();
    record.IsMandelbrot = view.julia ? 0 : 1;
    record.Width = Width;
    record.FirstRow = 0;
    record.LastRow = Height - 1;
    record.Bailout = view.bailout;
    record.Re0 = view.re0;
    record.StepRe = view.step;
    record.Im0 = view.im0;
    record.StepIm = view.step;
    record.JuliaRe = view.juliaRe;
    record.JuliaIm = view.juliaIm;
    RunExtendedKernel(variant, record, nullptr, nullptr, trapLimit);
    return values;
}

std::vector<int32_t> Escapes(const View& view, int32_t variant)
{
    return RunKernel(view, variant, 0).escapes;
}

struct MarkedPixels {
    int64_t inside = 0;
    int64_t marked = 0;
};

// Marks every tile of the view and counts the marked pixels and those the
// kernel finds inside; a marked pixel that escapes fails the test.
MarkedPixels MarkTiles(const View& view, int32_t variant)
{
    const EscapeFreeFrame frame = FrameOf(view, variant);
    std::vector<uint8_t> marks(Width * Height, 0);
    for (int32_t tile = 0; tile < EscapeFreeTileCount(frame); ++tile)
        MarkEscapeFreeTile(frame, tile, marks.data());
    const std::vector<int32_t> escapes = Escapes(view, variant);
    MarkedPixels pixels;
    for (size_t k = 0; k < marks.size(); ++k) {
        pixels.inside += escapes[k] == 0;
        pixels.marked += marks[k];
        if (marks[k] != 0 && escapes[k] != 0) {
            ADD_FAILURE() << "pixel " << k << " escapes at " << escapes[k];
            break;
        }
    }
    return pixels;
}

class EscapeFreeTiles : public FreshStateTest {};

TEST_F(EscapeFreeTiles, ProveOnlyPixelsTheKernelsFindInsideAndMostOfThoseInLargeAreas)
{
    const View views[] = {
        // Seahorse valley spiral: filaments that escape just before the budget.
        {-0.7436439L, 0.1318255L, 2e-8L, 1000, 128},
        // The cardioid's edge and the disc of period 2 at a bailout below 4.
        {-0.80L, -0.05L, 0.0025L, 400, 2.5},
        // The rabbit's Julia set, its interior and its hairs.
        {-1.2L, -0.9L, 0.025L, 300, 128, true, -0.123L, 0.745L},
    };
    for (int32_t variant = 1; variant <= 2; ++variant) {
        for (const View& view : views) {
            SCOPED_TRACE(testing::Message() << "variant " << variant << " at " << static_cast<double>(view.re0));
            const MarkedPixels pixels = MarkTiles(view, variant);
            EXPECT_GT(pixels.marked, pixels.inside / 3);
            EXPECT_LT(pixels.inside, Width * Height);
        }
    }
}

TEST_F(EscapeFreeTiles, EdgesOfTheCardioidAndThePeriodTwoDiscAreMarkedWhereOrbitsSettleSlowly)
{
    const View views[] = {
        {-0.7636L, 0.1168L, 0.0004L, 2000, 4},  // the seahorse valley's neck, the cardioid's side
        {0.20L, -0.036L, 0.001L, 3000, 4},      // the cusp, where outside orbits linger longest
        {-1.30L, -0.05L, 0.001L, 2000, 4},      // the disc of period 2 and its hairs
    };
    for (int32_t variant = 1; variant <= 2; ++variant) {
        for (const View& view : views) {
            SCOPED_TRACE(testing::Message() << "variant " << variant << " at " << static_cast<double>(view.re0));
            const MarkedPixels pixels = MarkTiles(view, variant);
            EXPECT_LT(pixels.inside, Width * Height);
            // Variant 2's tests allow |z|^2 below 2 only, which orbits near the neck pass.
            if (variant == 1 || view.re0 > 0) {
                EXPECT_GT(pixels.marked, pixels.inside * 4 / 5);
            }
        }
    }
}

TEST_F(EscapeFreeTiles, TrappedPixelsAreInsideAndEveryOtherResultIsAsIterated)
{
    struct Case {
        View view;
        bool shortCycles;  // the inside pixels settle on cycles of a few steps
    };
    const Case cases[] = {
        {{-0.80L, -0.05L, 0.0025L, 400, 2.5}, true},                      // fixed point and period 2
        {{-1.2L, -0.9L, 0.025L, 300, 128, true, -0.123L, 0.745L}, true},  // period 3
        {{-0.7436439L, 0.1318255L, 2e-8L, 1000, 128}, false},             // filaments escaping late
    };
    for (int32_t variant = 1; variant <= 2; ++variant) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "variant " << variant << " at " << static_cast<double>(c.view.re0));
            const KernelValues iterated = RunKernel(c.view, variant, 0);
            const KernelValues trapped = RunKernel(c.view, variant, EscapeFreeLimit(variant, c.view.bailout));
            ASSERT_EQ(trapped.escapes, iterated.escapes);
            int64_t inside = 0;
            int64_t ended = 0;
            for (size_t k = 0; k < iterated.escapes.size(); ++k) {
                const bool endedEarly = trapped.a[k] != iterated.a[k] || trapped.b[k] != iterated.b[k];
                ASSERT_TRUE(!endedEarly || iterated.escapes[k] == 0) << "pixel " << k;
                inside += iterated.escapes[k] == 0;
                ended += endedEarly;
            }
            EXPECT_GT(inside, 0);
            if (c.shortCycles) {
                EXPECT_GT(ended, inside / 2);
            }
        }
    }
}

TEST_F(EscapeFreeTiles, NothingIsProvenWhereTheTestsAreNotFamilyAOrTheBudgetIsLong)
{
    EXPECT_EQ(EscapeFreeLimit(3, 128), 0);
    EXPECT_EQ(EscapeFreeLimit(5, 128), 0);
    EXPECT_EQ(EscapeFreeLimit(1, -1), 0);
    EXPECT_EQ(EscapeFreeLimit(1, 0x1p-120), 0);
    EXPECT_GT(EscapeFreeLimit(2, 1), 0);
    EXPECT_EQ(EscapeFreeTileCount(FrameOf({-0.2L, -0.1L, 0.001L, 100, 128}, 4)), 0);
    // Budgets where the kernels' skipped periods beat following every step.
    EXPECT_GT(EscapeFreeTileCount(FrameOf({-0.2L, -0.1L, 0.001L, 60000, 128}, 1)), 0);
    EXPECT_EQ(EscapeFreeTileCount(FrameOf({-0.2L, -0.1L, 0.001L, 100000, 128}, 1)), 0);
}

TEST_F(EscapeFreeTiles, KernelStoresFlaggedPixelsAsInsideWithoutIteratingThem)
{
    // c = 1 escapes at once; flagged, it is stored as inside all the same.
    int32_t escape[2] = {-1, -1};
    float a[2] = {-1, -1}, b[2] = {-1, -1};
    const uint8_t flags[2] = {1, 0};
    WorkerRecord record;
    record.IterMax = 100;
    record.IterOut = escape;
    record.ZReOut = a;
    record.ZImOut = b;
    record.IsMandelbrot = 1;
    record.Width = 2;
    record.LastRow = 0;
    record.Bailout = 4;
    record.Re0 = 1;
    record.StepRe = 0;
    RunExtendedKernel(1, record, nullptr, flags);
    EXPECT_EQ(escape[0], 0);
    EXPECT_EQ(a[0], 0.0f);
    EXPECT_GT(escape[1], 0);
}

}  // namespace
