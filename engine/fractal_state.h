#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/relaxed_atomic.h"
#include "platform/huge_page_allocator.h"

// How the last deep frame was computed: every pixel in arbitrary precision,
// or by perturbation in double or long double.
enum class DeepPath : int32_t { Exact, FastDouble, FastExtended, FastWideExponent };
// How fast deep zoom computed the last extended frame.
enum class ExtendedPath : int32_t { Kernels, Perturbation, DoubleLanes };

// The process-wide description of the current picture and the switches that
// steer computing, colouring and saving. One global instance, `State`; tests
// reset it by assigning a fresh FractalState.
struct FractalState {
    // Fractal selection and iteration (persisted).
    int32_t FractalFlags = 5;  // bit 0 Mandelbrot, bit 1 Julia, bit 2+k drawing mode k
    int32_t IterMax = 100;
    double Bailout = 128;
    double PotValue = 0.0001;
    int32_t ColorOptions = 4;  // bit 0 inside, bit 1 smooth, bit 2 potential, bits 4..8 switches in files
    int32_t DeepZoom = 0;
    int32_t PrecisionBits = 96;
    int32_t AppliedPrecisionBits = 0;
    int32_t DeepLimit = 0;  // scientific exponent that measures how small the view is

    // Palette generator inputs (persisted): start, step, stop per channel.
    std::array<float, 9> PaletteGen{};
    int32_t PaletteOffset = 0;
    int32_t PaletteKept = 0;
    int32_t PaletteHSL = 0;
    int32_t PaletteInverse = 0;
    int32_t PaletteReverse = 0;
    int32_t PaletteExp2 = 0;
    int32_t PaletteExp3 = 0;
    int32_t HslMax = 254;
    int32_t RgbMax = 255;
    float MaxColorStep = 1.9f;

    // Mandelbrot view.
    long double Realmin = -2.5L;
    long double Realmax = 1.5L;
    long double Imagmin = -1.5L;
    long double Imagmax = 1.5L;
    long double StepRe = 0;
    long double StepIm = 0;
    // Centre and magnification form of the Mandelbrot view.
    long double RealCenter = 0;
    long double ImagCenter = 0;
    long double Magnification = 0;
    // Julia view and constant.
    long double JuliaRealmin = 0;
    long double JuliaImagmin = 0;
    long double JuliaRealmax = 0;
    long double JuliaImagmax = 0;
    long double JuliaStepRe = 0;
    long double JuliaStepIm = 0;
    long double JuliaRe = 0;
    long double JuliaIm = 0;

    // Picture and user options (not persisted).
    int32_t PicWidth = 640;
    int32_t PicHeight = 480;
    int32_t PictureWindowWidth = 0;
    int32_t PictureWindowHeight = 0;
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    int32_t ProcessorCount = 1;
    int32_t ThreadCount = 1;
    int32_t MultiThreaded = 0;
    float UnzoomFactor = 1.02f;
    int32_t AutoIterIncrease = 1;
    int32_t AutoPotValue = 0;
    int32_t BoxedZoom = 0;
    int32_t AutosaveParameter = 0;
    int32_t UnzoomVideo = 0;
    int32_t FastDeepZoom = 0;  // deep frames by perturbation where hardware precision can follow them
    int32_t AdaptiveIterMax = 0;  // IterMax raised after frames it cuts off
    int32_t AdaptiveBudgetMs = 0;  // time the raising may take per frame; 0: no limit
    // The next frame shows a file as it was saved: adaptive iterations leave
    // its IterMax (and take up again with the frame after it).
    int32_t LoadedIterMaxHeld = 0;
    std::string PicFormat = "JPG";
    int32_t PicFormatIndex = 0;
    std::string TitleFileName;
    std::string ParamFileName;
    char FileVersionChar = '7';

    // Frame status (runtime only).
    int32_t FrameValid = 0;
    int32_t PictureLocked = 0;
    int32_t FirstFrame = 1;
    int32_t FrameBusy = 0;
    RelaxedAtomic<int32_t> StopRequest{0};  // read by workers while the interface thread writes it
    int32_t FrameAborted = 0;
    float ElapsedSeconds = 0;
    int32_t MandelbrotShown = 0;
    int32_t JuliaViewSet = 0;
    int32_t MovieMode = 0;
    int32_t JuliaFinderActive = 0;
    int32_t KernelIsMandelbrot = 1;
    int32_t InsidePixelCount = 0;
    DeepPath LastDeepPath = DeepPath::Exact;
    int64_t ExactDeepPixels = 0;  // pixels of the last fast deep frame that needed arbitrary precision
    int64_t RecomputedDeepPixels = 0;  // ... whose rounding its first table spoiled, computed again
    ExtendedPath LastExtendedPath = ExtendedPath::Kernels;
    int32_t QuitRequested = 0;
    double Pi = 0;
    double TwoPi = 0;

    // Location dialog: its check box outlives the window, and the view it
    // replaced is kept for the parameters dialog to compare against.
    int32_t UseCenterMag = 0;
    struct MandelbrotViewCopy {
        long double Realmin = 0, Realmax = 0, StepRe = 0, Imagmin = 0, Imagmax = 0, StepIm = 0;
    };
    struct JuliaViewCopy {
        long double JuliaRealmin = 0, JuliaImagmin = 0, JuliaRealmax = 0, JuliaImagmax = 0;
        long double JuliaRe = 0, JuliaIm = 0, JuliaStepIm = 0, JuliaStepRe = 0;
    };
    MandelbrotViewCopy PrevMandelbrotView;
    JuliaViewCopy PrevJuliaView;
    int32_t PrevIterMax = 0;
};

extern FractalState State;

// Per-pixel kernel results, (PicWidth + 2) x (PicHeight + 2) elements each;
// pixel (row r, column j) is element r * PicWidth + j.
struct ResultBuffers {
    HugePageVector<int32_t> IterBuffer;  // escape value, later the colour value
    HugePageVector<float> ZReBuffer;     // final value A
    HugePageVector<float> ZImBuffer;     // final value B

    void Allocate(int32_t width, int32_t height);
};

extern ResultBuffers Results;

constexpr int32_t PaletteSize = 262144;  // indices the drawing modes produce
extern std::array<uint32_t, PaletteSize + 1>& Palette;  // 0x00RRGGBB

// Drawing-mode bit helpers live with the state because the kernels and
// drivers branch on the mode number too.
int32_t DrawingModeNumber(int32_t fractalFlags);   // 1..28, 0 when no mode bit is set
char DrawingModeChar(int32_t fractalFlags);        // '0'..'9','A'..'R', or '\0'
inline bool IsMandelbrot(int32_t fractalFlags) { return (fractalFlags & 1) != 0; }

// Start-up steps that need no window.
int32_t PictureWidthForScreen(int32_t screenWidth);
int32_t PictureHeightForScreen(int32_t screenWidth);
