#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/fractal_state.h"
#include "engine/perturbation_setup.h"

// The deep frame's pixels by perturbation in the given arithmetic: the
// reference orbit first (its progress in the title), then the rows, into the
// result buffers; only the listed pixels (indices into the buffers) where
// `listed` is given. Sets State.LastDeepPath.
void RunFastDeepPixels(FastArithmetic arithmetic, const DeepFrameLayout& layout, uint64_t& finished,
                       const std::vector<int32_t>* listed = nullptr);

// An extended view's pixels by perturbation in double, the layout carrying
// the pixel coordinates of the extended kernels: into the result buffers,
// but for the pixels marked in `kernelsDecide`, which the extended kernels
// must compute (those whose rounding, or theirs, the bound cannot rule out
// changing the result, and those perturbation cannot follow). False when Esc
// stopped it.
bool PerturbExtendedView(const DeepFrameLayout& layout, std::vector<uint8_t>& kernelsDecide, uint64_t& finished);

// The current deep view as the deep kernels lay it out over `threads` bands.
DeepFrameLayout CurrentDeepLayout(int32_t threads, int32_t variant, bool mandelbrot);

// How the last deep frame was computed, in words.
std::string DeepPathText(DeepPath path);

// "QUORVATIX - Reference orbit  N% - STOP WITH ESC-KEY".
std::string ReferenceOrbitTitle(int32_t percent);
