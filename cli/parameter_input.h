#pragma once
#include <ostream>
#include <string>

// The current parameters as key=value lines, every view value in full precision.
void PrintParameterInfo(std::ostream& out, const std::string& layout, bool withPicture);
