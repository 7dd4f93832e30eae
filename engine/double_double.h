#pragma once
#include <cmath>
#include <cstdint>

// A number as the unevaluated sum of two doubles, |lo| <= half an ulp of hi:
// about 106 bits of mantissa with double's exponent. Products are exact to
// the last bits by a fused multiply-add (correctly rounded wherever it runs,
// so the results do not depend on the processor); a sum's rounding is within
// 2^-105 of its operands' size, which is all a difference needs.
struct DoubleDouble {
    double hi = 0;
    double lo = 0;

    DoubleDouble() = default;
    DoubleDouble(double high, double low) : hi(high), lo(low) {}
    explicit DoubleDouble(long double x) : hi(static_cast<double>(x)), lo(static_cast<double>(x - hi)) {}

    long double ToLongDouble() const { return static_cast<long double>(hi) + static_cast<long double>(lo); }
};

namespace double_double {

// a + b exactly as s + e.
[[gnu::always_inline]] inline DoubleDouble TwoSum(double a, double b)
{
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}

// a + b exactly where |a| >= |b|.
[[gnu::always_inline]] inline DoubleDouble QuickTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

}  // namespace double_double

[[gnu::always_inline]] inline DoubleDouble operator+(DoubleDouble x, DoubleDouble y)
{
    const DoubleDouble s = double_double::TwoSum(x.hi, y.hi);
    return double_double::QuickTwoSum(s.hi, s.lo + (x.lo + y.lo));
}

[[gnu::always_inline]] inline DoubleDouble operator-(DoubleDouble x) { return {-x.hi, -x.lo}; }

[[gnu::always_inline]] inline DoubleDouble operator-(DoubleDouble x, DoubleDouble y) { return x + -y; }

[[gnu::always_inline]] inline DoubleDouble operator*(DoubleDouble x, DoubleDouble y)
{
    const double p = x.hi * y.hi;
    const double e = std::fma(x.hi, y.hi, -p);
    return double_double::QuickTwoSum(p, e + (x.hi * y.lo + x.lo * y.hi));
}

inline double Magnitude(DoubleDouble x) { return std::fabs(x.hi); }

// x 2^exponent, exactly while the result stays in double's normal range.
inline DoubleDouble TimesPowerOfTwo(DoubleDouble x, int64_t exponent)
{
    const int e = static_cast<int>(exponent < -3000 ? -3000 : exponent > 3000 ? 3000 : exponent);
    return {std::ldexp(x.hi, e), std::ldexp(x.lo, e)};
}
