#pragma once
#include <cstdint>
#include <limits>

// Sixteen pixels iterated side by side in vector lanes of doubles, four steps
// a block with the extended kernels' association: the fast phase of fast
// frames, several times as fast as the x87 lanes. Each lane has its own c,
// so any pixels may run together.
constexpr int DoubleLaneCount = 16;

// A signalling NaN's pattern: no step yields it.
constexpr double NoSave = std::numeric_limits<double>::signaling_NaN();

struct alignas(64) DoubleLaneBlocks {
    alignas(64) double zr[DoubleLaneCount]{};
    alignas(64) double zi[DoubleLaneCount]{};
    alignas(64) double cr[DoubleLaneCount]{};
    alignas(64) double ci[DoubleLaneCount]{};
    // z at the start of the last block run.
    alignas(64) double checkRe[DoubleLaneCount]{};
    alignas(64) double checkIm[DoubleLaneCount]{};
    // |z3|^2 of the last block: what the next lagged test looks at.
    alignas(64) double radius[DoubleLaneCount]{};
    // Brent's cycle check: a lane whose zr after a block equals its saved
    // zr bit for bit may have come round to its saved state. NoSave where
    // none is saved.
    alignas(64) double savedRe[DoubleLaneCount]{};
    // A first-order bound on the rounding error z carries: each step
    // multiplies it by |2 z| and adds its own rounding.
    alignas(64) double bound[DoubleLaneCount]{};
    // The loop hands back when a lane's count reaches 0.
    alignas(64) int64_t blocksLeft[DoubleLaneCount]{};
    // Set by the loop: the last block's radius test fired (all ones), its zr
    // matched the saved one (all ones), the bound passed `share` |z| (for a
    // lane that escaped, its bound at the block's start passed `escapeShare`
    // |z| there): the lane's digits no longer decide the pixel (all ones).
    alignas(64) int64_t escaped[DoubleLaneCount]{};
    alignas(64) int64_t matched[DoubleLaneCount]{};
    alignas(64) int64_t doubtful[DoubleLaneCount]{};
    // Any of these, or blocksLeft used up (all ones).
    alignas(64) int64_t attention[DoubleLaneCount]{};
    double threshold = 4;  // a tested radius at or above it escapes
    double share = 1;
    double escapeShare = 1;
    bool lagged = false;   // the test looks at the previous block's radius
    int64_t blocksRun = 0; // set by the loop: blocks every lane ran
};

// Whether the processor has the vector registers the lanes need (AVX2).
bool DoubleLanesAvailable();

// Whether double's digits serve most orbits of pixels this far apart.
bool DoubleLanesPreciseFor(long double pixelStep);

// Runs blocks on all lanes until one escapes, matches its saved zr, turns
// doubtful or uses up blocksLeft.
void RunDoubleLaneBlocks(DoubleLaneBlocks& lanes);
