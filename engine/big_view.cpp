#include "engine/big_view.h"

#include "engine/fractal_state.h"

BigFloat BigRealmin, BigRealmax, BigImagmin, BigImagmax, BigStepRe, BigStepIm;
BigFloat BigJuliaRealmin, BigJuliaRealmax, BigJuliaImagmin, BigJuliaImagmax;
BigFloat BigJuliaStepRe, BigJuliaStepIm, BigJuliaRe, BigJuliaIm;
BigFloat BigRealCenter, BigImagCenter, BigMagnification;
BigFloat BigHalf, BigQuarter, BigBaseWidth, BigBaseHeight, BigMagBase;

namespace {

BigFloat* const AllBigFloats[] = {
    &BigRealmin, &BigRealmax, &BigImagmin, &BigImagmax, &BigStepRe, &BigStepIm,
    &BigJuliaRealmin, &BigJuliaRealmax, &BigJuliaImagmin, &BigJuliaImagmax,
    &BigJuliaStepRe, &BigJuliaStepIm, &BigJuliaRe, &BigJuliaIm,
    &BigRealCenter, &BigImagCenter, &BigMagnification,
    &BigHalf, &BigQuarter, &BigBaseWidth, &BigBaseHeight, &BigMagBase,
};

}  // namespace

void InitBigFloats()
{
    for (BigFloat* value : AllBigFloats)
        value->Create(State.PrecisionBits);
    mpf_set_d(BigHalf, 0.5);
    mpf_set_d(BigQuarter, 0.25);
    mpf_set_d(BigBaseWidth, 4.0);
    mpf_set_d(BigBaseHeight, 3.0);
    mpf_set_d(BigMagBase, 3);
}

void ClearBigFloats()
{
    for (BigFloat* value : AllBigFloats)
        value->Destroy();
}
