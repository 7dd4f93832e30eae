#include "color/palette_generation.h"

#include <bit>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <random>

#include "engine/fractal_state.h"
#include "engine/rounding.h"
#include "platform/platform.h"

namespace {

constexpr int32_t ChannelCount = 3;
constexpr int32_t StartIndex = 0;
constexpr int32_t StepIndex = 3;
constexpr int32_t StopIndex = 6;

constexpr int32_t PotentialBit = 4;
constexpr int32_t SmoothBit = 2;
constexpr int32_t InverseBit = 32;

int32_t ClampToByte(int32_t value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

uint32_t Pack(const int32_t (&v)[ChannelCount])
{
    return static_cast<uint32_t>(ClampToByte(v[0])) << 16 |
           static_cast<uint32_t>(ClampToByte(v[1])) << 8 | static_cast<uint32_t>(ClampToByte(v[2]));
}

uint32_t EntryForChannels(int32_t (&v)[ChannelCount])
{
    if (State.PaletteInverse)
        for (int32_t& value : v)
            value = 255 & ~value;
    if (State.PaletteHSL) {
        const uint32_t packed = Pack(v);
        const RgbTriple rgb = HslToRgb(static_cast<int32_t>(packed & 255),
                                       static_cast<int32_t>((packed >> 8) & 255),
                                       static_cast<int32_t>(packed >> 16));
        v[0] = rgb.red;
        v[1] = rgb.green;
        v[2] = rgb.blue;
    }
    if (State.PaletteReverse) {
        // Inverts the colour and swaps red and blue in one go.
        const uint32_t packed = Pack(v) ^ 0xFFFFFFu;
        v[0] = static_cast<int32_t>(packed & 255);
        v[1] = static_cast<int32_t>((packed >> 8) & 255);
        v[2] = static_cast<int32_t>((packed >> 16) & 255);
    }
    return Pack(v);
}

// One channel's walk between its bounds. Each channel is its own variable so
// that the three values stay in registers: an array of long doubles went
// through memory every step, several times the cost of the arithmetic.
struct ChannelWalk {
    enum class Direction { None, Up, Down };
    long double value;
    long double step;
    long double stop;
    Direction direction = Direction::None;

    ChannelWalk(int32_t channel)
        : value(State.PaletteGen[static_cast<size_t>(StartIndex + channel)]),
          step(State.PaletteGen[static_cast<size_t>(StepIndex + channel)]),
          stop(State.PaletteGen[static_cast<size_t>(StopIndex + channel)])
    {
    }

    [[gnu::always_inline]] int32_t Next()
    {
        value = direction == Direction::Up ? value + step : value - step;
        // The lower turning point is the step itself, not the start value.
        if (stop < value)
            direction = Direction::Down;
        if (step > value)
            direction = Direction::Up;
        return RoundToInt32(value);
    }
};

// One generation loop for both the regular (from 0) and the random (from 1)
// palette, followed by the mirror passes.
void FillPalette(int32_t firstIndex)
{
    ChannelWalk red(0), green(1), blue(2);
    for (int32_t i = 0; i < PaletteSize; ++i) {
        int32_t v[ChannelCount] = {red.Next(), green.Next(), blue.Next()};
        Palette[static_cast<size_t>(firstIndex + i)] = EntryForChannels(v);
    }

    // In place: the first half mirrors the second, which stays as it was.
    constexpr int32_t last = PaletteSize - 1;
    if (State.PaletteExp2)
        for (int32_t i = 0; i <= last; ++i)
            Palette[static_cast<size_t>(i)] = Palette[static_cast<size_t>(last - i)];
    if (State.PaletteExp3)
        for (int32_t i = 0; i <= last; ++i)
            Palette[static_cast<size_t>(i)] = Palette[static_cast<size_t>(last - i)] ^ 0xFFFFFFu;
}

double SecondsSinceLocalMidnight()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto milliseconds =
        duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + milliseconds / 1000.0;
}

// Uniform in [0, 1), seeded from a time-of-day value.
class UniformDraw {
public:
    explicit UniformDraw(double seed) : engine_(std::bit_cast<uint64_t>(seed)) {}
    long double operator()() { return static_cast<long double>(engine_() >> 11) * 0x1p-53L; }

private:
    std::mt19937_64 engine_;
};

}  // namespace

void GeneratePaletteRegular() { FillPalette(0); }

void GeneratePaletteRandom()
{
    State.PaletteKept = 1;
    Palette[0] = 0;
    UniformDraw rnd(-SecondsSinceLocalMidnight());

    const long double range = State.PaletteHSL ? 254 : 255;
    int32_t r[2 * ChannelCount];
    for (int32_t& value : r)
        value = RoundToInt32(range * rnd());
    for (int32_t k = 0; k < ChannelCount; ++k) {
        const int32_t low = r[k] < r[k + 3] ? r[k] : r[k + 3];
        const int32_t high = r[k] < r[k + 3] ? r[k + 3] : r[k];
        State.PaletteGen[StartIndex + k] = static_cast<float>(low);
        State.PaletteGen[StopIndex + k] = static_cast<float>(high);
    }

    const bool byPotential = (State.ColorOptions & PotentialBit) != 0;
    const long double maxStep = State.MaxColorStep;
    for (int32_t k = 0; k < ChannelCount; ++k) {
        // A negative limit could never be met, so the redraws are bounded.
        float step = static_cast<float>(maxStep * rnd());
        for (int32_t attempt = 0; byPotential && step > State.MaxColorStep && attempt < 100; ++attempt)
            step = static_cast<float>(maxStep * rnd());
        State.PaletteGen[StepIndex + k] = step;
    }

    FillPalette(1);
}

void BuildDefaultPalette()
{
    const auto setChannels = [](int32_t first, float c0, float c1, float c2) {
        State.PaletteGen[static_cast<size_t>(first)] = c0;
        State.PaletteGen[static_cast<size_t>(first + 1)] = c1;
        State.PaletteGen[static_cast<size_t>(first + 2)] = c2;
    };
    const bool byPotential = (State.ColorOptions & PotentialBit) != 0;
    const bool smooth = (State.ColorOptions & SmoothBit) != 0;
    // With smooth colour the user's start and stop values are kept.
    if (byPotential) {
        if (!smooth) {
            setChannels(StartIndex, 12, 164, 127);
            setChannels(StopIndex, 245, 172, 200);
        }
        setChannels(StepIndex, 1, 1, 1);
    } else {
        if (!smooth) {
            setChannels(StartIndex, 218, 64, 74);
            setChannels(StopIndex, 255, 169, 194);
        }
        setChannels(StepIndex, 5, 3, 4);
    }
    State.PaletteKept = 0;
    GeneratePaletteRegular();
    // The palette dialog's fields show the new inputs.
    CurrentPlatform().ShowChangesInToolWindows();
}

void SetPaletteInverse(int32_t on)
{
    State.PaletteInverse = on ? 1 : 0;
    if (on)
        State.ColorOptions |= InverseBit;
    else
        State.ColorOptions &= ~InverseBit;
}
