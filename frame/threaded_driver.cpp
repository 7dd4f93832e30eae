#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "color/coloring.h"
#include "color/display.h"
#include "color/drawing_modes.h"
#include "engine/double_lane_blocks.h"
#include "engine/escape_free_tiles.h"
#include "engine/fractal_state.h"
#include "engine/kernels_extended.h"
#include "engine/row_window.h"
#include "engine/view_texts.h"
#include "engine/worker_thread.h"
#include "files/autosave.h"
#include "frame/extended_by_perturbation.h"
#include "frame/frame_driver.h"
#include "frame/frame_progress.h"
#include "platform/platform.h"

namespace {

// The frame as rows that the workers take one at a time, so that every
// worker stays busy to the end however the cost is spread over the picture.
// Each row's record is the one its band's worker would reach there, so the
// results do not depend on who computes it. A worker colours the rows it
// computed while the others still compute theirs.
struct FrameRows {
    std::vector<WorkerRecord> records;
    int32_t variant = 1;
    ColoringConstants coloring{};
    // Computed by perturbation: the rows' results are in, but for the pixels
    // the extended kernels must compute.
    bool perturbed = false;
    ExtendedByPerturbation perturbation;
    ExtendedLanes lanes = ExtendedLanes::X87;
    // The pixels proven never to escape, which the workers find tile by
    // tile before they take rows, where nothing reads their final values.
    EscapeFreeFrame escapeFree;
    std::vector<uint8_t> escapeFreeMarks;
    int32_t tiles = 0;
    RelaxedAtomic<int32_t> nextTile{0};
    std::atomic<int32_t> tilesDone{0};
    std::atomic<size_t> next{0};
    RelaxedAtomic<int32_t> rowsDone{0};
    RunningWorkers running;
};

// Takes rows until none is left. After a stop, and when `compute` is
// false, rows are only cleared: rows a stopped frame leaves show as inside.
void RunRows(FrameRows& frame, bool compute)
{
    for (size_t k = frame.next.fetch_add(1, std::memory_order_relaxed); k < frame.records.size();
         k = frame.next.fetch_add(1, std::memory_order_relaxed)) {
        const WorkerRecord& record = frame.records[k];
        // From the record, never from State, which the interface thread owns.
        const size_t width = static_cast<size_t>(std::max(record.Width, 0));
        const size_t first = static_cast<size_t>(record.IterOut - Results.IterBuffer.data());
        const bool run = compute && State.StopRequest.load() == 0;
        if (run && frame.perturbed) {
            frame.perturbation.FinishRow(record, frame.variant);
            frame.rowsDone.fetch_add(1);
        } else {
            std::fill_n(record.IterOut, width, 0);
            std::fill_n(record.ZReOut, width, 0.0f);
            std::fill_n(record.ZImOut, width, 0.0f);
            if (run)
                RunExtendedKernel(frame.variant, record, &frame.rowsDone,
                                  frame.escapeFreeMarks.empty() ? nullptr : &frame.escapeFreeMarks[k * width],
                                  frame.escapeFree.limit, frame.lanes);
        }
        if (EscapeValueCapture)
            std::copy_n(record.IterOut, width, EscapeValueCapture->begin() + static_cast<ptrdiff_t>(first));
        ColorPixels(frame.coloring, first, first + width);
    }
}

// Proves tiles until none is left, then waits for the others' last tiles:
// any row may lie in them.
void ProveTiles(FrameRows& frame)
{
    if (frame.tiles == 0)
        return;
    frame.tilesDone.fetch_add(MarkEscapeFreeTiles(frame.escapeFree, frame.nextTile, frame.escapeFreeMarks.data()));
    while (frame.tilesDone.load() < frame.tiles)
        std::this_thread::yield();
}

void* ExtendedWorker(void* argument)
{
    auto* frame = static_cast<FrameRows*>(argument);
    ProveTiles(*frame);
    RunRows(*frame, true);
    frame->running.Done();
    return nullptr;
}

void FillViewFields(WorkerRecord& record, bool mandelbrot, int32_t bandFirstRow)
{
    const int32_t width = State.PicWidth;
    const int32_t height = ViewHeight();
    if (mandelbrot) {
        State.StepIm = (State.Imagmax - State.Imagmin) / height;
        record.Im0 = AdvanceRows(State.Imagmin + bandFirstRow * State.StepIm, State.StepIm,
                                  record.FirstRow - bandFirstRow);
        State.StepRe = (State.Realmax - State.Realmin) / width;
        record.Re0 = State.Realmin;
        record.Re1 = State.Realmax;
        record.Im1 = State.Imagmax;
        record.StepRe = State.StepRe;
        record.StepIm = State.StepIm;
    } else {
        State.JuliaStepIm = (State.JuliaImagmax - State.JuliaImagmin) / height;
        record.Im0 = AdvanceRows(State.JuliaImagmin + bandFirstRow * State.JuliaStepIm, State.JuliaStepIm,
                                  record.FirstRow - bandFirstRow);
        State.JuliaStepRe = (State.JuliaRealmax - State.JuliaRealmin) / width;
        record.Re0 = State.JuliaRealmin;
        record.Re1 = State.JuliaRealmax;
        record.Im1 = State.JuliaImagmax;
        record.StepRe = State.JuliaStepRe;
        record.StepIm = State.JuliaStepIm;
    }
}

// One record a row, in picture order: the first row of a piece as its band
// reaches it, each further row one step on, as the kernel adds it.
std::vector<WorkerRecord> RowRecords(int32_t threads)
{
    const int32_t width = State.PicWidth;
    const int32_t rowsPerBand = RowsPerBandFor(ViewHeight(), threads);
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    std::vector<WorkerRecord> records;
    records.reserve(static_cast<size_t>(std::max(State.PicHeight, 0)));
    for (const WorkPiece& piece : WorkPieces(threads)) {
        const RowBand band = piece.rows;
        if (band.lastRow < band.firstRow)
            continue;
        WorkerRecord record;
        record.IsMandelbrot = mandelbrot ? 1 : 0;
        record.IterMax = State.IterMax;
        if (!mandelbrot) {
            record.JuliaRe = State.JuliaRe;
            record.JuliaIm = State.JuliaIm;
        }
        record.Width = width;
        record.RowsPerBand = rowsPerBand;
        record.Bailout = State.Bailout;
        record.FirstRow = band.firstRow;
        FillViewFields(record, mandelbrot, piece.bandFirstRow);
        for (int32_t row = band.firstRow; row <= band.lastRow; ++row) {
            if (row > band.firstRow)
                record.Im0 += record.StepIm;
            record.FirstRow = row;
            record.LastRow = row;
            const size_t first = static_cast<size_t>(row - WindowFirstRow()) * static_cast<size_t>(width);
            record.IterOut = Results.IterBuffer.data() + first;
            record.ZReOut = Results.ZReBuffer.data() + first;
            record.ZImOut = Results.ZImBuffer.data() + first;
            records.push_back(record);
        }
    }
    return records;
}

// Where inside pixels show as index 0 and the kernel results are not
// written out, nothing reads the final values of pixels that provably never
// escape: they need not be iterated.
void PrepareEscapeFreeTiles(FrameRows& frame)
{
    if (KernelResultsExported || frame.records.empty() || InsideColorReadsValues(frame.coloring))
        return;
    const WorkerRecord& first = frame.records.front();
    const double limit = EscapeFreeLimit(frame.variant, first.Bailout);
    if (limit == 0)
        return;
    EscapeFreeFrame& tiles = frame.escapeFree;
    long double x = first.Re0;
    for (int32_t column = 0; column < first.Width; ++column) {
        tiles.columnRe.push_back(x);
        x += first.StepRe;
    }
    for (const WorkerRecord& record : frame.records)
        tiles.rowIm.push_back(record.Im0);
    tiles.mandelbrot = first.IsMandelbrot != 0;
    tiles.juliaRe = first.JuliaRe;
    tiles.juliaIm = first.JuliaIm;
    tiles.iterMax = first.IterMax;
    tiles.limit = limit;
    frame.tiles = EscapeFreeTileCount(tiles);
    if (frame.tiles > 0)
        frame.escapeFreeMarks.assign(tiles.columnRe.size() * tiles.rowIm.size(), 0);
}

// Fast deep zoom's extended views iterate in double lanes as far down as
// double serves, where perturbation does not compute them.
ExtendedLanes LanesFor(const FrameRows& frame)
{
    if (State.FastDeepZoom != 1 || frame.perturbed || frame.records.empty() || !DoubleLanesAvailable())
        return ExtendedLanes::X87;
    const WorkerRecord& first = frame.records.front();
    const long double step = std::max(std::fabs(first.StepRe), std::fabs(first.StepIm));
    return step <= FastExtendedWidestStep && DoubleLanesPreciseFor(step) ? ExtendedLanes::Double : ExtendedLanes::X87;
}

}  // namespace

void ThreadedDriver()
{
    Platform& platform = CurrentPlatform();
    const bool windowed = platform.HasWindows();
    State.FrameBusy = 1;
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(false);

    const int32_t threads = State.ThreadCount < 1 ? 1 : State.ThreadCount;
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    FrameRows frame;
    frame.variant = KernelVariantForMode(DrawingModeNumber(State.FractalFlags));
    frame.records = RowRecords(threads);
    // The kernels of variants 2..5 report the kind of frame they computed.
    if (frame.variant >= 2)
        State.KernelIsMandelbrot = mandelbrot ? 1 : 0;
    frame.coloring = PrepareColoring();
    if (EscapeValueCapture)
        EscapeValueCapture->resize(static_cast<size_t>(width) * height);

    const uint64_t start = TickMilliseconds();
    State.StopRequest = 0;
    // A stop belongs to the frame it stopped: later frames are backed up again.
    State.FrameAborted = 0;
    bool stopped = false;
    // With the pixels proven inside left out, the extended kernels were
    // faster than perturbation on every view measured (by 7-30 %).
    PrepareEscapeFreeTiles(frame);
    frame.perturbed = frame.tiles == 0 && ExtendedByPerturbation::Serves(frame.records, frame.variant);
    frame.lanes = LanesFor(frame);
    State.LastExtendedPath = frame.perturbed                           ? ExtendedPath::Perturbation
                             : frame.lanes == ExtendedLanes::Double ? ExtendedPath::DoubleLanes
                                                                     : ExtendedPath::Kernels;
    const bool movie = State.MovieMode == 1;
    if (frame.perturbed && !frame.perturbation.Compute(frame.records, threads, frame.variant)) {
        // Esc: the frame is marked stopped (and a movie ended); its rows are cleared below.
        stopped = State.FrameAborted == 1 && !movie;
        frame.perturbed = false;
    }
    const size_t workers = State.FrameAborted == 1
                               ? 0
                               : std::clamp<size_t>(frame.records.size(), 1, static_cast<size_t>(threads));
    std::vector<pthread_t> handles;
    handles.reserve(workers);
    for (size_t k = 0; k < workers; ++k) {
        pthread_t handle;
        frame.running.Add();
        if (StartWorkerThread(ExtendedWorker, &frame, WorkerPriority::Normal, &handle))
            handles.push_back(handle);
        else
            frame.running.Done();
    }

    // The windows get their turn every millisecond; without windows, and in
    // movies, which show only whole frames, the thread sleeps until the
    // workers end or Esc is due to be looked at: polling would take
    // processor time from them.
    const bool polling = windowed && !movie;
    const auto pause = [&](int32_t milliseconds) {
        if (polling)
            SleepMilliseconds(milliseconds);
        else
            frame.running.WaitFor(std::max(milliseconds, 1));
    };
    // A movie's frames follow one another without pauses between them.
    const auto windowsTurn = [&](int32_t milliseconds) {
        if (!movie)
            PauseForWindows(milliseconds);
    };
    FrameProgress progress(height, State.MovieMode == 0);
    bool firstKeyCheck = true;
    uint64_t lastKeyCheck = 0;
    while (frame.running.Count() > 0) {
        if (windowed) {
            platform.PumpMessages();
            SleepMilliseconds(0);
        }
        // Esc is looked at outside movies too: one mistyped "Iter max" must
        // not hold the program for hours.
        if (firstKeyCheck || TickMilliseconds() - lastKeyCheck > 100) {
            firstKeyCheck = false;
            lastKeyCheck = TickMilliseconds();
            windowsTurn(1);
            State.FrameAborted = 0;
            if (platform.EscapePressed()) {
                State.StopRequest = 1;
                while (frame.running.Count() > 0)
                    pause(10);
                State.FrameAborted = 1;
                stopped = State.MovieMode == 0;
                State.MovieMode = 0;
                platform.PumpMessages();
                break;
            }
        }
        progress.Report(frame.rowsDone.load());
        const uint64_t sinceKeyCheck = TickMilliseconds() - lastKeyCheck;
        pause(polling ? 1 : static_cast<int32_t>(sinceKeyCheck > 100 ? 1 : 101 - sinceKeyCheck));
    }
    for (pthread_t handle : handles)
        pthread_join(handle, nullptr);
    // Rows no worker took: a stopped frame's, or all of them when no
    // worker could be started.
    RunRows(frame, false);
    progress.Report(stopped ? frame.rowsDone.load() : height);

    windowsTurn(0);
    DisplayPicture();
    windowsTurn(1);

    const uint64_t end = TickMilliseconds();
    // A frame stopped outside a movie stays on screen unfinished (locked,
    // so its own repaint does not start it again) until a command asks for
    // a frame.
    State.FrameValid = stopped ? 0 : 1;
    if (stopped)
        State.PictureLocked = 1;
    State.ElapsedSeconds = static_cast<float>(end - start) / 1000.0f;
    if (State.MandelbrotShown == 1)
        State.MandelbrotShown = 0;
    windowsTurn(10);
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(true);
    if (mandelbrot)
        State.MandelbrotShown = 1;
    else
        State.JuliaViewSet = 1;
    if (!State.MovieMode && !State.FrameAborted && !State.FirstFrame && State.AutosaveParameter == 1)
        AutosaveExtended();
    State.FirstFrame = 0;
    ExtendedToBigFloats();
    State.FrameBusy = 0;
    State.StopRequest = 0;
}
