#pragma once
#include <cstdint>
#include <vector>

// Bilinear approximation of a reference orbit: while |delta| stays small
// against |Z|, n iterations of delta := 2 Z delta + delta^2 + dc are
// delta := A delta + B dc. The table merges the steps of passes of four
// iterations by powers of two.

template <typename T>
struct OrbitValue {
    T re;
    T im;
};

template <typename T>
struct BlaStep {
    T aRe, aIm, bRe, bIm;
    T radius;  // valid while |delta.re| + |delta.im| < radius; never for radius <= 0
};

// A pass's pre-test cannot fire while |Z|^2 stays below this at its fourth
// value: the pixel's z lies within a relative 2^-52 of Z there.
constexpr double PreTestSafeNorm = 4.0 * (1.0 - 1.0 / (1 << 20));

template <typename T>
class BlaTable {
public:
    // epsilon: the size of delta^2 against |2 Z delta| that may be dropped;
    // maxDc: the largest |dc| of the frame's pixels (0 where dc is 0).
    // A pass enters the table only when its pre-test cannot fire.
    void Build(const std::vector<OrbitValue<T>>& orbit, T epsilon, T maxDc);
    void Clear() { levels_.clear(); }

    // The longest step from orbit index m for a delta of size deltaSize
    // (|re| + |im|), of at most maxPasses passes; null when there is none.
    const BlaStep<T>* Find(int64_t m, T deltaSize, int64_t maxPasses, int64_t& passes) const;

private:
    // levels_[k]: steps of 2^k passes from every m = 4q + r with q a multiple
    // of 2^k, at index (q >> k) * 4 + r.
    std::vector<std::vector<BlaStep<T>>> levels_;
};

extern template class BlaTable<double>;
extern template class BlaTable<long double>;
