#pragma once
#include <array>
#include <functional>
#include <cstdint>
#include <span>
#include <string>

#include "engine/big_float.h"

// Decimal texts of the view: what the location dialog edits, what the files
// store and what carries the view across a change of precision.
struct ViewTexts {
    std::string RealminText, RealmaxText, StepReText;
    std::string ImagminText, ImagmaxText, StepImText;
    std::string RealCenterText, ImagCenterText, MagnificationText;
    std::string JuliaRealminText, JuliaImagminText, JuliaRealmaxText, JuliaImagmaxText;
    std::string JuliaReText, JuliaImText, JuliaStepImText, JuliaStepReText;
};

extern ViewTexts Texts;

struct FractalState;

// One value of the view in its three forms.
struct ViewValue {
    std::string ViewTexts::*text;
    BigFloat* big;
    long double FractalState::*extended;
};

// The values of a kind, in the order parameter files store them (Mandelbrot:
// Realmin, Realmax, StepRe, Imagmin, Imagmax, StepIm, then the centre,
// imaginary centre and magnification, which files do not store; Julia:
// JuliaRealmin, JuliaImagmin, JuliaRealmax, JuliaImagmax, JuliaRe, JuliaIm,
// JuliaStepIm, JuliaStepRe).
std::span<const ViewValue> ViewGroup(int32_t fractalFlags);

// Text from mpf_get_str's digits and exponent ("-625", -2 -> "-6.25e-3");
// the exponent is decremented to the scientific one and the digits lose their "-".
std::string FormatBigFloatText(std::string& digits, long& exponent);
// The text of a value with all significant digits; `scientificExponent` may be null.
std::string BigFloatText(const BigFloat& value, long* scientificExponent);
// Reads a decimal text into the value at its own precision. The zero text
// ".e-1" reads as 0; a text that is not a number leaves the value as it was.
bool ReadBigFloatText(const std::string& text, BigFloat& value);
long double ReadExtendedText(const std::string& text);

// One value of the view in its three forms, from the extended one (through
// its 18-digit text), whichever kind is current.
void SetViewValue(const ViewValue& value, long double extended);
// The Julia view -1.8 .. 1.8 on both axes, in its three forms.
constexpr long double DefaultJuliaHalfWidth = 1.8L;
void SetDefaultJuliaView();

// The conversions work on the group of the current kind (Mandelbrot or Julia).
void BigFloatsToTexts();
void TextsToBigFloats();
// The 14 coordinate texts of a parameter file, in file order.
void FileTextsToBigFloats(const std::array<std::string, 14>& fileTexts);
void BigTextsToExtended();
void ExtendedToBigTexts();
// The extended view becomes the arbitrary-precision view (through the texts).
void ExtendedToBigFloats();

// The most bits the view is ever given: beyond this the values would not
// fit the memory of the machine, whatever a damaged file claims.
constexpr int32_t MaxPrecisionBits = 1 << 20;

// Bits for a view whose adjusted limit is `limit`: 16 * floor(3.7f * |limit - 3| / 16),
// at most MaxPrecisionBits.
int32_t PrecisionBitsForLimit(int32_t limit);
void SetPrecision(int32_t bits);

// The pixel steps of the current kind from its edges and the picture size,
// in the arbitrary-precision and in the extended form (as an extended frame
// leaves them).
void RefreshBigSteps();
void RefreshExtendedSteps();
void CornersToCenter();
void CenterToCorners();
// Runs `apply`, which reads typed texts at the current precision and ends in
// SyncViewTexts. When the view calls for more precision, SyncViewTexts
// re-reads the view from texts it has just formatted at the old one, losing
// the typed digits the old precision could not hold: the typed texts are then
// applied again at the raised precision. A lowered precision loses nothing,
// and stopping there ends the see-saw of a view on the border between two.
void ApplyKeepingTypedDigits(const std::function<void()>& apply);
// A view typed as the four edge texts of the current kind (RMIN, RMAX, IMIN,
// IMAX), as "REDRAW" of the location dialog applies it; every typed digit
// the precision of the new view holds is kept. CenterToCorners keeps them too.
void ApplyTypedView(const std::array<std::string, 4>& edges);
// The pot value "Auto pot value" keeps for a view of the given DeepLimit.
double AutomaticPotValue(int32_t deepLimit);
// Refreshes the texts, DeepLimit, the deep-zoom switch and the precision.
void SyncViewTexts();
// The picture window's title between frames: the depth of the view.
std::string DeepLimitTitle();
