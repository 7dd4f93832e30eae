#include "movie/movie_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "frame/startup.h"
#include "test_support.h"

namespace {

// Records what the commands asked of the video facility; files named
// "missing" cannot be opened.
class RecordingBackend : public MovieBackend {
public:
    std::vector<std::string> calls;

    bool Open(const std::string& path, int64_t parentWindow) override
    {
        calls.push_back("open " + path + " in " + std::to_string(parentWindow));
        return path != "missing";
    }
    void Place(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        calls.push_back("place " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                        std::to_string(height));
    }
    void Play(bool repeat) override { calls.push_back(repeat ? "play looped" : "play once"); }
    void Stop() override { calls.push_back("stop"); }
    void Close() override { calls.push_back("close"); }
};

class StandInScreen : public MovieScreen {
public:
    int broughtToFront = 0;
    int64_t WindowNumber() const override { return 4711; }
    int32_t ClientWidth() const override { return 640; }
    int32_t ClientHeight() const override { return 480; }
    void BringToFront() override { ++broughtToFront; }
};

using Calls = std::vector<std::string>;

TEST(MovieCommandTexts, AreWrittenWithBlankSignedNumbers)
{
    EXPECT_EQ(MovieOpenCommand("/home/a b/zoom.avi", 4711),
              "Open \"/home/a b/zoom.avi\" type AVIVideo alias AVIFile parent 4711 style  1073741824");
    EXPECT_EQ(MovieSizeCommand(1920, 1080), "Put AVIFile Window At 0 0 1920 1080");
    EXPECT_EQ(MoviePlayCommand(), "Play AVIFile repeat");
    EXPECT_EQ(MovieStopCommand(), "Stop AVIFile");
    EXPECT_EQ(MovieCloseCommand(), "Close AVIFile");
}

TEST(MovieCommandChannel, DrivesTheBackendUnderTheAlias)
{
    RecordingBackend backend;
    MovieCommandChannel channel(backend);
    EXPECT_EQ(channel.Send(MovieOpenCommand("/tmp/my movies/zoom 1.avi", 4711)), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send(MovieSizeCommand(640, 480)), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send("play aviFILE repeat"), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send(MovieStopCommand()), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send("Play AVIFile"), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send(MovieCloseCommand()), MovieCommandResult::Done);
    EXPECT_EQ(backend.calls, (Calls{"open /tmp/my movies/zoom 1.avi in 4711", "place 0,0 640x480", "play looped",
                                    "stop", "play once", "close"}));
}

TEST(MovieCommandChannel, RefusesWhatItCannotDo)
{
    RecordingBackend backend;
    MovieCommandChannel channel(backend);
    EXPECT_EQ(channel.Send(MovieCloseCommand()), MovieCommandResult::UnknownAlias);
    EXPECT_EQ(channel.Send(MovieOpenCommand("missing", 1)), MovieCommandResult::CannotOpen);
    EXPECT_EQ(channel.Send(MoviePlayCommand()), MovieCommandResult::UnknownAlias);
    EXPECT_EQ(channel.Send("Open \"unclosed quote type AVIVideo"), MovieCommandResult::BadArguments);
    EXPECT_EQ(channel.Send("Open x.avi parent twelve"), MovieCommandResult::BadArguments);
    EXPECT_EQ(channel.Send("Open x.avi alias"), MovieCommandResult::BadArguments);
    EXPECT_EQ(channel.Send("Rewind AVIFile"), MovieCommandResult::UnknownCommand);
    EXPECT_EQ(channel.Send(""), MovieCommandResult::BadArguments);

    ASSERT_EQ(channel.Send(MovieOpenCommand("a.avi", 1)), MovieCommandResult::Done);
    EXPECT_EQ(channel.Send(MovieOpenCommand("b.avi", 1)), MovieCommandResult::AliasInUse);
    EXPECT_EQ(channel.Send("Stop OtherFile"), MovieCommandResult::UnknownAlias);
    EXPECT_EQ(channel.Send("Put AVIFile Window At 0 0 640"), MovieCommandResult::BadArguments);
    EXPECT_EQ(channel.Send("Put AVIFile Window At 0 0 640 99999999999"), MovieCommandResult::BadArguments);
    EXPECT_EQ(channel.Send("Play AVIFile backwards"), MovieCommandResult::BadArguments);
    EXPECT_EQ(backend.calls, (Calls{"open missing in 1", "open a.avi in 1"}));
}

class MoviePlayerTest : public FreshStateTest {
protected:
    RecordingBackend backend;
    MovieCommandChannel channel{backend};
    StandInScreen screen;
    std::vector<std::string> sent;
    MoviePlayerRecord player{[this](const std::string& command) {
                                 sent.push_back(command);
                                 return channel.Send(command);
                             },
                             screen};

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        UsePictureSize(8, 6);
    }
};

TEST_F(MoviePlayerTest, PauseBeforePlayDoesNothingAndPlayAfterPauseDoesNotReopen)
{
    player.Pause();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(player.state(), MoviePlayerState::Closed);

    player.Play("/tmp/a b.avi");
    EXPECT_EQ(player.state(), MoviePlayerState::Playing);
    EXPECT_EQ(screen.broughtToFront, 1);
    player.Play("/tmp/a b.avi");  // already playing
    player.Pause();
    EXPECT_EQ(player.state(), MoviePlayerState::Stopped);
    player.Pause();
    player.Play("/tmp/a b.avi");
    EXPECT_EQ(player.state(), MoviePlayerState::Playing);
    EXPECT_EQ(sent, (Calls{MovieOpenCommand("/tmp/a b.avi", 4711), "Put AVIFile Window At 0 0 640 480",
                           "Play AVIFile repeat", "Stop AVIFile", "Play AVIFile repeat"}));
    EXPECT_EQ(screen.broughtToFront, 1);
}

TEST_F(MoviePlayerTest, FailedOpenStaysClosedAndTriesAgain)
{
    player.Play("missing");
    EXPECT_EQ(player.state(), MoviePlayerState::Closed);
    player.Play("missing");
    EXPECT_EQ(sent, (Calls{MovieOpenCommand("missing", 4711), MovieSizeCommand(640, 480),
                           MovieOpenCommand("missing", 4711), MovieSizeCommand(640, 480)}));
    EXPECT_EQ(backend.calls, (Calls{"open missing in 4711", "open missing in 4711"}));
}

TEST_F(MoviePlayerTest, ExitWithoutMovieStillClosesAndShowsThePicture)
{
    State.PictureLocked = 1;
    player.Exit();
    EXPECT_EQ(sent, Calls{"Close AVIFile"});
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_EQ(State.PictureLocked, 0);
    EXPECT_EQ(platform.pictureTitles, Calls{"QUORVATIX"});
    EXPECT_EQ(platform.framesShown, 1);

    player.Play("b.avi");
    player.Exit();
    EXPECT_EQ(player.state(), MoviePlayerState::Closed);
    EXPECT_EQ(backend.calls.back(), "close");
    player.Play("b.avi");  // opens afresh
    EXPECT_EQ(backend.calls.size(), 7u);
}

}  // namespace
