#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/big_float.h"
#include "engine/bla_table.h"
#include "engine/cycle_jump.h"
#include "engine/reference_orbit.h"
#include "engine/relaxed_atomic.h"
#include "engine/wide_float.h"

// What a frame of the fast deep path holds: the reference's orbits and
// tables in hardware precision, every pixel's difference from the
// reference, its outputs and the counts of how its pixels went.

// Differences with a wider exponent than long double's.
using WideDelta = WideFloat<long double>;

template <typename T>
struct HardwareOrbit {
    HugePageVector<OrbitValue<T>> values;  // see ReferenceOrbit
    BlaTable<T> table;
    // Steps for the single steps towards a bailout beyond 4, where the orbit
    // keeps to |z| = 2 (the needle's tip, where Z stays 2): its pixels cross
    // the circle at once and stay near it for hundreds of iterations. Empty
    // for other orbits.
    BlaTable<T> bailoutTable;
    std::vector<CircleExcess> nearCircle;
    // Where the orbit ends on a cycle that barely repels (a Julia set's
    // fixed point), else none.
    CycleJump<T> jump;

    // |Z_m|^2 - 4 where the orbit keeps it, else null.
    const WideFloat<long double>* CircleExcessAt(int64_t m) const
    {
        const auto found = std::lower_bound(nearCircle.begin(), nearCircle.end(), m,
                                            [](const CircleExcess& near, int64_t index) { return near.index < index; });
        return found != nearCircle.end() && found->index == m ? &found->excess : nullptr;
    }
};

// D: the type of the pixels' differences; orbits and tables are kept in
// Hardware<D>.
template <typename D>
struct PerturbationFrame {
    using T = Hardware<D>;
    int32_t variant = 1;
    int32_t iterMax = 0;
    unsigned long bailout = 0;
    bool mandelbrot = true;
    // Table steps over whole passes; a frame without them builds no table.
    bool useTable = true;
    TableStarts tableStarts = TableStarts::Every;
    // Pass starts that repeat bit for bit skip whole periods.
    bool findCycles = true;
    // Pass starts that come back near one another may prove a pixel inside
    // and skip whole periods too (with the rounding bound only). Frames of
    // extended views: their inside pixels settle on cycles within reach of
    // their budgets, where deep frames' table serves them anyway.
    bool proveInside = false;
    // Pixels in double run four side by side in vector lanes where the
    // processor has whole vector registers, with the same results.
    bool useLanes = true;
    // Pixels carry a bound on their rounding error; where it nears |z| they
    // are doubtful: marked in doubtfulOut where given, else computed by the
    // deep kernels. Set before the frame is filled: its tables depend on it.
    bool boundRounding = false;
    // Table steps may pass over pass tests near the circle where the pixel
    // lands provably inside it (see NearLimitTests): set where pixels bound
    // their rounding in long double, their pass test is |z|^2 > 4 alone and
    // |c| <= 2.
    bool landingChecks = false;
    // The table's dropped terms against the steps they skip.
    T tableEpsilon = 0;
    // Frames of an extended view: the extended kernels decide the doubtful
    // pixels and those perturbation cannot follow (all marked in
    // doubtfulOut), and the bound takes in their own rounding, about
    // kernelUnit (|z|^2 + 1) a step, so that the pixels they would compute
    // differently are theirs.
    bool extendedKernelsDecide = false;
    T kernelUnit = 0;
    int32_t bits = 96;
    int32_t width = 0;
    int32_t height = 0;
    int32_t firstRow = 0;  // the computed rows, stored from the output's start
    int32_t rows = 0;

    // Mandelbrot: the orbit of 0 under the reference c, pixels starting at
    // index 1 (Z_1 = c) and rebasing onto the same orbit. Julia: the orbit of
    // the reference point from index 0, rebasing onto the orbit of 0.
    HardwareOrbit<T> start;
    HardwareOrbit<T> zero;
    int64_t startIndex = 1;
    const HardwareOrbit<T>& RebaseOrbit() const { return mandelbrot ? start : zero; }

    // Per column and row: delta_0 (Mandelbrot: also dc) from the reference,
    // the pixel's own coordinates to 64 bits, and exactly as the deep kernels
    // add them up.
    std::vector<D> deltaRe, deltaIm;
    std::vector<long double> pixelRe, pixelIm;
    std::unique_ptr<BigFloat[]> columnRe, rowIm;
    // Rows and columns on a line the iteration keeps real (within the
    // rounding of their coordinate): their real orbits are chaotic along the
    // needle, so the last bits of the view's precision decide their escape.
    // Mandelbrot columns beside [-2, 1/4] escape along the axis for certain,
    // by their real part: they need no such care (at the needle's tip, the
    // axis's pixels left of -2 would otherwise take hours 1e-20000 deep).
    std::vector<uint8_t> realRow, realColumn, chaoticAxisColumn;
    // Beyond long double's exponent those axis pixels are given as the set
    // has them (see StorePixel).
    bool axisInSet = false;
    long double juliaRe = 0, juliaIm = 0;
    BigFloat bigJuliaRe, bigJuliaIm;
    // |z|^2 beyond which a pixel certainly escapes: max(4, |c|^2) over the view.
    T escapeNorm = 4;

    int32_t* iterOut = nullptr;
    float* aOut = nullptr;
    float* bOut = nullptr;
    uint8_t* doubtfulOut = nullptr;
};

// Pixels that ran in hardware precision, that were doubtful and that needed
// the deep kernels, and the iterations the table and repeats skipped.
struct PerturbationCounts {
    RelaxedAtomic<int64_t> perturbed{0};
    RelaxedAtomic<int64_t> exact{0};
    RelaxedAtomic<int64_t> doubtful{0};
    RelaxedAtomic<int64_t> skippedIterations{0};
    RelaxedAtomic<int64_t> repeatedIterations{0};
};
