#include "nav/view_history.h"

#include <deque>
#include <memory>
#include <vector>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "platform/platform.h"

namespace {

constexpr int32_t KindBits = 3;

struct ShownView {
    int32_t kind = 0;
    int32_t precisionBits = 0;
    int32_t appliedPrecisionBits = 0;  // what the values were created with; not part of the view
    int32_t deepZoom = 0;
    int32_t iterMax = 0;
    long double juliaRe = 0;
    long double juliaIm = 0;
    // The kind's group, in ViewGroup order.
    std::vector<std::unique_ptr<BigFloat>> big;
    std::vector<long double> extended;
};

std::deque<ShownView> history;
size_t place = 0;  // index of the view shown last

ShownView CurrentView()
{
    ShownView view;
    view.kind = State.FractalFlags & KindBits;
    view.precisionBits = State.PrecisionBits;
    view.appliedPrecisionBits = State.AppliedPrecisionBits;
    view.deepZoom = State.DeepZoom;
    view.iterMax = State.IterMax;
    view.juliaRe = State.JuliaRe;
    view.juliaIm = State.JuliaIm;
    for (const ViewValue& value : ViewGroup(State.FractalFlags)) {
        // At the value's own precision, so that the copy is exact.
        auto copy = std::make_unique<BigFloat>(static_cast<int32_t>(mpf_get_prec(*value.big)));
        mpf_set(*copy, *value.big);
        view.big.push_back(std::move(copy));
        view.extended.push_back(State.*value.extended);
    }
    return view;
}

bool SameView(const ShownView& a, const ShownView& b)
{
    if (a.kind != b.kind || a.precisionBits != b.precisionBits || a.deepZoom != b.deepZoom ||
        a.iterMax != b.iterMax || a.juliaRe != b.juliaRe || a.juliaIm != b.juliaIm || a.extended != b.extended)
        return false;
    for (size_t k = 0; k < a.big.size(); ++k)
        if (mpf_cmp(*a.big[k], *b.big[k]) != 0)
            return false;
    return true;
}

void Restore(const ShownView& view)
{
    State.FractalFlags = (State.FractalFlags & ~KindBits) | view.kind;
    const auto group = ViewGroup(State.FractalFlags);
    // Values that could not hold the stored ones exactly are created again
    // at the precision they had.
    if (mpf_get_prec(*group[0].big) < mpf_get_prec(*view.big[0]))
        SetPrecision(view.appliedPrecisionBits);
    State.PrecisionBits = view.precisionBits;
    for (size_t k = 0; k < group.size(); ++k)
        mpf_set(*group[k].big, *view.big[k]);
    SyncViewTexts();
    // The extended view exactly as it was shown, not as its texts read back.
    for (size_t k = 0; k < group.size(); ++k)
        State.*group[k].extended = view.extended[k];
    State.DeepZoom = view.deepZoom;
    State.JuliaRe = view.juliaRe;
    State.JuliaIm = view.juliaIm;
    State.IterMax = view.iterMax;
    State.TitleFileName.clear();
    State.FrameValid = 0;
    State.PictureLocked = 0;
    CurrentPlatform().ShowChangesInToolWindows();
    CurrentPlatform().InvalidatePictureWindow();
}

}  // namespace

void RecordShownView()
{
    ShownView view = CurrentView();
    if (!history.empty() && SameView(history[place], view))
        return;
    if (!history.empty())
        history.erase(history.begin() + static_cast<std::ptrdiff_t>(place) + 1, history.end());
    history.push_back(std::move(view));
    if (history.size() > ViewHistoryLimit)
        history.pop_front();
    place = history.size() - 1;
}

bool GoBackInHistory()
{
    if (history.empty() || place == 0)
        return false;
    Restore(history[--place]);
    return true;
}

bool GoForwardInHistory()
{
    if (place + 1 >= history.size())
        return false;
    Restore(history[++place]);
    return true;
}

size_t ViewHistorySize() { return history.size(); }
size_t ViewHistoryPlace() { return place; }

void ClearViewHistory()
{
    history.clear();
    place = 0;
}
