#include "color/drawing_modes.h"

#include <algorithm>

#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "platform/platform.h"

namespace {

constexpr int32_t ModeP = 26;
constexpr int32_t ModeQ = 27;
constexpr int32_t ModeR = 28;

constexpr int32_t SmoothBit = 2;
constexpr int32_t PotentialBit = 4;

}  // namespace

int32_t KernelVariantForMode(int32_t modeNumber)
{
    switch (modeNumber) {
    case 2: return 2;  // "1"
    case ModeP: return 3;
    case ModeQ: return 4;
    case ModeR: return 5;
    default: return 1;
    }
}

InsideRule InsideRuleForMode(int32_t modeNumber)
{
    switch (modeNumber) {
    case 3:   // "2"
    case 5:   // "4"
    case 6:   // "5"
    case 20:  // "J"
    case 22:  // "L"
    case 23:  // "M"
    case 24:  // "N"
        return InsideRule::Fraction;
    case 13:  // "C"
    case 15:  // "E"
    case 17:  // "G"
        return InsideRule::None;
    default:
        return InsideRule::IndexZero;
    }
}

std::string DrawingModeEntryText(int32_t entry)
{
    entry = std::clamp(entry, 0, DrawingModeCount - 1);
    return (entry == 0 ? "Normal  " : "Texture ") + std::string(1, DrawingModeChar(1 << (entry + 2)));
}

void ChooseDrawingMode(int32_t entry)
{
    if (entry < 0 || entry >= DrawingModeCount)
        entry = 0;
    State.FractalFlags = (State.FractalFlags & 3) | (1 << (entry + 2));

    const int32_t modeNumber = entry + 1;
    bool byPotential = false;
    bool smooth = false;
    if (modeNumber == 1) {
        State.Bailout = 128;
        State.MaxColorStep = 1.9f;
        byPotential = true;
    } else {
        State.Bailout = 4;
        State.MaxColorStep = 5;
        smooth = modeNumber == 2 || modeNumber >= ModeP;
        byPotential = modeNumber >= ModeP;
    }
    State.ColorOptions = (State.ColorOptions & ~(SmoothBit | PotentialBit)) |
                         (smooth ? SmoothBit : 0) | (byPotential ? PotentialBit : 0);

    if (State.PaletteKept == 0)
        BuildDefaultPalette();
    CurrentPlatform().ShowChangesInToolWindows();
}
