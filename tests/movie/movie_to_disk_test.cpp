#include "movie/movie_to_disk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "frame/startup.h"
#include "movie/frame_files.h"
#include "nav/zoom_navigation.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string NumberedLines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

class MovieToDiskTest : public FreshStateTest {
protected:
    fs::path root;
    MoviePlaces places;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(24, 16);
        ZoomHalfWidth = ZoomHalfHeight = 0;
        MoviePath.clear();
        root = fs::path(testing::TempDir()) / ("movie_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "vdub");
        places = {(root / "temp").string() + "/", (root / "Template.jobs").string(),
                  (root / "vdub/VirtualDub.jobs").string(), (root / "vdub/vdub").string()};
    }
    void TearDown() override
    {
        fs::remove_all(root);
        FreshStateTest::TearDown();
    }

    void InstallRunner(const std::string& script)
    {
        WriteFile(places.runner, "#!/bin/sh\n" + script + "\n");
        fs::permissions(places.runner, fs::perms::owner_all);
    }
    int FramesWritten() const { return CountJpgFiles(places.frameFolder); }
    std::string LastMessage() const { return platform.messages.empty() ? "" : platform.messages.back().text; }
};

TEST(MovieTexts, FrameNamesCountDownOrUp)
{
    EXPECT_EQ(FrameFileName(0, false), "9999999.jpg");
    EXPECT_EQ(FrameFileName(71, false), "9999928.jpg");
    EXPECT_EQ(FrameFileName(9999999, false), "0.jpg");
    EXPECT_EQ(FrameFileName(0, true), "0.jpg");
    EXPECT_EQ(FrameFileName(12, true), "12.jpg");
}

TEST(MovieTexts, ElapsedTextShowsHoursMinutesSecondsAcrossMidnight)
{
    EXPECT_EQ(ElapsedText(100, 227), " 0 h  2 m  7 s");
    EXPECT_EQ(ElapsedText(0, 3 * 3600 + 5), " 3 h  0 m  5 s");
    // Started 10 s before midnight, now 20 s after it.
    EXPECT_EQ(ElapsedText(86390, 20), " 0 h  0 m  30 s");
}

TEST(MovieTexts, TemplateEditReplacesTheFiveLinesOnly)
{
    std::vector<std::string> lines(45);
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i] = "keep " + std::to_string(i);
    const auto edited = EditJobTemplate(lines, "C:\\q\\temp\\1.jpg", "/v/a b.AVI", 71);
    ASSERT_EQ(edited.size(), 45u);
    EXPECT_EQ(edited[8], "// $input  \"C:\\q\\temp\\1.jpg\"");
    EXPECT_EQ(edited[9], "// $output \"/v/a b.AVI\"");
    EXPECT_EQ(edited[16], "VirtualDub.Open(\"C:\\\\q\\\\temp\\\\1.jpg\",\"\",0);");
    EXPECT_EQ(edited[37], "VirtualDub.subset.AddRange(0,71);");
    EXPECT_EQ(edited[41], "VirtualDub.SaveAVI(\"/v/a b.AVI\");");
    for (size_t i : {0u, 7u, 10u, 15u, 17u, 36u, 38u, 40u, 42u, 44u})
        EXPECT_EQ(edited[i], lines[i]);

    const auto shortTemplate = EditJobTemplate(std::vector<std::string>(20, "x"), "f", "a", 1);
    ASSERT_EQ(shortTemplate.size(), 20u);
    EXPECT_EQ(shortTemplate[16], "VirtualDub.Open(\"f\",\"\",0);");
}

TEST_F(MovieToDiskTest, JobFileStartsAtTheWidestFrameOrAfterTheStartPicture)
{
    fs::create_directories(places.frameFolder);
    for (const char* name : {"9999997.jpg", "9999998.jpg", "9999999.jpg", "notes.txt"})
        WriteFile(places.frameFolder + name, "x");
    WriteFile(places.jobTemplate, NumberedLines(42));
    ASSERT_TRUE(PrepareJobFile(places, "/v/out.avi"));
    auto job = ReadLines(places.jobFile);
    ASSERT_EQ(job.size(), 42u);
    EXPECT_EQ(job[8], "// $input  \"" + places.frameFolder + "9999997.jpg\"\r");
    EXPECT_EQ(job[37], "VirtualDub.subset.AddRange(0,3);\r");
    EXPECT_EQ(ReadLines(places.jobTemplate), job);  // written back, then copied

    fs::remove_all(places.frameFolder);
    fs::create_directories(places.frameFolder);
    for (const char* name : {"0.jpg", "1.jpg", "10.jpg", "2.jpg"})
        WriteFile(places.frameFolder + name, "x");
    ASSERT_TRUE(PrepareJobFile(places, "/v/out.avi"));
    job = ReadLines(places.jobFile);
    EXPECT_EQ(job[16], "VirtualDub.Open(\"" + places.frameFolder + "1.jpg\",\"\",0);\r");
    EXPECT_EQ(job[37], "VirtualDub.subset.AddRange(0,3);\r");
    EXPECT_FALSE(fs::exists(places.frameFolder + "0.jpg"));
}

TEST_F(MovieToDiskTest, TemplateKeepsItsOwnLengthUpTo151Lines)
{
    fs::create_directories(places.frameFolder);
    WriteFile(places.frameFolder + "9999999.jpg", "x");
    WriteFile(places.jobTemplate, NumberedLines(30));
    ASSERT_TRUE(PrepareJobFile(places, "/v/out.avi"));
    EXPECT_EQ(ReadLines(places.jobFile).size(), 30u);

    WriteFile(places.jobTemplate, NumberedLines(200));
    ASSERT_TRUE(PrepareJobFile(places, "/v/out.avi"));
    const auto job = ReadLines(places.jobFile);
    ASSERT_EQ(job.size(), 151u);
    EXPECT_EQ(job.back(), "line 150\r");
}

TEST_F(MovieToDiskTest, PictureLargerThanFullHdIsRefused)
{
    UsePictureSize(1921, 1080);
    MakeMovieToDisk(places);
    UsePictureSize(1920, 1081);
    MakeMovieToDisk(places);
    ASSERT_EQ(platform.messages.size(), 2u);
    for (const auto& message : platform.messages) {
        EXPECT_EQ(message.text,
                  "Current image size is\ntoo large for video creation!\nPlease adjust picsize to maximum 1920 x 1080.");
        EXPECT_EQ(message.caption, "QUORVATIX\"");
    }
    EXPECT_FALSE(fs::exists(places.frameFolder));

    // 1920 x 1080 passes the size check and reaches the question.
    UsePictureSize(1920, 1080);
    platform.answers = {"No"};
    MakeMovieToDisk(places);
    EXPECT_EQ(LastMessage(), "Do you want to make zoom movie by starting unzooming with current picture?");
}

TEST_F(MovieToDiskTest, CommandCutsWidePicturesToFullHd)
{
    UsePictureSize(2048, 1536);
    platform.answers = {"No"};
    MakeMovieToDiskCommand();
    EXPECT_EQ(State.PicWidth, 1920);
    EXPECT_EQ(State.PicHeight, 1080);
}

TEST_F(MovieToDiskTest, UnzoomsUntilTheViewIsWiderThan16UnitsAndLeavesTheFrames)
{
    // From the default view (4 units wide) by 1.02: 72 frames.
    State.UnzoomFactor = 1.02f;
    State.AutosaveParameter = 1;
    fs::create_directories(places.frameFolder);
    WriteFile(places.frameFolder + "old.jpg", "from the movie before");
    platform.answers = {"Yes"};
    MakeMovieToDisk(places);

    EXPECT_EQ(FramesWritten(), 72);
    EXPECT_TRUE(fs::exists(places.frameFolder + "9999999.jpg"));
    EXPECT_TRUE(fs::exists(places.frameFolder + "9999928.jpg"));
    EXPECT_FALSE(fs::exists(places.frameFolder + "old.jpg"));
    EXPECT_EQ(State.AutosaveParameter, 0);
    EXPECT_EQ(ZoomHalfWidth, 0.0);
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_TRUE(platform.inputWindowsEnabled);
    EXPECT_EQ(LastMessage(), "Jpgfiles are ready in \n\n" + (root / "temp").string() + " folder");
    ASSERT_FALSE(platform.pictureTitles.empty());
    EXPECT_EQ(platform.pictureTitles.back().rfind("QUORVATIX Time: ", 0), 0u);
}

TEST_F(MovieToDiskTest, OutwardMovieJobStartsAfterTheStartPicture)
{
    State.UnzoomFactor = 1.02f;
    State.UnzoomVideo = 1;
    WriteFile(places.jobTemplate, NumberedLines(42));
    InstallRunner("echo \"$@\" > '" + (root / "arguments").string() + "'");
    const std::string avi = (root / "out.avi").string();
    platform.answers = {"Yes", avi};
    MakeMovieToDisk(places);

    EXPECT_FALSE(fs::exists(places.frameFolder + "0.jpg"));
    EXPECT_EQ(FramesWritten(), 71);
    const auto job = ReadLines(places.jobFile);
    ASSERT_EQ(job.size(), 42u);
    EXPECT_EQ(job[37], "VirtualDub.subset.AddRange(0,71);\r");
    EXPECT_EQ(job[8], "// $input  \"" + places.frameFolder + "1.jpg\"\r");
    EXPECT_EQ(ReadLines(root / "arguments").at(0), "/r " + places.jobFile);
    // The stand-in runner wrote nothing: no player, but the path is kept.
    EXPECT_EQ(LastMessage(), "Video: " + avi + " is ready");
    EXPECT_EQ(MoviePath, avi);
}

TEST_F(MovieToDiskTest, StartViewWiderThan16UnitsMakesOneFrame)
{
    State.Realmin = -20;
    State.Realmax = 20;
    State.Imagmin = -15;
    State.Imagmax = 15;
    platform.answers = {"Yes"};
    MakeMovieToDisk(places);
    EXPECT_EQ(FramesWritten(), 1);
}

TEST_F(MovieToDiskTest, RunnerFailureIsReportedNotTheVideo)
{
    State.UnzoomFactor = 8.0f;
    WriteFile(places.jobTemplate, NumberedLines(42));
    InstallRunner("echo 'ffmpeg was not found; please install it' >&2; exit 2");
    const std::string avi = (root / "out.avi").string();
    platform.answers = {"Yes", avi};
    MakeMovieToDisk(places);
    EXPECT_EQ(LastMessage(), "Video: " + avi + " could not be made\nffmpeg was not found; please install it");
    EXPECT_EQ(platform.messages.back().caption, "QUORVATIX");
    EXPECT_TRUE(MoviePath.empty());
    EXPECT_TRUE(platform.inputWindowsEnabled);
}

TEST_F(MovieToDiskTest, MissingRunnerOrNoVideoNameLeavesTheFrames)
{
    State.UnzoomFactor = 8.0f;
    WriteFile(places.jobTemplate, NumberedLines(42));
    platform.answers = {"Yes", (root / "out.avi").string()};
    MakeMovieToDisk(places);
    EXPECT_EQ(LastMessage(), "Automatic movie creation is not available\nVirtualDub was not found in " +
                                 (root / "vdub").string() + "/ folder\nJpgfiles are ready.");

    platform.answers = {"Yes", "Cancel"};
    MakeMovieToDisk(places);
    EXPECT_EQ(LastMessage(), "Movie creation interrupted!");
    EXPECT_GT(FramesWritten(), 0);
    EXPECT_TRUE(platform.inputWindowsEnabled);
}

TEST_F(MovieToDiskTest, FrameThatCannotBeWrittenStopsTheMovie)
{
    // A file where the folder should be: no frame can be written, not even by root.
    WriteFile(root / "temp", "in the way");
    platform.answers = {"Yes"};
    MakeMovieToDisk(places);
    EXPECT_EQ(LastMessage(), "Movie creation interrupted!\nA frame could not be written to\n" + (root / "temp").string());
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_TRUE(platform.inputWindowsEnabled);
}

TEST_F(MovieToDiskTest, EscStopsTheMovieAndOffersToSave)
{
    State.UnzoomFactor = 1.02f;
    platform.escapeQueriesBefore = 40;
    platform.escapePresses = 1;
    platform.answers = {"Yes", "Cancel"};
    MakeMovieToDisk(places);
    ASSERT_GE(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].text, "Movie creation interrupted!\nYou can save current parameters.");
    EXPECT_LT(FramesWritten(), 72);
    EXPECT_EQ(State.MovieMode, 0);
    EXPECT_TRUE(platform.inputWindowsEnabled);
    EXPECT_TRUE(platform.answers.empty());  // the save dialog was offered
}

#ifdef QX_JOB_RUNNER
TEST_F(MovieToDiskTest, RunnerEncodesTheFramesIntoAnAvi)
{
    if (std::system("ffmpeg -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    fs::copy_file(QX_JOB_RUNNER, places.runner);
    fs::copy_file(QX_JOB_TEMPLATE, places.jobTemplate);
    State.UnzoomFactor = 3.0f;  // widths 4, 12, 36: three frames
    const std::string avi = (root / "zoom movie.AVI").string();
    platform.answers = {"Yes", avi};
    static std::string played;
    InstalledMovieHooks.playMovie = [](const std::string& path) { played = path; };
    MakeMovieToDisk(places);
    InstalledMovieHooks.playMovie = nullptr;
    EXPECT_EQ(FramesWritten(), 3);
    EXPECT_EQ(LastMessage(), "Video: " + avi + " is ready");
    ASSERT_TRUE(fs::exists(avi));
    EXPECT_EQ(MoviePath, avi);
    EXPECT_EQ(played, avi);
    EXPECT_EQ(platform.pictureTitles.back(), "Playing: " + avi);
    const std::string probe = "ffprobe -v error -count_frames -select_streams v -show_entries "
                              "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 '" + avi + "' > '" +
                              (root / "probe.txt").string() + "'";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    // The template's 25 frames per second and MJPG compression.
    EXPECT_EQ(ReadLines(root / "probe.txt").at(0), "mjpeg,24,16,25/1,3");
}
#endif

}  // namespace
