#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>
#include <QStatusBar>

#include "windows/about_box.h"
#include "windows/browser_window.h"
#include "windows/statistics_window.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "files/autosave.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "frame/supersampled_export.h"
#include "windows/julia_finder_window.h"
#include "windows/location_dialog.h"
#include "windows/manual.h"
#include "windows/movie_player_window.h"
#include "movie/movie_to_disk.h"
#include "windows/palette_dialog.h"
#include "windows/parameters_dialog.h"
#include "movie/realtime_movie.h"
#include "windows/tool_window.h"
#include "nav/pointer_status.h"
#include "nav/view_history.h"
#include "platform/platform.h"
#include "platform/qt/picture_surface.h"

namespace {

struct MenuItem {
    const char* menu;  // with its mnemonic
    const char* text;
    int commandId;
    bool available;  // the windows of some commands are not built yet
    const char* shortcut;
};

// Beyond the original menu: the view history.
constexpr int BackCommand = 200;
constexpr int ForwardCommand = 201;

const MenuItem MenuItems[] = {
    {"&File", "Browse fractals", 115, true, "Ctrl+B"},
    {"&File", "Load Fractal", 120, true, "Ctrl+O"},
    {"&File", "Load Fractal with image", 121, true, "Ctrl+Shift+O"},
    {"&File", "Save Fractal", 125, true, "Ctrl+S"},
    {"&File", "Save Fractal with image", 126, true, "Ctrl+Shift+S"},
    {"&File", "Save Picture", 135, true, "Ctrl+E"},
    {"&File", "Statistics", 110, true, "Ctrl+I"},
    {"&File", "-", 140, true, ""},
    {"&File", "Exit", 145, true, "Ctrl+Q"},
    {"F&ractal", "Fractal Parameters", 165, true, "Ctrl+P"},
    {"F&ractal", "Location", 166, true, "Ctrl+L"},
    {"F&ractal", "Palette control", 160, true, "Ctrl+K"},
    {"F&ractal", "Julia finder", 156, true, "Ctrl+J"},
    {"F&ractal", "Original Mandelbrot", 155, true, "Ctrl+Home"},
    {"F&ractal", "-", 0, true, ""},
    {"F&ractal", "Back", BackCommand, true, "Alt+Left"},
    {"F&ractal", "Forward", ForwardCommand, true, "Alt+Right"},
    {"&Zoom movie", "Make movie to disk", 185, true, ""},
    {"&Zoom movie", "Realtime zoom movie", 192, true, ""},
    {"&Zoom movie", "Play movie", 186, true, ""},
    {"&Help", "Info", 175, true, ""},
    {"&Help", "Open helpfile", 180, true, "F1"},
};

// Opens a tool window at `at` unless it is open already; then it only comes
// forward.
template <class Window>
void OpenToolWindow(QPointer<Window>& window, QWidget* owner, QPoint at)
{
    if (!window) {
        window = new Window(owner);
        window->move(at);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace

MainWindow::MainWindow(QWidget* owner) : QMainWindow(owner, Qt::Tool)
{
    setWindowTitle("QUORVATIX");
    std::map<std::string, QMenu*> menus;
    for (const MenuItem& item : MenuItems) {
        QMenu*& menu = menus[item.menu];
        if (!menu)
            menu = menuBar()->addMenu(item.menu);
        if (std::string(item.text) == "-") {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setData(item.commandId);
        action->setEnabled(item.available);
        // The shortcuts work from the picture window and the tool windows too.
        action->setShortcut(QKeySequence(item.shortcut));
        action->setShortcutContext(Qt::ApplicationShortcut);
        const int id = item.commandId;
        connect(action, &QAction::triggered, this, [this, id] { DispatchCommand(id); });
        actions_[id] = action;
    }
    // Home in the picture window is "Original Mandelbrot" too (the tool
    // windows keep it for their text fields).
    if (owner) {
        auto* home = new QShortcut(QKeySequence(Qt::Key_Home), owner);
        home->setContext(Qt::WindowShortcut);
        connect(home, &QShortcut::activated, this, [this] { DispatchCommand(155); });
    }
    // The pointer's place in the plane and the view's figures, in the status line.
    if (owner) {
        owner->setMouseTracking(true);
        owner->installEventFilter(this);
    }
    statusBar()->setSizeGripEnabled(false);
    resize(420, 40 + statusBar()->sizeHint().height());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::MouseMove && State.FrameBusy == 0) {
        const QPointF position = static_cast<QMouseEvent*>(event)->position();
        const auto* surface = dynamic_cast<const PictureSurface*>(watched);
        const QPoint at = surface ? surface->DevicePoint(position) : position.toPoint();
        statusBar()->showMessage(QString::fromStdString(PointerStatusText(at.x(), at.y())));
    }
    return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::ActionFor(int commandId) const
{
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::DispatchCommand(int commandId)
{
    // A shortcut can arrive while a frame runs; commands wait for its end.
    if (State.FrameBusy == 1)
        return;
    Platform& platform = CurrentPlatform();
    switch (commandId) {
    case 110: OpenToolWindow(statistics_, this, {100, 100}); break;
    case 115: OpenBrowseFractalsCommand(this); break;
    case 120:
        LoadFractalCommand();
        Redraw();
        platform.RefreshToolWindows();
        break;
    case 121: LoadFractalWithImageCommand(); break;
    case 125: SaveFractalCommand(); break;
    case 126: SaveFractalWithImageCommand(); break;
    case 135:
        setEnabled(false);
        SaveSupersampledPictureCommand();
        setEnabled(true);
        break;
    case 145: ConfirmExit(); break;
    case 155: OriginalMandelbrotCommand(); break;
    case 156: JuliaFinderCommand(parentWidget(), this); break;
    // Beside and below the picture, where they hide as little of it as can be.
    case 160: OpenToolWindow(palette_, this, {0, State.PicHeight + 60}); break;
    case 165: OpenToolWindow(parameters_, this, {State.PicWidth + 20, 90}); break;
    case 166: OpenToolWindow(location_, this, {State.PicWidth + 20, 420}); break;
    case 175: ShowAbout(this); break;
    case 185:
        MakeMovieToDiskCommand();
        State.MovieMode = 0;
        break;
    case 186: PlayMovieCommand(parentWidget()); break;
    case 192: RealtimeZoomMovieCommand(&ToolWindow::CloseAll); break;
    case BackCommand: GoBackInHistory(); break;
    case ForwardCommand: GoForwardInHistory(); break;
    case 180: ShowHelp(); break;
    default: break;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the menu window ends the program without the question.
    State.QuitRequested = 1;
    event->accept();
    QApplication::quit();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (width() != 420)
        resize(420, height());
}

void ConfirmExit()
{
    if (CurrentPlatform().ShowMessage("Do you want to quit?", "QUORVATIX", MessageButtons::OkCancel) !=
        MessageAnswer::Ok)
        return;
    State.QuitRequested = 1;
    QApplication::quit();
}

void ShowHelp() { OpenManual(); }

void OriginalMandelbrotCommand()
{
    State.PaletteHSL = 0;
    SetPaletteInverse(0);
    State.PaletteReverse = 0;
    State.PaletteExp2 = 0;
    State.PaletteExp3 = 0;
    State.FrameValid = 0;
    State.PictureLocked = 0;
    State.DeepZoom = 0;
    CurrentPlatform().ShowChangesInToolWindows();
    if (CurrentPlatform().ShowMessage("Main Mandelbrot?", "QUORVATIX", MessageButtons::OkCancel) ==
        MessageAnswer::Ok)
        OriginalMandelbrot();
    CurrentPlatform().InvalidatePictureWindow();
}
