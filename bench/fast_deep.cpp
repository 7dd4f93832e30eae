// The deep frame of deep_iteration computed both ways in one run, and a
// large deep frame on the fast path alone.
// Usage: fast_deep [exact frame repetitions, default 1; 0 skips the exact frame]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "timing.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

namespace {

struct Frame {
    double seconds = 0;
    std::vector<int32_t> escapes;
};

Frame MeasureFrame(int32_t fast, int repetitions)
{
    State.FastDeepZoom = fast;
    Frame frame;
    BestTime best(Clock::Wall);
    for (int run = 0; run < repetitions; ++run) {
        best.Measure([&] {
            State.FrameValid = 0;
            State.PictureLocked = 0;
            EscapeValueCapture = &frame.escapes;
            Redraw();
            EscapeValueCapture = nullptr;
        });
    }
    frame.seconds = best.Seconds();
    return frame;
}

void UseView(int32_t width, int32_t height, int32_t iterMax, int32_t bits, const std::array<std::string, 4>& view)
{
    State.PicWidth = width;
    State.PicHeight = height;
    Results.Allocate(width, height);
    State.IterMax = iterMax;
    SetPrecision(bits);
    ApplyTypedView(view);
    RefreshBigSteps();
    SyncViewTexts();
}

}  // namespace

int main(int argc, char** argv)
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    const int exactRepetitions = argc > 1 ? std::atoi(argv[1]) : 1;
    StartUpEngine(1280, 1024, 2);
    State.ThreadCount = 2;
    State.MultiThreaded = 1;

    // 1e-30 wide around -0.743643887037158704752191506114774 + 0.131825904205311970493132056385139 i.
    UseView(320, 240, 3000, 192,
            {"-0.743643887037158704752191506115274", "-0.743643887037158704752191506114274",
             "0.131825904205311970493132056384764", "0.131825904205311970493132056385514"});
    std::printf("deep frame 320x240, view 1e-30 wide, IterMax 3000, %d bits, 2 threads, wall time\n",
                State.PrecisionBits);
    const Frame fast = MeasureFrame(1, 5);
    std::printf("  fast deep zoom (%s): %8.3f s\n", DeepPathText(State.LastDeepPath).c_str(), fast.seconds);
    if (exactRepetitions > 0) {
        const Frame exact = MeasureFrame(0, exactRepetitions);
        int64_t identical = 0;
        for (size_t k = 0; k < exact.escapes.size() && k < fast.escapes.size(); ++k)
            identical += exact.escapes[k] == fast.escapes[k];
        const double ratio = exact.seconds / fast.seconds;
        std::printf("  arbitrary precision:        %8.3f s\n  ratio %.1f (target >= 30: %s), identical escape "
                    "values %.3f %%\n",
                    exact.seconds, ratio, ratio >= 30 ? "met" : "MISSED",
                    100.0 * identical / static_cast<double>(exact.escapes.size()));
    }

    // 1e-100 wide around c = i, where the picture has structure at every depth.
    UseView(640, 480, 20000, 420,
            {"-1e-100", "1e-100",
             "0.9999999999999999999999999999999999999999999999999999999999"
             "99999999999999999999999999999999999999999925",
             "1.0000000000000000000000000000000000000000000000000000000000"
             "00000000000000000000000000000000000000000075"});
    const Frame deep = MeasureFrame(1, 3);
    int64_t iterations = 0;
    for (int32_t n : deep.escapes)
        iterations += n == 0 ? State.IterMax : n;
    std::printf("deep frame 640x480, view 1e-100 wide, IterMax 20000, %d bits, fast deep zoom (%s): %.3f s, "
                "about %.1f M iterations\n",
                State.PrecisionBits, DeepPathText(State.LastDeepPath).c_str(), deep.seconds, iterations / 1e6);
    return 0;
}
