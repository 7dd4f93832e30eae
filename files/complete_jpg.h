#pragma once
#include <cstdint>
#include <optional>
#include <string>

struct JpgSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size of a JPG file that is there in full: it ends with the image's end
// marker and decodes without error. Empty for a missing, cut or damaged file.
std::optional<JpgSize> CompleteJpgSize(const std::string& path);
