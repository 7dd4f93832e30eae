#include "engine/big_to_hardware.h"

#include <cmath>

namespace {

// Beyond every binary exponent a long double holds, within an int.
constexpr long LongDoubleExponentBound = 20000;

}  // namespace

long double BigToLongDouble(mpf_srcptr value, BigFloat& scratch)
{
    // Two truncated 53-bit parts hold the 64 bits of a long double.
    long high;
    const double highMantissa = mpf_get_d_2exp(&high, value);
    if (highMantissa == 0 || high < -LongDoubleExponentBound)
        return 0;
    if (high > LongDoubleExponentBound)
        return std::copysign(HUGE_VALL, static_cast<long double>(highMantissa));
    mpf_set_d(scratch, highMantissa);
    if (high >= 0)
        mpf_mul_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(high));
    else
        mpf_div_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(-high));
    mpf_sub(scratch, value, scratch);
    long low;
    const double lowMantissa = mpf_get_d_2exp(&low, scratch);
    const long double highPart = std::ldexp(static_cast<long double>(highMantissa), static_cast<int>(high));
    if (lowMantissa == 0 || low < -LongDoubleExponentBound)
        return highPart;
    return highPart + std::ldexp(static_cast<long double>(lowMantissa), static_cast<int>(low));
}

double TruncatedToDouble(long double x)
{
    double d = static_cast<double>(x);
    if (std::fabs(static_cast<long double>(d)) > std::fabs(x))
        d = std::nextafter(d, 0.0);
    return d;
}
