// Single-thread throughput of each extended kernel variant against a plain
// long double loop over the same pixels: a view with a third of its pixels
// inside, where periodic orbits end early, and one with no inside pixel,
// where only the pixels' shared use of the pipeline counts.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "timing.h"
#include "engine/fractal_state.h"
#include "engine/kernels_extended.h"

namespace {

constexpr int32_t Width = 256;
constexpr int32_t Height = 192;
constexpr int32_t IterMax = 1000;
constexpr int Repetitions = 11;

struct Scene {
    const char* name;
    long double re0, re1, im0, im1;
};

const Scene Scenes[] = {
    {"-0.75..-0.74 x 0.1..0.11", -0.75L, -0.74L, 0.1L, 0.11L},
    {"-0.75012..-0.75 x 0.012..0.014 (seahorse valley, none inside)", -0.75012L, -0.75L, 0.012L, 0.014L},
};

WorkerRecord SceneRecord(const Scene& scene, std::vector<int32_t>& iter, std::vector<float>& a,
                         std::vector<float>& b)
{
    WorkerRecord record;
    record.IterMax = IterMax;
    record.IterOut = iter.data();
    record.ZReOut = a.data();
    record.ZImOut = b.data();
    record.IsMandelbrot = 1;
    record.Width = Width;
    record.RowsPerBand = Height;
    record.FirstRow = 0;
    record.LastRow = Height - 1;
    // The plain loop's test is |z|^2 > 4, so the kernels stop at the same radius.
    record.Bailout = 4;
    record.Re0 = scene.re0;
    record.Re1 = scene.re1;
    record.StepRe = (record.Re1 - record.Re0) / Width;
    record.Im0 = scene.im0;
    record.Im1 = scene.im1;
    record.StepIm = (record.Im1 - record.Im0) / Height;
    return record;
}

// The reference: z = z^2 + c with the kernels' association and an escape
// test on every iteration. Returns the iterations done, IterMax for inside.
__attribute__((noinline)) int64_t PlainBand(const WorkerRecord& record, int32_t* out)
{
    int64_t total = 0;
    long double ci = record.Im0;
    for (int32_t row = record.FirstRow; row <= record.LastRow; ++row) {
        long double cr = record.Re0;
        for (int32_t column = 0; column < record.Width; ++column) {
            long double zr = cr;
            long double zi = ci;
            int32_t n = 0;
            while (n < record.IterMax) {
                const long double sr = zr * zr;
                const long double si = zi * zi;
                if (sr + si > 4)
                    break;
                const long double cross = zr * zi;
                zi = cross + cross + ci;
                zr = sr - si + cr;
                ++n;
            }
            *out++ = n;
            total += n;
            cr += record.StepRe;
        }
        ci += record.StepIm;
    }
    return total;
}

void MeasureScene(const Scene& scene)
{
    const size_t pixels = static_cast<size_t>(Width) * Height;
    std::vector<int32_t> iter(pixels);
    std::vector<float> a(pixels), b(pixels);
    const WorkerRecord record = SceneRecord(scene, iter, a, b);

    // Every variant is credited with the plain loop's iteration count, so the
    // figures compare time for the same pixels.
    const int64_t iterations = PlainBand(record, iter.data());
    int64_t inside = 0;
    for (int32_t n : iter)
        inside += n == IterMax;

    std::printf("scene: %dx%d, Mandelbrot %s, IterMax %d, bailout 4\n", Width, Height, scene.name,
                IterMax);
    std::printf("       %lld iterations, %.1f%% of pixels inside, processor time, best of %d runs\n",
                static_cast<long long>(iterations), 100.0 * inside / pixels, Repetitions);

    BestTime plain;
    BestTime variants[5];
    for (int run = 0; run < Repetitions; ++run) {
        plain.Measure([&] { KeepAlive(PlainBand(record, iter.data())); });
        for (int v = 1; v <= 5; ++v)
            variants[v - 1].Measure([&] {
                RunExtendedKernel(v, record, nullptr);
                KeepAlive(iter[0]);
            });
    }

    const double plainRate = iterations / plain.Seconds();
    std::printf("plain long double loop: %8.1f ms  %7.1f M iterations/s  (baseline)\n",
                plain.Seconds() * 1e3, plainRate / 1e6);
    for (int v = 1; v <= 5; ++v) {
        const double seconds = variants[v - 1].Seconds();
        const double rate = iterations / seconds;
        std::printf("variant %d:              %8.1f ms  %7.1f M iterations/s  ratio %.2f  (target >= 1.8: %s)\n",
                    v, seconds * 1e3, rate / 1e6, rate / plainRate,
                    rate >= 1.8 * plainRate ? "met" : "MISSED");
    }
}

}  // namespace

int main()
{
    State.StopRequest = 0;
    for (const Scene& scene : Scenes)
        MeasureScene(scene);
    return 0;
}
