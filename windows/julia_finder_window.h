#pragma once
#include <QPointer>

#include "nav/julia_finder.h"
#include "platform/qt/picture_surface.h"

class JuliaPreviewWindow;

// The copy of the Mandelbrot picture the Julia constant is picked from. The
// preview follows the pointer; a right click takes the constant and computes
// its Julia picture; Esc or closing the window gives back the program as it
// was before the finder opened.
class JuliaFinderWindow : public PictureSurface {
public:
    JuliaFinderWindow(QWidget* pictureWindow, QWidget* mainWindow, JuliaFinderSnapshot snapshot);
    ~JuliaFinderWindow() override;

    // Shows the finder and its preview and puts the main windows away.
    void Open();
    JuliaPreviewWindow* Preview() const { return preview_; }
    // The preview of the current constant, shown row by row.
    void RenderPreview();

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The constant under the pointer; the first time, the main windows come
    // back on (still hidden).
    void PointAt(QPoint at);
    void TakeConstant();
    void Cancel();
    void SetMainWindowsEnabled(bool enabled);
    void SetMainWindowsVisible(bool visible);

    QPointer<QWidget> pictureWindow_;
    QPointer<QWidget> mainWindow_;
    JuliaPreviewWindow* preview_;
    JuliaFinderSnapshot snapshot_;
    bool open_ = true;  // until the right click or a cancel
    bool moved_ = false;
    bool previewQueued_ = false;
};

// The small window with the Julia set of the constant under the pointer;
// closing it, or Esc in it, closes the finder.
class JuliaPreviewWindow : public PictureSurface {
public:
    explicit JuliaPreviewWindow(JuliaFinderWindow* finder);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    JuliaFinderWindow* finder_;
};

// The "Julia finder" menu command: after its checks, the finder opens over a
// copy of the Mandelbrot picture and the two main windows hide until it ends.
void JuliaFinderCommand(QWidget* pictureWindow, QWidget* mainWindow);
