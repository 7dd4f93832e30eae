#include "engine/perturbation_lanes.h"

#include <immintrin.h>

#include <bit>
#include <optional>
#include <utility>

#include "engine/fractal_state.h"
#include "engine/perturbation_pixel.h"

namespace {

using namespace perturbation;

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

// Where a lane stands when the lanes stop; a doubtful pixel ends as Escaped
// (its passes are done: it is computed again).
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
    const auto cursorOf = [&](int l) {
        return Cursor<double, double>{base[l], lastOf(l), tableOf(l), m[l], dr[l], di[l], zr[l], zi[l]};
    };
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
        starts[l] = q.repeats.starts;
    };
    const auto store = [&](auto l) __attribute__((always_inline)) {
        auto& q = *loops[l];
        q.p = cursorOf(l);
        q.previous = previous[l];
        q.passZr = passZr[l];
        q.passZi = passZi[l];
        q.rounding.bound = bound[l];
        q.rounding.doubtful = doubtful[l] != 0;
        q.e = e[l];
        q.repeats.starts = starts[l];
    };
    ForLanes([&](auto l) __attribute__((always_inline)) {
        load(l);
        dcr[l] = loops[l]->dcr;
        dci[l] = loops[l]->dci;
    });
    const double kernelRounding = 4.0 * f.kernelUnit;
    const Values dcSize = Magnitude(dcr) + Magnitude(dci);
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
    // Whether Begin has more to do at lane l's pass start than count the
    // pass and take table steps.
    const auto needsBegin = [&](auto l) __attribute__((always_inline)) {
        const auto& q = *loops[l];
        return starts[l] + 1 == q.repeats.saveAt || MayProveInside<Tracked>(f, cursorOf(l), q.near) ||
               JumpMayServe<Variant>(f, cursorOf(l), previous[l]) ||
               (q.repeats.savedAt >= 0 && f.findCycles &&
                SameState(cursorOf(l), previous[l], q.repeats.saved, q.repeats.savedPrevious));
    };
    // Begin's table steps for the lanes in `due`, side by side: each lane's
    // search is its own, the steps' arithmetic and rounding bound are
    // TakeTableSteps' and RoundingBound's for every lane at once.
    const auto takeTableSteps = [&](unsigned due) __attribute__((always_inline, target("avx2"))) {
        while (due != 0) {
            struct {
                Values aRe{}, aIm{}, bRe{}, bIm{}, cRe{}, cIm{}, dRe{}, dIm{}, eRe{}, eIm{};
            } steps;
            Values aModulus{}, cModulus{}, dModulus{}, iterations{};
            LaneMask take{};
            ForLanes([&](auto l) __attribute__((always_inline)) {
                if ((due >> l & 1) == 0)
                    return;
                int64_t passes = 0;
                const BlaStep<double>* step =
                    f.iterMax - e[l] >= 4
                        ? tableOf(l)->Find(m[l], Size(dr[l], di[l]), (f.iterMax - e[l]) / 4, passes)
                        : nullptr;
                if (!step) {
                    due &= ~(1u << l);
                    return;
                }
                steps.aRe[l] = step->aRe;
                steps.aIm[l] = step->aIm;
                steps.bRe[l] = step->bRe;
                steps.bIm[l] = step->bIm;
                steps.cRe[l] = step->cRe;
                steps.cIm[l] = step->cIm;
                steps.dRe[l] = step->dRe;
                steps.dIm[l] = step->dIm;
                steps.eRe[l] = step->eRe;
                steps.eIm[l] = step->eIm;
                aModulus[l] = step->aModulus;
                cModulus[l] = step->cModulus;
                dModulus[l] = step->dModulus;
                iterations[l] = static_cast<double>(4 * passes);
                take[l] = -1;
                auto& q = *loops[l];
                q.repeats.longestStep = std::max(q.repeats.longestStep, passes);
                m[l] += 4 * passes;
                e[l] += 4 * passes;
                q.skipped->byTable += 4 * passes;
            });
            if (due == 0)
                return;
            Values nextDr, nextDi;
            TableStepTerms<Values>(dr, di, dcr, dci).Apply(steps, nextDr, nextDi);
            const Values factor = (aModulus + (2.0 * cModulus) * (Magnitude(dr) + Magnitude(di))) + dModulus * dcSize;
            dr = Blend(take, nextDr, dr);
            di = Blend(take, nextDi, di);
            ForLanes([&](auto l) __attribute__((always_inline)) {
                if ((due >> l & 1) == 0)
                    return;
                orbitRe[l] = base[l][m[l]].re;
                orbitIm[l] = base[l][m[l]].im;
                const OrbitValue<double>& preTested = base[l][m[l] - 1];
                previous[l] = TruncatedToDouble(preTested.re * preTested.re + preTested.im * preTested.im);
            });
            zr = Blend(take, orbitRe + dr, zr);
            zi = Blend(take, orbitIm + di, zi);
            if constexpr (Tracked) {
                const Values rounding = Bound::Unit + iterations * f.tableEpsilon;
                Values grown = (factor * bound + rounding * (Magnitude(dr) + Magnitude(di))) + Bound::Floor;
                const Values norm = zr * zr + zi * zi;
                if (f.kernelUnit != 0)
                    grown += (iterations * f.kernelUnit) * (norm + 1.0);
                doubtful |= (grown * grown > (Bound::Share * Bound::Share) * norm) & take;
                bound = Blend(take, grown, bound);
            }
        }
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
        // Tests near the circle: RunPass's side of it, where a pixel that
        // stays inside goes on and one that crosses is doubtful.
        const LaneMask nearCircle = (Magnitude(s - 4.0) <= 4.0 * EscapeTestDoubt) & ~failed;
        if (!_mm256_testz_si256(reinterpret_cast<__m256i>(nearCircle), reinterpret_cast<__m256i>(nearCircle)))
            [[unlikely]] {
            Values current{};
            if constexpr (Tracked)
                current = bound * reinterpret_cast<Values>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(squares)));
            ForLanes([&](auto l) __attribute__((always_inline)) {
                if (nearCircle[l] == 0 || (running >> l & 1) == 0)
                    return;
                if (Variant < 3 && CircleSide(f, cursorOf(l), current[l]) < 0)
                    escaped[l] = 0;
                else
                    doubtful[l] = -1;
            });
        }
        step();
        const LaneMask ended = failed | escaped;
        if constexpr (Tracked) {
            const Values factor = reinterpret_cast<Values>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(squares)));
            bound = (factor * bound + (4.0 * Bound::Unit) * (Magnitude(dr) + Magnitude(di))) + Bound::Floor;
            const Values norm = zr * zr + zi * zi;
            if (kernelRounding != 0)
                bound += kernelRounding * (norm + 1.0);
            doubtful |= (bound * bound > (Bound::Share * Bound::Share) * norm) & ~ended;
        }
        bool leave = false;
        unsigned tableDue = 0;
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
            if (ended[l] != 0 || doubtful[l] != 0) {
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
                // Begin with nothing else to do but table steps.
                ++starts[l];
                TakeNear<Tracked>(loops[l]->near, zr[l], zi[l], bound[l], e[l], starts[l]);
                if (TableMayServe<Variant>(f, previous[l]) && tableOf(l)->MayStep(m[l], Size(dr[l], di[l])))
                    tableDue |= 1u << l;
                passZr[l] = zr[l];
                passZi[l] = zi[l];
                ends[l] = LaneEnd::AfterBegin;
            }
        });
        if (tableDue != 0) {
            takeTableSteps(tableDue);
            ForLanes([&](auto l) __attribute__((always_inline)) {
                if ((tableDue >> l & 1) == 0)
                    return;
                passZr[l] = zr[l];
                passZi[l] = zi[l];
                leave |= m[l] + 4 >= lastOf(l);
            });
        }
        if (leave)
            break;
    }
    ForLanes([&](auto l) __attribute__((always_inline)) {
        if ((running >> l & 1) != 0)
            store(l);
    });
}

// Pixels through the lanes: each lane takes the next pixel (row and column)
// from nextPixel when its own is done. A pass near its orbit's end runs alone.
template <int Variant, bool Tracked, typename NextPixel>
bool RunInLanes(const PerturbationFrame<double>& f, NextPixel&& nextPixel, DeepRegisters& exact, Tally& tally)
{
    using Loop = DoubleLoop<Variant, Tracked>;
    const bool rebaseLong = f.RebaseOrbit().values.size() > 5;
    std::optional<Loop> loops[Lanes];
    bool begun[Lanes] = {};
    PixelStart<double> pixels[Lanes];
    int32_t rows[Lanes];
    int32_t columns[Lanes];
    const auto take = [&](int l) {
        loops[l].reset();
        begun[l] = false;
        int32_t row = 0, k = 0;
        while (nextPixel(row, k)) {
            const PixelStart<double> pixel = StartOf(f, row, k);
            Cursor<double, double> p;
            if (!FirstCursor(f, pixel, p)) {
                tally.Count(StorePixel<double, Variant>(f, row, k, Outcome::Exact, 0, 0, 0, exact));
                continue;
            }
            RoundingBound<double, Tracked> rounding;
            rounding.Start(pixel.d0r, pixel.d0i, f.kernelUnit);
            loops[l] = Loop{&f,        &tally.skipped, p,        FirstPassCount,       FirstPrevious,
                            pixel.dcr, pixel.dci,      rounding, {pixel.cr, pixel.ci}};
            pixels[l] = pixel;
            rows[l] = row;
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
        tally.Count(StorePixel<double, Variant>(f, rows[l], columns[l], outcome, count, a, b, exact));
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
                    if (!q.Running() || q.rounding.doubtful) {
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

}  // namespace

bool PerturbationLanesAvailable()
{
    return __builtin_cpu_supports("avx2");
}

void RunPerturbationRowsInLanes(const PerturbationFrame<double>& frame, RelaxedAtomic<int32_t>& nextRow,
                                RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts)
{
    ForVariant(frame, [&]<int Variant, bool Tracked>() {
        // A row's pixels in order.
        const auto runRow = [](const PerturbationFrame<double>& f, int32_t row, DeepRegisters& exact, Tally& tally) {
            int32_t column = 0;
            const auto nextPixel = [&](int32_t& r, int32_t& k) {
                r = row;
                k = column++;
                return k < f.width;
            };
            return RunInLanes<Variant, Tracked>(f, nextPixel, exact, tally);
        };
        HandOutRows(frame, nextRow, rowsDone, counts, runRow);
    });
}

void RunPerturbationPixelsInLanes(const PerturbationFrame<double>& frame, const std::vector<int32_t>& pixels,
                                  RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    ForVariant(frame, [&]<int Variant, bool Tracked>() {
        DeepRegisters exact(frame.bits);
        Tally tally;
        const auto nextPixel = [&](int32_t& row, int32_t& k) { return NextListedPixel(frame, pixels, next, row, k); };
        RunInLanes<Variant, Tracked>(frame, nextPixel, exact, tally);
        tally.AddTo(counts);
    });
}
