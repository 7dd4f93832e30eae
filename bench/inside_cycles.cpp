// The default view at deep iteration limits, one thread: what the inside
// pixels cost once the escaping ones are done, each pixel iterated (as for
// the kernel results written out) and, for variants 1 and 2, with pixels
// that settle on a short attracting cycle ended early (as for pictures).
// Usage: inside_cycles [variant]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "timing.h"
#include "engine/fractal_state.h"
#include "engine/escape_free_tiles.h"
#include "engine/kernels_extended.h"

namespace {

constexpr int32_t Width = 640;
constexpr int32_t Height = 480;
constexpr int32_t BaselineIterMax = 1000;

struct Frame {
    std::vector<int32_t> iter = std::vector<int32_t>(static_cast<size_t>(Width) * Height);
    std::vector<float> a = std::vector<float>(iter.size());
    std::vector<float> b = std::vector<float>(iter.size());
};

WorkerRecord DefaultView(Frame& frame, int32_t iterMax)
{
    WorkerRecord record;
    record.IterMax = iterMax;
    record.IterOut = frame.iter.data();
    record.ZReOut = frame.a.data();
    record.ZImOut = frame.b.data();
    record.IsMandelbrot = 1;
    record.Width = Width;
    record.RowsPerBand = Height;
    record.LastRow = Height - 1;
    record.Bailout = 128;
    record.Re0 = -2.5L;
    record.Re1 = 1.5L;
    record.StepRe = (record.Re1 - record.Re0) / Width;
    record.Im0 = -1.5L;
    record.Im1 = 1.5L;
    record.StepIm = (record.Im1 - record.Im0) / Height;
    return record;
}

// Processor time of one frame, best of `runs`.
double FrameSeconds(int32_t variant, Frame& frame, int32_t iterMax, int runs, double trapLimit = 0)
{
    const WorkerRecord record = DefaultView(frame, iterMax);
    BestTime time;
    for (int run = 0; run < runs; ++run)
        time.Measure([&] {
            RunExtendedKernel(variant, record, nullptr, nullptr, trapLimit);
            KeepAlive(frame.iter[0]);
        });
    return time.Seconds();
}

}  // namespace

int main(int argc, char** argv)
{
    const int32_t variant = argc > 1 ? std::atoi(argv[1]) : 1;
    State.StopRequest = 0;
    Frame frame;
    const double baseline = FrameSeconds(variant, frame, BaselineIterMax, 3);
    std::printf("default view 640x480, variant %d, one thread, processor time\n", variant);
    std::printf("IterMax %7d: %9.3f s  (baseline: escaping pixels dominate)\n", BaselineIterMax,
                baseline);
    for (int32_t iterMax : {100000, 1000000}) {
        const double seconds = FrameSeconds(variant, frame, iterMax, 1);
        int64_t inside = 0;
        for (int32_t n : frame.iter)
            inside += n == 0;
        std::printf("IterMax %7d: %9.3f s  ratio %.2f to the baseline, %lld pixels inside\n", iterMax,
                    seconds, seconds / baseline, static_cast<long long>(inside));
        const double trapLimit = EscapeFreeLimit(variant, 128);
        if (trapLimit > 0) {
            const double trapped = FrameSeconds(variant, frame, iterMax, 1, trapLimit);
            std::printf("  short cycles ended: %9.3f s  ratio %.2f to the baseline\n", trapped, trapped / baseline);
        }
    }
    return 0;
}
