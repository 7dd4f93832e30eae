#include "engine/big_to_hardware.h"

#include <cmath>

namespace {

// Beyond every binary exponent a long double holds, within an int.
constexpr long LongDoubleExponentBound = 20000;

}  // namespace

namespace {

// The value as two truncated 53-bit parts, high * 2^highExponent + low *
// 2^lowExponent, which hold its 64 leading bits; a zero part has mantissa 0.
struct TwoParts {
    double high = 0;
    long highExponent = 0;
    double low = 0;
    long lowExponent = 0;
};

TwoParts SplitIntoParts(mpf_srcptr value, BigFloat& scratch)
{
    TwoParts parts;
    parts.high = mpf_get_d_2exp(&parts.highExponent, value);
    if (parts.high == 0)
        return parts;
    mpf_set_d(scratch, parts.high);
    if (parts.highExponent >= 0)
        mpf_mul_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(parts.highExponent));
    else
        mpf_div_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(-parts.highExponent));
    mpf_sub(scratch, value, scratch);
    parts.low = mpf_get_d_2exp(&parts.lowExponent, scratch);
    return parts;
}

}  // namespace

long double BigToLongDouble(mpf_srcptr value, BigFloat& scratch)
{
    const TwoParts parts = SplitIntoParts(value, scratch);
    if (parts.high == 0 || parts.highExponent < -LongDoubleExponentBound)
        return 0;
    if (parts.highExponent > LongDoubleExponentBound)
        return std::copysign(HUGE_VALL, static_cast<long double>(parts.high));
    const long double highPart = std::ldexp(static_cast<long double>(parts.high), static_cast<int>(parts.highExponent));
    if (parts.low == 0 || parts.lowExponent < -LongDoubleExponentBound)
        return highPart;
    return highPart + std::ldexp(static_cast<long double>(parts.low), static_cast<int>(parts.lowExponent));
}

WideFloat<long double> BigToWide(mpf_srcptr value, BigFloat& scratch)
{
    const TwoParts parts = SplitIntoParts(value, scratch);
    return WideFloat<long double>::FromParts(parts.high, parts.highExponent) +
           WideFloat<long double>::FromParts(parts.low, parts.lowExponent);
}

double TruncatedToDouble(long double x)
{
    double d = static_cast<double>(x);
    if (std::fabs(static_cast<long double>(d)) > std::fabs(x))
        d = std::nextafter(d, 0.0);
    return d;
}

void LongDoubleToBig(long double value, mpf_ptr out)
{
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(value), &exponent);
    mpf_set_ui(out, static_cast<unsigned long>(std::ldexp(fraction, 64)));
    if (exponent >= 64)
        mpf_mul_2exp(out, out, static_cast<mp_bitcnt_t>(exponent - 64));
    else
        mpf_div_2exp(out, out, static_cast<mp_bitcnt_t>(64 - exponent));
    if (value < 0)
        mpf_neg(out, out);
}
