#pragma once
#include <cstdint>

#include "engine/big_float.h"
#include "engine/orbit_return_newton.h"
#include "engine/reference_orbit.h"
#include "engine/relaxed_atomic.h"

// Around a Misiurewicz point the orbit of any point of the view follows the
// repelling cycle it lands on until the point's distance, grown by the
// cycle's multiplier, comes near 1: 1e-20000 from it, 100000 iterations and
// more, each at 66000 bits. The orbit of the point itself lands on the cycle
// exactly, so its first values give it for ever.

// The return that an orbit iterated at a modest precision from a point near
// such a point shows: the first index and the shortest period from which its
// values repeat to long double's digits over a stretch of more than a
// period, around a cycle that repels. False where it shows none.
bool FindRepellingReturn(const ReferenceOrbit& orbit, OrbitReturn& found);

// The orbit from z0 under c that returns exactly as `orbitReturn` says,
// `length` values: its first ones iterated at `bits`, then its cycle over
// and over. False, unfinished, on StopRequest.
bool ReturningOrbit(mpf_srcptr z0Re, mpf_srcptr z0Im, mpf_srcptr cRe, mpf_srcptr cIm, int32_t bits,
                    const OrbitReturn& orbitReturn, int64_t length, ReferenceOrbit& orbit,
                    RelaxedAtomic<int64_t>& done);
