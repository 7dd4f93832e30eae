#include "engine/kernels_perturbation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <immintrin.h>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

#include "engine/big_to_hardware.h"
#include "engine/deep_pixel.h"
#include "engine/fractal_state.h"

namespace {

// Differences below this size are followed with a wider exponent; above it
// long double holds them, and a frame's dc (below long double's range there)
// no longer changes their rounding.
const long double WideRangeEnd = std::ldexp(1.0L, -15000);

struct SkippedIterations {
    int64_t byTable = 0;
    int64_t byRepeat = 0;
};

void AddSkipped(PerturbationCounts& counts, const SkippedIterations& skipped)
{
    counts.skippedIterations.fetch_add(skipped.byTable);
    counts.repeatedIterations.fetch_add(skipped.byRepeat);
}

template <typename D>
inline D Size(D re, D im)
{
    using std::fabs;
    return fabs(re) + fabs(im);
}

// Where a pixel stands: z = Z_m + delta on one orbit of values T, delta and
// z of type D (T, or T with a wider exponent).
template <typename T, typename D>
struct Cursor {
    const OrbitValue<T>* orbit;
    int64_t last;  // index of the orbit's last value
    const BlaTable<T>* table;
    int64_t m;
    D dr, di;
    D zr, zi;
};

template <typename T, typename D>
inline void Rebase(Cursor<T, D>& p, const HardwareOrbit<T>& zero)
{
    p.dr = p.zr;
    p.di = p.zi;
    p.orbit = zero.values.data();
    p.last = static_cast<int64_t>(zero.values.size()) - 1;
    p.table = &zero.table;
    p.m = 0;
}

template <typename T, typename D>
inline Cursor<T, T> Narrowed(const Cursor<T, D>& p)
{
    return {p.orbit, p.last, p.table, p.m, ToHardware(p.dr), ToHardware(p.di), ToHardware(p.zr), ToHardware(p.zi)};
}

template <typename D>
inline bool SameBits(D x, D y)
{
    if constexpr (IsWideFloat<D>::value)
        return SameBits(x.Mantissa(), y.Mantissa()) && x.Exponent() == y.Exponent();
    else
        return x == y && std::signbit(x) == std::signbit(y);
}

// Everything a pass start's future depends on, but for the count.
template <typename T, typename D>
inline bool SameState(const Cursor<T, D>& p, double previous, const Cursor<T, D>& saved, double savedPrevious)
{
    return p.m == saved.m && p.orbit == saved.orbit && SameBits(p.dr, saved.dr) && SameBits(p.di, saved.di) &&
           SameBits(p.zr, saved.zr) && SameBits(p.zi, saved.zi) &&
           std::bit_cast<uint64_t>(previous) == std::bit_cast<uint64_t>(savedPrevious);
}

// delta := (2 Z + delta) delta + dc, then z = Z + delta. A pixel closer to 0
// than to the orbit continues on the orbit of 0 from its start; so does one
// that reaches the orbit's end once it is certain to escape. False when the
// pixel cannot be followed further.
template <typename T, typename D, typename Frame>
[[gnu::always_inline]] inline bool Step(Cursor<T, D>& p, D dcr, D dci, const Frame& f)
{
    const OrbitValue<T> z = p.orbit[p.m];
    const D sumRe = D(z.re + z.re) + p.dr;
    const D sumIm = D(z.im + z.im) + p.di;
    const D dr = (sumRe * p.dr - sumIm * p.di) + dcr;
    const D di = (sumRe * p.di + sumIm * p.dr) + dci;
    p.dr = dr;
    p.di = di;
    ++p.m;
    const OrbitValue<T> next = p.orbit[p.m];
    p.zr = D(next.re) + dr;
    p.zi = D(next.im) + di;
    // Also where the orbit itself passes closer to 0 than the difference:
    // at a periodic reference's returns to 0, rounding decides the first.
    const D deltaSize = Size(dr, di);
    if (Size(p.zr, p.zi) < deltaSize || D(Size(next.re, next.im)) < deltaSize) {
        Rebase(p, f.RebaseOrbit());
    } else if (p.m == p.last) {
        if (!(ToHardware(p.zr * p.zr + p.zi * p.zi) > f.escapeNorm))
            return false;
        Rebase(p, f.RebaseOrbit());
    }
    return p.m < p.last;
}

template <typename T>
inline T Modulus(T re, T im)
{
    return std::sqrt(re * re + im * im);
}

// A first-order bound on the rounding error z carries: a pass multiplies it
// by the product of its |2 z| and adds the rounding of its new difference, a
// table step multiplies it by |A| and adds the terms it dropped. Where it
// comes near |z| itself (checked at pass ends), the hardware's digits no
// longer decide the pixel: long chaotic orbits after a pixel left its
// reference. Untracked, it costs nothing.
template <typename T, bool Tracked>
struct RoundingBound {
    static constexpr T Share = T(0.25);
    static constexpr T Unit = std::numeric_limits<T>::epsilon();
    T bound = 0;
    T squares = 1;  // the product of |2 z|^2 over the pass so far
    bool doubtful = false;

    template <typename D>
    void Start(const D& dr, const D& di)
    {
        if constexpr (Tracked)
            bound = Unit * ToHardware(Size(dr, di));
    }

    // Before a step from z.
    template <typename D>
    void Multiply(const D& zr, const D& zi)
    {
        if constexpr (Tracked) {
            const T re = ToHardware(zr);
            const T im = ToHardware(zi);
            squares *= T(4) * (re * re + im * im);
        }
    }

    template <typename D>
    void EndPass(const Cursor<T, D>& p)
    {
        if constexpr (Tracked) {
            Grow(std::sqrt(squares), T(4) * Unit, p);
            squares = 1;
        }
    }

    template <typename D>
    void AfterTableStep(const BlaStep<T>& step, int64_t iterations, T epsilon, const Cursor<T, D>& p)
    {
        if constexpr (Tracked)
            Grow(Modulus(step.aRe, step.aIm), Unit + T(iterations) * epsilon, p);
    }

private:
    template <typename D>
    void Grow(T factor, T rounding, const Cursor<T, D>& p)
    {
        bound = factor * bound + rounding * ToHardware(Size(p.dr, p.di));
        const T zr = ToHardware(p.zr);
        const T zi = ToHardware(p.zi);
        doubtful |= bound * bound > Share * Share * (zr * zr + zi * zi);
    }
};

template <typename T, typename D, typename Frame, bool Tracked>
[[gnu::always_inline]] inline bool BoundedStep(Cursor<T, D>& p, D dcr, D dci, const Frame& f,
                                               RoundingBound<T, Tracked>& rounding)
{
    rounding.Multiply(p.zr, p.zi);
    return Step(p, dcr, dci, f);
}

enum class PassEnd { Next, Escaped, Failed };

// The deep kernel's passes with z iterated as Z + delta from p at count e,
// one at a time: passes of four iterations with the pre-test of the fourth,
// table steps over whole passes whose pre-tests cannot fire.
// A pass start's state repeating bit for bit repeats the passes between for
// ever: Brent's method saves it at power-of-two pass counts, and a match
// skips whole periods while every table step of them stays clear of the cap
// that the end of the iterations puts on table steps, so that what follows
// is exactly what iterating the periods would have given.
template <int Variant, typename T, typename D, typename Frame, bool Tracked>
struct PassLoop {
    static constexpr bool Lagged = Variant >= 3;
    const Frame* f;
    SkippedIterations* skipped;
    Cursor<T, D> p;
    int64_t e;
    double previous;
    D dcr, dci;
    RoundingBound<T, Tracked> rounding;
    D passZr = p.zr, passZi = p.zi;  // z at the last pass start
    Cursor<T, D> saved = p;
    double savedPrevious = previous;
    int64_t savedAt = -1;  // the count where saved was taken; -1: none, or the cycle is already skipped
    int64_t longestStep = 0;  // passes of the longest table step since then
    int64_t starts = 0;
    int64_t saveAt = 1;

    bool Running() const { return e <= f->iterMax; }

    // Before a pass: a repeat's skip, then the table's steps.
    void Begin()
    {
        const int64_t iterMax = f->iterMax;
        if (savedAt >= 0 && f->findCycles && SameState(p, previous, saved, savedPrevious)) {
            const int64_t period = e - savedAt;
            // A table step of n passes is the cap's choice too while the cap
            // allows 2n: the next level was refused for its own reasons.
            const int64_t periods = (iterMax - e - (8 * longestStep + 4)) / period;
            if (periods > 0) {
                e += periods * period;
                skipped->byRepeat += periods * period;
            }
            savedAt = -1;
            saveAt = std::numeric_limits<int64_t>::max();
        } else if (++starts == saveAt) {
            saved = p;
            savedPrevious = previous;
            savedAt = e;
            longestStep = 0;
            saveAt *= 2;
        }
        // Skips end at a pass start that still runs, so the saved pass
        // start and the count are the passes' own; the lagged d is only
        // compared with 4, and every skipped pre-test stayed below it.
        if (f->useTable && (!Lagged || previous <= 4.0)) {
            int64_t passes = 0;
            while (iterMax - e >= 4) {
                const BlaStep<T>* s = p.table->Find(p.m, Size(p.dr, p.di), (iterMax - e) / 4, passes);
                if (!s)
                    break;
                const D dr = (D(s->aRe) * p.dr - D(s->aIm) * p.di) + (D(s->bRe) * dcr - D(s->bIm) * dci);
                const D di = (D(s->aRe) * p.di + D(s->aIm) * p.dr) + (D(s->bRe) * dci + D(s->bIm) * dcr);
                p.dr = dr;
                p.di = di;
                longestStep = std::max(longestStep, passes);
                p.m += 4 * passes;
                e += 4 * passes;
                skipped->byTable += 4 * passes;
                p.zr = D(p.orbit[p.m].re) + dr;
                p.zi = D(p.orbit[p.m].im) + di;
                rounding.AfterTableStep(*s, 4 * passes, f->tableEpsilon, p);
                const OrbitValue<T>& preTested = p.orbit[p.m - 1];
                previous = TruncatedToDouble(preTested.re * preTested.re + preTested.im * preTested.im);
            }
        }
        passZr = p.zr;
        passZi = p.zi;
    }

    // The pass's four steps and its test.
    PassEnd Run()
    {
        if (!BoundedStep(p, dcr, dci, *f, rounding) || !BoundedStep(p, dcr, dci, *f, rounding) ||
            !BoundedStep(p, dcr, dci, *f, rounding))
            return PassEnd::Failed;
        const T s = ToHardware(p.zr * p.zr + p.zi * p.zi);
        if (!(s <= std::numeric_limits<T>::max()))
            return PassEnd::Failed;
        if (Lagged) {
            if (previous > 4.0)
                return PassEnd::Escaped;
            previous = TruncatedToDouble(s);
        } else if (s > T(4)) {
            return PassEnd::Escaped;
        }
        if (!BoundedStep(p, dcr, dci, *f, rounding))
            return PassEnd::Failed;
        rounding.EndPass(p);
        e += 4;
        return PassEnd::Next;
    }
};

// All passes from p at count e. Leaves the last pass start's z in zr, zi
// and its count in e. A difference that outgrows the wide range continues
// in T. False when the deep kernel must compute the pixel.
template <int Variant, typename T, typename D, typename Frame, bool Tracked>
bool RunPasses(const Frame& f, Cursor<T, D> p, int64_t& e, double previous, D dcr, D dci, long double& zr,
               long double& zi, SkippedIterations& skipped, RoundingBound<T, Tracked>& rounding)
{
    PassLoop<Variant, T, D, Frame, Tracked> loop{&f, &skipped, p, e, previous, dcr, dci, rounding};
    while (loop.Running()) {
        if constexpr (IsWideFloat<D>::value) {
            if (!(Size(loop.p.dr, loop.p.di) < D(WideRangeEnd))) {
                e = loop.e;
                rounding = loop.rounding;
                return RunPasses<Variant>(f, Narrowed(loop.p), e, loop.previous, ToHardware(dcr), ToHardware(dci),
                                          zr, zi, skipped, rounding);
            }
        }
        loop.Begin();
        const PassEnd end = loop.Run();
        if (end == PassEnd::Failed)
            return false;
        if (end == PassEnd::Escaped)
            break;
    }
    e = loop.e;
    rounding = loop.rounding;
    zr = ToHardware(loop.passZr);
    zi = ToHardware(loop.passZi);
    return true;
}

// How a pixel was computed.
enum class Outcome { Followed, Doubtful, Exact };

// A pixel's own values: its first difference, its dc and its c.
template <typename D>
struct PixelStart {
    D d0r, d0i, dcr, dci;
    long double cr, ci;
};

template <typename D>
PixelStart<D> StartOf(const PerturbationFrame<D>& f, int32_t row, int32_t k)
{
    const D d0r = f.deltaRe[k];
    const D d0i = f.deltaIm[row];
    if (f.mandelbrot)
        return {d0r, d0i, d0r, d0i, f.pixelRe[k], f.pixelIm[row]};
    return {d0r, d0i, D(0), D(0), f.juliaRe, f.juliaIm};
}

// The pixel's cursor at its first pass; false when the orbit is too short.
template <typename D>
bool FirstCursor(const PerturbationFrame<D>& f, const PixelStart<D>& pixel, Cursor<Hardware<D>, D>& p)
{
    p = {f.start.values.data(), static_cast<int64_t>(f.start.values.size()) - 1, &f.start.table,
         f.startIndex, pixel.d0r, pixel.d0i, D(0), D(0)};
    if (p.m >= p.last)
        return false;
    p.zr = D(p.orbit[p.m].re) + pixel.d0r;
    p.zi = D(p.orbit[p.m].im) + pixel.d0i;
    return true;
}

// The count where the first pass starts, and the lagged test's value there.
constexpr int64_t FirstPassCount = 3;
constexpr double FirstPrevious = 2.0;

// After the passes: the variant's single steps in long double from the last
// pass start (z in zr, zi at count e); Doubtful when the rounding bound came
// near z.
template <int Variant, typename D>
Outcome FinishPixel(const PerturbationFrame<D>& f, bool doubtful, int64_t e, long double zr, long double zi,
                    long double cr, long double ci, int32_t& count, float& aOut, float& bOut)
{
    if (doubtful)
        return Outcome::Doubtful;
    const int64_t iterMax = f.iterMax;
    const long double bailout = static_cast<long double>(f.bailout);
    for (int64_t j = e - 3; j <= iterMax; ++j) {
        const long double t = zi * zr;
        const long double a = zr * zr;
        const long double b = Variant == 5 ? zi * t : zi * zi;
        if (!std::isfinite(t) || !std::isfinite(a) || !std::isfinite(b))
            return Outcome::Exact;
        long double s;
        if (Variant == 1 || Variant == 4)
            s = b + a;
        else if (Variant == 5)
            s = b + t;
        else
            s = t + a;
        if (s > bailout) {
            aOut = static_cast<float>(TruncatedToDouble(a));
            bOut = static_cast<float>(TruncatedToDouble(b));
            count = ToStoredCount(Variant == 2 ? j : j + 5);
            return Outcome::Followed;
        }
        zr = (a - b) + cr;
        zi = (t + t) + ci;
    }
    aOut = static_cast<float>(TruncatedToDouble(zr));
    bOut = static_cast<float>(TruncatedToDouble(zi));
    count = 0;
    return Outcome::Followed;
}

// The deep kernel's pixel: the passes by perturbation, then the single
// steps. Exact when the deep kernel must compute the pixel.
template <typename D, int Variant, bool Tracked>
Outcome PerturbedPixel(const PerturbationFrame<D>& f, const PixelStart<D>& pixel, int32_t& count, float& aOut,
                       float& bOut, SkippedIterations& skipped)
{
    using T = Hardware<D>;
    Cursor<T, D> p;
    if (!FirstCursor(f, pixel, p))
        return Outcome::Exact;
    int64_t e = FirstPassCount;
    long double zr = 0, zi = 0;
    RoundingBound<T, Tracked> rounding;
    rounding.Start(pixel.d0r, pixel.d0i);
    if (!RunPasses<Variant>(f, p, e, FirstPrevious, pixel.dcr, pixel.dci, zr, zi, skipped, rounding))
        return Outcome::Exact;
    return FinishPixel<Variant>(f, rounding.doubtful, e, zr, zi, pixel.cr, pixel.ci, count, aOut, bOut);
}

// A pixel's outcome into the outputs: marked doubtful, or computed by the
// deep kernel where perturbation could not follow it.
template <typename D, int Variant>
Outcome StorePixel(const PerturbationFrame<D>& f, int32_t row, int32_t k, Outcome outcome, int32_t count, float a,
                   float b, DeepRegisters& exact)
{
    // Escaped pixels on a real line are computed again as the view's precision decides them.
    if (outcome != Outcome::Exact && (f.realRow[row] != 0 || f.realColumn[k] != 0) &&
        (outcome == Outcome::Doubtful || count != 0))
        outcome = Outcome::Exact;
    const size_t at = static_cast<size_t>(row - f.firstRow) * f.width + k;
    if (outcome == Outcome::Doubtful) {
        if (f.doubtfulOut) {
            f.doubtfulOut[at] = 1;
            return outcome;
        }
        outcome = Outcome::Exact;
    }
    if (outcome == Outcome::Exact) {
        mpf_set(exact.zr, f.columnRe[k]);
        mpf_set(exact.zi, f.rowIm[row]);
        mpf_srcptr cr = f.mandelbrot ? f.columnRe[k].get() : f.bigJuliaRe.get();
        mpf_srcptr ci = f.mandelbrot ? f.rowIm[row].get() : f.bigJuliaIm.get();
        count = DeepPixel<Variant>(exact, cr, ci, f.iterMax, f.bailout, a, b);
    }
    f.iterOut[at] = count;
    f.aOut[at] = a;
    f.bOut[at] = b;
    return outcome;
}

// One pixel into the outputs.
template <typename D, int Variant, bool Tracked>
Outcome ComputePixel(const PerturbationFrame<D>& f, int32_t row, int32_t k, DeepRegisters& exact,
                     SkippedIterations& skipped)
{
    int32_t count = 0;
    float a = 0, b = 0;
    const Outcome outcome = PerturbedPixel<D, Variant, Tracked>(f, StartOf(f, row, k), count, a, b, skipped);
    return StorePixel<D, Variant>(f, row, k, outcome, count, a, b, exact);
}

// A worker's counts, added to the frame's shared ones a row at a time.
struct Tally {
    int64_t perturbed = 0;
    int64_t doubtful = 0;
    int64_t exact = 0;
    SkippedIterations skipped;

    void Count(Outcome outcome)
    {
        ++(outcome == Outcome::Followed ? perturbed : outcome == Outcome::Doubtful ? doubtful : exact);
    }

    void AddTo(PerturbationCounts& counts)
    {
        counts.perturbed.fetch_add(perturbed);
        counts.doubtful.fetch_add(doubtful);
        counts.exact.fetch_add(exact);
        AddSkipped(counts, skipped);
        *this = {};
    }
};

// Rows handed out by nextRow, each computed by computeRow(f, row, exact,
// tally), until none is left or a row stops (returns false).
template <typename D, typename ComputeRow>
void HandOutRows(const PerturbationFrame<D>& f, RelaxedAtomic<int32_t>& nextRow, RelaxedAtomic<int32_t>& rowsDone,
                 PerturbationCounts& counts, ComputeRow&& computeRow)
{
    DeepRegisters exact(f.bits);
    for (;;) {
        const int32_t row = f.firstRow + nextRow.fetch_add(1);
        if (row >= f.firstRow + f.rows)
            return;
        Tally tally;
        const bool finished = computeRow(f, row, exact, tally);
        tally.AddTo(counts);
        if (!finished)
            return;
        rowsDone.fetch_add(1);
    }
}

// A row's pixels one after the other; false when StopRequest stopped it.
template <typename D, int Variant, bool Tracked>
bool RunRow(const PerturbationFrame<D>& f, int32_t row, DeepRegisters& exact, Tally& tally)
{
    for (int32_t k = 0; k < f.width; ++k) {
        tally.Count(ComputePixel<D, Variant, Tracked>(f, row, k, exact, tally.skipped));
        if (State.StopRequest.load() == 1)
            return false;
    }
    return true;
}

// Pixels in double run their passes side by side, one lane of a vector
// each: a lone pixel's step is one long chain of dependent operations, and
// independent pixels fill the processor's pipelines between its links.
constexpr int Lanes = 4;
using LaneValues = double __attribute__((vector_size(8 * Lanes)));
using LaneMask = int64_t __attribute__((vector_size(8 * Lanes)));

// Calls body(lane) with every lane's index as a constant: vector elements
// indexed by constants stay in registers.
template <typename Body>
[[gnu::always_inline]] inline void ForLanes(Body&& body)
{
    [&]<int... L>(std::integer_sequence<int, L...>) __attribute__((always_inline)) {
        (body(L), ...);
    }(std::make_integer_sequence<int, Lanes>{});
}

// |x| lane by lane; Blend: x in the lanes `take` marks, `otherwise` in the rest.
__attribute__((target("avx2"), always_inline)) inline LaneValues Magnitude(LaneValues x)
{
    return reinterpret_cast<LaneValues>(reinterpret_cast<LaneMask>(x) & std::numeric_limits<int64_t>::max());
}

__attribute__((target("avx2"), always_inline)) inline LaneValues Blend(LaneMask take, LaneValues x,
                                                                        LaneValues otherwise)
{
    return reinterpret_cast<LaneValues>((reinterpret_cast<LaneMask>(x) & take) |
                                        (reinterpret_cast<LaneMask>(otherwise) & ~take));
}

template <int Variant, bool Tracked>
using DoubleLoop = PassLoop<Variant, double, double, PerturbationFrame<double>, Tracked>;

// Where a lane stands when the lanes stop.
enum class LaneEnd { BeforeBegin, AfterBegin, Escaped, Failed };

// PassLoop's passes for the lanes in `running` at once, each lane's
// operations and their order exactly those of Step and RoundingBound, so
// that every pixel's values are the one-pixel loop's to the bit. At pass
// starts a lane's own loop does Begin where there is more to do than count
// the pass (a repeat to compare or save, a table step). The lanes stop when
// a pixel ends, or one's count is spent or its orbit's end is near. Every
// running lane has had Begin for the first pass, and no lane reaches its
// orbit's end within it; lanes outside `running` point at a running lane's
// loop, are left alone and idle on the rebase orbit (more than five values).
// In whole vector registers only: the halves of a vector cost more than one
// pixel's chain saves.
template <int Variant, bool Tracked>
__attribute__((target("avx2"))) void RunLanes(DoubleLoop<Variant, Tracked>* const* loops, unsigned running,
                                              LaneEnd* ends)
{
    using Values = LaneValues;
    using Bound = RoundingBound<double, Tracked>;
    constexpr bool Lagged = DoubleLoop<Variant, Tracked>::Lagged;
    const PerturbationFrame<double>& f = *loops[0]->f;
    const HardwareOrbit<double>& rebaseOrbit = f.RebaseOrbit();
    const int64_t rebaseLast = static_cast<int64_t>(rebaseOrbit.values.size()) - 1;
    const OrbitValue<double>* const rebaseBase = rebaseOrbit.values.data();
    Values dr, di, zr, zi, dcr, dci, previous, bound, passZr, passZi;
    LaneMask doubtful;
    // Z at each lane's m, and the orbit each lane is on (its table and last
    // index follow from it).
    Values orbitRe, orbitIm;
    const OrbitValue<double>* base[Lanes];
    const BlaTable<double>* startTable[Lanes];
    int64_t startLast[Lanes];
    int64_t m[Lanes], e[Lanes], starts[Lanes];
    const auto onRebase = [&](int l) { return base[l] == rebaseBase; };
    const auto tableOf = [&](int l) { return onRebase(l) ? &rebaseOrbit.table : startTable[l]; };
    const auto lastOf = [&](int l) { return onRebase(l) ? rebaseLast : startLast[l]; };
    const auto load = [&](auto l) __attribute__((always_inline)) {
        const auto& q = *loops[l];
        dr[l] = q.p.dr;
        di[l] = q.p.di;
        zr[l] = q.p.zr;
        zi[l] = q.p.zi;
        previous[l] = q.previous;
        passZr[l] = q.passZr;
        passZi[l] = q.passZi;
        bound[l] = q.rounding.bound;
        doubtful[l] = q.rounding.doubtful ? -1 : 0;
        base[l] = q.p.orbit;
        startTable[l] = q.p.table;
        startLast[l] = q.p.last;
        m[l] = q.p.m;
        orbitRe[l] = q.p.orbit[q.p.m].re;
        orbitIm[l] = q.p.orbit[q.p.m].im;
        e[l] = q.e;
        starts[l] = q.starts;
    };
    const auto store = [&](auto l) __attribute__((always_inline)) {
        auto& q = *loops[l];
        q.p = {base[l], lastOf(l), tableOf(l), m[l], dr[l], di[l], zr[l], zi[l]};
        q.previous = previous[l];
        q.passZr = passZr[l];
        q.passZi = passZi[l];
        q.rounding.bound = bound[l];
        q.rounding.doubtful = doubtful[l] != 0;
        q.e = e[l];
        q.starts = starts[l];
    };
    ForLanes([&](auto l) __attribute__((always_inline)) {
        load(l);
        dcr[l] = loops[l]->dcr;
        dci[l] = loops[l]->dci;
    });
    const Values rebaseRe = Values{} + rebaseBase[0].re;
    const Values rebaseIm = Values{} + rebaseBase[0].im;
    Values squares;
    const auto step = [&]() __attribute__((always_inline, target("avx2"))) {
        if constexpr (Tracked)
            squares = squares * (4.0 * (zr * zr + zi * zi));
        const Values sumRe = (orbitRe + orbitRe) + dr;
        const Values sumIm = (orbitIm + orbitIm) + di;
        const Values nextDr = (sumRe * dr - sumIm * di) + dcr;
        const Values nextDi = (sumRe * di + sumIm * dr) + dci;
        Values nextRe, nextIm;
        ForLanes([&](auto l) __attribute__((always_inline)) {
            ++m[l];
            nextRe[l] = base[l][m[l]].re;
            nextIm[l] = base[l][m[l]].im;
        });
        zr = nextRe + nextDr;
        zi = nextIm + nextDi;
        const Values deltaSize = Magnitude(nextDr) + Magnitude(nextDi);
        const LaneMask rebase = (Magnitude(zr) + Magnitude(zi) < deltaSize) |
                                (Magnitude(nextRe) + Magnitude(nextIm) < deltaSize);
        // Rebases are rare: a branch the processor predicts keeps the
        // blends off the chain from one step to the next.
        if (_mm256_testz_si256(reinterpret_cast<__m256i>(rebase), reinterpret_cast<__m256i>(rebase))) [[likely]] {
            dr = nextDr;
            di = nextDi;
            orbitRe = nextRe;
            orbitIm = nextIm;
            return;
        }
        dr = Blend(rebase, zr, nextDr);
        di = Blend(rebase, zi, nextDi);
        orbitRe = Blend(rebase, rebaseRe, nextRe);
        orbitIm = Blend(rebase, rebaseIm, nextIm);
        ForLanes([&](auto l) __attribute__((always_inline)) {
            if (rebase[l] != 0) {
                base[l] = rebaseBase;
                m[l] = 0;
            }
        });
    };
    // Whether Begin has more to do at lane l's pass start than count the pass.
    const auto needsBegin = [&](auto l) __attribute__((always_inline)) {
        const auto& q = *loops[l];
        if (starts[l] + 1 == q.saveAt)
            return true;
        if (f.useTable && (!Lagged || previous[l] <= 4.0) &&
            tableOf(l)->MayStep(m[l], std::fabs(dr[l]) + std::fabs(di[l])))
            return true;
        const Cursor<double, double>& saved = q.saved;
        return q.savedAt >= 0 && f.findCycles && m[l] == saved.m && base[l] == saved.orbit &&
               SameBits(dr[l], saved.dr) && SameBits(di[l], saved.di) && SameBits(zr[l], saved.zr) &&
               SameBits(zi[l], saved.zi) &&
               std::bit_cast<uint64_t>(previous[l]) == std::bit_cast<uint64_t>(q.savedPrevious);
    };
    for (;;) {
        squares = Values{} + 1.0;
        step();
        step();
        step();
        const Values s = zr * zr + zi * zi;
        const LaneMask failed = ~(s <= std::numeric_limits<double>::max());
        LaneMask escaped;
        if constexpr (Lagged) {
            escaped = previous > 4.0;
            previous = s;
        } else {
            escaped = s > 4.0;
        }
        step();
        const LaneMask ended = failed | escaped;
        if constexpr (Tracked) {
            const Values factor = reinterpret_cast<Values>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(squares)));
            bound = factor * bound + (4.0 * Bound::Unit) * (Magnitude(dr) + Magnitude(di));
            doubtful |= (bound * bound > (Bound::Share * Bound::Share) * (zr * zr + zi * zi)) & ~ended;
        }
        bool leave = false;
        ForLanes([&](auto l) __attribute__((always_inline)) {
            if ((running >> l & 1) == 0) {
                // An idle lane stays at the start of an orbit longer than a pass.
                dr[l] = 0;
                di[l] = 0;
                base[l] = rebaseBase;
                m[l] = 0;
                orbitRe[l] = rebaseBase[0].re;
                orbitIm[l] = rebaseBase[0].im;
                return;
            }
            if (ended[l] != 0) {
                ends[l] = failed[l] != 0 ? LaneEnd::Failed : LaneEnd::Escaped;
                leave = true;
                return;
            }
            e[l] += 4;
            ends[l] = LaneEnd::BeforeBegin;
            if (e[l] > f.iterMax || m[l] + 4 >= lastOf(l)) {
                leave = true;
            } else if (needsBegin(l)) {
                store(l);
                loops[l]->Begin();
                load(l);
                ends[l] = LaneEnd::AfterBegin;
                leave |= m[l] + 4 >= lastOf(l);
            } else {
                ++starts[l];
                passZr[l] = zr[l];
                passZi[l] = zi[l];
            }
        });
        if (leave)
            break;
    }
    ForLanes([&](auto l) __attribute__((always_inline)) {
        if ((running >> l & 1) != 0)
            store(l);
    });
}

bool LanesAvailable()
{
    return __builtin_cpu_supports("avx2");
}

// A row's pixels through the lanes: each lane takes the row's next pixel
// when its own is done. A pass near its orbit's end runs alone.
template <int Variant, bool Tracked>
bool RunRowInLanes(const PerturbationFrame<double>& f, int32_t row, DeepRegisters& exact, Tally& tally)
{
    using Loop = DoubleLoop<Variant, Tracked>;
    const bool rebaseLong = f.RebaseOrbit().values.size() > 5;
    std::optional<Loop> loops[Lanes];
    bool begun[Lanes] = {};
    PixelStart<double> pixels[Lanes];
    int32_t columns[Lanes];
    int32_t next = 0;
    const auto take = [&](int l) {
        loops[l].reset();
        begun[l] = false;
        while (next < f.width) {
            const int32_t k = next++;
            const PixelStart<double> pixel = StartOf(f, row, k);
            Cursor<double, double> p;
            if (!FirstCursor(f, pixel, p)) {
                tally.Count(StorePixel<double, Variant>(f, row, k, Outcome::Exact, 0, 0, 0, exact));
                continue;
            }
            RoundingBound<double, Tracked> rounding;
            rounding.Start(pixel.d0r, pixel.d0i);
            loops[l] = Loop{&f, &tally.skipped, p, FirstPassCount, FirstPrevious, pixel.dcr, pixel.dci, rounding};
            pixels[l] = pixel;
            columns[l] = k;
            return;
        }
    };
    const auto finish = [&](int l, PassEnd end) {
        const Loop& q = *loops[l];
        int32_t count = 0;
        float a = 0, b = 0;
        const Outcome outcome = end == PassEnd::Failed
                                    ? Outcome::Exact
                                    : FinishPixel<Variant>(f, q.rounding.doubtful, q.e, q.passZr, q.passZi,
                                                           pixels[l].cr, pixels[l].ci, count, a, b);
        tally.Count(StorePixel<double, Variant>(f, row, columns[l], outcome, count, a, b, exact));
        take(l);
    };
    for (int l = 0; l < Lanes; ++l)
        take(l);
    for (;;) {
        unsigned running = 0;
        for (int l = 0; l < Lanes; ++l) {
            // Lane l to a pass start after Begin that the lanes can take.
            while (loops[l]) {
                Loop& q = *loops[l];
                if (!begun[l]) {
                    if (!q.Running()) {
                        finish(l, PassEnd::Escaped);
                        continue;
                    }
                    q.Begin();
                    begun[l] = true;
                }
                if (rebaseLong && q.p.m + 4 < q.p.last) {
                    running |= 1u << l;
                    break;
                }
                const PassEnd end = q.Run();
                begun[l] = false;
                if (end != PassEnd::Next)
                    finish(l, end);
            }
        }
        if (running == 0)
            return true;
        Loop* together[Lanes];
        Loop* const first = &*loops[std::countr_zero(running)];
        for (int l = 0; l < Lanes; ++l)
            together[l] = (running >> l & 1) != 0 ? &*loops[l] : first;
        LaneEnd ends[Lanes];
        RunLanes<Variant, Tracked>(together, running, ends);
        for (int l = 0; l < Lanes; ++l) {
            if ((running >> l & 1) == 0)
                continue;
            begun[l] = ends[l] == LaneEnd::AfterBegin;
            if (ends[l] == LaneEnd::Escaped || ends[l] == LaneEnd::Failed)
                finish(l, ends[l] == LaneEnd::Failed ? PassEnd::Failed : PassEnd::Escaped);
        }
        if (State.StopRequest.load() == 1)
            return false;
    }
}

template <typename D, int Variant, bool Tracked>
void RunListed(const PerturbationFrame<D>& f, const std::vector<int32_t>& pixels, RelaxedAtomic<int32_t>& next,
               PerturbationCounts& counts)
{
    DeepRegisters exact(f.bits);
    Tally tally;
    for (;;) {
        const int32_t i = next.fetch_add(1);
        if (i >= static_cast<int32_t>(pixels.size()) || State.StopRequest.load() == 1)
            break;
        tally.Count(ComputePixel<D, Variant, Tracked>(f, f.firstRow + pixels[i] / f.width, pixels[i] % f.width,
                                                      exact, tally.skipped));
    }
    tally.AddTo(counts);
}

// Calls run.template operator()<Variant, Tracked>() for the frame's variant
// and whether it bounds its rounding.
template <typename D, typename Run>
void ForVariant(const PerturbationFrame<D>& frame, Run&& run)
{
    const auto tracked = [&]<int Variant>() {
        if (frame.boundRounding)
            run.template operator()<Variant, true>();
        else
            run.template operator()<Variant, false>();
    };
    switch (frame.variant) {
    case 2: tracked.template operator()<2>(); break;
    case 3: tracked.template operator()<3>(); break;
    case 4: tracked.template operator()<4>(); break;
    case 5: tracked.template operator()<5>(); break;
    default: tracked.template operator()<1>(); break;
    }
}

}  // namespace

template <typename D>
void RunPerturbationRows(const PerturbationFrame<D>& frame, RelaxedAtomic<int32_t>& nextRow,
                         RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts)
{
    ForVariant(frame, [&]<int Variant, bool Tracked>() {
        if constexpr (std::is_same_v<D, double>) {
            if (frame.useLanes && LanesAvailable()) {
                HandOutRows(frame, nextRow, rowsDone, counts, RunRowInLanes<Variant, Tracked>);
                return;
            }
        }
        HandOutRows(frame, nextRow, rowsDone, counts, RunRow<D, Variant, Tracked>);
    });
}

template <typename D>
void RunPerturbationPixels(const PerturbationFrame<D>& frame, const std::vector<int32_t>& pixels,
                           RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    ForVariant(frame,
               [&]<int Variant, bool Tracked>() { RunListed<D, Variant, Tracked>(frame, pixels, next, counts); });
}

template void RunPerturbationRows<double>(const PerturbationFrame<double>&, RelaxedAtomic<int32_t>&,
                                          RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationRows<long double>(const PerturbationFrame<long double>&, RelaxedAtomic<int32_t>&,
                                               RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationRows<WideDelta>(const PerturbationFrame<WideDelta>&, RelaxedAtomic<int32_t>&,
                                             RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationPixels<long double>(const PerturbationFrame<long double>&, const std::vector<int32_t>&,
                                                 RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationPixels<WideDelta>(const PerturbationFrame<WideDelta>&, const std::vector<int32_t>&,
                                               RelaxedAtomic<int32_t>&, PerturbationCounts&);
