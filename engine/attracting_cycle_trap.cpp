#include "engine/attracting_cycle_trap.h"

#include <cmath>

namespace {

// Upward factor on every bound, far above the few roundings each one takes.
constexpr long double Up = 1 + 0x1p-50L;

// One step's rounding in long double (64-bit mantissa) moves z^2 + c by less
// than 8 ulps of |z|^2 + |c| + 1; this is 16 times that.
long double StepError(long double modulusBound, long double cModulus)
{
    return 0x1p-56L * (modulusBound * modulusBound + cModulus + 1) * Up;
}

long double Modulus(long double re, long double im)
{
    return std::sqrt(re * re + im * im) * Up;
}

// Follows the disc (m, rho) through `period` steps: every point of it, and
// the rounded step of every point, stays in the next disc.
bool DiscReturnsInside(long double zr, long double zi, long double cr, long double ci, int period, long double rho0,
                       long double limit)
{
    const long double cModulus = Modulus(cr, ci);
    long double mr = zr;
    long double mi = zi;
    long double rho = rho0;
    for (int k = 0; k < period; ++k) {
        const long double reach = Modulus(mr, mi) + rho;
        if (!(reach * reach * Up < limit))
            return false;
        const long double nr = mr * mr - mi * mi + cr;
        const long double ni = 2 * mr * mi + ci;
        rho = (rho * (reach + Modulus(mr, mi)) + 2 * StepError(reach, cModulus)) * Up;
        mr = nr;
        mi = ni;
    }
    return (Modulus(mr - zr, mi - zi) + rho) * Up < rho0;
}

}  // namespace

bool TrappedByAttractingCycle(long double zr, long double zi, long double cr, long double ci, double limit)
{
    // The period whose return lies closest (squares compared: no roots in
    // the loop, which runs for every pixel that does not settle too).
    long double wr = zr;
    long double wi = zi;
    long double bestSquare = INFINITY;
    int bestPeriod = 0;
    for (int p = 1; p <= MaxTrapPeriod; ++p) {
        const long double nr = wr * wr - wi * wi + cr;
        wi = 2 * wr * wi + ci;
        wr = nr;
        const long double radius = wr * wr + wi * wi;
        if (!(radius < limit))
            return false;
        const long double dr = wr - zr;
        const long double di = wi - zi;
        const long double square = dr * dr + di * di;
        if (square < bestSquare) {
            bestSquare = square;
            bestPeriod = p;
        }
    }
    // The cycle's multiplier, estimated along the orbit from z.
    long double multiplier = 1;
    wr = zr;
    wi = zi;
    for (int p = 0; p < bestPeriod; ++p) {
        multiplier *= 2 * Modulus(wr, wi);
        const long double nr = wr * wr - wi * wi + cr;
        wi = 2 * wr * wi + ci;
        wr = nr;
    }
    if (!(multiplier < 0.999L))
        return false;
    // Wide enough for the contraction to win over the distance and the
    // roundings with room to spare; the disc check decides.
    const long double slack = std::sqrt(bestSquare) + bestPeriod * StepError(2, Modulus(cr, ci));
    const long double rho0 = 4 * slack / (1 - multiplier);
    return DiscReturnsInside(zr, zi, cr, ci, bestPeriod, rho0, limit);
}
