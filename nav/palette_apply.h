#pragma once
#include "color/palette_setup.h"

// Shows a newly generated palette. With "Smooth color" the colours live in
// the picture itself, so a new frame is computed first (in deep zoom only
// after the user agrees); otherwise re-colouring is enough.
void ApplyPalette();

// "GENERATE": the fields become the generator inputs, the palette is
// generated regularly from them and applied.
void GeneratePaletteCommand(const PaletteFields& fields);
