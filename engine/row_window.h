#pragma once
#include <cstdint>
#include <vector>

#include "engine/row_bands.h"

// A frame may compute only some rows of a taller picture on the same view
// (poster tiles, supersampling bands): State.PicHeight rows, from firstRow
// of a picture viewHeight rows tall. Each row gets the kernel inputs that
// the taller picture's own frame gives it, so the rows are bit-identical.
struct RowWindow {
    int32_t viewHeight = 0;  // 0: the frame is the whole picture
    int32_t firstRow = 0;
};

extern RowWindow FrameRowWindow;

// Rows the view spans, and the view row of the frame's first row.
int32_t ViewHeight();
int32_t WindowFirstRow();

// Rows one worker computes, in view rows, and the first row of the whole
// picture's thread band they belong to: the kernels add the row step up
// from there, so a worker starting inside a band repeats those additions.
struct WorkPiece {
    int32_t bandFirstRow;
    RowBand rows;
};

// The whole picture's bands of `threads` workers; in a window, their parts
// inside it, split further so that about `threads` workers share it.
std::vector<WorkPiece> WorkPieces(int32_t threads);

// A row value `rows` rows on from `start`, added up one step at a time as
// the kernels do from the first row of their band.
long double AdvanceRows(long double start, long double step, int32_t rows);
