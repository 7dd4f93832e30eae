#include "engine/fixed_point_jump.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/big_float.h"
#include "engine/big_to_hardware.h"

namespace {

constexpr int Bits = 256;

// An orbit that stays on the fixed point (1 - sqrt(1 - 4c)) / 2 of z^2 + c
// for a real c below 1/4, to 64 + 53 bits as the reference keeps it.
ReferenceOrbit FixedOrbit(double c, int64_t length, BigFloat& alpha)
{
    BigFloat scratch(Bits);
    mpf_set_d(scratch, 1 - 4 * c);
    mpf_sqrt(scratch, scratch);
    mpf_ui_sub(alpha, 1, scratch);
    mpf_div_2exp(alpha, alpha, 1);
    const long double high = BigToLongDouble(alpha, scratch);
    BigFloat low(Bits);
    mpf_set_d(low, static_cast<double>(high));
    mpf_sub(low, alpha, low);
    mpf_set_d(scratch, static_cast<double>(high - static_cast<double>(high)));
    mpf_sub(low, low, scratch);
    ReferenceOrbit orbit;
    for (int64_t k = 0; k < length; ++k) {
        orbit.re.push_back(high);
        orbit.im.push_back(0);
        orbit.reLow.push_back(mpf_get_d(low));
        orbit.imLow.push_back(0);
    }
    return orbit;
}

// delta := lambda delta + delta^2 (lambda = 2 alpha), n times at 256 bits.
void Iterate(mpf_srcptr alpha, BigFloat& re, BigFloat& im, int64_t n)
{
    BigFloat lambda(Bits), a(Bits), b(Bits), t(Bits);
    mpf_mul_2exp(lambda, alpha, 1);
    for (int64_t k = 0; k < n; ++k) {
        mpf_mul(a, re, re);
        mpf_mul(b, im, im);
        mpf_sub(a, a, b);  // re^2 - im^2
        mpf_mul(t, re, im);
        mpf_mul_2exp(t, t, 1);
        mpf_mul(re, re, lambda);
        mpf_add(re, re, a);
        mpf_mul(im, im, lambda);
        mpf_add(im, im, t);
    }
}

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

// A jump of `passes` passes as the pixels take it, in T.
template <typename T>
JumpComplex<T> Jumped(const FixedPointJump<T>& jump, JumpComplex<T> delta, int64_t passes)
{
    JumpComplex<T> landing{};
    BlaSize<T> growth = 0;
    EXPECT_EQ(jump.Jump(delta, 0, passes, landing, growth), passes);
    return landing;
}

}  // namespace

TEST(FixedPointJumpTest, JumpsAreTheIterationsTheyPassOver)
{
    // lambda = 1 - sqrt(4.04): -1.00998, a fixed point that barely repels.
    BigFloat alpha(Bits);
    const ReferenceOrbit orbit = FixedOrbit(-0.76, 100, alpha);
    const FixedPointJump<DoubleDouble> jump = FixedPointJumpOf(orbit);
    ASSERT_EQ(jump.from, 0);
    EXPECT_GT(jump.reach, 1e-3);
    const FixedPointJump<double> inDouble = Rounded<double>(jump);
    const FixedPointJump<long double> inLongDouble = Rounded<long double>(jump);
    // From far inside the reach (w is delta) and from a quarter of it (w
    // found by the inverse).
    for (const double start : {1e-30, jump.reach / 5}) {
        const double startRe = 0.6 * start, startIm = 0.8 * start;
        // As many passes as take it to half the reach.
        JumpComplex<DoubleDouble> landing;
        double growth = 0;
        const int64_t passes =
            jump.Jump({DoubleDouble(startRe, 0), DoubleDouble(startIm, 0)}, 0, 1 << 20, landing, growth);
        ASSERT_GE(passes, 1) << start;
        BigFloat re(Bits), im(Bits);
        mpf_set_d(re, startRe);
        mpf_set_d(im, startIm);
        Iterate(alpha, re, im, 4 * passes);
        // Landing within half the reach.
        EXPECT_LT(std::hypot(mpf_get_d(re), mpf_get_d(im)), jump.reach / 2 * 1.2);

        EXPECT_LT(RelativeError(Jumped(jump, {DoubleDouble(startRe, 0), DoubleDouble(startIm, 0)}, passes), re, im),
                  1e-28)
            << start;
        EXPECT_LT(RelativeError(Jumped(inDouble, {startRe, startIm}, passes), re, im), 1e-13) << start;
        EXPECT_LT(RelativeError(Jumped(inLongDouble, {startRe, startIm}, passes), re, im), 1e-16) << start;

        // An error of delta grows by no more than the bound says.
        const double nudge = 1e-9 * start;
        JumpComplex<long double> from{startRe, startIm}, nudged{startRe + nudge, startIm}, a, b;
        long double bound = 0;
        ASSERT_EQ(inLongDouble.Jump(from, 0, passes, a, bound), passes);
        inLongDouble.Jump(nudged, 0, passes, b, bound);
        EXPECT_LE(std::hypot(a.re - b.re, a.im - b.im), bound * nudge) << start;
        EXPECT_GE(std::hypot(a.re - b.re, a.im - b.im), bound * nudge / 4) << start;
    }
}

TEST(FixedPointJumpTest, OnlyOrbitsEndingOnAFixedPointThatBarelyRepelsJump)
{
    BigFloat alpha(Bits);
    // Attracting (lambda = 1 - sqrt(3)) and repelling fast (lambda = 1 - 3).
    EXPECT_EQ(FixedPointJumpOf(FixedOrbit(-0.5, 100, alpha)).from, -1);
    EXPECT_EQ(FixedPointJumpOf(FixedOrbit(-2, 100, alpha)).from, -1);
    // Orbits that end on it after other values, for long enough.
    ReferenceOrbit landing = FixedOrbit(-0.76, 200, alpha);
    landing.reLow[150] += 0x1p-90;
    EXPECT_EQ(FixedPointJumpOf(landing).from, 151);
    landing.reLow[195] += 0x1p-90;
    EXPECT_EQ(FixedPointJumpOf(landing).from, -1);
}
