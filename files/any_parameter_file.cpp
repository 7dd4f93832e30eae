#include "files/any_parameter_file.h"

#include <filesystem>
#include <vector>

#include "files/image_parameter_file.h"
#include "files/image_parameter_record.h"
#include "files/parameter_file.h"
#include "platform/whole_file.h"

namespace {

std::string LayoutName(const ParameterRecord& record)
{
    switch (record.layout) {
    case ParameterLayout::Legacy1: return "L1";
    case ParameterLayout::Legacy2: return "L2";
    case ParameterLayout::Legacy3: return "L3";
    case ParameterLayout::Legacy4: return record.tag == ExtendedLayoutTag ? "+" : "L4";
    case ParameterLayout::Text: return "2";
    case ParameterLayout::Deep: return "7";
    }
    return "?";
}

}  // namespace

std::string LoadAnyParameterFile(const std::string& path)
{
    // Only a file of a size some layout has is read to be recognised.
    std::vector<uint8_t> bytes;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size <= MaxImageParameterFileBytes)
        ReadWholeFile(path, bytes);
    // A file with picture starts with a valid parameter part, so it is tried first.
    ImageParameterRecord image;
    if (ReadImageParameterRecord(bytes, image))
        return LoadImageParameterFile(path) == 1 ? (image.parameters.tag == DeepLayoutTag ? "fpz" : "fpi") : "";
    ParameterRecord record;
    const bool known = ReadParameterRecord(bytes, record);
    // A text-layout file longer than its parameters claims a picture: a
    // damaged picture refuses the file instead of being dropped silently.
    if (known && record.layout == ParameterLayout::Text &&
        bytes.size() > TextLayoutSize(record.FractalFlags))
        return LoadImageParameterFile(path) == 1 ? "fpi" : "";
    if (LoadParameterFile(path) != 1)
        return "";
    return known ? LayoutName(record) : "?";
}
