#include "cli/kernel_agreement.h"

#include <algorithm>
#include <cmath>
#include <iomanip>

namespace {

void Widen(double x, double y, double& largest, double& largestRelative)
{
    if (x == y || (std::isnan(x) && std::isnan(y)))
        return;
    const double difference = std::fabs(x - y);
    largest = std::isnan(difference) ? difference : std::max(largest, difference);
    const double scale = std::max(std::fabs(x), std::fabs(y));
    if (scale > 0 && !std::isnan(difference))
        largestRelative = std::max(largestRelative, difference / scale);
}

}  // namespace

KernelAgreement CompareKernelResults(const KernelResults& first, const KernelResults& second)
{
    KernelAgreement agreement;
    const size_t count = std::min({first.escape.size(), second.escape.size(), first.a.size(), second.a.size(),
                                   first.b.size(), second.b.size()});
    agreement.pixels = static_cast<int64_t>(count);
    for (size_t k = 0; k < count; ++k) {
        if (first.escape[k] != second.escape[k])
            continue;
        ++agreement.identicalEscapes;
        Widen(first.a[k], second.a[k], agreement.largestDifferenceA, agreement.largestRelativeDifferenceA);
        Widen(first.b[k], second.b[k], agreement.largestDifferenceB, agreement.largestRelativeDifferenceB);
    }
    return agreement;
}

void PrintKernelAgreement(std::ostream& out, const KernelAgreement& agreement)
{
    const double share = agreement.pixels > 0 ? 100.0 * agreement.identicalEscapes / agreement.pixels : 100.0;
    out << "identical escape values: " << agreement.identicalEscapes << " of " << agreement.pixels << " ("
        << std::fixed << std::setprecision(3) << share << "%)\n"
        << std::defaultfloat << std::setprecision(6)
        << "largest difference of A: " << agreement.largestDifferenceA << " (relative "
        << agreement.largestRelativeDifferenceA << ")\n"
        << "largest difference of B: " << agreement.largestDifferenceB << " (relative "
        << agreement.largestRelativeDifferenceB << ")\n";
}

SettledAgreement CompareSettledEscapes(const KernelResults& exact, const KernelResults& moreBits,
                                       const KernelResults& other)
{
    SettledAgreement agreement;
    const size_t count = std::min({exact.escape.size(), moreBits.escape.size(), other.escape.size()});
    agreement.pixels = static_cast<int64_t>(count);
    for (size_t k = 0; k < count; ++k) {
        if (exact.escape[k] != moreBits.escape[k])
            continue;
        ++agreement.settled;
        agreement.identicalOverSettled += exact.escape[k] == other.escape[k];
    }
    return agreement;
}

void PrintSettledAgreement(std::ostream& out, int32_t moreBits, const SettledAgreement& agreement)
{
    const auto share = [](int64_t part, int64_t whole) { return whole > 0 ? 100.0 * part / whole : 100.0; };
    out << std::fixed << std::setprecision(3) << "settled pixels (same escape value at " << moreBits
        << " bits): " << agreement.settled << " of " << agreement.pixels << " ("
        << share(agreement.settled, agreement.pixels) << "%)\n"
        << "identical escape values over settled pixels: " << agreement.identicalOverSettled << " of "
        << agreement.settled << " (" << share(agreement.identicalOverSettled, agreement.settled) << "%)\n"
        << std::defaultfloat << std::setprecision(6);
}
