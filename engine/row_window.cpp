#include "engine/row_window.h"

#include <algorithm>

#include "engine/fractal_state.h"

RowWindow FrameRowWindow;

int32_t ViewHeight()
{
    return FrameRowWindow.viewHeight > 0 ? FrameRowWindow.viewHeight : State.PicHeight;
}

int32_t WindowFirstRow()
{
    return FrameRowWindow.viewHeight > 0 ? FrameRowWindow.firstRow : 0;
}

std::vector<WorkPiece> WorkPieces(int32_t threads)
{
    const int32_t height = ViewHeight();
    const int32_t rowsPerBand = RowsPerBandFor(height, threads);
    std::vector<WorkPiece> pieces;
    if (FrameRowWindow.viewHeight <= 0) {
        // The whole picture: one worker a band, empty bands included, as always.
        for (int32_t k = 0; k < threads; ++k) {
            const RowBand band = BandOf(k, threads, rowsPerBand, height);
            pieces.push_back({band.firstRow, band});
        }
        return pieces;
    }
    const int32_t first = WindowFirstRow();
    const int32_t last = first + State.PicHeight - 1;
    const int64_t windowRows = State.PicHeight;
    for (int32_t k = 0; k < threads; ++k) {
        const RowBand band = BandOf(k, threads, rowsPerBand, height);
        const int32_t from = std::max(band.firstRow, first);
        const int32_t to = std::min(band.lastRow, last);
        if (to < from)
            continue;
        const int64_t rows = int64_t{to} - from + 1;
        const int64_t parts = std::clamp<int64_t>((rows * threads + windowRows - 1) / windowRows, 1, rows);
        for (int64_t part = 0; part < parts; ++part) {
            const int32_t partFirst = static_cast<int32_t>(from + rows * part / parts);
            const int32_t partLast = static_cast<int32_t>(from + rows * (part + 1) / parts - 1);
            pieces.push_back({band.firstRow, {partFirst, partLast}});
        }
    }
    return pieces;
}

long double AdvanceRows(long double start, long double step, int32_t rows)
{
    long double value = start;
    for (int32_t r = 0; r < rows; ++r)
        value += step;
    return value;
}
