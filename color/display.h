#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/huge_page_allocator.h"

// The shown picture, 0x00RRGGBB per pixel, top-down: row y is IterBuffer row y.
struct FrameImageBuffer {
    int32_t width = 0;
    int32_t height = 0;
    HugePageVector<uint32_t> pixels;

    bool exists() const { return width > 0 && height > 0; }
};

extern FrameImageBuffer FrameImage;

// Palette lookup that never leaves the table: 0..262144 read directly,
// anything else reduced modulo 262144.
size_t PaletteIndexAt(int64_t index);
uint32_t PaletteEntryAt(int64_t index);

// The colour stored negated in a colour value <= 0.
uint32_t DirectColor(int32_t value);

// Pixel rule: negative values are direct colours, others palette indices
// shifted by PaletteOffset.
uint32_t DisplayColor(int32_t value);

// Builds FrameImage from IterBuffer, Palette and PaletteOffset and shows it.
// Also the whole of re-colouring after a palette or offset change.
void DisplayPicture();
