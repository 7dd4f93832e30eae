#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "cli/renderer.h"
#include "files/box_reduction.h"
#include "test_support.h"

namespace {

using Arguments = std::vector<std::string>;

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const Arguments DeepView{"--view", "-0.97e-20", "1.03e-20", "0.999999999999999999993", "1.000000000000000000008"};

class RendererBandsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;

    std::string PathOf(const std::string& name) const { return folder.filePath(name.c_str()).toStdString(); }
    static int Render(const Arguments& arguments, std::string* error = nullptr)
    {
        std::ostringstream out, err;
        const int status = RunRenderer(arguments, out, err);
        if (error)
            *error = err.str();
        return status;
    }
    // The picture's pixels as 0x00RRGGBB, row by row.
    static std::vector<uint32_t> Pixels(const std::string& path)
    {
        const QImage image = QImage(path.c_str()).convertToFormat(QImage::Format_RGB32);
        std::vector<uint32_t> pixels;
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                pixels.push_back(row[x] & 0xffffff);
        }
        return pixels;
    }
};

TEST_F(RendererBandsTest, SupersampledPictureIsTheBoxReductionOfItsOwnLargerPicture)
{
    const std::vector<std::pair<Arguments, int32_t>> cases{
        {{"--threads", "2", "--iter", "400"}, 2},
        {{"--threads", "1", "--mode", "5"}, 3},
        {{"--threads", "3", "--julia", "-0.75", "0.125", "--iter", "500", "--options", "smooth,potential"}, 2},
        {Arguments{"--threads", "2", "--fast-deep", "--iter", "300"} + DeepView, 2},
    };
    for (const auto& [options, n] : cases) {
        const std::string factor = std::to_string(n);
        const std::string big = std::to_string(40 * n) + "x" + std::to_string(30 * n);
        ASSERT_EQ(Render(options + Arguments{"--size", big, "-o", PathOf("big.png")}), 0) << options[1];
        ASSERT_EQ(Render(options + Arguments{"--supersample", factor, "--size", "40x30", "-o", PathOf("small.png")}), 0);
        const std::vector<uint32_t> bigPixels = Pixels(PathOf("big.png"));
        std::vector<uint32_t> reduced(40 * 30);
        ReduceBoxes(bigPixels.data(), 40 * n, 30 * n, n, reduced.data());
        EXPECT_EQ(Pixels(PathOf("small.png")), reduced) << options[1] << " " << options.back();
    }
    // At 1 x 1 the picture is the one without the option.
    ASSERT_EQ(Render({"--size", "40x30", "-o", PathOf("plain.png")}), 0);
    ASSERT_EQ(Render({"--size", "40x30", "--supersample", "1", "-o", PathOf("one.png")}), 0);
    EXPECT_EQ(Pixels(PathOf("one.png")), Pixels(PathOf("plain.png")));
}

TEST_F(RendererBandsTest, TilesAreTheRowsOfTheWholePicture)
{
    const Arguments options{"--size", "50x37", "--threads", "3", "--iter", "600",
                            "--view", "-0.74547", "-0.74537", "0.11298", "0.11306"};
    for (const std::string samples : {"1", "2"}) {
        ASSERT_EQ(Render(options + Arguments{"--supersample", samples, "-o", PathOf("whole.png")}), 0);
        std::vector<uint32_t> joined;
        for (int tile = 1; tile <= 4; ++tile) {
            const std::string part = PathOf("part" + std::to_string(tile) + ".png");
            ASSERT_EQ(Render(options + Arguments{"--supersample", samples, "--tile", std::to_string(tile) + "/4", "-o", part}), 0);
            // Bands of ceil(37 / 4) rows, the last one the rest.
            EXPECT_EQ(QImage(part.c_str()).size(), QSize(50, tile < 4 ? 10 : 7));
            const std::vector<uint32_t> pixels = Pixels(part);
            joined.insert(joined.end(), pixels.begin(), pixels.end());
        }
        EXPECT_EQ(joined, Pixels(PathOf("whole.png"))) << samples;
    }
}

TEST_F(RendererBandsTest, SupersampledMovieRangesJoinIntoTheMovieOfOneRun)
{
    const Arguments movie{"--size", "32x24", "--threads", "2", "--iter", "300", "--supersample", "3",
                          "--view", "-0.7458", "-0.7454", "0.1126", "0.1129", "--unzoom", "10"};
    ASSERT_EQ(Render(movie + Arguments{"--movie", PathOf("whole")}), 0);
    ASSERT_EQ(Render(movie + Arguments{"--movie", PathOf("ranges"), "--frames", "2-5"}), 0);
    ASSERT_EQ(Render(movie + Arguments{"--movie", PathOf("ranges"), "--frames", "0-1"}), 0);
    const QStringList frames = QDir(PathOf("whole").c_str()).entryList(QDir::Files);
    ASSERT_EQ(frames.size(), 6);
    EXPECT_EQ(QDir(PathOf("ranges").c_str()).entryList(QDir::Files), frames);
    for (const QString& frame : frames) {
        const std::string name = "/" + frame.toStdString();
        EXPECT_EQ(QImage(PathOf("whole" + name).c_str()).size(), QSize(32, 24));
        EXPECT_EQ(Pixels(PathOf("ranges" + name)), Pixels(PathOf("whole" + name))) << name;
    }
}

TEST_F(RendererBandsTest, BadBandOptionsAreRefusedAndLeaveTheFileAlone)
{
    const std::string target = PathOf("keep.png");
    std::ofstream(target) << "old";
    const std::vector<Arguments> cases{
        {"--supersample", "9"}, {"--supersample", "0"}, {"--tile", "5/4"}, {"--tile", "0/4"}, {"--tile", "1/0"},
        {"--tile", "2"}, {"--size", "65537x10"}, {"--size", "20000x10"}, {"--tile", "7/7"},
        {"--tile", "1/2", "--raw", PathOf("x.raw")}, {"--supersample", "2", "--raw", PathOf("x.raw")},
        {"--tile", "1/2", "--thumbnail", PathOf("x.jpg")}};
    for (const Arguments& options : cases) {
        std::string error;
        EXPECT_EQ(Render(Arguments{"--size", "8x6", "-o", target} + options, &error), 2) << options[1];
        EXPECT_EQ(error.rfind("quorvatix-render: ", 0), 0u) << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    }
    std::ifstream in(target);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "old");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"keep.png"}));
}

}  // namespace
