// Single-thread throughput of each extended kernel variant against a plain
// long double loop over the same pixels.
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

WorkerRecord SceneRecord(std::vector<int32_t>& iter, std::vector<float>& a, std::vector<float>& b)
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
    record.Re0 = -0.75L;
    record.Re1 = -0.74L;
    record.StepRe = (record.Re1 - record.Re0) / Width;
    record.Im0 = 0.1L;
    record.Im1 = 0.11L;
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

}  // namespace

int main()
{
    const size_t pixels = static_cast<size_t>(Width) * Height;
    std::vector<int32_t> iter(pixels);
    std::vector<float> a(pixels), b(pixels);
    const WorkerRecord record = SceneRecord(iter, a, b);
    State.StopRequest = 0;

    // Every variant is credited with the plain loop's iteration count, so the
    // figures compare time for the same pixels.
    const int64_t iterations = PlainBand(record, iter.data());
    int64_t inside = 0;
    for (int32_t n : iter)
        inside += n == IterMax;

    std::printf("scene: %dx%d, Mandelbrot -0.75..-0.74 x 0.1..0.11, IterMax %d, bailout 4\n", Width,
                Height, IterMax);
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
        std::printf("variant %d:              %8.1f ms  %7.1f M iterations/s  ratio %.2f%s\n", v,
                    seconds * 1e3, rate / 1e6, rate / plainRate,
                    v == 1 ? (rate >= plainRate ? "  (target >= 1.0: met)" : "  (target >= 1.0: MISSED)")
                           : "");
    }
    return 0;
}
