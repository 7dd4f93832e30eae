#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/huge_page_allocator.h"

// N x N supersampling: the picture n times the size on the same view,
// computed by the frame drivers in bands of its rows (never all of it at
// once), each band reduced to its output rows by ReduceBoxes at once. The
// result equals the box reduction of the n-times picture computed whole.

struct SupersampledPicture {
    int32_t width = 0;
    int32_t height = 0;
    HugePageVector<uint32_t> exported;  // the export rule: inside pixels black
    HugePageVector<uint32_t> shown;     // as the screen shows the picture
};

// Pixels of the n-times picture one band holds at most (unless one output
// row is wider); 8 Mi, lowered by tests to make many bands of a small picture.
extern int64_t SupersamplingBandPixels;

// Rows of the n-times picture a band computes: a multiple of n.
int32_t SupersamplingBandRows(int32_t bigWidth, int32_t n);

// Runs `step` with State's picture size n times larger, the result buffers
// untouched: what the n-times picture's view is settled or replayed at.
void AtSupersampledSize(int32_t n, const std::function<void()>& step);

// Computes the current view at n x n samples a pixel, for the picture size
// in State; false when Esc stopped a band. Afterwards FrameImage holds the
// shown picture and the result buffers are empty ones of the picture size.
bool ComputeSupersampledPicture(int32_t n, SupersampledPicture& picture);

// The same for only the rows firstRow .. firstRow + rows - 1 of the picture
// (a poster's tile); each is bit-identical to that row of the whole picture.
// The result buffers are left empty ones of those rows: a frame of the whole
// picture needs Results.Allocate first.
bool ComputePictureRows(int32_t n, int32_t firstRow, int32_t rows, SupersampledPicture& picture);
