#include "engine/kernels_perturbation.h"

#include <cmath>
#include <limits>

#include "engine/big_to_hardware.h"
#include "engine/deep_pixel.h"
#include "engine/fractal_state.h"

namespace {

template <typename T>
inline T Size(T re, T im)
{
    return std::fabs(re) + std::fabs(im);
}

// Where a pixel stands: z = Z_m + delta on one orbit.
template <typename T>
struct Cursor {
    const OrbitValue<T>* orbit;
    int64_t last;  // index of the orbit's last value
    const BlaTable<T>* table;
    int64_t m;
    T dr, di;
    T zr, zi;
};

template <typename T>
inline void Rebase(Cursor<T>& p, const HardwareOrbit<T>& zero)
{
    p.dr = p.zr;
    p.di = p.zi;
    p.orbit = zero.values.data();
    p.last = static_cast<int64_t>(zero.values.size()) - 1;
    p.table = &zero.table;
    p.m = 0;
}

// delta := (2 Z + delta) delta + dc, then z = Z + delta. A pixel closer to 0
// than to the orbit continues on the orbit of 0 from its start; so does one
// that reaches the orbit's end once it is certain to escape. False when the
// pixel cannot be followed further.
template <typename T>
inline bool Step(Cursor<T>& p, T dcr, T dci, const PerturbationFrame<T>& f)
{
    const OrbitValue<T> z = p.orbit[p.m];
    const T sumRe = (z.re + z.re) + p.dr;
    const T sumIm = (z.im + z.im) + p.di;
    const T dr = (sumRe * p.dr - sumIm * p.di) + dcr;
    const T di = (sumRe * p.di + sumIm * p.dr) + dci;
    p.dr = dr;
    p.di = di;
    ++p.m;
    const OrbitValue<T> next = p.orbit[p.m];
    p.zr = next.re + dr;
    p.zi = next.im + di;
    // Also where the orbit itself passes closer to 0 than the difference:
    // at a periodic reference's returns to 0, rounding decides the first.
    const T deltaSize = Size(dr, di);
    if (Size(p.zr, p.zi) < deltaSize || Size(next.re, next.im) < deltaSize) {
        Rebase(p, f.RebaseOrbit());
    } else if (p.m == p.last) {
        if (!(p.zr * p.zr + p.zi * p.zi > f.escapeNorm))
            return false;
        Rebase(p, f.RebaseOrbit());
    }
    return p.m < p.last;
}

// The deep kernel's pixel with z iterated as Z + delta: passes of four
// iterations with the pre-test of the fourth, table steps over whole passes
// whose pre-tests cannot fire, then the variant's single steps in long
// double from the last pass start. False when the deep kernel must compute
// the pixel.
template <typename T, int Variant>
bool PerturbedPixel(const PerturbationFrame<T>& f, T d0r, T d0i, T dcr, T dci, long double cr, long double ci,
                    int32_t& count, float& aOut, float& bOut, int64_t& skipped)
{
    constexpr bool lagged = Variant >= 3;
    const int64_t iterMax = f.iterMax;
    Cursor<T> p{f.start.values.data(), static_cast<int64_t>(f.start.values.size()) - 1, &f.start.table,
                f.startIndex, d0r, d0i, 0, 0};
    if (p.m >= p.last)
        return false;
    p.zr = p.orbit[p.m].re + d0r;
    p.zi = p.orbit[p.m].im + d0i;
    Cursor<T> passStart = p;
    int64_t e = 3;
    double previous = 2.0;
    while (e <= iterMax) {
        // Skips end at a pass start that still runs, so the saved pass
        // start and the count are the passes' own; the lagged d is only
        // compared with 4, and every skipped pre-test stayed below it.
        if (f.useTable && (!lagged || previous <= 4.0)) {
            int64_t passes = 0;
            while (iterMax - e >= 4) {
                const BlaStep<T>* s = p.table->Find(p.m, Size(p.dr, p.di), (iterMax - e) / 4, passes);
                if (!s)
                    break;
                const T dr = (s->aRe * p.dr - s->aIm * p.di) + (s->bRe * dcr - s->bIm * dci);
                const T di = (s->aRe * p.di + s->aIm * p.dr) + (s->bRe * dci + s->bIm * dcr);
                p.dr = dr;
                p.di = di;
                p.m += 4 * passes;
                e += 4 * passes;
                skipped += 4 * passes;
                p.zr = p.orbit[p.m].re + dr;
                p.zi = p.orbit[p.m].im + di;
                const OrbitValue<T>& preTested = p.orbit[p.m - 1];
                previous = TruncatedToDouble(preTested.re * preTested.re + preTested.im * preTested.im);
            }
        }
        passStart = p;
        if (!Step(p, dcr, dci, f) || !Step(p, dcr, dci, f) || !Step(p, dcr, dci, f))
            return false;
        const T s = p.zr * p.zr + p.zi * p.zi;
        if (!(s <= std::numeric_limits<T>::max()))
            return false;
        if (lagged) {
            if (previous > 4.0)
                break;
            previous = TruncatedToDouble(s);
        } else if (s > T(4)) {
            break;
        }
        if (!Step(p, dcr, dci, f))
            return false;
        e += 4;
    }

    long double zr = passStart.zr;
    long double zi = passStart.zi;
    const long double bailout = static_cast<long double>(f.bailout);
    for (int64_t j = e - 3; j <= iterMax; ++j) {
        const long double t = zi * zr;
        const long double a = zr * zr;
        const long double b = Variant == 5 ? zi * t : zi * zi;
        if (!std::isfinite(t) || !std::isfinite(a) || !std::isfinite(b))
            return false;
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
            return true;
        }
        zr = (a - b) + cr;
        zi = (t + t) + ci;
    }
    aOut = static_cast<float>(TruncatedToDouble(zr));
    bOut = static_cast<float>(TruncatedToDouble(zi));
    count = 0;
    return true;
}

template <typename T, int Variant>
void RunRows(const PerturbationFrame<T>& f, RelaxedAtomic<int32_t>& nextRow, RelaxedAtomic<int32_t>& rowsDone,
             PerturbationCounts& counts)
{
    DeepRegisters exact(f.bits);
    for (;;) {
        const int32_t row = f.firstRow + nextRow.fetch_add(1);
        if (row >= f.firstRow + f.rows)
            return;
        const size_t first = static_cast<size_t>(row - f.firstRow) * f.width;
        int64_t perturbed = 0;
        int64_t skipped = 0;
        for (int32_t k = 0; k < f.width; ++k) {
            const T d0r = f.deltaRe[k];
            const T d0i = f.deltaIm[row];
            int32_t count = 0;
            float a = 0, b = 0;
            bool followed =
                f.mandelbrot
                    ? PerturbedPixel<T, Variant>(f, d0r, d0i, d0r, d0i, f.pixelRe[k], f.pixelIm[row], count, a, b,
                                                 skipped)
                    : PerturbedPixel<T, Variant>(f, d0r, d0i, T(0), T(0), f.juliaRe, f.juliaIm, count, a, b,
                                                 skipped);
            // Escaped pixels on a real line are computed again as the view's precision decides them.
            if (followed && count != 0 && (f.realRow[row] != 0 || f.realColumn[k] != 0))
                followed = false;
            if (followed) {
                ++perturbed;
            } else {
                mpf_set(exact.zr, f.columnRe[k]);
                mpf_set(exact.zi, f.rowIm[row]);
                mpf_srcptr cr = f.mandelbrot ? f.columnRe[k].get() : f.bigJuliaRe.get();
                mpf_srcptr ci = f.mandelbrot ? f.rowIm[row].get() : f.bigJuliaIm.get();
                count = DeepPixel<Variant>(exact, cr, ci, f.iterMax, f.bailout, a, b);
                counts.exact.fetch_add(1);
            }
            f.iterOut[first + k] = count;
            f.aOut[first + k] = a;
            f.bOut[first + k] = b;
            if (State.StopRequest.load() == 1) {
                counts.perturbed.fetch_add(perturbed);
                counts.skippedIterations.fetch_add(skipped);
                return;
            }
        }
        counts.perturbed.fetch_add(perturbed);
        counts.skippedIterations.fetch_add(skipped);
        rowsDone.fetch_add(1);
    }
}

}  // namespace

template <typename T>
void RunPerturbationRows(const PerturbationFrame<T>& frame, RelaxedAtomic<int32_t>& nextRow,
                         RelaxedAtomic<int32_t>& rowsDone, PerturbationCounts& counts)
{
    switch (frame.variant) {
    case 2: RunRows<T, 2>(frame, nextRow, rowsDone, counts); break;
    case 3: RunRows<T, 3>(frame, nextRow, rowsDone, counts); break;
    case 4: RunRows<T, 4>(frame, nextRow, rowsDone, counts); break;
    case 5: RunRows<T, 5>(frame, nextRow, rowsDone, counts); break;
    default: RunRows<T, 1>(frame, nextRow, rowsDone, counts); break;
    }
}

template void RunPerturbationRows<double>(const PerturbationFrame<double>&, RelaxedAtomic<int32_t>&,
                                          RelaxedAtomic<int32_t>&, PerturbationCounts&);
template void RunPerturbationRows<long double>(const PerturbationFrame<long double>&, RelaxedAtomic<int32_t>&,
                                               RelaxedAtomic<int32_t>&, PerturbationCounts&);
