#include "frame/supersampled_export.h"

#include <string>
#include <utility>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/supersampling.h"
#include "engine/view_texts.h"
#include "files/picture_export.h"
#include "frame/supersampled_frame.h"
#include "platform/platform.h"

namespace {

// The screen's picture and what it was computed from, put back after the
// larger picture's bands have passed through the same buffers and state.
class ShownFrameKeeper {
public:
    ShownFrameKeeper() : state_(State), results_(Results), image_(FrameImage) {}
    ~ShownFrameKeeper()
    {
        const bool otherPrecision = State.PrecisionBits != state_.PrecisionBits;
        State = state_;
        Results = std::move(results_);
        FrameImage = std::move(image_);
        if (otherPrecision) {
            State.AppliedPrecisionBits = 0;
            SetPrecision(state_.PrecisionBits);
        }
        // The bands left the larger picture's pixel steps behind.
        RefreshBigSteps();
        if (State.DeepZoom == 1)
            BigFloatsToTexts();
        // The window showed the bands while they were computed.
        CurrentPlatform().ShowFrameImage(FrameImage.pixels.data(), FrameImage.width, FrameImage.height);
    }
    ShownFrameKeeper(const ShownFrameKeeper&) = delete;
    ShownFrameKeeper& operator=(const ShownFrameKeeper&) = delete;

private:
    FractalState state_;
    ResultBuffers results_;
    FrameImageBuffer image_;
};

}  // namespace

void SaveSupersampledPictureCommand()
{
    if (Supersampling <= 1) {
        SavePictureCommand();
        return;
    }
    const std::string path = AskPicturePath();
    if (path.empty())
        return;
    bool written = false;
    {
        const ShownFrameKeeper keeper;
        // The bands are computed as movie frames are: no titles, history,
        // thumbnails or backups of their own.
        State.MovieMode = 1;
        SupersampledPicture picture;
        if (!ComputeSupersampledPicture(Supersampling, picture))
            return;
        FrameImage.pixels = std::move(picture.exported);
        written = SaveShownPicture(path);
    }
    if (!written)
        ReportPictureNotSaved(path);
}
