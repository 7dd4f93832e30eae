#include "frame/frame_replay.h"

#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "platform/platform.h"

namespace {

// The kind of the frame counts as shown, as every driver records it.
void MarkShown(bool mandelbrot)
{
    if (mandelbrot)
        State.MandelbrotShown = 1;
    else
        State.JuliaViewSet = 1;
}

// What RunDeepFrame leaves: the steps from the edges, then the texts,
// DeepLimit, the deep-zoom switch and the precision from the view; a view
// that has grown out of deep zoom is back in extended form here.
void ReplayDeepFrame(bool mandelbrot)
{
    RefreshBigSteps();
    State.KernelIsMandelbrot = mandelbrot ? 1 : 0;
    State.StopRequest = 1;
    State.FrameAborted = 0;
    State.FrameValid = 1;
    State.PictureLocked = 1;
    MarkShown(mandelbrot);
    SyncViewTexts();
}

// What ThreadedDriver and ProgressiveDriver leave: the extended steps of the
// picture size, then the arbitrary-precision view from the extended one.
void ReplayExtendedFrame(bool mandelbrot)
{
    RefreshExtendedSteps();
    State.StopRequest = 0;
    State.FrameAborted = 0;
    State.FrameValid = 1;
    State.MandelbrotShown = 0;
    MarkShown(mandelbrot);
    State.FirstFrame = 0;
    ExtendedToBigFloats();
}

}  // namespace

void ReplayFrame()
{
    // Where Redraw computes nothing, there is nothing to replay.
    if (State.FrameValid == 1 || State.PictureLocked == 1 || State.JuliaFinderActive == 1)
        return;
    if (State.PictureWindowWidth != State.PicWidth || State.PictureWindowHeight != State.PicHeight) {
        CurrentPlatform().ResizePictureArea(State.PicWidth, State.PicHeight);
        State.PictureWindowWidth = State.PicWidth;
        State.PictureWindowHeight = State.PicHeight;
    }
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    if (State.DeepZoom == 1)
        ReplayDeepFrame(mandelbrot);
    else
        ReplayExtendedFrame(mandelbrot);
}
