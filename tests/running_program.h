#pragma once
#include <QApplication>
#include <QtTest>
#include <memory>

#include "app/main_window.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "movie/movie_to_disk.h"
#include "windows/picture_window.h"
#include "windows/tool_window.h"
#include "nav/view_history.h"
#include "platform/headless_platform.h"
#include "platform/qt/qt_platform.h"
#include "sanitizer_settings.h"

// The desktop program's picture and menu windows on the offscreen platform,
// from the start-up defaults with a small picture, its first frame computed;
// every message box and file dialog is answered by a headless platform.
class RunningProgram {
public:
    HeadlessPlatform answers;

private:
    QtPlatform platform_;  // outlives the windows

public:
    std::unique_ptr<PictureWindow> picture;
    std::unique_ptr<MainWindow> menu;  // owned by the picture window: goes first

    RunningProgram(int width, int height, int processorCount = 2)
    {
        platform_.SetDialogAnswerer(&answers);
        ConnectToolWindows(platform_);
        InstallPlatform(&platform_);
        StartUpEngine(1280, 1024, processorCount);
        ClearViewHistory();
        InstalledFrameHooks.frameShown = &RecordShownView;
        InstalledMovieHooks.closeToolWindows = &ToolWindow::CloseAll;
        State.PicWidth = width;
        State.PicHeight = height;
        Results.Allocate(width, height);
        picture = std::make_unique<PictureWindow>();
        menu = std::make_unique<MainWindow>(picture.get());
        platform_.SetWindows(menu.get(), picture.get());
        platform_.ResizePictureArea(width, height);
        menu->show();
        picture->show();
        WaitForFrame();
    }
    ~RunningProgram()
    {
        menu.reset();
        picture.reset();
        InstallPlatform(nullptr);
    }

    static void WaitForFrame()
    {
        QTRY_VERIFY_WITH_TIMEOUT(State.FrameValid == 1 && State.FrameBusy == 0, 60000);
    }

    // The tool window the menu command opened (tool windows have no meta
    // object of their own, so they are told apart by their type).
    template <class Window>
    Window* OpenToolWindow(int commandId)
    {
        menu->DispatchCommand(commandId);
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* opened = dynamic_cast<Window*>(window); opened && opened->isVisible())
                return opened;
        return nullptr;
    }
};
