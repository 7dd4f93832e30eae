#include "movie/movie_range.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "frame/frame_replay.h"
#include "frame/startup.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

// Everything of the view that a frame can leave behind for the next unzoom step.
struct ViewSnapshot {
    std::vector<std::string> texts;
    std::vector<long double> extended;
    std::array<int32_t, 7> flags{};
    double zoomHalfWidth = 0;
    bool operator==(const ViewSnapshot&) const = default;
};

ViewSnapshot TakeSnapshot()
{
    ViewSnapshot snapshot;
    for (const ViewValue& value : ViewGroup(State.FractalFlags)) {
        snapshot.texts.push_back(Texts.*value.text);
        snapshot.texts.push_back(BigFloatText(*value.big, nullptr));
        snapshot.extended.push_back(State.*value.extended);
    }
    snapshot.flags = {State.DeepZoom,      State.DeepLimit,  State.PrecisionBits, State.AppliedPrecisionBits,
                      State.FrameValid,    State.PictureLocked, State.FirstFrame};
    snapshot.zoomHalfWidth = ZoomHalfWidth;
    return snapshot;
}

void PrintTo(const ViewSnapshot& snapshot, std::ostream* out)
{
    *out << "DeepZoom " << snapshot.flags[0] << ", DeepLimit " << snapshot.flags[1] << ", bits " << snapshot.flags[2]
         << ", Realmin/JuliaRealmin " << (snapshot.texts.empty() ? "" : snapshot.texts[1]);
}

class MovieRangeTest : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        Restart();
    }

    // A Julia view 3.2e-29 wide: 144 bits, which fall to 96 and then to
    // extended precision as the movie widens it.
    static void DeepJuliaView()
    {
        State.FractalFlags = (State.FractalFlags | 2) & ~1;
        State.IterMax = 60;
        SetDefaultJuliaView();
        SetViewValue(ViewGroup(State.FractalFlags)[4], -0.745L);
        SetViewValue(ViewGroup(State.FractalFlags)[5], 0.113L);
        State.JuliaViewSet = 1;
        ApplyTypedView({"0.1", "0.100000000000000000000000000032", "0.2", "0.200000000000000000000000000024"});
        State.UnzoomFactor = 100.0f;
    }
    // 3e-17 high: deep at the centre's magnification, which the movie must
    // widen with the view to return to extended precision.
    static void DeepMandelbrotView()
    {
        State.IterMax = 60;
        Texts.RealCenterText = "-0.743643887037158704752191506114774";
        Texts.ImagCenterText = "0.131825904205311970493132056385139";
        Texts.MagnificationText = "1e17";
        CenterToCorners();
        State.UnzoomFactor = 100.0f;
    }
    static void ExtendedMandelbrotView() { State.UnzoomFactor = 2.0f; }

    // The view after every frame of the movie, each frame computed or replayed.
    static std::vector<ViewSnapshot> WalkMovie(void (*view)(), bool compute)
    {
        view();
        State.FirstFrame = 0;
        State.FrameValid = 0;
        Redraw();  // the start picture on screen
        ZoomHalfWidth = 0;
        StartMovieFrames();
        std::vector<ViewSnapshot> states;
        for (int32_t n = 0;; ++n) {
            UnzoomToNextFrame();
            if (compute)
                Redraw();
            else
                ReplayFrame();
            states.push_back(TakeSnapshot());
            // A view that never leaves deep zoom would run for 10 million frames.
            if (IsLastFrame(n) || n == 100)
                return states;
        }
    }
    void Restart()
    {
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(32, 24);
        ZoomHalfWidth = ZoomHalfHeight = 0;
    }
};

TEST_F(MovieRangeTest, ReplayedFramesLeaveTheStateComputedFramesLeave)
{
    for (int32_t fastDeep : {0, 1}) {
        for (void (*view)() : {&DeepJuliaView, &DeepMandelbrotView, &ExtendedMandelbrotView}) {
            State.FastDeepZoom = fastDeep;
            const std::vector<ViewSnapshot> computed = WalkMovie(view, true);
            Restart();
            const std::vector<ViewSnapshot> replayed = WalkMovie(view, false);
            ASSERT_EQ(replayed.size(), computed.size());
            for (size_t n = 0; n < computed.size(); ++n)
                EXPECT_EQ(replayed[n], computed[n]) << "frame " << n << ", fast deep zoom " << fastDeep;
            Restart();
        }
    }
}

TEST_F(MovieRangeTest, DeepMoviesFallBackThroughThePrecisionsToExtendedAndEnd)
{
    // Julia's depth has no magnification term; Mandelbrot's must follow the view.
    for (const auto& [view, frames] : std::vector<std::pair<void (*)(), size_t>>{{&DeepJuliaView, 16},
                                                                              {&DeepMandelbrotView, 10}}) {
        const std::vector<ViewSnapshot> states = WalkMovie(view, false);
        EXPECT_EQ(states.front().flags[0], 1);
        EXPECT_EQ(states.back().flags[0], 0);
        EXPECT_GT(states.back().zoomHalfWidth, 8.0);
        EXPECT_EQ(states.size(), frames);
        Restart();
    }
    // Past 96 bits, the precision falls on the way.
    EXPECT_GT(WalkMovie(&DeepJuliaView, false).front().flags[2], 96);
}

}  // namespace
