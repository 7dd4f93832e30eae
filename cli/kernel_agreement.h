#pragma once
#include <cstdint>
#include <ostream>
#include <vector>

// How far two computations of one frame agree, pixel by pixel, on the
// kernel results before colouring.
struct KernelResults {
    std::vector<int32_t> escape;
    std::vector<float> a, b;
};

struct KernelAgreement {
    int64_t pixels = 0;
    int64_t identicalEscapes = 0;
    // Over the pixels with identical escape values.
    double largestDifferenceA = 0;
    double largestDifferenceB = 0;
    double largestRelativeDifferenceA = 0;  // |a1 - a2| / max(|a1|, |a2|)
    double largestRelativeDifferenceB = 0;
};

KernelAgreement CompareKernelResults(const KernelResults& first, const KernelResults& second);

void PrintKernelAgreement(std::ostream& out, const KernelAgreement& agreement);

// Pixels whose escape value the arbitrary-precision frame keeps at a higher
// precision are settled; only there is it the measure of another frame.
struct SettledAgreement {
    int64_t pixels = 0;
    int64_t settled = 0;
    int64_t identicalOverSettled = 0;
};

SettledAgreement CompareSettledEscapes(const KernelResults& exact, const KernelResults& moreBits,
                                       const KernelResults& other);

void PrintSettledAgreement(std::ostream& out, int32_t moreBits, const SettledAgreement& agreement);
