#pragma once
#include <cstdint>

// Hue, saturation and luminance run over 0..254 (HslMax); the result is
// red, green, blue in 0..255 (values above 255 are cut to 255).
struct RgbTriple {
    int32_t red;
    int32_t green;
    int32_t blue;
};

RgbTriple HslToRgb(int32_t hue, int32_t saturation, int32_t luminance);
