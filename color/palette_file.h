#pragma once
#include <string>

// A palette file keeps the generator inputs, not the colour table: the nine
// PaletteGen floats, the ColorOptions word (switches in bits 4..8) and, in the
// 44-byte form that is written, the PaletteOffset. 40-byte files are read too.

// Writes the 44-byte form through a temporary file renamed over the target,
// so a failed save leaves an existing file as it was. False on any failure.
bool SavePaletteFile(const std::string& path);

// Reads a 40- or 44-byte file, replaces the colouring options, switches,
// generator inputs and offset, regenerates the palette and shows the picture.
// A file that is refused shows "Not a Quorvatix-file!" and changes nothing.
bool LoadPaletteFile(const std::string& path);

// The "SAVE" and "LOAD" buttons of the palette dialog.
void SavePaletteCommand();
void LoadPaletteCommand();
