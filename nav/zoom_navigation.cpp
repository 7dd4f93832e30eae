#include "nav/zoom_navigation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/rounding.h"
#include "engine/view_texts.h"
#include "frame/adaptive_iterations.h"
#include "platform/platform.h"

PixelPoint PressPoint;
PixelPoint ReleasePoint;
double ZoomHalfWidth = 0;
double ZoomHalfHeight = 0;

namespace {

// The edges and steps of the view of the current kind, in both forms.
struct ExtendedView {
    long double& realMin;
    long double& realMax;
    long double& imagMin;
    long double& imagMax;
    long double& stepRe;
    long double& stepIm;
};

struct DeepView {
    BigFloat& realMin;
    BigFloat& realMax;
    BigFloat& imagMin;
    BigFloat& imagMax;
    BigFloat& stepRe;
    BigFloat& stepIm;
};

ExtendedView CurrentExtendedView()
{
    if (IsMandelbrot(State.FractalFlags))
        return {State.Realmin, State.Realmax, State.Imagmin, State.Imagmax, State.StepRe, State.StepIm};
    return {State.JuliaRealmin, State.JuliaRealmax, State.JuliaImagmin,
            State.JuliaImagmax, State.JuliaStepRe, State.JuliaStepIm};
}

DeepView CurrentDeepView()
{
    if (IsMandelbrot(State.FractalFlags))
        return {BigRealmin, BigRealmax, BigImagmin, BigImagmax, BigStepRe, BigStepIm};
    return {BigJuliaRealmin, BigJuliaRealmax, BigJuliaImagmin, BigJuliaImagmax, BigJuliaStepRe, BigJuliaStepIm};
}

PixelPoint ClampedToPicture(int32_t x, int32_t y)
{
    return {std::clamp(x, 0, std::max(State.PicWidth, 0)), std::clamp(y, 0, std::max(State.PicHeight, 0))};
}

// step * offset for a signed offset: the unsigned multiply of |offset| and
// then the sign, so that a box dragged up or left gives exactly the negated
// product of the same box dragged down or right.
void MultiplyBySignedOffset(BigFloat& product, const BigFloat& step, int32_t offset)
{
    const unsigned long magnitude = static_cast<unsigned long>(std::abs(static_cast<int64_t>(offset)));
    mpf_mul_ui(product, step, magnitude);
    if (offset < 0)
        mpf_neg(product, product);
}

// What every left-button release ends with: a new frame is wanted.
void FinishRelease()
{
    SleepMilliseconds(1);
    State.PictureLocked = 0;
    State.FrameValid = 0;
    State.TitleFileName.clear();
    CurrentPlatform().InvalidatePictureWindow();
}

void HalveExtendedViewAbout(const PixelPoint& centre)
{
    ExtendedView view = CurrentExtendedView();
    // The centre and quarter sizes pass through float64 before the new edges
    // are formed in extended precision.
    const double cy = static_cast<double>(centre.y * view.stepIm + view.imagMin);
    const double cx = static_cast<double>(centre.x * view.stepRe + view.realMin);
    const double qw = static_cast<double>(0.25L * (view.realMax - view.realMin));
    const double qh = static_cast<double>(0.25L * (view.imagMax - view.imagMin));
    view.imagMin = static_cast<long double>(cy) - qh;
    view.imagMax = static_cast<long double>(cy) + qh;
    view.realMin = static_cast<long double>(cx) - qw;
    view.realMax = static_cast<long double>(cx) + qw;
}

void HalveDeepViewAbout(const PixelPoint& centre)
{
    DeepView view = CurrentDeepView();
    const int32_t bits = State.PrecisionBits;
    BigFloat cx(bits), cy(bits), qw(bits), qh(bits);
    mpf_mul_ui(cy, view.stepIm, static_cast<unsigned long>(centre.y));
    mpf_add(cy, cy, view.imagMin);
    mpf_mul_ui(cx, view.stepRe, static_cast<unsigned long>(centre.x));
    mpf_add(cx, cx, view.realMin);
    mpf_sub(qw, view.realMax, view.realMin);
    mpf_mul(qw, qw, BigQuarter);
    mpf_sub(qh, view.imagMax, view.imagMin);
    mpf_mul(qh, qh, BigQuarter);
    mpf_sub(view.imagMin, cy, qh);
    mpf_add(view.imagMax, cy, qh);
    mpf_sub(view.realMin, cx, qw);
    mpf_add(view.realMax, cx, qw);
}

void ExtendedViewToBox(const PixelPoint& press, int32_t dx, int32_t dy)
{
    ExtendedView view = CurrentExtendedView();
    view.imagMin = press.y * view.stepIm + view.imagMin;
    view.imagMax = view.stepIm * dy + view.imagMin;
    view.realMin = press.x * view.stepRe + view.realMin;
    view.realMax = view.stepRe * dx + view.realMin;
}

void DeepViewToBox(const PixelPoint& press, int32_t dx, int32_t dy)
{
    DeepView view = CurrentDeepView();
    BigFloat product(State.PrecisionBits);
    mpf_mul_ui(product, view.stepIm, static_cast<unsigned long>(press.y));
    mpf_add(view.imagMin, product, view.imagMin);
    MultiplyBySignedOffset(product, view.stepIm, dy);
    mpf_add(view.imagMax, product, view.imagMin);
    mpf_mul_ui(product, view.stepRe, static_cast<unsigned long>(press.x));
    mpf_add(view.realMin, product, view.realMin);
    MultiplyBySignedOffset(product, view.stepRe, dx);
    mpf_add(view.realMax, product, view.realMin);
}

}  // namespace

bool PictureFinished()
{
    return State.MandelbrotShown == 1 || State.JuliaViewSet == 1;
}

void PickJuliaConstant(int32_t x, int32_t y)
{
    const PixelPoint point = ClampedToPicture(x, y);
    State.JuliaIm = point.y * State.StepIm + State.Imagmin;
    State.JuliaRe = point.x * State.StepRe + State.Realmin;
    if (State.DeepZoom == 1) {
        BigFloat product(State.PrecisionBits);
        mpf_mul_ui(product, BigStepIm, static_cast<unsigned long>(point.y));
        mpf_add(BigJuliaIm, product, BigImagmin);
        mpf_mul_ui(product, BigStepRe, static_cast<unsigned long>(point.x));
        mpf_add(BigJuliaRe, product, BigRealmin);
    }
    SyncViewTexts();
}

void PressAt(int32_t x, int32_t y)
{
    // Presses before the first picture have no view to act on.
    if (!PictureFinished())
        return;
    PressPoint = ClampedToPicture(x, y);
    if (State.JuliaViewSet == 0 && IsMandelbrot(State.FractalFlags))
        PickJuliaConstant(PressPoint.x, PressPoint.y);
}

void ClickZoom(int32_t x, int32_t y)
{
    if (!PictureFinished()) {
        CurrentPlatform().InvalidatePictureWindow();
        return;
    }
    State.FrameValid = 0;
    // A Julia picture zooms where the button went up, a Mandelbrot picture
    // where it went down (the press also picked the constant there).
    if (!IsMandelbrot(State.FractalFlags))
        PressPoint = ClampedToPicture(x, y);
    if (State.DeepZoom == 1) {
        HalveDeepViewAbout(PressPoint);
        SyncViewTexts();
    } else {
        HalveExtendedViewAbout(PressPoint);
    }
    if (State.AutoIterIncrease == 1)
        RaiseIterMax();
    const int32_t quarterWidth = State.PicWidth / 4, quarterHeight = State.PicHeight / 4;
    RaiseIterMaxForZoomInto(PressPoint.x - quarterWidth, PressPoint.y - quarterHeight, PressPoint.x + quarterWidth,
                            PressPoint.y + quarterHeight);
    State.TitleFileName.clear();
    FinishRelease();
}

bool BoxZoom(int32_t releaseX, int32_t releaseY)
{
    if (!PictureFinished()) {
        CurrentPlatform().InvalidatePictureWindow();
        return false;
    }
    ReleasePoint = ClampedToPicture(releaseX, releaseY);
    const int32_t dx = ReleasePoint.x - PressPoint.x;
    const int32_t dy = ReleasePoint.y - PressPoint.y;
    if (dx == 0 || dy == 0)
        return false;
    State.FrameValid = 0;
    if (State.DeepZoom == 1) {
        DeepViewToBox(PressPoint, dx, dy);
        SyncViewTexts();
    } else {
        ExtendedViewToBox(PressPoint, dx, dy);
    }
    if (State.AutoIterIncrease == 1)
        RaiseIterMax();
    RaiseIterMaxForZoomInto(std::min(PressPoint.x, ReleasePoint.x), std::min(PressPoint.y, ReleasePoint.y),
                            std::max(PressPoint.x, ReleasePoint.x), std::max(PressPoint.y, ReleasePoint.y));
    State.ParamFileName.clear();
    FinishRelease();
    return true;
}

namespace {

// DeepLimit reads the magnification as well as the edges: a Mandelbrot view
// scaled without it keeps the depth of where it came from, so an unzoom out
// of deep zoom would stay deep for good.
void MagnificationFollowsView()
{
    if (!IsMandelbrot(State.FractalFlags))
        return;
    if (State.DeepZoom == 1) {
        BigFloat height(State.PrecisionBits);
        mpf_sub(height, BigImagmax, BigImagmin);
        if (mpf_sgn(height.get()) != 0)
            mpf_div(BigMagnification, BigMagBase, height);
    } else if (State.Imagmax != State.Imagmin) {
        State.Magnification = 3.0L / (State.Imagmax - State.Imagmin);
    }
}

}  // namespace

void ScaleView(float factor)
{
    if (State.DeepZoom == 1) {
        DeepView view = CurrentDeepView();
        const int32_t bits = State.PrecisionBits;
        BigFloat f(bits), hw(bits), hh(bits), cx(bits), cy(bits), scaled(bits);
        mpf_set_d(f, factor);
        mpf_sub(hw, view.realMax, view.realMin);
        mpf_mul(hw, hw, BigHalf);
        mpf_sub(hh, view.imagMax, view.imagMin);
        mpf_mul(hh, hh, BigHalf);
        mpf_add(cx, view.realMin, hw);
        mpf_add(cy, view.imagMin, hh);
        mpf_mul(scaled, hw, f);
        mpf_sub(view.realMin, cx, scaled);
        mpf_add(view.realMax, cx, scaled);
        mpf_mul(scaled, hh, f);
        mpf_sub(view.imagMin, cy, scaled);
        mpf_add(view.imagMax, cy, scaled);
    } else {
        ExtendedView view = CurrentExtendedView();
        // The half sizes are float64; the rest stays in extended precision.
        ZoomHalfWidth = static_cast<double>(0.5L * (view.realMax - view.realMin));
        ZoomHalfHeight = static_cast<double>(0.5L * (view.imagMax - view.imagMin));
        const long double cx = ZoomHalfWidth + view.realMin;
        const long double cy = ZoomHalfHeight + view.imagMin;
        const long double f = factor;
        view.realMin = cx - f * ZoomHalfWidth;
        view.realMax = cx + f * ZoomHalfWidth;
        view.imagMin = cy - f * ZoomHalfHeight;
        view.imagMax = cy + f * ZoomHalfHeight;
    }
    MagnificationFollowsView();
    State.FrameValid = 0;
    State.PictureLocked = 0;
    CurrentPlatform().InvalidatePictureWindow();
}

namespace {

bool ViewMayChange() { return State.FrameValid == 1 || State.FrameAborted == 1; }

// What a deep view change is followed by, as a deep click: the steps, the
// depth and the precision of the new view for its frame.
void SettleChangedView()
{
    MagnificationFollowsView();
    if (State.DeepZoom == 1) {
        RefreshBigSteps();
        SyncViewTexts();
    }
}

}  // namespace

bool ZoomAboutPixel(int32_t x, int32_t y, float factor)
{
    if (!ViewMayChange() || !PictureFinished())
        return false;
    const PixelPoint point = ClampedToPicture(x, y);
    State.FrameValid = 0;
    if (State.DeepZoom == 1) {
        DeepView view = CurrentDeepView();
        const int32_t bits = State.PrecisionBits;
        BigFloat f(bits), px(bits), py(bits), part(bits);
        mpf_set_d(f, factor);
        mpf_mul_ui(px, view.stepRe, static_cast<unsigned long>(point.x));
        mpf_add(px, px, view.realMin);
        mpf_mul_ui(py, view.stepIm, static_cast<unsigned long>(point.y));
        mpf_add(py, py, view.imagMin);
        const auto scaleEdge = [&](BigFloat& edge, const BigFloat& fixed) {
            mpf_sub(part, edge, fixed);
            mpf_mul(part, part, f);
            mpf_add(edge, fixed, part);
        };
        scaleEdge(view.realMin, px);
        scaleEdge(view.realMax, px);
        scaleEdge(view.imagMin, py);
        scaleEdge(view.imagMax, py);
    } else {
        ExtendedView view = CurrentExtendedView();
        const long double px = point.x * view.stepRe + view.realMin;
        const long double py = point.y * view.stepIm + view.imagMin;
        const long double f = factor;
        view.realMin = px + (view.realMin - px) * f;
        view.realMax = px + (view.realMax - px) * f;
        view.imagMin = py + (view.imagMin - py) * f;
        view.imagMax = py + (view.imagMax - py) * f;
    }
    SettleChangedView();
    if (factor < 1 && State.AutoIterIncrease == 1)
        RaiseIterMax();
    if (factor < 1) {
        // The pixels of the picture that the new view spans.
        const auto from = [factor](int32_t p) { return static_cast<int32_t>(std::lround(p * (1.0 - factor))); };
        const auto to = [factor](int32_t p, int32_t size) {
            return static_cast<int32_t>(std::lround(p + (size - p) * static_cast<double>(factor)));
        };
        RaiseIterMaxForZoomInto(from(point.x), from(point.y), to(point.x, State.PicWidth), to(point.y, State.PicHeight));
    }
    FinishRelease();
    return true;
}

bool MoveView(int32_t dx, int32_t dy)
{
    if (!ViewMayChange() || !PictureFinished() || (dx == 0 && dy == 0))
        return false;
    State.FrameValid = 0;
    if (State.DeepZoom == 1) {
        DeepView view = CurrentDeepView();
        BigFloat shift(State.PrecisionBits);
        MultiplyBySignedOffset(shift, view.stepRe, dx);
        mpf_sub(view.realMin, view.realMin, shift);
        mpf_sub(view.realMax, view.realMax, shift);
        MultiplyBySignedOffset(shift, view.stepIm, dy);
        mpf_sub(view.imagMin, view.imagMin, shift);
        mpf_sub(view.imagMax, view.imagMax, shift);
    } else {
        ExtendedView view = CurrentExtendedView();
        const long double shiftRe = dx * view.stepRe;
        const long double shiftIm = dy * view.stepIm;
        view.realMin -= shiftRe;
        view.realMax -= shiftRe;
        view.imagMin -= shiftIm;
        view.imagMax -= shiftIm;
    }
    SettleChangedView();
    FinishRelease();
    return true;
}

void ResizeView(int32_t oldWidth, int32_t oldHeight, int32_t width, int32_t height)
{
    const int32_t left = (width - oldWidth) / 2;
    const int32_t top = (height - oldHeight) / 2;
    State.FrameValid = 0;
    if (State.DeepZoom == 1) {
        DeepView view = CurrentDeepView();
        BigFloat shift(State.PrecisionBits);
        MultiplyBySignedOffset(shift, view.stepRe, left);
        mpf_sub(view.realMin, view.realMin, shift);
        MultiplyBySignedOffset(shift, view.stepRe, width);
        mpf_add(view.realMax, view.realMin, shift);
        MultiplyBySignedOffset(shift, view.stepIm, top);
        mpf_sub(view.imagMin, view.imagMin, shift);
        MultiplyBySignedOffset(shift, view.stepIm, height);
        mpf_add(view.imagMax, view.imagMin, shift);
    } else {
        ExtendedView view = CurrentExtendedView();
        view.realMin -= left * view.stepRe;
        view.realMax = view.realMin + width * view.stepRe;
        view.imagMin -= top * view.stepIm;
        view.imagMax = view.imagMin + height * view.stepIm;
    }
    SettleChangedView();
    FinishRelease();
}

void RaiseIterMax()
{
    int64_t raised = RoundToInt64(100.0L * std::fabs(static_cast<long double>(State.DeepLimit)));
    if (!IsMandelbrot(State.FractalFlags))
        raised *= 2;
    raised = std::min<int64_t>(raised, std::numeric_limits<int32_t>::max());
    State.IterMax = std::max(State.IterMax, static_cast<int32_t>(raised));
}

void RightClick()
{
    // A frame stopped with Esc counts as shown: zooming out is the way on.
    if (State.FrameValid != 1 && State.FrameAborted != 1)
        return;
    ScaleView(2.0f);
    // As a deep click zoom does: the next frame already has the depth and
    // precision of the wider view, extended precision where it allows.
    if (State.DeepZoom == 1) {
        RefreshBigSteps();
        SyncViewTexts();
    }
    State.TitleFileName.clear();
}
