#include <vector>

#include "color/coloring.h"
#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/state_defaults.h"
#include "engine/kernels_extended.h"
#include "engine/row_window.h"
#include "engine/view_texts.h"
#include "files/autosave.h"
#include "frame/frame_driver.h"
#include "frame/frame_progress.h"
#include "platform/platform.h"

namespace {

ProgressiveLoop LoopForMode(int32_t drawingModeNumber)
{
    if (drawingModeNumber == 2)
        return ProgressiveLoop::Variant2;
    if (drawingModeNumber == 26 || drawingModeNumber == 27)
        return ProgressiveLoop::LaggedVariant2;
    return ProgressiveLoop::Variant1;
}

}  // namespace

void ProgressiveDriver(int32_t drawingModeNumber)
{
    if (State.FrameValid == 1)
        return;
    Platform& platform = CurrentPlatform();
    State.FrameBusy = 1;
    if (!State.MovieMode)
        platform.SetInputWindowsEnabled(false);

    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    const int32_t viewHeight = ViewHeight();
    std::vector<uint32_t> rowPixels(static_cast<size_t>(width));

    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    long double re0, im0, stepRe, stepIm;
    if (!mandelbrot) {
        if (State.JuliaViewSet == 0)
            ResetParameters();
        State.KernelIsMandelbrot = 0;
        State.JuliaStepRe = (State.JuliaRealmax - State.JuliaRealmin) / width;
        State.JuliaStepIm = (State.JuliaImagmax - State.JuliaImagmin) / viewHeight;
        re0 = State.JuliaRealmin;
        im0 = State.JuliaImagmin;
        stepRe = State.JuliaStepRe;
        stepIm = State.JuliaStepIm;
    } else {
        State.StepIm = (State.Imagmax - State.Imagmin) / viewHeight;
        State.StepRe = (State.Realmax - State.Realmin) / width;
        State.KernelIsMandelbrot = 1;
        re0 = State.Realmin;
        im0 = State.Imagmin;
        stepRe = State.StepRe;
        stepIm = State.StepIm;
    }
    const long double juliaRe = State.JuliaRe;
    const long double juliaIm = State.JuliaIm;
    const ProgressiveLoop loop = LoopForMode(drawingModeNumber);
    const PixelSetup setup = MakePixelSetup(State.IterMax, State.Bailout);
    const ColoringConstants coloring = PrepareColoring();
    if (EscapeValueCapture)
        EscapeValueCapture->assign(static_cast<size_t>(width) * height, 0);

    State.FrameAborted = 0;
    const uint64_t start = TickMilliseconds();
    FrameProgress progress(height, State.MovieMode == 0);
    long double y = AdvanceRows(im0, stepIm, WindowFirstRow());
    for (int32_t row = 0; row < height; ++row) {
        long double x = re0;
        size_t index = static_cast<size_t>(row) * width;
        for (int32_t column = 0; column < width; ++column, ++index) {
            const long double cr = mandelbrot ? x : juliaRe;
            const long double ci = mandelbrot ? y : juliaIm;
            const PixelResult pixel = IteratePixel(loop, setup, x, y, cr, ci);
            if (EscapeValueCapture)
                (*EscapeValueCapture)[index] = pixel.escape;
            // Coloured at once, with the escape test's own float32 value as s.
            const int32_t value = ColorValue(coloring, pixel.escape, pixel.a, pixel.b, pixel.lastTest);
            Results.IterBuffer[index] = value;
            Results.ZReBuffer[index] = pixel.a;
            Results.ZImBuffer[index] = pixel.b;
            rowPixels[column] = DisplayColor(value);
            x += stepRe;
        }
        y += stepIm;
        platform.ShowFrameRow(row, rowPixels.data(), width);
        progress.Report(row + 1);
        if (platform.EscapePressed()) {
            State.FrameAborted = 1;
            break;
        }
    }

    const uint64_t end = TickMilliseconds();
    State.ElapsedSeconds = static_cast<float>(end - start) / 1000.0f;
    if (State.MandelbrotShown == 1)
        State.MandelbrotShown = 0;
    State.FrameValid = 1;
    if (mandelbrot)
        State.MandelbrotShown = 1;
    else
        State.JuliaViewSet = 1;
    if (!State.MovieMode) {
        platform.SetInputWindowsEnabled(true);
        platform.InvalidatePictureWindow();
    }
    DisplayPicture();
    if (!State.FrameAborted && !State.FirstFrame && State.AutosaveParameter == 1 && !State.MovieMode)
        AutosaveExtended();
    State.FirstFrame = 0;
    ExtendedToBigFloats();
    State.FrameBusy = 0;
}
