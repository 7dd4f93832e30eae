#include "color/coloring.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/rounding.h"

namespace {

// Smooth shading factors: modes "P".."R" and all others. Kept here only.
constexpr long double SmoothFactorPQR = 0.06L;
constexpr long double SmoothOffsetPQR = 0.0L;
constexpr long double SmoothFactorOther = 0.1L;
constexpr long double SmoothOffsetOther = 1.0L;

constexpr int32_t InsideColorBit = 1;
constexpr int32_t SmoothBit = 2;
constexpr int32_t PotentialBit = 4;

constexpr int32_t FirstFormulaMode = 3;  // "2"
constexpr int32_t LastFormulaMode = 25;  // "O"
constexpr int32_t FirstSmallFactorMode = 26;  // "P"

constexpr int64_t IndexMask = 262143;

// Undefined logarithms count as 0 so that a bad value still gives an index.
long double Ln(long double x) { return x > 0 && x < HUGE_VALL ? logl(x) : 0.0L; }
long double Sqr(long double x) { return x >= 0 ? sqrtl(x) : x; }
long double Frac(long double x) { return x - truncl(x); }
int32_t Wrap(long double x) { return static_cast<int32_t>(RoundToInt64(x) & IndexMask); }

// Integer parts in unsigned arithmetic: same low bits, no signed overflow.
uint32_t U(int32_t value) { return static_cast<uint32_t>(value); }
long double LowBits(uint32_t value, uint32_t mask) { return static_cast<long double>(value & mask); }

// Inside colour channels peak at 254, so the sum never overflows in practice;
// unsigned arithmetic keeps a NaN channel (integer indefinite) defined.
int32_t NegatedColor(int32_t red, int32_t green, int32_t blue)
{
    const uint32_t packed = U(blue) + 256u * U(green) + 65536u * U(red);
    return static_cast<int32_t>(0u - packed);
}

int32_t InsideValue(const ColoringConstants& k, long double a, long double b)
{
    if (k.insideColor) {
        const int32_t blue = RoundToInt32((sinl(5 * a) + 1) * 127);
        const int32_t green = RoundToInt32((sinl(5 * b) + 1) * 127);
        const int32_t red = RoundToInt32((sinl((a * a + b * b) / 2) + 1) * 127);
        return NegatedColor(red, green, blue);
    }
    if (k.inside == InsideRule::Fraction)
        return Wrap(900 * Frac(a * a + b * b));
    return 0;
}

long double PotentialIndexArgument(const ColoringConstants& k, long double n, long double logArgument)
{
    return k.S * ContinuousCount(k, n, logArgument);
}

// The potential's index computed in double where it cannot round to another
// integer than the long double steps: the two logarithms in long double are
// most of a frame's colouring. Far from 1 the logarithms are well
// conditioned, and both ways stay within 2^-48 of S (|K| + n + 1.5 |ln ln s|
// + 4); the margin is 16 times that. False where it is not certain.
bool PotentialIndexInDouble(const ColoringConstants& k, int32_t n, long double logArgument, int32_t& index)
{
    const double s = static_cast<double>(logArgument);
    if (!(s > 1.7 && s < 1e300))
        return false;
    const double lnln = std::log(std::log(s));
    const double count = (static_cast<double>(k.K) + n) - lnln * static_cast<double>(k.L);
    const double x = static_cast<double>(k.S) * count;
    const double terms = std::fabs(static_cast<double>(k.K)) + std::fabs(static_cast<double>(n)) +
                         1.5 * std::fabs(lnln) + 4;
    const double margin = std::fabs(static_cast<double>(k.S)) * terms * 0x1p-44;
    const double nearest = std::nearbyint(x);  // halves to even, as the long double rounding
    if (!(std::fabs(std::fabs(x - nearest) - 0.5) > margin && std::fabs(x) < 0x1p52))
        return false;
    index = static_cast<int32_t>(static_cast<int64_t>(nearest) & IndexMask);
    return true;
}

int32_t PotentialIndex(const ColoringConstants& k, int32_t n, long double logArgument)
{
    int32_t index;
    if (PotentialIndexInDouble(k, n, logArgument, index))
        return index;
    return Wrap(PotentialIndexArgument(k, n, logArgument));
}

int32_t FormulaValue(const ColoringConstants& k, int32_t n, long double a, long double b)
{
    const long double s = a + b;
    const long double nn = n;
    const long double twoPi = k.twoPi;
    const uint32_t un = U(n);
    const uint32_t remaining = U(k.iterMax) - un;  // M - n
    const auto arc = [twoPi](long double x) { return atanl(x) / twoPi; };
    // In the comparisons B < A a NaN takes the first branch.
    const bool bBelowA = !(b >= a);

    switch (k.modeNumber) {
    case 3:  // "2"
        return Wrap(nn + a);
    case 4:  // "3"
        return Wrap(static_cast<long double>((n & 1023) + 400) * (arc(a) + 0.5L));
    case 5:  // "4"
        return Wrap(static_cast<long double>((n & 1023) + 100) * (arc(a) + 0.5L));
    case 6:  // "5"
        return Wrap(static_cast<long double>((n & 1023) + 100) * (arc(sinl(b) * a) + 0.5L));
    case 7:  // "6"
        return Wrap(LowBits(un + 100u, 1023) * (cosl(sinl(a) * b) / twoPi + 0.5L));
    case 8:  // "7"
        return Wrap(LowBits(un + 100u, 1023) * (cosl(sinl(cosl(b) + a) + b) / twoPi + 0.5L));
    case 9: {  // "8", in 32-bit integers
        const int32_t first = RoundToInt32(fabsl(cosl(a) * k.bailout) + b + a);
        return static_cast<int32_t>((U(first) + remaining) & IndexMask);
    }
    case 10:  // "9"
        return Wrap(LowBits(un + 100u, 1023) * (arc(a * b) + 0.5L));
    case 11: {  // "A"
        const int32_t value = Wrap(atanl(2 * a) * atanl(2 * b) * (LowBits(remaining, 63) + 10) + 1);
        return value == 0 ? 1 : value;
    }
    case 12:  // "B"
        return PotentialIndex(k, n, a * b + a + b);
    case 13:  // "C"
        return Wrap(LowBits(remaining, 1023) * (arc((k.bailout - a) * b * a) + 0.75L));
    case 14:  // "D"
        return Wrap(10 * k.S * (arc(sinl(b / twoPi) * a * b) + 0.75L));
    case 15: {  // "E"
        const int32_t value = Wrap(5 * atanl(b / a) * k.S);
        return value == 0 ? 1 : value;
    }
    case 16:  // "F"
        return Wrap(LowBits(remaining + 1u, 1023) * (cosl(a - b) / twoPi + 0.75L));
    case 17:  // "G"
        return Wrap(LowBits(remaining + 1u, 127) * (arc(b - a) + 0.75L));
    case 18:  // "H"
        return Wrap(nn + 128 * Sqr(Ln(Ln(s) + a) / (a + nn)));
    case 19:  // "I"
        return Wrap(12 * Ln(Ln(2 * a)) + static_cast<long double>(int64_t{k.iterMax} - n));
    case 20:  // "J"
        return bBelowA ? n : static_cast<int32_t>(remaining);
    case 21:  // "K"
        return PotentialIndex(k, n, a * b);
    case 22:  // "L"
        return bBelowA ? Wrap(2 * k.bailout + nn + s) : static_cast<int32_t>(remaining);
    case 23:  // "M"
        return bBelowA ? Wrap(2 * s + nn - b) : n;
    case 24:  // "N"
        return bBelowA ? Wrap(LowBits(un + 100u, 1023) * (arc(b) + 0.5L)) : Wrap(nn + a);
    case 25:  // "O"
        return bBelowA ? PotentialIndex(k, n, s)
                       : Wrap(k.S * (nn - Ln(Ln(s)) * k.L));
    default:
        return 0;
    }
}

// Shades the palette colour of the index by the smooth factor and stores it
// as a direct colour; channels out of 0..254 saturate to 255.
int32_t SmoothValue(const ColoringConstants& k, int32_t index, long double s)
{
    const long double f = k.smoothC * log2l(s) + k.smoothD;
    const uint32_t entry = PaletteEntryAt(int64_t{k.paletteOffset} + index);
    const auto shade = [f](uint32_t channel) {
        const int32_t value = RoundToInt32(f * static_cast<long double>(channel));
        return value >= 0 && value <= 254 ? value : 255;
    };
    return NegatedColor(shade(entry >> 16), shade((entry >> 8) & 255), shade(entry & 255));
}

}  // namespace

ColoringConstants PrepareColoring()
{
    State.Pi = static_cast<double>(4.0L * atanl(1.0L));
    State.TwoPi = 2 * State.Pi;

    ColoringConstants k{};
    k.modeNumber = DrawingModeNumber(State.FractalFlags);
    k.iterMax = State.IterMax;
    k.bailout = State.Bailout;
    k.L = 1.0L / logl(2.0L);
    k.K = Ln(Ln(Ln(k.bailout))) * k.L;
    k.S = static_cast<long double>(State.PotValue) * 262144;
    const bool smallFactor = k.modeNumber >= FirstSmallFactorMode;
    k.smoothC = smallFactor ? SmoothFactorPQR : SmoothFactorOther;
    k.smoothD = smallFactor ? SmoothOffsetPQR : SmoothOffsetOther;
    k.insideColor = (State.ColorOptions & InsideColorBit) != 0;
    k.smoothColor = (State.ColorOptions & SmoothBit) != 0;
    k.byPotential = (State.ColorOptions & PotentialBit) != 0;
    k.inside = InsideRuleForMode(k.modeNumber);
    k.twoPi = State.TwoPi;
    k.paletteOffset = State.PaletteOffset;
    return k;
}

long double ContinuousCount(const ColoringConstants& k, long double n, long double s)
{
    return (k.K + n) - Ln(Ln(s)) * k.L;
}

bool HasContinuousCount(int32_t modeNumber)
{
    return modeNumber < FirstFormulaMode || modeNumber > LastFormulaMode;
}

bool InsideColorReadsValues(const ColoringConstants& k)
{
    return k.insideColor || k.inside != InsideRule::IndexZero;
}

int32_t ColorValue(const ColoringConstants& k, int32_t n, float A, float B, long double s)
{
    const long double a = A;
    const long double b = B;
    if (n == 0 && k.inside != InsideRule::None)
        return InsideValue(k, a, b);

    int32_t index;
    if (k.modeNumber >= FirstFormulaMode && k.modeNumber <= LastFormulaMode)
        index = FormulaValue(k, n, a, b);
    else if (k.byPotential)
        index = PotentialIndex(k, n, s);
    else
        index = n;

    return k.smoothColor ? SmoothValue(k, index, s) : index;
}

void ColorPixels(const ColoringConstants& k, size_t first, size_t last)
{
    int32_t* values = Results.IterBuffer.data();
    const float* re = Results.ZReBuffer.data();
    const float* im = Results.ZImBuffer.data();
    for (size_t i = first; i < last; ++i)
        values[i] = ColorValue(k, values[i], re[i], im[i],
                               static_cast<long double>(re[i]) + static_cast<long double>(im[i]));
}

void ColoringPass()
{
    const ColoringConstants k = PrepareColoring();
    const size_t pixels = static_cast<size_t>(std::max(State.PicWidth, 0)) *
                          static_cast<size_t>(std::max(State.PicHeight, 0));
    const size_t count = std::min({pixels, Results.IterBuffer.size(), Results.ZReBuffer.size(),
                                   Results.ZImBuffer.size()});
    auto colour = [&k](size_t first, size_t last) { ColorPixels(k, first, last); };
    // Every pixel is coloured on its own: the frame's threads share the work.
    const size_t parts = std::clamp<size_t>(static_cast<size_t>(std::max(State.ThreadCount, 1)), 1, count / 4096 + 1);
    std::vector<std::thread> helpers;
    for (size_t part = 1; part < parts; ++part)
        helpers.emplace_back(colour, count * part / parts, count * (part + 1) / parts);
    colour(0, count / parts);
    for (std::thread& helper : helpers)
        helper.join();
    DisplayPicture();
}
