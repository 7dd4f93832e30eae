#pragma once
#include <ostream>
#include <string>

// The parameter file named on the renderer's command line, any layout,
// files with a picture included. Returns the name of the layout it was
// read as ("L1".."L4", "+", "2", "7", "fpi", "fpz"), or empty when the
// file was refused (the loader has shown why).
std::string LoadAnyParameterFile(const std::string& path);

// The current parameters as key=value lines, every view value in full precision.
void PrintParameterInfo(std::ostream& out, const std::string& layout, bool withPicture);
