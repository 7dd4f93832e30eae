#include "files/image_parameter_file.h"
#include "fuzz_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzOneFile(data, size, [](const std::string& path) { LoadImageParameterFile(path); });
}
