#include "windows/picture_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/frame_driver.h"
#include "nav/zoom_navigation.h"

PictureWindow::PictureWindow(QWidget* parent) : PictureSurface(parent)
{
    setWindowTitle("QUORVATIX");
}

QPoint PictureWindow::Clamped(QPoint position) const
{
    return {std::clamp(position.x(), 0, std::max(0, width() - 1)),
            std::clamp(position.y(), 0, std::max(0, height() - 1))};
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
    if (event->button() == Qt::RightButton) {
        RightClick();
        return;
    }
    if (event->button() != Qt::LeftButton || !PictureFinished())
        return;
    pressPoint_ = Clamped(event->position().toPoint());
    PressAt(pressPoint_.x(), pressPoint_.y());
    setCursor(Qt::CrossCursor);
    if (State.BoxedZoom == 1) {
        boxActive_ = true;
        SetZoomBox(true, pressPoint_, pressPoint_);
    }
}

void PictureWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!PictureFinished() || State.BoxedZoom != 1 || !boxActive_)
        return;
    setCursor(Qt::CrossCursor);
    SetZoomBox(true, pressPoint_, Clamped(event->position().toPoint()));
}

void PictureWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!PictureFinished()) {
        update();
        return;
    }
    const QPoint release = Clamped(event->position().toPoint());
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

void PictureWindow::closeEvent(QCloseEvent* event)
{
    State.QuitRequested = 1;
    event->accept();
    QApplication::quit();
}
