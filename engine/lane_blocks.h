#pragma once
#include <cstdint>

// Three pixels iterated side by side on the x87 stack, four steps a block, so
// that each pixel's multiply-add chain fills the others' latency. The loop
// reads and writes these fields by offset: the layout is fixed.
constexpr int BlockLaneCount = 3;

struct alignas(16) BlockLane {
    long double zr = 0;          // z at the start of the next block
    long double zi = 0;
    long double checkRe = 0;     // z at the start of the last block that stored it
    long double checkIm = 0;
    long double cr = 0;
    uint64_t radius = 0;         // rounded |z3|^2 of the last block, as bits
    uint64_t previous = 0;       // the radius the next lagged test looks at
    uint64_t mark = 0;           // checkpoint mantissa a cycle check waits for
    int64_t blocksLeft = 0;      // the loop hands back when this reaches 0
    int64_t escaped = 0;         // the last block's radius test fired
    int64_t marked = 0;          // the last block's checkpoint mantissa equals `mark`
    int64_t skipCheckpoint = 0;  // the next block leaves the checkpoint as it is; flips each block
    int64_t done = 0;            // blocks run
    // Brent's cycle check: the state after block `savedAt`, kept when
    // `saveLeft` counts down to 0 in a block that stored its checkpoint
    // (`mark` is then that checkpoint's mantissa); a marked block leaves the
    // save to the caller with `saveLeft` at 0.
    long double savedRe = 0;
    long double savedIm = 0;
    uint64_t savedRadius = 0;
    int64_t savedAt = 0;         // 0: nothing kept yet
    int64_t saveLeft = 0;
};

struct alignas(16) LaneBlocks {
    BlockLane lane[BlockLaneCount];
    long double ci = 0;          // shared: the pixels of a row have the same imaginary part
    uint64_t threshold = 0;      // a tested radius (bits, unsigned) at or above it escapes
    int64_t lagged = 0;          // the test looks at the previous block's radius
};

// The radius is rounded to float32 (family A) or float64 (family B) before its
// bits are compared.
enum class RadiusWidth { Float, Double };

// Runs blocks on all lanes until one of them escapes, meets its mark or uses
// up blocksLeft; every lane runs the same number of blocks and keeps its own
// count and saves.
void RunLaneBlocks(LaneBlocks& lanes, RadiusWidth width);
