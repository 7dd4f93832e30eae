#include "files/picture_export.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "platform/platform.h"

namespace {


// A view of FrameImage without copying it; null when there is no picture.
QImage WrapFrameImage()
{
    if (!FrameImage.exists() || FrameImage.width <= 0 || FrameImage.height <= 0)
        return {};
    const size_t count = static_cast<size_t>(FrameImage.width) * static_cast<size_t>(FrameImage.height);
    if (FrameImage.pixels.size() < count)
        return {};
    return QImage(reinterpret_cast<const uchar*>(FrameImage.pixels.data()), FrameImage.width,
                  FrameImage.height, static_cast<qsizetype>(FrameImage.width) * 4,
                  QImage::Format_RGB32);
}

bool RebuildFrameImageForExport()
{
    const int32_t width = State.PicWidth;
    const int32_t height = State.PicHeight;
    if (width <= 0 || height <= 0)
        return false;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (Results.IterBuffer.size() < count)
        return false;

    // In place: the shown picture's pages are already touched.
    FrameImage.pixels.resize(count);
    const int32_t* values = Results.IterBuffer.data();
    for (size_t i = 0; i < count; ++i)
        FrameImage.pixels[i] = ExportColor(values[i]);
    FrameImage.width = width;
    FrameImage.height = height;
    return true;
}

bool FileWritten(const std::string& path, int status)
{
    return status == 0 && !PictureMimeType(path).empty();
}

int ExportPictureStatus(const std::string& path)
{
    if (!RebuildFrameImageForExport())
        return SaveImageWriteFailed;
    CurrentPlatform().ShowFrameImage(FrameImage.pixels.data(), FrameImage.width, FrameImage.height);
    return SaveImageByExtension(path, WrapFrameImage());
}

}  // namespace

uint32_t ExportColor(int32_t value)
{
    return value <= 0 ? DirectColor(value) : PaletteEntryAt(int64_t{State.PaletteOffset} + value);
}

bool ExportPicture(const std::string& path)
{
    return FileWritten(path, ExportPictureStatus(path));
}

bool SaveShownPicture(const std::string& path)
{
    const QImage image = WrapFrameImage();
    if (image.isNull())
        return false;
    return FileWritten(path, SaveImageByExtension(path, image));
}

bool SaveThumbnail(const std::string& path)
{
    const QImage image = WrapFrameImage();
    if (image.isNull())
        return false;
    const QImage thumbnail = image.scaled(ThumbnailWidth, ThumbnailHeight, Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation);
    return FileWritten(path, SaveImageByExtension(path, thumbnail));
}

std::string AskPicturePath()
{
    struct PictureType {
        const char* filter;
        const char* defaultExtension;
    };
    static constexpr PictureType Types[] = {
        {"Picture Files (*.jpg)|*.JPG|", "JPG"},
        {"Picture Files (*.bmp)|*.BMP|", "BMP"},
        {"Picture Files (*.tif)|*.TIF|", "TIF"},
        {"Picture Files (*.png)|*.PNG|", "PNG"},
    };
    const int32_t index = State.PicFormatIndex >= 0 && State.PicFormatIndex <= 3 ? State.PicFormatIndex : 0;

    FileDialogRequest request;
    request.filter = Types[index].filter;
    request.defaultExtension = Types[index].defaultExtension;
    return CurrentPlatform().AskSaveFile(request);
}

void ReportPictureNotSaved(const std::string& path)
{
    if (PictureMimeType(path).empty())
        return;
    CurrentPlatform().ShowMessage("The picture could not be saved:\n" + path, "QUORVATIX", MessageButtons::Ok);
}

void SavePictureCommand()
{
    const std::string path = AskPicturePath();
    if (path.empty())
        return;
    if (ExportPictureStatus(path) != 0)
        ReportPictureNotSaved(path);
}
