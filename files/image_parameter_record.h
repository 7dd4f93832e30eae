#pragma once
#include <cstdint>
#include <vector>

#include "files/parameter_file.h"

// The picture block of a file with image.
struct StoredPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<int32_t> values;  // (width + 2) x (height + 2) colour values
};

struct ImageParameterRecord {
    ParameterRecord parameters;
    StoredPicture picture;
};

// Pictures larger than this on either side are refused as damaged.
constexpr int32_t MaxStoredPictureSide = 16384;

size_t StoredPictureElements(int32_t width, int32_t height);

// No valid file is larger: the biggest picture plus the largest view records.
constexpr uint64_t MaxImageParameterFileBytes =
    4ull * (MaxStoredPictureSide + 2) * (MaxStoredPictureSide + 2) + (64ull << 20);

// Reads and checks a whole .fpi ('2') or .fpz ('7') file without changing
// anything: the parameter part, a picture of 1..MaxStoredPictureSide pixels
// on each side whose block lies wholly in the file, and (.fpz) view records
// that fit their precision, with no bytes left over.
bool ReadImageParameterRecord(const std::vector<uint8_t>& bytes, ImageParameterRecord& file);
