#include "engine/perturbation_double_double.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "engine/big_to_hardware.h"
#include "engine/perturbation_pixel.h"

namespace {

using namespace perturbation;
using DD = DoubleDouble;

// The value to about 106 bits as a mantissa near 1 and its exponent (GMP
// reads doubles by truncation; the rest goes into the low part).
ScaledDoubleDouble BigToScaled(mpf_srcptr value, BigFloat& scratch)
{
    long exponent = 0;
    const double high = mpf_get_d_2exp(&exponent, value);
    if (high == 0)
        return {};
    mpf_set_d(scratch, high);
    if (exponent >= 0)
        mpf_mul_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(exponent));
    else
        mpf_div_2exp(scratch, scratch, static_cast<mp_bitcnt_t>(-exponent));
    mpf_sub(scratch, value, scratch);
    long lowExponent = 0;
    const double low = mpf_get_d_2exp(&lowExponent, scratch);
    return {double_double::QuickTwoSum(high, std::ldexp(low, static_cast<int>(std::max(lowExponent - exponent,
                                                                                       -2000L)))),
            exponent};
}

// The share of its value a table step may drop per iteration: far below
// the view's own precision over the longest orbits, and a step's reach
// (its square root) of 2^-42 leaves the single steps a fifth of a
// barely repelling stretch.
constexpr double TableEpsilon = 0x1p-84;

HugePageVector<OrbitValue<DD>> ToDoubleDoubleOrbit(const ReferenceOrbit& orbit)
{
    HugePageVector<OrbitValue<DD>> values(static_cast<size_t>(orbit.size()));
    for (size_t k = 0; k < values.size(); ++k)
        values[k] = {DD(orbit.re[k]) + DD(orbit.reLow[k], 0), DD(orbit.im[k]) + DD(orbit.imLow[k], 0)};
    return values;
}

constexpr int64_t LongestReturn = 256;

// Whether the orbit's last value comes back from one of the values before
// it, to the bit.
bool Returns(const ReferenceOrbit& orbit)
{
    const int64_t last = orbit.size() - 1;
    for (int64_t n = last - 1; n >= std::max<int64_t>(0, last - LongestReturn); --n)
        if (orbit.re[n] == orbit.re[last] && orbit.im[n] == orbit.im[last] && orbit.reLow[n] == orbit.reLow[last] &&
            orbit.imLow[n] == orbit.imLow[last])
            return true;
    return false;
}

inline double Size(DD re, DD im)
{
    return Magnitude(re) + Magnitude(im);
}

// x times a power of two.
inline DD ScaledBy(DD x, double power)
{
    return {x.hi * power, x.lo * power};
}

// A pixel on its orbit, as perturbation::Cursor, its difference as u 2^e
// with u near 1 (at any depth); z = Z_m + delta is taken only where a test
// or the pass start needs it.
struct Position {
    const OrbitValue<DD>* orbit;
    const BlaTable<DD>* table;
    int64_t last;
    int64_t m;
    DD ur, ui;
    int64_t exponent;
    double scale;  // 2^exponent, or 0 far below double's range
    DD vr, vi;     // dc 2^-exponent

    DD DeltaRe() const { return ScaledBy(ur, scale); }
    DD DeltaIm() const { return ScaledBy(ui, scale); }
    // |delta.re| + |delta.im| to the table's radii, at any depth (where long
    // double's range ends, 0: within every radius).
    long double DeltaSize() const
    {
        return std::ldexp(static_cast<long double>(Size(ur, ui)),
                          static_cast<int>(std::clamp<int64_t>(exponent, -20000, 20000)));
    }
    DD Re() const { return orbit[m].re + DeltaRe(); }
    DD Im() const { return orbit[m].im + DeltaIm(); }

    // u back near 1, dc with it.
    void Rescale(const ScaledDoubleDouble& dcr, const ScaledDoubleDouble& dci)
    {
        const double size = Size(ur, ui);
        if (size == 0)
            return;
        const int64_t shift = std::ilogb(size);
        ur = TimesPowerOfTwo(ur, -shift);
        ui = TimesPowerOfTwo(ui, -shift);
        exponent += shift;
        scale = std::ldexp(1.0, static_cast<int>(std::clamp<int64_t>(exponent, -3000, 3000)));
        vr = TimesPowerOfTwo(dcr.mantissa, dcr.exponent - exponent);
        vi = TimesPowerOfTwo(dci.mantissa, dci.exponent - exponent);
    }

    // Where u left the range around 1 that keeps its products in double's.
    void KeepScale(const ScaledDoubleDouble& dcr, const ScaledDoubleDouble& dci)
    {
        const double size = Size(ur, ui);
        if (!(size >= 0x1p-64 && size <= 0x1p64))
            Rescale(dcr, dci);
    }

    // A table step of `passes` passes (see TableStepTerms) in u's scale: the
    // second-order terms keep one factor 2^exponent.
    void TakeTableStep(const BlaStep<DD>& s, int64_t passes)
    {
        BlaStep<DD> scaled = s;
        for (DD* term : {&scaled.cRe, &scaled.cIm, &scaled.dRe, &scaled.dIm, &scaled.eRe, &scaled.eIm})
            *term = ScaledBy(*term, scale);
        TableStepTerms<DD>(ur, ui, vr, vi).Apply(scaled, ur, ui);
        m += 4 * passes;
    }
};

// perturbation::Step in 106 bits; the choice to rebase is the hardware
// one's, from the leading parts.
[[gnu::always_inline]] inline bool Step(const DoubleDoubleFrame& g, Position& p, const ScaledDoubleDouble& dcr,
                                        const ScaledDoubleDouble& dci)
{
    const OrbitValue<DD> z = p.orbit[p.m];
    const DD sumRe = (z.re + z.re) + p.DeltaRe();
    const DD sumIm = (z.im + z.im) + p.DeltaIm();
    DD ur = sumRe * p.ur - sumIm * p.ui;
    DD ui = sumRe * p.ui + sumIm * p.ur;
    if (g.frame.mandelbrot) {
        ur = ur + p.vr;
        ui = ui + p.vi;
    }
    p.ur = ur;
    p.ui = ui;
    ++p.m;
    if (!std::isfinite(Size(ur, ui)))
        return false;
    p.KeepScale(dcr, dci);
    const OrbitValue<DD> next = p.orbit[p.m];
    const double dr = p.ur.hi * p.scale, di = p.ui.hi * p.scale;
    const double zr = next.re.hi + dr, zi = next.im.hi + di;
    const double deltaSize = std::fabs(dr) + std::fabs(di);
    bool rebase = std::fabs(zr) + std::fabs(zi) < deltaSize || Size(next.re, next.im) < deltaSize;
    if (!rebase && p.m == p.last) {
        if (!(zr * zr + zi * zi > static_cast<double>(g.frame.escapeNorm)) && !(next.re.hi == 0 && next.im.hi == 0))
            return false;
        rebase = true;
    }
    if (rebase) {
        const bool mandelbrot = g.frame.mandelbrot;
        const HugePageVector<OrbitValue<DD>>& onto = mandelbrot ? g.start : g.zero;
        p.ur = p.Re();
        p.ui = p.Im();
        p.exponent = 0;
        p.scale = 1;
        p.Rescale(dcr, dci);
        p.orbit = onto.data();
        p.table = mandelbrot ? &g.startTable : &g.zeroTable;
        p.last = static_cast<int64_t>(onto.size()) - 1;
        p.m = 0;
    }
    return p.m < p.last;
}

// The jump beside the cycle the reference ends on (see CycleJump) of at
// most `most` passes where it serves: the passes it took.
int64_t JumpBesideCycle(const DoubleDoubleFrame& g, Position& p, int64_t most, const ScaledDoubleDouble& dcr,
                        const ScaledDoubleDouble& dci)
{
    const long double deltaSize = p.DeltaSize();
    if (!(p.orbit == g.start.data() && g.jump.Serves(p.m, static_cast<double>(deltaSize))))
        return 0;
    const bool tiny = deltaSize < 0x1p-200L;
    JumpComplex<DD> landing;
    double growth = 0;
    const int64_t passes =
        g.jump.Jump(p.m, tiny ? JumpComplex<DD>{p.ur, p.ui} : JumpComplex<DD>{p.DeltaRe(), p.DeltaIm()},
                    tiny ? p.exponent : 0, std::min(most, (p.last - 2 - p.m) / 4), landing, growth);
    if (passes < 1)
        return 0;
    p.ur = landing.re;
    p.ui = landing.im;
    p.exponent = 0;
    p.scale = 1;
    p.Rescale(dcr, dci);
    p.m += 4 * passes;
    return passes;
}

// Before a pass: a jump beside a cycle, then the table's steps over
// whole passes (see BeginPass).
template <int Variant>
[[gnu::always_inline]] inline void SkipPasses(const DoubleDoubleFrame& g, Position& p, int64_t& e, double& previous,
                                              const ScaledDoubleDouble& dcr, const ScaledDoubleDouble& dci)
{
    const int64_t iterMax = g.frame.iterMax;
    const auto skip = [&](int64_t passes) {
        e += 4 * passes;
        if constexpr (Variant >= 3) {
            const OrbitValue<DD>& preTested = p.orbit[p.m - 1];
            previous = TruncatedToDouble((preTested.re * preTested.re + preTested.im * preTested.im).ToLongDouble());
        }
    };
    if (Variant < 3 || previous <= 4.0) {
        const int64_t passes = JumpBesideCycle(g, p, (iterMax - e) / 4, dcr, dci);
        if (passes > 0)
            skip(passes);
    }
    int64_t passes = 0;
    for (int64_t most = (iterMax - e) / 4; most >= 1 && (Variant < 3 || previous <= 4.0);
         most = (iterMax - e) / 4) {
        const BlaStep<DD>* s = p.table->Find(p.m, p.DeltaSize(), most, passes);
        if (!s)
            return;
        p.TakeTableStep(*s, passes);
        p.KeepScale(dcr, dci);
        skip(passes);
    }
}

// perturbation::PerturbedPixel without repeats or bound: the passes, then
// the kernel's single steps from the last pass start.
template <int Variant>
[[gnu::always_inline]] inline Outcome DoubleDoublePixel(const DoubleDoubleFrame& g, int32_t row, int32_t k,
                                                        int32_t& count, float& a, float& b)
{
    const PerturbationFrame<long double>& f = g.frame;
    const ScaledDoubleDouble d0r = g.deltaRe[k], d0i = g.deltaIm[row];
    const ScaledDoubleDouble dcr = f.mandelbrot ? d0r : ScaledDoubleDouble{};
    const ScaledDoubleDouble dci = f.mandelbrot ? d0i : ScaledDoubleDouble{};
    const long double cr = f.mandelbrot ? f.pixelRe[k] : f.juliaRe;
    const long double ci = f.mandelbrot ? f.pixelIm[row] : f.juliaIm;
    const int64_t exponent = d0r.mantissa.hi == 0   ? d0i.exponent
                             : d0i.mantissa.hi == 0 ? d0r.exponent
                                                    : std::max(d0r.exponent, d0i.exponent);
    Position p{g.start.data(), &g.startTable, static_cast<int64_t>(g.start.size()) - 1, f.startIndex,
               TimesPowerOfTwo(d0r.mantissa, d0r.exponent - exponent),
               TimesPowerOfTwo(d0i.mantissa, d0i.exponent - exponent), exponent, 1, DD(), DD()};
    p.Rescale(dcr, dci);
    if (p.m >= p.last)
        return Outcome::Exact;
    int64_t e = FirstPassCount;
    double previous = FirstPrevious;
    Position passStart = p;
    while (e <= f.iterMax) {
        SkipPasses<Variant>(g, p, e, previous, dcr, dci);
        passStart = p;
        if (!Step(g, p, dcr, dci) || !Step(g, p, dcr, dci) || !Step(g, p, dcr, dci))
            return Outcome::Exact;
        const DD zr = p.Re(), zi = p.Im();
        const DD s = zr * zr + zi * zi;
        // |z|^2 - 4, whose leading part has its sign; within 2^-46 of the
        // limit the deep kernels decide (see NearLimit).
        const DD excess = s - DD(4, 0);
        if (!std::isfinite(s.hi) || std::fabs(excess.hi) <= 4 * EscapeTestDoubt)
            return Outcome::Exact;
        if (Variant >= 3) {
            if (previous > 4.0)
                break;
            previous = TruncatedToDouble(s.ToLongDouble());
        } else if (excess.hi > 0) {
            break;
        }
        if (!Step(g, p, dcr, dci))
            return Outcome::Exact;
        e += 4;
    }
    return FinishPixel<Variant>(f, false, e, passStart.Re().ToLongDouble(), passStart.Im().ToLongDouble(), cr, ci,
                                count, a, b);
}

template <int Variant>
[[gnu::always_inline]] inline void RunListed(const DoubleDoubleFrame& g, const std::vector<int32_t>& pixels,
                                             RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    const PerturbationFrame<long double>& f = g.frame;
    DeepRegisters exact(f.bits);
    Tally tally;
    int32_t row = 0, k = 0;
    while (NextListedPixel(f, pixels, next, row, k)) {
        int32_t count = 0;
        float a = 0, b = 0;
        const Outcome outcome = DoubleDoublePixel<Variant>(g, row, k, count, a, b);
        tally.Count(StorePixel<long double, Variant>(f, row, k, outcome, count, a, b, exact));
    }
    tally.AddTo(counts);
}

// The same loop with the fused multiply-add as one instruction, where the
// processor has it (the results are the same).
template <int Variant>
__attribute__((target("fma"))) void RunListedWithFma(const DoubleDoubleFrame& g, const std::vector<int32_t>& pixels,
                                                    RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    RunListed<Variant>(g, pixels, next, counts);
}

template <int Variant>
void RunListedWithoutFma(const DoubleDoubleFrame& g, const std::vector<int32_t>& pixels, RelaxedAtomic<int32_t>& next,
                         PerturbationCounts& counts)
{
    RunListed<Variant>(g, pixels, next, counts);
}

}  // namespace

bool DoubleDoubleServes(const PerturbationReference& reference)
{
    return Returns(reference.start);
}

void FillDoubleDoubleFrame(const DeepFrameLayout& layout, const PerturbationReference& reference, bool withTable,
                           DoubleDoubleFrame& frame)
{
    frame.frame.useTable = false;
    FillPerturbationFrame(layout, reference, TablePrecision::Full, frame.frame);
    frame.start = ToDoubleDoubleOrbit(reference.start);
    if (!layout.mandelbrot)
        frame.zero = ToDoubleDoubleOrbit(reference.zero);
    BigFloat delta(layout.bits), scratch(layout.bits);
    frame.deltaRe.resize(static_cast<size_t>(layout.width));
    frame.deltaIm.resize(static_cast<size_t>(layout.height));
    for (int32_t k = 0; k < layout.width; ++k) {
        mpf_sub(delta, frame.frame.columnRe[k], reference.re);
        frame.deltaRe[k] = BigToScaled(delta, scratch);
    }
    for (int32_t row = 0; row < layout.height; ++row) {
        mpf_sub(delta, frame.frame.rowIm[row], reference.im);
        frame.deltaIm[row] = BigToScaled(delta, scratch);
    }
    frame.jump = reference.cycleJump;
    if (!withTable)
        return;
    // A dc below double's range counts as its smallest normal value: radii
    // stay on the safe side.
    double maxDc = 0;
    if (layout.mandelbrot) {
        const auto largest = [](const std::vector<ScaledDoubleDouble>& deltas) {
            double most = 0;
            for (const ScaledDoubleDouble& d : deltas)
                most = std::max(most, std::fabs(std::ldexp(d.mantissa.hi, static_cast<int>(std::clamp<int64_t>(
                                                                              d.exponent, -3000, 3000)))));
            return most;
        };
        maxDc = std::max(std::hypot(largest(frame.deltaRe), largest(frame.deltaIm)),
                         std::numeric_limits<double>::min());
    }
    frame.startTable.Build(frame.start, TableEpsilon, maxDc, TableStarts::Aligned, layout.threads);
    if (!layout.mandelbrot)
        frame.zeroTable.Build(frame.zero, TableEpsilon, 0, TableStarts::Aligned, layout.threads);
}

void RunDoubleDoublePixels(const DoubleDoubleFrame& frame, const std::vector<int32_t>& pixels,
                           RelaxedAtomic<int32_t>& next, PerturbationCounts& counts)
{
    const bool fma = __builtin_cpu_supports("fma");
    ForVariant(frame.frame, [&]<int Variant, bool>() {
        if (fma)
            RunListedWithFma<Variant>(frame, pixels, next, counts);
        else
            RunListedWithoutFma<Variant>(frame, pixels, next, counts);
    });
}
