// Speed-up of a whole extended frame with two worker threads over one worker
// thread, both through the threaded driver.
#include <cstdint>
#include <cstdio>

#include "timing.h"
#include "color/coloring.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

namespace {

constexpr int Repetitions = 5;

// Symmetric about the real axis, so the upper and lower bands cost the same.
void SetBalancedScene()
{
    State.PicWidth = 640;
    State.PicHeight = 480;
    Results.Allocate(State.PicWidth, State.PicHeight);
    State.DeepZoom = 0;
    State.IterMax = 1000;
    State.Realmin = -2.0L;
    State.Realmax = 0.5L;
    State.Imagmin = -0.9375L;
    State.Imagmax = 0.9375L;
}

void ComputeFrame(int32_t threads)
{
    State.ThreadCount = threads;
    State.MultiThreaded = threads > 1 ? 1 : 0;
    State.FrameValid = 0;
    State.PictureLocked = 0;
    // Redraw computes a one-thread frame row by row, so that case calls the
    // threaded driver itself.
    if (threads > 1)
        Redraw();
    else
        ThreadedDriver();
}

}  // namespace

int main()
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    StartUpEngine(1280, 1024, 2);
    SetBalancedScene();
    ComputeFrame(2);  // warms the buffers and the palette

    // Frames run on worker threads, so they are timed on the wall clock.
    BestTime one(Clock::Wall), two(Clock::Wall), coloring(Clock::Wall);
    for (int run = 0; run < Repetitions; ++run) {
        one.Measure([] { ComputeFrame(1); });
        two.Measure([] { ComputeFrame(2); });
        // The colouring pass runs on one thread in both frames.
        coloring.Measure([] { ColoringPass(); });
    }

    const double speedup = one.Seconds() / two.Seconds();
    std::printf("frame: 640x480, -2..0.5 x -0.9375..0.9375, IterMax 1000, wall time, best of %d\n", Repetitions);
    std::printf("1 worker thread:  %8.1f ms  (baseline)\n", one.Seconds() * 1e3);
    std::printf("2 worker threads: %8.1f ms\n", two.Seconds() * 1e3);
    std::printf("speed-up:         %8.2f  (target >= 1.8: %s)\n", speedup,
                speedup >= 1.8 ? "met" : "MISSED");
    std::printf("colouring pass, on one thread in both: %.1f ms\n", coloring.Seconds() * 1e3);
    return 0;
}
