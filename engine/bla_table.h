#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/double_double.h"
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

// Coefficients in two doubles keep their radii and sizes in double: their
// leading parts.
template <typename T>
struct BlaSizes {
    using Type = T;
    static T Leading(T x) { return x; }
    static T From(double x) { return T(x); }
};

template <>
struct BlaSizes<DoubleDouble> {
    using Type = double;
    static double Leading(DoubleDouble x) { return x.hi; }
    static DoubleDouble From(double x) { return {x, 0}; }
};

template <typename T>
using BlaSize = typename BlaSizes<T>::Type;

template <typename T>
struct BlaStep {
    T aRe, aIm, bRe, bIm;
    BlaSize<T> radius;  // valid while |delta.re| + |delta.im| < radius; never for radius <= 0
    T cRe = BlaSizes<T>::From(1), cIm = BlaSizes<T>::From(0), dRe = BlaSizes<T>::From(0),
      dIm = BlaSizes<T>::From(0), eRe = BlaSizes<T>::From(0), eIm = BlaSizes<T>::From(0);
    // |A|, |C| and |D|: the pixels' rounding bound grows by |A + 2 C delta + D dc|.
    BlaSize<T> aModulus = 0, cModulus = 0, dModulus = 0;
    // The step passes over a test near its limit (see NearLimitTests): it
    // holds only where the pixel's landing is proven inside the limit.
    bool checkLanding = false;
};

// A test |z|^2 > limit cannot fire while |Z|^2 stays below this share of
// the limit: within a step's radius the pixel's z lies within a relative
// 2^-22 of Z.
constexpr double SafeLimitShare = 1.0 - 1.0 / (1 << 20);

// Which of a pass's values a step passes over without their test: the
// pass's pre-test (its fourth, against 4), or all four (single steps towards
// the bailout).
enum class TestedValues { PreTest, Every };

// Where a table's steps of more than one pass start: at every orbit index
// (the frame's pixels at large, see levels_), or at aligned ones only, a
// seventh of the memory and of its first touches (a few pixels computed
// again, which take a step more now and then).
enum class TableStarts { Every, Aligned };

// Passes whose tests lie within a relative 2^-20 of the limit (orbits along
// |z| = 2, as at the needle's tip): refused, or steps that the pixel takes
// only where it lands inside the circle. For z^2 + c with |c| <= 2, |z| > 2
// only grows, so a pixel inside at the landing was inside at every test the
// step passed over.
enum class NearLimitTests { Refused, LandingChecked };

template <typename T>
class BlaTable {
public:
    using Size = BlaSize<T>;
    // epsilon: the size of the dropped terms against |2 Z delta| a step may
    // have, per iteration;
    // maxDc: the largest |dc| of the frame's pixels (0 where dc is 0).
    // A pass enters the table only when the tests of `tested` (against
    // limit) cannot fire.
    // threads: how many build it side by side; the table is the same.
    void Build(const HugePageVector<OrbitValue<T>>& orbit, Size epsilon, Size maxDc,
               TableStarts starts = TableStarts::Every, int32_t threads = 1, TestedValues tested = TestedValues::PreTest,
               Size limit = 4,
               NearLimitTests nearLimit = NearLimitTests::Refused);
    void Clear()
    {
        levels_.clear();
        radii_.clear();
        radiusStarts_.clear();
        firstCount_ = 0;
    }

    // A step from orbit index m for a delta of size deltaSize (|re| + |im|,
    // in T or in a type with a wider exponent), of at most maxPasses passes:
    // the longest, or the first of a climb to a longer one (see Find); null
    // when there is none.
    // Whether Find may find a step: a quick refusal for most asks.
    template <typename DeltaSize>
    [[gnu::always_inline]] bool MayStep(int64_t m, DeltaSize deltaSize) const
    {
        const size_t first = static_cast<size_t>(m);
        return first < firstCount_ && deltaSize < DeltaSize(radii_[first]);
    }

    template <typename DeltaSize>
    [[gnu::always_inline]] const BlaStep<T>* Find(int64_t m, DeltaSize deltaSize, int64_t maxPasses,
                                                  int64_t& passes) const;

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
    // The radii of levels_ alone, level after level from radiusStarts_[k]
    // (the first level's first): most asks end at the first level, refused,
    // and a search reads one radius a level; packed, they stay in the cache
    // where a level's steps would not.
    HugePageVector<Size> radii_;
    std::vector<size_t> radiusStarts_;
    size_t firstCount_ = 0;
    // Level k's radius at index, or 0 past the level's end.
    Size RadiusAt(size_t k, size_t index) const
    {
        return index < levels_[k].size() ? radii_[radiusStarts_[k] + index] : Size(0);
    }
};

// Inline: pixels ask at every pass start, mostly to be refused at once.
template <typename T>
template <typename DeltaSize>
inline const BlaStep<T>* BlaTable<T>::Find(int64_t m, DeltaSize deltaSize, int64_t maxPasses, int64_t& passes) const
{
    if (!MayStep(m, deltaSize) || maxPasses < 1)
        return nullptr;
    size_t bestLevel = 0, bestIndex = static_cast<size_t>(m);
    const int64_t q = m >> 2;
    // Radii shrink as steps grow, so the first refusal ends the search.
    for (size_t k = 1; k < levels_.size(); ++k) {
        const int64_t count = int64_t{1} << k;
        if (count > maxPasses || (static_cast<int64_t>(k) >= everyStartLevels_ && (q & (count - 1)) != 0))
            break;
        const size_t index = static_cast<size_t>(IndexOf(static_cast<int64_t>(k), m));
        if (!(deltaSize < DeltaSize(RadiusAt(k, index))))
            break;
        bestLevel = k;
        bestIndex = index;
    }
    // Steps from every start keep the pass count's alignment: where the
    // next aligned start's longer step would take the pixel as it is (where
    // an attracting orbit shrinks differences to nothing), it climbs there
    // instead, with steps that each double the alignment.
    const size_t aligned = static_cast<size_t>(everyStartLevels_);
    if (aligned > 1 && bestLevel + 1 == aligned && aligned < levels_.size() &&
        (q & ((int64_t{1} << aligned) - 1)) != 0) {
        const int64_t span = int64_t{1} << aligned;
        const int64_t nextQ = (q + span - 1) & ~(span - 1);
        const size_t next = static_cast<size_t>(IndexOf(static_cast<int64_t>(aligned), 4 * nextQ + (m & 3)));
        if (nextQ - q + span <= maxPasses && deltaSize < DeltaSize(RadiusAt(aligned, next))) {
            bestLevel = static_cast<size_t>(std::countr_zero(static_cast<uint64_t>(q)));
            bestIndex = static_cast<size_t>(m);
        }
    }
    passes = int64_t{1} << bestLevel;
    return &levels_[bestLevel][bestIndex];
}

extern template class BlaTable<double>;
extern template class BlaTable<long double>;
extern template class BlaTable<DoubleDouble>;
