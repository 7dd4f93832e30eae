#include <cstring>
#include <functional>

#include "color/display.h"
#include "color/drawing_modes.h"
#include "engine/row_window.h"
#include "engine/view_texts.h"
#include "files/box_reduction.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "frame/supersampled_frame.h"
#include "test_support.h"

namespace {

// Filaments of the seahorse valley: orbits near the set amplify the last
// bit of a row's value into the float32 results, so a row value that is not
// the whole frame's shows.
const std::array<std::string, 4> ShallowView{"-0.74547", "-0.74537", "0.11298", "0.11306"};
const std::array<std::string, 4> DeepView{"-0.97e-20", "1.03e-20", "0.999999999999999999993",
                                          "1.000000000000000000008"};

// A way to compute a frame: every driver, the kernel variants, deep and fast deep.
struct FrameKind {
    const char* name;
    int32_t threads;
    std::function<void()> choose;
};

void UseShallowView()
{
    State.IterMax = 1000;
    ApplyTypedView(ShallowView);
}

const std::vector<FrameKind>& FrameKinds()
{
    static const std::vector<FrameKind> kinds{
        {"progressive", 1, UseShallowView},
        {"two threads", 2, UseShallowView},
        {"mode R, three threads", 3, [] { ChooseDrawingMode(27); UseShallowView(); }},
        {"mode 1, seven threads", 7, [] { ChooseDrawingMode(1); UseShallowView(); }},
        {"deep", 3, [] { State.IterMax = 300; ApplyTypedView(DeepView); }},
        {"fast deep", 3, [] { State.IterMax = 300; State.FastDeepZoom = 1; ApplyTypedView(DeepView); }},
    };
    return kinds;
}

struct Kernel {
    std::vector<int32_t> escape;
    std::vector<uint32_t> a, b;  // bit patterns: compared bit for bit
};

class SupersampledFrameTest : public FreshStateTest {
protected:
    std::vector<int32_t> captured;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        State.FirstFrame = 0;
        EscapeValueCapture = &captured;
    }
    void TearDown() override
    {
        EscapeValueCapture = nullptr;
        FrameRowWindow = {};
        SupersamplingBandPixels = int64_t{8} << 20;
        FreshStateTest::TearDown();
    }
    void Frame(const FrameKind& kind)
    {
        State.ThreadCount = kind.threads;
        State.MultiThreaded = kind.threads > 1 ? 1 : 0;
        State.FrameValid = 0;
        State.PictureLocked = 0;
        Redraw();
    }
    Kernel KernelOf(size_t count) const
    {
        Kernel kernel{{captured.begin(), captured.begin() + count}, std::vector<uint32_t>(count),
                      std::vector<uint32_t>(count)};
        std::memcpy(kernel.a.data(), Results.ZReBuffer.data(), 4 * count);
        std::memcpy(kernel.b.data(), Results.ZImBuffer.data(), 4 * count);
        return kernel;
    }
    static Kernel Rows(const Kernel& whole, int32_t width, int32_t first, int32_t rows)
    {
        const auto from = static_cast<ptrdiff_t>(first) * width;
        const auto to = from + static_cast<ptrdiff_t>(rows) * width;
        return {{whole.escape.begin() + from, whole.escape.begin() + to},
                {whole.a.begin() + from, whole.a.begin() + to},
                {whole.b.begin() + from, whole.b.begin() + to}};
    }
    static HugePageVector<uint32_t> Reduced(const std::vector<uint32_t>& big, int32_t width, int32_t height, int32_t n)
    {
        HugePageVector<uint32_t> small(static_cast<size_t>(width / n) * (height / n));
        ReduceBoxes(big.data(), width, height, n, small.data());
        return small;
    }
};

TEST_F(SupersampledFrameTest, RowWindowsGiveTheWholeFramesKernelResultsBitForBit)
{
    constexpr int32_t Width = 37, Height = 90;
    for (const FrameKind& kind : FrameKinds()) {
        State = FractalState();
        StartUpEngine(1280, 1024, 2);
        State.FirstFrame = 0;
        UsePictureSize(Width, Height);
        kind.choose();
        Frame(kind);
        const Kernel whole = KernelOf(static_cast<size_t>(Width) * Height);
        for (const auto& [first, rows] : std::vector<std::pair<int32_t, int32_t>>{{0, 7}, {25, 30}, {61, 28}, {89, 1}}) {
            FrameRowWindow = {Height, first};
            UsePictureSize(Width, rows);
            Frame(kind);
            const Kernel window = KernelOf(static_cast<size_t>(Width) * rows);
            const Kernel expected = Rows(whole, Width, first, rows);
            EXPECT_EQ(window.escape, expected.escape) << kind.name << " rows " << first;
            EXPECT_EQ(window.a, expected.a) << kind.name << " rows " << first;
            EXPECT_EQ(window.b, expected.b) << kind.name << " rows " << first;
        }
        FrameRowWindow = {};
    }
}

TEST_F(SupersampledFrameTest, PictureInBandsIsTheBoxReductionOfTheLargerPictureComputedWhole)
{
    constexpr int32_t Width = 20, Height = 15;
    for (const FrameKind& kind : FrameKinds()) {
        for (const int32_t n : {2, 3}) {
            State = FractalState();
            StartUpEngine(1280, 1024, 2);
            State.FirstFrame = 0;
            UsePictureSize(Width, Height);
            kind.choose();
            UsePictureSize(Width * n, Height * n);
            Frame(kind);
            std::vector<uint32_t> exported(static_cast<size_t>(Width) * n * Height * n);
            for (size_t i = 0; i < exported.size(); ++i)
                exported[i] = ExportColor(Results.IterBuffer[i]);
            const std::vector<uint32_t> shown(FrameImage.pixels.begin(), FrameImage.pixels.end());

            UsePictureSize(Width, Height);
            // Two output rows a band: eight bands, the last one short.
            SupersamplingBandPixels = int64_t{Width} * n * n * 2;
            SupersampledPicture picture;
            ASSERT_TRUE(ComputeSupersampledPicture(n, picture)) << kind.name;
            EXPECT_EQ(picture.exported, Reduced(exported, Width * n, Height * n, n)) << kind.name << " " << n;
            EXPECT_EQ(picture.shown, Reduced(shown, Width * n, Height * n, n)) << kind.name << " " << n;
            EXPECT_EQ(FrameImage.pixels, picture.shown);
            EXPECT_EQ(State.PicWidth, Width);
            EXPECT_EQ(State.PicHeight, Height);
        }
    }
}

}  // namespace
