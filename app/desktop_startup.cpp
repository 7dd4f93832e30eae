#include "app/desktop_startup.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <clocale>
#include <filesystem>
#include <thread>

#include "app/main_window.h"
#include "color/display.h"
#include "engine/fractal_state.h"
#include "files/any_parameter_file.h"
#include "frame/startup.h"
#include "frame/frame_driver.h"
#include "windows/movie_player_window.h"
#include "movie/movie_to_disk.h"
#include "windows/picture_window.h"
#include "nav/view_history.h"
#include "windows/tool_window.h"
#include "platform/qt/user_settings.h"
#include "platform/qt/qt_platform.h"

namespace {

// A click may spend this long raising IterMax before the picture stands.
constexpr int32_t DesktopAdaptiveBudgetMs = 3000;

}  // namespace

std::unique_ptr<QLockFile> AcquireSingleInstanceLock(bool* alreadyRunning)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(folder + "/Quorvatix.lock");
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        *alreadyRunning = false;
        return lock;
    }
    *alreadyRunning = lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

std::string CommandLineFile(const QStringList& arguments)
{
    std::string text = arguments.join(' ').toStdString();
    std::erase(text, '"');
    return text;
}

bool LoadCommandLineFile(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        return false;
    // A file with picture is shown as stored; the loaders refuse what they
    // do not know with their message.
    const std::string layout = LoadAnyParameterFile(path);
    if (layout.empty())
        return false;
    if (layout == "fpi" || layout == "fpz") {
        DisplayPicture();
        State.PictureLocked = 1;
        State.FrameValid = 1;
    }
    State.TitleFileName = path;
    return true;
}

int RunDesktop(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("quorvatix");
    // The toolkit takes the user's locale; typed numbers and number texts
    // are always written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QtPlatform platform;
    ConnectToolWindows(platform);
    Platform* previous = InstallPlatform(&platform);

    bool alreadyRunning = false;
    const std::unique_ptr<QLockFile> lock = AcquireSingleInstanceLock(&alreadyRunning);
    if (!lock) {
        if (alreadyRunning)
            platform.ShowMessage("Already running", "QUORVATIX", MessageButtons::Ok);
        InstallPlatform(previous);
        return 0;
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->depth() < 24)
        platform.ShowMessage("Quorvatix works best with 24-bit or 32-bit color resolutions!", "Quorvatix",
                             MessageButtons::Ok);
    const QRect geometry = screen ? screen->geometry() : QRect(0, 0, 1280, 1024);
    StartUpEngine(geometry.width(), geometry.height(), static_cast<int32_t>(std::thread::hardware_concurrency()));
    LoadUserSettings();
    State.AdaptiveBudgetMs = DesktopAdaptiveBudgetMs;

    InstalledFrameHooks.frameShown = &RecordShownView;
    InstalledMovieHooks.closeToolWindows = &ToolWindow::CloseAll;
    InstalledMovieHooks.playMovie = &PlayMovieInPictureWindow;
    PictureWindow picture;
    MainWindow menu(&picture);
    platform.SetWindows(&menu, &picture);

    LoadCommandLineFile(CommandLineFile(application.arguments().mid(1)));

    platform.ResizePictureArea(State.PicWidth, State.PicHeight);
    State.PictureWindowWidth = State.PicWidth;
    State.PictureWindowHeight = State.PicHeight;
    picture.move(0, 20);
    menu.move(State.PicWidth + 20, 20);
    menu.show();
    picture.show();
    // The first frame is computed when the picture window first paints.
    const int status = application.exec();
    InstallPlatform(previous);
    return status;
}
