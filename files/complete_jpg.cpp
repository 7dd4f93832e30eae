#include "files/complete_jpg.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <fstream>

namespace {

// A cut file decodes too, its missing rows grey: only the markers at both
// ends tell that the encoder finished.
bool HasStartAndEndMarkers(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size < 4)
        return false;
    unsigned char start[2] = {};
    unsigned char end[2] = {};
    in.seekg(0);
    in.read(reinterpret_cast<char*>(start), 2);
    in.seekg(size - 2);
    in.read(reinterpret_cast<char*>(end), 2);
    return in && start[0] == 0xFF && start[1] == 0xD8 && end[0] == 0xFF && end[1] == 0xD9;
}

}  // namespace

std::optional<JpgSize> CompleteJpgSize(const std::string& path)
{
    if (!HasStartAndEndMarkers(path))
        return std::nullopt;
    QImageReader reader(QString::fromStdString(path), "jpg");
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return JpgSize{image.width(), image.height()};
}
