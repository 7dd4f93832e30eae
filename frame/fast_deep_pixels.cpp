#include "frame/fast_deep_pixels.h"

#include <string>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/kernels_perturbation.h"
#include "engine/number_text.h"
#include "engine/row_window.h"
#include "frame/deep_workers.h"
#include "frame/frame_progress.h"

namespace {

template <typename D>
void RunFast(const DeepFrameLayout& layout, uint64_t& finished)
{
    PerturbationFrame<D> frame;
    RelaxedAtomic<int64_t> orbitDone{0};
    bool prepared = false;
    const int64_t length = ReferenceLength(layout);
    const bool stopped = RunDeepWorkers(
        1, [&](int32_t) { prepared = PreparePerturbationFrame(layout, frame, orbitDone); },
        [&] { return static_cast<int32_t>(orbitDone.load() * 100 / length); }, ReferenceOrbitTitle, nullptr,
        finished, WorkerWait::Prompt);
    if (stopped || !prepared)
        return;

    frame.iterOut = Results.IterBuffer.data();
    frame.aOut = Results.ZReBuffer.data();
    frame.bOut = Results.ZImBuffer.data();
    RelaxedAtomic<int32_t> nextRow{0};
    RelaxedAtomic<int32_t> rowsDone{0};
    PerturbationCounts counts;
    FrameProgress progress(100, false);
    RunDeepWorkers(
        layout.threads, [&](int32_t) { RunPerturbationRows(frame, nextRow, rowsDone, counts); },
        [&] { return static_cast<int32_t>(int64_t{rowsDone.load()} * 100 / layout.rows); }, CalculatingTitle,
        &progress, finished, WorkerWait::Prompt);
    progress.Report(100);
    State.ExactDeepPixels = counts.exact.load();
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

void RunFastDeepPixels(FastArithmetic arithmetic, const DeepFrameLayout& layout, uint64_t& finished)
{
    State.ExactDeepPixels = 0;
    if (arithmetic == FastArithmetic::Double) {
        State.LastDeepPath = DeepPath::FastDouble;
        RunFast<double>(layout, finished);
    } else if (arithmetic == FastArithmetic::Extended) {
        State.LastDeepPath = DeepPath::FastExtended;
        RunFast<long double>(layout, finished);
    } else {
        State.LastDeepPath = DeepPath::FastWideExponent;
        RunFast<WideDelta>(layout, finished);
    }
}
