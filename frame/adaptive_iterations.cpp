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
// Fewer pixels of the last frame do not tell a zoom's picture.
constexpr size_t MinimumLookAheadPixels = 256;

bool AllInside(const std::vector<int32_t>& escapes)
{
    return std::all_of(escapes.begin(), escapes.end(), [](int32_t value) { return value == 0; });
}

bool MostlyInside(const std::vector<int32_t>& escapes)
{
    const auto inside = std::count(escapes.begin(), escapes.end(), 0);
    return static_cast<double>(inside) > BlankShare * static_cast<double>(escapes.size());
}

// Twice the iterations take at most about twice the time.
uint64_t FrameWithTwiceTheIterationsMs(float seconds) { return static_cast<uint64_t>(2000.0f * seconds); }

// The last frame the loop ended with, while it is the picture shown.
struct AdaptiveFrame {
    std::vector<int32_t> escapes;
    int32_t width = 0;
    int32_t height = 0;
    int32_t iterMax = 0;
    float seconds = 0;
    uint64_t shown = 0;  // fingerprint of the coloured values
};
AdaptiveFrame LastFrame;

// FNV-1a over the coloured values of the picture shown.
uint64_t ShownFingerprint(size_t pixels)
{
    uint64_t hash = 0xcbf29ce484222325u;
    for (size_t k = 0; k < pixels; ++k)
        hash = (hash ^ static_cast<uint32_t>(Results.IterBuffer[k])) * 0x100000001b3u;
    return hash;
}

size_t PicturePixels() { return static_cast<size_t>(State.PicWidth) * static_cast<size_t>(State.PicHeight); }

void RememberFrame(std::vector<int32_t>&& escapes)
{
    LastFrame = {};
    if (escapes.size() != PicturePixels() || Results.IterBuffer.size() < escapes.size())
        return;
    LastFrame = {std::move(escapes), State.PicWidth, State.PicHeight, State.IterMax, State.ElapsedSeconds,
                 ShownFingerprint(PicturePixels())};
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
    const bool held = State.LoadedIterMaxHeld == 1;
    State.LoadedIterMaxHeld = 0;
    if (held || State.AdaptiveIterMax != 1 || State.MovieMode == 1 || State.JuliaFinderActive == 1) {
        LastFrame = {};
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
        // A picture mostly inside shows next to nothing, so it gets one more
        // try whatever the time.
        const uint64_t nextFrameMs = FrameWithTwiceTheIterationsMs(State.ElapsedSeconds);
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
    if (finished())
        RememberFrame(std::move(escapes));
    else
        LastFrame = {};
}

void RaiseIterMaxForZoomInto(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    const AdaptiveFrame& last = LastFrame;
    if (State.AdaptiveIterMax != 1 || last.escapes.empty() || last.width != State.PicWidth ||
        last.height != State.PicHeight || last.iterMax != State.IterMax || State.IterMax >= AdaptiveIterMaxLimit ||
        Results.IterBuffer.size() < last.escapes.size() || ShownFingerprint(last.escapes.size()) != last.shown)
        return;
    std::vector<int32_t> part;
    for (int32_t y = std::max(y0, 0); y < std::min(y1, last.height); ++y)
        for (int32_t x = std::max(x0, 0); x < std::min(x1, last.width); ++x)
            part.push_back(last.escapes[static_cast<size_t>(y) * last.width + x]);
    // All inside is left to the frames: the view may lie inside the set.
    if (part.size() < MinimumLookAheadPixels || AllInside(part) || !PictureCutOff(part, State.IterMax))
        return;
    if (State.AdaptiveBudgetMs > 0 &&
        FrameWithTwiceTheIterationsMs(last.seconds) > static_cast<uint64_t>(State.AdaptiveBudgetMs) &&
        !MostlyInside(part))
        return;
    State.IterMax = std::min(2 * State.IterMax, AdaptiveIterMaxLimit);
}
