#include "engine/state_defaults.h"

#include <cmath>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "platform/platform.h"

void InitialiseStateDefaults(int32_t screenWidth, int32_t screenHeight, int32_t processorCount)
{
    State = FractalState();
    State.FileVersionChar = '7';
    State.ScreenWidth = screenWidth;
    State.ScreenHeight = screenHeight;
    State.PicWidth = PictureWidthForScreen(screenWidth);
    State.PicHeight = PictureHeightForScreen(screenWidth);
    State.ProcessorCount = processorCount < 1 ? 1 : processorCount;
    State.FirstFrame = 1;
    State.ThreadCount = State.ProcessorCount;
    Results.Allocate(State.PicWidth, State.PicHeight);
    State.MandelbrotShown = 0;
    State.JuliaViewSet = 0;
    State.FractalFlags = 5;
    State.IterMax = 100;
    State.Bailout = 128;
    State.AutoIterIncrease = 1;
    State.PicFormatIndex = 0;
    State.PicFormat = "JPG";
    State.FrameValid = 0;
    State.PictureLocked = 0;
    State.Pi = static_cast<double>(4.0L * atanl(1.0L));
    State.TwoPi = 2 * State.Pi;
    State.PotValue = 0.0001;
    State.MaxColorStep = 1.9f;
    State.HslMax = 254;
    State.RgbMax = 255;
    State.ColorOptions |= 4;
    State.AutosaveParameter = 0;
    State.MultiThreaded = State.ThreadCount > 1 ? 1 : 0;
    State.PrecisionBits = 96;
    State.DeepZoom = 0;
    State.TitleFileName.clear();
    Texts = ViewTexts();
    ClearBigFloats();
    InitBigFloats();
}

void ResetParameters()
{
    State.FractalFlags = 5;
    State.Realmin = -2.5L;
    State.Realmax = 1.5L;
    State.Imagmin = -1.5L;
    State.Imagmax = 1.5L;
    mpf_set_d(BigRealmin, static_cast<double>(State.Realmin));
    mpf_set_d(BigRealmax, static_cast<double>(State.Realmax));
    mpf_set_d(BigImagmin, static_cast<double>(State.Imagmin));
    mpf_set_d(BigImagmax, static_cast<double>(State.Imagmax));
    // The centre and magnification of that view: DeepLimit reads the
    // magnification, and it must not depend on which window was opened last.
    State.RealCenter = -0.5L;
    State.ImagCenter = 0;
    State.Magnification = 1;
    mpf_set_d(BigRealCenter, -0.5);
    mpf_set_ui(BigImagCenter, 0);
    mpf_set_ui(BigMagnification, 1);
    State.PotValue = 0.0001;
    State.UnzoomFactor = 1.02f;
    State.PictureLocked = 0;
    State.FrameValid = 0;
    State.IterMax = 100;
    State.AutoPotValue = 0;
    State.TitleFileName.clear();
    State.BoxedZoom = 0;
    State.DeepZoom = 0;
    State.PrecisionBits = 96;
    CurrentPlatform().ShowChangesInToolWindows();
    CurrentPlatform().InvalidatePictureWindow();
}
