#include "color/palette_setup.h"

#include <algorithm>

#include "color/display.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"

namespace {

constexpr int32_t ChannelCount = 3;
// The highest palette index the drawing modes produce.
constexpr int64_t LastModeIndex = PaletteSize - 1;

float ReadField(const std::string& text) { return static_cast<float>(ReadNumberText(text)); }

int32_t& SwitchValue(PaletteSwitch which)
{
    switch (which) {
    case PaletteSwitch::Hsl: return State.PaletteHSL;
    case PaletteSwitch::Inverse: return State.PaletteInverse;
    case PaletteSwitch::Reverse: return State.PaletteReverse;
    case PaletteSwitch::Exp2: return State.PaletteExp2;
    case PaletteSwitch::Exp3: break;
    }
    return State.PaletteExp3;
}

}  // namespace

std::string PaletteFieldLabel(int32_t index, bool hsl)
{
    static const char* const rgbNames[ChannelCount] = {"Red", "Green", "Blue"};
    static const char* const hslNames[ChannelCount] = {"Hue", "Sat.", "Lum."};
    static const char* const parts[ChannelCount] = {" start", " step", " stop"};
    const int32_t channel = index % ChannelCount;
    const int32_t part = index / ChannelCount;
    return std::string(hsl ? hslNames[channel] : rgbNames[channel]) + parts[part];
}

std::string PaletteValueText(float value)
{
    std::string text = NumberText(value, 7);
    if (!text.empty() && text.front() == ' ')
        text.erase(text.begin());
    return text;
}

PaletteFields CurrentPaletteFields()
{
    PaletteFields fields;
    for (size_t i = 0; i < fields.generator.size(); ++i)
        fields.generator[i] = PaletteValueText(State.PaletteGen[i]);
    fields.maxColorStep = PaletteValueText(State.MaxColorStep);
    return fields;
}

void ReadPaletteFields(const PaletteFields& fields)
{
    for (size_t i = 0; i < fields.generator.size(); ++i)
        State.PaletteGen[i] = ReadField(fields.generator[i]);
    const float maxColorStep = ReadField(fields.maxColorStep);
    State.MaxColorStep = maxColorStep == 0 ? 1.0f : maxColorStep;
}

PaletteFields DrawRandomPaletteFields()
{
    GeneratePaletteRandom();
    return CurrentPaletteFields();
}

std::string PaletteSwitchLabel(PaletteSwitch which)
{
    switch (which) {
    case PaletteSwitch::Hsl: return "HSL";
    case PaletteSwitch::Inverse: return "Inverse";
    case PaletteSwitch::Reverse: return "Reverse";
    case PaletteSwitch::Exp2: return "Exp 2";
    case PaletteSwitch::Exp3: break;
    }
    return "Exp 3";
}

bool PaletteSwitchOn(PaletteSwitch which) { return SwitchValue(which) != 0; }

void TogglePaletteSwitch(PaletteSwitch which)
{
    // Inverse goes through its setter so that ColorOptions bit 5 follows it.
    if (which == PaletteSwitch::Inverse)
        SetPaletteInverse(State.PaletteInverse ? 0 : 1);
    else
        SwitchValue(which) = SwitchValue(which) ? 0 : 1;
    State.PictureLocked = 0;
    DisplayPicture();
}

SliderRange PaletteOffsetRange(int32_t iterMax)
{
    const int64_t highest = LastModeIndex - int64_t{iterMax};
    return {1, static_cast<int32_t>(std::clamp<int64_t>(highest, 1, LastModeIndex))};
}

int32_t PaletteOffsetSliderPosition()
{
    const SliderRange range = PaletteOffsetRange(State.IterMax);
    return static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{State.PaletteOffset} + 1, range.minimum, range.maximum));
}

void MovePaletteOffset(int32_t position)
{
    // The whole position: a 16-bit carrier would wrap above 65535.
    State.PaletteOffset = static_cast<int32_t>(int64_t{position} - 1);
    State.PictureLocked = 0;
    DisplayPicture();
}

std::string PaletteOffsetCaption(int32_t offset)
{
    return "PALETTE SETUP  Palette offset: " + NumberText(offset, 15);
}
