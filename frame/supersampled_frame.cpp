#include "frame/supersampled_frame.h"

#include <algorithm>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/row_window.h"
#include "files/box_reduction.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"

namespace {

// The rows of one band of the n-times picture (from `firstRow` of those the
// picture covers) reduced into both pictures.
void ReduceBand(int32_t bigWidth, int32_t firstRow, int32_t rows, int32_t n, std::vector<uint32_t>& scratch,
                SupersampledPicture& picture)
{
    const size_t count = static_cast<size_t>(bigWidth) * rows;
    scratch.resize(count);
    for (size_t i = 0; i < count; ++i)
        scratch[i] = ExportColor(Results.IterBuffer[i]);
    const size_t outFirst = static_cast<size_t>(firstRow / n) * picture.width;
    if (n == 1) {
        std::copy_n(scratch.begin(), count, picture.exported.begin() + outFirst);
        std::copy_n(FrameImage.pixels.begin(), count, picture.shown.begin() + outFirst);
        return;
    }
    ReduceBoxes(scratch.data(), bigWidth, rows, n, picture.exported.data() + outFirst);
    ReduceBoxes(FrameImage.pixels.data(), bigWidth, rows, n, picture.shown.data() + outFirst);
}

}  // namespace

int64_t SupersamplingBandPixels = int64_t{8} << 20;

int32_t SupersamplingBandRows(int32_t bigWidth, int32_t n)
{
    const int64_t outRows = std::max<int64_t>(1, SupersamplingBandPixels / (int64_t{bigWidth} * n));
    return static_cast<int32_t>(std::min<int64_t>(outRows * n, int64_t{1} << 30));
}

void AtSupersampledSize(int32_t n, const std::function<void()>& step)
{
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    State.PicWidth = width * n;
    State.PicHeight = height * n;
    step();
    State.PicWidth = width;
    State.PicHeight = height;
}

bool ComputeSupersampledPicture(int32_t n, SupersampledPicture& picture)
{
    return ComputePictureRows(n, 0, State.PicHeight, picture);
}

bool ComputePictureRows(int32_t n, int32_t firstRow, int32_t rows, SupersampledPicture& picture)
{
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    const int32_t bigWidth = width * n;
    const int32_t bigHeight = height * n;
    const int32_t bigFirst = firstRow * n;
    const int32_t bigEnd = (firstRow + rows) * n;
    picture.width = width;
    picture.height = rows;
    picture.exported.assign(static_cast<size_t>(width) * rows, 0);
    picture.shown.assign(static_cast<size_t>(width) * rows, 0);
    const int32_t bandRows = SupersamplingBandRows(bigWidth, n);
    std::vector<uint32_t> scratch;
    bool complete = true;
    // A band is no picture of its own: the picture window keeps its size.
    const int32_t windowWidth = State.PictureWindowWidth;
    const int32_t windowHeight = State.PictureWindowHeight;
    State.PicWidth = bigWidth;
    // Bands are parts of one picture: one IterMax for all of them.
    const int32_t adaptive = State.AdaptiveIterMax;
    State.AdaptiveIterMax = 0;
    // A frame may leave the view switched into or out of deep zoom, or at
    // another precision; the bands of one picture are computed alike, so a
    // switch before the last band computes them all again in the new state.
    for (bool again = true; again && complete;) {
        again = false;
        const int32_t deep = State.DeepZoom;
        const int32_t bits = State.PrecisionBits;
        for (int32_t first = bigFirst; first < bigEnd; first += bandRows) {
            const int32_t bandHeight = std::min(bandRows, bigEnd - first);
            FrameRowWindow = {bigHeight, first};
            State.PicHeight = bandHeight;
            Results.Allocate(bigWidth, bandHeight);
            State.PictureWindowWidth = bigWidth;
            State.PictureWindowHeight = bandHeight;
            State.FrameValid = 0;
            State.PictureLocked = 0;
            Redraw();
            if (State.FrameAborted == 1) {
                complete = false;
                break;
            }
            ReduceBand(bigWidth, first - bigFirst, bandHeight, n, scratch, picture);
            if (first + bandHeight < bigEnd && (State.DeepZoom != deep || State.PrecisionBits != bits)) {
                again = true;
                break;
            }
        }
    }
    FrameRowWindow = {};
    State.AdaptiveIterMax = adaptive;
    State.PictureWindowWidth = windowWidth;
    State.PictureWindowHeight = windowHeight;
    State.PicWidth = width;
    State.PicHeight = height;
    Results.Allocate(width, rows);
    FrameImage.width = width;
    FrameImage.height = rows;
    FrameImage.pixels = picture.shown;
    return complete;
}
