#include "engine/view_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "engine/row_window.h"
#include "platform/platform.h"

ViewTexts Texts;

namespace {

const ViewValue MandelbrotGroup[] = {
    {&ViewTexts::RealminText, &BigRealmin, &FractalState::Realmin},
    {&ViewTexts::RealmaxText, &BigRealmax, &FractalState::Realmax},
    {&ViewTexts::StepReText, &BigStepRe, &FractalState::StepRe},
    {&ViewTexts::ImagminText, &BigImagmin, &FractalState::Imagmin},
    {&ViewTexts::ImagmaxText, &BigImagmax, &FractalState::Imagmax},
    {&ViewTexts::StepImText, &BigStepIm, &FractalState::StepIm},
    {&ViewTexts::RealCenterText, &BigRealCenter, &FractalState::RealCenter},
    {&ViewTexts::ImagCenterText, &BigImagCenter, &FractalState::ImagCenter},
    {&ViewTexts::MagnificationText, &BigMagnification, &FractalState::Magnification},
};

const ViewValue JuliaGroup[] = {
    {&ViewTexts::JuliaRealminText, &BigJuliaRealmin, &FractalState::JuliaRealmin},
    {&ViewTexts::JuliaImagminText, &BigJuliaImagmin, &FractalState::JuliaImagmin},
    {&ViewTexts::JuliaRealmaxText, &BigJuliaRealmax, &FractalState::JuliaRealmax},
    {&ViewTexts::JuliaImagmaxText, &BigJuliaImagmax, &FractalState::JuliaImagmax},
    {&ViewTexts::JuliaReText, &BigJuliaRe, &FractalState::JuliaRe},
    {&ViewTexts::JuliaImText, &BigJuliaIm, &FractalState::JuliaIm},
    {&ViewTexts::JuliaStepImText, &BigJuliaStepIm, &FractalState::JuliaStepIm},
    {&ViewTexts::JuliaStepReText, &BigJuliaStepRe, &FractalState::JuliaStepRe},
};

template <typename Action>
void ForCurrentGroup(Action action)
{
    for (const ViewValue& value : ViewGroup(State.FractalFlags))
        action(value);
}

bool IsZeroText(const std::string& text)
{
    const size_t start = text.find_first_not_of(" \t");
    return start != std::string::npos && text.compare(start, std::string::npos, ".e-1") == 0;
}

// The exponent of a text written by FormatBigFloatText.
long ScientificExponent(const std::string& text)
{
    const size_t e = text.rfind('e');
    return e == std::string::npos ? 0 : std::strtol(text.c_str() + e + 1, nullptr, 10);
}

}  // namespace

std::span<const ViewValue> ViewGroup(int32_t fractalFlags)
{
    if (IsMandelbrot(fractalFlags))
        return MandelbrotGroup;
    return JuliaGroup;
}

std::string FormatBigFloatText(std::string& digits, long& exponent)
{
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    --exponent;
    std::string text = sign;
    if (!digits.empty())
        text += digits[0];
    text += '.';
    if (digits.size() > 1)
        text.append(digits, 1, std::string::npos);
    text += 'e';
    text += std::to_string(exponent);
    return text;
}

std::string BigFloatText(const BigFloat& value, long* scientificExponent)
{
    mp_exp_t exponent = 0;
    char* raw = mpf_get_str(nullptr, &exponent, 10, 0, value.get());
    std::string digits = raw;
    void (*release)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(raw, std::strlen(raw) + 1);
    long scientific = exponent;
    std::string text = FormatBigFloatText(digits, scientific);
    if (scientificExponent)
        *scientificExponent = scientific;
    return text;
}

bool ReadBigFloatText(const std::string& text, BigFloat& value)
{
    if (IsZeroText(text)) {
        mpf_set_ui(value, 0);
        return true;
    }
    // Into a twin first, so that a rejected text leaves the value as it was.
    BigFloat parsed(static_cast<int32_t>(mpf_get_prec(value.get())));
    if (mpf_set_str(parsed, text.c_str(), 10) != 0)
        return false;
    mpf_set(value, parsed);
    return true;
}

long double ReadExtendedText(const std::string& text)
{
    if (IsZeroText(text))
        return 0;
    return std::strtold(text.c_str(), nullptr);
}

void SetViewValue(const ViewValue& value, long double extended)
{
    State.*value.extended = extended;
    Texts.*value.text = NumberText(extended, 18);
    ReadBigFloatText(Texts.*value.text, *value.big);
}

void SetDefaultJuliaView()
{
    // JuliaRealmin, JuliaImagmin, JuliaRealmax, JuliaImagmax lead the group.
    for (size_t k = 0; k < 4; ++k)
        SetViewValue(JuliaGroup[k], k < 2 ? -DefaultJuliaHalfWidth : DefaultJuliaHalfWidth);
}

void BigFloatsToTexts()
{
    ForCurrentGroup([](const ViewValue& value) { Texts.*value.text = BigFloatText(*value.big, nullptr); });
}

void TextsToBigFloats()
{
    ForCurrentGroup([](const ViewValue& value) { ReadBigFloatText(Texts.*value.text, *value.big); });
}

void FileTextsToBigFloats(const std::array<std::string, 14>& fileTexts)
{
    if (IsMandelbrot(State.FractalFlags)) {
        for (size_t k = 0; k < 6; ++k)
            ReadBigFloatText(fileTexts[k], *MandelbrotGroup[k].big);
        ReadBigFloatText(Texts.RealCenterText, BigRealCenter);
        ReadBigFloatText(Texts.ImagCenterText, BigImagCenter);
        ReadBigFloatText(Texts.MagnificationText, BigMagnification);
    } else {
        for (size_t k = 0; k < 8; ++k)
            ReadBigFloatText(fileTexts[6 + k], *JuliaGroup[k].big);
    }
}

void BigTextsToExtended()
{
    ForCurrentGroup([](const ViewValue& value) { State.*value.extended = ReadExtendedText(Texts.*value.text); });
}

void ExtendedToBigTexts()
{
    ForCurrentGroup([](const ViewValue& value) { Texts.*value.text = NumberText(State.*value.extended, 18); });
}

void ExtendedToBigFloats()
{
    ExtendedToBigTexts();
    TextsToBigFloats();
}

int32_t PrecisionBitsForLimit(int32_t limit)
{
    const long double k = std::fabs(static_cast<long double>(limit) - 3);
    const long double bits = 16 * std::floor(static_cast<long double>(3.7f) * k / 16);
    return bits > MaxPrecisionBits ? MaxPrecisionBits : static_cast<int32_t>(bits);
}

void SetPrecision(int32_t bits)
{
    if (bits < 96 || bits == State.AppliedPrecisionBits)
        return;
    bits = std::min(bits, MaxPrecisionBits);
    State.PrecisionBits = bits;
    State.AppliedPrecisionBits = bits;
    ClearBigFloats();
    InitBigFloats();
    TextsToBigFloats();
}

void RefreshBigSteps()
{
    BigFloat span(State.PrecisionBits);
    const unsigned long width = static_cast<unsigned long>(State.PicWidth);
    const unsigned long height = static_cast<unsigned long>(ViewHeight());
    if (IsMandelbrot(State.FractalFlags)) {
        mpf_sub(span, BigImagmax, BigImagmin);
        mpf_div_ui(BigStepIm, span, height);
        mpf_sub(span, BigRealmax, BigRealmin);
        mpf_div_ui(BigStepRe, span, width);
    } else {
        mpf_sub(span, BigJuliaRealmax, BigJuliaRealmin);
        mpf_div_ui(BigJuliaStepRe, span, width);
        mpf_sub(span, BigJuliaImagmax, BigJuliaImagmin);
        mpf_div_ui(BigJuliaStepIm, span, height);
    }
}

void RefreshExtendedSteps()
{
    if (IsMandelbrot(State.FractalFlags)) {
        State.StepIm = (State.Imagmax - State.Imagmin) / State.PicHeight;
        State.StepRe = (State.Realmax - State.Realmin) / State.PicWidth;
    } else {
        State.JuliaStepIm = (State.JuliaImagmax - State.JuliaImagmin) / State.PicHeight;
        State.JuliaStepRe = (State.JuliaRealmax - State.JuliaRealmin) / State.PicWidth;
    }
}

void CornersToCenter()
{
    if (!IsMandelbrot(State.FractalFlags))
        return;
    BigFloat t(State.PrecisionBits);
    BigFloat h(State.PrecisionBits);
    mpf_sub(t, BigRealmax, BigRealmin);
    mpf_div_ui(t, t, 2);
    mpf_add(BigRealCenter, BigRealmin, t);
    mpf_sub(h, BigImagmax, BigImagmin);
    mpf_div_ui(t, h, 2);
    mpf_add(BigImagCenter, BigImagmin, t);
    // A view without height has no magnification; GMP would trap on 3 / 0.
    if (mpf_sgn(h.get()) != 0)
        mpf_div(BigMagnification, BigMagBase, h);
    else
        mpf_set_ui(BigMagnification, 0);
    SyncViewTexts();
}

namespace {

void CenterToCornersAtCurrentPrecision()
{
    ReadBigFloatText(Texts.RealCenterText, BigRealCenter);
    ReadBigFloatText(Texts.ImagCenterText, BigImagCenter);
    ReadBigFloatText(Texts.MagnificationText, BigMagnification);
    // A magnification of 0 describes no view; GMP would trap on 4 / 0.
    if (mpf_sgn(BigMagnification.get()) == 0)
        return;
    BigFloat m2(State.PrecisionBits);
    BigFloat hw(State.PrecisionBits);
    BigFloat hh(State.PrecisionBits);
    mpf_mul_ui(m2, BigMagnification, 2);
    mpf_div(hw, BigBaseWidth, m2);
    mpf_div(hh, BigBaseHeight, m2);
    mpf_sub(BigRealmin, BigRealCenter, hw);
    mpf_add(BigRealmax, BigRealCenter, hw);
    mpf_sub(BigImagmin, BigImagCenter, hh);
    mpf_add(BigImagmax, BigImagCenter, hh);
    // The new view is judged by its own pixel step, not the last frame's.
    RefreshBigSteps();
    SyncViewTexts();
}

}  // namespace

void ApplyKeepingTypedDigits(const std::function<void()>& apply)
{
    int32_t bitsBefore = 0;
    do {
        bitsBefore = State.AppliedPrecisionBits;
        apply();
    } while (State.AppliedPrecisionBits > bitsBefore);
}

void CenterToCorners()
{
    if (!IsMandelbrot(State.FractalFlags))
        return;
    const std::array<std::string, 3> typed{Texts.RealCenterText, Texts.ImagCenterText, Texts.MagnificationText};
    ApplyKeepingTypedDigits([&typed] {
        Texts.RealCenterText = typed[0];
        Texts.ImagCenterText = typed[1];
        Texts.MagnificationText = typed[2];
        CenterToCornersAtCurrentPrecision();
    });
    CurrentPlatform().ShowChangesInToolWindows();
}

std::string DeepLimitTitle() { return "QUORVATIX (Deeplimit:" + NumberText(State.DeepLimit, 15) + ")"; }

double AutomaticPotValue(int32_t deepLimit)
{
    // A view whose step is 1 or more has limit 0: take it as -1.
    const int32_t divisor = deepLimit == 0 ? 1 : std::abs(deepLimit);
    return 0.0002 / divisor;
}

void SyncViewTexts()
{
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    BigFloatsToTexts();
    long limit;
    if (mandelbrot)
        limit = std::min({ScientificExponent(Texts.ImagmaxText), ScientificExponent(Texts.StepImText),
                          -ScientificExponent(Texts.MagnificationText) - 3});
    else
        limit = std::min(ScientificExponent(Texts.JuliaStepImText), ScientificExponent(Texts.JuliaStepReText));
    State.DeepLimit = static_cast<int32_t>(std::clamp<long>(limit, -MaxPrecisionBits, MaxPrecisionBits));

    if (!State.MovieMode)
        CurrentPlatform().SetPictureTitle(DeepLimitTitle());
    if (State.AutoPotValue == 1 && !State.MovieMode) {
        State.PotValue = AutomaticPotValue(State.DeepLimit);
        CurrentPlatform().ShowChangesInToolWindows();
    }
    int32_t adjusted = State.DeepLimit;
    if (!mandelbrot)
        adjusted -= 7;
    const int32_t mode = DrawingModeNumber(State.FractalFlags);
    if (mode >= 26 && mode <= 28)
        adjusted -= 3;
    if (adjusted > -17) {
        BigTextsToExtended();
        State.DeepZoom = 0;
    } else {
        State.DeepZoom = 1;
    }
    SetPrecision(PrecisionBitsForLimit(adjusted));
}

void ApplyTypedView(const std::array<std::string, 4>& edges)
{
    ApplyKeepingTypedDigits([&edges] {
        if (IsMandelbrot(State.FractalFlags)) {
            Texts.RealminText = edges[0];
            Texts.RealmaxText = edges[1];
            Texts.ImagminText = edges[2];
            Texts.ImagmaxText = edges[3];
        } else {
            Texts.JuliaRealminText = edges[0];
            Texts.JuliaRealmaxText = edges[1];
            Texts.JuliaImagminText = edges[2];
            Texts.JuliaImagmaxText = edges[3];
        }
        TextsToBigFloats();
        // The new view is judged by its own pixel step, not the last frame's.
        RefreshBigSteps();
        if (IsMandelbrot(State.FractalFlags))
            CornersToCenter();
        else
            SyncViewTexts();
    });
    if (State.DeepZoom == 0)
        BigTextsToExtended();
}
