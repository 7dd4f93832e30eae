// Pixels of a frame in double four at a time in vector lanes, against the
// one-pixel loop on the same prepared frame, alternating run by run: one
// thread, processor time, and whether both give the same results.
// Usage: perturbation_lanes [runs, default 3]
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "timing.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/perturbation_lanes.h"
#include "engine/perturbation_setup.h"
#include "engine/view_texts.h"
#include "frame/fast_deep_pixels.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

namespace {

struct View {
    const char* name;
    int32_t width, height, iterMax, bits;
    std::array<std::string, 4> edges;
};

struct Outputs {
    std::vector<int32_t> escapes;
    std::vector<float> a, b;
    std::vector<uint8_t> doubtful;
    bool operator==(const Outputs&) const = default;
};

void Run(PerturbationFrame<double>& frame, Outputs& out)
{
    const size_t pixels = static_cast<size_t>(frame.width) * frame.rows;
    out.escapes.assign(pixels, 0);
    out.a.assign(pixels, 0);
    out.b.assign(pixels, 0);
    out.doubtful.assign(pixels, 0);
    frame.iterOut = out.escapes.data();
    frame.aOut = out.a.data();
    frame.bOut = out.b.data();
    frame.doubtfulOut = out.doubtful.data();
    RelaxedAtomic<int32_t> nextRow{0}, rowsDone{0};
    PerturbationCounts counts;
    RunPerturbationRows(frame, nextRow, rowsDone, counts);
}

void Measure(const View& view, int runs)
{
    State.PicWidth = view.width;
    State.PicHeight = view.height;
    Results.Allocate(view.width, view.height);
    State.IterMax = view.iterMax;
    SetPrecision(view.bits);
    ApplyTypedView(view.edges);
    RefreshBigSteps();
    SyncViewTexts();
    const DeepFrameLayout layout = CurrentDeepLayout(1, 1, true);
    PerturbationFrame<double> frame;
    RelaxedAtomic<int64_t> progress;
    if (!PreparePerturbationFrame(layout, frame, progress)) {
        std::printf("%s: no reference orbit\n", view.name);
        return;
    }
    frame.boundRounding = true;
    BestTime alone, lanes;
    Outputs aloneOut, lanesOut;
    for (int run = 0; run < runs; ++run) {
        frame.useLanes = false;
        alone.Measure([&] { Run(frame, aloneOut); });
        frame.useLanes = true;
        lanes.Measure([&] { Run(frame, lanesOut); });
    }
    std::printf("%s, %dx%d, IterMax %d\n  one pixel at a time: %8.3f s\n  four lanes:          %8.3f s  ratio "
                "%.2f, results %s\n",
                view.name, view.width, view.height, view.iterMax, alone.Seconds(), lanes.Seconds(),
                lanes.Seconds() / alone.Seconds(), aloneOut == lanesOut ? "identical" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv)
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    StartUpEngine(1280, 1024, 1);
    if (!PerturbationLanesAvailable())
        std::printf("this processor has no AVX2: both rows below run one pixel at a time\n");
    std::printf("one thread, processor time, best of %d runs each, rounding bound on\n", runs);
    // The spiral of the seahorse valley: table steps between long stretches
    // of stepped passes.
    Measure({"spiral 4e-28 wide",
             160,
             120,
             30000,
             160,
             {"-0.743643887037158704752191506314774", "-0.743643887037158704752191505914774",
              "0.131825904205311970493132056235139", "0.131825904205311970493132056535139"}},
            runs);
    // Nearby 4e-20 wide: pixels leave the reference early and step on their
    // own through thousands of chaotic iterations.
    Measure({"seahorse valley 4e-20 wide",
             128,
             96,
             16000,
             130,
             {"-0.743643887037158704772191506114774", "-0.743643887037158704732191506114774",
              "0.131825904205311970478132056385139", "0.131825904205311970508132056385139"}},
            runs);
    return 0;
}
