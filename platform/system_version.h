#pragma once
#include <string>

// The operating system's name and version as the distribution gives it
// ("Debian GNU/Linux 12 (bookworm)"), else the kernel's; "Unknown" when
// neither can be told.
std::string SystemVersionText();
