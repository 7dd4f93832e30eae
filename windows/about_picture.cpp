#include "windows/about_picture.h"

QImage AboutPicture(int width, int height, const uint32_t* palette)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double cr = -2.2 + 3.0 * x / width;
            const double ci = -1.2 + 2.4 * y / height;
            double zr = 0, zi = 0;
            int n = 0;
            while (n < 64 && zr * zr + zi * zi <= 4) {
                const double t = zr * zr - zi * zi + cr;
                zi = 2 * zr * zi + ci;
                zr = t;
                ++n;
            }
            const uint32_t colour = n == 64 ? 0 : palette[static_cast<size_t>(n * 40 + 12)];
            picture.setPixel(x, y, 0xFF000000u | colour);
        }
    }
    return picture;
}
