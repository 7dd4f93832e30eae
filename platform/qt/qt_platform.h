#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>

#include "platform/platform.h"

// The desktop side of the platform seam. Dialogs can be handed to another
// platform (tests answer them headlessly); everything else acts on the
// real windows.
class QtPlatform : public QObject, public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    // The windows the engine talks to; the picture window draws FrameImage.
    void SetWindows(QWidget* mainWindow, QWidget* pictureWindow);
    // When set, message boxes and file dialogs are answered by it.
    void SetDialogAnswerer(Platform* answerer) { answerer_ = answerer; }
    // The tool windows live above this layer; they hand in how to reach them.
    void SetToolWindowHooks(void (*refresh)(bool keepEdits), void (*setEnabled)(bool))
    {
        refreshToolWindows_ = refresh;
        setToolWindowsEnabled_ = setEnabled;
    }

    void PumpMessages() override;
    bool EscapePressed() override;
    void SetMainTitle(const std::string& title) override;
    void SetPictureTitle(const std::string& title) override;
    void SetInputWindowsEnabled(bool enabled) override;
    void ShowFrameImage(const uint32_t* pixels, int32_t width, int32_t height) override;
    void ShowFrameRow(int32_t row, const uint32_t* pixels, int32_t width) override;
    void InvalidatePictureWindow() override;
    void ResizePictureArea(int32_t width, int32_t height) override;
    void MovePictureWindow(int32_t x, int32_t y) override;
    void RefreshToolWindows() override;
    void ShowChangesInToolWindows() override;
    void ShowProgress(int32_t) override {}
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageButtons buttons) override;
    std::string AskText(const std::string& prompt, const std::string& title,
                        const std::string& defaultAnswer) override;
    std::string AskOpenFile(const FileDialogRequest& request) override;
    std::string AskSaveFile(const FileDialogRequest& request) override;
    std::string AskFolder(const std::string& title, const std::string& startFolder) override;

protected:
    // Esc anywhere in the application, seen before any widget handles it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> pictureWindow_;
    Platform* answerer_ = nullptr;
    void (*refreshToolWindows_)(bool keepEdits) = nullptr;
    void (*setToolWindowsEnabled_)(bool) = nullptr;
    std::atomic<bool> escapePressed_{false};
};

// "Desc (*.x)|*.X|Other (*.y)|*.Y|" -> "Desc (*.x);;Other (*.y)".
QString ToolkitFilter(const std::string& filter);
