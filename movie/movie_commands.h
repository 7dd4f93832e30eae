#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The movie player speaks to its video facility in command strings (open,
// put, play, stop, close under an alias); this layer reads them and drives
// whatever plays the video.

// The video facility: one movie at a time, shown in a child area of a window.
class MovieBackend {
public:
    virtual ~MovieBackend() = default;
    // False when the file cannot be played or the window is unknown.
    virtual bool Open(const std::string& path, int64_t parentWindow) = 0;
    virtual void Place(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void Play(bool repeat) = 0;
    virtual void Stop() = 0;
    virtual void Close() = 0;
};

enum class MovieCommandResult { Done, UnknownCommand, BadArguments, UnknownAlias, AliasInUse, CannotOpen };

// Reads command strings (keywords in any case, a path in double quotes when
// it holds blanks) and applies them to the backend.
class MovieCommandChannel {
public:
    explicit MovieCommandChannel(MovieBackend& backend) : backend_(backend) {}
    MovieCommandResult Send(const std::string& command);

private:
    MovieBackend& backend_;
    std::optional<std::string> openAlias_;
};

// The command strings the player sends.
std::string MovieOpenCommand(const std::string& path, int64_t parentWindow);
std::string MovieSizeCommand(int32_t width, int32_t height);
std::string MoviePlayCommand();
std::string MovieStopCommand();
std::string MovieCloseCommand();

// The picture window as the player sees it.
class MovieScreen {
public:
    virtual ~MovieScreen() = default;
    virtual int64_t WindowNumber() const = 0;
    virtual int32_t ClientWidth() const = 0;
    virtual int32_t ClientHeight() const = 0;
    virtual void BringToFront() = 0;
};

// What the player has sent: no movie open, open and stopped, or playing.
enum class MoviePlayerState : int32_t { Closed = 0, Stopped = 1, Playing = 2 };

// The buttons of the player's control window.
class MoviePlayerRecord {
public:
    using Sender = std::function<MovieCommandResult(const std::string&)>;
    MoviePlayerRecord(Sender send, MovieScreen& screen) : send_(std::move(send)), screen_(screen) {}

    // "PLAY": opens `path` first when no movie is open; a failed open
    // leaves it closed and the next "PLAY" tries again.
    void Play(const std::string& path);
    // "PAUSE": stops a playing movie.
    void Pause();
    // "EXIT": closes the movie (whether one is open or not) and shows the
    // picture again.
    void Exit();
    MoviePlayerState state() const { return state_; }

private:
    Sender send_;
    MovieScreen& screen_;
    MoviePlayerState state_ = MoviePlayerState::Closed;
};
