#pragma once
#include <cstdint>
#include <vector>

#include "engine/perturbation_frame.h"
#include "engine/relaxed_atomic.h"

// The fast deep path: every pixel iterates its difference delta from a
// reference orbit in hardware precision (double, or long double beyond
// double's exponent range, or long double with a wider exponent beyond
// long double's while the difference is that small), with the pass
// structure, tests and stored values of the deep kernels. Pixels that leave
// what the hardware can follow are computed by the deep kernels themselves.

// Computes rows handed out by nextRow until none is left or StopRequest is
// set; rowsDone follows the finished rows.
template <typename D>
void RunPerturbationRows(const PerturbationFrame<D>& frame, RelaxedAtomic<int32_t>& nextRow,
                         RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts);

// Computes the listed pixels (indices into the outputs) handed out by next.
template <typename D>
void RunPerturbationPixels(const PerturbationFrame<D>& frame, const std::vector<int32_t>& pixels,
                           RelaxedAtomic<int32_t>& next, PerturbationCounts& counts);

extern template void RunPerturbationPixels<double>(const PerturbationFrame<double>&, const std::vector<int32_t>&,
                                                   RelaxedAtomic<int32_t>&, PerturbationCounts&);
extern template void RunPerturbationPixels<long double>(const PerturbationFrame<long double>&,
                                                        const std::vector<int32_t>&, RelaxedAtomic<int32_t>&,
                                                        PerturbationCounts&);
extern template void RunPerturbationPixels<WideDelta>(const PerturbationFrame<WideDelta>&,
                                                      const std::vector<int32_t>&, RelaxedAtomic<int32_t>&,
                                                      PerturbationCounts&);
extern template void RunPerturbationRows<double>(const PerturbationFrame<double>&, RelaxedAtomic<int32_t>&,
                                                 RelaxedAtomic<int32_t>&, PerturbationCounts&);
extern template void RunPerturbationRows<long double>(const PerturbationFrame<long double>&,
                                                      RelaxedAtomic<int32_t>&, RelaxedAtomic<int32_t>&,
                                                      PerturbationCounts&);
extern template void RunPerturbationRows<WideDelta>(const PerturbationFrame<WideDelta>&, RelaxedAtomic<int32_t>&,
                                                    RelaxedAtomic<int32_t>&, PerturbationCounts&);
