// Cost of one arbitrary-precision iteration in the deep kernel against the
// bare GMP operations it is made of, and the time of a whole deep frame.
// Usage: deep_iteration [frame repetitions, default 1; 0 skips the frame]
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "timing.h"
#include "engine/big_float.h"
#include "engine/fractal_state.h"
#include "engine/kernels_deep.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

namespace {

constexpr int32_t Pixels = 8;
constexpr int Repetitions = 9;

struct Precision {
    int32_t bits;
    int32_t iterMax;  // chosen so that one run takes about 0.1 s
};

// One row of pixels around -0.1 + 0.1i, deep inside the main cardioid, so
// every pixel runs to IterMax; one tiny step added fills every limb of c.
void FillInsideBand(DeepWorkItem& item, int32_t bits, int32_t iterMax, std::vector<int32_t>& iter,
                    std::vector<float>& a, std::vector<float>& b)
{
    for (BigFloat* value : {&item.RealStart, &item.RealStep, &item.ImagStart, &item.ImagStep,
                            &item.JuliaRe, &item.JuliaIm})
        value->Create(bits);
    mpf_set_d(item.RealStart, -0.1);
    mpf_set_d(item.ImagStart, 0.1);
    mpf_set_ui(item.RealStep, 1);
    mpf_div_2exp(item.RealStep, item.RealStep, static_cast<mp_bitcnt_t>(bits - 3));
    mpf_set(item.ImagStep, item.RealStep);
    mpf_add(item.RealStart, item.RealStart, item.RealStep);
    mpf_add(item.ImagStart, item.ImagStart, item.ImagStep);
    item.IterMax = iterMax;
    item.Precision = bits;
    item.IsMandelbrot = 1;
    item.Columns = Pixels;
    item.RowsPerWorker = 1;
    item.FirstRow = 0;
    item.LastRow = 0;
    item.Bailout = 4;
    item.IterOut = iter.data();
    item.ZReOut = a.data();
    item.ZImOut = b.data();
}

// The baseline: per iteration the kernel's three products and five sums on
// values already in place, nothing else.
__attribute__((noinline)) void BareIterations(const DeepWorkItem& item, int64_t iterations)
{
    const int32_t bits = item.Precision;
    BigFloat zr(bits), zi(bits), t(bits), a(bits), b(bits), s(bits), cr(bits), ci(bits);
    mpf_set(cr, item.RealStart);
    mpf_set(ci, item.ImagStart);
    mpf_set(zr, cr);
    mpf_set(zi, ci);
    for (int64_t k = 0; k < iterations; ++k) {
        mpf_mul(t, zr, zi);
        mpf_mul(a, zr, zr);
        mpf_mul(b, zi, zi);
        mpf_add(s, a, b);
        mpf_sub(zr, a, b);
        mpf_add(zr, zr, cr);
        mpf_add(zi, t, t);
        mpf_add(zi, zi, ci);
    }
    KeepAlive(s);
}

void MeasureIteration(const Precision& precision)
{
    std::vector<int32_t> iter(Pixels);
    std::vector<float> a(Pixels), b(Pixels);
    DeepWorkItem item;
    FillInsideBand(item, precision.bits, precision.iterMax, iter, a, b);
    const int64_t iterations = static_cast<int64_t>(Pixels) * precision.iterMax;

    BestTime kernel, bare;
    for (int run = 0; run < Repetitions; ++run) {
        kernel.Measure([&] { RunDeepKernel(1, item); });
        bare.Measure([&] { BareIterations(item, iterations); });
    }
    int32_t escaped = 0;
    for (int32_t n : iter)
        escaped += n != 0;

    const double kernelNs = kernel.Seconds() * 1e9 / iterations;
    const double bareNs = bare.Seconds() * 1e9 / iterations;
    const double ratio = kernelNs / bareNs;
    std::printf("%5d bits: kernel %8.1f ns/iteration, bare GMP %8.1f ns/iteration, ratio %.3f"
                "  (target <= 1.2: %s)%s\n",
                precision.bits, kernelNs, bareNs, ratio, ratio <= 1.2 ? "met" : "MISSED",
                escaped ? "  WARNING: pixels escaped" : "");
}

// A view 1e-30 wide and 0.75e-30 high around
// -0.743643887037158704752191506114774 + 0.131825904205311970493132056385139 i.
void SetDeepScene()
{
    State.PicWidth = 320;
    State.PicHeight = 240;
    Results.Allocate(State.PicWidth, State.PicHeight);
    State.IterMax = 3000;
    // Enough bits to read every digit of the texts; the view then picks its own.
    SetPrecision(192);
    ApplyTypedView({"-0.743643887037158704752191506115274", "-0.743643887037158704752191506114274",
                    "0.131825904205311970493132056384764", "0.131825904205311970493132056385514"});
    RefreshBigSteps();
    SyncViewTexts();
}

void MeasureFrame(int repetitions)
{
    StartUpEngine(1280, 1024, 2);
    SetDeepScene();
    std::printf("deep frame 320x240, view 1e-30 x 0.75e-30, IterMax 3000, wall time: DeepZoom %d, %d bits\n",
                State.DeepZoom, State.PrecisionBits);
    std::vector<int32_t> escapes;
    for (int32_t threads : {1, 2}) {
        State.ThreadCount = threads;
        State.MultiThreaded = threads > 1 ? 1 : 0;
        BestTime frame(Clock::Wall);
        for (int run = 0; run < repetitions; ++run) {
            frame.Measure([&] {
                State.FrameValid = 0;
                State.PictureLocked = 0;
                EscapeValueCapture = &escapes;
                Redraw();
                EscapeValueCapture = nullptr;
            });
        }
        int64_t inside = 0;
        int64_t iterations = 0;
        for (int32_t n : escapes) {
            inside += n == 0;
            iterations += n == 0 ? State.IterMax : n;
        }
        std::printf("  %d thread%s: %8.2f s  (%lld pixels inside, about %.1f M iterations)\n", threads,
                    threads > 1 ? "s" : " ", frame.Seconds(), static_cast<long long>(inside),
                    iterations / 1e6);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    const int frameRepetitions = argc > 1 ? std::atoi(argv[1]) : 1;
    std::printf("deep iteration, %d inside pixels, variant 1, processor time, best of %d\n", Pixels, Repetitions);
    for (const Precision& precision : {Precision{96, 50000}, Precision{368, 30000}, Precision{3696, 2000}})
        MeasureIteration(precision);
    if (frameRepetitions > 0)
        MeasureFrame(frameRepetitions);
    return 0;
}
