#include "platform/whole_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return WriteFileAtomically(path, {std::as_bytes(std::span(bytes))});
}

bool IsSpecialFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

bool WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const std::byte>> parts)
{
    if (path.empty())
        return false;
    const bool special = IsSpecialFile(path);
    // A device or pipe takes the bytes itself; anything else gets them in a
    // temporary file first.
    const std::string written = special ? path : path + ".tmp" + std::to_string(getpid());
    std::FILE* file = std::fopen(written.c_str(), "wb");
    if (!file)
        return false;
    bool ok = true;
    for (const std::span<const std::byte> part : parts)
        ok = ok && (part.empty() || std::fwrite(part.data(), 1, part.size(), file) == part.size());
    ok = (std::fflush(file) == 0) && ok;
    if (special)
        return (std::fclose(file) == 0) && ok;
    ok = (fsync(fileno(file)) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    std::error_code error;
    if (ok)
        std::filesystem::rename(written, path, error);
    if (!ok || error) {
        std::filesystem::remove(written, error);
        return false;
    }
    return true;
}
