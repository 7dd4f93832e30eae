#pragma once
#include "engine/big_float.h"
#include "engine/wide_float.h"

// Arbitrary-precision values read into hardware floating point, and back.

// The value to 64 significant bits over the whole long double exponent
// range (values below it read as 0, above it as infinity). `scratch` must be
// created at least at the value's precision.
long double BigToLongDouble(mpf_srcptr value, BigFloat& scratch);

// The value to 64 significant bits at any exponent.
WideFloat<long double> BigToWide(mpf_srcptr value, BigFloat& scratch);

// x truncated towards zero to a double, as GMP reads its values into doubles.
double TruncatedToDouble(long double x);
// A double is its own truncation: the fast path's pre-tests in double skip the call.
inline double TruncatedToDouble(double x)
{
    return x;
}

// A finite long double into `out` exactly (`out` holds at least 64 bits).
void LongDoubleToBig(long double value, mpf_ptr out);
