#include "windows/julia_finder_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <utility>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "platform/platform.h"

namespace {

const QPoint PreviewPlace(660, 60);

QPointer<JuliaFinderWindow> OpenFinder;

// The finder branch of Redraw.
void RenderOpenFinderPreview()
{
    if (OpenFinder)
        OpenFinder->RenderPreview();
}

}  // namespace

JuliaFinderWindow::JuliaFinderWindow(QWidget* pictureWindow, QWidget* mainWindow, JuliaFinderSnapshot snapshot)
    : pictureWindow_(pictureWindow), mainWindow_(mainWindow), snapshot_(std::move(snapshot))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the finder gives the main windows back; it never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle("JULIAFINDER - Click right mouse button when ready");
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFixedSize(State.PicWidth, State.PicHeight);
    move(0, 0);
    // The picture the picture window shows, copied privately: the clipboard
    // stays the user's.
    ShowPicture(FrameImage.pixels.data(), FrameImage.width, FrameImage.height);
    preview_ = new JuliaPreviewWindow(this);
}

JuliaFinderWindow::~JuliaFinderWindow()
{
    // Whatever ends the finder, the program never stays without its windows.
    Cancel();
}

void JuliaFinderWindow::Open()
{
    show();
    preview_->show();
    raise();
    activateWindow();
    SetMainWindowsVisible(false);
    SetMainWindowsEnabled(false);
}

void JuliaFinderWindow::SetMainWindowsEnabled(bool enabled)
{
    for (QWidget* window : {pictureWindow_.data(), mainWindow_.data()})
        if (window)
            window->setEnabled(enabled);
}

void JuliaFinderWindow::SetMainWindowsVisible(bool visible)
{
    for (QWidget* window : {pictureWindow_.data(), mainWindow_.data()})
        if (window)
            window->setVisible(visible);
}

bool JuliaFinderWindow::event(QEvent* event)
{
    if (open_)
        NoteFinderMessage();
    return PictureSurface::event(event);
}

void JuliaFinderWindow::PointAt(QPoint at)
{
    SetJuliaConstantAt(at.x(), at.y());
    if (!moved_) {
        moved_ = true;
        SetMainWindowsEnabled(true);
        FirstFinderMovement();
    }
}

void JuliaFinderWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!open_)
        return;
    PointAt(event->position().toPoint());
    // Movements that arrive while a preview is drawn only move the constant;
    // one preview follows, for the latest.
    if (!previewQueued_) {
        previewQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            previewQueued_ = false;
            if (open_)
                Redraw();
        });
    }
}

void JuliaFinderWindow::RenderPreview()
{
    if (!open_ || State.FrameBusy == 1)
        return;
    RenderJuliaPreview([this](int32_t row, const uint32_t* pixels, int32_t width) {
        preview_->ShowRow(row, pixels, width);
    });
}

void JuliaFinderWindow::mousePressEvent(QMouseEvent* event)
{
    if (!open_ || event->button() != Qt::RightButton)
        return;
    // A finder that opened under a still pointer has had no movement yet.
    PointAt(event->position().toPoint());
    TakeConstant();
}

void JuliaFinderWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        PictureSurface::keyPressEvent(event);
}

void JuliaFinderWindow::closeEvent(QCloseEvent* event)
{
    Cancel();
    // A window of its own: it would stay on screen until the finder is deleted.
    preview_->hide();
    PictureSurface::closeEvent(event);
}

void JuliaFinderWindow::TakeConstant()
{
    open_ = false;
    TakeJuliaConstant();
    // Back before the finder goes, so that the program always has a window.
    SetMainWindowsEnabled(true);
    SetMainWindowsVisible(true);
    close();
    // The picture window's repaint computes the Julia frame: a frame run from
    // here would pump events and delete this window inside its own handler.
    CurrentPlatform().InvalidatePictureWindow();
}

void JuliaFinderWindow::Cancel()
{
    if (!open_)
        return;
    open_ = false;
    SetMainWindowsEnabled(true);
    SetMainWindowsVisible(true);
    CancelJuliaFinder(snapshot_);
}

JuliaPreviewWindow::JuliaPreviewWindow(JuliaFinderWindow* finder) : PictureSurface(finder), finder_(finder)
{
    // Kept above the finder, whose picture it covers.
    setWindowFlags(Qt::Tool);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle("JULIA");
    setFixedSize(JuliaPreviewWidth, JuliaPreviewHeight);
    move(PreviewPlace);
    // Black until the pointer first moves; the rows are drawn into it.
    const std::vector<uint32_t> black(static_cast<size_t>(JuliaPreviewWidth) * JuliaPreviewHeight, 0);
    ShowPicture(black.data(), JuliaPreviewWidth, JuliaPreviewHeight);
}

void JuliaPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        finder_->close();
    else
        PictureSurface::keyPressEvent(event);
}

void JuliaPreviewWindow::closeEvent(QCloseEvent* event)
{
    finder_->close();
    PictureSurface::closeEvent(event);
}

void JuliaFinderCommand(QWidget* pictureWindow, QWidget* mainWindow)
{
    // The menu's shortcut still works while a finder is open.
    if (OpenFinder) {
        OpenFinder->raise();
        return;
    }
    std::optional<JuliaFinderSnapshot> snapshot = BeginJuliaFinder();
    if (!snapshot)
        return;
    InstalledFrameHooks.renderJuliaPreview = &RenderOpenFinderPreview;
    OpenFinder = new JuliaFinderWindow(pictureWindow, mainWindow, std::move(*snapshot));
    OpenFinder->Open();
}
