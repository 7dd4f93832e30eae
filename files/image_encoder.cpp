#include "files/image_encoder.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QString>

#include <array>
#include <string_view>

#include "engine/fractal_state.h"
#include "files/png_encoder.h"
#include "platform/whole_file.h"

namespace {

struct ExtensionType {
    std::string_view extension;
    std::string_view mimeType;
};

// DIB is accepted as an extension but has no type, so nothing is written.
constexpr std::array<ExtensionType, 11> ExtensionTypes{{
    {"DIB", ""},
    {"EMF", "image/x-emf"},
    {"GIF", "image/gif"},
    {"JPG", "image/jpeg"},
    {"JPEG", "image/jpeg"},
    {"PNG", "image/png"},
    {"TIF", "image/tiff"},
    {"TIFF", "image/tiff"},
    {"WMF", "image/x-wmf"},
    {"BMP", "image/bmp"},
    {"ICO", "image/x-icon"},
}};

int WriterNumber(const QList<QByteArray>& mimeTypes, const QByteArray& wanted)
{
    for (qsizetype i = 0; i < mimeTypes.size(); ++i)
        if (mimeTypes[i] == wanted)
            return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

std::string PictureMimeType(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    for (const ExtensionType& entry : ExtensionTypes)
        if (entry.extension == extension)
            return std::string(entry.mimeType);
    return {};
}

int FindEncoder(const std::string& mimeType, std::string& formatOut)
{
    formatOut.clear();
    const QList<QByteArray> mimeTypes = QImageWriter::supportedMimeTypes();
    if (mimeTypes.isEmpty())
        return -1;

    QByteArray wanted = QByteArray::fromStdString(mimeType);
    int number = WriterNumber(mimeTypes, wanted);
    if (number == 0) {
        // Qt lists a writer under the canonical type only (image/x-icon is
        // image/vnd.microsoft.icon); follow exact aliases, nothing looser.
        const QString name = QString::fromStdString(mimeType);
        const QMimeType type = QMimeDatabase().mimeTypeForName(name);
        if (type.isValid() && type.aliases().contains(name)) {
            wanted = type.name().toLatin1();
            number = WriterNumber(mimeTypes, wanted);
        }
    }
    if (number == 0)
        return static_cast<int>(mimeTypes.size());

    const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(wanted);
    if (formats.isEmpty())
        return static_cast<int>(mimeTypes.size());
    formatOut = formats.front().toStdString();
    return number;
}

int SaveImageByExtension(const std::string& path, const QImage& image)
{
    const int quality = State.AutosaveParameter == 1 ? 75 : 100;
    if (path.empty())
        return -1;
    const std::string mimeType = PictureMimeType(path);
    if (mimeType.empty())
        return 0;

    // PNG is always written here, by its own encoder.
    const bool png = mimeType == "image/png";
    std::string format;
    if (!png) {
        FindEncoder(mimeType, format);
        if (format.empty())
            return SaveImageNoEncoder;
    }
    if (image.isNull())
        return SaveImageWriteFailed;

    // Encoded into a temporary file beside the target and renamed over it
    // only when complete, so a failed save leaves an existing file intact; a
    // device or pipe is written directly.
    const bool special = IsSpecialFile(path);
    QSaveFile saveFile(QString::fromStdString(path));
    QFile directFile(QString::fromStdString(path));
    QFileDevice& file = special ? static_cast<QFileDevice&>(directFile) : saveFile;
    if (!file.open(QIODevice::WriteOnly))
        return SaveImageWriteFailed;
    bool written = false;
    if (png) {
        written = WritePng(file, image);
    } else {
        QImageWriter writer(&file, QByteArray::fromStdString(format));
        // Quality is the lossy setting: only JPEG reads it as such.
        if (mimeType == "image/jpeg")
            writer.setQuality(quality);
        written = writer.write(image);
    }
    if (special) {
        file.close();
        return written && file.error() == QFileDevice::NoError ? 0 : SaveImageWriteFailed;
    }
    if (!written) {
        saveFile.cancelWriting();
        return SaveImageWriteFailed;
    }
    return saveFile.commit() ? 0 : SaveImageWriteFailed;
}
