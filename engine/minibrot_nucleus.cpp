#include "engine/minibrot_nucleus.h"

#include <cmath>

#include "engine/fractal_state.h"

namespace {

// Beyond this the disc's image holds every orbit near the set: no period.
constexpr long double BallEscapeRadius = 2;

struct BigComplex {
    explicit BigComplex(int32_t bits) : re(bits), im(bits) {}
    BigFloat re, im;
};

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
    BigComplex z(bits), dz(bits), step(bits);
    BigFloat t(bits), u(bits), norm(bits), size(bits);
    for (int32_t k = 0; k < maxSteps; ++k) {
        mpf_set_ui(z.re, 0);
        mpf_set_ui(z.im, 0);
        mpf_set_ui(dz.re, 0);
        mpf_set_ui(dz.im, 0);
        for (int64_t n = 0; n < period; ++n) {
            // dz := 2 z dz + 1
            mpf_mul(t, z.re, dz.re);
            mpf_mul(u, z.im, dz.im);
            mpf_sub(t, t, u);
            mpf_mul(u, z.re, dz.im);
            mpf_mul(dz.im, z.im, dz.re);
            mpf_add(dz.im, dz.im, u);
            mpf_mul_2exp(dz.im, dz.im, 1);
            mpf_mul_2exp(dz.re, t, 1);
            mpf_add_ui(dz.re, dz.re, 1);
            // z := z^2 + c
            mpf_mul(t, z.re, z.im);
            mpf_mul(u, z.re, z.re);
            mpf_mul(z.im, z.im, z.im);
            mpf_sub(z.re, u, z.im);
            mpf_add(z.re, z.re, re);
            mpf_mul_2exp(z.im, t, 1);
            mpf_add(z.im, z.im, im);
            if ((n & 1023) == 0 && State.StopRequest.load() == 1)
                return false;
        }
        // step = z / dz
        mpf_mul(norm, dz.re, dz.re);
        mpf_mul(t, dz.im, dz.im);
        mpf_add(norm, norm, t);
        if (mpf_sgn(norm.get()) == 0)
            return false;
        mpf_mul(t, z.re, dz.re);
        mpf_mul(u, z.im, dz.im);
        mpf_add(step.re, t, u);
        mpf_div(step.re, step.re, norm);
        mpf_mul(t, z.im, dz.re);
        mpf_mul(u, z.re, dz.im);
        mpf_sub(step.im, t, u);
        mpf_div(step.im, step.im, norm);
        mpf_sub(re, re, step.re);
        mpf_sub(im, im, step.im);
        mpf_abs(size, step.re);
        mpf_abs(t, step.im);
        mpf_add(size, size, t);
        if (mpf_cmp(size, tolerance) < 0)
            return true;
    }
    return false;
}
