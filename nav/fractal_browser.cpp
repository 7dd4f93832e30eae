#include "nav/fractal_browser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"
#include "nav/fractal_parameters.h"
#include "platform/platform.h"

FractalBrowserState Browser;

namespace {

constexpr int32_t ShallowPrecision = 80;

// Where the picture window goes: out of the way while it is thumbnail-sized,
// back at the top for full pictures (after a picture file, after "REDRAW").
struct WindowPlace {
    int32_t x;
    int32_t y;
};
constexpr WindowPlace ThumbnailPlace{40, 400};
constexpr WindowPlace PictureFilePlace{40, 0};
constexpr WindowPlace RedrawPlace{20, 0};

enum class BrowserFileKind { Fra, Fdz, Fpi, Fpz, Other };

// The last four characters in upper case decide, whatever the file holds.
BrowserFileKind KindOf(const std::string& path)
{
    if (path.size() < 4)
        return BrowserFileKind::Other;
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ending == ".FRA")
        return BrowserFileKind::Fra;
    if (ending == ".FDZ")
        return BrowserFileKind::Fdz;
    if (ending == ".FPI")
        return BrowserFileKind::Fpi;
    if (ending == ".FPZ")
        return BrowserFileKind::Fpz;
    return BrowserFileKind::Other;
}

bool CarriesPicture(BrowserFileKind kind) { return kind == BrowserFileKind::Fpi || kind == BrowserFileKind::Fpz; }

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

void PlacePictureWindow(WindowPlace place)
{
    CurrentPlatform().MovePictureWindow(place.x, place.y);
    Browser.PictureAtThumbnailPlace = place.x == ThumbnailPlace.x && place.y == ThumbnailPlace.y;
}

void SetPictureWindowSize(int32_t width, int32_t height)
{
    CurrentPlatform().ResizePictureArea(width, height);
    State.PictureWindowWidth = width;
    State.PictureWindowHeight = height;
}

// Kind and precision of a plain parameter file, without loading it; a file
// that is not recognised is refused with its message.
bool PeekShownFile(const std::string& path)
{
    if (PeekParameterHeader(path, Browser.ShownIsMandelbrot, Browser.ShownPrecision))
        return true;
    ShowNotQuorvatixFile();
    return false;
}

// A file with its picture: shown as stored, locked against recomputing.
bool ShowPictureFile(const std::string& path, bool thumbnailExists)
{
    if (LoadImageParameterFile(path) != 1)
        return false;
    // The stored picture's size is the one in force now.
    Browser.SizeBeforeThumbnailWidth = 0;
    Browser.SizeBeforeThumbnailHeight = 0;
    Browser.ShownIsMandelbrot = IsMandelbrot(State.FractalFlags) ? 1 : 0;
    Browser.ShownPrecision = State.PrecisionBits;
    if (thumbnailExists && Browser.PictureAtThumbnailPlace && State.PicWidth > ThumbnailWidth)
        PlacePictureWindow(PictureFilePlace);
    DisplayPicture();
    const std::string thumbnail = path + ".jpg";
    if (thumbnailExists && !FileExists(thumbnail))
        SaveThumbnail(thumbnail);
    State.PictureLocked = 1;
    State.FrameValid = 1;
    CurrentPlatform().RefreshToolWindows();
    return true;
}

ThumbnailResult MakeThumbnailOf(const std::string& path)
{
    const int32_t widthBefore = State.PicWidth;
    const int32_t heightBefore = State.PicHeight;
    // Loaded first, so that a refused file leaves the picture as it was. A
    // file with a picture brings its own size, which the thumbnail replaces.
    const int loaded = CarriesPicture(KindOf(path)) ? LoadImageParameterFile(path) : LoadParameterFile(path);
    if (loaded != 1 || !ResizeResultBuffers(ThumbnailWidth, ThumbnailHeight))
        return ThumbnailResult::Refused;
    // Several thumbnails in a row keep the size from before the first.
    if (Browser.SizeBeforeThumbnailWidth == 0) {
        Browser.SizeBeforeThumbnailWidth = widthBefore;
        Browser.SizeBeforeThumbnailHeight = heightBefore;
    }
    SetPictureWindowSize(ThumbnailWidth, ThumbnailHeight);
    PlacePictureWindow(ThumbnailPlace);
    State.FrameValid = 0;
    State.PictureLocked = 0;
    Redraw();
    // A frame stopped with Esc would stay the file's thumbnail for good.
    if (State.FrameValid != 1 || State.FrameAborted == 1)
        return ThumbnailResult::NotWritten;
    return SaveThumbnail(path + ".jpg") ? ThumbnailResult::Written : ThumbnailResult::NotWritten;
}

// The size before the thumbnail, or 640 x 480 when that was the thumbnail
// size; the picture is computed again at it.
void RestoreSizeBeforeThumbnail()
{
    int32_t width = Browser.SizeBeforeThumbnailWidth;
    int32_t height = Browser.SizeBeforeThumbnailHeight;
    if (width == 0)
        return;
    Browser.SizeBeforeThumbnailWidth = 0;
    Browser.SizeBeforeThumbnailHeight = 0;
    if (width == ThumbnailWidth) {
        width = BrowserRestoreWidth;
        height = BrowserRestoreHeight;
    }
    if ((width == State.PicWidth && height == State.PicHeight) || !ResizeResultBuffers(width, height))
        return;
    SetPictureWindowSize(width, height);
    if (State.PicWidth > ThumbnailWidth)
        PlacePictureWindow(RedrawPlace);
    State.FrameValid = 0;
    State.PictureLocked = 0;
    CurrentPlatform().InvalidatePictureWindow();
}

}  // namespace

bool MatchesParameterPattern(std::string_view fileName)
{
    // Two characters after the "f": characters, not bytes, of a UTF-8 name.
    size_t end = fileName.size();
    for (int k = 0; k < 2; ++k) {
        if (end == 0)
            return false;
        --end;
        while (end > 0 && (static_cast<unsigned char>(fileName[end]) & 0xC0) == 0x80)
            --end;
    }
    return end >= 2 && (fileName[end - 1] == 'f' || fileName[end - 1] == 'F') && fileName[end - 2] == '.';
}

bool ListParameterFiles(const std::string& folder, std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::string> found;
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator() &&
                                                      found.size() < MaxBrowserFiles;
         entry.increment(error)) {
        std::error_code typeError;  // a dangling link is not a file, and no reason to stop
        if (MatchesParameterPattern(entry->path().filename().native()) && entry->is_regular_file(typeError))
            found.push_back(entry->path().string());
    }
    if (error)
        return false;
    std::sort(found.begin(), found.end());
    paths = std::move(found);
    return true;
}

std::string BrowserDescription(int32_t isMandelbrot, int32_t precisionBits)
{
    return std::string("FRACTAL: ") + (isMandelbrot ? "Mandelbrot" : "Julia") + "\n\nPrecision: " +
           std::to_string(precisionBits);
}

BrowserSelection ChooseBrowserFile(const std::string& path)
{
    const std::string thumbnail = path + ".jpg";
    const bool thumbnailExists = FileExists(thumbnail);
    const BrowserFileKind kind = KindOf(path);
    BrowserSelection selection;
    switch (kind) {
    case BrowserFileKind::Fra:
        if (thumbnailExists) {
            if (!PeekShownFile(path))
                return {};
        } else {
            // Extended views are quick to compute: their thumbnail is made at once.
            if (MakeThumbnailOf(path) == ThumbnailResult::Refused)
                return {};
            Browser.ShownIsMandelbrot = IsMandelbrot(State.FractalFlags) ? 1 : 0;
        }
        selection.description = BrowserDescription(Browser.ShownIsMandelbrot, ShallowPrecision);
        selection.makeThumbnailEnabled = false;
        break;
    case BrowserFileKind::Fdz:
        // Deep views can take long: their thumbnail waits for "MAKE THUMBNAIL".
        if (!PeekShownFile(path))
            return {};
        selection.description = BrowserDescription(Browser.ShownIsMandelbrot, Browser.ShownPrecision);
        selection.makeThumbnailEnabled = !thumbnailExists;
        break;
    case BrowserFileKind::Fpi:
    case BrowserFileKind::Fpz:
        if (!ShowPictureFile(path, thumbnailExists))
            return {};
        selection.description = BrowserDescription(
            Browser.ShownIsMandelbrot, kind == BrowserFileKind::Fpi ? ShallowPrecision : Browser.ShownPrecision);
        selection.makeThumbnailEnabled = !thumbnailExists;
        break;
    case BrowserFileKind::Other:
        if (thumbnailExists)
            selection.makeThumbnailEnabled = false;
        break;
    }
    selection.accepted = true;
    State.TitleFileName = path;
    if (thumbnailExists)
        selection.thumbnailPath = thumbnail;
    return selection;
}

void PressBrowserRedraw()
{
    RestoreSizeBeforeThumbnail();
    const std::string path = State.TitleFileName;
    std::error_code error;
    if (!CarriesPicture(KindOf(path)) && std::filesystem::is_regular_file(path, error))
        LoadParameterFile(path);
}

ThumbnailResult MakeBrowserThumbnail() { return MakeThumbnailOf(State.TitleFileName); }
