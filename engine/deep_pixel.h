#pragma once
#include <bit>
#include <cstdint>
#include <limits>

#include "engine/big_float.h"
#include "engine/rounding.h"

// One arbitrary-precision pixel as the deep kernels compute it; also the
// exact answer the fast deep path falls back to.

// The worker's own values, created once per worker: nothing is allocated
// inside the pixel loop except what GMP itself needs for a product.
struct DeepRegisters {
    explicit DeepRegisters(int32_t bits)
        : zr(bits), zi(bits), t(bits), a(bits), b(bits), s(bits), passRe(bits), passIm(bits),
          x(bits), y(bits), realStart(bits), realStep(bits), imagStep(bits), juliaRe(bits),
          juliaIm(bits), savedRe(bits), savedIm(bits)
    {
    }
    BigFloat zr, zi, t, a, b, s, passRe, passIm, x, y, realStart, realStep, imagStep, juliaRe, juliaIm;
    BigFloat savedRe, savedIm;  // z at the last cycle checkpoint
};

// Completes an iteration whose t, a, b are computed:
// zr := (a - b) + cr, zi := (t + t) + ci.
inline void FinishIteration(DeepRegisters& r, mpf_srcptr cr, mpf_srcptr ci)
{
    mpf_sub(r.zr, r.a, r.b);
    mpf_add(r.zr, r.zr, cr);
    mpf_add(r.zi, r.t, r.t);
    mpf_add(r.zi, r.zi, ci);
}

inline void FullIteration(DeepRegisters& r, mpf_srcptr cr, mpf_srcptr ci)
{
    mpf_mul(r.t, r.zr, r.zi);
    mpf_mul(r.a, r.zr, r.zr);
    mpf_mul(r.b, r.zi, r.zi);
    FinishIteration(r, cr, ci);
}

// One pixel from z0 = (zr, zi): passes of four iterations with a pre-test,
// then single steps against the bailout n.
// A pass starts from z and the lagged test's previous value alone, so when
// both repeat bit for bit the passes in between repeat for ever: Brent's
// method saves them at power-of-two pass counts, and a match skips whole
// periods while at least one pass is left, which then ends the loop as usual.
template <int Variant>
int32_t DeepPixel(DeepRegisters& r, mpf_srcptr cr, mpf_srcptr ci, int32_t iterMax,
                  unsigned long n, float& aOut, float& bOut)
{
    constexpr bool lagged = Variant >= 3;
    // With fewer than three iterations no pass runs: the steps start from z0.
    mpf_set(r.passRe, r.zr);
    mpf_set(r.passIm, r.zi);
    int64_t e = 3;
    double previous = 2.0;
    int64_t passes = 0;
    int64_t saveAt = 1;
    int64_t savedAt = 0;  // 0: nothing saved, or the cycle is already skipped
    uint64_t savedPrevious = 0;
    while (e <= iterMax) {
        if (savedAt > 0 && std::bit_cast<uint64_t>(previous) == savedPrevious &&
            SameBits(r.zr, r.savedRe) && SameBits(r.zi, r.savedIm)) {
            const int64_t period = 4 * (passes - savedAt);
            e += (iterMax - e) / period * period;
            savedAt = 0;
            saveAt = std::numeric_limits<int64_t>::max();
        } else if (passes == saveAt) {
            mpf_set(r.savedRe, r.zr);
            mpf_set(r.savedIm, r.zi);
            savedPrevious = std::bit_cast<uint64_t>(previous);
            savedAt = passes;
            saveAt *= 2;
        }
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
        ++passes;
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
