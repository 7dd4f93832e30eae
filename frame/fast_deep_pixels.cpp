#include "frame/fast_deep_pixels.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/kernels_perturbation.h"
#include "engine/number_text.h"
#include "engine/perturbation_double_double.h"
#include "engine/row_window.h"
#include "frame/deep_workers.h"
#include "frame/frame_progress.h"

namespace {

// A table costs about as much as a few thousand iterations of each orbit
// value: few pixels go faster without one.
bool TableWorth(const std::vector<int32_t>& pixels, const DeepFrameLayout& layout)
{
    constexpr int64_t TableWorthIterations = 2000;
    return static_cast<int64_t>(pixels.size()) * layout.iterMax >= TableWorthIterations * ReferenceLength(layout);
}

std::vector<int32_t> MarkedPixels(const std::vector<uint8_t>& marked)
{
    std::vector<int32_t> pixels;
    for (size_t i = 0; i < marked.size(); ++i)
        if (marked[i] != 0)
            pixels.push_back(static_cast<int32_t>(i));
    return pixels;
}

// The marked pixels with a table to the type's full precision; where
// `stillDoubtful` is given, with the rounding bound, marking there the
// pixels it leaves doubtful.
template <typename Wider>
void ComputeWithFullTable(const DeepFrameLayout& layout, const PerturbationReference& reference,
                          const std::vector<uint8_t>& marked, int32_t* iterOut, float* aOut, float* bOut,
                          PerturbationCounts& counts, FrameProgress& progress, uint64_t& finished,
                          std::vector<uint8_t>* stillDoubtful = nullptr)
{
    const std::vector<int32_t> pixels = MarkedPixels(marked);
    PerturbationFrame<Wider> frame;
    frame.useTable = TableWorth(pixels, layout);
    frame.tableStarts = TableStarts::Aligned;
    frame.boundRounding = stillDoubtful != nullptr;
    // The rows are done: progress stays just short of the end meanwhile.
    const auto almostDone = [] { return 99; };
    if (RunDeepWorkers(
            1, [&](int32_t) { FillPerturbationFrame(layout, reference, TablePrecision::Full, frame); }, almostDone,
            CalculatingTitle, &progress, finished, WorkerWait::Prompt))
        return;
    frame.iterOut = iterOut;
    frame.aOut = aOut;
    frame.bOut = bOut;
    if (stillDoubtful) {
        stillDoubtful->assign(marked.size(), 0);
        frame.doubtfulOut = stillDoubtful->data();
    }
    RelaxedAtomic<int32_t> next{0};
    RunDeepWorkers(
        layout.threads, [&](int32_t) { RunPerturbationPixels(frame, pixels, next, counts); }, almostDone,
        CalculatingTitle, &progress, finished, WorkerWait::Prompt);
}

// The reference, then every row (or only the listed pixels) by perturbation
// with a table of the given precision into the result buffers, with the
// pixels the frame's type cannot decide marked in `doubtful`. False when Esc
// stopped it.
template <typename D>
bool PerturbRows(const DeepFrameLayout& layout, TablePrecision precision, PerturbationReference& reference,
                 PerturbationFrame<D>& frame, std::vector<uint8_t>& doubtful, PerturbationCounts& counts,
                 FrameProgress& progress, uint64_t& finished, const std::vector<int32_t>* listed = nullptr)
{
    RelaxedAtomic<int64_t> orbitDone{0};
    bool prepared = false;
    frame.boundRounding = true;
    const int64_t length = ReferenceLength(layout);
    const bool stopped = RunDeepWorkers(
        1,
        [&](int32_t) {
            prepared = ChoosePerturbationReference(layout, reference, orbitDone);
            if (prepared)
                FillPerturbationFrame(layout, reference, precision, frame);
        },
        [&] { return static_cast<int32_t>(orbitDone.load() * 100 / length); }, ReferenceOrbitTitle, nullptr,
        finished, WorkerWait::Prompt);
    if (stopped || !prepared)
        return false;

    doubtful.assign(static_cast<size_t>(layout.width) * layout.rows, 0);
    frame.doubtfulOut = doubtful.data();
    frame.iterOut = Results.IterBuffer.data();
    frame.aOut = Results.ZReBuffer.data();
    frame.bOut = Results.ZImBuffer.data();
    if (listed) {
        RelaxedAtomic<int32_t> next{0};
        const int64_t count = std::max<int64_t>(static_cast<int64_t>(listed->size()), 1);
        return !RunDeepWorkers(
            layout.threads, [&](int32_t) { RunPerturbationPixels(frame, *listed, next, counts); },
            [&] { return static_cast<int32_t>(std::min<int64_t>(next.load(), count) * 100 / count); },
            CalculatingTitle, &progress, finished, WorkerWait::Prompt);
    }
    RelaxedAtomic<int32_t> nextRow{0};
    RelaxedAtomic<int32_t> rowsDone{0};
    return !RunDeepWorkers(
        layout.threads, [&](int32_t) { RunPerturbationRows(frame, nextRow, rowsDone, counts); },
        [&] { return static_cast<int32_t>(int64_t{rowsDone.load()} * 100 / layout.rows); }, CalculatingTitle,
        &progress, finished, WorkerWait::Prompt);
}

// The marked pixels with differences to 106 bits (see DoubleDoubleFrame).
void ComputeInDoubleDouble(const DeepFrameLayout& layout, const PerturbationReference& reference,
                           const std::vector<uint8_t>& marked, int32_t* iterOut, float* aOut, float* bOut,
                           PerturbationCounts& counts, FrameProgress& progress, uint64_t& finished)
{
    const std::vector<int32_t> pixels = MarkedPixels(marked);
    DoubleDoubleFrame frame;
    const bool withTable = TableWorth(pixels, layout);
    const auto almostDone = [] { return 99; };
    if (RunDeepWorkers(
            1, [&](int32_t) { FillDoubleDoubleFrame(layout, reference, withTable, frame); }, almostDone,
            CalculatingTitle, &progress, finished, WorkerWait::Prompt))
        return;
    frame.frame.iterOut = iterOut;
    frame.frame.aOut = aOut;
    frame.frame.bOut = bOut;
    RelaxedAtomic<int32_t> next{0};
    RunDeepWorkers(
        layout.threads, [&](int32_t) { RunDoubleDoublePixels(frame, pixels, next, counts); }, almostDone,
        CalculatingTitle, &progress, finished, WorkerWait::Prompt);
}

template <typename D>
void RunFast(const DeepFrameLayout& layout, const std::vector<int32_t>* listed, uint64_t& finished)
{
    PerturbationReference reference;
    PerturbationFrame<D> frame;
    std::vector<uint8_t> doubtful;
    PerturbationCounts counts;
    FrameProgress progress(100, false);
    // Pixels whose rounding the Fast table spoils are computed again with
    // Full tables: in double first, where the frame is in double (its 2^-36
    // table lets most pixels skip far more, and the 2^-53 one decides nearly
    // all it hands on); then in long double (11 more bits than double, 16
    // more than long double's Fast table).
    int64_t exact = 0;
    if (PerturbRows(layout, TablePrecision::Fast, reference, frame, doubtful, counts, progress, finished, listed) &&
        counts.doubtful.load() > 0) {
        // The first frame's orbits make room for the next one's.
        frame.start = {};
        frame.zero = {};
        bool stillDoubtful = true;
        if constexpr (std::is_same_v<D, double>) {
            PerturbationCounts again;
            std::vector<uint8_t> marked;
            ComputeWithFullTable<double>(layout, reference, doubtful, frame.iterOut, frame.aOut, frame.bOut, again,
                                         progress, finished, &marked);
            doubtful.swap(marked);
            exact += again.exact.load();
            stillDoubtful = again.doubtful.load() > 0;
        }
        using Wider = std::conditional_t<IsWideFloat<D>::value, D, long double>;
        PerturbationCounts last;
        // Where two doubles keep the differences, long double hands on what
        // it cannot bound.
        const bool doubleDouble = DoubleDoubleServes(reference);
        if (stillDoubtful && doubleDouble) {
            std::vector<uint8_t> marked;
            ComputeWithFullTable<Wider>(layout, reference, doubtful, frame.iterOut, frame.aOut, frame.bOut, last,
                                        progress, finished, &marked);
            if (last.doubtful.load() > 0)
                ComputeInDoubleDouble(layout, reference, marked, frame.iterOut, frame.aOut, frame.bOut, last,
                                      progress, finished);
        } else if (stillDoubtful) {
            ComputeWithFullTable<Wider>(layout, reference, doubtful, frame.iterOut, frame.aOut, frame.bOut, last,
                                        progress, finished);
        }
        exact += last.exact.load();
    }
    progress.Report(100);
    State.ExactDeepPixels = counts.exact.load() + exact;
    State.RecomputedDeepPixels = counts.doubtful.load();
}

}  // namespace

DeepFrameLayout CurrentDeepLayout(int32_t threads, int32_t variant, bool mandelbrot)
{
    DeepFrameLayout layout;
    layout.width = State.PicWidth;
    layout.height = ViewHeight();
    layout.firstRow = WindowFirstRow();
    layout.rows = State.PicHeight;
    layout.threads = threads;
    layout.bits = State.PrecisionBits;
    layout.iterMax = State.IterMax;
    layout.variant = variant;
    layout.bailout = State.Bailout;
    layout.mandelbrot = mandelbrot;
    layout.realMin = mandelbrot ? BigRealmin.get() : BigJuliaRealmin.get();
    layout.stepRe = mandelbrot ? BigStepRe.get() : BigJuliaStepRe.get();
    layout.imagMin = mandelbrot ? BigImagmin.get() : BigJuliaImagmin.get();
    layout.stepIm = mandelbrot ? BigStepIm.get() : BigJuliaStepIm.get();
    layout.juliaRe = BigJuliaRe.get();
    layout.juliaIm = BigJuliaIm.get();
    return layout;
}

std::string DeepPathText(DeepPath path)
{
    switch (path) {
    case DeepPath::FastDouble: return "perturbation in double";
    case DeepPath::FastExtended: return "perturbation in long double";
    case DeepPath::FastWideExponent: return "perturbation in long double with a wider exponent";
    case DeepPath::Exact: break;
    }
    return "arbitrary precision";
}

std::string ReferenceOrbitTitle(int32_t percent)
{
    return "QUORVATIX - Reference orbit " + NumberText(percent, 15) + "%" + " - STOP WITH ESC-KEY";
}

void RunFastDeepPixels(FastArithmetic arithmetic, const DeepFrameLayout& layout, uint64_t& finished,
                       const std::vector<int32_t>* listed)
{
    State.ExactDeepPixels = 0;
    State.RecomputedDeepPixels = 0;
    if (arithmetic == FastArithmetic::Double) {
        State.LastDeepPath = DeepPath::FastDouble;
        RunFast<double>(layout, listed, finished);
    } else if (arithmetic == FastArithmetic::Extended) {
        State.LastDeepPath = DeepPath::FastExtended;
        RunFast<long double>(layout, listed, finished);
    } else {
        State.LastDeepPath = DeepPath::FastWideExponent;
        RunFast<WideDelta>(layout, listed, finished);
    }
}

bool PerturbExtendedView(const DeepFrameLayout& layout, std::vector<uint8_t>& kernelsDecide, uint64_t& finished)
{
    PerturbationReference reference;
    PerturbationFrame<double> frame;
    frame.extendedKernelsDecide = true;
    frame.proveInside = true;
    // A step of the extended kernels rounds several products and sums to
    // 64 bits each.
    frame.kernelUnit = 4 * 0x1p-64;
    PerturbationCounts counts;
    FrameProgress progress(100, false);
    // The strict table: pixels its bound doubts are the extended kernels', at their cost.
    const bool computed =
        PerturbRows(layout, TablePrecision::Full, reference, frame, kernelsDecide, counts, progress, finished);
    progress.Report(100);
    return computed;
}
