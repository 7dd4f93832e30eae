#include <gtest/gtest.h>

#include "engine/big_view.h"
#include "engine/number_text.h"
#include "engine/view_texts.h"
#include "test_support.h"

namespace {

class ViewTextsTest : public FreshStateTest {
protected:
    static std::string TextOf(double value)
    {
        BigFloat big(State.PrecisionBits);
        mpf_set_d(big, value);
        return BigFloatText(big, nullptr);
    }
    static void TypeView(const char* rmin, const char* rmax, const char* imin, const char* imax)
    {
        ApplyTypedView({rmin, rmax, imin, imax});
    }
};

TEST_F(ViewTextsTest, FormatsDigitsAndScientificExponent)
{
    std::string digits = "-625";
    long exponent = -2;
    EXPECT_EQ(FormatBigFloatText(digits, exponent), "-6.25e-3");
    EXPECT_EQ(exponent, -3);
    EXPECT_EQ(digits, "625");
    EXPECT_EQ(TextOf(1.5), "1.5e0");
    EXPECT_EQ(TextOf(-2.5), "-2.5e0");
    EXPECT_EQ(TextOf(0.5), "5.e-1");
    EXPECT_EQ(TextOf(4), "4.e0");
    EXPECT_EQ(TextOf(0.015625), "1.5625e-2");
    long zeroExponent = 0;
    BigFloat zero(96);
    EXPECT_EQ(BigFloatText(zero, &zeroExponent), ".e-1");
    EXPECT_EQ(zeroExponent, -1);
}

TEST_F(ViewTextsTest, ZeroTextReadsAsZeroAndBadTextKeepsTheValue)
{
    BigFloat value(96);
    mpf_set_d(value, 7);
    EXPECT_TRUE(ReadBigFloatText(".e-1", value));
    EXPECT_EQ(mpf_cmp_ui(value, 0), 0);
    EXPECT_EQ(ReadExtendedText(".e-1"), 0.0L);
    mpf_set_d(value, 7);
    EXPECT_FALSE(ReadBigFloatText("seven", value));
    EXPECT_EQ(mpf_cmp_ui(value, 7), 0);
    EXPECT_TRUE(ReadBigFloatText(" 1.5E-20", value));
    EXPECT_EQ(ReadExtendedText(" 1.5E-20"), 1.5e-20L);
}

TEST_F(ViewTextsTest, PrecisionGrowsSixteenBitsAtATime)
{
    EXPECT_EQ(PrecisionBitsForLimit(-3), 16);
    EXPECT_EQ(PrecisionBitsForLimit(-20), 80);
    EXPECT_EQ(PrecisionBitsForLimit(-30), 112);
    EXPECT_EQ(PrecisionBitsForLimit(-50), 192);
    EXPECT_EQ(PrecisionBitsForLimit(-100), 368);
    EXPECT_EQ(PrecisionBitsForLimit(-1000), 3696);
}

TEST_F(ViewTextsTest, DefaultViewStaysExtended)
{
    TypeView("-2.5", "1.5", "-1.5", "1.5");
    EXPECT_EQ(State.DeepLimit, -3);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.PrecisionBits, 96);
    EXPECT_EQ(platform.pictureTitles.back(), "QUORVATIX (Deeplimit:-3)");
    EXPECT_EQ(Texts.RealCenterText, "-5.e-1");
    EXPECT_EQ(Texts.ImagCenterText, ".e-1");
    EXPECT_EQ(Texts.MagnificationText, "1.e0");
    EXPECT_EQ(State.ImagCenter, 0.0L);
    EXPECT_EQ(State.Magnification, 1.0L);
    EXPECT_EQ(State.Realmin, -2.5L);
}

TEST_F(ViewTextsTest, SmallViewsSwitchDeepZoomAndPrecision)
{
    // Steps of 1e-22 on 640 x 480: deep, and 80 bits is below the floor of 96.
    TypeView("-0.5", "-0.499999999999999999936", "0", "0.000000000000000000048");
    EXPECT_EQ(State.DeepLimit, -22);
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_EQ(State.PrecisionBits, 96);
    // Deeper: 1e-100 wide asks for 368 bits; the digits typed at 96 bits
    // survive only as far as 96 bits carried them.
    SetPrecision(400);
    TypeView("-0.5", "-0.49999999999999999999999999999999999999999999999999"
                     "99999999999999999999999999999999999999999999999999",
             "0", "1e-100");
    EXPECT_EQ(State.DeepZoom, 1);
    EXPECT_LE(State.DeepLimit, -100);
    EXPECT_EQ(State.PrecisionBits, PrecisionBitsForLimit(State.DeepLimit));
    // Zooming out lowers the precision again (steps of 1e-30: 112 bits) ...
    TypeView("-0.5", "-0.49999999999999999999999999936", "0", "4.8e-28");
    EXPECT_EQ(State.DeepLimit, -30);
    EXPECT_EQ(State.PrecisionBits, 112);
    // ... and leaves deep zoom, keeping the precision it has.
    TypeView("-0.5", "-0.4999999", "0", "0.0000001");
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.PrecisionBits, 112);
    EXPECT_NEAR(static_cast<double>(State.Realmax), -0.4999999, 1e-15);
}

TEST_F(ViewTextsTest, JuliaIsDeepSevenPowersEarlier)
{
    State.FractalFlags = 2 | 4;
    // 640 x 480 over 6.4e-8 wide: step 1e-10.
    TypeView("0", "6.4e-8", "0", "4.8e-8");
    EXPECT_EQ(State.DeepLimit, -10);
    EXPECT_EQ(State.DeepZoom, 1);
}

TEST_F(ViewTextsTest, TypedViewIsJudgedByItsOwnStep)
{
    TypeView("-0.5", "-0.499999999999999999936", "0", "0.000000000000000000048");
    ASSERT_EQ(State.DeepZoom, 1);
    // A wide view typed next must not inherit the deep step.
    TypeView("-2", "2", "-1.5", "1.5");
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.Realmin, -2.0L);
}

TEST_F(ViewTextsTest, CentreAndCorners)
{
    Texts.RealCenterText = "0";
    Texts.ImagCenterText = ".e-1";
    Texts.MagnificationText = "2";
    CenterToCorners();
    EXPECT_EQ(Texts.RealminText, "-1.e0");
    EXPECT_EQ(Texts.RealmaxText, "1.e0");
    EXPECT_EQ(Texts.ImagminText, "-7.5e-1");
    EXPECT_EQ(Texts.ImagmaxText, "7.5e-1");
    EXPECT_EQ(State.Imagmax, 0.75L);
    // Julia views have no centre form.
    State.FractalFlags = 2 | 4;
    Texts.RealCenterText = "5";
    CenterToCorners();
    EXPECT_EQ(mpf_cmp_d(BigRealmin, -1.0), 0);
}

TEST_F(ViewTextsTest, SetPrecisionRecreatesFromTheTexts)
{
    TypeView("-2.5", "1.5", "-1.5", "1.5");
    SetPrecision(64);  // below the floor: ignored
    EXPECT_EQ(State.PrecisionBits, 96);
    SetPrecision(368);
    EXPECT_EQ(State.PrecisionBits, 368);
    EXPECT_GE(mpf_get_prec(BigRealmin), 368u);
    EXPECT_EQ(mpf_cmp_d(BigRealmin, -2.5), 0);
    EXPECT_EQ(mpf_cmp_d(BigHalf, 0.5), 0);
    // The other kind's values are not reloaded.
    EXPECT_EQ(mpf_cmp_ui(BigJuliaRe, 0), 0);
}

TEST_F(ViewTextsTest, AutoPotValueFollowsTheLimit)
{
    State.AutoPotValue = 1;
    TypeView("-0.5", "-0.499999999999999999936", "0", "0.000000000000000000048");
    EXPECT_DOUBLE_EQ(State.PotValue, 0.0002 / 22);
    // A view whose step is 1 or more: limit 0 is taken as -1.
    State.PicWidth = 2;
    State.PicHeight = 2;
    TypeView("-40", "40", "-300", "5");
    EXPECT_EQ(State.DeepLimit, 0);
    EXPECT_DOUBLE_EQ(State.PotValue, 0.0002);
}

TEST_F(ViewTextsTest, ExtendedViewRoundTripsThroughTexts)
{
    State.Realmin = -0.7436438870371587L;
    State.Realmax = 1.0e-30L;
    ExtendedToBigFloats();
    EXPECT_EQ(Texts.RealmaxText, " 1E-30");
    BigTextsToExtended();
    EXPECT_EQ(State.Realmin, -0.7436438870371587L);
}

}  // namespace

TEST(NumberTextTest, TypedNumbersReadTheirLeadingNumberElseZero)
{
    EXPECT_EQ(ReadNumberText(" 250.5"), 250.5L);
    EXPECT_EQ(ReadNumberText("-1.5e3x"), -1500.0L);
    EXPECT_EQ(ReadNumberText(".5"), 0.5L);
    for (const char* notANumber : {"", "abc", "inf", "nan", "-", "1e99999"})
        EXPECT_EQ(ReadNumberText(notANumber), 0.0L) << notANumber;
}
