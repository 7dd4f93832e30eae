#pragma once
#include <ostream>
#include <string>
#include <vector>

// The batch renderer: options applied left to right as the matching
// interactive actions, then one frame when an output asks for one.
// Returns the process exit status.
int RunRenderer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string RendererHelpText();
