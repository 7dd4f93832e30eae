#pragma once
#include <string>

// Parameter files that carry the finished picture as its colour values:
//   .fpi  the '2' layout (view as decimal text), then the picture block
//   .fpz  the '7' fixed fields, the picture block, then the view records
// The picture block is int32 width, int32 height and all
// (width + 2) x (height + 2) elements of IterBuffer.

// False when the file could not be written, or (.fpi) when a view text does
// not fit its 500-byte field: such views belong in .fpz.
bool SaveFpiFile(const std::string& path);
bool SaveFpzFile(const std::string& path);
// .fpz while DeepZoom is 1, .fpi otherwise.
bool SaveImageParameterFile(const std::string& path);

// Loads either layout (the first byte decides) and the stored picture,
// without computing. 1 after a load; 0 for an empty path or a refused file,
// which shows "Not a quorvatix-file!" and changes nothing.
int LoadImageParameterFile(const std::string& path);

// The menu commands "Save Fractal with image" and "Load Fractal with image".
void SaveFractalWithImageCommand();
void LoadFractalWithImageCommand();
