#include "movie/realtime_movie.h"

#include <array>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "frame/frame_driver.h"
#include "nav/fractal_parameters.h"
#include "nav/zoom_navigation.h"
#include "platform/platform.h"

namespace {

// The extended view block of one kind: 6 values for Mandelbrot, 8 for Julia.
using ViewRecord = std::array<long double, 8>;

// Recorded view i (after i unzoom steps) is element i - 1; kept until the
// next run.
std::vector<ViewRecord> RecordedViews;

// Recording stops once the view before a step was wider than 16 units.
constexpr double StopHalfWidth = 8.0;

std::vector<long double*> CurrentViewFields()
{
    if (IsMandelbrot(State.FractalFlags))
        return {&State.Realmin, &State.Realmax, &State.StepRe, &State.Imagmin, &State.Imagmax, &State.StepIm};
    return {&State.JuliaRealmin, &State.JuliaImagmin, &State.JuliaRealmax, &State.JuliaImagmax,
            &State.JuliaRe,      &State.JuliaIm,      &State.JuliaStepIm,  &State.JuliaStepRe};
}

ViewRecord CurrentView()
{
    ViewRecord record{};
    const std::vector<long double*> fields = CurrentViewFields();
    for (size_t k = 0; k < fields.size(); ++k)
        record[k] = *fields[k];
    return record;
}

void RestoreView(const ViewRecord& record)
{
    const std::vector<long double*> fields = CurrentViewFields();
    for (size_t k = 0; k < fields.size(); ++k)
        *fields[k] = record[k];
}

void ShowRecordedView(int32_t index) { RestoreView(RecordedViews[static_cast<size_t>(index) - 1]); }

void SetPictureSize(int32_t width, int32_t height)
{
    ResizeResultBuffers(width, height);
    CurrentPlatform().ResizePictureArea(State.PicWidth, State.PicHeight);
    State.PictureWindowWidth = State.PicWidth;
    State.PictureWindowHeight = State.PicHeight;
}

// Esc between two frames: Redraw has returned, so no worker is left to wait
// for.
bool StoppedByEscape(Platform& platform)
{
    if (!platform.EscapePressed())
        return false;
    State.FrameAborted = 1;
    State.StopRequest = 1;
    return true;
}

}  // namespace

void UnzoomStep(float factor)
{
    ScaleView(factor);
    if (State.AutoIterIncrease == 1)
        RaiseIterMax();
}

int32_t RecordUnzoomViews()
{
    RecordedViews.clear();
    RecordedViews.reserve(MaxRecordedViews);
    int32_t i = 1;
    do {
        UnzoomStep(State.UnzoomFactor);
        RecordedViews.push_back(CurrentView());
        ++i;
    } while (i <= MaxRecordedViews && ZoomHalfWidth <= StopHalfWidth);
    return i - 2;
}

int32_t RecordedViewCount() { return static_cast<int32_t>(RecordedViews.size()); }

void RateDisplay::Update(int32_t index, uint64_t tick)
{
    if (tick - lastTick_ <= 1000)
        return;
    const int32_t shown = index > lastIndex_ ? index - lastIndex_ : lastIndex_ - index;
    CurrentPlatform().SetPictureTitle("Fps: " + NumberText(shown, 15));
    lastIndex_ = index;
    lastTick_ = tick;
}

void AnimateViews(int32_t count)
{
    Platform& platform = CurrentPlatform();
    ZoomHalfWidth = 0;
    State.FrameAborted = 0;
    State.FrameValid = 0;
    platform.SetMainTitle("QUORVATIX - animation looping - Stop with Esc key");
    // Without two views both passes are empty and would never look at Esc.
    if (count < 2)
        return;
    RateDisplay rate(count, TickMilliseconds());
    for (;;) {
        State.IterMax = AnimationStartIterMax;
        for (int32_t i = count; i >= 2; --i) {
            ShowRecordedView(i);
            const uint64_t tick = TickMilliseconds();
            if (StoppedByEscape(platform))
                return;
            platform.PumpMessages();
            rate.Update(i, tick);
            State.FrameValid = 0;
            Redraw();
            SleepMilliseconds(0);
            platform.InvalidatePictureWindow();
            platform.PumpMessages();
            if (State.AutoIterIncrease == 1)
                ++State.IterMax;
            // Esc seen by the frame driver ends the movie at once; the
            // driver has left the movie mode already.
            if (State.FrameAborted == 1)
                return;
        }
        for (int32_t i = 2; i <= count; ++i) {
            ShowRecordedView(i);
            State.FrameValid = 0;
            platform.PumpMessages();
            rate.Update(i, TickMilliseconds());
            Redraw();
            SleepMilliseconds(0);
            platform.PumpMessages();
            platform.InvalidatePictureWindow();
            if (State.FrameAborted == 1 || StoppedByEscape(platform))
                return;
        }
    }
}

void RealtimeZoomMovie(const std::function<void()>& closeToolWindows)
{
    Platform& platform = CurrentPlatform();
    RecordedViews.clear();
    if (State.DeepZoom == 1) {
        platform.ShowMessage("Not possible with deep zoom", "QUORVATIX", MessageButtons::Ok);
        return;
    }
    if (platform.ShowMessage("Want to make unzoom with current parameters?\n\nYou may want to try with small image size.",
                             "Quorvatix", MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;

    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    const int32_t iterMax = State.IterMax;
    const ViewRecord startView = CurrentView();
    if (State.PicWidth > RealtimeMovieWidth)
        SetPictureSize(RealtimeMovieWidth, RealtimeMovieHeight);
    else
        SetPictureSize(State.PicWidth, State.PicHeight);

    State.FrameAborted = 0;
    State.FrameValid = 0;
    State.MovieMode = 1;
    ZoomHalfWidth = 0;
    platform.SetMainTitle("Quorvatix Auto Unzoom - Stop with esc key");
    closeToolWindows();
    SleepMilliseconds(10);
    platform.SetInputWindowsEnabled(false);
    const uint64_t start = TickMilliseconds();
    const int32_t count = RecordUnzoomViews();
    State.ElapsedSeconds = static_cast<float>(TickMilliseconds() - start) / 1000.0f;
    AnimateViews(count);
    SleepMilliseconds(100);
    platform.SetInputWindowsEnabled(true);
    platform.SetMainTitle("QUORVATIX");

    // A recording of one view has no second view to end on.
    if (RecordedViewCount() >= 2)
        ShowRecordedView(2);
    else
        RestoreView(startView);
    State.IterMax = iterMax;
    SetPictureSize(width, height);
    State.PictureLocked = 0;
    State.FrameValid = 0;
    State.FrameAborted = 0;
    State.StopRequest = 0;
    Redraw();
    SleepMilliseconds(0);
    DisplayPicture();
    State.TitleFileName.clear();
    State.AutoIterIncrease = 1;
    State.MovieMode = 0;
    SleepMilliseconds(10);
}

void RealtimeZoomMovieCommand(const std::function<void()>& closeToolWindows)
{
    if (State.DeepZoom == 1) {
        CurrentPlatform().ShowMessage("Not available with\ndeep zoom", "QUORVATIX", MessageButtons::Ok);
        return;
    }
    RealtimeZoomMovie(closeToolWindows);
    State.FrameAborted = 0;
}
