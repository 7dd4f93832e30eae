#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "engine/bla_table.h"
#include "engine/double_double.h"
#include "engine/reference_orbit.h"

// Beside a repelling cycle of z^2 + c that the reference's orbit ends on
// (a Julia set's fixed point, or a cycle of a few values), a pixel's
// difference follows, over a period p, delta := F(delta) = lambda delta +
// f2 delta^2 + ..., the period's steps delta := 2 Z delta + delta^2 composed
// (lambda: the cycle's multiplier, the product of its 2 Z). A power series
// delta = psi(w) with psi(lambda w) = F(psi(w)), psi'(0) = 1, one for each
// value of the cycle, turns that into w := lambda w. Where |lambda| is near
// 1 the pixels take tens of thousands of iterations to leave the cycle, and
// the table's second-order steps reach only about the square root of their
// precision (1e-8 of the values' size in double); the series reach a few
// hundredths. A pixel there jumps a multiple of the period at once: w =
// psi^-1(delta), then delta := psi(lambda^n w).

template <typename T>
struct JumpComplex {
    T re, im;
};

template <typename T>
[[gnu::always_inline]] inline JumpComplex<T> operator*(const JumpComplex<T>& x, const JumpComplex<T>& y)
{
    return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}

template <typename T>
[[gnu::always_inline]] inline JumpComplex<T> operator+(const JumpComplex<T>& x, const JumpComplex<T>& y)
{
    return {x.re + y.re, x.im + y.im};
}

template <typename T>
[[gnu::always_inline]] inline JumpComplex<T> operator-(const JumpComplex<T>& x, const JumpComplex<T>& y)
{
    return {x.re - y.re, x.im - y.im};
}

template <typename T>
struct CycleJump {
    using Sizes = BlaSizes<T>;
    // The first orbit index from which the orbit goes round the cycle; -1:
    // no jumps.
    int64_t from = -1;
    int64_t period = 1;
    // Iterations of a block, a multiple of the period and of a pass's four:
    // jumps take whole blocks.
    int64_t block = 4;
    // |re| + |im| of w (and of delta) within which every psi's series holds
    // to 2^-112 of its value; jumps start within a quarter of it and land
    // within half.
    double reach = 0;
    double logBlockModulus = 0;  // ln |lambda^(block / period)|
    // For each value of the cycle from `from` on, psi's coefficients of w^1,
    // w^2, ...
    std::vector<std::vector<JumpComplex<T>>> psi;
    // lambda^(block / period 2^i) as mantissa 2^exponent, at any depth.
    std::vector<JumpComplex<T>> powerMantissas;
    std::vector<int64_t> powerExponents;
    // Within half the reach: how much a jump may grow an error of delta
    // against |lambda^n| (psi' and 1 / psi' there), and its own rounding in
    // units of the type's.
    double growth = 1;
    double roundingUnits = 0;

    bool Serves(int64_t m, double deltaSize) const { return from >= 0 && m >= from && deltaSize < reach / 4; }

    // The jump of at most `most` passes from delta = x 2^exponent at orbit
    // index m (x is delta where exponent is 0; beyond, delta lies below
    // 2^-200, where psi's inverse leaves it as it is to far more than 106
    // bits): the passes it takes, none where the series do not settle or
    // take it less than a block, and the delta it lands on; `errorGrowth`:
    // |lambda^n| growth, how much it may grow an error of delta.
    int64_t Jump(int64_t m, const JumpComplex<T>& x, int64_t exponent, int64_t most, JumpComplex<T>& landing,
                 BlaSize<T>& errorGrowth) const
    {
        const std::vector<JumpComplex<T>>& series = psi[static_cast<size_t>((m - from) % period)];
        JumpComplex<T> w = x;
        if (exponent == 0 && !Inverse(series, x, w))
            return 0;
        using std::log;
        const double logSize =
            static_cast<double>(log(SizeOf(w))) + static_cast<double>(exponent) * 0.6931471805599453;
        const int64_t blocks = Blocks(logSize, most * 4 / block);
        if (blocks < 1)
            return 0;
        int64_t powerExponent = 0;
        const JumpComplex<T> power = Power(blocks, powerExponent);
        // The power's exponent after the product: where w is tiny, lambda^n
        // alone may lie beyond T's range; the landing lies within half the
        // reach.
        const int scale = static_cast<int>(std::clamp<int64_t>(powerExponent + exponent, -20000, 20000));
        const JumpComplex<T> product = power * w;
        const JumpComplex<T> scaled{Scaled(product.re, scale), Scaled(product.im, scale)};
        landing = scaled * Ratio(series, scaled);
        const int powerScale = static_cast<int>(std::clamp<int64_t>(powerExponent, -20000, 20000));
        errorGrowth = BlaSize<T>(growth) * std::ldexp(std::hypot(Sizes::Leading(power.re), Sizes::Leading(power.im)),
                                                      powerScale);
        return blocks * block / 4;
    }

    // |re| + |im| of the leading parts.
    static BlaSize<T> SizeOf(const JumpComplex<T>& x)
    {
        return std::fabs(Sizes::Leading(x.re)) + std::fabs(Sizes::Leading(x.im));
    }

private:
    // The blocks that take |w| from e^logSize to within half the reach, at
    // most `most`.
    int64_t Blocks(double logSize, int64_t most) const
    {
        const double blocks = std::floor((std::log(reach / 2) - logSize) / logBlockModulus);
        return blocks >= static_cast<double>(most) ? most : blocks >= 1 ? static_cast<int64_t>(blocks) : 0;
    }

    // psi(x) / x.
    static JumpComplex<T> Ratio(const std::vector<JumpComplex<T>>& series, const JumpComplex<T>& x)
    {
        JumpComplex<T> sum = series.back();
        for (size_t k = series.size() - 1; k-- > 0;)
            sum = sum * x + series[k];
        return sum;
    }

    static constexpr double Settled()
    {
        if constexpr (std::is_same_v<T, DoubleDouble>)
            return 0x1p-104;
        else
            return 4 * static_cast<double>(std::numeric_limits<T>::epsilon());
    }

    // w with psi(w) = delta, for |delta| within a quarter of the reach: w
    // := w - (psi(w) - delta), which psi' near 1 there contracts, until the
    // corrections are down to T's rounding; false where they stay above it.
    static bool Inverse(const std::vector<JumpComplex<T>>& series, const JumpComplex<T>& delta, JumpComplex<T>& w)
    {
        w = delta;
        for (int round = 0; round < 60; ++round) {
            const JumpComplex<T> correction = w * Ratio(series, w) - delta;
            w = w - correction;
            if (SizeOf(correction) <= BlaSize<T>(Settled()) * SizeOf(w))
                return true;
        }
        return false;
    }

    // lambda^(blocks block / period) as mantissa 2^exponent.
    JumpComplex<T> Power(int64_t blocks, int64_t& exponent) const
    {
        JumpComplex<T> product{Sizes::From(1), Sizes::From(0)};
        exponent = 0;
        for (size_t i = 0; blocks != 0 && i < powerMantissas.size(); ++i, blocks >>= 1) {
            if ((blocks & 1) != 0) {
                product = product * powerMantissas[i];
                exponent += powerExponents[i];
            }
        }
        return product;
    }

    static T Scaled(T x, int exponent)
    {
        if constexpr (std::is_same_v<T, DoubleDouble>)
            return TimesPowerOfTwo(x, exponent);
        else
            return std::ldexp(x, exponent);
    }
};

// The jump for an orbit that ends on a repelling cycle of at most 8 values
// whose multiplier lies below 1.1 (beyond it the table's steps serve), to
// 106 bits; `from` -1 for any other orbit.
CycleJump<DoubleDouble> CycleJumpOf(const ReferenceOrbit& orbit);

// The same in a hardware type, rounded.
template <typename T>
CycleJump<T> Rounded(const CycleJump<DoubleDouble>& jump);

extern template CycleJump<double> Rounded(const CycleJump<DoubleDouble>&);
extern template CycleJump<long double> Rounded(const CycleJump<DoubleDouble>&);
