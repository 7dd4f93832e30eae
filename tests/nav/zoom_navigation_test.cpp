#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "nav/pointer_status.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

using View = std::array<long double, 4>;  // real min, real max, imag min, imag max

class ZoomNavigationTest : public FreshStateTest {
protected:
    CountingPlatform counting;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        InstallPlatform(&counting);
        PressPoint = {};
        ZoomHalfWidth = ZoomHalfHeight = 0;
    }

    // What a finished extended frame leaves behind, then the paint handler's SyncViewTexts.
    static void FinishExtendedFrame()
    {
        const long double width = State.PicWidth, height = State.PicHeight;
        if (IsMandelbrot(State.FractalFlags)) {
            State.StepRe = (State.Realmax - State.Realmin) / width;
            State.StepIm = (State.Imagmax - State.Imagmin) / height;
            State.MandelbrotShown = 1;
        } else {
            State.JuliaStepRe = (State.JuliaRealmax - State.JuliaRealmin) / width;
            State.JuliaStepIm = (State.JuliaImagmax - State.JuliaImagmin) / height;
            State.JuliaViewSet = 1;
        }
        State.FrameValid = 1;
        ExtendedToBigFloats();
        SyncViewTexts();
    }
    static void SetMandelbrotView(const View& v)
    {
        State.Realmin = v[0], State.Realmax = v[1], State.Imagmin = v[2], State.Imagmax = v[3];
    }
    static View MandelbrotView() { return {State.Realmin, State.Realmax, State.Imagmin, State.Imagmax}; }
    static View JuliaView() { return {State.JuliaRealmin, State.JuliaRealmax, State.JuliaImagmin, State.JuliaImagmax}; }
    static void UseJuliaPicture()
    {
        State.FractalFlags = 6;
        State.JuliaRealmin = -2, State.JuliaRealmax = 2, State.JuliaImagmin = -1.5L, State.JuliaImagmax = 1.5L;
        FinishExtendedFrame();
    }
    void ExpectNewFrameRequested() const
    {
        EXPECT_EQ(State.FrameValid, 0);
        EXPECT_EQ(State.PictureLocked, 0);
        EXPECT_TRUE(State.TitleFileName.empty());
        EXPECT_EQ(counting.invalidations, 1);
    }
    static double Distance(const BigFloat& value, const char* expected)
    {
        BigFloat gap(State.PrecisionBits);
        mpf_set_str(gap, expected, 10);
        mpf_sub(gap, value, gap);
        return std::fabs(mpf_get_d(gap));
    }
    static void ExpectBigMandelbrotView(const char* realMin, const char* realMax, const char* imagMin,
                                        const char* imagMax)
    {
        EXPECT_LT(Distance(BigRealmin, realMin), 1e-50);
        EXPECT_LT(Distance(BigRealmax, realMax), 1e-50);
        EXPECT_LT(Distance(BigImagmin, imagMin), 1e-50);
        EXPECT_LT(Distance(BigImagmax, imagMax), 1e-50);
    }
};

const View DefaultView{-2.5L, 1.5L, -1.5L, 1.5L};

TEST_F(ZoomNavigationTest, ClickHalvesTheMandelbrotViewAboutThePressPoint)
{
    FinishExtendedFrame();
    State.PictureLocked = 1;
    State.TitleFileName = "saved.fra";
    PressAt(320, 240);
    ClickZoom(0, 0);  // a Mandelbrot picture ignores where the button went up
    EXPECT_EQ(MandelbrotView(), (View{-1.5L, 0.5L, -0.75L, 0.75L}));
    ExpectNewFrameRequested();
    EXPECT_EQ(State.IterMax, 300);  // DeepLimit -3 of the view before the zoom
}

TEST_F(ZoomNavigationTest, JuliaClickZoomsAboutTheReleaseClampedToThePicture)
{
    UseJuliaPicture();
    State.JuliaRe = 0.25L;
    PressAt(0, 0);
    EXPECT_EQ(State.JuliaRe, 0.25L);  // only a Mandelbrot picture picks the constant
    ClickZoom(160, 120);
    EXPECT_EQ(JuliaView(), (View{-2, 0, -1.5L, 0}));
    EXPECT_EQ(PressPoint.x, 160);
    EXPECT_EQ(PressPoint.y, 120);
    EXPECT_EQ(State.IterMax, 600);
    EXPECT_EQ(MandelbrotView(), DefaultView);

    FinishExtendedFrame();
    ClickZoom(-40, 5000);  // left of and below the window: the view's corner
    EXPECT_EQ(JuliaView(), (View{-2.5L, -1.5L, -0.375L, 0.375L}));
}

// A 2^-60 offset shows which values pass through float64.
TEST_F(ZoomNavigationTest, Float64RoundingsSitWhereTheRulesPutThem)
{
    const long double tiny = std::ldexp(1.0L, -60);
    UseJuliaPicture();
    State.JuliaRealmin = -2 + tiny;
    ClickZoom(0, 0);  // centre and quarter width rounded: the offset is gone
    EXPECT_EQ(JuliaView(), (View{-3, -1, -2.25L, -0.75L}));

    UseJuliaPicture();
    State.JuliaRealmin = -2 + tiny;
    ScaleView(2.0f);  // only the half sizes are rounded: the centre keeps it
    EXPECT_EQ(ZoomHalfWidth, 2.0);
    EXPECT_EQ(JuliaView(), (View{-4 + tiny, 4 + tiny, -3, 3}));
}

TEST_F(ZoomNavigationTest, NothingButARepaintBeforeAPictureIsFinished)
{
    State.StepRe = 4.0L / 640;
    State.StepIm = 3.0L / 480;
    PressAt(100, 100);
    ClickZoom(100, 100);
    EXPECT_FALSE(BoxZoom(300, 300));
    EXPECT_EQ(PressPoint.x, 0);
    EXPECT_EQ(State.JuliaRe, 0.0L);
    EXPECT_EQ(MandelbrotView(), DefaultView);
    EXPECT_EQ(State.IterMax, 100);
    EXPECT_EQ(counting.invalidations, 2);
}

TEST_F(ZoomNavigationTest, PressPicksTheJuliaConstantOnlyBeforeAnyJuliaView)
{
    FinishExtendedFrame();
    PressAt(100, 200);
    ClickZoom(100, 200);  // the zoom keeps the constant picked on the way down
    EXPECT_EQ(State.JuliaRe, -1.875L);
    EXPECT_EQ(State.JuliaIm, -0.25L);

    FinishExtendedFrame();
    State.JuliaViewSet = 1;
    PressAt(0, 0);
    EXPECT_EQ(State.JuliaRe, -1.875L);
}

TEST_F(ZoomNavigationTest, RightClickAndScaleViewWorkAboutTheCentre)
{
    FinishExtendedFrame();
    State.TitleFileName = "saved.fra";
    RightClick();
    EXPECT_EQ(MandelbrotView(), (View{-4.5L, 3.5L, -3, 3}));
    ExpectNewFrameRequested();
    EXPECT_EQ(ZoomHalfWidth, 2.0);
    EXPECT_EQ(ZoomHalfHeight, 1.5);
    RightClick();  // not before the new frame is complete
    EXPECT_EQ(MandelbrotView(), (View{-4.5L, 3.5L, -3, 3}));

    SetMandelbrotView(DefaultView);
    const long double f = 1.02f;  // the float32 factor as it is, in extended arithmetic
    ScaleView(1.02f);
    EXPECT_EQ(MandelbrotView(), (View{-0.5L - f * 2, -0.5L + f * 2, -f * 1.5L, f * 1.5L}));

    // The deep form leaves the half sizes of the last extended step alone.
    UseJuliaPicture();
    State.DeepZoom = 1;
    ZoomHalfWidth = 0;
    ScaleView(0.5f);
    EXPECT_EQ(ZoomHalfWidth, 0.0);
    EXPECT_EQ(mpf_cmp_d(BigJuliaRealmin, -1), 0);
    EXPECT_EQ(mpf_cmp_d(BigJuliaRealmax, 1), 0);
    EXPECT_EQ(mpf_cmp_d(BigJuliaImagmin, -0.75), 0);
    EXPECT_EQ(mpf_cmp_d(BigJuliaImagmax, 0.75), 0);
}

TEST_F(ZoomNavigationTest, BoxZoomsToTheBoxAndMirrorsWhenDraggedBackwards)
{
    FinishExtendedFrame();
    State.ParamFileName = "view.fra";
    PressAt(100, 100);
    EXPECT_TRUE(BoxZoom(420, 340));
    EXPECT_EQ(MandelbrotView(), (View{-1.875L, 0.125L, -0.875L, 0.625L}));
    ExpectNewFrameRequested();
    EXPECT_TRUE(State.ParamFileName.empty());
    EXPECT_EQ(State.IterMax, 300);

    SetMandelbrotView(DefaultView);
    FinishExtendedFrame();
    PressAt(420, 340);
    EXPECT_TRUE(BoxZoom(100, 100));
    EXPECT_EQ(MandelbrotView(), (View{0.125L, -1.875L, 0.625L, -0.875L}));
}

TEST_F(ZoomNavigationTest, BoxWithoutWidthOrHeightChangesNothing)
{
    FinishExtendedFrame();
    State.TitleFileName = "saved.fra";
    PressAt(100, 100);
    EXPECT_FALSE(BoxZoom(100, 100));
    EXPECT_FALSE(BoxZoom(100, 300));
    EXPECT_FALSE(BoxZoom(300, 100));
    EXPECT_EQ(MandelbrotView(), DefaultView);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.TitleFileName, "saved.fra");
    EXPECT_EQ(counting.invalidations, 0);
}

TEST_F(ZoomNavigationTest, DeepPressAndBoxWorkOnTheArbitraryPrecisionView)
{
    UsePictureSize(32, 24);  // steps of 1.25e-30 in both directions
    const std::array<std::string, 4> deepView{"0.25", "0.25000000000000000000000000004", "1e-30", "3.1e-29"};
    ApplyTypedView(deepView);
    ASSERT_EQ(State.DeepZoom, 1);
    State.MandelbrotShown = 1;
    PressAt(8, 6);
    EXPECT_LT(Distance(BigJuliaRe, "0.25000000000000000000000000001"), 1e-50);
    EXPECT_LT(Distance(BigJuliaIm, "8.5e-30"), 1e-50);
    ASSERT_TRUE(BoxZoom(24, 18));
    ExpectBigMandelbrotView("0.25000000000000000000000000001", "0.25000000000000000000000000003", "8.5e-30",
                            "23.5e-30");
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(State.IterMax, 3200);  // DeepLimit -32 of the magnification term

    // Negative offsets must not wrap around in the unsigned multiply.
    ApplyTypedView(deepView);
    PressAt(24, 18);
    ASSERT_TRUE(BoxZoom(8, 6));
    ExpectBigMandelbrotView("0.25000000000000000000000000003", "0.25000000000000000000000000001", "23.5e-30",
                            "8.5e-30");
}

TEST_F(ZoomNavigationTest, RaiseIterMaxFollowsDeepLimitAndNeverLowers)
{
    State.DeepLimit = -40;
    RaiseIterMax();
    EXPECT_EQ(State.IterMax, 4000);
    State.FractalFlags = 6;
    RaiseIterMax();
    EXPECT_EQ(State.IterMax, 8000);
    State.DeepLimit = -3;
    RaiseIterMax();
    EXPECT_EQ(State.IterMax, 8000);
    State.DeepLimit = std::numeric_limits<int32_t>::min();
    RaiseIterMax();
    EXPECT_EQ(State.IterMax, std::numeric_limits<int32_t>::max());

    State.IterMax = 100;
    State.FractalFlags = 5;
    State.AutoIterIncrease = 0;
    FinishExtendedFrame();
    PressAt(320, 240);
    ClickZoom(320, 240);
    EXPECT_EQ(State.IterMax, 100);
}

// Clicks into the middle of tiny real frames until the view needs arbitrary
// precision, and on.
TEST_F(ZoomNavigationTest, RepeatedClicksSwitchToDeepZoomAndKeepHalving)
{
    UsePictureSize(32, 24);
    State.IterMax = 20;
    State.AutoIterIncrease = 0;
    State.ThreadCount = 1;  // the row-by-row extended path is the quickest here
    State.MultiThreaded = 0;
    auto clickAndRender = [] {
        PressAt(16, 12);
        ClickZoom(16, 12);
        Redraw();
        SyncViewTexts();
    };
    Redraw();
    SyncViewTexts();
    int clicks = 0;
    while (State.DeepZoom == 0 && clicks < 80) {
        clickAndRender();
        ++clicks;
        // Each frame passes the view through 18-digit texts: 4 / 2^k to about 1e-18.
        const double width = static_cast<double>(State.Realmax - State.Realmin);
        EXPECT_NEAR(width * std::ldexp(1.0, clicks), 4.0, std::ldexp(3e-18, clicks));
        EXPECT_NEAR(static_cast<double>(State.Realmax + State.Realmin), -1.0, 1e-17);
    }
    ASSERT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(clicks, 51);  // 3/24 / 2^51 is the first step below 1e-16

    // The first deep click still uses the texts' step; from then on the view
    // halves about a fixed centre, exactly but for the last bits of edges near -0.5.
    BigFloat width(512), previous(512), centre(512), sum(512), gap(512);
    auto relativeToWidth = [&](const BigFloat& a, const BigFloat& b) {
        mpf_sub(gap, a, b);
        mpf_div(gap, gap, previous);
        return std::fabs(mpf_get_d(gap));
    };
    mpf_sub(previous, BigRealmax, BigRealmin);
    for (int deep = 1; deep <= 6; ++deep) {
        clickAndRender();
        ASSERT_EQ(State.DeepZoom, 1);
        mpf_sub(width, BigRealmax, BigRealmin);
        mpf_add(sum, BigRealmax, BigRealmin);
        mpf_mul_ui(gap, width, 2);
        EXPECT_LT(relativeToWidth(gap, previous), std::ldexp(1.0, -120)) << "deep click " << deep;
        if (deep > 1) {
            EXPECT_LT(relativeToWidth(sum, centre), std::ldexp(1.0, -120)) << "deep click " << deep;
        }
        mpf_set(centre, sum);
        mpf_set(previous, width);
        mpf_mul_2exp(gap, width, static_cast<mp_bitcnt_t>(clicks + deep));
        EXPECT_NEAR(mpf_get_d(gap), 4.0, 4e-3) << "deep click " << deep;
    }
    EXPECT_LE(State.DeepLimit, -19);
}

TEST_F(ZoomNavigationTest, UnzoomOutOfDeepZoomReturnsToExtendedPrecision)
{
    // A view 2e18 times magnified, as the location dialog or a file gives it.
    UsePictureSize(640, 480);
    Texts.RealCenterText = "-0.743643887037158704752191506114774";
    Texts.ImagCenterText = "0.131825904205311970493132056385139";
    Texts.MagnificationText = "2e18";
    CenterToCorners();
    ASSERT_EQ(State.DeepZoom, 1);
    ASSERT_EQ(State.DeepLimit, -21);
    State.MandelbrotShown = 1;
    int clicks = 0;
    for (; clicks < 20 && State.DeepZoom == 1; ++clicks) {
        State.FrameValid = 1;
        RightClick();
    }
    // 2^15 wider is the first view magnified less than 1e14 (DeepLimit -16).
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(clicks, 15);
    EXPECT_EQ(State.DeepLimit, -16);
    // The extended view took over the wider view: 4 / 2e18 * 2^clicks wide
    // (to the last bits of edges near -0.74).
    const long double width = State.Realmax - State.Realmin;
    EXPECT_NEAR(static_cast<double>(width / std::ldexp(4.0L / 2e18L, clicks)), 1.0, 1e-5);

    // Unzooming the extended view keeps its magnification too.
    State.FrameValid = 1;
    RightClick();
    EXPECT_NEAR(static_cast<double>(State.Magnification * (State.Imagmax - State.Imagmin)), 3.0, 1e-15);
}

TEST_F(ZoomNavigationTest, WheelZoomsAboutThePointerAndDragsMoveTheView)
{
    FinishExtendedFrame();
    State.AutoIterIncrease = 0;
    EXPECT_TRUE(ZoomAboutPixel(160, 120, 0.5f));  // the point -1.5 - 0.75i stays under the pointer
    EXPECT_EQ(MandelbrotView(), (View{-2, 0, -1.125L, 0.375L}));
    ExpectNewFrameRequested();
    EXPECT_FALSE(ZoomAboutPixel(160, 120, 2.0f));  // not before the new frame is complete
    FinishExtendedFrame();
    EXPECT_TRUE(ZoomAboutPixel(160, 120, 2.0f));
    EXPECT_EQ(MandelbrotView(), DefaultView);
    EXPECT_NEAR(static_cast<double>(State.Magnification), 1.0, 1e-18);

    FinishExtendedFrame();
    EXPECT_FALSE(MoveView(0, 0));
    EXPECT_TRUE(MoveView(64, -48));  // the picture follows the mouse: the view goes the other way
    const View moved = MandelbrotView();
    const View expected{-2.9L, 1.1L, -1.2L, 1.8L};
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(static_cast<double>(moved[k]), static_cast<double>(expected[k]), 1e-15) << k;
    EXPECT_NEAR(static_cast<double>(moved[1] - moved[0]), 4.0, 1e-15);
}

TEST_F(ZoomNavigationTest, DeepWheelAndDragWorkOnTheArbitraryPrecisionView)
{
    UsePictureSize(640, 480);
    Texts.RealCenterText = "-0.743643887037158704752191506114774";
    Texts.ImagCenterText = "0.131825904205311970493132056385139";
    Texts.MagnificationText = "1e30";
    CenterToCorners();
    ASSERT_EQ(State.DeepZoom, 1);
    State.MandelbrotShown = 1;
    State.FrameValid = 1;
    State.AutoIterIncrease = 0;
    const int32_t bits = State.PrecisionBits;
    BigFloat before(bits), after(bits), gap(bits), width(bits);
    mpf_sub(width, BigRealmax, BigRealmin);
    const auto pointAt = [](BigFloat& point, unsigned long x) {
        mpf_mul_ui(point, BigStepRe, x);
        mpf_add(point, point, BigRealmin);
    };
    pointAt(before, 100);
    ASSERT_TRUE(ZoomAboutPixel(100, 50, 0.5f));
    pointAt(after, 100);
    mpf_sub(gap, after, before);
    mpf_div(gap, gap, width);
    EXPECT_LT(std::fabs(mpf_get_d(gap)), 1e-25);
    mpf_sub(gap, BigRealmax, BigRealmin);
    mpf_div(gap, gap, width);
    EXPECT_NEAR(mpf_get_d(gap), 0.5, 1e-8);  // edges near 0.74 hold the width to about 1e-10
    EXPECT_EQ(State.DeepLimit, -33);  // the depth follows, magnification 2e30

    State.FrameValid = 1;
    mpf_set(before, BigRealmin);
    ASSERT_TRUE(MoveView(-7, 0));
    mpf_sub(gap, BigRealmin, before);
    mpf_div(gap, gap, BigStepRe);
    EXPECT_NEAR(mpf_get_d(gap), 7.0, 1e-12);
}

TEST_F(ZoomNavigationTest, ResizingKeepsTheStepsAndThePointsOfSharedPixels)
{
    UsePictureSize(640, 480);
    FinishExtendedFrame();
    UsePictureSize(801, 400);
    ResizeView(640, 480, 801, 400);  // one pixel more on the right, 40 rows fewer at each edge
    const View grown = MandelbrotView();
    const View expected{-3.0L, 2.00625L, -1.25L, 1.25L};
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(static_cast<double>(grown[k]), static_cast<double>(expected[k]), 1e-15) << k;
    EXPECT_EQ(State.FrameValid, 0);

    Texts.RealCenterText = "-0.743643887037158704752191506114774";
    Texts.ImagCenterText = "0.131825904205311970493132056385139";
    Texts.MagnificationText = "1e30";
    CenterToCorners();
    ASSERT_EQ(State.DeepZoom, 1);
    const int32_t bits = State.PrecisionBits;
    BigFloat before(bits), after(bits), gap(bits), step(bits);
    mpf_set(step, BigStepRe);
    // Pixel 10 of the old picture is pixel 10 - 20 of the new one.
    mpf_mul_ui(before, BigStepRe, 10);
    mpf_add(before, before, BigRealmin);
    UsePictureSize(600, 480);
    ResizeView(640, 480, 600, 480);
    mpf_sub(after, before, BigRealmin);
    mpf_div(gap, after, step);
    EXPECT_NEAR(mpf_get_d(gap), -10.0, 1e-12);
    mpf_sub(gap, BigRealmax, BigRealmin);
    mpf_div(gap, gap, step);
    EXPECT_NEAR(mpf_get_d(gap), 600.0, 1e-12);
}

TEST_F(ZoomNavigationTest, StatusLineShowsThePointWithTheDigitsItsStepNeeds)
{
    UsePictureSize(640, 480);
    FinishExtendedFrame();
    State.ElapsedSeconds = 0.25f;
    // Step 0.00625: four places.
    EXPECT_EQ(PointerStatusText(160, 120), "Re -1.5000  Im -0.7500  Mag 1.000e+00  IterMax 100  Frame 0.25 s");
    EXPECT_EQ(CoordinateText(0.123456789L, 1e-7L), "0.12345679");

    Texts.RealCenterText = "-0.743643887037158704752191506114774";
    Texts.ImagCenterText = "0.131825904205311970493132056385139";
    Texts.MagnificationText = "1e30";
    CenterToCorners();
    ASSERT_EQ(State.DeepZoom, 1);
    // Step 6.25e-33 (edges 4e-30 / 640): digits down to 1e-33 and one more.
    const std::string text = PointerStatusText(320, 240);
    const std::string re = text.substr(0, text.find("  Im"));
    EXPECT_EQ(re.rfind("Re -7.436438870371587047521915061147", 0), 0u) << re;
    EXPECT_LE(re.size(), std::string("Re -7.").size() + 33 + 3) << re;  // 34 digits at most, "e-1"
    EXPECT_NE(text.find("Mag 1.000e+30"), std::string::npos) << text;
}

}  // namespace
