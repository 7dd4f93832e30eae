#include <filesystem>
#include <string>

#include "color/drawing_modes.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "files/picture_export.h"
#include "frame/adaptive_iterations.h"
#include "frame/frame_driver.h"
#include "platform/platform.h"

FrameHooks InstalledFrameHooks;
std::vector<int32_t>* EscapeValueCapture = nullptr;
const std::vector<int32_t>* EscapesWithFewerIterations = nullptr;
bool KernelResultsExported = false;

namespace {

void RedrawFrame()
{
    Platform& platform = CurrentPlatform();
    const std::string kind = IsMandelbrot(State.FractalFlags) ? "Mandelbrot" : "Julia";
    const int32_t modeNumber = DrawingModeNumber(State.FractalFlags);

    if (State.JuliaFinderActive == 1) {
        if (InstalledFrameHooks.renderJuliaPreview)
            InstalledFrameHooks.renderJuliaPreview();
        return;
    }
    if (!State.MovieMode) {
        platform.SetMainTitle("QUORVATIX - Please wait. Stop with esc -key");
        if (InstalledFrameHooks.showIterMax)
            InstalledFrameHooks.showIterMax();
    }

    // The row-by-row first frame of a single processor is an extended frame:
    // a deep view (from a file named at start-up) still needs the deep driver.
    if (State.FirstFrame == 1 && State.ProcessorCount == 1 && State.DeepZoom == 0) {
        ProgressiveDriver(modeNumber);
        State.FirstFrame = 0;
    } else {
        if (State.PictureWindowWidth != State.PicWidth || State.PictureWindowHeight != State.PicHeight) {
            platform.ResizePictureArea(State.PicWidth, State.PicHeight);
            State.PictureWindowWidth = State.PicWidth;
            State.PictureWindowHeight = State.PicHeight;
        }
        State.StopRequest = 0;
        State.LastExtendedPath = ExtendedPath::Kernels;
        if (State.DeepZoom == 1)
            RunDeepFrame();
        else if (State.ThreadCount == 1 || State.MultiThreaded == 0) {
            // "P", "Q" and "R" always use the worker kernels.
            if (modeNumber < 26)
                ProgressiveDriver(modeNumber);
            else
                ThreadedDriver();
        } else {
            ThreadedDriver();
        }
    }

    if (!State.MovieMode)
        platform.RefreshToolWindows();
    // A stopped threaded frame leaves FrameValid 0 but is shown all the same.
    const bool stopped = State.FrameAborted == 1;
    if (!State.MovieMode && InstalledFrameHooks.frameShown)
        InstalledFrameHooks.frameShown();
    if (!State.MovieMode && (State.FrameValid == 1 || stopped)) {
        if (!State.TitleFileName.empty()) {
            platform.SetMainTitle("QUORVATIX - " + State.TitleFileName);
            // An unfinished picture would stay the file's thumbnail for good.
            const std::string thumbnail = State.TitleFileName + ".jpg";
            std::error_code error;
            if (!stopped && !std::filesystem::exists(thumbnail, error))
                SaveThumbnail(thumbnail);
        } else {
            platform.SetMainTitle("QUORVATIX - (Time:" + NumberText(State.ElapsedSeconds, 7) + ") - " + kind);
        }
    }
}

}  // namespace

void Redraw()
{
    if (State.FrameValid == 1 || State.PictureLocked == 1)
        return;
    ComputeWithAdaptiveIterMax(&RedrawFrame);
}
