#pragma once
#include <cstdint>

#include "engine/big_float.h"
#include "engine/cycle_jump.h"
#include "engine/kernels_perturbation.h"
#include "engine/reference_orbit.h"
#include "engine/relaxed_atomic.h"

// Hardware arithmetic that can follow a deep view's pixels by perturbation.
enum class FastArithmetic { None, Double, Extended, WideExponent };

// Longer orbits with their tables (about 300 bytes an iteration in long
// double) would take more memory than a desktop should give them.
constexpr int32_t FastDeepMaxIterations = 2000000;

// By the pixel step: double while the step's exponent allows, long double
// beyond, long double with a wider exponent past long double's range; none
// for an IterMax beyond FastDeepMaxIterations.
FastArithmetic FastArithmeticFor(mpf_srcptr stepRe, mpf_srcptr stepIm, int32_t iterMax);

// A deep frame's pixels as the deep kernels lay them out.
struct DeepFrameLayout {
    int32_t width = 0;
    int32_t height = 0;
    int32_t threads = 1;  // the row values are added up band by band
    // The rows computed into the output: firstRow onwards, `rows` of them
    // (0: every row); the reference and the row values are the whole view's.
    int32_t firstRow = 0;
    int32_t rows = 0;
    int32_t bits = 96;
    int32_t iterMax = 0;
    int32_t variant = 1;
    double bailout = 0;
    bool mandelbrot = true;
    mpf_srcptr realMin = nullptr;
    mpf_srcptr stepRe = nullptr;
    mpf_srcptr imagMin = nullptr;
    mpf_srcptr stepIm = nullptr;
    mpf_srcptr juliaRe = nullptr;
    mpf_srcptr juliaIm = nullptr;
    // The pixels' own coordinates where they are not min + k step exactly
    // (an extended view's, as its kernels add them up): width and height
    // values, or none.
    const long double* columnValues = nullptr;
    const long double* rowValues = nullptr;
};

// The chosen reference point and its orbits (Julia: also the orbit of 0),
// from which frames of a view are filled in any hardware type.
struct PerturbationReference {
    BigFloat re, im;
    ReferenceOrbit start, zero;
    // Julia: where the orbit from the point ends on a cycle that barely
    // repels, its jumps (see CycleJump), for frames of every precision.
    CycleJump<DoubleDouble> cycleJump;
};

// The table drops terms below the type's own rounding (Full) or, for longer
// steps, below 2^-36 in double and 2^-48 in long double (Fast).
enum class TablePrecision { Fast, Full };

// Chooses the reference (the view's centre, or where the centre's orbit
// leaves before the frame needs it, the point of a grid over the view whose
// orbit lasts longest) and iterates its orbits. False when StopRequest ended
// it. `progress` follows the values of the orbit being iterated, out of
// ReferenceLength(layout).
bool ChoosePerturbationReference(const DeepFrameLayout& layout, PerturbationReference& reference,
                                 RelaxedAtomic<int64_t>& progress);

// The frame's pixels and hardware orbits from a chosen reference, output
// buffers aside.
template <typename D>
void FillPerturbationFrame(const DeepFrameLayout& layout, const PerturbationReference& reference,
                           TablePrecision precision, PerturbationFrame<D>& frame);

// Both of the above, with the Fast table.
template <typename D>
bool PreparePerturbationFrame(const DeepFrameLayout& layout, PerturbationFrame<D>& frame,
                              RelaxedAtomic<int64_t>& progress);

// Orbit values a frame needs: every pass's values and one beyond.
int64_t ReferenceLength(const DeepFrameLayout& layout);

extern template void FillPerturbationFrame<double>(const DeepFrameLayout&, const PerturbationReference&,
                                                  TablePrecision, PerturbationFrame<double>&);
extern template void FillPerturbationFrame<long double>(const DeepFrameLayout&, const PerturbationReference&,
                                                       TablePrecision, PerturbationFrame<long double>&);
extern template void FillPerturbationFrame<WideDelta>(const DeepFrameLayout&, const PerturbationReference&,
                                                     TablePrecision, PerturbationFrame<WideDelta>&);
extern template bool PreparePerturbationFrame<double>(const DeepFrameLayout&, PerturbationFrame<double>&,
                                                      RelaxedAtomic<int64_t>&);
extern template bool PreparePerturbationFrame<long double>(const DeepFrameLayout&, PerturbationFrame<long double>&,
                                                           RelaxedAtomic<int64_t>&);
extern template bool PreparePerturbationFrame<WideDelta>(const DeepFrameLayout&, PerturbationFrame<WideDelta>&,
                                                         RelaxedAtomic<int64_t>&);
