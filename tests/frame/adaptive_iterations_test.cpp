#include "frame/adaptive_iterations.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "frame/frame_driver.h"
#include "test_support.h"

namespace {

// A picture of 1000 pixels: `inside` at 0, the others spread evenly over
// [lowest, highest].
std::vector<int32_t> Escapes(int inside, int32_t lowest, int32_t highest)
{
    std::vector<int32_t> escapes(1000, 0);
    const int escaped = 1000 - inside;
    for (int k = 0; k < escaped; ++k)
        escapes[k] = lowest + static_cast<int32_t>(static_cast<int64_t>(highest - lowest) * k / std::max(escaped - 1, 1));
    return escapes;
}

class AdaptiveIterMaxTest : public FreshStateTest {
protected:
    // A view whose pixels escape at `needed`, 1 % of them inside for good;
    // each frame leaves its escape values where the frame driver would.
    int32_t needed = 0;
    int frames = 0;

    void ComputeFakeFrame()
    {
        ++frames;
        std::vector<int32_t> escapes(1000, 0);
        for (size_t k = 10; k < escapes.size(); ++k) {
            const int64_t count = needed / 2 + static_cast<int64_t>(k) * needed / 2000;
            escapes[k] = count <= State.IterMax ? static_cast<int32_t>(count) : 0;
        }
        if (EscapeValueCapture)
            *EscapeValueCapture = escapes;
        State.FrameValid = 1;
        State.ElapsedSeconds = 0.01f;
    }
    void Run()
    {
        ComputeWithAdaptiveIterMax([this] { ComputeFakeFrame(); });
    }
};

}  // namespace

TEST(AdaptiveIterMaxRule, CutOffWhenTheEscapedCrowdTheTopOrNoneEscaped)
{
    // Well iterated: few inside, or the counts thin out long before IterMax.
    EXPECT_FALSE(PictureCutOff(Escapes(0, 10, 1000), 1000));
    std::vector<int32_t> thinning = Escapes(100, 10, 100);
    thinning[0] = 1000;
    EXPECT_FALSE(PictureCutOff(thinning, 1000));
    // Cut off: counts run right up to IterMax with many inside, or all inside.
    EXPECT_TRUE(PictureCutOff(Escapes(300, 500, 1000), 1000));
    EXPECT_TRUE(PictureCutOff(std::vector<int32_t>(1000, 0), 1000));
    EXPECT_FALSE(PictureCutOff({}, 1000));
}

TEST(AdaptiveIterMaxRule, NewlyEscapedCountsOnlyPixelsThatWereInside)
{
    EXPECT_DOUBLE_EQ(ShareNewlyEscaped({0, 0, 5, 0}, {7, 0, 6, 0}), 0.25);
    EXPECT_DOUBLE_EQ(ShareNewlyEscaped({}, {}), 0.0);
}

TEST_F(AdaptiveIterMaxTest, RaisesUntilThePictureSettlesAndHandsOnTheLastEscapes)
{
    State.AdaptiveIterMax = 1;
    State.IterMax = 100;
    needed = 3000;
    std::vector<int32_t> outer;
    EscapeValueCapture = &outer;
    Run();
    EscapeValueCapture = nullptr;
    // 3200 still looks cut off; 6400 shows that nothing changes any more.
    EXPECT_EQ(State.IterMax, 6400);
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(std::count(outer.begin(), outer.end(), 0), 10);
}

TEST_F(AdaptiveIterMaxTest, OffInMoviesOrWhenSwitchedOffAndNeverLowers)
{
    needed = 3000;
    State.IterMax = 100;
    Run();
    State.AdaptiveIterMax = 1;
    State.MovieMode = 1;
    Run();
    EXPECT_EQ(State.IterMax, 100);
    EXPECT_EQ(frames, 2);

    State.MovieMode = 0;
    State.IterMax = 50000;
    Run();
    EXPECT_EQ(State.IterMax, 50000);
}

TEST_F(AdaptiveIterMaxTest, AFileIsShownAtItsOwnIterMaxAndTheNextFrameAdapts)
{
    State.AdaptiveIterMax = 1;
    State.IterMax = 100;
    State.LoadedIterMaxHeld = 1;
    needed = 3000;
    Run();
    EXPECT_EQ(State.IterMax, 100);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(State.LoadedIterMaxHeld, 0);
    Run();
    EXPECT_EQ(State.IterMax, 6400);
}

TEST_F(AdaptiveIterMaxTest, StopsOnEscTheBudgetOrAPictureThatStaysInside)
{
    State.AdaptiveIterMax = 1;
    State.IterMax = 100;
    needed = 3000;
    ComputeWithAdaptiveIterMax([this] {
        ComputeFakeFrame();
        State.FrameAborted = State.IterMax >= 400 ? 1 : 0;
    });
    EXPECT_EQ(State.IterMax, 400);
    State.FrameAborted = 0;

    // Over the budget only a picture mostly inside gets one more frame.
    State.AdaptiveBudgetMs = 100;
    const auto slowFrame = [this] {
        ComputeFakeFrame();
        State.ElapsedSeconds = 0.2f;
    };
    State.IterMax = 2500;  // a third inside
    ComputeWithAdaptiveIterMax(slowFrame);
    EXPECT_EQ(State.IterMax, 2500);
    State.IterMax = 2000;  // two thirds inside
    ComputeWithAdaptiveIterMax(slowFrame);
    EXPECT_EQ(State.IterMax, 4000);
    State.IterMax = 100;  // all inside, and still after one more frame
    ComputeWithAdaptiveIterMax(slowFrame);
    EXPECT_EQ(State.IterMax, 200);
    State.AdaptiveBudgetMs = 0;

    frames = 0;
    State.IterMax = 100;
    needed = 1 << 30;
    Run();
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(State.IterMax, 1600);
}

TEST_F(AdaptiveIterMaxTest, ZoomIntoACutOffPartDoublesBeforeTheFrameWhileThePictureIsShown)
{
    // The fake frame as a 40 x 25 picture whose counts grow row by row.
    UsePictureSize(40, 25);
    State.AdaptiveIterMax = 1;
    State.AdaptiveBudgetMs = 100;
    needed = 3000;
    State.IterMax = 2500;  // a third inside, left so by the budget
    ComputeWithAdaptiveIterMax([this] {
        ComputeFakeFrame();
        State.ElapsedSeconds = 0.2f;
    });
    ASSERT_EQ(frames, 1);
    // Twice the iterations would not fit the budget either.
    RaiseIterMaxForZoomInto(0, 0, 40, 25);
    EXPECT_EQ(State.IterMax, 2500);

    State.AdaptiveBudgetMs = 0;
    RaiseIterMaxForZoomInto(0, 0, 40, 10);  // counts far below IterMax
    RaiseIterMaxForZoomInto(-8, -8, 8, 8);  // too few pixels to tell
    EXPECT_EQ(State.IterMax, 2500);
    RaiseIterMaxForZoomInto(-10, -10, 50, 35);
    EXPECT_EQ(State.IterMax, 5000);

    // Once the picture shown is another, or IterMax another, it tells nothing.
    State.IterMax = 2500;
    Results.IterBuffer[3] += 1;
    RaiseIterMaxForZoomInto(0, 0, 40, 25);
    EXPECT_EQ(State.IterMax, 2500);
    Results.IterBuffer[3] -= 1;
    State.IterMax = 2400;
    RaiseIterMaxForZoomInto(0, 0, 40, 25);
    EXPECT_EQ(State.IterMax, 2400);
}
