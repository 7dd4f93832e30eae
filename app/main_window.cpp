#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenuBar>
#include <QUrl>
#include <filesystem>

#include "app/about_box.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "files/autosave.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "platform/platform.h"

namespace {

struct MenuItem {
    const char* menu;
    const char* text;
    int commandId;
    bool available;  // the windows of some commands are not built yet
};

const MenuItem MenuItems[] = {
    {"File", "Browse fractals", 115, true},
    {"File", "Load Fractal", 120, true},
    {"File", "Load Fractal with image", 121, true},
    {"File", "Save Fractal", 125, true},
    {"File", "Save Fractal with image", 126, true},
    {"File", "Save Picture", 135, true},
    {"File", "Statistics", 110, false},
    {"File", "-", 140, true},
    {"File", "Exit", 145, true},
    {"Fractal", "Fractal Parameters", 165, false},
    {"Fractal", "Location", 166, false},
    {"Fractal", "Palette control", 160, false},
    {"Fractal", "Julia finder", 156, false},
    {"Fractal", "Original Mandelbrot", 155, true},
    {"Zoom movie", "Make movie to disk", 185, false},
    {"Zoom movie", "Realtime zoom movie", 192, false},
    {"Zoom movie", "Play movie", 186, false},
    {"Help", "Info", 175, true},
    {"Help", "Open helpfile", 180, true},
};

bool IsParameterFile(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".FRA" || extension == ".FDZ" || extension == ".FPI" || extension == ".FPZ";
}

int CountParameterFiles(const std::string& folder)
{
    std::error_code error;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file(error) && IsParameterFile(entry.path()))
            ++count;
    return count;
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
        const int id = item.commandId;
        connect(action, &QAction::triggered, this, [this, id] { DispatchCommand(id); });
        actions_[id] = action;
    }
    resize(420, 40);
}

QAction* MainWindow::ActionFor(int commandId) const
{
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::DispatchCommand(int commandId)
{
    Platform& platform = CurrentPlatform();
    switch (commandId) {
    case 115: BrowseFractalsCommand(); break;
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
        SavePictureCommand();
        setEnabled(true);
        break;
    case 145: ConfirmExit(); break;
    case 155: OriginalMandelbrotCommand(); break;
    case 175: ShowAbout(this); break;
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

void ShowHelp()
{
    const std::string help = ProgramFolder() + "quorvatix.chm";
    std::error_code error;
    if (std::filesystem::exists(help, error))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(help)));
    else
        CurrentPlatform().ShowMessage("Helpfile: \nquorvatix.chm not found!", "QUORVATIX", MessageButtons::Ok);
}

void BrowseFractalsCommand()
{
    const std::string folder = CurrentPlatform().AskFolder("SELECT PARAMETER FOLDER", ProgramFolder() + "gallery");
    if (folder.empty())
        return;
    if (CountParameterFiles(folder) == 0) {
        CurrentPlatform().ShowMessage("No parameterfiles found in this folder!", "QUORVATIX\"", MessageButtons::Ok);
        return;
    }
    // The browser window itself is not built yet: say so rather than do nothing.
    CurrentPlatform().ShowMessage("The fractal browser is not available in this version.", "QUORVATIX",
                                  MessageButtons::Ok);
}

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
    CurrentPlatform().RefreshToolWindows();
    if (CurrentPlatform().ShowMessage("Main Mandelbrot?", "QUORVATIX", MessageButtons::OkCancel) ==
        MessageAnswer::Ok)
        OriginalMandelbrot();
    CurrentPlatform().InvalidatePictureWindow();
}
