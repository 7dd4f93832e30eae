#pragma once
#include <cstdint>
#include <string>

#include "engine/perturbation_setup.h"

// The deep frame's pixels by perturbation in the given arithmetic: the
// reference orbit first (its progress in the title), then the rows, into the
// result buffers. Sets State.LastDeepPath.
void RunFastDeepPixels(FastArithmetic arithmetic, const DeepFrameLayout& layout, uint64_t& finished);

// "QUORVATIX - Reference orbit  N% - STOP WITH ESC-KEY".
std::string ReferenceOrbitTitle(int32_t percent);
