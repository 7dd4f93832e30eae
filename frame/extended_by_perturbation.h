#pragma once
#include <cstdint>
#include <vector>

#include "engine/kernels_extended.h"

// Fast deep zoom takes over extended views with pixel steps below 2^-26 (at
// 640 pixels, views narrower than about 1e-5), where orbits grow long; wider
// views spend their few iterations on the bailout and stay exact.
constexpr long double FastExtendedWidestStep = 0x1p-26L;

// Extended views a few powers of ten deep with long orbits, computed by
// perturbation while fast deep zoom is on: four pixels at a time in vector
// lanes of doubles where the extended kernels run one x87 chain a pixel.
// The pixels whose result the rounding bound cannot tie to the extended
// kernels' (theirs or the lanes' rounding could change it, or perturbation
// cannot follow them) are computed by those kernels, from their own
// coordinates, so the picture agrees with theirs.
class ExtendedByPerturbation {
public:
    // Whether it serves the current view with these row records: fast deep
    // zoom on, vector lanes on this processor, a variant whose deep kernel
    // counts as the extended one, the whole view in one frame, a
    // whole-number bailout, and a view deep and long enough to gain.
    static bool Serves(const std::vector<WorkerRecord>& records, int32_t variant);

    // The reference and every row by perturbation into the result buffers;
    // false when Esc stopped it.
    bool Compute(const std::vector<WorkerRecord>& records, int32_t threads, int32_t variant);

    // The pixels of a computed row (its record) that the extended kernels
    // must compute, computed.
    void FinishRow(const WorkerRecord& record, int32_t variant) const;

private:
    std::vector<long double> columns_;
    std::vector<uint8_t> marked_;
};
