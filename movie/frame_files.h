#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The numbered JPG files of a movie's frame folder.

constexpr int32_t MaxFrameNumber = 9999999;

// Frame n of the computation: 9999999 - n, or n with "Unzoom video" on.
std::string FrameFileName(int32_t n, bool unzoomVideo);
// The names of the folder's .jpg files (any case), in name order.
std::vector<std::string> JpgNames(const std::string& folder);
int32_t CountJpgFiles(const std::string& folder);
// The first .jpg name in name order; "0.jpg" (the start picture of an
// outward movie) is deleted and the next name taken. Empty when none.
std::string FirstFrameFile(const std::string& folder);
