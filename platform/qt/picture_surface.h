#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>

// A window area that shows a 32-bit picture unscaled at its top-left corner,
// row by row while a frame is computed, with an optional dotted zoom box
// drawn over it (drawn and erased without touching the picture). Pictures
// have the screen's device pixels and are shown 1:1 however the desktop
// scales windows; the positions given here are device pixels.
class PictureSurface : public QWidget {
public:
    explicit PictureSurface(QWidget* parent = nullptr);

    void ShowPicture(const uint32_t* pixels, int32_t width, int32_t height);
    void ShowRow(int32_t row, const uint32_t* pixels, int32_t width);
    void SetZoomBox(bool visible, QPoint corner1 = {}, QPoint corner2 = {});
    // While the view is dragged the picture is drawn moved by `offset`;
    // KeepPictureMoved makes the move part of the picture (the uncovered
    // part black) until the new frame's rows replace it.
    void SetPictureOffset(QPoint offset);
    void KeepPictureMoved();
    // The picture becomes `size` pixels, the old one at `offset` and black
    // around it, until the new frame's rows replace it.
    void ReframePicture(QSize size, QPoint offset);
    const QImage& picture() const { return picture_; }
    // The device pixel under a position of the window.
    QPoint DevicePoint(QPointF position) const;
    // The window size that shows a picture of width x height device pixels.
    QSize WindowSizeFor(int32_t width, int32_t height) const;
    // The picture size the window's size holds.
    QSize PictureSizeOfWindow() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    QPoint offset_;
    bool boxVisible_ = false;
    QPoint boxCorner1_;
    QPoint boxCorner2_;
};
