#pragma once
#include <cstdint>
#include <string>

#include "files/image_encoder.h"

// Each writer returns true when a file was written; the type always follows
// the extension of the path, and an extension that names no type writes nothing.

// The export rule for one colour value: values <= 0 are direct colours (so
// inside pixels are black, unlike on screen), others palette entries shifted
// by PaletteOffset.
uint32_t ExportColor(int32_t value);

// Rebuilds the full picture from the colour values in IterBuffer into
// FrameImage with the export rule (0 is black, unlike on screen), shows it
// and writes it.
bool ExportPicture(const std::string& path);

// Writes FrameImage as it is; nothing before the first picture exists.
bool SaveShownPicture(const std::string& path);

// The size of every thumbnail, the browser's and the one beside a saved file.
constexpr int32_t ThumbnailWidth = 176;
constexpr int32_t ThumbnailHeight = 144;

// Writes FrameImage reduced to ThumbnailWidth x ThumbnailHeight, whatever its proportions.
bool SaveThumbnail(const std::string& path);

// "Save Picture": asks for a path and exports the picture to it.
void SavePictureCommand();

// The file dialog of "Save Picture" for the chosen "Pic format"; empty when
// the user cancelled it.
std::string AskPicturePath();

// "Save Picture"'s message for a picture that was not written; a path whose
// extension names no type is a choice, not a failure, and stays silent.
void ReportPictureNotSaved(const std::string& path);
