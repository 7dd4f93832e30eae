#include "engine/minibrot_nucleus.h"

#include <cmath>

#include "engine/orbit_return_newton.h"

namespace {

// Beyond this the disc's image holds every orbit near the set: no period.
constexpr long double BallEscapeRadius = 2;

}  // namespace

int64_t BallPeriod(const ReferenceOrbit& orbit, long double radius)
{
    // z_1 = c: the disc itself.
    long double r = radius;
    for (int64_t n = 1; n + 1 < orbit.size(); ++n) {
        const long double size = std::hypot(orbit.re[n], orbit.im[n]);
        if (size < r)
            return n;
        r = 2 * size * r + r * r + radius;
        if (!(r < BallEscapeRadius))
            return 0;
    }
    return 0;
}

bool RefineNucleus(BigFloat& re, BigFloat& im, int64_t period, mpf_srcptr tolerance, int32_t bits,
                   int32_t maxSteps)
{
    return RefineOrbitReturn(re, im, {0, period}, nullptr, tolerance, bits, maxSteps);
}
