#include "engine/orbit_return_newton.h"

#include "engine/fractal_state.h"

namespace {

struct BigComplex {
    explicit BigComplex(int32_t bits) : re(bits), im(bits) {}
    BigFloat re, im;
};

}  // namespace

bool RefineOrbitReturn(BigFloat& re, BigFloat& im, const OrbitReturn& orbitReturn, const mpf_srcptr* julia,
                       mpf_srcptr tolerance, int32_t bits, int32_t maxSteps)
{
    const mpf_srcptr cRe = julia ? julia[0] : re.get();
    const mpf_srcptr cIm = julia ? julia[1] : im.get();
    BigComplex z(bits), dz(bits), step(bits), earlier(bits), dEarlier(bits), value(bits), derivative(bits);
    BigFloat t(bits), u(bits), norm(bits), size(bits);
    const int64_t length = orbitReturn.preperiod + orbitReturn.period;
    for (int32_t k = 0; k < maxSteps; ++k) {
        // The derivative is by c, or by z_0 for a Julia set.
        if (julia) {
            mpf_set(z.re, re);
            mpf_set(z.im, im);
        } else {
            mpf_set_ui(z.re, 0);
            mpf_set_ui(z.im, 0);
        }
        mpf_set_ui(dz.re, julia ? 1 : 0);
        mpf_set_ui(dz.im, 0);
        for (int64_t n = 0; n < length; ++n) {
            if (n == orbitReturn.preperiod) {
                mpf_set(earlier.re, z.re);
                mpf_set(earlier.im, z.im);
                mpf_set(dEarlier.re, dz.re);
                mpf_set(dEarlier.im, dz.im);
            }
            // dz := 2 z dz (+ 1)
            mpf_mul(t, z.re, dz.re);
            mpf_mul(u, z.im, dz.im);
            mpf_sub(t, t, u);
            mpf_mul(u, z.re, dz.im);
            mpf_mul(dz.im, z.im, dz.re);
            mpf_add(dz.im, dz.im, u);
            mpf_mul_2exp(dz.im, dz.im, 1);
            mpf_mul_2exp(dz.re, t, 1);
            if (!julia)
                mpf_add_ui(dz.re, dz.re, 1);
            // z := z^2 + c
            mpf_mul(t, z.re, z.im);
            mpf_mul(u, z.re, z.re);
            mpf_mul(z.im, z.im, z.im);
            mpf_sub(z.re, u, z.im);
            mpf_add(z.re, z.re, cRe);
            mpf_mul_2exp(z.im, t, 1);
            mpf_add(z.im, z.im, cIm);
            if ((n & 1023) == 0 && State.StopRequest.load() == 1)
                return false;
        }
        mpf_sub(value.re, z.re, earlier.re);
        mpf_sub(value.im, z.im, earlier.im);
        mpf_sub(derivative.re, dz.re, dEarlier.re);
        mpf_sub(derivative.im, dz.im, dEarlier.im);
        // step = value / derivative
        mpf_mul(norm, derivative.re, derivative.re);
        mpf_mul(t, derivative.im, derivative.im);
        mpf_add(norm, norm, t);
        if (mpf_sgn(norm.get()) == 0)
            return false;
        mpf_mul(t, value.re, derivative.re);
        mpf_mul(u, value.im, derivative.im);
        mpf_add(step.re, t, u);
        mpf_div(step.re, step.re, norm);
        mpf_mul(t, value.im, derivative.re);
        mpf_mul(u, value.re, derivative.im);
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
