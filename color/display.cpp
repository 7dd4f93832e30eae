#include "color/display.h"

#include <algorithm>

#include "color/drawing_modes.h"
#include "engine/fractal_state.h"
#include "platform/platform.h"

FrameImageBuffer FrameImage;

size_t PaletteIndexAt(int64_t index)
{
    if (index >= 0 && index <= PaletteSize)
        return static_cast<size_t>(index);
    int64_t reduced = index % PaletteSize;
    if (reduced < 0)
        reduced += PaletteSize;
    return static_cast<size_t>(reduced);
}

uint32_t PaletteEntryAt(int64_t index) { return Palette[PaletteIndexAt(index)]; }

uint32_t DirectColor(int32_t value)
{
    // Negated in unsigned arithmetic: the lowest int32 has no positive twin.
    return (0u - static_cast<uint32_t>(value)) & 0xFFFFFFu;
}

namespace {

inline uint32_t PixelColor(int32_t value, int64_t paletteOffset)
{
    return value < 0 ? DirectColor(value) : PaletteEntryAt(paletteOffset + value);
}

}  // namespace

uint32_t DisplayColor(int32_t value) { return PixelColor(value, State.PaletteOffset); }

void DisplayPicture()
{
    // Inside pixels (value 0) are black unless the mode gives them fraction colours.
    if (InsideRuleForMode(DrawingModeNumber(State.FractalFlags)) != InsideRule::Fraction)
        Palette[0] = 0;

    const int32_t width = std::max(State.PicWidth, 0);
    const int32_t height = std::max(State.PicHeight, 0);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    FrameImage.width = width;
    FrameImage.height = height;
    FrameImage.pixels.resize(count);

    // A result buffer of another size than the picture shows black beyond its end.
    const size_t available = std::min(count, Results.IterBuffer.size());
    const int32_t* values = Results.IterBuffer.data();
    uint32_t* pixels = FrameImage.pixels.data();
    const int64_t offset = State.PaletteOffset;
    for (size_t i = 0; i < available; ++i)
        pixels[i] = PixelColor(values[i], offset);
    std::fill(pixels + available, pixels + count, 0u);

    CurrentPlatform().ShowFrameImage(FrameImage.pixels.data(), FrameImage.width, FrameImage.height);
}
