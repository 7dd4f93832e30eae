#include "engine/fractal_state.h"

#include <algorithm>

FractalState State;
ResultBuffers Results;
namespace {

// One 2 MB page: filled at start-up, 256 small pages would each fault.
std::array<uint32_t, PaletteSize + 1>& NewPalette()
{
    using Table = std::array<uint32_t, PaletteSize + 1>;
    return *new (HugePageAllocator<Table>().allocate(1)) Table{};
}

}  // namespace

std::array<uint32_t, PaletteSize + 1>& Palette = NewPalette();

void ResultBuffers::Allocate(int32_t width, int32_t height)
{
    const size_t count = static_cast<size_t>(width + 2) * static_cast<size_t>(height + 2);
    // Buffers of the right size are cleared in place: fresh ones would fault
    // in every page again.
    if (IterBuffer.size() == count && ZReBuffer.size() == count && ZImBuffer.size() == count) {
        std::fill(IterBuffer.begin(), IterBuffer.end(), 0);
        std::fill(ZReBuffer.begin(), ZReBuffer.end(), 0.0f);
        std::fill(ZImBuffer.begin(), ZImBuffer.end(), 0.0f);
        return;
    }
    IterBuffer = HugePageVector<int32_t>(count);
    ZReBuffer = HugePageVector<float>(count);
    ZImBuffer = HugePageVector<float>(count);
}

int32_t DrawingModeNumber(int32_t fractalFlags)
{
    const uint32_t bits = static_cast<uint32_t>(fractalFlags);
    for (int bit = 2; bit <= 31; ++bit)
        if (bits & (1u << bit))
            return bit <= 29 ? bit - 1 : 0;
    return 0;
}

char DrawingModeChar(int32_t fractalFlags)
{
    static const char characters[] = "0123456789ABCDEFGHIJKLMNOPQR";
    const int32_t number = DrawingModeNumber(fractalFlags);
    return number >= 1 && number <= 28 ? characters[number - 1] : '\0';
}

int32_t PictureWidthForScreen(int32_t screenWidth)
{
    if (screenWidth > 1024)
        return 640;
    return screenWidth == 1024 ? 512 : 352;
}

int32_t PictureHeightForScreen(int32_t screenWidth)
{
    if (screenWidth > 1024)
        return 480;
    return screenWidth == 1024 ? 384 : 288;
}
