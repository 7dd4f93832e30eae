#include "nav/fractal_parameters.h"

#include <algorithm>
#include <cfloat>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>

#include "color/display.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "engine/rounding.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "platform/platform.h"

namespace {

constexpr PictureSize PictureSizes[PictureSizeCount] = {
    {176, 144},   {320, 240},   {352, 288},   {512, 384},   {640, 480},   {720, 480},
    {720, 576},   {800, 600},   {1024, 600},  {1024, 768},  {1152, 864},  {1280, 720},
    {1280, 960},  {1280, 1024}, {1360, 768},  {1440, 900},  {1440, 1024}, {1440, 1080},
    {1600, 1200}, {1920, 1080}, {1920, 1200}, {2048, 1152}, {2048, 1536}, {2560, 1600},
    {2560, 2048}, {2880, 2048}, {3200, 2048}, {3200, 2400}, {3840, 2400}, {5120, 4096},
    {6400, 4096}, {6400, 4800}, {7680, 4320}, {7680, 4800}, {7680, 5760}, {8192, 6140},
};
constexpr char PictureSizeCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

constexpr const char* PicFormats[PicFormatCount] = {"JPG", "BMP", "TIF", "PNG"};

// The Julia group in file order: the four edges (minima first), then the constant.
constexpr int32_t JuliaFlags = 2;
constexpr size_t JuliaReIndex = 4;
constexpr size_t JuliaImIndex = 5;

constexpr int32_t InsideColorBit = 1;
constexpr int32_t SmoothColorBit = 2;
constexpr int32_t ColorByPotentialBit = 4;

// An integer the way the program shows it: a blank in place of the sign.
std::string IntegerText(int32_t value) { return NumberText(value, 15); }

// The largest side whose element count can still be formed.
constexpr int32_t MaxPictureSide = std::numeric_limits<int32_t>::max() - 2;

bool BuffersFit(int32_t width, int32_t height)
{
    const size_t count = (static_cast<size_t>(width) + 2) * (static_cast<size_t>(height) + 2);
    return Results.IterBuffer.size() == count && Results.ZReBuffer.size() == count &&
           Results.ZImBuffer.size() == count;
}

// Typed numbers beyond the range of the variable would become infinities.
double ReadDoubleField(const std::string& text)
{
    return static_cast<double>(std::clamp<long double>(ReadNumberText(text), -DBL_MAX, DBL_MAX));
}

int32_t ReadThreadsField(const std::string& text)
{
    // Clamping and forcing 1 without "Multi-threaded" give the same count in
    // either order, so both buttons share this.
    if (State.MultiThreaded == 0)
        return 1;
    return std::clamp(RoundToInt32(ReadNumberText(text)), 1, std::max(State.ProcessorCount, 1));
}

int32_t ReadIterMaxField(const std::string& text, ParameterButton button)
{
    int32_t iterMax = std::max(RoundToInt32(ReadNumberText(text)), 10);
    // Leaving the window never lowers the budget of the picture on screen.
    if (button == ParameterButton::ApplyAndExit)
        iterMax = std::max(iterMax, State.IterMax);
    return iterMax;
}

void ReadUnzoomField(const std::string& text)
{
    const long double unzoom = ReadNumberText(text);
    if (unzoom < 1) {
        CurrentPlatform().ShowMessage("Values less than 1 are not allowed!\nTry between 1.01 and 1.03", "QUORVATIX",
                                      MessageButtons::Ok);
        return;
    }
    State.UnzoomFactor = static_cast<float>(std::min<long double>(unzoom, FLT_MAX));
}

void Toggle(int32_t& flag) { flag = flag == 1 ? 0 : 1; }

// After a switch of kind: a return to Mandelbrot forgets that any picture
// was finished, so the next press picks a Julia constant again.
void SettleOnMandelbrot()
{
    if (IsMandelbrot(State.FractalFlags)) {
        State.JuliaViewSet = 0;
        State.MandelbrotShown = 0;
        State.FractalFlags &= ~2;
    }
}

void ClickDeepZoom()
{
    if (State.DeepZoom == 1) {
        // A view this deep cannot be drawn in extended precision.
        if (State.DeepLimit > -17) {
            State.DeepZoom = 0;
            BigTextsToExtended();
            State.AutosaveParameter = 0;
        }
    } else {
        ExtendedToBigFloats();
        State.DeepZoom = 1;
    }
}

// The Julia constant := the centre of the Mandelbrot view.
void PickCentreAsJuliaConstant()
{
    if (State.DeepZoom == 1) {
        BigFloat product(State.PrecisionBits);
        const auto halfWidth = static_cast<unsigned long>(std::max(RoundToInt32(State.PicWidth / 2.0L), 0));
        const auto halfHeight = static_cast<unsigned long>(std::max(RoundToInt32(State.PicHeight / 2.0L), 0));
        mpf_mul_ui(product, BigStepRe, halfWidth);
        mpf_add(BigJuliaRe, product, BigRealmin);
        mpf_mul_ui(product, BigStepIm, halfHeight);
        mpf_add(BigJuliaIm, product, BigImagmin);
        SyncViewTexts();
    } else {
        const std::span<const ViewValue> julia = ViewGroup(JuliaFlags);
        SetViewValue(julia[JuliaReIndex], State.Realmin + State.StepRe * (State.PicWidth / 2.0L));
        SetViewValue(julia[JuliaImIndex], State.Imagmin + State.StepIm * (State.PicHeight / 2.0L));
    }
    State.JuliaViewSet = 1;
}

void ClickJulia()
{
    State.FractalFlags ^= 3;
    PickCentreAsJuliaConstant();
    // Only the edges: the arbitrary-precision constant just picked must not
    // pass through extended precision.
    SetDefaultJuliaView();
    State.AutoPotValue = 0;
    SettleOnMandelbrot();
}

}  // namespace

PictureSize PictureSizeAt(int32_t entry) { return PictureSizes[std::clamp(entry, 0, PictureSizeCount - 1)]; }

std::string PictureSizeEntryText(int32_t entry)
{
    const PictureSize size = PictureSizeAt(entry);
    return std::string(1, PictureSizeCharacters[std::clamp(entry, 0, PictureSizeCount - 1)]) + " " +
           IntegerText(size.width) + " x " + IntegerText(size.height);
}

int32_t PictureSizeEntryFor(int32_t width, int32_t height)
{
    for (int32_t entry = 0; entry < PictureSizeCount; ++entry)
        if (PictureSizes[entry].width == width && PictureSizes[entry].height == height)
            return entry;
    return -1;
}

bool ResizeResultBuffers(int32_t width, int32_t height)
{
    const bool formable = width >= 1 && height >= 1 && width <= MaxPictureSide && height <= MaxPictureSide;
    if (formable && !BuffersFit(width, height)) {
        try {
            // Made aside, so that a refusal leaves the old buffers whole.
            ResultBuffers buffers;
            buffers.Allocate(width, height);
            Results = std::move(buffers);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    if (!formable || !BuffersFit(width, height)) {
        CurrentPlatform().ShowMessage("Not enough memory for a picture of " + std::to_string(width) + " x " +
                                          std::to_string(height) + "!\nPlease choose a smaller size.",
                                      "QUORVATIX", MessageButtons::Ok);
        return false;
    }
    State.PicWidth = width;
    State.PicHeight = height;
    return true;
}

bool ChoosePictureSize(int32_t entry)
{
    const PictureSize size = PictureSizeAt(entry);
    return ResizeResultBuffers(size.width, size.height);
}

PictureSize PictureSizeForWindow(int32_t width, int32_t height)
{
    const PictureSize largest = PictureSizes[PictureSizeCount - 1];
    return {std::clamp(width, 1, largest.width), std::clamp(height, 1, largest.height)};
}

std::string PicFormatEntryText(int32_t entry)
{
    entry = std::clamp(entry, 0, PicFormatCount - 1);
    return std::string(1, static_cast<char>('A' + entry)) + ". " + PicFormats[entry];
}

void ChoosePicFormat(int32_t entry)
{
    entry = std::clamp(entry, 0, PicFormatCount - 1);
    State.PicFormatIndex = entry;
    State.PicFormat = PicFormats[entry];
}

ParameterFields ParameterFieldsFromState(int potValueDigits)
{
    return {IntegerText(State.IterMax), NumberText(State.Bailout, 15), NumberText(State.PotValue, potValueDigits),
            NumberText(State.UnzoomFactor, 7), IntegerText(State.ThreadCount)};
}

ParameterFields ApplyParameterFields(const ParameterFields& typed, ParameterButton button)
{
    State.ThreadCount = ReadThreadsField(typed.Threads);
    State.IterMax = ReadIterMaxField(typed.IterMax, button);
    State.Bailout = std::max(ReadDoubleField(typed.Bailout), 2.0);
    if (State.AutoPotValue == 0) {
        State.PotValue = ReadDoubleField(typed.PotValue);
        if (State.PotValue == 0)
            State.PotValue = 0.0001;
    }
    ReadUnzoomField(typed.Unzoom);
    // The list keeps the buffers in step; this catches sizes set elsewhere.
    ResizeResultBuffers(State.PicWidth, State.PicHeight);
    return ParameterFieldsFromState(15);
}

ParameterFields PressRedraw(const ParameterFields& typed)
{
    ApplyParameterFields(typed, ParameterButton::Redraw);
    CurrentPlatform().ResizePictureArea(State.PicWidth, State.PicHeight);
    State.PictureWindowWidth = State.PicWidth;
    State.PictureWindowHeight = State.PicHeight;
    State.FrameValid = 0;
    State.PictureLocked = 0;
    Redraw();
    // As after the picture window's own frames: the title shows the depth of
    // the view at its new size, not the one before.
    SyncViewTexts();
    DisplayPicture();
    SleepMilliseconds(1);
    return ParameterFieldsFromState(15);
}

bool OptionIsOn(ParameterOption option)
{
    switch (option) {
    case ParameterOption::DeepZoom: return State.DeepZoom == 1;
    case ParameterOption::AutoPotValue: return State.AutoPotValue == 1;
    case ParameterOption::UnzoomVideo: return State.UnzoomVideo == 1;
    case ParameterOption::InsideColor: return (State.ColorOptions & InsideColorBit) != 0;
    case ParameterOption::AutoIterIncrease: return State.AutoIterIncrease == 1;
    case ParameterOption::ColorByPotential: return (State.ColorOptions & ColorByPotentialBit) != 0;
    case ParameterOption::BoxedZoom: return State.BoxedZoom == 1;
    case ParameterOption::SmoothColor: return (State.ColorOptions & SmoothColorBit) != 0;
    case ParameterOption::Mandelbrot: return (State.FractalFlags & 1) != 0;
    case ParameterOption::Julia: return (State.FractalFlags & 2) != 0;
    case ParameterOption::AutosaveParameter: return State.AutosaveParameter == 1;
    case ParameterOption::MultiThreaded: return State.MultiThreaded == 1;
    case ParameterOption::FastDeepZoom: return State.FastDeepZoom == 1;
    case ParameterOption::AdaptiveIterMax: return State.AdaptiveIterMax == 1;
    }
    return false;
}

void ClickOption(ParameterOption option)
{
    switch (option) {
    case ParameterOption::DeepZoom: ClickDeepZoom(); break;
    case ParameterOption::AutoPotValue:
        Toggle(State.AutoPotValue);
        if (State.AutoPotValue == 1)
            State.PotValue = AutomaticPotValue(State.DeepLimit);
        break;
    case ParameterOption::UnzoomVideo: Toggle(State.UnzoomVideo); break;
    case ParameterOption::InsideColor: State.ColorOptions ^= InsideColorBit; break;
    case ParameterOption::AutoIterIncrease: Toggle(State.AutoIterIncrease); break;
    case ParameterOption::ColorByPotential: State.ColorOptions ^= ColorByPotentialBit; break;
    case ParameterOption::BoxedZoom: Toggle(State.BoxedZoom); break;
    case ParameterOption::SmoothColor:
        State.ColorOptions ^= SmoothColorBit;
        CurrentPlatform().InvalidatePictureWindow();
        break;
    case ParameterOption::Mandelbrot:
        State.FractalFlags ^= 3;
        SettleOnMandelbrot();
        break;
    case ParameterOption::Julia: ClickJulia(); break;
    case ParameterOption::AutosaveParameter: Toggle(State.AutosaveParameter); break;
    case ParameterOption::MultiThreaded:
        Toggle(State.MultiThreaded);
        if (State.MultiThreaded == 0)
            State.ThreadCount = 1;
        break;
    case ParameterOption::FastDeepZoom: Toggle(State.FastDeepZoom); break;
    case ParameterOption::AdaptiveIterMax: Toggle(State.AdaptiveIterMax); break;
    }
}
