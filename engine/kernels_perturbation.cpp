#include "engine/kernels_perturbation.h"

#include <optional>
#include <type_traits>

#include "engine/fractal_state.h"
#include "engine/perturbation_lanes.h"
#include "engine/perturbation_pixel.h"

namespace {

using namespace perturbation;

// Where a pixel's last pass escaped on the circle: its start, with the
// difference in the frame's type W or, once narrowed, in T.
template <typename T, typename W>
struct CircleStart {
    std::optional<Cursor<T, W>> wide;
    std::optional<Cursor<T, T>> narrow;

    template <typename D>
    void Keep(const Cursor<T, D>& start)
    {
        if constexpr (std::is_same_v<D, T>)
            narrow = start;
        else
            wide = start;
    }
};

// All passes from p at count e. Leaves the last pass start's z in zr, zi,
// its count in e and, where that pass escaped on the circle, its cursor in
// circleStart. A difference that outgrows the wide range continues in T.
// False when the deep kernel must compute the pixel.
template <int Variant, typename T, typename D, typename Frame, bool Tracked, typename W>
bool RunPasses(const Frame& f, Cursor<T, D> p, int64_t& e, double previous, D dcr, D dci, long double cr,
               long double ci, long double& zr, long double& zi, SkippedIterations& skipped,
               RoundingBound<T, Tracked>& rounding, CircleStart<T, W>& circleStart)
{
    Cursor<T, D> passStart = p;
    Repeats<T, D> repeats{p, previous};
    NearReturns<D> near{cr, ci};
    while (e <= f.iterMax) {
        // A doubtful pixel is computed again: the rest of its orbit is waste.
        if (rounding.doubtful)
            break;
        if constexpr (IsWideFloat<D>::value) {
            if (!(Size(p.dr, p.di) < D(WideRangeEnd)))
                return RunPasses<Variant>(f, Narrowed(p), e, previous, ToHardware(dcr), ToHardware(dci), cr, ci, zr,
                                          zi, skipped, rounding, circleStart);
        }
        BeginPass<Variant>(f, p, e, previous, dcr, dci, repeats, near, skipped, rounding);
        passStart = p;
        const PassEnd end = RunPass<Variant>(f, p, e, previous, dcr, dci, rounding);
        if (end == PassEnd::Failed)
            return false;
        if (end == PassEnd::EscapedOnCircle) {
            circleStart.Keep(passStart);
            break;
        }
        if (end == PassEnd::Escaped)
            break;
    }
    zr = ToHardware(passStart.zr);
    zi = ToHardware(passStart.zi);
    return true;
}

// The deep kernel's pixel: the passes by perturbation, then the single
// steps. Exact when the deep kernel must compute the pixel.
template <typename D, int Variant, bool Tracked>
Outcome PerturbedPixel(const PerturbationFrame<D>& f, const PixelStart<D>& pixel, int32_t& count, float& aOut,
                       float& bOut, SkippedIterations& skipped)
{
    using T = Hardware<D>;
    Cursor<T, D> p;
    if (!FirstCursor(f, pixel, p))
        return Outcome::Exact;
    int64_t e = FirstPassCount;
    long double zr = 0, zi = 0;
    RoundingBound<T, Tracked> rounding;
    rounding.Start(pixel.d0r, pixel.d0i, f.kernelUnit);
    CircleStart<T, D> circleStart;
    if (!RunPasses<Variant>(f, p, e, FirstPrevious, pixel.dcr, pixel.dci, pixel.cr, pixel.ci, zr, zi, skipped,
                            rounding, circleStart))
        return Outcome::Exact;
    if constexpr (!std::is_same_v<D, T>) {
        if (circleStart.wide) {
            const PassStart<T, D> start{*circleStart.wide, pixel.dcr, pixel.dci, rounding.bound};
            return FinishPixel<Variant>(f, rounding.doubtful, e, zr, zi, pixel.cr, pixel.ci, count, aOut, bOut,
                                        &start);
        }
    }
    std::optional<PassStart<T>> start;
    if (circleStart.narrow)
        start = PassStart<T>{*circleStart.narrow, ToHardware(pixel.dcr), ToHardware(pixel.dci), rounding.bound};
    return FinishPixel<Variant>(f, rounding.doubtful, e, zr, zi, pixel.cr, pixel.ci, count, aOut, bOut,
                                start ? &*start : nullptr);
}

// One pixel into the outputs.
template <typename D, int Variant, bool Tracked>
Outcome ComputePixel(const PerturbationFrame<D>& f, int32_t row, int32_t k, DeepRegisters& exact,
                     SkippedIterations& skipped)
{
    int32_t count = 0;
    float a = 0, b = 0;
    const Outcome outcome = PerturbedPixel<D, Variant, Tracked>(f, StartOf(f, row, k), count, a, b, skipped);
    return StorePixel<D, Variant>(f, row, k, outcome, count, a, b, exact);
}

// A row's pixels one after the other; false when StopRequest stopped it.
template <typename D, int Variant, bool Tracked>
bool RunRow(const PerturbationFrame<D>& f, int32_t row, DeepRegisters& exact, Tally& tally)
{
    for (int32_t k = 0; k < f.width; ++k) {
        tally.Count(ComputePixel<D, Variant, Tracked>(f, row, k, exact, tally.skipped));
        if (State.StopRequest.load() == 1)
            return false;
    }
    return true;
}

template <typename D, int Variant, bool Tracked>
void RunListed(const PerturbationFrame<D>& f, const std::vector<int32_t>& pixels, RelaxedAtomic<int32_t>& next,
               PerturbationCounts& counts)
{
    DeepRegisters exact(f.bits);
    Tally tally;
    int32_t row = 0, k = 0;
    while (NextListedPixel(f, pixels, next, row, k))
        tally.Count(ComputePixel<D, Variant, Tracked>(f, row, k, exact, tally.skipped));
    tally.AddTo(counts);
}

}  // namespace

template <typename D>
void RunPerturbationRows(const PerturbationFrame<D>& frame, RelaxedAtomic<int32_t>& nextRow,
                         RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts)
{
    if constexpr (std::is_same_v<D, double>) {
        if (frame.useLanes && PerturbationLanesAvailable()) {
            RunPerturbationRowsInLanes(frame, nextRow, rowsDone, counts);
            return;
        }
    }
    ForVariant(frame, [&]<int Variant, bool Tracked>() {
        HandOutRows(frame, nextRow, rowsDone, counts, RunRow<D, Variant, Tracked>);
    });
}

template <typename D>
void RunPerturbationPixels(const PerturbationFrame<D>& frame, const std::vector<int32_t>& pixels,
                           RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    if constexpr (std::is_same_v<D, double>) {
        if (frame.useLanes && PerturbationLanesAvailable()) {
            RunPerturbationPixelsInLanes(frame, pixels, next, counts);
            return;
        }
    }
    ForVariant(frame,
               [&]<int Variant, bool Tracked>() { RunListed<D, Variant, Tracked>(frame, pixels, next, counts); });
}

template void RunPerturbationRows<double>(const PerturbationFrame<double>&, RelaxedAtomic<int32_t>&,
                                          RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationRows<long double>(const PerturbationFrame<long double>&, RelaxedAtomic<int32_t>&,
                                               RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationRows<WideDelta>(const PerturbationFrame<WideDelta>&, RelaxedAtomic<int32_t>&,
                                             RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationPixels<double>(const PerturbationFrame<double>&, const std::vector<int32_t>&,
                                            RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationPixels<long double>(const PerturbationFrame<long double>&, const std::vector<int32_t>&,
                                                 RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationPixels<WideDelta>(const PerturbationFrame<WideDelta>&, const std::vector<int32_t>&,
                                               RelaxedAtomic<int32_t>&, PerturbationCounts&);
