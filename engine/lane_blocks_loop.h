// Written by scripts/lane_blocks_asm.py; do not edit by hand.
#pragma once
#define LANE_BLOCKS_LOOP(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \
    "fldt 432(%[c])\n\t" \
    "fldt 304(%[c])\n\t" \
    "fldt 288(%[c])\n\t" \
    "fldt 160(%[c])\n\t" \
    "fldt 144(%[c])\n\t" \
    "fldt 16(%[c])\n\t" \
    "fldt 0(%[c])\n\t" \
    "1:\n\t" \
    "cmpq $0, 128(%[c])\n\t" \
    "jne 2f\n\t" \
    "fld %%st(0)\n\t" \
    "fstpt 32(%[c])\n\t" \
    "fld %%st(1)\n\t" \
    "fstpt 48(%[c])\n\t" \
    "2:\n\t" \
    "cmpq $0, 272(%[c])\n\t" \
    "jne 3f\n\t" \
    "fld %%st(2)\n\t" \
    "fstpt 176(%[c])\n\t" \
    "fld %%st(3)\n\t" \
    "fstpt 192(%[c])\n\t" \
    "3:\n\t" \
    "cmpq $0, 416(%[c])\n\t" \
    "jne 4f\n\t" \
    "fld %%st(4)\n\t" \
    "fstpt 320(%[c])\n\t" \
    "fld %%st(5)\n\t" \
    "fstpt 336(%[c])\n\t" \
    "4:\n\t" \
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
    "fldt 208(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 352(%[c])\n\t" \
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
    "fldt 208(%[c])\n\t" \
    "faddp %%st, %%st(3)\n\t" \
    "fld %%st(4)\n\t" \
    "fmul %%st, %%st(5)\n\t" \
    "fmul %%st(6), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(6)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(5)\n\t" \
    "fldt 352(%[c])\n\t" \
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
    "fldt 208(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 352(%[c])\n\t" \
    "faddp %%st, %%st(6)\n\t" \
    "fxch %%st(6)\n\t" \
    "fstp %%st(0)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(1), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 432(%[c])\n\t" \
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
    "fldt 432(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(3)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(3), %%st\n\t" \
    "" RADIUS_STORE " 224(%[c])\n\t" \
    "fsubp %%st, %%st(2)\n\t" \
    "fldt 208(%[c])\n\t" \
    "faddp %%st, %%st(2)\n\t" \
    "fld %%st(3)\n\t" \
    "fmul %%st, %%st(4)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 432(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "" RADIUS_STORE " 368(%[c])\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 352(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fldt 432(%[c])\n\t" \
    "fxch %%st(6)\n\t" \
    "xorl %%r8d, %%r8d\n\t" \
    "" LOAD_RADIUS " 80(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 456(%[c])\n\t" \
    "cmovneq 88(%[c]), %%rdx\n\t" \
    "movq %%rax, 88(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 448(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 112(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 32(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 96(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 120(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "xorq $1, 128(%[c])\n\t" \
    "subq $1, 104(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "" LOAD_RADIUS " 224(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 456(%[c])\n\t" \
    "cmovneq 232(%[c]), %%rdx\n\t" \
    "movq %%rax, 232(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 448(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 256(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 176(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 240(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 264(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "xorq $1, 272(%[c])\n\t" \
    "subq $1, 248(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "" LOAD_RADIUS " 368(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 456(%[c])\n\t" \
    "cmovneq 376(%[c]), %%rdx\n\t" \
    "movq %%rax, 376(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 448(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 400(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 320(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 384(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 408(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "xorq $1, 416(%[c])\n\t" \
    "subq $1, 392(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "testq %%r8, %%r8\n\t" \
    "jz 1b\n\t" \
    "fstpt 0(%[c])\n\t" \
    "fstpt 16(%[c])\n\t" \
    "fstpt 144(%[c])\n\t" \
    "fstpt 160(%[c])\n\t" \
    "fstpt 288(%[c])\n\t" \
    "fstpt 304(%[c])\n\t" \
    "fstp %%st(0)\n\t" \

