#include "nav/pointer_status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "engine/view_texts.h"

namespace {

// Decimal places that show a step's first digit and one more.
long PlacesForStep(long double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 3;
    // The margin keeps a step of exactly 1e-7 from rounding to eight places.
    return std::max(0L, static_cast<long>(std::ceil(-std::log10(step) - 1e-9L)) + 1);
}

// A deep coordinate: significant digits from its own exponent down to the
// step's, plus one.
std::string DeepCoordinateText(const BigFloat& value, const BigFloat& step)
{
    long valueExponent = 0, stepExponent = 0;
    BigFloatText(value, &valueExponent);
    BigFloatText(step, &stepExponent);
    const long digits = std::clamp(valueExponent - stepExponent + 2, 2L, 5000L);
    mp_exp_t exponent = 0;
    char* raw = mpf_get_str(nullptr, &exponent, 10, static_cast<size_t>(digits), value.get());
    std::string text = raw;
    void (*release)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(raw, text.size() + 1);
    long scientific = exponent;
    return FormatBigFloatText(text, scientific);
}

std::string ScientificText(long double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3Le", value);
    return text;
}

}  // namespace

std::string CoordinateText(long double value, long double step)
{
    char text[128];
    std::snprintf(text, sizeof text, "%.*Lf", static_cast<int>(std::min(PlacesForStep(step), 60L)), value);
    return text;
}

std::string PointerStatusText(int32_t x, int32_t y)
{
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    std::string re, im;
    long double height;
    if (State.DeepZoom == 1) {
        const BigFloat& stepRe = mandelbrot ? BigStepRe : BigJuliaStepRe;
        const BigFloat& stepIm = mandelbrot ? BigStepIm : BigJuliaStepIm;
        BigFloat point(State.PrecisionBits), span(State.PrecisionBits);
        mpf_mul_ui(point, stepRe, static_cast<unsigned long>(std::max(x, 0)));
        mpf_add(point, point, mandelbrot ? BigRealmin : BigJuliaRealmin);
        re = DeepCoordinateText(point, stepRe);
        mpf_mul_ui(point, stepIm, static_cast<unsigned long>(std::max(y, 0)));
        mpf_add(point, point, mandelbrot ? BigImagmin : BigJuliaImagmin);
        im = DeepCoordinateText(point, stepIm);
        mpf_sub(span, mandelbrot ? BigImagmax : BigJuliaImagmax, mandelbrot ? BigImagmin : BigJuliaImagmin);
        height = mpf_get_d(span);
    } else {
        const long double realMin = mandelbrot ? State.Realmin : State.JuliaRealmin;
        const long double imagMin = mandelbrot ? State.Imagmin : State.JuliaImagmin;
        const long double imagMax = mandelbrot ? State.Imagmax : State.JuliaImagmax;
        const long double width = (mandelbrot ? State.Realmax : State.JuliaRealmax) - realMin;
        height = imagMax - imagMin;
        const long double stepRe = width / std::max(State.PicWidth, 1);
        const long double stepIm = height / std::max(State.PicHeight, 1);
        re = CoordinateText(x * stepRe + realMin, std::fabs(stepRe));
        im = CoordinateText(y * stepIm + imagMin, std::fabs(stepIm));
    }
    const long double baseHeight = mandelbrot ? 3.0L : 2 * DefaultJuliaHalfWidth;
    const std::string magnification = height != 0 ? ScientificText(baseHeight / std::fabs(height)) : "-";
    return "Re " + re + "  Im " + im + "  Mag " + magnification + "  IterMax" + NumberText(State.IterMax, 15) +
           "  Frame" + NumberText(State.ElapsedSeconds, 7) + " s";
}
