#include <gtest/gtest.h>

#include <limits>

#include "color/drawing_modes.h"
#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "frame/startup.h"
#include "nav/fractal_parameters.h"
#include "test_support.h"

namespace {

class FractalParametersTest : public FreshStateTest {
protected:
    CountingPlatform counting;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        InstallPlatform(&counting);
    }

    // The fields as a freshly opened window shows them, with some typed over.
    static ParameterFields Typed(const std::string& iterMax, const std::string& threads = " 2")
    {
        ParameterFields fields = ParameterFieldsFromState(15);
        fields.IterMax = iterMax;
        fields.Threads = threads;
        return fields;
    }
    static void Apply(const ParameterFields& fields, ParameterButton button = ParameterButton::Redraw)
    {
        ApplyParameterFields(fields, button);
    }
    // The default view after a finished extended frame at the current size.
    static void FinishDefaultFrame()
    {
        State.StepRe = (State.Realmax - State.Realmin) / State.PicWidth;
        State.StepIm = (State.Imagmax - State.Imagmin) / State.PicHeight;
        ExtendedToBigFloats();
        SyncViewTexts();
    }
    static bool BigEquals(const BigFloat& value, const char* text)
    {
        BigFloat expected(State.PrecisionBits);
        ReadBigFloatText(text, expected);
        return mpf_cmp(value.get(), expected.get()) == 0;
    }
};

TEST_F(FractalParametersTest, ListTexts)
{
    EXPECT_EQ(PictureSizeEntryText(0), "0  176 x  144");
    EXPECT_EQ(PictureSizeEntryText(19), "J  1920 x  1080");
    EXPECT_EQ(PictureSizeEntryText(35), "Z  8192 x  6140");
    EXPECT_EQ(PictureSizeEntryFor(640, 480), 4);
    EXPECT_EQ(PictureSizeEntryFor(64, 48), -1);
    EXPECT_EQ(PicFormatEntryText(3), "D. PNG");
    EXPECT_EQ(DrawingModeEntryText(0), "Normal  0");
    EXPECT_EQ(DrawingModeEntryText(1), "Texture 1");
    EXPECT_EQ(DrawingModeEntryText(27), "Texture R");
}

TEST_F(FractalParametersTest, ChoosingSizeAndFormat)
{
    EXPECT_TRUE(ChoosePictureSize(1));
    EXPECT_EQ(State.PicWidth, 320);
    EXPECT_EQ(State.PicHeight, 240);
    EXPECT_EQ(Results.IterBuffer.size(), 322u * 242u);
    EXPECT_EQ(Results.ZImBuffer.size(), 322u * 242u);

    ChoosePicFormat(2);
    EXPECT_EQ(State.PicFormatIndex, 2);
    EXPECT_EQ(State.PicFormat, "TIF");
}

TEST_F(FractalParametersTest, WindowSizesAreClampedToTheLargestListSize)
{
    const PictureSize same = PictureSizeForWindow(1021, 3);
    EXPECT_EQ(same.width, 1021);
    EXPECT_EQ(same.height, 3);
    const PictureSize empty = PictureSizeForWindow(0, -5);
    EXPECT_EQ(empty.width, 1);
    EXPECT_EQ(empty.height, 1);
    const PictureSize huge = PictureSizeForWindow(20000, 7000);
    EXPECT_EQ(huge.width, 8192);
    EXPECT_EQ(huge.height, 6140);
}

TEST_F(FractalParametersTest, SizeWithoutMemoryIsRefused)
{
    const int32_t* buffer = Results.IterBuffer.data();
    const int32_t huge = std::numeric_limits<int32_t>::max() - 2;
    EXPECT_FALSE(ResizeResultBuffers(huge, huge));
    EXPECT_FALSE(ResizeResultBuffers(0, 480));
    EXPECT_EQ(State.PicWidth, 640);
    EXPECT_EQ(State.PicHeight, 480);
    EXPECT_EQ(Results.IterBuffer.data(), buffer);
    EXPECT_EQ(Results.ZReBuffer.size(), 642u * 482u);
    ASSERT_EQ(counting.messages.size(), 2u);
    EXPECT_EQ(counting.messages[0].caption, "QUORVATIX");
    EXPECT_NE(counting.messages[0].text.find("Not enough memory"), std::string::npos);
}

TEST_F(FractalParametersTest, IterMaxRoundsHalvesToEvenWithMinimum)
{
    for (const auto& [typed, expected] : {std::pair{"5", 10}, {"250.5", 250}, {"251.5", 252}, {"many", 10}}) {
        Apply(Typed(typed));
        EXPECT_EQ(State.IterMax, expected) << typed;
    }
}

TEST_F(FractalParametersTest, ApplyAndExitNeverLowersIterMax)
{
    State.IterMax = 500;
    Apply(Typed("200"), ParameterButton::ApplyAndExit);
    EXPECT_EQ(State.IterMax, 500);
    Apply(Typed("800"), ParameterButton::ApplyAndExit);
    EXPECT_EQ(State.IterMax, 800);
    Apply(Typed("200"), ParameterButton::Redraw);
    EXPECT_EQ(State.IterMax, 200);
}

TEST_F(FractalParametersTest, BailoutAndPotValueMinimums)
{
    ParameterFields fields = Typed("100");
    fields.Bailout = "1.5";
    fields.PotValue = "0";
    Apply(fields);
    EXPECT_EQ(State.Bailout, 2.0);
    EXPECT_EQ(State.PotValue, 0.0001);

    fields.Bailout = "1e999";
    fields.PotValue = "0.5";
    State.AutoPotValue = 1;
    Apply(fields);
    EXPECT_EQ(State.Bailout, std::numeric_limits<double>::max());
    EXPECT_EQ(State.PotValue, 0.0001);  // not read while automatic
}

TEST_F(FractalParametersTest, ThreadsClampedAndShown)
{
    EXPECT_EQ(ApplyParameterFields(Typed("100", "0"), ParameterButton::Redraw).Threads, " 1");
    EXPECT_EQ(State.ThreadCount, 1);
    EXPECT_EQ(ApplyParameterFields(Typed("100", "99"), ParameterButton::ApplyAndExit).Threads, " 2");
    EXPECT_EQ(State.ThreadCount, 2);

    ClickOption(ParameterOption::MultiThreaded);
    EXPECT_EQ(State.MultiThreaded, 0);
    EXPECT_EQ(State.ThreadCount, 1);
    for (ParameterButton button : {ParameterButton::Redraw, ParameterButton::ApplyAndExit})
        EXPECT_EQ(ApplyParameterFields(Typed("100", "2"), button).Threads, " 1");
}

TEST_F(FractalParametersTest, UnzoomBelowOneIsRefusedOthersApply)
{
    ParameterFields fields = Typed("300");
    fields.Unzoom = "0.5";
    fields.Bailout = "50";
    const ParameterFields shown = ApplyParameterFields(fields, ParameterButton::Redraw);
    ASSERT_EQ(counting.messages.size(), 1u);
    EXPECT_EQ(counting.messages[0].text, "Values less than 1 are not allowed!\nTry between 1.01 and 1.03");
    EXPECT_EQ(counting.messages[0].caption, "QUORVATIX");
    EXPECT_EQ(State.UnzoomFactor, 1.02f);
    EXPECT_EQ(shown.Unzoom, " 1.02");
    EXPECT_EQ(State.IterMax, 300);
    EXPECT_EQ(State.Bailout, 50.0);

    fields.Unzoom = "1.03";
    Apply(fields);
    EXPECT_EQ(State.UnzoomFactor, 1.03f);
    EXPECT_EQ(counting.messages.size(), 1u);
}

TEST_F(FractalParametersTest, DeepZoomSwitch)
{
    State.DeepZoom = 1;
    State.DeepLimit = -20;
    ClickOption(ParameterOption::DeepZoom);
    EXPECT_EQ(State.DeepZoom, 1);

    State.DeepLimit = -3;
    State.AutosaveParameter = 1;
    Texts.RealminText = "-2";
    ClickOption(ParameterOption::DeepZoom);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.AutosaveParameter, 0);
    EXPECT_EQ(State.Realmin, -2.0L);  // the extended view follows the texts

    State.Realmin = -1.25L;
    ClickOption(ParameterOption::DeepZoom);
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(mpf_cmp_d(BigRealmin, -1.25), 0);
}

TEST_F(FractalParametersTest, AutoPotValueFollowsDepth)
{
    State.DeepLimit = -20;
    ClickOption(ParameterOption::AutoPotValue);
    EXPECT_EQ(State.AutoPotValue, 1);
    EXPECT_DOUBLE_EQ(State.PotValue, 0.00001);
    ClickOption(ParameterOption::AutoPotValue);
    EXPECT_EQ(State.AutoPotValue, 0);
    State.DeepLimit = 0;
    ClickOption(ParameterOption::AutoPotValue);
    EXPECT_DOUBLE_EQ(State.PotValue, 0.0002);
}

TEST_F(FractalParametersTest, SmoothColorRepaintsThePicture)
{
    ClickOption(ParameterOption::SmoothColor);
    EXPECT_EQ(State.ColorOptions, 4 | 2);
    EXPECT_EQ(counting.invalidations, 1);
}

TEST_F(FractalParametersTest, MandelbrotClickSwitchesKind)
{
    State.MandelbrotShown = 1;
    ClickOption(ParameterOption::Mandelbrot);
    EXPECT_EQ(State.FractalFlags & 3, 2);
    State.JuliaViewSet = 1;
    ClickOption(ParameterOption::Mandelbrot);
    EXPECT_EQ(State.FractalFlags & 3, 1);
    EXPECT_EQ(State.JuliaViewSet, 0);
    EXPECT_EQ(State.MandelbrotShown, 0);
    EXPECT_EQ(DrawingModeNumber(State.FractalFlags), 1);
}

TEST_F(FractalParametersTest, JuliaClickTakesTheCentre)
{
    FinishDefaultFrame();
    State.AutoPotValue = 1;
    ClickOption(ParameterOption::Julia);
    EXPECT_EQ(State.FractalFlags & 3, 2);
    EXPECT_EQ(State.JuliaViewSet, 1);
    EXPECT_EQ(State.AutoPotValue, 0);
    EXPECT_NEAR(static_cast<double>(State.JuliaRe), -0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(State.JuliaIm), 0.0, 1e-15);
    EXPECT_EQ(State.JuliaRealmin, -1.8L);
    EXPECT_EQ(State.JuliaImagmin, -1.8L);
    EXPECT_EQ(State.JuliaRealmax, 1.8L);
    EXPECT_EQ(State.JuliaImagmax, 1.8L);
    EXPECT_TRUE(BigEquals(BigJuliaRealmin, "-1.8"));
    EXPECT_TRUE(BigEquals(BigJuliaImagmax, "1.8"));
    EXPECT_EQ(Texts.JuliaImagminText, "-1.8");
    EXPECT_NEAR(mpf_get_d(BigJuliaRe), -0.5, 1e-15);

    // From Julia the click leads back to Mandelbrot.
    ClickOption(ParameterOption::Julia);
    EXPECT_EQ(State.FractalFlags & 3, 1);
    EXPECT_EQ(State.JuliaViewSet, 0);
}

TEST_F(FractalParametersTest, DeepJuliaClickKeepsEveryBit)
{
    UsePictureSize(64, 48);
    ApplyTypedView({"-0.75", "-0.7499999999999999999996", "0.1", "0.1000000000000000000003"});
    ASSERT_EQ(State.DeepZoom, 1);
    BigFloat re(State.PrecisionBits), im(State.PrecisionBits);
    mpf_mul_ui(re, BigStepRe, 32);
    mpf_add(re, re, BigRealmin);
    mpf_mul_ui(im, BigStepIm, 24);
    mpf_add(im, im, BigImagmin);

    ClickOption(ParameterOption::Julia);
    EXPECT_EQ(mpf_cmp(BigJuliaRe, re), 0);
    EXPECT_EQ(mpf_cmp(BigJuliaIm, im), 0);
    EXPECT_EQ(Texts.JuliaReText, BigFloatText(re, nullptr));
    // The Julia view is wide: deep zoom ends and the extended constant follows.
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_NEAR(static_cast<double>(State.JuliaRe), -0.75, 1e-18);
    EXPECT_TRUE(BigEquals(BigJuliaRealmax, "1.8"));
}

}  // namespace
