#pragma once
#include <cstdint>
#include <vector>

#include "engine/big_float.h"
#include "engine/relaxed_atomic.h"
#include "engine/wide_float.h"
#include "platform/huge_page_allocator.h"

// Beyond this |Z|^2 an orbit has left for good and is not followed further.
constexpr double OrbitEscapedNorm = 1e200;

// An orbit under z := z^2 + c, iterated in arbitrary precision with the deep
// kernels' operations (t = zr zi, a = zr^2, b = zi^2, zr = (a - b) + cr,
// zi = (t + t) + ci), each value kept to 64 bits.
// Long orbits are mapped memory of their own, which goes back to the system
// when they are dropped: the worker threads' heaps would keep it.
// Where |Z|^2 comes this close to 4 (relative), Z's 64 bits cannot decide
// the escape tests of pixels beside it; the orbit keeps |Z|^2 - 4 from its
// own precision there.
constexpr double NearCircleShare = 0x1p-40;

struct CircleExcess {
    int64_t index;
    WideFloat<long double> excess;  // |Z_index|^2 - 4, at any depth
};

struct ReferenceOrbit {
    HugePageVector<long double> re, im;  // Z_0, Z_1, ...
    // What the 64 bits leave of each value, to 53 more: differences kept to
    // about 106 bits need the orbit to as many.
    HugePageVector<double> reLow, imLow;
    std::vector<CircleExcess> nearCircle;  // in index order
    int64_t size() const { return static_cast<int64_t>(re.size()); }
};

// Iterates from z0 until maxLength values are kept or |Z|^2 passes
// OrbitEscapedNorm (that value is still kept). Returns false, with the
// orbit unfinished, once StopRequest is set. `done` follows the values kept.
bool IterateOrbit(mpf_srcptr z0Re, mpf_srcptr z0Im, mpf_srcptr cRe, mpf_srcptr cIm, int32_t bits,
                  int64_t maxLength, ReferenceOrbit& orbit, RelaxedAtomic<int64_t>& done);
