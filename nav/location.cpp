#include "nav/location.h"

#include <algorithm>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "engine/rounding.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"

namespace {

constexpr int32_t LeastIterMax = 10;

void KeepPreviousView()
{
    State.PrevMandelbrotView = {State.Realmin, State.Realmax, State.StepRe,
                                State.Imagmin, State.Imagmax, State.StepIm};
    State.PrevJuliaView = {State.JuliaRealmin, State.JuliaImagmin, State.JuliaRealmax, State.JuliaImagmax,
                           State.JuliaRe,      State.JuliaIm,      State.JuliaStepIm,  State.JuliaStepRe};
    State.PrevIterMax = State.IterMax;
}

void ApplyTypedCenter(const std::array<std::string, 3>& center)
{
    Texts.RealCenterText = center[0];
    Texts.ImagCenterText = center[1];
    Texts.MagnificationText = center[2];
    CenterToCorners();
}

void ApplyTypedJuliaConstant(const std::array<std::string, 2>& constant)
{
    Texts.JuliaReText = constant[0];
    Texts.JuliaImText = constant[1];
    // Only the two typed values are read: the view's other texts are
    // roundings of their values and would not read back to the same bits.
    ReadBigFloatText(Texts.JuliaReText, BigJuliaRe);
    ReadBigFloatText(Texts.JuliaImText, BigJuliaIm);
    RefreshBigSteps();
    SyncViewTexts();
    // In deep zoom SyncViewTexts leaves the extended view alone; the
    // constant follows what was typed all the same.
    State.JuliaRe = ReadExtendedText(Texts.JuliaReText);
    State.JuliaIm = ReadExtendedText(Texts.JuliaImText);
}

}  // namespace

std::string DisplayCoordText(const std::string& text)
{
    const char* const blanks = " \t";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    std::string shown = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    if (shown.ends_with("E0"))
        shown.resize(shown.size() - 2);
    return shown;
}

LocationTexts CurrentLocationTexts()
{
    if (IsMandelbrot(State.FractalFlags))
        CornersToCenter();
    else
        SyncViewTexts();
    LocationTexts shown;
    shown.edges = {DisplayCoordText(Texts.RealminText), DisplayCoordText(Texts.RealmaxText),
                   DisplayCoordText(Texts.ImagminText), DisplayCoordText(Texts.ImagmaxText)};
    shown.center = {DisplayCoordText(Texts.RealCenterText), DisplayCoordText(Texts.ImagCenterText),
                    DisplayCoordText(Texts.MagnificationText)};
    shown.juliaConstant = {DisplayCoordText(Texts.JuliaReText), DisplayCoordText(Texts.JuliaImText)};
    shown.iterMax = NumberText(State.IterMax, 15);
    return shown;
}

void ToggleCenterMag()
{
    if (State.UseCenterMag == 1) {
        State.UseCenterMag = 0;
        return;
    }
    State.UseCenterMag = 1;
    CornersToCenter();
}

void ApplyTypedLocation(const LocationTexts& typed)
{
    KeepPreviousView();
    State.IterMax = std::max(RoundToInt32(ReadNumberText(typed.iterMax)), LeastIterMax);
    // Each form judges the new view by its own pixel step before deep zoom
    // and the precision are chosen, so a deep view is never computed in
    // extended precision.
    if (!IsMandelbrot(State.FractalFlags))
        ApplyKeepingTypedDigits([&] { ApplyTypedJuliaConstant(typed.juliaConstant); });
    else if (State.UseCenterMag == 1)
        ApplyTypedCenter(typed.center);
    else
        ApplyTypedView(typed.edges);
    State.FrameValid = 0;
    State.PictureLocked = 0;
    Redraw();
}
