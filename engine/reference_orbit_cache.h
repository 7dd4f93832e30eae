#pragma once
#include <cstdint>

#include "engine/big_float.h"
#include "engine/reference_orbit.h"

// A view's reference orbit at 60000 bits takes longer than its pixels: the
// last frame's reference is kept for the next frame around the same centre
// (zoom out, resize, new colours), keyed by the exact centre, precision,
// kind and Julia constant.
struct ReferenceKey {
    bool mandelbrot = true;
    int32_t bits = 0;
    mpf_srcptr centreRe = nullptr;
    mpf_srcptr centreIm = nullptr;
    mpf_srcptr juliaRe = nullptr;
    mpf_srcptr juliaIm = nullptr;
};

// True, with the reference point and its orbit cut to `length` values, when
// the kept reference has this key and was iterated that far (or escaped).
bool TakeCachedReference(const ReferenceKey& key, int64_t length, BigFloat& pointRe, BigFloat& pointIm,
                         ReferenceOrbit& orbit);

// Keeps the chosen point and its orbit, iterated for `length` values.
void CacheReference(const ReferenceKey& key, int64_t length, mpf_srcptr pointRe, mpf_srcptr pointIm,
                    const ReferenceOrbit& orbit);

void ClearReferenceCache();
