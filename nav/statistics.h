#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One line of the statistics window. `number` is the line of the layout:
// 1 for the heading, 8..18 for the facts (lines 2..7 stay empty).
struct StatisticsRow {
    int number;
    std::string label;
    std::string value;
};

// Palette entries in use by the shown picture (IterBuffer after colouring);
// sets InsidePixelCount to the number of pixels with value 0.
int32_t CountColors();

// "h h  m m  s s" of the elapsed time rounded to whole seconds.
std::string HoursMinutesSecondsText(long double seconds);

// The lines to show for the current state, in layout order; lines whose fact
// is missing are left out. Recounts the colours.
std::vector<StatisticsRow> StatisticsRows();
