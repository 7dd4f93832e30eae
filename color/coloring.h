#pragma once
#include <cstddef>
#include <cstdint>

#include "color/drawing_modes.h"

// Everything the per-pixel colouring reads from State, taken once per pass.
struct ColoringConstants {
    int32_t modeNumber;
    int32_t iterMax;
    long double bailout;
    long double L;        // 1 / ln 2
    long double K;        // log2(ln(ln Bailout)), 0 where a logarithm is undefined
    long double S;        // PotValue * 262144
    long double smoothC;  // "Smooth color" factor: f = smoothC * log2(s) + smoothD
    long double smoothD;
    bool insideColor;
    bool smoothColor;
    bool byPotential;
    InsideRule inside;
    long double twoPi;
    int32_t paletteOffset;
};

// Also refreshes State.Pi and State.TwoPi, as every colouring pass does.
ColoringConstants PrepareColoring();

// The generic modes' continuous escape count n + K - log2(ln s) of an
// escaped pixel, which "Color by potential" scales into a palette index.
long double ContinuousCount(const ColoringConstants& k, long double n, long double s);
bool HasContinuousCount(int32_t modeNumber);

// Whether an inside pixel's colour depends on its final values A and B.
bool InsideColorReadsValues(const ColoringConstants& k);

// Colour value of one pixel from its escape value n and final values A, B:
// >= 0 a palette index, < 0 a direct colour stored negated. s is the
// escape-test value of the caller (A + B for whole frames); only the generic
// potential index and the smooth shading use it.
int32_t ColorValue(const ColoringConstants& k, int32_t n, float A, float B, long double s);

// Colours pixels first..last-1 of the result buffers in place in IterBuffer:
// a frame's workers colour the rows they computed.
void ColorPixels(const ColoringConstants& k, size_t first, size_t last);

// Colours the whole picture in place in IterBuffer, then displays it.
void ColoringPass();
