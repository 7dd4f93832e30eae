#include "engine/bla_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

template <typename T>
BlaSize<T> Magnitude(T re, T im)
{
    return std::hypot(BlaSizes<T>::Leading(re), BlaSizes<T>::Leading(im));
}

template <typename T>
BlaSize<T> Modulus(T re, T im)
{
    const BlaSize<T> r = BlaSizes<T>::Leading(re), i = BlaSizes<T>::Leading(im);
    return std::sqrt(r * r + i * i);
}

template <typename T>
bool Finite(T x)
{
    return std::isfinite(BlaSizes<T>::Leading(x));
}

template <typename T>
void SetModuli(BlaStep<T>& step)
{
    step.aModulus = Modulus(step.aRe, step.aIm);
    step.cModulus = Modulus(step.cRe, step.cIm);
    step.dModulus = Modulus(step.dRe, step.dIm);
}

template <typename T>
struct Complex {
    T re, im;
};

template <typename T>
Complex<T> operator*(Complex<T> x, Complex<T> y)
{
    return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}

template <typename T>
Complex<T> operator+(Complex<T> x, Complex<T> y)
{
    return {x.re + y.re, x.im + y.im};
}

template <typename T>
Complex<T> Twice(Complex<T> x)
{
    return {x.re + x.re, x.im + x.im};
}

template <typename T>
void Store(Complex<T> z, T& re, T& im)
{
    re = z.re;
    im = z.im;
}

// x followed by y: y's terms of x's delta, to second order.
template <typename T>
BlaStep<T> Merge(const BlaStep<T>& x, const BlaStep<T>& y, BlaSize<T> maxDc)
{
    using R = BlaSize<T>;
    BlaStep<T> merged;
    merged.aRe = y.aRe * x.aRe - y.aIm * x.aIm;
    merged.aIm = y.aRe * x.aIm + y.aIm * x.aRe;
    merged.bRe = (y.aRe * x.bRe - y.aIm * x.bIm) + y.bRe;
    merged.bIm = (y.aRe * x.bIm + y.aIm * x.bRe) + y.bIm;
    const Complex<T> ax{x.aRe, x.aIm}, bx{x.bRe, x.bIm}, cx{x.cRe, x.cIm}, dx{x.dRe, x.dIm}, ex{x.eRe, x.eIm};
    const Complex<T> ay{y.aRe, y.aIm}, cy{y.cRe, y.cIm}, dy{y.dRe, y.dIm}, ey{y.eRe, y.eIm};
    Store(ay * cx + cy * (ax * ax), merged.cRe, merged.cIm);
    Store(ay * dx + Twice(cy * (ax * bx)) + dy * ax, merged.dRe, merged.dIm);
    Store(((ay * ex + cy * (bx * bx)) + dy * bx) + ey, merged.eRe, merged.eIm);
    SetModuli(merged);
    merged.checkLanding = x.checkLanding || y.checkLanding;
    // The largest delta whose value after x, linear and second-order terms
    // together, stays within y's radius: the root of |C| r^2 + (|A| + |D|
    // |dc|) r = y's radius less the dc terms, in the form that neither
    // cancels nor fails where A has shrunk to nothing on an attracting orbit.
    const R dcTerms = (Magnitude(x.bRe, x.bIm) + Magnitude(x.eRe, x.eIm) * maxDc) * maxDc;
    const R room = y.radius - dcTerms;
    const R linear = x.aModulus + x.dModulus * maxDc;
    const R squared = linear * linear + R(4) * x.cModulus * room;
    // Where that overflows, sqrt(a^2 + b^2) <= a + b gives a smaller reach.
    const R root = squared <= std::numeric_limits<R>::max() ? std::sqrt(squared)
                                                           : linear + R(2) * std::sqrt(x.cModulus * room);
    const R reach = R(2) * room / (linear + root);
    merged.radius = std::fmin(x.radius, room > 0 ? reach : R(0));
    const bool usable = x.radius > 0 && y.radius > 0 && merged.radius > 0 && std::isfinite(merged.radius) &&
                        Finite(merged.aRe) && Finite(merged.aIm) && Finite(merged.bRe) && Finite(merged.bIm) &&
                        std::isfinite(merged.cModulus) && std::isfinite(merged.dModulus) && Finite(merged.eRe) &&
                        Finite(merged.eIm);
    if (!usable)
        merged.radius = -1;
    return merged;
}

// Runs body(first, end) over [0, count) in up to `threads` contiguous parts
// side by side; parts below a few thousand entries cost more to hand out
// than they take.
template <typename Body>
void InParts(int64_t count, int32_t threads, const Body& body)
{
    constexpr int64_t SmallestPart = 4096;
    const int64_t parts = std::clamp<int64_t>(count / SmallestPart, 1, std::max(threads, 1));
    std::vector<std::thread> helpers;
    for (int64_t part = 1; part < parts; ++part)
        helpers.emplace_back([&body, count, parts, part] { body(count * part / parts, count * (part + 1) / parts); });
    body(0, count / parts);
    for (std::thread& helper : helpers)
        helper.join();
}

}  // namespace

template <typename T>
void BlaTable<T>::Build(const HugePageVector<OrbitValue<T>>& orbit, Size epsilon, Size maxDc, TableStarts starts,
                        int32_t threads, TestedValues tested, Size limit, NearLimitTests nearLimit)
{
    using Sizes = BlaSizes<T>;
    Clear();
    const int64_t length = static_cast<int64_t>(orbit.size());
    // A step lands where the pixel can still take an iteration: on a value
    // before the orbit's last.
    const int64_t lastLanding = length - 2;
    if (lastLanding < 4)
        return;
    everyStartLevels_ = starts == TableStarts::Every && length <= EveryStartLengthLimit ? EveryStartLevels : 1;
    const Size reachShare = std::sqrt(epsilon);
    const Size safeNorm = limit * Size(SafeLimitShare);
    const Size nearNorm = limit * (Size(2) - Size(SafeLimitShare));
    enum class PassTests { Clear, NearLimit, Refused };
    const auto testsOf = [&](int64_t m) {
        PassTests tests = PassTests::Clear;
        for (int64_t k = tested == TestedValues::Every ? 0 : 3; k < 4; ++k) {
            const Size re = Sizes::Leading(orbit[m + k].re), im = Sizes::Leading(orbit[m + k].im);
            const Size norm = re * re + im * im;
            if (norm < safeNorm)
                continue;
            if (!(nearLimit == NearLimitTests::LandingChecked && norm <= nearNorm))
                return PassTests::Refused;
            tests = PassTests::NearLimit;
        }
        return tests;
    };
    const auto single = [&](int64_t m) {
        const OrbitValue<T>& z = orbit[m];
        BlaStep<T> step{z.re + z.re, z.im + z.im, Sizes::From(1), Sizes::From(0),
                        2 * reachShare * Magnitude(z.re, z.im)};
        if (!(step.radius > 0) || !std::isfinite(step.radius))
            step.radius = -1;
        SetModuli(step);
        return step;
    };
    Steps passes(static_cast<size_t>(lastLanding - 3));
    InParts(static_cast<int64_t>(passes.size()), threads, [&](int64_t first, int64_t end) {
        // The single steps a pass merges, four at a time: a whole orbit's
        // worth would be megabytes of pages touched once.
        BlaStep<T> window[4];
        for (int64_t m = first; m < first + 3; ++m)
            window[m % 4] = single(m);
        for (int64_t m = first; m < end; ++m) {
            window[(m + 3) % 4] = single(m + 3);
            BlaStep<T> step = Merge(Merge(window[m % 4], window[(m + 1) % 4], maxDc),
                                    Merge(window[(m + 2) % 4], window[(m + 3) % 4], maxDc), maxDc);
            const PassTests tests = testsOf(m);
            if (tests == PassTests::Refused)
                step.radius = -1;
            step.checkLanding = tests == PassTests::NearLimit;
            passes[m] = step;
        }
    });
    levels_.push_back(std::move(passes));
    for (int64_t span = 8; span <= lastLanding; span *= 2) {
        const Steps& below = levels_.back();
        const int64_t k = static_cast<int64_t>(levels_.size());
        const auto startOf = [&](int64_t index) {
            return k < everyStartLevels_ ? index : ((index >> 2) << (k + 2)) + (index & 3);
        };
        // The steps start in order: as many as start early enough.
        int64_t count = 0;
        while (startOf(count) + span <= lastLanding)
            ++count;
        if (count == 0)
            break;
        Steps level(static_cast<size_t>(count));
        InParts(count, threads, [&](int64_t first, int64_t end) {
            for (int64_t index = first; index < end; ++index) {
                const int64_t m = startOf(index);
                level[index] = Merge(below[IndexOf(k - 1, m)], below[IndexOf(k - 1, m + span / 2)], maxDc);
            }
        });
        levels_.push_back(std::move(level));
    }
    size_t total = 0;
    for (const Steps& level : levels_) {
        radiusStarts_.push_back(total);
        total += level.size();
    }
    radii_.resize(total);
    for (size_t k = 0; k < levels_.size(); ++k)
        for (size_t index = 0; index < levels_[k].size(); ++index)
            radii_[radiusStarts_[k] + index] = levels_[k][index].radius;
    firstCount_ = levels_[0].size();
}

template class BlaTable<double>;
template class BlaTable<long double>;
template class BlaTable<DoubleDouble>;
