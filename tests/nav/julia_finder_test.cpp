#include <gtest/gtest.h>

#include <vector>

#include "color/display.h"
#include "color/drawing_modes.h"
#include "engine/big_view.h"
#include "engine/number_text.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "nav/julia_finder.h"
#include "test_support.h"

namespace {

constexpr size_t PreviewPixels = static_cast<size_t>(JuliaPreviewWidth) * JuliaPreviewHeight;

class JuliaFinderTest : public FreshStateTest {
protected:
    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(320, 240);
        State.StepRe = (State.Realmax - State.Realmin) / State.PicWidth;
        State.StepIm = (State.Imagmax - State.Imagmin) / State.PicHeight;
        State.MultiThreaded = 1;
        State.FrameValid = 1;
    }

    // The preview's pixels, checking that the rows arrive in order.
    static std::vector<uint32_t> Preview()
    {
        std::vector<uint32_t> pixels;
        int32_t nextRow = 0;
        RenderJuliaPreview([&](int32_t row, const uint32_t* rowPixels, int32_t width) {
            EXPECT_EQ(row, nextRow++);
            EXPECT_EQ(width, JuliaPreviewWidth);
            pixels.insert(pixels.end(), rowPixels, rowPixels + width);
        });
        EXPECT_EQ(nextRow, JuliaPreviewHeight);
        return pixels;
    }

    static void SetConstant(long double re, long double im)
    {
        State.JuliaRe = re;
        State.JuliaIm = im;
    }

    static bool BigIs(const BigFloat& value, long double expected)
    {
        BigFloat exact(State.PrecisionBits);
        ReadBigFloatText(NumberText(expected, 18), exact);
        return mpf_cmp(value.get(), exact.get()) == 0;
    }
};

TEST_F(JuliaFinderTest, RefusalsAndTheirMessages)
{
    State.DeepZoom = 1;
    EXPECT_FALSE(BeginJuliaFinder());
    EXPECT_EQ(State.MultiThreaded, 1);  // deep zoom is refused before anything changes
    State.DeepZoom = 0;
    State.FractalFlags = (State.FractalFlags | 2) & ~1;
    EXPECT_FALSE(BeginJuliaFinder());
    EXPECT_EQ(State.MultiThreaded, 0);
    EXPECT_EQ(State.JuliaFinderActive, 0);
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[0].text, "Not available with\ndeep zoom");
    EXPECT_EQ(platform.messages[1].text, "Please switch to Mandelbrot\nto use this function");
    EXPECT_EQ(platform.messages[1].caption, "QUORVATIX");
}

TEST_F(JuliaFinderTest, ConstantUnderThePointer)
{
    ASSERT_TRUE(BeginJuliaFinder());
    EXPECT_EQ(State.JuliaFinderActive, 1);
    SetJuliaConstantAt(0, 0);
    EXPECT_EQ(State.JuliaRe, State.Realmin);
    EXPECT_EQ(State.JuliaIm, State.Imagmin);
    SetJuliaConstantAt(80, 60);
    EXPECT_EQ(State.JuliaRe, State.Realmin + State.StepRe * 80);
    EXPECT_EQ(State.JuliaIm, State.Imagmin + State.StepIm * 60);
    // Positions outside the picture (the pointer held by a pressed button).
    SetJuliaConstantAt(-7, 100000);
    EXPECT_EQ(State.JuliaRe, State.Realmin);
    EXPECT_EQ(State.JuliaIm, State.Imagmin + State.StepIm * 239);
}

TEST_F(JuliaFinderTest, MultiThreadedComesBackOnlyWithSeveralProcessors)
{
    ASSERT_TRUE(BeginJuliaFinder());
    EXPECT_EQ(State.MultiThreaded, 0);
    FirstFinderMovement();
    EXPECT_EQ(State.MultiThreaded, 1);

    State.ProcessorCount = 1;
    State.JuliaFinderActive = 0;
    ASSERT_TRUE(BeginJuliaFinder());
    FirstFinderMovement();
    EXPECT_EQ(State.MultiThreaded, 0);
}

// The preview of a constant is the Julia frame of that constant at the
// preview's size: same kernel results, same colour values, same pixels.
TEST_F(JuliaFinderTest, PreviewIsTheJuliaFrameOfTheConstant)
{
    const struct {
        int32_t modeEntry;
        long double re, im;
    } cases[] = {
        {0, -0.8L, 0.156L},   // "0", colour by potential
        {1, -0.4L, 0.6L},     // "1": variant 2, smooth colour
        {5, 0.285L, 0.01L},   // "5": a texture with the fraction inside rule
        {25, -0.75L, 0.11L},  // "P": variant 3
        {26, -0.1L, 0.65L},   // "Q": variant 4
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modeEntry);
        ChooseDrawingMode(c.modeEntry);
        State.IterMax = JuliaFinderIterMax;
        SetConstant(c.re, c.im);
        State.FractalFlags = (State.FractalFlags | 2) & ~1;
        UsePictureSize(JuliaPreviewWidth, JuliaPreviewHeight);
        SetDefaultJuliaView();
        State.ThreadCount = 1;  // one band: rows accumulate from the top as in the preview
        State.FrameValid = 0;
        ThreadedDriver();
        const std::vector<int32_t> values(Results.IterBuffer.begin(), Results.IterBuffer.begin() + PreviewPixels);
        const std::vector<float> a(Results.ZReBuffer.begin(), Results.ZReBuffer.begin() + PreviewPixels);
        const std::vector<float> b(Results.ZImBuffer.begin(), Results.ZImBuffer.begin() + PreviewPixels);
        const std::vector<uint32_t> frame(FrameImage.pixels.begin(), FrameImage.pixels.end());

        State.FractalFlags = (State.FractalFlags | 1) & ~2;
        Results.Allocate(JuliaPreviewWidth, JuliaPreviewHeight);
        EXPECT_EQ(Preview(), frame);
        EXPECT_TRUE(std::equal(values.begin(), values.end(), Results.IterBuffer.begin()));
        EXPECT_TRUE(std::equal(a.begin(), a.end(), Results.ZReBuffer.begin()));
        EXPECT_TRUE(std::equal(b.begin(), b.end(), Results.ZImBuffer.begin()));
        EXPECT_EQ(State.FrameBusy, 0);
    }
}

TEST_F(JuliaFinderTest, ModeRIsPreviewedWithTheFirstKernel)
{
    SetConstant(-0.8L, 0.156L);
    ChooseDrawingMode(2);  // "2": variant 1, and the bailout of "R"
    State.IterMax = JuliaFinderIterMax;
    Preview();
    const std::vector<float> first(Results.ZReBuffer.begin(), Results.ZReBuffer.begin() + PreviewPixels);
    ChooseDrawingMode(27);
    State.IterMax = JuliaFinderIterMax;
    Preview();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), Results.ZReBuffer.begin()));
}

TEST_F(JuliaFinderTest, PictureSmallerThanThePreviewKeepsItsBuffers)
{
    SetConstant(-0.4L, 0.6L);
    const std::vector<uint32_t> large = Preview();
    UsePictureSize(176, 144);
    std::fill(Results.IterBuffer.begin(), Results.IterBuffer.end(), 7);
    EXPECT_EQ(Preview(), large);
    EXPECT_TRUE(std::all_of(Results.IterBuffer.begin(), Results.IterBuffer.end(), [](int32_t v) { return v == 7; }));
}

TEST_F(JuliaFinderTest, RightClickGivesTheDefaultJuliaViewAndAJuliaFrameAtIterMax200)
{
    // A zoomed Julia view from before.
    State.JuliaRealmin = -0.1L;
    State.JuliaRealmax = 0.2L;
    State.JuliaImagmin = 0.3L;
    State.JuliaImagmax = 0.4L;
    State.IterMax = 5000;
    State.Realmin = -0.75L;
    ASSERT_TRUE(BeginJuliaFinder());
    NoteFinderMessage();
    SetJuliaConstantAt(100, 100);
    const long double re = State.JuliaRe;
    Preview();

    NoteFinderMessage();
    TakeJuliaConstant();
    EXPECT_EQ(State.JuliaFinderActive, 0);
    EXPECT_TRUE(BigIs(BigRealmin, -0.75L));
    EXPECT_EQ(State.FractalFlags & 3, 2);
    EXPECT_EQ(State.JuliaViewSet, 1);
    EXPECT_EQ(State.JuliaRealmin, -1.8L);
    EXPECT_EQ(State.JuliaImagmin, -1.8L);
    EXPECT_EQ(State.JuliaRealmax, 1.8L);
    EXPECT_EQ(State.JuliaImagmax, 1.8L);
    EXPECT_EQ(Texts.JuliaRealminText, NumberText(-1.8L, 18));
    EXPECT_EQ(Texts.JuliaImagmaxText, NumberText(1.8L, 18));
    EXPECT_TRUE(BigIs(BigJuliaImagmin, -1.8L));
    EXPECT_TRUE(BigIs(BigJuliaRealmax, 1.8L));

    Redraw();
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.IterMax, 200);
    EXPECT_EQ(State.JuliaRe, re);
    EXPECT_EQ(State.JuliaStepRe, 3.6L / State.PicWidth);
}

TEST_F(JuliaFinderTest, CancelGivesEverythingBack)
{
    State.IterMax = 777;
    State.PictureLocked = 1;
    State.JuliaRe = 0.25L;
    State.JuliaRealmin = -0.5L;
    for (size_t i = 0; i < Results.IterBuffer.size(); ++i)
        Results.IterBuffer[i] = static_cast<int32_t>(i);
    const auto picture = Results.IterBuffer;
    const auto a = Results.ZReBuffer;

    const std::optional<JuliaFinderSnapshot> snapshot = BeginJuliaFinder();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(State.PictureLocked, 0);  // the preview is drawn through Redraw
    NoteFinderMessage();
    SetJuliaConstantAt(10, 20);
    FirstFinderMovement();
    Preview();
    CancelJuliaFinder(*snapshot);

    EXPECT_EQ(State.JuliaFinderActive, 0);
    EXPECT_EQ(State.IterMax, 777);
    EXPECT_EQ(State.MultiThreaded, 1);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.PictureLocked, 1);
    EXPECT_EQ(State.JuliaRe, 0.25L);
    EXPECT_EQ(State.JuliaRealmin, -0.5L);
    EXPECT_EQ(Results.IterBuffer, picture);
    EXPECT_EQ(Results.ZReBuffer, a);
    EXPECT_EQ(State.FractalFlags & 3, 1);
    // Shown again from the restored results.
    ASSERT_EQ(FrameImage.pixels.size(), 320u * 240u);
    EXPECT_EQ(FrameImage.pixels[1000], DisplayColor(1000));
}

}  // namespace
