#pragma once
#include <cstdint>
#include <vector>

#include "engine/relaxed_atomic.h"

// Rectangles of pixels whose extended-precision orbits provably pass none of
// the family-A kernels' escape tests within the budget, found without
// iterating the pixels: one orbit in double from the rectangle's centre, its
// derivative, and a bound on how far every pixel's orbit lies from their
// first-order estimate, the roundings of both included. Such pixels are inside; what is not known is their final z, which
// a colouring that shows inside pixels as index 0 never reads.
struct EscapeFreeFrame {
    std::vector<long double> columnRe;  // each column's real coordinate, as the kernels reach it
    std::vector<long double> rowIm;     // each row's imaginary coordinate
    bool mandelbrot = true;
    long double juliaRe = 0;
    long double juliaIm = 0;
    int32_t iterMax = 0;
    double limit = 0;  // every |z|^2 below it passes the tests; 0 proves nothing
};

// The bound on |z|^2 under which kernel `variant` neither leaves its fast
// phase nor escapes in its slow one; 0 where no proof applies.
double EscapeFreeLimit(int32_t variant, double bailout);

// The frame is covered by square tiles, in row order, that are proven whole
// or split down to a few pixels; none where no proof applies or the budget
// is too long for proofs to pay.
constexpr int32_t EscapeFreeTileSize = 32;
int32_t EscapeFreeTileCount(const EscapeFreeFrame& frame);

// Sets the bytes of the proven pixels of tile `tile` to 1 in `marks`, one
// byte a pixel in picture order, and leaves the others as they are.
void MarkEscapeFreeTile(const EscapeFreeFrame& frame, int32_t tile, uint8_t* marks);

// Marks the tiles handed out by `nextTile` until none is left, so that a
// frame's workers share them (after a stop request only takes them);
// returns how many this caller took.
int32_t MarkEscapeFreeTiles(const EscapeFreeFrame& frame, RelaxedAtomic<int32_t>& nextTile, uint8_t* marks);
