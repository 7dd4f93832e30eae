#include <gtest/gtest.h>

#include <vector>

#include "engine/double_lane_blocks.h"
#include "engine/kernels_extended.h"
#include "test_support.h"

namespace {

struct Band {
    std::vector<int32_t> escape;
    std::vector<float> a, b;
};

struct View {
    long double re, im, size;
    int32_t iterMax;
};

constexpr int32_t Width = 96;
constexpr int32_t Height = 72;

// Every pixel of a Width x Height view, row by row as the frame hands them out.
Band RunView(int32_t variant, ExtendedLanes lanes, const View& view)
{
    Band band;
    const size_t count = static_cast<size_t>(Width) * Height;
    band.escape.assign(count, -1);
    band.a.assign(count, 0);
    band.b.assign(count, 0);
    WorkerRecord record;
    record.IterMax = view.iterMax;
    record.IsMandelbrot = 1;
    record.Width = Width;
    record.Bailout = 4;
    record.StepRe = view.size / Width;
    record.StepIm = view.size / Width;
    record.Re0 = view.re - view.size / 2;
    for (int32_t row = 0; row < Height; ++row) {
        const size_t first = static_cast<size_t>(row) * Width;
        record.FirstRow = record.LastRow = row;
        record.Im0 = view.im - view.size / 2 * Height / Width + row * record.StepIm;
        record.IterOut = band.escape.data() + first;
        record.ZReOut = band.a.data() + first;
        record.ZImOut = band.b.data() + first;
        RunExtendedKernel(variant, record, nullptr, nullptr, 0, lanes);
    }
    return band;
}

class DoubleLanes : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        if (!DoubleLanesAvailable())
            GTEST_SKIP() << "no vector lanes on this processor";
    }
};

// Long chaotic orbits, where double's digits run out hundreds of steps
// before long double's: without the pixels its bound hands back, a tenth of
// the 1e-10 view's counts differ.
TEST_F(DoubleLanes, CountsAgreeWithTheExtendedKernelsOnLongChaoticOrbits)
{
    const long double seahorseRe = -0.743643887037158704752191506114774L;
    const long double seahorseIm = 0.131825904205311970493132056385139L;
    const View views[] = {
        {seahorseRe, seahorseIm, 4e-6L, 1500},
        {seahorseRe, seahorseIm, 1e-10L, 1500},
        {-1.7497591451303665L, 1e-16L, 3e-8L, 1000},
        {-0.7746806106269039L, -0.1374168856037867L, 1e-7L, 1500},
    };
    for (const View& view : views) {
        for (int32_t variant = 1; variant <= 5; ++variant) {
            const Band exact = RunView(variant, ExtendedLanes::X87, view);
            const Band fast = RunView(variant, ExtendedLanes::Double, view);
            size_t same = 0;
            for (size_t k = 0; k < exact.escape.size(); ++k)
                same += exact.escape[k] == fast.escape[k];
            EXPECT_GE(same, exact.escape.size() * 999 / 1000) << view.size << " variant " << variant;
        }
    }
}

// Orbits that come round exactly in both widths: the periods skipped and the
// last block's slow phase give the extended kernels' values to the bit.
TEST_F(DoubleLanes, PeriodicOrbitsEndAsTheExtendedKernelsEndThem)
{
    for (int32_t variant = 1; variant <= 5; ++variant) {
        for (const View& view : {View{0, 1, 0, 100001}, View{-1, 0, 0, 99998}, View{0, 0, 0, 5000}}) {
            const Band exact = RunView(variant, ExtendedLanes::X87, view);
            const Band fast = RunView(variant, ExtendedLanes::Double, view);
            EXPECT_EQ(fast.escape, exact.escape) << variant;
            EXPECT_EQ(fast.a, exact.a) << variant;
            EXPECT_EQ(fast.b, exact.b) << variant;
        }
    }
}

// An attracting cycle of period 3, three blocks long, that each width
// reaches with its own last digits: the skipped periods land on the same
// point of the cycle.
TEST_F(DoubleLanes, SkippedPeriodsLandOnTheSamePointOfTheCycle)
{
    for (int32_t variant = 1; variant <= 5; ++variant) {
        for (int32_t iterMax : {100001, 100002, 100003}) {
            const View rabbit{-0.1226L, 0.7449L, 0, iterMax};
            const Band exact = RunView(variant, ExtendedLanes::X87, rabbit);
            const Band fast = RunView(variant, ExtendedLanes::Double, rabbit);
            EXPECT_EQ(fast.escape, exact.escape) << variant;
            for (size_t k = 0; k < exact.a.size(); k += 997) {
                EXPECT_NEAR(fast.a[k], exact.a[k], 1e-5) << variant << " " << iterMax;
                EXPECT_NEAR(fast.b[k], exact.b[k], 1e-5) << variant << " " << iterMax;
            }
        }
    }
}

}  // namespace
