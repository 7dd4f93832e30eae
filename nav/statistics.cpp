#include "nav/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "frame/fast_deep_pixels.h"
#include "platform/system_version.h"

namespace {

constexpr int NumberDigits = 15;
constexpr int SecondsDigits = 7;

std::string ElapsedTimeText(float seconds)
{
    if (seconds < 60)
        return NumberText(seconds, SecondsDigits) + " seconds";
    return HoursMinutesSecondsText(seconds);
}

}  // namespace

int32_t CountColors()
{
    const size_t pixels = static_cast<size_t>(std::max(State.PicWidth, 0)) * static_cast<size_t>(std::max(State.PicHeight, 0));
    const size_t available = std::min(pixels, Results.IterBuffer.size());
    const int32_t* values = Results.IterBuffer.data();
    const int64_t offset = State.PaletteOffset;

    // Only whether an entry is used matters, so one byte per entry will do.
    std::vector<uint8_t> used(PaletteSize + 1, 0);
    int32_t colors = 0;
    int64_t inside = 0;
    for (size_t i = 0; i < available; ++i) {
        const int32_t value = values[i];
        if (value > 0) {
            uint8_t& entry = used[PaletteIndexAt(offset + value)];
            if (!entry) {
                entry = 1;
                ++colors;
            }
        } else if (value == 0) {
            ++inside;
        }
    }
    State.InsidePixelCount = static_cast<int32_t>(std::min<int64_t>(inside, std::numeric_limits<int32_t>::max()));
    return colors;
}

std::string HoursMinutesSecondsText(long double seconds)
{
    long double rest = std::rint(seconds);
    const long double hours = std::trunc(rest / 3600);
    rest -= 3600 * hours;
    const long double minutes = std::trunc(rest / 60);
    rest -= 60 * minutes;
    return NumberText(hours, NumberDigits) + " h " + NumberText(minutes, NumberDigits) + " m " +
           NumberText(rest, NumberDigits) + " s";
}

std::vector<StatisticsRow> StatisticsRows()
{
    const FractalState& s = State;
    std::vector<StatisticsRow> rows;
    rows.push_back({1, IsMandelbrot(s.FractalFlags) ? " MANDELBROT" : " JULIA", ""});
    rows.push_back({8, " Itermax:", NumberText(s.IterMax, NumberDigits) + " iterations"});
    rows.push_back({9, " Bailout:", NumberText(s.Bailout, NumberDigits)});
    rows.push_back({10, " Size:", NumberText(s.PicWidth, NumberDigits) + " x" + NumberText(s.PicHeight, NumberDigits)});
    if (s.ElapsedSeconds > 0) {
        rows.push_back({11, " Elapsed time:", ElapsedTimeText(s.ElapsedSeconds)});
        // Rounded without an integer type: a tiny time gives a quotient beyond any.
        const long double perSecond = static_cast<long double>(s.PicWidth) * s.PicHeight / s.ElapsedSeconds;
        rows.push_back({12, " Pixels/sec:", NumberText(std::rint(perSecond), NumberDigits)});
    }
    rows.push_back({13, " Processors/Threads used:", NumberText(s.ThreadCount, NumberDigits)});
    rows.push_back({14, " Precision:", s.DeepZoom == 1 ? NumberText(s.PrecisionBits, NumberDigits) + " bits" : "80 bits"});
    const int32_t colors = CountColors();
    if (colors > 0) {
        rows.push_back({15, " Colors used:", NumberText(colors, NumberDigits)});
        rows.push_back({16, " Inside pixels: ", NumberText(s.InsidePixelCount, NumberDigits)});
    }
    rows.push_back({17, " System version:", SystemVersionText()});
    if (s.DeepZoom == 1)
        rows.push_back({18, " Deep zoom path:", DeepPathText(s.LastDeepPath)});
    else if (s.LastExtendedPath == ExtendedPath::Perturbation)
        rows.push_back({18, " Zoom path:", "perturbation in double, extended kernels where they decide"});
    else if (s.LastExtendedPath == ExtendedPath::DoubleLanes)
        rows.push_back({18, " Zoom path:", "vector lanes of double, extended kernels where they decide"});
    return rows;
}
