#include "engine/cycle_jump.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/big_float.h"
#include "engine/big_to_hardware.h"

namespace {

constexpr int Bits = 256;

// A real cycle of z^2 + c: the fixed point (1 - sqrt(1 - 4c)) / 2, or the
// values (-1 +- sqrt(-3 - 4c)) / 2 of period 2.
struct RealCycle {
    BigFloat values[2]{BigFloat(Bits), BigFloat(Bits)};
    int period = 1;

    RealCycle(double c, int cyclePeriod) : period(cyclePeriod)
    {
        BigFloat root(Bits);
        mpf_set_d(root, period == 1 ? 1 - 4 * c : -3 - 4 * c);
        mpf_sqrt(root, root);
        if (period == 1) {
            mpf_ui_sub(values[0], 1, root);
        } else {
            mpf_sub_ui(values[0], root, 1);
            mpf_neg(values[1], root);
            mpf_sub_ui(values[1], values[1], 1);
            mpf_div_2exp(values[1], values[1], 1);
        }
        mpf_div_2exp(values[0], values[0], 1);
    }

    mpf_srcptr At(int64_t n) const { return values[n % period]; }

    // `prefix` other values, then the cycle, to 64 + 53 bits as the
    // reference keeps it.
    ReferenceOrbit Orbit(int64_t length, int64_t prefix = 0) const
    {
        ReferenceOrbit orbit;
        for (int64_t n = 0; n < prefix; ++n) {
            orbit.re.push_back(0.1L * static_cast<long double>(n + 1));
            orbit.im.push_back(0);
            orbit.reLow.push_back(0);
            orbit.imLow.push_back(0);
        }
        BigFloat scratch(Bits), low(Bits);
        for (int64_t n = 0; n < length - prefix; ++n) {
            const long double high = BigToLongDouble(At(n), scratch);
            mpf_set_d(low, static_cast<double>(high));
            mpf_sub(low, At(n), low);
            mpf_set_d(scratch, static_cast<double>(high - static_cast<double>(high)));
            mpf_sub(low, low, scratch);
            orbit.re.push_back(high);
            orbit.im.push_back(0);
            orbit.reLow.push_back(mpf_get_d(low));
            orbit.imLow.push_back(0);
        }
        return orbit;
    }

    // delta := 2 Z_m delta + delta^2 from index `first`, n times at 256 bits.
    void Iterate(BigFloat& re, BigFloat& im, int64_t first, int64_t n) const
    {
        BigFloat twice(Bits), a(Bits), b(Bits), t(Bits);
        for (int64_t k = first; k < first + n; ++k) {
            mpf_mul_2exp(twice, At(k), 1);
            mpf_mul(a, re, re);
            mpf_mul(b, im, im);
            mpf_sub(a, a, b);  // re^2 - im^2
            mpf_mul(t, re, im);
            mpf_mul_2exp(t, t, 1);
            mpf_mul(re, re, twice);
            mpf_add(re, re, a);
            mpf_mul(im, im, twice);
            mpf_add(im, im, t);
        }
    }
};

void SetBig(BigFloat& big, long double x)
{
    const double high = static_cast<double>(x);
    BigFloat low(Bits);
    mpf_set_d(big, high);
    mpf_set_d(low, static_cast<double>(x - high));
    mpf_add(big, big, low);
}

void SetBig(BigFloat& big, DoubleDouble x)
{
    BigFloat low(Bits);
    mpf_set_d(big, x.hi);
    mpf_set_d(low, x.lo);
    mpf_add(big, big, low);
}

template <typename T>
double RelativeError(const JumpComplex<T>& x, mpf_srcptr trueRe, mpf_srcptr trueIm)
{
    BigFloat re(Bits), im(Bits);
    SetBig(re, x.re);
    SetBig(im, x.im);
    mpf_sub(re, re, trueRe);
    mpf_sub(im, im, trueIm);
    return std::hypot(mpf_get_d(re), mpf_get_d(im)) / std::hypot(mpf_get_d(trueRe), mpf_get_d(trueIm));
}

// A jump of `passes` passes from index m as the pixels take it, in T.
template <typename T>
JumpComplex<T> Jumped(const CycleJump<T>& jump, int64_t m, JumpComplex<T> delta, int64_t passes)
{
    JumpComplex<T> landing{};
    BlaSize<T> growth = 0;
    EXPECT_EQ(jump.Jump(m, delta, 0, passes, landing, growth), passes);
    return landing;
}

}  // namespace

TEST(CycleJumpTest, JumpsAreTheIterationsTheyPassOver)
{
    // A fixed point that barely repels (lambda = 1 - sqrt(4.04), -1.00998)
    // and a cycle of period 2 (lambda = 4 (c + 1), -1.04) after three other
    // values, from either of its values.
    for (const auto& [c, period] : {std::pair{-0.76, 1}, {-1.26, 2}}) {
        const RealCycle cycle(c, period);
        const int64_t prefix = period == 1 ? 0 : 3;
        const CycleJump<DoubleDouble> jump = CycleJumpOf(cycle.Orbit(100, prefix));
        ASSERT_EQ(jump.from, prefix) << c;
        ASSERT_EQ(jump.period, period) << c;
        EXPECT_GT(jump.reach, 1e-3) << c;
        const CycleJump<double> inDouble = Rounded<double>(jump);
        const CycleJump<long double> inLongDouble = Rounded<long double>(jump);
        // From far inside the reach (w is delta) and from a fifth of it (w
        // found by the inverse).
        for (const double start : {1e-30, jump.reach / 5}) {
            for (int64_t m = prefix; m < prefix + period; ++m) {
                const std::string what = std::to_string(c) + " from " + std::to_string(start) + " at " +
                                         std::to_string(m);
                const double startRe = 0.6 * start, startIm = 0.8 * start;
                // As many passes as take it to half the reach.
                JumpComplex<DoubleDouble> landing;
                double growth = 0;
                const int64_t passes = jump.Jump(m, {DoubleDouble(startRe, 0), DoubleDouble(startIm, 0)}, 0, 1 << 20,
                                                 landing, growth);
                ASSERT_GE(passes, 1) << what;
                BigFloat re(Bits), im(Bits);
                mpf_set_d(re, startRe);
                mpf_set_d(im, startIm);
                cycle.Iterate(re, im, m - prefix, 4 * passes);
                // Landing within half the reach.
                EXPECT_LT(std::hypot(mpf_get_d(re), mpf_get_d(im)), jump.reach / 2 * 1.2) << what;

                EXPECT_LT(RelativeError(landing, re, im), 1e-28) << what;
                EXPECT_LT(RelativeError(Jumped(inDouble, m, {startRe, startIm}, passes), re, im), 1e-13) << what;
                EXPECT_LT(RelativeError(Jumped(inLongDouble, m, {startRe, startIm}, passes), re, im), 1e-16)
                    << what;

                // An error of delta grows by no more than the bound says.
                const double nudge = 1e-9 * start;
                JumpComplex<long double> a, b;
                long double bound = 0;
                ASSERT_EQ(inLongDouble.Jump(m, {startRe, startIm}, 0, passes, a, bound), passes) << what;
                inLongDouble.Jump(m, {startRe + nudge, startIm}, 0, passes, b, bound);
                EXPECT_LE(std::hypot(a.re - b.re, a.im - b.im), bound * nudge) << what;
                EXPECT_GE(std::hypot(a.re - b.re, a.im - b.im), bound * nudge / 4) << what;
            }
        }
    }
}

TEST(CycleJumpTest, OnlyOrbitsEndingOnACycleThatBarelyRepelsJump)
{
    // Attracting (lambda = 1 - sqrt(3)) and repelling fast (lambda = 1 - 3).
    EXPECT_EQ(CycleJumpOf(RealCycle(-0.5, 1).Orbit(100)).from, -1);
    EXPECT_EQ(CycleJumpOf(RealCycle(-2, 1).Orbit(100)).from, -1);
    // Orbits that end on the cycle after other values, for long enough.
    ReferenceOrbit landing = RealCycle(-0.76, 1).Orbit(200);
    landing.reLow[150] += 0x1p-90;
    EXPECT_EQ(CycleJumpOf(landing).from, 151);
    landing.reLow[195] += 0x1p-90;
    EXPECT_EQ(CycleJumpOf(landing).from, -1);
}
