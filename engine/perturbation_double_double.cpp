#include "engine/perturbation_double_double.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/big_to_hardware.h"
#include "engine/perturbation_pixel.h"

namespace {

using namespace perturbation;
using DD = DoubleDouble;

constexpr long SmallestStepExponent = -900;

// The value to about 106 bits (GMP reads doubles by truncation; the rest
// goes into the low part).
DD BigToDoubleDouble(mpf_srcptr value, BigFloat& scratch)
{
    const double high = mpf_get_d(value);
    mpf_set_d(scratch, high);
    mpf_sub(scratch, value, scratch);
    const double low = mpf_get_d(scratch);
    return double_double::QuickTwoSum(high, low);
}

std::vector<OrbitValue<DD>> ToDoubleDoubleOrbit(const ReferenceOrbit& orbit)
{
    std::vector<OrbitValue<DD>> values(static_cast<size_t>(orbit.size()));
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

// A pixel on its orbit, as perturbation::Cursor; z = Z_m + delta is taken
// only where a test or the pass start needs it.
struct Position {
    const OrbitValue<DD>* orbit;
    int64_t last;
    int64_t m;
    DD dr, di;

    DD Re() const { return orbit[m].re + dr; }
    DD Im() const { return orbit[m].im + di; }
};

// perturbation::Step in 106 bits; the choice to rebase is the hardware
// one's, from the leading parts.
[[gnu::always_inline]] inline bool Step(const DoubleDoubleFrame& g, Position& p, DD dcr, DD dci)
{
    const OrbitValue<DD> z = p.orbit[p.m];
    const DD sumRe = (z.re + z.re) + p.dr;
    const DD sumIm = (z.im + z.im) + p.di;
    DD dr = sumRe * p.dr - sumIm * p.di;
    DD di = sumRe * p.di + sumIm * p.dr;
    if (g.frame.mandelbrot) {
        dr = dr + dcr;
        di = di + dci;
    }
    p.dr = dr;
    p.di = di;
    ++p.m;
    const OrbitValue<DD> next = p.orbit[p.m];
    const double zr = next.re.hi + dr.hi, zi = next.im.hi + di.hi;
    const double deltaSize = std::fabs(dr.hi) + std::fabs(di.hi);
    bool rebase = std::fabs(zr) + std::fabs(zi) < deltaSize || Size(next.re, next.im) < deltaSize;
    if (!rebase && p.m == p.last) {
        if (!(zr * zr + zi * zi > static_cast<double>(g.frame.escapeNorm)))
            return false;
        rebase = true;
    }
    if (rebase) {
        const std::vector<OrbitValue<DD>>& onto = g.frame.mandelbrot ? g.start : g.zero;
        p.dr = p.Re();
        p.di = p.Im();
        p.orbit = onto.data();
        p.last = static_cast<int64_t>(onto.size()) - 1;
        p.m = 0;
    }
    return p.m < p.last;
}

// perturbation::PerturbedPixel without table, repeats or bound: the passes,
// then the kernel's single steps from the last pass start.
template <int Variant>
[[gnu::always_inline]] inline Outcome DoubleDoublePixel(const DoubleDoubleFrame& g, int32_t row, int32_t k,
                                                        int32_t& count, float& a, float& b)
{
    const PerturbationFrame<long double>& f = g.frame;
    const DD d0r = g.deltaRe[k], d0i = g.deltaIm[row];
    const DD dcr = f.mandelbrot ? d0r : DD(), dci = f.mandelbrot ? d0i : DD();
    const long double cr = f.mandelbrot ? f.pixelRe[k] : f.juliaRe;
    const long double ci = f.mandelbrot ? f.pixelIm[row] : f.juliaIm;
    Position p{g.start.data(), static_cast<int64_t>(g.start.size()) - 1, f.startIndex, d0r, d0i};
    if (p.m >= p.last)
        return Outcome::Exact;
    int64_t e = FirstPassCount;
    double previous = FirstPrevious;
    Position passStart = p;
    while (e <= f.iterMax) {
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

bool DoubleDoubleServes(const DeepFrameLayout& layout, const PerturbationReference& reference)
{
    long exponentRe = 0, exponentIm = 0;
    mpf_get_d_2exp(&exponentRe, layout.stepRe);
    mpf_get_d_2exp(&exponentIm, layout.stepIm);
    return std::min(exponentRe, exponentIm) >= SmallestStepExponent && Returns(reference.start);
}

void FillDoubleDoubleFrame(const DeepFrameLayout& layout, const PerturbationReference& reference,
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
        frame.deltaRe[k] = BigToDoubleDouble(delta, scratch);
    }
    for (int32_t row = 0; row < layout.height; ++row) {
        mpf_sub(delta, frame.frame.rowIm[row], reference.im);
        frame.deltaIm[row] = BigToDoubleDouble(delta, scratch);
    }
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
