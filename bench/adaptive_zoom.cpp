// 100 left clicks from the start-up view into one point of the seahorse
// valley, as the desktop program makes them with its shipped defaults (fast
// deep zoom and adaptive iterations on): each click's time, the IterMax it
// ends with, and the largest share of the picture in one colour.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "color/display.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "nav/zoom_navigation.h"
#include "platform/headless_platform.h"
#include "platform/platform.h"

namespace {

constexpr char TargetRe[] = "-0.743643887037158704752191506114774";
constexpr char TargetIm[] = "0.131825904205311970493132056385139";

// The pixel nearest to the target in the current view, as a user clicks it.
int32_t PixelOf(const char* target, mpf_srcptr bigMin, mpf_srcptr bigStep, long double min, long double step)
{
    BigFloat value(256), edge(256), pixelStep(256);
    mpf_set_str(value, target, 10);
    if (State.DeepZoom == 1) {
        mpf_set(edge, bigMin);
        mpf_set(pixelStep, bigStep);
    } else {
        mpf_set_d(edge, static_cast<double>(min));
        mpf_set_d(pixelStep, static_cast<double>(step));
    }
    mpf_sub(value, value, edge);
    mpf_div(value, value, pixelStep);
    return static_cast<int32_t>(std::lround(mpf_get_d(value)));
}

double LargestColourShare()
{
    std::unordered_map<uint32_t, int64_t> counts;
    const int64_t pixels = static_cast<int64_t>(State.PicWidth) * State.PicHeight;
    int64_t largest = 0;
    for (int64_t k = 0; k < pixels; ++k)
        largest = std::max(largest, ++counts[FrameImage.pixels[k]]);
    return static_cast<double>(largest) / static_cast<double>(pixels);
}

// The frame as the desktop shows it; the path that computed it (the view
// texts' sync may switch the next frames to deep zoom).
std::string ShowFrame()
{
    Redraw();
    const std::string path =
        State.DeepZoom                                          ? DeepPathText(State.LastDeepPath)
        : State.LastExtendedPath == ExtendedPath::Perturbation ? "extended, perturbation"
        : State.LastExtendedPath == ExtendedPath::DoubleLanes  ? "extended, double lanes"
                                                                : "extended";
    SyncViewTexts();
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 100;
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    StartUpEngine(1280, 1024, 2);
    State.ThreadCount = 2;
    State.FastDeepZoom = 1;
    State.AdaptiveIterMax = 1;
    State.AdaptiveBudgetMs = 3000;
    ShowFrame();

    std::printf("click  magnification  IterMax  path                      seconds  one colour\n");
    double slowest = 0, mostBlank = 0;
    for (int click = 1; click <= clicks; ++click) {
        const int32_t x = PixelOf(TargetRe, BigRealmin, BigStepRe, State.Realmin, State.StepRe);
        const int32_t y = PixelOf(TargetIm, BigImagmin, BigStepIm, State.Imagmin, State.StepIm);
        const uint64_t start = TickMilliseconds();
        PressAt(x, y);
        ClickZoom(x, y);
        const std::string path = ShowFrame();
        const double seconds = static_cast<double>(TickMilliseconds() - start) / 1000.0;
        const double share = LargestColourShare();
        slowest = std::max(slowest, seconds);
        mostBlank = std::max(mostBlank, share);
        std::printf("%5d  %13.3Le  %7d  %-24s  %7.2f  %9.1f %%\n", click, std::ldexp(1.0L, click),
                    State.IterMax, path.c_str(),
                    seconds, 100 * share);
        std::fflush(stdout);
    }
    std::printf("slowest click %.2f s, largest one-colour share %.1f %%\n", slowest, 100 * mostBlank);
    return 0;
}
