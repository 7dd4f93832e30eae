#include "cli/raw_dump.h"

#include <cstdio>
#include <filesystem>

namespace {

// The machine is little-endian, so the arrays go out as they lie in memory.
static_assert(sizeof(float) == 4 && sizeof(int32_t) == 4);

bool WriteAll(std::FILE* file, const void* data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, 1, bytes, file) == bytes;
}

}  // namespace

bool WriteRawDump(const std::string& path, const RawDumpHeader& header,
                  const std::vector<int32_t>& escapeValues, const float* a, const float* b)
{
    const size_t count = static_cast<size_t>(header.width) * header.height;
    if (escapeValues.size() < count)
        return false;
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    const int32_t fields[5] = {header.width, header.height, header.variant, header.deep,
                               header.precisionBits};
    bool ok = WriteAll(file, "QXRAW001", 8) && WriteAll(file, fields, sizeof fields) &&
              WriteAll(file, escapeValues.data(), count * 4) && WriteAll(file, a, count * 4) &&
              WriteAll(file, b, count * 4);
    ok = (std::fclose(file) == 0) && ok;
    std::error_code error;
    if (ok)
        std::filesystem::rename(temporary, path, error);
    if (!ok || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}
