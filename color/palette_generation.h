#pragma once
#include <cstdint>

#include "color/hsl_conversion.h"

// The colour table is generated from State.PaletteGen (start, step, stop per
// channel) and the five palette switches; it is never edited entry by entry.

// Fills Palette[0..262143] from the current generator inputs.
void GeneratePaletteRegular();

// Draws new generator inputs, sets PaletteKept, writes entry 0 = 0 and fills
// entries 1..262144 with the regular loop.
void GeneratePaletteRandom();

// Generator inputs chosen by the colouring options, then a regular generation.
void BuildDefaultPalette();

// The "Inverse" switch is mirrored in ColorOptions bit 5 for the files.
void SetPaletteInverse(int32_t on);
