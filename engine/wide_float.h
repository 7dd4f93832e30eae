#pragma once
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>

// A hardware mantissa M with its own 64-bit binary exponent: mantissa *
// 2^exponent, the mantissa 0 or of magnitude in [0.5, 1). Every operation
// rounds once, to M's digits, so the results are those of M with an
// exponent that never overflows or underflows: what perturbation needs for
// differences far below long double's range.
template <typename M>
class WideFloat {
public:
    WideFloat() = default;
    // Implicit: orbit values and table coefficients mix with differences.
    WideFloat(M value) { Normalize(value, 0); }
    static WideFloat FromParts(M mantissa, int64_t exponent)
    {
        WideFloat result;
        result.Normalize(mantissa, exponent);
        return result;
    }

    M Mantissa() const { return mantissa_; }
    int64_t Exponent() const { return exponent_; }

    // The value in M: 0 below M's range, infinity above it.
    M ToHardware() const
    {
        constexpr int64_t beyond = std::numeric_limits<M>::max_exponent - std::numeric_limits<M>::min_exponent +
                                   std::numeric_limits<M>::digits + 2;
        const int64_t clamped = exponent_ < -beyond ? -beyond : (exponent_ > beyond ? beyond : exponent_);
        return std::ldexp(mantissa_, static_cast<int>(clamped));
    }

    friend WideFloat operator-(WideFloat x)
    {
        x.mantissa_ = -x.mantissa_;
        return x;
    }
    friend WideFloat operator*(WideFloat x, WideFloat y)
    {
        // Mantissas in [0.5, 1) multiply to [0.25, 1): at most one doubling, exact.
        WideFloat product;
        product.mantissa_ = x.mantissa_ * y.mantissa_;
        if (product.mantissa_ == 0)
            return WideFloat();
        product.exponent_ = x.exponent_ + y.exponent_;
        if (std::fabs(product.mantissa_) < M(0.5)) {
            product.mantissa_ *= 2;
            --product.exponent_;
        }
        return product;
    }
    friend WideFloat operator+(WideFloat x, WideFloat y)
    {
        if (y.mantissa_ == 0)
            return x;
        if (x.mantissa_ == 0)
            return y;
        if (x.exponent_ < y.exponent_)
            std::swap(x, y);
        // Below a quarter of x's last place, y cannot change x's rounding.
        const int64_t shift = y.exponent_ - x.exponent_;
        if (shift < -(std::numeric_limits<M>::digits + 2))
            return x;
        WideFloat sum;
        sum.Normalize(x.mantissa_ + std::ldexp(y.mantissa_, static_cast<int>(shift)), x.exponent_);
        return sum;
    }
    friend WideFloat operator-(WideFloat x, WideFloat y) { return x + -y; }

    friend bool operator<(WideFloat x, WideFloat y)
    {
        // Zero or opposite signs: the mantissas' signs decide.
        if (x.mantissa_ == 0 || y.mantissa_ == 0 || (x.mantissa_ < 0) != (y.mantissa_ < 0))
            return x.mantissa_ < y.mantissa_;
        if (x.exponent_ != y.exponent_)
            return (x.exponent_ < y.exponent_) == (x.mantissa_ > 0);
        return x.mantissa_ < y.mantissa_;
    }
    friend bool operator>(WideFloat x, WideFloat y) { return y < x; }

    friend WideFloat fabs(WideFloat x)
    {
        x.mantissa_ = std::fabs(x.mantissa_);
        return x;
    }

private:
    void Normalize(M mantissa, int64_t exponent)
    {
        if (mantissa == 0 || !std::isfinite(mantissa)) {
            mantissa_ = mantissa;
            exponent_ = 0;
            return;
        }
        int shift = 0;
        mantissa_ = std::frexp(mantissa, &shift);
        exponent_ = exponent + shift;
    }

    M mantissa_ = 0;
    int64_t exponent_ = 0;
};

template <typename T>
struct IsWideFloat : std::false_type {};
template <typename M>
struct IsWideFloat<WideFloat<M>> : std::true_type {};

// The hardware type a value is stored and iterated in: itself, or a wide
// value's mantissa.
template <typename T>
struct HardwareOf {
    using type = T;
};
template <typename M>
struct HardwareOf<WideFloat<M>> {
    using type = M;
};
template <typename T>
using Hardware = typename HardwareOf<T>::type;

template <typename T>
inline Hardware<T> ToHardware(T value)
{
    if constexpr (IsWideFloat<T>::value)
        return value.ToHardware();
    else
        return value;
}
