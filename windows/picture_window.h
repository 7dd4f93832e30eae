#pragma once
#include <QPoint>

#include "platform/qt/picture_surface.h"

// The picture window: computes the frame when it paints with parameters
// changed, turns the mouse and keys into zooms and moves of the view, and
// makes the picture the window's size when it is resized.
class PictureWindow : public PictureSurface {
public:
    explicit PictureWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPoint Clamped(QPoint position) const;
    void ComputeFrame();
    // The picture takes the window's size once no frame or movie runs.
    void AdoptWindowSize();

    bool boxActive_ = false;
    bool dragging_ = false;  // middle button, or Shift + left button
    QPoint dragStart_;
    int wheelAngle_ = 0;
    bool frameQueued_ = false;
    bool resizeQueued_ = false;
    QPoint pressPoint_;
};
