#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "files/any_parameter_file.h"
#include "cli/renderer.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "frame/frame_replay.h"
#include "frame/startup.h"
#include "nav/fractal_parameters.h"
#include "movie/frame_files.h"
#include "movie/movie_frames.h"
#include "movie/movie_to_disk.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;
using Frames = std::map<std::string, std::string>;  // file name -> bytes

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Frames ReadFrames(const fs::path& folder)
{
    Frames frames;
    for (const std::string& name : JpgNames(folder.string() + "/"))
        frames[name] = ReadBytes(folder / name);
    return frames;
}

struct Result {
    int status;
    std::string out, err;
};

Result Render(const Arguments& arguments)
{
    std::ostringstream out, err;
    const int status = RunRenderer(arguments, out, err);
    return {status, out.str(), err.str()};
}

// A movie to make: its parameter file and the movie options of both sides.
struct MovieCase {
    const char* name;
    Arguments view;  // what the parameter file is saved from
    float unzoom;
};

// Extended all through: 13 frames.
const MovieCase ExtendedCase{"extended.fra", {"--center", "-0.743643887", "0.131825904", "1000", "--iter", "200"}, 2.0f};
// A Julia view 3.2e-29 wide: deep at 144 bits, falling to 96, then back to
// extended precision for the last 5 of its 16 frames.
const MovieCase DeepCase{"deep.fdz",
                         {"--julia", "-0.745", "0.113", "--iter", "80", "--view", "0.1",
                          "0.100000000000000000000000000032", "0.2", "0.200000000000000000000000000024"},
                         100.0f};

// A Mandelbrot view at magnification 1e17: deep for its first frames.
const MovieCase DeepMandelbrotCase{"deep mandelbrot.fdz",
                                  {"--center", "-0.743643887037158704752191506114774",
                                   "0.131825904205311970493132056385139", "1e17", "--iter", "200"},
                                  100.0f};

class MovieRenderTest : public FreshStateTest {
protected:
    QTemporaryDir folder;

    fs::path PathOf(const std::string& name) const { return fs::path(folder.path().toStdString()) / name; }

    std::string SavedFile(const MovieCase& movie)
    {
        const std::string file = PathOf(movie.name).string();
        if (!fs::exists(file)) {
            EXPECT_EQ(Render(movie.view + Arguments{"--save", file}).status, 0);
        }
        return file;
    }
    Arguments MovieOptions(const MovieCase& movie)
    {
        std::ostringstream unzoom;
        unzoom << movie.unzoom;
        // The rows are split into one band per thread: the desktop's two.
        return {SavedFile(movie), "--size", "64x48", "--threads", "2", "--unzoom", unzoom.str()};
    }
    Frames RenderedMovie(const MovieCase& movie, const std::string& into, const Arguments& more = {})
    {
        const Result result = Render(MovieOptions(movie) + Arguments{"--movie", PathOf(into).string()} + more);
        EXPECT_EQ(result.status, 0) << result.err;
        return ReadFrames(PathOf(into));
    }
    int32_t FrameCount(const MovieCase& movie)
    {
        const Result result = Render(MovieOptions(movie) + Arguments{"--frames"});
        EXPECT_EQ(result.status, 0) << result.err;
        return std::stoi(result.out);
    }

    // The desktop program with the file loaded and its picture on screen.
    void LoadOnDesktop(const MovieCase& movie)
    {
        StartUpEngine(1280, 1024, 2);
        EXPECT_FALSE(LoadAnyParameterFile(SavedFile(movie)).empty());
        EXPECT_TRUE(ResizeResultBuffers(64, 48));
        State.UnzoomFactor = movie.unzoom;
        Redraw();
        ZoomHalfWidth = 0;
    }
    Frames DesktopMovie(const MovieCase& movie)
    {
        LoadOnDesktop(movie);
        platform.answers = {"Yes"};
        const fs::path frames = PathOf("desktop");
        MakeMovieToDisk({frames.string() + "/", PathOf("no template").string(), PathOf("no job").string(),
                         PathOf("no runner").string()});
        EXPECT_EQ(platform.messages.back().text, "Jpgfiles are ready in \n\n" + frames.string() + " folder");
        return ReadFrames(frames);
    }
    // The first frame a movie computes in extended precision (0 when all are).
    int32_t FirstExtendedFrame(const MovieCase& movie)
    {
        LoadOnDesktop(movie);
        StartMovieFrames();
        int32_t n = 0;
        for (UnzoomToNextFrame(); State.DeepZoom == 1 && !IsLastFrame(n); UnzoomToNextFrame(), ++n)
            ReplayFrame();
        return n;
    }

    static std::string RangeText(int32_t first, int32_t last)
    {
        return std::to_string(first) + "-" + std::to_string(last);
    }
    static void ExpectRefused(const Result& result, const std::string& what)
    {
        EXPECT_EQ(result.status, 2) << what;
        EXPECT_EQ(result.err.rfind("quorvatix-render: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
};

TEST_F(MovieRenderTest, RangesInAnyOrderJoinIntoTheDesktopMovie)
{
    for (const MovieCase& movie : {ExtendedCase, DeepCase, DeepMandelbrotCase}) {
        SCOPED_TRACE(movie.name);
        const Frames sequential = RenderedMovie(movie, std::string("sequential ") + movie.name);
        const int32_t count = FrameCount(movie);
        ASSERT_EQ(static_cast<int32_t>(sequential.size()), count);
        EXPECT_TRUE(DesktopMovie(movie) == sequential);

        // The middle range starts exactly where the movie returns to extended precision.
        int32_t boundary = FirstExtendedFrame(movie);
        if (boundary == 0)
            boundary = count / 3;
        ASSERT_GE(boundary, 2);
        ASSERT_LT(boundary + 2, count);
        const std::string into = std::string("ranges ") + movie.name;
        for (const std::string& range : {RangeText(boundary + 2, count - 1), RangeText(0, boundary - 1),
                                         RangeText(boundary, boundary + 1)})
            RenderedMovie(movie, into, {"--frames", range});
        EXPECT_TRUE(ReadFrames(PathOf(into)) == sequential);
    }
    EXPECT_EQ(FrameCount(DeepCase), 16);
    EXPECT_EQ(FirstExtendedFrame(DeepCase), 11);
}

TEST_F(MovieRenderTest, RangesInParallelProcessesJoinIntoOneMovie)
{
    // Deep frames by perturbation here: each frame takes its own reference orbit.
    const Frames sequential = RenderedMovie(DeepCase, "sequential", {"--fast-deep"});
    const int32_t boundary = FirstExtendedFrame(DeepCase);
    // Here the middle range holds the last deep frame and the first extended one.
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const std::string& range : {RangeText(0, boundary - 2), RangeText(boundary - 1, boundary),
                                     RangeText(boundary + 1, static_cast<int32_t>(sequential.size()) - 1)}) {
        QStringList arguments;
        for (const std::string& argument :
             MovieOptions(DeepCase) +
                 Arguments{"--fast-deep", "--movie", PathOf("parallel").string(), "--frames", range})
            arguments << QString::fromStdString(argument);
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QX_RENDERER, arguments);
    }
    for (const auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    EXPECT_TRUE(ReadFrames(PathOf("parallel")) == sequential);
}

TEST_F(MovieRenderTest, RunAgainRecomputesOnlyMissingAndCutFrames)
{
    const Frames whole = RenderedMovie(ExtendedCase, "movie");
    const fs::path frames = PathOf("movie");
    // Cut one frame as a killed copy would, remove one, and put a complete
    // stranger under a third name: only the first two are computed again.
    fs::resize_file(frames / "9999990.jpg", whole.at("9999990.jpg").size() / 2);
    fs::remove(frames / "9999995.jpg");
    fs::copy_file(frames / "9999999.jpg", frames / "9999993.jpg", fs::copy_options::overwrite_existing);
    std::ofstream(frames / "9999991.jpg", std::ios::binary) << "not a picture";

    Frames expected = whole;
    expected["9999993.jpg"] = whole.at("9999999.jpg");
    EXPECT_TRUE(RenderedMovie(ExtendedCase, "movie") == expected);
    // A range resumes the same way, leaving the frames outside it alone.
    fs::remove(frames / "9999990.jpg");
    fs::remove(frames / "9999998.jpg");
    expected.erase("9999998.jpg");
    EXPECT_TRUE(RenderedMovie(ExtendedCase, "movie", {"--frames", "5-12"}) == expected);
}

TEST_F(MovieRenderTest, BadRangesAreRefusedBeforeAnyFrame)
{
    const int32_t count = FrameCount(ExtendedCase);
    for (const std::string& range : {std::string("5-3"), RangeText(0, count), std::string("a-b"), std::string("3"),
                                     std::string("-1-2"), std::string("1-2-3"), std::string("0-99999999")}) {
        const Result result = Render(MovieOptions(ExtendedCase) +
                                     Arguments{"--movie", PathOf("frames").string(), "--frames", range});
        ExpectRefused(result, range);
        EXPECT_FALSE(fs::exists(PathOf("frames"))) << range;
    }
    EXPECT_NE(Render(MovieOptions(ExtendedCase) + Arguments{"--movie", PathOf("f").string(), "--frames", "0-99"})
                  .err.find("has " + std::to_string(count) + " frames (0-" + std::to_string(count - 1) + ")"),
              std::string::npos);
    ExpectRefused(Render(MovieOptions(ExtendedCase) + Arguments{"--frames", "0-1"}), "range without a folder");
    ExpectRefused(Render(MovieOptions(ExtendedCase) + Arguments{"--size", "1921x1080", "--movie", "f"}), "size");
    ExpectRefused(Render(MovieOptions(ExtendedCase) + Arguments{"--unzoom", "0.5", "--frames"}), "unzoom");
    ExpectRefused(Render(MovieOptions(ExtendedCase) + Arguments{"--movie", "f", "-o", "x.png"}), "picture output");
    EXPECT_FALSE(fs::exists("f"));
}

// The renderer finds the job template and runner beside itself: a copy of it
// in a folder of its own, so that tests running at once share no job file.
TEST_F(MovieRenderTest, EncodeMakesTheVideoFromACompleteFolderOnly)
{
    if (std::system("ffmpeg -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const fs::path program = PathOf("program");
    fs::create_directories(program / "vdub");
    fs::copy_file(QX_RENDERER, program / "quorvatix-render");
    fs::copy_file(QX_JOB_RUNNER, program / "vdub/vdub");
    fs::copy_file(QX_JOB_TEMPLATE, program / "Template.jobs");
    const auto encode = [&](const Arguments& arguments) {
        QProcess process;
        QStringList list;
        for (const std::string& argument : arguments)
            list << QString::fromStdString(argument);
        process.start(QString::fromStdString((program / "quorvatix-render").string()), list);
        process.waitForFinished(120000);
        return Result{process.exitCode(), "", process.readAllStandardError().toStdString()};
    };

    const Frames frames = RenderedMovie(ExtendedCase, "frames");
    const std::string video = PathOf("zoom.avi").string();
    const Result made = encode({"--encode", PathOf("frames").string(), "-o", video});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_GT(fs::file_size(video), 0u);

    fs::remove(PathOf("frames") / "9999995.jpg");
    const Result gap = encode({"--encode", PathOf("frames").string(), "-o", video});
    EXPECT_EQ(gap.status, 1);
    EXPECT_EQ(gap.err, "quorvatix-render: frame 9999995.jpg is missing in " + PathOf("frames").string() + "/\n");
    fs::resize_file(PathOf("frames") / "9999994.jpg", 200);
    std::ofstream(PathOf("frames") / "9999995.jpg", std::ios::binary) << frames.at("9999995.jpg");
    EXPECT_NE(encode({"--encode", PathOf("frames").string(), "-o", video}).err.find("9999994.jpg"), std::string::npos);
    ExpectRefused(encode({"--encode", PathOf("frames").string()}), "no video");
    ExpectRefused(encode({"--encode", PathOf("frames").string(), "-o", "zoom.mp4"}), "not avi");
}

}  // namespace
