#include "engine/reference_orbit.h"

#include "engine/big_to_hardware.h"
#include "engine/fractal_state.h"

bool IterateOrbit(mpf_srcptr z0Re, mpf_srcptr z0Im, mpf_srcptr cRe, mpf_srcptr cIm, int32_t bits,
                  int64_t maxLength, ReferenceOrbit& orbit, RelaxedAtomic<int64_t>& done)
{
    BigFloat zr(bits), zi(bits), t(bits), a(bits), b(bits), s(bits), scratch(bits);
    mpf_set(zr, z0Re);
    mpf_set(zi, z0Im);
    orbit.re.clear();
    orbit.im.clear();
    orbit.re.reserve(static_cast<size_t>(maxLength));
    orbit.im.reserve(static_cast<size_t>(maxLength));
    done.store(0);
    for (int64_t k = 0; k < maxLength; ++k) {
        orbit.re.push_back(BigToLongDouble(zr, scratch));
        orbit.im.push_back(BigToLongDouble(zi, scratch));
        if ((k & 1023) == 0) {
            done.store(k);
            if (State.StopRequest.load() == 1)
                return false;
        }
        mpf_mul(t, zr, zi);
        mpf_mul(a, zr, zr);
        mpf_mul(b, zi, zi);
        mpf_add(s, a, b);
        if (mpf_cmp_d(s, OrbitEscapedNorm) > 0)
            break;
        mpf_sub(zr, a, b);
        mpf_add(zr, zr, cRe);
        mpf_add(zi, t, t);
        mpf_add(zi, zi, cIm);
    }
    done.store(orbit.size());
    return true;
}
