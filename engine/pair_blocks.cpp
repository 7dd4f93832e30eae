#include "engine/pair_blocks.h"

#include <cstddef>

static_assert(sizeof(PairLane) == 128 && offsetof(PairLane, cr) == 64 &&
              offsetof(PairLane, radius) == 80 && offsetof(PairLane, marked) == 120);
static_assert(offsetof(BlockPair, ci) == 256 && offsetof(BlockPair, threshold) == 272 &&
              offsetof(BlockPair, lagged) == 280);

// Stack at the top of the loop: zi1 zr1 zi0 zr0 cr1 cr0 ci. A step of one
// lane, with zi on top: a copy of zi squared; zi <- zi*zr; zr squared;
// zr^2 - zi^2 popped into one slot, + cr; then zi <- (zi*zr + zi*zr) + ci,
// the association every picture depends on. The lanes alternate step by
// step so that each one's multiply-add chain fills the other's latency. In
// the fourth step cr makes room for the radius sum and is reloaded. The
// checkpoint goes to memory at each block's start; the radius is stored
// rounded, and the tests are integer compares of its bits. (AT&T "fsubp
// %st, %st(i)" is st(i) <- st(0) - st(i).)
#define PAIR_BLOCKS(STORE_S, LOAD_S, S_ACC) \
    asm volatile( \
    "fldt 256(%[c])\n\t" \
    "fldt 64(%[c])\n\t" \
    "fldt 192(%[c])\n\t" \
    "fldt 0(%[c])\n\t" \
    "fldt 16(%[c])\n\t" \
    "fldt 128(%[c])\n\t" \
    "fldt 144(%[c])\n\t" \
    "1:\n\t" \
    "fld %%st(3)\n\t" \
    "fstpt 32(%[c])\n\t" \
    "fld %%st(2)\n\t" \
    "fstpt 48(%[c])\n\t" \
    "fld %%st(1)\n\t" \
    "fstpt 160(%[c])\n\t" \
    "fld %%st(0)\n\t" \
    "fstpt 176(%[c])\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(4), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "fxch %%st(3)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(2), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(4), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(4), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "fxch %%st(3)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(2), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(4), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(4), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "fxch %%st(3)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(2), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fadd %%st(4), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(4), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(6)\n\t" \
    "fstp %%st(0)\n\t" \
    "fld %%st(5)\n\t" \
    "fadd %%st(1), %%st\n\t" \
    STORE_S " 80(%[c])\n\t" \
    "fxch %%st(5)\n\t" \
    "fsubp %%st, %%st(5)\n\t" \
    "fldt 64(%[c])\n\t" \
    "fadd %%st, %%st(5)\n\t" \
    "fxch %%st(3)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(2), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fstp %%st(0)\n\t" \
    "fld %%st(4)\n\t" \
    "fadd %%st(1), %%st\n\t" \
    STORE_S " 208(%[c])\n\t" \
    "fxch %%st(4)\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 192(%[c])\n\t" \
    "fadd %%st, %%st(4)\n\t" \
    "fxch %%st(1)\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(6), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fxch %%st(1)\n\t" \
    "fxch %%st(5)\n\t" \
    "fxch %%st(3)\n\t" \
    "fxch %%st(5)\n\t" \
    "fxch %%st(4)\n\t" \
    "xorl %%r8d, %%r8d\n\t" \
    LOAD_S " 80(%[c]), %%" S_ACC "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 280(%[c])\n\t" \
    "cmovneq 88(%[c]), %%rdx\n\t" \
    "movq %%rax, 88(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 272(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 112(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 32(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 96(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 120(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "subq $1, 104(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    LOAD_S " 208(%[c]), %%" S_ACC "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 280(%[c])\n\t" \
    "cmovneq 216(%[c]), %%rdx\n\t" \
    "movq %%rax, 216(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 272(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 240(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 160(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 224(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 248(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "subq $1, 232(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "testq %%r8, %%r8\n\t" \
    "jz 1b\n\t" \
    "fxch %%st(3)\n\t" \
    "fstpt 0(%[c])\n\t" \
    "fxch %%st(1)\n\t" \
    "fstpt 16(%[c])\n\t" \
    "fstpt 128(%[c])\n\t" \
    "fstpt 144(%[c])\n\t" \
    "fstp %%st(0)\n\t" \
    "fstp %%st(0)\n\t" \
    "fstp %%st(0)\n\t" \
        : \
        : [c] "r"(&pair) \
        : "rax", "rcx", "rdx", "r8", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", \
          "st(4)", "st(5)", "st(6)", "st(7)")

void RunPairBlocks(BlockPair& pair, RadiusWidth width)
{
    if (width == RadiusWidth::Float)
        PAIR_BLOCKS("fstps", "movl", "eax");
    else
        PAIR_BLOCKS("fstpl", "movq", "rax");
}
