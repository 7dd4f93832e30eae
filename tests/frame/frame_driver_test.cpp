#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>

#include "color/coloring.h"
#include "color/drawing_modes.h"
#include "engine/view_texts.h"
#include "engine/perturbation_setup.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "test_support.h"

namespace {

// No pixel of these views lies where the escape count hangs on the last bit
// (real axis, c = i, c = -2), so every path must agree exactly.
const std::array<std::string, 4> ShallowView{"-2.013", "0.987", "-1.1234", "1.1266"};
// Row 24 lies exactly on the real axis (the step is 1/16), where the orbits
// of c in [-2, -1.4] wander: periodic orbits end early, these do not.
const std::array<std::string, 4> WanderingRow{"-2", "-1.4", "-1.5", "1.5"};
const std::array<std::string, 4> DeepView{"-0.97e-20", "1.03e-20", "0.999999999999999999993",
                                          "1.000000000000000000008"};

class FrameTest : public FreshStateTest {
protected:
    std::vector<int32_t> captured;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        EscapeValueCapture = &captured;
    }
    void TearDown() override
    {
        EscapeValueCapture = nullptr;
        KernelResultsExported = false;
        FreshStateTest::TearDown();
    }
    static void UseView(int32_t width, int32_t height, const std::array<std::string, 4>& view)
    {
        UsePictureSize(width, height);
        ApplyTypedView(view);
    }
    std::vector<int32_t> Frame(int32_t threads)
    {
        State.ThreadCount = threads;
        State.MultiThreaded = threads > 1 ? 1 : 0;
        State.FrameValid = 0;
        State.PictureLocked = 0;
        captured.clear();
        Redraw();
        return captured;
    }
    static std::vector<float> Pixels(const HugePageVector<float>& buffer) { return {buffer.begin(), buffer.begin() + 1200}; }
    static bool TitleMatches(const std::string& title, const char* pattern)
    {
        return std::regex_match(title, std::regex(pattern));
    }
};

TEST_F(FrameTest, ProgressiveAndThreadedPathsAgreeOnKernelValues)
{
    KernelResultsExported = true;
    UseView(40, 30, ShallowView);
    const std::vector<int32_t> progressive = Frame(1);
    const std::vector<float> a = Pixels(Results.ZReBuffer), b = Pixels(Results.ZImBuffer);
    // Coloured at once: IterBuffer holds colour values, not the escape values.
    EXPECT_NE(std::vector<int32_t>(Results.IterBuffer.begin(), Results.IterBuffer.begin() + 1200), progressive);
    ASSERT_EQ(progressive.size(), 1200u);
    EXPECT_GT(std::count(progressive.begin(), progressive.end(), 0), 100);
    EXPECT_EQ(Frame(2), progressive);
    EXPECT_EQ(Frame(3), progressive);
    EXPECT_EQ(Pixels(Results.ZReBuffer), a);
    EXPECT_EQ(Pixels(Results.ZImBuffer), b);
}

TEST_F(FrameTest, WorkersColourTheirRowsAsOnePassWouldEvenWithEmptyBands)
{
    // Seven threads on five rows: two bands are empty, every row is its own.
    UseView(40, 5, ShallowView);
    const std::vector<int32_t> twoBands = Frame(2);
    for (const char* options : {"potential", "smooth", "inside"}) {
        SCOPED_TRACE(options);
        State.ColorOptions = (State.ColorOptions & ~7) |
                             (options[0] == 'p' ? 4 : options[0] == 's' ? 2 : 1);
        const std::vector<int32_t> values = Frame(7);
        EXPECT_EQ(values, twoBands);
        const std::vector<int32_t> coloured(Results.IterBuffer.begin(), Results.IterBuffer.begin() + 200);
        std::copy(values.begin(), values.end(), Results.IterBuffer.begin());
        ColoringPass();
        EXPECT_EQ(std::vector<int32_t>(Results.IterBuffer.begin(), Results.IterBuffer.begin() + 200), coloured);
    }
}

TEST_F(FrameTest, ModesPQRUseWorkerKernelsEvenWithOneThread)
{
    UseView(40, 30, ShallowView);
    for (int32_t entry : {25, 26, 27}) {  // "P", "Q", "R"
        ChooseDrawingMode(entry);
        EXPECT_EQ(Frame(1), Frame(3)) << entry;
    }
    // Only the first frame of a one-processor machine takes the lagged loop.
    ChooseDrawingMode(25);
    const std::vector<int32_t> kernel = Frame(1);
    State.ProcessorCount = 1;
    State.FirstFrame = 1;
    EXPECT_NE(Frame(1), kernel);
}

TEST_F(FrameTest, FrameSetsStatusAndTitleButNotWhileValidOrLocked)
{
    UseView(16, 12, ShallowView);
    State.FrameValid = 1;
    Redraw();
    State.FrameValid = 0;
    State.PictureLocked = 1;
    Redraw();
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_TRUE(platform.titles.empty());

    Frame(2);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.FirstFrame, 0);
    EXPECT_EQ(State.MandelbrotShown, 1);
    EXPECT_EQ(platform.titles.front(), "QUORVATIX - Please wait. Stop with esc -key");
    EXPECT_TRUE(TitleMatches(platform.titles.back(), R"(QUORVATIX - \(Time: [0-9.]+\) - Mandelbrot)"));

    State.FractalFlags = 6;  // Julia, mode "0"
    ApplyTypedView({"-1.8", "1.8", "-1.35", "1.35"});
    State.JuliaRe = -0.745L;
    Frame(2);
    EXPECT_EQ(State.JuliaViewSet, 1);
    EXPECT_TRUE(TitleMatches(platform.titles.back(), R"(QUORVATIX - \(Time: [0-9.]+\) - Julia)"));
}

TEST_F(FrameTest, TitleFileNameShowsNameAndWritesThumbnailOnce)
{
    QTemporaryDir folder;
    const std::string name = folder.filePath("spiral.fra").toStdString();
    UseView(16, 12, ShallowView);
    State.TitleFileName = name;
    Frame(2);
    EXPECT_EQ(platform.titles.back(), "QUORVATIX - " + name);
    ASSERT_GT(std::filesystem::file_size(name + ".jpg"), 0u);

    std::ofstream(name + ".jpg", std::ios::trunc) << "marker";
    Frame(1);
    EXPECT_EQ(std::filesystem::file_size(name + ".jpg"), 6u);  // the browser's thumbnail stays
}

TEST_F(FrameTest, DeepFrameAgreesAcrossThreadCountsLocksAndSyncsTexts)
{
    UseView(24, 18, DeepView);
    ASSERT_EQ(State.DeepZoom, 1);
    State.IterMax = 500;
    const std::vector<int32_t> one = Frame(1);
    ASSERT_EQ(one.size(), 24u * 18u);
    EXPECT_EQ(std::count(one.begin(), one.end(), 0), 0);
    EXPECT_NE(std::vector<int32_t>(one.begin(), one.begin() + 24), std::vector<int32_t>(one.end() - 24, one.end()));
    EXPECT_EQ(Frame(2), one);

    platform.titles.clear();
    platform.pictureTitles.clear();
    EXPECT_EQ(Frame(3), one);
    EXPECT_EQ(State.PictureLocked, 1);
    EXPECT_EQ(std::count(platform.titles.begin(), platform.titles.end(),
                         "QUORVATIX - Calculating  0% - STOP WITH ESC-KEY"), 1);
    ASSERT_EQ(platform.pictureTitles.size(), 1u);
    EXPECT_TRUE(TitleMatches(platform.pictureTitles[0], R"(QUORVATIX \(Deeplimit:-2[0-9]\))"));

    State.FrameValid = 0;  // a locked picture is not recomputed by a repaint
    captured.clear();
    Redraw();
    EXPECT_TRUE(captured.empty());
}

TEST_F(FrameTest, EscStopsDeepFrameLeavingUnfinishedPixelsInside)
{
    // Beside the cusp at 0.25 every pixel escapes after 997 steps.
    UseView(48, 36, {"0.25000999999999999999", "0.25001000000000000001", "-0.75e-20", "0.75e-20"});
    State.IterMax = 3000;
    State.MovieMode = 1;
    platform.escapePresses = 1;
    const std::vector<int32_t> values = Frame(2);
    EXPECT_EQ(State.FrameAborted, 1);
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_EQ(State.FrameValid, 1);
    const long unfinished = std::count(values.begin(), values.end(), 0);
    EXPECT_GT(unfinished, 0);
    EXPECT_EQ(std::count(values.begin(), values.end(), 997) + unfinished, static_cast<long>(values.size()));
}

TEST_F(FrameTest, EscStopsFastFramesWhileTheirReferenceIsIterated)
{
    // Inside the cardioid the reference orbit runs the whole budget: seconds
    // of arbitrary precision before the first pixel, in a deep view and in
    // an extended one (1e-8 wide) alike.
    const std::array<std::array<std::string, 4>, 2> views{{
        {"-0.10000000000000000001", "-0.09999999999999999999", "0.099999999999999999992", "0.100000000000000000007"},
        {"-0.100000005", "-0.099999995", "0.0999999962", "0.1000000038"}}};
    for (const auto& view : views) {
        const bool extended = &view != &views[0];
        UseView(32, 24, view);
        State.IterMax = FastDeepMaxIterations;
        State.FastDeepZoom = 1;
        platform.escapeQueriesBefore = 1;
        platform.escapePresses = 1;
        platform.titles.clear();
        const std::vector<int32_t> values = Frame(2);
        EXPECT_EQ(State.FrameAborted, 1);
        EXPECT_EQ(State.LastExtendedPath, extended ? ExtendedPath::Perturbation : ExtendedPath::Kernels);
        const std::vector<std::string>& titles = platform.titles;
        EXPECT_NE(std::find(titles.begin(), titles.end(), ReferenceOrbitTitle(0)), titles.end());
        EXPECT_EQ(std::count(values.begin(), values.end(), 0), static_cast<long>(values.size()));
        if (extended) {
            // As any stopped extended frame: on screen, locked, the windows back.
            EXPECT_EQ(State.FrameValid, 0);
            EXPECT_EQ(State.PictureLocked, 1);
            EXPECT_EQ(State.FrameBusy, 0);
            EXPECT_TRUE(platform.inputWindowsEnabled);
        }
    }
}

TEST_F(FrameTest, AdaptiveFastFramesKeepThePixelsThatEscapedWithFewerIterations)
{
    // In the seahorse valley every pixel escapes between 8983 and 9716: at
    // 9000 a few do, the rest run into IterMax and the frame at 18000 is
    // computed again with only those.
    UseView(32, 24, {"-0.743643887037158704757191506114774", "-0.743643887037158704747191506114774",
                     "0.131825904205311970489382056385139", "0.131825904205311970496882056385139"});
    State.FastDeepZoom = 1;
    State.IterMax = 18000;
    const auto kept = [](const HugePageVector<float>& buffer) {
        return std::vector<float>(buffer.begin(), buffer.begin() + 768);
    };
    const std::vector<int32_t> direct = Frame(2);
    const std::vector<float> directA = kept(Results.ZReBuffer), directB = kept(Results.ZImBuffer);
    State.AdaptiveIterMax = 1;
    State.IterMax = 9000;
    const std::vector<int32_t> adaptive = Frame(2);
    ASSERT_EQ(State.IterMax, 18000);
    EXPECT_EQ(adaptive, direct);
    EXPECT_EQ(kept(Results.ZReBuffer), directA);
    EXPECT_EQ(kept(Results.ZImBuffer), directB);
}

TEST_F(FrameTest, EscStopsThreadedFrameAndItIsComputedAgainLater)
{
    QTemporaryDir folder;
    // The first band lies outside the set; the second starts on the real
    // axis, where the orbits of c in [-2, -1.4] wander without ever repeating
    // and run the whole budget: hours without Esc.
    UseView(64, 48, WanderingRow);
    State.IterMax = 100000000;
    State.FirstFrame = 0;
    State.AutosaveParameter = 1;
    State.ParamFileName = folder.filePath("view.fra").toStdString();
    const std::string backup = State.ParamFileName + ".jpg";
    platform.escapeQueriesBefore = 3;
    platform.escapePresses = 1;
    std::fill(Results.IterBuffer.begin(), Results.IterBuffer.end(), -7);
    const std::vector<int32_t> stopped = Frame(2);
    EXPECT_EQ(State.FrameAborted, 1);
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_EQ(State.PictureLocked, 1);  // its own repaint does not start it again
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_EQ(State.FrameBusy, 0);
    EXPECT_TRUE(platform.inputWindowsEnabled);
    EXPECT_FALSE(std::filesystem::exists(backup));
    // The finished band is shown; rows the workers never reached show as inside.
    ASSERT_EQ(stopped.size(), 64u * 48u);
    EXPECT_EQ(std::count(stopped.begin(), stopped.begin() + 64 * 24, 0), 0);
    EXPECT_EQ(std::count(stopped.begin(), stopped.end(), -7), 0);
    EXPECT_EQ(std::count(Results.IterBuffer.begin(), Results.IterBuffer.begin() + 64 * 48, -7), 0);

    State.IterMax = 300;
    UseView(64, 48, ShallowView);
    const std::vector<int32_t> reference = Frame(2);
    EXPECT_EQ(State.FrameAborted, 0);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(Frame(1), reference);
}

TEST_F(FrameTest, EscInMovieEndsTheMovieWithAFinishedFrame)
{
    UseView(64, 48, {"-0.2", "0.2", "-0.15", "0.15"});
    State.IterMax = 100000;
    State.MovieMode = 1;
    platform.escapePresses = 1;
    Frame(2);
    EXPECT_EQ(State.FrameAborted, 1);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_EQ(State.MovieMode, 0);
}

TEST_F(FrameTest, FramesSkipProvenInsidePixelsOnlyWhereNeitherPictureNorExportShowsTheirValues)
{
    UseView(64, 48, {"-0.80", "-0.64", "0.02", "0.14"});
    State.IterMax = 3000;
    const auto picture = [] { return std::vector<int32_t>(Results.IterBuffer.begin(), Results.IterBuffer.begin() + 3072); };
    // Inside pixels whose final values were never computed.
    const auto uncomputed = [this] {
        int32_t count = 0;
        for (size_t k = 0; k < captured.size(); ++k)
            count += captured[k] == 0 && Results.ZReBuffer[k] == 0 && Results.ZImBuffer[k] == 0;
        return count;
    };
    KernelResultsExported = true;
    const std::vector<int32_t> values = Frame(2);
    KernelResultsExported = false;
    const std::vector<int32_t> shown = picture();
    ASSERT_GT(std::count(values.begin(), values.end(), 0), 1000);
    EXPECT_EQ(uncomputed(), 0);
    EXPECT_EQ(Frame(2), values);
    EXPECT_EQ(picture(), shown);
    EXPECT_GT(uncomputed(), 1000);
    // "Inside color" shows them: every pixel is computed.
    State.ColorOptions |= 1;
    EXPECT_EQ(Frame(2), values);
    EXPECT_EQ(uncomputed(), 0);

    // A view that fast deep zoom would compute by perturbation stays on the
    // extended kernels where they may skip them.
    State.ColorOptions &= ~1;
    State.FastDeepZoom = 1;
    UseView(64, 48, {"-0.74364414", "-0.74364364", "0.13182575", "0.13182612"});
    KernelResultsExported = true;
    Frame(2);
    EXPECT_EQ(State.LastExtendedPath, ExtendedPath::Perturbation);
    KernelResultsExported = false;
    Frame(2);
    EXPECT_NE(State.LastExtendedPath, ExtendedPath::Perturbation);
    EXPECT_GT(uncomputed(), 1000);
}

TEST_F(FrameTest, LongFramesShowTheirProgressInThePictureTitle)
{
    UseView(64, 48, WanderingRow);
    State.IterMax = 100000000;
    platform.escapeQueriesBefore = 15;  // Esc after about a second and a half
    platform.escapePresses = 1;
    Frame(2);
    ASSERT_EQ(State.FrameAborted, 1);
    const auto calculating = std::find_if(platform.pictureTitles.begin(), platform.pictureTitles.end(),
                                          [](const std::string& title) {
                                              return TitleMatches(title, R"(QUORVATIX - Calculating  \d+% - STOP WITH ESC-KEY)");
                                          });
    EXPECT_NE(calculating, platform.pictureTitles.end());
    EXPECT_EQ(platform.pictureTitles.back(), DeepLimitTitle());
}

TEST_F(FrameTest, OriginalMandelbrotRestoresDefaults)
{
    EXPECT_EQ(State.Bailout, 128);
    UseView(16, 12, DeepView);
    State.Bailout = 4;
    State.ColorOptions = 3;
    State.PaletteOffset = 77;
    OriginalMandelbrot();
    EXPECT_EQ(State.Bailout, 100);
    EXPECT_EQ(State.ColorOptions, 4);
    EXPECT_EQ(State.PaletteOffset, 0);
    EXPECT_EQ(State.DeepZoom, 0);
    EXPECT_EQ(State.Realmin, -2.5L);
    EXPECT_EQ(State.Imagmax, 1.5L);
}

TEST_F(FrameTest, UndetectedProcessorCountIsAskedAndRoundedHalfToEven)
{
    platform.answers = {"2.5", "0", "Cancel", "3.5"};
    for (int32_t count : {2, 1, 1, 4}) {
        platform.messages.clear();
        StartUpEngine(1280, 1024, 0);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, "Number of processors not detected!\r\n\r\nPlease input suitable number:");
        EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
        EXPECT_EQ(State.ThreadCount, count);
    }
    EXPECT_EQ(ProcessorCountFromAnswer("many"), 1);
    EXPECT_EQ(ProcessorCountFromAnswer("nan"), 1);
    EXPECT_GE(ProcessorCountFromAnswer("1e30"), 1);  // no overflow into a negative count
}

}  // namespace
