#include <gtest/gtest.h>

#include <vector>

#include "engine/kernels_deep.h"
#include "engine/kernels_extended.h"
#include "test_support.h"

namespace {

struct DeepOutcome {
    int32_t escape;
    float a;
    float b;
};

// One pixel at (re, im) through a deep worker of the given variant.
DeepOutcome RunDeepPixel(int32_t variant, double re, double im, int32_t iterMax, double bailout = 128,
                         int32_t bits = 96)
{
    int32_t escape = -12345;
    float a = -1, b = -1;
    DeepWorkItem item;
    item.IterMax = iterMax;
    item.IterOut = &escape;
    item.ZReOut = &a;
    item.ZImOut = &b;
    item.Precision = bits;
    item.Columns = 1;
    item.FirstRow = 0;
    item.LastRow = 0;
    item.Bailout = bailout;
    for (BigFloat* value : {&item.RealStart, &item.RealStep, &item.ImagStart, &item.ImagStep,
                            &item.JuliaRe, &item.JuliaIm})
        value->Create(bits);
    mpf_set_d(item.RealStart, re);
    mpf_set_d(item.ImagStart, im);
    RunDeepKernel(variant, item);
    return {escape, a, b};
}

class DeepKernels : public FreshStateTest {};

TEST_F(DeepKernels, StartingPointOutsideBailout)
{
    // |z3|^2 > 4 sends the pixel back to z0 with j = 0; z0 = 20 fails at once.
    const DeepOutcome v1 = RunDeepPixel(1, 20, 0, 100);
    EXPECT_EQ(v1.escape, 5);
    EXPECT_EQ(v1.a, 400.0f);
    EXPECT_EQ(v1.b, 0.0f);
    // Variant 2 reports j itself: an escape at j = 0 looks like an inside pixel.
    EXPECT_EQ(RunDeepPixel(2, 20, 0, 100).escape, 0);
    // The lagged variants notice it one pass late and resume at z4.
    EXPECT_EQ(RunDeepPixel(3, 20, 0, 100).escape, 9);
    EXPECT_EQ(RunDeepPixel(4, 20, 0, 100).escape, 9);
    // Variant 5's sum zr*zi^2 + zr*zi stays 0 on the real axis: never escapes.
    EXPECT_EQ(RunDeepPixel(5, 20, 0, 100).escape, 0);
}

TEST_F(DeepKernels, InsidePixelsKeepZOfThreeStepsBeforeTheEnd)
{
    // c = i: z = i, -1+i, -i, -1+i, ... ; z(N-3) = z97 = -1+i, never crossed.
    for (int variant = 1; variant <= 4; ++variant) {
        const DeepOutcome v = RunDeepPixel(variant, 0, 1, 100);
        EXPECT_EQ(v.escape, 0) << variant;
        EXPECT_EQ(v.a, -1.0f) << variant;
        EXPECT_EQ(v.b, 1.0f) << variant;
    }
    // Variant 5's own step from z96 = -i: t = 0, b = zi*t = 0, so z = (0, 1).
    const DeepOutcome v5 = RunDeepPixel(5, 0, 1, 100);
    EXPECT_EQ(v5.escape, 0);
    EXPECT_EQ(v5.a, 0.0f);
    EXPECT_EQ(v5.b, 1.0f);
}

TEST_F(DeepKernels, BailoutRoundsHalfToEven)
{
    // c = 1.5: |z0|^2 = 2.25, |z1|^2 = 14.06.
    EXPECT_EQ(RunDeepPixel(1, 1.5, 0, 100, 2.5).escape, 5);  // n = 2
    EXPECT_EQ(RunDeepPixel(1, 1.5, 0, 100, 3.5).escape, 6);  // n = 4
}

TEST_F(DeepKernels, FewerThanThreeIterationsStartFromZ0)
{
    EXPECT_EQ(RunDeepPixel(1, 1.5, 0, 2, 3.5).escape, 6);
    const DeepOutcome inside = RunDeepPixel(1, 0.25, 0, 1);
    EXPECT_EQ(inside.escape, 0);
    // z0 = 0.25, two steps: 0.3125, 0.34765625.
    EXPECT_EQ(inside.a, 0.34765625f);
}

TEST_F(DeepKernels, VariantOneAgreesWithTheExtendedKernel)
{
    // Away from rounding-sensitive orbits both give the same count.
    const double points[][2] = {{-0.75, 0.1}, {0.3, 0.5}, {-1.25, 0.05}, {0.26, 0.0}, {-0.1, 0.9}};
    for (const auto& point : points) {
        int32_t escape = 0;
        float a = 0, b = 0;
        WorkerRecord record;
        record.IterMax = 500;
        record.IterOut = &escape;
        record.ZReOut = &a;
        record.ZImOut = &b;
        record.IsMandelbrot = 1;
        record.Width = 1;
        record.LastRow = 0;
        record.Bailout = 128;
        record.Re0 = point[0];
        record.Im0 = point[1];
        RunExtendedKernel(1, record, nullptr);
        EXPECT_EQ(RunDeepPixel(1, point[0], point[1], 500, 128, 160).escape, escape)
            << point[0] << " " << point[1];
    }
}

TEST_F(DeepKernels, JuliaUsesTheItemsConstantAndStopEndsTheBand)
{
    std::vector<int32_t> escape(16, -1);
    std::vector<float> a(16), b(16);
    DeepWorkItem item;
    item.IterMax = 50;
    item.IterOut = escape.data();
    item.ZReOut = a.data();
    item.ZImOut = b.data();
    item.IsMandelbrot = 0;
    item.Columns = 4;
    item.FirstRow = 0;
    item.LastRow = 3;
    item.Bailout = 128;
    for (BigFloat* value : {&item.RealStart, &item.RealStep, &item.ImagStart, &item.ImagStep,
                            &item.JuliaRe, &item.JuliaIm})
        value->Create(96);
    mpf_set_d(item.RealStep, 0.01);
    mpf_set_d(item.ImagStep, 0.01);
    RunDeepKernel(1, item);  // c = 0: every small z stays inside
    for (int32_t value : escape)
        EXPECT_EQ(value, 0);
    mpf_set_d(item.JuliaRe, 20);
    std::fill(escape.begin(), escape.end(), -1);
    State.StopRequest = 1;
    RunDeepKernel(1, item);
    EXPECT_EQ(escape[0], 6);  // z0 = 0, z1 = 20
    EXPECT_EQ(escape[1], -1);
}

}  // namespace
