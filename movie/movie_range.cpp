#include "movie/movie_range.h"

#include "movie/movie_frames.h"

namespace {

// Frames 0, 1, ... up to `through` or the movie's last; `frame(n)` computes or
// replays frame n and returns false to stop. Returns the frames walked.
template <typename FrameWork>
int32_t WalkMovie(int32_t through, FrameWork frame)
{
    for (int32_t n = 0;; ++n) {
        UnzoomToNextFrame();
        if (!frame(n) || n >= through || IsLastFrame(n))
            return n + 1;
    }
}

}  // namespace

int32_t CountMovieFrames()
{
    return WalkMovie(MaxFrameNumber, [](int32_t) {
        ReplayMovieFrame();
        return true;
    });
}

RangeResult RenderMovieRange(const std::string& frameFolder, FrameRange range)
{
    RangeResult result;
    WalkMovie(range.last, [&](int32_t n) {
        if (n < range.first) {
            ReplayMovieFrame();
        } else if (FrameOnDisk(frameFolder, n)) {
            ReplayMovieFrame();
            ++result.kept;
        } else if (ComputeAndSaveFrame(frameFolder, n) == FrameOutcome::Written) {
            ++result.computed;
        } else {
            result.failedFrame = n;
            return false;
        }
        return true;
    });
    return result;
}
