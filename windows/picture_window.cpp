#include "windows/picture_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "nav/fractal_parameters.h"
#include "nav/zoom_navigation.h"
#include "platform/platform.h"

PictureWindow::PictureWindow(QWidget* parent) : PictureSurface(parent)
{
    setWindowTitle("QUORVATIX");
    setFocusPolicy(Qt::StrongFocus);
}

QPoint PictureWindow::Clamped(QPoint position) const
{
    return {std::clamp(position.x(), 0, std::max(0, State.PicWidth - 1)),
            std::clamp(position.y(), 0, std::max(0, State.PicHeight - 1))};
}

void PictureWindow::paintEvent(QPaintEvent* event)
{
    PictureSurface::paintEvent(event);
    if (State.MovieMode == 1 || State.PictureLocked == 1 || State.FrameValid == 1 || State.FrameBusy == 1)
        return;
    // The frame runs after this paint has ended: its drivers pump events and
    // paint rows themselves.
    if (!frameQueued_) {
        frameQueued_ = true;
        QTimer::singleShot(0, this, [this] { ComputeFrame(); });
    }
}

void PictureWindow::ComputeFrame()
{
    frameQueued_ = false;
    if (State.FrameValid == 1 || State.PictureLocked == 1 || State.FrameBusy == 1 || State.MovieMode == 1)
        return;
    Redraw();
    SyncViewTexts();
    update();
}

void PictureWindow::mousePressEvent(QMouseEvent* event)
{
    const bool dragButton = event->button() == Qt::MiddleButton ||
                            (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (dragButton) {
        if (PictureFinished() && (State.FrameValid == 1 || State.FrameAborted == 1)) {
            dragging_ = true;
            dragStart_ = DevicePoint(event->position());
            setCursor(Qt::ClosedHandCursor);
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        RightClick();
        return;
    }
    if (event->button() != Qt::LeftButton || !PictureFinished())
        return;
    pressPoint_ = Clamped(DevicePoint(event->position()));
    PressAt(pressPoint_.x(), pressPoint_.y());
    setCursor(Qt::CrossCursor);
    if (State.BoxedZoom == 1) {
        boxActive_ = true;
        SetZoomBox(true, pressPoint_, pressPoint_);
    }
}

void PictureWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) {
        SetPictureOffset(DevicePoint(event->position()) - dragStart_);
        return;
    }
    if (!PictureFinished() || State.BoxedZoom != 1 || !boxActive_)
        return;
    setCursor(Qt::CrossCursor);
    SetZoomBox(true, pressPoint_, Clamped(DevicePoint(event->position())));
}

void PictureWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        dragging_ = false;
        unsetCursor();
        const QPoint moved = DevicePoint(event->position()) - dragStart_;
        SetPictureOffset(moved);
        // The moved picture stays until the new frame's rows replace it.
        if (MoveView(moved.x(), moved.y()))
            KeepPictureMoved();
        else
            SetPictureOffset({});
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (!PictureFinished()) {
        update();
        return;
    }
    const QPoint release = Clamped(DevicePoint(event->position()));
    if (State.BoxedZoom == 1 && boxActive_) {
        SetZoomBox(false);
        if (BoxZoom(release.x(), release.y()))
            boxActive_ = false;
        unsetCursor();
        return;
    }
    unsetCursor();
    ClickZoom(release.x(), release.y());
}

void PictureWindow::wheelEvent(QWheelEvent* event)
{
    // One notch is 120; high-resolution wheels send parts of it.
    wheelAngle_ += event->angleDelta().y();
    const QPoint at = Clamped(DevicePoint(event->position()));
    while (std::abs(wheelAngle_) >= 120) {
        const bool in = wheelAngle_ > 0;
        wheelAngle_ += in ? -120 : 120;
        // Further notches wait for the frame of the first.
        ZoomAboutPixel(at.x(), at.y(), in ? 0.5f : 2.0f);
    }
    event->accept();
}

void PictureWindow::keyPressEvent(QKeyEvent* event)
{
    const int stepX = std::max(1, State.PicWidth / 10);
    const int stepY = std::max(1, State.PicHeight / 10);
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
        PictureSurface::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    // The view moves the arrow's way, so the picture moves the other way.
    case Qt::Key_Left: MoveView(stepX, 0); break;
    case Qt::Key_Right: MoveView(-stepX, 0); break;
    case Qt::Key_Up: MoveView(0, stepY); break;
    case Qt::Key_Down: MoveView(0, -stepY); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomAboutPixel(State.PicWidth / 2, State.PicHeight / 2, 0.5f); break;
    case Qt::Key_Minus: ZoomAboutPixel(State.PicWidth / 2, State.PicHeight / 2, 2.0f); break;
    case Qt::Key_F11: setWindowState(windowState() ^ Qt::WindowFullScreen); break;
    default: PictureSurface::keyPressEvent(event); return;
    }
    event->accept();
}

void PictureWindow::closeEvent(QCloseEvent* event)
{
    State.QuitRequested = 1;
    event->accept();
    QApplication::quit();
}

void PictureWindow::resizeEvent(QResizeEvent* event)
{
    PictureSurface::resizeEvent(event);
    if (!resizeQueued_) {
        resizeQueued_ = true;
        QTimer::singleShot(0, this, [this] { AdoptWindowSize(); });
    }
}

void PictureWindow::AdoptWindowSize()
{
    resizeQueued_ = false;
    const int32_t oldWidth = State.PicWidth;
    const int32_t oldHeight = State.PicHeight;
    // A picture of odd device pixels fills its window up to a part of one.
    if (size() == WindowSizeFor(oldWidth, oldHeight))
        return;
    const QSize device = PictureSizeOfWindow();
    const PictureSize wanted = PictureSizeForWindow(device.width(), device.height());
    if (wanted.width == oldWidth && wanted.height == oldHeight)
        return;
    // A frame pumps events while it runs; its buffers must stay as they are.
    if (State.FrameBusy == 1 || State.MovieMode == 1 || State.JuliaFinderActive == 1) {
        resizeQueued_ = true;
        QTimer::singleShot(100, this, [this] { AdoptWindowSize(); });
        return;
    }
    if (!ResizeResultBuffers(wanted.width, wanted.height)) {
        resize(WindowSizeFor(oldWidth, oldHeight));
        return;
    }
    State.PictureWindowWidth = wanted.width;
    State.PictureWindowHeight = wanted.height;
    const QPoint shared((wanted.width - oldWidth) / 2, (wanted.height - oldHeight) / 2);
    ReframePicture({wanted.width, wanted.height}, shared);
    ResizeView(oldWidth, oldHeight, wanted.width, wanted.height);
    CurrentPlatform().RefreshToolWindows();
}
