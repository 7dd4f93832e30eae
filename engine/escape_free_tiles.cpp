#include "engine/escape_free_tiles.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "engine/fractal_state.h"
#include "engine/main_components.h"

namespace {

// A proof follows a tile's orbit for the whole budget, where the kernels
// skip the periods of pixels whose state repeats: beyond this budget the
// proofs of large inside areas cost more than the kernels.
constexpr int32_t LongestProof = 1 << 16;

// Tiles are split no further than this: below it a failed proof costs about
// what iterating the pixels does.
constexpr int32_t SmallestTile = 4;

// Each bound computed in double is scaled by this to cover the roundings of
// its own few operations.
constexpr double RoundUp = 1 + 0x1p-40;

// One step's roundings, relative to the size of what is rounded: the
// centre's and its derivative's in double (each below 5 * 2^-53 for the
// real and imaginary parts together) and every pixel's on the x87 unit
// (below 2^-61).
constexpr double StepRounding = 0x1p-50;

// The tests compare float32 roundings of extended values: a margin of 2^-20
// keeps a value below the limit below the test's threshold after them.
constexpr double TestMargin = 1 - 0x1p-20;

struct Disc {
    double re;
    double im;
    double radius;
};

struct Rect {
    int32_t column0;
    int32_t column1;  // one past the last
    int32_t row0;
    int32_t row1;
};

// The disc around the double nearest the middle of the coordinates that
// holds all of them.
Disc Enclose(const long double* re, int32_t reCount, const long double* im, int32_t imCount)
{
    const auto [reMin, reMax] = std::minmax_element(re, re + reCount);
    const auto [imMin, imMax] = std::minmax_element(im, im + imCount);
    const double centreRe = static_cast<double>((*reMin + *reMax) / 2);
    const double centreIm = static_cast<double>((*imMin + *imMax) / 2);
    const long double dx = std::max(fabsl(*reMin - centreRe), fabsl(*reMax - centreRe));
    const long double dy = std::max(fabsl(*imMin - centreIm), fabsl(*imMax - centreIm));
    return {centreRe, centreIm, static_cast<double>(sqrtl(dx * dx + dy * dy)) * RoundUp};
}

// Four rectangles are proven side by side, one in each lane of a vector:
// one orbit's step is a chain of dependent operations, four keep the units
// busy. Plain SSE2, which every x86-64 processor has.
constexpr int LaneCount = 4;
using Lanes = double __attribute__((vector_size(LaneCount * sizeof(double))));
using LaneMask = int64_t __attribute__((vector_size(LaneCount * sizeof(int64_t))));

// Through references: passing these by value would need AVX's calling convention.
void SetSqrt(Lanes& root, const Lanes& x)
{
    const __m128d low = _mm_sqrt_pd(__m128d{x[0], x[1]});
    const __m128d high = _mm_sqrt_pd(__m128d{x[2], x[3]});
    root = Lanes{low[0], low[1], high[0], high[1]};
}

bool Any(const LaneMask& mask)
{
    return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

enum class Proof {
    Proven,
    Failed,
    CentreLeaves,  // the centre's own orbit reaches the limit
};

// Whether every orbit of each disc's pixels stays below the limit for the
// kernels' steps. A disc's pixels are c0 + t with |t| <= rho (Mandelbrot: z
// starts at c, so z0 = c0 + t as well; Julia: z0 = c0 + t and c the Julia
// constant within `constant.radius` of its double). Each pixel's z is written
// w + d t + e: the centre's orbit w and its derivative d in double, computed,
// and a remainder with |e| <= E bounded from
//   e' = d^2 t^2 + 2 (w + d t) e + e^2 + (the roundings of w', d' and the pixel's step),
// which keeps the phase of d where a bound on |z - w| alone would add up
// every step's spread. Lanes from `count` on repeat lane 0 and are not answered.
__attribute__((target_clones("avx2", "default"))) void StayBelowLimit(const EscapeFreeFrame& frame, const std::array<Disc, LaneCount>& pixels, int count,
                    const Disc& constant, std::array<Proof, LaneCount>& proofs)
{
    // The kernels compute at most four steps past the budget (a block that
    // runs out of it) and never fewer than one block.
    const int64_t steps = std::max<int64_t>(frame.iterMax, 4) + 4;
    Lanes wr, wi, rho;
    for (int lane = 0; lane < LaneCount; ++lane) {
        const Disc& disc = pixels[lane < count ? lane : 0];
        wr[lane] = disc.re;
        wi[lane] = disc.im;
        rho[lane] = disc.radius;
    }
    const Lanes none{};
    const Lanes cr = frame.mandelbrot ? wr : none + constant.re;
    const Lanes ci = frame.mandelbrot ? wi : none + constant.im;
    Lanes cSize;
    SetSqrt(cSize, cr * cr + ci * ci);
    cSize = cSize * RoundUp + rho + constant.radius;
    const double dc = frame.mandelbrot ? 1 : 0;
    const Lanes limit = none + frame.limit;
    Lanes dr = none + 1;
    Lanes di = none;
    Lanes e = none;
    LaneMask open = LaneMask{0, 1, 2, 3} < count;
    for (int64_t n = 0;; ++n) {
        Lanes size, spread;
        SetSqrt(size, wr * wr + wi * wi);
        SetSqrt(spread, dr * dr + di * di);
        size *= RoundUp;
        spread *= RoundUp * rho;
        const Lanes reach = (size + spread + e) * RoundUp;
        // A NaN compares false: it fails.
        const LaneMask below = reach * reach * RoundUp < limit;
        if (Any(open & ~below)) {
            for (int lane = 0; lane < count; ++lane)
                if (open[lane] && !below[lane])
                    proofs[lane] = size[lane] * size[lane] < frame.limit ? Proof::Failed : Proof::CentreLeaves;
            open &= below;
            if (!Any(open))
                return;
        }
        if (n == steps)
            break;
        const Lanes rounding = StepRounding * (size * size + cSize + (2 * size * spread + rho) + reach * reach);
        e = (spread * spread + 2 * (size + spread) * e + e * e + rounding + constant.radius) * RoundUp;
        const Lanes nextDr = 2 * (wr * dr - wi * di) + dc;
        di = 2 * (wr * di + wi * dr);
        dr = nextDr;
        const Lanes re = wr * wr - wi * wi + cr;
        wi = 2 * wr * wi + ci;
        wr = re;
    }
    for (int lane = 0; lane < count; ++lane)
        if (open[lane])
            proofs[lane] = Proof::Proven;
}

// Proves up to four rectangles at once, and splits those that fail (down to
// a few pixels) to prove their parts.
void Mark(const EscapeFreeFrame& frame, const Rect* rects, int count, uint8_t* marks)
{
    std::array<Disc, LaneCount> discs{};
    for (int k = 0; k < count; ++k)
        discs[k] = Enclose(frame.columnRe.data() + rects[k].column0, rects[k].column1 - rects[k].column0,
                           frame.rowIm.data() + rects[k].row0, rects[k].row1 - rects[k].row0);
    const double re = static_cast<double>(frame.juliaRe);
    const double im = static_cast<double>(frame.juliaIm);
    const long double dx = fabsl(frame.juliaRe - re);
    const long double dy = fabsl(frame.juliaIm - im);
    const Disc constant{re, im, frame.mandelbrot ? 0 : static_cast<double>(dx + dy) * RoundUp};
    std::array<Proof, LaneCount> proofs{};
    StayBelowLimit(frame, discs, count, constant, proofs);
    const size_t width = frame.columnRe.size();
    for (int k = 0; k < count; ++k) {
        const Rect& rect = rects[k];
        if (proofs[k] == Proof::Proven) {
            for (int32_t row = rect.row0; row < rect.row1; ++row)
                std::memset(marks + row * width + rect.column0, 1, static_cast<size_t>(rect.column1 - rect.column0));
            continue;
        }
        // Where the centre's orbit leaves, pixels near it escape, and the
        // parts all meet there: they rarely prove, and trying costs about 7 %
        // of a frame.
        const int32_t columns = rect.column1 - rect.column0;
        const int32_t rows = rect.row1 - rect.row0;
        if ((columns <= SmallestTile && rows <= SmallestTile) || proofs[k] == Proof::CentreLeaves)
            continue;
        Rect parts[LaneCount];
        int partCount = 0;
        const int32_t columnSplit = columns > SmallestTile ? rect.column0 + columns / 2 : rect.column1;
        const int32_t rowSplit = rows > SmallestTile ? rect.row0 + rows / 2 : rect.row1;
        for (const Rect& part : {Rect{rect.column0, columnSplit, rect.row0, rowSplit},
                                 Rect{columnSplit, rect.column1, rect.row0, rowSplit},
                                 Rect{rect.column0, columnSplit, rowSplit, rect.row1},
                                 Rect{columnSplit, rect.column1, rowSplit, rect.row1}})
            if (part.column0 < part.column1 && part.row0 < part.row1)
                parts[partCount++] = part;
        Mark(frame, parts, partCount, marks);
    }
}

// Marks the pixels of the rectangle inside the main cardioid or the disc of
// period 2; true when that is all of them.
bool MarkInMainComponents(const EscapeFreeFrame& frame, const Rect& rect, uint8_t* marks)
{
    const size_t width = frame.columnRe.size();
    const Disc disc = Enclose(frame.columnRe.data() + rect.column0, rect.column1 - rect.column0,
                              frame.rowIm.data() + rect.row0, rect.row1 - rect.row0);
    const MainComponentCover cover = MainComponentsCover(disc.re, disc.im, disc.radius, frame.limit);
    if (cover == MainComponentCover::None)
        return false;
    for (int32_t row = rect.row0; row < rect.row1; ++row)
        for (int32_t column = rect.column0; column < rect.column1; ++column)
            if (cover == MainComponentCover::All ||
                MainComponentsCover(static_cast<double>(frame.columnRe[column]), static_cast<double>(frame.rowIm[row]),
                                    0, frame.limit) == MainComponentCover::All)
                marks[row * width + column] = 1;
    return cover == MainComponentCover::All;
}

int32_t TilesAcross(const EscapeFreeFrame& frame)
{
    return static_cast<int32_t>((frame.columnRe.size() + EscapeFreeTileSize - 1) / EscapeFreeTileSize);
}

}  // namespace

double EscapeFreeLimit(int32_t variant, double bailout)
{
    // Below it the float32 roundings of the slow tests are no longer relative.
    if (!(bailout >= 0x1p-100))
        return 0;
    if (variant == 1)
        return std::min(4.0, bailout) * TestMargin;
    if (variant == 2)
        return std::min(4.0, bailout / 2) * TestMargin;
    return 0;
}

int32_t EscapeFreeTileCount(const EscapeFreeFrame& frame)
{
    const auto tilesDown = static_cast<int32_t>((frame.rowIm.size() + EscapeFreeTileSize - 1) / EscapeFreeTileSize);
    return frame.limit > 0 && frame.iterMax <= LongestProof ? TilesAcross(frame) * tilesDown : 0;
}

void MarkEscapeFreeTile(const EscapeFreeFrame& frame, int32_t tile, uint8_t* marks)
{
    const int32_t column0 = tile % TilesAcross(frame) * EscapeFreeTileSize;
    const int32_t row0 = tile / TilesAcross(frame) * EscapeFreeTileSize;
    const Rect rect{column0, std::min<int32_t>(column0 + EscapeFreeTileSize, static_cast<int32_t>(frame.columnRe.size())),
                    row0, std::min<int32_t>(row0 + EscapeFreeTileSize, static_cast<int32_t>(frame.rowIm.size()))};
    // Near the edges of the two largest components orbits settle too slowly
    // for any proof by iteration.
    if (frame.mandelbrot && MarkInMainComponents(frame, rect, marks))
        return;
    Mark(frame, &rect, 1, marks);
}

int32_t MarkEscapeFreeTiles(const EscapeFreeFrame& frame, RelaxedAtomic<int32_t>& nextTile, uint8_t* marks)
{
    const int32_t tiles = EscapeFreeTileCount(frame);
    int32_t marked = 0;
    // After Esc the tiles are only taken, so that every worker sees them all gone.
    for (int32_t tile = nextTile.fetch_add(1); tile < tiles; tile = nextTile.fetch_add(1), ++marked)
        if (State.StopRequest.load() == 0)
            MarkEscapeFreeTile(frame, tile, marks);
    return marked;
}
