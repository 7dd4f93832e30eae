#include "files/png_encoder.h"

#include <png.h>

#include <QIODevice>
#include <QImage>

#include <csetjmp>
#include <vector>

namespace {

constexpr int CompressionLevel = 4;
// The difference to the left neighbour alone: trying every filter on every
// row took as long as the compression and saved nothing on these pictures.
constexpr int RowFilter = PNG_FILTER_SUB;

void WriteBytes(png_structp png, png_bytep data, size_t length)
{
    auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
    if (device->write(reinterpret_cast<const char*>(data), static_cast<qint64>(length)) !=
        static_cast<qint64>(length))
        png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

// Failures are the caller's to report: nothing on the terminal.
[[noreturn]] void JumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

}  // namespace

bool WritePng(QIODevice& device, const QImage& image)
{
    if (image.isNull())
        return false;
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    // Created before setjmp: libpng's errors jump back over no destructor.
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &device, WriteBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (source.dotsPerMeterX() > 0 && source.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(source.dotsPerMeterX()),
                     static_cast<png_uint_32>(source.dotsPerMeterY()), PNG_RESOLUTION_METER);
    png_set_compression_level(png, CompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, RowFilter);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * static_cast<size_t>(x)] = static_cast<png_byte>(qRed(line[x]));
            row[3 * static_cast<size_t>(x) + 1] = static_cast<png_byte>(qGreen(line[x]));
            row[3 * static_cast<size_t>(x) + 2] = static_cast<png_byte>(qBlue(line[x]));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
