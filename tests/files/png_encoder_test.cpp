#include "files/png_encoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <random>

TEST(PngEncoderTest, EveryPixelReadsBackAndRefusedBytesFail)
{
    QImage image(37, 23, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WritePng(buffer, image));
    const QImage back = QImage::fromData(buffer.data(), "PNG").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back, image);

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(WritePng(readOnly, image));
    EXPECT_FALSE(WritePng(buffer, QImage()));
}
