#include <gtest/gtest.h>

#include <cstdint>

#include "engine/inside_proof.h"

namespace {

struct Point {
    long double re, im;
};

// z after n steps of z^2 + c from 0.
Point OrbitOfZero(long double cr, long double ci, int n)
{
    long double zr = 0, zi = 0;
    for (int i = 0; i < n; ++i) {
        const long double t = zr * zi;
        zr = (zr * zr - zi * zi) + cr;
        zi = (t + t) + ci;
    }
    return {zr, zi};
}

template <typename T>
bool Proves(long double cr, long double ci, int settle, T radius, int64_t steps)
{
    const Point z = OrbitOfZero(cr, ci, settle);
    return DiscMapsIntoItself<T>(static_cast<T>(z.re), static_cast<T>(z.im), radius, cr, ci, steps);
}

TEST(InsideProofTest, OnlyDiscsThatTheCycleContractsAreProven)
{
    const auto both = [](long double cr, long double ci, int settle, double radius, int64_t steps) {
        const bool inDouble = Proves<double>(cr, ci, settle, radius, steps);
        EXPECT_EQ(inDouble, Proves<long double>(cr, ci, settle, radius, steps)) << cr << " " << ci;
        return inDouble;
    };
    // The attracting fixed point of the main cardioid, and the period-2 cycle of -1.
    EXPECT_TRUE(both(-0.1L, 0.1L, 200, 1e-6, 4));
    EXPECT_TRUE(both(-1.0L, 0.0L, 201, 1e-6, 2));
    // Over a stretch that is not a period the disc lands elsewhere.
    EXPECT_FALSE(both(-1.0L, 0.0L, 201, 1e-6, 1));
    // Too wide a disc, far from its cycle, or one on a repelling cycle (c = i).
    EXPECT_FALSE(both(-0.1L, 0.1L, 200, 1.0, 4));
    EXPECT_FALSE(both(-0.1L, 0.1L, 2, 1e-6, 4));
    EXPECT_FALSE(both(0.0L, 1.0L, 40, 1e-9, 2));
    // Outside the set, and just beyond the cusp, where orbits linger for thousands of steps.
    EXPECT_FALSE(both(0.3L, 0.0L, 10, 1e-6, 4));
    EXPECT_FALSE(both(0.2501L, 0.0L, 50, 1e-6, 4));
    // Rounding alone: a radius below what the steps round cannot hold them.
    EXPECT_FALSE(both(-0.1L, 0.1L, 200, 1e-30, 4));
}

}  // namespace
