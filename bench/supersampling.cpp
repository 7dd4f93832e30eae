// Cost of a supersampled 640x480 picture against the same picture at one
// sample a pixel: N x N samples should cost about N x N frames, the bands
// and the reduction adding little.
#include <cstdint>
#include <cstdio>

#include "timing.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "frame/supersampled_frame.h"
#include "platform/headless_platform.h"

namespace {

constexpr int Repetitions = 3;

void SetScene()
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
    State.ThreadCount = 2;
    State.MultiThreaded = 1;
}

void PlainFrame()
{
    State.FrameValid = 0;
    State.PictureLocked = 0;
    Redraw();
}

void SupersampledFrame(int32_t n)
{
    SupersampledPicture picture;
    ComputeSupersampledPicture(n, picture);
}

}  // namespace

int main()
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    StartUpEngine(1280, 1024, 2);
    SetScene();
    PlainFrame();  // warms the buffers and the palette

    BestTime one(Clock::Wall), two(Clock::Wall), four(Clock::Wall);
    for (int run = 0; run < Repetitions; ++run) {
        one.Measure([] { PlainFrame(); });
        two.Measure([] { SupersampledFrame(2); });
        four.Measure([] { SupersampledFrame(4); });
        Results.Allocate(State.PicWidth, State.PicHeight);
    }
    std::printf("picture: 640x480, -2..0.5 x -0.9375..0.9375, IterMax 1000, 2 threads, wall time, best of %d\n",
                Repetitions);
    std::printf("1 x 1: %8.1f ms  (baseline)\n", one.Seconds() * 1e3);
    std::printf("2 x 2: %8.1f ms  %5.2f x the baseline, %4.2f of 4 frames\n", two.Seconds() * 1e3,
                two.Seconds() / one.Seconds(), two.Seconds() / one.Seconds() / 4);
    std::printf("4 x 4: %8.1f ms  %5.2f x the baseline, %4.2f of 16 frames\n", four.Seconds() * 1e3,
                four.Seconds() / one.Seconds(), four.Seconds() / one.Seconds() / 16);
    return 0;
}
