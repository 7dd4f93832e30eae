#pragma once
#include <cstdint>

// N x N samples a pixel in saved pictures and movie frames: the user's
// choice, kept in the user settings, never in parameter files.
constexpr int32_t MaxSupersampling = 8;
extern int32_t Supersampling;
