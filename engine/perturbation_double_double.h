#pragma once
#include <cstdint>
#include <vector>

#include "engine/double_double.h"
#include "engine/perturbation_frame.h"
#include "engine/perturbation_setup.h"
#include "engine/relaxed_atomic.h"

// The fast deep path's last resort before arbitrary precision: pixels whose
// rounding long double cannot bound followed with differences and orbit
// values of about 106 bits (two doubles), one step at a time. Pixels that
// follow a barely repelling reference for thousands of iterations before
// their orbit turns chaotic need them: the orbit value's own rounding, the
// same at every step, grows their difference's error by 2^-64 a step.

// mantissa 2^exponent: differences at any depth.
struct ScaledDoubleDouble {
    DoubleDouble mantissa;
    int64_t exponent = 0;
};

// A frame of such pixels: the long double frame (coordinates, outputs, the
// kernels' single steps) and the orbits, their tables and the differences
// to 106 bits.
struct DoubleDoubleFrame {
    PerturbationFrame<long double> frame;
    HugePageVector<OrbitValue<DoubleDouble>> start, zero;
    BlaTable<DoubleDouble> startTable, zeroTable;  // empty for frames without
    CycleJump<DoubleDouble> jump;                  // see HardwareOrbit::jump
    std::vector<ScaledDoubleDouble> deltaRe, deltaIm;
};

// Whether the frame's pixels may need 106 bits: where the reference comes
// back to its own values (a Misiurewicz point's cycle, a Julia set's fixed
// point, a nucleus), its rounding is the same at every return, and the
// differences' errors add up where along other orbits they average out.
bool DoubleDoubleServes(const PerturbationReference& reference);

// The frame from a chosen reference, output buffers aside; the long double
// frame has no table, the 106-bit orbits have theirs where `withTable`.
void FillDoubleDoubleFrame(const DeepFrameLayout& layout, const PerturbationReference& reference, bool withTable,
                           DoubleDoubleFrame& frame);

// Computes the listed pixels (indices into the outputs) handed out by next;
// those the differences cannot follow (a test on the circle's edge, an
// overflow) by the deep kernels.
void RunDoubleDoublePixels(const DoubleDoubleFrame& frame, const std::vector<int32_t>& pixels,
                           RelaxedAtomic<int32_t>& next, PerturbationCounts& counts);
