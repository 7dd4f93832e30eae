#include "nav/julia_finder.h"

#include <algorithm>

#include "color/coloring.h"
#include "color/display.h"
#include "engine/kernels_extended.h"
#include "engine/view_texts.h"
#include "platform/platform.h"

namespace {

constexpr size_t PreviewPixels = static_cast<size_t>(JuliaPreviewWidth) * JuliaPreviewHeight;

// The preview's results when the picture's buffers are smaller than it.
ResultBuffers SmallPictureBuffers;

ResultBuffers& PreviewBuffers()
{
    if (Results.IterBuffer.size() >= PreviewPixels && Results.ZReBuffer.size() >= PreviewPixels &&
        Results.ZImBuffer.size() >= PreviewPixels)
        return Results;
    if (SmallPictureBuffers.IterBuffer.size() < PreviewPixels)
        SmallPictureBuffers.Allocate(JuliaPreviewWidth, JuliaPreviewHeight);
    return SmallPictureBuffers;
}

template <typename T>
std::vector<T> LeadingPart(const HugePageVector<T>& buffer)
{
    return {buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(std::min(buffer.size(), PreviewPixels))};
}

template <typename T>
void PutBack(const std::vector<T>& part, HugePageVector<T>& buffer)
{
    std::copy_n(part.begin(), std::min(part.size(), buffer.size()), buffer.begin());
}

FractalState::JuliaViewCopy CurrentJuliaView()
{
    return {State.JuliaRealmin, State.JuliaImagmin, State.JuliaRealmax, State.JuliaImagmax,
            State.JuliaRe,      State.JuliaIm,      State.JuliaStepIm,  State.JuliaStepRe};
}

void RestoreJuliaView(const FractalState::JuliaViewCopy& view)
{
    State.JuliaRealmin = view.JuliaRealmin;
    State.JuliaImagmin = view.JuliaImagmin;
    State.JuliaRealmax = view.JuliaRealmax;
    State.JuliaImagmax = view.JuliaImagmax;
    State.JuliaRe = view.JuliaRe;
    State.JuliaIm = view.JuliaIm;
    State.JuliaStepIm = view.JuliaStepIm;
    State.JuliaStepRe = view.JuliaStepRe;
}

// The kernel of the drawing mode, as the frames run it; "R" would need the
// slow map of variant 5, so the preview draws it with variant 1.
int32_t PreviewKernelVariant(int32_t modeNumber)
{
    constexpr int32_t ModeR = 28;
    return modeNumber == ModeR ? 1 : KernelVariantForMode(modeNumber);
}

}  // namespace

std::optional<JuliaFinderSnapshot> BeginJuliaFinder()
{
    Platform& platform = CurrentPlatform();
    if (State.DeepZoom == 1) {
        platform.ShowMessage("Not available with\ndeep zoom", "QUORVATIX", MessageButtons::Ok);
        return std::nullopt;
    }
    const int32_t multiThreaded = State.MultiThreaded;
    State.MultiThreaded = 0;
    platform.ShowChangesInToolWindows();
    if (!IsMandelbrot(State.FractalFlags)) {
        platform.ShowMessage("Please switch to Mandelbrot\nto use this function", "QUORVATIX", MessageButtons::Ok);
        return std::nullopt;
    }

    JuliaFinderSnapshot snapshot;
    snapshot.iterMax = State.IterMax;
    snapshot.multiThreaded = multiThreaded;
    snapshot.frameValid = State.FrameValid;
    snapshot.pictureLocked = State.PictureLocked;
    snapshot.juliaView = CurrentJuliaView();
    snapshot.iterValues = LeadingPart(Results.IterBuffer);
    snapshot.aValues = LeadingPart(Results.ZReBuffer);
    snapshot.bValues = LeadingPart(Results.ZImBuffer);

    State.JuliaFinderActive = 1;
    // A picture loaded with its file stays locked against recomputing; the
    // preview goes through Redraw and must not be held by that.
    State.PictureLocked = 0;
    return snapshot;
}

void NoteFinderMessage()
{
    State.FrameValid = 0;
    State.IterMax = JuliaFinderIterMax;
}

void FirstFinderMovement()
{
    if (State.ProcessorCount > 1)
        State.MultiThreaded = 1;
}

void SetJuliaConstantAt(int32_t x, int32_t y)
{
    const int32_t column = std::clamp(x, 0, std::max(State.PicWidth - 1, 0));
    const int32_t row = std::clamp(y, 0, std::max(State.PicHeight - 1, 0));
    State.JuliaIm = State.Imagmin + State.StepIm * row;
    State.JuliaRe = State.Realmin + State.StepRe * column;
}

void RenderJuliaPreview(const PreviewRowSink& showRow)
{
    State.FrameBusy = 1;
    // The frame drivers' arithmetic throughout, so the preview of a constant
    // is the Julia frame of that constant at the preview's size.
    State.JuliaRealmin = -DefaultJuliaHalfWidth;
    State.JuliaImagmin = -DefaultJuliaHalfWidth;
    State.JuliaRealmax = DefaultJuliaHalfWidth;
    State.JuliaImagmax = DefaultJuliaHalfWidth;
    State.JuliaStepRe = (State.JuliaRealmax - State.JuliaRealmin) / JuliaPreviewWidth;
    State.JuliaStepIm = (State.JuliaImagmax - State.JuliaImagmin) / JuliaPreviewHeight;
    const long double cr = State.JuliaRe;
    const long double ci = State.JuliaIm;
    const long double stepRe = State.JuliaStepRe;
    const long double stepIm = State.JuliaStepIm;

    const ColoringConstants coloring = PrepareColoring();
    const int32_t variant = PreviewKernelVariant(coloring.modeNumber);
    const PixelSetup setup = MakePixelSetup(State.IterMax, State.Bailout);
    ResultBuffers& buffers = PreviewBuffers();
    int32_t* values = buffers.IterBuffer.data();
    float* aValues = buffers.ZReBuffer.data();
    float* bValues = buffers.ZImBuffer.data();
    std::vector<uint32_t> rowPixels(JuliaPreviewWidth);

    long double y = State.JuliaImagmin;
    for (int32_t row = 0; row < JuliaPreviewHeight; ++row) {
        long double x = State.JuliaRealmin;
        for (int32_t column = 0; column < JuliaPreviewWidth; ++column) {
            IterateKernelPixel(variant, setup, x, y, cr, ci, values, aValues, bValues);
            // s = A + B, as the colouring pass of a whole frame has it.
            *values = ColorValue(coloring, *values, *aValues, *bValues,
                                 static_cast<long double>(*aValues) + static_cast<long double>(*bValues));
            rowPixels[column] = DisplayColor(*values);
            ++values;
            ++aValues;
            ++bValues;
            x += stepRe;
        }
        y += stepIm;
        showRow(row, rowPixels.data(), JuliaPreviewWidth);
    }
    State.FrameBusy = 0;
}

void TakeJuliaConstant()
{
    State.JuliaFinderActive = 0;
    // The kind is still Mandelbrot: its view is what gets converted.
    ExtendedToBigFloats();
    State.JuliaViewSet = 1;
    SetDefaultJuliaView();
    State.FractalFlags = (State.FractalFlags | 2) & ~1;
    CurrentPlatform().ShowChangesInToolWindows();
    State.FrameValid = 0;
    State.PictureLocked = 0;
}

void CancelJuliaFinder(const JuliaFinderSnapshot& snapshot)
{
    State.JuliaFinderActive = 0;
    State.IterMax = snapshot.iterMax;
    State.MultiThreaded = snapshot.multiThreaded;
    RestoreJuliaView(snapshot.juliaView);
    PutBack(snapshot.iterValues, Results.IterBuffer);
    PutBack(snapshot.aValues, Results.ZReBuffer);
    PutBack(snapshot.bValues, Results.ZImBuffer);
    // The Mandelbrot picture is shown again from its results, without a new frame.
    State.FrameValid = snapshot.frameValid;
    State.PictureLocked = snapshot.pictureLocked;
    DisplayPicture();
    CurrentPlatform().ShowChangesInToolWindows();
}
