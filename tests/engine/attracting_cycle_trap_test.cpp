#include "engine/attracting_cycle_trap.h"

#include <gtest/gtest.h>

namespace {

// Follows z^2 + c from 0 as the kernels do and reports the first step at
// which the orbit is trapped, or -1 when it escapes or the steps run out.
int FirstTrappedStep(long double cr, long double ci, int steps)
{
    long double zr = 0;
    long double zi = 0;
    for (int n = 1; n <= steps; ++n) {
        const long double nr = zr * zr - zi * zi + cr;
        zi = 2 * zr * zi + ci;
        zr = nr;
        if (zr * zr + zi * zi >= 4)
            return -1;
        if (TrappedByAttractingCycle(zr, zi, cr, ci, 4))
            return n;
    }
    return -1;
}

TEST(AttractingCycleTrapTest, OrbitsSettlingOnACycleAreTrappedAndNoOtherOrbitIs)
{
    // Inside: the cardioid near its edge, the disc of period 2, the bulb of
    // period 3 on top.
    EXPECT_GT(FirstTrappedStep(0.24L, 0.0L, 20000), 0);
    EXPECT_GT(FirstTrappedStep(-1.1L, 0.1L, 20000), 0);
    EXPECT_GT(FirstTrappedStep(-0.12L, 0.75L, 20000), 0);
    // On the edge and just outside it, where orbits linger for thousands of
    // steps near a cycle that is not attracting: never.
    EXPECT_EQ(FirstTrappedStep(0.25L, 0.0L, 20000), -1);
    EXPECT_EQ(FirstTrappedStep(0.2501L, 0.0L, 20000), -1);
    EXPECT_EQ(FirstTrappedStep(-0.75L, 0.001L, 20000), -1);
    EXPECT_EQ(FirstTrappedStep(-0.75L, 0.0L, 20000), -1);
    EXPECT_EQ(FirstTrappedStep(-2.0L, 0.0L, 20000), -1);
    // A limit below the cycle's reach proves nothing.
    EXPECT_FALSE(TrappedByAttractingCycle(-0.5L, 0.0L, -0.75L, 0.2L, 0.01));
}

}  // namespace
