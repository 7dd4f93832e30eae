// The band kernels and the single-pixel entries against a plain one-pixel
// model of each variant's loop, bit for bit on the count and both floats.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/kernels_extended.h"
#include "test_support.h"

namespace {

struct Outcome {
    int32_t escape;
    uint32_t a;
    uint32_t b;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os)
{
    *os << "{" << o.escape << ", " << std::bit_cast<float>(o.a) << " (0x" << std::hex << o.a
        << "), " << std::bit_cast<float>(o.b) << " (0x" << o.b << std::dec << ")}";
}

Outcome Make(int32_t escape, float a, float b)
{
    return {escape, std::bit_cast<uint32_t>(a), std::bit_cast<uint32_t>(b)};
}

uint32_t Bits(float value)
{
    return std::bit_cast<uint32_t>(value);
}

void Step(long double& zr, long double& zi, long double cr, long double ci)
{
    const long double cross = zr * zi;
    const long double re = zr * zr - zi * zi + cr;
    zi = cross + cross + ci;
    zr = re;
}

// Family A as one pixel runs it: blocks of four with the float32 radius test,
// then single steps; `lagged` is the progressive "P"/"Q" form.
Outcome ReferenceFamilyA(int variant, bool lagged, int32_t iterMax, double bailout, long double zr,
                         long double zi, long double cr, long double ci)
{
    const uint32_t bailoutBits = Bits(static_cast<float>(bailout));
    int64_t r = static_cast<int64_t>(iterMax) - 3;
    uint32_t previous = Bits(2.0f);
    for (;;) {
        const long double zsr = zr, zsi = zi;
        Step(zr, zi, cr, ci);
        Step(zr, zi, cr, ci);
        Step(zr, zi, cr, ci);
        const uint32_t radius = Bits(static_cast<float>(zr * zr + zi * zi));
        if (variant == 1)
            r -= 4;
        if ((lagged ? previous : radius) >= Bits(4.0f)) {
            zr = zsr;
            zi = zsi;
            r += 3;
            break;
        }
        previous = radius;
        Step(zr, zi, cr, ci);
        if (variant == 2)
            r -= 4;
        if (r < 0) {
            zr = zsr;
            zi = zsi;
            r = 3;
            break;
        }
    }
    for (;;) {
        const long double sr = zr * zr, si = zi * zi;
        const float test = static_cast<float>(lagged || variant == 1 ? sr + si : sr + sr);
        const bool escaped = variant == 1 && !lagged ? Bits(test) > bailoutBits : Bits(test) >= bailoutBits;
        if (escaped)
            return Make(static_cast<int32_t>(iterMax - r + 1), static_cast<float>(sr),
                        static_cast<float>(si));
        Step(zr, zi, cr, ci);
        --r;
        if (r == 0 || r == -64)
            return variant == 1 && !lagged ? Make(0, static_cast<float>(zi), static_cast<float>(zr))
                                           : Make(0, static_cast<float>(zr), static_cast<float>(zi));
    }
}

// Family B: lagged float64 radius test per block, then each variant's test.
Outcome ReferenceFamilyB(int variant, int32_t iterMax, double bailout, long double zr,
                         long double zi, long double cr, long double ci)
{
    const long double limit = static_cast<float>(bailout);
    double previous = 2.0;
    int64_t i = 3;
    long double zsr = zr, zsi = zi;
    while (i <= static_cast<int64_t>(iterMax) - 3) {
        zsr = zr;
        zsi = zi;
        Step(zr, zi, cr, ci);
        Step(zr, zi, cr, ci);
        Step(zr, zi, cr, ci);
        const long double s = zr * zr + zi * zi;
        if (!(previous <= 4.0))
            break;
        previous = static_cast<double>(s);
        Step(zr, zi, cr, ci);
        i += 4;
    }
    zr = zsr;
    zi = zsi;
    i -= 3;
    long double lastProduct = 0;
    for (; i <= iterMax; ++i) {
        const long double sr = zr * zr, p = zr * zi;
        const long double q = variant == 5 ? zi * p : zi * zi;
        const long double t = variant == 3 ? sr + p : variant == 4 ? sr + q : q + p;
        if (t > limit)
            return Make(static_cast<int32_t>(i + 5), static_cast<float>(variant == 5 ? p : sr),
                        static_cast<float>(q));
        lastProduct = p;
        zr = sr - q + cr;
        zi = p + p + ci;
    }
    return Make(0, static_cast<float>(variant == 5 ? lastProduct : zr), static_cast<float>(zi));
}

Outcome Reference(int variant, int32_t iterMax, double bailout, long double zr, long double zi,
                  long double cr, long double ci)
{
    if (variant <= 2)
        return ReferenceFamilyA(variant, false, iterMax, bailout, zr, zi, cr, ci);
    return ReferenceFamilyB(variant, iterMax, bailout, zr, zi, cr, ci);
}

struct Band {
    WorkerRecord record;
    std::vector<int32_t> escape;
    std::vector<float> a, b;

    Band(int32_t width, int32_t rows) : escape(static_cast<size_t>(width) * rows, -99),
                                        a(escape.size()), b(escape.size())
    {
        record.IterOut = escape.data();
        record.ZReOut = a.data();
        record.ZImOut = b.data();
        record.Width = width;
        record.FirstRow = 3;
        record.LastRow = 3 + rows - 1;
    }
};

// Runs `variant` over the band and compares every pixel with the model, the
// coordinates accumulated as the kernels do.
void ExpectBandAgrees(int variant, Band& band)
{
    const WorkerRecord& rec = band.record;
    RunExtendedKernel(variant, rec, nullptr);
    long double y = rec.Im0;
    size_t k = 0;
    for (int32_t row = rec.FirstRow; row <= rec.LastRow; ++row, y += rec.StepIm) {
        long double x = rec.Re0;
        for (int32_t column = 0; column < rec.Width; ++column, ++k, x += rec.StepRe) {
            const bool mandelbrot = rec.IsMandelbrot != 0;
            const Outcome expected = Reference(variant, rec.IterMax, rec.Bailout, x, y,
                                               mandelbrot ? x : rec.JuliaRe, mandelbrot ? y : rec.JuliaIm);
            ASSERT_EQ(Make(band.escape[k], band.a[k], band.b[k]), expected)
                << "variant " << variant << " IterMax " << rec.IterMax << " bailout " << rec.Bailout
                << " pixel " << column << "," << row << " at " << static_cast<double>(x) << ","
                << static_cast<double>(y);
        }
    }
}

class ExtendedKernelAgreement : public FreshStateTest {};

TEST_F(ExtendedKernelAgreement, RandomViewsOfBothFractalsAndEveryBudget)
{
    std::mt19937_64 random(20);
    std::uniform_real_distribution<double> unit(0, 1);
    const int32_t budgets[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 37, 100, 1001, 4000};
    const double bailouts[] = {0.5, 4, 128, 1e6};
    for (int trial = 0; trial < 60; ++trial) {
        Band band(1 + static_cast<int32_t>(random() % 23), 1 + static_cast<int32_t>(random() % 4));
        WorkerRecord& rec = band.record;
        rec.IsMandelbrot = trial % 3 != 0;
        rec.IterMax = budgets[random() % std::size(budgets)];
        rec.Bailout = bailouts[random() % std::size(bailouts)];
        // From the whole set down to a hair's width on its edge.
        const long double size = std::pow(10.0L, -8 * unit(random)) * 3;
        rec.Re0 = -2.2L + 2.8L * unit(random);
        rec.Im0 = -1.2L + 2.4L * unit(random);
        rec.StepRe = size / rec.Width;
        rec.StepIm = size / rec.Width;
        rec.JuliaRe = -1.5L + 1.8L * unit(random);
        rec.JuliaIm = -0.8L + 1.6L * unit(random);
        for (int variant = 1; variant <= 5; ++variant) {
            std::fill(band.escape.begin(), band.escape.end(), -99);
            ExpectBandAgrees(variant, band);
        }
    }
}

TEST_F(ExtendedKernelAgreement, PeriodicPointsAtLargeBudgets)
{
    // Exact cycles (c = -1, 0, -2, i), attracting cycles that settle to a bit
    // pattern, a parabolic point that never quite settles, signed zeros.
    const long double points[][2] = {{-1, 0}, {0, 0},    {-2, 0},        {0, 1},       {-0.1L, 0.65L},
                                     {-1.3L, 0.05L}, {0.25L, 0}, {-0.75L, 0}, {0.3L, 0.5L}, {-0.0L, -0.0L},
                                     {-1.7548776662466927L, 0}};
    for (int32_t iterMax : {999, 100003, 200000}) {
        for (const auto& point : points) {
            Band band(3, 1);
            WorkerRecord& rec = band.record;
            rec.IsMandelbrot = 1;
            rec.IterMax = iterMax;
            rec.Bailout = 128;
            rec.Re0 = point[0];
            rec.Im0 = point[1];
            rec.StepRe = 1e-19L;
            for (int variant = 1; variant <= 5; ++variant)
                ExpectBandAgrees(variant, band);
        }
    }
}

TEST_F(ExtendedKernelAgreement, JuliaCyclesAndRowsOfMixedLengths)
{
    // Julia sets whose interiors settle into cycles, and Mandelbrot rows where
    // inside and escaping pixels alternate, so lanes finish far apart.
    for (int32_t iterMax : {50, 20011}) {
        for (const long double julia : {-0.123L, -1.0L, 0.27L}) {
            Band band(17, 3);
            WorkerRecord& rec = band.record;
            rec.IterMax = iterMax;
            rec.Bailout = 4;
            rec.Re0 = -1.6L;
            rec.Im0 = -0.9L;
            rec.StepRe = 0.19L;
            rec.StepIm = 0.6L;
            rec.JuliaRe = julia;
            rec.JuliaIm = julia == -1.0L ? 0 : 0.745L;
            for (int variant = 1; variant <= 5; ++variant)
                ExpectBandAgrees(variant, band);
            rec.IsMandelbrot = 1;
            rec.Re0 = -2.1L;
            rec.StepRe = 0.157L;
            for (int variant = 1; variant <= 5; ++variant)
                ExpectBandAgrees(variant, band);
        }
    }
}

TEST_F(ExtendedKernelAgreement, SinglePixelEntries)
{
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t iterMax = trial % 2 ? 257 : 9;
        const double bailout = trial % 3 ? 128 : 2;
        const PixelSetup setup = MakePixelSetup(iterMax, bailout);
        const long double cr = -0.6L + 1.4L * unit(random), ci = 1.1L * unit(random);
        const long double zr = trial % 4 ? cr : 0.5L * unit(random), zi = trial % 4 ? ci : 0.5L * unit(random);
        const PixelResult lagged = IteratePixel(ProgressiveLoop::LaggedVariant2, setup, zr, zi, cr, ci);
        EXPECT_EQ(Make(lagged.escape, lagged.a, lagged.b),
                  ReferenceFamilyA(2, true, iterMax, bailout, zr, zi, cr, ci));
        const PixelResult first = IteratePixel(ProgressiveLoop::Variant1, setup, zr, zi, cr, ci);
        EXPECT_EQ(Make(first.escape, first.a, first.b), Reference(1, iterMax, bailout, zr, zi, cr, ci));
        for (int variant = 1; variant <= 5; ++variant) {
            int32_t escape;
            float a, b;
            IterateKernelPixel(variant, setup, zr, zi, cr, ci, &escape, &a, &b);
            EXPECT_EQ(Make(escape, a, b), Reference(variant, iterMax, bailout, zr, zi, cr, ci))
                << "variant " << variant;
        }
    }
}

}  // namespace
