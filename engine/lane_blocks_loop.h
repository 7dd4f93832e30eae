// Written by scripts/lane_blocks_asm.py; do not edit by hand.
#pragma once
#define LANE_BLOCKS_LOOP(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \
    "fldt 384(%[c])\n\t" \
    "fldt 272(%[c])\n\t" \
    "fldt 256(%[c])\n\t" \
    "fldt 144(%[c])\n\t" \
    "fldt 128(%[c])\n\t" \
    "fldt 16(%[c])\n\t" \
    "fldt 0(%[c])\n\t" \
    "1:\n\t" \
    "fld %%st(0)\n\t" \
    "fstpt 32(%[c])\n\t" \
    "fld %%st(1)\n\t" \
    "fstpt 48(%[c])\n\t" \
    "fld %%st(2)\n\t" \
    "fstpt 160(%[c])\n\t" \
    "fld %%st(3)\n\t" \
    "fstpt 176(%[c])\n\t" \
    "fld %%st(4)\n\t" \
    "fstpt 288(%[c])\n\t" \
    "fld %%st(5)\n\t" \
    "fstpt 304(%[c])\n\t" \
    "fld %%st(1)\n\t" \
    "fmul %%st, %%st(2)\n\t" \
    "fmul %%st(1), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(2)\n\t" \
    "fldt 64(%[c])\n\t" \
    "faddp %%st, %%st(2)\n\t" \
    "fld %%st(3)\n\t" \
    "fmul %%st, %%st(4)\n\t" \
    "fmul %%st(3), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(3)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 192(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 320(%[c])\n\t" \
    "faddp %%st, %%st(6)\n\t" \
    "fld %%st(0)\n\t" \
    "fmul %%st, %%st(1)\n\t" \
    "fmul %%st(2), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(2)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(1)\n\t" \
    "fldt 64(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fld %%st(2)\n\t" \
    "fmul %%st, %%st(3)\n\t" \
    "fmul %%st(4), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(4)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(3)\n\t" \
    "fldt 192(%[c])\n\t" \
    "faddp %%st, %%st(3)\n\t" \
    "fld %%st(4)\n\t" \
    "fmul %%st, %%st(5)\n\t" \
    "fmul %%st(6), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(6)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(5)\n\t" \
    "fldt 320(%[c])\n\t" \
    "faddp %%st, %%st(5)\n\t" \
    "fld %%st(1)\n\t" \
    "fmul %%st, %%st(2)\n\t" \
    "fmul %%st(1), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(2)\n\t" \
    "fldt 64(%[c])\n\t" \
    "faddp %%st, %%st(2)\n\t" \
    "fld %%st(3)\n\t" \
    "fmul %%st, %%st(4)\n\t" \
    "fmul %%st(3), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(3)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 192(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 320(%[c])\n\t" \
    "faddp %%st, %%st(6)\n\t" \
    "fxch %%st(6)\n\t" \
    "fstp %%st(0)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(1), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 384(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(1)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "" RADIUS_STORE " 80(%[c])\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 64(%[c])\n\t" \
    "faddp %%st, %%st(6)\n\t" \
    "fld %%st(1)\n\t" \
    "fmul %%st, %%st(2)\n\t" \
    "fmul %%st(3), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 384(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(3)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(3), %%st\n\t" \
    "" RADIUS_STORE " 208(%[c])\n\t" \
    "fsubp %%st, %%st(2)\n\t" \
    "fldt 192(%[c])\n\t" \
    "faddp %%st, %%st(2)\n\t" \
    "fld %%st(3)\n\t" \
    "fmul %%st, %%st(4)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 384(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "" RADIUS_STORE " 336(%[c])\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 320(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fldt 384(%[c])\n\t" \
    "fxch %%st(6)\n\t" \
    "xorl %%r8d, %%r8d\n\t" \
    "" LOAD_RADIUS " 80(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 408(%[c])\n\t" \
    "cmovneq 88(%[c]), %%rdx\n\t" \
    "movq %%rax, 88(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 400(%[c]), %%rdx\n\t" \
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
    "" LOAD_RADIUS " 208(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 408(%[c])\n\t" \
    "cmovneq 216(%[c]), %%rdx\n\t" \
    "movq %%rax, 216(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 400(%[c]), %%rdx\n\t" \
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
    "" LOAD_RADIUS " 336(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 408(%[c])\n\t" \
    "cmovneq 344(%[c]), %%rdx\n\t" \
    "movq %%rax, 344(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 400(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 368(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 288(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 352(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 376(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "subq $1, 360(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "testq %%r8, %%r8\n\t" \
    "jz 1b\n\t" \
    "fstpt 0(%[c])\n\t" \
    "fstpt 16(%[c])\n\t" \
    "fstpt 128(%[c])\n\t" \
    "fstpt 144(%[c])\n\t" \
    "fstpt 256(%[c])\n\t" \
    "fstpt 272(%[c])\n\t" \
    "fstp %%st(0)\n\t" \

