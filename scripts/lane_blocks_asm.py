#!/usr/bin/env python3
"""Writes engine/lane_blocks_loop.h: the x87 loop that runs three pixels side by side.

The loop's text tracks the register stack by name, which is error-prone by
hand; this script keeps the stack model and emits the instructions with their
st(i) operands. Run it after changing the loop:
    scripts/lane_blocks_asm.py > engine/lane_blocks_loop.h
`--check SOURCE_DIR` fails when the header there differs from what this script writes.
"""

import sys

LANES = 3
LANE_BYTES = 208
# Field offsets in BlockLane and LaneBlocks; lane_blocks.cpp asserts them.
(ZR, ZI, CHECK_RE, CHECK_IM, CR, RADIUS, PREVIOUS, MARK, BLOCKS_LEFT, ESCAPED, MARKED, SKIP_CHECK, DONE,
 SAVED_RE, SAVED_IM, SAVED_RADIUS, SAVED_AT, SAVE_LEFT) = (
    0, 16, 32, 48, 64, 80, 88, 96, 104, 112, 120, 128, 136, 144, 160, 176, 184, 192)
CI = LANES * LANE_BYTES
THRESHOLD = CI + 16
LAGGED = CI + 24


class Stack:
    """The x87 register stack by name, st(0) first."""

    def __init__(self, names):
        self.names = list(names)
        self.code = []

    def at(self, name):
        return self.names.index(name)

    def emit(self, text):
        self.code.append(text)

    def copy(self, name, new):
        self.emit(f"fld %%st({self.at(name)})")
        self.names.insert(0, new)
        assert len(self.names) <= 8

    def load(self, offset, new):
        self.emit(f"fldt {offset}(%[c])")
        self.names.insert(0, new)
        assert len(self.names) <= 8

    def to_top(self, name):
        k = self.at(name)
        if k:
            self.emit(f"fxch %%st({k})")
            self.names[0], self.names[k] = self.names[k], self.names[0]

    def square_top(self, new):
        self.emit("fmul %%st(0), %%st")
        self.names[0] = new

    def multiply_top(self, name):
        self.emit(f"fmul %%st({self.at(name)}), %%st")

    def multiply_into(self, name, new):
        """st(k) <- st(k) * st(0)."""
        k = self.at(name)
        self.emit(f"fmul %%st, %%st({k})")
        self.names[k] = new

    def add_to_top(self, name):
        self.emit(f"fadd %%st({self.at(name)}), %%st")

    def double_top(self):
        self.emit("fadd %%st(0), %%st")

    def subtract_into(self, name, new):
        """st(k) <- st(0) - st(k), pop (AT&T operand order)."""
        k = self.at(name)
        self.emit(f"fsubp %%st, %%st({k})")
        self.names[k] = new
        self.names.pop(0)

    def add_into(self, name, new):
        k = self.at(name)
        self.emit(f"faddp %%st, %%st({k})")
        self.names[k] = new
        self.names.pop(0)

    def store_top(self, op, offset):
        self.emit(f"{op} {offset}(%[c])")
        self.names.pop(0)

    def drop(self, name):
        self.to_top(name)
        self.emit("fstp %%st(0)")
        self.names.pop(0)

    def arrange(self, order):
        """Brings the stack into `order` with exchanges."""
        for position in range(len(order) - 1, 0, -1):
            wanted = order[position]
            if self.names[position] != wanted:
                self.to_top(wanted)
                self.emit(f"fxch %%st({position})")
                self.names[0], self.names[position] = self.names[position], self.names[0]
        assert self.names == list(order)


def step(stack, lane, last):
    """One z <- z^2 + c of a lane: zr <- (zr*zr - zi*zi) + cr, zi <- (zr*zi + zr*zi) + ci.
    The last step of a block also stores the radius zr*zr + zi*zi, rounded, and
    takes ci from memory, since its stack slot holds the radius sum."""
    zr, zi = f"zr{lane}", f"zi{lane}"
    base = lane * LANE_BYTES
    stack.copy(zi, "cross")
    stack.multiply_into(zi, "zi^2")
    stack.multiply_top(zr)
    stack.double_top()
    if last:
        stack.load(CI, "ci copy")
        stack.add_into("cross", "new zi")
    else:
        stack.add_to_top("ci")
        stack.names[0] = "new zi"
    stack.to_top(zr)
    stack.square_top("zr^2")
    if last:
        stack.copy("zr^2", "radius")
        stack.add_to_top("zi^2")
        stack.store_top("RADIUS_STORE", base + RADIUS)
    stack.subtract_into("zi^2", "difference")
    stack.load(base + CR, "cr")
    stack.add_into("difference", zr)
    stack.names[stack.at("new zi")] = zi


def lane_tests(lane, load):
    """After a block: the radius test (on this block's or, lagged, the previous
    block's radius), the cycle check's mark and the block count; r8 collects
    whether any lane needs attention."""
    base = lane * LANE_BYTES
    return [
        f"{load} {base + RADIUS}(%[c]), %%RADIUS_REGISTER",
        "movq %%rax, %%rdx",
        f"cmpq $0, {LAGGED}(%[c])",
        f"cmovneq {base + PREVIOUS}(%[c]), %%rdx",
        f"movq %%rax, {base + PREVIOUS}(%[c])",
        "xorl %%ecx, %%ecx",
        f"cmpq {THRESHOLD}(%[c]), %%rdx",
        "setae %%cl",
        f"movq %%rcx, {base + ESCAPED}(%[c])",
        "orq %%rcx, %%r8",
        f"movq {base + CHECK_RE}(%[c]), %%rax",
        "xorl %%ecx, %%ecx",
        f"cmpq {base + MARK}(%[c]), %%rax",
        "sete %%cl",
        f"movq %%rcx, {base + MARKED}(%[c])",
        "orq %%rcx, %%r8",
        f"xorq $1, {base + SKIP_CHECK}(%[c])",
        f"subq $1, {base + BLOCKS_LEFT}(%[c])",
        "sete %%cl",
        "orq %%rcx, %%r8",
    ]


def store_z(stack, lane, re_offset, im_offset):
    """Copies of a lane's z to memory, the stack left as it was."""
    stack.copy(f"zr{lane}", "copy")
    stack.store_top("fstpt", re_offset)
    stack.copy(f"zi{lane}", "copy")
    stack.store_top("fstpt", im_offset)


def save_state(stack, lane):
    """Brent's save for the cycle check, without leaving the loop: when the
    lane's countdown ends in a block that stored its checkpoint, the state
    after the block and the checkpoint's mantissa (the mark) are kept, and
    the next save comes after as many blocks again. A block without a
    stored checkpoint puts the save off by one block; a marked block leaves
    it to the caller, which compares the state kept before."""
    base = lane * LANE_BYTES
    done, store = 5 + lane, 5 + LANES + lane
    stack.emit(f"addq $1, {base + DONE}(%[c])")
    stack.emit(f"subq $1, {base + SAVE_LEFT}(%[c])")
    stack.emit(f"jnz {done}f")
    stack.emit(f"cmpq $0, {base + MARKED}(%[c])")
    stack.emit(f"jne {done}f")
    stack.emit(f"cmpq $0, {base + SKIP_CHECK}(%[c])")
    stack.emit(f"jne {store}f")
    stack.emit(f"movq $1, {base + SAVE_LEFT}(%[c])")
    stack.emit(f"jmp {done}f")
    stack.emit(f"{store}:")
    store_z(stack, lane, base + SAVED_RE, base + SAVED_IM)
    stack.emit(f"movq {base + RADIUS}(%[c]), %%rax")
    stack.emit(f"movq %%rax, {base + SAVED_RADIUS}(%[c])")
    stack.emit(f"movq {base + CHECK_RE}(%[c]), %%rax")
    stack.emit(f"movq %%rax, {base + MARK}(%[c])")
    stack.emit(f"movq {base + DONE}(%[c]), %%rax")
    stack.emit(f"movq %%rax, {base + SAVED_AT}(%[c])")
    stack.emit(f"movq %%rax, {base + SAVE_LEFT}(%[c])")
    stack.emit(f"{done}:")


def loop_text():
    order = [name for lane in range(LANES) for name in (f"zr{lane}", f"zi{lane}")] + ["ci"]
    stack = Stack([])
    stack.load(CI, "ci")
    for lane in reversed(range(LANES)):
        stack.load(lane * LANE_BYTES + ZI, f"zi{lane}")
        stack.load(lane * LANE_BYTES + ZR, f"zr{lane}")
    assert stack.names == order
    stack.emit("1:")
    # Every other block of a lane stores its checkpoint; the caller finds the
    # start of an unstored block by running one block from the stored one.
    for lane in range(LANES):
        base = lane * LANE_BYTES
        stack.emit(f"cmpq $0, {base + SKIP_CHECK}(%[c])")
        stack.emit(f"jne {lane + 2}f")
        store_z(stack, lane, base + CHECK_RE, base + CHECK_IM)
        stack.emit(f"{lane + 2}:")
    for _ in range(3):
        for lane in range(LANES):
            step(stack, lane, last=False)
    stack.drop("ci")
    for lane in range(LANES):
        step(stack, lane, last=True)
    stack.load(CI, "ci")
    stack.arrange(order)
    stack.emit("xorl %%r8d, %%r8d")
    for lane in range(LANES):
        stack.code += lane_tests(lane, "LOAD_RADIUS")
    for lane in range(LANES):
        save_state(stack, lane)
    stack.emit("testq %%r8, %%r8")
    stack.emit("jz 1b")
    for lane in range(LANES):
        stack.store_top("fstpt", lane * LANE_BYTES + ZR)
        stack.store_top("fstpt", lane * LANE_BYTES + ZI)
    stack.emit("fstp %%st(0)")
    return stack.code


def header_text():
    lines = ["// Written by scripts/lane_blocks_asm.py; do not edit by hand.", "#pragma once",
             "#define LANE_BLOCKS_LOOP(RADIUS_STORE, LOAD_RADIUS, RADIUS_REGISTER) \\"]
    for line in loop_text():
        line = line.replace("RADIUS_STORE", '" RADIUS_STORE "').replace(
            "LOAD_RADIUS", '" LOAD_RADIUS "').replace("%%RADIUS_REGISTER", '%%" RADIUS_REGISTER "')
        lines.append(f'    "{line}\\n\\t" \\')
    return "\n".join(lines) + "\n\n"


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        path = f"{sys.argv[2]}/engine/lane_blocks_loop.h"
        with open(path, encoding="utf-8") as header:
            if header.read() != header_text():
                sys.exit(f"{path} is not what scripts/lane_blocks_asm.py writes: run it again")
        return
    sys.stdout.write(header_text())


if __name__ == "__main__":
    main()
