#pragma once
#include <cstdint>
#include <string>

// Everything the engine and the file commands ask of the desktop. The Qt
// implementation serves the desktop program; the headless one serves the
// batch renderer and the tests.

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string title;         // empty: the toolkit's default caption
    std::string filter;        // "Desc (*.x)|*.X|" pairs
    std::string defaultExtension;
    std::string fileName;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Message pump: handle pending events of the interface thread.
    virtual void PumpMessages() = 0;
    // Whether windows share the interface thread: only then do the drivers
    // pause to give them their turn.
    virtual bool HasWindows() const { return true; }
    // True when Esc is down or was pressed since the last query.
    virtual bool EscapePressed() = 0;

    virtual void SetMainTitle(const std::string& title) = 0;
    virtual void SetPictureTitle(const std::string& title) = 0;
    virtual void SetInputWindowsEnabled(bool enabled) = 0;
    // The picture window shows the whole 0x00RRGGBB picture (top row first)
    // or one freshly computed row.
    virtual void ShowFrameImage(const uint32_t* pixels, int32_t width, int32_t height) = 0;
    virtual void ShowFrameRow(int32_t row, const uint32_t* pixels, int32_t width) = 0;
    virtual void InvalidatePictureWindow() = 0;
    virtual void ResizePictureArea(int32_t width, int32_t height) = 0;
    // Places the picture window's frame at (x, y) on the screen.
    virtual void MovePictureWindow(int32_t x, int32_t y) = 0;
    // The open tool windows show the current state, as if opened again
    // (after frames and loads).
    virtual void RefreshToolWindows() = 0;
    // They show the values that changed and keep what the user typed into
    // the other fields (after a choice in a list, a reset, a new palette).
    virtual void ShowChangesInToolWindows() = 0;
    // Rows done of the frame being computed, for a progress display.
    virtual void ShowProgress(int32_t percent) = 0;

    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageButtons buttons) = 0;
    // Empty string when cancelled.
    virtual std::string AskText(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) = 0;
    virtual std::string AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::string AskSaveFile(const FileDialogRequest& request) = 0;
    virtual std::string AskFolder(const std::string& title, const std::string& startFolder) = 0;
};

// The platform the program installed; it must have installed one.
Platform& CurrentPlatform();
// Installs the platform for the process (nullptr: none); the previous one is
// returned. Whoever starts the program chooses and installs it.
Platform* InstallPlatform(Platform* platform);

// Sleep 0 yields the processor.
void SleepMilliseconds(int32_t ms);
// A pause that gives the windows their turn: none where there are no windows.
void PauseForWindows(int32_t ms);
uint64_t TickMilliseconds();
