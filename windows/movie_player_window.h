#pragma once
#include <QPointer>
#include <QVideoWidget>
#include <QWidget>
#include <memory>
#include <string>

#include "movie/movie_commands.h"

class QMediaPlayer;

// Qt Multimedia as the video facility of the command strings: the movie
// plays in a video area laid over the window whose number the open command
// names.
class QtMovieBackend : public MovieBackend {
public:
    QtMovieBackend();
    ~QtMovieBackend() override;

    bool Open(const std::string& path, int64_t parentWindow) override;
    void Place(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void Play(bool repeat) override;
    void Stop() override;
    void Close() override;

    QMediaPlayer& mediaPlayer() const { return *player_; }
    // Null while no movie is open.
    QVideoWidget* videoArea() const { return video_; }

private:
    std::unique_ptr<QMediaPlayer> player_;
    QPointer<QVideoWidget> video_;
};

// The control window "Quorvatix video player" with "PLAY", "PAUSE" and
// "EXIT"; plays `aviPath` into the picture window. Destroyed when closed.
class MoviePlayerWindow : public QWidget {
public:
    MoviePlayerWindow(QWidget* pictureWindow, const std::string& aviPath);
    ~MoviePlayerWindow() override;

    const QtMovieBackend& backend() const { return backend_; }
    MoviePlayerState state() const { return record_.state(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class PictureScreen;

    std::string aviPath_;
    QtMovieBackend backend_;
    MovieCommandChannel channel_{backend_};
    std::unique_ptr<PictureScreen> screen_;
    MoviePlayerRecord record_;
};

// Shows the control window and returns when it has been closed.
void MoviePlayer(QWidget* pictureWindow, const std::string& aviPath);

// Menu command "Play movie": asks for an AVI file and plays it.
void PlayMovieCommand(QWidget* pictureWindow);

// The player for a freshly made movie (the hook of "Make movie to disk"):
// plays into the program's picture window.
void PlayMovieInPictureWindow(const std::string& aviPath);
