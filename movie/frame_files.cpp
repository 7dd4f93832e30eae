#include "movie/frame_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

bool IsJpgName(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".jpg";
}

}  // namespace

std::string FrameFileName(int32_t n, bool unzoomVideo)
{
    return std::to_string(unzoomVideo ? n : MaxFrameNumber - n) + ".jpg";
}

std::vector<std::string> JpgNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && IsJpgName(it->path()))
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int32_t CountJpgFiles(const std::string& folder)
{
    return static_cast<int32_t>(JpgNames(folder).size());
}

std::string FirstFrameFile(const std::string& folder)
{
    std::vector<std::string> names = JpgNames(folder);
    if (!names.empty() && names.front() == "0.jpg") {
        std::error_code error;
        std::filesystem::remove(folder + "0.jpg", error);
        names.erase(names.begin());
    }
    return names.empty() ? std::string() : names.front();
}
