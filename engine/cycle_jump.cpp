#include "engine/cycle_jump.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

using DD = DoubleDouble;
using Complex = JumpComplex<DD>;
using Series = std::vector<Complex>;

// psi's terms that serve, and as many more that bound the tail: at the
// reach each of those is below TailShare of the value, within half the
// reach below 2^-112 of it.
constexpr int Terms = 32;
constexpr int CheckedTerms = 2 * Terms;
constexpr double TailShare = 0x1p-80;
// Cycles that repel faster leave the table little to skip, and the jumps'
// bound little room.
constexpr double LargestModulus = 1.1;
constexpr double SmallestExcess = 0x1p-24;
constexpr int64_t LongestPeriod = 8;
// Periods the orbit's end shows before it counts as a cycle.
constexpr int64_t ShownPeriods = 8;

const Complex Zero{DD(0, 0), DD(0, 0)};

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
    return {TimesPowerOfTwo(x.re, -shift), TimesPowerOfTwo(x.im, -shift)};
}

// The product of two series, to CheckedTerms.
Series Product(const Series& x, const Series& y)
{
    Series product(CheckedTerms + 1, Zero);
    for (int i = 1; i <= CheckedTerms; ++i)
        for (int j = 1; i + j <= CheckedTerms; ++j)
            product[i + j] = product[i + j] + x[i] * y[j];
    return product;
}

struct Cycle {
    int64_t from = -1;
    int64_t period = 0;
};

// The cycle the orbit's last values go round, low parts included, over
// ShownPeriods periods at least, and where the orbit joins it.
Cycle CycleAtEnd(const ReferenceOrbit& orbit)
{
    const int64_t last = orbit.size() - 1;
    const auto same = [&](int64_t n, int64_t period) {
        return orbit.re[n] == orbit.re[n + period] && orbit.im[n] == orbit.im[n + period] &&
               orbit.reLow[n] == orbit.reLow[n + period] && orbit.imLow[n] == orbit.imLow[n + period];
    };
    for (int64_t period = 1; period <= LongestPeriod; ++period) {
        int64_t from = last - period;
        while (from > 0 && same(from - 1, period))
            --from;
        if (from >= 0 && last - from >= ShownPeriods * period)
            return {from, period};
    }
    return {};
}

// psi's coefficients for F (coefficients of delta^1, delta^2, ...):
// psi(lambda w) = F(psi(w)) term by term, b_k (lambda^k - lambda) = the sum
// over j >= 2 of f_j times the w^k term of psi^j, whose terms below w^k are
// known. Empty where a term is not finite (lambda^k = lambda).
Series PsiOf(const Series& f)
{
    const Complex& lambda = f[1];
    Series b(CheckedTerms + 1, Zero);
    b[1] = {DD(1, 0), DD(0, 0)};
    // powers[j][k]: the w^k term of psi^j.
    std::vector<Series> powers(CheckedTerms + 1, Series(CheckedTerms + 1, Zero));
    powers[1][1] = b[1];
    Complex lambdaPower = lambda;
    for (int k = 2; k <= CheckedTerms; ++k) {
        lambdaPower = lambdaPower * lambda;
        Complex sum = Zero;
        for (int j = k; j >= 2; --j) {
            Complex term = Zero;
            for (int i = 1; i <= k - j + 1; ++i)
                term = term + b[i] * powers[j - 1][k - i];
            powers[j][k] = term;
            sum = sum + f[j] * term;
        }
        b[k] = Divided(sum, lambdaPower - lambda);
        powers[1][k] = b[k];
        if (!std::isfinite(b[k].re.hi) || !std::isfinite(b[k].im.hi))
            return {};
    }
    return b;
}

}  // namespace

CycleJump<DD> CycleJumpOf(const ReferenceOrbit& orbit)
{
    CycleJump<DD> jump;
    const Cycle cycle = CycleAtEnd(orbit);
    if (cycle.from < 0)
        return jump;
    const auto valueAt = [&](int64_t phase) {
        const int64_t n = cycle.from + phase % cycle.period;
        return Complex{DD(orbit.re[n]) + DD(orbit.reLow[n], 0), DD(orbit.im[n]) + DD(orbit.imLow[n], 0)};
    };
    std::vector<Series> psi;
    double reach = 0.25, largestValue = 0;
    Complex lambda = Zero;
    for (int64_t phase = 0; phase < cycle.period; ++phase) {
        // F from this value: delta := 2 Z delta + delta^2 over a period.
        Series f(CheckedTerms + 1, Zero);
        f[1] = {DD(1, 0), DD(0, 0)};
        for (int64_t step = 0; step < cycle.period; ++step) {
            const Complex z = valueAt(phase + step);
            largestValue = std::max(largestValue, Modulus(z));
            const Series square = Product(f, f);
            for (int k = 1; k <= CheckedTerms; ++k)
                f[k] = Complex{z.re + z.re, z.im + z.im} * f[k] + square[k];
        }
        lambda = f[1];
        const double modulus = Modulus(lambda);
        if (!(modulus > 1 + SmallestExcess && modulus < LargestModulus))
            return jump;
        Series b = PsiOf(f);
        if (b.empty())
            return jump;
        for (int k = Terms + 1; k <= CheckedTerms; ++k) {
            const double size = Modulus(b[k]);
            if (size > 0)
                reach = std::min(reach, std::pow(TailShare / size, 1.0 / (k - 1)));
        }
        psi.push_back(std::move(b));
    }
    // Within half the reach each psi' stays within s of 1: an error of w
    // grows by at most (1 + s) / (1 - s) through psi and its inverse.
    const auto derivativeExcess = [&](double r) {
        double largest = 0;
        for (const Series& b : psi) {
            double s = 0;
            for (int k = 2; k <= Terms; ++k)
                s += k * Modulus(b[k]) * std::pow(r / 2, k - 1);
            largest = std::max(largest, s);
        }
        return largest;
    };
    while (derivativeExcess(reach) > 0.5)
        reach /= 2;
    const double derivativeBound = derivativeExcess(reach);
    // Every z a jump passes over keeps well inside the circle.
    if (!(reach > 0) || largestValue + reach >= 1.9)
        return jump;

    jump.from = cycle.from;
    jump.period = cycle.period;
    jump.block = std::lcm(cycle.period, int64_t{4});
    jump.reach = reach;
    for (Series& b : psi)
        jump.psi.emplace_back(b.begin() + 1, b.begin() + Terms + 1);
    jump.growth = (1 + derivativeBound) / (1 - derivativeBound);
    jump.roundingUnits = (4 * Terms + 200) * jump.growth;
    // A block's multiplier lambda^(block / period).
    Complex blockPower{DD(1, 0), DD(0, 0)};
    for (int64_t k = 0; k < jump.block / cycle.period; ++k)
        blockPower = blockPower * lambda;
    jump.logBlockModulus = std::log(Modulus(blockPower));
    int64_t exponent = 0;
    Complex mantissa = Normalized(blockPower, exponent);
    // Blocks beyond 2^40 lie beyond any count.
    for (int i = 0; i < 40; ++i) {
        jump.powerMantissas.push_back(mantissa);
        jump.powerExponents.push_back(exponent);
        exponent *= 2;
        mantissa = Normalized(mantissa * mantissa, exponent);
    }
    return jump;
}

template <typename T>
CycleJump<T> Rounded(const CycleJump<DD>& jump)
{
    const auto rounded = [](const Complex& x) {
        return JumpComplex<T>{static_cast<T>(x.re.hi) + static_cast<T>(x.re.lo),
                              static_cast<T>(x.im.hi) + static_cast<T>(x.im.lo)};
    };
    CycleJump<T> result;
    result.from = jump.from;
    result.period = jump.period;
    result.block = jump.block;
    result.reach = jump.reach;
    result.logBlockModulus = jump.logBlockModulus;
    result.growth = jump.growth;
    result.roundingUnits = jump.roundingUnits;
    result.powerExponents = jump.powerExponents;
    for (const Series& series : jump.psi) {
        result.psi.emplace_back();
        for (const Complex& term : series)
            result.psi.back().push_back(rounded(term));
    }
    for (const Complex& power : jump.powerMantissas)
        result.powerMantissas.push_back(rounded(power));
    return result;
}

template CycleJump<double> Rounded(const CycleJump<DD>&);
template CycleJump<long double> Rounded(const CycleJump<DD>&);
