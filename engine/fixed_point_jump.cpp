#include "engine/fixed_point_jump.h"

#include <algorithm>
#include <cmath>

namespace {

using DD = DoubleDouble;
using Complex = JumpComplex<DD>;

// psi's terms that serve, and as many more that bound the tail: at the
// reach each of those is below TailShare of the value, within half the
// reach below 2^-112 of it.
constexpr int Terms = 32;
constexpr int CheckedTerms = 2 * Terms;
constexpr double TailShare = 0x1p-80;
// Fixed points that repel faster leave the table little to skip, and the
// jumps' bound little room.
constexpr double LargestModulus = 1.1;
constexpr double SmallestExcess = 0x1p-24;

DD Quotient(DD a, DD b)
{
    const double first = a.hi / b.hi;
    const DD rest = a - b * DD(first, 0);
    return double_double::QuickTwoSum(first, rest.hi / b.hi);
}

Complex Divided(const Complex& x, const Complex& y)
{
    const DD norm = y.re * y.re + y.im * y.im;
    const Complex product = x * Complex{y.re, -y.im};
    return {Quotient(product.re, norm), Quotient(product.im, norm)};
}

double Modulus(const Complex& x)
{
    return std::hypot(x.re.hi, x.im.hi);
}

// x as mantissa 2^exponent, the mantissa's larger part near 1.
Complex Normalized(const Complex& x, int64_t& exponent)
{
    const double larger = std::max(std::fabs(x.re.hi), std::fabs(x.im.hi));
    const int shift = larger == 0 ? 0 : std::ilogb(larger);
    exponent += shift;
    const auto scaled = [shift](DD v) { return DD(std::ldexp(v.hi, -shift), std::ldexp(v.lo, -shift)); };
    return {scaled(x.re), scaled(x.im)};
}

// The first index from which the orbit's values, low parts included, are
// its last one's; -1 where fewer than a few values end it so.
int64_t FixedFrom(const ReferenceOrbit& orbit)
{
    const int64_t last = orbit.size() - 1;
    const auto same = [&](int64_t n) {
        return orbit.re[n] == orbit.re[last] && orbit.im[n] == orbit.im[last] && orbit.reLow[n] == orbit.reLow[last] &&
               orbit.imLow[n] == orbit.imLow[last];
    };
    int64_t from = last;
    while (from > 0 && same(from - 1))
        --from;
    return last - from >= 8 ? from : -1;
}

}  // namespace

FixedPointJump<DD> FixedPointJumpOf(const ReferenceOrbit& orbit)
{
    FixedPointJump<DD> jump;
    const int64_t from = FixedFrom(orbit);
    if (from < 0)
        return jump;
    const DD alphaRe = DD(orbit.re[from]) + DD(orbit.reLow[from], 0);
    const DD alphaIm = DD(orbit.im[from]) + DD(orbit.imLow[from], 0);
    const Complex lambda{alphaRe + alphaRe, alphaIm + alphaIm};
    const double modulus = Modulus(lambda);
    if (!(modulus > 1 + SmallestExcess && modulus < LargestModulus))
        return jump;

    // psi(lambda w) = lambda psi(w) + psi(w)^2, term by term:
    // b_k (lambda^k - lambda) = sum of b_i b_(k-i).
    std::vector<Complex> b(CheckedTerms + 1, Complex{DD(0, 0), DD(0, 0)});
    b[1] = {DD(1, 0), DD(0, 0)};
    Complex power = lambda;
    for (int k = 2; k <= CheckedTerms; ++k) {
        power = power * lambda;
        Complex sum{DD(0, 0), DD(0, 0)};
        for (int i = 1; i < k; ++i)
            sum = sum + b[i] * b[k - i];
        b[k] = Divided(sum, power - lambda);
        if (!std::isfinite(b[k].re.hi) || !std::isfinite(b[k].im.hi))
            return jump;
    }
    double reach = 0.25;
    for (int k = Terms + 1; k <= CheckedTerms; ++k) {
        const double size = Modulus(b[k]);
        if (size > 0)
            reach = std::min(reach, std::pow(TailShare / size, 1.0 / (k - 1)));
    }
    // Within half the reach psi' stays within s of 1: an error of w grows
    // by at most (1 + s) / (1 - s) through psi and its inverse.
    const auto derivativeExcess = [&](double r) {
        double s = 0;
        for (int k = 2; k <= Terms; ++k)
            s += k * Modulus(b[k]) * std::pow(r / 2, k - 1);
        return s;
    };
    while (derivativeExcess(reach) > 0.5)
        reach /= 2;
    // Every z the jump passes over keeps well inside the circle.
    if (!(reach > 0) || Modulus({alphaRe, alphaIm}) + reach >= 1.9)
        return jump;

    jump.from = from;
    jump.reach = reach;
    jump.logModulus = std::log(modulus);
    jump.psi.assign(b.begin() + 1, b.begin() + Terms + 1);
    const double s = derivativeExcess(reach);
    jump.growth = (1 + s) / (1 - s);
    jump.roundingUnits = (4 * Terms + 200) * jump.growth;
    int64_t exponent = 0;
    Complex mantissa = Normalized((lambda * lambda) * (lambda * lambda), exponent);
    // Passes beyond 2^40 lie beyond any count.
    for (int i = 0; i < 40; ++i) {
        jump.powerMantissas.push_back(mantissa);
        jump.powerExponents.push_back(exponent);
        exponent *= 2;
        mantissa = Normalized(mantissa * mantissa, exponent);
    }
    return jump;
}

template <typename T>
FixedPointJump<T> Rounded(const FixedPointJump<DD>& jump)
{
    const auto rounded = [](const Complex& x) {
        return JumpComplex<T>{static_cast<T>(x.re.hi) + static_cast<T>(x.re.lo),
                              static_cast<T>(x.im.hi) + static_cast<T>(x.im.lo)};
    };
    FixedPointJump<T> result;
    result.from = jump.from;
    result.reach = jump.reach;
    result.logModulus = jump.logModulus;
    result.growth = jump.growth;
    result.roundingUnits = jump.roundingUnits;
    result.powerExponents = jump.powerExponents;
    for (const Complex& term : jump.psi)
        result.psi.push_back(rounded(term));
    for (const Complex& power : jump.powerMantissas)
        result.powerMantissas.push_back(rounded(power));
    return result;
}

template FixedPointJump<double> Rounded(const FixedPointJump<DD>&);
template FixedPointJump<long double> Rounded(const FixedPointJump<DD>&);
