#include "engine/inside_proof.h"

#include <cmath>
#include <limits>

template <typename T>
bool DiscMapsIntoItself(T zr, T zi, T radius, long double cr, long double ci, int64_t steps)
{
    constexpr T Unit = std::numeric_limits<T>::epsilon();
    // Sizes rounded up: each result of the bounds' own arithmetic a little larger.
    constexpr T Up = 1 + 8 * Unit;
    // The passes' tests compare a rounded |z|^2 with 4.
    constexpr T Reach = 2 - T(1) / (1 << 20);
    const T cr0 = static_cast<T>(cr);
    const T ci0 = static_cast<T>(ci);
    const T cSize = std::fabs(cr0) + std::fabs(ci0);
    // c in T, against c to 64 bits, against c itself.
    const T cError = static_cast<T>((std::fabs(cr - cr0) + std::fabs(ci - ci0)) * Up) +
                     2 * std::numeric_limits<long double>::epsilon() * cSize + std::numeric_limits<T>::denorm_min();
    T xr = zr, xi = zi, r = radius;
    for (int64_t i = 0; i < steps; ++i) {
        const T size = std::sqrt(xr * xr + xi * xi) * Up;
        if (!(size + r < Reach))
            return false;
        const T a = xr * xr;
        const T b = xi * xi;
        const T t = xr * xi;
        // (x + h)^2 - x^2 = (2 x + h) h; the centre's step rounds by a few
        // units of |x|^2 + |c|.
        r = ((2 * size + r) * r + 8 * Unit * (size * size + cSize) + cError) * Up;
        xr = (a - b) + cr0;
        xi = (t + t) + ci0;
    }
    const T dr = xr - zr;
    const T di = xi - zi;
    return std::sqrt(dr * dr + di * di) * Up + r <= radius;
}

template bool DiscMapsIntoItself<double>(double, double, double, long double, long double, int64_t);
template bool DiscMapsIntoItself<long double>(long double, long double, long double, long double, long double,
                                              int64_t);
