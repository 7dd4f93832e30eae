#include "engine/misiurewicz_reference.h"

#include <algorithm>
#include <cmath>

namespace {

// Cycles of up to this many values are looked for.
constexpr int64_t MostReturnPeriod = 256;
// Values this close (relative, |re| + |im|) count as the same.
constexpr long double SameValueShare = 0x1p-50L;
// The repeat must hold over a period and this many values more.
constexpr int64_t ReturnCheckExtra = 32;
// A cycle whose multiplier's log2 is below this is not taken for repelling.
constexpr long double LeastRepellingLog2 = 0x1p-10L;

bool SameValue(const ReferenceOrbit& orbit, int64_t a, int64_t b)
{
    const long double size = std::fabs(orbit.re[a]) + std::fabs(orbit.im[a]);
    return std::fabs(orbit.re[a] - orbit.re[b]) + std::fabs(orbit.im[a] - orbit.im[b]) <= SameValueShare * size;
}

bool RepeatsFrom(const ReferenceOrbit& orbit, int64_t preperiod, int64_t period)
{
    for (int64_t n = preperiod; n < preperiod + period + ReturnCheckExtra; ++n) {
        if (!SameValue(orbit, n, n + period))
            return false;
    }
    return true;
}

bool Repels(const ReferenceOrbit& orbit, const OrbitReturn& r)
{
    long double log2Multiplier = 0;
    for (int64_t n = r.preperiod; n < r.preperiod + r.period; ++n)
        log2Multiplier += std::log2(2 * std::hypot(orbit.re[n], orbit.im[n]));
    return log2Multiplier > LeastRepellingLog2;
}

}  // namespace

bool FindRepellingReturn(const ReferenceOrbit& orbit, OrbitReturn& found)
{
    for (int64_t preperiod = 0; preperiod < orbit.size(); ++preperiod) {
        for (int64_t period = 1; period <= MostReturnPeriod; ++period) {
            if (preperiod + 2 * period + ReturnCheckExtra > orbit.size())
                break;
            if (RepeatsFrom(orbit, preperiod, period)) {
                found = {preperiod, period};
                return Repels(orbit, found);
            }
        }
    }
    return false;
}

bool ReturningOrbit(mpf_srcptr z0Re, mpf_srcptr z0Im, mpf_srcptr cRe, mpf_srcptr cIm, int32_t bits,
                    const OrbitReturn& orbitReturn, int64_t length, ReferenceOrbit& orbit,
                    RelaxedAtomic<int64_t>& done)
{
    const int64_t cycleEnd = orbitReturn.preperiod + orbitReturn.period;
    if (!IterateOrbit(z0Re, z0Im, cRe, cIm, bits, std::min(length, cycleEnd), orbit, done))
        return false;
    if (orbit.size() < std::min(length, cycleEnd))
        return false;  // escaped: no such return
    orbit.re.reserve(static_cast<size_t>(length));
    orbit.im.reserve(static_cast<size_t>(length));
    orbit.reLow.reserve(static_cast<size_t>(length));
    orbit.imLow.reserve(static_cast<size_t>(length));
    // The cycle's values near the circle come round with it.
    size_t kept = 0;
    for (int64_t n = cycleEnd; n < length; ++n) {
        const int64_t earlier = n - orbitReturn.period;
        const long double re = orbit.re[earlier], im = orbit.im[earlier];
        const double reLow = orbit.reLow[earlier], imLow = orbit.imLow[earlier];
        orbit.re.push_back(re);
        orbit.im.push_back(im);
        orbit.reLow.push_back(reLow);
        orbit.imLow.push_back(imLow);
        while (kept < orbit.nearCircle.size() && orbit.nearCircle[kept].index < earlier)
            ++kept;
        if (kept < orbit.nearCircle.size() && orbit.nearCircle[kept].index == earlier) {
            const WideFloat<long double> excess = orbit.nearCircle[kept].excess;
            orbit.nearCircle.push_back({n, excess});
        }
    }
    done.store(orbit.size());
    return true;
}
