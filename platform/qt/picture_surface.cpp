#include "platform/qt/picture_surface.h"

#include <QPainter>
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
    repaint(0, row, width, 1);
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
    if (!picture_.isNull())
        painter.drawImage(offset_, picture_);
    if (boxVisible_) {
        // Inverted under a dotted pen, so the box shows on any colours.
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.setPen(QPen(QColor(0, 0, 255), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(boxCorner1_, boxCorner2_).normalized());
    }
}
