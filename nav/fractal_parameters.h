#pragma once
#include <cstdint>
#include <string>

// What the "Fractal parameters" window does to the state: plain functions
// over the global state, so tests need no window.

// "Pic size:" list.
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
};
constexpr int32_t PictureSizeCount = 36;
PictureSize PictureSizeAt(int32_t entry);
// "0  176 x  144": the entry's character, then width and height.
std::string PictureSizeEntryText(int32_t entry);
// The entry of a size, -1 when the list has none.
int32_t PictureSizeEntryFor(int32_t width, int32_t height);
// Sets PicWidth x PicHeight and makes the result buffers for it at once, so
// that no frame ever runs over buffers of the old size. A size whose
// buffers cannot be had is refused with a message; false then, and the
// previous size and buffers stay.
bool ChoosePictureSize(int32_t entry);
// The picture size for a window of width x height: at least 1 x 1, at most
// the sides of the list's largest size.
PictureSize PictureSizeForWindow(int32_t width, int32_t height);
// The same for any size (files, movies); keeps buffers that already fit.
bool ResizeResultBuffers(int32_t width, int32_t height);

// "Pic format:" list: "A. JPG", "B. BMP", "C. TIF", "D. PNG".
constexpr int32_t PicFormatCount = 4;
std::string PicFormatEntryText(int32_t entry);
void ChoosePicFormat(int32_t entry);

// The edit fields as texts.
struct ParameterFields {
    std::string IterMax;
    std::string Bailout;
    std::string PotValue;
    std::string Unzoom;
    std::string Threads;
};
enum class ParameterButton { Redraw, ApplyAndExit };

// The state as the fields show it, "Pot value:" with the given digits.
ParameterFields ParameterFieldsFromState(int potValueDigits);
// Takes typed fields into the state by the rules of the button (an
// "Unzoom:" below 1 is refused with a message, the others still apply) and
// makes the result buffers for the picture size. Returns what the fields
// show afterwards, the clamped thread count among them.
ParameterFields ApplyParameterFields(const ParameterFields& typed, ParameterButton button);
// "REDRAW": applies the fields, resizes the picture window and computes and
// shows a new frame. Returns what the fields show after it.
ParameterFields PressRedraw(const ParameterFields& typed);

// The check boxes, each acting when clicked.
enum class ParameterOption {
    DeepZoom,
    AutoPotValue,
    UnzoomVideo,
    InsideColor,
    AutoIterIncrease,
    ColorByPotential,
    BoxedZoom,
    SmoothColor,
    Mandelbrot,
    Julia,
    AutosaveParameter,
    MultiThreaded,
    FastDeepZoom,
    AdaptiveIterMax,
};
bool OptionIsOn(ParameterOption option);
void ClickOption(ParameterOption option);
