#pragma once
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "engine/big_to_hardware.h"
#include "engine/deep_pixel.h"
#include "engine/fractal_state.h"
#include "engine/inside_proof.h"
#include "engine/perturbation_frame.h"

// One pixel of the fast deep path, pass by pass, as the row loops share it:
// where the pixel stands on its orbit, its steps, its rounding bound, its
// passes with their table steps and repeats, how it starts, ends and is
// stored, and the rows handed out to workers.
namespace perturbation {

// Differences below this size are followed with a wider exponent; above it
// long double holds them, and a frame's dc (below long double's range there)
// no longer changes their rounding.
const long double WideRangeEnd = std::ldexp(1.0L, -15000);

struct SkippedIterations {
    int64_t byTable = 0;
    int64_t byRepeat = 0;
};

inline void AddSkipped(PerturbationCounts& counts, const SkippedIterations& skipped)
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
        // An orbit that ends on 0 goes on as the orbit of 0 from its start;
        // at any other end a pixel that has not escaped is the deep kernels'.
        if (!(ToHardware(p.zr * p.zr + p.zi * p.zi) > f.escapeNorm) && !(next.re == 0 && next.im == 0))
            return false;
        Rebase(p, f.RebaseOrbit());
    }
    return p.m < p.last;
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
    // Below double's normal range a pass rounds to whole subnormal units, not
    // to a share of the difference: views a few powers of ten above it reach
    // it. Differences in long double that small have the wider exponent, and
    // x87 operations on subnormal values are slow.
    static constexpr T Floor = std::is_same_v<T, double> ? 16 * std::numeric_limits<T>::denorm_min() : T(0);
    T bound = 0;
    T squares = 1;  // the product of |2 z|^2 over the pass so far
    bool doubtful = false;

    // kernelUnit: see PerturbationFrame::kernelUnit; z starts as c, which
    // the kernels hold rounded too.
    template <typename D>
    void Start(const D& dr, const D& di, T kernelUnit)
    {
        if constexpr (Tracked)
            bound = Unit * ToHardware(Size(dr, di)) + (std::is_same_v<T, double> ? T(2) * kernelUnit : T(0));
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

    // The bound within a pass, after its steps so far.
    T Current() const
    {
        if constexpr (Tracked)
            return bound * std::sqrt(squares);
        return T(0);
    }

    template <typename D>
    void EndPass(const Cursor<T, D>& p, T kernelUnit)
    {
        if constexpr (Tracked) {
            Grow(std::sqrt(squares), T(4) * Unit, T(4) * kernelUnit, p);
            squares = 1;
        }
    }

    // factor: |A| + 2 |C| |delta| + |D| |dc| for the delta before the step.
    template <typename D>
    void AfterTableStep(T factor, int64_t iterations, T epsilon, T kernelUnit, const Cursor<T, D>& p)
    {
        if constexpr (Tracked)
            Grow(factor, Unit + T(iterations) * epsilon, T(iterations) * kernelUnit, p);
    }

    // After a jump beside a cycle (see CycleJump): factor as for
    // a table step, its rounding in units of T's.
    template <typename D>
    void AfterJump(T factor, T roundingUnits, int64_t iterations, T kernelUnit, const Cursor<T, D>& p)
    {
        if constexpr (Tracked)
            Grow(factor, roundingUnits * Unit, T(iterations) * kernelUnit, p);
    }

private:
    // The kernels round each step to about kernelUnit (|z|^2 + 1). Frames of
    // extended views are in double; x87 code keeps its loop untouched.
    template <typename D>
    void Grow(T factor, T rounding, T kernelRounding, const Cursor<T, D>& p)
    {
        bound = (factor * bound + rounding * ToHardware(Size(p.dr, p.di))) + Floor;
        const T zr = ToHardware(p.zr);
        const T zi = ToHardware(p.zi);
        const T norm = zr * zr + zi * zi;
        if constexpr (std::is_same_v<T, double>) {
            if (kernelRounding != 0)
                bound += kernelRounding * (norm + T(1));
        }
        doubtful |= bound * bound > Share * Share * norm;
    }
};

// A table step's value from delta and dc: the linear terms, then those of
// second order. V: D, or a vector of lanes of double (the step's
// coefficients are then vectors too); taken and given by reference, which
// keeps vectors out of the calling convention where this is not inlined.
template <typename V>
struct TableStepTerms {
    V dr, di, dcr, dci;
    V squareRe, squareIm, crossRe, crossIm, dcSquareRe, dcSquareIm;

    TableStepTerms(const V& deltaRe, const V& deltaIm, const V& dcRe, const V& dcIm)
        : dr(deltaRe), di(deltaIm), dcr(dcRe), dci(dcIm), squareRe(dr * dr - di * di), squareIm((dr + dr) * di),
          crossRe(dr * dcr - di * dci), crossIm(dr * dci + di * dcr), dcSquareRe(dcr * dcr - dci * dci),
          dcSquareIm((dcr + dcr) * dci)
    {
    }

    template <typename Step>
    [[gnu::always_inline]] void Apply(const Step& s, V& re, V& im) const
    {
        const V linearRe = (V(s.aRe) * dr - V(s.aIm) * di) + (V(s.bRe) * dcr - V(s.bIm) * dci);
        const V secondRe = ((V(s.cRe) * squareRe - V(s.cIm) * squareIm) + (V(s.dRe) * crossRe - V(s.dIm) * crossIm)) +
                           (V(s.eRe) * dcSquareRe - V(s.eIm) * dcSquareIm);
        const V linearIm = (V(s.aRe) * di + V(s.aIm) * dr) + (V(s.bRe) * dci + V(s.bIm) * dcr);
        const V secondIm = ((V(s.cRe) * squareIm + V(s.cIm) * squareRe) + (V(s.dRe) * crossIm + V(s.dIm) * crossRe)) +
                           (V(s.eRe) * dcSquareIm + V(s.eIm) * dcSquareRe);
        re = linearRe + secondRe;
        im = linearIm + secondIm;
    }
};

// How much a table step may grow an error of delta: its derivative's size.
template <typename T>
[[gnu::always_inline]] inline T TableStepFactor(const BlaStep<T>& s, T deltaSize, T dcSize)
{
    return (s.aModulus + T(2) * s.cModulus * deltaSize) + s.dModulus * dcSize;
}

template <typename T, typename D, typename Frame, bool Tracked>
[[gnu::always_inline]] inline bool BoundedStep(Cursor<T, D>& p, D dcr, D dci, const Frame& f,
                                               RoundingBound<T, Tracked>& rounding)
{
    rounding.Multiply(p.zr, p.zi);
    return Step(p, dcr, dci, f);
}

// EscapedOnCircle: the test fired on the circle's side of a pixel beside an
// orbit value on it (see CircleSide).
enum class PassEnd { Next, Escaped, EscapedOnCircle, Failed };

// A test's value this close to its limit (relative) may be decided by z's
// rounding to hardware, which drops a difference below z's last digit: the
// side of the circle (below) or the view's precision decides such a pixel.
// Orbits along |z| = 2 make every pixel one (at the needle's tip -2, where
// Z stays 2).
constexpr double EscapeTestDoubt = 0x1p-46;

template <typename T>
[[gnu::always_inline]] inline bool NearLimit(T s, T limit)
{
    using std::fabs;
    return fabs(s - limit) <= limit * T(EscapeTestDoubt);
}

// The orbit a cursor stands on.
template <typename T, typename D, typename Frame>
const HardwareOrbit<T>& OrbitOf(const Frame& f, const Cursor<T, D>& p)
{
    return p.orbit == f.start.values.data() ? f.start : f.zero;
}

// Which side of |z| = 2 a pixel beside an orbit value near that circle
// lies: |Z + delta|^2 - 4 = (|Z|^2 - 4) + 2 Re(conj(Z) delta) + |delta|^2,
// with |Z|^2 - 4 from the orbit's own precision, in long double or in the
// differences' wider exponent. 1 outside, -1 inside, 0 where the orbit keeps
// no such value or delta's rounding (within `bound`) leaves it open.
template <typename T, typename D, typename Frame>
int CircleSide(const Frame& f, const Cursor<T, D>& p, T bound)
{
    using L = std::conditional_t<IsWideFloat<D>::value, D, long double>;
    using std::fabs;
    const WideFloat<long double>* kept = OrbitOf(f, p).CircleExcessAt(p.m);
    if (!kept)
        return 0;
    L excess;
    if constexpr (IsWideFloat<L>::value)
        excess = *kept;
    else
        excess = kept->ToHardware();
    const OrbitValue<T>& z = p.orbit[p.m];
    const L dr = L(p.dr), di = L(p.di);
    const L cross = L(2) * (L(z.re) * dr + L(z.im) * di);
    const L square = dr * dr + di * di;
    const L value = (excess + cross) + square;
    const L unit = L(std::numeric_limits<T>::epsilon());
    const L size = fabs(dr) + fabs(di);
    const L error = L(8) * unit * ((fabs(excess) + fabs(cross)) + square) +
                    L(4) * ((fabs(L(z.re)) + fabs(L(z.im))) + size) * (L(bound) + unit * size);
    return value > error ? 1 : value < -error ? -1 : 0;
}

// Whether a pixel lies inside |z| = 2 for certain, its difference's
// rounding within `bound`: by the side of the circle where the orbit keeps
// |Z|^2 - 4, else by |z| with its rounding.
template <typename T, typename D, typename Frame>
bool LandsInside(const Frame& f, const Cursor<T, D>& p, T bound)
{
    if (OrbitOf(f, p).CircleExcessAt(p.m))
        return CircleSide(f, p, bound) < 0;
    const T zr = ToHardware(p.zr);
    const T zi = ToHardware(p.zi);
    const T unit = std::numeric_limits<T>::epsilon();
    return std::sqrt(zr * zr + zi * zi) * (T(1) + T(8) * unit) + bound < T(2);
}

// Brent's method over pass starts: a pass start's state repeating bit for
// bit repeats the passes between for ever. It is saved at power-of-two pass
// counts, and a match skips whole periods while every table step of them
// stays clear of the cap that the end of the iterations puts on table
// steps, so that what follows is exactly what iterating the periods would
// have given.
template <typename T, typename D>
struct Repeats {
    Cursor<T, D> saved;
    double savedPrevious;
    int64_t savedAt = -1;  // the count where saved was taken; -1: none, or the cycle is already skipped
    int64_t longestStep = 0;  // passes of the longest table step since then
    int64_t starts = 0;
    int64_t saveAt = 1;
};

// A pass start that comes back near an earlier one without repeating it may
// prove the pixel inside: where a disc around the earlier z, wide enough to
// hold its rounding, maps into itself over the iterations between, the
// pixel never escapes, and whole periods of them are skipped. Its escape
// value is then certain; A and B come from a point of the orbit's disc, not
// from the orbit itself. Orbits come near themselves only once they have
// nearly settled on their cycle, so the earlier z is taken often: every
// quarter of the passes so far (at least 16), which finds cycles of up to
// that many passes soon after they settle.
template <typename D>
struct NearReturns {
    long double cr, ci;  // the pixel's c
    D zr = 0, zi = 0;
    D bound = 0;       // its rounding bound
    int64_t at = -1;   // its count; -1: none, or the pixel is proven inside
    int64_t takeAt = 16;  // the pass start that takes the next one
    // A pass start this close (|re| + |im|) is tried; a failed try halves it.
    D nearness = 0;
};

constexpr double FirstNearness = 0x1p-28;

// At the pass start `starts` (z, its bound, its count e): the earlier z
// where it is due.
template <bool Tracked, typename D, typename T>
[[gnu::always_inline]] inline void TakeNear(NearReturns<D>& near, D zr, D zi, T bound, int64_t e, int64_t starts)
{
    if constexpr (Tracked && std::is_floating_point_v<D>) {
        if (starts == near.takeAt) {
            near.zr = zr;
            near.zi = zi;
            near.bound = bound;
            near.at = e;
            near.takeAt += std::max<int64_t>(16, starts / 4);
            near.nearness = FirstNearness;
        }
    }
}

// Whether Begin tries to prove the pixel inside at this pass start.
template <bool Tracked, typename T, typename D, typename Frame>
[[gnu::always_inline]] inline bool MayProveInside(const Frame& f, const Cursor<T, D>& p, const NearReturns<D>& near)
{
    using std::fabs;
    // The real parts alone refuse most asks.
    const D apartRe = fabs(p.zr - near.zr);
    return Tracked && f.proveInside && near.at >= 0 && apartRe < near.nearness &&
           apartRe + fabs(p.zi - near.zi) < near.nearness;
}

// Whether table steps may skip passes from here: the lagged d is only
// compared with 4, and every skipped pre-test stayed below it.
template <int Variant, typename Frame>
[[gnu::always_inline]] inline bool TableMayServe(const Frame& f, double previous)
{
    return f.useTable && (Variant < 3 || previous <= 4.0);
}

// The deep kernel's passes with z iterated as Z + delta from p at count e,
// one at a time: passes of four iterations with the pre-test of the fourth,
// table steps over whole passes whose pre-tests cannot fire. The state is
// the caller's, so that a loop keeps it in its own locals (long double's in
// a struct would live in memory).

// Whether the pass start at count e proves the pixel inside (see
// NearReturns); a failed try halves the nearness the next one needs.
template <typename T, typename D, typename Frame, bool Tracked>
bool ProvenInside(const Frame& f, const Cursor<T, D>& p, int64_t e, NearReturns<D>& near,
                  const RoundingBound<T, Tracked>& rounding)
{
    if constexpr (Tracked && std::is_floating_point_v<D>) {
        if (!MayProveInside<Tracked>(f, p, near))
            return false;
        using std::fabs;
        const D distance = fabs(p.zr - near.zr) + fabs(p.zi - near.zi);
        // The bound grows by the orbit's derivative: where it grew much, the
        // stretch expands and the disc cannot map into itself.
        const bool contracting = D(rounding.bound) <= D(4) * near.bound + D(0x1p-40);
        const D radius = D(4) * distance + D(2) * (near.bound + D(rounding.bound)) + D(0x1p-50);
        if (contracting && DiscMapsIntoItself(near.zr, near.zi, radius, near.cr, near.ci, e - near.at))
            return true;
        near.nearness = distance / 2;
    }
    return false;
}

// A table step of `passes` passes from p.
template <typename T, typename D, typename Frame, bool Tracked>
[[gnu::always_inline]] inline void ApplyTableStep(const Frame& f, const BlaStep<T>& s, int64_t passes, D dcr, D dci,
                                                  Cursor<T, D>& p, RoundingBound<T, Tracked>& rounding)
{
    D dr, di;
    TableStepTerms<D>(p.dr, p.di, dcr, dci).Apply(s, dr, di);
    const T factor = TableStepFactor(s, ToHardware(Size(p.dr, p.di)), ToHardware(Size(dcr, dci)));
    p.dr = dr;
    p.di = di;
    p.m += 4 * passes;
    p.zr = D(p.orbit[p.m].re) + dr;
    p.zi = D(p.orbit[p.m].im) + di;
    rounding.AfterTableStep(factor, 4 * passes, f.tableEpsilon, f.kernelUnit, p);
}

// The step where it lands inside the circle (see NearLimitTests), else
// nothing. Out of line: the pass loops keep one copy of the step's terms.
// Only pixels that bound their rounding and whose pass test is |z|^2 > 4
// alone (the lagged test's value would be Z's) take such steps.
template <int Variant, typename T, typename D, typename Frame, bool Tracked>
[[gnu::noinline]] bool StepLandingInside(const Frame& f, const BlaStep<T>& s, int64_t passes, D dcr, D dci,
                                         Cursor<T, D>& p, RoundingBound<T, Tracked>& rounding)
{
    if constexpr (!Tracked || Variant >= 3)
        return false;
    Cursor<T, D> landing = p;
    RoundingBound<T, Tracked> grown = rounding;
    ApplyTableStep(f, s, passes, dcr, dci, landing, grown);
    if (!LandsInside(f, landing, grown.bound))
        return false;
    p = landing;
    rounding = grown;
    return true;
}

// Whether a jump beside the cycle the reference ends on may serve at p's pass
// start: differences in a hardware type on an orbit that has one.
template <int Variant, typename T, typename D, typename Frame>
[[gnu::always_inline]] inline bool JumpMayServe(const Frame& f, const Cursor<T, D>& p, double previous)
{
    if constexpr (!std::is_same_v<T, D>)
        return false;
    else
        return (Variant < 3 || previous <= 4.0) && p.orbit == f.start.values.data() &&
               f.start.jump.Serves(p.m, static_cast<double>(Size(p.dr, p.di)));
}

// The jump (see CycleJump) of at most `most` passes from p: the passes
// it took. Out of line: a pixel takes it once.
template <typename T, typename Frame, bool Tracked>
[[gnu::noinline]] int64_t JumpBesideCycle(const Frame& f, Cursor<T, T>& p, int64_t most,
                                          RoundingBound<T, Tracked>& rounding)
{
    JumpComplex<T> landing;
    T growth = 0;
    const int64_t passes = f.start.jump.Jump(p.m, {p.dr, p.di}, 0, std::min(most, (p.last - 2 - p.m) / 4), landing, growth);
    if (passes < 1)
        return 0;
    p.dr = landing.re;
    p.di = landing.im;
    p.m += 4 * passes;
    p.zr = p.orbit[p.m].re + p.dr;
    p.zi = p.orbit[p.m].im + p.di;
    rounding.AfterJump(growth, T(f.start.jump.roundingUnits), 4 * passes, f.kernelUnit, p);
    return passes;
}

// Before a pass: a repeat's skip, then a jump beside a cycle and the
// table's steps.
template <int Variant, typename T, typename D, typename Frame, bool Tracked>
[[gnu::always_inline]] inline void BeginPass(const Frame& f, Cursor<T, D>& p, int64_t& e, double& previous, D dcr,
                                             D dci, Repeats<T, D>& repeats, NearReturns<D>& near,
                                             SkippedIterations& skipped, RoundingBound<T, Tracked>& rounding)
{
    const int64_t iterMax = f.iterMax;
    const auto skipPeriods = [&](int64_t period) {
        // A table step of n passes is the cap's choice too while the cap
        // allows 2n: the next level was refused for its own reasons.
        const int64_t periods = (iterMax - e - (8 * repeats.longestStep + 4)) / period;
        if (periods > 0) {
            e += periods * period;
            skipped.byRepeat += periods * period;
        }
        repeats.savedAt = -1;
        repeats.saveAt = std::numeric_limits<int64_t>::max();
        near.at = -1;
        near.takeAt = std::numeric_limits<int64_t>::max();
    };
    if (repeats.savedAt >= 0 && f.findCycles && SameState(p, previous, repeats.saved, repeats.savedPrevious)) {
        skipPeriods(e - repeats.savedAt);
    } else if (ProvenInside(f, p, e, near, rounding)) {
        skipPeriods(e - near.at);
    } else {
        if (++repeats.starts == repeats.saveAt) {
            repeats.saved = p;
            repeats.savedPrevious = previous;
            repeats.savedAt = e;
            repeats.longestStep = 0;
            repeats.saveAt *= 2;
        }
        TakeNear<Tracked>(near, p.zr, p.zi, rounding.bound, e, repeats.starts);
    }
    // Skips end at a pass start that still runs, so the saved pass start and
    // the count are the passes' own.
    if constexpr (std::is_same_v<T, D>) {
        if (JumpMayServe<Variant>(f, p, previous)) {
            const int64_t passes = JumpBesideCycle(f, p, (iterMax - e) / 4, rounding);
            if (passes > 0) {
                repeats.longestStep = std::max(repeats.longestStep, passes);
                e += 4 * passes;
                skipped.byTable += 4 * passes;
                const OrbitValue<T>& preTested = p.orbit[p.m - 1];
                previous = TruncatedToDouble(preTested.re * preTested.re + preTested.im * preTested.im);
            }
        }
    }
    if (TableMayServe<Variant>(f, previous)) {
        int64_t passes = 0;
        int64_t most = (iterMax - e) / 4;
        while (most >= 1) {
            const BlaStep<T>* s = p.table->Find(p.m, Size(p.dr, p.di), most, passes);
            if (!s)
                break;
            if (!s->checkLanding) {
                ApplyTableStep(f, *s, passes, dcr, dci, p, rounding);
            } else if (!StepLandingInside<Variant>(f, *s, passes, dcr, dci, p, rounding)) {
                // A shorter step may still land inside.
                if (passes == 1)
                    break;
                most = passes / 2;
                continue;
            }
            repeats.longestStep = std::max(repeats.longestStep, passes);
            e += 4 * passes;
            skipped.byTable += 4 * passes;
            const OrbitValue<T>& preTested = p.orbit[p.m - 1];
            previous = TruncatedToDouble(preTested.re * preTested.re + preTested.im * preTested.im);
            most = (iterMax - e) / 4;
        }
    }
}

// The pass's four steps and its test.
template <int Variant, typename T, typename D, typename Frame, bool Tracked>
[[gnu::always_inline]] inline PassEnd RunPass(const Frame& f, Cursor<T, D>& p, int64_t& e, double& previous, D dcr,
                                              D dci, RoundingBound<T, Tracked>& rounding)
{
    if (!BoundedStep(p, dcr, dci, f, rounding) || !BoundedStep(p, dcr, dci, f, rounding) ||
        !BoundedStep(p, dcr, dci, f, rounding))
        return PassEnd::Failed;
    const T s = ToHardware(p.zr * p.zr + p.zi * p.zi);
    if (!(s <= std::numeric_limits<T>::max()))
        return PassEnd::Failed;
    bool escapes = s > T(4);
    const bool nearCircle = NearLimit(s, T(4));
    if (nearCircle) {
        // Pixels in double that cross are computed again in long double, as
        // the lanes leave them; the lagged test's truncated value is left to
        // the view's precision.
        const int side = Variant < 3 ? CircleSide(f, p, rounding.Current()) : 0;
        // Where the bailout lies beyond the circle, the single steps that
        // follow the pixel from the pass start find its first step beyond
        // it whichever side it lies on now: |z| > 2 only grows.
        const bool followOpenSide = Variant == 1 && side == 0 && f.bailout > 4 && !std::is_same_v<T, double>;
        rounding.doubtful |= (side == 0 && !followOpenSide) || (side > 0 && std::is_same_v<T, double>);
        escapes = side > 0 || followOpenSide;
    }
    if (Variant >= 3) {
        if (previous > 4.0)
            return PassEnd::Escaped;
        previous = TruncatedToDouble(s);
    } else if (escapes) {
        return nearCircle ? PassEnd::EscapedOnCircle : PassEnd::Escaped;
    }
    if (!BoundedStep(p, dcr, dci, f, rounding))
        return PassEnd::Failed;
    rounding.EndPass(p, f.kernelUnit);
    e += 4;
    return PassEnd::Next;
}

// A pixel's passes as an object, for loops that keep several pixels.
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
    NearReturns<D> near;
    D passZr = p.zr, passZi = p.zi;  // z at the last pass start
    Repeats<T, D> repeats{p, previous};

    bool Running() const { return e <= f->iterMax; }

    void Begin()
    {
        BeginPass<Variant>(*f, p, e, previous, dcr, dci, repeats, near, *skipped, rounding);
        passZr = p.zr;
        passZi = p.zi;
    }

    PassEnd Run() { return RunPass<Variant>(*f, p, e, previous, dcr, dci, rounding); }
};

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

// Where a pixel's last pass started (its difference in D), its dc and its
// rounding bound.
template <typename T, typename D = T>
struct PassStart {
    Cursor<T, D> cursor;
    D dcr, dci;
    T bound;
};

// A step of the orbit's bailout table (see HardwareOrbit) for single steps
// from p, of at most `iterations`: the iterations it took, 0 where there is
// none. The bound grows as a table step grows it in a pass.
template <typename T, typename D, typename Frame>
int64_t BailoutTableStep(const Frame& f, Cursor<T, D>& p, D dcr, D dci, int64_t iterations, T& bound)
{
    int64_t passes = 0;
    const BlaStep<T>* s = OrbitOf(f, p).bailoutTable.Find(p.m, Size(p.dr, p.di), iterations / 4, passes);
    if (!s)
        return 0;
    D dr, di;
    TableStepTerms<D>(p.dr, p.di, dcr, dci).Apply(*s, dr, di);
    const T factor = TableStepFactor(*s, ToHardware(Size(p.dr, p.di)), ToHardware(Size(dcr, dci)));
    p.dr = dr;
    p.di = di;
    p.m += 4 * passes;
    p.zr = D(p.orbit[p.m].re) + dr;
    p.zi = D(p.orbit[p.m].im) + di;
    bound = factor * bound +
            (std::numeric_limits<T>::epsilon() + T(4 * passes) * f.tableEpsilon) * ToHardware(Size(dr, di));
    return 4 * passes;
}

// After the passes: the variant's single steps in long double from the last
// pass start (z in zr, zi at count e); Doubtful when the rounding bound came
// near z, or a test near its limit. Where the last pass escaped on the
// circle (`start` given), z comes from perturbation while the pixel can be
// followed: with Z on the circle |z| = 2 (the needle's tip) the steps to the
// bailout keep a difference below z's last digit, and a test near its limit
// is decided by the side of the circle (the test |z|^2 > 4 only). C: the
// type of that start's difference (D, or T once narrowed).
template <int Variant, typename D, typename C = Hardware<D>>
Outcome FinishPixel(const PerturbationFrame<D>& f, bool doubtful, int64_t e, long double zr, long double zi,
                    long double cr, long double ci, int32_t& count, float& aOut, float& bOut,
                    const PassStart<Hardware<D>, C>* start = nullptr)
{
    using T = Hardware<D>;
    if (doubtful)
        return Outcome::Doubtful;
    const int64_t iterMax = f.iterMax;
    const long double bailout = static_cast<long double>(f.bailout);
    const bool circleTest = (Variant == 1 || Variant == 4) && f.bailout == 4;
    std::optional<Cursor<T, C>> p;
    T bound = 0;
    if (start) {
        p = start->cursor;
        bound = start->bound;
    }
    for (int64_t j = e - 3; j <= iterMax; ++j) {
        if (p) {
            zr = ToHardware(p->zr);
            zi = ToHardware(p->zi);
        }
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
        bool escapes = s > bailout;
        if (NearLimit(s, bailout)) {
            const int side = p && circleTest ? CircleSide(f, *p, bound) : 0;
            if (side == 0)
                return Outcome::Doubtful;
            escapes = side > 0;
        }
        if (escapes) {
            aOut = static_cast<float>(TruncatedToDouble(a));
            bOut = static_cast<float>(TruncatedToDouble(b));
            count = ToStoredCount(Variant == 2 ? j : j + 5);
            return Outcome::Followed;
        }
        if (p) {
            // The step's last iteration is the loop's.
            const int64_t skipped = BailoutTableStep(f, *p, start->dcr, start->dci, iterMax - j, bound);
            if (skipped > 0) {
                j += skipped - 1;
                continue;
            }
        }
        zr = (a - b) + cr;
        zi = (t + t) + ci;
        if (p) {
            // A step multiplies the difference's error by |2 z| and rounds it.
            bound = T(2) * std::sqrt(T(a + b)) * bound +
                    T(4) * std::numeric_limits<T>::epsilon() * ToHardware(Size(p->dr, p->di));
            if (!Step(*p, start->dcr, start->dci, f))
                p.reset();
        }
    }
    aOut = static_cast<float>(TruncatedToDouble(zr));
    bOut = static_cast<float>(TruncatedToDouble(zi));
    count = 0;
    return Outcome::Followed;
}

// A pixel's outcome into the outputs: marked doubtful, or computed by the
// deep kernel where perturbation could not follow it.
template <typename D, int Variant>
Outcome StorePixel(const PerturbationFrame<D>& f, int32_t row, int32_t k, Outcome outcome, int32_t count, float a,
                   float b, DeepRegisters& exact)
{
    // A Mandelbrot pixel on the axis within [-2, 1/4] lies in the set: only
    // its coordinate's rounding off the axis, grown by its chaotic real
    // orbit, lets the view's precision see it escape (twice the precision
    // sees it later or never). Beyond long double's exponent that answer
    // would take minutes a pixel; the set's own is given instead.
    if (f.axisInSet && f.mandelbrot && f.realRow[row] != 0 && f.chaoticAxisColumn[k] != 0) {
        outcome = Outcome::Followed;
        count = 0;
        a = 0;
        b = 0;
    }
    // Escaped pixels on a real line where real orbits are chaotic are computed
    // again as the view's precision decides them.
    const bool chaoticAxis = (f.realRow[row] != 0 && f.chaoticAxisColumn[k] != 0) || f.realColumn[k] != 0;
    if (outcome != Outcome::Exact && chaoticAxis &&
        (outcome == Outcome::Doubtful || count != 0))
        outcome = Outcome::Exact;
    const size_t at = static_cast<size_t>(row - f.firstRow) * f.width + k;
    if (outcome == Outcome::Exact && f.extendedKernelsDecide)
        outcome = Outcome::Doubtful;
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

// The next of the listed pixels (indices into the outputs) handed out by
// next, as its row and column; false when none is left or StopRequest is set.
template <typename D>
bool NextListedPixel(const PerturbationFrame<D>& f, const std::vector<int32_t>& pixels, RelaxedAtomic<int32_t>& next,
                     int32_t& row, int32_t& k)
{
    const int32_t i = next.fetch_add(1);
    if (i >= static_cast<int32_t>(pixels.size()) || State.StopRequest.load() == 1)
        return false;
    row = f.firstRow + pixels[i] / f.width;
    k = pixels[i] % f.width;
    return true;
}

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

}  // namespace perturbation
