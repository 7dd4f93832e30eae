#pragma once
#include <cstdint>
#include <vector>

#include "engine/perturbation_frame.h"
#include "engine/relaxed_atomic.h"

// Whether the processor has the vector registers the lanes need (AVX2).
bool PerturbationLanesAvailable();

// RunPerturbationRows for frames in double with four pixels side by side in
// vector lanes: the same results, to the bit.
void RunPerturbationRowsInLanes(const PerturbationFrame<double>& frame, RelaxedAtomic<int32_t>& nextRow,
                                RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts);

// RunPerturbationPixels for frames in double, in vector lanes.
void RunPerturbationPixelsInLanes(const PerturbationFrame<double>& frame, const std::vector<int32_t>& pixels,
                                  RelaxedAtomic<int32_t>& next, PerturbationCounts& counts);
