// The display pass over a full-HD picture against a plain streaming copy of
// the same buffers.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "timing.h"
#include "color/display.h"
#include "engine/fractal_state.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

namespace {

constexpr int32_t Width = 1920;
constexpr int32_t Height = 1080;
constexpr int Repetitions = 50;

// Smooth palette bands as a frame has them, every fifth pixel a direct
// colour, and some indices beyond the table that take the modulo path.
void FillColourValues()
{
    uint32_t noise = 12345;
    for (int32_t y = 0; y < Height; ++y) {
        for (int32_t x = 0; x < Width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            int32_t value;
            if ((x + y) % 5 == 0)
                value = -static_cast<int32_t>(noise >> 8);
            else
                value = static_cast<int32_t>((x * 131 + y * 977 + (noise >> 28)) % 300000);
            Results.IterBuffer[static_cast<size_t>(y) * Width + x] = value;
        }
    }
}

}  // namespace

int main()
{
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    StartUpEngine(1280, 1024, 1);
    State.PicWidth = Width;
    State.PicHeight = Height;
    Results.Allocate(Width, Height);
    FillColourValues();

    const size_t pixels = static_cast<size_t>(Width) * Height;
    std::vector<uint32_t> copy(pixels);
    DisplayPicture();  // sizes FrameImage once, as the first frame does

    BestTime display, stream;
    for (int run = 0; run < Repetitions; ++run) {
        display.Measure([] {
            DisplayPicture();
            KeepAlive(FrameImage.pixels[0]);
        });
        stream.Measure([&] {
            std::memcpy(copy.data(), Results.IterBuffer.data(), pixels * sizeof(uint32_t));
            KeepAlive(copy[0]);
        });
    }

    const double ms = display.Seconds() * 1e3;
    std::printf("display pass %dx%d, processor time, best of %d\n", Width, Height, Repetitions);
    std::printf("memcpy of the buffer: %6.2f ms  (baseline)\n", stream.Seconds() * 1e3);
    std::printf("DisplayPicture:       %6.2f ms  ratio %.2f  (target <= 5 ms: %s)\n", ms,
                display.Seconds() / stream.Seconds(), ms <= 5.0 ? "met" : "MISSED");
    return 0;
}
