#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The frame's kernel results as an OpenEXR file, the exchange form of
// escape-time maps that colouring and movie tools read: the channels
// "escape" (the stored int32 escape value as a 32-bit unsigned pattern),
// "A" and "B" (float32), for the generic drawing modes "continuous" (the
// continuous escape count as float32, 0 inside), row 0 (the Imagmin edge) on top as in the picture,
// and header attributes that describe the frame.
struct ExrMap {
    int32_t width = 0;
    int32_t height = 0;
    const int32_t* escape = nullptr;
    const float* a = nullptr;
    const float* b = nullptr;
    const float* continuous = nullptr;  // none: the mode defines no continuous count
    std::vector<std::pair<std::string, std::string>> texts;  // string attributes
    std::vector<std::pair<std::string, int32_t>> numbers;    // int attributes
};

// Written through a temporary file; false when it could not be written.
bool WriteExrMap(const std::string& path, const ExrMap& map);
