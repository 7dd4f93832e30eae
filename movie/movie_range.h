#pragma once
#include <cstdint>
#include <string>

#include "movie/movie_frames.h"

// Part of a zoom movie computed on its own: every range starts from the start
// view, replays the unzoom steps and frames before its first frame, and
// computes only its own frames, so that ranges computed anywhere, in any
// order, join into the movie that one run makes. Frames already in the folder
// complete are replayed instead of computed, so a cut-off range is resumed by
// running it again.

// Frames first..last, both included, numbered from 0.
struct FrameRange {
    int32_t first = 0;
    int32_t last = MaxFrameNumber;
};

// The number of frames of the movie from the current view, found by replaying
// every frame. The state is left at the movie's last frame.
int32_t CountMovieFrames();

struct RangeResult {
    int32_t computed = 0;      // frames computed and written
    int32_t kept = 0;          // frames found complete in the folder
    int32_t failedFrame = -1;  // the frame that could not be computed or written, -1 when none
};

// Computes and writes the frames of the range that are not complete in the
// folder (with a trailing "/"), starting from the current view; a range
// reaching beyond the movie ends with its last frame. Stops at the first
// frame that fails.
RangeResult RenderMovieRange(const std::string& frameFolder, FrameRange range);
