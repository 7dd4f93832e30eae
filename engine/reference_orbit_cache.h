#pragma once
#include <cstdint>

#include "engine/big_float.h"
#include "engine/reference_orbit.h"

// A reference orbit at 60000 bits takes longer than its frame's pixels, and
// the next frame around the same centre (zoom out, resize, new colours)
// needs the same orbits again. Orbits are kept by what defines them alone,
// so a frame computes exactly what it would compute from scratch, whatever
// came before it.
struct OrbitKey {
    bool mandelbrot = true;
    int32_t bits = 0;
    mpf_srcptr pointRe = nullptr;  // the orbit's point: c (Mandelbrot) or z0 (Julia)
    mpf_srcptr pointIm = nullptr;
    mpf_srcptr juliaRe = nullptr;
    mpf_srcptr juliaIm = nullptr;
};

// True, with the orbit cut to `length` values, when an orbit of this key was
// iterated at least that far or ended (escaped) before it.
bool TakeCachedOrbit(const OrbitKey& key, int64_t length, ReferenceOrbit& orbit);

// Keeps the orbit, iterated for `length` values, among the last few kept.
void CacheOrbit(const OrbitKey& key, int64_t length, const ReferenceOrbit& orbit);

void ClearOrbitCache();
