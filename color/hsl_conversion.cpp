#include "color/hsl_conversion.h"

#include "engine/rounding.h"

namespace {

constexpr int32_t HslRange = 254;
constexpr int32_t RgbRange = 255;

// The hue interpolation lands on exact halves for many arguments, so the
// rounding of these sector widths decides the result: the precision of the
// whole conversion is chosen here, in one place.
using HslReal = long double;
constexpr HslReal SixthOfHue = HslRange / HslReal{6};
constexpr HslReal TwelfthOfHue = HslRange / HslReal{12};
constexpr HslReal TwoThirdsOfHue = 2 * HslRange / HslReal{3};
constexpr HslReal ThirdOfHue = HslRange / HslReal{3};

// Hue arguments and M1/M2 are 16-bit unsigned: a blue argument below zero
// wraps to a large value and so falls through to M1.
int32_t HueToChannel(uint16_t m1, uint16_t m2, uint16_t hue)
{
    int32_t h = hue;
    if (h > HslRange)
        h -= HslRange;  // once only
    const int32_t rise = int32_t{m2} - int32_t{m1};
    if (h < SixthOfHue)
        return RoundToInt32(m1 + (static_cast<HslReal>(rise * h) + TwelfthOfHue) / SixthOfHue);
    if (h < HslRange / 2)
        return m2;
    if (h < TwoThirdsOfHue)
        return RoundToInt32(m1 + (rise * (TwoThirdsOfHue - h) + TwelfthOfHue) / SixthOfHue);
    return m1;
}

int32_t ScaleToRgb(int32_t channel)
{
    const int64_t numerator = int64_t{RgbRange} * channel + HslRange / 2;
    return RoundToInt32(static_cast<HslReal>(numerator) / HslRange);
}

int32_t CutAt255(int32_t value) { return value > RgbRange ? RgbRange : value; }

}  // namespace

RgbTriple HslToRgb(int32_t hue, int32_t saturation, int32_t luminance)
{
    const int64_t l = luminance;
    const int64_t s = saturation;
    if (s == 0) {
        const int32_t grey = CutAt255(RoundToInt32(static_cast<HslReal>(l * RgbRange) / HslRange));
        return {grey, grey, grey};
    }
    int32_t m2;
    if (l <= HslRange / 2)
        m2 = RoundToInt32(static_cast<HslReal>(l * (HslRange + s) + HslRange / 2) / HslRange);
    else
        m2 = RoundToInt32(static_cast<HslReal>(l + s) -
                          static_cast<HslReal>(l * s + HslRange / 2) / HslRange);
    const int32_t m1 = static_cast<int32_t>(2 * l) - m2;

    const auto redHue = static_cast<uint16_t>(RoundToInt32(hue + ThirdOfHue));
    const auto greenHue = static_cast<uint16_t>(hue);
    const auto blueHue = static_cast<uint16_t>(RoundToInt32(hue - ThirdOfHue));
    const auto um1 = static_cast<uint16_t>(m1);
    const auto um2 = static_cast<uint16_t>(m2);

    return {CutAt255(ScaleToRgb(HueToChannel(um1, um2, redHue))),
            CutAt255(ScaleToRgb(HueToChannel(um1, um2, greenHue))),
            CutAt255(ScaleToRgb(HueToChannel(um1, um2, blueHue)))};
}
