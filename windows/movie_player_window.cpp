#include "windows/movie_player_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>
#include <filesystem>

#include "engine/fractal_state.h"
#include "movie/movie_to_disk.h"
#include "windows/picture_window.h"
#include "windows/tool_window.h"
#include "platform/platform.h"
#include "windows/palette_strip.h"

namespace {

constexpr int StripBands = 500;
// How long an open waits for the file to be read before it gives up.
constexpr int OpenTimeoutMs = 10000;

}  // namespace

QtMovieBackend::QtMovieBackend() : player_(std::make_unique<QMediaPlayer>()) {}

QtMovieBackend::~QtMovieBackend() { Close(); }

bool QtMovieBackend::Open(const std::string& path, int64_t parentWindow)
{
    QWidget* parent = QWidget::find(static_cast<WId>(parentWindow));
    const QString file = QString::fromStdString(path);
    if (!parent || !QFileInfo(file).isFile())
        return false;
    video_ = new QVideoWidget(parent);
    video_->hide();
    player_->setVideoOutput(video_.data());
    player_->setSource(QUrl::fromLocalFile(file));

    // The media service reads the file in the background; wait until it
    // has decided whether it can play it.
    QEventLoop loop;
    QTimer::singleShot(OpenTimeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &loop, &QEventLoop::quit);
    QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    if (player_->mediaStatus() == QMediaPlayer::LoadingMedia && player_->error() == QMediaPlayer::NoError)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool playable = player_->error() == QMediaPlayer::NoError &&
                          player_->mediaStatus() != QMediaPlayer::InvalidMedia &&
                          player_->mediaStatus() != QMediaPlayer::LoadingMedia;
    if (!playable)
        Close();
    return playable;
}

void QtMovieBackend::Place(int32_t x, int32_t y, int32_t width, int32_t height)
{
    video_->setGeometry(x, y, width, height);
    video_->show();
    video_->raise();
}

void QtMovieBackend::Play(bool repeat)
{
    player_->setLoops(repeat ? QMediaPlayer::Infinite : QMediaPlayer::Once);
    player_->play();
}

// Stopping keeps the position, so the next play continues from there.
void QtMovieBackend::Stop() { player_->pause(); }

void QtMovieBackend::Close()
{
    player_->stop();
    player_->setVideoOutput(static_cast<QObject*>(nullptr));
    player_->setSource(QUrl());
    delete video_.data();
}

// The picture window as the command strings name it: by its window number.
class MoviePlayerWindow::PictureScreen : public MovieScreen {
public:
    explicit PictureScreen(QWidget* window) : window_(window) {}
    int64_t WindowNumber() const override { return window_ ? static_cast<int64_t>(window_->winId()) : 0; }
    int32_t ClientWidth() const override { return window_ ? window_->width() : 0; }
    int32_t ClientHeight() const override { return window_ ? window_->height() : 0; }
    void BringToFront() override
    {
        if (!window_)
            return;
        window_->raise();
        window_->activateWindow();
    }

private:
    QPointer<QWidget> window_;
};

MoviePlayerWindow::MoviePlayerWindow(QWidget* pictureWindow, const std::string& aviPath)
    : QWidget(pictureWindow, Qt::Tool),
      aviPath_(aviPath),
      screen_(std::make_unique<PictureScreen>(pictureWindow)),
      record_([this](const std::string& command) { return channel_.Send(command); }, *screen_)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Quorvatix video player");
    setFont(ToolWindowFont());
    // Placed in dialog units of the window's font, as the window was drawn.
    const QFontMetrics metrics(font());
    const auto unitsX = [&](int units) { return units * metrics.averageCharWidth() / 4; };
    const auto unitsY = [&](int units) { return units * metrics.height() / 8; };
    setFixedSize(unitsX(200), unitsY(30));
    const auto addButton = [&](const char* text, int x) {
        auto* button = new QPushButton(text, this);
        button->setGeometry(unitsX(x), unitsY(10), unitsX(50), unitsY(15));
        return button;
    };
    connect(addButton("PLAY", 10), &QPushButton::clicked, this, [this] { record_.Play(aviPath_); });
    connect(addButton("PAUSE", 65), &QPushButton::clicked, this, [this] { record_.Pause(); });
    connect(addButton("EXIT", 120), &QPushButton::clicked, this, &QWidget::close);
}

MoviePlayerWindow::~MoviePlayerWindow() = default;

void MoviePlayerWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintPaletteStrip(painter, rect(), Palette.data(), StripBands);
}

// "EXIT" and the window's own close button end the movie alike.
void MoviePlayerWindow::closeEvent(QCloseEvent* event)
{
    record_.Exit();
    event->accept();
}

void MoviePlayer(QWidget* pictureWindow, const std::string& aviPath)
{
    auto* window = new MoviePlayerWindow(pictureWindow, aviPath);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    loop.exec();
}

void PlayMovieCommand(QWidget* pictureWindow)
{
    Platform& platform = CurrentPlatform();
    FileDialogRequest request;
    request.filter = "Movies (*.avi)|*.AVI|";
    request.defaultExtension = "AVI";
    const std::string path = platform.AskOpenFile(request);
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        return;
    MoviePath = path;
    platform.SetMainTitle("QUORVATIX");
    platform.SetPictureTitle("Playing: " + MoviePath);
    MoviePlayer(pictureWindow, MoviePath);
    platform.SetMainTitle("QUORVATIX");
    platform.SetPictureTitle("");
}

void PlayMovieInPictureWindow(const std::string& aviPath)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (dynamic_cast<PictureWindow*>(window)) {
            MoviePlayer(window, aviPath);
            return;
        }
    }
}
