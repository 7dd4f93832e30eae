#include "engine/double_lane_blocks.h"

#include <immintrin.h>

#include <cmath>
#include <cstring>

namespace {

// Four lanes a register, four registers: a step is seven operations along
// two chains some ten cycles long, and sixteen lanes keep both multiply and
// both add units busy.
using Values = double __attribute__((vector_size(32)));
using Masks = int64_t __attribute__((vector_size(32)));
constexpr int Width = 4;
constexpr int Vectors = DoubleLaneCount / Width;

// Vectors by reference only: by value they would need the wider calling
// conventions in code built for any processor.
template <typename Vector, typename Element>
[[gnu::always_inline]] inline void Load(Vector& v, const Element* from)
{
    std::memcpy(&v, from, sizeof v);
}

template <typename Vector, typename Element>
[[gnu::always_inline]] inline void Store(Element* to, const Vector& v)
{
    std::memcpy(to, &v, sizeof v);
}

__attribute__((target("avx2"), always_inline)) inline void SquareRoot(Values& root, const Values& x)
{
    root = reinterpret_cast<Values>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(x)));
}

template <bool Lagged>
__attribute__((target("avx2"), always_inline)) inline void RunBlocks(DoubleLaneBlocks& b)
{
    constexpr int V = Vectors;
    Values zr[V], zi[V], cr[V], ci[V], radius[V], bound[V];
    Masks left[V];
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        Load(zr[v], b.zr + v * Width);
        Load(zi[v], b.zi + v * Width);
        Load(cr[v], b.cr + v * Width);
        Load(ci[v], b.ci + v * Width);
        Load(radius[v], b.radius + v * Width);
        Load(bound[v], b.bound + v * Width);
        Load(left[v], b.blocksLeft + v * Width);
    }
    const Values threshold = Values{} + b.threshold;
    int64_t blocks = 0;
    Masks escaped[V], matched[V], doubtful[V], attention[V];
    for (;;) {
        ++blocks;
        Masks stop{};
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            // To memory: registers are short, and it is read only at the end.
            Store(b.checkRe + v * Width, zr[v]);
            Store(b.checkIm + v * Width, zi[v]);
            Values first{}, last{}, squares{};
            const Values startBound = bound[v];
#pragma GCC unroll 4
            for (int step = 0; step < 4; ++step) {
                const Values sr = zr[v] * zr[v];
                const Values si = zi[v] * zi[v];
                const Values cross = zr[v] * zi[v];
                const Values norm = sr + si;
                squares = step == 0 ? norm : squares * norm;
                if (step == 0)
                    first = norm;
                if (step == 3)
                    last = norm;
                zi[v] = (cross + cross) + ci[v];
                zr[v] = (sr - si) + cr[v];
            }
            // The product of |2 z| over the block is 16 sqrt(squares); each
            // step rounds to about 2^-52 (|z|^2 + |c|).
            Values root;
            SquareRoot(root, squares);
            bound[v] = (16.0 * root) * bound[v] + 0x1p-50 * (last + 1.0);
            escaped[v] = (Lagged ? radius[v] : last) >= threshold;
            const Values endNorm = zr[v] * zr[v] + zi[v] * zi[v];
            const Masks doubtfulOn = bound[v] * bound[v] > b.share * b.share * endNorm;
            const Masks doubtfulEscape = startBound * startBound > b.escapeShare * b.escapeShare * first;
            doubtful[v] = (doubtfulOn & ~escaped[v]) | (doubtfulEscape & escaped[v]);
            radius[v] = last;
            left[v] -= 1;
            // Bit for bit, as integers; the rest of the state is compared
            // where this one matches.
            Masks savedRe;
            Load(savedRe, b.savedRe + v * Width);
            matched[v] = reinterpret_cast<Masks>(zr[v]) == savedRe;
            attention[v] = escaped[v] | matched[v] | doubtful[v] | (left[v] == 0);
            stop |= attention[v];
        }
        if (!_mm256_testz_si256(reinterpret_cast<__m256i>(stop), reinterpret_cast<__m256i>(stop)))
            break;
    }
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        Store(b.zr + v * Width, zr[v]);
        Store(b.zi + v * Width, zi[v]);
        Store(b.radius + v * Width, radius[v]);
        Store(b.blocksLeft + v * Width, left[v]);
        Store(b.escaped + v * Width, escaped[v]);
        Store(b.matched + v * Width, matched[v]);
        Store(b.doubtful + v * Width, doubtful[v]);
        Store(b.attention + v * Width, attention[v]);
        Store(b.bound + v * Width, bound[v]);
    }
    b.blocksRun = blocks;
}

__attribute__((target("avx2"))) void RunBlocksAvx2(DoubleLaneBlocks& b)
{
    if (b.lagged)
        RunBlocks<true>(b);
    else
        RunBlocks<false>(b);
}

}  // namespace

bool DoubleLanesAvailable()
{
    return __builtin_cpu_supports("avx2");
}

bool DoubleLanesPreciseFor(long double pixelStep)
{
    // Deeper, the bounds of most long orbits reach |z| and their pixels
    // start again in long double: the lanes would cost more than they save.
    return std::fabs(pixelStep) >= 0x1p-44L;
}

void RunDoubleLaneBlocks(DoubleLaneBlocks& lanes)
{
    RunBlocksAvx2(lanes);
}
