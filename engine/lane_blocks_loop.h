// Written by scripts/lane_blocks_asm.py; do not edit by hand.
#pragma once
#define LANE_BLOCKS_LOOP(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \
    "fldt 624(%[c])\n\t" \
    "fldt 432(%[c])\n\t" \
    "fldt 416(%[c])\n\t" \
    "fldt 224(%[c])\n\t" \
    "fldt 208(%[c])\n\t" \
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
    "cmpq $0, 336(%[c])\n\t" \
    "jne 3f\n\t" \
    "fld %%st(2)\n\t" \
    "fstpt 240(%[c])\n\t" \
    "fld %%st(3)\n\t" \
    "fstpt 256(%[c])\n\t" \
    "3:\n\t" \
    "cmpq $0, 544(%[c])\n\t" \
    "jne 4f\n\t" \
    "fld %%st(4)\n\t" \
    "fstpt 448(%[c])\n\t" \
    "fld %%st(5)\n\t" \
    "fstpt 464(%[c])\n\t" \
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
    "fldt 272(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 480(%[c])\n\t" \
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
    "fldt 272(%[c])\n\t" \
    "faddp %%st, %%st(3)\n\t" \
    "fld %%st(4)\n\t" \
    "fmul %%st, %%st(5)\n\t" \
    "fmul %%st(6), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(6)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(5)\n\t" \
    "fldt 480(%[c])\n\t" \
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
    "fldt 272(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fadd %%st(7), %%st\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fsubp %%st, %%st(6)\n\t" \
    "fldt 480(%[c])\n\t" \
    "faddp %%st, %%st(6)\n\t" \
    "fxch %%st(6)\n\t" \
    "fstp %%st(0)\n\t" \
    "fld %%st(5)\n\t" \
    "fmul %%st, %%st(6)\n\t" \
    "fmul %%st(1), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 624(%[c])\n\t" \
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
    "fldt 624(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(3)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(3), %%st\n\t" \
    "" RADIUS_STORE " 288(%[c])\n\t" \
    "fsubp %%st, %%st(2)\n\t" \
    "fldt 272(%[c])\n\t" \
    "faddp %%st, %%st(2)\n\t" \
    "fld %%st(3)\n\t" \
    "fmul %%st, %%st(4)\n\t" \
    "fmul %%st(5), %%st\n\t" \
    "fadd %%st(0), %%st\n\t" \
    "fldt 624(%[c])\n\t" \
    "faddp %%st, %%st(1)\n\t" \
    "fxch %%st(5)\n\t" \
    "fmul %%st(0), %%st\n\t" \
    "fld %%st(0)\n\t" \
    "fadd %%st(5), %%st\n\t" \
    "" RADIUS_STORE " 496(%[c])\n\t" \
    "fsubp %%st, %%st(4)\n\t" \
    "fldt 480(%[c])\n\t" \
    "faddp %%st, %%st(4)\n\t" \
    "fldt 624(%[c])\n\t" \
    "fxch %%st(6)\n\t" \
    "xorl %%r8d, %%r8d\n\t" \
    "" LOAD_RADIUS " 80(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 648(%[c])\n\t" \
    "cmovneq 88(%[c]), %%rdx\n\t" \
    "movq %%rax, 88(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 640(%[c]), %%rdx\n\t" \
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
    "" LOAD_RADIUS " 288(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 648(%[c])\n\t" \
    "cmovneq 296(%[c]), %%rdx\n\t" \
    "movq %%rax, 296(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 640(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 320(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 240(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 304(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 328(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "xorq $1, 336(%[c])\n\t" \
    "subq $1, 312(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "" LOAD_RADIUS " 496(%[c]), %%" RADIUS_REGISTER "\n\t" \
    "movq %%rax, %%rdx\n\t" \
    "cmpq $0, 648(%[c])\n\t" \
    "cmovneq 504(%[c]), %%rdx\n\t" \
    "movq %%rax, 504(%[c])\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 640(%[c]), %%rdx\n\t" \
    "setae %%cl\n\t" \
    "movq %%rcx, 528(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "movq 448(%[c]), %%rax\n\t" \
    "xorl %%ecx, %%ecx\n\t" \
    "cmpq 512(%[c]), %%rax\n\t" \
    "sete %%cl\n\t" \
    "movq %%rcx, 536(%[c])\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "xorq $1, 544(%[c])\n\t" \
    "subq $1, 520(%[c])\n\t" \
    "sete %%cl\n\t" \
    "orq %%rcx, %%r8\n\t" \
    "addq $1, 136(%[c])\n\t" \
    "subq $1, 192(%[c])\n\t" \
    "jnz 5f\n\t" \
    "cmpq $0, 120(%[c])\n\t" \
    "jne 5f\n\t" \
    "cmpq $0, 128(%[c])\n\t" \
    "jne 8f\n\t" \
    "movq $1, 192(%[c])\n\t" \
    "jmp 5f\n\t" \
    "8:\n\t" \
    "fld %%st(0)\n\t" \
    "fstpt 144(%[c])\n\t" \
    "fld %%st(1)\n\t" \
    "fstpt 160(%[c])\n\t" \
    "movq 80(%[c]), %%rax\n\t" \
    "movq %%rax, 176(%[c])\n\t" \
    "movq 32(%[c]), %%rax\n\t" \
    "movq %%rax, 96(%[c])\n\t" \
    "movq 136(%[c]), %%rax\n\t" \
    "movq %%rax, 184(%[c])\n\t" \
    "movq %%rax, 192(%[c])\n\t" \
    "5:\n\t" \
    "addq $1, 344(%[c])\n\t" \
    "subq $1, 400(%[c])\n\t" \
    "jnz 6f\n\t" \
    "cmpq $0, 328(%[c])\n\t" \
    "jne 6f\n\t" \
    "cmpq $0, 336(%[c])\n\t" \
    "jne 9f\n\t" \
    "movq $1, 400(%[c])\n\t" \
    "jmp 6f\n\t" \
    "9:\n\t" \
    "fld %%st(2)\n\t" \
    "fstpt 352(%[c])\n\t" \
    "fld %%st(3)\n\t" \
    "fstpt 368(%[c])\n\t" \
    "movq 288(%[c]), %%rax\n\t" \
    "movq %%rax, 384(%[c])\n\t" \
    "movq 240(%[c]), %%rax\n\t" \
    "movq %%rax, 304(%[c])\n\t" \
    "movq 344(%[c]), %%rax\n\t" \
    "movq %%rax, 392(%[c])\n\t" \
    "movq %%rax, 400(%[c])\n\t" \
    "6:\n\t" \
    "addq $1, 552(%[c])\n\t" \
    "subq $1, 608(%[c])\n\t" \
    "jnz 7f\n\t" \
    "cmpq $0, 536(%[c])\n\t" \
    "jne 7f\n\t" \
    "cmpq $0, 544(%[c])\n\t" \
    "jne 10f\n\t" \
    "movq $1, 608(%[c])\n\t" \
    "jmp 7f\n\t" \
    "10:\n\t" \
    "fld %%st(4)\n\t" \
    "fstpt 560(%[c])\n\t" \
    "fld %%st(5)\n\t" \
    "fstpt 576(%[c])\n\t" \
    "movq 496(%[c]), %%rax\n\t" \
    "movq %%rax, 592(%[c])\n\t" \
    "movq 448(%[c]), %%rax\n\t" \
    "movq %%rax, 512(%[c])\n\t" \
    "movq 552(%[c]), %%rax\n\t" \
    "movq %%rax, 600(%[c])\n\t" \
    "movq %%rax, 608(%[c])\n\t" \
    "7:\n\t" \
    "testq %%r8, %%r8\n\t" \
    "jz 1b\n\t" \
    "fstpt 0(%[c])\n\t" \
    "fstpt 16(%[c])\n\t" \
    "fstpt 208(%[c])\n\t" \
    "fstpt 224(%[c])\n\t" \
    "fstpt 416(%[c])\n\t" \
    "fstpt 432(%[c])\n\t" \
    "fstp %%st(0)\n\t" \

