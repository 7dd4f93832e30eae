#include <pthread.h>

#include <algorithm>
#include <vector>

#include "color/coloring.h"
#include "color/drawing_modes.h"
#include "engine/fractal_state.h"
#include "engine/kernels_extended.h"
#include "engine/row_window.h"
#include "engine/view_texts.h"
#include "engine/worker_thread.h"
#include "files/autosave.h"
#include "frame/frame_driver.h"
#include "frame/frame_progress.h"
#include "platform/platform.h"

namespace {

struct WorkerLaunch {
    WorkerRecord record;
    int32_t variant = 1;
    RelaxedAtomic<int32_t>* running = nullptr;
    RelaxedAtomic<int32_t>* rowsDone = nullptr;
};

void* ExtendedWorker(void* argument)
{
    auto* launch = static_cast<WorkerLaunch*>(argument);
    RunExtendedKernel(launch->variant, launch->record, launch->rowsDone);
    launch->running->fetch_sub(1);
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

}  // namespace

void ThreadedDriver()
{
    Platform& platform = CurrentPlatform();
    State.FrameBusy = 1;
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(false);

    const int32_t threads = State.ThreadCount < 1 ? 1 : State.ThreadCount;
    const int32_t variant = KernelVariantForMode(DrawingModeNumber(State.FractalFlags));
    const int32_t rowsPerBand = RowsPerBandFor(ViewHeight(), threads);
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    RelaxedAtomic<int32_t> running{0};
    RelaxedAtomic<int32_t> rowsDone{0};

    const std::vector<WorkPiece> pieces = WorkPieces(threads);
    std::vector<WorkerLaunch> launches(pieces.size());
    for (size_t k = 0; k < pieces.size(); ++k) {
        const RowBand band = pieces[k].rows;
        WorkerRecord& record = launches[k].record;
        const size_t first = static_cast<size_t>(band.firstRow - WindowFirstRow()) * width;
        record.IsMandelbrot = mandelbrot ? 1 : 0;
        record.IterMax = State.IterMax;
        record.IterOut = Results.IterBuffer.data() + first;
        record.ZReOut = Results.ZReBuffer.data() + first;
        record.ZImOut = Results.ZImBuffer.data() + first;
        if (!mandelbrot) {
            record.JuliaRe = State.JuliaRe;
            record.JuliaIm = State.JuliaIm;
        }
        record.Width = width;
        record.RowsPerBand = rowsPerBand;
        record.Bailout = State.Bailout;
        record.FirstRow = band.firstRow;
        record.LastRow = band.lastRow;
        FillViewFields(record, mandelbrot, pieces[k].bandFirstRow);
        launches[k].variant = variant;
        launches[k].running = &running;
        launches[k].rowsDone = &rowsDone;
    }
    // The kernels of variants 2..5 report the kind of frame they computed.
    if (variant >= 2)
        State.KernelIsMandelbrot = mandelbrot ? 1 : 0;
    // Rows a stopped frame leaves show as inside, as deep frames show theirs.
    const size_t pixels = static_cast<size_t>(width) * height;
    std::fill_n(Results.IterBuffer.begin(), pixels, 0);
    std::fill_n(Results.ZReBuffer.begin(), pixels, 0.0f);
    std::fill_n(Results.ZImBuffer.begin(), pixels, 0.0f);

    const uint64_t start = TickMilliseconds();
    State.StopRequest = 0;
    // A stop belongs to the frame it stopped: later frames are backed up again.
    State.FrameAborted = 0;
    std::vector<pthread_t> handles;
    handles.reserve(launches.size());
    for (WorkerLaunch& launch : launches) {
        pthread_t handle;
        running.fetch_add(1);
        if (StartWorkerThread(ExtendedWorker, &launch, WorkerPriority::Normal, &handle))
            handles.push_back(handle);
        else
            running.fetch_sub(1);
    }

    FrameProgress progress(height, State.MovieMode == 0);
    bool firstKeyCheck = true;
    uint64_t lastKeyCheck = 0;
    bool stopped = false;
    while (running.load() > 0) {
        platform.PumpMessages();
        SleepMilliseconds(0);
        // Esc is looked at outside movies too: one mistyped "Iter max" must
        // not hold the program for hours.
        if (firstKeyCheck || TickMilliseconds() - lastKeyCheck > 100) {
            firstKeyCheck = false;
            lastKeyCheck = TickMilliseconds();
            SleepMilliseconds(1);
            State.FrameAborted = 0;
            if (platform.EscapePressed()) {
                State.StopRequest = 1;
                while (running.load() > 0)
                    SleepMilliseconds(10);
                State.FrameAborted = 1;
                stopped = State.MovieMode == 0;
                State.MovieMode = 0;
                platform.PumpMessages();
                break;
            }
        }
        progress.Report(rowsDone.load());
        SleepMilliseconds(1);
    }
    for (pthread_t handle : handles)
        pthread_join(handle, nullptr);
    progress.Report(stopped ? rowsDone.load() : height);

    SleepMilliseconds(0);
    if (EscapeValueCapture)
        EscapeValueCapture->assign(Results.IterBuffer.begin(),
                                   Results.IterBuffer.begin() + static_cast<size_t>(width) * height);
    ColoringPass();
    SleepMilliseconds(1);

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
    SleepMilliseconds(10);
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
