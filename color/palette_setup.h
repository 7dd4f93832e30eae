#pragma once
#include <array>
#include <cstdint>
#include <string>

// What the "PALETTE SETUP" window shows and does, apart from the widgets.

// The texts of the nine generator fields (in PaletteGen order: start, step
// and stop of channels 0, 1, 2) and of the "Max color step" field.
struct PaletteFields {
    std::array<std::string, 9> generator;
    std::string maxColorStep;
};

// "Red start" ... "Blue stop", or "Hue start" ... "Lum. stop" with HSL, for
// the field at `index` in PaletteGen order.
std::string PaletteFieldLabel(int32_t index, bool hsl);

// At most 7 significant digits, no leading blank; the text reads back as the
// float32 shown whenever 7 digits can tell it apart from its neighbours.
std::string PaletteValueText(float value);

// The generator inputs and MaxColorStep as the fields show them.
PaletteFields CurrentPaletteFields();

// Reads the fields into PaletteGen and MaxColorStep as float32; a text that
// is not a number reads 0, and a "Max color step" of 0 becomes 1.
void ReadPaletteFields(const PaletteFields& fields);

// Runs the random generation and gives its inputs as the fields show them.
PaletteFields DrawRandomPaletteFields();

// The five check boxes, in the order they are shown.
enum class PaletteSwitch { Hsl, Inverse, Reverse, Exp2, Exp3 };
constexpr std::array<PaletteSwitch, 5> PaletteSwitches{PaletteSwitch::Hsl, PaletteSwitch::Inverse,
                                                       PaletteSwitch::Reverse, PaletteSwitch::Exp2,
                                                       PaletteSwitch::Exp3};
std::string PaletteSwitchLabel(PaletteSwitch which);
bool PaletteSwitchOn(PaletteSwitch which);
// Flips the switch and re-colours the picture; the palette itself waits for
// the next generation.
void TogglePaletteSwitch(PaletteSwitch which);

// The offset slider: thumb position p stands for PaletteOffset p - 1.
struct SliderRange {
    int32_t minimum;
    int32_t maximum;
};
// 1 .. 262143 - iterMax, but never fewer than one position, so a large
// iteration limit cannot hand the slider an inverted range.
SliderRange PaletteOffsetRange(int32_t iterMax);
// Where the thumb shows the current PaletteOffset, kept inside the range.
int32_t PaletteOffsetSliderPosition();
// A thumb moved to `position`: sets PaletteOffset and re-colours the picture.
void MovePaletteOffset(int32_t position);
// The window caption while the offset is being moved.
std::string PaletteOffsetCaption(int32_t offset);
