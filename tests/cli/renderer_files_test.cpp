#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/renderer.h"
#include "color/display.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "test_support.h"

namespace {

using Arguments = std::vector<std::string>;

const Arguments DeepView{"--view", "-0.97e-20", "1.03e-20", "0.999999999999999999993", "1.000000000000000000008"};

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string ReadAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class RendererFilesTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::string out, err;

    int Render(const Arguments& arguments)
    {
        std::ostringstream o, e;
        const int status = RunRenderer(arguments, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    void Save(const Arguments& options, const char* name)
    {
        ASSERT_EQ(Render(options + Arguments{"--save", PathOf(name)}), 0) << err;
    }
    std::map<std::string, std::string> Info(const Arguments& arguments)
    {
        EXPECT_EQ(Render(arguments), 0) << err;
        std::map<std::string, std::string> values{{"PicWidth", "none"}};
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            if (const size_t equals = line.find('='); equals != std::string::npos)
                values[line.substr(0, equals)] = line.substr(equals + 1);
        return values;
    }
};

TEST_F(RendererFilesTest, EveryWrittenLayoutLoadsWhereverTheFileStands)
{
    Save({"--iter", "321"}, "m.fra");
    Save({"--julia", "-0.7", "0.3", "--iter", "322"}, "j.fra");
    Save(DeepView + Arguments{"--iter", "323"}, "d.fdz");
    Save({"--size", "8x6", "--iter", "324"}, "p.fpi");
    Save(DeepView + Arguments{"--size", "7x5", "--iter", "325"}, "p.fpz");
    // name, layout, kind, IterMax, DeepZoom, PicWidth
    for (const auto& e : std::vector<std::array<std::string, 6>>{{"m.fra", "+", "Mandelbrot", "321", "0", "none"},
                                                                 {"j.fra", "+", "Julia", "322", "0", "none"},
                                                                 {"d.fdz", "7", "Mandelbrot", "323", "1", "none"},
                                                                 {"p.fpi", "fpi", "Mandelbrot", "324", "0", "8"},
                                                                 {"p.fpz", "fpz", "Mandelbrot", "325", "1", "7"}}) {
        const std::string file = PathOf(e[0].c_str());
        for (const Arguments& arguments : {Arguments{file, "--info", "--threads", "1"},
                                           Arguments{"--threads", "1", file, "--info"},
                                           Arguments{"--info", "--threads", "1", file}}) {
            std::map<std::string, std::string> info = Info(arguments);
            EXPECT_EQ((std::array<std::string, 6>{e[0], info["layout"], info["kind"], info["IterMax"],
                                                  info["DeepZoom"], info["PicWidth"]}),
                      e);
        }
    }
}

TEST_F(RendererFilesTest, DamagedFileIsReportedAndStopsTheRun)
{
    Save({"--size", "8x6"}, "p.fpz");
    std::string bytes = ReadAll(PathOf("p.fpz"));
    bytes[77] = 0;  // width 0
    std::ofstream(PathOf("bad.fpz"), std::ios::binary) << bytes;
    std::ofstream(PathOf("bad.fra"), std::ios::binary) << std::string(100, '+');
    for (const char* name : {"bad.fpz", "bad.fra"}) {
        EXPECT_NE(Render({"--size", "8x6", PathOf(name), "--info", "-o", PathOf("x.png")}), 0) << name;
        EXPECT_NE(err.find("Not a quorvatix-file!"), std::string::npos) << name;
        EXPECT_TRUE(out.empty()) << name;
        EXPECT_FALSE(std::filesystem::exists(PathOf("x.png")));
    }
}

TEST_F(RendererFilesTest, SaveLayoutFollowsTheExtension)
{
    // Without a frame there is no picture, so no thumbnail either.
    FrameImage = FrameImageBuffer{};
    Save({"--size", "8x6"}, "n.fra");
    Save({"--size", "8x6", "--deep"}, "n.fdz");
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_FALSE(std::filesystem::exists(PathOf("n.fra.jpg")));
    EXPECT_EQ(ReadAll(PathOf("n.fra")).size(), 133u);
    EXPECT_EQ(ReadAll(PathOf("n.fdz"))[0], '7');

    Save({"--size", "8x6"}, "c.fpi");
    const std::string fpi = ReadAll(PathOf("c.fpi"));
    EXPECT_EQ(fpi.size(), 3085u + 4 * 10 * 8);
    EXPECT_NE(fpi.substr(3085, 4 * 48), std::string(4 * 48, '\0'));  // a computed picture
    Save({"--size", "8x6", "--deep"}, "c.fpz");
    const std::string fpz = ReadAll(PathOf("c.fpz"));
    EXPECT_GT(fpz.size(), 85u + 4 * 80 + 96);
    EXPECT_EQ(fpz.substr(77, 8), fpi.substr(3077, 8));  // width and height

    EXPECT_EQ(Render({"--save", PathOf("x.png")}), 2);
    EXPECT_EQ(Render({"--save", PathOf("fra")}), 2);
    EXPECT_FALSE(std::filesystem::exists(PathOf("x.png")));
}

TEST_F(RendererFilesTest, PaletteFileRoundTripsByteForByte)
{
    std::string palette;
    for (const float value : {0.5f, 200.25f, 3.0f, 1.75f, -2.0f, 0.125f, 250.0f, 99.5f, 17.0f})
        palette.append(reinterpret_cast<const char*>(&value), 4);
    for (const int32_t value : {2 | 4 | 16 | 32 | 128 | 256, -77})
        palette.append(reinterpret_cast<const char*>(&value), 4);
    std::ofstream(PathOf("p.pal"), std::ios::binary) << palette;
    ASSERT_EQ(Render({"--palette", PathOf("p.pal"), "--save-palette", PathOf("q.pal")}), 0) << err;
    EXPECT_EQ(ReadAll(PathOf("q.pal")), palette);
}

TEST_F(RendererFilesTest, ExtendedFileOfDeepViewKeepsThatView)
{
    Save(DeepView, "deep.fra");
    std::map<std::string, std::string> info = Info({PathOf("deep.fra"), "--info"});
    EXPECT_EQ(info["layout"], "+");
    EXPECT_LT(std::abs(std::strtold(info["Realmin"].c_str(), nullptr) + 0.97e-20L), 1e-30L) << info["Realmin"];
}

class LoadedPictureTest : public FreshStateTest {};

TEST_F(LoadedPictureTest, RedrawAfterLoadComputesNothing)
{
    QTemporaryDir folder;
    StartUpEngine(1280, 1024, 2);
    UsePictureSize(12, 9);
    State.FrameValid = 0;
    Redraw();
    ASSERT_EQ(State.FrameValid, 1);
    const auto picture = Results.IterBuffer;
    const std::string path = folder.filePath("f.fpi").toStdString();
    ASSERT_TRUE(SaveFpiFile(path));

    StartUpEngine(1280, 1024, 2);
    platform.answers = {path};
    LoadFractalWithImageCommand();
    std::vector<int32_t> captured;
    EscapeValueCapture = &captured;
    Redraw();
    EscapeValueCapture = nullptr;
    EXPECT_TRUE(captured.empty());
    EXPECT_EQ(Results.IterBuffer, picture);
}

TEST_F(LoadedPictureTest, SavedWithoutFrameMatchesTheDesktopsFileAfterItsFrame)
{
    QTemporaryDir folder;
    const std::string desktop = folder.filePath("desktop.fra").toStdString();
    const std::string renderer = folder.filePath("renderer.fra").toStdString();
    // The desktop: the frame first, then "Save Fractal".
    StartUpEngine(1280, 1024, 2);
    UsePictureSize(320, 240);
    State.FrameValid = 0;
    Redraw();
    ASSERT_NE(State.StepIm, 0);
    ASSERT_TRUE(SaveFraFile(desktop));

    std::ostringstream out, err;
    ASSERT_EQ(RunRenderer({"--size", "320x240", "--save", renderer}, out, err), 0) << err.str();
    EXPECT_EQ(ReadAll(renderer), ReadAll(desktop));
}

}  // namespace
