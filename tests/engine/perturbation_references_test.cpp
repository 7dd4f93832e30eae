// The references of the fast deep path: the governing minibrot's nucleus,
// Misiurewicz points, and the orbit kept for the next frame.
#include <gtest/gtest.h>

#include "engine/big_to_hardware.h"
#include "engine/fractal_state.h"
#include "engine/minibrot_nucleus.h"
#include "engine/misiurewicz_reference.h"
#include "engine/orbit_return_newton.h"
#include "engine/reference_orbit.h"
#include "engine/reference_orbit_cache.h"

namespace {

// The period-3 minibrot's nucleus, and a period-106 one 1e-79 across near i.
const char* const Period3Re = "-0.1225611668766536";
const char* const Period3Im = "0.7448617666197442";
const char* const Period106Re = "4.67761636680154113309990063235030847839476659340085712709217801658376327534698893"
                                "2396134330946727400042974789171003989525976061327433425584519323018008361886761500e-40";
const char* const Period106Im = "1.00000000000000000000000000000000000000038573481198264908924707051826333623825060"
                                "600194083279683197979950527875551360391870931744270454123112121935370875703622";

struct Parameter {
    Parameter(const char* re, const char* im, int32_t bits) : re(bits), im(bits)
    {
        mpf_set_str(this->re, re, 10);
        mpf_set_str(this->im, im, 10);
    }
    BigFloat re, im;
};

ReferenceOrbit OrbitOfZero(const Parameter& c, int32_t bits, int64_t length)
{
    State.StopRequest = 0;
    BigFloat zero(bits);
    ReferenceOrbit orbit;
    RelaxedAtomic<int64_t> done{0};
    EXPECT_TRUE(IterateOrbit(zero, zero, c.re, c.im, bits, length, orbit, done));
    return orbit;
}

// |a - b| in the larger part, as a power of two.
long DistanceExponent(const BigFloat& aRe, const BigFloat& aIm, const Parameter& b, int32_t bits)
{
    BigFloat re(bits), im(bits);
    mpf_sub(re, aRe, b.re);
    mpf_sub(im, aIm, b.im);
    mpf_abs(re, re);
    mpf_abs(im, im);
    if (mpf_cmp(re, im) < 0)
        mpf_set(re, im);
    if (mpf_sgn(re.get()) == 0)
        return -1000000;
    long exponent;
    mpf_get_d_2exp(&exponent, re);
    return exponent;
}

TEST(MinibrotNucleusTest, BallPeriodFindsTheMinibrotInTheDisc)
{
    const Parameter period3(Period3Re, Period3Im, 128);
    EXPECT_EQ(BallPeriod(OrbitOfZero(period3, 128, 100), 1e-6L), 3);
    const Parameter period106(Period106Re, Period106Im, 400);
    EXPECT_EQ(BallPeriod(OrbitOfZero(period106, 400, 1000), 2e-79L), 106);
    // In the main cardioid the orbit settles on a fixed point away from 0.
    const Parameter cardioid("-0.1", "0.1", 128);
    EXPECT_EQ(BallPeriod(OrbitOfZero(cardioid, 128, 100), 1e-3L), 0);
    // An orbit that leaves at once has no period either.
    const Parameter outside("1", "1", 128);
    EXPECT_EQ(BallPeriod(OrbitOfZero(outside, 128, 100), 1e-3L), 0);
}

TEST(MinibrotNucleusTest, NewtonReachesTheNucleusFromNearby)
{
    State.StopRequest = 0;
    const Parameter period3(Period3Re, Period3Im, 128);
    Parameter start("-0.1225611668", "0.7448617667", 128), other("-0.1226", "0.7448", 128);
    BigFloat tolerance(128);
    mpf_set_d(tolerance, 1e-30);
    ASSERT_TRUE(RefineNucleus(start.re, start.im, 3, tolerance, 128, 16));
    ASSERT_TRUE(RefineNucleus(other.re, other.im, 3, tolerance, 128, 16));
    EXPECT_LT(DistanceExponent(start.re, start.im, period3, 128), -50);  // the constant's 16 digits
    // From another start, the same nucleus to the working precision.
    Parameter found("0", "0", 128);
    mpf_set(found.re, other.re);
    mpf_set(found.im, other.im);
    EXPECT_LT(DistanceExponent(start.re, start.im, found, 128), -110);

    const int32_t bits = 420;
    const Parameter period106(Period106Re, Period106Im, bits);
    Parameter near(Period106Re, Period106Im, bits);
    BigFloat offset(bits);
    mpf_set_str(offset, "3e-81", 10);
    mpf_add(near.re, near.re, offset);
    mpf_sub(near.im, near.im, offset);
    mpf_set_str(tolerance, "1e-90", 10);
    ASSERT_TRUE(RefineNucleus(near.re, near.im, 106, tolerance, bits, 16));
    // The nucleus to the working precision.
    EXPECT_LT(DistanceExponent(near.re, near.im, period106, bits), -400);
}

// The point where 0 lands on a fixed point after four steps, near
// -0.1011 + 0.9563 i, to 50 digits.
const char* const LandsAfterFourRe = "-0.10109636384562216102578544573862256546380544282625";
const char* const LandsAfterFourIm = "0.95628651080914150077109605772997743580983333651053";

TEST(MisiurewiczReferenceTest, FindsTheRepellingCycleAnOrbitLandsOn)
{
    OrbitReturn found;
    ASSERT_TRUE(FindRepellingReturn(OrbitOfZero(Parameter("0", "1", 256), 256, 2048), found));
    EXPECT_EQ(found.preperiod, 2);  // 0, i, -1 + i, -i, -1 + i, ...
    EXPECT_EQ(found.period, 2);
    ASSERT_TRUE(FindRepellingReturn(OrbitOfZero(Parameter(LandsAfterFourRe, LandsAfterFourIm, 256), 256, 2048), found));
    EXPECT_EQ(found.preperiod, 4);
    EXPECT_EQ(found.period, 1);
    // Orbits settling on attracting cycles, or escaping, have none.
    EXPECT_FALSE(FindRepellingReturn(OrbitOfZero(Parameter("-0.1", "0.1", 256), 256, 2048), found));
    EXPECT_FALSE(FindRepellingReturn(OrbitOfZero(Parameter(Period3Re, Period3Im, 256), 256, 2048), found));
    EXPECT_FALSE(FindRepellingReturn(OrbitOfZero(Parameter("0.3", "0.1", 256), 256, 2048), found));
}

TEST(MisiurewiczReferenceTest, NewtonReachesThePointAndItsOrbitRepeatsForEver)
{
    State.StopRequest = 0;
    const int32_t bits = 1024;
    Parameter point("-0.1011", "0.9563", bits);
    BigFloat tolerance(bits);
    mpf_set_str(tolerance, "1e-290", 10);
    ASSERT_TRUE(RefineOrbitReturn(point.re, point.im, {4, 1}, nullptr, tolerance, bits, 16));
    EXPECT_LT(DistanceExponent(point.re, point.im, Parameter(LandsAfterFourRe, LandsAfterFourIm, bits), bits), -160);

    // Its orbit: the first five values iterated, then the fixed point kept.
    BigFloat zero(bits);
    ReferenceOrbit orbit;
    RelaxedAtomic<int64_t> done{0};
    ASSERT_TRUE(ReturningOrbit(zero, zero, point.re, point.im, bits, {4, 1}, 3000, orbit, done));
    ASSERT_EQ(orbit.size(), 3000);
    EXPECT_EQ(done.load(), 3000);
    const ReferenceOrbit iterated = OrbitOfZero(point, bits, 400);
    for (int64_t n = 0; n < 400; ++n) {
        EXPECT_EQ(orbit.re[n], iterated.re[n]) << n;
        EXPECT_EQ(orbit.im[n], iterated.im[n]) << n;
    }
    EXPECT_EQ(orbit.re[2999], orbit.re[4]);

    // A Julia set's repelling fixed point (1 + sqrt(1 - 4c)) / 2 of c = -1: the golden ratio.
    const Parameter minusOne("-1", "0", bits);
    const mpf_srcptr julia[2] = {minusOne.re, minusOne.im};
    Parameter z0("1.6", "0.01", bits);
    ASSERT_TRUE(RefineOrbitReturn(z0.re, z0.im, {0, 1}, julia, tolerance, bits, 16));
    const Parameter golden("1.6180339887498948482045868343656381177203091798057628621354486227", "0", bits);
    EXPECT_LT(DistanceExponent(z0.re, z0.im, golden, bits), -200);
}

// The needle's tip: 0, -2, 2, 2, ... with |Z|^2 - 4 = 0 kept at every value on the circle.
TEST(MisiurewiczReferenceTest, TheCyclesValuesOnTheCircleComeRoundWithIt)
{
    const int32_t bits = 256;
    const Parameter tip("-2", "0", bits);
    BigFloat zero(bits);
    ReferenceOrbit orbit;
    RelaxedAtomic<int64_t> done{0};
    ASSERT_TRUE(ReturningOrbit(zero, zero, tip.re, tip.im, bits, {2, 1}, 500, orbit, done));
    ASSERT_EQ(orbit.nearCircle.size(), 499u);  // every value from -2 on
    for (size_t i = 0; i < orbit.nearCircle.size(); ++i) {
        EXPECT_EQ(orbit.nearCircle[i].index, static_cast<int64_t>(i) + 1);
        EXPECT_EQ(orbit.nearCircle[i].excess.ToHardware(), 0.0L);
    }
}

// At high precision a second thread forms one product of each iteration:
// the orbit must be the one the deep kernels' operations give in turn.
TEST(ReferenceOrbitTest, HighPrecisionOrbitIsTheSequentialOne)
{
    const int32_t bits = 40000;
    const Parameter c("-0.7436438870371587047521915061", "0.1318259042053119704931320563", bits);
    const int64_t length = 200;
    const ReferenceOrbit orbit = OrbitOfZero(c, bits, length);
    ASSERT_EQ(orbit.size(), length);
    BigFloat zr(bits), zi(bits), t(bits), a(bits), b(bits), scratch(bits);
    for (int64_t k = 0; k < length; ++k) {
        ASSERT_EQ(orbit.re[k], BigToLongDouble(zr, scratch)) << k;
        ASSERT_EQ(orbit.im[k], BigToLongDouble(zi, scratch)) << k;
        mpf_mul(t, zr, zi);
        mpf_mul(a, zr, zr);
        mpf_mul(b, zi, zi);
        mpf_sub(zr, a, b);
        mpf_add(zr, zr, c.re);
        mpf_add(zi, t, t);
        mpf_add(zi, zi, c.im);
    }
    // A stopped orbit ends cleanly, its helper thread with it.
    State.StopRequest = 1;
    ReferenceOrbit stopped;
    RelaxedAtomic<int64_t> done{0};
    EXPECT_FALSE(IterateOrbit(zr, zi, c.re, c.im, bits, length, stopped, done));
    State.StopRequest = 0;
}

TEST(ReferenceOrbitCacheTest, KeepsOrbitsByWhatDefinesThemAlone)
{
    ClearOrbitCache();
    const int32_t bits = 128;
    const Parameter point("-0.1", "0.1", bits), other("-0.1000001", "0.1", bits), julia("0", "0", bits);
    const ReferenceOrbit orbit = OrbitOfZero(point, bits, 500);
    const OrbitKey key{true, bits, point.re, point.im, julia.re, julia.im};
    ReferenceOrbit taken;
    EXPECT_FALSE(TakeCachedOrbit(key, 500, taken));
    CacheOrbit(key, 500, orbit);

    ASSERT_TRUE(TakeCachedOrbit(key, 300, taken));
    ASSERT_EQ(taken.size(), 300);
    EXPECT_EQ(taken.re[299], orbit.re[299]);
    EXPECT_FALSE(TakeCachedOrbit(key, 501, taken)) << "iterated for fewer values";

    const Parameter moved("-0.1", "0.1000000000000000000000000000001", bits);
    EXPECT_FALSE(TakeCachedOrbit({true, bits, moved.re, moved.im, julia.re, julia.im}, 300, taken));
    EXPECT_FALSE(TakeCachedOrbit({true, 192, point.re, point.im, julia.re, julia.im}, 300, taken));
    EXPECT_FALSE(TakeCachedOrbit({false, bits, point.re, point.im, julia.re, julia.im}, 300, taken));

    // An orbit that escaped serves any length.
    const Parameter outside("1", "1", bits);
    const ReferenceOrbit escaping = OrbitOfZero(outside, bits, 500);
    ASSERT_LT(escaping.size(), 500);
    const OrbitKey escapingKey{true, bits, outside.re, outside.im, julia.re, julia.im};
    CacheOrbit(escapingKey, 500, escaping);
    ASSERT_TRUE(TakeCachedOrbit(escapingKey, 100000, taken));
    EXPECT_EQ(taken.size(), escaping.size());

    // Julia orbits differ by their constant too; the oldest of three goes.
    const Parameter otherJulia("-1", "0", bits);
    CacheOrbit({false, bits, other.re, other.im, julia.re, julia.im}, 500, orbit);
    EXPECT_TRUE(TakeCachedOrbit({false, bits, other.re, other.im, julia.re, julia.im}, 500, taken));
    EXPECT_FALSE(TakeCachedOrbit({false, bits, other.re, other.im, otherJulia.re, otherJulia.im}, 500, taken));
    EXPECT_FALSE(TakeCachedOrbit(key, 300, taken));
    ClearOrbitCache();
    EXPECT_FALSE(TakeCachedOrbit({false, bits, other.re, other.im, julia.re, julia.im}, 500, taken));
}

}  // namespace
