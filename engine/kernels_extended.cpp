#include "engine/kernels_extended.h"

#include <bit>
#include <cstring>

#include "engine/fractal_state.h"
#include "engine/rounding.h"
#include "platform/platform.h"

namespace {

inline uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

const uint32_t RadiusBits = FloatBits(4.0f);

// z <- z^2 + c, always in this association (pictures depend on it):
// zi' = (zr*zi + zr*zi) + ci, zr' = (zr*zr - zi*zi) + cr.
inline void Iterate(long double& zr, long double& zi, long double cr, long double ci)
{
    const long double cross = zr * zi;
    const long double re = zr * zr - zi * zi + cr;
    zi = cross + cross + ci;
    zr = re;
}

// Family A: four iterations per block with a float32 radius test on the
// third iterate, checkpoint and back-off, then single steps against the
// bailout. Variant 1 decrements before the test, variant 2 after; the lagged
// form (progressive "P"/"Q") tests the previous block's radius.
// Kept out of line: inlined into the band loop, its x87 stack would have to
// share eight registers with the loop's own values and spill z on every block.
template <int Variant, bool Lagged>
__attribute__((noinline)) PixelResult FamilyAPixel(const PixelSetup& setup, long double zr, long double zi,
                                long double cr, long double ci)
{
    int64_t r = static_cast<int64_t>(setup.iterMax) - 3;
    long double zsr, zsi;
    uint32_t previousRadius = FloatBits(2.0f);
    for (;;) {
        zsr = zr;
        zsi = zi;
        Iterate(zr, zi, cr, ci);
        Iterate(zr, zi, cr, ci);
        Iterate(zr, zi, cr, ci);
        const long double sr = zr * zr;
        const long double si = zi * zi;
        const uint32_t radius = FloatBits(static_cast<float>(sr + si));
        const long double nextRe = sr - si + cr;
        if (Variant == 1)
            r -= 4;
        if ((Lagged ? previousRadius : radius) >= RadiusBits) {
            zr = zsr;
            zi = zsi;
            r += 3;
            break;
        }
        previousRadius = radius;
        const long double cross = zr * zi;
        zi = cross + cross + ci;
        zr = nextRe;
        if (Variant == 2)
            r -= 4;
        if (r >= 0)
            continue;
        zr = zsr;
        zi = zsi;
        r = 3;
        break;
    }
    for (;;) {
        const long double sr = zr * zr;
        const long double si = zi * zi;
        bool escaped;
        float test;
        if (Lagged) {
            test = static_cast<float>(sr + si);
            escaped = FloatBits(test) >= setup.bailoutBits;
        } else if (Variant == 1) {
            test = static_cast<float>(sr + si);
            escaped = FloatBits(test) > setup.bailoutBits;
        } else {
            test = static_cast<float>(sr + sr);
            escaped = FloatBits(test) >= setup.bailoutBits;
        }
        if (escaped)
            return {ToStoredCount(setup.iterMax - r + 1), static_cast<float>(sr),
                    static_cast<float>(si), test};
        const long double cross = zr * zi;
        zi = cross + cross + ci;
        zr = sr - si + cr;
        --r;
        // A bounded orbit that entered this phase with r <= 0 would never end:
        // it is stored as inside after 64 further steps.
        if (r == 0 || r == -64) {
            if (Variant == 1 && !Lagged)
                return {0, static_cast<float>(zi), static_cast<float>(zr), test};
            return {0, static_cast<float>(zr), static_cast<float>(zi), test};
        }
    }
}

// Family B: the radius test of a block looks at the previous block's value,
// and the single steps use each variant's own escape test.
template <int Variant>
__attribute__((noinline)) void FamilyBPixel(int32_t iterMax, long double bailout, long double zr, long double zi,
                         long double cr, long double ci, int32_t* iterOut, float* aOut,
                         float* bOut)
{
    double previous = 2.0;
    int64_t i = 3;
    const int64_t last = static_cast<int64_t>(iterMax) - 3;
    long double zsr = zr, zsi = zi;
    while (i <= last) {
        zsr = zr;
        zsi = zi;
        Iterate(zr, zi, cr, ci);
        Iterate(zr, zi, cr, ci);
        Iterate(zr, zi, cr, ci);
        const long double sr = zr * zr;
        const long double si = zi * zi;
        const long double s = sr + si;
        if (!(previous <= 4.0))
            break;
        previous = static_cast<double>(s);
        const long double cross = zr * zi;
        zi = cross + cross + ci;
        zr = sr - si + cr;
        i += 4;
    }
    zr = zsr;
    zi = zsi;
    i -= 3;
    long double lastProduct = 0;
    while (i <= iterMax) {
        const long double sr = zr * zr;
        const long double p = zr * zi;
        const long double q = Variant == 5 ? zi * p : zi * zi;
        long double t;
        if (Variant == 3)
            t = sr + p;
        else if (Variant == 4)
            t = sr + q;
        else
            t = q + p;
        if (t > bailout) {
            *iterOut = ToStoredCount(i + 5);
            *aOut = static_cast<float>(Variant == 5 ? p : sr);
            *bOut = static_cast<float>(q);
            return;
        }
        lastProduct = p;
        zr = sr - q + cr;
        zi = p + p + ci;
        ++i;
    }
    *iterOut = 0;
    *aOut = static_cast<float>(Variant == 5 ? lastProduct : zr);
    *bOut = static_cast<float>(zi);
}

template <int Variant>
void RunBand(const WorkerRecord& rec, RelaxedAtomic<int32_t>* rowsDone)
{
    constexpr bool familyA = Variant <= 2;
    const PixelSetup setup = MakePixelSetup(rec.IterMax, rec.Bailout);
    const long double bailout = static_cast<float>(rec.Bailout);
    const bool mandelbrot = rec.IsMandelbrot != 0;
    int32_t* iterOut = rec.IterOut;
    float* aOut = rec.ZReOut;
    float* bOut = rec.ZImOut;
    long double y = rec.Im0;
    for (int32_t row = rec.FirstRow; row <= rec.LastRow; ++row) {
        long double x = rec.Re0;
        for (int32_t column = 0; column < rec.Width; ++column) {
            const long double cr = mandelbrot ? x : rec.JuliaRe;
            const long double ci = mandelbrot ? y : rec.JuliaIm;
            if constexpr (familyA) {
                const PixelResult result = FamilyAPixel<Variant, false>(setup, x, y, cr, ci);
                *iterOut = result.escape;
                *aOut = result.a;
                *bOut = result.b;
            } else {
                FamilyBPixel<Variant>(rec.IterMax, bailout, x, y, cr, ci, iterOut, aOut, bOut);
            }
            ++iterOut;
            ++aOut;
            ++bOut;
            x += rec.StepRe;
            // Every variant stops at the next pixel: a stopped frame is
            // shown with what was computed.
            if (State.StopRequest.load() == 1) {
                if (familyA)
                    SleepMilliseconds(10);
                return;
            }
        }
        y += rec.StepIm;
        if (rowsDone)
            rowsDone->fetch_add(1);
        if (familyA && row % 8 == 0)
            SleepMilliseconds(0);
    }
}

}  // namespace

PixelSetup MakePixelSetup(int32_t iterMax, double bailout)
{
    return {iterMax, FloatBits(static_cast<float>(bailout))};
}

PixelResult IteratePixel(ProgressiveLoop loop, const PixelSetup& setup, long double zr,
                         long double zi, long double cr, long double ci)
{
    switch (loop) {
    case ProgressiveLoop::Variant2:
        return FamilyAPixel<2, false>(setup, zr, zi, cr, ci);
    case ProgressiveLoop::LaggedVariant2:
        return FamilyAPixel<2, true>(setup, zr, zi, cr, ci);
    case ProgressiveLoop::Variant1:
        break;
    }
    return FamilyAPixel<1, false>(setup, zr, zi, cr, ci);
}

void IterateKernelPixel(int32_t variant, const PixelSetup& setup, long double zr, long double zi,
                        long double cr, long double ci, int32_t* iterOut, float* aOut, float* bOut)
{
    // The band kernels compare family B's tests with float32(Bailout) in extended.
    const long double bailout = std::bit_cast<float>(setup.bailoutBits);
    PixelResult result;
    switch (variant) {
    case 2: result = FamilyAPixel<2, false>(setup, zr, zi, cr, ci); break;
    case 3: FamilyBPixel<3>(setup.iterMax, bailout, zr, zi, cr, ci, iterOut, aOut, bOut); return;
    case 4: FamilyBPixel<4>(setup.iterMax, bailout, zr, zi, cr, ci, iterOut, aOut, bOut); return;
    case 5: FamilyBPixel<5>(setup.iterMax, bailout, zr, zi, cr, ci, iterOut, aOut, bOut); return;
    default: result = FamilyAPixel<1, false>(setup, zr, zi, cr, ci); break;
    }
    *iterOut = result.escape;
    *aOut = result.a;
    *bOut = result.b;
}

void RunExtendedKernel(int32_t variant, const WorkerRecord& record,
                       RelaxedAtomic<int32_t>* rowsDone)
{
    const WorkerRecord copy = record;
    switch (variant) {
    case 2: RunBand<2>(copy, rowsDone); break;
    case 3: RunBand<3>(copy, rowsDone); break;
    case 4: RunBand<4>(copy, rowsDone); break;
    case 5: RunBand<5>(copy, rowsDone); break;
    default: RunBand<1>(copy, rowsDone); break;
    }
}
