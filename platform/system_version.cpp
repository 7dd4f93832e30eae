#include "platform/system_version.h"

#include <sys/utsname.h>

#include <fstream>

namespace {

// PRETTY_NAME of an os-release file, without its quotes; empty when missing.
std::string PrettyNameIn(const char* path)
{
    std::ifstream in(path);
    const std::string key = "PRETTY_NAME=";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

}  // namespace

std::string SystemVersionText()
{
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        const std::string name = PrettyNameIn(path);
        if (!name.empty())
            return name;
    }
    utsname system{};
    if (uname(&system) == 0)
        return std::string(system.sysname) + " " + system.release;
    return "Unknown";
}
