#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "engine/deep_pixel.h"

namespace {

// The pixel loop as it was before cycles were skipped: every iteration runs.
template <int Variant>
int32_t IterateEveryStep(DeepRegisters& r, mpf_srcptr cr, mpf_srcptr ci, int32_t iterMax,
                         unsigned long n, float& aOut, float& bOut)
{
    constexpr bool lagged = Variant >= 3;
    mpf_set(r.passRe, r.zr);
    mpf_set(r.passIm, r.zi);
    int64_t e = 3;
    double previous = 2.0;
    while (e <= iterMax) {
        mpf_set(r.passRe, r.zr);
        mpf_set(r.passIm, r.zi);
        FullIteration(r, cr, ci);
        FullIteration(r, cr, ci);
        FullIteration(r, cr, ci);
        mpf_mul(r.t, r.zr, r.zi);
        mpf_mul(r.a, r.zr, r.zr);
        mpf_mul(r.b, r.zi, r.zi);
        mpf_add(r.s, r.a, r.b);
        if (lagged) {
            if (previous > 4.0)
                break;
            previous = mpf_get_d(r.s);
        } else if (mpf_cmp_ui(r.s, 4) > 0) {
            break;
        }
        FinishIteration(r, cr, ci);
        e += 4;
    }
    mpf_set(r.zr, r.passRe);
    mpf_set(r.zi, r.passIm);
    for (int64_t j = e - 3; j <= iterMax; ++j) {
        mpf_mul(r.t, r.zi, r.zr);
        mpf_mul(r.a, r.zr, r.zr);
        if (Variant == 5)
            mpf_mul(r.b, r.zi, r.t);
        else
            mpf_mul(r.b, r.zi, r.zi);
        if (Variant == 1 || Variant == 4)
            mpf_add(r.s, r.b, r.a);
        else if (Variant == 5)
            mpf_add(r.s, r.b, r.t);
        else
            mpf_add(r.s, r.t, r.a);
        if (mpf_cmp_ui(r.s, n) > 0) {
            aOut = static_cast<float>(mpf_get_d(r.a));
            bOut = static_cast<float>(mpf_get_d(r.b));
            return ToStoredCount(Variant == 2 ? j : j + 5);
        }
        FinishIteration(r, cr, ci);
    }
    aOut = static_cast<float>(mpf_get_d(r.zr));
    bOut = static_cast<float>(mpf_get_d(r.zi));
    return 0;
}

struct Point {
    const char* re;
    const char* im;
};

struct Outcome {
    int32_t count;
    uint32_t a;
    uint32_t b;
    bool operator==(const Outcome&) const = default;
};

// Runs z0 = start under c = param (Julia) or c = start (Mandelbrot).
template <int Variant, bool SkipCycles>
Outcome RunPixel(int32_t bits, Point start, const Point* param, int32_t iterMax, unsigned long bailout)
{
    DeepRegisters r(bits);
    mpf_set_str(r.x, start.re, 10);
    mpf_set_str(r.y, start.im, 10);
    if (param) {
        mpf_set_str(r.juliaRe, param->re, 10);
        mpf_set_str(r.juliaIm, param->im, 10);
    }
    mpf_set(r.zr, r.x);
    mpf_set(r.zi, r.y);
    mpf_srcptr cr = param ? r.juliaRe.get() : r.x.get();
    mpf_srcptr ci = param ? r.juliaIm.get() : r.y.get();
    float a = 0, b = 0;
    const int32_t count = SkipCycles ? DeepPixel<Variant>(r, cr, ci, iterMax, bailout, a, b)
                                     : IterateEveryStep<Variant>(r, cr, ci, iterMax, bailout, a, b);
    return {count, std::bit_cast<uint32_t>(a), std::bit_cast<uint32_t>(b)};
}

// Budgets around pass boundaries and long enough for late, long cycles.
const std::vector<int32_t> Budgets = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 64, 99, 100, 257, 1000, 3001};

template <int Variant>
void ExpectSameAsEveryStep(int32_t bits, const std::vector<Point>& starts, const Point* param)
{
    for (const Point& start : starts)
        for (int32_t iterMax : Budgets)
            for (unsigned long bailout : {4ul, 128ul}) {
                const Outcome skipping = RunPixel<Variant, true>(bits, start, param, iterMax, bailout);
                const Outcome stepping = RunPixel<Variant, false>(bits, start, param, iterMax, bailout);
                ASSERT_EQ(skipping, stepping) << "variant " << Variant << " at " << start.re << " "
                                              << start.im << " IterMax " << iterMax << " bailout "
                                              << bailout << (param ? " julia" : "");
            }
}

void ExpectAllVariantsSameAsEveryStep(int32_t bits, const std::vector<Point>& starts,
                                      const Point* param = nullptr)
{
    ExpectSameAsEveryStep<1>(bits, starts, param);
    ExpectSameAsEveryStep<2>(bits, starts, param);
    ExpectSameAsEveryStep<3>(bits, starts, param);
    ExpectSameAsEveryStep<4>(bits, starts, param);
    ExpectSameAsEveryStep<5>(bits, starts, param);
}

TEST(DeepPixelCycles, InsideTheCardioidAndThePeriodTwoDisc)
{
    ExpectAllVariantsSameAsEveryStep(96, {{"0", "0"}, {"-0.1", "0.1"}, {"0.2", "-0.3"}, {"-0.5", "0.5"},
                                          {"-1", "0"}, {"-1", "0.1"}, {"-1.2", "-0.05"}, {"0", "1"}});
}

TEST(DeepPixelCycles, MinibrotInteriorsSeenAtTenToTheMinusTwenty)
{
    // Centres of the period-3, -4 and -5 components on the real axis, and
    // neighbours 1e-20 away.
    ExpectAllVariantsSameAsEveryStep(
        128, {{"-1.7548776662466927600495088963585286918946066177728", "0"},
              {"-1.75487766624669276004950889635852869189", "1e-20"},
              {"-1.75487766624669276005950889635852869189", "-3e-20"},
              {"-1.3107026413368328835635707974121807785019316276259", "2e-20"},
              {"-1.9854242530542053106097505827186743372617016073153", "1e-20"},
              {"-1.98542425305420531060975058271867433726", "-1e-20"}});
}

TEST(DeepPixelCycles, BoundaryAndEscapingPixels)
{
    // The cusp and the discs' meeting point converge too slowly to repeat;
    // the others escape, some after long stays near the set.
    ExpectAllVariantsSameAsEveryStep(96, {{"0.25", "0"}, {"-0.75", "0"}, {"-0.75", "1e-10"},
                                          {"0.2501", "0"}, {"0.3", "0.5"}, {"-2", "0"},
                                          {"-2.0001", "0"}, {"20", "0"}, {"0.5", "-0.6"}});
}

TEST(DeepPixelCycles, JuliaSetsInsideOnAndOutside)
{
    const Point rabbit{"-0.12256116687665361237", "0.74486176661974423659"};
    ExpectAllVariantsSameAsEveryStep(96, {{"0", "0"}, {"0.1", "0.1"}, {"-0.3", "0.2"}, {"1.5", "0"},
                                          {"0.5", "0.5"}, {"1e-20", "0"}},
                                     &rabbit);
    const Point basilica{"-1", "0"};
    ExpectAllVariantsSameAsEveryStep(128, {{"0", "0"}, {"0.2", "0.1"}, {"1.7", "0"}}, &basilica);
}

TEST(DeepPixelCycles, RepeatingOrbitAtTheLargestBudgetEndsAsAtASmallOne)
{
    // c = i repeats -1+i, -i from z1 on; an even budget ends where 100 does.
    // Iterating every step would take hours here.
    const Outcome hundred = RunPixel<1, false>(96, {"0", "1"}, nullptr, 100, 128);
    EXPECT_EQ((RunPixel<1, true>(96, {"0", "1"}, nullptr, 2147483646, 128)), hundred);
    const Outcome lagged = RunPixel<4, false>(96, {"0", "1"}, nullptr, 100, 128);
    EXPECT_EQ((RunPixel<4, true>(96, {"0", "1"}, nullptr, 2147483646, 128)), lagged);
}

}  // namespace
