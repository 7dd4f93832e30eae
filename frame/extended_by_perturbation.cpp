#include "frame/extended_by_perturbation.h"

#include <algorithm>
#include <cmath>

#include "engine/big_float.h"
#include "engine/big_to_hardware.h"
#include "engine/fractal_state.h"
#include "engine/perturbation_lanes.h"
#include "engine/perturbation_setup.h"
#include "engine/row_window.h"
#include "frame/fast_deep_pixels.h"

namespace {

// Where the lanes gain: orbits of a thousand iterations or more, and while
// the extended kernels' own rounding, grown over IterMax steps, stays well
// below a pixel step: deeper, the bound hands them so many pixels (a fifth
// to a half) that the frame takes longer than theirs.
constexpr int32_t FewestIterations = 1000;
constexpr long double RoundingGrowth = 0x1p-54L;

// The reference orbit's precision: the deepest extended view's pixel step
// (2^-54) and double's 53 bits with room to spare.
constexpr int32_t ReferenceBits = 128;

}  // namespace

bool ExtendedByPerturbation::Serves(const std::vector<WorkerRecord>& records, int32_t variant)
{
    // Variant 2's extended and deep kernels count the last steps differently.
    if (State.FastDeepZoom != 1 || variant == 2 || records.empty() || !PerturbationLanesAvailable())
        return false;
    const WorkerRecord& first = records.front();
    const bool wholeView = FrameRowWindow.viewHeight == 0 && static_cast<int32_t>(records.size()) == ViewHeight();
    const long double step = std::max(std::fabs(first.StepRe), std::fabs(first.StepIm));
    // The deep kernels' tests take a whole-number bailout, the extended ones float32(Bailout).
    const bool wholeBailout = first.Bailout >= 1 && first.Bailout <= 1e9 &&
                              static_cast<double>(static_cast<float>(first.Bailout)) == std::nearbyint(first.Bailout);
    return wholeView && wholeBailout && first.IterMax >= FewestIterations && step <= FastExtendedWidestStep &&
           step >= first.IterMax * RoundingGrowth;
}

bool ExtendedByPerturbation::Compute(const std::vector<WorkerRecord>& records, int32_t threads, int32_t variant)
{
    const WorkerRecord& first = records.front();
    const int32_t width = first.Width;
    const int32_t height = static_cast<int32_t>(records.size());
    // The coordinates the extended kernels give each pixel: x added up from
    // Re0 along every row, each row's own y.
    columns_.resize(static_cast<size_t>(width));
    long double x = first.Re0;
    for (long double& column : columns_) {
        column = x;
        x += first.StepRe;
    }
    std::vector<long double> rows(static_cast<size_t>(height));
    for (const WorkerRecord& record : records)
        rows[static_cast<size_t>(record.FirstRow)] = record.Im0;

    BigFloat realMin(ReferenceBits), stepRe(ReferenceBits), imagMin(ReferenceBits), stepIm(ReferenceBits);
    BigFloat juliaRe(ReferenceBits), juliaIm(ReferenceBits);
    LongDoubleToBig(first.Re0, realMin);
    LongDoubleToBig(first.StepRe, stepRe);
    LongDoubleToBig(rows.front(), imagMin);
    LongDoubleToBig(first.StepIm, stepIm);
    LongDoubleToBig(first.JuliaRe, juliaRe);
    LongDoubleToBig(first.JuliaIm, juliaIm);

    DeepFrameLayout layout;
    layout.width = width;
    layout.height = height;
    layout.rows = height;
    layout.threads = threads;
    layout.bits = ReferenceBits;
    layout.iterMax = first.IterMax;
    layout.variant = variant;
    layout.bailout = first.Bailout;
    layout.mandelbrot = first.IsMandelbrot != 0;
    layout.realMin = realMin;
    layout.stepRe = stepRe;
    layout.imagMin = imagMin;
    layout.stepIm = stepIm;
    layout.juliaRe = juliaRe;
    layout.juliaIm = juliaIm;
    layout.columnValues = columns_.data();
    layout.rowValues = rows.data();
    uint64_t finished = 0;
    return PerturbExtendedView(layout, marked_, finished);
}

void ExtendedByPerturbation::FinishRow(const WorkerRecord& record, int32_t variant) const
{
    const PixelSetup setup = MakePixelSetup(record.IterMax, record.Bailout);
    const bool mandelbrot = record.IsMandelbrot != 0;
    const size_t first = static_cast<size_t>(record.IterOut - Results.IterBuffer.data());
    for (int32_t k = 0; k < record.Width; ++k) {
        if (marked_[first + static_cast<size_t>(k)] == 0)
            continue;
        const long double x = columns_[static_cast<size_t>(k)];
        const long double y = record.Im0;
        IterateKernelPixel(variant, setup, x, y, mandelbrot ? x : record.JuliaRe, mandelbrot ? y : record.JuliaIm,
                           record.IterOut + k, record.ZReOut + k, record.ZImOut + k);
    }
}
