#pragma once
#include <QPoint>

#include "platform/qt/picture_surface.h"

// The picture window: computes the frame when it paints with parameters
// changed, and turns the mouse into zooms.
class PictureWindow : public PictureSurface {
public:
    explicit PictureWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint Clamped(QPoint position) const;
    void ComputeFrame();

    bool boxActive_ = false;
    bool frameQueued_ = false;
    QPoint pressPoint_;
};
