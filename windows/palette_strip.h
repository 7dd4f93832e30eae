#pragma once
#include <QPainter>
#include <QRect>
#include <cstdint>

// Fills `area` with `count` horizontal bands of equal height, band i in the
// colour of entries[i] taken as the old background colour value: bits 0-7
// show as red and bits 16-23 as blue (the way the program has always
// painted its dialog backgrounds).
void PaintPaletteStrip(QPainter& painter, const QRect& area, const uint32_t* entries, int count);
