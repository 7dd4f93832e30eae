#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/fractal_state.h"

// What the Julia finder does to the state, apart from its windows: the
// constant is picked by pointing at the Mandelbrot picture while a small
// preview shows the Julia set under the pointer.

constexpr int32_t JuliaPreviewWidth = 200;
constexpr int32_t JuliaPreviewHeight = 160;
// Iter max while the finder is open, kept for the Julia picture it ends with.
constexpr int32_t JuliaFinderIterMax = 200;

// What the finder changes and closing it without a choice gives back.
struct JuliaFinderSnapshot {
    int32_t iterMax = 0;
    int32_t multiThreaded = 0;
    int32_t frameValid = 0;
    int32_t pictureLocked = 0;
    FractalState::JuliaViewCopy juliaView;
    // The part of the result buffers the preview overwrites.
    std::vector<int32_t> iterValues;
    std::vector<float> aValues;
    std::vector<float> bValues;
};

// The "Julia finder" command up to its windows. Deep zoom is refused with
// "Not available with" / "deep zoom"; otherwise "Multi-threaded" goes off,
// and a picture that is not a Mandelbrot picture is refused with "Please
// switch to Mandelbrot" / "to use this function". A Mandelbrot picture
// opens the finder (JuliaFinderActive 1). Returns what closing the finder
// without a choice restores, nothing when refused.
std::optional<JuliaFinderSnapshot> BeginJuliaFinder();

// Every event of the finder window while it is open: Iter max 200, and the
// next Redraw renders the preview.
void NoteFinderMessage();
// The first movement over the finder: "Multi-threaded" again where there is
// more than one processor (its check box is not updated).
void FirstFinderMovement();
// The constant under the pointer, in client coordinates of the Mandelbrot
// picture (clamped into it): (Realmin + StepRe x, Imagmin + StepIm y).
void SetJuliaConstantAt(int32_t x, int32_t y);

// Receives each finished row of the preview as 0x00RRGGBB pixels.
using PreviewRowSink = std::function<void(int32_t row, const uint32_t* pixels, int32_t width)>;
// The Julia set of (JuliaRe, JuliaIm) over -1.8 .. 1.8, computed row by row
// with the kernel of the drawing mode ("R" with variant 1), its results kept
// in the result buffers with the preview's width as stride and each pixel
// coloured at once as the colouring pass colours it.
void RenderJuliaPreview(const PreviewRowSink& showRow);

// The right click, before the windows change: the finder ends, the
// Mandelbrot view's arbitrary-precision copy catches up, the Julia view
// becomes -1.8 .. 1.8 and the kind Julia; the next Redraw computes its frame.
void TakeJuliaConstant();
// Closing the finder without a choice: the state as before it opened, the
// Mandelbrot picture's results included.
void CancelJuliaFinder(const JuliaFinderSnapshot& snapshot);
