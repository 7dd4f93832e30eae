#include "engine/kernels_deep.h"

#include "engine/deep_pixel.h"
#include "engine/fractal_state.h"
#include "engine/rounding.h"
#include "platform/platform.h"

std::vector<RelaxedAtomic<int32_t>> DeepRowsLeft;

namespace {

template <int Variant>
void RunDeepBand(const DeepWorkItem& item)
{
    DeepRegisters r(item.Precision);
    mpf_set(r.realStart, item.RealStart);
    mpf_set(r.realStep, item.RealStep);
    mpf_set(r.y, item.ImagStart);
    mpf_set(r.imagStep, item.ImagStep);
    const bool mandelbrot = item.IsMandelbrot != 0;
    if (!mandelbrot) {
        mpf_set(r.juliaRe, item.JuliaRe);
        mpf_set(r.juliaIm, item.JuliaIm);
    }
    const unsigned long bailout = static_cast<unsigned long>(RoundToInt64(item.Bailout));
    int32_t* iterOut = item.IterOut;
    float* aOut = item.ZReOut;
    float* bOut = item.ZImOut;
    int32_t rowsDone = 0;
    uint64_t lastReport = 0;
    bool reported = false;
    for (int32_t row = item.FirstRow; row <= item.LastRow; ++row) {
        mpf_set(r.x, r.realStart);
        for (int32_t k = 1; k <= item.Columns; ++k) {
            mpf_set(r.zr, r.x);
            mpf_set(r.zi, r.y);
            mpf_srcptr cr = mandelbrot ? r.x.get() : r.juliaRe.get();
            mpf_srcptr ci = mandelbrot ? r.y.get() : r.juliaIm.get();
            *iterOut++ = DeepPixel<Variant>(r, cr, ci, item.IterMax, bailout, *aOut++, *bOut++);
            mpf_add(r.x, r.x, r.realStep);
            if (State.StopRequest.load() == 1) {
                SleepMilliseconds(0);
                return;
            }
            if (k % 8 == 0)
                SleepMilliseconds(0);
        }
        mpf_add(r.y, r.y, r.imagStep);
        const uint64_t now = TickMilliseconds();
        if (!reported || now - lastReport > 1000) {
            reported = true;
            lastReport = now;
            if (static_cast<size_t>(item.ThreadIndex) < DeepRowsLeft.size())
                DeepRowsLeft[item.ThreadIndex].store((item.LastRow - item.FirstRow) - rowsDone);
        }
        ++rowsDone;
    }
}

}  // namespace

void RunDeepKernel(int32_t variant, const DeepWorkItem& item)
{
    switch (variant) {
    case 2: RunDeepBand<2>(item); break;
    case 3: RunDeepBand<3>(item); break;
    case 4: RunDeepBand<4>(item); break;
    case 5: RunDeepBand<5>(item); break;
    default: RunDeepBand<1>(item); break;
    }
}
