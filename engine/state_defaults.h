#pragma once
#include <cstdint>

// The whole view at once: the state, the arbitrary-precision view and the
// view texts together.

// The start-up state of a screen this size, before any window exists.
void InitialiseStateDefaults(int32_t screenWidth, int32_t screenHeight, int32_t processorCount);

// The start-up view and iterations, as at start-up and "Original Mandelbrot".
void ResetParameters();
