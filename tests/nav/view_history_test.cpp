#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "frame/startup.h"
#include "nav/view_history.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

class ViewHistoryTest : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(32, 24);
        ClearViewHistory();
        RecordShownView();
    }
    void TearDown() override
    {
        ClearViewHistory();
        FreshStateTest::TearDown();
    }
    // A view shown by a frame, as the frame driver reports it.
    static void Show(const std::array<std::string, 4>& edges, int32_t iterMax = 100)
    {
        ApplyTypedView(edges);
        State.IterMax = iterMax;
        RecordShownView();
    }
};

const std::array<std::string, 4> Wide{"-2", "1", "-1.1", "1.1"};
const std::array<std::string, 4> Deep{"-0.743643887037158704752191506114774e0", "-0.743643887037158704752191506114770e0",
                                      "0.131825904205311970493132056385139e0", "0.131825904205311970493132056385142e0"};

TEST_F(ViewHistoryTest, BackAndForwardRestoreTheViewsExactlyAndAskForAFrame)
{
    Show(Wide, 300);
    Show(Deep, 5000);
    ASSERT_EQ(State.DeepZoom, 1);
    const int32_t deepBits = State.PrecisionBits;
    BigFloat deepRealmin(State.AppliedPrecisionBits);
    mpf_set(deepRealmin, BigRealmin);
    EXPECT_EQ(ViewHistorySize(), 3u);

    State.FrameValid = 1;
    ASSERT_TRUE(GoBackInHistory());
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.IterMax, 300);
    EXPECT_EQ(State.Realmin, -2.0L);
    EXPECT_EQ(State.Imagmax, 1.1L);
    ASSERT_TRUE(GoBackInHistory());
    EXPECT_EQ(State.Realmin, -2.5L);
    EXPECT_FALSE(GoBackInHistory());

    ASSERT_TRUE(GoForwardInHistory());
    ASSERT_TRUE(GoForwardInHistory());
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(State.PrecisionBits, deepBits);
    EXPECT_EQ(State.IterMax, 5000);
    EXPECT_EQ(mpf_cmp(BigRealmin, deepRealmin), 0);
    EXPECT_FALSE(GoForwardInHistory());
    // The frame of a restored view records nothing new.
    RecordShownView();
    EXPECT_EQ(ViewHistorySize(), 3u);
}

TEST_F(ViewHistoryTest, ANewViewAfterBackDropsTheViewsAhead)
{
    Show(Wide);
    Show(Deep);
    GoBackInHistory();
    GoBackInHistory();
    RecordShownView();  // the restored view's own frame
    ScaleView(0.5f);
    RecordShownView();
    EXPECT_EQ(ViewHistorySize(), 2u);
    EXPECT_EQ(ViewHistoryPlace(), 1u);
    EXPECT_FALSE(GoForwardInHistory());
    // The kind is part of the view.
    State.FractalFlags = (State.FractalFlags & ~3) | 2;
    State.JuliaRealmin = State.JuliaImagmin = -1.8L;
    State.JuliaRealmax = State.JuliaImagmax = 1.8L;
    ExtendedToBigFloats();
    RecordShownView();
    GoBackInHistory();
    EXPECT_EQ(State.FractalFlags & 3, 1);
}

TEST_F(ViewHistoryTest, HistoryKeepsTheLatestThousandViews)
{
    for (int32_t k = 0; k < 1100; ++k) {
        State.IterMax = 100 + k;
        RecordShownView();
    }
    EXPECT_EQ(ViewHistorySize(), ViewHistoryLimit);
    while (GoBackInHistory()) {
    }
    EXPECT_EQ(State.IterMax, 100 + 1100 - 1000);
}

}  // namespace
