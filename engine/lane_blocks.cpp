#include "engine/lane_blocks.h"

#include <cstddef>

static_assert(sizeof(BlockLane) == 208 && offsetof(BlockLane, cr) == 64 &&
              offsetof(BlockLane, radius) == 80 && offsetof(BlockLane, marked) == 120 &&
              offsetof(BlockLane, skipCheckpoint) == 128 && offsetof(BlockLane, savedRe) == 144 &&
              offsetof(BlockLane, savedRadius) == 176 && offsetof(BlockLane, saveLeft) == 192);
static_assert(offsetof(LaneBlocks, ci) == 624 && offsetof(LaneBlocks, threshold) == 640 &&
              offsetof(LaneBlocks, lagged) == 648);

// At the top of the loop the stack holds zr0 zi0 zr1 zi1 zr2 zi2 ci. A lane's
// step: a copy of zi squares zi in place and becomes the cross term zi*zr,
// then (cross + cross) + ci, the association every picture depends on; zr is
// squared in place, zr^2 - zi^2 popped into one slot, + cr loaded from memory.
// In the fourth step ci's slot holds the radius sum, which is stored rounded,
// and ci is loaded from memory. The checkpoint goes to memory at the start of
// every other block (80-bit stores are costly); after each block come the
// tests, integer compares of the radius's bits, and the cycle check's saves.
// Three lanes keep the multiply-add unit busy where two left it waiting on
// each chain's latency, and one exchange a step leaves the decoders to the
// other thread where two share a physical core.
#include "engine/lane_blocks_loop.h"

#define RUN_LANE_BLOCKS(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \
    asm volatile(LANE_BLOCKS_LOOP(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \
                 : \
                 : [c] "r"(&lanes) \
                 : "rax", "rcx", "rdx", "r8", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", \
                   "st(4)", "st(5)", "st(6)", "st(7)")

void RunLaneBlocks(LaneBlocks& lanes, RadiusWidth width)
{
    if (width == RadiusWidth::Float)
        RUN_LANE_BLOCKS("fstps", "movl", "eax");
    else
        RUN_LANE_BLOCKS("fstpl", "movq", "rax");
}
