#include "engine/main_components.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr double Margin = 0x1p-12;

// Covers the roundings of the few double operations below many times over.
constexpr double Slack = 0x1p-40;

// Orbits of bounded points stay within 1/2 + sqrt(1/4 + |c|): beyond it
// |z^2 + c| > |z|, and they grow without end.
bool OrbitsBelow(double cModulus, double limit)
{
    const double reach = 0.5 + std::sqrt(0.25 + cModulus);
    return reach * reach * (1 + Slack) < limit;
}

MainComponentCover Classify(double nearest, double farthest)
{
    if (farthest + Slack <= 1 - Margin)
        return MainComponentCover::All;
    return nearest - Slack > 1 - Margin ? MainComponentCover::None : MainComponentCover::Part;
}

// The fixed point's multiplier 1 - w, w = sqrt(1 - 4c) with Re w >= 0 (the
// other root's is larger), moves by at most 2 / |w| times the distance.
MainComponentCover Cardioid(double re, double im, double radius)
{
    const std::complex<double> u(1 - 4 * re, -4 * im);
    const double multiplier = std::abs(1.0 - std::sqrt(u));
    const double nearestU = std::abs(u) - 4 * radius;
    if (!(nearestU > 0))
        return MainComponentCover::Part;
    const double spread = 2 / std::sqrt(nearestU) * radius;
    return Classify(multiplier - spread, multiplier + spread);
}

MainComponentCover PeriodTwoDisc(double re, double im, double radius)
{
    const double distance = std::hypot(re + 1, im);
    return Classify(4 * (distance - radius), 4 * (distance + radius));
}

}  // namespace

MainComponentCover MainComponentsCover(double re, double im, double radius, double limit)
{
    const double modulus = std::hypot(re, im);
    if (!OrbitsBelow(std::max(0.0, modulus - radius), limit))
        return MainComponentCover::None;
    const MainComponentCover cardioid = Cardioid(re, im, radius);
    const MainComponentCover disc = PeriodTwoDisc(re, im, radius);
    if (cardioid == MainComponentCover::None && disc == MainComponentCover::None)
        return MainComponentCover::None;
    const bool whole = cardioid == MainComponentCover::All || disc == MainComponentCover::All;
    return whole && OrbitsBelow(modulus + radius, limit) ? MainComponentCover::All : MainComponentCover::Part;
}
