#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The per-pixel kernel results of the last frame, before colouring:
// "QXRAW001", width, height, variant, deep flag, precision bits, then the
// escape values, the A values and the B values, row 0 first, little-endian.
struct RawDumpHeader {
    int32_t width;
    int32_t height;
    int32_t variant;
    int32_t deep;
    int32_t precisionBits;
};

bool WriteRawDump(const std::string& path, const RawDumpHeader& header,
                  const std::vector<int32_t>& escapeValues, const float* a, const float* b);
