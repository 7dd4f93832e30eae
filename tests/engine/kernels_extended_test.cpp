#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/kernels_extended.h"
#include "test_support.h"

namespace {

struct PixelOutcome {
    int32_t escape;
    float a;
    float b;
};

// Runs one variant over a one-pixel band whose pixel sits at (re, im).
PixelOutcome RunPixel(int32_t variant, long double re, long double im, int32_t iterMax,
                      double bailout = 128, bool julia = false, long double juliaRe = 0,
                      long double juliaIm = 0)
{
    int32_t escape = -12345;
    float a = -1, b = -1;
    WorkerRecord record;
    record.IterMax = iterMax;
    record.IterOut = &escape;
    record.ZReOut = &a;
    record.ZImOut = &b;
    record.IsMandelbrot = julia ? 0 : 1;
    record.Width = 1;
    record.FirstRow = 0;
    record.LastRow = 0;
    record.Bailout = bailout;
    record.Re0 = re;
    record.Im0 = im;
    record.JuliaRe = juliaRe;
    record.JuliaIm = juliaIm;
    RunExtendedKernel(variant, record, nullptr);
    return {escape, a, b};
}

class ExtendedKernels : public FreshStateTest {};

TEST_F(ExtendedKernels, BoundedOrbitIsInsideWithEachVariantsFinalValues)
{
    // c = i: z = i, -1+i, -i, -1+i, -i, ... so after 99 kept iterations z = -1+i.
    const PixelOutcome v1 = RunPixel(1, 0, 1, 100);
    EXPECT_EQ(v1.escape, 0);
    EXPECT_EQ(v1.a, 1.0f);  // variant 1 stores the parts crossed
    EXPECT_EQ(v1.b, -1.0f);
    const PixelOutcome v2 = RunPixel(2, 0, 1, 100);
    EXPECT_EQ(v2.escape, 0);
    EXPECT_EQ(v2.a, -1.0f);
    EXPECT_EQ(v2.b, 1.0f);
    for (int variant = 3; variant <= 4; ++variant) {
        const PixelOutcome v = RunPixel(variant, 0, 1, 100);
        EXPECT_EQ(v.escape, 0) << variant;
    }
}

TEST_F(ExtendedKernels, StartingPointOutsideBailout)
{
    // z0 = c = 20: the first block's radius test fires, the pixel restarts from
    // its own z and fails the slow test at once.
    const PixelOutcome v1 = RunPixel(1, 20, 0, 100);
    EXPECT_EQ(v1.escape, 5);
    EXPECT_EQ(v1.a, 400.0f);
    EXPECT_EQ(v1.b, 0.0f);
    EXPECT_EQ(RunPixel(2, 20, 0, 100).escape, 1);
    // Family B notices it one block late.
    const PixelOutcome v4 = RunPixel(4, 20, 0, 100);
    EXPECT_EQ(v4.escape, 9);
    // z4 = ((20^2+20)^2+20)^2+20 ... squared: only its square is stored.
    long double z = 20;
    for (int k = 0; k < 4; ++k)
        z = z * z + 20;
    EXPECT_EQ(v4.a, static_cast<float>(z * z));
    // Below six iterations only the single steps run, from the pixel's own z.
    EXPECT_EQ(RunPixel(4, 20, 0, 5).escape, 5);
}

TEST_F(ExtendedKernels, VariantTwoTestsTwiceTheRealSquare)
{
    // z0 = 20i passes 2*zr^2 = 0; z1 = -400 + 20i escapes after one step.
    const PixelOutcome v2 = RunPixel(2, 0, 20, 100);
    EXPECT_EQ(v2.escape, 2);
    EXPECT_EQ(v2.a, 160000.0f);
    EXPECT_EQ(v2.b, 400.0f);
    // Variant 1 escapes on the modulus at once.
    EXPECT_EQ(RunPixel(1, 0, 20, 100).escape, 5);
}

TEST_F(ExtendedKernels, FamilyBEscapeTestsAndValues)
{
    // z0 = c = 3 + 3i: zr^2 = 9, zr*zi = 9, zi^2 = 9; with bailout 16
    // variant 3 (9 + 9) and 4 (9 + 9) escape at i = 0 when IterMax < 6.
    EXPECT_EQ(RunPixel(3, 3, 3, 5, 16).escape, 5);
    EXPECT_EQ(RunPixel(4, 3, 3, 5, 16).escape, 5);
    // Variant 5: t = zi*p + p = 27 + 9; A = p, B = zi*p.
    const PixelOutcome v5 = RunPixel(5, 3, 3, 5, 35);
    EXPECT_EQ(v5.escape, 5);
    EXPECT_EQ(v5.a, 9.0f);
    EXPECT_EQ(v5.b, 27.0f);
    EXPECT_EQ(RunPixel(5, 3, 3, 5, 36).escape, 7);  // t = -6930, then about 2.7e9
}

TEST_F(ExtendedKernels, CountsMatchAPlainOrbitOnEscape)
{
    // Once the radius test fires the pixel resumes from a checkpoint that
    // lies before the escape, so the counts equal those of a plain orbit:
    // m + 5 for variant 1, m + 1 for variant 2 (m = steps before the test passes).
    const long double cr = -0.75L, ci = 0.1L;
    auto stepsUntil = [&](auto escaped) {
        long double zr = cr, zi = ci;
        int steps = 0;
        while (!escaped(zr, zi)) {
            const long double cross = zr * zi;
            const long double re = zr * zr - zi * zi + cr;
            zi = cross + cross + ci;
            zr = re;
            ++steps;
        }
        return steps;
    };
    const int m1 = stepsUntil([](long double zr, long double zi) {
        return static_cast<float>(zr * zr + zi * zi) > 128.0f;
    });
    const int m2 = stepsUntil([](long double zr, long double) {
        return static_cast<float>(zr * zr + zr * zr) >= 128.0f;
    });
    EXPECT_EQ(RunPixel(1, cr, ci, 1000).escape, m1 + 5);
    EXPECT_EQ(RunPixel(2, cr, ci, 1000).escape, m2 + 1);
}

TEST_F(ExtendedKernels, BoundedOrbitAfterLateRadiusTestEnds)
{
    // Julia c = -2 on the real axis keeps orbits in [-2, 2] while their
    // float32 radius may round up to 4: such pixels must still finish.
    std::vector<int32_t> escape(401);
    std::vector<float> a(401), b(401);
    WorkerRecord record;
    record.IterMax = 997;
    record.IterOut = escape.data();
    record.ZReOut = a.data();
    record.ZImOut = b.data();
    record.IsMandelbrot = 0;
    record.Width = 401;
    record.LastRow = 0;
    record.Bailout = 128;
    record.Re0 = -2;
    record.StepRe = 0.01L;
    record.JuliaRe = -2;
    RunExtendedKernel(1, record, nullptr);
    for (int32_t value : escape)
        EXPECT_EQ(value, 0);
}

TEST_F(ExtendedKernels, StopRequestEndsEveryVariantAfterOnePixel)
{
    std::vector<int32_t> escape(8, -7);
    std::vector<float> a(8), b(8);
    WorkerRecord record;
    record.IterMax = 50;
    record.IterOut = escape.data();
    record.ZReOut = a.data();
    record.ZImOut = b.data();
    record.IsMandelbrot = 1;
    record.Width = 8;
    record.LastRow = 0;
    record.Bailout = 128;
    record.StepRe = 0.1L;
    State.StopRequest = 1;
    RunExtendedKernel(1, record, nullptr);
    EXPECT_NE(escape[0], -7);
    EXPECT_EQ(escape[1], -7);
    std::fill(escape.begin(), escape.end(), -7);
    RunExtendedKernel(3, record, nullptr);
    EXPECT_NE(escape[0], -7);
    EXPECT_EQ(escape[1], -7);
}

}  // namespace
