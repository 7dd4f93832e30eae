#include "movie/movie_frames.h"

#include "engine/fractal_state.h"
#include "engine/supersampling.h"
#include "files/complete_jpg.h"
#include "files/picture_export.h"
#include "color/display.h"
#include "frame/frame_driver.h"
#include "frame/frame_replay.h"
#include "frame/supersampled_frame.h"
#include "movie/frame_files.h"
#include "nav/zoom_navigation.h"
#include "platform/platform.h"

namespace {

constexpr double StopHalfWidth = 8.0;

}  // namespace

bool PictureFitsMovie()
{
    return State.PicWidth <= MaxMovieWidth && State.PicHeight <= MaxMovieHeight;
}

void StartMovieFrames()
{
    State.AutosaveParameter = 0;
    State.FrameAborted = 0;
    State.MovieMode = 1;
}

void UnzoomToNextFrame()
{
    State.FrameAborted = 0;
    // ScaleView keeps the magnification current: a deep movie returns to
    // extended precision as it widens, and only then can its stop rule end it.
    ScaleView(State.UnzoomFactor);
    State.FrameValid = 0;
    State.PictureLocked = 0;
}

bool IsLastFrame(int32_t n)
{
    return n >= MaxFrameNumber || ZoomHalfWidth > StopHalfWidth;
}

FrameOutcome ComputeAndSaveFrame(const std::string& frameFolder, int32_t n)
{
    const std::string path = frameFolder + FrameFileName(n, State.UnzoomVideo == 1);
    if (Supersampling > 1) {
        SupersampledPicture picture;
        if (!ComputeSupersampledPicture(Supersampling, picture))
            return FrameOutcome::Stopped;
        CurrentPlatform().PumpMessages();
        FrameImage.pixels = picture.exported;
        return SaveShownPicture(path) ? FrameOutcome::Written : FrameOutcome::NotWritten;
    }
    Redraw();
    if (State.FrameAborted == 1)
        return FrameOutcome::Stopped;
    // The windows get their turn between frames (the new picture, Esc);
    // pauses there would only leave the processors idle.
    CurrentPlatform().PumpMessages();
    // Written through a temporary file: a frame under its own name is whole.
    const bool written = ExportPicture(path);
    return written ? FrameOutcome::Written : FrameOutcome::NotWritten;
}

void ReplayMovieFrame()
{
    AtSupersampledSize(Supersampling, ReplayFrame);
}

bool FrameOnDisk(const std::string& frameFolder, int32_t n)
{
    const auto size = CompleteJpgSize(frameFolder + FrameFileName(n, State.UnzoomVideo == 1));
    return size && size->width == State.PicWidth && size->height == State.PicHeight;
}
