#pragma once
#include "engine/big_float.h"

// The arbitrary-precision view: the master copy from which the extended view
// is refreshed. All are created together at PrecisionBits.
extern BigFloat BigRealmin, BigRealmax, BigImagmin, BigImagmax, BigStepRe, BigStepIm;
extern BigFloat BigJuliaRealmin, BigJuliaRealmax, BigJuliaImagmin, BigJuliaImagmax;
extern BigFloat BigJuliaStepRe, BigJuliaStepIm, BigJuliaRe, BigJuliaIm;
extern BigFloat BigRealCenter, BigImagCenter, BigMagnification;
extern BigFloat BigHalf, BigQuarter, BigBaseWidth, BigBaseHeight, BigMagBase;

// Creates every value at State.PrecisionBits (0), then the constants.
void InitBigFloats();
void ClearBigFloats();
