#include "engine/row_bands.h"

#include <algorithm>
#include <cmath>

int32_t RowsPerBandFor(int32_t height, int32_t threadCount)
{
    if (threadCount <= 0)
        return height;
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(height) / threadCount));
}

RowBand BandOf(int32_t k, int32_t threadCount, int32_t rowsPerBand, int32_t height)
{
    const int64_t first = static_cast<int64_t>(k) * rowsPerBand;
    int64_t last = first + rowsPerBand - 1;
    if (k == threadCount - 1)
        last = height - 1;
    last = std::min<int64_t>(last, height - 1);
    if (first > height - 1)
        return {height, height - 1};
    return {static_cast<int32_t>(first), static_cast<int32_t>(last)};
}
