#include "frame/adaptive_iterations.h"

#include <algorithm>

#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "platform/platform.h"

namespace {

// Below these shares a picture counts as complete.
constexpr double InsideShare = 0.001;
constexpr double CrowdedShare = 0.02;
constexpr double SettledShare = 0.002;
// A picture that stays all inside is the inside of the set after this many
// doublings, not a view too deep for its iterations.
constexpr int AllInsideRounds = 4;
// A picture more than this share inside shows next to nothing.
constexpr double BlankShare = 0.5;

bool AllInside(const std::vector<int32_t>& escapes)
{
    return std::all_of(escapes.begin(), escapes.end(), [](int32_t value) { return value == 0; });
}

bool MostlyInside(const std::vector<int32_t>& escapes)
{
    const auto inside = std::count(escapes.begin(), escapes.end(), 0);
    return static_cast<double>(inside) > BlankShare * static_cast<double>(escapes.size());
}

}  // namespace

bool PictureCutOff(const std::vector<int32_t>& escapes, int32_t iterMax)
{
    int64_t inside = 0;
    int32_t lowest = iterMax;
    for (int32_t value : escapes) {
        if (value == 0)
            ++inside;
        else
            lowest = std::min(lowest, value);
    }
    const int64_t escaped = static_cast<int64_t>(escapes.size()) - inside;
    if (escapes.empty() || static_cast<double>(inside) < InsideShare * static_cast<double>(escapes.size()))
        return false;
    // All inside: deep in the set, or far too few iterations; one more frame tells.
    if (escaped == 0)
        return true;
    const int64_t topQuarter = lowest + (static_cast<int64_t>(iterMax) - lowest) * 3 / 4;
    const int64_t crowded = std::count_if(escapes.begin(), escapes.end(),
                                          [topQuarter](int32_t value) { return value >= topQuarter; });
    return static_cast<double>(crowded) >= CrowdedShare * static_cast<double>(escaped);
}

double ShareNewlyEscaped(const std::vector<int32_t>& before, const std::vector<int32_t>& after)
{
    const size_t count = std::min(before.size(), after.size());
    if (count == 0)
        return 0;
    size_t changed = 0;
    for (size_t k = 0; k < count; ++k)
        changed += before[k] == 0 && after[k] != 0;
    return static_cast<double>(changed) / static_cast<double>(count);
}

void ComputeWithAdaptiveIterMax(const std::function<void()>& computeFrame)
{
    if (State.AdaptiveIterMax != 1 || State.MovieMode == 1 || State.JuliaFinderActive == 1) {
        computeFrame();
        return;
    }
    std::vector<int32_t>* const outerCapture = EscapeValueCapture;
    std::vector<int32_t> escapes, previous;
    EscapeValueCapture = &escapes;
    computeFrame();
    const uint64_t start = TickMilliseconds();
    auto finished = [] { return State.FrameValid == 1 && State.FrameAborted == 0; };
    int allInsideRounds = 0;
    bool overBudgetFrameTaken = false;
    while (finished() && State.IterMax < AdaptiveIterMaxLimit && PictureCutOff(escapes, State.IterMax)) {
        // Twice the iterations take at most about twice the time; a picture
        // mostly inside shows next to nothing, so it gets one more try
        // whatever the time.
        const uint64_t nextFrameMs = static_cast<uint64_t>(2000.0f * State.ElapsedSeconds);
        const bool overBudget = State.AdaptiveBudgetMs > 0 &&
                                TickMilliseconds() - start + nextFrameMs > static_cast<uint64_t>(State.AdaptiveBudgetMs);
        if (overBudget) {
            if (overBudgetFrameTaken || !MostlyInside(escapes))
                break;
            overBudgetFrameTaken = true;
        }
        previous.swap(escapes);
        State.IterMax = std::min(2 * static_cast<int64_t>(State.IterMax), static_cast<int64_t>(AdaptiveIterMaxLimit));
        State.FrameValid = 0;
        EscapesWithFewerIterations = &previous;
        computeFrame();
        EscapesWithFewerIterations = nullptr;
        if (!finished())
            break;
        if (AllInside(escapes)) {
            if (++allInsideRounds >= AllInsideRounds)
                break;
        } else if (ShareNewlyEscaped(previous, escapes) < SettledShare) {
            break;
        }
    }
    EscapeValueCapture = outerCapture;
    if (outerCapture)
        *outerCapture = escapes;
}
