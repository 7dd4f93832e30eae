#pragma once
#include <cstdint>
#include <string>

// Drawing modes are numbered 1..28 ("0".."9", "A".."R"); 0 means no mode bit
// is set and is coloured like the generic modes.

// Iteration kernel variant 1..5 the frame drivers run for a mode.
int32_t KernelVariantForMode(int32_t modeNumber);

// What a pixel that did not escape (n = 0) shows when "Inside color" is off.
enum class InsideRule {
    IndexZero,  // palette index 0
    Fraction,   // index from the fraction of |z|^2
    None,       // the mode's formula covers inside pixels too
};
InsideRule InsideRuleForMode(int32_t modeNumber);

constexpr int32_t DrawingModeCount = 28;

// Entry i of the "Texture:" list: "Normal  0", then "Texture 1" .. "Texture R".
std::string DrawingModeEntryText(int32_t entry);

// Selection in the "Texture:" list (entry i is mode number i + 1): sets the
// mode bit and the mode's defaults. Starts no frame.
void ChooseDrawingMode(int32_t entry);
