#pragma once
#include <string>

// Shows a local HTML file in the desktop's web browser. False when no
// browser can be found to show it (no opener, none registered for web
// pages) or the opener could not be started: the caller then tells the user
// where the file is, since nothing else would show.
bool ShowInWebBrowser(const std::string& path);
