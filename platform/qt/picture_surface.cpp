#include "platform/qt/picture_surface.h"

#include <QPainter>
#include <cmath>
#include <cstring>

PictureSurface::PictureSurface(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureSurface::ShowPicture(const uint32_t* pixels, int32_t width, int32_t height)
{
    if (!pixels || width <= 0 || height <= 0)
        return;
    if (picture_.width() != width || picture_.height() != height)
        picture_ = QImage(width, height, QImage::Format_RGB32);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(picture_.scanLine(y), pixels + static_cast<size_t>(y) * width, static_cast<size_t>(width) * 4);
    repaint();
}

void PictureSurface::ShowRow(int32_t row, const uint32_t* pixels, int32_t width)
{
    if (picture_.width() != width || row < 0 || row >= picture_.height()) {
        if (width <= 0 || row < 0)
            return;
        QImage grown(width, std::max(row + 1, picture_.height()), QImage::Format_RGB32);
        grown.fill(Qt::black);
        picture_ = grown;
    }
    std::memcpy(picture_.scanLine(row), pixels, static_cast<size_t>(width) * 4);
    const qreal ratio = devicePixelRatioF();
    repaint(QRectF(0, row / ratio, width / ratio, 1 / ratio).toAlignedRect());
}

void PictureSurface::SetZoomBox(bool visible, QPoint corner1, QPoint corner2)
{
    boxVisible_ = visible;
    boxCorner1_ = corner1;
    boxCorner2_ = corner2;
    update();
}

void PictureSurface::SetPictureOffset(QPoint offset)
{
    offset_ = offset;
    update();
}

void PictureSurface::KeepPictureMoved()
{
    if (!offset_.isNull())
        ReframePicture(picture_.size(), offset_);
    SetPictureOffset({});
}

void PictureSurface::ReframePicture(QSize size, QPoint offset)
{
    if (picture_.isNull() || size.isEmpty())
        return;
    QImage reframed(size, QImage::Format_RGB32);
    reframed.fill(Qt::black);
    QPainter painter(&reframed);
    painter.drawImage(offset, picture_);
    painter.end();
    picture_ = reframed;
    update();
}

void PictureSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const qreal ratio = devicePixelRatioF();
    if (!picture_.isNull()) {
        picture_.setDevicePixelRatio(ratio);
        painter.drawImage(QPointF(offset_) / ratio, picture_);
    }
    if (boxVisible_) {
        // Inverted under a dotted pen, so the box shows on any colours.
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.setPen(QPen(QColor(0, 0, 255), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        const QRectF box = QRectF(QRect(boxCorner1_, boxCorner2_).normalized());
        painter.drawRect(QRectF(box.topLeft() / ratio, box.size() / ratio));
    }
}

QPoint PictureSurface::DevicePoint(QPointF position) const
{
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::floor(position.x() * ratio)), static_cast<int>(std::floor(position.y() * ratio))};
}

QSize PictureSurface::WindowSizeFor(int32_t width, int32_t height) const
{
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::ceil(width / ratio)), static_cast<int>(std::ceil(height / ratio))};
}

QSize PictureSurface::PictureSizeOfWindow() const
{
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio))};
}
