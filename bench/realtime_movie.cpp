// Frames per second of the realtime zoom movie at 640 x 480 from the default
// view (the inward pass, IterMax from 100), next to one ordinary frame.
#include <cstdint>
#include <cstdio>

#include "timing.h"
#include "engine/fractal_state.h"
#include "engine/state_defaults.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "movie/realtime_movie.h"
#include "platform/headless_platform.h"

namespace {

constexpr int Repetitions = 3;
constexpr double TargetFramesPerSecond = 30;

// Presses Esc once the given number of frames was shown; the movie looks at
// Esc before its next frame and ends there.
class CountingPlatform : public HeadlessPlatform {
public:
    int32_t framesToShow = 0;

    void ShowFrameImage(const uint32_t*, int32_t, int32_t) override
    {
        if (++framesShown == framesToShow)
            escapePresses = 1;
    }
};

}  // namespace

int main()
{
    CountingPlatform platform;
    InstallPlatform(&platform);
    StartUpEngine(1280, 1024, 2);
    State.PicWidth = 640;
    State.PicHeight = 480;
    Results.Allocate(State.PicWidth, State.PicHeight);
    ResetParameters();  // the default view, IterMax 100
    Redraw();  // warms the buffers and the palette

    const int32_t count = RecordUnzoomViews();
    // The inward pass down to record 3: the movie then stops before record 2.
    const int32_t frames = count - 2;
    BestTime movie(Clock::Wall), ordinary(Clock::Wall);
    for (int run = 0; run < Repetitions; ++run) {
        State.MovieMode = 1;
        platform.framesShown = 0;
        platform.framesToShow = frames;
        movie.Measure([count] { AnimateViews(count); });
        State.MovieMode = 0;
        State.FrameAborted = 0;
        State.StopRequest = 0;

        ResetParameters();
        ordinary.Measure([] { Redraw(); });
    }

    const double moviePerSecond = frames / movie.Seconds();
    std::printf("640x480, %d worker threads, \"Unzoom:\" %.2f, wall time, best of %d\n", State.ThreadCount,
                static_cast<double>(State.UnzoomFactor), Repetitions);
    std::printf("ordinary frame, default view, IterMax 100: %7.1f ms  (%5.1f frames/s)\n", ordinary.Seconds() * 1e3,
                1.0 / ordinary.Seconds());
    std::printf("realtime movie, inward pass of %d frames from half width 8.16, IterMax from 100:\n", frames);
    std::printf("                                           %7.1f ms  (%5.1f frames/s, target >= %.0f: %s)\n",
                movie.Seconds() * 1e3 / frames, moviePerSecond, TargetFramesPerSecond,
                moviePerSecond >= TargetFramesPerSecond ? "met" : "MISSED");
    return 0;
}
