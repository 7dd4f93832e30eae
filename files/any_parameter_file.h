#pragma once
#include <string>

// A parameter file of any layout, files with a picture included, recognised
// by its content whatever its name. Returns the name of the layout it was
// read as ("L1".."L4", "+", "2", "7", "fpi", "fpz"), or empty when the
// file was refused (the loader has shown why).
std::string LoadAnyParameterFile(const std::string& path);
