#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "frame/startup.h"
#include "movie/realtime_movie.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

using View = std::array<long double, 4>;  // real min, real max, imag min, imag max

View MandelbrotView() { return {State.Realmin, State.Realmax, State.Imagmin, State.Imagmax}; }
void SetMandelbrotView(const View& v)
{
    State.Realmin = v[0], State.Realmax = v[1], State.Imagmin = v[2], State.Imagmax = v[3];
}

// Keeps what every shown frame looked like and presses Esc after a given
// number of frames.
class MoviePlatform : public HeadlessPlatform {
public:
    struct Frame {
        int32_t width, height, iterMax;
        long double halfWidth;
    };
    std::vector<Frame> frames;
    size_t escapeAfterFrames = 0;

    void ShowFrameImage(const uint32_t*, int32_t width, int32_t height) override
    {
        frames.push_back({width, height, State.IterMax, 0.5L * (State.Realmax - State.Realmin)});
        if (frames.size() == escapeAfterFrames)
            escapePresses = 1;
    }
};

class RealtimeMovieTest : public FreshStateTest {
protected:
    MoviePlatform movie;
    int toolWindowCloses = 0;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        InstallPlatform(&movie);
        UsePictureSize(64, 48);
    }
    // Answers the question with `answer` and runs the menu command.
    void Run(const char* answer = "OK")
    {
        movie.answers.push_back(answer);
        RealtimeZoomMovieCommand([this] { ++toolWindowCloses; });
    }
    // A view of half width 0.5 unzoomed by 2 records views of half width
    // 1, 2, ..., 64; the animation shows records 5 ... 2 (half widths 16 ... 2).
    static void UseFiveViewMovie()
    {
        SetMandelbrotView({-1.0L, 0.0L, -0.375L, 0.375L});
        State.UnzoomFactor = 2.0f;
    }
};

TEST_F(RealtimeMovieTest, UnzoomStepWidensTheViewOfTheCurrentKindAboutItsCentre)
{
    State.DeepLimit = -5;
    UnzoomStep(2.0f);
    EXPECT_EQ(ZoomHalfWidth, 2.0);
    EXPECT_EQ(ZoomHalfHeight, 1.5);
    EXPECT_EQ(MandelbrotView(), (View{-4.5L, 3.5L, -3.0L, 3.0L}));
    EXPECT_EQ(State.IterMax, 500);  // RaiseIterMax with AutoIterIncrease on

    State.AutoIterIncrease = 0;
    State.DeepLimit = -9;
    State.FractalFlags = 6;  // Julia
    State.JuliaRealmin = -1, State.JuliaRealmax = 1, State.JuliaImagmin = -0.75L, State.JuliaImagmax = 0.75L;
    State.JuliaRe = 0.25L, State.JuliaStepRe = 0.125L;
    UnzoomStep(2.0f);
    EXPECT_EQ(State.JuliaRealmin, -2.0L);
    EXPECT_EQ(State.JuliaImagmax, 1.5L);
    EXPECT_EQ(State.JuliaRe, 0.25L);
    EXPECT_EQ(State.JuliaStepRe, 0.125L);
    EXPECT_EQ(MandelbrotView(), (View{-4.5L, 3.5L, -3.0L, 3.0L}));
    EXPECT_EQ(State.IterMax, 500);
}

TEST_F(RealtimeMovieTest, RecordingStopsOnceTheHalfWidthBeforeAStepPassesEightOrAtTenThousandViews)
{
    EXPECT_EQ(RecordUnzoomViews(), 71);  // "Unzoom:" 1.02 from half width 2
    EXPECT_EQ(RecordedViewCount(), 72);
    EXPECT_GT(ZoomHalfWidth, 8.0);

    SetMandelbrotView({-2.5L, 1.5L, -1.5L, 1.5L});
    State.UnzoomFactor = 1.0f;
    EXPECT_EQ(RecordUnzoomViews(), 9999);
    EXPECT_EQ(RecordedViewCount(), 10000);
}

TEST_F(RealtimeMovieTest, RateDisplayShowsTheViewsOfTheLastSecondAtMostOncePerSecond)
{
    RateDisplay rate(71, 5000);
    rate.Update(60, 5900);
    rate.Update(50, 6001);
    rate.Update(40, 6900);
    rate.Update(45, 7002);
    EXPECT_EQ(movie.pictureTitles, (std::vector<std::string>{"Fps:  21", "Fps:  5"}));
}

TEST_F(RealtimeMovieTest, IterMaxRisesOnTheWayInOnlyAndEachRoundStartsAgainAt100)
{
    UseFiveViewMovie();
    State.IterMax = 250;
    State.TitleFileName = "gallery/f01";
    movie.escapeAfterFrames = 10;  // the second round's second frame
    Run();

    ASSERT_EQ(movie.frames.size(), 12u);  // then the final frame, shown twice
    const std::array<long double, 10> halfWidths{16, 8, 4, 2, 2, 4, 8, 16, 16, 8};
    const std::array<int32_t, 10> iterMaxes{100, 101, 102, 103, 104, 104, 104, 104, 100, 101};
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(movie.frames[k].halfWidth, halfWidths[k]) << k;
        EXPECT_EQ(movie.frames[k].iterMax, iterMaxes[k]) << k;
    }
    // Ends on record 2 with the IterMax of before.
    EXPECT_EQ(movie.frames[10].halfWidth, 2.0L);
    EXPECT_EQ(State.IterMax, 250);
    EXPECT_EQ(toolWindowCloses, 1);
    EXPECT_EQ(movie.messages.at(0).caption, "Quorvatix");
    EXPECT_EQ(movie.titles.front(), "Quorvatix Auto Unzoom - Stop with esc key");
    EXPECT_EQ(movie.titles.back(), "QUORVATIX");
    EXPECT_TRUE(movie.inputWindowsEnabled);
    EXPECT_TRUE(State.TitleFileName.empty());
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_EQ(State.FrameAborted, 0);
    EXPECT_EQ(State.StopRequest.load(), 0);
}

TEST_F(RealtimeMovieTest, EscOnTheWayOutEndsTheMovieAfterThatFrame)
{
    UseFiveViewMovie();
    State.AutoIterIncrease = 0;
    movie.escapeAfterFrames = 4;  // the last frame on the way in
    Run();
    ASSERT_EQ(movie.frames.size(), 7u);
    EXPECT_EQ(movie.frames[4].halfWidth, 2.0L);
    EXPECT_EQ(movie.frames[3].iterMax, 100);
    EXPECT_EQ(State.AutoIterIncrease, 1);
    EXPECT_EQ(State.MovieMode, 0);
}

TEST_F(RealtimeMovieTest, WidePictureRunsAt640x480AndEndsTwoStepsOutAtItsOwnSize)
{
    UsePictureSize(1024, 768);
    const View start = MandelbrotView();
    UnzoomStep(State.UnzoomFactor);
    UnzoomStep(State.UnzoomFactor);
    const View twoStepsOut = MandelbrotView();
    SetMandelbrotView(start);
    State.IterMax = 100;
    movie.escapeAfterFrames = 2;
    Run();

    ASSERT_EQ(movie.frames.size(), 4u);
    EXPECT_EQ(movie.frames[0].width, 640);
    EXPECT_EQ(movie.frames[1].height, 480);
    EXPECT_EQ(movie.frames[3].width, 1024);
    EXPECT_EQ(State.PicWidth, 1024);
    EXPECT_EQ(State.PicHeight, 768);
    EXPECT_EQ(MandelbrotView(), twoStepsOut);
}

TEST_F(RealtimeMovieTest, StartViewsTooWideForTwoAnimatedViewsEndAtOnce)
{
    // One view recorded: the start view stays.
    const View wide{-10.0L, 10.0L, -7.5L, 7.5L};
    SetMandelbrotView(wide);
    Run();
    EXPECT_EQ(RecordedViewCount(), 1);
    EXPECT_EQ(movie.frames.size(), 2u);  // the final frame only
    EXPECT_EQ(MandelbrotView(), wide);

    // Two views recorded: nothing to animate, the movie ends on record 2.
    SetMandelbrotView({-6.0L, 6.0L, -4.5L, 4.5L});
    State.UnzoomFactor = 1.5f;
    Run();
    EXPECT_EQ(RecordedViewCount(), 2);
    EXPECT_EQ(MandelbrotView(), (View{-13.5L, 13.5L, -10.125L, 10.125L}));
}

TEST_F(RealtimeMovieTest, CancelAndDeepZoomLeaveEverythingAsItWas)
{
    const View start = MandelbrotView();
    Run("Cancel");
    State.DeepZoom = 1;
    Run();
    RealtimeZoomMovie([this] { ++toolWindowCloses; });

    ASSERT_EQ(movie.messages.size(), 3u);
    EXPECT_EQ(movie.messages[1].text, "Not available with\ndeep zoom");
    EXPECT_EQ(movie.messages[1].caption, "QUORVATIX");
    EXPECT_EQ(movie.messages[2].text, "Not possible with deep zoom");
    EXPECT_TRUE(movie.frames.empty());
    EXPECT_EQ(toolWindowCloses, 0);
    EXPECT_EQ(MandelbrotView(), start);
    EXPECT_EQ(State.MovieMode, 0);
}

}  // namespace
