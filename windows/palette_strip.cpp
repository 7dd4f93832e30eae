#include "windows/palette_strip.h"

#include <cmath>

void PaintPaletteStrip(QPainter& painter, const QRect& area, const uint32_t* entries, int count)
{
    const int height = area.height();
    for (int i = 0; i < count; ++i) {
        const int top = static_cast<int>(std::nearbyint(static_cast<double>(i) * height / count));
        const int bottom = static_cast<int>(std::nearbyint(static_cast<double>(i + 1) * height / count));
        const uint32_t entry = entries[i];
        const QColor colour(entry & 0xFF, (entry >> 8) & 0xFF, (entry >> 16) & 0xFF);
        painter.fillRect(QRect(area.left(), area.top() + top, area.width(), bottom - top), colour);
    }
}
