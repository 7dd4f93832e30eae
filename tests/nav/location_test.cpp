#include <gtest/gtest.h>

#include <string>

#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "frame/startup.h"
#include "nav/location.h"
#include "test_support.h"

namespace {

class LocationTest : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(16, 12);
        State.IterMax = 50;
    }

    // The value holds the text read at the current precision to the last bit.
    static bool HoldsAllDigitsOf(const BigFloat& value, const std::string& text)
    {
        BigFloat expected(State.PrecisionBits);
        ReadBigFloatText(text, expected);
        return mpf_get_prec(value.get()) == mpf_get_prec(expected.get()) && mpf_cmp(value.get(), expected.get()) == 0;
    }

    static std::string Digits(int count, int seed)
    {
        std::string digits;
        for (int k = 0; k < count; ++k)
            digits += static_cast<char>('0' + (k * 7 + seed + k * k) % 10);
        return digits;
    }
};

TEST(DisplayCoordText, TrimsBlanksAndDropsOnlyACapitalE0)
{
    EXPECT_EQ(DisplayCoordText("1.5E0"), "1.5");
    EXPECT_EQ(DisplayCoordText("1.5e0"), "1.5e0");
    EXPECT_EQ(DisplayCoordText("  -2.5E0 \t"), "-2.5");
    EXPECT_EQ(DisplayCoordText(" 1.5E-20"), "1.5E-20");
}

TEST_F(LocationTest, BoxesShowTheViewTextsAndIterMax)
{
    const LocationTexts shown = CurrentLocationTexts();
    EXPECT_EQ(shown.edges, (std::array<std::string, 4>{"-2.5e0", "1.5e0", "-1.5e0", "1.5e0"}));
    EXPECT_EQ(shown.center, (std::array<std::string, 3>{"-5.e-1", ".e-1", "1.e0"}));
    EXPECT_EQ(shown.iterMax, " 50");
}

TEST_F(LocationTest, IterMaxIsRoundedHalvesToEvenAndAtLeastTen)
{
    for (const auto& [typed, expected] : std::vector<std::pair<std::string, int32_t>>{
             {"5", 10}, {"250.5", 250}, {"251.5", 252}, {"abc", 10}}) {
        LocationTexts texts = CurrentLocationTexts();
        texts.iterMax = typed;
        ApplyTypedLocation(texts);
        EXPECT_EQ(State.IterMax, expected) << typed;
        EXPECT_EQ(State.FrameValid, 1) << typed;
    }
    EXPECT_EQ(State.PrevIterMax, 252);
}

TEST_F(LocationTest, EdgesAreTakenAsTypedAndTheReplacedViewIsKept)
{
    State.JuliaRe = 0.3L;
    LocationTexts texts = CurrentLocationTexts();
    texts.edges = {"1", "-2", "1", "-1"};  // the wrong way round: a mirrored picture
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.PrevMandelbrotView.Realmin, -2.5L);
    EXPECT_EQ(State.PrevMandelbrotView.Imagmax, 1.5L);
    EXPECT_EQ(State.PrevJuliaView.JuliaRe, 0.3L);
    EXPECT_EQ(State.Realmin, 1.0L);
    EXPECT_EQ(State.Realmax, -2.0L);
    EXPECT_EQ(State.Imagmax, -1.0L);
    EXPECT_EQ(State.FrameValid, 1);

    // A box that does not read as a number leaves its edge alone.
    texts.edges = {"-1", "abc", "-1", "1"};
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.Realmin, -1.0L);
    EXPECT_EQ(State.Realmax, -2.0L);
    EXPECT_EQ(State.PrevMandelbrotView.Realmin, 1.0L);
}

TEST_F(LocationTest, CentreFormFollowsTheEdgesAndGivesAFourByThreeView)
{
    ApplyTypedView({"-1", "1", "-0.5", "0.5"});
    ToggleCenterMag();
    EXPECT_EQ(State.UseCenterMag, 1);
    EXPECT_EQ(Texts.RealCenterText, ".e-1");
    EXPECT_EQ(Texts.MagnificationText, "3.e0");

    LocationTexts texts = CurrentLocationTexts();
    texts.center = {"-0.75", "0.1", "1e6"};
    ApplyTypedLocation(texts);
    EXPECT_NEAR(State.Realmin, -0.750002L, 1e-17L);
    EXPECT_NEAR(State.Realmax, -0.749998L, 1e-17L);
    EXPECT_NEAR(State.Imagmin, 0.0999985L, 1e-17L);
    EXPECT_NEAR(State.Imagmax, 0.1000015L, 1e-17L);
    EXPECT_EQ(State.DeepZoom, 0);

    ToggleCenterMag();
    EXPECT_EQ(State.UseCenterMag, 0);
}

// A typed view deeper than the current precision: the pixel step of the new
// view chooses deep zoom and the precision, and the typed digits are read at
// that precision, not at the one before.
TEST_F(LocationTest, TypedDeepEdgesKeepEveryDigitOfTheRaisedPrecision)
{
    const std::string realPrefix = "-0.74364388703715870475219150611477";
    const std::string imagPrefix = "0.13182590420531197049313205638500";
    LocationTexts texts = CurrentLocationTexts();
    texts.edges = {realPrefix + "4" + Digits(165, 1), realPrefix + "0" + Digits(165, 1),
                   imagPrefix + "0" + Digits(165, 2), imagPrefix + "2" + Digits(165, 2)};  // 4e-33 by 2e-33
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(State.PictureLocked, 1);  // the deep driver computed the frame
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.PrecisionBits, PrecisionBitsForLimit(-36));
    EXPECT_TRUE(HoldsAllDigitsOf(BigRealmin, texts.edges[0]));
    EXPECT_TRUE(HoldsAllDigitsOf(BigRealmax, texts.edges[1]));
    EXPECT_TRUE(HoldsAllDigitsOf(BigImagmin, texts.edges[2]));
    EXPECT_TRUE(HoldsAllDigitsOf(BigImagmax, texts.edges[3]));
}

TEST_F(LocationTest, TypedDeepCentreKeepsEveryDigitOfTheRaisedPrecision)
{
    ToggleCenterMag();
    LocationTexts texts = CurrentLocationTexts();
    texts.center = {"-0.743643887037158704752191506114774" + Digits(165, 3),
                    "0.131825904205311970493132056385" + Digits(168, 4), "4e30"};  // 1e-30 wide
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(State.PictureLocked, 1);
    EXPECT_EQ(State.PrecisionBits, PrecisionBitsForLimit(-33));
    EXPECT_TRUE(HoldsAllDigitsOf(BigRealCenter, texts.center[0]));
    EXPECT_TRUE(HoldsAllDigitsOf(BigImagCenter, texts.center[1]));
    BigFloat width(State.PrecisionBits);
    mpf_sub(width, BigRealmax, BigRealmin);
    EXPECT_NEAR(mpf_get_d(width.get()), 1e-30, 1e-44);
}

TEST_F(LocationTest, JuliaConstantFollowsTheTypedTextsAlsoInDeepZoom)
{
    State.FractalFlags = (State.FractalFlags | 2) & ~1;
    ApplyTypedView({"-1.8", "1.8", "-1.8", "1.8"});
    LocationTexts texts = CurrentLocationTexts();
    texts.juliaConstant = {"-0.745", "0.113"};
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.JuliaRe, ReadExtendedText("-0.745"));
    EXPECT_EQ(State.JuliaIm, ReadExtendedText("0.113"));
    EXPECT_TRUE(HoldsAllDigitsOf(BigJuliaRe, "-0.745"));
    EXPECT_EQ(State.JuliaRealmin, -1.8L);  // the Julia view is not edited here

    // A tiny Julia view is deep; a box that is not a number keeps its value.
    ApplyTypedView({"0.1", "0.1000000000001", "0.2", "0.2000000000001"});
    texts = CurrentLocationTexts();
    texts.juliaConstant = {"abc", "0.25"};
    ApplyTypedLocation(texts);
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_TRUE(HoldsAllDigitsOf(BigJuliaRe, "-0.745"));
    EXPECT_TRUE(HoldsAllDigitsOf(BigJuliaIm, "0.25"));
    EXPECT_EQ(State.JuliaIm, 0.25L);
}

}  // namespace
