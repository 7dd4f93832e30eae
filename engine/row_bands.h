#pragma once
#include <cstdint>

struct RowBand {
    int32_t firstRow;
    int32_t lastRow;  // inclusive; below firstRow when the band is empty
};

// Height / threads rounded to the nearest whole number, halves to even.
int32_t RowsPerBandFor(int32_t height, int32_t threadCount);
// Band k of threadCount: rows k*R .. (k+1)*R - 1, none past the last row,
// and the last band always reaching row height - 1.
RowBand BandOf(int32_t k, int32_t threadCount, int32_t rowsPerBand, int32_t height);
