#include "engine/perturbation_setup.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "engine/big_to_hardware.h"
#include "engine/minibrot_nucleus.h"
#include "engine/misiurewicz_reference.h"
#include "engine/reference_orbit.h"
#include "engine/reference_orbit_cache.h"
#include "engine/rounding.h"
#include "engine/row_bands.h"

namespace {

// Binary exponents of the smallest pixel step each type follows, with room
// for the products of an iteration.
constexpr long DoubleStepExponent = -1012;
constexpr long ExtendedStepExponent = -16000;

// A coordinate this many binary orders below the pixel step is an axis's.
constexpr long AxisRoundingBits = 40;

// Candidate references: the centre, then the points i/8, j/8 of the view.
constexpr int32_t GridParts = 8;
// The search for a better reference than the centre (the nucleus, the
// grid) may take as many iterations as the centre's orbit or this share of
// the frame's: at high precision each costs as much as the frame's pixels,
// and pixels that outlast the reference rebase.
constexpr int64_t SearchShare = 2;

// Newton's steps for the governing nucleus end below the pixel step by this
// many binary orders: a reference need not be the nucleus to the last bit,
// as its orbit, superattracting, stays periodic all the same.
constexpr int32_t NucleusToleranceBits = 8;
// Quadratic convergence from a start inside the view needs few steps; with
// room for fewer than the least, the search is not worth its cost.
constexpr int32_t MostNewtonSteps = 16;
constexpr int32_t LeastNewtonSteps = 4;
// A Misiurewicz point's return shows in the centre's orbit at this
// precision within this many values; Newton's steps for it end this many
// binary orders below the pixel step, as its orbit's cycle is taken to be
// exact and the point's error moves every pixel.
constexpr int32_t ReturnProbeBits = 1024;
constexpr int64_t ReturnProbeLength = 2048;
constexpr int32_t ReturnToleranceBits = 40;
// A Julia set's orbit of 0 serves pixels that rebase, whose differences
// are as large as their z: it need only be an orbit to far below their
// rounding, step by step (it may leave the exact orbit of 0, as pixels
// need not follow that one), not one exact to the view's precision.
constexpr int32_t RebaseOrbitBits = 256;
// A Newton step's iteration (z and its derivative) costs about three orbit
// iterations.
constexpr int64_t NewtonIterationCost = 3;

// The share of its value a table step may drop per iteration: for a Full
// table the type's own rounding; for a Fast one 2^-36 in double and 2^-48 in
// long double, so that pixels within its square root of the orbit (where
// long orbits spend most of their iterations) skip it. Pixels whose rounding
// bound that spoils are computed again with Full tables.
template <typename T>
T TableEpsilon(TablePrecision precision)
{
    constexpr int digits = std::numeric_limits<T>::digits;
    return std::ldexp(T(1), precision == TablePrecision::Full ? -digits : digits == 53 ? -36 : -48);
}

struct Point {
    BigFloat re, im;
};

// Whether the view holds 0 between min and min + count * step.
bool SpansZero(mpf_srcptr min, mpf_srcptr step, int32_t count, int32_t bits)
{
    BigFloat max(bits);
    mpf_mul_ui(max, step, static_cast<unsigned long>(count));
    mpf_add(max, max, min);
    // A mirrored view has a negative step.
    return mpf_sgn(min) * mpf_sgn(max.get()) <= 0;
}

// Within the rounding of its coordinate from an axis: far below the step.
bool OnAxis(mpf_srcptr coordinate, mpf_srcptr step)
{
    if (mpf_sgn(coordinate) == 0)
        return true;
    long coordinateExponent, stepExponent;
    mpf_get_d_2exp(&coordinateExponent, coordinate);
    mpf_get_d_2exp(&stepExponent, step);
    return coordinateExponent < stepExponent - AxisRoundingBits;
}

// Whether the iteration keeps the real axis (Mandelbrot, or a real Julia
// constant) and, for a real Julia constant, maps the imaginary axis into it.
bool KeepsRealAxis(const DeepFrameLayout& layout)
{
    return layout.mandelbrot || mpf_sgn(layout.juliaIm) == 0;
}

// A pixel on an axis that maps into the real axis has a part that is only
// the rounding residue of its coordinate, and its orbit's part stays that
// small: Z + delta would lose it against Z's own. On such an axis the
// reference lies on it exactly, so that delta is that part itself.
void PointOfView(const DeepFrameLayout& layout, int32_t column8, int32_t row8, Point& point)
{
    BigFloat offset(layout.bits);
    mpf_mul_ui(offset, layout.stepRe, static_cast<unsigned long>(layout.width) * column8 / GridParts);
    mpf_add(point.re, layout.realMin, offset);
    mpf_mul_ui(offset, layout.stepIm, static_cast<unsigned long>(layout.height) * row8 / GridParts);
    mpf_add(point.im, layout.imagMin, offset);
    const bool realConstant = KeepsRealAxis(layout);
    if (realConstant && SpansZero(layout.imagMin, layout.stepIm, layout.height, layout.bits))
        mpf_set_ui(point.im, 0);
    if (!layout.mandelbrot && realConstant && SpansZero(layout.realMin, layout.stepRe, layout.width, layout.bits))
        mpf_set_ui(point.re, 0);
}

// The orbit the pixels start on: of 0 under c = point (Mandelbrot) or of the
// point under the Julia constant.
OrbitKey KeyOf(const DeepFrameLayout& layout, const Point& point)
{
    return {layout.mandelbrot, layout.bits, point.re, point.im, layout.juliaRe, layout.juliaIm};
}

bool StartOrbit(const DeepFrameLayout& layout, const Point& point, BigFloat& zero, int64_t length,
                ReferenceOrbit& orbit, RelaxedAtomic<int64_t>& progress)
{
    if (TakeCachedOrbit(KeyOf(layout, point), length, orbit)) {
        progress.store(orbit.size());
        return true;
    }
    if (layout.mandelbrot)
        return IterateOrbit(zero, zero, point.re, point.im, layout.bits, length, orbit, progress);
    return IterateOrbit(point.re, point.im, layout.juliaRe, layout.juliaIm, layout.bits, length, orbit, progress);
}

// Half the view's diagonal, for the disc that finds the governing minibrot.
long double ViewRadius(const DeepFrameLayout& layout)
{
    BigFloat scratch(layout.bits);
    const long double width = std::fabs(BigToLongDouble(layout.stepRe, scratch)) * layout.width;
    const long double height = std::fabs(BigToLongDouble(layout.stepIm, scratch)) * layout.height;
    return std::hypot(width, height) / 2;
}

// Whether a point lies within a view's radius of its centre (|re| + |im|
// against half the diagonal, at any depth).
bool WithinRadius(const DeepFrameLayout& layout, const Point& centre, const Point& point)
{
    BigFloat distance(layout.bits), part(layout.bits), radius(layout.bits);
    mpf_mul_ui(radius, layout.stepRe, static_cast<unsigned long>(layout.width));
    mpf_mul(radius, radius, radius);
    mpf_mul_ui(part, layout.stepIm, static_cast<unsigned long>(layout.height));
    mpf_mul(part, part, part);
    mpf_add(radius, radius, part);
    mpf_sqrt(radius, radius);
    mpf_div_2exp(radius, radius, 1);
    mpf_sub(distance, point.re, centre.re);
    mpf_abs(distance, distance);
    mpf_sub(part, point.im, centre.im);
    mpf_abs(part, part);
    mpf_add(distance, distance, part);
    return mpf_cmp(distance, radius) <= 0;
}

// Whether |c| <= 2 for certain: well within in long double, or real within
// [-2, 2] (the Julia set of -2).
bool WithinCircle(mpf_srcptr re, mpf_srcptr im, int32_t bits)
{
    if (mpf_sgn(im) == 0)
        return mpf_cmp_si(re, -2) >= 0 && mpf_cmp_si(re, 2) <= 0;
    BigFloat scratch(bits);
    const long double x = BigToLongDouble(re, scratch);
    const long double y = BigToLongDouble(im, scratch);
    return x * x + y * y <= 4 * (1 - 0x1p-50L);
}

// A Misiurewicz point (for a Julia set: a z_0 whose orbit lands on a
// repelling cycle) within a view's radius of its centre, found from the
// centre's orbit at a modest precision: its orbit, known for ever from its
// first values, never escapes, and spares the minutes the centre's orbit
// takes to follow the cycle at the view's precision 1e-20000 deep.
bool FindMisiurewiczReference(const DeepFrameLayout& layout, const Point& centre, int64_t length, Point& chosen,
                              ReferenceOrbit& orbit, RelaxedAtomic<int64_t>& progress)
{
    BigFloat zero(layout.bits);
    ReferenceOrbit probe;
    const int32_t probeBits = std::min(layout.bits, ReturnProbeBits);
    const bool probed = layout.mandelbrot ? IterateOrbit(zero, zero, centre.re, centre.im, probeBits,
                                                         ReturnProbeLength, probe, progress)
                                          : IterateOrbit(centre.re, centre.im, layout.juliaRe, layout.juliaIm,
                                                         probeBits, ReturnProbeLength, probe, progress);
    OrbitReturn found;
    if (!probed || !FindRepellingReturn(probe, found))
        return false;
    const int64_t stepCost = (found.preperiod + found.period) * NewtonIterationCost;
    const int32_t steps = static_cast<int32_t>(std::min<int64_t>(MostNewtonSteps, length / stepCost));
    if (steps < LeastNewtonSteps)
        return false;
    BigFloat tolerance(layout.bits);
    mpf_set(tolerance, layout.stepRe);
    mpf_abs(tolerance, tolerance);
    mpf_div_2exp(tolerance, tolerance, ReturnToleranceBits);
    mpf_set(chosen.re, centre.re);
    mpf_set(chosen.im, centre.im);
    const mpf_srcptr julia[2] = {layout.juliaRe, layout.juliaIm};
    const bool refined = RefineOrbitReturn(chosen.re, chosen.im, found, layout.mandelbrot ? nullptr : julia,
                                           tolerance, layout.bits, steps);
    // A centre put on an axis (see PointOfView) must keep to it.
    const bool leftAxis = (mpf_sgn(centre.im.get()) == 0 && mpf_sgn(chosen.im.get()) != 0) ||
                          (!layout.mandelbrot && mpf_sgn(centre.re.get()) == 0 && mpf_sgn(chosen.re.get()) != 0);
    if (!refined || leftAxis || !WithinRadius(layout, centre, chosen)) {
        mpf_set(chosen.re, centre.re);
        mpf_set(chosen.im, centre.im);
        return false;
    }
    if (layout.mandelbrot)
        return ReturningOrbit(zero, zero, chosen.re, chosen.im, layout.bits, found, length, orbit, progress);
    return ReturningOrbit(chosen.re, chosen.im, layout.juliaRe, layout.juliaIm, layout.bits, found, length, orbit,
                          progress);
}

// The nucleus of the minibrot that governs a Mandelbrot view, when one lies
// within a view's radius of its centre: its orbit never escapes and returns
// to 0 every period, so pixels keep to it and its table.
// Newton's steps are charged to `spent` out of `budget` (iterations).
bool FindGoverningNucleus(const DeepFrameLayout& layout, const Point& centre, const ReferenceOrbit& centreOrbit,
                          int64_t budget, int64_t& spent, Point& nucleus)
{
    const long double radius = ViewRadius(layout);
    const int64_t period = BallPeriod(centreOrbit, radius);
    if (period < 2)
        return false;
    const int64_t stepCost = period * NewtonIterationCost;
    const int32_t steps = static_cast<int32_t>(std::min<int64_t>(MostNewtonSteps, budget / stepCost));
    if (steps < LeastNewtonSteps)
        return false;
    spent += steps * stepCost;
    mpf_set(nucleus.re, centre.re);
    mpf_set(nucleus.im, centre.im);
    BigFloat tolerance(layout.bits);
    mpf_set(tolerance, layout.stepRe);
    mpf_abs(tolerance, tolerance);
    mpf_div_2exp(tolerance, tolerance, NucleusToleranceBits);
    return RefineNucleus(nucleus.re, nucleus.im, period, tolerance, layout.bits, steps) &&
           WithinRadius(layout, centre, nucleus);
}

bool ChooseReference(const DeepFrameLayout& layout, Point& chosen, ReferenceOrbit& orbit,
                     RelaxedAtomic<int64_t>& progress)
{
    const int64_t length = ReferenceLength(layout);
    Point centre{BigFloat(layout.bits), BigFloat(layout.bits)};
    PointOfView(layout, GridParts / 2, GridParts / 2, centre);
    BigFloat zero(layout.bits);
    if (FindMisiurewiczReference(layout, centre, length, chosen, orbit, progress))
        return true;
    mpf_set(chosen.re, centre.re);
    mpf_set(chosen.im, centre.im);
    if (!StartOrbit(layout, chosen, zero, length, orbit, progress))
        return false;
    CacheOrbit(KeyOf(layout, centre), length, orbit);
    Point candidate{BigFloat(layout.bits), BigFloat(layout.bits)};
    ReferenceOrbit candidateOrbit;
    const int64_t budget = std::max(orbit.size(), length / SearchShare);
    int64_t spent = 0;
    if (layout.mandelbrot && FindGoverningNucleus(layout, chosen, orbit, budget, spent, candidate)) {
        if (!StartOrbit(layout, candidate, zero, length, candidateOrbit, progress))
            return false;
        if (candidateOrbit.size() >= orbit.size()) {
            std::swap(orbit, candidateOrbit);
            mpf_set(chosen.re, candidate.re);
            mpf_set(chosen.im, candidate.im);
        }
    }
    // A candidate must outlast the best orbit to replace it; the search stops
    // before it could take more iterations than the budget.
    const auto searching = [&] { return orbit.size() < length && spent + orbit.size() <= budget; };
    for (int32_t i = 1; i < GridParts && searching(); ++i) {
        for (int32_t j = 1; j < GridParts && searching(); ++j) {
            if (i == GridParts / 2 && j == GridParts / 2)
                continue;
            PointOfView(layout, i, j, candidate);
            if (!StartOrbit(layout, candidate, zero, length, candidateOrbit, progress))
                return false;
            spent += candidateOrbit.size();
            if (candidateOrbit.size() > orbit.size()) {
                std::swap(orbit, candidateOrbit);
                mpf_set(chosen.re, candidate.re);
                mpf_set(chosen.im, candidate.im);
            }
        }
    }
    CacheOrbit(KeyOf(layout, chosen), length, orbit);
    return true;
}

// Whether an orbit keeps to |z| = 2 for a while (beside the needle's tip,
// hundreds of values); elsewhere a value that near is rare.
bool KeepsToCircle(const ReferenceOrbit& orbit)
{
    return orbit.nearCircle.size() >= 64;
}

// bailout: the single steps' limit where it is worth a table of its own
// (see HardwareOrbit::bailoutTable), else 0.
template <typename T>
void ToHardwareOrbit(const ReferenceOrbit& orbit, T maxDc, T epsilon, bool withTable, TableStarts starts,
                     NearLimitTests nearLimit, int32_t threads, T bailout, HardwareOrbit<T>& hardware)
{
    hardware.values.resize(static_cast<size_t>(orbit.size()));
    for (int64_t k = 0; k < orbit.size(); ++k)
        hardware.values[k] = {static_cast<T>(orbit.re[k]), static_cast<T>(orbit.im[k])};
    hardware.nearCircle = orbit.nearCircle;
    hardware.table.Clear();
    hardware.bailoutTable.Clear();
    if (withTable)
        hardware.table.Build(hardware.values, epsilon, maxDc, starts, threads, TestedValues::PreTest, 4, nearLimit);
    if (withTable && bailout > 0 && KeepsToCircle(orbit))
        hardware.bailoutTable.Build(hardware.values, epsilon, maxDc, starts, threads, TestedValues::Every, bailout);
}

template <typename D>
Hardware<D> LargestMagnitude(const std::vector<D>& values)
{
    Hardware<D> largest = 0;
    for (const D& v : values)
        largest = std::max(largest, std::fabs(ToHardware(v)));
    return largest;
}

}  // namespace

FastArithmetic FastArithmeticFor(mpf_srcptr stepRe, mpf_srcptr stepIm, int32_t iterMax)
{
    if (iterMax > FastDeepMaxIterations || mpf_sgn(stepRe) == 0 || mpf_sgn(stepIm) == 0)
        return FastArithmetic::None;
    long exponentRe, exponentIm;
    mpf_get_d_2exp(&exponentRe, stepRe);
    mpf_get_d_2exp(&exponentIm, stepIm);
    const long smallest = std::min(exponentRe, exponentIm);
    // Long orbits agree with the exact frames' settled pixels as well in
    // double as in long double (the table and the rebasing keep each
    // difference small), at a third of the cost.
    if (smallest >= DoubleStepExponent)
        return FastArithmetic::Double;
    if (smallest >= ExtendedStepExponent)
        return FastArithmetic::Extended;
    return FastArithmetic::WideExponent;
}

int64_t ReferenceLength(const DeepFrameLayout& layout)
{
    // Passes reach z_(IterMax + 1); Mandelbrot pixel z_i is Z_(i + 1); one
    // more value lets the pixel stand before the orbit's last.
    return static_cast<int64_t>(std::max(layout.iterMax, 0)) + (layout.mandelbrot ? 4 : 3);
}

// A difference read from the view: in its hardware type, or with the wider exponent.
template <typename D>
D DifferenceOf(mpf_srcptr value, BigFloat& scratch)
{
    if constexpr (IsWideFloat<D>::value)
        return BigToWide(value, scratch);
    else
        return static_cast<D>(BigToLongDouble(value, scratch));
}

// The orbit of 0 of a constant whose cycle holds 0 (-1, the basilica's)
// comes back to 0 exactly: it ends there after a few hundred values, and
// pixels that reach its end go on from its start (see Step), so that their
// pass starts repeat once their differences have shrunk to nothing. Shorter,
// it would send the vector lanes' pixels back to their own loops at every
// few passes.
void EndAtReturnToZero(ReferenceOrbit& orbit)
{
    constexpr int64_t ShortestLength = 256;
    const auto zeroAt = [&](int64_t n) {
        return orbit.re[n] == 0 && orbit.im[n] == 0 && orbit.reLow[n] == 0 && orbit.imLow[n] == 0;
    };
    int64_t period = 1;
    while (period < orbit.size() && !zeroAt(period))
        ++period;
    const int64_t end = (ShortestLength + period - 1) / period * period;
    if (end >= orbit.size() || !zeroAt(end))
        return;
    const size_t length = static_cast<size_t>(end + 1);
    orbit.re.resize(length);
    orbit.im.resize(length);
    orbit.reLow.resize(length);
    orbit.imLow.resize(length);
    std::erase_if(orbit.nearCircle, [end](const CircleExcess& near) { return near.index > end; });
}

bool ChoosePerturbationReference(const DeepFrameLayout& layout, PerturbationReference& reference,
                                 RelaxedAtomic<int64_t>& progress)
{
    Point chosen{BigFloat(layout.bits), BigFloat(layout.bits)};
    if (!ChooseReference(layout, chosen, reference.start, progress))
        return false;
    reference.re.Create(layout.bits);
    reference.im.Create(layout.bits);
    mpf_set(reference.re, chosen.re);
    mpf_set(reference.im, chosen.im);
    if (!layout.mandelbrot) {
        const int32_t bits = std::min(layout.bits, RebaseOrbitBits);
        BigFloat zero(bits);
        if (!IterateOrbit(zero, zero, layout.juliaRe, layout.juliaIm, bits, ReferenceLength(layout), reference.zero,
                          progress))
            return false;
        EndAtReturnToZero(reference.zero);
        reference.cycleJump = CycleJumpOf(reference.start);
    }
    return true;
}

template <typename D>
void FillPerturbationFrame(const DeepFrameLayout& layout, const PerturbationReference& reference,
                           TablePrecision precision, PerturbationFrame<D>& frame)
{
    using T = Hardware<D>;
    const int32_t bits = layout.bits;
    frame.variant = layout.variant;
    frame.iterMax = layout.iterMax;
    frame.bailout = static_cast<unsigned long>(RoundToInt64(layout.bailout));
    frame.mandelbrot = layout.mandelbrot;
    frame.bits = bits;
    frame.width = layout.width;
    frame.height = layout.height;
    frame.firstRow = layout.rows > 0 ? layout.firstRow : 0;
    frame.rows = layout.rows > 0 ? layout.rows : layout.height;
    frame.startIndex = layout.mandelbrot ? 1 : 0;
    frame.tableEpsilon = TableEpsilon<T>(precision);

    // Pixel coordinates added up as the deep kernels add them.
    BigFloat scratch(bits), delta(bits);
    frame.columnRe.reset(new BigFloat[static_cast<size_t>(layout.width)]);
    frame.rowIm.reset(new BigFloat[static_cast<size_t>(layout.height)]);
    frame.deltaRe.resize(static_cast<size_t>(layout.width));
    frame.deltaIm.resize(static_cast<size_t>(layout.height));
    frame.pixelRe.resize(static_cast<size_t>(layout.width));
    frame.pixelIm.resize(static_cast<size_t>(layout.height));
    BigFloat x(bits);
    mpf_set(x, layout.realMin);
    for (int32_t k = 0; k < layout.width; ++k) {
        frame.columnRe[k].Create(bits);
        if (layout.columnValues) {
            LongDoubleToBig(layout.columnValues[k], frame.columnRe[k]);
            continue;
        }
        mpf_set(frame.columnRe[k], x);
        mpf_add(x, x, layout.stepRe);
    }
    const int32_t threads = std::max(layout.threads, 1);
    const int32_t rowsPerBand = RowsPerBandFor(layout.height, threads);
    BigFloat y(bits), offset(bits);
    for (int32_t row = 0; row < layout.height; ++row) {
        frame.rowIm[row].Create(bits);
        if (layout.rowValues)
            LongDoubleToBig(layout.rowValues[row], frame.rowIm[row]);
    }
    for (int32_t band = 0; band < threads && !layout.rowValues; ++band) {
        const RowBand rows = BandOf(band, threads, rowsPerBand, layout.height);
        if (rows.lastRow < rows.firstRow)
            continue;
        mpf_mul_ui(offset, layout.stepIm, static_cast<unsigned long>(std::max(rows.firstRow, 0)));
        mpf_add(y, layout.imagMin, offset);
        for (int32_t row = std::max(rows.firstRow, 0); row <= rows.lastRow && row < layout.height; ++row) {
            mpf_set(frame.rowIm[row], y);
            mpf_add(y, y, layout.stepIm);
        }
    }
    const bool keepsReal = KeepsRealAxis(layout);
    frame.realColumn.assign(static_cast<size_t>(layout.width), 0);
    frame.realRow.assign(static_cast<size_t>(layout.height), 0);
    for (int32_t k = 0; k < layout.width; ++k)
        frame.realColumn[k] = keepsReal && !layout.mandelbrot && OnAxis(frame.columnRe[k], layout.stepRe);
    for (int32_t row = 0; row < layout.height; ++row)
        frame.realRow[row] = keepsReal && OnAxis(frame.rowIm[row], layout.stepIm);
    frame.chaoticAxisColumn.assign(static_cast<size_t>(layout.width), 1);
    frame.axisInSet = FastArithmeticFor(layout.stepRe, layout.stepIm, layout.iterMax) == FastArithmetic::WideExponent;
    for (int32_t k = 0; k < layout.width && layout.mandelbrot; ++k) {
        mpf_srcptr re = frame.columnRe[k];
        frame.chaoticAxisColumn[k] = mpf_cmp_si(re, -2) >= 0 && mpf_cmp_d(re, 0.25) <= 0;
    }
    for (int32_t k = 0; k < layout.width; ++k) {
        mpf_sub(delta, frame.columnRe[k], reference.re);
        frame.deltaRe[k] = DifferenceOf<D>(delta, scratch);
        frame.pixelRe[k] = BigToLongDouble(frame.columnRe[k], scratch);
    }
    for (int32_t row = 0; row < layout.height; ++row) {
        mpf_sub(delta, frame.rowIm[row], reference.im);
        frame.deltaIm[row] = DifferenceOf<D>(delta, scratch);
        frame.pixelIm[row] = BigToLongDouble(frame.rowIm[row], scratch);
    }
    long double cNorm;
    if (layout.mandelbrot) {
        const long double re = LargestMagnitude(frame.pixelRe);
        const long double im = LargestMagnitude(frame.pixelIm);
        cNorm = re * re + im * im;
    } else {
        frame.bigJuliaRe.Create(bits);
        frame.bigJuliaIm.Create(bits);
        mpf_set(frame.bigJuliaRe, layout.juliaRe);
        mpf_set(frame.bigJuliaIm, layout.juliaIm);
        frame.juliaRe = BigToLongDouble(layout.juliaRe, scratch);
        frame.juliaIm = BigToLongDouble(layout.juliaIm, scratch);
        cNorm = frame.juliaRe * frame.juliaRe + frame.juliaIm * frame.juliaIm;
    }
    frame.escapeNorm = static_cast<T>(std::max(4.0L, cNorm));

    // A dc below T's range counts as T's smallest normal value: radii stay
    // on the safe side.
    const T maxDc = layout.mandelbrot ? std::max(std::hypot(LargestMagnitude(frame.deltaRe),
                                                            LargestMagnitude(frame.deltaIm)),
                                                 std::numeric_limits<T>::min())
                                      : T(0);
    // The single steps test |z|^2 against the bailout in variants 1 and 4.
    const T bailout = (frame.variant == 1 || frame.variant == 4) && frame.bailout > 4 ? T(frame.bailout) : T(0);
    // The circle's escape is monotone for z^2 + c only where |c| <= 2.
    frame.landingChecks = frame.boundRounding && std::is_same_v<T, long double> && frame.variant < 3 &&
                          (layout.mandelbrot || WithinCircle(layout.juliaRe, layout.juliaIm, bits));
    const NearLimitTests nearLimit = frame.landingChecks ? NearLimitTests::LandingChecked : NearLimitTests::Refused;
    // The frame's threads wait for the table: they build it.
    ToHardwareOrbit(reference.start, maxDc, frame.tableEpsilon, frame.useTable, frame.tableStarts, nearLimit, threads,
                    bailout, frame.start);
    if (!layout.mandelbrot)
        ToHardwareOrbit(reference.zero, T(0), frame.tableEpsilon, frame.useTable, frame.tableStarts, nearLimit,
                        threads, bailout, frame.zero);
    frame.start.jump = Rounded<T>(reference.cycleJump);
}

template <typename D>
bool PreparePerturbationFrame(const DeepFrameLayout& layout, PerturbationFrame<D>& frame,
                              RelaxedAtomic<int64_t>& progress)
{
    PerturbationReference reference;
    if (!ChoosePerturbationReference(layout, reference, progress))
        return false;
    FillPerturbationFrame(layout, reference, TablePrecision::Fast, frame);
    return true;
}

template void FillPerturbationFrame<double>(const DeepFrameLayout&, const PerturbationReference&, TablePrecision,
                                           PerturbationFrame<double>&);
template void FillPerturbationFrame<long double>(const DeepFrameLayout&, const PerturbationReference&,
                                                TablePrecision, PerturbationFrame<long double>&);
template void FillPerturbationFrame<WideDelta>(const DeepFrameLayout&, const PerturbationReference&, TablePrecision,
                                              PerturbationFrame<WideDelta>&);
template bool PreparePerturbationFrame<double>(const DeepFrameLayout&, PerturbationFrame<double>&,
                                               RelaxedAtomic<int64_t>&);
template bool PreparePerturbationFrame<long double>(const DeepFrameLayout&, PerturbationFrame<long double>&,
                                                    RelaxedAtomic<int64_t>&);
template bool PreparePerturbationFrame<WideDelta>(const DeepFrameLayout&, PerturbationFrame<WideDelta>&,
                                                  RelaxedAtomic<int64_t>&);
