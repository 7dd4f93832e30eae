#pragma once
#include <QWidget>

// A modeless tool window owned by the menu window: painted with the palette
// strip, in the program's font, destroyed when closed. While a frame runs its
// controls are shut off; the window itself stays enabled so that Esc still
// reaches the program.
class ToolWindow : public QWidget {
public:
    ToolWindow(QWidget* owner, const QString& title);
    ~ToolWindow() override;

    // Shows the current state in every control. With `keepEdits` a field
    // whose value has not changed since it was last shown keeps what the
    // user typed into it (see ShowStateText).
    virtual void Refresh(bool keepEdits = false) = 0;
    // The parent of every control.
    QWidget* Controls() const { return controls_; }

    // What the frame drivers and RefreshToolWindows ask of all open ones.
    static void RefreshAll(bool keepEdits);
    static void SetAllEnabled(bool enabled);
    // Closes every open tool window (before a movie takes over the screen).
    static void CloseAll();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* controls_;
};

class QLineEdit;
// Writes a state value into a field; with `keepEdits` only when the value
// differs from the one the field last showed, so a typed but not yet applied
// entry survives changes elsewhere.
void ShowStateText(QLineEdit* field, const QString& text, bool keepEdits);

// "Arial" 10 points where the font exists, the desktop's sans-serif otherwise.
QFont ToolWindowFont();

class QtPlatform;
// Lets the platform's RefreshToolWindows and SetInputWindowsEnabled reach the
// open tool windows.
void ConnectToolWindows(QtPlatform& platform);
