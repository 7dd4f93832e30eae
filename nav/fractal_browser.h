#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/picture_export.h"

// What the fractal browser does to the state: listing a folder, choosing a
// file, "REDRAW" and "MAKE THUMBNAIL", as plain functions over the global
// state, so that tests need no window.

constexpr size_t MaxBrowserFiles = 1000;
// The size "REDRAW" restores when the size before the thumbnail was the
// thumbnail size itself.
constexpr int32_t BrowserRestoreWidth = 640;
constexpr int32_t BrowserRestoreHeight = 480;

// What the browser keeps between its commands; it outlives the window, as the
// picture size it changed does.
struct FractalBrowserState {
    int32_t ShownIsMandelbrot = 1;  // kind of the file described last
    int32_t ShownPrecision = 80;    // its precision in bits, 80 without deep-zoom data
    // The picture size in force before the browser switched to the thumbnail
    // size; 0 x 0 while the browser has not changed it.
    int32_t SizeBeforeThumbnailWidth = 0;
    int32_t SizeBeforeThumbnailHeight = 0;
    // The browser moved the picture window out of the way for thumbnails.
    bool PictureAtThumbnailPlace = false;
};

extern FractalBrowserState Browser;

// The file pattern "*.f??": a name ending in a dot, an "f" and two more
// characters. The "f" matches in either case, as on the file systems the
// files come from, so "x.FRA" is listed too.
bool MatchesParameterPattern(std::string_view fileName);

// The full paths of the matching files of `folder`: the first
// MaxBrowserFiles the listing returns, sorted ascending. False when the
// folder cannot be read.
bool ListParameterFiles(const std::string& folder, std::vector<std::string>& paths);

// "FRACTAL: Mandelbrot" or "FRACTAL: Julia", an empty line, "Precision: " and the bits.
std::string BrowserDescription(int32_t isMandelbrot, int32_t precisionBits);

// What the browser window shows after a file was chosen. Fields left empty
// keep what the window shows.
struct BrowserSelection {
    // False when the file was refused (with its message): nothing changed.
    bool accepted = false;
    // The thumbnail to draw; empty clears the area.
    std::string thumbnailPath;
    std::optional<bool> makeThumbnailEnabled;
    std::optional<std::string> description;
};

// The file chosen in the list: shows its thumbnail, or makes one for a plain
// ".fra" file, or loads a file that carries its picture.
BrowserSelection ChooseBrowserFile(const std::string& path);

// "REDRAW": the picture size before the thumbnail comes back, and the chosen
// parameter file is loaded at it; the next repaint computes it.
void PressBrowserRedraw();

enum class ThumbnailResult {
    Refused,     // the file was refused with its message; nothing changed
    NotWritten,  // the frame was stopped with Esc, or the picture could not be written
    Written,
};
// "MAKE THUMBNAIL": computes the chosen file at the thumbnail size, with the
// picture window moved out of the way, and writes its thumbnail.
ThumbnailResult MakeBrowserThumbnail();
