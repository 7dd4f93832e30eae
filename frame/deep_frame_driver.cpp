#include <algorithm>
#include <vector>

#include "color/coloring.h"
#include "color/display.h"
#include "color/drawing_modes.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/kernels_deep.h"
#include "engine/number_text.h"
#include "engine/perturbation_setup.h"
#include "engine/rounding.h"
#include "engine/row_window.h"
#include "engine/view_texts.h"
#include "files/autosave.h"
#include "frame/deep_workers.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"
#include "frame/frame_progress.h"
#include "platform/platform.h"

namespace {

// Percent of the frame done, from the slowest worker's rows left; -1 while
// no worker has reported.
int32_t PercentDone(int32_t rowsPerBand)
{
    if (rowsPerBand <= 0)
        return -1;
    int32_t most = 0;
    for (const RelaxedAtomic<int32_t>& left : DeepRowsLeft)
        most = std::max(most, left.load());
    const int32_t remaining = RoundToInt32(100.0L * most / rowsPerBand);
    return remaining > 0 ? 100 - remaining : -1;
}

void FillItem(DeepWorkItem& item, int32_t index, const WorkPiece& piece, int32_t rowsPerBand, bool mandelbrot)
{
    const RowBand& band = piece.rows;
    const int32_t bits = State.PrecisionBits;
    for (BigFloat* value : {&item.RealStart, &item.RealStep, &item.ImagStart, &item.ImagStep, &item.JuliaRe,
                            &item.JuliaIm})
        value->Create(bits);
    item.IsMandelbrot = mandelbrot ? 1 : 0;
    item.ThreadIndex = index;
    item.IterMax = State.IterMax;
    item.Precision = bits;
    item.Columns = State.PicWidth;
    item.RowsPerWorker = rowsPerBand;
    item.Bailout = State.Bailout;
    item.FirstRow = band.firstRow;
    item.LastRow = band.lastRow;
    if (band.lastRow >= band.firstRow) {
        const size_t first = static_cast<size_t>(band.firstRow - WindowFirstRow()) * State.PicWidth;
        item.IterOut = Results.IterBuffer.data() + first;
        item.ZReOut = Results.ZReBuffer.data() + first;
        item.ZImOut = Results.ZImBuffer.data() + first;
    }
    BigFloat offset(bits);
    const unsigned long firstRow = static_cast<unsigned long>(std::max(piece.bandFirstRow, 0));
    if (mandelbrot) {
        mpf_set(item.RealStart, BigRealmin);
        mpf_set(item.RealStep, BigStepRe);
        mpf_mul_ui(offset, BigStepIm, firstRow);
        mpf_add(item.ImagStart, BigImagmin, offset);
        mpf_set(item.ImagStep, BigStepIm);
    } else {
        mpf_set(item.RealStart, BigJuliaRealmin);
        mpf_set(item.RealStep, BigJuliaStepRe);
        mpf_mul_ui(offset, BigJuliaStepIm, firstRow);
        mpf_add(item.ImagStart, BigJuliaImagmin, offset);
        mpf_set(item.ImagStep, BigJuliaStepIm);
        mpf_set(item.JuliaRe, BigJuliaRe);
        mpf_set(item.JuliaIm, BigJuliaIm);
    }
    // The kernel adds the step row by row from its band's first row.
    for (int32_t row = piece.bandFirstRow; row < band.firstRow; ++row)
        mpf_add(item.ImagStart, item.ImagStart, item.ImagStep);
}

// Every pixel iterated in arbitrary precision, one band of rows a worker.
void RunExactDeepPixels(int32_t threads, int32_t variant, bool mandelbrot, uint64_t& finished)
{
    State.LastDeepPath = DeepPath::Exact;
    const std::vector<WorkPiece> pieces = WorkPieces(threads);
    const int32_t workers = static_cast<int32_t>(pieces.size());
    int32_t rowsPerBand = RowsPerBandFor(ViewHeight(), threads);
    if (FrameRowWindow.viewHeight > 0) {
        rowsPerBand = 0;
        for (const WorkPiece& piece : pieces)
            rowsPerBand = std::max(rowsPerBand, piece.rows.lastRow - piece.rows.firstRow + 1);
    }
    DeepRowsLeft.assign(workers, RelaxedAtomic<int32_t>(0));
    std::vector<DeepWorkItem> items(workers);
    for (int32_t i = 0; i < workers; ++i)
        FillItem(items[i], i, pieces[i], rowsPerBand, mandelbrot);
    FrameProgress progress(100, false);
    RunDeepWorkers(
        workers, [&](int32_t i) { RunDeepKernel(variant, items[i]); },
        [&] { return PercentDone(rowsPerBand); }, CalculatingTitle, &progress, finished);
    progress.Report(100);
}

}  // namespace

void RunDeepFrame()
{
    Platform& platform = CurrentPlatform();
    State.FrameBusy = 1;
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    RefreshBigSteps();
    State.KernelIsMandelbrot = mandelbrot ? 1 : 0;
    State.StopRequest = 0;
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(false);

    const int32_t threads = State.ThreadCount < 1 ? 1 : State.ThreadCount;
    const int32_t variant = KernelVariantForMode(DrawingModeNumber(State.FractalFlags));
    const uint64_t start = TickMilliseconds();
    State.StopRequest = 0;
    // A stop belongs to the frame it stopped: later frames are backed up again.
    State.FrameAborted = 0;
    uint64_t now = start;
    const DeepFrameLayout layout = CurrentDeepLayout(threads, variant, mandelbrot);
    const FastArithmetic fast = State.FastDeepZoom == 1
                                    ? FastArithmeticFor(layout.stepRe, layout.stepIm, layout.iterMax)
                                    : FastArithmetic::None;
    const size_t pixels = static_cast<size_t>(width) * height;
    const std::vector<int32_t>* escapedBefore = EscapesWithFewerIterations;
    if (fast != FastArithmetic::None && escapedBefore && escapedBefore->size() == pixels &&
        Results.IterBuffer.size() >= pixels) {
        // The colouring replaced the escape values; A and B are still the kernels'.
        std::copy(escapedBefore->begin(), escapedBefore->end(), Results.IterBuffer.begin());
        std::vector<int32_t> stillInside;
        for (size_t k = 0; k < pixels; ++k)
            if ((*escapedBefore)[k] == 0)
                stillInside.push_back(static_cast<int32_t>(k));
        RunFastDeepPixels(fast, layout, now, &stillInside);
    } else {
        std::fill(Results.IterBuffer.begin(), Results.IterBuffer.end(), 0);
        if (fast == FastArithmetic::None)
            RunExactDeepPixels(threads, variant, mandelbrot, now);
        else
            RunFastDeepPixels(fast, layout, now);
    }

    State.StopRequest = 1;
    PauseForWindows(5);
    State.FrameValid = 1;
    if (EscapeValueCapture)
        EscapeValueCapture->assign(Results.IterBuffer.begin(),
                                   Results.IterBuffer.begin() + static_cast<size_t>(width) * height);
    ColoringPass();
    State.ElapsedSeconds = static_cast<float>(now - start) / 1000.0f;
    State.FrameBusy = 0;
    State.PictureLocked = 1;
    PauseForWindows(10);
    platform.PumpMessages();
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(true);
    PauseForWindows(10);
    platform.PumpMessages();
    if (mandelbrot)
        State.MandelbrotShown = 1;
    else
        State.JuliaViewSet = 1;
    SyncViewTexts();
    if (State.AutosaveParameter == 1)
        AutosaveDeep();
}
