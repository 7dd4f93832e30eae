#pragma once
#include <cstdint>
#include <functional>

// "Realtime zoom movie": the view is unzoomed step by step by arithmetic
// alone, and the recorded views are then shown live, inwards and back out,
// until Esc. Plain functions over the global state; the windows come in
// through the platform only.

constexpr int32_t MaxRecordedViews = 10000;
// Wider pictures are shown at 640 x 480 while the movie runs, so the frames
// keep up.
constexpr int32_t RealtimeMovieWidth = 640;
constexpr int32_t RealtimeMovieHeight = 480;
// Each inward pass starts again at this IterMax.
constexpr int32_t AnimationStartIterMax = 100;

// Widens the extended view of the current kind by `factor` about its centre
// (ZoomHalfWidth and ZoomHalfHeight keep the half sizes before the step);
// with AutoIterIncrease on, RaiseIterMax follows.
void UnzoomStep(float factor);

// Records the views after 1, 2, ... unzoom steps with UnzoomFactor until
// 10000 views or a half width above 8 before the step. Returns the index
// before the last recorded view, the last one the animation shows.
int32_t RecordUnzoomViews();
// The number of views the last recording kept.
int32_t RecordedViewCount();

// "Fps: " in the picture window's title, at most once a second: the number
// of views between the index shown now and the one of the last display.
class RateDisplay {
public:
    RateDisplay(int32_t index, uint64_t tick) : lastIndex_(index), lastTick_(tick) {}
    void Update(int32_t index, uint64_t tick);

private:
    int32_t lastIndex_;
    uint64_t lastTick_;
};

// Shows the recorded views 2 ... count live: inwards with IterMax from 100
// (raised by one per frame with AutoIterIncrease), then outwards, round after
// round until Esc. Returns at once when there are fewer than two views to
// show.
void AnimateViews(int32_t count);

// The whole unzoom and animation after its question. At the end the picture
// size and IterMax are back and the view is the second recorded one (the
// start view when the recording kept only one).
void RealtimeZoomMovie(const std::function<void()>& closeToolWindows);

// The menu command: refused under deep zoom; FrameAborted is 0 afterwards.
void RealtimeZoomMovieCommand(const std::function<void()>& closeToolWindows);
