#include "files/box_reduction.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

double DecodedChannel(int32_t value)
{
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

const std::array<double, 256>& LinearTable()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int32_t v = 0; v < 256; ++v)
            values[v] = DecodedChannel(v);
        return values;
    }();
    return table;
}

uint32_t EncodedChannel(double linear)
{
    const double c = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    // nearbyint keeps the default mode: halves to even.
    const double rounded = std::nearbyint(c * 255.0);
    return static_cast<uint32_t>(rounded < 0 ? 0 : rounded > 255 ? 255 : rounded);
}

}  // namespace

void ReduceBoxes(const uint32_t* big, int32_t width, int32_t rows, int32_t n, uint32_t* out)
{
    const std::array<double, 256>& linear = LinearTable();
    const int32_t outWidth = width / n;
    const double samples = static_cast<double>(n) * n;
    std::vector<std::array<double, 3>> sums(static_cast<size_t>(outWidth));
    for (int32_t outRow = 0; outRow < rows / n; ++outRow) {
        sums.assign(sums.size(), {0, 0, 0});
        for (int32_t dy = 0; dy < n; ++dy) {
            const uint32_t* row = big + (static_cast<size_t>(outRow) * n + dy) * static_cast<size_t>(width);
            for (int32_t x = 0; x < outWidth * n; ++x) {
                const uint32_t pixel = row[x];
                std::array<double, 3>& sum = sums[static_cast<size_t>(x / n)];
                sum[0] += linear[(pixel >> 16) & 0xff];
                sum[1] += linear[(pixel >> 8) & 0xff];
                sum[2] += linear[pixel & 0xff];
            }
        }
        uint32_t* target = out + static_cast<size_t>(outRow) * outWidth;
        for (int32_t x = 0; x < outWidth; ++x) {
            const std::array<double, 3>& sum = sums[static_cast<size_t>(x)];
            target[x] = EncodedChannel(sum[0] / samples) << 16 | EncodedChannel(sum[1] / samples) << 8 |
                        EncodedChannel(sum[2] / samples);
        }
    }
}
