#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/huge_page_allocator.h"

// Approximation of a reference orbit to second order: while |delta| stays
// small against |Z|, n iterations of delta := 2 Z delta + delta^2 + dc are
// delta := A delta + B dc + C delta^2 + D delta dc + E dc^2. A single
// iteration is that exactly; merged steps drop terms of third order, about
// (|delta| / |2 Z|)^2 of the step where the linear terms alone would drop
// |delta| / |2 Z|, so the same error allows steps at the square root of that
// share. The table merges the steps of passes of four iterations by powers
// of two.

template <typename T>
struct OrbitValue {
    T re;
    T im;
};

template <typename T>
struct BlaStep {
    T aRe, aIm, bRe, bIm;
    T radius;  // valid while |delta.re| + |delta.im| < radius; never for radius <= 0
    T cRe = 1, cIm = 0, dRe = 0, dIm = 0, eRe = 0, eIm = 0;
    // |A|, |C| and |D|: the pixels' rounding bound grows by |A + 2 C delta + D dc|.
    T aModulus = 0, cModulus = 0, dModulus = 0;
};

// A pass's pre-test cannot fire while |Z|^2 stays below this at its fourth
// value: the pixel's z lies within a relative 2^-52 of Z there.
constexpr double PreTestSafeNorm = 4.0 * (1.0 - 1.0 / (1 << 20));

// Where a table's steps of more than one pass start: at every orbit index
// (the frame's pixels at large, see levels_), or at aligned ones only, a
// seventh of the memory and of its first touches (a few pixels computed
// again, which take a step more now and then).
enum class TableStarts { Every, Aligned };

template <typename T>
class BlaTable {
public:
    // epsilon: the size of the dropped terms against |2 Z delta| a step may
    // have, per iteration;
    // maxDc: the largest |dc| of the frame's pixels (0 where dc is 0).
    // A pass enters the table only when its pre-test cannot fire.
    // threads: how many build it side by side; the table is the same.
    void Build(const HugePageVector<OrbitValue<T>>& orbit, T epsilon, T maxDc, TableStarts starts = TableStarts::Every,
               int32_t threads = 1);
    void Clear()
    {
        levels_.clear();
        firstRadii_.clear();
    }

    // The longest step from orbit index m for a delta of size deltaSize
    // (|re| + |im|, in T or in a type with a wider exponent), of at most
    // maxPasses passes; null when there is none.
    // Whether Find may find a step: a quick refusal for most asks.
    template <typename Size>
    [[gnu::always_inline]] bool MayStep(int64_t m, Size deltaSize) const
    {
        const size_t first = static_cast<size_t>(m);
        return first < firstRadii_.size() && deltaSize < Size(firstRadii_[first]);
    }

    template <typename Size>
    const BlaStep<T>* Find(int64_t m, Size deltaSize, int64_t maxPasses, int64_t& passes) const;

private:
    // levels_[k]: steps of 2^k passes from every m (at index m) below
    // everyStartLevels_, above it from every m = 4q + r with q a multiple of
    // 2^k, at index (q >> k) * 4 + r. Orbits that pass near 0 every few
    // dozen iterations refuse a pass there: the short steps from every m
    // reach the next such pass in one step. Orbits too long to hold them
    // have them at level 0 only.
    static constexpr int64_t EveryStartLevels = 6;
    static constexpr int64_t EveryStartLengthLimit = int64_t{1} << 18;
    int64_t everyStartLevels_ = 1;
    int64_t IndexOf(int64_t k, int64_t m) const
    {
        return k < everyStartLevels_ ? m : (((m >> 2) >> k) << 2) + (m & 3);
    }
    using Steps = std::vector<BlaStep<T>, HugePageAllocator<BlaStep<T>>>;
    std::vector<Steps> levels_;
    // The radii of levels_[0] alone: most asks end there, refused.
    std::vector<T, HugePageAllocator<T>> firstRadii_;
};

// Inline: pixels ask at every pass start, mostly to be refused at once.
template <typename T>
template <typename Size>
inline const BlaStep<T>* BlaTable<T>::Find(int64_t m, Size deltaSize, int64_t maxPasses, int64_t& passes) const
{
    if (!MayStep(m, deltaSize))
        return nullptr;
    const BlaStep<T>* best = nullptr;
    const int64_t q = m >> 2;
    // Radii shrink as steps grow, so the first refusal ends the search.
    for (size_t k = 0; k < levels_.size(); ++k) {
        const int64_t count = int64_t{1} << k;
        if (count > maxPasses || (static_cast<int64_t>(k) >= everyStartLevels_ && (q & (count - 1)) != 0))
            break;
        const size_t index = static_cast<size_t>(IndexOf(static_cast<int64_t>(k), m));
        if (index >= levels_[k].size() || !(deltaSize < Size(levels_[k][index].radius)))
            break;
        best = &levels_[k][index];
        passes = count;
    }
    return best;
}

extern template class BlaTable<double>;
extern template class BlaTable<long double>;
