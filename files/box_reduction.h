#pragma once
#include <cstdint>

// Supersampling's last step: each output pixel is the average of an n x n
// block of a picture n times its size, averaged in linear light (sRGB
// decoded, averaged, encoded again) and rounded once, halves to even.
// Pixels are 0x00RRGGBB.

// Reduces `rows` rows (a multiple of n) of a picture `width` pixels wide (a
// multiple of n) into rows / n rows of width / n pixels at `out`.
void ReduceBoxes(const uint32_t* big, int32_t width, int32_t rows, int32_t n, uint32_t* out);
